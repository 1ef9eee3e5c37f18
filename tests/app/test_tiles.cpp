// The tiled map: reading the map directory, the level that suits the scale, where a tile's
// pixels land, overlap and edge rules, the placeholder of missing tiles, and redraw bookkeeping.
#include "app_fixture.h"
#include "wait_until.h"

#include "BitmapCodecs.h"
#include "UiKit.h"

#include "framework/M_Zelto.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

namespace apptest {
namespace {

using namespace zelto;

constexpr double OneMetrePerPixel = 5333; // the page resolution: scale 5333 shows 1 m as 1 pixel

class TilesTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = newForm();
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    TTiledMapController& map() { return form->TiledMap(); }
    // Loads the map directory and makes it the shown one, as opening a project does.
    void load(const QString& dir) {
        map().LoadMap(dir);
        map().MapChangeActive = true;
    }
    // Centres the view at 1 m per pixel so that the page point of model (x, y) is
    // (W/2 + x - cx, H/2 - (y - cy)).
    void view(double cx, double cy, double scale = OneMetrePerPixel) {
        form->Projection()->ChangeProjection(cx, cy, scale);
    }
    // The stand map under another name and folder.
    static MapDesc standMapAs(const QString& name, const QString& dir) {
        MapDesc m = standMap();
        m.name = name;
        m.dir = dir;
        return m;
    }
    // Missing and refused tiles show magenta.
    void magentaPlaceholder() {
        QImage magenta(8, 8, QImage::Format_ARGB32_Premultiplied);
        magenta.fill(Qt::magenta);
        map().SetPlaceholder(magenta);
    }
    // The picture's colour at model (x, y).
    QColor at(double x, double y) {
        return pixel(*form, form->Projection()->GetPageX(x), form->Projection()->GetPageY(y));
    }
    QString tileName(int level, int c, int r) {
        const RMap& m = map().Maps[size_t(map().ActualMap)];
        return m.TileFileName(m.TileMatrixSet[size_t(level)], c, r);
    }
    std::unique_ptr<TMainForm> form;
};

TEST_F(TilesTest, LevelFollowsTheScale) {
    MapDesc m;
    m.name = QStringLiteral("Úrovně");
    m.dir = QStringLiteral("u");
    m.matrices = {Matrix::grid(QStringLiteral("A"), 0, 0, 2000, 2, 2),
                  Matrix::grid(QStringLiteral("B"), 0, 0, 1000, 4, 4),
                  Matrix::grid(QStringLiteral("C"), 0, 0, 500, 8, 8)};
    load(makeMapDir(QStringLiteral("maps"), {m}));
    const std::pair<double, int> cases[] = {
        {OneMetrePerPixel, 2},     // 2000, 1000, 500 pixels: the third is the first within 500
        {4 * OneMetrePerPixel, 0}, // 4 m per pixel: the first measures 500 pixels
        {2 * OneMetrePerPixel, 1},
        {1000, 2}, // nothing within 500 pixels: the last one stays
    };
    for (const auto& [scale, level] : cases) {
        view(1000, 1000, scale);
        map().Review();
        EXPECT_EQ(map().ActualTileMatrix, level) << scale;
    }
}

TEST_F(TilesTest, TilePixelsLandWhereTheGridSaysAndOverlapGoesToTheLaterTile) {
    MapDesc m;
    m.name = QStringLiteral("Mřížka");
    m.dir = QStringLiteral("g");
    // 100 m tiles overlapping by 10 m: tile c starts at 90 c.
    m.matrices = {Matrix::grid(QStringLiteral("G"), -600000, -1100000, 100, 5, 3, 10)};
    load(makeMapDir(QStringLiteral("maps"), {m}));
    const double cx = -599800, cy = -1099870;
    view(cx, cy);
    const int W = ctl<ui::TImageControl>(form, "Image")->Bitmap().width(),
              H = ctl<ui::TImageControl>(form, "Image")->Bitmap().height();
    auto pageX = [&](double x) { return int(W / 2 + (x - cx)); };
    auto pageY = [&](double y) { return int(H / 2 - (y - cy)); };
    ASSERT_EQ(form->Projection()->GetPageX(-599900), pageX(-599900));
    ASSERT_EQ(form->Projection()->GetPageY(-1099900), pageY(-1099900));
    map().Review();
    EXPECT_EQ(map().ReviewsDone, 1);
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 3; ++r) {
            // The middle of the part that no later tile covers.
            const double x = -600000 + 90 * c + 45, y = -1100000 + 90 * r + 45;
            EXPECT_EQ(pixel(*form, pageX(x), pageY(y)), tileColor(0, c, r)) << c << "," << r;
        }
    // The 10 m strip shared by tiles 0 and 1 shows tile 1 (drawn later); just west of it, tile 0.
    EXPECT_EQ(pixel(*form, pageX(-600000 + 95), pageY(-1100000 + 40)), tileColor(0, 1, 0));
    EXPECT_EQ(pixel(*form, pageX(-600000 + 88), pageY(-1100000 + 40)), tileColor(0, 0, 0));
    // The grid ends at 5 x 90 + 10 = 460 m: east of it the background.
    EXPECT_EQ(pixel(*form, pageX(-600000 + 465), pageY(-1100000 + 40)), QColor(Qt::black));
    EXPECT_EQ(pixel(*form, pageX(-600000 + 455), pageY(-1100000 + 40)), tileColor(0, 4, 0));
    // South and west of the grid: background strips.
    EXPECT_EQ(pixel(*form, pageX(-600000 - 5), pageY(-1100000 + 40)), QColor(Qt::black));
    EXPECT_EQ(pixel(*form, pageX(-600000 + 40), pageY(-1100000 - 5)), QColor(Qt::black));
    EXPECT_EQ(map().Tiles.Count(), 15);
    EXPECT_FALSE(map().Reviewing);
    for (TReviewSlot slot : map().Reviews) EXPECT_EQ(slot, TReviewSlot::Free);
    EXPECT_EQ(form->MapCanvas().Bm(), ctl<ui::TImageControl>(form, "Image")->Bitmap())
        << "the snapshot is the finished picture";
}

TEST_F(TilesTest, OnlyTilesThatOverlapTheViewAreTouched) {
    MapDesc m;
    m.name = QStringLiteral("Velká");
    m.dir = QStringLiteral("v");
    m.matrices = {Matrix::grid(QStringLiteral("V"), 0, 0, 100, 100, 100)};
    load(makeMapDir(QStringLiteral("maps"), {}));
    writeText(path(QStringLiteral("maps/Tiles.xml")), tilesXml({m})); // no tile files: placeholders
    load(path(QStringLiteral("maps")));
    const int W = ctl<ui::TImageControl>(form, "Image")->Bitmap().width(),
              H = ctl<ui::TImageControl>(form, "Image")->Bitmap().height();
    ASSERT_EQ(W % 2, 0);
    ASSERT_EQ(H % 2, 0);
    // The view's east edge lies exactly on the west edge of column 30, its north edge on the
    // south edge of row 20: those tiles touch the view and are not drawn.
    view(3000 - W / 2.0, 2000 - H / 2.0);
    map().Review();
    const TDoubleRect v = form->Projection()->GetModelView();
    ASSERT_EQ(v.MaxX, 3000);
    ASSERT_EQ(v.MaxY, 2000);
    EXPECT_NE(map().Tiles.Find(tileName(0, 29, 19)), nullptr);
    EXPECT_EQ(map().Tiles.Find(tileName(0, 30, 19)), nullptr);
    EXPECT_EQ(map().Tiles.Find(tileName(0, 29, 20)), nullptr);
    const int columns = 30 - int(std::floor(v.MinX / 100)), rows = 20 - int(std::floor(v.MinY / 100));
    EXPECT_EQ(map().Tiles.Count(), columns * rows) << "every overlapping tile once, no other";
}

TEST_F(TilesTest, AViewOutsideTheMapShowsTheBackgroundOnly) {
    load(makeMapDir(QStringLiteral("maps"), {standMap()}));
    int layers = 0;
    form->MapCanvas().SetSimplePass(TDrawPass::UserAreas, [&] { ++layers; });
    form->Canvas()->Clear(0xFFFFFFFF);
    view(0, 0);
    map().Review();
    const QImage& picture = ctl<ui::TImageControl>(form, "Image")->Bitmap();
    for (int y = 0; y < picture.height(); y += 37)
        for (int x = 0; x < picture.width(); x += 41)
            ASSERT_EQ(picture.pixel(x, y), 0xFF000000u) << x << "," << y;
    EXPECT_EQ(map().Tiles.Count(), 0);
    EXPECT_EQ(layers, 1) << "the layers are still drawn over the background";
}

TEST_F(TilesTest, MissingAndUnreadableTilesShowThePlaceholder) {
    MapDesc m = standMap();
    const QString dir = makeMapDir(QStringLiteral("maps"), {m});
    QFile::remove(dir + QStringLiteral("/porostni/L1_1-0.png"));
    writeBytes(dir + QStringLiteral("/porostni/L1_2-0.png"), QByteArray("not a picture"));
    magentaPlaceholder();
    load(dir);
    view(-599800, -1099800, OneMetrePerPixel / 2); // 400 m tiles measure 800 pixels: the 100 m level
    map().Review();
    ASSERT_EQ(map().ActualTileMatrix, 1);
    EXPECT_EQ(at(-600000 + 150, -1100000 + 50), QColor(Qt::magenta)) << "missing";
    EXPECT_EQ(at(-600000 + 250, -1100000 + 50), QColor(Qt::magenta)) << "unreadable";
    EXPECT_EQ(at(-600000 + 50, -1100000 + 50), tileColor(1, 0, 0));
    EXPECT_EQ(messages(), QStringList()) << "a missing tile is not an error";
    ASSERT_EQ(protocols().size(), 1);
    EXPECT_TRUE(protocols()[0].contains(QStringLiteral("L1_2-0.png")));

    // The cache keeps the placeholder for the name, even once the file appears.
    writeTiles(dir + QStringLiteral("/porostni"), m);
    map().Review();
    EXPECT_EQ(at(-600000 + 150, -1100000 + 50), QColor(Qt::magenta));
    EXPECT_NE(map().Tiles.Find(tileName(1, 1, 0).toUpper()), nullptr) << "lookups ignore letter case";
}

TEST_F(TilesTest, JpegTilesNamedDotJAreDrawn) {
    MapDesc m = standMap();
    m.ext = QStringLiteral("j");
    load(makeMapDir(QStringLiteral("maps"), {m}));
    view(-599800, -1099800, OneMetrePerPixel / 2);
    map().Review();
    ASSERT_EQ(map().ActualTileMatrix, 1);
    // The middle of tile (1, 3) of the fine level.
    const QColor c = pixel(*form, form->Projection()->GetPageX(-600000 + 150),
                           form->Projection()->GetPageY(-1100000 + 350));
    const QColor want = tileColor(1, 1, 3);
    EXPECT_NEAR(c.red(), want.red(), 6);
    EXPECT_NEAR(c.green(), want.green(), 6);
    EXPECT_NEAR(c.blue(), want.blue(), 6);
    EXPECT_EQ(protocols(), QStringList());
}

TEST_F(TilesTest, SubdirectoryDescriptionReplacesTheTilesXmlEntryInPlace) {
    const MapDesc a = standMapAs(QStringLiteral("Stará"), QStringLiteral("A"));
    const MapDesc b = standMapAs(QStringLiteral("Druhá"), QStringLiteral("B"));
    const QString dir = makeMapDir(QStringLiteral("maps"), {a, b});
    MapDesc fixed = standMap();
    fixed.name = QStringLiteral("Opravená");
    fixed.matrices = {Matrix::grid(QStringLiteral("F"), -500000, -1000000, 250, 2, 2)};
    addSubdirectoryMap(dir, QStringLiteral("A"), fixed);
    MapDesc extra = standMap();
    extra.name = QStringLiteral("Navíc");
    addSubdirectoryMap(dir, QStringLiteral("C"), extra);
    QDir().mkpath(dir + QStringLiteral("/D")); // no MapTiles.xml: skipped
    load(dir);
    ASSERT_EQ(map().Maps.size(), 3u);
    EXPECT_EQ(map().Maps[0].MapName, QStringLiteral("Opravená"));
    EXPECT_EQ(map().Maps[0].MapDir, dir + QStringLiteral("/A/"));
    ASSERT_EQ(map().Maps[0].TileMatrixSet.size(), 1u);
    EXPECT_EQ(map().Maps[0].TileMatrixSet[0].ID, QStringLiteral("F"));
    EXPECT_EQ(map().Maps[0].MinX, -500000);
    EXPECT_EQ(map().Maps[0].MaxX, -499500);
    EXPECT_EQ(map().Maps[2].MapName, QStringLiteral("Navíc"));
    const QStringList names{QStringLiteral("Opravená"), QStringLiteral("Druhá"), QStringLiteral("Navíc")};
    ASSERT_EQ(ctl<QComboBox>(form, "MapCombo")->count(), 3);
    ASSERT_EQ(ctl<QListWidget>(form, "MapListBox")->count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ctl<QComboBox>(form, "MapCombo")->itemText(i), names[i]);
        EXPECT_EQ(ctl<QListWidget>(form, "MapListBox")->item(i)->text(), names[i]);
    }
    EXPECT_EQ(ctl<QLabel>(form, "l_Progress")->text(), QStringLiteral("Příprava mapy Navíc"));
}

TEST_F(TilesTest, MatrixNumbersAndUnusableLevels) {
    MapDesc m;
    m.name = QStringLiteral("Čísla");
    m.dir = QStringLiteral("n");
    Matrix odd = Matrix::grid(QStringLiteral("X"), 0, 0, 100, 2, 2, 0);
    odd.minX = QStringLiteral("12a"); // not an integer: 0
    odd.minY = QStringLiteral("-50");
    odd.overX = QStringLiteral("2.5");
    Matrix flat = Matrix::grid(QStringLiteral("Y"), 0, 0, 100, 2, 2);
    flat.overX = QStringLiteral("100"); // tiles no wider than their overlap: the grid never moves on
    Matrix empty = Matrix::grid(QStringLiteral("Z"), 0, 0, 100, 0, 2);
    Matrix escape = Matrix::grid(QStringLiteral("../../etc/x"), 0, 0, 100, 2, 2);
    m.matrices = {odd, flat, empty, escape};
    load(makeMapDir(QStringLiteral("maps"), {}));
    writeText(path(QStringLiteral("maps/Tiles.xml")), tilesXml({m}));
    load(path(QStringLiteral("maps")));
    ASSERT_EQ(map().Maps.size(), 1u);
    const RMap& r = map().Maps[0];
    ASSERT_EQ(r.TileMatrixSet.size(), 1u);
    const RTileMatrix& x = r.TileMatrixSet[0];
    EXPECT_EQ(x.MinX, 0);
    EXPECT_EQ(x.MinY, -50);
    EXPECT_EQ(x.OverX, 2.5);
    EXPECT_EQ(x.MaxX, 2 * 100 - 2.5);
    EXPECT_EQ(x.MaxY, 150);
    EXPECT_EQ(r.MaxX, 197.5);
    EXPECT_EQ(protocols().size(), 3);
}

// Damaged map descriptions (tests/fixtures/damaged): a level too fine for the view is not drawn,
// one reaching beyond any coordinate is left out with a message; the project opens either way and
// a redraw reads no more tiles than fit the window.
TEST_F(TilesTest, DamagedMatricesOpenAndARedrawReadsOnlyWhatFitsTheWindow) {
    struct Case {
        const char* project;
        bool levelKept;
    };
    const Case cases[] = {{"fine-1000x1000", true},
                          {"overlap-4096", true},
                          {"huge-matrix", false},
                          {"int-limits", false},
                          {"int-limits-low", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.project);
        recordingNotifier()->clear();
        const QString source = QStringLiteral(ZELTO_FIXTURES "/damaged/") + QLatin1String(c.project);
        const QString dir = path(QLatin1String(c.project));
        QDir().mkpath(dir + QStringLiteral("/maps"));
        for (const char* file : {"/project.opx", "/maps/Tiles.xml"})
            ASSERT_TRUE(QFile::copy(source + QLatin1String(file), dir + QLatin1String(file)));
        const int done = map().ReviewsDone;
        ASSERT_TRUE(form->LoadProject(dir + QStringLiteral("/project.opx")));
        EXPECT_EQ(map().ReviewsDone, done + 1) << "the first redraw completed";
        ASSERT_EQ(map().Maps.size(), 1u);
        EXPECT_EQ(map().Maps[0].TileMatrixSet.size(), c.levelKept ? 1u : 0u);
        if (!c.levelKept) {
            ASSERT_EQ(messages().size(), 1);
            EXPECT_TRUE(messages()[0].contains(QLatin1String(c.project)));
        }
        // The whole map in view: at most a few pixels a tile, nothing to read.
        EXPECT_EQ(map().Tiles.Count(), 0);
    }

    // Closer in, the 1 m tiles measure 20 pixels: only the tiles of the window are read.
    const int W = ctl<ui::TImageControl>(form, "Image")->Bitmap().width(),
              H = ctl<ui::TImageControl>(form, "Image")->Bitmap().height();
    ASSERT_TRUE(form->LoadProject(path(QStringLiteral("fine-1000x1000/project.opx"))));
    view(-599500, -1099500, OneMetrePerPixel / 20);
    map().Review();
    EXPECT_EQ(map().ActualTileMatrix, 0);
    EXPECT_GT(map().Tiles.Count(), 0);
    EXPECT_LE(map().Tiles.Count(), (W / 20 + 2) * (H / 20 + 2));
    // Tiles of 4096 m that move on by a micrometre: never drawn, however close.
    ASSERT_TRUE(form->LoadProject(path(QStringLiteral("overlap-4096/project.opx"))));
    view(-599000, -1099000, OneMetrePerPixel / 1000);
    map().Review();
    EXPECT_EQ(map().Tiles.Count(), 0);
}

// Names and folders from a map file are text, never markup: a name holding an image tag would
// otherwise make the label load that file.
TEST_F(TilesTest, NamesAndFoldersFromTheMapFileAreShownAsPlainText) {
    const QString name = QStringLiteral("<img src='%1'><b>Mapa</b>").arg(path(QStringLiteral("secret.png")));
    const QString dir = QStringLiteral("../<img src='x.png'>");
    MapDesc good = standMap();
    good.name = name;
    MapDesc outside = standMap();
    outside.name = QStringLiteral("<i>Ven</i>");
    outside.dir = dir;
    const QString mapDir = makeMapDir(QStringLiteral("maps"), {outside});
    addSubdirectoryMap(mapDir, QStringLiteral("sub"), good); // read last: its name stays in the label
    load(mapDir);
    auto* progress = ctl<QLabel>(form, "l_Progress");
    EXPECT_EQ(progress->textFormat(), Qt::PlainText);
    EXPECT_EQ(progress->text(), QStringLiteral("Příprava mapy ") + name);
    EXPECT_EQ(ctl<QComboBox>(form, "MapCombo")->itemText(0), name);
    EXPECT_EQ(ctl<QListWidget>(form, "MapListBox")->item(0)->text(), name);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("<i>Ven</i>"))) << messages()[0].toStdString();
    EXPECT_TRUE(messages()[0].contains(dir)) << messages()[0].toStdString();
    // The layer detail (layer names) too.
    EXPECT_EQ(ctl<QLabel>(form, "tab_Layers_LayerDetail")->textFormat(), Qt::PlainText);
    // A tool tip is markup by nature: the text comes back from it unchanged.
    const QString detail = QStringLiteral("Vrstva <img src='x.png'> & spol.\ndruhý řádek");
    QTextDocument tip;
    tip.setHtml(plainToolTip(detail));
    EXPECT_EQ(tip.toPlainText(), detail);
    EXPECT_TRUE(Qt::mightBeRichText(plainToolTip(detail)));
}

// Links in the map directory are followed only while they stay inside it: a tile, a tile folder
// or a map folder that leads outside is not read from there.
TEST_F(TilesTest, LinksLeadingOutOfTheMapDirectoryAreNotFollowed) {
    MapDesc m = standMap();
    const QString outside = path(QStringLiteral("elsewhere"));
    writeTiles(outside, m); // tiles of the same names, outside the map directory
    const MapDesc linkedFolder = standMapAs(QStringLiteral("Odkaz ven"), QStringLiteral("ven"));
    const MapDesc inside = standMapAs(QStringLiteral("Odkaz uvnitř"), QStringLiteral("uvnitr"));
    const QString dir = makeMapDir(QStringLiteral("maps"), {m});
    writeText(dir + QStringLiteral("/Tiles.xml"), tilesXml({m, linkedFolder, inside}));
    ASSERT_TRUE(QFile::link(outside, dir + QStringLiteral("/ven")));
    ASSERT_TRUE(QFile::link(dir + QStringLiteral("/porostni"), dir + QStringLiteral("/uvnitr")));
    // A map folder that is a link to a folder outside with its own description.
    addSubdirectoryMap(path(QStringLiteral("elsewhere2")), QString(), standMap());
    ASSERT_TRUE(QFile::link(path(QStringLiteral("elsewhere2")), dir + QStringLiteral("/podslozka")));
    // One tile of the shown map is a link to a picture outside.
    const QString tile = dir + QStringLiteral("/porostni/L1_1-0.png");
    ASSERT_TRUE(QFile::remove(tile));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/L1_1-0.png"), tile));
    magentaPlaceholder();

    load(dir);
    ASSERT_EQ(map().Maps.size(), 2u);
    EXPECT_EQ(map().Maps[0].MapName, m.name);
    EXPECT_EQ(map().Maps[1].MapName, inside.name) << "a link that stays inside is followed";
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(linkedFolder.name)) << messages()[0].toStdString();
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("podslozka"))) << messages()[0].toStdString();

    view(-599800, -1099800, OneMetrePerPixel / 2);
    map().Review();
    ASSERT_EQ(map().ActualTileMatrix, 1);
    EXPECT_EQ(at(-600000 + 150, -1100000 + 50), QColor(Qt::magenta)) << "the linked tile is not read";
    EXPECT_EQ(at(-600000 + 250, -1100000 + 50), tileColor(1, 2, 0));
    ASSERT_EQ(protocols().size(), 1);
    EXPECT_TRUE(protocols()[0].contains(QStringLiteral("L1_1-0.png")));
}

TEST(TileCache, StaysWithinItsBudgetLettingGoOfTheLeastRecentlyUsed) {
    QImage tile(100, 100, QImage::Format_ARGB32_Premultiplied); // 40,000 bytes
    tile.fill(Qt::red);
    auto picture = [&] { return tile.copy(); };
    TTileCache cache;
    cache.SetBudget(100'000);
    cache.Add(QStringLiteral("a"), picture());
    cache.Add(QStringLiteral("b"), picture());
    ASSERT_NE(cache.Find(QStringLiteral("A")), nullptr); // a is now the most recently used
    cache.Add(QStringLiteral("c"), picture());
    EXPECT_EQ(cache.Count(), 2);
    EXPECT_LE(cache.Bytes(), cache.Budget());
    EXPECT_NE(cache.Find(QStringLiteral("a")), nullptr);
    EXPECT_EQ(cache.Find(QStringLiteral("b")), nullptr) << "the least recently used went";
    EXPECT_NE(cache.Find(QStringLiteral("c")), nullptr);
    // A picture larger than the whole budget is still kept, alone.
    const QImage& big =
        cache.Add(QStringLiteral("big"), QImage(400, 400, QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(big.width(), 400);
    EXPECT_EQ(cache.Count(), 1);
    // Pictures shared with others (the placeholder) cost little: many fit.
    for (int i = 0; i < 100; ++i) cache.Add(QString::number(i), tile);
    EXPECT_EQ(cache.Count(), 100);
    cache.Clear();
    EXPECT_EQ(cache.Bytes(), 0);
}

TEST_F(TilesTest, ARedrawOfManyTilesKeepsTheCacheWithinItsBudget) {
    MapDesc m;
    m.name = QStringLiteral("Mnoho");
    m.dir = QStringLiteral("m");
    m.matrices = {Matrix::grid(QStringLiteral("M"), 0, 0, 20, 30, 30)};
    load(makeMapDir(QStringLiteral("maps"), {m}));
    map().Tiles.SetBudget(50 * (16 * 16 * 4 + 256)); // 50 of the 16 x 16 tiles
    view(300, 300);
    map().Review();
    EXPECT_EQ(map().ReviewsDone, 1);
    EXPECT_LE(map().Tiles.Bytes(), map().Tiles.Budget());
    EXPECT_LE(map().Tiles.Count(), 50);
    // The last tile painted is still there; the picture holds the first ones as well.
    EXPECT_EQ(pixel(*form, form->Projection()->GetPageX(10), form->Projection()->GetPageY(10)),
              tileColor(0, 0, 0));
}

TEST_F(TilesTest, BadMapFilesAreReportedAndTheRestIsRead) {
    const QString dir = path(QStringLiteral("maps"));
    writeText(dir + QStringLiteral("/Tiles.xml"), QStringLiteral("<Maps><Map><name>x</name>"));
    MapDesc good = standMap();
    addSubdirectoryMap(dir, QStringLiteral("dobra"), good);
    writeText(dir + QStringLiteral("/spatna/MapTiles.xml"), QStringLiteral("<Map><name>"));
    MapDesc outside = standMap();
    outside.name = QStringLiteral("Ven");
    outside.dir = QStringLiteral("../../jinde");
    load(dir);
    ASSERT_EQ(map().Maps.size(), 1u);
    EXPECT_EQ(map().Maps[0].MapName, good.name);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("Tiles.xml")));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("MapTiles.xml")));

    recordingNotifier()->clear();
    writeText(dir + QStringLiteral("/Tiles.xml"), tilesXml({outside}));
    load(dir);
    ASSERT_EQ(map().Maps.size(), 1u) << "a map whose tiles lie outside the map directory is left out";
    ASSERT_EQ(messages().size(), 1) << "the problems of one reading are shown together";
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("Ven")));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("spatna")));
}

TEST_F(TilesTest, SwitchingTheMapSelectsItInBothListsAndRedrawsInPlace) {
    MapDesc second = standMap();
    second.name = QStringLiteral("Druhá");
    second.dir = QStringLiteral("druha");
    load(makeMapDir(QStringLiteral("maps"), {standMap(), second}));
    view(-599800, -1099800, 2 * OneMetrePerPixel);
    form->b_MenuClick();
    const int done = map().ReviewsDone;
    ctl<QComboBox>(form, "MapCombo")->setCurrentIndex(1);
    EXPECT_EQ(map().ActualMap, 1);
    EXPECT_EQ(ctl<QListWidget>(form, "MapListBox")->currentRow(), 1);
    EXPECT_FALSE(form->IsDrawerOpen());
    EXPECT_EQ(map().ReviewsDone, done + 1);
    EXPECT_EQ(form->Projection()->GetCenterX(), -599800);
    EXPECT_EQ(form->Projection()->GetScale(), 2 * OneMetrePerPixel);

    emit ctl<QListWidget>(form, "MapListBox")->itemClicked(ctl<QListWidget>(form, "MapListBox")->item(0));
    EXPECT_EQ(map().ActualMap, 0);
    EXPECT_EQ(ctl<QComboBox>(form, "MapCombo")->currentIndex(), 0);
    EXPECT_EQ(map().ReviewsDone, done + 2);

    map().MapChangeActive = false; // while the lists are filled nothing switches
    ctl<QComboBox>(form, "MapCombo")->setCurrentIndex(1);
    EXPECT_EQ(map().ActualMap, 0);
}

TEST_F(TilesTest, NothingIsDrawnInTheBackgroundAndOnceOnReturn) {
    load(makeMapDir(QStringLiteral("maps"), {standMap()}));
    view(-599800, -1099800);
    m_appEvents->send(platform::AppEvent::EnteredBackground);
    EXPECT_TRUE(internals(*form).Application_Background);
    map().Review();
    TMessageBus::instance().publish(nullptr,
                                    TZeltoMessage::CreateAll(tm_ReView, nullptr, nullptr, nullptr, false));
    EXPECT_EQ(map().ReviewsDone, 0);
    m_appEvents->send(platform::AppEvent::BecameActive);
    EXPECT_EQ(map().ReviewsDone, 1);
    m_appEvents->send(platform::AppEvent::BecameActive);
    EXPECT_EQ(map().ReviewsDone, 1) << "only a return from the background redraws";
    TMessageBus::instance().publish(nullptr,
                                    TZeltoMessage::CreateAll(tm_ReView, nullptr, nullptr, nullptr, false));
    EXPECT_EQ(map().ReviewsDone, 2) << "message 34 without data redraws";
}

// A redraw paints in slices from the event loop. Input and a second redraw that arrive meanwhile
// are handled between two slices, never inside one: the tap waits, the second redraw cancels the
// first and completes the picture itself.
TEST_F(AppTest, ATapAndASecondRedrawDuringARedrawRunBetweenItsSlices) {
    MapRig rig;
    MapDesc m;
    m.name = QStringLiteral("Vnoření");
    m.dir = QStringLiteral("n");
    m.matrices = {Matrix::grid(QStringLiteral("N"), 0, 0, 100, 40, 40)};
    rig.TiledMap().LoadMap(makeMapDir(QStringLiteral("maps"), {m}));
    rig.Projection()->ChangeProjection(2000, 2000, 2 * OneMetrePerPixel);
    TMapCanvas& canvas = rig.MapCanvas();
    canvas.SetSliceBudgetMs(0); // one tile a slice
    int layersDrawn = 0, cancelled = 0;
    canvas.SetSimplePass(TDrawPass::UserAreas, [&] { ++layersDrawn; });
    rig.TiledMap().Reviews.fill(TReviewSlot::Free);
    const auto onCancelled = canvas.OnCancelled;
    canvas.OnCancelled = [&] {
        ++cancelled;
        onCancelled();
    };
    std::vector<bool> tapInsideSlice, reviewInsideSlice;
    rig.Navigation().Hooks.ImageTap = [&](float, float) { tapInsideSlice.push_back(canvas.InSlice()); };

    rig.TiledMap().Review();
    ASSERT_TRUE(rig.TiledMap().Reviewing) << "the redraw goes on from the event loop";
    EXPECT_EQ(std::count(rig.TiledMap().Reviews.begin(), rig.TiledMap().Reviews.end(), TReviewSlot::Running),
              1);
    // A tap (a real click on the overlay) and a second redraw arrive while it runs.
    const QPointF at(300, 200);
    QCoreApplication::postEvent(rig.Image_edit,
                                new QMouseEvent(QEvent::MouseButtonPress, at, rig.Image_edit->mapToGlobal(at),
                                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        rig.Image_edit, new QMouseEvent(QEvent::MouseButtonRelease, at, rig.Image_edit->mapToGlobal(at),
                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        reviewInsideSlice.push_back(canvas.InSlice());
        rig.TiledMap().Review();
    });
    ASSERT_TRUE(waitUntil([&] { return !rig.TiledMap().Reviewing && !reviewInsideSlice.empty(); }, 10000));

    ASSERT_EQ(tapInsideSlice.size(), 1u);
    EXPECT_FALSE(tapInsideSlice[0]);
    ASSERT_EQ(reviewInsideSlice.size(), 1u);
    EXPECT_FALSE(reviewInsideSlice[0]);
    EXPECT_EQ(cancelled, 1) << "the second redraw cancelled the first";
    EXPECT_EQ(rig.TiledMap().ReviewsDone, 1) << "only the second one completed the picture";
    EXPECT_EQ(layersDrawn, 1);
    for (TReviewSlot slot : rig.TiledMap().Reviews) EXPECT_EQ(slot, TReviewSlot::Free);
    // The picture is the whole view: the tile under the centre is painted.
    EXPECT_NE(rig.TiledMap().Tiles.Find(
                  rig.TiledMap().Maps[0].TileFileName(rig.TiledMap().Maps[0].TileMatrixSet[0], 20, 20)),
              nullptr);
}

// A pass that asks for a redraw (a layer changed while it was painted) gets one after its slice:
// the running redraw starts over instead of nesting.
TEST_F(AppTest, ARedrawAskedForInsideAPassStartsOverAfterTheSlice) {
    MapRig rig;
    rig.TiledMap().LoadMap(makeMapDir(QStringLiteral("maps"), {standMap()}));
    rig.Projection()->ChangeProjection(-599800, -1099800, OneMetrePerPixel);
    int passes = 0;
    rig.MapCanvas().SetSimplePass(TDrawPass::UserObjects, [&] {
        if (++passes == 1) {
            EXPECT_TRUE(rig.MapCanvas().InSlice());
            EXPECT_FALSE(rig.MapCanvas().Redraw()) << "not nested";
        }
    });
    rig.TiledMap().Review();
    ASSERT_TRUE(waitUntil([&] { return !rig.MapCanvas().Running(); }, 10000));
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(rig.MapCanvas().Completed(), 1);
}

TEST_F(TilesTest, ResizingKeepsCentreAndScaleAndRedraws) {
    load(makeMapDir(QStringLiteral("maps"), {standMap()}));
    form->show();
    view(-599800, -1099800, 2 * OneMetrePerPixel);
    const int done = map().ReviewsDone;
    form->resize(900, 640);
    QCoreApplication::processEvents();
    EXPECT_EQ(ctl<ui::TImageControl>(form, "Image")->Bitmap().size(),
              ctl<ui::TImageControl>(form, "Image")->DeviceSize());
    EXPECT_EQ(ctl<ui::TImageControl>(form, "Image")->width(), 900);
    EXPECT_EQ(form->Projection()->GetPage()->GetWidth(),
              ctl<ui::TImageControl>(form, "Image")->Bitmap().width());
    EXPECT_EQ(form->Projection()->GetCenterX(), -599800);
    EXPECT_EQ(form->Projection()->GetScale(), 2 * OneMetrePerPixel);
    EXPECT_GT(map().ReviewsDone, done);
    EXPECT_EQ(form->MapCanvas().Bm().size(), ctl<ui::TImageControl>(form, "Image")->Bitmap().size());
    EXPECT_LE(ctl<ui::TPanel>(form, "ks_ActionLayout")->width(), 400);
}

} // namespace
} // namespace apptest
