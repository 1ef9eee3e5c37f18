// The layer painter on a bare map canvas of 200 x 200 pixels at one model metre per pixel over a
// white background: objects are built at page positions (converted back through the projection)
// and found again as pixels of the picture and the overlays.
#include "LayerPainter.h"
#include "MapCanvas.h"
#include "UiKit.h"
#include "wait_until.h"

#include "colors/e_Color.h"
#include "colors/e_Pale.h"
#include "forest/e_LHCElements.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "symbology/e_Device.h"
#include "topobjects/e_TopolElements.h"

#include "../common/builders.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace zelto;
using zelto::testing::Points;
using zelto::testing::poly;

namespace {

constexpr double MetrePerPixel = 5333; // the scale at which a model metre is one pixel
constexpr quint32 White = 0xFFFFFFFF;
constexpr quint32 Red = 0xFFFF0000, Green = 0xFF00FF00;
constexpr int Blue8 = 8, Red11 = 11; // colour numbers of the system palette

bool near(QColor a, QColor b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

class LayerPainterTest : public ::testing::Test {
protected:
    LayerPainterTest() {
        // The colour numbers of the objects need the process palette.
        if (!SystemColorPalette) m_palette = InitSystemColorPalette();
        host.resize(200, 200);
        image = new ui::TImageControl(&host);
        edit = new ui::TImageControl(&host);
        detail = new ui::TImageControl(&host);
        for (QWidget* w :
             {static_cast<QWidget*>(image), static_cast<QWidget*>(edit), static_cast<QWidget*>(detail)})
            w->setGeometry(0, 0, 200, 200);
        canvas = std::make_unique<TMapCanvas>(TMapCanvasWidgets{image, edit, detail});
        canvas->BColor = White;
        canvas->Resize();
        canvas->SetSliceBudgetMs(60'000);
        canvas->Projection()->ChangeProjection(1000, 1000, MetrePerPixel);
        pin = new ui::TIconImage(ui::IconKind::Marker, &host);
        pin->resize(36, 36);
        pin->hide();
        widgets.ImageBakule = pin;
        source.Layers = [this] { return layers.get(); };
        source.PSYMB = [this] { return symbols.get(); };
        painter = std::make_unique<TLayerPainter>(*canvas, widgets, source);
    }

    ~LayerPainterTest() override { delete m_palette; }

    TPageProjection& P() { return *canvas->Projection(); }
    double mx(double pageX) { return P().GetModelX(float(pageX)); }
    double my(double pageY) { return P().GetModelY(float(pageY)); }
    // Page points to model points.
    Points model(const Points& page) {
        Points out;
        for (auto [x, y] : page) out.push_back({mx(x), my(y)});
        return out;
    }
    QImage& picture() { return canvas->Picture(); }
    QColor at(int x, int y) { return picture().pixelColor(x, y); }

    TComplicatedGECollection* layer(const QString& name, quint32 color, bool visible = true) {
        auto* l = new TComplicatedGECollection;
        l->SetName(name);
        l->SetColor(qint32(color));
        l->SetVisible(visible);
        layers->AddElement(l);
        return l;
    }
    // A user area through the page points, with holes.
    Tgis_UserAreaElement* area(TComplicatedGECollection* sub, const Points& ring, int barva,
                               const std::vector<Points>& holes = {}) {
        auto* a = poly<TAreaElement>(model(ring));
        for (const Points& h : holes) a->AddHole(poly<TAreaElement>(model(h)));
        auto* user = new Tgis_UserAreaElement;
        user->SetGeometry(a);
        user->SetBarva(barva);
        sub->AddElement(user);
        return user;
    }
    TTopolLineElement* line(TComplicatedGECollection* sub, const Points& page) {
        auto* l = new TTopolLineElement;
        l->SetGeometry(poly<TPolyLineElement>(model(page)));
        sub->AddElement(l);
        return l;
    }
    Tgis_PointElement* point(TComplicatedGECollection* sub, double x, double y, int symbol, int color,
                             int status = 0) {
        auto* p = zelto::testing::pointAt<Tgis_PointElement>(mx(x), my(y));
        p->FSymbol = symbol;
        p->FColor = color;
        p->FStatus = status;
        sub->AddElement(p);
        return p;
    }
    Tgis_Note* note(TComplicatedGECollection* sub, double x, double y) {
        auto* n = zelto::testing::pointAt<Tgis_Note>(mx(x), my(y));
        sub->AddElement(n);
        return n;
    }
    // Symbol `number`: its "G" holds the polylines (offsets in model metres).
    TOwnerEntity* symbol(int number, const std::vector<Points>& parts) {
        auto* s = new TOwnerEntity;
        s->SetName(QString::number(number));
        auto* g = new TOwnerEntity;
        g->SetName(QStringLiteral("G"));
        for (const Points& part : parts) g->AddElement(poly<TPolyLineElement>(part));
        s->AddElement(g);
        symbols->AddElement(s);
        return g;
    }
    void clear() { canvas->ClearPicture(); }
    bool blank(const QImage& img, QColor background) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != background) return false;
        return true;
    }

    QWidget host;
    ui::TImageControl *image, *edit, *detail;
    ui::TIconImage* pin;
    std::unique_ptr<TMapCanvas> canvas;
    std::unique_ptr<TOwnerEntity> layers = std::make_unique<TOwnerEntity>();
    std::unique_ptr<TOwnerEntity> symbols = std::make_unique<TOwnerEntity>();
    TLayerPainterWidgets widgets;
    TLayerPainterSource source;
    std::unique_ptr<TLayerPainter> painter;

private:
    TColorPalette* m_palette = nullptr;
};

// Areas of every layer lie under the lines of every layer; the fill is the area's colour at 0.7,
// the hole stays open and the outline is 2 pixels in the layer's colour. Lower-case sub-layer
// names count like upper-case ones.
TEST_F(LayerPainterTest, AreasOfAllLayersLieUnderLinesFilledAtSevenTenthsWithHolesOpen) {
    auto* first = layer(QStringLiteral("Cesty"), Red);
    line(first->GetLayer(QStringLiteral("l")), {{10, 100}, {190, 100}});
    auto* second = layer(QStringLiteral("Plochy"), Green);
    area(second->GetLayer(QStringLiteral("a")), {{20, 20}, {180, 20}, {180, 180}, {20, 180}}, Blue8,
         {{{60, 120}, {100, 120}, {100, 160}, {60, 160}}});
    clear();
    painter->DrawLayers();

    EXPECT_TRUE(near(at(140, 50), QColor(77, 77, 255))) << at(140, 50).name().toStdString();
    EXPECT_EQ(at(80, 140), QColor(White)) << "the hole is left open";
    EXPECT_TRUE(near(at(140, 20), QColor(Green), 40)) << "the outline: " << at(140, 20).name().toStdString();
    EXPECT_EQ(at(18, 50), QColor(White)) << "the outline is 2 pixels wide";
    EXPECT_EQ(at(60, 100), QColor(Red)) << "the line of the first layer lies over the area of the second";
    EXPECT_EQ(at(100, 98), QColor(Red)) << "5 pixels wide";
    EXPECT_EQ(at(100, 95), at(140, 50));
}

TEST_F(LayerPainterTest, AHiddenLayerPaintsNothing) {
    auto* hidden = layer(QStringLiteral("Skryta"), Red, false);
    area(hidden->GetLayer(QStringLiteral("A")), {{20, 20}, {180, 20}, {180, 180}, {20, 180}}, Blue8);
    line(hidden->GetLayer(QStringLiteral("L")), {{10, 100}, {190, 100}});
    symbol(7, {{{-5, 0}, {5, 0}}});
    point(hidden->GetLayer(QStringLiteral("P")), 100, 50, 7, Red11);
    clear();
    painter->DrawLayers();
    EXPECT_TRUE(blank(picture(), QColor(White)));
}

// A ring of member lines paints exactly as the plain area made from it.
TEST_F(LayerPainterTest, AnAreaOfMemberLinesPaintsAsItsPlainArea) {
    auto* sub = layer(QStringLiteral("Plochy"), Green)->GetLayer(QStringLiteral("A"));
    auto* plain = area(sub, {{30, 30}, {170, 30}, {170, 170}, {30, 170}}, Blue8);
    clear();
    painter->DrawLayers();
    const QImage expected = picture().copy();

    auto* ring = new TPolyLineAreaElement;
    ring->AddPolyLine(poly<TPolyLineElement>(model({{30, 30}, {170, 30}, {170, 170}})), true);
    ring->AddPolyLine(poly<TPolyLineElement>(model({{30, 30}, {30, 170}, {170, 170}})), false);
    ring->RecalculateRect();
    plain->SetGeometry(ring);
    clear();
    painter->DrawLayers();
    EXPECT_EQ(picture(), expected);
}

// A user area whose geometry is a line is filled as the ring of its vertices; its outline, the
// line itself, stays open.
TEST_F(LayerPainterTest, AnAreaShapedByALineIsFilledWithAnOpenOutline) {
    auto* sub = layer(QStringLiteral("Plochy"), Green)->GetLayer(QStringLiteral("A"));
    auto* user = area(sub, {{40, 40}, {160, 40}}, Blue8);
    user->SetGeometry(poly<TPolyLineElement>(model({{40, 40}, {40, 160}, {160, 160}, {160, 40}})));
    clear();
    painter->DrawLayers();
    EXPECT_TRUE(near(at(100, 100), QColor(77, 77, 255)));
    EXPECT_EQ(at(100, 160), QColor(Green)) << "the line is outlined";
    EXPECT_EQ(at(100, 40), at(100, 100)) << "the closing side is not";
}

// Vertices within 2 pixels of the last point added are left out of every path: a line and an
// area with such vertices give the picture of their paths without them.
TEST_F(LayerPainterTest, VerticesWithinTwoPixelsOfTheLastAddedAreDropped) {
    struct Case {
        const char* what;
        Points withNear, thinned;
    };
    const Case cases[] = {
        {"line",
         {{20, 100}, {20, 102}, {18, 100}, {21, 101}, {180, 100}, {181, 99}},
         {{20, 100}, {180, 100}}},
        {"area",
         {{40, 40}, {42, 40}, {40, 38}, {160, 40}, {160, 160}, {161, 161}, {40, 160}},
         {{40, 40}, {160, 40}, {160, 160}, {40, 160}}},
    };
    for (const Case& c : cases) {
        QImage pictures[2];
        for (int i = 0; i < 2; ++i) {
            layers->FreeAll();
            auto* l = layer(QStringLiteral("V"), Red);
            const Points& page = i == 0 ? c.withNear : c.thinned;
            if (QLatin1String(c.what) == QLatin1String("line"))
                line(l->GetLayer(QStringLiteral("L")), page);
            else
                area(l->GetLayer(QStringLiteral("A")), page, Blue8);
            clear();
            painter->DrawLayers();
            pictures[i] = picture().copy();
        }
        EXPECT_FALSE(blank(pictures[0], QColor(White))) << c.what;
        EXPECT_EQ(pictures[0], pictures[1]) << c.what;
    }
}

// Objects are culled by their rectangle before any vertex is converted: objects whose rectangle
// lies outside the view paint nothing even where their vertices (or symbols and pins) would reach
// into it.
TEST_F(LayerPainterTest, ObjectsOutsideTheViewAreSkippedByTheirRectangle) {
    symbol(7, {{{-30, 0}, {30, 0}}});
    auto* l = layer(QStringLiteral("Mimo"), Red);
    auto* a = area(l->GetLayer(QStringLiteral("A")), {{20, 20}, {180, 20}, {180, 180}, {20, 180}}, Blue8);
    auto* ln = line(l->GetLayer(QStringLiteral("L")), {{10, 100}, {190, 100}});
    // The rectangles say "beyond the left edge"; the vertices are in the view.
    a->GetGeometry()->SetByDoubleRect({mx(-500), my(180), mx(-400), my(20)});
    ln->GetGeometry()->SetByDoubleRect({mx(-500), my(100), mx(-400), my(100)});
    point(l->GetLayer(QStringLiteral("P")), 215, 100, 7, Red11); // its symbol would reach 30 px in
    note(l->GetLayer(QStringLiteral("N")), 100, 220);            // its pin would stand 36 px high
    clear();
    painter->DrawLayers();
    EXPECT_TRUE(blank(picture(), QColor(White)));

    // The same point and note inside the view do paint.
    point(l->GetLayer(QStringLiteral("P")), 150, 60, 7, Red11);
    note(l->GetLayer(QStringLiteral("N")), 60, 160);
    painter->DrawLayers();
    EXPECT_EQ(at(160, 60), QColor(Red));
    EXPECT_NE(at(60, 160 - 18), QColor(White)) << "the pin stands on the note";
}

// Points: drawn with their symbol in their own colour, 1.75 m wide; a point of status 1, a
// symbol that is missing, and a symbol part that is not a polyline show nothing.
TEST_F(LayerPainterTest, PointsShowTheirSymbolUnlessHiddenOrTheSymbolIsUnusable) {
    symbol(7, {{{-20, 0}, {20, 0}}});
    TOwnerEntity* damaged = symbol(9, {{{-20, 0}, {20, 0}}});
    damaged->AddElement(poly<TAreaElement>({{0, 0}, {0, 5}, {5, 5}}));
    struct Case {
        int symbol, status;
        bool painted;
    } const cases[] = {{7, 0, true}, {7, -1, true}, {7, 1, false}, {8, 0, false}, {9, 0, false}};
    for (const Case& c : cases) {
        layers->FreeAll();
        point(layer(QStringLiteral("B"), Green)->GetLayer(QStringLiteral("p")), 100, 100, c.symbol, Red11,
              c.status);
        clear();
        painter->DrawLayers();
        EXPECT_EQ(at(90, 100) == QColor(Red), c.painted) << "symbol " << c.symbol << " status " << c.status;
        if (c.painted) {
            EXPECT_EQ(at(90, 98), QColor(White)) << "2 pixels wide";
        }
    }
}

// In edit mode the point goes to the edit overlay with a frame 10 pixels outside its rectangle and
// a 20 x 20 square on each corner of the frame; the map picture stays as it was.
TEST_F(LayerPainterTest, AnEditedPointHasAFrameAndFourCornerSquares) {
    symbol(7, {{{-5, 0}, {5, 0}}});
    auto* p = point(layer(QStringLiteral("B"), Green)->GetLayer(QStringLiteral("P")), 100, 100, 7, Red11);
    clear();
    painter->DrawPoint(p, true, nullptr);
    const QImage& overlay = edit->Bitmap();
    EXPECT_TRUE(blank(picture(), QColor(White)));
    auto alphaAt = [&](int x, int y) { return overlay.pixelColor(x, y).alpha(); };
    EXPECT_EQ(overlay.pixelColor(98, 100), QColor(Red)) << "the symbol";
    EXPECT_GT(alphaAt(100, 90), 50) << "frame, top side";
    EXPECT_GT(alphaAt(110, 100), 50) << "frame, right side";
    // Each square reaches 10 pixels beyond the frame's corner, outwards.
    for (QPoint corner : {QPoint(90, 90), QPoint(110, 90), QPoint(110, 110), QPoint(90, 110)}) {
        const int sx = corner.x() < 100 ? -1 : 1, sy = corner.y() < 100 ? -1 : 1;
        EXPECT_GT(alphaAt(corner.x() + 10 * sx, corner.y()), 50)
            << "square at " << corner.x() << "," << corner.y();
        EXPECT_GT(alphaAt(corner.x(), corner.y() + 10 * sy), 50)
            << "square at " << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(alphaAt(70, 90), 0);
    EXPECT_EQ(alphaAt(100, 75), 0);
    EXPECT_EQ(alphaAt(95, 105), 0) << "neither the frame nor the squares are filled";

    // On a bitmap of the caller's: the overlay is not cleared, the bitmap gets the same picture.
    QImage bm(200, 200, QImage::Format_ARGB32_Premultiplied);
    bm.fill(Qt::transparent);
    painter->DrawPoint(p, true, &bm);
    EXPECT_EQ(bm, overlay);
}

// The edited line leaves out the two segments at its active vertex and their vertex circles.
TEST_F(LayerPainterTest, TheEditedLineLeavesOutTheSegmentsAtItsActiveVertex) {
    auto* l = poly<TPolyLineElement>(model({{20, 100}, {60, 100}, {100, 100}, {140, 100}, {180, 100}}));
    std::unique_ptr<TElement> owner(l);
    struct Case {
        int part;
        bool segments[4]; // 0-1, 1-2, 2-3, 3-4
        bool circles[5];
    } const cases[] = {
        {-1, {true, true, true, true}, {true, true, true, true, true}},
        {2, {true, false, false, true}, {true, true, false, false, true}},
    };
    for (const Case& c : cases) {
        painter->DrawLineEdit(l, c.part, Red, nullptr, false);
        const QImage& overlay = edit->Bitmap();
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(overlay.pixelColor(40 + 40 * s, 100) == QColor(Red), c.segments[s])
                << "part " << c.part << " segment " << s;
        for (int v = 0; v < 5; ++v)
            EXPECT_EQ(overlay.pixelColor(20 + 40 * v, 85).alpha() > 60, c.circles[v])
                << "part " << c.part << " circle " << v;
    }
}

// The detail of a closed outline at vertex 0: the segment 0-1, the dashed closing segment to the
// last vertex, and the drag handle 100 pixels below the vertex.
TEST_F(LayerPainterTest, TheDetailOfAClosedOutlineAtItsFirstVertex) {
    auto* l = poly<TPolyLineElement>(model({{50, 40}, {150, 40}, {150, 140}, {50, 140}}));
    std::unique_ptr<TElement> owner(l);
    painter->DrawLineDetail(l, 0, Red, nullptr, true);
    const QImage& overlay = detail->Bitmap();
    EXPECT_EQ(overlay.pixelColor(100, 40), QColor(Red)) << "segment 0-1";
    EXPECT_EQ(overlay.pixelColor(150, 90).alpha(), 0) << "segment 1-2 is not part of the detail";
    int dashed = 0, gaps = 0;
    // Beside the handle's vertical line (2 pixels over x = 50), inside the 5-pixel dash.
    for (int y = 75; y < 135; ++y) (overlay.pixelColor(48, y) == QColor(Red) ? dashed : gaps)++;
    EXPECT_GT(dashed, 0) << "the closing segment 0-3";
    EXPECT_GT(gaps, 0) << "is dashed";
    EXPECT_GT(overlay.pixelColor(80, 140).alpha(), 60) << "the handle circle of radius 30 at (50, 140)";
    EXPECT_EQ(overlay.pixelColor(80, 110).alpha(), 0);

    // Open, the closing segment is not drawn.
    painter->DrawLineDetail(l, 0, Red, nullptr, false);
    EXPECT_EQ(detail->Bitmap().pixelColor(48, 90).alpha(), 0);
}

// The GPS marker: the circle on a position strictly inside the view, the arrow on one on its edge
// or beyond; in the alternative style the arrow keeps clear of the side buttons and the info bar.
TEST_F(LayerPainterTest, GpsCircleInsideArrowOnTheEdgeAndBeyond) {
    auto* cursor = new QWidget(&host);
    cursor->resize(20, 20);
    cursor->hide();
    auto* arrow = new ui::TIconImage(ui::IconKind::Gps, &host);
    arrow->resize(80, 80);
    arrow->hide();
    auto* side = new QWidget(&host);
    side->setGeometry(170, 0, 30, 150);
    auto* info = new QWidget(&host);
    info->setGeometry(0, 0, 120, 30);
    auto* action = new QWidget(&host);
    action->setGeometry(0, 30, 160, 30);
    action->hide();
    widgets = {cursor, arrow, pin, side, info, action, nullptr};
    double x = 0, y = 0;
    bool kavint = false;
    source.GpsFixed = [] { return true; };
    source.jtskX = [&] { return x; };
    source.jtskY = [&] { return y; };
    source.KavintStyle = [&] { return kavint; };
    painter = std::make_unique<TLayerPainter>(*canvas, widgets, source);

    x = mx(60), y = my(150);
    painter->Drawgps();
    EXPECT_FALSE(cursor->isHidden());
    EXPECT_TRUE(arrow->isHidden());
    EXPECT_EQ(cursor->pos(), QPoint(50, 140));

    x = P().GetModelView().MaxX, y = my(100);
    painter->Drawgps();
    EXPECT_TRUE(cursor->isHidden()) << "the edge counts as outside";
    EXPECT_FALSE(arrow->isHidden());
    EXPECT_DOUBLE_EQ(arrow->rotation(), 90);

    struct Case {
        bool kavint;
        QPoint at;
    } const cases[] = {{false, QPoint(120, 0)}, {true, QPoint(90, 30)}};
    for (const Case& c : cases) {
        kavint = c.kavint;
        x = mx(100) + 5000, y = my(100) + 5000; // far to the upper right
        painter->Drawgps();
        EXPECT_DOUBLE_EQ(arrow->rotation(), 45);
        EXPECT_EQ(arrow->pos(), c.at) << "alternative style " << c.kavint;
    }

    // A view being dragged so far that the position lies inside its shifted inner rectangle: the
    // arrow stands on the position as it will appear (no edge is crossed).
    kavint = false;
    x = P().GetModelView().MaxX + 20, y = my(100);
    painter->DrawgpsTear(-100, 0);
    EXPECT_DOUBLE_EQ(arrow->rotation(), 90);
    EXPECT_EQ(arrow->pos(), QPoint(200 + 20 - 100 - 40, 100 - 40));

    // Nothing moves without a fix.
    source.GpsFixed = [] { return false; };
    painter->Source = source;
    x = mx(60), y = my(150);
    painter->Drawgps();
    EXPECT_TRUE(cursor->isHidden());
}

// Installed, the layers are passes of the canvas redraw that resume where a slice stopped: a redraw
// in the smallest slices gives the picture of one whole redraw, also when it was started over
// midway.
TEST_F(LayerPainterTest, ARedrawInTheSmallestSlicesGivesTheWholePicture) {
    symbol(7, {{{-4, -4}, {4, 4}}, {{-4, 4}, {4, -4}}});
    for (int i = 0; i < 3; ++i) {
        auto* l = layer(QStringLiteral("V%1").arg(i), i == 1 ? Green : Red);
        auto* a = l->GetLayer(QStringLiteral("A"));
        auto* ln = l->GetLayer(QStringLiteral("L"));
        auto* pts = l->GetLayer(QStringLiteral("P"));
        auto* n = l->GetLayer(QStringLiteral("N"));
        for (int k = 0; k < 4; ++k) {
            const double o = 10 + 30 * k + 5 * i;
            area(a, {{o, o}, {o + 50, o}, {o + 50, o + 40}, {o, o + 40}}, Blue8 + i);
            line(ln, {{o, 190 - o}, {o + 60, 150 - o}, {o + 90, 170 - o}});
            point(pts, o + 20, 100 + i * 10, 7, Red11 - k);
            note(n, 190 - o, o + 40);
        }
    }
    canvas->SetPass(TDrawPass::Tiles, [this](const TPaintBudget&) {
        canvas->ClearPicture();
        return true;
    });
    painter->Install();
    ASSERT_TRUE(canvas->Redraw());
    const QImage whole = picture().copy();
    EXPECT_FALSE(blank(whole, QColor(White)));

    canvas->SetSliceBudgetMs(0);
    ASSERT_FALSE(canvas->Redraw()) << "continues from the event loop";
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(canvas->Running());
    canvas->Redraw(); // starts over
    ASSERT_TRUE(waitUntil([&] { return !canvas->Running(); }, 10000));
    EXPECT_EQ(picture(), whole);

    painter->Uninstall();
    canvas->SetSliceBudgetMs(60'000);
    ASSERT_TRUE(canvas->Redraw());
    EXPECT_TRUE(blank(picture(), QColor(White)));
}

} // namespace

namespace {

// Pixels of two pictures whose channels differ by more than `tolerance`.
int differing(const QImage& a, const QImage& b, int tolerance) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!near(a.pixelColor(x, y), b.pixelColor(x, y), tolerance)) ++n;
    return n;
}

} // namespace

// A line of an opaque colour is stroked as segments with round dabs on its vertices: the picture
// of the round-joined, round-capped stroke, except for the shading of a few edge pixels.
TEST_F(LayerPainterTest, AFastLineIsTheRoundJoinedStrokesPicture) {
    const Points page = {{12, 20}, {60, 24}, {90, 80}, {40, 110}, {150, 170}, {180, 30}, {120, 60}};
    auto* l = layer(QStringLiteral("L1"), Red);
    line(l->GetLayer(QStringLiteral("L")), page);
    auto* a = l->GetLayer(QStringLiteral("A"));
    area(a, {{20, 130}, {70, 125}, {95, 180}, {30, 190}}, Blue8);
    clear();
    painter->DrawLayers();
    const QImage fast = picture().copy();

    // The reference: the same geometry stroked as paths with round joins and caps.
    clear();
    {
        QPainter p(&picture());
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addPolygon(QPolygonF(QList<QPointF>{{20, 130}, {70, 125}, {95, 180}, {30, 190}}));
        outline.closeSubpath();
        p.setOpacity(0.7);
        p.fillPath(outline, QColor::fromRgba(DejBarvicku(Blue8)));
        p.setOpacity(1);
        p.strokePath(outline, QPen(QColor::fromRgba(Red), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path;
        path.moveTo(page[0].first, page[0].second);
        for (size_t i = 1; i < page.size(); ++i) path.lineTo(page[i].first, page[i].second);
        p.strokePath(path, QPen(QColor::fromRgba(Red), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    const QImage reference = picture().copy();
    int ink = 0;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x)
            if (reference.pixelColor(x, y) != QColor(White)) ++ink;
    ASSERT_GT(ink, 1000);
    EXPECT_EQ(differing(fast, reference, 96), 0) << "no pixel is more than a shade off";
    EXPECT_LT(differing(fast, reference, 24), ink / 20) << "few edge pixels are shaded differently";
}

// With a count of the layers' changes, a redraw of the same view reuses the layers' picture; a
// change of the layers or of the view paints them again, and both give the same picture.
TEST_F(LayerPainterTest, AnUnchangedViewReusesTheLayersPicture) {
    quint64 version = 1;
    painter->Source.LayersVersion = [&] { return version; };
    auto* l = layer(QStringLiteral("L1"), Red);
    line(l->GetLayer(QStringLiteral("L")), {{10, 10}, {190, 190}});
    area(l->GetLayer(QStringLiteral("A")), {{20, 120}, {80, 120}, {80, 180}, {20, 180}}, Blue8);
    canvas->SetPass(TDrawPass::Tiles, [this](const TPaintBudget&) {
        canvas->ClearPicture();
        return true;
    });
    painter->Install();
    ASSERT_TRUE(canvas->Redraw());
    const QImage first = picture().copy();
    ASSERT_TRUE(canvas->Redraw());
    EXPECT_EQ(painter->LayerPicturePainted(), 1);
    EXPECT_EQ(painter->LayerPictureReused(), 1);
    EXPECT_EQ(differing(picture(), first, 0), 0);

    // A new line, counted as a change: painted again, and there.
    line(l->GetLayer(QStringLiteral("L")), {{10, 190}, {190, 10}});
    ++version;
    ASSERT_TRUE(canvas->Redraw());
    EXPECT_EQ(painter->LayerPicturePainted(), 2);
    EXPECT_NE(at(40, 160), first.pixelColor(40, 160));
    // Another view: painted again.
    P().ChangeProjection(1010, 1000, MetrePerPixel);
    ASSERT_TRUE(canvas->Redraw());
    EXPECT_EQ(painter->LayerPicturePainted(), 3);
    // The picture made through the layers' own picture is the one painted on the map directly.
    const QImage cached = picture().copy();
    painter->Source.LayersVersion = nullptr;
    ASSERT_TRUE(canvas->Redraw());
    EXPECT_EQ(differing(picture(), cached, 2), 0);
}
