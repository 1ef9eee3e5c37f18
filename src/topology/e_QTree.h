// Spatial indexes over model coordinates: the region quadtree that indexes elements by their
// rectangles over a power-of-two square grid (rectangle and point queries), and the point quadtree
// of the begin and end points of polylines used to build nodes.
//
// What the region quadtree's queries answer. An element is stored in every leaf whose square
// (closed) meets it by AddDirectlyEx: for TRectEntityQTree its IsOverRegionEx, so a line sits in
// the leaves that the boxes of its segments meet, not in every leaf its whole rectangle meets.
// The element queries then test the element's bounding rectangle only (ElementIsOverRectangle),
// so they are a first filter by boxes: they answer every indexed element whose geometry meets the
// window (nothing is missed), and also elements whose rectangle meets it while their geometry
// does not. A caller that needs the exact answer refines it (IsHitByXY, IsOverRegionEx, ...). All
// tests are on closed rectangles: touching counts.
#pragma once

#include "geometry/e_Geometry.h"

namespace zelto {

class TQTree : public TRectEntity {
    ZELTO_CLASS(TQTree, TRectEntity)
public:
    qint32 FLevel = 0;
    qint32 FQWidth = 0;
    qint32 FQMinWidth = 1;
    qint32 FMaxLeafCount = 0;

    TQTree();

    // Leaf capacity: MaxLeafCount when positive, else the class default.
    virtual qint32 MaxCountInCell() const;
    // Whether dividing this full leaf would part its elements among the quarters; a leaf whose
    // elements would each go to all four quarters only multiplies them.
    virtual bool SplitSeparates() const { return true; }
    virtual void AddDirectlyEx(TElement* e);
    // The element's rectangle; false when the element has none this tree can index.
    virtual bool GiveElementRectangle(const TElement* e, double& xmin, double& ymin, double& xmax,
                                      double& ymax) const = 0;
    // The element's bounding rectangle meets the rectangle (closed); not its geometry. False for an
    // element that is not a TRectEntity.
    virtual bool ElementIsOverRectangle(const TElement* e, double xmin, double ymin, double xmax,
                                        double ymax) const;
    // The new piece of a divided element joins every leaf below this node that it overlaps.
    virtual void on_tm_DivideGeometry(TZeltoMessage& message);

    void HandleMessage(TZeltoMessage& message, bool& handled) override;

    bool GetIsLeaf() const;
    double GetQXMin() const { return GetMinX(); }
    double GetQYMin() const { return GetMinY(); }
    void SetQXMin(double x);
    void SetQYMin(double y);
    qint32 GetQWidth() const { return FQWidth; }
    void SetQWidth(qint32 w);
    qint32 GetLevel() const { return FLevel; }
    void SetLevel(qint32 v) { FLevel = v; }
    qint32 GetElementsCount() const;
    qint32 GetLeavesCount() const;

    // The node's square: lower-left corner and side.
    void SetSquare(double x, double y, qint32 w);
    void SetForRectangle(double xmin, double ymin, double xmax, double ymax);
    // Indexes the element within the current square (an element outside it is not indexed).
    void Add(TElement* e);
    // Grows the root to cover the element first, then adds it.
    void Extend(TElement* e);
    void AddRectElement(TElement* e, double xmin, double ymin, double xmax, double ymax);
    void AddDirectly(TElement* e);
    // Grows the root square by powers of two to cover the rectangle, keeping the subtree. Raises
    // EZeltoError "Chyba při rozšiřování QTree" (changing nothing) when the old square would not be
    // a node of the new grid.
    void ExtendQuad(double xmin, double ymin, double xmax, double ymax);

    // Exact tests on this node's square (not on what it holds):
    // the square and the rectangle meet, edges and corners included.
    bool IsOverRectangle(double xmin, double ymin, double xmax, double ymax) const;
    // The rectangle lies in the square, edges included.
    bool RectangleIsIn(double xmin, double ymin, double xmax, double ymax) const;
    // The square (x, y, side w) lies in this square, and the node's rectangle is no wider than
    // its square side.
    bool IsIn(double x, double y, double w) const;
    // IsIn, or the square (x, y, side w) meets this square.
    bool IsOver(double x, double y, double w) const;
    // The point lies in the square; the lower edges are excluded, the upper ones included, so a
    // point on an edge between two leaves belongs to exactly one of them.
    bool XYIsIn(double x, double y) const;
    // Some leaf at or below this node meets the rectangle: exact on the leaves' squares, and
    // true also when that leaf holds nothing.
    bool HasLeafOverRectangle(double xmin, double ymin, double xmax, double ymax) const;
    // Some element stored in a leaf that meets the rectangle has a bounding rectangle that meets
    // it: a first filter by boxes (see the top of this file). False never misses an element
    // whose geometry meets the rectangle; true may come from a box alone.
    bool HasElementOverRectangle(double xmin, double ymin, double xmax, double ymax) const;
    void GetPaterAndSelfIndex(TQTree*& parent, qint32& index) const;
    // Frees the elements of every leaf by the owner rules (elements held elsewhere survive); the
    // tree's shape stays.
    void Empty();
    TQTree* Child(int i) const { return static_cast<TQTree*>(FElements.at(i)); }

protected:
    // Splits a full leaf into four children and moves its elements into them.
    void MakeNewQTreeAndMove();
    TQTree* newChild(double x, double y) const;
};

class TRectEntityQTree : public TQTree {
    ZELTO_CLASS(TRectEntityQTree, TQTree)
public:
    static constexpr qint32 DefaultLeafCount = 64;

    qint32 MaxCountInCell() const override;
    // Only a rectangle entity, and only when its shape crosses the node's square.
    void AddDirectlyEx(TElement* e) override;
    // More than half of its elements miss some quarter. Elements that cover the leaf
    // (the enclosing rings of nested areas) stay with it instead of being copied into ever smaller
    // leaves, which made nested rings cost the cube of their count.
    bool SplitSeparates() const override;
    bool GiveElementRectangle(const TElement* e, double& xmin, double& ymin, double& xmax,
                              double& ymax) const override;
    void SetNextRectEntity(TElement* e) { Extend(e); }
};

// A cursor over a quadtree for one rectangle query, widened by the tolerance on every side. It
// answers the elements stored in the leaves (at or below the node it starts from) that meet the
// widened window and whose bounding rectangle meets it: a first filter by boxes that misses no
// element whose geometry meets the window; the caller refines. An element stored in several
// leaves is met once per leaf, so a caller that needs each once marks what it has seen.
class TQTreeWalker {
public:
    virtual ~TQTreeWalker() = default;

    // Starts a query at `tree` (the root, or a subtree: the walk then stays inside it); none when
    // its square does not meet the widened window.
    TElement* GetFirstElementForRectangle(TQTree* tree, double xmin, double ymin, double xmax, double ymax,
                                          double tolerance);
    TElement* GetNextElement();
    // Whether the walk enters the node: its square meets the widened window.
    virtual bool QGoInside(const TQTree* node) const;

    double Xmin = 0, Ymin = 0, Xmax = 0, Ymax = 0, Tolerance = 0;

private:
    void step();
    TQTree* m_start = nullptr; // where the walk began and ends
    TQTree* m_node = nullptr;
    qint32 m_index = 0;
    double m_x0 = 0, m_y0 = 0, m_x1 = 0, m_y1 = 0; // the widened rectangle
};

// A node of the point quadtree.
class TSpaceRect : public TRectEntity {
    ZELTO_CLASS(TSpaceRect, TRectEntity)
public:
    double HX = 0, HY = 0;
    TSpaceRect* FLeftTop = nullptr;
    TSpaceRect* FLeftBottom = nullptr;
    TSpaceRect* FRightTop = nullptr;
    TSpaceRect* FRightBottom = nullptr;
    bool FIsLast = true;

    virtual qint32 GetCount() const = 0;
    bool GetLast() const { return FIsLast; }
    void SetLast(bool v) { FIsLast = v; }
    void RemoveElement(TElement* element) override;
};

// The point quadtree of line ends: a leaf keeps the lines that begin and that end in it.
class TSpaceLineBegEndCell : public TSpaceRect {
    ZELTO_CLASS(TSpaceLineBegEndCell, TSpaceRect)
public:
    static constexpr qint32 MaxCountInCell = 256;
    // Cells are not split below this size: many ends at one point stay in one leaf.
    static constexpr double MinCellSize = 1e-6;

    TPolyLineString* FLineBegins = nullptr; // a child, created on demand ("BEGINS")
    TPolyLineString* FLineEnds = nullptr;   // a child, created on demand ("ENDS")

    qint32 GetCount() const override;
    void RemoveElement(TElement* element) override;

    // Enters the line under its first (fromBegin) or last vertex.
    void AddLine(TPolyElement* line, bool fromBegin);
    void AddLineXY(TPolyElement* line, bool fromBegin, double x, double y);
    void AddToQTree(TPolyElement* line, bool fromBegin, double x, double y);
    void PrepareQTree();
    void MoveToQTree();
    // Stores the entry in this leaf.
    void AddBegEnd(TPolyElement* line, bool fromBegin);
    TPolyLineString* GetLineBegins() const { return FLineBegins; }
    TPolyLineString* GetLineEnds() const { return FLineEnds; }
};

// A diagnostic text dump of a quadtree, appended to the file.
void VypisQTree(const QString& fileName, const TQTree* tree);

void registerQTreeClasses();

} // namespace zelto
