// Holes of areas built from lines: the outer ring of every connected group of lines (a negative
// ring) becomes a hole of the smallest area around it that shares no line with it.
#pragma once

#include "T_ToTool.h"
#include "framework/t_Sort.h"

namespace zelto {

class TRectEntityQTree;

// Sorts the input's areas by the absolute value of FixedArea, ascending (stable).
class TSortAreasByAbsWholeArea : public TSortElementsByFloat {
    ZELTO_CLASS(TSortAreasByAbsWholeArea, TSortElementsByFloat)
public:
    int CompareElements(const TElement* e1, const TElement* e2) const override;
    void DoIt() override;
};

// Attaches the holes among the areas of the input (the area quadtree of the tracing step, or any
// entity holding areas and holes) to the areas that contain them; the output is a new TAreaString
// (owned by the caller) of the bounded faces only, ascending by area, each with the holes it
// directly contains and FixedArea 0. A hole that no area contains is left out and stays where it
// was (the quadtree frees it with itself).
class TSubAreasLinear : public TTool {
    ZELTO_CLASS(TSubAreasLinear, TTool)
public:
    void DoIt() override;
};

// The same attachment for the holes met by the walk, looked up in AreaQTree: each hole goes to the
// containing area with the smallest FixedArea above its own.
class TSubAreaMakerInQTree : public TProchazecPloch {
    ZELTO_CLASS(TSubAreaMakerInQTree, TProchazecPloch)
public:
    TRectEntityQTree* FAreaQTree = nullptr; // not owned

    void DoIt() override;
    void ProcessArea(TAreaElement* area) override;

    TRectEntityQTree* GetAreaQTree() const { return FAreaQTree; }
    void SetAreaQTree(TRectEntityQTree* tree) { FAreaQTree = tree; }
};

// Whether `area` can take `hole`: not a hole itself, its rectangle contains the hole's, it shares
// no line with the hole and the hole's first vertex lies inside it.
bool AreaCanHoldHole(const TAreaElement* area, const TAreaElement* hole);

// Module 36 (sub-areas): TSubAreaMakerInQTree.
void registerSubAreaClasses();

} // namespace zelto
