// Shared set-up of the map application's tests: the platform seams point at a temporary public
// folder and a fake application event service, and small map directories and project files are
// written on demand (solid-coloured tiles, so that a tile's pixels can be found on the picture).
#pragma once

#include "Kordlin_Main.h"
#include "MapCanvas.h"
#include "Navigation.h"
#include "TiledMap.h"
#include "Tools.h"
#include "UiKit.h"
#include "lock/ProgressController.h"

#include "framework/Notifier.h"
#include "platform/AppEvents.h"
#include "platform/Location.h"
#include "platform/StorageFolders.h"
#include "projection/e_Proje.h"
#include "symbology/e_Device.h"

#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <ostream>

// Readable test output for Qt values.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QColor& c, std::ostream* os) {
    *os << c.name(QColor::HexArgb).toStdString();
}

namespace zelto {
class TSuperdialog;
// The form's own flags, for tests that check its creation and drive its guards: the form keeps
// them private and befriends this one view.
struct TMainFormInternals {
    explicit TMainFormInternals(TMainForm& f)
        : cbActive(f.cbActive), InfoY(f.InfoY), CheckNotes(f.m_tools->CheckNotes),
          CheckLines(f.m_tools->CheckLines), Barva(f.m_tools->Barva), ActiveTool(f.m_tools->ActiveTool),
          ComingActiveTool(f.m_tools->ComingActiveTool), PointColor(f.PointColor), LineColor(f.LineColor),
          Application_Background(f.Application_Background), KavintStyle(f.KavintStyle), Zn(f.Zn),
          PSYMB(f.PSYMB), FormActivate([&f] { f.FormActivate(); }) {}
    bool& cbActive;
    int& InfoY;
    bool &CheckNotes, &CheckLines;
    int& Barva;
    int &ActiveTool, &ComingActiveTool;
    quint32 &PointColor, &LineColor;
    bool &Application_Background, &KavintStyle;
    TTopolDruhy*& Zn;
    TOwnerEntity*& PSYMB;
    std::function<void()> FormActivate; // the window became the active one
};
} // namespace zelto

namespace apptest {

inline zelto::TMainFormInternals internals(zelto::TMainForm& form) {
    return zelto::TMainFormInternals(form);
}

// One tile matrix as written into a map description.
struct Matrix {
    QString id;
    QString minX, minY, tileWidth, tileHeight, overX, overY, matrixWidth, matrixHeight;

    static Matrix grid(const QString& id, int minX, int minY, int tile, int columns, int rows,
                       double over = 0) {
        return {id,
                QString::number(minX),
                QString::number(minY),
                QString::number(tile),
                QString::number(tile),
                QString::number(over),
                QString::number(over),
                QString::number(columns),
                QString::number(rows)};
    }
};

struct MapDesc {
    QString name;
    QString ext = QStringLiteral("png");
    QString dir; // subdirectory of the map directory ("dir" of Tiles.xml)
    std::vector<Matrix> matrices;
};

// The colour of tile (c, r) of level `level`: distinct for small grids.
inline QColor tileColor(int level, int c, int r) {
    return QColor(30 + 40 * (c % 6), 30 + 40 * (r % 6), 40 + 70 * (level % 3));
}

// The description of one map (the element that Tiles.xml lists and that MapTiles.xml is).
QString mapElement(const MapDesc& map, bool withDir);
// Tiles.xml listing the maps.
QString tilesXml(const std::vector<MapDesc>& maps);
void writeText(const QString& path, const QString& text);
void writeBytes(const QString& path, const QByteArray& bytes);
// Writes the solid-coloured tiles of every level of the map into dir (16 x 16 pixels each).
void writeTiles(const QString& dir, const MapDesc& map, int pixels = 16);
// A project file with the entries (layer, file) in order.
QString projectXml(const std::vector<std::pair<QString, QString>>& entries);

// The small forest of the test projects, over the stand map (model origin X0, Y0):
//   LS 1: division 1, dílec a, stand 1: groups 1a (100 m square at the origin) and 2 (the next
//         one east); division 2, dílec a, stand 1: group 1 (100 m square at 200 m north)
//   LS 2: division 5, dílec b, stand 3: group 1 of two parts (a 200 m square at 300 m east with a
//         100 m hole in its middle, and a 50 m square at 550 m east) and group 2 (a 10 m square
//         at 700 m east, 300 m north)
struct TestForest {
    static constexpr double X0 = -600000, Y0 = -1100000;
};
void writeForest(const QString& file);

// A slice budget within which every redraw of the tests completes at once.
constexpr int WholeRedrawMs = 60'000;

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString& relative) const { return m_temp.filePath(relative); }
    QString publicDir() const { return path(QStringLiteral("public")); }
    QString systemDir() const { return path(QStringLiteral("public/map/system")); }
    QStringList messages() const { return zelto::recordingNotifier()->messages(); }
    QStringList protocols() const { return zelto::recordingNotifier()->protocols(); }

    // A map directory with the maps of Tiles.xml (each in its "dir") and their tiles.
    QString makeMapDir(const QString& relative, const std::vector<MapDesc>& maps);
    // A subdirectory map with its MapTiles.xml and tiles.
    void addSubdirectoryMap(const QString& mapDir, const QString& sub, const MapDesc& map);
    // A project file next to a map directory "maps" (relative) holding the given maps.
    QString makeProject(const QString& relative, const std::vector<MapDesc>& maps);

    // A form whose redraws complete within Review: the tests that are about the redraw's slices
    // set a budget of their own.
    std::unique_ptr<zelto::TMainForm> newForm() {
        auto form = std::make_unique<zelto::TMainForm>();
        form->MapCanvas().SetSliceBudgetMs(WholeRedrawMs);
        return form;
    }
    // The host's restart: `form` gives way to a new one, which opens the project as `user`.
    void reopen(std::unique_ptr<zelto::TMainForm>& form, const QString& opx, const QString& user) {
        form.reset();
        form = newForm();
        form->SetUser(user);
        ASSERT_TRUE(form->LoadProject(opx));
    }

    zelto::platform::FakeStorageFolders* m_folders = nullptr;
    zelto::platform::FakeAppEventService* m_appEvents = nullptr;

private:
    QTemporaryDir m_temp;
};

// Two maps: "Porostní" (Tiles.xml, dir "porostni", 2 levels) and nothing else.
MapDesc standMap();

// The control of that objectName in the window (a test fails when there is none).
template <class W = QWidget> W* ctl(const QWidget& window, const char* name) {
    W* w = window.findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << "no control " << name;
    return w;
}
template <class W = QWidget> W* ctl(const QWidget* window, const char* name) {
    return ctl<W>(*window, name);
}
template <class W = QWidget> W* ctl(const std::unique_ptr<zelto::TMainForm>& form, const char* name) {
    return ctl<W>(*form, name);
}

// Answers the generic dialog as a tap on its yes (or no) control would.
void answerDialog(zelto::TSuperdialog* dialog, bool yes);
inline void answerYes(zelto::TSuperdialog* dialog) {
    answerDialog(dialog, true);
}

// The map picture's bitmap.
inline QImage& picture(const QWidget& window) {
    return ctl<zelto::ui::TImageControl>(window, "Image")->Bitmap();
}

// The picture's pixel at page (x, y).
inline QColor pixel(zelto::TMainForm& form, int x, int y) {
    return picture(form).pixelColor(x, y);
}

// The map controllers without a form: a plain widget carrying the map picture and its overlays,
// the map lists and the read-outs navigation keeps current, with the map canvas, the tiled map
// and navigation built on them as the form builds them.
class MapRig {
public:
    explicit MapRig(QSize size = QSize(1280, 800));
    ~MapRig();

    QWidget host;
    zelto::ui::TImageControl *Image, *Image_edit, *Image_Edit_Detail;
    QComboBox* MapCombo;
    QListWidget* MapListBox;
    QTimer* ZoomTimer;
    QPushButton *b_plus, *b_Minus, *plus_rect, *minus_rect;
    QLabel *l_scale, *l_jtsk, *ks_l_Scale, *ks_l_Delka, *ks_l_Plocha, *l_Text;
    QWidget *ks_ScaleLayOut, *ks_Scale_R, *ks_Scale_R2, *ScaleLayout;
    QWidget *Rectangle1, *Rectangle2, *Rectangle3;
    QLabel *Text1, *Text2, *Text3, *Text4, *Text5, *Text22, *Text33, *Text44, *Text55;
    int ActiveTool = 0;

    zelto::TProgressController progress{nullptr, nullptr, nullptr};
    std::unique_ptr<zelto::TMapCanvas> canvas;
    std::unique_ptr<zelto::TTiledMapController> map;
    std::unique_ptr<zelto::TNavigationController> navigation;

    zelto::TMapCanvas& MapCanvas() { return *canvas; }
    zelto::TTiledMapController& TiledMap() { return *map; }
    zelto::TNavigationController& Navigation() { return *navigation; }
    zelto::TPageProjection* Projection() const { return canvas->Projection(); }
    void Review() { map->Review(); }
    void show() { host.show(); }
    int width() const { return host.width(); }
    int height() const { return host.height(); }
    bool GetUse_Gestures() const { return navigation->GetUse_Gestures(); }
    void SetUse_Gestures(bool v) { navigation->SetUse_Gestures(v); }
};

} // namespace apptest
