#include <gtest/gtest.h>

#include "framework/Notifier.h"
#include "geometry/e_Geometry.h"
#include "symbology/e_Device.h"

#include <QPainter>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <numbers>

using namespace zelto;

namespace {

constexpr quint32 White = 0xFFFFFFFFu;
constexpr quint32 Red = 0xFFFF0000u;
constexpr quint32 Blue = 0xFF0000FFu;
constexpr int W = 100;
constexpr int H = 80;

// A 100 x 80 canvas whose projection shows one model metre per pixel with model (0, 80) at the
// page origin, so page (x, y) is model (x, 80 - y). Shapes are given in page coordinates.
class CanvasDevice : public ::testing::Test {
protected:
    QImage image{W, H, QImage::Format_ARGB32_Premultiplied};
    TCanvas canvas{&image};
    std::unique_ptr<TCanvasDevice> device = std::make_unique<TCanvasDevice>();

    void SetUp() override {
        image.fill(QColor::fromRgba(White));
        device->SetName(QStringLiteral("Mapa"));
        device->SetCanvas(&canvas);
        device->GetProjection()->ChangeProjection(50, 40, T_Page::ScreenResolution);
        canvas.Fill = QBrush(QColor::fromRgba(Red));
        canvas.Stroke = QPen(QBrush(QColor::fromRgba(Blue)), 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    }

    quint32 px(int x, int y) const { return image.pixelColor(x, y).rgba(); }

    static void addPage(TPolyElement& e, double x, double y) { e.AddXY(x, H - y); }
    static std::unique_ptr<TAreaElement> area(std::initializer_list<QPointF> pts) {
        auto a = std::make_unique<TAreaElement>();
        for (const QPointF& p : pts) addPage(*a, p.x(), p.y());
        a->RecalculateRect();
        return a;
    }
    static TAreaElement* rawArea(std::initializer_list<QPointF> pts) { return area(pts).release(); }
    static std::unique_ptr<TPolyLineElement> line(std::initializer_list<QPointF> pts) {
        auto l = std::make_unique<TPolyLineElement>();
        for (const QPointF& p : pts) addPage(*l, p.x(), p.y());
        l->RecalculateRect();
        return l;
    }
    static std::unique_ptr<TAreaElement> rect(double l, double t, double r, double b) {
        return area({{l, t}, {r, t}, {r, b}, {l, b}, {l, t}});
    }
    // Every pixel of the row segment has the colour.
    ::testing::AssertionResult rowIs(int y, int x0, int x1, quint32 colour) const {
        for (int x = x0; x <= x1; ++x)
            if (px(x, y) != colour)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                                     << px(x, y) << ", not " << colour;
        return ::testing::AssertionSuccess();
    }
    // Nothing outside the rectangle was touched.
    ::testing::AssertionResult untouchedOutside(const QRect& r) const {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (!r.contains(x, y) && px(x, y) != White)
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") was painted";
        return ::testing::AssertionSuccess();
    }
    std::unique_ptr<TBorderBuffer> buffer(TRectEntity* e, int minPoints = 3) {
        auto b = std::make_unique<TBorderBuffer>(device->GetProjection(), minPoints);
        b->SetEntity(e);
        b->ClipIt();
        return b;
    }
};

} // namespace

TEST_F(CanvasDevice, CanvasSetsUpThePageAroundTheUnchangedCentre) {
    const T_Page* page = device->GetPage();
    EXPECT_EQ(page->GetWidth(), W);
    EXPECT_EQ(page->GetHeight(), H);
    EXPECT_EQ(page->GetClipRegion().Right, float(W));
    EXPECT_EQ(page->GetHRes(), 5333);
    EXPECT_EQ(device->GetProjection()->GetPageX(50), 50);
    EXPECT_EQ(device->GetProjection()->GetPageY(40), 40);

    QImage bigger(200, 100, QImage::Format_ARGB32_Premultiplied);
    TCanvas second(&bigger);
    device->SetCanvas(&second);
    EXPECT_EQ(page->GetWidth(), 200);
    EXPECT_EQ(device->GetProjection()->GetScale(), 5333);
    EXPECT_EQ(device->GetProjection()->GetPageX(50), 100) << "the centre moves to the new page centre";
    EXPECT_EQ(device->GetProjection()->GetPageY(40), 50);

    device->FNoPageSetup = true;
    device->SetCanvas(&canvas);
    EXPECT_EQ(page->GetWidth(), 200) << "without page setup the page is kept";
    EXPECT_EQ(device->GetCanvas(), &canvas);
    EXPECT_EQ(device->GetBrush(), &canvas.Fill);
    EXPECT_EQ(device->GetPen(), &canvas.Stroke);
}

TEST_F(CanvasDevice, AreaInsideTheViewIsFilledWithoutClipping) {
    auto a = rect(20, 20, 60, 50);
    auto b = buffer(a.get());
    EXPECT_FALSE(b->Clipped());
    EXPECT_EQ(b->FPointNo, 5);

    device->BeginScene();
    device->Polygon(a.get());
    device->EndScene();
    EXPECT_TRUE(rowIs(35, 22, 58, Red));
    EXPECT_TRUE(rowIs(22, 22, 58, Red));
    EXPECT_TRUE(untouchedOutside(QRect(19, 19, 43, 33)));
}

TEST_F(CanvasDevice, AreaCrossingTheEdgesIsClippedToTheClipRegion) {
    // Over the left and bottom edges.
    auto a = rect(-50, 30, 40, 200);
    auto b = buffer(a.get());
    EXPECT_TRUE(b->Clipped());
    ASSERT_FALSE(b->IsEmpty());
    for (const QPoint& p : b->FBuffer) {
        EXPECT_GE(p.x(), 0);
        EXPECT_LE(p.x(), W);
        EXPECT_GE(p.y(), 30);
        EXPECT_LE(p.y(), H + 1) << "points on the bottom side lie one unit below it";
    }
    device->Polygon(a.get());
    EXPECT_TRUE(rowIs(79, 0, 38, Red));
    EXPECT_TRUE(rowIs(32, 0, 38, Red));
    EXPECT_TRUE(untouchedOutside(QRect(0, 29, 42, H - 29)));

    // A clip region smaller than the canvas confines the fill; the clipper puts the bottom side
    // one unit below the region.
    image.fill(QColor::fromRgba(White));
    device->GetPage()->SetClipRegion({10, 10, 60, 50});
    auto big = rect(0, 0, 90, 70);
    device->Polygon(big.get());
    EXPECT_TRUE(rowIs(11, 11, 59, Red));
    EXPECT_TRUE(rowIs(50, 11, 59, Red));
    EXPECT_TRUE(untouchedOutside(QRect(10, 10, 50, 41)));
    device->GetPage()->SetClipRegion({0, 0, W, H});

    // Far beyond the page on every side (page coordinates clamped to the 32-bit range).
    image.fill(QColor::fromRgba(White));
    auto huge = rect(-1e12, -1e12, 1e12, 1e12);
    device->Polygon(huge.get());
    for (QPoint p : {QPoint(0, 0), QPoint(W - 1, 0), QPoint(0, H - 1), QPoint(W - 1, H - 1), QPoint(50, 40)})
        EXPECT_EQ(px(p.x(), p.y()), Red) << p.x() << "," << p.y();
}

TEST_F(CanvasDevice, AreasThatGiveNothingToPaint) {
    // Wholly outside the view.
    auto outside = rect(120, 10, 150, 40);
    EXPECT_TRUE(buffer(outside.get())->IsEmpty());
    // All vertices on one pixel.
    auto speck = area({{40.1, 40.1}, {40.3, 40.1}, {40.3, 40.3}, {40.1, 40.2}});
    EXPECT_TRUE(buffer(speck.get())->IsEmpty());
    // Two distinct page points: enough for a line, not for an area.
    auto sliver = area({{10, 10}, {10.2, 10}, {30, 10}, {30.1, 10}});
    EXPECT_TRUE(buffer(sliver.get())->IsEmpty());
    EXPECT_EQ(buffer(sliver.get(), 2)->FPointNo, 2);
    // Not a rectangle entity.
    TStringEntity notGeometry;

    const std::vector<TElement*> elements{outside.get(), speck.get(), sliver.get(), &notGeometry, nullptr};
    for (TElement* e : elements) {
        device->Polygon(e);
        device->PolyPolygon(e);
    }
    EXPECT_TRUE(untouchedOutside(QRect()));
}

TEST_F(CanvasDevice, HolesStayOpen) {
    // One hole in each direction of travel, and one wholly outside the view (dropped).
    auto a = rect(10, 10, 90, 70);
    a->AddHole(rawArea({{20, 20}, {40, 20}, {40, 60}, {20, 60}, {20, 20}}));
    a->AddHole(rawArea({{60, 20}, {60, 60}, {80, 60}, {80, 20}, {60, 20}}));
    a->AddHole(rawArea({{200, 20}, {220, 20}, {220, 60}, {200, 20}}));

    std::vector<QPoint> coords;
    std::vector<qint32> lengths;
    ASSERT_TRUE(device->PrepareForPolyPolygon(a.get(), coords, lengths));
    EXPECT_EQ(lengths, (std::vector<qint32>{5, 5, 5}));
    EXPECT_EQ(coords.size(), 15u);

    device->PolyPolygon(a.get());
    EXPECT_TRUE(rowIs(40, 12, 18, Red));
    EXPECT_TRUE(rowIs(40, 22, 38, White)) << "hole 1";
    EXPECT_TRUE(rowIs(40, 42, 58, Red));
    EXPECT_TRUE(rowIs(40, 62, 78, White)) << "hole 2";
    EXPECT_TRUE(rowIs(15, 12, 88, Red));
    EXPECT_TRUE(untouchedOutside(QRect(9, 9, 83, 63)));
}

TEST_F(CanvasDevice, HoleCrossingTheEdgeIsClippedWithTheOutline) {
    auto a = rect(-20, 10, 60, 70);
    a->AddHole(rawArea({{-10, 30}, {20, 30}, {20, 50}, {-10, 50}, {-10, 30}}));
    device->PolyPolygon(a.get());
    EXPECT_TRUE(rowIs(40, 0, 18, White)) << "the hole reaches over the left edge";
    EXPECT_TRUE(rowIs(40, 22, 58, Red));
    EXPECT_TRUE(rowIs(20, 0, 58, Red));
}

TEST_F(CanvasDevice, VertexLimit) {
    // 312,500 vertices are painted, one more is not. The ring is a rectangle whose last corner is
    // repeated; the repeats fall on one page point.
    auto build = [](int vertices) {
        auto a = std::make_unique<TAreaElement>();
        const QPointF corners[] = {{20, 20}, {60, 20}, {60, 60}, {20, 60}};
        for (int i = 0; i < vertices; ++i) {
            const QPointF& c = corners[std::min(i, 3)];
            a->AddXY(c.x(), H - c.y());
        }
        a->RecalculateRect();
        return a;
    };
    auto atLimit = build(int(TBorderBuffer::MaxVertexCount));
    auto b = buffer(atLimit.get());
    EXPECT_EQ(b->FBufferSize, TBorderBuffer::MaxBufferSize);
    EXPECT_EQ(b->FPointNo, 4);
    device->Polygon(atLimit.get());
    EXPECT_EQ(px(40, 40), Red);

    image.fill(QColor::fromRgba(White));
    atLimit->AddXY(20, H - 60);
    EXPECT_TRUE(buffer(atLimit.get())->IsEmpty());
    device->Polygon(atLimit.get());
    device->PolyPolygon(atLimit.get());
    device->Polyline(atLimit.get());
    EXPECT_TRUE(untouchedOutside(QRect()));
}

TEST_F(CanvasDevice, OpacityAppliesToFillsAndStrokes) {
    auto a = rect(10, 10, 40, 40);
    device->SetOpacity(0.5f);
    device->Polygon(a.get());
    const QColor half = image.pixelColor(25, 25);
    EXPECT_EQ(half.red(), 255);
    EXPECT_NEAR(half.green(), 128, 2);
    EXPECT_NEAR(half.blue(), 128, 2);

    // The opacity stays until it is set again; a stroke uses it too.
    auto l = line({{50, 60}, {90, 60}});
    device->Polyline(l.get());
    const QColor stroke = image.pixelColor(70, 60);
    EXPECT_NEAR(stroke.red(), 128, 2);
    EXPECT_EQ(stroke.blue(), 255);

    // Several rings are filled at full opacity whatever the device's opacity.
    device->SetOpacity(0.0f);
    device->Polygon(rect(50, 10, 90, 40).get());
    EXPECT_EQ(px(70, 25), White);
    device->Polygons({{50, 10}, {90, 10}, {90, 40}, {50, 40}}, {4}, 1);
    EXPECT_EQ(px(70, 25), Red);

    device->SetOpacity(3.0f);
    EXPECT_EQ(device->GetOpacity(), 1.0f);
    device->SetOpacity(std::nanf(""));
    EXPECT_EQ(device->GetOpacity(), 1.0f);
}

TEST_F(CanvasDevice, PolylineIsClippedSegmentBySegmentAndStaysOpen) {
    // A U open to the left that leaves the page on the right. A polygon clipper would close it
    // (a stroke down x = 20) and run a stroke along the right edge.
    auto u = line({{20, 20}, {150, 20}, {150, 60}, {20, 60}});
    device->Polyline(u.get());
    EXPECT_TRUE(rowIs(20, 22, 99, Blue));
    EXPECT_TRUE(rowIs(60, 22, 99, Blue));
    for (int y = 25; y <= 55; ++y) {
        EXPECT_EQ(px(20, y), White) << y;
        EXPECT_EQ(px(99, y), White) << y;
    }

    // Both ends far outside.
    image.fill(QColor::fromRgba(White));
    auto across = line({{-1e7, 40}, {1e7, 40}});
    device->Polyline(across.get());
    EXPECT_TRUE(rowIs(40, 0, 99, Blue));
    EXPECT_TRUE(untouchedOutside(QRect(0, 38, W, 5)));

    // A line all on one pixel is not painted; a two-point line is.
    image.fill(QColor::fromRgba(White));
    device->Polyline(line({{30.1, 30.1}, {30.2, 30.3}}).get());
    EXPECT_TRUE(untouchedOutside(QRect()));
    device->Polyline(line({{30, 30}, {60, 30}}).get());
    EXPECT_TRUE(rowIs(30, 30, 59, Blue));
}

TEST_F(CanvasDevice, AreaOutlineIsStrokedAsARing) {
    // The ring does not repeat its first vertex; the outline is still closed.
    auto a = area({{20, 20}, {70, 20}, {70, 60}, {20, 60}});
    device->Polyline(a.get());
    for (int y = 25; y <= 55; ++y) EXPECT_EQ(px(20, y), Blue) << y;
    EXPECT_EQ(px(45, 40), White);

    // Crossing the page's edge: no stroke along the edge.
    image.fill(QColor::fromRgba(White));
    auto over = rect(-30, 20, 50, 60);
    device->Polyline(over.get());
    EXPECT_TRUE(rowIs(20, 0, 48, Blue));
    for (int y = 25; y <= 55; ++y) EXPECT_EQ(px(0, y), White) << y;
}

TEST_F(CanvasDevice, LineToClipsAtThePageEdge) {
    device->GetPage()->SetClipping(true);
    device->BeginScene();
    device->MoveTo(-50, H - 40);
    device->LineTo(1e10, H - 40); // partly outside: clipped
    device->EndScene();
    EXPECT_TRUE(rowIs(40, 0, 99, Blue));
    EXPECT_EQ(device->ox, 2147483647) << "the pen moves to the end point";
    EXPECT_EQ(device->oy, 40);

    // Wholly outside: only the pen moves.
    image.fill(QColor::fromRgba(White));
    device->MoveTo(-50, H - 10);
    device->LineTo(-10, H - 70);
    EXPECT_EQ(device->ox, -10);
    EXPECT_EQ(device->oy, 70);
    EXPECT_TRUE(untouchedOutside(QRect()));

    // Diagonal through the page from corner to corner.
    device->MoveTo(-20, H - (-16));
    device->LineTo(120, H - 96);
    EXPECT_EQ(px(50, 40), Blue);

    // Without clipping the whole segment is drawn as it is.
    image.fill(QColor::fromRgba(White));
    device->GetPage()->SetClipping(false);
    device->MoveTo(-50, H - 60);
    device->LineTo(150, H - 60);
    EXPECT_TRUE(rowIs(60, 0, 99, Blue));
}

TEST_F(CanvasDevice, LineToTheCurrentPointDrawsNothing) {
    canvas.Stroke = QPen(QBrush(QColor::fromRgba(Blue)), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    device->MoveTo(50, H - 40);
    device->LineTo(50.2, H - 40.1); // the same page point
    EXPECT_TRUE(untouchedOutside(QRect()));
    // A real segment with round caps does paint at its start.
    device->LineTo(60, H - 40);
    EXPECT_EQ(px(50, 40), Blue);
    EXPECT_EQ(device->ox, 60);

    // In page pixels, at the device opacity.
    image.fill(QColor::fromRgba(White));
    device->SetOpacity(0.5f);
    device->MoveToDevice(10, 70);
    device->LineToDevice(90, 70);
    EXPECT_NEAR(image.pixelColor(50, 70).red(), 128, 2);
    EXPECT_EQ(device->ox, 90);
}

TEST_F(CanvasDevice, RectangleOutlineAtFullOpacity) {
    device->SetOpacity(0.2f);
    device->Rectangle(70, H - 60, 20, H - 20); // corners in any order
    EXPECT_EQ(px(20, 40), Blue);
    EXPECT_EQ(px(70, 40), Blue);
    EXPECT_EQ(px(45, 20), Blue);
    EXPECT_EQ(px(45, 40), White);
}

TEST_F(CanvasDevice, DoActionByNameIgnoringCase) {
    RecordingNotifier* rec = recordingNotifier();
    ASSERT_NE(rec, nullptr);
    rec->clear();
    device->GetPage()->SetColor(0xFF00FF00u);

    device->DoAction(QStringLiteral("rotate"));
    EXPECT_EQ(px(10, 10), White) << "an unknown action does nothing";
    device->DoAction(QStringLiteral("clear"));
    EXPECT_EQ(px(10, 10), 0xFF00FF00u);
    EXPECT_EQ(px(99, 79), 0xFF00FF00u);

    // With clipping on only the clip region is cleared, also to a transparent page colour.
    device->GetPage()->SetColor(0x00000000u);
    device->GetPage()->SetClipping(true);
    device->GetPage()->SetClipRegion({20, 20, 60, 60});
    device->DoAction(QStringLiteral("Clear"));
    EXPECT_EQ(px(40, 40), 0x00000000u);
    EXPECT_EQ(px(10, 10), 0xFF00FF00u);

    device->DoAction(QStringLiteral("RESET"));
    device->DoAction(QStringLiteral("close"));
    EXPECT_TRUE(rec->errors().isEmpty());
    // The canvas device has no Adjust: the error is shown, not raised.
    device->DoAction(QStringLiteral("adjust"));
    EXPECT_EQ(rec->errors(), QStringList{QStringLiteral("Device \"Mapa\"\r\nAbstract Error")});
    rec->clear();
}

TEST_F(CanvasDevice, PolygonsToPathTakesRingsInOrder) {
    const std::vector<QPoint> coords{{0, 0}, {10, 0}, {10, 10}, {20, 20}, {30, 20}, {30, 30}};
    QPainterPath path = device->PolygonsToPath(coords, {3, 3}, 2);
    EXPECT_EQ(path.elementCount(), 6);
    EXPECT_TRUE(path.elementAt(3).isMoveTo());
    EXPECT_EQ(path.fillRule(), Qt::OddEvenFill);
    // A ring that runs past the points, or more rings than lengths, is left out.
    EXPECT_EQ(device->PolygonsToPath(coords, {3, 4}, 2).elementCount(), 3);
    EXPECT_EQ(device->PolygonsToPath(coords, {3}, 5).elementCount(), 3);
    EXPECT_EQ(device->PolygonsToPath(coords, {3, 3}, 1).elementCount(), 3);
}

TEST_F(CanvasDevice, RotationAboutTheProjectionCentre) {
    TPageProjection* proj = device->GetProjection();
    double x = 3, y = 4;
    device->TransformIn(x, y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4) << "no angle, no rotation";

    proj->FRotateCenter_X = 100;
    proj->FRotateCenter_Y = 200;
    proj->FAngle = std::numbers::pi / 2;
    x = 100, y = 210; // 10 north of the centre turns to 10 east (clockwise)
    device->TransformIn(x, y);
    EXPECT_NEAR(x, 110, 1e-9);
    EXPECT_NEAR(y, 200, 1e-9);
    device->TransformOut(x, y);
    EXPECT_NEAR(x, 100, 1e-9);
    EXPECT_NEAR(y, 210, 1e-9);

    // A small angle moves a point only a little.
    proj->FAngle = 1e-6;
    x = 130, y = 240;
    device->TransformIn(x, y);
    EXPECT_NEAR(x, 130, 1e-3);
    EXPECT_NEAR(y, 240, 1e-3);
}

TEST_F(CanvasDevice, PaintingWithoutACanvasOrOutsideAScene) {
    TCanvasDevice bare;
    auto a = rect(10, 10, 40, 40);
    bare.Polygon(a.get());
    bare.Polyline(a.get());
    bare.LineTo(5, 5);
    bare.Clear();
    bare.BeginScene();
    bare.EndScene();
    EXPECT_EQ(bare.GetBrush(), nullptr);

    // Scenes nest; painting outside a scene opens one of its own.
    device->BeginScene();
    device->BeginScene();
    device->Polygon(a.get());
    device->EndScene();
    EXPECT_TRUE(canvas.InScene());
    device->EndScene();
    EXPECT_FALSE(canvas.InScene());
    device->Polyline(line({{10, 70}, {90, 70}}).get());
    EXPECT_FALSE(canvas.InScene());
    EXPECT_EQ(px(25, 25), Red);
    EXPECT_EQ(px(50, 70), Blue);
}
