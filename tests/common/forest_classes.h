// The classes of the forest modules, module by module in start-up order: the forest tests walk
// them, and the registry test finds them at their place among all classes.
#pragma once

#include <QStringList>

namespace zelto::testing {

namespace forest_classes {
// people
inline const QStringList people = {"TPersonElement"};
// forest support: the links to the cadastral model
inline const QStringList support = {"TForest_ParcelConnectionEntity", "TForest_ParcelDetailConnectionEntity"};
// cadastral model
inline const QStringList cadastralModel = {
    "Tgis_ParcelModel", "Tgis_Katastr",       "Tgis_SkupinyParcel", "Tgis_Parcely",     "Tgis_KParcely",
    "Tgis_ParCasti",    "Tgis_SkupinaParcel", "Tgis_Parcela",       "Tgis_ParcelaCast", "Tgis_Majitel",
    "Tgis_Majitele",    "TGis_OLH",           "TGis_OLHs"};
// forest model
inline const QStringList forestModel = {"Tgis_UserCollection",
                                        "Tgis_TezbaCollection",
                                        "Tgis_ForestUnit",
                                        "Tgis_Etaz",
                                        "Tgis_PorostniSkupina",
                                        "Tgis_PorostniSkupinaCollection",
                                        "Tgis_Porost",
                                        "Tgis_PorostCollection",
                                        "Tgis_Dilec",
                                        "Tgis_DilecCollection",
                                        "Tgis_Oddeleni",
                                        "Tgis_OddeleniCollection",
                                        "Tgis_LS",
                                        "Tgis_LSCollection",
                                        "Tgis_LHC",
                                        "Tgis_ForestModel",
                                        "Tgis_Taxator",
                                        "Tgis_Taxator_Collection"};
// forest elements
inline const QStringList forestElements = {
    "Tgis_UserAreaElement", "TTEZPlocha", "TSRFPlocha", "TTEZBod", "TSRFBod", "Tgis_LT"};
// forest unit selector
inline const QStringList selector = {"TForestModelSelector"};
} // namespace forest_classes

// Every class of the forest modules, in start-up order.
inline QStringList forestClassOrder() {
    using namespace forest_classes;
    return people + support + cadastralModel + forestModel + forestElements + selector;
}

} // namespace zelto::testing
