#include <gtest/gtest.h>

#include "forest_fixture.h"
#include "framework/e_Props.h"
#include "stream_roundtrip.h"

#include <algorithm>

using namespace zelto;
using namespace forest_test;
using zelto::testing::storedPropertyNames;

namespace {

QString prop(const TElement* e, const char* name) {
    return e->GetPropertyStringByName(QString::fromLatin1(name));
}

} // namespace

// ---- classes and their tables ---------------------------------------------------------------------

TEST(ForestClasses, RegisteredInModuleOrder) {
    const QStringList& registered = RegisteredClassNames();
    int previous = -1;
    for (const QString& name : ForestClassOrder()) {
        ASSERT_NE(GetZeltoClass(name), nullptr) << name.toStdString();
        const int at = int(registered.indexOf(name));
        EXPECT_GT(at, previous) << name.toStdString() << " is registered out of order";
        previous = at;
    }
    // The stand group that keeps its own codes never comes from a stream.
    EXPECT_EQ(GetZeltoClass("Tgis_PorostniSkupinaAlone"), nullptr);
}

TEST(ForestClasses, StoredPropertiesInTableOrder) {
    const QStringList element = storedPropertyNames(TPropertyGeometryElement::StaticClass());
    const QStringList unit = element + QStringList{"Barva", "Znacka"};
    const QStringList cislo = unit + QStringList{"Cislo"};
    const QStringList group = unit + QStringList{"Vymera", "KVAL_P",     "VEK_ST",       "VLASTNIK",
                                                 "KATS",   "ZVL_STATUT", "KAT_Poznamka", "LVS"};
    const QStringList topolPoint = storedPropertyNames(TTopolPointElement::StaticClass());
    const std::vector<std::pair<const TClassInfo*, QStringList>> cases = {
        {&Tgis_ForestUnit::StaticClass(), unit},
        {&Tgis_Etaz::StaticClass(), unit},
        {&TSRFPlocha::StaticClass(), unit},
        {&Tgis_Dilec::StaticClass(), unit},
        {&Tgis_Oddeleni::StaticClass(), cislo},
        {&Tgis_LHC::StaticClass(), cislo + QStringList{"Nazev", "LHC_LCR", "ROK", "LHC_TAX"}},
        {&Tgis_LS::StaticClass(), cislo + QStringList{"Nazev", "LS", "LS_NAZ"}},
        {&Tgis_Porost::StaticClass(),
         unit + QStringList{"KVAL_P", "KATS", "ZVL_STATUT", "KAT_Poznamka", "MultiKatastr"}},
        {&Tgis_PorostniSkupina::StaticClass(), group},
        {&Tgis_UserAreaElement::StaticClass(), group + QStringList{"Druh", "UserID"}},
        {&TTEZPlocha::StaticClass(), group + QStringList{"Druh", "UserID", "Zpusob", "Nalehavost"}},
        {&Tgis_LT::StaticClass(),
         unit + QStringList{"Plocha", "Vymera", "LT", "SLT", "LES_OBL", "LO_CAST", "Udrzba", "Zmena", "TVL",
                            "PLT", "PLT_Nazev", "CHS", "PCHS"}},
        {&TSRFBod::StaticClass(), topolPoint + QStringList{"VEK_ST"}},
        {&TTEZBod::StaticClass(), topolPoint + QStringList{"Nalehavost"}},
        {&Tgis_ForestModel::StaticClass(), storedPropertyNames(TRectEntity::StaticClass())},
        {&TForestModelSelector::StaticClass(),
         storedPropertyNames(TTool::StaticClass()) +
             QStringList{"X", "Y", "ForestModel", "FrameClassName", "ReferenceFrameClassName", "ActualFrame",
                         "ActualReferenceFrame", "ActualLHC", "ActualLS", "ActualOddeleni", "ActualDilec",
                         "ActualPorost", "ActualSkupina"}},
    };
    for (const auto& [cls, expected] : cases)
        EXPECT_EQ(storedPropertyNames(*cls), expected) << cls->name().toStdString();
}

TEST(ForestClasses, CollectionsKeepTheirFixedNames) {
    const std::vector<std::pair<TElement*, QString>> cases = {
        {new Tgis_LSCollection, "LS"},
        {new Tgis_OddeleniCollection, "Oddeleni"},
        {new Tgis_DilecCollection, "Dilce"},
        {new Tgis_PorostCollection, "Porosty"},
        {new Tgis_PorostniSkupinaCollection, "Skupiny"},
        {new Tgis_UserCollection, "USER"},
        {new Tgis_TezbaCollection, "TEZ"},
        {new TForest_ParcelConnectionEntity, "SKP_Porosty"},
        {new TForest_ParcelDetailConnectionEntity, "SKP_Skupiny"},
    };
    for (auto [e, name] : cases) {
        std::unique_ptr<TElement> owned(e);
        e->SetName("jiné");
        EXPECT_EQ(e->GetName(), name);
        EXPECT_FALSE(e->StoreName()) << name.toStdString();
    }
}

// ---- the hierarchy ------------------------------------------------------------------------------

TEST(ForestHierarchy, UnitsFindTheirParentsAndCodes) {
    SmallForest f;
    EXPECT_EQ(f.ls2->Get_LHC(), f.lhc5);
    EXPECT_EQ(f.odd12->Get_LS(), f.ls2);
    EXPECT_EQ(f.odd12->Get_LHC(), f.lhc5);
    EXPECT_EQ(f.d12b->Get_Oddeleni(), f.odd12);
    EXPECT_EQ(f.d12b->Get_LS(), f.ls2);
    EXPECT_EQ(f.p1->Get_Dilec(), f.d12b);
    EXPECT_EQ(f.p1->Get_LHC(), f.lhc5);
    EXPECT_EQ(f.g123->Get_Porost(), f.p1);
    EXPECT_EQ(f.g123->Get_Dilec(), f.d12b);
    EXPECT_EQ(f.g123->Get_Oddeleni(), f.odd12);
    EXPECT_EQ(f.g123->Get_LS(), f.ls2);
    EXPECT_EQ(f.g123->Get_LHC(), f.lhc5);
    // Levels above a unit's own are none.
    EXPECT_EQ(f.lhc5->Get_LHC(), nullptr);
    EXPECT_EQ(f.d12b->Get_Porost(), nullptr);

    // Codes through the property interface, as the map and the host read them.
    const std::vector<std::tuple<TElement*, const char*, QString>> codes = {
        {f.lhc5, "LHC_KOD", "5"},      {f.lhc5, "Name", "5"},      {f.ls2, "LHC", "5"},
        {f.ls2, "LHC_LCR", "77"},      {f.ls2, "REVIR", "2"},      {f.odd12, "LS_KOD", "2"},
        {f.odd12, "ODD", "12"},        {f.d12b, "Oddeleni", "12"}, {f.d12b, "DIL", "b"},
        {f.p1, "Dilec", "b"},          {f.p1, "POR", "1"},         {f.p1, "LS_Kod", "2"},
        {f.g123, "LHC", "5"},          {f.g123, "LHC_LCR", "77"},  {f.g123, "LS_Kod", "2"},
        {f.g123, "Oddeleni", "12"},    {f.g123, "Dilec", "b"},     {f.g123, "Porost", "1"},
        {f.g123, "Skupina", "12.3"},   {f.g123, "PSK", "12.3"},    {f.g123, "JP", "12.3"},
        {f.g123, "PureSkupina", "12"}, {f.g7, "PureSkupina", "7"}, {f.g1a, "PureSkupina", "1a"},
    };
    for (const auto& [e, name, expected] : codes)
        EXPECT_EQ(prop(e, name), expected) << e->GetName().toStdString() << "." << name;
}

TEST(ForestHierarchy, MissingLinksGiveEmptyCodes) {
    auto group = std::make_unique<Tgis_PorostniSkupina>();
    group->SetName(" 4 .1");
    EXPECT_EQ(group->Get_LHC(), nullptr);
    EXPECT_EQ(group->GetLHC(), 0);
    EXPECT_EQ(group->GetOddeleni(), 0);
    EXPECT_EQ(group->GetDilec(), QChar(' '));
    EXPECT_EQ(group->GetPorost(), QChar(' '));
    EXPECT_EQ(group->GetPureSkupina(), "4");
    // The cadastre is not there: numbers 0, the owner "0", names empty.
    EXPECT_EQ(group->GetVLASTNIK(), "0");
    EXPECT_EQ(group->GetKU_KOD(), 0);
    EXPECT_EQ(group->GetSK_PARC(), 0);
    EXPECT_EQ(group->GetMAJ_Name(), "");
    EXPECT_EQ(group->GetOLH_Name(), "");
    EXPECT_EQ(group->GetKATS(), "");
    // A stand named with an empty text answers a space as its letter.
    auto stand = std::make_unique<Tgis_Porost>();
    EXPECT_EQ(stand->GetPorost(), QChar(' '));
    EXPECT_EQ(stand->GetVLASTNIK(), "0");
}

TEST(ForestHierarchy, NumbersNamesAndChildren) {
    SmallForest f;
    f.odd12->SetName("x12");
    EXPECT_EQ(f.odd12->FCislo, 12);
    f.odd12->SetName(" 14 ");
    EXPECT_EQ(f.odd12->GetName(), "14");
    f.odd12->SetName("12");
    // The collection's name rule: letter case is ignored.
    EXPECT_EQ(f.odd12->GetItemName("B"), f.d12b);
    EXPECT_EQ(f.ls2->GetItemCislo(13), f.odd13);
    EXPECT_EQ(f.ls2->GetItemCislo(1), nullptr);
    EXPECT_FALSE(f.d12b->GetNoItems());
    EXPECT_TRUE(f.d12a->GetNoItems());
    EXPECT_EQ(f.d12a->ItemsCount(), 0);
    EXPECT_EQ(f.d12a->GetItems(), nullptr);
    f.d12a->CheckItems();
    EXPECT_NE(f.d12a->GetItems(), nullptr);
    EXPECT_TRUE(f.d12a->GetNoItems());

    // Code setters leave a placed group as it is; the stand's letter renames the stand.
    f.g123->SetPropertyStringByName("LHC", "9");
    f.g123->SetPropertyStringByName("Dilec", "z");
    EXPECT_EQ(f.g123->GetLHC(), 5);
    EXPECT_EQ(f.g123->GetDilec(), QChar('b'));
    f.p1->SetPorost(QChar('3'));
    EXPECT_EQ(f.p1->GetName(), "3");
    EXPECT_EQ(f.g123->GetPorost(), QChar('3'));
    f.g123->SetPropertyStringByName("Skupina", "12.4");
    EXPECT_EQ(f.g123->GetName(), "12.4");

    // The group outside the hierarchy keeps its codes itself.
    Tgis_PorostniSkupinaAlone alone;
    alone.SetPropertyStringByName("LHC", "9");
    alone.SetPropertyStringByName("Oddeleni", "31");
    alone.SetPorost(QChar('4'));
    alone.SetVLASTNIK("1234");
    EXPECT_EQ(alone.GetLHC(), 9);
    EXPECT_EQ(prop(&alone, "Oddeleni"), "31");
    EXPECT_EQ(alone.GetPorost(), QChar('4'));
    EXPECT_EQ(prop(&alone, "VLASTNIK"), "1234");
}

TEST(ForestHierarchy, GroupAttributesFallBackToTheStand) {
    SmallForest f;
    auto* standProps = new TDynamicProperties;
    standProps->SetPropertyStringByName("HS", "3");
    standProps->SetPropertyStringByName("Etaz", "A");
    f.p1->SetProperties(standProps);
    auto* groupProps = new TDynamicProperties;
    groupProps->SetPropertyStringByName("HS", "5");
    f.g123->SetProperties(groupProps);
    f.p1->FKATS = "a,b";

    EXPECT_EQ(f.g123->GetPropertyStringByName("HS"), "5");
    EXPECT_EQ(f.g123->GetPropertyStringByName("Etaz"), "A");
    EXPECT_EQ(f.g1a->GetPropertyStringByName("HS"), "3");
    EXPECT_EQ(f.g1a->GetPropertyStringByName("nic"), "");
    EXPECT_EQ(f.g2_1->GetPropertyStringByName("HS"), "");
    // Categories live on the stand.
    EXPECT_EQ(f.g1a->GetKATS(), "a,b");
    EXPECT_EQ(prop(f.g1a, "KAT"), "a");
    f.g7->SetPropertyStringByName("NextKAT", "c");
    f.g7->SetPropertyStringByName("NextKAT", "a");
    f.g7->SetPropertyStringByName("NextKAT", " ");
    f.g7->SetPropertyStringByName("NextZVL_STATUT", "11");
    EXPECT_EQ(f.p1->FKATS, "a,b,c");
    EXPECT_EQ(f.p1->FZVL_STATUT, "11");
    f.g7->SetPropertyStringByName("KAT_Poznamka", "u cesty");
    EXPECT_EQ(f.p1->FKAT_Poznamka, "u cesty");
    EXPECT_EQ(f.g2_1->GetKAT_Poznamka(), "");
}

// ---- areas ---------------------------------------------------------------------------------------

TEST(ForestAreas, GroupsAndStands) {
    SmallForest f;
    // 250 m x 100 m = 25 000 m² = 2.5 ha.
    TAreaElement* a = area(rect(-745000, -1043000, 250, 100));
    a->FFixedArea = 2.41;
    a->FFixedAreaIndex = 2;
    f.g1a->SetGeometry(a);
    EXPECT_DOUBLE_EQ(f.g1a->GetPlocha(), 2.5);
    EXPECT_DOUBLE_EQ(f.g1a->GetVymera(), 2.41);
    EXPECT_EQ(f.g1a->GetKVAL_P(), 2);
    EXPECT_TRUE(f.g1a->GetSameKVAL_P());
    // A ring that runs the other way is the same area.
    Ring reversed = rect(0, 0, 100, 100);
    std::reverse(reversed.begin(), reversed.end());
    f.g7->SetGeometry(area(reversed));
    EXPECT_DOUBLE_EQ(f.g7->GetPlocha(), 1.0);
    // No geometry: nothing.
    EXPECT_EQ(f.g123->GetPlocha(), 0);
    EXPECT_EQ(f.g123->GetVymera(), 0);
    EXPECT_FALSE(f.g123->GetSameKVAL_P());

    // A group of two parts: the areas add up, the index is the first part's.
    f.g2_1->AddGeometry(square(0, 0, 100, 1.0, 1));
    f.g2_1->AddGeometry(square(200, 0, 100, 0.9, 3));
    ASSERT_TRUE(f.g2_1->GetGeometry()->Is<TMultiAreaElement>());
    EXPECT_DOUBLE_EQ(f.g2_1->GetPlocha(), 2.0);
    EXPECT_DOUBLE_EQ(f.g2_1->GetVymera(), 1.9);
    EXPECT_EQ(f.g2_1->GetKVAL_P(), 1);
    EXPECT_FALSE(f.g2_1->GetSameKVAL_P());

    // A stand without geometry sums its groups; with one it is measured itself, in hectares.
    EXPECT_DOUBLE_EQ(f.p1->GetPlocha(), 3.5);
    EXPECT_EQ(f.p1->GetVymera(), 0);
    EXPECT_DOUBLE_EQ(f.d12b->GetPlocha(), 5.5);
    // A stand's recorded area comes from its own geometry only.
    EXPECT_EQ(f.d12b->GetVymera(), 0);
    f.p2->SetGeometry(square(0, 0, 300, 8.7));
    EXPECT_DOUBLE_EQ(f.p2->GetPlocha(), 9.0);
    EXPECT_DOUBLE_EQ(f.p2->GetVymera(), 8.7);
    f.p2->AddGeometry(square(500, 0, 100, 0.8));
    EXPECT_DOUBLE_EQ(f.p2->GetVymera(), 9.5);
    EXPECT_DOUBLE_EQ(f.d12b->GetPlocha(), 3.5 + 10.0);
    EXPECT_DOUBLE_EQ(f.odd12->GetPlocha(), 13.5);
    EXPECT_DOUBLE_EQ(f.ls2->GetVymera(), 9.5);
    EXPECT_DOUBLE_EQ(prop(f.lhc5, "Plocha").replace(',', '.').toDouble(), 13.5);
    // Levels without children, and a stand whose geometry is not an area.
    EXPECT_EQ(f.d12a->GetPlocha(), 0);
    EXPECT_EQ(f.odd13->GetVymera(), 0);
    auto* line = new TPolyLineElement;
    line->AddXY(0, 0);
    line->AddXY(10, 10);
    f.p1->SetGeometry(line);
    EXPECT_EQ(f.p1->GetVymera(), 0);
    EXPECT_EQ(f.p1->GetPlocha(), 0);

    // Writing the recorded area and its index reaches a plain area geometry.
    f.g1a->SetPropertyStringByName("Vymera", "3");
    f.g1a->SetPropertyStringByName("KVAL_P", "4");
    EXPECT_DOUBLE_EQ(a->FFixedArea, 3.0);
    EXPECT_EQ(a->FFixedAreaIndex, 4);

    // A forest type keeps both as stored values.
    Tgis_LT lt;
    lt.SetPropertyStringByName("Plocha", "1,5");
    lt.SetVymera(1.25);
    lt.FPLT = "1";
    lt.FPLT_Nazev = "smrková";
    EXPECT_DOUBLE_EQ(lt.GetPlocha(), 1.5);
    EXPECT_DOUBLE_EQ(lt.GetVymera(), 1.25);
    EXPECT_EQ(prop(&lt, "PLT_"), "1 smrková");
}

TEST(ForestAreas, UpdateAllCoversTheChildren) {
    SmallForest f;
    f.g1a->SetGeometry(square(0, 0, 10));
    f.g123->SetGeometry(square(20, 5, 10));
    f.g2_1->SetGeometry(square(-50, -40, 10));
    // A unit with its own geometry keeps the geometry's rectangle.
    f.d1a->SetGeometry(square(1000, 1000, 5));
    f.model->UpdateAll();
    EXPECT_EQ(f.p1->GetMinX(), 0);
    EXPECT_EQ(f.p1->GetMaxX(), 30);
    EXPECT_EQ(f.p1->GetMaxY(), 15);
    EXPECT_EQ(f.d12b->GetMinX(), -50);
    EXPECT_EQ(f.d12b->GetMinY(), -40);
    EXPECT_EQ(f.d12b->GetMaxX(), 30);
    EXPECT_EQ(f.d1a->GetMinX(), 1000);
    EXPECT_EQ(f.ls1->GetMaxX(), 1005);
    EXPECT_EQ(f.lhc5->GetMinX(), -50);
    EXPECT_EQ(f.lhc5->GetMaxY(), 1005);
    EXPECT_EQ(f.model->GetMinY(), -40);
    EXPECT_EQ(f.model->GetMaxX(), 1005);
    // Units whose children have no extent stay empty and contain no point.
    EXPECT_FALSE(f.d12a->IsValid());
    EXPECT_FALSE(f.lhc6->PointIsInside(0, 0));

    // Moving a group and updating again shrinks the stand (the rectangle is recomputed, not grown).
    f.g123->SetGeometry(square(2, 2, 1));
    f.model->SetPropertyStringByName("UpdateAll", "True");
    EXPECT_EQ(f.p1->GetMaxX(), 10);
}

// ---- the selection chain -----------------------------------------------------------------------

TEST(ForestSelection, DivisionSearchedInEveryDistrict) {
    SmallForest f;
    Tgis_ForestModel& m = *f.model;
    m.SetActualLHC(f.lhc5);
    m.SetPropertyStringByName("Oddeleni_Cislo", "12");
    EXPECT_EQ(m.GetActualLS(), f.ls2);
    EXPECT_EQ(m.GetActualOddeleni(), f.odd12);
    // The dílec is looked for in that division only (division 1 has a dílec b as well).
    m.SetDilec_Name("B");
    EXPECT_EQ(m.GetActualDilec(), f.d12b);
    EXPECT_EQ(m.GetDilec_Name(), "b");
    m.SetPorost_Name("1");
    m.SetSkupina_Name("12.3");
    EXPECT_EQ(m.GetActualSkupina(), f.g123);
    // The actual unit is answered again without searching; a miss leaves the level empty.
    EXPECT_EQ(m.GetSkupinaName("12.3"), f.g123);
    EXPECT_EQ(m.GetSkupinaName("99"), nullptr);
    EXPECT_EQ(m.GetActualSkupina(), nullptr);
    EXPECT_EQ(m.GetActualPorost(), f.p1);

    // With an actual LS the division is looked for in it only.
    m.SetOddeleni_Cislo(2);
    EXPECT_EQ(m.GetActualOddeleni(), nullptr);
    EXPECT_EQ(m.GetOddeleni_Cislo(), -1);
    EXPECT_EQ(m.GetActualLS(), f.ls2);
    m.SetActualLS(nullptr);
    m.SetOddeleni_Cislo(2);
    EXPECT_EQ(m.GetActualLS(), f.ls1);
    EXPECT_EQ(m.GetActualOddeleni(), f.odd2);
    // A division that no LS has: nothing selected.
    m.SetActualLS(nullptr);
    EXPECT_EQ(m.GetOddeleniCislo(77), nullptr);
    EXPECT_EQ(m.GetActualLS(), nullptr);
}

TEST(ForestSelection, AnotherPlanAreaClearsTheLevelsBelow) {
    SmallForest f;
    Tgis_ForestModel& m = *f.model;
    m.SetLHC_Cislo(5);
    m.SetOddeleni_Cislo(12);
    m.SetDilec_Name("b");
    m.SetPorost_Name("1");
    m.SetSkupina_Name("7");
    ASSERT_EQ(m.GetActualSkupina(), f.g7);
    EXPECT_EQ(m.GetLHC_ROK(), 2018);
    m.SetLHC_Cislo(6);
    EXPECT_EQ(m.GetActualLHC(), f.lhc6);
    EXPECT_EQ(m.GetLHC_ROK(), 2020);
    EXPECT_EQ(m.GetActualLS(), nullptr);
    EXPECT_EQ(m.GetActualOddeleni(), nullptr);
    EXPECT_EQ(m.GetActualDilec(), nullptr);
    EXPECT_EQ(m.GetActualPorost(), nullptr);
    EXPECT_EQ(m.GetActualSkupina(), nullptr);
    EXPECT_EQ(m.GetLS_Cislo(), -1);
    EXPECT_EQ(m.GetSkupina_Name(), "");
    // A number that no plan area has: none actual, and nothing below can be found.
    m.SetLHC_Cislo(99);
    EXPECT_EQ(m.GetActualLHC(), nullptr);
    EXPECT_EQ(m.GetLHC_Cislo(), -1);
    EXPECT_EQ(m.GetLHC_ROK(), 0);
    EXPECT_EQ(m.GetLSCislo(1), nullptr);
    EXPECT_EQ(m.GetDilecName("a"), nullptr);
    // Setting a middle level directly clears the levels below it only.
    m.SetLHC_Cislo(5);
    m.SetOddeleni_Cislo(12);
    m.SetActualDilec(f.d12b);
    m.SetActualPorost(f.p1);
    m.SetActualOddeleni(f.odd13);
    EXPECT_EQ(m.GetActualLS(), f.ls2);
    EXPECT_EQ(m.GetActualDilec(), nullptr);
    EXPECT_EQ(m.GetActualPorost(), nullptr);
}

TEST(ForestSelection, CreatingUnits) {
    Tgis_ForestModel m;
    // Without AutoCreate the name writes only look up.
    m.SetLHC_Cislo(3);
    EXPECT_EQ(m.GetActualLHC(), nullptr);
    EXPECT_EQ(m.ElementsCount(), 0);

    Tgis_PorostniSkupina* g = m.CreateSkupina(3, 1, 14, "c", "2", "2a");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetName(), "2a");
    EXPECT_EQ(g->GetLHC(), 3);
    EXPECT_EQ(g->GetLS_Kod(), 1);
    EXPECT_EQ(g->GetOddeleni(), 14);
    EXPECT_EQ(g->GetDilec(), QChar('c'));
    EXPECT_EQ(g->GetPorost(), QChar('2'));
    EXPECT_EQ(m.GetActualSkupina(), g);
    ASSERT_EQ(m.ElementsCount(), 1);
    // The same path again reuses every unit; a sibling reuses the parents.
    EXPECT_EQ(m.CreateSkupina(3, 1, 14, "C", "2", "2A"), g);
    Tgis_PorostniSkupina* g2 = m.CreateSkupina(3, 1, 14, "c", "2", "2b");
    ASSERT_NE(g2, nullptr);
    EXPECT_NE(g2, g);
    EXPECT_EQ(g2->Get_Porost(), g->Get_Porost());
    EXPECT_EQ(g->Get_Porost()->ItemsCount(), 2);
    EXPECT_EQ(m.ElementsCount(), 1);

    // AutoCreate turns the property writes into creation.
    m.SetPropertyStringByName("AutoCreate", "True");
    m.SetLHC_Cislo(4);
    m.SetLS_Cislo(2);
    m.SetOddeleni_Cislo(1);
    m.SetDilec_Name("a");
    m.SetPorost_Name("1");
    m.SetSkupina_Name("1b");
    ASSERT_NE(m.GetActualSkupina(), nullptr);
    EXPECT_EQ(m.GetActualSkupina()->GetLHC(), 4);
    EXPECT_EQ(m.ElementsCount(), 2);
    // A level cannot be created without its parent.
    m.SetActualLHC(nullptr);
    EXPECT_EQ(m.CreateLSCislo(8), nullptr);
    EXPECT_EQ(m.CreateDilecName("x"), nullptr);
}

TEST(ForestSelection, DivisionCountAndList) {
    SmallForest f;
    Tgis_ForestModel& m = *f.model;
    EXPECT_EQ(m.GetOddCount(), 4);
    EXPECT_EQ(m.GetActualLHC(), f.lhc5);
    std::unique_ptr<TOwnerEntity> odds(m.FindOdds());
    EXPECT_EQ(odds->GetName(), "ODDS");
    ASSERT_EQ(odds->ElementsCount(), 4);
    EXPECT_EQ(odds->Get(0), f.odd1);
    EXPECT_EQ(odds->Get(1), f.odd2);
    EXPECT_EQ(odds->Get(2), f.odd12);
    EXPECT_EQ(odds->Get(3), f.odd13);
    // Freeing the list leaves the divisions in their districts.
    odds.reset();
    EXPECT_EQ(f.ls2->GetItem(0), f.odd12);
    EXPECT_EQ(f.odd12->Get_LS(), f.ls2);
    m.SetActualLHC(f.lhc6);
    EXPECT_EQ(m.GetOddCount(), 1);

    Tgis_ForestModel empty;
    EXPECT_EQ(empty.GetOddCount(), 0);
    std::unique_ptr<TOwnerEntity> none(empty.FindOdds());
    EXPECT_EQ(none->ElementsCount(), 0);
}

TEST(ForestSelection, SortOrdersEveryLevel) {
    Tgis_ForestModel m;
    m.CreateSkupina(10, 2, 3, "b", "2", "x");
    m.CreateSkupina(10, 2, 3, "b", "2", "y");
    m.CreateSkupina(10, 2, 3, "a", "1", "z");
    m.CreateSkupina(10, 2, 3, "b", "10", "w");
    m.CreateSkupina(10, 2, 20, "a", "1", "1");
    m.CreateSkupina(10, 2, 100, "a", "1", "1");
    m.CreateSkupina(10, 1, 5, "a", "1", "1");
    m.CreateSkupina(9, 1, 1, "a", "1", "1");
    auto* x = m.CreateSkupina(10, 2, 3, "b", "2", "x");
    auto* y = m.CreateSkupina(10, 2, 3, "b", "2", "y");
    x->FVEK_ST = 7;
    y->FVEK_ST = 3;
    m.SetPropertyStringByName("Sort", "True");

    const auto names = [](const TEntity* e) {
        QStringList out;
        for (TElement* c : e->FElements) out << c->GetName();
        return out;
    };
    EXPECT_EQ(names(&m), (QStringList{"9", "10"}));
    auto* lhc = static_cast<Tgis_LHC*>(m.Get(1));
    EXPECT_EQ(names(lhc->GetItems()), (QStringList{"1", "2"}));
    auto* ls = static_cast<Tgis_LS*>(lhc->GetItem(1));
    // Numbers, not texts: 3 before 20 before 100.
    EXPECT_EQ(names(ls->GetItems()), (QStringList{"3", "20", "100"}));
    auto* odd = static_cast<Tgis_Oddeleni*>(ls->GetItem(0));
    EXPECT_EQ(names(odd->GetItems()), (QStringList{"a", "b"}));
    auto* dilec = static_cast<Tgis_Dilec*>(odd->GetItem(1));
    // Stand names as texts.
    EXPECT_EQ(names(dilec->GetItems()), (QStringList{"10", "2"}));
    auto* stand = static_cast<Tgis_Porost*>(dilec->GetItem(1));
    EXPECT_EQ(names(stand->GetItems()), (QStringList{"y", "x"}));
    // Sorting moves positions only: the units still find their parents.
    EXPECT_EQ(y->Get_LHC(), lhc);
}

// ---- taxators ----------------------------------------------------------------------------------

namespace {

Tgis_Taxator* taxator(Tgis_Taxator_Collection& all, const char* first, const char* second, qint32 pin) {
    auto* t = new Tgis_Taxator;
    t->FFirstName = QString::fromUtf8(first);
    t->FSecondName = QString::fromUtf8(second);
    t->FPIN = pin;
    all.AddElement(t);
    return t;
}

} // namespace

TEST(ForestTaxators, LowerLevelsFollowTheirParent) {
    SmallForest f;
    Tgis_Taxator_Collection all;
    Tgis_Taxator* novak = taxator(all, "Jan", "Novák", 1111);
    // Nobody yet.
    EXPECT_EQ(prop(f.g1a, "Taxator"), "-");
    EXPECT_EQ(prop(f.g1a, "TaxatorPIN"), "0");
    EXPECT_EQ(f.g1a->GetTaxPro(), "?");
    EXPECT_EQ(f.odd12->GetTaxPro(), "ODD");
    EXPECT_EQ(f.lhc5->GetTaxPro(), "?");

    f.odd12->Set_Taxator(novak);
    for (Tgis_ForestUnit* u : std::initializer_list<Tgis_ForestUnit*>{f.odd12, f.d12b, f.p1, f.g1a}) {
        EXPECT_EQ(u->Get_Taxator(), novak) << u->GetName().toStdString();
        EXPECT_EQ(u->GetTaxPro(), "ODD") << u->GetName().toStdString();
    }
    EXPECT_EQ(prop(f.g1a, "Taxator"), "Jan Novák");
    EXPECT_EQ(prop(f.g1a, "TaxatorPIN"), "1111");
    EXPECT_EQ(f.odd13->Get_Taxator(), nullptr);
    EXPECT_EQ(novak->ElementsCount(), 1);
    // The taxator takes only forest units, each once.
    novak->AddElement(f.odd12);
    auto stray = std::make_unique<TOwnerEntity>();
    novak->AddElement(stray.get());
    EXPECT_EQ(novak->ElementsCount(), 1);
    // Through the generic interface as well.
    f.odd13->SetPropertyStringByName("_Taxator", QString::number(objectToNumber(novak)));
    EXPECT_EQ(f.odd13->Get_Taxator(), novak);
    f.odd13->Set_Taxator(nullptr);
    EXPECT_EQ(f.odd13->Get_Taxator(), nullptr);
}

TEST(ForestTaxators, ALowerUnitChangingHandsSplitsTheParentsAssignment) {
    SmallForest f;
    Tgis_Taxator_Collection all;
    Tgis_Taxator* novak = taxator(all, "Jan", "Novák", 1);
    Tgis_Taxator* dvorak = taxator(all, "Eva", "Dvořák", 2);

    // Division 12 is Novák's; its dílec b goes to Dvořák: dílec a stays with Novák on its own.
    f.odd12->Set_Taxator(novak);
    f.d12b->Set_Taxator(dvorak);
    EXPECT_EQ(f.d12b->Get_Taxator(), dvorak);
    EXPECT_EQ(f.g1a->Get_Taxator(), dvorak);
    EXPECT_EQ(f.g1a->GetTaxPro(), "DIL");
    EXPECT_EQ(f.d12a->Get_Taxator(), novak);
    EXPECT_EQ(f.d12a->GetOwnTaxator(), novak);
    EXPECT_EQ(f.odd12->Get_Taxator(), nullptr);
    EXPECT_EQ(novak->IndexOf(f.odd12), -1);

    // One group of dílec b goes to Novák: every group of the dílec gets Dvořák on its own first.
    f.g7->Set_Taxator(novak);
    EXPECT_EQ(f.g7->Get_Taxator(), novak);
    EXPECT_EQ(f.g7->GetTaxPro(), "PSK");
    EXPECT_EQ(f.g1a->Get_Taxator(), dvorak);
    EXPECT_EQ(f.g1a->GetTaxPro(), "PSK");
    EXPECT_EQ(f.g2_1->GetOwnTaxator(), dvorak);
    EXPECT_EQ(f.d12b->Get_Taxator(), nullptr);
    EXPECT_EQ(f.p1->GetTaxPro(), "?");
    EXPECT_EQ(dvorak->IndexOf(f.g7), -1);

    // Assigning the division again takes everything below back.
    f.odd12->Set_Taxator(dvorak);
    for (Tgis_ForestUnit* u : std::initializer_list<Tgis_ForestUnit*>{f.d12a, f.d12b, f.g7, f.g1a, f.g2_1}) {
        EXPECT_EQ(u->GetOwnTaxator(), nullptr) << u->GetName().toStdString();
        EXPECT_EQ(u->Get_Taxator(), dvorak) << u->GetName().toStdString();
    }
    EXPECT_EQ(novak->ElementsCount(), 0);
    EXPECT_EQ(dvorak->ElementsCount(), 1);
}

TEST(ForestTaxators, FreeingATaxatorKeepsItsUnits) {
    SmallForest f;
    auto* t = new Tgis_Taxator;
    f.d12b->Set_Taxator(t);
    delete t;
    EXPECT_EQ(f.d12b->Get_Taxator(), nullptr);
    EXPECT_EQ(f.d12b->Get_Oddeleni(), f.odd12);
    EXPECT_EQ(f.p1->Get_Dilec(), f.d12b);
}

// ---- user and felling areas ----------------------------------------------------------------------

TEST(ForestUserAreas, NamesAndGroups) {
    Tgis_UserAreaElement user;
    EXPECT_EQ(user.GetName(), "0");
    user.SetName("17");
    EXPECT_EQ(user.FUserID, 17);
    user.SetName("sedmnáct");
    EXPECT_EQ(user.GetName(), "17");
    user.SetPropertyStringByName("Druh", "42");
    EXPECT_EQ(user.GetGroup(), 42);
    user.SetGroup(1);
    EXPECT_EQ(user.FDruh, 1);
    EXPECT_FALSE(user.GetMultiElement());

    TTEZPlocha felling;
    felling.FZpusob = 2;
    felling.FNalehavost = 3;
    EXPECT_EQ(felling.GetName(), "TEZ 2:3");
    felling.SetName("5");
    EXPECT_EQ(felling.GetName(), "TEZ 2:3");
    EXPECT_EQ(felling.GetGroup(), 135);

    EXPECT_EQ(Tgis_PorostniSkupina().GetGroup(), 110);
    EXPECT_EQ(TSRFPlocha().GetGroup(), 144);
    EXPECT_TRUE(Tgis_PorostniSkupina().GetMultiElement());
}

TEST(ForestUserAreas, FindUserID) {
    const std::vector<std::pair<QStringList, qint32>> cases = {
        {{}, 1},
        {{"1", "2", "4"}, 3},
        {{"4", "2", "1"}, 3},
        {{"2", "3"}, 1},
        {{"1", "01", "x", "-2", "3"}, 2},
        {{"1", "1", "2"}, 3},
    };
    for (const auto& [names, expected] : cases) {
        Tgis_UserCollection c;
        for (const QString& name : names) {
            auto* child = new TOwnerEntity;
            child->SetName(name);
            c.AddElement(child);
        }
        EXPECT_EQ(c.FindUserID(), expected) << names.join(",").toStdString();
    }
}

TEST(ForestUserAreas, AttachingToStandGroups) {
    SmallForest f;
    auto* user = new Tgis_UserAreaElement;
    f.model->AddElement(user); // a layer would hold it
    EXPECT_EQ(user->Get_Skupina(), nullptr);
    user->Set_Skupina(f.g123);
    EXPECT_EQ(user->Get_Skupina(), f.g123);
    auto* users =
        zelto_cast<Tgis_UserCollection>(f.g123->GetAreaCollection(Tgis_UserCollection::StaticClass()));
    ASSERT_NE(users, nullptr);
    EXPECT_EQ(users->GetName(), "USER");
    EXPECT_EQ(users->FindUserID(), 1);
    // Going up as a stand group.
    EXPECT_EQ(user->Get_Porost(), f.p1);
    EXPECT_EQ(user->Get_LHC(), f.lhc5);
    EXPECT_EQ(user->GetOddeleni(), 12);
    EXPECT_EQ(user->GetDilec(), QChar('b'));

    user->SetUserID(1);
    EXPECT_EQ(users->FindUserID(), 2);
    // Already there: nothing changes; another group: moved.
    user->Set_Skupina(f.g123);
    EXPECT_EQ(users->ElementsCount(), 1);
    user->Set_Skupina(f.g2_1);
    EXPECT_EQ(users->ElementsCount(), 0);
    EXPECT_EQ(user->Get_Skupina(), f.g2_1);
    EXPECT_EQ(user->Get_Porost(), f.p2);
    user->Set_Skupina(nullptr);
    EXPECT_EQ(user->Get_Skupina(), nullptr);
    EXPECT_EQ(user->GetOwnersCount(), 1);

    // Felling areas hang in "TEZ" and are not seen as user areas.
    auto* felling = new TTEZPlocha;
    felling->Set_Skupina(f.g7);
    EXPECT_EQ(felling->Get_Skupina(), f.g7);
    EXPECT_NE(f.g7->GetAreaCollection(Tgis_TezbaCollection::StaticClass()), nullptr);
    EXPECT_EQ(f.g7->GetAreaCollection(Tgis_UserCollection::StaticClass()), nullptr);
    EXPECT_EQ(felling->Get_Porost(), f.p1);
    // The area follows its group: moving it between stands is refused.
    felling->Set_Porost(f.p2);
    EXPECT_EQ(felling->Get_Skupina(), f.g7);
}

TEST(ForestUserAreas, MovingAGroupToAnotherStand) {
    SmallForest f;
    f.g7->Set_Porost(f.p2);
    EXPECT_EQ(f.g7->Get_Porost(), f.p2);
    EXPECT_EQ(f.p1->ItemsCount(), 2);
    EXPECT_EQ(f.p2->ItemsCount(), 2);
    EXPECT_EQ(f.g7->GetOwnersCount(), 1);
    // Into a stand that has no collection yet.
    auto* p3 = childOf<Tgis_Porost>(f.d12b, "3");
    f.g7->SetPropertyStringByName("_Porost", QString::number(objectToNumber(p3)));
    EXPECT_EQ(f.g7->Get_Porost(), p3);
    EXPECT_EQ(f.p2->ItemsCount(), 1);
    f.g7->Set_Porost(nullptr);
    EXPECT_EQ(f.g7->Get_Porost(), p3);
}

// ---- the cadastre --------------------------------------------------------------------------------

TEST(ForestCadastre, OwnerAndRegionThroughTheParcelLinks) {
    SmallForest f;
    Tgis_ParcelModel parcels;
    auto* ku = new Tgis_Katastr;
    ku->FKU_KOD = 612345;
    ku->FKU_Nazev = "Lhota";
    ku->FORP = 6101;
    ku->FORP_Nazev = "Jihlava";
    ku->FKraj = 108;
    ku->FKraj_Nazev = "Vysočina";
    parcels.AddElement(ku);
    auto* skp = new Tgis_SkupinaParcel;
    skp->FSK_PARC = 31;
    skp->FKATPAR_KOD = 2;
    skp->FLV = 455;
    ku->CheckSkupinyParcel()->AddElement(skp);
    auto* owners = new Tgis_Majitele;
    parcels.AddElement(owners);
    auto* owner = new Tgis_Majitel;
    owner->FFirstName = "Obec";
    owner->FSecondName = "Lhota";
    owner->FMAJ_KOD = 9001;
    owner->FMAJ_DRUH = 3;
    owner->FAdresa = "Lhota 1";
    owners->AddElement(owner);
    owner->AddElement(skp);
    auto* managers = new TGis_OLHs;
    parcels.AddElement(managers);
    auto* olh = new TGis_OLH;
    olh->SetName("Ing. Karel Les");
    olh->FOLH_ID = 77;
    olh->FPR_TIT = "Ing.";
    managers->AddElement(olh);
    olh->AddElement(skp);

    skp->AddPorost(f.p1);
    EXPECT_EQ(f.p1->GetSkupinaParcel(), skp);
    EXPECT_EQ(f.p1->GetVLASTNIK(), "9001");
    EXPECT_EQ(f.p1->GetKU_KOD(), 612345);
    const std::vector<std::pair<const char*, QString>> values = {
        {"VLASTNIK", "9001"},
        {"SK_PARC", "31"},
        {"KATPAR_KOD", "2"},
        {"KU_KOD", "612345"},
        {"KU_Nazev", "Lhota"},
        {"ORP", "6101"},
        {"ORP_Nazev", "Jihlava"},
        {"Kraj", "108"},
        {"Kraj_Nazev", "Vysočina"},
        {"MAJ_KOD", "9001"},
        {"MAJ_DRUH", "3"},
        {"MAJ_Name", "Obec Lhota"},
        {"MAJ_Adresa", "Lhota 1"},
        {"OLH_ID", "77"},
        {"OLH_PR_TIT", "Ing."},
        {"OLH_Name", "Ing. Karel Les"},
        {"LV", "455"},
        {"LVc", "455"},
    };
    for (const auto& [name, expected] : values) EXPECT_EQ(prop(f.g1a, name), expected) << name;
    EXPECT_EQ(f.g2_1->GetVLASTNIK(), "0");

    // A group linked on its own uses its own parcel group.
    auto* other = new Tgis_SkupinaParcel;
    other->FSK_PARC = 32;
    ku->GetSkupinyParcel()->AddElement(other);
    other->AddSkupina(f.g7);
    EXPECT_EQ(f.g7->GetSK_PARC(), 32);
    EXPECT_EQ(f.g7->GetVLASTNIK(), "0");
    EXPECT_EQ(f.g7->GetKU_KOD(), 612345);
    EXPECT_EQ(f.g1a->GetSK_PARC(), 31);
    // Linking twice holds once.
    other->AddSkupina(f.g7);
    EXPECT_EQ(other->GetSkupiny()->ElementsCount(), 1);
}
