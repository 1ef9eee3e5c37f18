// Line joining: the segment objects and their quadtrees, the comparator's joiners, cutting and
// handing lines to their owners, the whole TJoinLines run, robustness on damaged input, and the
// noding of crossing lines checked against GEOS.
#include <gtest/gtest.h>

#include <geos_c.h>

#include "builders.h"
#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/U_String.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "geometry/e_GeometryElement.h"
#include "projection/e_Proje.h"
#include "stream_roundtrip.h"
#include "topology/E_QTLin.h"
#include "topology/T_BreakLines.h"
#include "topology/T_GeomTools.h"
#include "topology/T_JoinSimple.h"
#include "topology/T_LinJoi.h"
#include "topology/t_AreMak.h"
#include "topology/t_LineExtractor.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace zelto;

namespace {

using zelto::testing::line;
using zelto::testing::Points;

Points pointsOf(const TPolyElement* l) {
    Points r;
    for (int i = 0; i < l->GetCoordsCount(); ++i) r.emplace_back(l->GetX(i), l->GetY(i));
    return r;
}

// The segment list of one line compared alone with the lines of a quadtree.
std::unique_ptr<TLinesAbscEntity> compareWith(TQTreeTopLin* tree, TPolyLineElement* l, double snap) {
    TLinComparator comparator;
    comparator.QTree = tree;
    comparator.SnapDistance = snap;
    comparator.SetInput(l);
    comparator.DoIt();
    return std::unique_ptr<TLinesAbscEntity>(zelto_cast<TLinesAbscEntity>(comparator.GetOutput()));
}

// Every line of a quadtree, once.
std::vector<TPolyLineElement*> treeLines(const TQTree* tree) {
    std::vector<TPolyLineElement*> out;
    std::set<const TElement*> seen;
    std::vector<const TQTree*> stack{tree};
    while (!stack.empty()) {
        const TQTree* node = stack.back();
        stack.pop_back();
        for (TElement* e : node->FElements) {
            if (auto* child = zelto_cast<TQTree>(e)) {
                stack.push_back(child);
            } else if (auto* l = zelto_cast<TPolyLineElement>(e); l && seen.insert(l).second) {
                out.push_back(l);
            }
        }
    }
    return out;
}

// A line's points in a direction-independent order, for comparing sets of lines.
Points canonical(Points p) {
    Points r(p.rbegin(), p.rend());
    return std::min(p, r);
}

std::multiset<Points> shapes(const std::vector<TPolyLineElement*>& lines) {
    std::multiset<Points> s;
    for (const TPolyLineElement* l : lines) s.insert(canonical(pointsOf(l)));
    return s;
}

// The joiner on a layer whose lines are its children; the layer takes the pieces of cut lines
// (messages reach owners through the world).
class LineJoin : public ::testing::Test {
protected:
    void SetUp() override {
        world.SubscribeToMessages();
        recordingNotifier()->clear();
    }

    TPolyLineElement* add(const Points& points) {
        TPolyLineElement* l = line(points);
        layer.AddAndUpdateRect(l);
        return l;
    }

    std::unique_ptr<TQTreeTopLin> join(TJoinLines& joiner) {
        joiner.SetInput(&layer);
        joiner.DoIt();
        return std::unique_ptr<TQTreeTopLin>(zelto_cast<TQTreeTopLin>(joiner.GetOutput()));
    }

    std::vector<TPolyLineElement*> layerLines() const {
        std::vector<TPolyLineElement*> r;
        for (TElement* e : layer.FElements)
            if (auto* l = zelto_cast<TPolyLineElement>(e)) r.push_back(l);
        return r;
    }

    TWorld world;
    TPolyLineString layer;
};

} // namespace

// ---- segments and their quadtrees ----------------------------------------------------------------

TEST(Abscissa, SegmentsReadAndMoveTheLinesVertices) {
    std::unique_ptr<TPolyLineElement> l(line({{0, 0}, {4, 0}, {4, 3}}));
    TTopLinAbscissa first(l.get(), 0), last(l.get(), 1);
    EXPECT_TRUE(first.GetIsFirst() && first.GetIsMargin() && !first.GetIsLast());
    EXPECT_TRUE(last.GetIsLast() && !last.GetIsFirst());
    EXPECT_DOUBLE_EQ(first.GetLength(), 4);
    EXPECT_EQ(first.GetYmax(), 0);
    EXPECT_EQ(last.GetYmax(), 3);
    // The shared vertex moves for both segments.
    first.SetX2(5);
    EXPECT_EQ(last.GetX1(), 5);
    EXPECT_EQ(l->GetX(1), 5);
    EXPECT_EQ(TTopLinAbscissa().GetLineNo(), -1);
    TTopLinAbscissa beyond(l.get(), 2);
    EXPECT_FALSE(beyond.IsValid());
    EXPECT_FALSE(beyond.IsOverRectangle(-1e9, -1e9, 1e9, 1e9, 0)); // NaN box meets nothing

    // Dividing inserts the vertex into the line; the new segment runs on to the old end.
    std::unique_ptr<TTopLinAbscissa> second(first.CreateDividedWith(2, 0));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->FIsNew);
    EXPECT_EQ(second->FIndex, 1);
    EXPECT_EQ(pointsOf(l.get()), (Points{{0, 0}, {2, 0}, {5, 0}, {4, 3}}));
    EXPECT_EQ(first.GetX2(), 2);
}

TEST(Abscissa, SnappingTestsAndTheirFixedEnds) {
    std::unique_ptr<TPolyLineElement> old(line({{0, 0}, {10, 0}}));
    std::unique_ptr<TPolyLineElement> fresh(line({{3, 0.2}, {3, 5}}));
    TTopLinAbscissa o(old.get(), 0), n(fresh.get(), 0);
    double px, py, d;
    ASSERT_TRUE(n.IsJoinToAbsc(true, &o, px, py, d, 0.5));
    EXPECT_DOUBLE_EQ(px, 3);
    EXPECT_DOUBLE_EQ(py, 0);
    EXPECT_NEAR(d, 0.2, 1e-12);
    EXPECT_FALSE(n.IsJoinToAbsc(true, &o, px, py, d, 0.2)); // the distance must be below the snap
    ASSERT_TRUE(n.JoinToAbsc(true, &o, px, py, 0.5));
    EXPECT_TRUE(n.FFixedBegin);
    EXPECT_EQ(fresh->GetY(0), 0);
    // A fixed begin makes the end the tested one: far away, nothing happens.
    EXPECT_FALSE(n.IsJoinToAbsc(true, &o, px, py, d, 0.5));

    // An end exactly on an end of the other segment is never joined to it, however close the
    // segments are otherwise.
    std::unique_ptr<TPolyLineElement> touching(line({{10, 0}, {10.1, 0.01}}));
    TTopLinAbscissa t(touching.get(), 0);
    EXPECT_FALSE(t.IsJoinToAbsc(true, &o, px, py, d, 0.5));

    // Point to point: a fixed end refuses, the nearest qualifying point is reported with its distance.
    std::unique_ptr<TPolyLineElement> near(line({{10.3, 0}, {20, 0}}));
    TTopLinAbscissa q(near.get(), 0);
    double x, y;
    ASSERT_TRUE(q.IsJoinedPoint(true, &o, false, x, y, d, 0.5));
    EXPECT_EQ(x, 10);
    EXPECT_NEAR(d, 0.3, 1e-12);
    ASSERT_TRUE(q.JoinToAbscPoint(true, &o, 0.5, false));
    EXPECT_TRUE(q.FFixedBegin);
    EXPECT_EQ(near->GetX(0), 10);
    EXPECT_FALSE(q.IsJoinedPoint(true, &o, false, x, y, d, 0.5));
}

TEST(Abscissa, OldPointsNearANewSegment) {
    std::unique_ptr<TPolyLineElement> fresh(line({{0, 0}, {10, 0}}));
    TTopLinAbscissa p(fresh.get(), 0);
    struct Case {
        Points other;
        bool nearPoint, danger;
    } cases[] = {
        {{{5, 0.2}, {5, 5}}, true, false},    // beside the middle
        {{{0.1, 0.3}, {0, 5}}, true, true},   // closer to the segment's begin than to the segment
        {{{5, 0.6}, {5, 5}}, false, false},   // beyond the snap
        {{{12, 0.1}, {12, 5}}, false, false}, // the foot lies beyond the end
        {{{10, 0}, {10, 5}}, false, false},   // on an end of the segment
    };
    for (const Case& c : cases) {
        std::unique_ptr<TPolyLineElement> o(line(c.other));
        TTopLinAbscissa b(o.get(), 0);
        double fx, fy, px, py;
        bool danger = true, nearPoint = true;
        p.RelationToPoint(&b, true, fx, fy, px, py, danger, nearPoint, 0.5);
        EXPECT_EQ(nearPoint, c.nearPoint) << c.other[0].first << ", " << c.other[0].second;
        EXPECT_EQ(danger, c.danger) << c.other[0].first << ", " << c.other[0].second;
    }
    std::unique_ptr<TPolyLineElement> reverse(line({{10, 0}, {0, 0}}));
    TTopLinAbscissa r(reverse.get(), 0);
    bool id11, id21, id12, id22;
    p.IdentTest(&r, id11, id21, id12, id22);
    EXPECT_TRUE(!id11 && id21 && id12 && !id22);
    EXPECT_TRUE(p.IsIdenticalTo(&r));
}

TEST(Abscissa, QuadtreesOfSegmentsAndOfLines) {
    // Segments: capacity 32, boxes decide, the divide message is ignored.
    std::unique_ptr<TPolyLineElement> l(line({{0, 0}}));
    for (int i = 1; i <= 40; ++i) l->AddXY(i * 0.2, (i % 2) * 0.2);
    TEntity segments;
    TQTreeTopLinAbsc tree;
    tree.SetSquare(0, 0, 16);
    for (int i = 0; i < 32; ++i) {
        auto* a = new TTopLinAbscissa(l.get(), i);
        segments.AddElement(a);
        tree.Add(a);
    }
    EXPECT_TRUE(tree.GetIsLeaf());
    auto* a33 = new TTopLinAbscissa(l.get(), 32);
    segments.AddElement(a33);
    tree.Add(a33);
    EXPECT_FALSE(tree.GetIsLeaf());
    EXPECT_TRUE(tree.HasElementOverRectangle(6.5, 0, 6.5, 0.05));
    EXPECT_FALSE(tree.HasElementOverRectangle(6.5, 0.25, 7, 1));

    // Lines: capacity 128; the joiner enters pieces itself, so the divide message adds nothing.
    TWorld world;
    world.SubscribeToMessages();
    TEntity owner;
    TQTreeTopLin lines;
    lines.SetSquare(0, 0, 64);
    for (int i = 0; i < 128; ++i) {
        TPolyLineElement* s = line({{i * 0.4, 1}, {i * 0.4 + 0.2, 2}});
        owner.AddElement(s);
        lines.Add(s);
    }
    EXPECT_TRUE(lines.GetIsLeaf());
    TPolyLineElement* piece = line({{1, 1}, {2, 2}});
    owner.AddElement(piece);
    zelto_cast<TPolyLineElement>(owner.Get(0))->PostMsgToOwners(tm_DivideGeometry, piece, false);
    EXPECT_EQ(lines.GetElementsCount(), 128);
    lines.Add(piece);
    EXPECT_FALSE(lines.GetIsLeaf());
}

TEST(Abscissa, SegmentListKeepsIndicesInStep) {
    std::unique_ptr<TPolyLineElement> a(line({{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    std::unique_ptr<TPolyLineElement> b(line({{0, 1}, {1, 1}, {2, 1}}));
    TLinesAbscEntity list;
    for (int i = 0; i < 3; ++i) list.AddElement(new TTopLinAbscissa(a.get(), i));
    for (int i = 0; i < 2; ++i) list.AddElement(new TTopLinAbscissa(b.get(), i));
    EXPECT_EQ(list.HeadEnd(), 2);
    EXPECT_EQ(list.GetLastAbscIndexForSameLine(3), 4);
    EXPECT_TRUE(list.ContainLine(b.get()));
    EXPECT_FALSE(list.IsChanged());

    // Dividing segment 1 of a shifts a's later segment, not b's.
    list.InsertAbsc(2, list.GetAbsc(1)->CreateDividedWith(1.5, 0));
    EXPECT_EQ(list.GetIndex(2), 2);
    EXPECT_EQ(list.GetIndex(3), 3);
    EXPECT_EQ(list.GetIndex(4), 0);
    EXPECT_TRUE(list.IsRunChanged(0, 3));
    EXPECT_FALSE(list.IsRunChanged(4, 5));
    EXPECT_EQ(list.GetAbsc(3)->GetX1(), 2);

    // Deleting removes the segment's first vertex and shifts back.
    list.DeleteAbsc(2);
    EXPECT_EQ(pointsOf(a.get()), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(list.GetIndex(2), 2);

    bool entityEnd, physicaly, logicaly;
    list.GetAbsc(2)->FIsNewEnd = true;
    list.GiveEndProps(1, entityEnd, physicaly, logicaly);
    EXPECT_TRUE(!entityEnd && !physicaly && logicaly);
    list.GiveEndProps(2, entityEnd, physicaly, logicaly);
    EXPECT_TRUE(entityEnd && physicaly && !logicaly);

    // Points on a segment: by the distance of their feet, an equal one after the earlier.
    TPointsLine points;
    TTopLinAbscissa s1(b.get(), 0), s2(b.get(), 1);
    points.AddPoint(&s2, false, 5, 0);
    points.AddPoint(&s1, true, 2, 0);
    points.AddPoint(&s1, false, 5, 0);
    ASSERT_EQ(points.ElementsCount(), 3);
    EXPECT_EQ(points.StartDist(0), 2);
    EXPECT_EQ(points.GetPoint(1)->X, 2); // s2's end, added first at distance 5
    EXPECT_EQ(points.GetPoint(2)->X, 1); // s1's end, added later at the same distance
    EXPECT_EQ(points.GetPoint(2)->Line, b.get());
}

// The comparisons read the vertices of a line straight from its children only when every child
// is a coordinate; any other line is read through the checked lookup, where a foreign child is
// a missing vertex. The segment list takes nothing but segments.
TEST(Abscissa, ForeignChildrenOfLinesAreMissingVertices) {
    TEntity owner;
    TPolyLineElement* plain = line({{20, -5}, {20, 5}});
    TPolyLineElement* old = line({{0, 0}, {10, 0}, {10, 10}});
    old->InsertElement(2, new TAbscPoint); // between (10, 0) and (10, 10)
    std::unique_ptr<TPolyLineElement> fresh(line({{5, -5}, {5, 5}}));
    fresh->AddElement(new TAbscPoint);
    TQTreeTopLin tree;
    tree.SetForRectangle(-50, -50, 50, 50);
    for (TPolyLineElement* l : {plain, old}) {
        owner.AddElement(l);
        tree.Add(l);
    }

    const std::unique_ptr<TLinesAbscEntity> list = compareWith(&tree, fresh.get(), 0.1);
    ASSERT_NE(list, nullptr);
    // The crossing at (5, 0) divides both lines; the foreign children stay missing vertices.
    EXPECT_EQ(old->GetX(1), 5);
    EXPECT_EQ(fresh->GetY(1), 0);
    for (int i = 0; i < list->Count(); ++i) {
        const TTopLinAbscissa* a = list->GetAbsc(i);
        EXPECT_FALSE(a->FPlainLine);
        const bool foreign = !zelto_cast<T2DCoordinate>(a->FLine->Get(a->FIndex + 1));
        EXPECT_EQ(a->IsValid(), !foreign) << i;
        if (foreign) {
            EXPECT_TRUE(std::isnan(a->GetX2())) << i;
        }
    }
    EXPECT_TRUE(TTopLinAbscissa::IsPlainLine(plain));
    EXPECT_FALSE(TTopLinAbscissa::IsPlainLine(old));

    TAbscPoint stranger;
    const int count = list->Count();
    EXPECT_THROW(list->AddElement(&stranger), EListError);
    EXPECT_THROW(list->InsertElement(0, &stranger), EListError);
    EXPECT_THROW(list->Put(0, &stranger), EListError);
    EXPECT_EQ(list->Count(), count);
    EXPECT_EQ(stranger.GetOwnersCount(), 0);
}

// The old segments near a new line are listed alike with the new line's segment tree and with a
// scan of its segments' boxes (the comparator's way for lines of a few hundred segments or less).
TEST(Abscissa, NearbySegmentsAreListedAlikeWithAndWithoutASegmentTree) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> at(0, 100), step(-6, 6);
    TEntity owner;
    TQTreeTopLin tree;
    tree.SetForRectangle(-10, -10, 110, 110);
    for (int i = 0; i < 300; ++i) {
        Points pts{{at(random), at(random)}};
        for (int k = 0; k < 4; ++k)
            pts.emplace_back(pts.back().first + step(random), pts.back().second + step(random));
        TPolyLineElement* l = line(pts);
        owner.AddElement(l);
        tree.Add(l);
    }
    for (int n : {3, 40, 150}) {
        Points pts{{50, 50}};
        for (int k = 0; k < n; ++k)
            pts.emplace_back(pts.back().first + step(random), pts.back().second + step(random));
        std::unique_ptr<TPolyLineElement> fresh(line(pts));
        std::vector<std::pair<const TPolyLineElement*, int>> listed[2];
        for (bool withTree : {true, false}) {
            TCreateLinesAbscEntity create;
            create.SetInput(fresh.get());
            create.DoIt();
            std::unique_ptr<TLinesAbscEntity> list(zelto_cast<TLinesAbscEntity>(create.GetOutput()));
            ASSERT_NE(list, nullptr);
            // The segment tree, or none.
            TCreateLinQTreeAbsc makeTree;
            makeTree.SetInput(withTree ? list.get() : nullptr);
            makeTree.DoIt();
            std::unique_ptr<TQTreeTopLinAbsc> segments(zelto_cast<TQTreeTopLinAbsc>(makeTree.GetOutput()));
            ASSERT_EQ(segments != nullptr, withTree);
            TAddLinesIntoLinesAbscEntity add;
            add.Tolerance = 0.5;
            add.QTreeAbsc = segments.get();
            add.LinesAbsc = list.get();
            add.SetInput(&tree);
            add.DoIt();
            for (int i = n; i < list->Count(); ++i)
                listed[withTree].emplace_back(list->GetLine(i), list->GetIndex(i));
        }
        EXPECT_EQ(listed[0], listed[1]) << n;
        EXPECT_GT(listed[1].size(), size_t(n / 4)) << n;
    }
}

// ---- the joiner ------------------------------------------------------------------------------------

// Lines are taken from the last child to the first: the line added last is processed first and
// is the "old" line for the ones before it.
TEST_F(LineJoin, MinLengthSkipsShortLinesAndDropsShortPieces) {
    TPolyLineElement* stub = add({{5, -0.5}, {5, 5}}); // crosses the old line 0.5 m from its begin
    TPolyLineElement* exact = add({{20, 0}, {21, 0}}); // exactly MinLength
    add({{0, 0}, {10, 0}});
    TJoinLines joiner;
    joiner.FMinLength = 1;
    joiner.FSnapDistance = 0.1;
    TDestructionWatch watch;
    watch.watch(stub);
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(shapes(treeLines(tree.get())),
              (std::multiset<Points>{{{0, 0}, {5, 0}}, {{5, 0}, {10, 0}}, {{5, 0}, {5, 5}}}));
    EXPECT_FALSE(exact->GetIsDone());
    EXPECT_FALSE(watch.alive(stub));
    // The 0.5 m stub of the crossing line is gone; the layer holds what the tree holds, and the
    // skipped line.
    EXPECT_EQ(layer.ElementsCount(), 4);
}

TEST_F(LineJoin, BeginSnapsToTheNearerOfTwoEndsAndStaysThere) {
    // Fixed lines take part but never move. The new line's first vertex is 0.3 m from A's end and
    // 0.4 m from B's end; C passes 0.2 m from the nearer end and would pull a free vertex onto
    // itself.
    TPolyLineString fixed;
    TPolyLineElement* a = line({{10, 0}, {0.3, 0}});
    TPolyLineElement* b = line({{0, 10}, {0, 0.4}});
    TPolyLineElement* c = line({{0.5, -3}, {0.5, 3}});
    for (TPolyLineElement* l : {a, b, c}) fixed.AddAndUpdateRect(l);
    TPolyLineElement* fresh = add({{0, 0}, {-5, -5}});
    TJoinLines joiner;
    joiner.FSnapDistance = 0.5;
    joiner.SetFixedLines(&fixed);
    TDestructionWatch watch;
    watch.watch(fresh);
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(watch.alive(fresh));
    EXPECT_EQ(pointsOf(fresh), (Points{{0.3, 0}, {-5, -5}}));
    EXPECT_EQ(pointsOf(a), (Points{{10, 0}, {0.3, 0}}));
    EXPECT_EQ(pointsOf(c), (Points{{0.5, -3}, {0.5, 3}}));
    EXPECT_EQ(treeLines(tree.get()).size(), 4u);

    // The comparator alone: the begin is fixed after the point joiner.
    TPolyLineElement* again = add({{0.05, 0.05}, {-5, -4}});
    const std::unique_ptr<TLinesAbscEntity> list = compareWith(tree.get(), again, 0.5);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->GetAbsc(0)->FFixedBegin);
    EXPECT_EQ(pointsOf(again).front(), (std::pair<double, double>{0.3, 0}));
}

TEST_F(LineJoin, EndBesideAnOldSegmentMovesOntoItAndCutsTheOldLine) {
    TPolyLineElement* fresh = add({{5, 5}, {5, 0.2}});
    TPolyLineElement* old = add({{0, 0}, {10, 0}});
    TJoinLines joiner;
    joiner.FSnapDistance = 0.5;
    TDestructionWatch watch;
    watch.watch(old);
    watch.watch(fresh);
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    const std::multiset<Points> expected{{{0, 0}, {5, 0}}, {{5, 0}, {10, 0}}, {{5, 0}, {5, 5}}};
    EXPECT_EQ(shapes(treeLines(tree.get())), expected);
    EXPECT_EQ(shapes(layerLines()), expected); // the layer took the pieces in place of the old line
    EXPECT_FALSE(watch.alive(old));
    EXPECT_TRUE(watch.alive(fresh)); // unchanged apart from its end: kept as it is
}

// On slanted segments the foot of the perpendicular is not exactly on the segment's line; the old
// line must still get exactly the new line's end as its vertex.
TEST_F(LineJoin, SnappedEndIsExactlyTheOldLinesNewVertex) {
    const Points olds[] = {
        {{0, 0}, {10, 7.3}}, {{-3.1, 2.2}, {8.7, -5.9}}, {{1e5 + 0.1, 2e5}, {1e5 + 9.9, 2e5 + 3.3}}};
    for (const Points& o : olds) {
        layer.FreeAll();
        const double mx = (o[0].first + o[1].first) / 2, my = (o[0].second + o[1].second) / 2;
        const double len = std::hypot(o[1].first - o[0].first, o[1].second - o[0].second);
        const double nx = -(o[1].second - o[0].second) / len, ny = (o[1].first - o[0].first) / len;
        TPolyLineElement* fresh = add({{mx + 5 * nx, my + 5 * ny}, {mx + 0.2 * nx, my + 0.2 * ny}});
        add(o);
        TJoinLines joiner;
        joiner.FSnapDistance = 0.5;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        const auto lines = treeLines(tree.get());
        ASSERT_EQ(lines.size(), 3u);
        const std::pair<double, double> end = pointsOf(fresh).back();
        EXPECT_NEAR(end.first, mx, 1e-9);
        int touching = 0;
        for (TPolyLineElement* l : lines) {
            const Points p = pointsOf(l);
            touching += (p.front() == end) + (p.back() == end);
        }
        EXPECT_EQ(touching, 3) << o[0].first; // the new line's end and both old pieces, exactly
    }
}

TEST_F(LineJoin, OldEndBesideANewSegmentBendsAndCutsTheNewLine) {
    TPolyLineElement* fresh = add({{0, 0}, {10, 0}});
    TPolyLineElement* old = add({{5, 0.2}, {5, 5}});
    TJoinLines joiner;
    joiner.FSnapDistance = 0.5;
    TDestructionWatch watch;
    watch.watch(fresh);
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    // The new line passes through the old vertex itself, not through the foot.
    EXPECT_EQ(shapes(treeLines(tree.get())),
              (std::multiset<Points>{{{0, 0}, {5, 0.2}}, {{5, 0.2}, {10, 0}}, {{5, 0.2}, {5, 5}}}));
    EXPECT_FALSE(watch.alive(fresh));
    EXPECT_EQ(pointsOf(old), (Points{{5, 0.2}, {5, 5}}));
}

TEST_F(LineJoin, DivisionOfAnOldSegmentThatEndsNothingIsTakenBack) {
    // Both ends of a 5 cm line snap onto the same old segment (only the ends are snapped, so the
    // line is not dropped as too short first); it collapses to a point and the old segment keeps
    // no vertex from it.
    add({{5, 0.2}, {5, 0.25}});
    TPolyLineElement* old = add({{0, 0}, {10, 0}});
    TJoinLines joiner;
    joiner.FSnapDistance = 0.5;
    joiner.FOnlyEnds = true;
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(pointsOf(old), (Points{{0, 0}, {10, 0}}));
    EXPECT_EQ(treeLines(tree.get()), std::vector<TPolyLineElement*>{old});
}

TEST_F(LineJoin, CrossingSegmentsAreBothCut) {
    add({{5, -5}, {5, 5}});
    add({{0, 0}, {10, 0}});
    TJoinLines joiner;
    joiner.FSnapDistance = 0.01;
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    const std::multiset<Points> expected{
        {{0, 0}, {5, 0}}, {{5, 0}, {10, 0}}, {{5, -5}, {5, 0}}, {{5, 0}, {5, 5}}};
    EXPECT_EQ(shapes(treeLines(tree.get())), expected);
    EXPECT_EQ(shapes(layerLines()), expected);
    // Pieces keep their line's direction and get their label point at half their length.
    for (TPolyLineElement* l : layerLines()) {
        EXPECT_TRUE(l->GetIsDone());
        EXPECT_NEAR(l->GetRefX(), (l->GetX(0) + l->GetX(1)) / 2, 1e-9);
    }
}

// An exact repeat produces no new line: the owners of the new line get the old one, and an area
// made of lines learns from the reversal flag which way it runs.
TEST_F(LineJoin, RepeatedLineIsHandedToTheOwnersWithTheReversalFlag) {
    for (bool reversed : {true, false}) {
        SCOPED_TRACE(reversed ? "reversed" : "same direction");
        layer.FreeAll();
        const Points oldPoints{{0, 0}, {5, 0}, {10, 0}};
        Points newPoints = oldPoints;
        if (reversed) std::reverse(newPoints.begin(), newPoints.end());
        TPolyLineElement* fresh = add(newPoints);
        TPolyLineElement* old = add(oldPoints);
        auto* area = new TPolyLineAreaElement;
        TPolyLineElement* closing = line({newPoints.back(), {5, 5}, newPoints.front()});
        area->AddPolyLine(fresh, true);
        area->AddPolyLine(closing, true);
        TEntity areas;
        areas.AddElement(area);
        TDestructionWatch watch;
        watch.watch(fresh);

        TJoinLines joiner;
        joiner.FSnapDistance = 0.01;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        EXPECT_FALSE(watch.alive(fresh));
        EXPECT_EQ(treeLines(tree.get()), std::vector<TPolyLineElement*>{old});
        ASSERT_EQ(area->ElementsCount(), 2);
        EXPECT_EQ(area->Get(0), old);
        EXPECT_EQ(area->GetOrigin(0), !reversed); // the ring still runs the same way
        EXPECT_EQ(layerLines(), std::vector<TPolyLineElement*>{old});
        tree.reset();
        area->FreeElement(closing);
    }
}

TEST_F(LineJoin, ConsecutiveEqualVerticesLoseOne) {
    for (bool onlyEnds : {false, true}) {
        layer.FreeAll();
        TPolyLineElement* l = add({{0, 0}, {1, 0}, {1, 0}, {2, 0}});
        TJoinLines joiner;
        joiner.FOnlyEnds = onlyEnds;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(pointsOf(l), (Points{{0, 0}, {1, 0}, {2, 0}})) << onlyEnds;
    }
}

TEST_F(LineJoin, LongSegmentsAreDivided) {
    struct Case {
        bool divideLines;
        double roundKoef;
        std::vector<double> pieces; // lengths along the line
    } cases[] = {
        {false, 0, {25.0 / 3, 25.0 / 3, 25.0 / 3}},
        {true, 0, {25.0 / 3, 25.0 / 3, 25.0 / 3}},
        {false, 1, {8, 8, 9}}, // 8.33 -> 8; then 8.5 from 8 is 16.5 -> 16 (half to even)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.divideLines ? "divided lines" : "one line");
        layer.FreeAll();
        add({{0, 0}, {25, 0}});
        TJoinLines joiner;
        joiner.FMaxOutputAbscLength = 10;
        joiner.FRoundKoef = c.roundKoef;
        joiner.FDivideOutputLines = c.divideLines;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        std::vector<double> lengths;
        const auto lines = layerLines();
        EXPECT_EQ(lines.size(), c.divideLines ? 3u : 1u);
        EXPECT_EQ(treeLines(tree.get()).size(), lines.size());
        for (TPolyLineElement* l : lines)
            for (int i = 0; i + 1 < l->GetCoordsCount(); ++i) lengths.push_back(l->GetX(i + 1) - l->GetX(i));
        std::sort(lengths.begin(), lengths.end());
        ASSERT_EQ(lengths.size(), c.pieces.size());
        for (size_t i = 0; i < lengths.size(); ++i) EXPECT_NEAR(lengths[i], c.pieces[i], 1e-9);
    }
}

TEST_F(LineJoin, ComparisonOnlyWithOtherSources) {
    // Two lines of one layer register do not meet when only different sources are compared.
    add({{5, -5}, {5, 5}});
    add({{0, 0}, {10, 0}});
    TJoinLines joiner;
    joiner.FSnapDistance = 0.01;
    joiner.FCompareOnlyDifferentSource = true; // neither line is filed: both sources are none
    auto tree = join(joiner);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(treeLines(tree.get()).size(), 2u);
    EXPECT_EQ(LineSource(layerLines().front()), nullptr);
}

TEST_F(LineJoin, ProgressOfALargeInput) {
    for (int i = 0; i < 100; ++i) add({{i * 3.0, 0}, {i * 3.0 + 1, 0}});
    Points wiggly;
    for (int i = 0; i < 150; ++i) wiggly.emplace_back(i, 10 + (i % 2));
    add(wiggly); // index 100, 150 vertices
    QString caption;
    QStringList texts;
    TJoinLines joiner;
    const int id = TMessageBus::instance().subscribe([&](TElement*, TZeltoMessage& m) {
        if (m.FSender != &joiner) return;
        if (auto* p = zelto_cast<TProgressMessage>(&m); p && m.FMessage == tm_StartProgress)
            caption = p->FProcessName;
        if (auto* t = zelto_cast<TZeltoTextMessage>(&m); t && m.FMessage == tm_ProgressText)
            texts << t->GetMessageText();
    });
    auto tree = join(joiner);
    TMessageBus::instance().unsubscribe(id);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(caption, "Spojování linií");
    ASSERT_EQ(texts.size(), 102);
    EXPECT_EQ(texts.front(), "Lin 100 crds: 150: " + DoubleToStr(149 * std::sqrt(2.0), 6, 2) + " m");
    EXPECT_EQ(texts[1], "Lin 99");
    EXPECT_EQ(texts.back(), "OK.");
}

// The areas pipeline's joining step: the collected lines are joined in place, the fixed ones stay.
TEST_F(LineJoin, StepOfTheAreasPipeline) {
    TPolyLineString fixed;
    TPolyLineElement* border = line({{0, -1}, {0, 1}});
    fixed.AddAndUpdateRect(border);
    add({{5, -5}, {5, 5}});
    add({{0.004, 0}, {10, 0}}); // its begin snaps onto the fixed border
    TLineJoiningRequest request;
    request.Lines = &layer;
    request.FixedLines = &fixed;
    request.SnapDistance = 0.01;
    JoinLinesStep(request);
    EXPECT_EQ(
        shapes(layerLines()),
        (std::multiset<Points>{{{0, 0}, {5, 0}}, {{5, 0}, {10, 0}}, {{5, -5}, {5, 0}}, {{5, 0}, {5, 5}}}));
    EXPECT_EQ(
        shapes({zelto_cast<TPolyLineElement>(fixed.Get(0)), zelto_cast<TPolyLineElement>(fixed.Get(1))}),
        (std::multiset<Points>{{{0, -1}, {0, 0}},
                               {{0, 0}, {0, 1}}})); // cut where the line meets it, not moved
}

TEST_F(LineJoin, ProtocolFileIsWrittenOnlyWhenUsed) {
    QTemporaryDir dir;
    const QString name = dir.filePath("join.txt");
    {
        QFile stale(name);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("old run\n");
    }
    add({{0, 0}, {std::numeric_limits<double>::quiet_NaN(), 1}});
    TJoinLines joiner;
    joiner.SetProtocol(name);
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "old run\n"); // naming the file does not touch it
    }
    joiner.FUseProtocol = true;
    auto tree = join(joiner);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "Linie č.  má neplatné souřadnice a nebyla spojena\n");

    TJoinLines broken;
    broken.SetProtocol(dir.filePath("missing/dir/p.txt"));
    broken.FUseProtocol = true;
    recordingNotifier()->clear();
    auto again = join(broken);
    EXPECT_TRUE(recordingNotifier()->errors().contains("Protocol " + dir.filePath("missing/dir/p.txt") +
                                                       " open error"));
    EXPECT_NE(again, nullptr); // the run goes on
}

// ---- stored properties ---------------------------------------------------------------------------

namespace {

class LineJoinStream : public zelto::testing::StreamRoundTrip {};

// The class's own stored properties, in table order.
QStringList ownStored(const TClassInfo& cls) {
    QStringList all = zelto::testing::storedPropertyNames(cls);
    const QStringList base = zelto::testing::storedPropertyNames(*cls.parent());
    return all.mid(base.size());
}

} // namespace

TEST_F(LineJoinStream, RegisteredToolsKeepTheirStoredProperties) {
    EXPECT_EQ(ownStored(TJoinLines::StaticClass()),
              (QStringList{"SnapDistance", "MinLength", "OnlyEnds", "SelfTest", "PrepocitavatPopBodyLinii",
                           "CompareOnlyDifferentSource", "MaxOutputAbscLength", "RoundKoef",
                           "DivideOutputLines", "Protocol", "UseProtocol", "ProtocoledLine", "FixedLines"}));
    EXPECT_EQ(ownStored(TLineExtractor::StaticClass()),
              (QStringList{"CopyLines", "NoDuplicates", "MaxLevel"}));
    EXPECT_EQ(ownStored(TFindBreakLineConnections::StaticClass()),
              (QStringList{"ByProjection", "Projection", "ConnectionsNumber", "AllNodes"}));
    EXPECT_EQ(ownStored(TFindLinesInNodesForEntity::StaticClass()), QStringList{"LinesEntity"});
    EXPECT_EQ(ownStored(TJoinSimpleLines::StaticClass()), QStringList{});
    EXPECT_EQ(ownStored(TJoinTopolLines::StaticClass()),
              (QStringList{"RefLines", "JoinRefLines", "IgnorePresnost", "SameDirection"}));
    EXPECT_EQ(ownStored(TGeometryTool::StaticClass()), (QStringList{"Geometry1", "Geometry2"}));
    for (const TClassInfo* c : {&TGeometryUnion::StaticClass(), &TGeometryDifference::StaticClass(),
                                &TGeometryIntersection::StaticClass()})
        EXPECT_EQ(ownStored(*c), QStringList{}) << c->name().toStdString();

    auto root = std::make_unique<TEntity>();
    auto* fixed = new TPolyLineString;
    fixed->AddAndUpdateRect(line({{0, 0}, {3, 4}}));
    root->AddElement(fixed);
    auto* joiner = new TJoinLines;
    joiner->FSnapDistance = 0.25;
    joiner->FMinLength = 0.5;
    joiner->FOnlyEnds = joiner->FSelfTest = joiner->FPrepocitavatPopBodyLinii = true;
    joiner->FCompareOnlyDifferentSource = joiner->FDivideOutputLines = joiner->FUseProtocol = true;
    joiner->FMaxOutputAbscLength = 10;
    joiner->FRoundKoef = 0.01;
    const QString protocol = path("protocol.txt");
    joiner->SetProtocol(protocol);
    joiner->FProtocoledLine = 7;
    joiner->SetFixedLines(fixed);
    root->AddElement(joiner);
    auto* extractor = new TLineExtractor;
    extractor->FCopyLines = extractor->FNoDuplicates = true;
    extractor->FMaxLevel = 3;
    root->AddElement(extractor);
    auto* projection = new TPageProjection;
    root->AddElement(projection);
    auto* breaks = new TFindBreakLineConnections;
    breaks->FByProjection = breaks->FAllNodes = true;
    breaks->FProjection = projection;
    breaks->FConnectionsNumber = 3;
    root->AddElement(breaks);
    auto* inNodes = new TFindLinesInNodesForEntity;
    inNodes->FLinesEntity = fixed;
    root->AddElement(inNodes);
    root->AddElement(new TJoinSimpleLines);
    auto* topol = new TJoinTopolLines;
    topol->FRefLines = fixed;
    topol->SetPropertyStringByName("NextSwitch", "ignorepresnost");
    topol->SetNextSwitch("SameDirection");
    topol->GetLines();
    root->AddElement(topol);
    for (TGeometryTool* t : std::initializer_list<TGeometryTool*>{
             new TGeometryTool, new TGeometryUnion, new TGeometryDifference, new TGeometryIntersection}) {
        t->FGeometry1 = zelto_cast<TGeometry>(fixed->Get(0));
        t->FGeometry2 = fixed;
        root->AddElement(t);
    }
    EXPECT_TRUE(topol->FIgnorePresnost && topol->FSameDirection && !topol->FJoinRefLines);

    std::unique_ptr<TElement> back = roundTrip(root.get());
    auto* root2 = zelto_cast<TEntity>(back.get());
    ASSERT_NE(root2, nullptr);
    auto* joiner2 = zelto_cast<TJoinLines>(root2->Get(1));
    ASSERT_NE(joiner2, nullptr);
    EXPECT_EQ(joiner2->GetFixedLines(), root2->Get(0)); // the reference finds the entity read back
    EXPECT_EQ(joiner2->GetProtocol(), protocol);
    EXPECT_FALSE(QFile::exists(protocol)); // reading a stored joiner touches no file
    auto* topol2 = zelto_cast<TJoinTopolLines>(root2->Get(7));
    ASSERT_NE(topol2, nullptr);
    EXPECT_EQ(topol2->GetLines(), topol2->Get(0)); // the working list read back is used, not doubled
    EXPECT_EQ(topol2->ElementsCount(), 1);
}

// ---- robustness --------------------------------------------------------------------------------------

TEST_F(LineJoin, DamagedLinesNeitherCrashNorHang) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Settings {
        double snap, minLength, maxAbsc, round;
        bool selfTest, onlyEnds;
    } settings[] = {
        {0.5, 0, 0, 0, true, false},
        {0.5, -1, 0, 0, false, true},     // lines of fewer than two vertices are processed too
        {0.01, -1, 1e-9, 0, true, false}, // a maximum far too small to divide by
        {0.01, 0, 0.3, 1, false, false},  // a grid that rounds division points back onto the ends
        {0.5, 0, nan, 0, true, false},
    };
    for (const Settings& s : settings) {
        SCOPED_TRACE(s.maxAbsc);
        layer.FreeAll();
        recordingNotifier()->clear();
        std::vector<TPolyLineElement*> bad{
            add({{1, 1}, {nan, 2}}),
            add({{1, 1}, {2, inf}}),
            add({{1e12, 1e12}, {1e12 + 5, 1e12}}),
            add({{-1e12, 3}, {4, 3}}),
        };
        add({});
        add({{3, 3}});
        add({{2, 2}, {2, 2}, {2, 2}});
        add({{0, 0}, {0, 0}, {10, 0}, {10, 0}, {10, 0.005}});
        add({{0.4, -1}, {0.4, 2}, {1.4, 2}, {1.4, -1}, {0.4, -1}}); // a closed ring crossing the line above
        add({{5, -3}, {5, 3}, {5, 3}, {5, -3}});                    // a spike back over itself
        add({{0, 1}, {25, 1}});
        TJoinLines joiner;
        joiner.FSnapDistance = s.snap;
        joiner.FMinLength = s.minLength;
        joiner.FMaxOutputAbscLength = s.maxAbsc;
        joiner.FRoundKoef = s.round;
        joiner.FSelfTest = s.selfTest;
        joiner.FOnlyEnds = s.onlyEnds;
        joiner.FDivideOutputLines = true;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        EXPECT_TRUE(recordingNotifier()->errors().isEmpty())
            << recordingNotifier()->errors().join("|").toStdString();
        // Every line with unusable coordinates is reported and left out.
        EXPECT_EQ(recordingNotifier()->protocols().count("Linie č.  má neplatné souřadnice a nebyla spojena"),
                  4);
        const auto lines = treeLines(tree.get());
        for (TPolyLineElement* b : bad) EXPECT_EQ(std::count(lines.begin(), lines.end(), b), 0);
        // Whatever is in the tree is a usable line of at least two vertices.
        for (TPolyLineElement* l : lines) {
            EXPECT_GE(l->GetCoordsCount(), 2);
            for (auto [x, y] : pointsOf(l)) EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
        }
        if (s.maxAbsc == 1e-9) {
            EXPECT_TRUE(
                recordingNotifier()->protocols().contains("Úsečka linie č. 0 je pro dělení příliš dlouhá"));
        }
    }
}

// Inputs (found by random search) that once made the joiner run away: crossings recomputed a hair
// beside the previous one on nearly collinear pieces, dividing them again and again; and a line
// bent through every old vertex within a large snap, zigzagging across more lines for the next
// line to bend through. The result stays of the size of the input.
TEST_F(LineJoin, RunawayCasesStaySmall) {
    struct Case {
        std::vector<Points> lines;
        double snap, maxAbsc, round;
        bool onlyEnds;
    } cases[] = {
        {{{{13.570934289905843, 13.233021659605207}, {16.038027147627442, 14.189934332380192}},
          {{13.570934289905843, 13.233021659605207},
           {16.038027147627442, 14.189934332380192},
           {19.144366358888767, 10.649270509002092},
           {11.323089801502435, 14.523714603344454}},
          {{16.038027147627442, 14.189934332380192}, {13.570934289905843, 13.233021659605207}},
          {{18.233371994611854, 9.9685862720321357}, {20.839304077988629, 11.74333625723081}}},
         0.1,
         1.5,
         0.5,
         false},
        {{
             {{18.193561851364525, 11.985870671788525}, {17.435991247257235, 15.364434496208711}},
             {{15.883570954972791, 15.373085328627699},
              {18.193561851364525, 11.985870671788525},
              {17.435991247257235, 15.364434496208711}},
             {{16.307885605131666, 15.70859857066106}, {24.754661058160931, 13.668132267684211}},
             {{15.887033582400138, 15.37110477731026}, {18.187061650524218, 11.994264824985423}},
             {{17.445481128728577, 15.374383699821555}, {18.187061650524218, 11.994264824985423}},
             {{15.887033582400138, 15.37110477731026},
              {18.187061650524218, 11.994264824985423},
              {17.445481128728577, 15.374383699821555}},
             {{17.445481128728577, 15.374383699821555},
              {18.187061650524218, 11.994264824985423},
              {15.887033582400138, 15.37110477731026}},
             {{14.486106930351434, 11.427143914224002},
              {16.416279066087398, 13.30608170501098},
              {10.56007484271943, 13.382766828614725}},
             {{15.211285935143696, 12.133073821698256}, {19.416279066087398, 13.530330966372588}},
             {{15.883387217749885, 15.36996926837714},
              {18.185981857115365, 11.986293270843747},
              {17.44076590444234, 15.366906591639808}},
             {{16.307885605131666, 15.70859857066106},
              {19.912030788193309, 15.513944654292741},
              {24.754661058160931, 13.668132267684211}},
             {{19.968890346925878, 15.258654285035229},
              {18.827298520736196, 13.954535896513589},
              {20.293856378827062, 10.118500434387075}},
             {{19.275023010184903, 14.466002189707341}, {21.827298520736196, 14.512437862854206}},
             {{17.435991247257235, 15.364434496208711},
              {18.193561851364525, 11.985870671788525},
              {15.883570954972791, 15.373085328627699}},
         },
         2,
         0,
         0,
         true},
    };
    for (const Case& c : cases) {
        layer.FreeAll();
        int before = 0;
        for (const Points& l : c.lines) {
            add(l);
            before += int(l.size());
        }
        TJoinLines joiner;
        joiner.FSnapDistance = c.snap;
        joiner.FMaxOutputAbscLength = c.maxAbsc;
        joiner.FRoundKoef = c.round;
        joiner.FOnlyEnds = c.onlyEnds;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        int after = 0;
        for (TPolyLineElement* l : layerLines()) after += l->GetCoordsCount();
        EXPECT_LT(after, 10 * before) << c.snap;
    }
}

TEST(LineJoinPruning, OnlyNearbySegmentsAreCompared) {
    // 10,000 lines on a 1 km grid; a new line in one cell is compared with its neighbours only.
    TEntity owner;
    TQTreeTopLin tree;
    tree.SetForRectangle(0, 0, 1000, 1000);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) {
            TPolyLineElement* l =
                line({{i * 10.0, j * 10.0}, {i * 10.0 + 8, j * 10.0 + 1}, {i * 10.0 + 9, j * 10.0 + 5}});
            owner.AddElement(l);
            tree.Add(l);
        }
    std::unique_ptr<TPolyLineElement> fresh(line({{503, 500.5}, {503, 509}}));
    const std::unique_ptr<TLinesAbscEntity> list = compareWith(&tree, fresh.get(), 0.5);
    ASSERT_NE(list, nullptr);
    std::set<const TPolyLineElement*> others;
    for (int i = 1; i < list->ElementsCount(); ++i) others.insert(list->GetLine(i));
    EXPECT_EQ(others.size(), 1u); // the one grid line it crosses
    EXPECT_LE(list->ElementsCount(), 4);
}

// ---- noding checked against GEOS -----------------------------------------------------------------

namespace {

struct Seg {
    double x0, y0, x1, y1;
};

double pointSegmentDistance(double px, double py, const Seg& s) {
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (s.x0 + t * dx), py - (s.y0 + t * dy));
}

// The proper crossing of two segments, with the sine of their angle.
bool properCrossing(const Seg& a, const Seg& b, double& x, double& y, double& sine) {
    const double ax = a.x1 - a.x0, ay = a.y1 - a.y0, bx = b.x1 - b.x0, by = b.y1 - b.y0;
    const double den = ax * by - ay * bx;
    if (den == 0) return false;
    const double t = ((b.x0 - a.x0) * by - (b.y0 - a.y0) * bx) / den;
    const double u = ((b.x0 - a.x0) * ay - (b.y0 - a.y0) * ax) / den;
    if (t <= 0 || t >= 1 || u <= 0 || u >= 1) return false;
    x = a.x0 + t * ax;
    y = a.y0 + t * ay;
    sine = std::abs(den) / (std::hypot(ax, ay) * std::hypot(bx, by));
    return true;
}

// One segment of a random line: the line and the segment's position in it.
struct LineSeg {
    Seg s;
    int line, index;
};

// Seeded random lines of `minVertices` to `maxVertices` vertices in a 100 m square, kept only
// where the snap cannot act: every vertex and every crossing lies more than `clearance` from every
// segment that does not pass through it (neighbouring segments of a line excepted), and segments
// cross at more than about 6 degrees. A line may cross itself.
std::vector<Points> crossingLines(int count, int minVertices, int maxVertices, double clearance,
                                  unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> pos(0, 100), ang(0, 2 * 3.141592653589793);
    std::uniform_real_distribution<double> len(maxVertices > 2 ? 3 : 5, maxVertices > 2 ? 15 : 40);
    std::uniform_int_distribution<int> vertices(minVertices, maxVertices);
    struct Crossing {
        double x, y;
        size_t a, b;
    };
    std::vector<Points> lines;
    std::vector<LineSeg> segs;
    std::vector<Crossing> crossings;
    auto neighbours = [](const LineSeg& a, const LineSeg& b) {
        return a.line == b.line && std::abs(a.index - b.index) <= 1;
    };
    int attempts = 0;
    while (int(lines.size()) < count && ++attempts < 200 * count) {
        Points p{{pos(rng), pos(rng)}};
        const int n = vertices(rng);
        while (int(p.size()) < n) {
            const double l = len(rng), a = ang(rng);
            p.emplace_back(p.back().first + l * std::cos(a), p.back().second + l * std::sin(a));
        }
        std::vector<LineSeg> all = segs;
        const size_t first = all.size();
        for (int i = 0; i + 1 < n; ++i)
            all.push_back({{p[i].first, p[i].second, p[i + 1].first, p[i + 1].second}, int(lines.size()), i});
        bool ok = true;
        std::vector<Crossing> mine;
        for (size_t i = first; ok && i < all.size(); ++i)
            for (size_t k = 0; ok && k < all.size(); ++k) {
                if (k == i || neighbours(all[i], all[k])) continue;
                const Seg &c = all[i].s, &s = all[k].s;
                ok = pointSegmentDistance(c.x0, c.y0, s) > clearance &&
                     pointSegmentDistance(c.x1, c.y1, s) > clearance &&
                     pointSegmentDistance(s.x0, s.y0, c) > clearance &&
                     pointSegmentDistance(s.x1, s.y1, c) > clearance;
                double x, y, sine;
                if (ok && k < i && properCrossing(c, s, x, y, sine)) {
                    ok = sine >= 0.1;
                    mine.push_back({x, y, k, i});
                }
            }
        for (const Crossing& x : crossings)
            for (size_t i = first; ok && i < all.size(); ++i)
                ok = pointSegmentDistance(x.x, x.y, all[i].s) > clearance;
        for (const Crossing& x : mine)
            for (size_t k = 0; ok && k < all.size(); ++k)
                if (k != x.a && k != x.b) ok = pointSegmentDistance(x.x, x.y, all[k].s) > clearance;
        if (!ok) continue;
        lines.push_back(p);
        segs = std::move(all);
        crossings.insert(crossings.end(), mine.begin(), mine.end());
    }
    return lines;
}

// GEOS's noding of the lines: every piece between two nodes.
std::vector<Points> geosNoded(const std::vector<Points>& input) {
    GEOSContextHandle_t ctx = GEOS_init_r();
    std::vector<GEOSGeometry*> lines;
    for (const Points& l : input) {
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(ctx, unsigned(l.size()), 2);
        for (size_t i = 0; i < l.size(); ++i)
            GEOSCoordSeq_setXY_r(ctx, seq, unsigned(i), l[i].first, l[i].second);
        lines.push_back(GEOSGeom_createLineString_r(ctx, seq));
    }
    GEOSGeometry* all =
        GEOSGeom_createCollection_r(ctx, GEOS_MULTILINESTRING, lines.data(), unsigned(lines.size()));
    GEOSGeometry* noded = GEOSNode_r(ctx, all);
    std::vector<Points> out;
    for (int i = 0; noded && i < GEOSGetNumGeometries_r(ctx, noded); ++i) {
        const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(ctx, GEOSGetGeometryN_r(ctx, noded, i));
        unsigned n = 0;
        GEOSCoordSeq_getSize_r(ctx, seq, &n);
        Points p;
        for (unsigned k = 0; k < n; ++k) {
            double x, y;
            GEOSCoordSeq_getXY_r(ctx, seq, k, &x, &y);
            p.emplace_back(x, y);
        }
        out.push_back(p);
    }
    if (noded) GEOSGeom_destroy_r(ctx, noded);
    GEOSGeom_destroy_r(ctx, all);
    GEOS_finish_r(ctx);
    return out;
}

bool samePiece(const Points& a, const Points& b, double tol) {
    if (a.size() != b.size()) return false;
    auto close = [tol](std::pair<double, double> p, std::pair<double, double> q) {
        return std::abs(p.first - q.first) <= tol && std::abs(p.second - q.second) <= tol;
    };
    bool forward = true, backward = true;
    for (size_t i = 0; i < a.size(); ++i) {
        forward = forward && close(a[i], b[i]);
        backward = backward && close(a[i], b[b.size() - 1 - i]);
    }
    return forward || backward;
}

// Pairs equal pieces off; what is left on either side is the difference.
void matchPieces(std::vector<Points>& ours, std::vector<Points>& theirs, double tol) {
    std::vector<bool> used(theirs.size(), false);
    std::vector<Points> unmatched;
    for (Points& p : ours) {
        bool found = false;
        for (size_t j = 0; j < theirs.size() && !found; ++j)
            if (!used[j] && samePiece(p, theirs[j], tol)) used[j] = found = true;
        if (!found) unmatched.push_back(p);
    }
    std::vector<Points> rest;
    for (size_t j = 0; j < theirs.size(); ++j)
        if (!used[j]) rest.push_back(theirs[j]);
    ours = std::move(unmatched);
    theirs = std::move(rest);
}

std::string describe(const std::vector<Points>& pieces) {
    std::string s;
    for (size_t i = 0; i < pieces.size() && i < 10; ++i) {
        s += "\n  ";
        for (auto [x, y] : pieces[i]) s += "(" + std::to_string(x) + ", " + std::to_string(y) + ") ";
    }
    return s;
}

} // namespace

// Crossing lines where the snap does not merge anything: the joiner's pieces are GEOS's noding,
// for plain segments and for polylines that also cross themselves.
TEST_F(LineJoin, CrossingLinesAreNodedAsGeosNodesThem) {
    const double snap = 0.01;
    struct Case {
        int count, minVertices, maxVertices;
        unsigned seed;
    } cases[] = {{300, 2, 2, 1}, {300, 2, 2, 2}, {300, 2, 2, 3}, {150, 2, 6, 4}, {150, 2, 6, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        layer.FreeAll();
        const std::vector<Points> input =
            crossingLines(c.count, c.minVertices, c.maxVertices, 3 * snap, c.seed);
        ASSERT_EQ(int(input.size()), c.count);
        for (const Points& l : input) add(l);
        TJoinLines joiner;
        joiner.FSnapDistance = snap;
        joiner.FSelfTest = true;
        auto tree = join(joiner);
        ASSERT_NE(tree, nullptr);
        std::vector<Points> ours;
        for (TPolyLineElement* l : treeLines(tree.get())) ours.push_back(pointsOf(l));
        std::vector<Points> theirs = geosNoded(input);
        ASSERT_GT(theirs.size(), 2u * input.size()); // plenty of crossings
        EXPECT_EQ(ours.size(), theirs.size());
        EXPECT_EQ(shapes(layerLines()).size(), ours.size()); // the layer holds the same pieces
        matchPieces(ours, theirs, 1e-7);
        EXPECT_TRUE(ours.empty()) << ours.size() << " pieces only ours:" << describe(ours);
        EXPECT_TRUE(theirs.empty()) << theirs.size() << " pieces only GEOS's:" << describe(theirs);
    }
}
