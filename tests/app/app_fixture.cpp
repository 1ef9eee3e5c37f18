#include "app_fixture.h"

#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "stream_files.h"

#include "forest/e_LHCModel.h"
#include "geometry/e_Geometry.h"

#include <QImageWriter>
#include <QSaveFile>

namespace apptest {

using namespace zelto;

namespace {

QString escaped(const QString& s) {
    return s.toHtmlEscaped();
}

} // namespace

QString mapElement(const MapDesc& map, bool withDir) {
    QString xml =
        QStringLiteral("<Map><name>%1</name><ext>%2</ext>").arg(escaped(map.name), escaped(map.ext));
    if (withDir) xml += QStringLiteral("<dir>%1</dir>").arg(escaped(map.dir));
    xml += QStringLiteral("<TileMatrixSet>");
    for (const Matrix& m : map.matrices)
        xml += QStringLiteral("<TileMatrix><ID>%1</ID><MinX>%2</MinX><MinY>%3</MinY><TileWidth>%4</TileWidth>"
                              "<TileHeight>%5</TileHeight><OverX>%6</OverX><OverY>%7</OverY>"
                              "<MatrixWidth>%8</MatrixWidth><MatrixHeight>%9</MatrixHeight></TileMatrix>")
                   .arg(escaped(m.id), m.minX, m.minY, m.tileWidth, m.tileHeight, m.overX, m.overY,
                        m.matrixWidth, m.matrixHeight);
    xml += QStringLiteral("</TileMatrixSet></Map>");
    return xml;
}

QString tilesXml(const std::vector<MapDesc>& maps) {
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Maps>");
    for (const MapDesc& m : maps) xml += mapElement(m, true);
    return xml + QStringLiteral("</Maps>\n");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

void writeText(const QString& path, const QString& text) {
    writeBytes(path, text.toUtf8());
}

void writeTiles(const QString& dir, const MapDesc& map, int pixels) {
    QDir().mkpath(dir);
    const QByteArray format = map.ext == QLatin1String("j") ? QByteArray("jpeg") : map.ext.toLatin1();
    for (size_t level = 0; level < map.matrices.size(); ++level) {
        const Matrix& m = map.matrices[level];
        for (int c = 0; c < m.matrixWidth.toInt(); ++c)
            for (int r = 0; r < m.matrixHeight.toInt(); ++r) {
                QImage tile(pixels, pixels, QImage::Format_RGB32);
                tile.fill(tileColor(int(level), c, r));
                const QString name =
                    QStringLiteral("%1/%2_%3-%4.%5").arg(dir, m.id).arg(c).arg(r).arg(map.ext);
                QImageWriter writer(name, format);
                ASSERT_TRUE(writer.write(tile)) << name.toStdString() << writer.errorString().toStdString();
            }
    }
}

QString projectXml(const std::vector<std::pair<QString, QString>>& entries) {
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project>");
    for (const auto& [layer, file] : entries)
        xml += QStringLiteral("<Entry><Layer>%1</Layer><File>%2</File></Entry>")
                   .arg(escaped(layer), escaped(file));
    return xml + QStringLiteral("</Project>\n");
}

void AppTest::SetUp() {
    ASSERT_TRUE(m_temp.isValid());
    QDir().mkpath(publicDir());
    QDir().mkpath(path(QStringLiteral("downloads")));
    auto folders =
        std::make_unique<platform::FakeStorageFolders>(publicDir(), path(QStringLiteral("downloads")));
    m_folders = folders.get();
    platform::setStorageFolders(std::move(folders));
    auto events = std::make_unique<platform::FakeAppEventService>();
    m_appEvents = events.get();
    platform::setAppEventService(std::move(events));
    // Positions come only from the test.
    platform::setLocationSource(std::make_unique<platform::InjectedLocationSource>());
    recordingNotifier()->clear();
}

void AppTest::TearDown() {
    platform::setStorageFolders(nullptr);
    platform::setAppEventService(nullptr);
    platform::setLocationSource(nullptr);
}

QString AppTest::makeMapDir(const QString& relative, const std::vector<MapDesc>& maps) {
    const QString dir = path(relative);
    QDir().mkpath(dir);
    writeText(dir + QStringLiteral("/Tiles.xml"), tilesXml(maps));
    for (const MapDesc& m : maps) writeTiles(dir + QLatin1Char('/') + m.dir, m);
    return dir;
}

void AppTest::addSubdirectoryMap(const QString& mapDir, const QString& sub, const MapDesc& map) {
    const QString dir = mapDir + QLatin1Char('/') + sub;
    writeTiles(dir, map);
    writeText(dir + QStringLiteral("/MapTiles.xml"),
              QStringLiteral("<?xml version=\"1.0\"?>\n") + mapElement(map, false));
}

namespace {

TAreaElement* squareArea(double x, double y, double side) {
    auto* a = new TAreaElement;
    a->AddXY(x, y);
    a->AddXY(x, y + side);
    a->AddXY(x + side, y + side);
    a->AddXY(x + side, y);
    a->AddXY(x, y);
    a->RecalculateRect();
    return a;
}

template <class T> T* item(Tgis_ItemsForestUnit* parent, const QString& name) {
    return static_cast<T*>(parent->CreateItemName(name));
}
template <class T> T* numbered(Tgis_ItemsForestUnit* parent, qint32 number) {
    return static_cast<T*>(parent->CreateItemCislo(number));
}

} // namespace

void writeForest(const QString& file) {
    const double x0 = TestForest::X0, y0 = TestForest::Y0;
    Tgis_ForestModel model;
    auto* lhc = new Tgis_LHC;
    lhc->FCislo = 612001;
    model.AddElement(lhc);
    auto* ls1 = numbered<Tgis_LS>(lhc, 1);
    auto* ls2 = numbered<Tgis_LS>(lhc, 2);
    auto* p11 = item<Tgis_Porost>(item<Tgis_Dilec>(numbered<Tgis_Oddeleni>(ls1, 1), "a"), "1");
    item<Tgis_PorostniSkupina>(p11, "1a")->AddGeometry(squareArea(x0, y0, 100));
    item<Tgis_PorostniSkupina>(p11, "2")->AddGeometry(squareArea(x0 + 100, y0, 100));
    auto* p21 = item<Tgis_Porost>(item<Tgis_Dilec>(numbered<Tgis_Oddeleni>(ls1, 2), "a"), "1");
    item<Tgis_PorostniSkupina>(p21, "1")->AddGeometry(squareArea(x0, y0 + 200, 100));
    auto* p53 = item<Tgis_Porost>(item<Tgis_Dilec>(numbered<Tgis_Oddeleni>(ls2, 5), "b"), "3");
    auto* g1 = item<Tgis_PorostniSkupina>(p53, "1");
    TAreaElement* holed = squareArea(x0 + 300, y0, 200);
    holed->AddHole(squareArea(x0 + 350, y0 + 50, 100));
    g1->AddGeometry(holed);
    g1->AddGeometry(squareArea(x0 + 550, y0, 50));
    item<Tgis_PorostniSkupina>(p53, "2")->AddGeometry(squareArea(x0 + 700, y0 + 300, 10));
    model.UpdateAll();
    QDir().mkpath(QFileInfo(file).absolutePath());
    zelto::testing::saveTo(&model, file);
}

QString AppTest::makeProject(const QString& relative, const std::vector<MapDesc>& maps) {
    const QString opx = path(relative);
    const QString dir = QFileInfo(opx).absolutePath();
    makeMapDir(QDir(path(QString())).relativeFilePath(dir + QStringLiteral("/maps")), maps);
    const QString forest = QFileInfo(opx).completeBaseName() + QStringLiteral("_lhc.zlt");
    if (!QFileInfo::exists(QDir(dir).filePath(forest))) writeForest(QDir(dir).filePath(forest));
    writeText(opx,
              projectXml({{QStringLiteral("Map"), QStringLiteral("maps")}, {QStringLiteral("Det"), forest}}));
    return opx;
}

MapDesc standMap() {
    MapDesc m;
    m.name = QStringLiteral("Porostní mapa");
    m.dir = QStringLiteral("porostni");
    // A coarse level of 400 m tiles and a fine one of 100 m tiles over the same 800 x 400 m.
    m.matrices = {Matrix::grid(QStringLiteral("L0"), -600000, -1100000, 400, 2, 1),
                  Matrix::grid(QStringLiteral("L1"), -600000, -1100000, 100, 8, 4)};
    return m;
}

namespace {

template <class W> W* child(QWidget* parent, const char* name, QRect geometry = QRect()) {
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    if (!geometry.isNull()) w->setGeometry(geometry);
    return w;
}

} // namespace

MapRig::MapRig(QSize size) {
    host.resize(size);
    Image = child<ui::TImageControl>(&host, "Image", QRect(QPoint(0, 0), size));
    Image_Edit_Detail = child<ui::TImageControl>(&host, "Image_Edit_Detail", QRect(QPoint(0, 0), size));
    Image_Edit_Detail->hide();
    Image_edit = child<ui::TImageControl>(&host, "Image_edit", QRect(QPoint(0, 0), size));
    MapCombo = child<QComboBox>(&host, "MapCombo");
    MapListBox = child<QListWidget>(&host, "MapListBox");
    ZoomTimer = new QTimer(&host);
    ZoomTimer->setObjectName(QStringLiteral("ZoomTimer"));
    ZoomTimer->setInterval(500);
    b_plus = child<QPushButton>(&host, "b_plus");
    b_Minus = child<QPushButton>(&host, "b_Minus");
    plus_rect = child<QPushButton>(&host, "plus_rect");
    minus_rect = child<QPushButton>(&host, "minus_rect");
    l_scale = child<QLabel>(&host, "l_scale");
    l_jtsk = child<QLabel>(&host, "l_jtsk");
    l_Text = child<QLabel>(&host, "l_Text");
    ks_l_Delka = child<QLabel>(&host, "ks_l_Delka");
    ks_l_Plocha = child<QLabel>(&host, "ks_l_Plocha");
    // The scale bars as the form lays them out.
    ks_ScaleLayOut = child<QWidget>(&host, "ks_ScaleLayOut", QRect(16, size.height() - 56, 220, 40));
    ks_Scale_R = child<QWidget>(ks_ScaleLayOut, "ks_Scale_R", QRect(12, 24, 100, 3));
    ks_Scale_R2 = child<QWidget>(ks_ScaleLayOut, "ks_Scale_R2", QRect(111, 16, 3, 11));
    ks_l_Scale = child<QLabel>(ks_ScaleLayOut, "ks_l_Scale", QRect(120, 6, 88, 28));
    ScaleLayout = child<QWidget>(&host, "ScaleLayout", QRect(8, size.height() - 96, 220, 40));
    ScaleLayout->hide();
    Rectangle1 = child<QWidget>(ScaleLayout, "Rectangle1", QRect(12, 30, 50, 4));
    Rectangle2 = child<QWidget>(ScaleLayout, "Rectangle2", QRect(62, 30, 50, 4));
    Rectangle3 = child<QWidget>(ScaleLayout, "Rectangle3", QRect(112, 30, 50, 4));
    auto tick = [&](const char* name, int x, int y) {
        return child<QLabel>(ScaleLayout, name, QRect(x, y, 48, 14));
    };
    Text22 = tick("Text22", 62, 4);
    Text33 = tick("Text33", 112, 4);
    Text44 = tick("Text44", 162, 4);
    Text55 = tick("Text55", 162, 4);
    Text1 = tick("Text1", 12, 14);
    Text1->setText(QStringLiteral("0"));
    Text2 = tick("Text2", 62, 14);
    Text3 = tick("Text3", 112, 14);
    Text4 = tick("Text4", 162, 14);
    Text5 = tick("Text5", 162, 14);

    canvas = std::make_unique<TMapCanvas>(TMapCanvasWidgets{Image, Image_edit, Image_Edit_Detail});
    canvas->Resize();
    canvas->SetSliceBudgetMs(WholeRedrawMs); // redraws complete within Review
    map = std::make_unique<TTiledMapController>(*canvas, TTiledMapWidgets{MapCombo, MapListBox}, progress);
    navigation = std::make_unique<TNavigationController>(*canvas, *map, TNavigationWidgets::Find(host));
    navigation->Hooks.ActiveTool = [this] { return ActiveTool; };
    navigation->Reset();
    navigation->Wire();
}

MapRig::~MapRig() {
    navigation.reset();
    map.reset();
    canvas.reset();
}

void answerDialog(zelto::TSuperdialog* dialog, bool yes) {
    ASSERT_NE(dialog, nullptr);
    const bool edit = dialog->EditMode();
    if (!dialog->KavintStyle()) {
        const char* button = yes ? (edit ? "b_edOK" : "b_OK") : (edit ? "b_edStorno" : "b_Storno");
        ctl<QAbstractButton>(dialog, button)->click();
        return;
    }
    const char* cell =
        yes ? (edit ? "ks_Rect_EdOK" : "ks_Rect_OK") : (edit ? "ks_Rect_EdStorno" : "ks_Rect_Storno");
    ASSERT_TRUE(QMetaObject::invokeMethod(ctl<QWidget>(dialog, cell), "clicked"));
}

} // namespace apptest
