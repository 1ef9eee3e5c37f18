#include <gtest/gtest.h>

#include "framework/e_Class.h"
#include "geometry/G_Elems.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "stream_files.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <memory>

using namespace zelto;

namespace {

struct Rect {
    double minX, minY, maxX, maxY;
};

Rect rectOf(const TRectEntity& e) {
    return {e.GetMinX(), e.GetMinY(), e.GetMaxX(), e.GetMaxY()};
}

void expectRect(const TRectEntity& e, Rect r) {
    EXPECT_DOUBLE_EQ(e.GetMinX(), r.minX);
    EXPECT_DOUBLE_EQ(e.GetMinY(), r.minY);
    EXPECT_DOUBLE_EQ(e.GetMaxX(), r.maxX);
    EXPECT_DOUBLE_EQ(e.GetMaxY(), r.maxY);
}

// An entity with rectangle (minX, minY)-(maxX, maxY) and the reference point at its lower left.
std::unique_ptr<TRectEntity> entity(double minX, double minY, double maxX, double maxY) {
    auto e = std::make_unique<TRectEntity>();
    e->SetByDoubleRect({minX, minY, maxX, maxY});
    return e;
}

} // namespace

TEST(Coordinates, ACoordinateIsVptrIdAndTwoDoubles) {
    EXPECT_EQ(sizeof(T2DCoordinate), 32u);
    EXPECT_EQ(sizeof(T3DCoordinate), 40u);
}

TEST(Coordinates, BaseAccessorsAnswerMinusOneAndTwoDimensionsIgnoreZ) {
    TCoordinate base;
    base.SetX(3);
    EXPECT_EQ(base.GetX(), -1);
    EXPECT_EQ(base.GetZ(), -1);

    T2DCoordinate c(1.5, -2.5);
    c.SetZ(9);
    EXPECT_EQ(c.GetZ(), -1);
    TDoubleRect region;
    c.GetRegion(region);
    EXPECT_EQ(region, (TDoubleRect{1.5, -2.5, 1.5, -2.5}));
}

TEST(Coordinates, DuplicateAndEnvelopeKeepClassAndValues) {
    T3DCoordinate c;
    c.SetX(1);
    c.SetY(2);
    c.SetZ(3);
    c.CS = 7;
    std::unique_ptr<TCoordinate> dup(c.CreateDuplicate());
    ASSERT_TRUE(dup && dup->Is<T3DCoordinate>());
    EXPECT_EQ(dup->GetX(), 1);
    EXPECT_EQ(dup->GetY(), 2);
    EXPECT_EQ(dup->GetZ(), 3);
    EXPECT_EQ(dup->CS, 7);

    std::unique_ptr<TElement> env(c.CreateEnvelope());
    auto* e = zelto_cast<T3DCoordinate>(env.get());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetX(), 1);
    EXPECT_EQ(e->GetY(), 2);
    EXPECT_EQ(e->GetZ(), 3);
}

// ---- TRectangle ------------------------------------------------------------------------------------

TEST(Rectangle, NewIsEmptyAndTheFirstPointMakesItDegenerate) {
    TRectangle r;
    EXPECT_FALSE(r.IsValid());
    EXPECT_EQ(r.GetMinX(), 1e30);
    EXPECT_EQ(r.GetMaxY(), -1e30);
    r.UpdateByXY(5, 7);
    EXPECT_TRUE(r.IsValid());
    EXPECT_EQ(r.GetWidth(), 0);
    EXPECT_EQ(r.GetHeight(), 0);
    r.UpdateByXY(-1, 10);
    EXPECT_EQ(r.GetDoubleRect(), (TDoubleRect{-1, 7, 5, 10}));
    EXPECT_EQ(r.AsDoubleRect(), (TDoubleRect{-11, -3, 15, 20}));
    r.Reset();
    EXPECT_FALSE(r.IsValid());
}

TEST(Rectangle, Validity) {
    struct Case {
        TDoubleRect r;
        bool valid;
    } cases[] = {
        {{0, 0, 0, 0}, true},
        {{-5, -5, 5, 5}, true},
        {{1, 0, 0, 0}, false},     // inverted X
        {{0, 1, 0, 0}, false},     // inverted Y
        {{-1e30, 0, 0, 0}, false}, // at the limit
        {{0, 0, 9.9e29, 1}, true}, // below it
        {{0, 0, std::nan(""), 1}, false},
    };
    for (const Case& c : cases) {
        TRectangle r;
        r.SetMinX(c.r.MinX);
        r.SetMinY(c.r.MinY);
        r.SetMaxX(c.r.MaxX);
        r.SetMaxY(c.r.MaxY);
        EXPECT_EQ(r.IsValid(), c.valid) << c.r.MinX << " " << c.r.MinY << " " << c.r.MaxX << " " << c.r.MaxY;
    }
}

TEST(Rectangle, GrowSpreadsEvenlyAndNeverGoesNegative) {
    TRectangle r;
    r.UpdateByDoubleRect({0, 0, 10, 4});
    r.Grow(-20, 0);
    EXPECT_EQ(r.GetDoubleRect(), (TDoubleRect{10, 0, 10, 4}));

    TRectangle g;
    g.UpdateByDoubleRect({0, 0, 10, 4});
    g.Grow(4, 2);
    EXPECT_EQ(g.GetDoubleRect(), (TDoubleRect{-2, -1, 12, 5}));
    EXPECT_EQ(g.Dimension(), 14);
}

TEST(Rectangle, NewCornersAreSortedAndOwned) {
    TRectangle r;
    r.UpdateByDoubleRect({0, 0, 1, 1});
    r.SetMin(new T2DCoordinate(10, -1));
    EXPECT_EQ(r.GetDoubleRect(), (TDoubleRect{1, -1, 10, 1}));
    r.SetMax(new T2DCoordinate(2, 3));
    EXPECT_EQ(r.GetDoubleRect(), (TDoubleRect{1, -1, 2, 3}));
    // Setting the same corner again keeps it.
    T2DCoordinate* min = r.GetMin();
    r.SetMin(min);
    EXPECT_EQ(r.GetMin(), min);
    EXPECT_EQ(r.GetInstanceSize(), int(sizeof(TRectangle) + 2 * sizeof(T2DCoordinate)));
}

TEST(Rectangle, UpdateByRectangleSkipsInvalidOnes) {
    TRectangle r, empty, other;
    r.UpdateByXY(0, 0);
    r.UpdateByRectangle(&empty);
    EXPECT_EQ(r.GetDoubleRect(), (TDoubleRect{0, 0, 0, 0}));
    other.UpdateByDoubleRect({-3, 1, 2, 8});
    r.UpdateByRectangle(&other);
    EXPECT_EQ(r.GetDoubleRect(), (TDoubleRect{-3, 0, 2, 8}));
    EXPECT_TRUE(r.IsOverlap(&other));
}

TEST(Rectangle, AssignCopiesOnlyFromRectanglesAndDuplicateKeepsClass) {
    TRectangle a, b;
    a.UpdateByDoubleRect({1, 2, 3, 4});
    b.Assign(&a);
    EXPECT_EQ(b.GetDoubleRect(), a.GetDoubleRect());
    T2DCoordinate notARect(9, 9);
    b.Assign(&notARect);
    EXPECT_EQ(b.GetDoubleRect(), a.GetDoubleRect());
    std::unique_ptr<TRectangle> dup(a.CreateDuplicate());
    EXPECT_EQ(dup->GetDoubleRect(), a.GetDoubleRect());
    std::unique_ptr<TElement> env(a.CreateEnvelope());
    ASSERT_TRUE(env->Is<TRectangle>());
    EXPECT_EQ(static_cast<TRectangle*>(env.get())->GetDoubleRect(), a.GetDoubleRect());
}

// ---- TRectEntity: the reference point algebra -------------------------------------------------------

TEST(RectEntity, FirstAccessCreatesTheEmptyRectangleAndTheOriginReference) {
    TRectEntity e;
    EXPECT_FALSE(e.IsValid());
    EXPECT_EQ(e.GetRelRefX(), 0);
    EXPECT_EQ(e.GetRelRefY(), 0);
    // An empty rectangle: the absolute reference point cannot be placed, nothing moves.
    e.SetAbsRefX(123);
    EXPECT_EQ(e.GetRelRefX(), 0);
    EXPECT_EQ(e.GetMinX(), 1e30);
    EXPECT_EQ(e.GetMaxX(), -1e30);
}

TEST(RectEntity, ZeroExtentReadsAsATinyOne) {
    TRectEntity e;
    e.GetRect()->UpdateByXY(5, 7);
    EXPECT_EQ(e.GetWidth(), 0.00001);
    EXPECT_EQ(e.GetHeight(), 0.00001);
    EXPECT_EQ(e.GetMaxLength(), 0);
    e.SetRelRefCoords(1, 0);
    EXPECT_EQ(e.GetMinX(), 5 - 0.00001); // the absolute point stayed at 5
    EXPECT_EQ(e.GetRefX(), e.GetMinX() + 0.00001);
}

TEST(RectEntity, MovingTheRelativePointKeepsTheAbsoluteOne) {
    auto e = entity(0, 0, 10, 4);
    e->SetHorizAllign("right");
    EXPECT_EQ(e->GetRelRefX(), 1);
    expectRect(*e, {-10, 0, 0, 4});
    EXPECT_EQ(e->GetRefX(), 0);
    EXPECT_EQ(e->GetHorizAllign(), "RIGHT");

    e->SetHorizAllign("middle"); // not a keyword
    EXPECT_EQ(e->GetRelRefX(), 1);
    expectRect(*e, {-10, 0, 0, 4});

    e->SetVertAllign("Center");
    EXPECT_EQ(e->GetRelRefY(), 0.5);
    expectRect(*e, {-10, -2, 0, 2});
    EXPECT_EQ(e->GetVertAllign(), "CENTER");

    // Delta: 2.5 of the width 10 is a quarter; the absolute point (0) stays.
    e->SetDeltaRefX(2.5);
    EXPECT_EQ(e->GetRelRefX(), 0.25);
    expectRect(*e, {-2.5, -2, 7.5, 2});
    EXPECT_EQ(e->GetHorizAllign(), "OTHER");
}

TEST(RectEntity, AbsoluteReferenceAndSizeKeepTheRectangle) {
    auto e = entity(10, 20, 30, 60);
    e->SetAbsRefX(15);
    e->SetAbsRefY(60);
    EXPECT_EQ(e->GetRelRefX(), 0.25);
    EXPECT_EQ(e->GetRelRefY(), 1);
    expectRect(*e, {10, 20, 30, 60});
    // A new width keeps the absolute point where it was.
    e->SetWidth(10);
    expectRect(*e, {10, 20, 20, 60});
    EXPECT_DOUBLE_EQ(e->GetRefX(), 15);
    EXPECT_DOUBLE_EQ(e->GetRelRefX(), 0.5);
    e->SetHeight(80);
    EXPECT_DOUBLE_EQ(e->GetRefY(), 60);
    EXPECT_DOUBLE_EQ(e->GetRelRefY(), 0.5);
}

TEST(RectEntity, PlacingByTheReferencePoint) {
    auto e = entity(0, 0, 10, 10);
    e->SetRefPosition(5);
    e->SetRefX(100);
    e->SetRefY(-100);
    expectRect(*e, {95, -105, 105, -95});
    e->SetDeltaX(1);
    e->SetDeltaY(-1);
    expectRect(*e, {96, -106, 106, -96});

    // Without a valid rectangle the point makes it degenerate.
    TRectEntity fresh;
    fresh.SetRefX(3);
    fresh.SetRefY(4);
    expectRect(fresh, {3, 4, 3, 4});
}

TEST(RectEntity, RefPositionCodes) {
    const double rel[] = {0, 0.5, 1};
    for (int code = 1; code <= 9; ++code) {
        auto e = entity(0, 0, 2, 2);
        e->SetRefPosition(quint8(code));
        EXPECT_EQ(e->GetRelRefX(), rel[(code - 1) / 3]) << code;
        EXPECT_EQ(e->GetRelRefY(), rel[(code - 1) % 3]) << code;
        EXPECT_EQ(e->GetRefPosition(), code);
    }
    auto e = entity(0, 0, 2, 2);
    e->SetRefPosition(9);
    e->SetRefPosition(0);
    e->SetRefPosition(10);
    EXPECT_EQ(e->GetRefPosition(), 9);
    e->SetRelRefCoords(0.25, 0);
    EXPECT_EQ(e->GetRefPosition(), 0);
}

TEST(RectEntity, NewReferenceCoordinateIsTakenOver) {
    auto e = entity(0, 0, 10, 10);
    e->SetRefCoordinate(new T2DCoordinate(0.5, 1));
    EXPECT_EQ(e->GetRelRefX(), 0.5);
    EXPECT_EQ(e->GetRelRefY(), 1);
    expectRect(*e, {0, 0, 10, 10});
    EXPECT_EQ(e->GetRefX(), 5);
    EXPECT_EQ(e->GetRefY(), 10);
}

TEST(RectEntity, RegionTests) {
    auto e = entity(0, 0, 10, 10);
    struct Case {
        TDoubleRect r;
        bool inside, contains, over;
    } cases[] = {
        {{-1, -1, 11, 11}, true, false, true}, // the entity lies inside the region
        {{2, 2, 8, 8}, false, true, true},     // the region lies inside the entity
        {{0, 0, 10, 10}, true, true, true},    // equal
        {{10, 2, 20, 8}, false, false, true},  // touching along an edge
        {{10.5, 2, 20, 8}, false, false, false}, {{5, -20, 6, -0.1}, false, false, false},
    };
    for (const Case& c : cases) {
        const TDoubleRect& r = c.r;
        EXPECT_EQ(e->IsInsideRegion(r.MinX, r.MinY, r.MaxX, r.MaxY), c.inside) << r.MinX << " " << r.MinY;
        EXPECT_EQ(e->RegionIsInside(r.MinX, r.MinY, r.MaxX, r.MaxY), c.contains) << r.MinX << " " << r.MinY;
        EXPECT_EQ(e->IsOverRegion(r.MinX, r.MinY, r.MaxX, r.MaxY), c.over) << r.MinX << " " << r.MinY;
        EXPECT_EQ(e->IsOverRegionEx(r.MinX, r.MinY, r.MaxX, r.MaxY), c.over);
    }
    EXPECT_TRUE(e->PointIsInside(10, 0));
    EXPECT_FALSE(e->PointIsInside(10.001, 0));
    T2DCoordinate on(0, 10);
    EXPECT_TRUE(e->IsHit(&on, 0));
    EXPECT_FALSE(e->IsHit(nullptr, 100));
    EXPECT_FALSE(e->IsHitByXY(-1, 5, 100)); // the tolerance plays no part here

    // Rectangles that only touch intersect in nothing.
    EXPECT_EQ(e->InterSectByRect({10, 2, 20, 8}), (TDoubleRect{0, 0, 0, 0}));
    EXPECT_EQ(e->InterSectByRect({5, -5, 20, 8}), (TDoubleRect{5, 0, 10, 8}));
}

TEST(RectEntity, ContainersGrowWithTheirChildren) {
    TRectEntity box;
    auto* empty = new TRectEntity;
    box.AddAndUpdateRect(empty);
    EXPECT_FALSE(box.IsValid()); // an empty child adds nothing
    box.AddAndUpdateRect(new T2DCoordinate(1, 2));
    auto* child = entity(-5, 0, 0, 1).release();
    box.AddAndUpdateRect(child);
    box.UpdateRect(nullptr);
    EXPECT_EQ(box.ElementsCount(), 3);
    expectRect(box, {-5, 0, 1, 2});

    // Removing a child does not shrink the rectangle; ResetAndUpdate does.
    box.FreeElement(child);
    expectRect(box, {-5, 0, 1, 2});
    box.ResetAndUpdate();
    expectRect(box, {1, 2, 1, 2});
    // The write-only property: false resets, true updates.
    SetPropStringByName(&box, "UpdateNoReset", "False");
    EXPECT_FALSE(box.IsValid());
    SetPropStringByName(&box, "UpdateNoReset", "True");
    expectRect(box, {1, 2, 1, 2});
}

TEST(RectEntity, AssignCopiesIndexAndRectangleButNotTheReference) {
    auto a = entity(1, 2, 3, 4);
    a->FIndex = 42;
    a->SetRefPosition(9);
    TRectEntity b;
    b.Assign(a.get());
    EXPECT_EQ(b.FIndex, 42);
    expectRect(b, rectOf(*a));
    EXPECT_NE(b.GetRect(), a->GetRect());
    EXPECT_EQ(b.GetRefPosition(), 1);

    std::unique_ptr<TElement> env(a->CreateEnvelope());
    auto* re = zelto_cast<TRectEntity>(env.get());
    ASSERT_NE(re, nullptr);
    expectRect(*re, rectOf(*a));
}

TEST(RectEntity, SelectedElementNamesItsSelection) {
    TSelectedElement s;
    EXPECT_EQ(s.SelectName(), "");
    TRectEntity target;
    target.SetName("stand 1a");
    s.FSel = &target;
    EXPECT_EQ(s.SelectName(), "stand 1a");
}

TEST(RectEntity, TextHeightFollowsTheRectangle) {
    TText t;
    t.SetByDoubleRect({0, 2, 10, 5});
    t.Update();
    EXPECT_EQ(t.FHeight, 3);
    t.FText = "Bečva";
    t.FColor = 0xFF102030;
    t.SetFont("Sans", 3);
    std::unique_ptr<TElement> env(t.CreateEnvelope());
    auto* e = zelto_cast<TText>(env.get());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->FText, t.FText);
    EXPECT_EQ(e->FFontName, "Sans");
    EXPECT_EQ(e->FFontStyle, 3);
    EXPECT_EQ(e->FColor, 0xFF102030u);
    EXPECT_EQ(e->FHeight, 3);
}

// ---- stored properties -----------------------------------------------------------------------------

TEST(CoordinateClasses, StoredPropertiesInTableOrder) {
    // The statically stored properties that the stream writes, after the inherited "Name".
    auto stored = [](const TClassInfo& cls) {
        QStringList names;
        for (const TPropInfo& p : cls.properties())
            if (p.staticallyStored() && p.readable() && p.writable()) names << p.name;
        return names;
    };
    const QStringList rect = {"Name", "Index", "MinX", "MinY", "Width", "Height", "AbsRefX", "AbsRefY"};
    EXPECT_EQ(stored(T2DCoordinate::StaticClass()), QStringList({"Name", "CS", "X", "Y"}));
    EXPECT_EQ(stored(T3DCoordinate::StaticClass()), QStringList({"Name", "CS", "X", "Y", "Z"}));
    EXPECT_EQ(stored(TRectangle::StaticClass()),
              QStringList({"Name", "MinX", "MinY", "MaxX", "MaxY", "Height", "Width"}));
    EXPECT_EQ(stored(TRectEntity::StaticClass()), rect);
    EXPECT_EQ(stored(TDrawRectangle::StaticClass()),
              rect + QStringList({"PenColor", "PenStyle", "PenWidth", "BrushColor", "BrushStyle"}));
    EXPECT_EQ(stored(TText::StaticClass()),
              rect + QStringList({"Text", "Orientation", "Color", "FontName", "FontStyle", "Charset"}));
    EXPECT_EQ(stored(TSelectedElement::StaticClass()), rect);
    EXPECT_EQ(TText::StaticClass().property(TText::StaticClass().propertyIndex("FontStyle"))->kind, tkSet);
    EXPECT_EQ(TRectangle::StaticClass().property(TRectangle::StaticClass().propertyIndex("DoubleRect"))->kind,
              tkRecord);
}

namespace {

class StreamRoundTrip : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    std::unique_ptr<TElement> roundTrip(TElement* root) {
        const QString file = path("g.zlt");
        zelto::testing::saveTo(root, file);
        return zelto::testing::loadFrom(file);
    }
};

bool sameReal(double a, double b) {
    return a == b || std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(a));
}

// Every property the stream writes for `a` reads the same on `b`.
void expectSameStoredProperties(const TElement* a, const TElement* b) {
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(a->ClassName(), b->ClassName());
    for (const TPropInfo& p : a->ClassType().properties()) {
        if (!p.readable() || !p.writable() || !p.storedFor(a)) continue;
        const TValue va = p.get(a), vb = p.get(b);
        const std::string where = (a->ClassName() + "." + p.name).toStdString();
        switch (p.kind) {
        case tkFloat:
            EXPECT_PRED2(sameReal, va.real, vb.real) << where;
            break;
        case tkInteger:
        case tkEnumeration:
        case tkSet:
            EXPECT_EQ(va.ord, vb.ord) << where;
            break;
        case tkUString:
            EXPECT_EQ(va.str, vb.str) << where;
            break;
        default:
            break;
        }
    }
}

// The stored values give the rectangle (MinX + Width, ...) and the absolute reference point; the
// relative one must follow.
void expectSameReference(const TElement* a, const TElement* b) {
    const auto* ra = zelto_cast<TRectEntity>(a);
    const auto* rb = zelto_cast<TRectEntity>(b);
    if (!ra || !rb) return;
    EXPECT_PRED2(sameReal, ra->GetRelRefX(), rb->GetRelRefX()) << a->ClassName().toStdString();
    EXPECT_PRED2(sameReal, ra->GetRelRefY(), rb->GetRelRefY()) << a->ClassName().toStdString();
}

} // namespace

TEST_F(StreamRoundTrip, EveryClassKeepsEveryStoredProperty) {
    struct Case {
        const char* what;
        std::function<TElement*()> make;
    };
    const Case cases[] = {
        {"2D coordinate",
         [] {
             auto* c = new T2DCoordinate(-745123.25, -1043210.125);
             c->CS = 3;
             return c;
         }},
        {"3D coordinate at the origin",
         [] {
             auto* c = new T3DCoordinate;
             c->SetZ(312.5);
             return c;
         }},
        {"rectangle",
         [] {
             auto* r = new TRectangle;
             r->UpdateByDoubleRect({-20.5, -10, 30, 40.25});
             return r;
         }},
        // The stream leaves zeros out; the corner at the origin must still come back.
        {"rectangle at the origin",
         [] {
             auto* r = new TRectangle;
             r->UpdateByDoubleRect({0, 0, 10, 10});
             return r;
         }},
        {"empty rectangle", [] { return new TRectangle; }},
        {"entity",
         [] {
             auto* e = entity(-745200, -1043300, -745100.5, -1043250).release();
             e->SetName("porost");
             e->FIndex = -7;
             e->SetRelRefCoords(0.25, 0.75);
             return e;
         }},
        {"entity at the origin, reference in the middle",
         [] {
             auto* e = entity(0, 0, 10, 20).release();
             e->SetRelRefCoords(0.5, 0.5);
             return e;
         }},
        {"entity with the reference point at 0 off its corner",
         [] {
             auto* e = entity(-10, -4, 10, 4).release();
             e->SetAbsRefX(0);
             e->SetAbsRefY(0);
             return e;
         }},
        {"degenerate entity", [] { return entity(-5, -6, -5, -6).release(); }},
        {"empty entity", [] { return new TRectEntity; }},
        {"draw rectangle",
         [] {
             auto* d = new TDrawRectangle;
             d->SetByDoubleRect({1, 2, 3, 4});
             d->FPenColor = 0xFF00FF00;
             d->FPenStyle = TPenDash::DashDot;
             d->FPenWidth = 2.5;
             d->FBrushColor = 0x80123456;
             d->FBrushStyle = TBrushKind::Gradient;
             return d;
         }},
        {"text",
         [] {
             auto* t = new TText;
             t->SetByDoubleRect({-1, -2, 3, 4});
             t->SetRefPosition(5);
             t->FText = "Hůrka 1a";
             t->FOrientation = 1.25;
             t->FColor = 0xFFFF0000;
             t->FFontName = "Sans";
             t->FFontStyle = 5;
             t->FCharset = 238;
             return t;
         }},
        {"selected element",
         [] {
             auto* s = new TSelectedElement;
             s->SetByDoubleRect({7, 8, 9, 10});
             return s;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TElement> original(c.make());
        auto back = roundTrip(original.get());
        expectSameStoredProperties(original.get(), back.get());
        expectSameReference(original.get(), back.get());
        if (auto* r = zelto_cast<TRectangle>(original.get())) {
            EXPECT_EQ(zelto_cast<TRectangle>(back.get())->GetDoubleRect(), r->GetDoubleRect());
        }
    }
}

TEST_F(StreamRoundTrip, ChildrenComeBackWithTheirContainer) {
    TRectEntity root;
    root.AddAndUpdateRect(new T2DCoordinate(1, 2));
    root.AddAndUpdateRect(entity(-3, -4, 0, 0).release());
    auto back = roundTrip(&root);
    auto* r = zelto_cast<TRectEntity>(back.get());
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->ElementsCount(), 2);
    expectSameStoredProperties(root.Get(0), r->Get(0));
    expectSameStoredProperties(root.Get(1), r->Get(1));
    expectRect(*r, {-3, -4, 1, 2});
}

TEST_F(StreamRoundTrip, LegacyRecords) {
    TRectEntity root;
    root.SetName("root");
    auto* c2 = new T2DCoordinate(-745123.123456789, 0.1);
    c2->CS = 2;
    auto* c3 = new T3DCoordinate;
    c3->SetX(1);
    c3->SetY(-2);
    c3->SetZ(3.5);
    auto* rect = new TRectangle;
    rect->UpdateByDoubleRect({-1, -2, 3, 4});
    auto* text = new TText;
    text->SetName("label");
    text->SetByDoubleRect({10, 20, 30, 25});
    text->FText = "Řeka";
    text->FOrientation = 0.5;
    text->Update();
    for (TElement* e : std::initializer_list<TElement*>{c2, c3, rect, text}) root.AddAndUpdateRect(e);

    const QString file = path("old.zlt");
    TSaver saver(file);
    saver.SetInput(&root);
    saver.DoIt();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // The first record: class name, ID, CS, then X and Y as 16 raw little-endian bytes.
    QByteArray first = QByteArray("TPF0") + QByteArray::fromHex("01 06 0D") + "T2DCoordinate" +
                       QByteArray::fromHex("02 00 02 02");
    EXPECT_TRUE(bytes.startsWith(first));
    EXPECT_EQ(bytes.mid(first.size(), 16).toHex(), QByteArray("6eba353f46bd26c19a9999999999b93f"));

    TLoad load(file);
    load.SetNoProgress(true);
    load.DoIt();
    std::unique_ptr<TElement> back(load.FOutput);
    auto* r = zelto_cast<TRectEntity>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetName(), "root");
    expectRect(*r, rectOf(root));
    ASSERT_EQ(r->ElementsCount(), 4);
    auto* b2 = zelto_cast<T2DCoordinate>(r->Get(0));
    ASSERT_TRUE(b2 && !b2->Is<T3DCoordinate>());
    EXPECT_EQ(b2->GetX(), c2->GetX()); // raw bytes: exact
    EXPECT_EQ(b2->GetY(), c2->GetY());
    EXPECT_EQ(b2->CS, 2);
    auto* b3 = zelto_cast<T3DCoordinate>(r->Get(1));
    ASSERT_NE(b3, nullptr);
    EXPECT_EQ(b3->GetZ(), 3.5);
    EXPECT_EQ(b3->GetY(), -2);
    auto* br = zelto_cast<TRectangle>(r->Get(2));
    ASSERT_NE(br, nullptr);
    EXPECT_EQ(br->GetDoubleRect(), rect->GetDoubleRect());
    auto* bt = zelto_cast<TText>(r->Get(3));
    ASSERT_NE(bt, nullptr);
    EXPECT_EQ(bt->GetName(), "label");
    EXPECT_EQ(bt->FText, "Řeka");
    EXPECT_EQ(bt->FOrientation, 0.5);
    EXPECT_EQ(bt->FHeight, 5);
    expectRect(*bt, rectOf(*text));
}

TEST_F(StreamRoundTrip, DegenerateEntityComesBackWithTheTinyWidth) {
    // The stored width of a point-sized entity is the 0.00001 that GetWidth reports for 0.
    auto e = entity(-5, -6, -5, -6);
    auto back = roundTrip(e.get());
    auto* r = zelto_cast<TRectEntity>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetMinX(), -5);
    EXPECT_DOUBLE_EQ(r->GetMaxX(), -5 + 0.00001);
    EXPECT_EQ(r->GetRefX(), -5);
    EXPECT_EQ(r->GetRefY(), -6);
}
