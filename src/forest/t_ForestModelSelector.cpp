#include "t_ForestModelSelector.h"

#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "geometry/RectListIndex.h"

#include <cmath>
#include <limits>
#include <unordered_map>

namespace zelto {

namespace {

bool isClass(const TPersistent* e, const TClassInfo* cls) {
    return cls && &e->ClassType() == cls;
}

} // namespace

// Up to this many children are scanned in list order: a point index over so few rectangles costs
// more to build than it saves.
constexpr size_t ScannedChildren = 8;

// What a search needs of one unit, read once and kept while the model is unchanged (units, their
// lists and rectangles; a unit's class never changes).
struct ChildIndex {
    quint64 epoch = 0; // the model's change count it was built at
    bool built = false;
    quint64 searched = 0; // the search that last entered the unit
    bool noItems = true;  // GetNoItems
    const TClassInfo* itemClass = nullptr;
    // The forest-unit children in list order, each as a unit with items (or none), its rectangle,
    // and that unit's own entry, found the first time a search enters it from here.
    std::vector<Tgis_ForestUnit*> units;
    std::vector<Tgis_ItemsForestUnit*> itemUnits;
    std::vector<ChildIndex*> entries;
    std::vector<TDoubleRect> rects;
    // Every rectangle is finite and in order, so that "the point lies in it" is all a rectangle
    // test can say (the point index leaves the others out).
    bool rectsRegular = true;
    TRectListIndex index; // over rects, for more than ScannedChildren children

    // Calls visit(i) for every child i whose rectangle contains the point, in list order, until
    // visit answers true.
    template <class Visit> void visitAt(double x, double y, Visit&& visit) const {
        if (rects.size() > ScannedChildren) {
            index.VisitAt(x, y, visit);
            return;
        }
        for (size_t i = 0; i < rects.size(); ++i) {
            const TDoubleRect& r = rects[i];
            if (r.MinX <= x && x <= r.MaxX && r.MinY <= y && y <= r.MaxY && visit(int(i))) return;
        }
    }
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

namespace {

// The point index leaves out rectangles that reach 1e30 or are not finite, and the scan of a few
// children follows it. (An inverted rectangle holds no point in any of the tests.)
bool regular(const TDoubleRect& r) {
    return std::abs(r.MinX) < 1e30 && std::abs(r.MinY) < 1e30 && std::abs(r.MaxX) < 1e30 &&
           std::abs(r.MaxY) < 1e30;
}

} // namespace

void TForestModelSelector::buildIndex(Tgis_ItemsForestUnit* unit, ChildIndex& index) {
    // A changed model (a list or a rectangle anywhere) rebuilds the entry asked for.
    if (index.built && index.epoch == modelEpoch()) return;
    index.units.clear();
    index.itemUnits.clear();
    index.entries.clear();
    index.rects.clear();
    index.index.Clear();
    index.rectsRegular = true;
    index.itemClass = unit->GetItemClass();
    const Tgis_ForestModelCollection* items = unit->GetItems();
    index.noItems = !items || items->ElementsCount() == 0;
    if (!index.noItems) {
        for (TElement* e : items->FElements)
            if (auto* child = zelto_cast<Tgis_ForestUnit>(e)) {
                index.units.push_back(child);
                index.itemUnits.push_back(zelto_cast<Tgis_ItemsForestUnit>(child));
                TDoubleRect r = child->GetRect()->GetDoubleRect();
                // As in the point index, a rectangle that is not regular contains no point.
                if (!regular(r)) {
                    index.rectsRegular = false;
                    r.MinX = r.MinY = r.MaxX = r.MaxY = std::numeric_limits<double>::quiet_NaN();
                }
                index.rects.push_back(r);
            }
        index.entries.assign(index.units.size(), nullptr);
        if (index.rects.size() > ScannedChildren) {
            index.index.Build(index.rects);
            ++m_indexBuilds;
        }
    }
    index.built = true;
    // Reading a rectangle may complete it (a unit without geometry); that is no change the
    // index has missed.
    index.epoch = modelEpoch();
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
    auto* unit = zelto_cast<Tgis_ItemsForestUnit>(aUnit);
    return unit ? frameAt(unit, childIndex(unit), x, y) : nullptr;
}

Tgis_ForestUnit* TForestModelSelector::frameAt(Tgis_ItemsForestUnit* unit, ChildIndex& index, double x,
                                               double y) {
    // An entry is made current when a search first enters the unit, never while an outer visit
    // of the same unit (in a damaged stream, its own descendant) walks its children.
    if (index.searched != m_search) buildIndex(unit, index);
    if (index.noItems) return nullptr;
    if (isClass(unit, FReferenceFrameClass)) FActualReferenceFrame = unit;
    // A unit listed by several parents (or by its own descendants, in a damaged stream) is entered
    // once per search: it found nothing the first time, so each unit costs one visit whatever the
    // number of paths to it.
    if (index.searched == m_search) return nullptr;
    index.searched = m_search;
    const TClassInfo* itemClass = index.itemClass;
    const bool enterEvery = itemClass && itemClass == FReferenceFrameClass;
    const bool frames = itemClass && itemClass == FFrameClass;
    // A child of another unit is entered through its own entry, found once from here.
    auto enter = [&](size_t i) -> Tgis_ForestUnit* {
        Tgis_ItemsForestUnit* child = index.itemUnits[i];
        ChildIndex*& entry = index.entries[i];
        if (!entry) entry = &childIndex(child);
        return frameAt(child, *entry, x, y);
    };
    if (!enterEvery || (frames && index.rectsRegular)) {
        // The children whose rectangle contains the point, in list order. A frame is hit only
        // inside its rectangle, so below the reference frames, too, the others need no test.
        Tgis_ForestUnit* found = nullptr;
        index.visitAt(x, y, [&](int i) {
            Tgis_ForestUnit* child = index.units[size_t(i)];
            if (frames) {
                if (!child->IsHitByXY(x, y, 0)) return false;
                found = child;
                return true;
            }
            if (!index.itemUnits[size_t(i)]) return true; // the search ends here, empty
            found = enter(size_t(i));
            return found != nullptr;
        });
        return found;
    }
    for (size_t i = 0; i < index.units.size(); ++i) {
        Tgis_ForestUnit* child = index.units[i];
        if (frames) {
            if (child->IsHitByXY(x, y, 0)) return child;
            continue;
        }
        if (!index.itemUnits[i]) return nullptr;
        if (Tgis_ForestUnit* found = enter(i)) return found;
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
        auto* items = zelto_cast<Tgis_ItemsForestUnit>(unit);
        if (!items) continue;
        if (Tgis_ForestUnit* found = frameAt(items, childIndex(items), FX, FY)) {
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
