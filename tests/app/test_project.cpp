// Opening a project: the project file's lookups, the paths of the working directory, the order
// that ends in OnMapReady, and what bad project files do.
#include "app_fixture.h"

#include "Project.h"
#include "dialogs/t_xFileDialog.h"

#include "framework/ProjectPath.h"
#include "framework/_IniFile.h"
#include "projection/e_Proje.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

#include <sys/stat.h>
#include <sys/time.h>

namespace apptest {
namespace {

using namespace zelto;

class ProjectTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = newForm();
        form->SetOnMapReady([this](TElement*) { ++mapReady; });
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<TMainForm> form;
    int mapReady = 0;
};

TEST_F(ProjectTest, OpeningBuildsPathsListsAndViewAndTellsTheHostOnce) {
    MapDesc vekova = standMap();
    vekova.name = QStringLiteral("Věková mapa");
    const QString opx = makeProject(QStringLiteral("data/Revír 7.opx"), {standMap()});
    addSubdirectoryMap(path(QStringLiteral("data/maps")), QStringLiteral("vekova"), vekova);
    form->SetUser(QStringLiteral("lesnik"));

    ASSERT_TRUE(form->LoadProject(opx));
    EXPECT_EQ(mapReady, 1);
    EXPECT_EQ(messages(), QStringList());

    const QString root = publicDir() + QStringLiteral("/map/project/Revír 7/");
    EXPECT_EQ(TProjectPath::Project, opx);
    EXPECT_EQ(TProjectPath::PurePrj, QStringLiteral("Revír 7"));
    EXPECT_EQ(TProjectPath::Root, root);
    EXPECT_EQ(TProjectPath::UID, QStringLiteral("lesnik"));
    EXPECT_EQ(TProjectPath::UserLayers, root + QStringLiteral("USERLAYERS_lesnik.xml"));
    EXPECT_EQ(TProjectPath::CFG, root + QStringLiteral("Revír 7.cfg"));
    for (const char* dir : {"audio", "img", "maps"})
        EXPECT_TRUE(QFileInfo(root + QLatin1String(dir)).isDir()) << dir;
    TProjectController& project = form->Project();
    ASSERT_NE(project.IniFIle(), nullptr);
    EXPECT_EQ(project.IniFIle()->FileName(), TProjectPath::CFG);
    EXPECT_EQ(project.LayersPath, path(QStringLiteral("data/Revír 7_USER.zlt")));
    EXPECT_EQ(project.AlternativeLayersPath, publicDir() + QStringLiteral("/Revír 7_USER.zlt"));
    EXPECT_EQ(project.RoutesPath, path(QStringLiteral("data/Revír 7_RTS.zlt")));
    EXPECT_EQ(project.AlternativeNotesPath, publicDir() + QStringLiteral("/Revír 7_NTS.zlt"));
    EXPECT_EQ(project.MapPath, path(QStringLiteral("data/maps")));
    EXPECT_EQ(project.ForestPath, path(QStringLiteral("data/Revír 7_lhc.zlt")));

    // Both maps, the Tiles.xml one first, selected in both lists.
    TTiledMapController& map = form->TiledMap();
    ASSERT_EQ(map.Maps.size(), 2u);
    EXPECT_EQ(ctl<QComboBox>(form, "MapCombo")->itemText(1), QStringLiteral("Věková mapa"));
    EXPECT_EQ(ctl<QListWidget>(form, "MapListBox")->item(0)->text(), QStringLiteral("Porostní mapa"));
    EXPECT_EQ(ctl<QComboBox>(form, "MapCombo")->currentIndex(), 0);
    EXPECT_EQ(ctl<QListWidget>(form, "MapListBox")->currentRow(), 0);
    EXPECT_TRUE(map.MapChangeActive);
    EXPECT_EQ(map.ReviewsDone, 1);
    EXPECT_FALSE(ctl<QLabel>(form, "l_Progress")->isVisibleTo(form.get()));
    EXPECT_FALSE(ctl<QProgressBar>(form, "ProgressBar")->isVisibleTo(form.get()));

    // The view holds the first map's whole extent (800 x 400 m) and fills it in one direction.
    const TDoubleRect v = form->Projection()->GetModelView();
    EXPECT_LE(v.MinX, -600000 + 1e-6);
    EXPECT_GE(v.MaxX, -599200 - 1e-6);
    EXPECT_LE(v.MinY, -1100000 + 1e-6);
    EXPECT_GE(v.MaxY, -1099600 - 1e-6);
    EXPECT_TRUE(std::abs(v.MaxX - v.MinX - 800) < 1e-6 || std::abs(v.MaxY - v.MinY - 400) < 1e-6);
    EXPECT_NEAR(form->Projection()->GetCenterX(), -599600, 1e-6);
    EXPECT_NEAR(form->Projection()->GetCenterY(), -1099800, 1e-6);
}

TEST_F(ProjectTest, ProjectFileLookups) {
    const QString dir = path(QStringLiteral("p"));
    struct Case {
        const char* what;
        std::vector<std::pair<QString, QString>> entries;
        QString map, forest;
    };
    const Case cases[] = {
        {"relative paths are taken from the project's directory",
         {{"Map", "maps"}, {"Det", "les.zlt"}},
         dir + "/maps",
         dir + "/les.zlt"},
        {"an absolute path stays", {{"Map", "/srv/mapy"}}, "/srv/mapy", ""},
        {"backslashes of the data are separators",
         {{"Map", "..\\spolecne\\mapy"}},
         path("spolecne/mapy"),
         ""},
        {"the last entry of a kind wins", {{"Det", "a.zlt"}, {"Det", "b.zlt"}}, "", dir + "/b.zlt"},
        {"the kind is compared exactly", {{"det", "a.zlt"}, {"MAP", "m"}}, "", ""},
        {"other kinds are ignored", {{"Layer", "x"}, {"Map", "m"}}, dir + "/m", ""},
    };
    for (const Case& c : cases) {
        const QString opx = dir + QStringLiteral("/P.opx");
        writeText(opx, projectXml(c.entries));
        ASSERT_TRUE(form->LoadProject(opx)) << c.what;
        EXPECT_EQ(form->Project().MapPath, c.map) << c.what;
        EXPECT_EQ(form->Project().ForestPath, c.forest) << c.what;
    }
    // A missing child reads as empty; FindLayerValue reads any child.
    writeText(dir + QStringLiteral("/Q.opx"),
              QStringLiteral(
                  "<P><E><Layer>Map</Layer><Ext>jpg</Ext></E><E><Layer>Det</Layer><File>d</File></E></P>"));
    ASSERT_TRUE(form->LoadProject(dir + QStringLiteral("/Q.opx")));
    EXPECT_EQ(form->Project().FindLayerPath(QStringLiteral("Map")), QString());
    EXPECT_EQ(form->Project().FindLayerExt(QStringLiteral("Map")), QStringLiteral("jpg"));
    EXPECT_EQ(form->Project().FindLayerValue(QStringLiteral("Det"), QStringLiteral("File")),
              QStringLiteral("d"));
    EXPECT_EQ(mapReady, int(std::size(cases)) + 1);
}

TEST_F(ProjectTest, WithoutAMapNothingIsLoadedAndTheViewStays) {
    form->Projection()->ChangeProjection(-700000, -1000000, 10000);
    const QString opx = path(QStringLiteral("nomap/N.opx"));
    writeText(opx, projectXml({{QStringLiteral("Det"), QStringLiteral("n.zlt")}}));
    ASSERT_TRUE(form->LoadProject(opx));
    EXPECT_TRUE(form->TiledMap().Maps.empty());
    EXPECT_EQ(form->Projection()->GetCenterX(), -700000);
    EXPECT_EQ(form->TiledMap().ReviewsDone, 0) << "no map: the redraw draws nothing";
    EXPECT_EQ(mapReady, 1);
}

TEST_F(ProjectTest, AProjectFileThatCannotBeReadLeavesTheOpenProject) {
    const QString good = makeProject(QStringLiteral("good/G.opx"), {standMap()});
    ASSERT_TRUE(form->LoadProject(good));
    const QString root = TProjectPath::Root;
    writeText(path(QStringLiteral("bad/Broken.opx")), QStringLiteral("<Project><Entry><Layer>Map</Layer>"));
    writeText(path(QStringLiteral("bad/Empty.opx")), QString());
    // Damaged files from a card: a named pipe (opening it for reading would wait for a writer),
    // a 2 GB file (sparse), 100,000 and 50,000 nested elements.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("bad/Pipe.opx"))).constData(), 0600), 0);
    {
        QFile huge(path(QStringLiteral("bad/Huge.opx")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(2ll << 30));
    }
    auto nested = [](int depth) {
        return QByteArray("<Project>") + QByteArray("<a>").repeated(depth) +
               QByteArray("</a>").repeated(depth) + QByteArray("</Project>");
    };
    writeBytes(path(QStringLiteral("bad/Deep.opx")), nested(100'000));
    writeBytes(path(QStringLiteral("bad/Deep50k.opx")), nested(50'000));
    struct Case {
        QString file;
        const char* reason;
    };
    const Case cases[] = {{path(QStringLiteral("bad/Missing.opx")), "neexistuje"},
                          {path(QStringLiteral("bad/Broken.opx")), "řádek"},
                          {path(QStringLiteral("bad/Empty.opx")), "řádek"},
                          {path(QStringLiteral("bad")), "složka"},
                          {path(QStringLiteral("bad/Pipe.opx")), "není to obyčejný soubor"},
                          {path(QStringLiteral("bad/Huge.opx")), "příliš velký"},
                          {path(QStringLiteral("bad/Deep.opx")), "vnořeny hlouběji"},
                          {path(QStringLiteral("bad/Deep50k.opx")), "vnořeny hlouběji"}};
    for (const Case& c : cases) {
        recordingNotifier()->clear();
        EXPECT_FALSE(form->LoadProject(c.file));
        ASSERT_EQ(messages().size(), 1) << c.file.toStdString();
        EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Projekt "))) << messages()[0].toStdString();
        EXPECT_TRUE(messages()[0].contains(QString::fromUtf8(c.reason))) << messages()[0].toStdString();
        EXPECT_EQ(form->TiledMap().Maps.size(), 1u);
        EXPECT_EQ(TProjectPath::Root, root);
    }
    EXPECT_EQ(mapReady, 1);
    EXPECT_FALSE(QFileInfo::exists(publicDir() + QStringLiteral("/map/project/Broken")));
}

// The files a project reads besides its project file: in place of each a named pipe or a folder
// is reported (the settings read as none) and the project opens without waiting on it.
TEST_F(ProjectTest, APipeOrFolderInPlaceOfAProjectsFilesIsReportedAndTheProjectOpens) {
    form->SetUser(QStringLiteral("lesnik"));
    const QString opx = makeProject(QStringLiteral("f/F.opx"), {standMap()});
    const QString maps = path(QStringLiteral("f/maps"));
    QFile::remove(maps + QStringLiteral("/Tiles.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(maps + QStringLiteral("/Tiles.xml")).constData(), 0600), 0);
    QDir().mkpath(maps + QStringLiteral("/sub/MapTiles.xml"));
    const QString root = publicDir() + QStringLiteral("/map/project/F/");
    QDir().mkpath(root);
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + QStringLiteral("F.cfg")).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + QStringLiteral("USERLAYERS_lesnik.xml")).constData(), 0600),
              0);
    ASSERT_TRUE(form->LoadProject(opx));
    const QString all = messages().join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("Tiles.xml nelze přečíst: není to obyčejný soubor")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("MapTiles.xml nelze přečíst: je to složka")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("USERLAYERS_lesnik.xml nelze přečíst: není to obyčejný soubor")))
        << all.toStdString();
    EXPECT_EQ(
        form->Project().IniFIle()->ReadString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("-")),
        QStringLiteral("-"));
    EXPECT_EQ(mapReady, 1);
}

// The working directory and its folders are made and written only inside the public folder: a
// link in their place that leads outside refuses the project, and nothing is made outside.
TEST_F(ProjectTest, AWorkingDirectoryLinkedOutOfThePublicFolderIsRefused) {
    const QString opx = makeProject(QStringLiteral("l/L.opx"), {standMap()});
    const QString outside = path(QStringLiteral("outside"));
    QDir().mkpath(outside);
    QDir().mkpath(publicDir() + QStringLiteral("/map/project"));
    const QString root = publicDir() + QStringLiteral("/map/project/L");
    ASSERT_TRUE(QFile::link(outside, root));
    EXPECT_FALSE(form->LoadProject(opx));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("nelze vytvořit")));
    EXPECT_EQ(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

    // The directory itself, but its "img" a link outside.
    ASSERT_TRUE(QFile::remove(root));
    QDir().mkpath(root);
    ASSERT_TRUE(QFile::link(outside, root + QStringLiteral("/img")));
    recordingNotifier()->clear();
    EXPECT_FALSE(form->LoadProject(opx));
    EXPECT_EQ(messages().size(), 1);
    // A link that stays inside the public folder is followed.
    ASSERT_TRUE(QFile::remove(root + QStringLiteral("/img")));
    QDir().mkpath(publicDir() + QStringLiteral("/obrazky"));
    ASSERT_TRUE(QFile::link(publicDir() + QStringLiteral("/obrazky"), root + QStringLiteral("/img")));
    EXPECT_TRUE(form->LoadProject(opx));
    EXPECT_EQ(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

TEST_F(ProjectTest, AMissingMapDirectoryIsReportedAndTheProjectOpens) {
    const QString opx = path(QStringLiteral("m/M.opx"));
    writeText(opx, projectXml({{QStringLiteral("Map"), QStringLiteral("mapy")}}));
    ASSERT_TRUE(form->LoadProject(opx));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("neexistuje"))) << messages()[0].toStdString();
    EXPECT_TRUE(form->TiledMap().Maps.empty());
    EXPECT_EQ(mapReady, 1);
}

TEST_F(ProjectTest, AWorkingDirectoryThatCannotBeMadeIsReported) {
    const QString opx = makeProject(QStringLiteral("w/W.opx"), {standMap()});
    writeText(publicDir() + QStringLiteral("/map/project"),
              QStringLiteral("a file where a directory belongs"));
    EXPECT_FALSE(form->LoadProject(opx));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("nelze vytvořit")));
    EXPECT_EQ(mapReady, 0);
}

TEST_F(ProjectTest, ReopeningKeepsTheWorkingDirectoryAndTheUserPicksTheLayerFile) {
    const QString first = makeProject(QStringLiteral("a/Prvni.opx"), {standMap()});
    const QString second = makeProject(QStringLiteral("b/Druhy.opx"), {standMap()});
    ASSERT_TRUE(form->LoadProject(first));
    const QString kept = TProjectPath::Root + QStringLiteral("kept.txt");
    writeText(kept, QStringLiteral("x"));
    // What a save killed mid-write left, in the working directory and beside the project file.
    const QString stale = TProjectPath::Root + QStringLiteral(".Prvni_USER.zlt.zsave-k1lled");
    const QString staleBeside = path(QStringLiteral("a/.Prvni.opx.zsave-k1lled"));
    writeText(stale, QStringLiteral("half"));
    writeText(staleBeside, QStringLiteral("half"));
    const timeval past[2] = {{time(nullptr) - 60, 0}, {time(nullptr) - 60, 0}};
    for (const QString& f : {stale, staleBeside})
        ASSERT_EQ(::utimes(QFile::encodeName(f).constData(), past), 0);
    ASSERT_TRUE(form->LoadProject(first));
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_FALSE(QFileInfo::exists(staleBeside));

    form->SetUser(QStringLiteral("jiny"));
    ASSERT_TRUE(form->LoadProject(second));
    EXPECT_EQ(TProjectPath::Root, publicDir() + QStringLiteral("/map/project/Druhy/"));
    EXPECT_EQ(TProjectPath::UserLayers, TProjectPath::Root + QStringLiteral("USERLAYERS_jiny.xml"));
    EXPECT_EQ(TProjectPath::Layer(QStringLiteral("Log")),
              TProjectPath::Root + QStringLiteral("UDSML_Druhy_Log.zlt"));
    EXPECT_EQ(form->Project().IniFIle()->FileName(), TProjectPath::CFG);
    EXPECT_EQ(mapReady, 3);
}

TEST_F(ProjectTest, NamesFromTheDataStayInsideTheWorkingDirectory) {
    const QString opx = makeProject(QStringLiteral("s/S.opx"), {standMap()});
    form->SetUser(QStringLiteral("../../evil"));
    ASSERT_TRUE(form->LoadProject(opx));
    const QString root = TProjectPath::Root;
    for (const QString& file :
         {TProjectPath::UserLayers, TProjectPath::Layer(QStringLiteral("../../../etc/x")),
          TProjectPath::Layer(QStringLiteral("a\\..\\..\\b"))}) {
        EXPECT_TRUE(file.startsWith(root)) << file.toStdString();
        EXPECT_EQ(QFileInfo(file).absolutePath() + QLatin1Char('/'), root) << file.toStdString();
    }
}

TEST_F(ProjectTest, GetAbsolutePath) {
    EXPECT_EQ(TProjectController::GetAbsolutePath(QStringLiteral("/d/p"), QStringLiteral("maps")),
              QStringLiteral("/d/p/maps"));
    EXPECT_EQ(TProjectController::GetAbsolutePath(QStringLiteral("/d/p"), QStringLiteral("/abs/m")),
              QStringLiteral("/abs/m"));
    EXPECT_EQ(TProjectController::GetAbsolutePath(QStringLiteral("/d/p"), QStringLiteral("sub\\m")),
              QStringLiteral("/d/p/sub/m"));
    EXPECT_EQ(TProjectController::GetAbsolutePath(QStringLiteral("/d/p/"), QStringLiteral("../m")),
              QStringLiteral("/d/m"));
}

// "Otevřít projekt" shows the package's file chooser on ".opx" files; tapping a project file in it
// and confirming opens that project.
TEST_F(ProjectTest, TheOpenProjectButtonOpensTheFileTappedInTheChooser) {
    const QString opx = makeProject(QStringLiteral("volba/Vybrany.opx"), {standMap()});
    writeText(path(QStringLiteral("volba/poznamky.txt")), QStringLiteral("not a project"));
    auto* button = form->findChild<QAbstractButton*>(QStringLiteral("kb_OpenProject"));
    ASSERT_NE(button, nullptr);
    button->click();
    TxFileDialog* chooser = xFileDialog;
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->Filter(), QStringLiteral(".opx"));
    EXPECT_EQ(mapReady, 0);

    ASSERT_TRUE(chooser->SetDirectory(QFileInfo(opx).absolutePath()));
    auto* list = chooser->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    QStringList shown;
    int tapped = -1;
    for (int i = 0; i < list->count(); ++i) {
        shown << list->item(i)->text();
        if (list->item(i)->data(TxFileDialog::KindRole).toInt() == TxFileDialog::FileEntry) tapped = i;
    }
    EXPECT_FALSE(shown.join(' ').contains(QStringLiteral("poznamky"))) << shown.join(' ').toStdString();
    ASSERT_GE(tapped, 0) << shown.join(' ').toStdString();
    chooser->ListViewItemClickEx(tapped);
    chooser->b_OKClick();
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(mapReady, 1);
    EXPECT_EQ(QFileInfo(TProjectPath::Project).canonicalFilePath(), QFileInfo(opx).canonicalFilePath());
}

} // namespace
} // namespace apptest
