#include "e_ParcelModel.h"

#include "framework/e_Class.h"

namespace zelto {

// ---- collections ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_ParcelCollection, TOwnerEntity, "e_ParcelModel")
QString Tgis_ParcelCollection::FixedName() const {
    return FName;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_SkupinyParcel, Tgis_ParcelCollection, "e_ParcelModel")
QString Tgis_SkupinyParcel::FixedName() const {
    return QStringLiteral("SkupinyParcel");
}
ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_Parcely, Tgis_ParcelCollection, "e_ParcelModel")
QString Tgis_Parcely::FixedName() const {
    return QStringLiteral("Parcely");
}
ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_KParcely, Tgis_ParcelCollection, "e_ParcelModel")
QString Tgis_KParcely::FixedName() const {
    return QStringLiteral("KParcely");
}
ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_ParCasti, Tgis_ParcelCollection, "e_ParcelModel")
QString Tgis_ParCasti::FixedName() const {
    return QStringLiteral("ParCasti");
}

// ---- Tgis_ParcelModel ----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_ParcelModel, TRectEntity, "e_ParcelModel")

Tgis_Katastr* Tgis_ParcelModel::GetKatastrKod(qint32 kod) const {
    for (TElement* e : FElements)
        if (auto* k = zelto_cast<Tgis_Katastr>(e); k && k->FKU_KOD == kod) return k;
    return nullptr;
}

// ---- Tgis_Katastr --------------------------------------------------------------------------------

void Tgis_Katastr::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_Katastr::FKU_KOD>("KU_KOD");
    b.field<&Tgis_Katastr::FKU_Nazev>("KU_Nazev");
    b.field<&Tgis_Katastr::FORP>("ORP");
    b.field<&Tgis_Katastr::FORP_Nazev>("ORP_Nazev");
    b.field<&Tgis_Katastr::FKraj>("Kraj");
    b.field<&Tgis_Katastr::FKraj_Nazev>("Kraj_Nazev");
}
ZELTO_IMPLEMENT_CLASS(Tgis_Katastr, TRectEntity, "e_ParcelModel")

Tgis_SkupinyParcel* Tgis_Katastr::GetSkupinyParcel() const {
    return static_cast<Tgis_SkupinyParcel*>(FindElementClass(Tgis_SkupinyParcel::StaticClass()));
}

Tgis_SkupinyParcel* Tgis_Katastr::CheckSkupinyParcel() {
    if (Tgis_SkupinyParcel* c = GetSkupinyParcel()) return c;
    auto* c = new Tgis_SkupinyParcel;
    AddElement(c);
    return c;
}

// ---- Tgis_SkupinaParcel --------------------------------------------------------------------------

void Tgis_SkupinaParcel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_SkupinaParcel::FSK_PARC>("SK_PARC");
    b.field<&Tgis_SkupinaParcel::FKATPAR_KOD>("KATPAR_KOD");
    b.field<&Tgis_SkupinaParcel::FLV>("LV");
    b.readOnly<&Tgis_SkupinaParcel::GetMajitel>("Majitel").stored(false);
    b.readOnly<&Tgis_SkupinaParcel::GetOLH>("OLH").stored(false);
    b.readOnly<&Tgis_SkupinaParcel::GetKatastr>("Katastr").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_SkupinaParcel, TRectEntity, "e_ParcelModel")

Tgis_Majitel* Tgis_SkupinaParcel::GetMajitel() const {
    return static_cast<Tgis_Majitel*>(FindOwnerClass(Tgis_Majitel::StaticClass()));
}

TGis_OLH* Tgis_SkupinaParcel::GetOLH() const {
    return static_cast<TGis_OLH*>(FindOwnerClass(TGis_OLH::StaticClass()));
}

Tgis_Katastr* Tgis_SkupinaParcel::GetKatastr() const {
    TEntity* c = FindOwnerClass(Tgis_SkupinyParcel::StaticClass());
    return c ? static_cast<Tgis_Katastr*>(c->FindOwnerClass(Tgis_Katastr::StaticClass())) : nullptr;
}

TForest_ParcelConnectionEntity* Tgis_SkupinaParcel::GetPorosty() const {
    return static_cast<TForest_ParcelConnectionEntity*>(
        FindElementClass(TForest_ParcelConnectionEntity::StaticClass()));
}

TForest_ParcelDetailConnectionEntity* Tgis_SkupinaParcel::GetSkupiny() const {
    return static_cast<TForest_ParcelDetailConnectionEntity*>(
        FindElementClass(TForest_ParcelDetailConnectionEntity::StaticClass()));
}

void Tgis_SkupinaParcel::AddPorost(TElement* stand) {
    if (!stand) return;
    TForest_ParcelConnectionEntity* c = GetPorosty();
    if (!c) {
        c = new TForest_ParcelConnectionEntity;
        AddElement(c);
    }
    if (c->IndexOf(stand) < 0) c->AddElement(stand);
}

void Tgis_SkupinaParcel::AddSkupina(TElement* group) {
    if (!group) return;
    TForest_ParcelDetailConnectionEntity* c = GetSkupiny();
    if (!c) {
        c = new TForest_ParcelDetailConnectionEntity;
        AddElement(c);
    }
    if (c->IndexOf(group) < 0) c->AddElement(group);
}

// ---- parcels -------------------------------------------------------------------------------------

void Tgis_ParcelaElement::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_ParcelaElement::FKmen>("Kmen");
    b.field<&Tgis_ParcelaElement::FPoddeleni>("Poddeleni");
    b.field<&Tgis_ParcelaElement::FVymera>("Vymera");
}
ZELTO_IMPLEMENT_CLASS(Tgis_ParcelaElement, TPropertyGeometryElement, "e_ParcelModel")

void Tgis_Parcela::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_Parcela::FLV>("LV");
}
ZELTO_IMPLEMENT_CLASS(Tgis_Parcela, Tgis_ParcelaElement, "e_ParcelModel")

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_ParcelaCast, Tgis_ParcelaElement, "e_ParcelModel")

// ---- owners and managers -------------------------------------------------------------------------

void Tgis_Majitel::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_Majitel::FMAJ_KOD>("MAJ_KOD");
    b.field<&Tgis_Majitel::FMAJ_DRUH>("MAJ_DRUH");
    b.field<&Tgis_Majitel::FAdresa>("Adresa");
}
ZELTO_IMPLEMENT_CLASS(Tgis_Majitel, TPersonElement, "e_ParcelModel")

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_Majitele, TPerson_Collection, "e_ParcelModel")

void TGis_OLH::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TGis_OLH::FOLH_ID>("OLH_ID");
    b.field<&TGis_OLH::FPR_TIT>("PR_TIT");
    b.field<&TGis_OLH::FAdresa>("Adresa");
}
ZELTO_IMPLEMENT_CLASS(TGis_OLH, TPersonElement, "e_ParcelModel")

ZELTO_IMPLEMENT_CLASS_NOPROPS(TGis_OLHs, TPerson_Collection, "e_ParcelModel")

void registerParcelModelClasses() {
    for (const TClassInfo* c :
         {&Tgis_ParcelModel::StaticClass(), &Tgis_Katastr::StaticClass(), &Tgis_SkupinyParcel::StaticClass(),
          &Tgis_Parcely::StaticClass(), &Tgis_KParcely::StaticClass(), &Tgis_ParCasti::StaticClass(),
          &Tgis_SkupinaParcel::StaticClass(), &Tgis_Parcela::StaticClass(), &Tgis_ParcelaCast::StaticClass(),
          &Tgis_Majitel::StaticClass(), &Tgis_Majitele::StaticClass(), &TGis_OLH::StaticClass(),
          &TGis_OLHs::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
