#include "e_LHCModel.h"

#include "framework/TextLocale.h"
#include "framework/U_String.h"
#include "framework/e_Class.h"
#include "framework/t_Sort.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace zelto {

namespace {

// The parent of `e`: the owner of class Parent of its owner of class Coll.
template <class Coll, class Parent> Parent* parentVia(const TElement* e) {
    TEntity* c = e->FindOwnerClass(Coll::StaticClass());
    return c ? static_cast<Parent*>(c->FindOwnerClass(Parent::StaticClass())) : nullptr;
}

// The area of an area geometry in square metres, whichever way its rings run; the parts of a
// multi-area are summed by magnitude.
double areaOf(const TAreaElement* a) {
    if (const auto* multi = zelto_cast<TMultiAreaElement>(a)) {
        double sum = 0;
        for (TElement* e : multi->FElements)
            if (const auto* part = zelto_cast<TPolyElement>(e)) sum += std::abs(part->GetArea());
        return sum;
    }
    return std::abs(a->GetArea());
}

// A comma-separated list with `entry` appended unless it is empty or already listed.
QString appendListEntry(const QString& list, const QString& entry) {
    const QString e = entry.trimmed();
    if (e.isEmpty()) return list;
    for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (item.trimmed() == e) return list;
    return list.isEmpty() ? e : list + QLatin1Char(',') + e;
}

QString firstListEntry(const QString& list) {
    for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty()) return item.trimmed();
    return QString();
}

// Gives taxator t to the descendants of `unit` of class cls that have no taxator of their own
// (the descent stops at that class).
void handDownTaxator(const Tgis_ItemsForestUnit* unit, const TClassInfo& cls, Tgis_Taxator* t) {
    const Tgis_ForestModelCollection* items = unit->GetItems();
    if (!items) return;
    for (TElement* e : items->FElements) {
        auto* child = zelto_cast<Tgis_ForestUnit>(e);
        if (!child) continue;
        if (child->InheritsFrom(cls)) {
            // The plain container addition: this is not a change of hands that must propagate.
            if (!child->GetOwnTaxator()) t->TPersonElement::AddElement(child);
        } else if (const auto* inner = zelto_cast<Tgis_ItemsForestUnit>(child)) {
            handDownTaxator(inner, cls, t);
        }
    }
}

const QString Unknown = QStringLiteral("?");

} // namespace

QChar FirstLetter(const QString& text) {
    return text.isEmpty() ? QLatin1Char(' ') : text.at(0);
}

// ---- Tgis_ForestUnit -----------------------------------------------------------------------------

void Tgis_ForestUnit::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_ForestUnit::GetBarva, &Tgis_ForestUnit::SetBarva>("Barva");
    b.prop<&Tgis_ForestUnit::GetZnacka, &Tgis_ForestUnit::SetZnacka>("Znacka");
    b.prop<&Tgis_ForestUnit::Get_Taxator, &Tgis_ForestUnit::Set_Taxator>("_Taxator").stored(false);
    b.readOnly<&Tgis_ForestUnit::GetTaxatorName>("Taxator").stored(false);
    b.readOnly<&Tgis_ForestUnit::GetTaxatorPIN>("TaxatorPIN").stored(false);
    b.readOnly<&Tgis_ForestUnit::GetTaxPro>("TaxPro").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_ForestUnit, TPropertyGeometryElement, "e_LHCModel")

Tgis_Dilec* Tgis_ForestUnit::Get_Dilec() const {
    return nullptr;
}
Tgis_LHC* Tgis_ForestUnit::Get_LHC() const {
    return nullptr;
}
Tgis_LS* Tgis_ForestUnit::Get_LS() const {
    return nullptr;
}
Tgis_Oddeleni* Tgis_ForestUnit::Get_Oddeleni() const {
    return nullptr;
}
Tgis_Porost* Tgis_ForestUnit::Get_Porost() const {
    return nullptr;
}
double Tgis_ForestUnit::GetPlocha() const {
    return 0;
}
double Tgis_ForestUnit::GetVymera() const {
    return 0;
}
void Tgis_ForestUnit::Set_Porost(Tgis_Porost*) {}
void Tgis_ForestUnit::SetPlocha(double) {}
void Tgis_ForestUnit::SetVymera(double) {}

const TClassInfo* Tgis_ForestUnit::GetMultiElementClass() const {
    return &TMultiAreaElement::StaticClass();
}

Tgis_ForestUnit* Tgis_ForestUnit::TaxParent() const {
    return nullptr;
}

Tgis_Taxator* Tgis_ForestUnit::GetOwnTaxator() const {
    return static_cast<Tgis_Taxator*>(FindOwnerClass(Tgis_Taxator::StaticClass()));
}

Tgis_Taxator* Tgis_ForestUnit::Get_Taxator() const {
    if (const Tgis_ForestUnit* parent = TaxParent())
        if (Tgis_Taxator* t = parent->Get_Taxator()) return t;
    return GetOwnTaxator();
}

void Tgis_ForestUnit::Set_Taxator(Tgis_Taxator* t) {
    Tgis_Taxator* own = GetOwnTaxator();
    if (own == t) return;
    if (own) own->RemoveElement(this);
    if (t) t->AddElement(this);
}

QString Tgis_ForestUnit::GetTaxPro() const {
    return Unknown;
}

QString Tgis_ForestUnit::followedTaxPro(const QString& own) const {
    if (const Tgis_ForestUnit* parent = TaxParent(); parent && parent->Get_Taxator())
        return parent->GetTaxPro();
    if (!GetOwnTaxator()) return Unknown;
    return own;
}

void Tgis_ForestUnit::Reset_Taxator(const TClassInfo& cls) {
    Tgis_Taxator* t = GetOwnTaxator();
    if (!t) return;
    t->RemoveElement(this);
    if (const auto* items = zelto_cast<Tgis_ItemsForestUnit>(this)) handDownTaxator(items, cls, t);
}

QString Tgis_ForestUnit::GetTaxatorName() const {
    const Tgis_Taxator* t = Get_Taxator();
    return t ? t->GetName() : QStringLiteral("-");
}

qint32 Tgis_ForestUnit::GetTaxatorPIN() const {
    const Tgis_Taxator* t = Get_Taxator();
    return t ? t->FPIN : 0;
}

qint32 Tgis_ForestUnit::lhcNumber() const {
    const Tgis_LHC* lhc = Get_LHC();
    return lhc ? lhc->FCislo : 0;
}
qint32 Tgis_ForestUnit::lhcLcr() const {
    const Tgis_LHC* lhc = Get_LHC();
    return lhc ? lhc->FLHC_LCR : 0;
}
qint32 Tgis_ForestUnit::lsNumber() const {
    const Tgis_LS* ls = Get_LS();
    return ls ? ls->FCislo : 0;
}
qint16 Tgis_ForestUnit::oddeleniNumber() const {
    const Tgis_Oddeleni* o = Get_Oddeleni();
    return o ? qint16(o->FCislo) : qint16(0);
}
QChar Tgis_ForestUnit::dilecLetter() const {
    const Tgis_Dilec* d = Get_Dilec();
    return d ? d->GetDilec() : QLatin1Char(' ');
}
QChar Tgis_ForestUnit::porostLetter() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->GetPorost() : QLatin1Char(' ');
}

TEntity* Tgis_ForestUnit::ChildCollection(const TClassInfo& cls, bool create) {
    if (auto* found = zelto_cast<TEntity>(FindElementClass(cls))) return found;
    if (!create) return nullptr;
    auto* made = zelto_cast<TEntity>(cls.create());
    if (made) AddElement(made);
    return made;
}

// ---- Tgis_ItemsForestUnit ------------------------------------------------------------------------

void Tgis_ItemsForestUnit::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&Tgis_ItemsForestUnit::GetItems>("Items").stored(false);
    b.readOnly<&Tgis_ItemsForestUnit::GetNoItems>("NoItems").stored(false);
    b.writeOnly<&Tgis_ItemsForestUnit::SetUpdateAll>("UpdateAll").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_ItemsForestUnit, Tgis_ForestUnit, "e_LHCModel")

const TClassInfo* Tgis_ItemsForestUnit::GetItemsClass() const {
    return nullptr;
}
const TClassInfo* Tgis_ItemsForestUnit::GetItemClass() const {
    return nullptr;
}

Tgis_ForestModelCollection* Tgis_ItemsForestUnit::GetItems() const {
    const TClassInfo* cls = GetItemsClass();
    if (!cls) return nullptr;
    if (m_items && IndexOf(m_items) >= 0 && m_items->InheritsFrom(*cls)) return m_items;
    m_items = nullptr;
    for (TElement* e : FElements)
        if (e && e->InheritsFrom(*cls))
            if (auto* c = zelto_cast<Tgis_ForestModelCollection>(e)) return m_items = c;
    return nullptr;
}

bool Tgis_ItemsForestUnit::GetNoItems() const {
    const Tgis_ForestModelCollection* items = GetItems();
    return !items || items->ElementsCount() == 0;
}

Tgis_ForestModelCollection* Tgis_ItemsForestUnit::CheckItems() {
    if (Tgis_ForestModelCollection* items = GetItems()) return items;
    const TClassInfo* cls = GetItemsClass();
    if (!cls) return nullptr;
    TPersistent* made = cls->create();
    auto* items = zelto_cast<Tgis_ForestModelCollection>(made);
    if (!items) {
        delete made;
        return nullptr;
    }
    AddElement(items);
    return m_items = items;
}

qint32 Tgis_ItemsForestUnit::ItemsCount() const {
    const Tgis_ForestModelCollection* items = GetItems();
    return items ? items->ElementsCount() : 0;
}

Tgis_ForestUnit* Tgis_ItemsForestUnit::GetItem(int i) const {
    const Tgis_ForestModelCollection* items = GetItems();
    return items ? items->GetForestUnit(i) : nullptr;
}

Tgis_ForestUnit* Tgis_ItemsForestUnit::GetItemName(const QString& name) const {
    const Tgis_ForestModelCollection* items = GetItems();
    return items ? zelto_cast<Tgis_ForestUnit>(items->FindElementName(name)) : nullptr;
}

Tgis_CisloForestUnit* Tgis_ItemsForestUnit::GetItemCislo(qint32 number) const {
    const Tgis_ForestModelCollection* items = GetItems();
    if (!items) return nullptr;
    for (TElement* e : items->FElements)
        if (auto* u = zelto_cast<Tgis_CisloForestUnit>(e); u && u->FCislo == number) return u;
    return nullptr;
}

Tgis_ForestUnit* Tgis_ItemsForestUnit::CreateItemName(const QString& name) {
    const TClassInfo* cls = GetItemClass();
    Tgis_ForestModelCollection* items = CheckItems();
    if (!cls || !items) return nullptr;
    TPersistent* made = cls->create();
    auto* unit = zelto_cast<Tgis_ForestUnit>(made);
    if (!unit) {
        delete made;
        return nullptr;
    }
    unit->SetName(name);
    items->AddElement(unit);
    return unit;
}

Tgis_ForestUnit* Tgis_ItemsForestUnit::CreateItemCislo(qint32 number) {
    Tgis_ForestUnit* unit = CreateItemName(QString::number(number));
    if (auto* numbered = zelto_cast<Tgis_CisloForestUnit>(unit)) numbered->FCislo = number;
    return unit;
}

double Tgis_ItemsForestUnit::GetPlocha() const {
    double sum = 0;
    if (const Tgis_ForestModelCollection* items = GetItems())
        for (TElement* e : items->FElements)
            if (const auto* u = zelto_cast<Tgis_ForestUnit>(e)) sum += u->GetPlocha();
    return sum;
}

double Tgis_ItemsForestUnit::GetVymera() const {
    double sum = 0;
    if (const Tgis_ForestModelCollection* items = GetItems())
        for (TElement* e : items->FElements)
            if (const auto* u = zelto_cast<Tgis_ForestUnit>(e)) sum += u->GetVymera();
    return sum;
}

void Tgis_ItemsForestUnit::Set_Taxator(Tgis_Taxator* t) {
    Tgis_ForestUnit::Set_Taxator(t);
    // The children follow this unit from now on.
    if (const Tgis_ForestModelCollection* items = GetItems())
        for (TElement* e : items->FElements)
            if (auto* u = zelto_cast<Tgis_ForestUnit>(e)) u->Set_Taxator(nullptr);
}

void Tgis_ItemsForestUnit::UpdateAll() {
    const Tgis_ForestModelCollection* items = GetItems();
    if (!items || items->ElementsCount() == 0) return;
    for (TElement* e : items->FElements)
        if (auto* u = zelto_cast<Tgis_ItemsForestUnit>(e)) u->UpdateAll();
    if (HasGeometry()) return;
    GetRect()->Reset();
    for (TElement* e : items->FElements) UpdateRect(e);
}

// ---- Tgis_CisloForestUnit ------------------------------------------------------------------------

void Tgis_CisloForestUnit::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_CisloForestUnit::GetCislo, &Tgis_CisloForestUnit::SetCislo>("Cislo");
}
ZELTO_IMPLEMENT_CLASS(Tgis_CisloForestUnit, Tgis_ItemsForestUnit, "e_LHCModel")

QString Tgis_CisloForestUnit::GetName() const {
    return QString::number(FCislo);
}

void Tgis_CisloForestUnit::SetName(const QString& name) {
    qint32 v = 0;
    if (tryParseInt32(name.trimmed(), v)) FCislo = v;
}

// ---- Tgis_LHC ------------------------------------------------------------------------------------

void Tgis_LHC::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_LHC::FNazev>("Nazev");
    b.field<&Tgis_LHC::FLHC_LCR>("LHC_LCR");
    b.field<&Tgis_LHC::FROK>("ROK");
    b.field<&Tgis_LHC::FLHC_TAX>("LHC_TAX");
    b.prop<&Tgis_LHC::GetPlocha, &Tgis_LHC::SetPlocha>("Plocha").stored(false);
    b.prop<&Tgis_LHC::GetVymera, &Tgis_LHC::SetVymera>("Vymera").stored(false);
    b.readOnly<&Tgis_LHC::GetCislo>("LHC_KOD").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_LHC, Tgis_CisloForestUnit, "e_LHCModel")

const TClassInfo* Tgis_LHC::GetItemsClass() const {
    return &Tgis_LSCollection::StaticClass();
}
const TClassInfo* Tgis_LHC::GetItemClass() const {
    return &Tgis_LS::StaticClass();
}

// ---- Tgis_LS -------------------------------------------------------------------------------------

void Tgis_LS::DeclareProperties(TPropTableBuilder& b) {
    b.field<&Tgis_LS::FNazev>("Nazev");
    b.field<&Tgis_LS::FLS>("LS");
    b.field<&Tgis_LS::FLS_NAZ>("LS_NAZ");
    b.prop<&Tgis_LS::GetPlocha, &Tgis_LS::SetPlocha>("Plocha").stored(false);
    b.prop<&Tgis_LS::GetVymera, &Tgis_LS::SetVymera>("Vymera").stored(false);
    b.readOnly<&Tgis_LS::lhcNumber>("LHC").stored(false);
    b.readOnly<&Tgis_LS::lhcLcr>("LHC_LCR").stored(false);
    b.readOnly<&Tgis_LS::GetCislo>("LS_KOD").stored(false);
    b.readOnly<&Tgis_LS::GetCislo>("REVIR").stored(false);
    b.readOnly<&Tgis_LS::FNazev>("REV_NAZ").stored(false);
    b.readOnly<&Tgis_LS::Get_LHC>("_LHC").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_LS, Tgis_CisloForestUnit, "e_LHCModel")

const TClassInfo* Tgis_LS::GetItemsClass() const {
    return &Tgis_OddeleniCollection::StaticClass();
}
const TClassInfo* Tgis_LS::GetItemClass() const {
    return &Tgis_Oddeleni::StaticClass();
}
Tgis_LHC* Tgis_LS::Get_LHC() const {
    return parentVia<Tgis_LSCollection, Tgis_LHC>(this);
}

// ---- Tgis_Oddeleni -------------------------------------------------------------------------------

void Tgis_Oddeleni::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_Oddeleni::GetPlocha, &Tgis_Oddeleni::SetPlocha>("Plocha").stored(false);
    b.prop<&Tgis_Oddeleni::GetVymera, &Tgis_Oddeleni::SetVymera>("Vymera").stored(false);
    b.readOnly<&Tgis_Oddeleni::lhcNumber>("LHC").stored(false);
    b.readOnly<&Tgis_Oddeleni::lhcLcr>("LHC_LCR").stored(false);
    b.readOnly<&Tgis_Oddeleni::lsNumber>("LS_KOD").stored(false);
    b.readOnly<&Tgis_Oddeleni::GetCislo>("Oddeleni").stored(false);
    b.readOnly<&Tgis_Oddeleni::GetCislo>("ODD").stored(false);
    b.readOnly<&Tgis_Oddeleni::Get_LHC>("_LHC").stored(false);
    b.readOnly<&Tgis_Oddeleni::Get_LS>("_LS").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_Oddeleni, Tgis_CisloForestUnit, "e_LHCModel")

const TClassInfo* Tgis_Oddeleni::GetItemsClass() const {
    return &Tgis_DilecCollection::StaticClass();
}
const TClassInfo* Tgis_Oddeleni::GetItemClass() const {
    return &Tgis_Dilec::StaticClass();
}
Tgis_LHC* Tgis_Oddeleni::Get_LHC() const {
    const Tgis_LS* ls = Get_LS();
    return ls ? ls->Get_LHC() : nullptr;
}
Tgis_LS* Tgis_Oddeleni::Get_LS() const {
    return parentVia<Tgis_OddeleniCollection, Tgis_LS>(this);
}
QString Tgis_Oddeleni::GetTaxPro() const {
    return QStringLiteral("ODD");
}

// ---- Tgis_Dilec ----------------------------------------------------------------------------------

void Tgis_Dilec::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_Dilec::GetPlocha, &Tgis_Dilec::SetPlocha>("Plocha").stored(false);
    b.prop<&Tgis_Dilec::GetVymera, &Tgis_Dilec::SetVymera>("Vymera").stored(false);
    b.readOnly<&Tgis_Dilec::lsNumber>("LS_Kod").stored(false);
    b.readOnly<&Tgis_Dilec::lhcNumber>("LHC").stored(false);
    b.readOnly<&Tgis_Dilec::oddeleniNumber>("Oddeleni").stored(false);
    b.readOnly<&Tgis_Dilec::GetDilec>("Dilec").stored(false);
    b.readOnly<&Tgis_Dilec::GetDilec>("DIL").stored(false);
    b.readOnly<&Tgis_Dilec::Get_LHC>("_LHC").stored(false);
    b.readOnly<&Tgis_Dilec::Get_LS>("_LS").stored(false);
    b.readOnly<&Tgis_Dilec::Get_Oddeleni>("_Oddeleni").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_Dilec, Tgis_ItemsForestUnit, "e_LHCModel")

const TClassInfo* Tgis_Dilec::GetItemsClass() const {
    return &Tgis_PorostCollection::StaticClass();
}
const TClassInfo* Tgis_Dilec::GetItemClass() const {
    return &Tgis_Porost::StaticClass();
}
Tgis_LHC* Tgis_Dilec::Get_LHC() const {
    const Tgis_Oddeleni* o = Get_Oddeleni();
    return o ? o->Get_LHC() : nullptr;
}
Tgis_LS* Tgis_Dilec::Get_LS() const {
    const Tgis_Oddeleni* o = Get_Oddeleni();
    return o ? o->Get_LS() : nullptr;
}
Tgis_Oddeleni* Tgis_Dilec::Get_Oddeleni() const {
    return parentVia<Tgis_DilecCollection, Tgis_Oddeleni>(this);
}
Tgis_ForestUnit* Tgis_Dilec::TaxParent() const {
    return Get_Oddeleni();
}
QString Tgis_Dilec::GetTaxPro() const {
    return followedTaxPro(QStringLiteral("DIL"));
}

// ---- Tgis_Porost ---------------------------------------------------------------------------------

void Tgis_Porost::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_Porost::GetKVAL_P, &Tgis_Porost::SetKVAL_P>("KVAL_P");
    b.prop<&Tgis_Porost::GetKATS, &Tgis_Porost::SetKATS>("KATS");
    b.prop<&Tgis_Porost::GetZVL_STATUT, &Tgis_Porost::SetZVL_STATUT>("ZVL_STATUT");
    b.prop<&Tgis_Porost::GetKAT_Poznamka, &Tgis_Porost::SetKAT_Poznamka>("KAT_Poznamka");
    b.field<&Tgis_Porost::FMultiKatastr>("MultiKatastr");
    b.prop<&Tgis_Porost::GetPlocha, &Tgis_Porost::SetPlocha>("Plocha").stored(false);
    b.prop<&Tgis_Porost::GetVymera, &Tgis_Porost::SetVymera>("Vymera").stored(false);
    b.readOnly<&Tgis_Porost::GetSkupinaParcel>("SkupinaParcel").stored(false);
    b.readOnly<&Tgis_Porost::GetMajitel>("Majitel").stored(false);
    b.readOnly<&Tgis_Porost::GetOLH>("OLH").stored(false);
    b.readOnly<&Tgis_Porost::lhcNumber>("LHC").stored(false);
    b.readOnly<&Tgis_Porost::lhcLcr>("LHC_LCR").stored(false);
    b.readOnly<&Tgis_Porost::lsNumber>("LS_Kod").stored(false);
    b.readOnly<&Tgis_Porost::oddeleniNumber>("Oddeleni").stored(false);
    b.readOnly<&Tgis_Porost::dilecLetter>("Dilec").stored(false);
    b.prop<&Tgis_Porost::GetPorost, &Tgis_Porost::SetPorost>("Porost").stored(false);
    b.prop<&Tgis_Porost::GetPorost, &Tgis_Porost::SetPorost>("POR").stored(false);
    b.readOnly<&Tgis_Porost::GetSK_PARC>("SK_PARC").stored(false);
    b.readOnly<&Tgis_Porost::GetKU_KOD>("KU_KOD").stored(false);
    b.readOnly<&Tgis_Porost::GetVLASTNIK>("VLASTNIK").stored(false);
    b.readOnly<&Tgis_Porost::GetKATPAR_KOD>("KATPAR_KOD").stored(false);
    b.prop<&Tgis_Porost::GetKAT, &Tgis_Porost::SetKAT>("KAT").stored(false);
    b.writeOnly<&Tgis_Porost::SetNextKAT>("NextKAT").stored(false);
    b.writeOnly<&Tgis_Porost::SetNextZVL_STATUT>("NextZVL_STATUT").stored(false);
    b.readOnly<&Tgis_Porost::Get_LHC>("_LHC").stored(false);
    b.readOnly<&Tgis_Porost::Get_LS>("_LS").stored(false);
    b.readOnly<&Tgis_Porost::Get_Oddeleni>("_Oddeleni").stored(false);
    b.readOnly<&Tgis_Porost::Get_Dilec>("_Dilec").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_Porost, Tgis_ItemsForestUnit, "e_LHCModel")

const TClassInfo* Tgis_Porost::GetItemsClass() const {
    return &Tgis_PorostniSkupinaCollection::StaticClass();
}
const TClassInfo* Tgis_Porost::GetItemClass() const {
    return &Tgis_PorostniSkupina::StaticClass();
}
Tgis_LHC* Tgis_Porost::Get_LHC() const {
    const Tgis_Dilec* d = Get_Dilec();
    return d ? d->Get_LHC() : nullptr;
}
Tgis_LS* Tgis_Porost::Get_LS() const {
    const Tgis_Dilec* d = Get_Dilec();
    return d ? d->Get_LS() : nullptr;
}
Tgis_Oddeleni* Tgis_Porost::Get_Oddeleni() const {
    const Tgis_Dilec* d = Get_Dilec();
    return d ? d->Get_Oddeleni() : nullptr;
}
Tgis_Dilec* Tgis_Porost::Get_Dilec() const {
    return parentVia<Tgis_PorostCollection, Tgis_Dilec>(this);
}
Tgis_ForestUnit* Tgis_Porost::TaxParent() const {
    return Get_Dilec();
}
QString Tgis_Porost::GetTaxPro() const {
    return followedTaxPro(QStringLiteral("POR"));
}

double Tgis_Porost::GetPlocha() const {
    // Hectares like the groups' values, so that the sums of the higher levels stay in one unit.
    if (const TGeometry* g = GetGeometry()) {
        const auto* area = zelto_cast<TAreaElement>(g);
        return area ? areaOf(area) / 10000 : 0;
    }
    return Tgis_ItemsForestUnit::GetPlocha();
}

double Tgis_Porost::GetVymera() const {
    const auto* area = zelto_cast<TAreaElement>(GetGeometry());
    return area ? area->GetFixedArea() : 0;
}

void Tgis_Porost::SetPorost(QChar c) {
    SetName(QString(c));
}

Tgis_SkupinaParcel* Tgis_Porost::GetSkupinaParcel() const {
    return parentVia<TForest_ParcelConnectionEntity, Tgis_SkupinaParcel>(this);
}
Tgis_Majitel* Tgis_Porost::GetMajitel() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->GetMajitel() : nullptr;
}
TGis_OLH* Tgis_Porost::GetOLH() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->GetOLH() : nullptr;
}
qint32 Tgis_Porost::GetSK_PARC() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->FSK_PARC : 0;
}
qint32 Tgis_Porost::GetKU_KOD() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    const Tgis_Katastr* k = s ? s->GetKatastr() : nullptr;
    return k ? k->FKU_KOD : 0;
}
QString Tgis_Porost::GetVLASTNIK() const {
    const Tgis_Majitel* m = GetMajitel();
    return QString::number(m ? m->FMAJ_KOD : 0);
}
quint8 Tgis_Porost::GetKATPAR_KOD() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->FKATPAR_KOD : quint8(0);
}
QString Tgis_Porost::GetKAT() const {
    return firstListEntry(FKATS);
}
void Tgis_Porost::SetKAT(const QString& category) {
    FKATS = category.trimmed();
}
void Tgis_Porost::SetNextKAT(const QString& category) {
    FKATS = appendListEntry(FKATS, category);
}
void Tgis_Porost::SetNextZVL_STATUT(const QString& status) {
    FZVL_STATUT = appendListEntry(FZVL_STATUT, status);
}

// ---- Tgis_PorostniSkupina ------------------------------------------------------------------------

void Tgis_PorostniSkupina::DeclareProperties(TPropTableBuilder& b) {
    using S = Tgis_PorostniSkupina;
    b.prop<&S::GetVymera, &S::SetVymera>("Vymera");
    b.prop<&S::GetKVAL_P, &S::SetKVAL_P>("KVAL_P");
    b.prop<&S::GetVEK_ST, &S::SetVEK_ST>("VEK_ST");
    b.prop<&S::GetVLASTNIK, &S::SetVLASTNIK>("VLASTNIK");
    b.prop<&S::GetKATS, &S::SetKATS>("KATS");
    b.prop<&S::GetZVL_STATUT, &S::SetZVL_STATUT>("ZVL_STATUT");
    b.prop<&S::GetKAT_Poznamka, &S::SetKAT_Poznamka>("KAT_Poznamka");
    b.prop<&S::GetLVS, &S::SetLVS>("LVS");
    b.prop<&S::GetPlocha, &S::SetPlocha>("Plocha").stored(false);
    b.readOnly<&S::GetSkupinaParcel>("SkupinaParcel").stored(false);
    b.readOnly<&S::GetMajitel>("Majitel").stored(false);
    b.readOnly<&S::GetOLH>("OLH").stored(false);
    b.prop<&S::GetLHC, &S::SetLHC>("LHC").stored(false);
    b.readOnly<&S::lhcLcr>("LHC_LCR").stored(false);
    b.prop<&S::GetLS_Kod, &S::SetLS_KOD>("LS_Kod").stored(false);
    b.prop<&S::GetOddeleni, &S::SetOddeleni>("Oddeleni").stored(false);
    b.prop<&S::GetDilec, &S::SetDilec>("Dilec").stored(false);
    b.prop<&S::GetPorost, &S::SetPorost>("Porost").stored(false);
    b.prop<&S::GetSK_PARC, &S::SetSK_PARC>("SK_PARC").stored(false);
    b.readOnly<&S::GetSameKVAL_P>("SameKVAL_P").stored(false);
    b.prop<&S::GetKU_KOD, &S::SetKU_KOD>("KU_KOD").stored(false);
    b.readOnly<&S::GetKU_KOD_>("KU_KOD_").stored(false);
    b.readOnly<&S::GetKU_Nazev>("KU_Nazev").stored(false);
    b.readOnly<&S::GetORP>("ORP").stored(false);
    b.readOnly<&S::GetORP_Nazev>("ORP_Nazev").stored(false);
    b.readOnly<&S::GetKraj>("Kraj").stored(false);
    b.readOnly<&S::GetKraj_Nazev>("Kraj_Nazev").stored(false);
    b.prop<&S::GetKATPAR_KOD, &S::SetKATPAR_KOD>("KATPAR_KOD").stored(false);
    b.prop<&S::GetSkupina, &S::SetSkupina>("Skupina").stored(false);
    b.readOnly<&S::GetSkupina>("PSK").stored(false);
    b.readOnly<&S::GetSkupina>("BZL").stored(false);
    b.readOnly<&S::GetSkupina>("OP").stored(false);
    b.readOnly<&S::GetSkupina>("JP").stored(false);
    b.readOnly<&S::GetPureSkupina>("PureSkupina").stored(false);
    b.readOnly<&S::GetKOD_SRF>("KOD_SRF").stored(false);
    b.readOnly<&S::GetMAJ_DRUH>("MAJ_DRUH").stored(false);
    b.readOnly<&S::GetMAJ_KOD>("MAJ_KOD").stored(false);
    b.readOnly<&S::GetMAJ_Name>("MAJ_Name").stored(false);
    b.readOnly<&S::GetMAJ_Adresa>("MAJ_Adresa").stored(false);
    b.readOnly<&S::GetOLH_ID>("OLH_ID").stored(false);
    b.readOnly<&S::GetOLH_PR_TIT>("OLH_PR_TIT").stored(false);
    b.readOnly<&S::GetOLH_Name>("OLH_Name").stored(false);
    b.readOnly<&S::GetOLH_Adresa>("OLH_Adresa").stored(false);
    b.prop<&S::GetKAT, &S::SetKAT>("KAT").stored(false);
    b.writeOnly<&S::SetNextKAT>("NextKAT").stored(false);
    b.writeOnly<&S::SetNextZVL_STATUT>("NextZVL_STATUT").stored(false);
    b.readOnly<&S::GetLV>("LV").stored(false);
    b.readOnly<&S::GetLVc>("LVc").stored(false);
    b.readOnly<&S::Get_LHC>("_LHC").stored(false);
    b.readOnly<&S::Get_LS>("_LS").stored(false);
    b.readOnly<&S::Get_Oddeleni>("_Oddeleni").stored(false);
    b.readOnly<&S::Get_Dilec>("_Dilec").stored(false);
    b.prop<&S::Get_Porost, &S::Set_Porost>("_Porost").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_PorostniSkupina, Tgis_ForestUnit, "e_LHCModel")

Tgis_LHC* Tgis_PorostniSkupina::Get_LHC() const {
    const Tgis_Oddeleni* o = Get_Oddeleni();
    return o ? o->Get_LHC() : nullptr;
}
Tgis_LS* Tgis_PorostniSkupina::Get_LS() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->Get_LS() : nullptr;
}
Tgis_Oddeleni* Tgis_PorostniSkupina::Get_Oddeleni() const {
    const Tgis_Dilec* d = Get_Dilec();
    return d ? d->Get_Oddeleni() : nullptr;
}
Tgis_Dilec* Tgis_PorostniSkupina::Get_Dilec() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->Get_Dilec() : nullptr;
}
Tgis_Porost* Tgis_PorostniSkupina::Get_Porost() const {
    return parentVia<Tgis_PorostniSkupinaCollection, Tgis_Porost>(this);
}
Tgis_ForestUnit* Tgis_PorostniSkupina::TaxParent() const {
    return Get_Porost();
}
QString Tgis_PorostniSkupina::GetTaxPro() const {
    return followedTaxPro(QStringLiteral("PSK"));
}

void Tgis_PorostniSkupina::Set_Porost(Tgis_Porost* stand) {
    if (!stand) return;
    TEntity* current = FindOwnerClass(Tgis_PorostniSkupinaCollection::StaticClass());
    Tgis_ForestModelCollection* target = stand->CheckItems();
    if (!target || target == current) return;
    // Joining the new stand first keeps the group owned throughout.
    target->AddElement(this);
    if (current) current->RemoveElement(this);
}

TAreaElement* Tgis_PorostniSkupina::AreaGeometry() const {
    return zelto_cast<TAreaElement>(GetGeometry());
}

double Tgis_PorostniSkupina::GetPlocha() const {
    const TAreaElement* area = AreaGeometry();
    return area ? areaOf(area) / 10000 : 0;
}

double Tgis_PorostniSkupina::GetVymera() const {
    const TAreaElement* area = AreaGeometry();
    return area ? area->GetFixedArea() : 0;
}

void Tgis_PorostniSkupina::SetVymera(double value) {
    FVymera = value;
    TAreaElement* area = AreaGeometry();
    if (area && !area->Is<TMultiAreaElement>()) area->SetFixedArea(value);
}

quint8 Tgis_PorostniSkupina::GetKVAL_P() const {
    const TAreaElement* area = AreaGeometry();
    return area ? area->GetFixedAreaIndex() : FKVAL_P;
}

void Tgis_PorostniSkupina::SetKVAL_P(quint8 v) {
    FKVAL_P = v;
    TAreaElement* area = AreaGeometry();
    if (area && !area->Is<TMultiAreaElement>()) area->SetFixedAreaIndex(v);
}

bool Tgis_PorostniSkupina::GetSameKVAL_P() const {
    const TAreaElement* area = AreaGeometry();
    return area && area->GetSameFAI();
}

QChar Tgis_PorostniSkupina::GetDilec() const {
    return dilecLetter();
}
QChar Tgis_PorostniSkupina::GetPorost() const {
    return porostLetter();
}
qint32 Tgis_PorostniSkupina::GetLHC() const {
    return lhcNumber();
}
qint32 Tgis_PorostniSkupina::GetLS_Kod() const {
    return lsNumber();
}
qint16 Tgis_PorostniSkupina::GetOddeleni() const {
    return oddeleniNumber();
}
QString Tgis_PorostniSkupina::GetSkupina() const {
    return GetName();
}
void Tgis_PorostniSkupina::SetSkupina(const QString& name) {
    SetName(name);
}
void Tgis_PorostniSkupina::SetVEK_ST(quint8 v) {
    FVEK_ST = v;
}
QString Tgis_PorostniSkupina::GetPureSkupina() const {
    const QString name = GetName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return BezVnejsichMezer(dot < 0 ? name : name.left(dot));
}

void Tgis_PorostniSkupina::SetDilec(QChar) {}
void Tgis_PorostniSkupina::SetKATPAR_KOD(quint8) {}
void Tgis_PorostniSkupina::SetKU_KOD(qint32) {}
void Tgis_PorostniSkupina::SetLHC(qint32) {}
void Tgis_PorostniSkupina::SetLS_KOD(qint32) {}
void Tgis_PorostniSkupina::SetOddeleni(qint16) {}
void Tgis_PorostniSkupina::SetPorost(QChar) {}
void Tgis_PorostniSkupina::SetSK_PARC(qint32) {}
void Tgis_PorostniSkupina::SetVLASTNIK(const QString&) {}

QString Tgis_PorostniSkupina::GetPropertyStringByName(const QString& name) const {
    const QString own = Tgis_ForestUnit::GetPropertyStringByName(name);
    if (!own.isEmpty()) return own;
    const Tgis_Porost* stand = Get_Porost();
    return stand ? stand->GetPropertyStringByName(name) : own;
}

QString Tgis_PorostniSkupina::GetKATS() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->FKATS : QString();
}
void Tgis_PorostniSkupina::SetKATS(const QString& v) {
    if (Tgis_Porost* p = Get_Porost()) p->FKATS = v;
}
QString Tgis_PorostniSkupina::GetZVL_STATUT() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->FZVL_STATUT : QString();
}
void Tgis_PorostniSkupina::SetZVL_STATUT(const QString& v) {
    if (Tgis_Porost* p = Get_Porost()) p->FZVL_STATUT = v;
}
QString Tgis_PorostniSkupina::GetKAT_Poznamka() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->FKAT_Poznamka : QString();
}
void Tgis_PorostniSkupina::SetKAT_Poznamka(const QString& v) {
    if (Tgis_Porost* p = Get_Porost()) p->FKAT_Poznamka = v;
}
QString Tgis_PorostniSkupina::GetKAT() const {
    const Tgis_Porost* p = Get_Porost();
    return p ? p->GetKAT() : QString();
}
void Tgis_PorostniSkupina::SetKAT(const QString& v) {
    if (Tgis_Porost* p = Get_Porost()) p->SetKAT(v);
}
void Tgis_PorostniSkupina::SetNextKAT(const QString& v) {
    if (Tgis_Porost* p = Get_Porost()) p->SetNextKAT(v);
}
void Tgis_PorostniSkupina::SetNextZVL_STATUT(const QString& v) {
    if (Tgis_Porost* p = Get_Porost()) p->SetNextZVL_STATUT(v);
}

Tgis_SkupinaParcel* Tgis_PorostniSkupina::GetSkupinaParcel() const {
    if (auto* own = parentVia<TForest_ParcelDetailConnectionEntity, Tgis_SkupinaParcel>(this)) return own;
    const Tgis_Porost* p = Get_Porost();
    return p ? p->GetSkupinaParcel() : nullptr;
}
Tgis_Majitel* Tgis_PorostniSkupina::GetMajitel() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->GetMajitel() : nullptr;
}
TGis_OLH* Tgis_PorostniSkupina::GetOLH() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->GetOLH() : nullptr;
}
Tgis_Katastr* Tgis_PorostniSkupina::GetKatastr() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->GetKatastr() : nullptr;
}
qint32 Tgis_PorostniSkupina::GetSK_PARC() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->FSK_PARC : 0;
}
quint8 Tgis_PorostniSkupina::GetKATPAR_KOD() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->FKATPAR_KOD : quint8(0);
}
qint32 Tgis_PorostniSkupina::GetKU_KOD() const {
    const Tgis_Katastr* k = GetKatastr();
    return k ? k->FKU_KOD : 0;
}
QString Tgis_PorostniSkupina::GetKU_KOD_() const {
    return QString::number(GetKU_KOD());
}
QString Tgis_PorostniSkupina::GetKU_Nazev() const {
    const Tgis_Katastr* k = GetKatastr();
    return k ? k->FKU_Nazev : QString();
}
qint32 Tgis_PorostniSkupina::GetORP() const {
    const Tgis_Katastr* k = GetKatastr();
    return k ? k->FORP : 0;
}
QString Tgis_PorostniSkupina::GetORP_Nazev() const {
    const Tgis_Katastr* k = GetKatastr();
    return k ? k->FORP_Nazev : QString();
}
qint32 Tgis_PorostniSkupina::GetKraj() const {
    const Tgis_Katastr* k = GetKatastr();
    return k ? k->FKraj : 0;
}
QString Tgis_PorostniSkupina::GetKraj_Nazev() const {
    const Tgis_Katastr* k = GetKatastr();
    return k ? k->FKraj_Nazev : QString();
}
QString Tgis_PorostniSkupina::GetVLASTNIK() const {
    return QString::number(GetMAJ_KOD());
}
qint32 Tgis_PorostniSkupina::GetMAJ_DRUH() const {
    const Tgis_Majitel* m = GetMajitel();
    return m ? m->FMAJ_DRUH : 0;
}
qint32 Tgis_PorostniSkupina::GetMAJ_KOD() const {
    const Tgis_Majitel* m = GetMajitel();
    return m ? m->FMAJ_KOD : 0;
}
QString Tgis_PorostniSkupina::GetMAJ_Name() const {
    const Tgis_Majitel* m = GetMajitel();
    return m ? m->GetName() : QString();
}
QString Tgis_PorostniSkupina::GetMAJ_Adresa() const {
    const Tgis_Majitel* m = GetMajitel();
    return m ? m->FAdresa : QString();
}
qint32 Tgis_PorostniSkupina::GetOLH_ID() const {
    const TGis_OLH* o = GetOLH();
    return o ? o->FOLH_ID : 0;
}
QString Tgis_PorostniSkupina::GetOLH_PR_TIT() const {
    const TGis_OLH* o = GetOLH();
    return o ? o->FPR_TIT : QString();
}
QString Tgis_PorostniSkupina::GetOLH_Name() const {
    const TGis_OLH* o = GetOLH();
    return o ? o->GetName() : QString();
}
QString Tgis_PorostniSkupina::GetOLH_Adresa() const {
    const TGis_OLH* o = GetOLH();
    return o ? o->FAdresa : QString();
}
qint32 Tgis_PorostniSkupina::GetLV() const {
    const Tgis_SkupinaParcel* s = GetSkupinaParcel();
    return s ? s->FLV : 0;
}
QString Tgis_PorostniSkupina::GetLVc() const {
    return QString::number(GetLV());
}

TEntity* Tgis_PorostniSkupina::GetAreaCollection(const TClassInfo& cls) const {
    return zelto_cast<TEntity>(FindElementClass(cls));
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_PorostniSkupinaAlone, Tgis_PorostniSkupina, "e_LHCModel")
ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_Etaz, Tgis_ForestUnit, "e_LHCModel")

// ---- collections ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_ForestModelCollection, TOwnerEntity, "e_LHCModel")

QString Tgis_ForestModelCollection::FixedName() const {
    return FName;
}

Tgis_ForestUnit* Tgis_ForestModelCollection::GetForestUnit(int index) const {
    if (index < 0 || index >= FElements.count()) return nullptr;
    return zelto_cast<Tgis_ForestUnit>(FElements.at(index));
}

#define FOREST_COLLECTION(Cls, Name)                                                                         \
    ZELTO_IMPLEMENT_CLASS_NOPROPS(Cls, Tgis_ForestModelCollection, "e_LHCModel")                             \
    QString Cls::FixedName() const {                                                                         \
        return QStringLiteral(Name);                                                                         \
    }

FOREST_COLLECTION(Tgis_LSCollection, "LS")
FOREST_COLLECTION(Tgis_OddeleniCollection, "Oddeleni")
FOREST_COLLECTION(Tgis_DilecCollection, "Dilce")
FOREST_COLLECTION(Tgis_PorostCollection, "Porosty")
FOREST_COLLECTION(Tgis_PorostniSkupinaCollection, "Skupiny")
FOREST_COLLECTION(Tgis_UserCollection, "USER")
FOREST_COLLECTION(Tgis_TezbaCollection, "TEZ")

#undef FOREST_COLLECTION

qint32 Tgis_UserCollection::FindUserID() const {
    std::vector<qint32> used;
    for (TElement* e : FElements) {
        if (!e) continue;
        const QString name = e->GetName();
        qint32 n = 0;
        // Only names that are exactly a number in decimal count ("01" is not 1).
        if (tryParseInt32(name, n) && n > 0 && QString::number(n) == name) used.push_back(n);
    }
    std::sort(used.begin(), used.end());
    qint32 id = 1;
    for (qint32 n : used) {
        if (n > id) break;
        if (n == id) ++id;
    }
    return id;
}

// ---- taxators ------------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_Taxator, TPersonElement, "e_LHCModel")

void Tgis_Taxator::AddElement(TElement* element) {
    auto* unit = zelto_cast<Tgis_ForestUnit>(element);
    if (!unit || IndexOf(unit) >= 0) return;
    // The level whose taxator the unit follows now.
    const QString code = unit->GetTaxPro();
    Tgis_ForestUnit* level = nullptr;
    if (code == QLatin1String("ODD"))
        level = unit->Get_Oddeleni();
    else if (code == QLatin1String("DIL"))
        level = unit->Get_Dilec();
    else if (code == QLatin1String("POR"))
        level = unit->Get_Porost();
    if (level && level != unit && &level->ClassType() != &unit->ClassType())
        level->Reset_Taxator(unit->ClassType());
    // A unit has one taxator.
    for (int i = unit->GetOwnersCount() - 1; i >= 0; --i)
        if (auto* other = zelto_cast<Tgis_Taxator>(unit->GetOwnerEntity(i)); other && other != this)
            other->RemoveElement(unit);
    TPersonElement::AddElement(unit);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(Tgis_Taxator_Collection, TPerson_Collection, "e_LHCModel")

// ---- Tgis_ForestModel ----------------------------------------------------------------------------

void Tgis_ForestModel::DeclareProperties(TPropTableBuilder& b) {
    using M = Tgis_ForestModel;
    declareActualUnitProperties<M>(b, false);
    b.prop<&M::GetLHC_Cislo, &M::SetLHC_Cislo>("LHC_Cislo").stored(false);
    b.readOnly<&M::GetLHC_ROK>("LHC_ROK").stored(false);
    b.prop<&M::GetLS_Cislo, &M::SetLS_Cislo>("LS_Cislo").stored(false);
    b.prop<&M::GetOddeleni_Cislo, &M::SetOddeleni_Cislo>("Oddeleni_Cislo").stored(false);
    b.prop<&M::GetDilec_Name, &M::SetDilec_Name>("Dilec_Name").stored(false);
    b.prop<&M::GetPorost_Name, &M::SetPorost_Name>("Porost_Name").stored(false);
    b.prop<&M::GetSkupina_Name, &M::SetSkupina_Name>("Skupina_Name").stored(false);
    b.writeOnly<&M::SetUpdateAll>("UpdateAll").stored(false);
    b.writeOnly<&M::SetSort>("Sort").stored(false);
    b.prop<&M::GetAutoCreate, &M::SetAutoCreate>("AutoCreate").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_ForestModel, TRectEntity, "e_LHCModel")

Tgis_LHC* Tgis_ForestModel::GetFirstLHC() const {
    for (TElement* e : FElements)
        if (auto* lhc = zelto_cast<Tgis_LHC>(e)) return lhc;
    return nullptr;
}

Tgis_LHC* Tgis_ForestModel::GetLHCCislo(qint32 number) {
    if (FActual.lhc && FActual.lhc->FCislo == number) return FActual.lhc;
    Tgis_LHC* found = nullptr;
    for (TElement* e : FElements)
        if (auto* lhc = zelto_cast<Tgis_LHC>(e); lhc && lhc->FCislo == number) {
            found = lhc;
            break;
        }
    SetActualLHC(found);
    return found;
}

Tgis_LS* Tgis_ForestModel::GetLSCislo(qint32 number) {
    if (FActual.ls && FActual.ls->FCislo == number) return FActual.ls;
    if (!FActual.lhc) return nullptr;
    auto* ls = zelto_cast<Tgis_LS>(FActual.lhc->GetItemCislo(number));
    SetActualLS(ls);
    return ls;
}

Tgis_Oddeleni* Tgis_ForestModel::GetOddeleniCislo(qint32 number) {
    if (FActual.oddeleni && FActual.oddeleni->FCislo == number) return FActual.oddeleni;
    if (!FActual.ls && FActual.lhc) {
        // The division is looked for in every LS of the plan area.
        for (int i = 0; i < FActual.lhc->ItemsCount(); ++i) {
            auto* ls = zelto_cast<Tgis_LS>(FActual.lhc->GetItem(i));
            if (ls && zelto_cast<Tgis_Oddeleni>(ls->GetItemCislo(number))) {
                SetActualLS(ls);
                break;
            }
        }
    }
    if (!FActual.lhc || !FActual.ls) return nullptr;
    auto* o = zelto_cast<Tgis_Oddeleni>(FActual.ls->GetItemCislo(number));
    SetActualOddeleni(o);
    return o;
}

Tgis_Dilec* Tgis_ForestModel::GetDilecName(const QString& name) {
    if (FActual.dilec && sameText(FActual.dilec->GetName(), name)) return FActual.dilec;
    if (!FActual.oddeleni) return nullptr;
    auto* d = zelto_cast<Tgis_Dilec>(FActual.oddeleni->GetItemName(name));
    SetActualDilec(d);
    return d;
}

Tgis_Porost* Tgis_ForestModel::GetPorostName(const QString& name) {
    if (FActual.porost && sameText(FActual.porost->GetName(), name)) return FActual.porost;
    if (!FActual.dilec) return nullptr;
    auto* p = zelto_cast<Tgis_Porost>(FActual.dilec->GetItemName(name));
    SetActualPorost(p);
    return p;
}

Tgis_PorostniSkupina* Tgis_ForestModel::GetSkupinaName(const QString& name) {
    if (FActual.skupina && sameText(FActual.skupina->GetName(), name)) return FActual.skupina;
    if (!FActual.porost) return nullptr;
    auto* s = zelto_cast<Tgis_PorostniSkupina>(FActual.porost->GetItemName(name));
    SetActualSkupina(s);
    return s;
}

Tgis_LHC* Tgis_ForestModel::CreateLHCCislo(qint32 number) {
    if (Tgis_LHC* found = GetLHCCislo(number)) return found;
    auto* lhc = new Tgis_LHC;
    lhc->FCislo = number;
    AddElement(lhc);
    SetActualLHC(lhc);
    return lhc;
}

Tgis_LS* Tgis_ForestModel::CreateLSCislo(qint32 number) {
    if (Tgis_LS* found = GetLSCislo(number)) return found;
    if (!FActual.lhc) return nullptr;
    auto* ls = zelto_cast<Tgis_LS>(FActual.lhc->CreateItemCislo(number));
    SetActualLS(ls);
    return ls;
}

Tgis_Oddeleni* Tgis_ForestModel::CreateOddeleniCislo(qint32 number) {
    if (Tgis_Oddeleni* found = GetOddeleniCislo(number)) return found;
    if (!FActual.ls) return nullptr;
    auto* o = zelto_cast<Tgis_Oddeleni>(FActual.ls->CreateItemCislo(number));
    SetActualOddeleni(o);
    return o;
}

Tgis_Dilec* Tgis_ForestModel::CreateDilecName(const QString& name) {
    if (Tgis_Dilec* found = GetDilecName(name)) return found;
    if (!FActual.oddeleni) return nullptr;
    auto* d = zelto_cast<Tgis_Dilec>(FActual.oddeleni->CreateItemName(name));
    SetActualDilec(d);
    return d;
}

Tgis_Porost* Tgis_ForestModel::CreatePorostName(const QString& name) {
    if (Tgis_Porost* found = GetPorostName(name)) return found;
    if (!FActual.dilec) return nullptr;
    auto* p = zelto_cast<Tgis_Porost>(FActual.dilec->CreateItemName(name));
    SetActualPorost(p);
    return p;
}

Tgis_PorostniSkupina* Tgis_ForestModel::CreateSkupinaName(const QString& name) {
    if (Tgis_PorostniSkupina* found = GetSkupinaName(name)) return found;
    if (!FActual.porost) return nullptr;
    auto* s = zelto_cast<Tgis_PorostniSkupina>(FActual.porost->CreateItemName(name));
    SetActualSkupina(s);
    return s;
}

Tgis_Porost* Tgis_ForestModel::CreatePorost(qint32 aLHC, qint32 aLS, qint32 aOddeleni, const QString& aDilec,
                                            const QString& aPorost) {
    CreateLHCCislo(aLHC);
    CreateLSCislo(aLS);
    CreateOddeleniCislo(aOddeleni);
    CreateDilecName(aDilec);
    return CreatePorostName(aPorost);
}

Tgis_PorostniSkupina* Tgis_ForestModel::CreateSkupina(qint32 aLHC, qint32 aLS, qint32 aOddeleni,
                                                      const QString& aDilec, const QString& aPorost,
                                                      const QString& aSkupina) {
    CreatePorost(aLHC, aLS, aOddeleni, aDilec, aPorost);
    return CreateSkupinaName(aSkupina);
}

qint32 Tgis_ForestModel::GetLHC_Cislo() const {
    return FActual.lhc ? FActual.lhc->FCislo : -1;
}
void Tgis_ForestModel::SetLHC_Cislo(qint32 number) {
    FAutoCreate ? CreateLHCCislo(number) : GetLHCCislo(number);
}
qint32 Tgis_ForestModel::GetLHC_ROK() const {
    return FActual.lhc ? FActual.lhc->FROK : 0;
}
qint32 Tgis_ForestModel::GetLS_Cislo() const {
    return FActual.ls ? FActual.ls->FCislo : -1;
}
void Tgis_ForestModel::SetLS_Cislo(qint32 number) {
    FAutoCreate ? CreateLSCislo(number) : GetLSCislo(number);
}
qint32 Tgis_ForestModel::GetOddeleni_Cislo() const {
    return FActual.oddeleni ? FActual.oddeleni->FCislo : -1;
}
void Tgis_ForestModel::SetOddeleni_Cislo(qint32 number) {
    FAutoCreate ? CreateOddeleniCislo(number) : GetOddeleniCislo(number);
}
QString Tgis_ForestModel::GetDilec_Name() const {
    return FActual.dilec ? FActual.dilec->GetName() : QString();
}
void Tgis_ForestModel::SetDilec_Name(const QString& name) {
    FAutoCreate ? CreateDilecName(name) : GetDilecName(name);
}
QString Tgis_ForestModel::GetPorost_Name() const {
    return FActual.porost ? FActual.porost->GetName() : QString();
}
void Tgis_ForestModel::SetPorost_Name(const QString& name) {
    FAutoCreate ? CreatePorostName(name) : GetPorostName(name);
}
QString Tgis_ForestModel::GetSkupina_Name() const {
    return FActual.skupina ? FActual.skupina->GetName() : QString();
}
void Tgis_ForestModel::SetSkupina_Name(const QString& name) {
    FAutoCreate ? CreateSkupinaName(name) : GetSkupinaName(name);
}

qint32 Tgis_ForestModel::GetOddCount() {
    if (!FActual.lhc) SetActualLHC(GetFirstLHC());
    if (!FActual.lhc) return 0;
    qint32 count = 0;
    for (int i = 0; i < FActual.lhc->ItemsCount(); ++i)
        if (const auto* ls = zelto_cast<Tgis_LS>(FActual.lhc->GetItem(i)))
            for (int j = 0; j < ls->ItemsCount(); ++j)
                if (zelto_cast<Tgis_Oddeleni>(ls->GetItem(j))) ++count;
    return count;
}

TOwnerEntity* Tgis_ForestModel::FindOdds() {
    if (!FActual.lhc) SetActualLHC(GetFirstLHC());
    auto* odds = new TOwnerEntity;
    odds->SetName(QStringLiteral("ODDS"));
    if (!FActual.lhc) return odds;
    for (int i = 0; i < FActual.lhc->ItemsCount(); ++i)
        if (const auto* ls = zelto_cast<Tgis_LS>(FActual.lhc->GetItem(i)))
            for (int j = 0; j < ls->ItemsCount(); ++j)
                if (auto* o = zelto_cast<Tgis_Oddeleni>(ls->GetItem(j))) odds->AddElement(o);
    return odds;
}

void Tgis_ForestModel::UpdateAll() {
    for (TElement* e : FElements)
        if (auto* lhc = zelto_cast<Tgis_LHC>(e)) lhc->UpdateAll();
    ResetAndUpdate();
}

void Tgis_ForestModel::Sort() {
    auto byNumber = std::make_unique<TSortElementsByInteger>();
    auto byText = std::make_unique<TSortElementsByString>();
    byNumber->SetNoProgress(true);
    byText->SetNoProgress(true);
    const auto sortChildren = [](TSortElements& tool, TEntity* entity, const char* property) {
        if (!entity) return;
        tool.FPropertyName = QString::fromLatin1(property);
        tool.SetInput(entity);
        tool.DoIt();
    };
    sortChildren(*byNumber, this, "Name");
    for (TElement* e1 : FElements) {
        auto* lhc = zelto_cast<Tgis_LHC>(e1);
        if (!lhc) continue;
        sortChildren(*byNumber, lhc->GetItems(), "Name");
        for (int i = 0; i < lhc->ItemsCount(); ++i) {
            auto* ls = zelto_cast<Tgis_LS>(lhc->GetItem(i));
            if (!ls) continue;
            sortChildren(*byNumber, ls->GetItems(), "Name");
            for (int j = 0; j < ls->ItemsCount(); ++j) {
                auto* odd = zelto_cast<Tgis_Oddeleni>(ls->GetItem(j));
                if (!odd) continue;
                sortChildren(*byText, odd->GetItems(), "Name");
                for (int k = 0; k < odd->ItemsCount(); ++k) {
                    auto* dilec = zelto_cast<Tgis_Dilec>(odd->GetItem(k));
                    if (!dilec) continue;
                    sortChildren(*byText, dilec->GetItems(), "Name");
                    for (int m = 0; m < dilec->ItemsCount(); ++m)
                        if (auto* stand = zelto_cast<Tgis_Porost>(dilec->GetItem(m)))
                            sortChildren(*byNumber, stand->GetItems(), "VEK_ST");
                }
            }
        }
    }
}

void registerForestModelClasses() {
    for (const TClassInfo* c :
         {&Tgis_UserCollection::StaticClass(), &Tgis_TezbaCollection::StaticClass(),
          &Tgis_ForestUnit::StaticClass(), &Tgis_Etaz::StaticClass(), &Tgis_PorostniSkupina::StaticClass(),
          &Tgis_PorostniSkupinaCollection::StaticClass(), &Tgis_Porost::StaticClass(),
          &Tgis_PorostCollection::StaticClass(), &Tgis_Dilec::StaticClass(),
          &Tgis_DilecCollection::StaticClass(), &Tgis_Oddeleni::StaticClass(),
          &Tgis_OddeleniCollection::StaticClass(), &Tgis_LS::StaticClass(), &Tgis_LSCollection::StaticClass(),
          &Tgis_LHC::StaticClass(), &Tgis_ForestModel::StaticClass(), &Tgis_Taxator::StaticClass(),
          &Tgis_Taxator_Collection::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
