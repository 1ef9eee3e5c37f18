// The cadastral side of the forest data: cadastral territories (Tgis_Katastr) with their parcels
// and parcel groups, the owners (Tgis_Majitel) and the professional forest managers (TGis_OLH).
// A parcel group belongs to its territory's "SkupinyParcel" collection; its owner and its manager
// are persons that hold it as a child; its stands and stand groups are linked through the
// connection entities of e_LHCModelSupport. The forest units read their owner, parcel and region
// codes through these links.
#pragma once

#include "e_LHCModelSupport.h"
#include "e_Person.h"
#include "geometry/e_GeometryElement.h"

namespace zelto {

class Tgis_Katastr;
class Tgis_Majitel;
class TGis_OLH;

// A collection of the cadastral model with a fixed name that cannot be changed.
class Tgis_ParcelCollection : public TOwnerEntity {
    ZELTO_CLASS(Tgis_ParcelCollection, TOwnerEntity)
public:
    virtual QString FixedName() const;
    QString GetName() const override { return FixedName(); }
    void SetName(const QString&) override {}
};

class Tgis_SkupinyParcel : public Tgis_ParcelCollection {
    ZELTO_CLASS(Tgis_SkupinyParcel, Tgis_ParcelCollection)
public:
    QString FixedName() const override;
};

class Tgis_Parcely : public Tgis_ParcelCollection {
    ZELTO_CLASS(Tgis_Parcely, Tgis_ParcelCollection)
public:
    QString FixedName() const override;
};

// The parcels of the land register (KN).
class Tgis_KParcely : public Tgis_ParcelCollection {
    ZELTO_CLASS(Tgis_KParcely, Tgis_ParcelCollection)
public:
    QString FixedName() const override;
};

// The parts of one parcel.
class Tgis_ParCasti : public Tgis_ParcelCollection {
    ZELTO_CLASS(Tgis_ParCasti, Tgis_ParcelCollection)
public:
    QString FixedName() const override;
};

// The root of a cadastral model: territories, owners and managers as children.
class Tgis_ParcelModel : public TRectEntity {
    ZELTO_CLASS(Tgis_ParcelModel, TRectEntity)
public:
    // The first territory child with that code, or none.
    Tgis_Katastr* GetKatastrKod(qint32 kod) const;
};

// A cadastral territory with the codes of its municipality (ORP) and region (Kraj).
class Tgis_Katastr : public TRectEntity {
    ZELTO_CLASS(Tgis_Katastr, TRectEntity)
public:
    qint32 FKU_KOD = 0;
    QString FKU_Nazev;
    qint32 FORP = 0;
    QString FORP_Nazev;
    qint32 FKraj = 0;
    QString FKraj_Nazev;

    // The parcel group collection (the first child of its class), created by CheckSkupinyParcel.
    Tgis_SkupinyParcel* GetSkupinyParcel() const;
    Tgis_SkupinyParcel* CheckSkupinyParcel();
};

// A group of parcels of one owner in one territory.
class Tgis_SkupinaParcel : public TRectEntity {
    ZELTO_CLASS(Tgis_SkupinaParcel, TRectEntity)
public:
    qint32 FSK_PARC = 0;
    quint8 FKATPAR_KOD = 0;
    qint32 FLV = 0; // number of the ownership sheet

    // The owner and the manager: the persons of those classes that hold the group.
    Tgis_Majitel* GetMajitel() const;
    TGis_OLH* GetOLH() const;
    // Its territory: the owner of the collection that holds the group.
    Tgis_Katastr* GetKatastr() const;
    // Link a stand (into "SKP_Porosty") or a stand group on its own (into "SKP_Skupiny"); the
    // entities are created when missing.
    void AddPorost(TElement* stand);
    void AddSkupina(TElement* group);
    TForest_ParcelConnectionEntity* GetPorosty() const;
    TForest_ParcelDetailConnectionEntity* GetSkupiny() const;
};

// A parcel or a part of one: parcel number (stem and subdivision) and recorded area.
class Tgis_ParcelaElement : public TPropertyGeometryElement {
    ZELTO_CLASS(Tgis_ParcelaElement, TPropertyGeometryElement)
public:
    qint32 FKmen = 0;
    qint32 FPoddeleni = 0;
    double FVymera = 0;
};

class Tgis_Parcela : public Tgis_ParcelaElement {
    ZELTO_CLASS(Tgis_Parcela, Tgis_ParcelaElement)
public:
    qint32 FLV = 0;
};

class Tgis_ParcelaCast : public Tgis_ParcelaElement {
    ZELTO_CLASS(Tgis_ParcelaCast, Tgis_ParcelaElement)
};

// An owner; its children are its parcel groups.
class Tgis_Majitel : public TPersonElement {
    ZELTO_CLASS(Tgis_Majitel, TPersonElement)
public:
    qint32 FMAJ_KOD = 0;  // owner number
    qint32 FMAJ_DRUH = 0; // kind of owner
    QString FAdresa;
};

class Tgis_Majitele : public TPerson_Collection {
    ZELTO_CLASS(Tgis_Majitele, TPerson_Collection)
};

// A professional forest manager; its children are the parcel groups it manages.
class TGis_OLH : public TPersonElement {
    ZELTO_CLASS(TGis_OLH, TPersonElement)
public:
    qint32 FOLH_ID = 0;
    QString FPR_TIT; // professional title
    QString FAdresa;
};

class TGis_OLHs : public TPerson_Collection {
    ZELTO_CLASS(TGis_OLHs, TPerson_Collection)
};

void registerParcelModelClasses();

} // namespace zelto
