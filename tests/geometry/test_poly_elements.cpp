#include <gtest/gtest.h>

#include "builders.h"
#include "framework/Notifier.h"
#include "framework/Worlds.h"
#include "geometry/MathLib.h"
#include "geometry/e_Geometry.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

using namespace zelto;

namespace {

using zelto::testing::Points;

template <class T> std::unique_ptr<T> poly(const Points& points) {
    return std::unique_ptr<T>(zelto::testing::poly<T>(points));
}

// Clockwise (positive) 10 x 10 square and a counter-clockwise (negative) 2 x 2 square inside it.
const Points kSquare10 = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
const Points kHole2 = {{4, 4}, {6, 4}, {6, 6}, {4, 6}};

std::unique_ptr<TAreaElement> squareWithHole() {
    auto area = poly<TAreaElement>(kSquare10);
    area->AddHole(poly<TAreaElement>(kHole2).release());
    return area;
}

constexpr double kPi = std::numbers::pi;

// Two lines that make the square 0..10 as a ring: A runs up and right from (0, 0) to (10, 10)
// and is traversed forward; B runs right and up between the same ends and is traversed backwards.
struct Ring {
    TPolyLineElement* a = poly<TPolyLineElement>({{0, 0}, {0, 10}, {10, 10}}).release();
    TPolyLineElement* b = poly<TPolyLineElement>({{0, 0}, {10, 0}, {10, 10}}).release();
    template <class C> std::unique_ptr<C> make() {
        auto c = std::make_unique<C>();
        c->AddPolyLine(a, true);
        c->AddPolyLine(b, false);
        return c;
    }
};

std::vector<bool> origins(const TPolyLineAreaElement& c) {
    std::vector<bool> bits;
    for (int i = 0; i < c.ElementsCount(); ++i) bits.push_back(c.GetOrigin(i));
    return bits;
}

class MessageDelivery {
public:
    MessageDelivery() { m_world.SubscribeToMessages(); }

private:
    TWorld m_world;
};

} // namespace

// ---- vertices, lengths, areas ----------------------------------------------------------------------

TEST(PolyElement, VertexAccessOutsideTheListIsHarmless) {
    auto p = poly<TPolyElement>({{1, 2}, {3, 4}});
    EXPECT_EQ(p->GetCoordsCount(), 2);
    EXPECT_EQ(p->GetX(1), 3);
    EXPECT_EQ(p->GetX(2), 0);
    EXPECT_EQ(p->GetY(-1), 0);
    p->SetX(5, 9); // ignored
    p->InsertXY(7, 9, 9);
    p->InsertXY(-1, 9, 9);
    EXPECT_EQ(p->GetCoordsCount(), 2);
    p->InsertXY(1, 5, 6);
    EXPECT_EQ(p->GetX(1), 5);
    EXPECT_EQ(p->GetOrientedCoordElement(0, false)->FX, 3);
    EXPECT_EQ(p->GetOrientedCoordElement(3, true), nullptr);
    double x = 1, y = 1;
    p->GetOrientedCoord(9, true, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    // AddPolyLine means nothing to a plain vertex list.
    auto line = poly<TPolyLineElement>({{0, 0}, {1, 1}});
    p->AddPolyLine(line.get(), true);
    EXPECT_EQ(p->ElementsCount(), 3);
}

TEST(PolyElement, LengthAndLastLength) {
    struct Case {
        Points points;
        double length, last;
    } const cases[] = {
        {{}, 0, 0},
        {{{5, 5}}, 0, 0},
        {{{0, 0}, {3, 4}, {3, 0}}, 9, 4},
        {kSquare10, 30, 10}, // no closing segment
    };
    for (const Case& c : cases) {
        auto p = poly<TPolyLineElement>(c.points);
        EXPECT_DOUBLE_EQ(p->GetLength(), c.length) << c.points.size();
        EXPECT_DOUBLE_EQ(p->GetLastLength(), c.last) << c.points.size();
        EXPECT_DOUBLE_EQ(p->GetPropertyStringByName("Length").toDouble(), c.length);
    }
}

TEST(PolyElement, SignedRingAreaFollowsTheDirection) {
    const Points unit = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    Points reversed(unit.rbegin(), unit.rend());
    Points closed = unit;
    closed.push_back(unit.front());
    struct Case {
        const char* what;
        Points points;
        double area;
    } const cases[] = {
        {"clockwise", unit, 1},
        {"counter-clockwise", reversed, -1},
        {"first vertex repeated at the end", closed, 1},
        {"at national grid coordinates",
         {{-745000, -1043000}, {-745000, -1042900}, {-744900, -1042900}, {-744900, -1043000}},
         10000},
        {"one vertex", {{3, 3}}, 0},
        {"none", {}, 0},
    };
    for (const Case& c : cases) {
        auto line = poly<TPolyLineElement>(c.points);
        EXPECT_NEAR(line->GetArea(), c.area, 1e-6) << c.what;
        EXPECT_NEAR(line->GetAreaFromBegin(true), c.area, 1e-6) << c.what;
        EXPECT_NEAR(line->GetAreaFromBegin(false), -c.area, 1e-6) << c.what;
    }
}

TEST(PolyElement, AreaStopsAtAPositionWithoutCoordinate) {
    recordingNotifier()->clear();
    auto area = poly<TAreaElement>({{0, 0}, {0, 10}, {10, 10}});
    area->AddElement(new TRectEntity); // not a vertex
    area->AddXY(10, 0);
    // The sum up to the third vertex: (0 - 0)(10 + 0) + (10 - 0)(10 + 10), halved.
    EXPECT_DOUBLE_EQ(area->GetArea(), 100);
    EXPECT_TRUE(recordingNotifier()->messages().contains("GetCalculatedArea Error"));

    // Without a coordinate in the first position the whole area is 0, silently.
    recordingNotifier()->clear();
    TAreaElement odd;
    odd.AddElement(new TRectEntity);
    odd.AddXY(1, 1);
    EXPECT_EQ(odd.GetWholeArea(), 0);
    EXPECT_TRUE(recordingNotifier()->messages().isEmpty());
}

TEST(PolyElement, OpenSumsOfTheRingLinesAddUpToTheRingArea) {
    Ring r;
    auto ring = r.make<TPolyLineAreaElement>();
    EXPECT_DOUBLE_EQ(ring->GetArea(), 100);
    EXPECT_DOUBLE_EQ(r.a->GetSubAreaValue(true) + r.b->GetSubAreaValue(false), 100);
    EXPECT_DOUBLE_EQ(r.b->GetSubAreaValue(true), -r.b->GetSubAreaValue(false));
    EXPECT_EQ(poly<TPolyLineElement>({{1, 1}})->GetSubAreaValue(true), 0);
}

TEST(PolyElement, PointAtALength) {
    const double up = 2 * kPi + kPi / 2; // a segment towards +X: ATan2M gives 2π
    struct Case {
        const char* what;
        Points points;
        double length, x, y, angle;
    } const cases[] = {
        {"half of a horizontal line", {{0, 0}, {10, 0}}, 5, 5, 0, up},
        {"on the second segment", {{0, 0}, {10, 0}, {10, 10}}, 15, 10, 5, kPi},
        {"the whole length is the last vertex", {{0, 0}, {10, 0}, {10, 10}}, 20, 10, 10, 0},
        {"beyond the end", {{0, 0}, {10, 0}}, 50, 10, 0, 0},
        {"before the start stays on the line", {{0, 0}, {10, 0}}, -3, 0, 0, up},
        {"one vertex", {{7, 8}}, 3, 7, 8, 0},
        {"no vertex", {}, 3, 0, 0, 0},
    };
    for (const Case& c : cases) {
        auto line = poly<TPolyLineElement>(c.points);
        double x = -1, y = -1, angle = -1;
        line->GivePointPropsForLength(c.length, x, y, angle);
        EXPECT_DOUBLE_EQ(x, c.x) << c.what;
        EXPECT_DOUBLE_EQ(y, c.y) << c.what;
        EXPECT_DOUBLE_EQ(angle, c.angle) << c.what;
    }
    double x, y, angle;
    poly<TPolyLineElement>({{0, 0}, {10, 0}})->GiveLabelProps(x, y, angle);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(5.0, 0.0));
    EXPECT_DOUBLE_EQ(angle, up);
}

TEST(PolyElement, LabelPropsPlaceTheReferencePointWithoutMovingTheRectangle) {
    auto line = poly<TPolyLineElement>({{0, 0}, {10, 10}, {30, 10}});
    line->SetPropertyStringByName("RecalculateLabelProps", "True");
    // Half of 10√2 + 20 lies on the second segment.
    const double half = (std::sqrt(200.0) + 20) / 2;
    EXPECT_NEAR(line->GetRefX(), 10 + (half - std::sqrt(200.0)), 1e-9);
    EXPECT_NEAR(line->GetRefY(), 10, 1e-9);
    EXPECT_DOUBLE_EQ(line->FAngle, ATan2M(20, 0) + kPi / 2);
    EXPECT_EQ(line->GetMinX(), 0);
    EXPECT_EQ(line->GetMaxX(), 30);
    EXPECT_EQ(line->GetMaxY(), 10);
}

TEST(PolyElement, RecalculateRectShrinksToTheVertices) {
    auto p = poly<TPolyElement>({{-5, 2}, {3, 7}});
    p->SetByDoubleRect({-100, -100, 100, 100});
    p->RecalculateRect();
    EXPECT_EQ(p->GetRect()->GetDoubleRect(), (TDoubleRect{-5, 2, 3, 7}));
    TPolyElement empty;
    empty.RecalculateRect();
    EXPECT_FALSE(empty.IsValid());
}

// ---- hit tests -----------------------------------------------------------------------------------------

TEST(PolyLineElement, HitByVerticesAndSegments) {
    auto line = poly<TPolyLineElement>({{0, 0}, {10, 0}, {10, 10}});
    struct Case {
        double x, y, tolerance;
        bool hit;
    } const cases[] = {
        {0.5, 0.5, 1, true},   // near the first vertex
        {-1, 0, 1, true},      // a vertex exactly at the tolerance counts
        {5, 0.9, 1, true},     // over the middle of a segment
        {5, 1, 1, false},      // a segment exactly at the tolerance does not
        {-1.5, 0, 1, false},   // beyond the end, off the vertex
        {10.5, 5, 1, true},    // beside the second segment
        {5, 5, 1, false},      // inside the corner
        {0.5, 0.5, -1, false}, // a negative tolerance hits nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(line->IsHitByXY(c.x, c.y, c.tolerance), c.hit) << c.x << ", " << c.y;
    T2DCoordinate at(10, 10.5);
    EXPECT_TRUE(line->IsHit(&at, 1));
    EXPECT_FALSE(line->IsHit(nullptr, 1));
    EXPECT_EQ(line->GetSimpleGeometryByXY(5, 0.5, 1), line.get());
    EXPECT_EQ(line->GetSimpleGeometryByXY(5, 5, 1), nullptr);
}

TEST(PolyLineElement, OverRegionBySegmentBoxes) {
    auto corner = poly<TPolyLineElement>({{0, 0}, {10, 0}, {10, 10}});
    EXPECT_TRUE(corner->IsOverRegion(1, 5, 2, 6));     // inside the whole box...
    EXPECT_FALSE(corner->IsOverRegionEx(1, 5, 2, 6));  // ...but off both segments
    EXPECT_TRUE(corner->IsOverRegionEx(10, 5, 12, 6)); // touches the second segment
    EXPECT_TRUE(corner->IsOverRegionEx(-5, -5, 0, 0)); // touches the first vertex
    EXPECT_FALSE(poly<TPolyLineElement>({{1, 1}})->IsOverRegionEx(0, 0, 5, 5));
}

TEST(GeometryHit, PointAndTextTests) {
    TPointElement point;
    point.SetMinX(3);
    point.SetMinY(4);
    EXPECT_EQ(point.GetMaxX(), 3); // always degenerate
    EXPECT_EQ(point.GetMaxY(), 4);
    EXPECT_TRUE(point.IsHitByXY(3, 4.9, 1));
    EXPECT_FALSE(point.IsHitByXY(3, 5, 1));   // strictly closer than the tolerance
    EXPECT_TRUE(point.IsHitByXY(3.5, 4, -1)); // its absolute value

    TTextElement text;
    text.SetByDoubleRect({0, 0, 10, 2});
    EXPECT_TRUE(text.IsHitByXY(10, 2, 0));
    EXPECT_FALSE(text.IsHitByXY(10, 2.1, 100)); // the tolerance is ignored
}

TEST(AreaElement, InsideAndHitWithHoles) {
    auto area = squareWithHole();
    struct Case {
        const char* what;
        double x, y, tolerance;
        bool inside, hit;
    } const cases[] = {
        {"middle of the ring", 2, 2, 1, true, true},
        {"in the hole", 5, 5, 0.5, false, false},
        {"on the outer boundary", 10, 5, 0, false, false},
        {"on the hole's boundary belongs to the area", 4, 5, 0, true, true},
        {"outside", 15, 5, 0, false, false},
        // Inside the polygon, but the tolerance square reaches out of the rectangle.
        {"3 units inside with tolerance 5", 3, 8, 5, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(area->XYIsInside(c.x, c.y), c.inside) << c.what;
        EXPECT_EQ(area->IsHitByXY(c.x, c.y, c.tolerance), c.hit) << c.what;
    }
    EXPECT_TRUE(area->XYIsInsideNoHoles(5, 5));
    EXPECT_EQ(area->GetHoleByXY(5, 5), area->FHoles->Get(0));
    EXPECT_EQ(area->GetHoleByXY(2, 2), nullptr);
    auto two = poly<TAreaElement>({{0, 0}, {10, 10}});
    EXPECT_FALSE(two->XYIsInside(5, 5));
}

TEST(AreaElement, HolesAreSubtractedWhicheverWayTheRingRuns) {
    auto area = squareWithHole();
    EXPECT_DOUBLE_EQ(area->GetWholeArea(), 100);
    EXPECT_DOUBLE_EQ(area->FSavedArea, 100);
    EXPECT_DOUBLE_EQ(area->GetArea(), 96);
    EXPECT_DOUBLE_EQ(area->GetPropertyStringByName("Area").toDouble(), 96);
    EXPECT_DOUBLE_EQ(area->FSavedArea, 100); // the whole area, holes not subtracted

    // A counter-clockwise outer ring is negative; its hole still makes it smaller.
    auto ccw = poly<TAreaElement>({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    ccw->AddHole(poly<TAreaElement>(kHole2).release());
    EXPECT_DOUBLE_EQ(ccw->GetArea(), -96);
}

TEST(AreaElement, HoleKnowsItsArea) {
    auto area = squareWithHole();
    auto* hole = zelto_cast<TAreaElement>(area->FHoles->Get(0));
    ASSERT_NE(hole, nullptr);
    EXPECT_TRUE(hole->FIsHole);
    EXPECT_EQ(hole->GetHoleOwnerArea(), area.get());
    EXPECT_EQ(area->GetHoleOwnerArea(), nullptr);
    EXPECT_EQ(area->FHoles->FOwnerArea, area.get());
    EXPECT_EQ(area->FHoles->GetRect()->GetDoubleRect(), (TDoubleRect{4, 4, 6, 6}));
}

TEST(AreaElement, HolesCannotHoldTheirOwnArea) {
    auto outer = poly<TAreaElement>(kSquare10);
    auto* inner = poly<TAreaElement>(kHole2).release();
    outer->AddHole(outer.get());
    EXPECT_EQ(outer->FHoles, nullptr);
    outer->AddHole(inner);
    outer->AddHole(inner); // once only
    EXPECT_EQ(outer->FHoles->ElementsCount(), 1);
    inner->AddHole(outer.get()); // would make the outer area free itself
    EXPECT_EQ(inner->FHoles, nullptr);
    inner->SetHoles(outer->FHoles);
    EXPECT_EQ(inner->FHoles, nullptr);
}

TEST(AreaElement, ContainerHeldByTwoAreasGoesWithTheLast) {
    auto first = squareWithHole();
    auto second = poly<TAreaElement>(kSquare10);
    THolesEntity* holes = first->FHoles;
    TDestructionWatch watch;
    watch.watch(holes);
    second->SetHoles(holes); // a shallow copy shares the container
    EXPECT_EQ(holes->FOwnerArea, second.get());
    second.reset();
    EXPECT_TRUE(watch.alive(holes));
    EXPECT_EQ(holes->FOwnerArea, first.get());
    EXPECT_DOUBLE_EQ(first->GetArea(), 96);
    first.reset();
    EXPECT_FALSE(watch.alive(holes));
}

TEST(AreaElement, ReleasingAndDestroyingTheContainer) {
    auto area = squareWithHole();
    std::unique_ptr<THolesEntity> holes(area->FHoles);
    area->SetHoles(nullptr); // released, not freed
    EXPECT_EQ(area->FHoles, nullptr);
    EXPECT_TRUE(holes->NoOwners());
    EXPECT_EQ(holes->FOwnerArea, nullptr);
    EXPECT_DOUBLE_EQ(area->GetArea(), 100);

    area->SetHoles(holes.get());
    holes.reset(); // destroyed while the area holds it: the area forgets it
    EXPECT_EQ(area->FHoles, nullptr);

    area->AddHole(poly<TAreaElement>(kHole2).release());
    TDestructionWatch watch;
    watch.watch(area->FHoles);
    area->FreeHoles();
    EXPECT_EQ(watch.count(), 0);
}

// ---- composites ------------------------------------------------------------------------------------------

TEST(LinesOrigines, HexText) {
    TPolyLineAreaElement c;
    for (int i = 0; i < 9; ++i)
        c.AddPolyLine(poly<TPolyLineElement>({{0, 0}, {1, double(i)}}).release(), true);
    EXPECT_EQ(c.GetLinesOriginesHex(), "FF01");
    struct Case {
        const char* text;
        const char* back;
    } const cases[] = {
        {"FF0", "FF"},                             // an odd digit is left out
        {"03", "03"},  {"a1", "A1"}, {"0Z12", ""}, // reading stops at a pair that is not hexadecimal
        {"", ""},
    };
    for (const Case& k : cases) {
        c.SetLinesOriginesHex(k.text);
        EXPECT_EQ(c.GetLinesOriginesHex(), k.back) << k.text;
    }
    c.SetLinesOriginesHex("03");
    EXPECT_TRUE(c.GetOrigin(1));
    EXPECT_FALSE(c.GetOrigin(2));
    EXPECT_FALSE(c.GetOrigin(-1));
    EXPECT_FALSE(c.GetOrigin(100));
    c.SetOrigin(-3, true); // ignored
    c.SetOrigin(17, true);
    EXPECT_EQ(c.GetLinesOriginesHex(), "030002");
}

TEST(LinesOrigines, MembersLeavingAndArrivingKeepTheirDirections) {
    auto make = [](std::vector<bool> dirs) {
        auto c = std::make_unique<TPolyLineAreaElement>();
        for (bool d : dirs) c->AddPolyLine(poly<TPolyLineElement>({{0, 0}, {1, 1}}).release(), d);
        return c;
    };
    using V = std::vector<bool>;
    {
        auto c = make({true, false, true});
        std::unique_ptr<TElement> removed(c->Get(0)); // removed without freeing
        c->RemoveElement(removed.get());
        EXPECT_EQ(origins(*c), (V{false, true}));
    }
    {
        auto c = make({true, false, true});
        c->FreeElementIndex(0);
        EXPECT_EQ(origins(*c), (V{false, true}));
        EXPECT_EQ(c->GetLinesOriginesHex(), "02");
    }
    {
        // A member destroyed elsewhere leaves the composite through its owner list.
        auto c = make({true, false, true});
        std::unique_ptr<TElement> shared(c->Get(1));
        TEntity other;
        other.AddElement(shared.get());
        shared.reset();
        EXPECT_EQ(origins(*c), (V{true, true}));
    }
    {
        auto c = make({true, false});
        auto* line = poly<TPolyLineElement>({{0, 0}, {1, 1}}).release();
        c->InsertPolyLine(1, line, true);
        EXPECT_EQ(origins(*c), (V{true, true, false}));
        EXPECT_TRUE(c->HasLine(line, true));
        EXPECT_FALSE(c->HasLine(line, false));
        c->InsertPolyLine(9, line, true); // outside: ignored
        EXPECT_EQ(c->ElementsCount(), 3);
    }
}

TEST(PolyLineAreaElement, RingOfMemberLines) {
    Ring r;
    auto ring = r.make<TPolyLineAreaElement>();
    ASSERT_EQ(ring->GetCoordsCount(), 4);
    // The ring's vertices are the members' own vertex elements.
    EXPECT_EQ(ring->GetCoordElement(0), r.a->GetCoordElement(0));
    EXPECT_EQ(ring->GetCoordElement(1), r.a->GetCoordElement(1));
    EXPECT_EQ(ring->GetCoordElement(2), r.b->GetCoordElement(2));
    EXPECT_EQ(ring->GetCoordElement(3), r.b->GetCoordElement(1));
    EXPECT_EQ(ring->GetCoordElement(4), nullptr);
    EXPECT_EQ(ring->GetCoordElement(-1), nullptr);
    EXPECT_EQ(ring->GetRect()->GetDoubleRect(), (TDoubleRect{0, 0, 10, 10}));
    EXPECT_TRUE(ring->XYIsInside(5, 5));
    EXPECT_FALSE(ring->XYIsInside(10, 5));
    EXPECT_TRUE(ring->IsHitByXY(5, 5, 1));
    EXPECT_EQ(ring->GetSimpleGeometryByXY(5, 5, 1), ring.get());
}

TEST(PolyLineAreaElement, CreateAreaElementCopiesTheRingAndTheHoles) {
    Ring r;
    auto ring = r.make<TPolyLineAreaElement>();
    ring->SetAbsRefX(2.5);
    ring->SetAbsRefY(7.5);
    ring->FFixedArea = 99.5;
    ring->FFixedAreaIndex = 3;
    // A line-built hole and a plain one.
    auto* lineHole = new TPolyLineAreaElement;
    lineHole->AddPolyLine(poly<TPolyLineElement>({{4, 4}, {6, 4}, {6, 6}}).release(), true);
    lineHole->AddPolyLine(poly<TPolyLineElement>({{6, 6}, {4, 6}, {4, 4}}).release(), true);
    ring->AddHole(lineHole);
    ring->AddHole(poly<TAreaElement>({{1, 1}, {2, 1}, {2, 2}, {1, 2}}).release());

    std::unique_ptr<TAreaElement> area(ring->CreateAreaElement());
    ASSERT_EQ(area->ElementsCount(), 5);
    EXPECT_EQ(area->ClassName(), "TAreaElement");
    const std::pair<double, double> expected[] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(std::make_pair(area->GetX(i), area->GetY(i)), expected[i]) << i;
        EXPECT_NE(area->GetCoordElement(i), ring->GetCoordElement(i % 4)); // copies
    }
    EXPECT_EQ(area->GetRect()->GetDoubleRect(), ring->GetRect()->GetDoubleRect());
    EXPECT_EQ(area->GetRelRefX(), 0.25);
    EXPECT_EQ(area->GetRelRefY(), 0.75);
    EXPECT_EQ(area->FFixedArea, 99.5);
    EXPECT_EQ(area->FFixedAreaIndex, 3);
    ASSERT_NE(area->FHoles, nullptr);
    ASSERT_EQ(area->FHoles->ElementsCount(), 2);
    EXPECT_DOUBLE_EQ(ring->GetArea(), 100 - 4 - 1);
    EXPECT_DOUBLE_EQ(area->GetArea(), ring->GetArea());
    EXPECT_FALSE(area->XYIsInside(5, 5));

    std::unique_ptr<TAreaElement> plain(ring->CreateAreaElementNoHole());
    EXPECT_EQ(plain->FHoles, nullptr);
    EXPECT_EQ(plain->FFixedArea, 0);
}

TEST(MultiPolyLineElement, MembersMakeTheLine) {
    auto multi = std::make_unique<TMultiPolyLineElement>();
    multi->AddPolyLine(poly<TPolyLineElement>({{0, 0}, {10, 0}}).release(), true);
    multi->AddPolyLine(poly<TPolyLineElement>({{20, 0}, {20, 5}}).release(), false);
    EXPECT_DOUBLE_EQ(multi->GetLength(), 15);
    EXPECT_EQ(multi->GetLinesOriginesHex(), "01");
    // Every vertex counts for the rectangle, the last one of each member too.
    multi->RecalculateRect();
    EXPECT_EQ(multi->GetRect()->GetDoubleRect(), (TDoubleRect{0, 0, 20, 5}));
    EXPECT_TRUE(multi->IsHitByXY(20.5, 2, 1));
    EXPECT_FALSE(multi->IsHitByXY(15, 0, 1)); // between the members
    EXPECT_EQ(multi->GetSimpleGeometryByXY(5, 0.5, 1), multi->Get(0));
    EXPECT_EQ(multi->GetSimpleGeometryByXY(15, 0, 1), nullptr);
    EXPECT_TRUE(multi->IsOverRegionEx(9, -1, 11, 1)); // the first member's end
    EXPECT_FALSE(multi->IsOverRegionEx(12, -1, 18, 1));
}

TEST(MultiAreaElement, PartsAddUp) {
    auto multi = std::make_unique<TMultiAreaElement>();
    auto first = squareWithHole();
    first->FFixedArea = 95;
    first->FFixedAreaIndex = 2;
    auto second = poly<TAreaElement>({{20, 0}, {20, 10}, {30, 10}, {30, 0}});
    second->FFixedArea = 101;
    second->FFixedAreaIndex = 2;
    auto* secondRaw = second.get();
    multi->AddAndUpdateRect(first.release());
    multi->AddAndUpdateRect(second.release());
    EXPECT_DOUBLE_EQ(multi->GetArea(), 96 + 100);
    EXPECT_DOUBLE_EQ(multi->GetLength(), 30 + 30);
    EXPECT_DOUBLE_EQ(multi->GetFixedArea(), 196);
    EXPECT_EQ(multi->GetFixedAreaIndex(), 2);
    EXPECT_TRUE(multi->GetSameFAI());
    secondRaw->FFixedAreaIndex = 4;
    EXPECT_FALSE(multi->GetSameFAI());
    EXPECT_EQ(multi->GetAreaElement(1), secondRaw);
    EXPECT_EQ(multi->GetAreaElement(2), nullptr);
    EXPECT_TRUE(multi->IsHitByXY(25, 5, 1));
    EXPECT_FALSE(multi->IsHitByXY(5, 5, 0.5)); // the first part's hole
    EXPECT_FALSE(multi->IsHitByXY(15, 5, 1));  // between the parts
    EXPECT_EQ(multi->GetSimpleGeometryByXY(25, 5, 1), secondRaw);
    multi->SetByDoubleRect({-1, -1, -1, -1});
    multi->RecalculateRect();
    EXPECT_EQ(multi->GetRect()->GetDoubleRect(), (TDoubleRect{0, 0, 30, 10}));

    TMultiAreaElement none;
    EXPECT_EQ(none.GetFixedAreaIndex(), 0);
    EXPECT_TRUE(none.GetSameFAI());
}

// ---- dividing a member line ------------------------------------------------------------------------------

TEST(DivideGeometry, NewPieceJoinsEveryOwnerInRingOrder) {
    MessageDelivery delivery;
    Ring r;
    auto ring = r.make<TPolyLineAreaElement>();
    auto multi = r.make<TMultiPolyLineElement>();
    auto string = std::make_unique<TPolyLineString>();
    string->AddElement(r.a);
    string->AddElement(r.b);

    // A is traversed forward: its piece follows it, in A's direction.
    auto* pieceA = poly<TPolyLineElement>({{10, 10}, {10, 11}}).release();
    r.a->FAngle = 0;
    r.a->SendMsgToOwners(tm_DivideGeometry, pieceA, false);
    // B is traversed backwards and its piece runs against it: the piece comes before B, forward.
    auto* pieceB = poly<TPolyLineElement>({{10, 10}, {10, 9}}).release();
    r.b->FAngle = 1;
    r.b->SendMsgToOwners(tm_DivideGeometry, pieceB, false);

    using V = std::vector<bool>;
    for (TEntity* composite : {static_cast<TEntity*>(ring.get()), static_cast<TEntity*>(multi.get())}) {
        ASSERT_EQ(composite->ElementsCount(), 4) << composite->ClassName().toStdString();
        EXPECT_EQ(composite->Get(0), r.a);
        EXPECT_EQ(composite->Get(1), pieceA);
        EXPECT_EQ(composite->Get(2), pieceB);
        EXPECT_EQ(composite->Get(3), r.b);
    }
    EXPECT_EQ(origins(*ring), (V{true, true, true, false}));
    EXPECT_EQ(multi->GetLinesOriginesHex(), "07");
    EXPECT_EQ(string->ElementsCount(), 4);
    EXPECT_EQ(pieceA->GetOwnersCount(), 3);
}

TEST(DivideGeometry, ForeignOrHandledMessagesChangeNothing) {
    Ring r;
    auto ring = r.make<TPolyLineAreaElement>();
    auto stranger = poly<TPolyLineElement>({{50, 50}, {60, 60}});
    auto piece = poly<TPolyLineElement>({{0, 0}, {1, 1}});
    TZeltoMessage m;
    m.FMessage = tm_DivideGeometry;
    m.FSender = stranger.get();
    m.FData = piece.get();
    bool handled = false;
    ring->HandleMessage(m, handled);
    m.FSender = r.a;
    m.FData = ring.get(); // not a line
    ring->HandleMessage(m, handled);
    m.FData = piece.get();
    handled = true;
    ring->HandleMessage(m, handled);
    m.FMessage = tm_ExchangeGeometry; // another message
    handled = false;
    ring->HandleMessage(m, handled);
    EXPECT_EQ(ring->ElementsCount(), 2);
}

// ---- identity, time, isolation ---------------------------------------------------------------------------

TEST(GeometryIdentity, UuidInRegistryTextForm) {
    TPolyLineElement a, b;
    a.CreateUUID();
    b.CreateUUID();
    static const QRegularExpression form(
        QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"));
    EXPECT_TRUE(form.match(a.FUUID).hasMatch()) << a.FUUID.toStdString();
    EXPECT_EQ(a.FUUID.size(), 38);
    EXPECT_NE(a.FUUID, b.FUUID);
}

TEST(GeometryIdentity, TimeStampTextAndDoneMark) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    TGeometry g;
    g.FTimeStamp = 45000.75; // 15 March 2023, 18:00
    const QString expectedDate = QLocale().toString(QDate(2023, 3, 15), QLocale::ShortFormat);
    EXPECT_EQ(g.GetPropertyStringByName("TimeStampString"), expectedDate + " 18:00:00");
    g.FTimeStamp = -1.25; // before the epoch the fraction still counts from midnight
    EXPECT_EQ(g.GetTimeStampString(),
              QLocale().toString(QDate(1899, 12, 29), QLocale::ShortFormat) + " 6:00:00");
    g.FTimeStamp = std::nan("");
    EXPECT_EQ(g.GetTimeStampString(), "");
    g.FTimeStamp = 1e300;
    EXPECT_EQ(g.GetTimeStampString(), "");
    QLocale::setDefault(saved);

    EXPECT_FALSE(g.GetIsDone());
    g.SetIsDone(true);
    EXPECT_EQ(g.ID, 0);
    g.ID = -5;
    EXPECT_TRUE(g.GetIsDone());
    g.SetIsDone(false);
    EXPECT_EQ(g.ID, -1);
}

TEST(GeometryIdentity, IsolatedUnlessAChildIsSharedWithTheBiggerOne) {
    Ring r;
    auto ring = r.make<TPolyLineAreaElement>();
    TPolyLineAreaElement bigger;
    EXPECT_TRUE(ring->IsIsolatedFrom(&bigger));
    bigger.AddPolyLine(r.b, true);
    EXPECT_FALSE(ring->IsIsolatedFrom(&bigger));
    EXPECT_TRUE(poly<TPolyLineElement>({{0, 0}})->IsIsolatedFrom(&bigger)); // vertices are no geometries
    TGeometry leaf;
    EXPECT_TRUE(leaf.IsIsolatedFrom(&bigger));
}
