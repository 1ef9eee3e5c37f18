#include <gtest/gtest.h>

#include "builders.h"
#include "element_graph.h"
#include "geometry/e_Geometry.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "stream_roundtrip.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace zelto;
using zelto::testing::expectSameGraph;
using zelto::testing::reachedFrom;
using zelto::testing::sameReal;

namespace {

using zelto::testing::Points;
using zelto::testing::poly;
using zelto::testing::square;

void stamp(TGeometry* g, int n) {
    g->CreateUUID();
    g->FUID = "lesnik" + QString::number(n);
    g->FTimeStamp = 45000.5 + n;
    g->FGIndex = n;
    g->FAngle = 0.25 * n;
}

// A plain area with two holes, the first of which has a hole of its own.
TAreaElement* areaWithNestedHoles() {
    auto* area = poly<TAreaElement>(square(-745000, -1043000, 100));
    stamp(area, 1);
    area->FFixedArea = 0.9512;
    area->FFixedAreaIndex = 2;
    auto* big = poly<TAreaElement>(square(-744990, -1042990, 40, false));
    big->AddHole(poly<TAreaElement>(square(-744980, -1042980, 10)));
    area->AddHole(big);
    area->AddHole(poly<TAreaElement>(square(-744930, -1042930, 5, false)));
    return area;
}

TPolyLineAreaElement* lineBuiltArea() {
    auto* ring = new TPolyLineAreaElement;
    ring->AddPolyLine(poly<TPolyLineElement>({{0, 0}, {0, 10}, {10, 10}}), true);
    ring->AddPolyLine(poly<TPolyLineElement>({{0, 0}, {10, 0}, {10, 10}}), false);
    auto* hole = new TPolyLineAreaElement;
    hole->AddPolyLine(poly<TPolyLineElement>({{4, 4}, {6, 4}, {6, 6}}), true);
    hole->AddPolyLine(poly<TPolyLineElement>({{4, 4}, {4, 6}, {6, 6}}), false);
    ring->AddHole(hole);
    ring->FFixedArea = 96;
    stamp(ring, 7);
    return ring;
}

class PolyStream : public zelto::testing::StreamRoundTrip {
protected:
    QByteArray save(TElement* root, const QString& name = "poly.zlt") {
        return StreamRoundTrip::save(root, name);
    }
};

} // namespace

TEST(PolyClasses, StoredPropertiesInTableOrder) {
    auto stored = [](const TClassInfo& cls) {
        QStringList names;
        for (const TPropInfo& p : cls.properties())
            if (p.staticallyStored() && p.readable() && p.writable()) names << p.name;
        return names;
    };
    const QStringList geometry = {"Name",    "Index", "MinX",   "MinY",      "Width", "Height", "AbsRefX",
                                  "AbsRefY", "Angle", "GIndex", "TimeStamp", "UUID",  "UID"};
    const QStringList area = geometry + QStringList{"Holes", "IsHole", "FixedAreaIndex", "FixedArea"};
    EXPECT_EQ(stored(TGeometry::StaticClass()), geometry);
    EXPECT_EQ(stored(TPointElement::StaticClass()), geometry);
    EXPECT_EQ(stored(TTextElement::StaticClass()), geometry + QStringList{"Text"});
    EXPECT_EQ(stored(TPolyElement::StaticClass()), geometry);
    EXPECT_EQ(stored(TPolyLineElement::StaticClass()), geometry);
    EXPECT_EQ(stored(TMultiPolyLineElement::StaticClass()), geometry + QStringList{"LinesOriginesHex"});
    EXPECT_EQ(stored(TAreaElement::StaticClass()), area);
    EXPECT_EQ(stored(TMultiAreaElement::StaticClass()), area);
    EXPECT_EQ(stored(TPolyLineAreaElement::StaticClass()), area + QStringList{"LinesOriginesHex"});
    EXPECT_EQ(stored(TAreaString::StaticClass()), geometry);
    EXPECT_EQ(stored(THolesEntity::StaticClass()), stored(TRectEntity::StaticClass()));
    const TPropInfo* holes =
        TAreaElement::StaticClass().property(TAreaElement::StaticClass().propertyIndex("Holes"));
    ASSERT_NE(holes, nullptr);
    EXPECT_EQ(holes->kind, tkClass);
    EXPECT_EQ(holes->propClass, &THolesEntity::StaticClass());
}

TEST_F(PolyStream, EveryClassKeepsEveryStoredPropertyAndChild) {
    struct Case {
        const char* what;
        std::function<TElement*()> make;
    };
    const Case cases[] = {
        {"geometry",
         [] {
             auto* g = new TGeometry;
             g->SetByDoubleRect({-10, -20, 30, 40});
             stamp(g, 3);
             return g;
         }},
        {"point",
         [] {
             auto* p = new TPointElement;
             p->SetMinX(-745001.5);
             p->SetMinY(-1043002.25);
             stamp(p, 4);
             return p;
         }},
        {"text",
         [] {
             auto* t = new TTextElement;
             t->SetByDoubleRect({1, 2, 30, 5});
             t->SetRefPosition(5);
             t->FText = "Hůrka 12a";
             return t;
         }},
        {"vertex list",
         [] {
             return poly<TPolyElement>({{1, 2}, {3, 4}, {0, 0}});
         }},
        {"polyline with label",
         [] {
             auto* l =
                 poly<TPolyLineElement>({{-745000, -1043000}, {-744990, -1042990}, {-744970, -1042990}});
             l->CalculateLabelProps();
             stamp(l, 5);
             return l;
         }},
        {"multi polyline",
         [] {
             auto* m = new TMultiPolyLineElement;
             m->AddPolyLine(poly<TPolyLineElement>({{0, 0}, {10, 0}}), true);
             m->AddPolyLine(poly<TPolyLineElement>({{20, 0}, {20, 5}}), false);
             m->AddPolyLine(poly<TPolyLineElement>({{30, 0}, {30, 5}}), true);
             return m;
         }},
        {"area with nested holes", [] { return areaWithNestedHoles(); }},
        {"multi area",
         [] {
             auto* m = new TMultiAreaElement;
             m->AddAndUpdateRect(areaWithNestedHoles());
             m->AddAndUpdateRect(poly<TAreaElement>(square(-744000, -1043000, 50)));
             return m;
         }},
        {"line-built area with a line-built hole", [] { return lineBuiltArea(); }},
        {"holes container",
         [] {
             auto* h = new THolesEntity;
             h->AddAndUpdateRect(poly<TAreaElement>(square(0, 0, 1)));
             return h;
         }},
        {"strings",
         [] {
             auto* s = new TAreaString;
             s->AddAndUpdateRect(areaWithNestedHoles());
             auto* points = new TPointString;
             points->AddElement(new TPointElement);
             s->AddElement(points);
             auto* texts = new TTextString;
             texts->AddElement(new TTextElement);
             s->AddElement(texts);
             auto* lines = new TPolyLineString;
             lines->AddElement(poly<TPolyLineElement>({{0, 0}, {1, 1}}));
             s->AddElement(lines);
             return s;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TElement> original(c.make());
        save(original.get());
        std::unique_ptr<TElement> back = load("poly.zlt");
        expectSameGraph(original.get(), back.get());
        // A point stays a point: the stream's width of a degenerate rectangle (0.00001) does not
        // widen it.
        if (auto* p = zelto_cast<TPointElement>(back.get())) {
            EXPECT_EQ(p->GetRect()->GetWidth(), 0);
            EXPECT_EQ(p->GetRect()->GetHeight(), 0);
        }
    }
}

TEST_F(PolyStream, LoadedAreaReconnectsItsHoles) {
    std::unique_ptr<TElement> original(areaWithNestedHoles());
    save(original.get());
    std::unique_ptr<TElement> back = load("poly.zlt");
    auto* area = zelto_cast<TAreaElement>(back.get());
    ASSERT_NE(area, nullptr);
    ASSERT_NE(area->FHoles, nullptr);
    EXPECT_EQ(area->FHoles->FOwnerArea, area);
    EXPECT_EQ(area->FHoles->ID, -1);
    auto* big = zelto_cast<TAreaElement>(area->FHoles->Get(0));
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->FIsHole);
    EXPECT_EQ(big->GetHoleOwnerArea(), area);
    ASSERT_NE(big->FHoles, nullptr);
    EXPECT_EQ(zelto_cast<TAreaElement>(big->FHoles->Get(0))->GetHoleOwnerArea(), big);
    EXPECT_NEAR(area->GetArea(), 10000 - 1600 - 25, 1e-6);
    EXPECT_NEAR(area->GetArea(), zelto_cast<TAreaElement>(original.get())->GetArea(), 1e-9);
    EXPECT_FALSE(area->XYIsInside(-744980, -1042980 + 20)); // in the big hole
    // An island in a hole is no part of the area, as its area is not either.
    EXPECT_FALSE(area->XYIsInside(-744975, -1042975));
    EXPECT_TRUE(area->XYIsInside(-744995, -1042995));
}

// After a write every element carries its number; the holes are not children, so marking them
// for the next write is the area's own business. A second write of the same graph must give the
// same stream, not stale numbers for the holes.
TEST_F(PolyStream, WritingTwiceGivesTheSameStream) {
    auto* layer = new TAreaString;
    layer->AddElement(lineBuiltArea());
    layer->AddElement(areaWithNestedHoles());
    std::unique_ptr<TElement> root(layer);
    const QByteArray first = save(root.get(), "a.zlt");
    const QByteArray second = save(root.get(), "b.zlt");
    EXPECT_EQ(first, second);
    std::unique_ptr<TElement> back = load("b.zlt");
    expectSameGraph(root.get(), back.get());
}

// The areas-from-lines tool files holes in their areas and keeps them in its result string as
// well: the hole is written once and both holders get the same element back.
TEST_F(PolyStream, HoleAlsoHeldByTheStringComesBackShared) {
    auto* string = new TAreaString;
    std::unique_ptr<TElement> root(string);
    auto* outer = poly<TAreaElement>(square(0, 0, 10));
    auto* hole = poly<TAreaElement>(square(4, 4, 2, false));
    string->AddElement(outer);
    string->AddElement(hole);
    outer->AddHole(hole);
    save(root.get());
    std::unique_ptr<TElement> back = load("poly.zlt");
    auto* s = zelto_cast<TAreaString>(back.get());
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->ElementsCount(), 2);
    auto* loadedOuter = zelto_cast<TAreaElement>(s->Get(0));
    ASSERT_NE(loadedOuter, nullptr);
    ASSERT_NE(loadedOuter->FHoles, nullptr);
    EXPECT_EQ(loadedOuter->FHoles->Get(0), s->Get(1));
    EXPECT_EQ(s->Get(1)->GetOwnersCount(), 2);
    EXPECT_DOUBLE_EQ(loadedOuter->GetArea(), 96);
}

TEST_F(PolyStream, FreeingALoadedAreaWithHolesLeavesNothing) {
    auto* layer = new TAreaString;
    layer->AddElement(areaWithNestedHoles());
    layer->AddElement(lineBuiltArea());
    std::unique_ptr<TElement> original(layer);
    save(original.get());
    for (bool throughSet : {false, true}) {
        SCOPED_TRACE(throughSet ? "FreeElementSet" : "delete");
        std::vector<TElement*> read;
        std::unique_ptr<TElement> back = load("poly.zlt", &read);
        const std::vector<TElement*> all = reachedFrom(back.get());
        ASSERT_EQ(all.size(), 42u); // the holes, their containers and the vertices included
        // Listed is everything but the vertices: each has one holder, which frees it.
        std::vector<TElement*> expected;
        for (TElement* e : all)
            if (!e->Is<T2DCoordinate>()) expected.push_back(e);
        EXPECT_LT(expected.size(), all.size());
        std::vector<TElement*> listed = read;
        std::sort(listed.begin(), listed.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listed, expected);
        TDestructionWatch watch;
        for (TElement* e : all) watch.watch(e);
        if (throughSet) {
            back.release();
            FreeElementSet(read);
        } else {
            back.reset();
        }
        EXPECT_EQ(watch.count(), 0);
    }
}

// A set in creation order has the container after its area: clearing the area's Holes property
// must not free the container under the set's feet.
TEST(PolyFreeing, SetWithTheContainerAfterItsArea) {
    auto* area = poly<TAreaElement>(square(0, 0, 10));
    auto* hole = poly<TAreaElement>(square(4, 4, 2, false));
    area->AddHole(hole);
    THolesEntity* holes = area->FHoles;
    TDestructionWatch watch;
    for (TElement* e :
         {static_cast<TElement*>(area), static_cast<TElement*>(hole), static_cast<TElement*>(holes)})
        watch.watch(e);
    FreeElementSet({area, hole, holes});
    EXPECT_EQ(watch.count(), 0);
}
