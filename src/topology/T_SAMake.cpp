#include "T_SAMake.h"

#include "e_QTree.h"
#include "framework/e_Class.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

namespace zelto {

namespace {

double absFixedArea(const TElement* e) {
    auto* a = zelto_cast<TAreaElement>(e);
    return a ? std::abs(a->GetFixedArea()) : 0;
}

} // namespace

bool AreaCanHoldHole(const TAreaElement* area, const TAreaElement* hole) {
    if (!area || !hole || area == hole || area->GetIsHole()) return false;
    const T2DCoordinate* c = hole->GetCoordElement(0);
    if (!c) return false;
    return area->RegionIsInside(hole->GetMinX(), hole->GetMinY(), hole->GetMaxX(), hole->GetMaxY()) &&
           hole->IsIsolatedFrom(area) && area->XYIsInside(c->FX, c->FY);
}

// ---- TSortAreasByAbsWholeArea --------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSortAreasByAbsWholeArea, TSortElementsByFloat, "T_SAMake")

int TSortAreasByAbsWholeArea::CompareElements(const TElement* e1, const TElement* e2) const {
    const double a = absFixedArea(e1), b = absFixedArea(e2);
    return (a > b) - (a < b);
}

void TSortAreasByAbsWholeArea::DoIt() {
    auto* input = zelto_cast<TEntity>(FInPut);
    if (!input || input->ElementsCount() < 2) return;
    // One key per element and a stable sort: the same order as the general sort, in n log n.
    std::vector<std::pair<double, TElement*>> keyed;
    keyed.reserve(size_t(input->ElementsCount()));
    for (TElement* e : input->FElements)
        if (e) keyed.emplace_back(absFixedArea(e), e);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const int n = input->ElementsCount();
    for (int i = 0; i < n; ++i) input->Put(i, i < int(keyed.size()) ? keyed[size_t(i)].second : nullptr);
}

// ---- TSubAreasLinear -----------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSubAreasLinear, TTool, "T_SAMake")

void TSubAreasLinear::DoIt() {
    SetOutput(nullptr);
    auto* input = zelto_cast<TEntity>(FInPut);
    if (!input) return;
    auto* work = new TAreaString;
    {
        auto finder = std::make_unique<THledacPloch>();
        finder->FIncludeHoles = true;
        finder->SetInput(input);
        finder->SetOutput(work);
        finder->DoIt();
    }
    const int n = work->ElementsCount();
    if (n > 100) StartProgress(QStringLiteral("Holes"), 0, n);
    auto step = [this](int i) {
        if (i % 10 == 0) SetProgress(i);
    };

    SetProgressText(QStringLiteral("Whole areas"));
    for (int i = 0; i < n; ++i) {
        if (auto* a = zelto_cast<TAreaElement>(work->FElements.at(i))) a->SetIsDone(false);
        step(i);
    }

    SetProgressText(QStringLiteral("Sort"));
    {
        auto sorter = std::make_unique<TSortAreasByAbsWholeArea>();
        sorter->SetInput(work);
        sorter->DoIt();
    }

    SetProgressText(QStringLiteral("Process holes"));
    // The first suitable area after a hole in the sorted order. A region quadtree as input
    // answers the areas at the hole's first vertex, so only those are tested; the answer is the
    // one a scan of the whole rest of the list would give.
    auto* tree = zelto_cast<TQTree>(input);
    std::unordered_map<const TElement*, int> position;
    if (tree) {
        position.reserve(size_t(n));
        for (int i = 0; i < n; ++i) position.emplace(work->FElements.at(i), i);
    }
    std::vector<std::pair<int, TAreaElement*>> candidates;
    auto hostOf = [&](int i, TAreaElement* hole) -> TAreaElement* {
        const T2DCoordinate* c = hole->GetCoordElement(0);
        if (!c) return nullptr;
        if (!tree) {
            for (int j = i + 1; j < n; ++j) {
                auto* a = zelto_cast<TAreaElement>(work->FElements.at(j));
                if (AreaCanHoldHole(a, hole)) return a;
            }
            return nullptr;
        }
        candidates.clear();
        TQTreeWalker walker;
        for (TElement* e = walker.GetFirstElementForRectangle(tree, c->FX, c->FY, c->FX, c->FY, 0); e;
             e = walker.GetNextElement()) {
            const auto p = position.find(e);
            if (p != position.end() && p->second > i)
                candidates.emplace_back(p->second, static_cast<TAreaElement*>(e));
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        for (const auto& [j, a] : candidates)
            if (AreaCanHoldHole(a, hole)) return a;
        return nullptr;
    };
    for (int i = 0; i < n; ++i) {
        auto* hole = zelto_cast<TAreaElement>(work->FElements.at(i));
        if (hole && hole->GetIsHole() && !hole->GetIsDone()) {
            hole->SetIsDone(true);
            if (TAreaElement* host = hostOf(i, hole)) host->AddHole(hole);
        }
        step(i);
    }

    SetProgressText(QStringLiteral("Remove holes"));
    // The faces go to the output in their order; the working list lets everything go at once
    // (removing the holes one by one would shift the list once per hole).
    auto* output = new TAreaString;
    for (int i = 0; i < n; ++i) {
        auto* a = zelto_cast<TAreaElement>(work->FElements.at(i));
        if (!a) continue;
        a->SetFixedArea(0);
        if (!a->GetIsHole()) output->AddAndUpdateRect(a);
    }
    work->FreeAll(); // releases what others hold (the input keeps every area and hole)
    delete work;
    EndProgress();
    SetOutput(output);
}

// ---- TSubAreaMakerInQTree ------------------------------------------------------------------------

void TSubAreaMakerInQTree::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TSubAreaMakerInQTree::GetAreaQTree, &TSubAreaMakerInQTree::SetAreaQTree>("AreaQTree");
}
ZELTO_IMPLEMENT_CLASS(TSubAreaMakerInQTree, TProchazecPloch, "T_SAMake")

void TSubAreaMakerInQTree::DoIt() {
    auto marker = std::make_unique<TOznacPlochy>();
    marker->SetInput(FInPut);
    marker->DoIt();
    FPocetPloch = 0;
    TProchazecPloch::DoIt();
}

void TSubAreaMakerInQTree::ProcessArea(TAreaElement* hole) {
    if (!hole->GetIsHole() || hole->GetIsDone() || !FAreaQTree) return;
    hole->SetIsDone(true);
    const T2DCoordinate* c = hole->GetCoordElement(0);
    if (!c) return;
    TAreaElement* best = nullptr;
    TQTreeWalker walker;
    for (TElement* e = walker.GetFirstElementForRectangle(FAreaQTree, c->FX, c->FY, c->FX, c->FY, 0); e;
         e = walker.GetNextElement()) {
        auto* a = zelto_cast<TAreaElement>(e);
        if (!a || a == best || a->GetFixedArea() <= hole->GetFixedArea()) continue;
        if (best && a->GetFixedArea() >= best->GetFixedArea()) continue;
        if (AreaCanHoldHole(a, hole)) best = a;
    }
    if (best) best->AddHole(hole);
}

void registerSubAreaClasses() {
    RegisterZeltoClass(TSubAreaMakerInQTree::StaticClass());
}

} // namespace zelto
