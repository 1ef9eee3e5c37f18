// View navigation: pinch, pan, the quiet period after a pinch, mouse drag and tap, the wheel, the
// zoom buttons, the scale and centre read-outs, grabbing the edited vertex or point, and the
// snapshot that the picture shows while a finger is down.
#include "app_fixture.h"
#include "wait_until.h"

#include "Navigation.h"

#include "framework/TextLocale.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

namespace apptest {
namespace {

using namespace zelto;

constexpr double OneMetrePerPixel = 5333; // scale 5333 shows 1 m as 1 pixel
constexpr double CX = -599600, CY = -1099800;

// The line of a line tool: a polyline with an active vertex; it records where it was drawn.
class FakeLine : public TEditedLine {
public:
    std::vector<QPointF> points;
    size_t active = 0;
    std::vector<const QImage*> editTargets, detailTargets;

    bool ActiveVertex(QPointF& vertex) const override {
        if (points.empty()) return false;
        vertex = points[active];
        return true;
    }
    void SetActiveVertex(const QPointF& vertex) override { points[active] = vertex; }
    double Length() const override {
        double l = 0;
        for (size_t i = 1; i < points.size(); ++i)
            l += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
        return l;
    }
    double Area() const override {
        double a = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            const QPointF& p = points[i];
            const QPointF& q = points[(i + 1) % points.size()];
            a += p.x() * q.y() - q.x() * p.y();
        }
        return a / 2;
    }
    void DrawLineEdit(QImage* target) override { editTargets.push_back(target); }
    void DrawLineDetail(QImage* target) override { detailTargets.push_back(target); }
};

// The point of the point tool: a square of +-half metres around its reference point; drawing
// puts a 9 x 9 magenta square at its page position into the target.
class FakePoint : public TEditedPoint {
public:
    explicit FakePoint(TPageProjection* projection) : m_projection(projection) {}
    QPointF ref;
    double half = 10;
    std::vector<const QImage*> draws;
    std::vector<double> drawScales; // the scale of the view at each draw
    int moved = 0;

    bool PointIsInside(const QPointF& m) const override {
        return std::abs(m.x() - ref.x()) <= half && std::abs(m.y() - ref.y()) <= half;
    }
    QPointF RefPoint() const override { return ref; }
    void SetRefPoint(const QPointF& model) override { ref = model; }
    void DrawPoint(QImage* target) override {
        draws.push_back(target);
        drawScales.push_back(m_projection->GetScale());
        if (!target) return;
        QPainter p(target);
        p.fillRect(QRect(m_projection->GetPageX(ref.x()) - 4, m_projection->GetPageY(ref.y()) - 4, 9, 9),
                   Qt::magenta);
    }
    void Moved() override { ++moved; }

private:
    TPageProjection* m_projection;
};

class NavigationTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        rig = std::make_unique<MapRig>();
        map().LoadMap(makeMapDir(QStringLiteral("maps"), {standMap()}));
        map().MapChangeActive = true;
        view(CX, CY);
        map().Review();
        // The quiet period of the creation is over.
        nav().ZoomTimerTimer();
    }
    void TearDown() override {
        rig.reset();
        AppTest::TearDown();
    }
    TTiledMapController& map() { return rig->TiledMap(); }
    TNavigationController& nav() { return rig->Navigation(); }
    TPageProjection& P() { return *rig->Projection(); }
    void view(double cx, double cy, double scale = OneMetrePerPixel) { P().ChangeProjection(cx, cy, scale); }
    int W() const { return rig->Image->Bitmap().width(); }
    int H() const { return rig->Image->Bitmap().height(); }

    void gesture(TGestureKind kind, double x, double y, int flags, int distance = 0) {
        TGestureEventInfo e;
        e.GestureID = kind;
        e.Location = QPointF(x, y);
        e.Flags = flags;
        e.Distance = distance;
        bool handled = false;
        nav().FormGesture(nullptr, e, handled);
        EXPECT_TRUE(handled);
    }
    void pan(double x, double y, int flags = gfNone) { gesture(TGestureKind::Pan, x, y, flags); }
    void pinch(double x, double y, int distance, int flags = gfNone) {
        gesture(TGestureKind::Zoom, x, y, flags, distance);
    }
    QPointF modelAt(double x, double y) { return {P().GetModelX(float(x)), P().GetModelY(float(y))}; }

    // Fills the snapshot with a pattern in which every pixel tells where it came from.
    void patternSnapshot() {
        QImage& bm = rig->MapCanvas().Bm();
        for (int y = 0; y < bm.height(); ++y)
            for (int x = 0; x < bm.width(); ++x)
                bm.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 40 + 15));
    }

    void sendMouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, QPoint at) {
        QMouseEvent e(type, QPointF(at), rig->Image_edit->mapToGlobal(QPointF(at)), button, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(rig->Image_edit, &e);
    }

    std::unique_ptr<MapRig> rig;
};

TEST_F(NavigationTest, PinchZoomsAroundItsCentreAndRedrawsOnceAtTheEnd) {
    struct Case {
        QPointF at;
        int from, to;
        double factor; // scale after / before
    };
    const Case cases[] = {
        {{640, 400}, 100, 200, 0.5}, // twice the distance halves the scale
        {{200, 150}, 150, 300, 0.5}, // off-centre: the point under the fingers stays
        {{900, 600}, 200, 100, 2.0}, // fingers closing double it
        {{333, 222}, 120, 150, 0.8},
    };
    for (const Case& c : cases) {
        view(CX, CY);
        nav().ZoomTimerTimer();
        const QPointF under = modelAt(c.at.x(), c.at.y());
        const int reviews = map().ReviewsDone;
        pinch(c.at.x(), c.at.y(), c.from, gfBegin);
        EXPECT_TRUE(nav().Zoomed);
        pinch(c.at.x(), c.at.y(), c.to);
        EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel * c.factor) << c.from << "->" << c.to;
        const QPointF after = modelAt(c.at.x(), c.at.y());
        EXPECT_NEAR(after.x(), under.x(), 1e-6) << "the model point under the pinch centre stays";
        EXPECT_NEAR(after.y(), under.y(), 1e-6);
        EXPECT_EQ(map().ReviewsDone, reviews) << "no redraw while the fingers are down";
        pinch(c.at.x(), c.at.y(), c.to, gfEnd);
        EXPECT_EQ(map().ReviewsDone, reviews + 1);
        EXPECT_FALSE(nav().Zoomed);
        EXPECT_TRUE(nav().ZoomSilence);
        EXPECT_TRUE(rig->ZoomTimer->isActive());
    }
}

TEST_F(NavigationTest, PinchFrameStretchesTheSnapshotAndDrawsTheCross) {
    patternSnapshot();
    const QImage snapshot = rig->MapCanvas().Bm();
    pinch(640, 400, 100, gfBegin);
    pinch(640, 400, 200);
    // Twice the size around the picture centre: page (x, y) shows snapshot (320 + x/2, 200 + y/2).
    const QImage& picture = rig->Image->Bitmap();
    for (const QPoint p : {QPoint(100, 100), QPoint(1000, 700), QPoint(500, 20)})
        EXPECT_EQ(picture.pixel(p), snapshot.pixel(320 + p.x() / 2, 200 + p.y() / 2))
            << p.x() << "," << p.y();
    for (const QPoint p : {QPoint(630, 400), QPoint(650, 400), QPoint(640, 390), QPoint(640, 410)})
        EXPECT_EQ(picture.pixel(p), qRgb(255, 255, 255)) << "the cross at the pinch centre";
    EXPECT_NE(picture.pixel(652, 400), qRgb(255, 255, 255));
}

TEST_F(NavigationTest, PinchWithoutStartingDistanceNeverBreaksTheScale) {
    // The fingers start on one pixel: there is no ratio yet; the first real distance is the start.
    pinch(640, 400, 0, gfBegin);
    pinch(640, 400, 50);
    EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel);
    pinch(640, 400, 100);
    EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel / 2);
    // A zero distance later on leaves the scale as it is.
    pinch(640, 400, 0);
    EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel / 2);
    EXPECT_TRUE(std::isfinite(P().GetCenterX()) && std::isfinite(P().GetCenterY()));
    pinch(640, 400, 0, gfEnd);
    EXPECT_TRUE(isUsableScale(P().GetScale()));

    // An intermediate event without a begin does nothing.
    nav().ZoomTimerTimer();
    pinch(640, 400, 300);
    EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel / 2);

    // The arithmetic on its own.
    EXPECT_EQ(pinchScale(1000, 100, 0), std::nullopt);
    EXPECT_EQ(pinchScale(1000, 0, 100), std::nullopt);
    EXPECT_EQ(pinchScale(1e300, 1, 1000000), std::nullopt) << "beyond any usable scale";
    EXPECT_EQ(pinchScale(1000, 200, 100), std::optional<double>(500));
}

TEST_F(NavigationTest, PanMovesTheCentreByTheModelLengthsAndRedrawsOnlyAtTheEnd) {
    const int reviews = map().ReviewsDone;
    const int frames = nav().FramesPainted();
    pan(500, 400, gfBegin);
    pan(520, 390);
    pan(530, 380);
    EXPECT_EQ(nav().aX, 30);
    EXPECT_EQ(nav().aY, -20);
    EXPECT_EQ(nav().FramesPainted(), frames + 2);
    EXPECT_EQ(map().ReviewsDone, reviews) << "no redraw during the drag";
    EXPECT_EQ(P().GetCenterX(), CX) << "the view moves when the finger leaves";
    pan(530, 380, gfEnd);
    EXPECT_EQ(map().ReviewsDone, reviews + 1);
    // Dragged right and up: the centre moves west and south (page y grows downwards).
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - P().GetModelLength(30));
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY - P().GetModelLength(20));
    EXPECT_EQ(nav().Pani, 0);
    EXPECT_EQ(nav().PanStatus, 1);

    // At 4 m per pixel the same drag moves four times as far.
    view(CX, CY, 4 * OneMetrePerPixel);
    pan(100, 100, gfBegin);
    pan(90, 130);
    pan(90, 130, gfEnd);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX + 40);
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY + 120);
}

// A drag from the left edge pulls the drawer out instead of moving the map; a short, a steep or a
// drag that starts further in is an ordinary pan (or nothing).
TEST_F(NavigationTest, ASwipeFromTheLeftEdgeOpensTheDrawer) {
    int opened = 0;
    nav().Hooks.OpenDrawer = [&] { ++opened; };
    const struct {
        double x0, x1, y1;
        bool opens, moves;
    } cases[] = {
        {5, 200, 420, true, false}, {20, 90, 400, true, false},  {5, 40, 400, false, false},
        {5, 80, 500, false, false}, {60, 260, 400, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << " -> " << c.x1 << ", " << c.y1);
        view(CX, CY);
        opened = 0;
        const int reviews = map().ReviewsDone;
        pan(c.x0, 400, gfBegin);
        pan((c.x0 + c.x1) / 2, (400 + c.y1) / 2);
        pan(c.x1, c.y1);
        pan(c.x1, c.y1, gfEnd);
        EXPECT_EQ(opened, c.opens ? 1 : 0);
        EXPECT_EQ(P().GetCenterX() != CX, c.moves);
        EXPECT_EQ(map().ReviewsDone, reviews + (c.moves ? 1 : 0));
    }
}

TEST_F(NavigationTest, DuringAPanThePictureIsTheSnapshotShifted) {
    patternSnapshot();
    const QImage snapshot = rig->MapCanvas().Bm();
    pan(400, 300, gfBegin);
    pan(437, 279);
    ASSERT_EQ(nav().aX, 37);
    ASSERT_EQ(nav().aY, -21);
    const QImage& picture = rig->Image->Bitmap();
    for (int y = 21; y < H(); y += 53)
        for (int x = 0; x + 37 < W(); x += 61)
            ASSERT_EQ(picture.pixel(x + 37, y - 21), snapshot.pixel(x, y)) << x << "," << y;
    // Where the snapshot does not reach: the background colour.
    EXPECT_EQ(picture.pixel(10, 300), rig->MapCanvas().BColor) << "left strip";
    EXPECT_EQ(picture.pixel(300, H() - 5), rig->MapCanvas().BColor) << "bottom strip";
    EXPECT_EQ(picture.pixel(36, 300), rig->MapCanvas().BColor);
    EXPECT_EQ(picture.pixel(37, 300), snapshot.pixel(0, 321));
}

TEST_F(NavigationTest, PanEventAtTheSameLocationDoesNothing) {
    pan(200, 200, gfBegin);
    pan(230, 210);
    const int frames = nav().FramesPainted();
    const QImage before = rig->Image->Bitmap().copy();
    pan(230, 210);
    EXPECT_EQ(nav().FramesPainted(), frames);
    EXPECT_EQ(rig->Image->Bitmap(), before);
    pan(231, 210);
    EXPECT_EQ(nav().FramesPainted(), frames + 1);
}

TEST_F(NavigationTest, PansAreIgnoredForHalfASecondAfterAPinch) {
    pinch(640, 400, 100, gfBegin);
    pinch(640, 400, 150);
    pinch(640, 400, 150, gfEnd);
    const double cx = P().GetCenterX(), cy = P().GetCenterY();
    const int reviews = map().ReviewsDone;
    // The fingers leaving the glass.
    pan(600, 400, gfBegin);
    pan(650, 450);
    pan(650, 450, gfEnd);
    EXPECT_EQ(nav().Pani, 0);
    EXPECT_EQ(P().GetCenterX(), cx);
    EXPECT_EQ(P().GetCenterY(), cy);
    EXPECT_EQ(map().ReviewsDone, reviews);
    // The zoom timer ends the quiet period.
    QElapsedTimer clock;
    clock.start();
    while (nav().ZoomSilence && clock.elapsed() < 3000) QTest::qWait(20);
    EXPECT_FALSE(nav().ZoomSilence);
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_FALSE(rig->ZoomTimer->isActive());
    pan(600, 400, gfBegin);
    pan(650, 450);
    pan(650, 450, gfEnd);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), cx - P().GetModelLength(50));
}

TEST_F(NavigationTest, PanStateIsKeptSound) {
    // A second begin without an end is ignored.
    pan(100, 100, gfBegin);
    pan(300, 300, gfBegin);
    EXPECT_EQ(nav().Pani, 1);
    pan(130, 100);
    pan(130, 100, gfEnd);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 30);
    // A drag that ends without moving does not repeat the previous drag's offset.
    pan(500, 500, gfBegin);
    pan(500, 500, gfEnd);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 30);
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY);
    // A redraw running between its slices does not hold a gesture back: the gesture stops it and
    // is handled at once, and the drag's end starts the next redraw.
    rig->MapCanvas().SetSliceBudgetMs(0);
    pan(500, 500, gfBegin);
    pan(520, 500);
    map().Review();
    ASSERT_TRUE(map().Reviewing);
    const int done = map().ReviewsDone;
    pan(520, 500, gfEnd);
    EXPECT_EQ(nav().Pani, 0);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 50);
    EXPECT_TRUE(map().Reviewing) << "the end's own redraw";
    ASSERT_TRUE(waitUntil([&] { return !map().Reviewing; }, 10000));
    EXPECT_EQ(map().ReviewsDone, done + 1) << "the stopped redraw never completed";
}

TEST_F(NavigationTest, PinchThatStartsDuringADragGoesOnFromTheDraggedView) {
    patternSnapshot();
    const QImage snapshot = rig->MapCanvas().Bm();
    pan(400, 300, gfBegin);
    pan(430, 280);
    pinch(640, 400, 100, gfBegin);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 30);
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY - 20);
    // The first pinch frame shows the snapshot where the drag left it, not back at its start.
    pinch(640, 400, 101);
    pinch(640, 400, 100);
    EXPECT_EQ(rig->Image->Bitmap().pixel(230, 180), snapshot.pixel(200, 200));
    pinch(640, 400, 100, gfEnd);
    // The finger that stays ends the drag later: nothing more moves.
    nav().ZoomTimerTimer();
    pan(430, 280, gfEnd);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 30);
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY - 20);
}

TEST_F(NavigationTest, MouseClickIsATapAndADragIsAPan) {
    std::vector<QPointF> taps;
    nav().Hooks.ImageTap = [&](float x, float y) { taps.emplace_back(x, y); };
    const int reviews = map().ReviewsDone;
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {300, 200});
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {300, 200});
    ASSERT_EQ(taps.size(), 1u);
    EXPECT_EQ(taps[0], QPointF(300, 200));
    EXPECT_EQ(map().ReviewsDone, reviews);
    EXPECT_EQ(P().GetCenterX(), CX);

    // Moving without a button does nothing.
    sendMouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, {350, 250});
    EXPECT_FALSE(nav().Moving);
    EXPECT_EQ(nav().Pani, 0);

    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {300, 200});
    sendMouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {320, 230});
    EXPECT_TRUE(nav().Moving);
    EXPECT_EQ(nav().LastX, 300) << "the pan begins where the button went down";
    sendMouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {340, 260});
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {340, 260});
    EXPECT_FALSE(nav().Moving);
    EXPECT_EQ(taps.size(), 1u) << "a drag is no tap";
    EXPECT_EQ(map().ReviewsDone, reviews + 1);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 40);
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY + 60);
}

TEST_F(NavigationTest, WheelZoomsAroundTheMouse) {
    struct Case {
        int delta;
        double factor;
    };
    for (const Case c : {Case{120, 0.8}, Case{-120, 1.25}, Case{0, 1.25}}) {
        view(CX, CY);
        const QPoint at(250, 600);
        const QPointF under = modelAt(at.x(), at.y());
        const int reviews = map().ReviewsDone;
        if (c.delta != 0) {
            QWheelEvent e(QPointF(at), rig->Image_edit->mapToGlobal(QPointF(at)), QPoint(),
                          QPoint(0, c.delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(rig->Image_edit, &e);
        } else {
            bool handled = false;
            nav().ImageMouseWheel(nullptr, Qt::NoModifier, 0, handled, QPointF(at));
            EXPECT_TRUE(handled);
        }
        EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel * c.factor) << c.delta;
        const QPointF after = modelAt(at.x(), at.y());
        EXPECT_NEAR(after.x(), under.x(), 1e-6);
        EXPECT_NEAR(after.y(), under.y(), 1e-6);
        EXPECT_EQ(map().ReviewsDone, reviews + 1);
    }
    // An event already handled is left alone.
    view(CX, CY);
    bool handled = true;
    nav().ImageMouseWheel(nullptr, Qt::NoModifier, 120, handled, QPointF(10, 10));
    EXPECT_EQ(P().GetScale(), OneMetrePerPixel);
}

TEST_F(NavigationTest, ZoomButtonsAnimateAndEndAtExactlyTheFinalScale) {
    FakePoint point(rig->Projection());
    point.ref = QPointF(CX, CY);
    rig->ActiveTool = 3;
    nav().SetEditedPoint(&point);
    struct Case {
        QAbstractButton* button;
        int frames;
        bool in;
    };
    const double s0 = 3 * 1777.7;
    for (const Case c : {Case{rig->plus_rect, 5, true}, Case{rig->b_plus, 5, true},
                         Case{rig->minus_rect, 10, false}, Case{rig->b_Minus, 10, false}}) {
        view(CX, CY, s0);
        point.drawScales.clear();
        const int reviews = map().ReviewsDone;
        const int frames = nav().FramesPainted();
        c.button->click();
        EXPECT_TRUE(nav().Animating()) << "the frames come from the event loop";
        c.button->click(); // ignored while the animation runs
        ASSERT_TRUE(waitUntil([&] { return !nav().Animating() && !map().Reviewing; }, 10000));
        EXPECT_EQ(P().GetScale(), c.in ? s0 / 1.5 : s0 * 1.5) << c.button->objectName().toStdString();
        EXPECT_EQ(P().GetCenterX(), CX);
        EXPECT_EQ(P().GetCenterY(), CY);
        EXPECT_EQ(nav().FramesPainted(), frames + c.frames);
        EXPECT_EQ(map().ReviewsDone, reviews + 1);
        // Frame by frame the scale moves towards the final one.
        ASSERT_EQ(point.drawScales.size(), size_t(c.frames + 1));
        for (int k = 0; k < c.frames; ++k) {
            const double d = 1 + (k + 1) * (c.in ? 0.1 : 0.05);
            EXPECT_NEAR(point.drawScales[size_t(k)], c.in ? s0 / d : s0 * d, 1e-6);
        }
    }
    EXPECT_EQ(zoomButtonFrames(100, true).size(), 5u);
    EXPECT_EQ(zoomButtonFrames(100, false).size(), 10u);
}

TEST_F(NavigationTest, NiceLengthsAndScaleBars) {
    const std::pair<double, double> nice[] = {
        {-5, 0},           {0, 0},         {0.5, 0},     {1, 0},       {1.5, 1},
        {2.5, 2},          {83.3, 50},     {100, 50},    {101, 100},   {999, 500},
        {1000, 500},       {1000.1, 1000}, {2999, 2000}, {3000, 3000}, {7450, 7000},
        {std::nan(""), 0}, {HUGE_VAL, 0},
    };
    for (const auto& [L, v] : nice) EXPECT_EQ(chooseNiceLength(L), v) << L;

    const QString sep = decimalSeparator();
    struct Bar {
        double metresPerPixel, available;
        bool classic;
        double metres;
        int width;
        bool km;
        QString text;
    };
    const Bar bars[] = {
        // One bar of the alternative style: 88 pixels of 1 m -> 50 m, 50 pixels.
        {1, 88, false, 50, 50, false, QStringLiteral("50 m")},
        {10, 88, false, 500, 50, false, QStringLiteral("500 m")},
        {40, 88, false, 3000, 75, true, QStringLiteral("3 km")},
        // Three segments of the classic style: 250 m -> 3 x 50 m.
        {1, 250, true, 50, 50, false, QStringLiteral("50")},
        // 3000 m across: kilometres, and a 500 m segment reads as half a kilometre.
        {12, 250, true, 500, 42, true, QStringLiteral("0") + sep + QStringLiteral("5")},
        {40, 250, true, 3000, 75, true, QStringLiteral("3")},
    };
    for (const Bar& b : bars) {
        view(CX, CY, OneMetrePerPixel * b.metresPerPixel);
        const TScaleBar bar =
            b.classic ? classicScaleBar(P(), b.available) : kavintScaleBar(P(), b.available);
        EXPECT_EQ(bar.Metres, b.metres) << b.metresPerPixel << (b.classic ? " classic" : " alternative");
        EXPECT_EQ(bar.Width, b.width) << b.metresPerPixel;
        EXPECT_EQ(bar.Km, b.km) << b.metresPerPixel;
        EXPECT_EQ(bar.ValueText, b.text) << b.metresPerPixel;
    }

    EXPECT_EQ(formatNumber(0.5, 0), QStringLiteral("1")) << "halves away from zero";
    EXPECT_EQ(formatNumber(-2.5, 0), QStringLiteral("-3"));
    EXPECT_EQ(formatNumber(-0.2, 0), QStringLiteral("0"));
    EXPECT_EQ(formatNumber(12.30, 2), QStringLiteral("12") + sep + QStringLiteral("3"));
    EXPECT_EQ(formatNumber(7.0, 3), QStringLiteral("7"));
    EXPECT_EQ(formatNumber(1.23456, 3), QStringLiteral("1") + sep + QStringLiteral("235"));
}

TEST_F(NavigationTest, ReadOutsShowScaleCentreAndBarInBothStyles) {
    view(CX, CY, 2666.5);
    nav().ShowScaleAndCoords();
    EXPECT_EQ(rig->l_scale->text(), QStringLiteral("1 : 2666")) << "halves to the even neighbour";
    EXPECT_EQ(rig->l_jtsk->text(), QStringLiteral("X: -599600 Y: -1099800"));

    // The alternative style: the bar fills up to the label (88 pixels by design).
    view(CX, CY, OneMetrePerPixel);
    nav().ShowScaleAndCoords();
    EXPECT_EQ(rig->ks_l_Scale->text(), QStringLiteral("50 m"));
    EXPECT_EQ(rig->ks_Scale_R->width(), 50);
    EXPECT_EQ(rig->ks_Scale_R2->x(), rig->ks_Scale_R->x() + 49);

    // The classic style: three segments of 50 m, ticks 0, 50, 100, 150 and the unit.
    nav().KavintStyle = false;
    rig->ks_ScaleLayOut->hide();
    rig->ScaleLayout->show();
    nav().ShowScaleAndCoords();
    for (QWidget* r : {rig->Rectangle1, rig->Rectangle2, rig->Rectangle3}) EXPECT_EQ(r->width(), 50);
    EXPECT_EQ(rig->Rectangle2->x(), rig->Rectangle1->x() + 50);
    EXPECT_EQ(rig->Rectangle3->x(), rig->Rectangle2->x() + 50);
    const QString ticks[] = {QStringLiteral("0"), QStringLiteral("50"), QStringLiteral("100"),
                             QStringLiteral("150"), QStringLiteral("m")};
    const QLabel* labels[] = {rig->Text1, rig->Text2, rig->Text3, rig->Text4, rig->Text5};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(labels[i]->text(), ticks[i]) << i;
    EXPECT_EQ(rig->Text2->x(), rig->Text1->x() + 50);
    EXPECT_EQ(rig->Text4->x(), rig->Text1->x() + 150);
    EXPECT_EQ(rig->Text5->x(), rig->Rectangle3->x() + 50);
    const std::pair<QLabel*, QLabel*> shadows[] = {{rig->Text22, rig->Text2},
                                                   {rig->Text33, rig->Text3},
                                                   {rig->Text44, rig->Text4},
                                                   {rig->Text55, rig->Text5}};
    for (const auto& [shadow, label] : shadows) {
        EXPECT_EQ(shadow->text(), label->text());
        EXPECT_EQ(shadow->x(), label->x());
    }
    // Kilometres: 0.5, 1 and 1.5 km rather than 1, 1 and 2.
    view(CX, CY, 12 * OneMetrePerPixel);
    nav().ShowScaleAndCoords();
    const QString sep = decimalSeparator();
    EXPECT_EQ(rig->Text2->text(), QStringLiteral("0") + sep + QStringLiteral("5"));
    EXPECT_EQ(rig->Text3->text(), QStringLiteral("1"));
    EXPECT_EQ(rig->Text4->text(), QStringLiteral("1") + sep + QStringLiteral("5"));
    EXPECT_EQ(rig->Text5->text(), QStringLiteral("km"));
    EXPECT_EQ(rig->Text55->text(), QStringLiteral("km"));
}

TEST_F(NavigationTest, LineToolGrabsTheVertexWithin50PixelsOrFrom100PixelsBelow) {
    FakeLine line;
    nav().SetEditedLine(&line);
    struct Case {
        QPointF touch; // page offset from the vertex
        bool grabbed;
    };
    const Case cases[] = {
        {{0, 0}, true},     {{49, 0}, true},     {{0, -49}, true},  {{35, 35}, true},  {{51, 0}, false},
        {{36, 36}, false},  {{0, 100}, true},    {{40, 120}, true}, {{0, 149}, true},  {{0, 151}, false},
        {{-49, 100}, true}, {{-51, 100}, false}, {{0, 60}, true},   {{0, -51}, false},
    };
    const QPointF vertexPage(600, 300);
    for (int tool : {2, 4})
        for (const Case& c : cases) {
            view(CX, CY);
            rig->ActiveTool = tool;
            const QPointF v = modelAt(vertexPage.x(), vertexPage.y());
            line.points = {modelAt(400, 300), v, modelAt(600, 500)};
            line.active = 1;
            line.editTargets.clear();
            const QPointF touch = vertexPage + c.touch;
            pan(touch.x(), touch.y(), gfBegin);
            EXPECT_EQ(nav().PanStatus, c.grabbed ? 2 : 1)
                << tool << ": " << c.touch.x() << "," << c.touch.y();
            if (!c.grabbed) {
                // The line moves with the map: it was drawn into the snapshot.
                ASSERT_EQ(line.editTargets.size(), 1u);
                EXPECT_EQ(line.editTargets[0], &rig->MapCanvas().Bm());
            }
            pan(touch.x() + 10, touch.y() + 20);
            pan(touch.x() + 10, touch.y() + 20, gfEnd);
            if (c.grabbed) {
                // The vertex follows the finger at its grab offset; the map stays.
                const QPointF moved = modelAt(vertexPage.x() + 10, vertexPage.y() + 20);
                EXPECT_NEAR(line.points[1].x(), moved.x(), 1e-6);
                EXPECT_NEAR(line.points[1].y(), moved.y(), 1e-6);
                EXPECT_EQ(P().GetCenterX(), CX);
                // The measure read-out follows the dragged vertex.
                EXPECT_EQ(rig->ks_l_Delka->text(), formatNumber(line.Length(), 1) + QStringLiteral(" m "));
                EXPECT_EQ(rig->ks_l_Plocha->text(),
                          formatNumber(std::abs(line.Area()) / 10000, 2) + QStringLiteral(" ha"));
            } else {
                EXPECT_EQ(line.points[1], v);
                EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 10);
            }
        }
    // The classic style's read-out.
    nav().KavintStyle = false;
    rig->ActiveTool = 2;
    line.points = {QPointF(0, 0), QPointF(200, 0), QPointF(200, 100)};
    line.active = 2;
    view(100, 50);
    const int vx = P().GetPageX(200), vy = P().GetPageY(100);
    pan(vx, vy, gfBegin);
    pan(vx, vy + 1);
    pan(vx, vy + 1, gfEnd);
    const QString sep = decimalSeparator();
    // 200 m + 99 m, 200 x 99 / 2 m² = 0.99 ha.
    EXPECT_EQ(rig->l_Text->text(),
              QStringLiteral("Délka: 299 m      Plocha:0%1 ha").arg(sep + QStringLiteral("99")));
    EXPECT_FALSE(vertexGrabbed(P(), 600, 300, modelAt(600, 355)));
}

TEST_F(NavigationTest, PointToolDragsThePointFromItsCachedSymbol) {
    FakePoint point(rig->Projection());
    rig->ActiveTool = 3;
    nav().SetEditedPoint(&point);
    point.ref = modelAt(700, 300);
    // Touching 5 pixels off the point grabs it; its symbol goes into the detail bitmap.
    pan(705, 303, gfBegin);
    ASSERT_EQ(nav().PanStatus, 3);
    ASSERT_EQ(point.draws.size(), 1u);
    EXPECT_EQ(point.draws[0], &rig->Image_Edit_Detail->Bitmap());
    pan(745, 283);
    const QPointF moved = modelAt(740, 280);
    EXPECT_NEAR(point.ref.x(), moved.x(), 1e-6);
    EXPECT_NEAR(point.ref.y(), moved.y(), 1e-6);
    EXPECT_EQ(point.draws.size(), 1u) << "blitted, not redrawn, while dragged";
    const QImage& overlay = rig->Image_edit->Bitmap();
    EXPECT_EQ(overlay.pixelColor(740, 280), QColor(Qt::magenta));
    EXPECT_EQ(overlay.pixelColor(700, 300).alpha(), 0);
    pan(745, 283, gfEnd);
    EXPECT_EQ(point.moved, 1);
    EXPECT_EQ(point.draws.back(), nullptr) << "drawn on the overlay at its new place";
    EXPECT_EQ(P().GetCenterX(), CX);

    // Far from the point the map moves, with the point drawn into the snapshot.
    pan(200, 200, gfBegin);
    EXPECT_EQ(nav().PanStatus, 1);
    EXPECT_EQ(point.draws.back(), &rig->MapCanvas().Bm());
    pan(220, 200);
    pan(220, 200, gfEnd);
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 20);
    EXPECT_EQ(point.moved, 1);
}

TEST(TouchTranslator, FingersBecomePansPinchesAndTaps) {
    TTouchTranslator t;
    t.Slop = 10;
    std::vector<TGestureEventInfo> events;
    std::vector<QPointF> taps;
    t.OnGesture = [&](const TGestureEventInfo& e) { events.push_back(e); };
    t.OnTap = [&](const QPointF& p) { taps.push_back(p); };

    // A finger that stays within the slop taps where it was lifted.
    t.Touch({{100, 100}}, false);
    t.Touch({{105, 103}}, false);
    t.Touch({}, true);
    EXPECT_TRUE(events.empty());
    ASSERT_EQ(taps.size(), 1u);
    EXPECT_EQ(taps[0], QPointF(105, 103));

    // A finger that moves on pans from where it touched down.
    t.Touch({{100, 100}}, false);
    t.Touch({{120, 100}}, false);
    t.Touch({{140, 110}}, false);
    t.Touch({}, true);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].GestureID, TGestureKind::Pan);
    EXPECT_TRUE(events[0].IsBegin());
    EXPECT_EQ(events[0].Location, QPointF(100, 100));
    EXPECT_EQ(events[1].Flags, gfNone);
    EXPECT_EQ(events[1].Location, QPointF(120, 100));
    EXPECT_EQ(events[2].Location, QPointF(140, 110));
    EXPECT_TRUE(events[3].IsEnd());
    EXPECT_EQ(taps.size(), 1u);

    // Two fingers pinch around their midpoint; lifting one ends the pinch and the other one no
    // longer pans.
    events.clear();
    t.Touch({{100, 100}}, false);
    t.Touch({{100, 100}, {160, 180}}, false);
    t.Touch({{90, 90}, {170, 190}}, false);
    t.Touch({{90, 90}}, false);
    t.Touch({{50, 50}}, false);
    t.Touch({}, true);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].GestureID, TGestureKind::Zoom);
    EXPECT_TRUE(events[0].IsBegin());
    EXPECT_EQ(events[0].Location, QPointF(130, 140));
    EXPECT_EQ(events[0].Distance, 100);
    EXPECT_EQ(events[1].Flags, gfNone);
    EXPECT_EQ(events[1].Distance, int(std::lround(std::hypot(80, 100))));
    EXPECT_EQ(events[2].GestureID, TGestureKind::Zoom);
    EXPECT_TRUE(events[2].IsEnd());
    EXPECT_EQ(taps.size(), 1u);
}

TEST_F(NavigationTest, GestureModeTakesTouchAndLeavesTheMouse) {
    rig->show();
    QCoreApplication::processEvents();
    map().Review();
    view(CX, CY);
    nav().ZoomTimerTimer();
    rig->SetUse_Gestures(true);
    EXPECT_TRUE(rig->GetUse_Gestures());
    // The mouse no longer drags the map.
    sendMouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {300, 200});
    sendMouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {340, 260});
    sendMouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {340, 260});
    EXPECT_EQ(P().GetCenterX(), CX);

    // A finger drags it.
    QPointingDevice* device = QTest::createTouchDevice();
    QTest::touchEvent(rig->Image_edit, device).press(0, QPoint(300, 200));
    QTest::touchEvent(rig->Image_edit, device).move(0, QPoint(330, 200));
    QTest::touchEvent(rig->Image_edit, device).move(0, QPoint(360, 240));
    QTest::touchEvent(rig->Image_edit, device).release(0, QPoint(360, 240));
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(P().GetCenterX(), CX - 60);
    EXPECT_DOUBLE_EQ(P().GetCenterY(), CY + 40);

    // Two fingers spread to twice their distance halve the scale.
    nav().ZoomTimerTimer();
    QTest::touchEvent(rig->Image_edit, device).press(0, QPoint(600, 400)).press(1, QPoint(700, 400));
    QTest::touchEvent(rig->Image_edit, device).move(0, QPoint(550, 400)).move(1, QPoint(750, 400));
    QTest::touchEvent(rig->Image_edit, device).release(0, QPoint(550, 400)).release(1, QPoint(750, 400));
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(P().GetScale(), OneMetrePerPixel / 2);

    rig->SetUse_Gestures(false);
    EXPECT_FALSE(rig->Image_edit->testAttribute(Qt::WA_AcceptTouchEvents));
}

TEST_F(AppTest, ReadOutsFollowOpeningAProjectAndPinches) {
    auto form = newForm();
    TPageProjection& P = *form->Projection();
    TNavigationController& nav = form->Navigation();
    auto pinch = [&](double x, double y, int distance, int flags = gfNone) {
        TGestureEventInfo e;
        e.GestureID = TGestureKind::Zoom;
        e.Location = QPointF(x, y);
        e.Flags = flags;
        e.Distance = distance;
        bool handled = false;
        nav.FormGesture(nullptr, e, handled);
    };
    QLabel* l_scale = ctl<QLabel>(form, "l_scale");
    const QString opx = makeProject(QStringLiteral("p/les.opx"), {standMap()});
    ASSERT_TRUE(form->LoadProject(opx));
    EXPECT_EQ(l_scale->text(),
              QStringLiteral("1 : ") + QString::number(std::nearbyint(P.GetScale()), 'f', 0));
    EXPECT_FALSE(ctl<QLabel>(form, "ks_l_Scale")->text().isEmpty());

    // During a pinch the read-out is refreshed later, once per burst of events.
    nav.ZoomTimerTimer();
    pinch(640, 400, 100, gfBegin);
    pinch(640, 400, 200);
    const QString later = QStringLiteral("1 : ") + QString::number(std::nearbyint(P.GetScale()), 'f', 0);
    EXPECT_NE(l_scale->text(), later);
    QCoreApplication::processEvents();
    EXPECT_EQ(l_scale->text(), later);
}

} // namespace
} // namespace apptest
