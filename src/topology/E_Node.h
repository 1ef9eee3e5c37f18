// The node graph of the topology tools: a node is a point where line ends meet; each line end at a
// node is a branch, one direction of travel along the line away from the node. Branches are kept
// sorted by direction, which is what face tracing walks on: from a branch, go to the other end of
// its line and turn into the next branch counter-clockwise there, and the walk goes round the face
// on the right of the starting branch (X right, Y up).
#pragma once

#include "geometry/e_Geometry.h"

namespace zelto {

class TNode;

class TNodeBranch : public TElement {
    ZELTO_CLASS(TNodeBranch, TElement)
public:
    bool FLineBegin = false;
    bool FNotRegularArea = false;
    TAreaElement* FRightArea = nullptr; // not owned
    TNode* FNode = nullptr;             // the node at the other end of the line; not owned
    TPolyLineElement* FLine = nullptr;  // not owned (the node holds the line)

    // Direction of the first segment along the branch, from the line's end at this node towards
    // the first vertex inward that differs from it: in (0, 2π], +X giving 2π. 0 without a line.
    double GetAngle() const;
    // The second vertex along the branch direction (0 without one).
    double GetX2() const;
    double GetY2() const;
    // The RightArea of the branch at the other end of the line.
    TAreaElement* GetLeftArea() const;
    // The other end of the line: the node holding the branch of the same line with the opposite
    // LineBegin, and that branch. None when the line is not entered at its other end.
    void GiveLineSecondNodeBranch(TNode*& node, TNodeBranch*& branch) const;
    // One step of face tracing: the branch that follows, counter-clockwise, the arriving branch at
    // the other end of the line; `nextNode` is the node it leaves from.
    TNodeBranch* GetNextNodeBranchRight(TNode*& nextNode) const;
    // The first pass of tracing the face on the right: sums the open areas of the lines along the
    // walk (positive for a bounded face traced clockwise) and, with `mark`, marks every branch met
    // NotRegularArea. `ok` is false when the walk cannot be closed, meets a marked branch, a sum is
    // not finite or more than MaxTracedBranches branches are taken.
    void GiveRightAreaPropertyAndSet(double& areaValue, bool& ok, bool mark, qint32& count);

    static constexpr qint32 MaxTracedBranches = 9999;

    bool GetLineBegin() const { return FLineBegin; }
    void SetLineBegin(bool v) { FLineBegin = v; }
    bool GetNotRegularArea() const { return FNotRegularArea; }
    void SetNotRegularArea(bool v) { FNotRegularArea = v; }
    TAreaElement* GetRightArea() const { return FRightArea; }
    void SetRightArea(TAreaElement* a) { FRightArea = a; }
    TPolyLineElement* GetLine() const { return FLine; }
    void SetLine(TPolyLineElement* l) { FLine = l; }
    TNode* GetNode() const { return FNode; }
    void SetNode(TNode* n) { FNode = n; }
    // The line's open area sum in the branch direction (one term of a face's sum).
    double GetSubAreaValue() const;
};

class TNode : public TRectEntity {
    ZELTO_CLASS(TNode, TRectEntity)
public:
    T2DCoordinate* FCoord = nullptr; // owned

    ~TNode() override;

    // Within |tolerance| of the node's point (strictly).
    bool IsHit(const TCoordinate* c, double tolerance) const override;
    bool IsHitByXY(double x, double y, double tolerance) const override;

    double GetX() const { return FCoord ? FCoord->FX : 0; }
    double GetY() const { return FCoord ? FCoord->FY : 0; }
    void SetX(double v);
    void SetY(double v);
    T2DCoordinate* GetCoord() const { return FCoord; }

    // Enters the line's end (first vertex with fromBegin, else last): the branch of that end,
    // created and inserted in angle order when missing; the line becomes a child. None (and the
    // message "Error: TNode.AddLine") when the line has no such vertex.
    TNodeBranch* AddLine(TPolyLineElement* line, bool fromBegin);
    // Inserts before the first child that is not a branch or has a greater angle.
    void AddBranchSorted(TNodeBranch* branch);
    qint32 GetBranchCount() const;
    TNodeBranch* GetBranch(int i) const;
    TNodeBranch* GetBranchOfLine(const TPolyLineElement* line, bool fromBegin) const;
    TNodeBranch* GetBranchOfLineSimp(const TPolyLineElement* line) const;
    TPolyLineElement* GetLine(const TPolyLineElement* line) const;
    // The next branch counter-clockwise (wrapping to the first) and clockwise (wrapping to the
    // last); a branch that is not this node's gives none.
    TNodeBranch* GetNextBranchLeft(const TNodeBranch* branch) const;
    TNodeBranch* GetNextBranchRight(const TNodeBranch* branch) const;
};

// Among the line's owners, the first node that has a branch of the line with this LineBegin.
void GiveNodeBranchForLine(const TPolyLineElement* line, bool fromBegin, TNode*& node, TNodeBranch*& branch);

// Module 33 (nodes): TNode, TNodeBranch.
void registerNodeClasses();

} // namespace zelto
