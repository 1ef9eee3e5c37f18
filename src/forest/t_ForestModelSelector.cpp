#include "t_ForestModelSelector.h"

#include "framework/Worlds.h"
#include "framework/e_Class.h"

namespace zelto {

namespace {

bool isClass(const TPersistent* e, const TClassInfo* cls) {
    return cls && &e->ClassType() == cls;
}

} // namespace

void TForestModelSelector::DeclareProperties(TPropTableBuilder& b) {
    using S = TForestModelSelector;
    b.prop<&S::GetForestModel, &S::SetForestModel>("ForestModel");
    b.prop<&S::GetFrameClassName, &S::SetFrameClassName>("FrameClassName");
    b.prop<&S::GetReferenceFrameClassName, &S::SetReferenceFrameClassName>("ReferenceFrameClassName");
    b.prop<&S::GetActualFrame, &S::SetActualFrame>("ActualFrame");
    b.prop<&S::GetActualReferenceFrame, &S::SetActualReferenceFrame>("ActualReferenceFrame");
    b.prop<&S::GetActualLHC, &S::SetActualLHC>("ActualLHC");
    b.prop<&S::GetActualLS, &S::SetActualLS>("ActualLS");
    b.prop<&S::GetActualOddeleni, &S::SetActualOddeleni>("ActualOddeleni");
    b.prop<&S::GetActualDilec, &S::SetActualDilec>("ActualDilec");
    b.prop<&S::GetActualPorost, &S::SetActualPorost>("ActualPorost");
    b.prop<&S::GetActualSkupina, &S::SetActualSkupina>("ActualSkupina");
}
ZELTO_IMPLEMENT_CLASS(TForestModelSelector, TFrameSelector, "t_ForestModelSelector")

TForestModelSelector::TForestModelSelector() {
    // The base constructor ran the base's FindInput; the selector looks for its model now.
    FindInput();
}

void TForestModelSelector::FindInput() {
    Tgis_ForestModel* model = nullptr;
    if (World && World->FObjectModel)
        if (auto* data = zelto_cast<TEntity>(World->FObjectModel->FindElementName(QStringLiteral("Data"))))
            model = zelto_cast<Tgis_ForestModel>(data->FindElementClass(Tgis_ForestModel::StaticClass()));
    SetForestModel(model);
}

void TForestModelSelector::SetForestModel(Tgis_ForestModel* model) {
    if (model == FForestModel) return;
    FForestModel = model;
    SetActualFrame(nullptr);
    FActualReferenceFrame = nullptr;
    SetActualLHC(nullptr);
}

void TForestModelSelector::SetFrameClass(const TClassInfo* cls) {
    FFrameClass = cls;
    FFrameClassName = cls ? cls->name() : QString();
}

void TForestModelSelector::SetReferenceFrameClass(const TClassInfo* cls) {
    FReferenceFrameClass = cls;
    FReferenceFrameClassName = cls ? cls->name() : QString();
}

void TForestModelSelector::SetFrameClassName(const QString& name) {
    FFrameClassName = name;
    FFrameClass = name.isEmpty() ? nullptr : GetZeltoClass(name);
}

void TForestModelSelector::SetReferenceFrameClassName(const QString& name) {
    FReferenceFrameClassName = name;
    FReferenceFrameClass = name.isEmpty() ? nullptr : GetZeltoClass(name);
}

void TForestModelSelector::SetActualFrame(Tgis_ForestUnit* unit) {
    m_actualFrame = unit;
    FOutput = unit;
}

void TForestModelSelector::SetActualLHC(Tgis_LHC* unit) {
    FActualLHC = unit;
    SetActualLS(nullptr);
}
void TForestModelSelector::SetActualLS(Tgis_LS* unit) {
    FActualLS = unit;
    SetActualOddeleni(nullptr);
}
void TForestModelSelector::SetActualOddeleni(Tgis_Oddeleni* unit) {
    FActualOddeleni = unit;
    SetActualDilec(nullptr);
}
void TForestModelSelector::SetActualDilec(Tgis_Dilec* unit) {
    FActualDilec = unit;
    SetActualPorost(nullptr);
}
void TForestModelSelector::SetActualPorost(Tgis_Porost* unit) {
    FActualPorost = unit;
    SetActualSkupina(nullptr);
}
void TForestModelSelector::SetActualSkupina(Tgis_PorostniSkupina* unit) {
    FActualSkupina = unit;
}

Tgis_ForestUnit* TForestModelSelector::GetFrameByXY(Tgis_ForestUnit* aUnit, double x, double y) {
    auto* unit = zelto_cast<Tgis_ItemsForestUnit>(aUnit);
    if (!unit || unit->GetNoItems()) return nullptr;
    if (isClass(unit, FReferenceFrameClass)) FActualReferenceFrame = unit;
    const TClassInfo* itemClass = unit->GetItemClass();
    const bool enterEvery = itemClass && itemClass == FReferenceFrameClass;
    const bool frames = itemClass && itemClass == FFrameClass;
    for (TElement* e : unit->GetItems()->FElements) {
        auto* child = zelto_cast<Tgis_ForestUnit>(e);
        if (!child) continue;
        if (!enterEvery && !child->PointIsInside(x, y)) continue;
        if (frames) {
            if (child->IsHitByXY(x, y, 0)) return child;
            continue;
        }
        if (!child->Is<Tgis_ItemsForestUnit>()) return nullptr;
        if (Tgis_ForestUnit* found = GetFrameByXY(child, x, y)) return found;
    }
    return nullptr;
}

void TForestModelSelector::DoIt() {
    if (GetBusy() || !FForestModel || !FFrameClass) return;
    // A point that still lies in the current result keeps it.
    if (m_actualFrame && m_actualFrame->PointIsInside(FX, FY) && m_actualFrame->IsHitByXY(FX, FY, 0)) return;
    SetBusy(true);
    // The flag is cleared however the search ends.
    struct BusyGuard {
        TTool* tool;
        ~BusyGuard() { tool->SetBusy(false); }
    } guard{this};
    SetActualFrame(nullptr);
    FActualReferenceFrame = nullptr;
    for (TElement* e : FForestModel->FElements) {
        auto* unit = zelto_cast<Tgis_ForestUnit>(e);
        if (!unit) continue;
        if (!isClass(unit, FReferenceFrameClass) && !unit->PointIsInside(FX, FY)) continue;
        if (Tgis_ForestUnit* found = GetFrameByXY(unit, FX, FY)) {
            SetActualFrame(found);
            return;
        }
    }
    FActualReferenceFrame = nullptr;
}

void registerForestModelSelectorClasses() {
    RegisterZeltoClass(TForestModelSelector::StaticClass());
}

} // namespace zelto
