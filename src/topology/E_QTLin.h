// Segment objects of polylines and the two quadtrees the line joiner works with: one of whole
// lines (the lines already cleaned) and one of the segments of the line being compared.
#pragma once

#include "topology/e_QTree.h"

#include <algorithm>
#include <limits>

namespace zelto {

// One segment of a polyline: the vertices Index and Index + 1 of Line. The segment holds no
// coordinates of its own, so moving a vertex through one segment moves it for the neighbouring
// segment too, and the line keeps its shape as the single source of truth.
class TTopLinAbscissa : public TOwnerElement {
    ZELTO_CLASS(TTopLinAbscissa, TOwnerElement)
public:
    TPolyLineElement* FLine = nullptr;       // not owned
    TTopLinAbscissa* FNewAbscissa = nullptr; // not owned: the old segment this one repeats
    qint32 FIndex = 0;
    bool FSwap = false;       // the repeated old segment runs the other way
    bool FIsNewEnd = false;   // the line is to be cut at this segment's begin
    bool FIsNew = false;      // made by dividing a segment
    bool FIsDeleted = false;  // repeats an old segment
    bool FFixedBegin = false; // the begin has been snapped and must not move again
    bool FFixedEnd = false;
    // A segment of another line listed for comparison keeps the box it had when it was listed
    // (not stored). The comparison never moves the vertices of those lines, it only divides
    // their segments, so the box still bounds the segment and its pieces, and scans over the
    // candidates test it instead of reading both vertices of every candidate again.
    bool FHasListedBox = false;
    double FListedBox[4] = {0, 0, 0, 0}; // xmin, ymin, xmax, ymax
    // The line is a plain polyline whose children are all coordinates, checked when the segment
    // was listed (MarkPlainLine). Its vertices are then read straight from the line's children,
    // without the virtual vertex lookup and its class check, which the comparisons would otherwise
    // pay on every vertex they read. The joiner inserts and removes only coordinates, so the check
    // holds for as long as its list lives. Not stored.
    bool FPlainLine = false;

    TTopLinAbscissa() = default;
    TTopLinAbscissa(TPolyLineElement* line, qint32 index) : FLine(line), FIndex(index) {}

    // The line is plain and every child of it a coordinate (one pass over its children).
    static bool IsPlainLine(const TPolyLineElement* line);

    // Both vertices exist (a segment of a line that has lost vertices answers false, and its
    // coordinates read as NaN, so that no comparison holds for it).
    bool IsValid() const;
    T2DCoordinate* BeginCoord() const { return Coord(FIndex); }
    T2DCoordinate* EndCoord() const { return Coord(FIndex + 1); }
    // The bounding box of the two vertices, read once; false for a segment that is not valid.
    bool GetBox(double& xmin, double& ymin, double& xmax, double& ymax) const {
        const T2DCoordinate* a = BeginCoord();
        const T2DCoordinate* b = a ? EndCoord() : nullptr;
        if (!b) return false;
        xmin = std::min(a->FX, b->FX);
        xmax = std::max(a->FX, b->FX);
        ymin = std::min(a->FY, b->FY);
        ymax = std::max(a->FY, b->FY);
        return true;
    }

    // A missing vertex reads as NaN.
    double GetX1() const { return coordX(BeginCoord()); }
    double GetY1() const { return coordY(BeginCoord()); }
    double GetX2() const { return coordX(EndCoord()); }
    double GetY2() const { return coordY(EndCoord()); }
    void SetX1(double v);
    void SetY1(double v);
    void SetX2(double v);
    void SetY2(double v);
    // The begin (fromBegin) or the end.
    void GetPoint(bool fromBegin, double& x, double& y) const {
        const T2DCoordinate* c = fromBegin ? BeginCoord() : EndCoord();
        x = coordX(c);
        y = coordY(c);
    }
    void SetPoint(bool fromBegin, double x, double y);
    bool IsFixed(bool fromBegin) const { return fromBegin ? FFixedBegin : FFixedEnd; }
    void SetFixed(bool fromBegin, bool fixed) { (fromBegin ? FFixedBegin : FFixedEnd) = fixed; }

    double GetXmin() const;
    double GetYmin() const;
    double GetXmax() const;
    double GetYmax() const;
    double GetLength() const;
    qint32 GetLineNo() const;
    bool GetIsFirst() const { return FIndex == 0; }
    bool GetIsLast() const;
    bool GetIsMargin() const { return GetIsFirst() || GetIsLast(); }

    TPolyLineElement* GetLine() const { return FLine; }
    void SetLine(TPolyLineElement* line) {
        FLine = line;
        FPlainLine = false;
    }
    TTopLinAbscissa* GetNewAbscissa() const { return FNewAbscissa; }
    void SetNewAbscissa(TTopLinAbscissa* a) { FNewAbscissa = a; }
    qint32 GetIndex() const { return FIndex; }
    void SetIndex(qint32 v) { FIndex = v; }

    // Moves the chosen end onto (x, y) when it lies within snap of it.
    bool JoinToPoint(bool fromBegin, double x, double y, double snap);
    // (x, y) := the other segment's begin (otherBegin) or end; true with the distance when this
    // segment's chosen end is not fixed and lies within snap of it.
    bool IsJoinedPoint(bool fromBegin, const TTopLinAbscissa* other, bool otherBegin, double& x, double& y,
                       double& distance, double snap) const;
    // IsJoinedPoint, and then the end is moved onto the other point and fixed.
    bool JoinToAbscPoint(bool fromBegin, const TTopLinAbscissa* other, double snap, bool otherBegin);
    // The foot of the perpendicular from the tested end onto the other segment, and whether it lies
    // on that segment closer than snap. The tested end is the begin when fromBegin is set and the
    // begin is free, else the end (false when the end is fixed). An end that coincides with an end
    // of the other segment is never joined to it.
    bool IsJoinToAbsc(bool fromBegin, const TTopLinAbscissa* other, double& px, double& py, double& dist,
                      double snap) const;
    // IsJoinToAbsc, and then the tested end is moved onto the foot and fixed.
    bool JoinToAbsc(bool fromBegin, const TTopLinAbscissa* other, double& px, double& py, double snap);
    // How a vertex of the other segment (its begin or its end) relates to this segment: NearPoint
    // when its foot lies on this segment closer than snap; Danger when that distance exceeds the
    // distance from the foot to one of this segment's ends.
    void RelationToPoint(const TTopLinAbscissa* other, bool fromBegin, double& footX, double& footY,
                         double& px, double& py, bool& danger, bool& nearPoint, double snap) const;
    // Inserts the vertex (x, y) into the line after this segment's begin; this segment ends there
    // and the new segment (IsNew) runs from it to the old end. The caller owns the new segment and
    // shifts the indices of the line's later segments (TLinesAbscEntity::InsertAbsc).
    TTopLinAbscissa* CreateDividedWith(double x, double y);
    // The segment's box widened by tolerance overlaps the rectangle (closed).
    bool IsOverRectangle(double xmin, double ymin, double xmax, double ymax, double tolerance) const;
    bool IsIdenticalTo(const TTopLinAbscissa* other) const;
    // id11: begin = other's begin; id22: end = other's end; id12: begin = other's end;
    // id21: end = other's begin (exact comparisons).
    void IdentTest(const TTopLinAbscissa* other, bool& id11, bool& id21, bool& id12, bool& id22) const;

private:
    static double coordX(const T2DCoordinate* c) {
        return c ? c->FX : std::numeric_limits<double>::quiet_NaN();
    }
    static double coordY(const T2DCoordinate* c) {
        return c ? c->FY : std::numeric_limits<double>::quiet_NaN();
    }
    // Vertex i of the line, or none.
    T2DCoordinate* Coord(qint32 i) const {
        if (!FLine) return nullptr;
        if (!FPlainLine) return FLine->GetCoordElement(i);
        if (i < 0 || i >= FLine->FElements.count()) return nullptr;
        return static_cast<T2DCoordinate*>(FLine->FElements.at(i));
    }
};

// The quadtree of lines that the joiner fills with the lines it has cleaned.
class TQTreeTopLin : public TRectEntityQTree {
    ZELTO_CLASS(TQTreeTopLin, TRectEntityQTree)
public:
    static constexpr qint32 LeafCount = 128;
    qint32 MaxCountInCell() const override { return LeafCount; }
    // The joiner enters the pieces of a cut line itself.
    void on_tm_DivideGeometry(TZeltoMessage&) override {}
};

// The quadtree of the segments of one line.
class TQTreeTopLinAbsc : public TQTree {
    ZELTO_CLASS(TQTreeTopLinAbsc, TQTree)
public:
    static constexpr qint32 LeafCount = 32;
    qint32 MaxCountInCell() const override { return LeafCount; }
    bool GiveElementRectangle(const TElement* e, double& xmin, double& ymin, double& xmax,
                              double& ymax) const override;
    bool ElementIsOverRectangle(const TElement* e, double xmin, double ymin, double xmax,
                                double ymax) const override;
    void on_tm_DivideGeometry(TZeltoMessage&) override {}
};

} // namespace zelto
