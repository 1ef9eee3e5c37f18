// The steps that build areas on the point quadtree of line ends: nodes are made in each leaf, the
// branches are connected to the far ends of their lines, dead ends are removed, and the faces of
// the resulting planar graph are traced into areas made of the lines around them.
#pragma once

#include "T_ToTool.h"

#include <vector>

namespace zelto {

class TNode;
class TNodeBranch;
class TRectEntityQTree;
class TSpaceLineBegEndCell;
class TAreaPointPlacer;

// Walks the leaves of a point quadtree of line ends.
class TProchazecListuQTree : public TProchazecObjektu {
    ZELTO_CLASS(TProchazecListuQTree, TProchazecObjektu)
public:
    qint32 FLeavesCount = 0;

    void DoIt() override;
    bool QGoInside(TElement* element) override;
    bool QProcessBefore(TElement* element) override;
    void Process(TElement* element) override;
    virtual void ProcessLeaf(TSpaceLineBegEndCell* leaf);

    qint32 GetLeavesCount() const { return FLeavesCount; }

    // The leaf's "NODES" entity, or none.
    static TEntity* NodesOfLeaf(const TSpaceLineBegEndCell* leaf);
};

// The leaf walker that counts the leaves first and shows progress for more than 100.
class TProchazecListuQTreeGauge : public TProchazecListuQTree {
    ZELTO_CLASS(TProchazecListuQTreeGauge, TProchazecListuQTree)
public:
    void DoIt() override;
    void Process(TElement* element) override;
};

// Enters line ends into the nodes of one leaf: lines of a "BEGINS" collection under their first
// vertex, of "ENDS" under their last, of any other collection under both. An end joins the first
// node of the leaf closer than NodeTolerance on both axes, or a new node.
class TPutLinesIntoNodes : public TProchazecLinii {
    ZELTO_CLASS(TPutLinesIntoNodes, TProchazecLinii)
public:
    static constexpr double NodeTolerance = 1e-4;

    TEntity* FNodes = nullptr;             // the leaf's "NODES" entity (created on first use)
    TSpaceLineBegEndCell* FLeaf = nullptr; // the leaf that receives it
    bool FPutBothEnds = false;
    bool FPutBegin = true;

    void ProcessLine(TPolyLineElement* line) override;
    void PutLineEnd(TPolyLineElement* line, bool fromBegin);
    TNode* FindNode(double x, double y) const;

    bool GetPutBothEnds() const { return FPutBothEnds; }
    void SetPutBothEnds(bool v) { FPutBothEnds = v; }
    bool GetPutBegin() const { return FPutBegin; }
    void SetPutBegin(bool v) { FPutBegin = v; }
};

class TPutNodesIntoQTree : public TProchazecListuQTreeGauge {
    ZELTO_CLASS(TPutNodesIntoQTree, TProchazecListuQTreeGauge)
public:
    void ProcessLeaf(TSpaceLineBegEndCell* leaf) override;
};

// Connects one node's branches to the far ends of their lines; with DeletePseudoNode, first tries
// to join the two lines of a node with exactly two branches into one and to free the node.
class TNodeConector : public TTool {
    ZELTO_CLASS(TNodeConector, TTool)
public:
    bool FJoinDifferentLines = false;
    bool FDeletePseudoNode = false;
    qint32 FMaxCoordsCount = 0;

    void DoIt() override;
    // Answers whether the lines were joined (the node is then freed).
    bool JoinPseudoNode(TNode* node);
};

class TNodesConector : public TProchazecListuQTreeGauge {
    ZELTO_CLASS(TNodesConector, TProchazecListuQTreeGauge)
public:
    bool FJoinDifferentLines = false;
    bool FDeletePseudoNodes = false;
    qint32 FMaxCoordsCount = 0;

    void ProcessLeaf(TSpaceLineBegEndCell* leaf) override;
};

// Removes the dead ends of each leaf (one level per run), last node first.
class TRemoveSingleLinesInQTree : public TProchazecListuQTreeGauge {
    ZELTO_CLASS(TRemoveSingleLinesInQTree, TProchazecListuQTreeGauge)
public:
    void ProcessLeaf(TSpaceLineBegEndCell* leaf) override;
};

// Frees the "BEGINS" and "ENDS" collections of every leaf; the nodes keep the lines.
class TDeleteDirectRelationsToLinesInQTree : public TProchazecListuQTreeGauge {
    ZELTO_CLASS(TDeleteDirectRelationsToLinesInQTree, TProchazecListuQTreeGauge)
public:
    void ProcessLeaf(TSpaceLineBegEndCell* leaf) override;
};

// Traces the face on the right of the input branch into a new TPolyLineAreaElement (the output,
// owned by the caller): a bounded face (clockwise, positive) with its label point, or the outer
// ring of a connected group of lines (counter-clockwise), marked IsHole. FixedArea is the face's
// absolute area. Nothing for a face that cannot be closed, has MaxFaceBranches branches or more,
// or an area of at most MinFaceArea.
class TCreateAreaForBranch : public TTool {
    ZELTO_CLASS(TCreateAreaForBranch, TTool)
public:
    static constexpr qint32 MaxFaceBranches = 5000;
    static constexpr qint32 MaxBuildBranches = 10000;
    static constexpr double MinFaceArea = 0.001;

    double FAreaValue = 0;
    // Whether a bounded face gets its label point here; a caller that places the labels of all
    // areas afterwards (with their holes) turns it off.
    bool FPlaceLabels = true;

    ~TCreateAreaForBranch() override;
    void DoIt() override;
    double GetAreaValue() const { return FAreaValue; }
    // The branches that took the last output as their RightArea (so a caller that cannot keep
    // the area can clear them).
    const std::vector<TNodeBranch*>& LastBranches() const { return m_branches; }
    void ForgetArea(TAreaElement* area);

private:
    TAreaPointPlacer* placer();
    std::vector<TNodeBranch*> m_branches;
    TAreaPointPlacer* m_placer = nullptr; // owned
};

// Traces every face of the graph; the output is a new region quadtree of the areas and holes
// (owned by the caller).
class TCreateAreasForQTree : public TProchazecListuQTreeGauge {
    ZELTO_CLASS(TCreateAreasForQTree, TProchazecListuQTreeGauge)
public:
    TRectEntityQTree* FAreaQTree = nullptr; // the output
    qint32 FAreaCount = 0;
    bool FPlaceLabels = true; // handed to TCreateAreaForBranch

    ~TCreateAreasForQTree() override;
    void DoIt() override;
    void ProcessLeaf(TSpaceLineBegEndCell* leaf) override;
    qint32 GetAreaCount() const { return FAreaCount; }

private:
    TCreateAreaForBranch* m_tracer = nullptr; // owned
};

// The node among the line's owners that has a branch of the line with LineBegin (the last one).
class TNodeFinderForLine : public TTool {
    ZELTO_CLASS(TNodeFinderForLine, TTool)
public:
    bool FLineBegin = false;

    void DoIt() override;
};

// Clears every RightArea that refers to the area, at the nodes of the area's lines.
void ForgetAreaInNodes(const TAreaElement* area);

// Module 34 (topology): TProchazecListuQTree, TPutLinesIntoNodes, TPutNodesIntoQTree,
// TNodesConector, TDeleteDirectRelationsToLinesInQTree, TCreateAreaForBranch, TCreateAreasForQTree.
void registerTopologyClasses();

} // namespace zelto
