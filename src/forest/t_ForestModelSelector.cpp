#include "t_ForestModelSelector.h"

#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "geometry/RectListIndex.h"

#include <unordered_map>

namespace zelto {

namespace {

bool isClass(const TPersistent* e, const TClassInfo* cls) {
    return cls && &e->ClassType() == cls;
}

} // namespace

struct ChildIndex {
    quint64 epoch = 0; // the model's change count it was built at
    bool built = false;
    quint64 searched = 0;                // the search that last entered the unit
    std::vector<Tgis_ForestUnit*> units; // the forest-unit children in list order
    TRectListIndex rects;                // their rectangles
};

struct TForestModelSelector::ChildIndexes {
    quint64 epoch = 0; // the model's change count at the end of the last search
    std::unordered_map<const Tgis_ItemsForestUnit*, ChildIndex> byUnit;
};

ChildIndex& TForestModelSelector::childIndex(Tgis_ItemsForestUnit* unit) {
    if (!m_indexes) m_indexes = std::make_unique<ChildIndexes>();
    // Entries are never dropped here: the caller may be visiting the index of an ancestor.
    return m_indexes->byUnit[unit];
}

void TForestModelSelector::buildIndex(Tgis_ItemsForestUnit* unit, ChildIndex& index) {
    // A changed model (a list or a rectangle anywhere) rebuilds the entry asked for.
    if (!index.built || index.epoch != modelEpoch()) {
        index.units.clear();
        std::vector<TDoubleRect> rects;
        for (TElement* e : unit->GetItems()->FElements)
            if (auto* child = zelto_cast<Tgis_ForestUnit>(e)) {
                index.units.push_back(child);
                rects.push_back(child->GetRect()->GetDoubleRect());
            }
        index.rects.Build(rects);
        index.built = true;
        // Reading a rectangle may complete it (a unit without geometry); that is no change the
        // index has missed.
        index.epoch = modelEpoch();
    }
}

TForestModelSelector::~TForestModelSelector() = default;

void TForestModelSelector::DeclareProperties(TPropTableBuilder& b) {
    using S = TForestModelSelector;
    b.prop<&S::GetForestModel, &S::SetForestModel>("ForestModel");
    b.prop<&S::GetFrameClassName, &S::SetFrameClassName>("FrameClassName");
    b.prop<&S::GetReferenceFrameClassName, &S::SetReferenceFrameClassName>("ReferenceFrameClassName");
    b.prop<&S::GetActualFrame, &S::SetActualFrame>("ActualFrame");
    b.prop<&S::GetActualReferenceFrame, &S::SetActualReferenceFrame>("ActualReferenceFrame");
    declareActualUnitProperties<S>(b, true);
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
    m_indexes.reset();
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

Tgis_ForestUnit* TForestModelSelector::GetFrameByXY(Tgis_ForestUnit* aUnit, double x, double y) {
    ++m_search;
    return frameAt(aUnit, x, y);
}

Tgis_ForestUnit* TForestModelSelector::frameAt(Tgis_ForestUnit* aUnit, double x, double y) {
    auto* unit = zelto_cast<Tgis_ItemsForestUnit>(aUnit);
    if (!unit || unit->GetNoItems()) return nullptr;
    if (isClass(unit, FReferenceFrameClass)) FActualReferenceFrame = unit;
    // A unit listed by several parents (or by its own descendants, in a damaged stream) is entered
    // once per search: it found nothing the first time, so each unit costs one visit whatever the
    // number of paths to it.
    ChildIndex& index = childIndex(unit);
    if (index.searched == m_search) return nullptr;
    index.searched = m_search;
    const TClassInfo* itemClass = unit->GetItemClass();
    const bool enterEvery = itemClass && itemClass == FReferenceFrameClass;
    const bool frames = itemClass && itemClass == FFrameClass;
    if (!enterEvery) {
        // The children whose rectangle contains the point, in list order, from the index.
        buildIndex(unit, index);
        Tgis_ForestUnit* found = nullptr;
        index.rects.VisitAt(x, y, [&](int i) {
            Tgis_ForestUnit* child = index.units[size_t(i)];
            if (frames) {
                if (!child->IsHitByXY(x, y, 0)) return false;
                found = child;
                return true;
            }
            if (!child->Is<Tgis_ItemsForestUnit>()) return true; // the search ends here, empty
            found = frameAt(child, x, y);
            return found != nullptr;
        });
        return found;
    }
    for (TElement* e : unit->GetItems()->FElements) {
        auto* child = zelto_cast<Tgis_ForestUnit>(e);
        if (!child) continue;
        if (!enterEvery && !child->PointIsInside(x, y)) continue;
        if (frames) {
            if (child->IsHitByXY(x, y, 0)) return child;
            continue;
        }
        if (!child->Is<Tgis_ItemsForestUnit>()) return nullptr;
        if (Tgis_ForestUnit* found = frameAt(child, x, y)) return found;
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
    ++m_search;
    // Between searches, the indexes of a model that has changed since are all dropped (units may
    // be gone); they are rebuilt as the searches reach them.
    if (m_indexes && m_indexes->epoch != modelEpoch()) m_indexes->byUnit.clear();
    struct EpochMark {
        std::unique_ptr<ChildIndexes>& indexes;
        ~EpochMark() {
            if (indexes) indexes->epoch = modelEpoch();
        }
    } mark{m_indexes};
    for (TElement* e : FForestModel->FElements) {
        auto* unit = zelto_cast<Tgis_ForestUnit>(e);
        if (!unit) continue;
        if (!isClass(unit, FReferenceFrameClass) && !unit->PointIsInside(FX, FY)) continue;
        if (Tgis_ForestUnit* found = frameAt(unit, FX, FY)) {
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
