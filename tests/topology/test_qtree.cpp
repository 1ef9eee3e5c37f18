#include <gtest/gtest.h>

#include "builders.h"
#include "framework/Errors.h"
#include "framework/Notifier.h"
#include "framework/Worlds.h"
#include "geometry/e_GeometryElement.h"
#include "stream_roundtrip.h"
#include "topology/e_QTree.h"
#include "topology/t_QTreeTools.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <random>
#include <set>

using namespace zelto;

namespace {

using zelto::testing::box;
using zelto::testing::line;

// Every element the walker returns for the window, with how often it came.
std::multiset<TElement*> walk(TQTree* tree, double x0, double y0, double x1, double y1, double tol = 0) {
    std::multiset<TElement*> found;
    TQTreeWalker w;
    for (TElement* e = w.GetFirstElementForRectangle(tree, x0, y0, x1, y1, tol); e; e = w.GetNextElement())
        found.insert(e);
    return found;
}

} // namespace

TEST(QTree, FirstElementSizesTheRootAndLeavesSplit) {
    TEntity owner; // holds the elements; the tree only indexes them
    TRectEntityQTree tree;
    auto* first = box(0.5, 0.5, 3.2, 1.5);
    owner.AddElement(first);
    tree.Extend(first);
    EXPECT_EQ(tree.GetQXMin(), 0);
    EXPECT_EQ(tree.GetQYMin(), 0);
    EXPECT_EQ(tree.FQWidth, 4);
    EXPECT_EQ(tree.GetMaxX(), 4);

    // A leaf of side 8 splits on its 65th element; each element goes to every quarter it meets.
    TRectEntityQTree eight;
    eight.SetSquare(0, 0, 8);
    for (int i = 0; i < 64; ++i) {
        auto* b = box(1, 1, 2, 2);
        owner.AddElement(b);
        eight.Add(b);
    }
    EXPECT_TRUE(eight.GetIsLeaf());
    auto* spanning = box(3, 3, 5, 5);
    owner.AddElement(spanning);
    eight.Add(spanning);
    ASSERT_FALSE(eight.GetIsLeaf());
    ASSERT_EQ(eight.ElementsCount(), 4);
    EXPECT_EQ(eight.Child(0)->ElementsCount(), 65);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(eight.Child(i)->ElementsCount(), 1) << i;
    EXPECT_EQ(eight.Child(3)->GetQXMin(), 4);
    EXPECT_EQ(eight.Child(3)->FLevel, 1);
    EXPECT_EQ(eight.GetElementsCount(), 68);
    EXPECT_EQ(eight.GetLeavesCount(), 4);

    // A leaf of side 1 never splits.
    TRectEntityQTree one;
    one.SetSquare(0, 0, 1);
    for (int i = 0; i < 100; ++i) {
        auto* b = box(0.2, 0.2, 0.4, 0.4);
        owner.AddElement(b);
        one.Add(b);
    }
    EXPECT_TRUE(one.GetIsLeaf());
    EXPECT_EQ(one.ElementsCount(), 100);

    // Outside the root square nothing is indexed by Add.
    auto* far = box(100, 100, 101, 101);
    owner.AddElement(far);
    one.Add(far);
    EXPECT_EQ(one.ElementsCount(), 100);
}

TEST(QTree, WalkerFindsLinesInEveryLeafTheyCross) {
    TEntity owner;
    TRectEntityQTree tree;
    tree.FMaxLeafCount = 1;
    tree.SetSquare(0, 0, 16);
    auto* a = line({{1, 1}, {2, 2}});
    auto* b = line({{13, 13}, {14, 14}});
    auto* crossing =
        line({{5, 6}, {12, 6}}); // crosses two leaves: one of the lower-left, and the lower-right
    for (TElement* e :
         {static_cast<TElement*>(a), static_cast<TElement*>(b), static_cast<TElement*>(crossing)}) {
        owner.AddElement(e);
        tree.Add(e);
    }
    ASSERT_FALSE(tree.GetIsLeaf());
    const auto all = walk(&tree, 0, 0, 16, 16);
    EXPECT_EQ(all.count(crossing), 2u);
    EXPECT_EQ(all.count(a), 1u);
    EXPECT_EQ(all.count(b), 1u);
    // A window over one quarter prunes the others; the tolerance widens it.
    const auto lowerLeft = walk(&tree, 0, 0, 3, 3);
    EXPECT_EQ(lowerLeft.count(a), 1u);
    EXPECT_EQ(lowerLeft.count(b), 0u);
    EXPECT_EQ(walk(&tree, 0, 0, 3, 2.5).count(crossing), 0u);
    EXPECT_EQ(walk(&tree, 0, 0, 3, 2.5, 4).count(crossing), 1u);
    EXPECT_TRUE(walk(&tree, 100, 100, 101, 101).empty());
    EXPECT_TRUE(tree.HasElementOverRectangle(12.5, 12.5, 13.5, 13.5));
    EXPECT_FALSE(tree.HasElementOverRectangle(6, 12, 7, 12.5));
    EXPECT_TRUE(tree.HasLeafOverRectangle(6, 12, 7, 12.5));

    // The same over a larger random set: every element overlapping the window comes, nothing else.
    TRectEntityQTree big;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(-5000, 5000), size(0, 80);
    std::vector<TRectEntity*> boxes;
    for (int i = 0; i < 3000; ++i) {
        const double x = pos(rng), y = pos(rng);
        auto* r = box(x, y, x + size(rng), y + size(rng));
        owner.AddElement(r);
        big.Extend(r);
        boxes.push_back(r);
    }
    const auto found = walk(&big, -300, -200, 400, 100);
    std::set<TElement*> distinct(found.begin(), found.end());
    for (TRectEntity* r : boxes)
        EXPECT_EQ(distinct.count(r) == 1, r->IsOverRegion(-300, -200, 400, 100))
            << r->GetMinX() << " " << r->GetMinY();
}

// The element queries are a first filter by boxes: a line is stored in the leaves its segments
// cross, and answered where its bounding rectangle meets the window, geometry or not.
TEST(QTree, ElementQueriesFilterByBoxes) {
    TEntity owner;
    TRectEntityQTree tree;
    tree.FMaxLeafCount = 1;
    tree.SetSquare(0, 0, 16);
    auto* diagonal = line({{1, 1}, {7, 7}});       // the lower-left quarter
    auto* bend = line({{9, 1}, {15, 1}, {15, 7}}); // the lower-right quarter, along two edges
    auto* small = box(9.5, 5.5, 10, 6);            // splits the lower-right quarter
    for (TElement* e : std::initializer_list<TElement*>{diagonal, bend, small}) {
        owner.AddElement(e);
        tree.Add(e);
    }
    ASSERT_FALSE(tree.Child(1)->GetIsLeaf());
    struct Case {
        const char* what;
        double x0, y0, x1, y1, tolerance;
        std::set<TElement*> expected;
    };
    const Case cases[] = {
        {"off the diagonal, in its rectangle", 2, 5, 3, 6, 0, {diagonal}},
        {"inside the bend, in a leaf its segments cross", 13, 3, 14, 3.5, 0, {bend}},
        {"inside the bend, in a leaf its segments miss", 10, 5, 11, 5.2, 0, {}},
        {"touching the diagonal's corner", 7, 7, 8, 8, 0, {diagonal}},
        {"touching the bend's end", 15, 7, 16, 8, 0, {bend}},
        {"near the corner, no tolerance", 7.5, 7.5, 8.5, 8.5, 0, {}},
        {"near the corner, widened", 7.5, 7.5, 8.5, 8.5, 0.5, {diagonal}},
        {"outside the root", 20, 20, 21, 21, 0, {}},
    };
    for (const Case& c : cases) {
        const auto found = walk(&tree, c.x0, c.y0, c.x1, c.y1, c.tolerance);
        EXPECT_EQ(std::set<TElement*>(found.begin(), found.end()), c.expected) << c.what;
        const double t = c.tolerance;
        EXPECT_EQ(tree.HasElementOverRectangle(c.x0 - t, c.y0 - t, c.x1 + t, c.y1 + t), !c.expected.empty())
            << c.what;
    }
    // A walk started at a subtree stays inside it.
    EXPECT_EQ(walk(tree.Child(0), 0, 0, 16, 16), std::multiset<TElement*>{diagonal});
    const auto lowerRight = walk(tree.Child(1), 0, 0, 16, 16);
    EXPECT_EQ(std::set<TElement*>(lowerRight.begin(), lowerRight.end()), (std::set<TElement*>{bend, small}));
}

TEST(QTree, ExtendingAnInnerRootKeepsTheOldSubtree) {
    TEntity owner;
    TRectEntityQTree tree;
    tree.FMaxLeafCount = 1;
    tree.SetSquare(0, 0, 4);
    auto* a = box(0.5, 0.5, 1, 1);
    auto* b = box(3, 3, 3.5, 3.5);
    owner.AddElement(a);
    owner.AddElement(b);
    tree.Add(a);
    tree.Add(b);
    ASSERT_FALSE(tree.GetIsLeaf());
    TQTree* oldChildren[4] = {tree.Child(0), tree.Child(1), tree.Child(2), tree.Child(3)};

    tree.ExtendQuad(-3, 1, 1, 2);
    EXPECT_EQ(tree.GetQXMin(), -8);
    EXPECT_EQ(tree.GetQYMin(), 0);
    EXPECT_EQ(tree.FQWidth, 32);
    TQTree* ll = tree.Child(0);
    EXPECT_EQ(ll->GetQXMin(), -8);
    EXPECT_EQ(ll->FQWidth, 16);
    TQTree* lr = ll->Child(1);
    EXPECT_EQ(lr->GetQXMin(), 0);
    EXPECT_EQ(lr->GetQYMin(), 0);
    EXPECT_EQ(lr->FQWidth, 8);
    TQTree* old = lr->Child(0);
    EXPECT_EQ(old->FQWidth, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(old->Child(i), oldChildren[i]) << i;
    EXPECT_EQ(walk(&tree, 0, 0, 4, 4).count(b), 1u);

    // Extend through an element: the root grows and the element lands in the new part.
    auto* c = box(-7, 20, -6, 21);
    owner.AddElement(c);
    tree.Extend(c);
    EXPECT_EQ(walk(&tree, -8, 19, -5, 22).count(c), 1u);
    EXPECT_EQ(walk(&tree, 0, 0, 4, 4).count(a), 1u);

    // A leaf below the root is not extended.
    TQTree* leaf = oldChildren[0];
    const double side = leaf->FQWidth;
    leaf->ExtendQuad(-100, -100, 100, 100);
    EXPECT_EQ(leaf->FQWidth, side);
}

TEST(QTree, PointQueriesAndTheDividedPiece) {
    TEntity owner;
    TRectEntityQTree tree;
    tree.FMaxLeafCount = 1;
    tree.SetSquare(0, 0, 8);
    auto* l = line({{1, 1}, {7, 7}});
    owner.AddElement(l);
    tree.Add(l);
    auto* other = line({{1, 6}, {2, 7}});
    owner.AddElement(other);
    tree.Add(other);

    EXPECT_FALSE(tree.XYIsIn(0, 4));
    EXPECT_FALSE(tree.XYIsIn(4, 0));
    EXPECT_TRUE(tree.XYIsIn(8, 4));
    EXPECT_TRUE(tree.XYIsIn(4, 8));

    TFindRectEntityInQTreeByXY find;
    find.SetInput(&tree);
    find.FX = 3;
    find.FY = 3.05;
    find.SetTolerance(0.1);
    find.DoIt();
    EXPECT_EQ(find.GetOutput(), l);
    find.FX = 0; // on the root's left edge
    find.FY = 0.5;
    find.DoIt();
    EXPECT_EQ(find.GetOutput(), nullptr);
    find.FX = 6;
    find.FY = 1;
    find.DoIt();
    EXPECT_EQ(find.GetOutput(), nullptr);

    // A divided line's new piece joins the leaves that held the line, where it overlaps them.
    TWorld world;
    world.SubscribeToMessages();
    auto* piece = line({{6.5, 6.5}, {7.5, 7.9}});
    owner.AddElement(piece);
    l->PostMsgToOwners(tm_DivideGeometry, piece, false);
    const auto found = walk(&tree, 6, 6, 8, 8);
    EXPECT_EQ(found.count(piece), 1u);
    EXPECT_TRUE(walk(&tree, 0, 0, 3, 3).count(piece) == 0);

    // Empty keeps the shape and frees only what nothing else holds.
    auto* indexedOnly = line({{0.5, 0.5}, {0.7, 0.7}});
    tree.Add(indexedOnly);
    TDestructionWatch watch;
    watch.watch(indexedOnly);
    watch.watch(l);
    const int leaves = tree.GetLeavesCount();
    tree.Empty();
    EXPECT_EQ(tree.GetElementsCount(), 0);
    EXPECT_EQ(tree.GetLeavesCount(), leaves);
    EXPECT_FALSE(watch.alive(indexedOnly));
    EXPECT_TRUE(watch.alive(l));
}

TEST(QTree, BuildingToolAndDump) {
    TEntity layer;
    for (int i = 0; i < 200; ++i) layer.AddElement(box(i * 10, 0, i * 10 + 5, 5));
    layer.AddElement(new TRectEntity); // no valid rectangle: not indexed
    TAddEntityToQTree add;
    add.SetNoProgress(true);
    add.SetInput(&layer);
    add.DoIt();
    std::unique_ptr<TElement> out(add.GetOutput());
    auto* tree = zelto_cast<TRectEntityQTree>(out.get());
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->GetName(), "REQT");
    std::set<TElement*> distinct;
    for (TElement* e : walk(tree, -1e6, -1e6, 1e6, 1e6)) distinct.insert(e);
    EXPECT_EQ(distinct.size(), 200u);

    QTemporaryDir dir;
    const QString file = dir.filePath("qtree.txt");
    VypisQTree(file, tree);
    VypisQTree(file, tree);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.count(QString(51, '*')), 2);
    EXPECT_TRUE(lines.at(1).startsWith("    4 >")) << lines.at(1).toStdString();
    recordingNotifier()->clear();
    VypisQTree(dir.filePath("missing/dir/qtree.txt"), tree);
    EXPECT_EQ(recordingNotifier()->errors(),
              QStringList{"Chyba při zápisu do souboru " + dir.filePath("missing/dir/qtree.txt")});
}

TEST(LineEndQTree, LeavesHold256EndsAndSplitOnTheNext) {
    TEntity owner;
    TSpaceLineBegEndCell root;
    root.SetByDoubleRect({0, 0, 100, 100});
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> pos(0, 100);
    std::vector<TPolyLineElement*> lines;
    for (int i = 0; i < 128; ++i) {
        auto* l = line({{pos(rng), pos(rng)}, {pos(rng), pos(rng)}});
        owner.AddElement(l);
        lines.push_back(l);
        root.AddLine(l, true);
        root.AddLine(l, false);
    }
    EXPECT_TRUE(root.GetLast());
    EXPECT_EQ(root.GetCount(), 256);
    EXPECT_EQ(root.GetLineBegins()->GetName(), "BEGINS");
    auto* extra = line({{10, 10}, {90, 90}});
    owner.AddElement(extra);
    root.AddLine(extra, true);
    EXPECT_FALSE(root.GetLast());
    EXPECT_EQ(root.GetCount(), 257);
    EXPECT_EQ(root.GetLineBegins(), nullptr);
    ASSERT_EQ(root.ElementsCount(), 4);
    EXPECT_EQ(root.Get(0)->GetName(), "LEVY DOLNI");
    EXPECT_EQ(root.Get(1)->GetName(), "LEVY HORNI");
    EXPECT_EQ(root.Get(2)->GetName(), "PRAVY DOLNI");
    EXPECT_EQ(root.Get(3)->GetName(), "PRAVY HORNI");
    auto* lb = zelto_cast<TSpaceLineBegEndCell>(root.Get(0));
    ASSERT_NE(lb->GetLineBegins(), nullptr);
    EXPECT_GE(lb->GetLineBegins()->IndexOf(extra), 0);
    for (TPolyLineElement* l : lines) EXPECT_FALSE(l->NoOwners());

    // Many ends at one point: the cell stops splitting when it is tiny, and nothing is lost.
    TSpaceLineBegEndCell same;
    same.SetByDoubleRect({0, 0, 1, 1});
    for (int i = 0; i < 600; ++i) {
        auto* l = line({{0.5, 0.5}, {0.9, 0.9}});
        owner.AddElement(l);
        same.AddLine(l, true);
    }
    EXPECT_EQ(same.GetCount(), 600);

    recordingNotifier()->clear();
    TPolyLineElement empty;
    same.AddLine(&empty, true);
    EXPECT_EQ(recordingNotifier()->messages(), QStringList{"Error: TSpaceLineBegEndCell.AddLine"});
}

class QTreeStream : public zelto::testing::StreamRoundTrip {};

TEST_F(QTreeStream, TreeShapeAndIndexedElementsSurvive) {
    auto root = std::make_unique<TEntity>();
    auto* layer = new TEntity;
    root->AddElement(layer);
    auto* tree = new TRectEntityQTree;
    tree->FMaxLeafCount = 2;
    tree->FQMinWidth = 3;
    for (int i = 0; i < 9; ++i) {
        auto* r = box(i, i, i + 0.5, i + 0.5);
        layer->AddElement(r);
        tree->Extend(r);
    }
    root->AddElement(tree);
    std::unique_ptr<TElement> back = roundTrip(root.get());
    auto* t2 = zelto_cast<TRectEntityQTree>(zelto_cast<TEntity>(back.get())->Get(1));
    ASSERT_NE(t2, nullptr);
    EXPECT_EQ(t2->FQWidth, tree->FQWidth);
    EXPECT_EQ(t2->GetQXMin(), tree->GetQXMin());
    EXPECT_EQ(t2->GetLeavesCount(), tree->GetLeavesCount());
    EXPECT_EQ(walk(t2, 7.9, 7.9, 8.1, 8.1).size(), 1u);
}
