// The forest model: the units of a forest management plan from the plan area (LHC) down to the
// stand group (JPRL), each a geometry element whose geometry may be a multi-area. A unit keeps its
// children in one child collection of a fixed class and name, and finds its parent as the owner of
// the collection that holds it. The model itself (Tgis_ForestModel) holds the LHC units and a
// selection chain of "actual" units used to look units up level by level.
//
// Taxators are persons whose children are the units they surveyed; a unit's taxator is its owner of
// that class, and dílce, stands and groups follow the taxator of their parent.
#pragma once

#include "e_ParcelModel.h"
#include "e_Person.h"
#include "geometry/e_GeometryElement.h"

namespace zelto {

class Tgis_LHC;
class Tgis_LS;
class Tgis_Oddeleni;
class Tgis_Dilec;
class Tgis_Porost;
class Tgis_PorostniSkupina;
class Tgis_Taxator;
class Tgis_ForestModelCollection;
class Tgis_CisloForestUnit;

// Every unit of the forest model.
class Tgis_ForestUnit : public TPropertyGeometryElement {
    ZELTO_CLASS(Tgis_ForestUnit, TPropertyGeometryElement)
public:
    qint32 FZnacka = 0; // symbol number
    qint32 FBarva = 0;  // colour number

    // Going up the hierarchy; none where the level has no such parent or a link is missing.
    virtual Tgis_Dilec* Get_Dilec() const;
    virtual Tgis_LHC* Get_LHC() const;
    virtual Tgis_LS* Get_LS() const;
    virtual Tgis_Oddeleni* Get_Oddeleni() const;
    virtual Tgis_Porost* Get_Porost() const;
    // Area from the geometry and recorded area, both in hectares.
    virtual double GetPlocha() const;
    virtual double GetVymera() const;
    virtual void Set_Porost(Tgis_Porost* stand);
    virtual void SetPlocha(double value);
    virtual void SetVymera(double value);
    // The taxator responsible for the unit: the parent's when the unit follows a parent that has
    // one, else its own.
    virtual Tgis_Taxator* Get_Taxator() const;
    // Moves the unit to taxator t (none: removes it from its own); a unit with children also
    // clears the taxators of its descendants so that they follow it.
    virtual void Set_Taxator(Tgis_Taxator* t);
    // The code of the level whose taxator the unit follows ("ODD", "DIL", "POR", "PSK"), "?" when
    // none.
    virtual QString GetTaxPro() const;
    // Hands the unit's own taxator down to its descendants of class cls (those without a taxator
    // of their own) and detaches the unit from it.
    virtual void Reset_Taxator(const TClassInfo& cls);

    bool GetMultiElement() const override { return true; }
    const TClassInfo* GetMultiElementClass() const override;

    // The taxator that holds this unit itself, or none.
    Tgis_Taxator* GetOwnTaxator() const;
    QString GetTaxatorName() const;
    qint32 GetTaxatorPIN() const;
    qint32 GetBarva() const { return FBarva; }
    void SetBarva(qint32 v) { FBarva = v; }
    qint32 GetZnacka() const { return FZnacka; }
    void SetZnacka(qint32 v) { FZnacka = v; }

    // Codes derived from the hierarchy: the numbers of the LHC, its LHC_LCR, of the LS and the
    // division (0 when missing), the first letters of the dílec's and the stand's names (a space
    // when missing).
    qint32 lhcNumber() const;
    qint32 lhcLcr() const;
    qint32 lsNumber() const;
    qint16 oddeleniNumber() const;
    QChar dilecLetter() const;
    QChar porostLetter() const;

    // The child of class cls (the first), created and added when `create` is set.
    TEntity* ChildCollection(const TClassInfo& cls, bool create);

protected:
    // The unit whose taxator this one follows; none for the levels that answer their own.
    virtual Tgis_ForestUnit* TaxParent() const;
    // The rule of the following levels: the parent's code when the parent has a taxator, "?" when
    // neither has one, else `own`.
    QString followedTaxPro(const QString& own) const;
};

// The first character of a text, a space for an empty text.
QChar FirstLetter(const QString& text);

// A unit with children, kept in one child collection.
class Tgis_ItemsForestUnit : public Tgis_ForestUnit {
    ZELTO_CLASS(Tgis_ItemsForestUnit, Tgis_ForestUnit)
public:
    // The class of the children collection and of the children.
    virtual const TClassInfo* GetItemsClass() const;
    virtual const TClassInfo* GetItemClass() const;

    // Sums over the children.
    double GetPlocha() const override;
    double GetVymera() const override;
    void Set_Taxator(Tgis_Taxator* t) override;

    // The children collection: the first child of the collection class, remembered.
    Tgis_ForestModelCollection* GetItems() const;
    bool GetNoItems() const;
    // Creates the collection when missing.
    Tgis_ForestModelCollection* CheckItems();
    qint32 ItemsCount() const;
    // Child number i of the collection when it is a unit, else none.
    Tgis_ForestUnit* GetItem(int i) const;
    // The child of that name (the collection's name rule: letter case ignored).
    Tgis_ForestUnit* GetItemName(const QString& name) const;
    // The first child that is a numbered unit with that number.
    Tgis_CisloForestUnit* GetItemCislo(qint32 number) const;
    // A new child of the child class, named or numbered, added to the collection (created when
    // missing).
    Tgis_ForestUnit* CreateItemName(const QString& name);
    Tgis_ForestUnit* CreateItemCislo(qint32 number);
    // Recomputes, bottom up, the rectangle of every unit of this subtree that has children but no
    // geometry as the union of its children's rectangles.
    void UpdateAll();
    void SetUpdateAll(bool update) {
        if (update) UpdateAll();
    }

private:
    mutable Tgis_ForestModelCollection* m_items = nullptr; // a child; checked on use
};

// A numbered unit: its name is its number in decimal.
class Tgis_CisloForestUnit : public Tgis_ItemsForestUnit {
    ZELTO_CLASS(Tgis_CisloForestUnit, Tgis_ItemsForestUnit)
public:
    qint32 FCislo = 0;

    QString GetName() const override;
    // A text that is not an integer leaves the number unchanged.
    void SetName(const QString& name) override;

    qint32 GetCislo() const { return FCislo; }
    void SetCislo(qint32 v) { FCislo = v; }
};

// The plan area.
class Tgis_LHC : public Tgis_CisloForestUnit {
    ZELTO_CLASS(Tgis_LHC, Tgis_CisloForestUnit)
public:
    QString FNazev;
    qint32 FLHC_LCR = 0;
    qint32 FROK = 0; // first year of the plan
    QString FLHC_TAX;

    const TClassInfo* GetItemsClass() const override;
    const TClassInfo* GetItemClass() const override;
};

// A forest district.
class Tgis_LS : public Tgis_CisloForestUnit {
    ZELTO_CLASS(Tgis_LS, Tgis_CisloForestUnit)
public:
    QString FNazev;
    qint32 FLS = 0;
    QString FLS_NAZ;

    const TClassInfo* GetItemsClass() const override;
    const TClassInfo* GetItemClass() const override;
    Tgis_LHC* Get_LHC() const override;
};

// A division.
class Tgis_Oddeleni : public Tgis_CisloForestUnit {
    ZELTO_CLASS(Tgis_Oddeleni, Tgis_CisloForestUnit)
public:
    const TClassInfo* GetItemsClass() const override;
    const TClassInfo* GetItemClass() const override;
    Tgis_LHC* Get_LHC() const override;
    Tgis_LS* Get_LS() const override;
    QString GetTaxPro() const override;
};

// A sub-compartment, named by a letter.
class Tgis_Dilec : public Tgis_ItemsForestUnit {
    ZELTO_CLASS(Tgis_Dilec, Tgis_ItemsForestUnit)
public:
    const TClassInfo* GetItemsClass() const override;
    const TClassInfo* GetItemClass() const override;
    Tgis_LHC* Get_LHC() const override;
    Tgis_LS* Get_LS() const override;
    Tgis_Oddeleni* Get_Oddeleni() const override;
    QString GetTaxPro() const override;

    // The first letter of the stored name (an unnamed dílec answers a space, not the first letter
    // of its class name).
    QChar GetDilec() const { return FirstLetter(FName); }

protected:
    Tgis_ForestUnit* TaxParent() const override;
};

// A stand, named by one character.
class Tgis_Porost : public Tgis_ItemsForestUnit {
    ZELTO_CLASS(Tgis_Porost, Tgis_ItemsForestUnit)
public:
    quint8 FKVAL_P = 0;
    bool FMultiKatastr = false; // its groups lie in more than one parcel group
    QString FKATS;              // comma-separated categories
    QString FZVL_STATUT;        // comma-separated special statuses
    QString FKAT_Poznamka;

    const TClassInfo* GetItemsClass() const override;
    const TClassInfo* GetItemClass() const override;
    Tgis_LHC* Get_LHC() const override;
    Tgis_LS* Get_LS() const override;
    Tgis_Oddeleni* Get_Oddeleni() const override;
    Tgis_Dilec* Get_Dilec() const override;
    QString GetTaxPro() const override;
    // The geometry's area when the stand has one, else the sum over its groups.
    double GetPlocha() const override;
    // The geometry's recorded area (parts summed for a multi-area); 0 without an area geometry.
    double GetVymera() const override;

    // The first letter of the stored name, a space for an unnamed stand.
    QChar GetPorost() const { return FirstLetter(FName); }
    // Renames the stand to the one-character text c.
    void SetPorost(QChar c);
    // The parcel group that holds the stand through its "SKP_Porosty" link, and what hangs on it.
    Tgis_SkupinaParcel* GetSkupinaParcel() const;
    Tgis_Majitel* GetMajitel() const;
    TGis_OLH* GetOLH() const;
    qint32 GetSK_PARC() const;
    qint32 GetKU_KOD() const;
    // The owner number of the parcel group's owner; "0" when none.
    QString GetVLASTNIK() const;
    quint8 GetKATPAR_KOD() const;
    // The first category of the list; setting replaces the list by one category.
    QString GetKAT() const;
    void SetKAT(const QString& category);
    // Append an entry to the list unless it is empty or already listed.
    void SetNextKAT(const QString& category);
    void SetNextZVL_STATUT(const QString& status);

    quint8 GetKVAL_P() const { return FKVAL_P; }
    void SetKVAL_P(quint8 v) { FKVAL_P = v; }
    QString GetKATS() const { return FKATS; }
    void SetKATS(const QString& v) { FKATS = v; }
    QString GetZVL_STATUT() const { return FZVL_STATUT; }
    void SetZVL_STATUT(const QString& v) { FZVL_STATUT = v; }
    QString GetKAT_Poznamka() const { return FKAT_Poznamka; }
    void SetKAT_Poznamka(const QString& v) { FKAT_Poznamka = v; }

protected:
    Tgis_ForestUnit* TaxParent() const override;
};

// A stand group, the smallest unit (JPRL).
class Tgis_PorostniSkupina : public Tgis_ForestUnit {
    ZELTO_CLASS(Tgis_PorostniSkupina, Tgis_ForestUnit)
public:
    double FVymera = 0;
    quint8 FVEK_ST = 0; // age class
    quint8 FKVAL_P = 0;
    quint8 FLVS = 0;

    virtual QChar GetDilec() const;
    virtual quint8 GetKATPAR_KOD() const;
    virtual qint32 GetKU_KOD() const;
    // The geometry's recorded-area index when the group has an area geometry, else the field.
    virtual quint8 GetKVAL_P() const;
    virtual qint32 GetLHC() const;
    virtual qint32 GetLS_Kod() const;
    virtual qint16 GetOddeleni() const;
    virtual QChar GetPorost() const;
    virtual qint32 GetSK_PARC() const;
    virtual QString GetSkupina() const;
    // The owner number of the parcel group's owner; "0" when none.
    virtual QString GetVLASTNIK() const;
    // The code setters do nothing for a group placed in the hierarchy.
    virtual void SetDilec(QChar c);
    virtual void SetKATPAR_KOD(quint8 v);
    virtual void SetKU_KOD(qint32 v);
    // Stores the value and, with a plain area geometry, sets its recorded-area index (the parts of
    // a multi-area keep their own).
    virtual void SetKVAL_P(quint8 v);
    virtual void SetLHC(qint32 v);
    virtual void SetLS_KOD(qint32 v);
    virtual void SetOddeleni(qint16 v);
    virtual void SetPorost(QChar c);
    virtual void SetSK_PARC(qint32 v);
    // Renames the group.
    virtual void SetSkupina(const QString& name);
    virtual void SetVEK_ST(quint8 v);
    virtual void SetVLASTNIK(const QString& v);

    Tgis_LHC* Get_LHC() const override;
    Tgis_LS* Get_LS() const override;
    Tgis_Oddeleni* Get_Oddeleni() const override;
    Tgis_Dilec* Get_Dilec() const override;
    Tgis_Porost* Get_Porost() const override;
    // Moves the group into the given stand's collection (created when missing); none is ignored.
    void Set_Porost(Tgis_Porost* stand) override;
    // Hectares of the area geometry; 0 without one.
    double GetPlocha() const override;
    // The area geometry's recorded area; 0 without one.
    double GetVymera() const override;
    // Stores the value and, with a plain area geometry, sets its recorded area (the parts of a
    // multi-area keep their own).
    void SetVymera(double value) override;
    QString GetTaxPro() const override;
    qint32 GetGroup() const override { return 110; }
    // The group's own answer; when it is empty, the stand's.
    QString GetPropertyStringByName(const QString& name) const override;

    // The name up to the first "." without outer spaces (12.3 gives 12).
    QString GetPureSkupina() const;
    bool GetSameKVAL_P() const;
    quint8 GetVEK_ST() const { return FVEK_ST; }
    quint8 GetLVS() const { return FLVS; }
    void SetLVS(quint8 v) { FLVS = v; }
    qint32 GetKOD_SRF() const { return FZnacka; }

    // Values kept on the stand: empty (and not written) without one.
    QString GetKATS() const;
    void SetKATS(const QString& v);
    QString GetZVL_STATUT() const;
    void SetZVL_STATUT(const QString& v);
    QString GetKAT_Poznamka() const;
    void SetKAT_Poznamka(const QString& v);
    QString GetKAT() const;
    void SetKAT(const QString& v);
    void SetNextKAT(const QString& v);
    void SetNextZVL_STATUT(const QString& v);

    // The cadastre through the group's own "SKP_Skupiny" link, else through its stand's.
    Tgis_SkupinaParcel* GetSkupinaParcel() const;
    Tgis_Majitel* GetMajitel() const;
    TGis_OLH* GetOLH() const;
    Tgis_Katastr* GetKatastr() const;
    QString GetKU_KOD_() const;
    QString GetKU_Nazev() const;
    qint32 GetORP() const;
    QString GetORP_Nazev() const;
    qint32 GetKraj() const;
    QString GetKraj_Nazev() const;
    qint32 GetMAJ_DRUH() const;
    qint32 GetMAJ_KOD() const;
    QString GetMAJ_Name() const;
    QString GetMAJ_Adresa() const;
    qint32 GetOLH_ID() const;
    QString GetOLH_PR_TIT() const;
    QString GetOLH_Name() const;
    QString GetOLH_Adresa() const;
    qint32 GetLV() const;
    QString GetLVc() const;

    // The collections of user and felling areas hanging on the group (none when missing).
    TEntity* GetAreaCollection(const TClassInfo& cls) const;

protected:
    Tgis_ForestUnit* TaxParent() const override;
    // Only the geometry as an area (plain or multi), else none.
    TAreaElement* AreaGeometry() const;
};

// A stand group outside the hierarchy that keeps its codes itself. Not registered: streams never
// hold it.
class Tgis_PorostniSkupinaAlone : public Tgis_PorostniSkupina {
    ZELTO_CLASS(Tgis_PorostniSkupinaAlone, Tgis_PorostniSkupina)
public:
    qint32 FLHC = 0;
    qint32 FLS_Kod = 0;
    qint16 FOddeleni = 0;
    QChar FDilec = QLatin1Char(' ');
    QChar FPorost = QLatin1Char(' ');
    qint32 FSK_PARC = 0;
    qint32 FKU_KOD = 0;
    QString FVLASTNIK;
    quint8 FKATPAR_KOD = 0;

    QChar GetDilec() const override { return FDilec; }
    quint8 GetKATPAR_KOD() const override { return FKATPAR_KOD; }
    qint32 GetKU_KOD() const override { return FKU_KOD; }
    qint32 GetLHC() const override { return FLHC; }
    qint32 GetLS_Kod() const override { return FLS_Kod; }
    qint16 GetOddeleni() const override { return FOddeleni; }
    QChar GetPorost() const override { return FPorost; }
    qint32 GetSK_PARC() const override { return FSK_PARC; }
    QString GetVLASTNIK() const override { return FVLASTNIK; }
    void SetDilec(QChar c) override { FDilec = c; }
    void SetKATPAR_KOD(quint8 v) override { FKATPAR_KOD = v; }
    void SetKU_KOD(qint32 v) override { FKU_KOD = v; }
    void SetLHC(qint32 v) override { FLHC = v; }
    void SetLS_KOD(qint32 v) override { FLS_Kod = v; }
    void SetOddeleni(qint16 v) override { FOddeleni = v; }
    void SetPorost(QChar c) override { FPorost = c; }
    void SetSK_PARC(qint32 v) override { FSK_PARC = v; }
    void SetVLASTNIK(const QString& v) override { FVLASTNIK = v; }
};

// A storey.
class Tgis_Etaz : public Tgis_ForestUnit {
    ZELTO_CLASS(Tgis_Etaz, Tgis_ForestUnit)
};

// The base of the children collections: a fixed name that cannot be changed.
class Tgis_ForestModelCollection : public TOwnerEntity {
    ZELTO_CLASS(Tgis_ForestModelCollection, TOwnerEntity)
public:
    virtual QString FixedName() const;
    QString GetName() const override { return FixedName(); }
    void SetName(const QString&) override {}
    // Child number index when it is a unit, else none.
    Tgis_ForestUnit* GetForestUnit(int index) const;
};

class Tgis_LSCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_LSCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
};
class Tgis_OddeleniCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_OddeleniCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
};
class Tgis_DilecCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_DilecCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
};
class Tgis_PorostCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_PorostCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
};
class Tgis_PorostniSkupinaCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_PorostniSkupinaCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
};

// The user areas of a stand group ("USER").
class Tgis_UserCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_UserCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
    // The smallest positive n such that no child is named n in decimal.
    qint32 FindUserID() const;
};

// The felling areas of a stand group ("TEZ").
class Tgis_TezbaCollection : public Tgis_ForestModelCollection {
    ZELTO_CLASS(Tgis_TezbaCollection, Tgis_ForestModelCollection)
public:
    QString FixedName() const override;
};

// A taxator: its children are the units it is responsible for.
class Tgis_Taxator : public TPersonElement {
    ZELTO_CLASS(Tgis_Taxator, TPersonElement)
public:
    // Accepts only forest units it does not hold yet. When the unit followed the taxator of a
    // higher level, that level hands its taxator down to its descendants of the unit's class
    // first, so that only the unit changes hands; the unit leaves any other taxator.
    void AddElement(TElement* element) override;
};

class Tgis_Taxator_Collection : public TPerson_Collection {
    ZELTO_CLASS(Tgis_Taxator_Collection, TPerson_Collection)
};

// The units selected at each level of the forest hierarchy, top down (not owned). Selecting a
// level clears every level below it: those belonged to the previous selection. The forest model
// and the unit selector both keep such a chain.
struct TActualUnits {
    Tgis_LHC* lhc = nullptr;
    Tgis_LS* ls = nullptr;
    Tgis_Oddeleni* oddeleni = nullptr;
    Tgis_Dilec* dilec = nullptr;
    Tgis_Porost* porost = nullptr;
    Tgis_PorostniSkupina* skupina = nullptr;

    void setLHC(Tgis_LHC* unit) {
        lhc = unit;
        setLS(nullptr);
    }
    void setLS(Tgis_LS* unit) {
        ls = unit;
        setOddeleni(nullptr);
    }
    void setOddeleni(Tgis_Oddeleni* unit) {
        oddeleni = unit;
        setDilec(nullptr);
    }
    void setDilec(Tgis_Dilec* unit) {
        dilec = unit;
        setPorost(nullptr);
    }
    void setPorost(Tgis_Porost* unit) {
        porost = unit;
        setSkupina(nullptr);
    }
    void setSkupina(Tgis_PorostniSkupina* unit) { skupina = unit; }
};

// The ActualLHC ... ActualSkupina accessors of a class that keeps a TActualUnits in `chain`.
// clang-format off
#define ZELTO_ACTUAL_UNIT_ACCESSORS(chain)                                                         \
    Tgis_LHC* GetActualLHC() const { return chain.lhc; }                                           \
    Tgis_LS* GetActualLS() const { return chain.ls; }                                              \
    Tgis_Oddeleni* GetActualOddeleni() const { return chain.oddeleni; }                            \
    Tgis_Dilec* GetActualDilec() const { return chain.dilec; }                                     \
    Tgis_Porost* GetActualPorost() const { return chain.porost; }                                  \
    Tgis_PorostniSkupina* GetActualSkupina() const { return chain.skupina; }                       \
    void SetActualLHC(Tgis_LHC* unit) { chain.setLHC(unit); }                                      \
    void SetActualLS(Tgis_LS* unit) { chain.setLS(unit); }                                         \
    void SetActualOddeleni(Tgis_Oddeleni* unit) { chain.setOddeleni(unit); }                       \
    void SetActualDilec(Tgis_Dilec* unit) { chain.setDilec(unit); }                                \
    void SetActualPorost(Tgis_Porost* unit) { chain.setPorost(unit); }                             \
    void SetActualSkupina(Tgis_PorostniSkupina* unit) { chain.setSkupina(unit); }
// clang-format on

// Declares the properties ActualLHC ... ActualSkupina of C (which has those accessors), top down.
template <class C> void declareActualUnitProperties(TPropTableBuilder& b, bool stored) {
    b.prop<&C::GetActualLHC, &C::SetActualLHC>("ActualLHC").stored(stored);
    b.prop<&C::GetActualLS, &C::SetActualLS>("ActualLS").stored(stored);
    b.prop<&C::GetActualOddeleni, &C::SetActualOddeleni>("ActualOddeleni").stored(stored);
    b.prop<&C::GetActualDilec, &C::SetActualDilec>("ActualDilec").stored(stored);
    b.prop<&C::GetActualPorost, &C::SetActualPorost>("ActualPorost").stored(stored);
    b.prop<&C::GetActualSkupina, &C::SetActualSkupina>("ActualSkupina").stored(stored);
}

// The forest model read from a project's forest data file: its children are the LHC units.
class Tgis_ForestModel : public TRectEntity {
    ZELTO_CLASS(Tgis_ForestModel, TRectEntity)
public:
    TActualUnits FActual; // the selection chain
    bool FAutoCreate = false;

    ZELTO_ACTUAL_UNIT_ACCESSORS(FActual)

    // The first LHC child, or none.
    Tgis_LHC* GetFirstLHC() const;

    // Lookups level by level; the unit found (possibly none) becomes the actual one.
    Tgis_LHC* GetLHCCislo(qint32 number);
    Tgis_LS* GetLSCislo(qint32 number);
    Tgis_Oddeleni* GetOddeleniCislo(qint32 number);
    Tgis_Dilec* GetDilecName(const QString& name);
    Tgis_Porost* GetPorostName(const QString& name);
    Tgis_PorostniSkupina* GetSkupinaName(const QString& name);
    // The lookup, then, when nothing was found and the parent level is actual, a new unit under
    // the actual parent, which becomes actual.
    Tgis_LHC* CreateLHCCislo(qint32 number);
    Tgis_LS* CreateLSCislo(qint32 number);
    Tgis_Oddeleni* CreateOddeleniCislo(qint32 number);
    Tgis_Dilec* CreateDilecName(const QString& name);
    Tgis_Porost* CreatePorostName(const QString& name);
    Tgis_PorostniSkupina* CreateSkupinaName(const QString& name);
    Tgis_Porost* CreatePorost(qint32 aLHC, qint32 aLS, qint32 aOddeleni, const QString& aDilec,
                              const QString& aPorost);
    Tgis_PorostniSkupina* CreateSkupina(qint32 aLHC, qint32 aLS, qint32 aOddeleni, const QString& aDilec,
                                        const QString& aPorost, const QString& aSkupina);

    // The number (-1 when none) or name ("" when none) of the actual unit; writing looks the unit
    // up, or creates it when AutoCreate is set.
    qint32 GetLHC_Cislo() const;
    void SetLHC_Cislo(qint32 number);
    qint32 GetLHC_ROK() const;
    qint32 GetLS_Cislo() const;
    void SetLS_Cislo(qint32 number);
    qint32 GetOddeleni_Cislo() const;
    void SetOddeleni_Cislo(qint32 number);
    QString GetDilec_Name() const;
    void SetDilec_Name(const QString& name);
    QString GetPorost_Name() const;
    void SetPorost_Name(const QString& name);
    QString GetSkupina_Name() const;
    void SetSkupina_Name(const QString& name);
    bool GetAutoCreate() const { return FAutoCreate; }
    void SetAutoCreate(bool v) { FAutoCreate = v; }

    // Makes the first LHC actual when none is; the number of divisions over all LS of the actual
    // LHC.
    qint32 GetOddCount();
    // A new entity "ODDS" (the caller owns it) holding every division of the actual LHC, LS by LS.
    TOwnerEntity* FindOdds();
    // Recomputes the rectangles of the units without geometry, then the model's own.
    void UpdateAll();
    void SetUpdateAll(bool update) {
        if (update) UpdateAll();
    }
    // Sorts the levels in place: LHC, LS and divisions by number, dílce and stands by name, stand
    // groups by age class.
    void Sort();
    void SetSort(bool sort) {
        if (sort) Sort();
    }
};

void registerForestModelClasses();

} // namespace zelto
