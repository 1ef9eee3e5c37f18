#include "e_LHCElements.h"

#include "framework/TextLocale.h"
#include "framework/e_Class.h"

namespace zelto {

// ---- Tgis_UserAreaElement ------------------------------------------------------------------------

void Tgis_UserAreaElement::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_UserAreaElement::GetDruh, &Tgis_UserAreaElement::SetDruh>("Druh");
    b.prop<&Tgis_UserAreaElement::GetUserID, &Tgis_UserAreaElement::SetUserID>("UserID");
    b.prop<&Tgis_UserAreaElement::Get_Skupina, &Tgis_UserAreaElement::Set_Skupina>("_Skupina").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_UserAreaElement, Tgis_PorostniSkupina, "e_LHCElements")

const TClassInfo& Tgis_UserAreaElement::AreaCollectionClass() const {
    return Tgis_UserCollection::StaticClass();
}

QString Tgis_UserAreaElement::GetName() const {
    return QString::number(FUserID);
}

void Tgis_UserAreaElement::SetName(const QString& name) {
    qint32 v = 0;
    if (tryParseInt32(name.trimmed(), v)) SetUserID(v);
}

void Tgis_UserAreaElement::SetUserID(qint32 id) {
    FUserID = id;
}

Tgis_PorostniSkupina* Tgis_UserAreaElement::Get_Skupina() const {
    TEntity* collection = FindOwnerClass(AreaCollectionClass());
    return collection ? static_cast<Tgis_PorostniSkupina*>(
                            collection->FindOwnerClass(Tgis_PorostniSkupina::StaticClass()))
                      : nullptr;
}

void Tgis_UserAreaElement::Set_Skupina(Tgis_PorostniSkupina* group) {
    const TClassInfo& cls = AreaCollectionClass();
    TEntity* current = FindOwnerClass(cls);
    TEntity* target = group && group != this ? group->ChildCollection(cls, true) : nullptr;
    if (target && target == current) return;
    // Joining the new collection first keeps the area owned throughout.
    if (target) target->AddElement(this);
    if (current) current->RemoveElement(this);
}

Tgis_Porost* Tgis_UserAreaElement::Get_Porost() const {
    const Tgis_PorostniSkupina* group = Get_Skupina();
    return group ? group->Get_Porost() : nullptr;
}

Tgis_ForestUnit* Tgis_UserAreaElement::TaxParent() const {
    return Get_Skupina();
}

// ---- TTEZPlocha ----------------------------------------------------------------------------------

void TTEZPlocha::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTEZPlocha::FZpusob>("Zpusob");
    b.field<&TTEZPlocha::FNalehavost>("Nalehavost");
}
ZELTO_IMPLEMENT_CLASS(TTEZPlocha, Tgis_UserAreaElement, "e_LHCElements")

const TClassInfo& TTEZPlocha::AreaCollectionClass() const {
    return Tgis_TezbaCollection::StaticClass();
}

QString TTEZPlocha::GetName() const {
    return QStringLiteral("TEZ %1:%2").arg(FZpusob).arg(FNalehavost);
}

// ---- the rest ------------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSRFPlocha, Tgis_ForestUnit, "e_LHCElements")

void Tgis_LT::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&Tgis_LT::GetPlocha, &Tgis_LT::SetPlocha>("Plocha");
    b.prop<&Tgis_LT::GetVymera, &Tgis_LT::SetVymera>("Vymera");
    b.field<&Tgis_LT::FLT>("LT");
    b.field<&Tgis_LT::FSLT>("SLT");
    b.field<&Tgis_LT::FLES_OBL>("LES_OBL");
    b.field<&Tgis_LT::FLO_CAST>("LO_CAST");
    b.field<&Tgis_LT::FUdrzba>("Udrzba");
    b.field<&Tgis_LT::FZmena>("Zmena");
    b.field<&Tgis_LT::FTVL>("TVL");
    b.field<&Tgis_LT::FPLT>("PLT");
    b.field<&Tgis_LT::FPLT_Nazev>("PLT_Nazev");
    b.field<&Tgis_LT::FCHS>("CHS");
    b.field<&Tgis_LT::FPCHS>("PCHS");
    b.readOnly<&Tgis_LT::GetPLT_>("PLT_").stored(false);
}
ZELTO_IMPLEMENT_CLASS(Tgis_LT, Tgis_ForestUnit, "e_LHCElements")

QString Tgis_LT::GetPLT_() const {
    if (FPLT_Nazev.isEmpty()) return FPLT;
    if (FPLT.isEmpty()) return FPLT_Nazev;
    return FPLT + QLatin1Char(' ') + FPLT_Nazev;
}

void TSRFBod::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TSRFBod::FVEK_ST>("VEK_ST");
}
ZELTO_IMPLEMENT_CLASS(TSRFBod, TTopolPointElement, "e_LHCElements")

void TTEZBod::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TTEZBod::FNalehavost>("Nalehavost");
}
ZELTO_IMPLEMENT_CLASS(TTEZBod, TTopolPointElement, "e_LHCElements")

// ---- unit labels ---------------------------------------------------------------------------------

namespace {

// The stored names: an unnamed dílec, stand or group contributes nothing (GetName would answer its
// class name).
QString oddeleniPart(const Tgis_Oddeleni* o) {
    return o ? QString::number(o->FCislo) : QString();
}
QString dilecPart(const Tgis_Dilec* d) {
    return d ? oddeleniPart(d->Get_Oddeleni()) + d->FName : QString();
}
QString porostPart(const Tgis_Porost* p) {
    return p ? dilecPart(p->Get_Dilec()) + p->FName : QString();
}

} // namespace

QString ForestUnitLabel(const Tgis_ForestUnit* unit) {
    if (!unit) return QString();
    if (auto* area = zelto_cast<Tgis_UserAreaElement>(unit)) return ForestUnitLabel(area->Get_Skupina());
    if (auto* group = zelto_cast<Tgis_PorostniSkupina>(unit)) {
        const QString stand = porostPart(group->Get_Porost());
        return stand.isEmpty() ? group->FName : stand + QLatin1Char(' ') + group->FName;
    }
    if (auto* stand = zelto_cast<Tgis_Porost>(unit)) return porostPart(stand);
    if (auto* dilec = zelto_cast<Tgis_Dilec>(unit)) return dilecPart(dilec);
    if (auto* division = zelto_cast<Tgis_Oddeleni>(unit)) return oddeleniPart(division);
    return QString();
}

void registerForestElementClasses() {
    for (const TClassInfo* c :
         {&Tgis_UserAreaElement::StaticClass(), &TTEZPlocha::StaticClass(), &TSRFPlocha::StaticClass(),
          &TTEZBod::StaticClass(), &TSRFBod::StaticClass(), &Tgis_LT::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
