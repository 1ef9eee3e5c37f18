#include <gtest/gtest.h>

#include "geometry/RectListIndex.h"

#include <functional>
#include <limits>
#include <random>

using namespace zelto;

namespace {

std::vector<int> at(const TRectListIndex& index, double x, double y) {
    std::vector<int> hits;
    index.VisitAt(x, y, [&](int i) {
        hits.push_back(i);
        return false;
    });
    return hits;
}

std::vector<int> bruteForce(const std::vector<TDoubleRect>& rects, double x, double y) {
    std::vector<int> hits;
    for (size_t i = 0; i < rects.size(); ++i) {
        const TDoubleRect& r = rects[i];
        if (r.MinX <= x && x <= r.MaxX && r.MinY <= y && y <= r.MaxY) hits.push_back(int(i));
    }
    return hits;
}

} // namespace

// Random rectangles of all sizes (a few covering everything, which makes the grid coarser),
// queried at random points and at every corner and edge midpoint: the same entries in list order
// as a scan of the list.
TEST(RectListIndex, AgreesWithAScanInListOrder) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(-1000, 1000), size(0, 60);
    for (int n : {0, 1, 5, 40, 700}) {
        std::vector<TDoubleRect> rects;
        for (int i = 0; i < n; ++i) {
            const double x = pos(rng), y = pos(rng);
            const double w = i % 97 == 3 ? 3000 : size(rng), h = i % 89 == 5 ? 0 : size(rng);
            rects.push_back({x, y, x + w, y + h});
        }
        TRectListIndex index;
        index.Build(rects);
        std::vector<std::pair<double, double>> points;
        for (int k = 0; k < 2000; ++k) points.emplace_back(pos(rng), pos(rng));
        for (const TDoubleRect& r : rects)
            for (auto [x, y] : {std::pair{r.MinX, r.MinY},
                                {r.MaxX, r.MaxY},
                                {r.MinX, r.MaxY},
                                {r.MaxX, r.MinY},
                                {(r.MinX + r.MaxX) / 2, r.MaxY}})
                points.emplace_back(x, y);
        for (auto [x, y] : points)
            ASSERT_EQ(at(index, x, y), bruteForce(rects, x, y)) << n << " " << x << " " << y;
    }
}

TEST(RectListIndex, StopsAtTheFirstAcceptedEntryAndSkipsUnusableRectangles) {
    const double inf = std::numeric_limits<double>::infinity(),
                 nan = std::numeric_limits<double>::quiet_NaN();
    // Unusable: the empty rectangle of the model, an inverted one, infinite and NaN corners.
    std::vector<TDoubleRect> rects{{1e30, 1e30, -1e30, -1e30},
                                   {5, 5, 0, 0},
                                   {-inf, -inf, inf, inf},
                                   {nan, 0, 10, 10},
                                   {0, 0, 10, 10},
                                   {5, 5, 15, 15},
                                   {5, 0, 5, 20}};
    TRectListIndex index;
    index.Build(rects);
    EXPECT_EQ(at(index, 5, 5), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(at(index, 20, 20), std::vector<int>{});
    int visits = 0;
    EXPECT_TRUE(index.VisitAt(5, 5, [&](int i) {
        ++visits;
        return i == 5;
    }));
    EXPECT_EQ(visits, 2);
    // Only unusable rectangles: nothing is ever found.
    index.Build({{1e30, 1e30, -1e30, -1e30}});
    EXPECT_FALSE(index.VisitAt(0, 0, [](int) { return true; }));
}

// Rectangles all on one vertical line (no width) and points on it.
TEST(RectListIndex, DegenerateBounds) {
    std::vector<TDoubleRect> rects;
    for (int i = 0; i < 50; ++i) rects.push_back({3, double(i), 3, double(i) + 1});
    TRectListIndex index;
    index.Build(rects);
    EXPECT_EQ(at(index, 3, 10), (std::vector<int>{9, 10}));
    EXPECT_EQ(at(index, 3, 50), std::vector<int>{49});
    EXPECT_EQ(at(index, 3.0000001, 10), std::vector<int>{});
}

// Indexes over children and rectangles are validated by the model's change counter: every way of
// changing an element list or a rectangle must advance it.
TEST(ModelEpoch, ListAndRectangleChangesAdvanceIt) {
    TEntity owner;
    auto* a = new TElement;
    auto* b = new TElement;
    owner.AddElement(a);
    owner.AddElement(b);
    TRectangle rect;
    TSuperList other;
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"append", [&] { other.append(a); }},
        {"insert", [&] { other.insert(0, b); }},
        {"set", [&] { other.set(0, a); }},
        {"removeAt", [&] { other.removeAt(0); }},
        {"takeLast", [&] { other.takeLast(); }},
        {"clear", [&] { other.clear(); }},
        {"swap", [&] { other.swap(owner.FElements), other.swap(owner.FElements); }},
        {"SetMinX", [&] { rect.SetMinX(1); }},
        {"SetMaxY", [&] { rect.SetMaxY(2); }},
        {"UpdateByXY", [&] { rect.UpdateByXY(5, 5); }},
        {"Move", [&] { rect.Move(1, 1); }},
        {"Reset", [&] { rect.Reset(); }},
        {"SetMin", [&] { rect.SetMin(new T2DCoordinate(0, 0)); }},
    };
    for (const auto& [name, change] : changes) {
        const quint64 before = modelEpoch();
        change();
        EXPECT_NE(modelEpoch(), before) << name;
    }
    // Reading changes nothing.
    const quint64 before = modelEpoch();
    (void)rect.GetDoubleRect();
    (void)owner.FElements.indexOf(b);
    EXPECT_EQ(modelEpoch(), before);
}
