// Nodes and branches (order, turning, face tracing) and the walkers that find lines and areas.
#include <gtest/gtest.h>

#include "topo_helpers.h"
#include "topology/E_Node.h"
#include "topology/T_ToTool.h"
#include "topology/T_Topol.h"
#include "topology/e_QTree.h"

#include <cmath>
#include <memory>
#include <numbers>

using namespace zelto;
using topo::makeLine;
using topo::Points;

namespace {

constexpr double Pi = std::numbers::pi;

// A star of lines leaving (0, 0), held by the node and by a container.
struct Star {
    std::unique_ptr<TPolyLineString> lines{new TPolyLineString};
    std::unique_ptr<TNode> node{new TNode};
    ~Star() {
        node.reset();
        lines.reset();
    }
    TNodeBranch* add(const Points& p) {
        TPolyLineElement* l = makeLine(p);
        lines->AddElement(l);
        return node->AddLine(l, true);
    }
};

TEST(NodeBranches, SortedByDirectionFromTheNode) {
    Star s;
    TNodeBranch* east = s.add({{0, 0}, {5, 0}});
    TNodeBranch* north = s.add({{0, 0}, {0, 3}});
    TNodeBranch* west = s.add({{0, 0}, {-2, 0}});
    ASSERT_EQ(s.node->GetBranchCount(), 3);
    EXPECT_EQ(s.node->GetBranch(0), north);
    EXPECT_EQ(s.node->GetBranch(1), west);
    EXPECT_EQ(s.node->GetBranch(2), east);
    EXPECT_DOUBLE_EQ(north->GetAngle(), Pi / 2);
    EXPECT_DOUBLE_EQ(west->GetAngle(), Pi);
    EXPECT_DOUBLE_EQ(east->GetAngle(), 2 * Pi);
    // Counter-clockwise to the left, wrapping; clockwise to the right.
    EXPECT_EQ(s.node->GetNextBranchLeft(north), west);
    EXPECT_EQ(s.node->GetNextBranchLeft(east), north);
    EXPECT_EQ(s.node->GetNextBranchRight(north), east);
    EXPECT_EQ(s.node->GetNextBranchRight(west), north);
    // The lines follow the branches among the children, each once.
    EXPECT_EQ(s.node->ElementsCount(), 6);
    EXPECT_EQ(s.node->AddLine(static_cast<TPolyLineElement*>(s.lines->Get(0)), true), east);
    EXPECT_EQ(s.node->ElementsCount(), 6);
    EXPECT_DOUBLE_EQ(s.node->GetX(), 0);
    EXPECT_TRUE(s.node->IsHitByXY(0.5, 0, 0.6));
    EXPECT_FALSE(s.node->IsHitByXY(0.6, 0, 0.6));
}

TEST(NodeBranches, AngleSkipsRepeatedVerticesAndEqualAnglesKeepArrivalOrder) {
    Star s;
    // The first segment has no length: the direction is the line's, towards (0, 4).
    TNodeBranch* north = s.add({{0, 0}, {0, 0}, {0, 0}, {0, 4}});
    TNodeBranch* south = s.add({{0, 0}, {0, -1}});
    TNodeBranch* north2 = s.add({{0, 0}, {0, 7}});
    EXPECT_DOUBLE_EQ(north->GetAngle(), Pi / 2);
    EXPECT_EQ(s.node->GetBranch(0), north);
    EXPECT_EQ(s.node->GetBranch(1), north2);
    EXPECT_EQ(s.node->GetBranch(2), south);
    EXPECT_DOUBLE_EQ(north->GetX2(), 0);
    EXPECT_DOUBLE_EQ(north->GetY2(), 0);
}

TEST(NodeBranches, OnlyBranchTurnsBackIntoItself) {
    Star s;
    TNodeBranch* only = s.add({{0, 0}, {1, 1}});
    EXPECT_EQ(s.node->GetNextBranchLeft(only), only);
    EXPECT_EQ(s.node->GetNextBranchRight(only), only);
    TNodeBranch stranger;
    EXPECT_EQ(s.node->GetNextBranchLeft(&stranger), nullptr);
}

// Four lines of the unit square, nodes at the corners, connected as the pipeline connects them.
struct SquareGraph {
    std::unique_ptr<TPolyLineString> lines{new TPolyLineString};
    std::unique_ptr<TOwnerEntity> nodes{new TOwnerEntity};
    TNode* corner[4] = {};
    TPolyLineElement* side[4] = {};
    SquareGraph() {
        const Points c{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (auto*& n : corner) {
            n = new TNode;
            nodes->AddElement(n);
        }
        for (int i = 0; i < 4; ++i) {
            side[i] = makeLine({c[size_t(i)], c[size_t((i + 1) % 4)]});
            lines->AddElement(side[i]);
            corner[i]->AddLine(side[i], true);
            corner[(i + 1) % 4]->AddLine(side[i], false);
        }
        auto conector = std::make_unique<TNodeConector>();
        for (TNode* n : corner) {
            conector->SetInput(n);
            conector->DoIt();
        }
    }
    ~SquareGraph() {
        nodes.reset();
        lines.reset();
    }
};

TEST(NodeBranches, TracingWalksTheFaceOnTheRight) {
    SquareGraph g;
    TNodeBranch* eastward = g.corner[0]->GetBranchOfLine(g.side[0], true);
    TNodeBranch* northward = g.corner[0]->GetBranchOfLine(g.side[3], false);
    ASSERT_TRUE(eastward && northward);
    EXPECT_EQ(eastward->GetNode(), g.corner[1]);

    TNode* node = nullptr;
    TNodeBranch* b = eastward->GetNextNodeBranchRight(node);
    EXPECT_EQ(node, g.corner[1]);
    EXPECT_EQ(b, g.corner[1]->GetBranchOfLine(g.side[1], true));

    // Eastwards along the bottom: the outside, counter-clockwise, negative.
    double value = 0;
    bool ok = false;
    qint32 count = 0;
    eastward->GiveRightAreaPropertyAndSet(value, ok, false, count);
    EXPECT_TRUE(ok);
    EXPECT_EQ(count, 4);
    EXPECT_DOUBLE_EQ(value, -1);
    // Northwards along the left side: the square itself, clockwise, positive; marked on the way.
    northward->GiveRightAreaPropertyAndSet(value, ok, true, count);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(value, 1);
    EXPECT_TRUE(g.corner[3]->GetBranchOfLine(g.side[2], false)->GetNotRegularArea());
    EXPECT_FALSE(eastward->GetNotRegularArea());
    // A walk that meets a marked branch other than its start fails.
    g.corner[3]->GetBranchOfLine(g.side[2], false)->SetNotRegularArea(false);
    g.corner[3]->GetBranchOfLine(g.side[2], false)->GiveRightAreaPropertyAndSet(value, ok, true, count);
    EXPECT_FALSE(ok);
}

TEST(NodeBranches, FarEndsAndFinders) {
    SquareGraph g;
    TNodeBranch* b = g.corner[0]->GetBranchOfLine(g.side[0], true);
    TNode* far = nullptr;
    TNodeBranch* farBranch = nullptr;
    b->GiveLineSecondNodeBranch(far, farBranch);
    EXPECT_EQ(far, g.corner[1]);
    EXPECT_EQ(farBranch, g.corner[1]->GetBranchOfLine(g.side[0], false));
    auto area = std::make_unique<TAreaElement>();
    farBranch->SetRightArea(area.get());
    EXPECT_EQ(b->GetLeftArea(), area.get());
    farBranch->SetRightArea(nullptr);

    TNode* n = nullptr;
    TNodeBranch* nb = nullptr;
    GiveNodeBranchForLine(g.side[2], false, n, nb);
    EXPECT_EQ(n, g.corner[3]);
    EXPECT_EQ(nb, g.corner[3]->GetBranchOfLine(g.side[2], false));

    auto finder = std::make_unique<TNodeFinderForLine>();
    finder->SetInput(g.side[1]);
    finder->FLineBegin = true;
    finder->DoIt();
    EXPECT_EQ(finder->GetOutput(), g.corner[1]);
    finder->FLineBegin = false;
    finder->DoIt();
    EXPECT_EQ(finder->GetOutput(), g.corner[2]);
    finder->SetInput(g.corner[0]);
    finder->DoIt();
    EXPECT_EQ(finder->GetOutput(), nullptr);

    // A freed node leaves no branch pointing at it.
    TNode* gone = g.corner[2];
    g.nodes->FreeElement(gone);
    EXPECT_EQ(g.corner[1]->GetBranchOfLine(g.side[1], true)->GetNode(), nullptr);
    EXPECT_EQ(g.corner[3]->GetBranchOfLine(g.side[2], false)->GetNode(), nullptr);
}

TEST(NodeConector, PseudoNodeJoinsItsTwoLines) {
    // A triangle whose bottom side is two lines meeting at (1, 0).
    auto lines = std::make_unique<TPolyLineString>();
    auto nodes = std::make_unique<TOwnerEntity>();
    TPolyLineElement* left = makeLine({{0, 0}, {1, 0}});
    TPolyLineElement* right = makeLine({{2, 0}, {1.5, 0.1}, {1, 0}});
    TPolyLineElement* roof = makeLine({{2, 0}, {1, 2}, {0, 0}});
    for (auto* l : {left, right, roof}) lines->AddElement(l);
    auto node = [&] {
        auto* n = new TNode;
        nodes->AddElement(n);
        return n;
    };
    TNode* a = node();
    TNode* mid = node();
    TNode* c = node();
    a->AddLine(left, true);
    a->AddLine(roof, false);
    mid->AddLine(left, false);
    mid->AddLine(right, false);
    c->AddLine(right, true);
    c->AddLine(roof, true);

    auto conector = std::make_unique<TNodeConector>();
    conector->FDeletePseudoNode = true;
    conector->FMaxCoordsCount = 3; // 2 + 3 - 1 = 4 vertices: refused
    conector->SetInput(mid);
    conector->DoIt();
    EXPECT_EQ(nodes->ElementsCount(), 3);
    EXPECT_NE(mid->GetBranch(0)->GetNode(), nullptr); // connected instead

    conector->FMaxCoordsCount = 200;
    conector->DoIt();
    ASSERT_EQ(nodes->ElementsCount(), 2);
    // One of the two bottom lines took the other's vertices and runs from corner to corner.
    ASSERT_EQ(lines->ElementsCount(), 2);
    auto* bottom = zelto_cast<TPolyLineElement>(lines->Get(lines->Get(0) == roof ? 1 : 0));
    ASSERT_TRUE(bottom == left || bottom == right);
    ASSERT_EQ(bottom->GetCoordsCount(), 4);
    const bool fromA = bottom->GetX(0) == 0;
    EXPECT_DOUBLE_EQ(bottom->GetOrientedCoordElement(1, fromA)->FX, 1);
    EXPECT_DOUBLE_EQ(bottom->GetOrientedCoordElement(2, fromA)->FY, 0.1);
    EXPECT_DOUBLE_EQ(bottom->GetOrientedCoordElement(3, fromA)->FX, 2);
    EXPECT_DOUBLE_EQ(bottom->GetMaxX(), 2);
    TNodeBranch* atA = a->GetBranchOfLine(bottom, fromA);
    TNodeBranch* atC = c->GetBranchOfLine(bottom, !fromA);
    ASSERT_TRUE(atA && atC);
    EXPECT_EQ(atA->GetNode(), c);
    EXPECT_EQ(atC->GetNode(), a);
    EXPECT_EQ(a->GetBranchCount(), 2);
    EXPECT_EQ(c->GetBranchCount(), 2);
    // The triangle still closes over the joined line (its area less the dent of 0.05).
    double value = 0;
    bool ok = false;
    qint32 count = 0;
    for (TNode* n : {a, c}) {
        conector->FDeletePseudoNode = false;
        conector->SetInput(n);
        conector->DoIt();
    }
    c->GetBranchOfLine(roof, true)->GiveRightAreaPropertyAndSet(value, ok, false, count);
    EXPECT_TRUE(ok);
    EXPECT_EQ(count, 2);
    EXPECT_NEAR(std::abs(value), 2 - 0.05, 1e-12);
    nodes.reset();
    lines.reset();
}

// ---- walkers -------------------------------------------------------------------------------------

// Two layers sharing one line, and a line-built area that holds it as well.
struct Layers {
    std::unique_ptr<TOwnerEntity> root{new TOwnerEntity};
    TPolyLineElement* shared = makeLine({{0, 0}, {10, 0}});
    TPolyLineElement* far = makeLine({{100, 100}, {110, 100}});
    TPolyLineElement* nearby = makeLine({{0, 5}, {3, 5}});
    Layers() {
        auto* a = new TPolyLineString;
        auto* b = new TPolyLineString;
        auto* area = new TPolyLineAreaElement;
        a->AddAndUpdateRect(shared);
        a->AddAndUpdateRect(far);
        b->AddAndUpdateRect(nearby);
        b->AddAndUpdateRect(shared);
        area->AddPolyLine(shared, true);
        for (TElement* e :
             {static_cast<TElement*>(a), static_cast<TElement*>(b), static_cast<TElement*>(area)})
            root->AddElement(e);
    }
};

TEST(LineWalkers, FinderReturnsEachLineOnceWithinTheRectangle) {
    Layers l;
    auto finder = std::make_unique<THledacLinii>();
    finder->SetInput(l.root.get());
    finder->DoIt();
    auto* found = zelto_cast<TEntity>(finder->GetOutput());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->ElementsCount(), 3); // the shared line is met three times, returned once
    EXPECT_EQ(finder->FPocetLinii, 5);

    auto boxed = std::make_unique<THledacLinii>();
    boxed->SetInput(l.root.get());
    boxed->SetRect(-1, -1, 20, 20);
    boxed->DoIt();
    auto* some = zelto_cast<TEntity>(boxed->GetOutput());
    ASSERT_NE(some, nullptr);
    EXPECT_EQ(some->ElementsCount(), 2);
    EXPECT_LT(some->IndexOf(l.far), 0);

    // The marks are cleared at the start of every run, so a second run finds them again.
    boxed->DoIt();
    EXPECT_EQ(some->ElementsCount(), 4);
}

TEST(LineWalkers, MarkerCountsAndClears) {
    Layers l;
    l.shared->SetIsDone(true);
    auto marker = std::make_unique<TOznacLinie>();
    marker->SetInput(l.root.get());
    marker->DoIt();
    EXPECT_EQ(marker->FPocetLinii, 5);
    EXPECT_FALSE(l.shared->GetIsDone());
}

TEST(AreaWalkers, FinderSkipsHolesUnlessAsked) {
    auto root = std::make_unique<TAreaString>();
    auto area = [&](double x, bool hole) {
        auto* a = new TAreaElement;
        for (auto [px, py] : Points{{x, 0}, {x, 1}, {x + 1, 1}, {x + 1, 0}}) a->AddXY(px, py);
        a->RecalculateRect();
        a->SetIsHole(hole);
        root->AddAndUpdateRect(a);
        return a;
    };
    area(0, false);
    area(5, true);
    auto* multi = new TMultiAreaElement;
    auto* part = new TAreaElement;
    multi->AddElement(part);
    root->AddElement(multi);

    auto finder = std::make_unique<THledacPloch>();
    finder->SetInput(root.get());
    finder->DoIt();
    EXPECT_EQ(zelto_cast<TEntity>(finder->GetOutput())->ElementsCount(), 3); // area, multi, its part
    auto withHoles = std::make_unique<THledacPloch>();
    withHoles->FIncludeHoles = true;
    withHoles->SetInput(root.get());
    withHoles->SetRect(4, -1, 7, 2);
    withHoles->DoIt();
    EXPECT_EQ(zelto_cast<TEntity>(withHoles->GetOutput())->ElementsCount(), 1);

    auto marker = std::make_unique<TOznacPlochy>();
    marker->SetInput(root.get());
    marker->DoIt();
    EXPECT_EQ(marker->FPocetPloch, 4);
}

TEST(ReadLinesIntoQTree, BothEndsOfEveryUsableLineAreEntered) {
    auto lines = std::make_unique<TPolyLineString>();
    TPolyLineElement* ring = makeLine({{0, 0}, {4, 0}, {4, 4}, {0, 0}});
    TPolyLineElement* open = makeLine({{1, 1}, {3, 3}});
    lines->AddAndUpdateRect(ring);
    lines->AddAndUpdateRect(open);
    lines->AddAndUpdateRect(open); // met twice, entered once
    lines->AddAndUpdateRect(makeLine({{1, 1}}));
    lines->AddAndUpdateRect(makeLine({{2, 2}, {2, 2}}));
    lines->AddAndUpdateRect(makeLine({{2, 2}, {std::nan(""), 2}}));
    lines->AddAndUpdateRect(makeLine({{2, 2}, {1e12, 2}}));

    topo::ProtocolCatcher protocol;
    auto reader = std::make_unique<TReadLinesIntoQTree>();
    reader->SetInput(lines.get());
    reader->DoIt();
    std::unique_ptr<TSpaceLineBegEndCell> tree(zelto_cast<TSpaceLineBegEndCell>(reader->GetOutput()));
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->GetName(), QStringLiteral("QTREE"));
    EXPECT_EQ(tree->GetCount(), 4);
    ASSERT_TRUE(tree->GetLast());
    ASSERT_TRUE(tree->FLineBegins && tree->FLineEnds);
    EXPECT_GE(tree->FLineBegins->IndexOf(ring), 0);
    EXPECT_GE(tree->FLineEnds->IndexOf(ring), 0);
    EXPECT_EQ(protocol.texts().size(), 4);
    EXPECT_EQ(protocol.texts().filter(QStringLiteral("neplatné souřadnice")).size(), 2);

    // Nodes built from it: the ring's two ends share one node with two branches.
    auto putter = std::make_unique<TPutNodesIntoQTree>();
    putter->SetInput(tree.get());
    putter->DoIt();
    EXPECT_EQ(putter->GetLeavesCount(), 1);
    TEntity* nodes = TProchazecListuQTree::NodesOfLeaf(tree.get());
    ASSERT_NE(nodes, nullptr);
    ASSERT_EQ(nodes->ElementsCount(), 3);
    int withRing = 0;
    for (TElement* e : nodes->FElements)
        if (auto* n = zelto_cast<TNode>(e); n && n->GetBranchOfLineSimp(ring)) {
            ++withRing;
            EXPECT_EQ(n->GetBranchCount(), 2);
        }
    EXPECT_EQ(withRing, 1);
    tree.reset();
    lines.reset();
}

TEST(ReadLinesIntoQTree, NeedsARectangleEntity) {
    auto plain = std::make_unique<TOwnerEntity>();
    auto reader = std::make_unique<TReadLinesIntoQTree>();
    reader->SetInput(plain.get());
    reader->DoIt();
    EXPECT_EQ(reader->GetOutput(), nullptr);
}

} // namespace
