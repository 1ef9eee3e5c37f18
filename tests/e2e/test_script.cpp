// zelto-demo --script on a generated demo project: a user's way through the drawer, the map list
// and the display lock, and the failures a script author meets.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPolygonF>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct Outcome {
    int exitCode = -1;
    QString errors; // stderr
};

class ScriptE2E : public testing::Test {
public:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(s_dir->isValid());
        QProcess sample;
        sample.start(QStringLiteral(ZELTO_SAMPLE_BINARY), {QStringLiteral("--out"), s_dir->path(),
                                                           QStringLiteral("--groups"), QStringLiteral("60")});
        ASSERT_TRUE(sample.waitForFinished(120000));
        ASSERT_EQ(sample.exitCode(), 0) << sample.readAllStandardError().toStdString();
        const QStringList out =
            QString::fromUtf8(sample.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
        s_project = out.last().trimmed();
        ASSERT_TRUE(QFileInfo(s_project).isFile()) << s_project.toStdString();
    }
    static void TearDownTestSuite() { s_dir.reset(); }

protected:
    static QString path(const QString& name) { return QDir(s_dir->path()).filePath(name); }

    // Writes the script as script.txt into the public folder and starts zelto-demo on it there
    // (relative file names of the script land there too).
    static void start(QProcess& demo, const QString& script, const QStringList& options = {}) {
        QFile file(path(QStringLiteral("script.txt")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script.toUtf8());
        file.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZELTO_PUBLIC_DIR"), s_dir->path());
        env.insert(QStringLiteral("ZELTO_DOWNLOADS_DIR"), path(QStringLiteral("downloads")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        demo.setProcessEnvironment(env);
        demo.setWorkingDirectory(s_dir->path());
        demo.start(QStringLiteral(ZELTO_DEMO_BINARY),
                   QStringList{QStringLiteral("--project"), s_project, QStringLiteral("--script"),
                               QStringLiteral("script.txt")} +
                       options);
    }

    static Outcome run(const QString& script, const QStringList& options = {}) {
        QProcess demo;
        start(demo, script, options);
        Outcome o;
        if (!demo.waitForFinished(120000)) {
            demo.kill();
            demo.waitForFinished();
            o.errors = QStringLiteral("zelto-demo did not finish");
            return o;
        }
        o.exitCode = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;
        o.errors = QString::fromUtf8(demo.readAllStandardError());
        return o;
    }

    // The first `count` positions of the demo's GPS walk as script lines "gps LAT LON", from its
    // RMC sentences (ddmm.mmmm).
    static QStringList walkFixes(int count) {
        QFile log(QFileInfo(s_project).path() + QLatin1Char('/') + QFileInfo(s_project).completeBaseName() +
                  QStringLiteral(".nmea"));
        EXPECT_TRUE(log.open(QIODevice::ReadOnly));
        QStringList fixes;
        while (!log.atEnd() && fixes.size() < count) {
            const QStringList f = QString::fromLatin1(log.readLine()).split(QLatin1Char(','));
            if (f.value(0) != QLatin1String("$GPRMC") || f.size() < 7) continue;
            const double lat = f[3].left(2).toDouble() + f[3].mid(2).toDouble() / 60;
            const double lon = f[5].left(3).toDouble() + f[5].mid(3).toDouble() / 60;
            fixes << QStringLiteral("gps %1 %2").arg(lat, 0, 'f', 7).arg(lon, 0, 'f', 7);
        }
        return fixes;
    }

    // The track points (lon, lat) of the polylines of a layer file, read through `zlt gpx`.
    static QList<QPointF> trackPoints(const QString& layerFile, int* tracks = nullptr) {
        QProcess gpx;
        gpx.start(QStringLiteral(ZELTO_ZLT_BINARY), {QStringLiteral("gpx"), layerFile});
        EXPECT_TRUE(gpx.waitForFinished(60000));
        EXPECT_EQ(gpx.exitCode(), 0) << gpx.readAllStandardError().toStdString();
        const QString track = QString::fromUtf8(gpx.readAllStandardOutput());
        if (tracks) *tracks = int(track.count(QStringLiteral("<trk>")));
        QList<QPointF> points;
        const QRegularExpression trkpt(QStringLiteral("<trkpt lat=\"([-0-9.]+)\" lon=\"([-0-9.]+)\""));
        for (auto it = trkpt.globalMatch(track); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            points.append(QPointF(m.captured(2).toDouble(), m.captured(1).toDouble()));
        }
        return points;
    }

    // The objects of a layer file through `zlt geojson`: each feature's name with its vertex count
    // (lines), or 1 (points).
    static QList<QPair<QString, int>> features(const QString& layerFile) {
        QList<QPair<QString, int>> list;
        if (!QFileInfo(layerFile).isFile()) return list;
        QProcess geojson;
        geojson.start(QStringLiteral(ZELTO_ZLT_BINARY), {QStringLiteral("geojson"), layerFile});
        EXPECT_TRUE(geojson.waitForFinished(60000));
        EXPECT_EQ(geojson.exitCode(), 0) << geojson.readAllStandardError().toStdString();
        const QJsonObject doc = QJsonDocument::fromJson(geojson.readAllStandardOutput()).object();
        for (const QJsonValue& f : doc.value(QStringLiteral("features")).toArray()) {
            const QJsonObject feature = f.toObject();
            const QJsonObject geometry = feature.value(QStringLiteral("geometry")).toObject();
            const bool line =
                geometry.value(QStringLiteral("type")).toString() == QLatin1String("LineString");
            list.append({feature.value(QStringLiteral("properties"))
                             .toObject()
                             .value(QStringLiteral("name"))
                             .toString(),
                         line ? int(geometry.value(QStringLiteral("coordinates")).toArray().size()) : 1});
        }
        return list;
    }

    // The vertices in a route journal: its lines of two numbers (the rest are the header and the
    // route starts); 0 without the file.
    static int journalVertices(const QString& journal) {
        QFile f(journal);
        if (!f.open(QIODevice::ReadOnly)) return 0;
        static const QRegularExpression vertex(QStringLiteral("^-?[0-9.e+-]+ -?[0-9.e+-]+$"));
        int n = 0;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (vertex.match(QString::fromLatin1(line)).hasMatch()) ++n;
        return n;
    }

    // The widget of that name in a dump written by a script (empty when it is not there).
    static QJsonObject dumped(const QString& file, const QString& name) {
        QFile dump(path(file));
        if (!dump.open(QIODevice::ReadOnly)) return {};
        for (const QJsonValue& v : QJsonDocument::fromJson(dump.readAll()).array())
            if (v.toObject().value(QStringLiteral("name")).toString() == name) return v.toObject();
        return {};
    }

    // A picture with more than one colour in it.
    static bool drawn(const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != image.pixel(0, 0)) return true;
        return false;
    }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline QString s_project;
};

TEST_F(ScriptE2E, DrawerMapListLockAndUnlockingSwipe) {
    const Outcome o =
        run(QStringLiteral("# the first map, as the project opens\n"
                           "expect ks_l_Scale 200 m\n"
                           "screenshot first.png\n"
                           "\n"
                           "# the drawer's map list switches to the second map (and the drawer closes)\n"
                           "click ks_InfoLayout_MenuRect\n"
                           "waitfor MapListBox\n"
                           "select MapListBox Věkové stupně\n"
                           "screenshot second.png\n"
                           "click ks_InfoLayout_MenuRect\n"
                           "expect MapListBox Věkové stupně\n"
                           "\n"
                           "# locked from the menu row; a swipe that ends beside the corner keeps the lock\n"
                           "select MainListBox   Zamknout displej\n"
                           "expect Locktext Displej je uzamčen !\n"
                           "drag 640 400 150 50\n"
                           "expect Locktext Displej je uzamčen !\n"
                           "# into the top left corner: unlocked, and the map takes the wheel again\n"
                           "drag 640 400 40 40\n"
                           "expect Locktext Odemčeno !\n"
                           "wheel 640 400 4\n"
                           "expect ks_l_Scale 100 m\n"
                           "screenshot final.png\n"
                           "quit\n"));
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    EXPECT_FALSE(o.errors.contains(QStringLiteral("zelto-demo:"))) << o.errors.toStdString();
    QImage shots[3];
    const char* names[] = {"first.png", "second.png", "final.png"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(shots[i].load(path(QLatin1String(names[i])))) << names[i];
        EXPECT_EQ(shots[i].size(), QSize(1280, 800)) << names[i];
        EXPECT_TRUE(drawn(shots[i])) << names[i] << " is blank";
    }
    EXPECT_NE(shots[0], shots[1]) << "the map list did not switch the map";
    EXPECT_NE(shots[1], shots[2]) << "the wheel did not zoom after unlocking";
}

TEST_F(ScriptE2E, TouchPinchZoomsAndTouchSwipeUnlocks) {
    const Outcome o = run(QStringLiteral("expect ks_l_Scale 200 m\n"
                                         "pinch 640 400 3\n"
                                         "expect ks_l_Scale 100 m\n"
                                         "click ks_InfoLayout_MenuRect\n"
                                         "select MainListBox Zamknout displej\n"
                                         "drag 640 400 40 40\n"
                                         "expect Locktext Odemčeno !\n"),
                          {QStringLiteral("--touch")});
    EXPECT_EQ(o.exitCode, 0) << o.errors.toStdString();
}

TEST_F(ScriptE2E, TapsReachWhatLiesOnTopOfTheMap) {
    // Locked, the shield takes the taps: a tap brings the message back after it went.
    const Outcome o = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                         "select MainListBox Zamknout displej\n"
                                         "wait 2300\n"
                                         "tapmodel -780000 -1065000\n"
                                         "expect Locktext Displej je uzamčen !\n"));
    EXPECT_EQ(o.exitCode, 0) << o.errors.toStdString();
}

TEST_F(ScriptE2E, FileChooserByKeysTypingAndButtonTexts) {
    const QString folder = QFileInfo(s_project).absolutePath();
    const Outcome o = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                         "click kb_OpenProject\n"
                                         "waitfor ed_Directory\n"
                                         "click ed_Directory\n"
                                         "key End\n"
                                         "type ňů\n"
                                         "expect ed_Directory /ňů\n"
                                         "key Backspace\n"
                                         "key Backspace\n"
                                         "key Backspace\n"
                                         "type %1\n"
                                         "expect ed_Directory %1\n"
                                         "expect b_Up Hledej\n"
                                         "press Hledej\n"
                                         "select ListView %2\n"
                                         "expect ed_FileName %3\n"
                                         "press Zavřít\n"
                                         "quit\n")
                              .arg(folder, QFileInfo(s_project).fileName(), s_project));
    EXPECT_EQ(o.exitCode, 0) << o.errors.toStdString();
}

// The layer tab as a user works it: a layer ticked off, a new one created and made the active
// layer; after a restart all three are as they were left, in the window and in the files.
TEST_F(ScriptE2E, LayersTickedCreatedAndChosenSurviveARestart) {
    const QStringList user = {QStringLiteral("--user"), QStringLiteral("hajny")};
    Outcome o = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                   "select MainListBox   Vrstvy\n"
                                   "waitfor ListBox_Layers\n"
                                   "tick ListBox_Layers Trasy\n"
                                   "select ListBox_Layers Nová vrstva\n"
                                   "waitfor ks_Edit\n"
                                   "type Probírky 2027\n"
                                   "click ks_Rect_EdOK\n"
                                   "waitfor ActiveLayerCombo\n"
                                   "select ActiveLayerCombo Probírky 2027\n"
                                   "quit\n"),
                    user);
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();

    const QString work = path(QStringLiteral("map/project/demo/"));
    QFile cfg(work + QStringLiteral("demo.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(cfg.readAll()).contains(QStringLiteral("EDITLAYER=Probírky 2027")));
    EXPECT_TRUE(QFileInfo(work + QStringLiteral("UDSM_demo.zlt")).isFile());

    o = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                           "select MainListBox   Vrstvy\n"
                           "expect ActiveLayerCombo Probírky 2027\n"
                           "dump layers.json\n"
                           "quit\n"),
            user);
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    const QJsonObject list = dumped(QStringLiteral("layers.json"), QStringLiteral("ListBox_Layers"));
    ASSERT_FALSE(list.isEmpty());
    QStringList items, ticked;
    for (const QJsonValue& v : list.value(QStringLiteral("items")).toArray()) items << v.toString();
    for (const QJsonValue& v : list.value(QStringLiteral("tickedItems")).toArray())
        ticked << items.value(v.toInt());
    EXPECT_TRUE(items.contains(QStringLiteral("Probírky 2027"))) << items.join(", ").toStdString();
    EXPECT_TRUE(items.contains(QStringLiteral("Trasy")));
    EXPECT_FALSE(ticked.contains(QStringLiteral("Trasy"))) << ticked.join(", ").toStdString();
    EXPECT_TRUE(ticked.contains(QStringLiteral("Kreslení")));
    EXPECT_TRUE(ticked.contains(QStringLiteral("Probírky 2027")));
}

// The GPS from the button, positions of the demo's walk handed in by the script, a route recorded
// from the route panel: the route reaches the file of the layer "Log" with one vertex a position.
TEST_F(ScriptE2E, GpsOnAndARouteRecordedFromPositions) {
    const QStringList fixes = walkFixes(40);
    ASSERT_EQ(fixes.size(), 40);
    const QString route =
        QDir(path(QStringLiteral("map/project/demo"))).filePath(QStringLiteral("UDSML_demo_Log.zlt"));
    QFile::remove(route);
    const Outcome o = run(QStringLiteral("click kButton4\n"
                                         "expect kButton4 GPS +\n") +
                          fixes[0] +
                          QStringLiteral("\n"
                                         "click ks_InfoLayout_MenuRect\n"
                                         "select MainListBox   Nastavení\n"
                                         "click b_TraceRoute\n"
                                         "expect b_TraceRoute Zavřít trasování GPS\n"
                                         "click MultiViewCover\n"
                                         "click b_StartRoute\n") +
                          fixes.mid(1).join(QLatin1Char('\n')) +
                          QStringLiteral("\n"
                                         "click b_endRoute\n"
                                         "screenshot route.png\n"
                                         "quit\n"));
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    ASSERT_TRUE(QFileInfo(route).isFile());
    // The route as GPX: one track whose points are positions handed in, each at least 5 m from
    // the one before (the trigger distance), the first one where recording started.
    int tracks = 0;
    const QList<QPointF> points = trackPoints(route, &tracks);
    EXPECT_EQ(tracks, 1);
    ASSERT_GE(points.size(), 2);
    EXPECT_LT(points.size(), 40);
    for (qsizetype i = 1; i < points.size(); ++i) {
        const double dy = (points[i].y() - points[i - 1].y()) * 111195.0;
        const double dx =
            (points[i].x() - points[i - 1].x()) * 111195.0 * std::cos(points[i].y() * M_PI / 180);
        EXPECT_GE(std::hypot(dx, dy), 4.9) << "points " << i - 1 << " and " << i;
    }
    QImage shot;
    ASSERT_TRUE(shot.load(path(QStringLiteral("route.png"))));
    EXPECT_TRUE(drawn(shot));
    // After a restart the layer "Trasy" holds the route.
    const Outcome again = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                             "select MainListBox   Vrstvy\n"
                                             "dump routes.json\n"
                                             "quit\n"));
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
    const QJsonObject list = dumped(QStringLiteral("routes.json"), QStringLiteral("ListBox_Layers"));
    const QJsonArray items = list.value(QStringLiteral("items")).toArray();
    const QJsonArray details = list.value(QStringLiteral("itemDetails")).toArray();
    int trasy = -1;
    for (int i = 0; i < items.size(); ++i)
        if (items[i].toString() == QLatin1String("Trasy")) trasy = i;
    ASSERT_GE(trasy, 0);
    EXPECT_EQ(details[trasy].toString(), QStringLiteral("Linie: 1 "));
}

// The demo's walk replayed from its NMEA log as the receiver would report it: switched on, a route
// recorded for a while and stopped; after a restart it is a track of the layer "Log".
TEST_F(ScriptE2E, AReplayedWalkIsRecordedAsARoute) {
    const QString nmea = QFileInfo(s_project).path() + QLatin1Char('/') +
                         QFileInfo(s_project).completeBaseName() + QStringLiteral(".nmea");
    const QString route =
        QDir(path(QStringLiteral("map/project/demo"))).filePath(QStringLiteral("UDSML_demo_Log.zlt"));
    QFile::remove(route);
    const Outcome o = run(QStringLiteral("click kButton4\n"
                                         "wait 2500\n"
                                         "click ks_InfoLayout_MenuRect\n"
                                         "select MainListBox   Nastavení\n"
                                         "click b_TraceRoute\n"
                                         "click MultiViewCover\n"
                                         "click b_StartRoute\n"
                                         "wait 12000\n"
                                         "click b_endRoute\n"
                                         "quit\n"),
                          {QStringLiteral("--nmea"), nmea});
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    ASSERT_EQ(run(QStringLiteral("quit\n")).exitCode, 0);
    int tracks = 0;
    const QList<QPointF> points = trackPoints(route, &tracks);
    EXPECT_EQ(tracks, 1);
    EXPECT_GE(points.size(), 2) << "a walk of 12 s at a walking pace, a vertex every 5 m";
}

// A recording killed part way (kill -9, as a flat battery or the system would end it): every
// position that reached the journal is in the layer "Log" after the next opening.
TEST_F(ScriptE2E, ARouteSurvivesTheAppBeingKilledWhileRecording) {
    const QStringList fixes = walkFixes(30);
    ASSERT_EQ(fixes.size(), 30);
    const QString dir = path(QStringLiteral("map/project/demo"));
    const QString route = QDir(dir).filePath(QStringLiteral("UDSML_demo_Log.zlt"));
    const QString journal = route + QStringLiteral(".journal");
    QFile::remove(route);
    QFile::remove(journal);
    QProcess demo;
    start(demo, QStringLiteral("click kButton4\n") + fixes[0] +
                    QStringLiteral("\n"
                                   "click ks_InfoLayout_MenuRect\n"
                                   "select MainListBox   Nastavení\n"
                                   "click b_TraceRoute\n"
                                   "click MultiViewCover\n"
                                   "click b_StartRoute\n") +
                    fixes.mid(1).join(QLatin1Char('\n')) + QStringLiteral("\nwait 600000\n"));
    ASSERT_TRUE(demo.waitForStarted(30000));
    QElapsedTimer clock;
    clock.start();
    int seen = -1;
    // The script hands in its positions in well under a second; wait until the count is still.
    while (clock.elapsed() < 60000 && !demo.waitForFinished(500)) {
        const int now = journalVertices(journal);
        if (now > 0 && now == seen) break;
        seen = now;
    }
    ASSERT_EQ(demo.state(), QProcess::Running) << demo.readAllStandardError().toStdString();
    demo.kill(); // SIGKILL: nothing of the app runs any more
    ASSERT_TRUE(demo.waitForFinished(10000));
    const int recorded = journalVertices(journal);
    ASSERT_GE(recorded, 5) << "positions 5 m apart reached the journal";
    EXPECT_FALSE(QFileInfo(route).exists()) << "nothing was saved before the kill";

    const Outcome again = run(QStringLiteral("quit\n"));
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
    int tracks = 0;
    const QList<QPointF> points = trackPoints(route, &tracks);
    EXPECT_EQ(tracks, 1);
    EXPECT_EQ(points.size(), recorded);
    EXPECT_FALSE(QFileInfo(journal).exists()) << "replayed and saved, the journal goes";
    // A second opening adds nothing.
    ASSERT_EQ(run(QStringLiteral("quit\n")).exitCode, 0);
    EXPECT_EQ(trackPoints(route).size(), recorded);
}

// The forest data read in the background, a unit found with the search panel and one found at a
// model point as a tap will: the labels name the stand group the command-line tool finds there.
TEST_F(ScriptE2E, ForestUnitsFromTheSearchPanelAndAtAPoint) {
    QProcess find;
    find.start(QStringLiteral(ZELTO_ZLT_BINARY),
               {QStringLiteral("find"), QFileInfo(s_project).path() + QStringLiteral("/demo_lhc.zlt"),
                QStringLiteral("-780000"), QStringLiteral("-1065000")});
    ASSERT_TRUE(find.waitForFinished(60000));
    const QString expected = QString::fromUtf8(find.readAllStandardOutput()).trimmed();
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_NE(expected, QStringLiteral("none"));
    const Outcome o = run(QStringLiteral("waittext ks_l_JPRLs OK\n"
                                         "click kb_FindLHC\n"
                                         "waitfor ed_odd\n"
                                         "select ed_odd 2\n"
                                         "expect ed_Dil a\n"
                                         "click Button12\n"
                                         "click Button8\n"
                                         "findunit -780000 -1065000\n"
                                         "expect ks_l_JPRLs ") +
                          expected +
                          QStringLiteral("\n"
                                         "screenshot forest.png\n"
                                         "dump forest.json\n"
                                         "quit\n"));
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    const QJsonObject groups = dumped(QStringLiteral("forest.json"), QStringLiteral("ed_PSK"));
    EXPECT_FALSE(groups.value(QStringLiteral("items")).toArray().isEmpty());
    QImage shot;
    ASSERT_TRUE(shot.load(path(QStringLiteral("forest.png"))));
    EXPECT_TRUE(drawn(shot));
}

// The tools as a forester taps them: a distance measured, a line drawn in the active layer and saved
// under a name, a note with a text and a photo taken from a picture file; the files hold all of it,
// and after a restart taps on the line and on the note find them.
TEST_F(ScriptE2E, AMeasurementALineAndANoteWithAPhotoAreKeptAndFoundAfterARestart) {
    const QString work = path(QStringLiteral("map/project/demo/"));
    const QString meas = work + QStringLiteral("UDSML_demo_Meas.zlt"),
                  user = work + QStringLiteral("UDSML_demo_User.zlt");
    const auto measuredBefore = features(meas);
    const auto userBefore = features(user);
    QDir().mkpath(path(QStringLiteral("downloads")));
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(40, 120, 60));
    ASSERT_TRUE(photo.save(path(QStringLiteral("downloads/smrk.jpg")), "JPEG"));
    QDir(work + QStringLiteral("img")).removeRecursively();

    const Outcome o = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                         "select MainListBox Nástroje\n"
                                         "select ToolsListBox Měření délek/ploch\n"
                                         "expect ks_l_Caption Měření délek/ploch\n"
                                         "tap 300 300\n"
                                         "tap 500 320\n"
                                         "tap 520 500\n"
                                         "click b_NewLine\n"
                                         "expect ks_l_Delka 0 m\n"
                                         "click tools_rect\n"
                                         "select ToolsListBox Editace Linií\n"
                                         "tap 600 250\n"
                                         "tap 700 260\n"
                                         "tap 720 420\n"
                                         "click b_NewLine\n"
                                         "waitfor ks_Edit\n"
                                         "type Cesta k seči\n"
                                         "click ks_Rect_EdOK\n"
                                         "click tools_rect\n"
                                         "select ToolsListBox Poznámky\n"
                                         "tap 560 560\n"
                                         "waitfor ks_b_ImageFile\n"
                                         "click ks_b_ImageFile\n"
                                         "waitfor ListView\n"
                                         "select ListView smrk.jpg\n"
                                         "press OK\n"
                                         "waitfor ks_Image1_Layout\n"
                                         "click ks_b_CloseImage\n"
                                         "click Memo\n"
                                         "type Kůrovec na smrku\n"
                                         "press Uložit\n"
                                         "click hand_rect\n"
                                         "quit\n"));
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    const auto measured = features(meas);
    ASSERT_EQ(measured.size(), measuredBefore.size() + 1);
    EXPECT_EQ(measured.last().second, 3);
    const auto objects = features(user);
    ASSERT_EQ(objects.size(), userBefore.size() + 2) << "the line and the note";
    EXPECT_TRUE(objects.contains(QPair<QString, int>(QStringLiteral("Cesta k seči"), 3)));
    const QStringList photos = QDir(work + QStringLiteral("img")).entryList({QStringLiteral("KLIMG_*.jpg")});
    ASSERT_EQ(photos.size(), 1);
    QImage kept;
    ASSERT_TRUE(kept.load(work + QStringLiteral("img/") + photos[0]));
    EXPECT_EQ(kept.size(), photo.size());

    // After a restart the map view finds the line and the note (with its photo) under taps.
    const Outcome again = run(QStringLiteral("tap 710 340\n"
                                             "expect ks_p_note_caption Cesta k seči\n"
                                             "tap 560 560\n"
                                             "expect ks_p_note_text Kůrovec na smrku\n"
                                             "waitfor ks_p_note_img\n"
                                             "quit\n"));
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
}

// A field day on the demo project, as a forester taps it. Where lines are drawn and the clearing is
// built comes from the project's own files: a stand group found with the search panel, two
// construction lines across it, and a tap between them clear of the clearings already there.
struct FieldDay {
    QString unit;               // the stand group's unit label
    double lineX[2] = {0, 0};   // the two construction lines run north-south at these x
    double top = 0, bottom = 0; // from below the group to above it
    QPointF tap, note, measure[2];
    QPointF spare;  // a clear place outside the lines' strip
    QString script; // the day's script up to (not including) "quit"
};

class FieldDayE2E : public ScriptE2E {
protected:
    // The features of a layer file that are polygons: their properties and rings.
    struct Feature {
        QJsonObject properties;
        QList<QPolygonF> rings;
    };
    static QList<Feature> polygons(const QString& file) {
        QList<Feature> list;
        QProcess geojson;
        geojson.start(QStringLiteral(ZELTO_ZLT_BINARY), {QStringLiteral("geojson"), file});
        EXPECT_TRUE(geojson.waitForFinished(120000));
        const QJsonObject doc = QJsonDocument::fromJson(geojson.readAllStandardOutput()).object();
        for (const QJsonValue& v : doc.value(QStringLiteral("features")).toArray()) {
            const QJsonObject f = v.toObject();
            const QJsonObject g = f.value(QStringLiteral("geometry")).toObject();
            Feature feature{f.value(QStringLiteral("properties")).toObject(), {}};
            QJsonArray polys;
            if (g.value(QStringLiteral("type")).toString() == QLatin1String("Polygon"))
                polys.append(g.value(QStringLiteral("coordinates")));
            else if (g.value(QStringLiteral("type")).toString() == QLatin1String("MultiPolygon"))
                polys = g.value(QStringLiteral("coordinates")).toArray();
            for (const QJsonValue& poly : polys)
                for (const QJsonValue& ring : poly.toArray()) {
                    QPolygonF r;
                    for (const QJsonValue& c : ring.toArray())
                        r << QPointF(c.toArray()[0].toDouble(), c.toArray()[1].toDouble());
                    feature.rings << r;
                }
            if (!feature.rings.isEmpty()) list << feature;
        }
        return list;
    }
    static bool inside(const Feature& f, QPointF p) {
        int crossings = 0;
        for (const QPolygonF& r : f.rings) crossings += r.containsPoint(p, Qt::OddEvenFill) ? 1 : 0;
        return crossings % 2 == 1;
    }
    static QString work() { return path(QStringLiteral("map/project/demo/")); }
    // A model point as a script's "X Y".
    static QString at(QPointF p) {
        return QStringLiteral("%1 %2").arg(p.x(), 0, 'f', 3).arg(p.y(), 0, 'f', 3);
    }
    // The script's steps shared by the day's runs: the GPS switched on with a route recording, the
    // view zoomed out around the first stand group of division 1 (as the search panel finds it),
    // and the clearings' layer made active with the drawer left on its tools list.
    static inline const QString StartRoute = QStringLiteral("click kButton4\n"
                                                            "wait 2500\n"
                                                            "click ks_InfoLayout_MenuRect\n"
                                                            "select MainListBox   Nastavení\n"
                                                            "click b_TraceRoute\n"
                                                            "click MultiViewCover\n"
                                                            "click b_StartRoute\n");
    static inline const QString ZoomToGroup = QStringLiteral("click kb_FindLHC\n"
                                                             "waitfor ed_odd\n"
                                                             "select ed_odd 1\n"
                                                             "expect ed_Dil a\n"
                                                             "click Button12\n"
                                                             "click minus_rect\n");
    static inline const QString ClearingsActive = QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                                                 "select MainListBox   Vrstvy\n"
                                                                 "waitfor ActiveLayerCombo\n"
                                                                 "select ActiveLayerCombo Holiny\n"
                                                                 "click Rect_Menu\n"
                                                                 "select MainListBox Nástroje\n");

    // The plan of the day on the first stand group of division 1 (as the search panel finds it).
    static FieldDay plan() {
        FieldDay day;
        const QList<Feature> forest = polygons(QFileInfo(s_project).path() + QStringLiteral("/demo_lhc.zlt"));
        const Feature* group = nullptr;
        for (const Feature& f : forest)
            if (f.properties.value(QStringLiteral("class")).toString() ==
                    QLatin1String("Tgis_PorostniSkupina") &&
                f.properties.value(QStringLiteral("unit")).toString().startsWith(QLatin1String("1a1 "))) {
                group = &f;
                break;
            }
        EXPECT_NE(group, nullptr);
        if (!group) return day;
        day.unit = group->properties.value(QStringLiteral("unit")).toString();
        const QRectF box = group->rings.front().boundingRect();
        day.lineX[0] = box.left() + box.width() * 0.3;
        day.lineX[1] = box.left() + box.width() * 0.7;
        day.bottom = box.top() - 15;
        day.top = box.bottom() + 15;
        const QList<Feature> clearings = polygons(work() + QStringLiteral("UDSML_demo_Holiny.zlt"));
        // A tap between the lines, 4 m clear of every clearing and of the group's edge.
        auto clear = [&](QPointF p) {
            for (QPointF d : {QPointF(0, 0), QPointF(4, 0), QPointF(-4, 0), QPointF(0, 4), QPointF(0, -4)}) {
                if (!inside(*group, p + d)) return false;
                for (const Feature& c : clearings)
                    if (inside(c, p + d)) return false;
            }
            return true;
        };
        const double mid = (day.lineX[0] + day.lineX[1]) / 2;
        for (double y = box.top(); y < box.bottom() && day.tap.isNull(); y += 2)
            if (clear(QPointF(mid, y))) day.tap = QPointF(mid, y);
        // Left of the first line: a clearing built there does not take the day's place.
        const double left = box.left() + box.width() * 0.2;
        for (double y = box.top(); y < box.bottom() && day.spare.isNull(); y += 2)
            if (clear(QPointF(left, y))) day.spare = QPointF(left, y);
        for (double y = box.bottom(); y > box.top() && day.note.isNull(); y -= 2)
            if (clear(QPointF(box.left() + box.width() * 0.15, y)))
                day.note = QPointF(box.left() + box.width() * 0.15, y);
        EXPECT_FALSE(day.note.isNull());
        day.measure[0] = QPointF(box.left(), box.top());
        day.measure[1] = QPointF(box.right(), box.bottom());
        auto line = [&](int i) {
            return QStringLiteral("tapmodel %1\ntapmodel %2\ntapmodel %3\n")
                .arg(at({day.lineX[i], day.bottom}), at({day.lineX[i] + 1, (day.bottom + day.top) / 2}),
                     at({day.lineX[i], day.top}));
        };
        day.script =
            QStringLiteral("# another map\n"
                           "click ks_InfoLayout_MenuRect\n"
                           "waitfor MapListBox\n"
                           "select MapListBox Věkové stupně\n"
                           "# the stand group from the search panel\n"
                           "waittext ks_l_JPRLs OK\n") +
            ZoomToGroup +
            QStringLiteral("screenshot guide-search.png\n"
                           "click Button8\n"
                           "# a tap on the map names the stand group\n"
                           "tapmodel ") +
            at(day.tap) + QStringLiteral("\nexpect ks_l_JPRLs ") + day.unit +
            QStringLiteral("\n"
                           "# the GPS on, the replayed walk recorded as a route, the GPS off\n") +
            StartRoute +
            QStringLiteral("wait 12000\n"
                           "screenshot guide-route.png\n"
                           "click b_endRoute\n"
                           "click kButton4\n") +
            ZoomToGroup +
            QStringLiteral("click Button8\n"
                           "# a distance measured\n"
                           "click ks_InfoLayout_MenuRect\n"
                           "select MainListBox Nástroje\n"
                           "select ToolsListBox Měření délek/ploch\n"
                           "tapmodel ") +
            at(day.measure[0]) + QStringLiteral("\ntapmodel ") + at(day.measure[1]) +
            QStringLiteral("\n"
                           "click b_NewLine\n"
                           "# the clearings' layer active, two construction lines across the stand\n") +
            ClearingsActive + QStringLiteral("select ToolsListBox Editace Linií\n") + line(0) +
            QStringLiteral("click b_NewLine\n"
                           "waitfor ks_Edit\n"
                           "type Linie 1\n"
                           "click ks_Rect_EdOK\n") +
            line(1) +
            QStringLiteral("screenshot guide-lines.png\n"
                           "click b_NewLine\n"
                           "waitfor ks_Edit\n"
                           "type Linie 2\n"
                           "click ks_Rect_EdOK\n"
                           "# the clearing between them\n"
                           "click tools_rect\n"
                           "select ToolsListBox Editace ploch\n"
                           "tapmodel ") +
            at(day.tap) +
            QStringLiteral("\n"
                           "waitfor fmx_AreaDialog\n"
                           "expect l_Nova Nová holina\n"
                           "select Combo_Year 2019\n"
                           "click ed_Index\n"
                           "type 7\n"
                           "click ed_Pozn\n"
                           "type Nová holina po kůrovci\n"
                           "screenshot guide-area.png\n"
                           "press Uložit\n");
        return day;
    }
};

TEST_F(FieldDayE2E, AForestersDayIsAllThereAfterARestart) {
    const QString nmea = QFileInfo(s_project).path() + QLatin1Char('/') +
                         QFileInfo(s_project).completeBaseName() + QStringLiteral(".nmea");
    const QString holiny = work() + QStringLiteral("UDSML_demo_Holiny.zlt"),
                  meas = work() + QStringLiteral("UDSML_demo_Meas.zlt"),
                  log = work() + QStringLiteral("UDSML_demo_Log.zlt");
    QFile::remove(log);
    const FieldDay day = plan();
    ASSERT_FALSE(day.script.isEmpty());
    ASSERT_FALSE(day.tap.isNull()) << "no clear place between the lines";
    const QList<Feature> before = polygons(holiny);
    const auto objectsBefore = features(holiny);
    const auto measuredBefore = features(meas);
    QDir().mkpath(path(QStringLiteral("downloads")));
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(120, 80, 40));
    ASSERT_TRUE(photo.save(path(QStringLiteral("downloads/paseka.jpg")), "JPEG"));

    // A layer handed over from another device, imported as a new layer under a name of its own.
    QDir().mkpath(path(QStringLiteral("downloads/predani")));
    const QString handed = path(QStringLiteral("downloads/predani/pozorovani.zlt"));
    QFile::remove(handed);
    ASSERT_TRUE(QFile::copy(work() + QStringLiteral("UDSML_demo_Pozorování.zlt"), handed));
    const QString importedFile = work() + QStringLiteral("UDSML_demo_Pozorování-2026.zlt");
    QFile::remove(importedFile);
    const QString importing = QStringLiteral("# the host's import window on the handed-over layer\n"
                                             "waitfor rb_Change\n"
                                             "click rb_Change\n"
                                             "click ed_Nazev\n"
                                             "type -2026\n"
                                             "expect l_Info Název OK\n"
                                             "windowshot ImportLayer_Form guide-import.png\n"
                                             "press Nahrát\n");
    const Outcome o = run(importing + day.script +
                              QStringLiteral("# a note with a photo\n"
                                             "click tools_rect\n"
                                             "select ToolsListBox Poznámky\n"
                                             "tapmodel %1 %2\n"
                                             "waitfor ks_b_ImageFile\n"
                                             "click ks_b_ImageFile\n"
                                             "waitfor ListView\n"
                                             "select ListView paseka.jpg\n"
                                             "press OK\n"
                                             "waitfor ks_Image1_Layout\n"
                                             "click ks_b_CloseImage\n"
                                             "click Memo\n"
                                             "type Oplocenka opravit\n"
                                             "screenshot guide-note.png\n"
                                             "press Uložit\n"
                                             "click hand_rect\n"
                                             "quit\n")
                                  .arg(day.note.x(), 0, 'f', 3)
                                  .arg(day.note.y(), 0, 'f', 3),
                          {QStringLiteral("--nmea"), nmea, QStringLiteral("--import"), handed});
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();

    // Reopened: the files hold the day.
    EXPECT_EQ(features(importedFile), features(handed));
    ASSERT_EQ(run(QStringLiteral("quit\n")).exitCode, 0);
    int tracks = 0;
    EXPECT_GE(trackPoints(log, &tracks).size(), 2);
    EXPECT_EQ(tracks, 1);
    const auto measured = features(meas);
    ASSERT_EQ(measured.size(), measuredBefore.size() + 1);
    EXPECT_EQ(measured.last().second, 2);
    const QList<Feature> after = polygons(holiny);
    ASSERT_EQ(after.size(), before.size() + 1) << "the new clearing";
    const Feature& clearing = after.last();
    EXPECT_EQ(clearing.properties.value(QStringLiteral("Druh")).toInt(), 42);
    EXPECT_EQ(clearing.properties.value(QStringLiteral("ROK")).toString(), QStringLiteral("2019"));
    EXPECT_EQ(clearing.properties.value(QStringLiteral("INDEXHOLINY")).toString(), QStringLiteral("7"));
    EXPECT_EQ(clearing.properties.value(QStringLiteral("Poznamka")).toString(),
              QStringLiteral("Nová holina po kůrovci"));
    EXPECT_EQ(clearing.properties.value(QStringLiteral("ETAZ")).toString(),
              day.unit.section(QLatin1Char(' '), 1));
    EXPECT_TRUE(inside(clearing, day.tap));
    // Between the two lines: no vertex of it lies outside them.
    const QRectF box = clearing.rings.front().boundingRect();
    EXPECT_GE(box.left(), day.lineX[0] - 0.5);
    EXPECT_LE(box.right(), day.lineX[1] + 1.5);
    // With the clearing, the two lines and the note (a point) in the clearings' layer.
    const auto objects = features(holiny);
    EXPECT_EQ(objects.size(), objectsBefore.size() + 4);
    EXPECT_TRUE(objects.contains(QPair<QString, int>(QStringLiteral("Linie 1"), 3)));
    EXPECT_TRUE(objects.contains(QPair<QString, int>(QStringLiteral("Linie 2"), 3)));
    EXPECT_FALSE(QDir(work() + QStringLiteral("img")).entryList({QStringLiteral("KLIMG_*.jpg")}).isEmpty());
}

// The same day cut short: the app is killed (kill -9) while a route is being recorded, after a
// clearing (beside the day's strip, so that the two tests need not run in separate processes) was
// saved. The reopened project has the clearing and every position of the journal.
TEST_F(FieldDayE2E, AKilledDayLosesNothingSavedOrJournaled) {
    const QString nmea = QFileInfo(s_project).path() + QLatin1Char('/') +
                         QFileInfo(s_project).completeBaseName() + QStringLiteral(".nmea");
    const QString holiny = work() + QStringLiteral("UDSML_demo_Holiny.zlt"),
                  log = work() + QStringLiteral("UDSML_demo_Log.zlt"),
                  journal = log + QStringLiteral(".journal");
    QFile::remove(log);
    QFile::remove(journal);
    const FieldDay day = plan();
    ASSERT_FALSE(day.spare.isNull());
    const int clearingsBefore = int(polygons(holiny).size());
    QProcess demo;
    start(demo,
          StartRoute + QStringLiteral("wait 8000\n") + ZoomToGroup + QStringLiteral("click Button8\n") +
              ClearingsActive + QStringLiteral("select ToolsListBox Editace ploch\ntapmodel ") +
              at(day.spare) +
              QStringLiteral("\n"
                             "waitfor fmx_AreaDialog\n"
                             "click ed_Pozn\n"
                             "type Po kalamitě\n"
                             "press Uložit\n"
                             "wait 600000\n"),
          {QStringLiteral("--nmea"), nmea});
    ASSERT_TRUE(demo.waitForStarted(30000));
    QElapsedTimer clock;
    clock.start();
    bool saved = false;
    while (clock.elapsed() < 90000 && !demo.waitForFinished(1000) && !saved)
        saved = int(polygons(holiny).size()) == clearingsBefore + 1 && journalVertices(journal) >= 2;
    ASSERT_TRUE(saved) << demo.readAllStandardError().toStdString();
    ASSERT_EQ(demo.state(), QProcess::Running) << demo.readAllStandardError().toStdString();
    demo.kill();
    ASSERT_TRUE(demo.waitForFinished(10000));
    const int recorded = journalVertices(journal);

    ASSERT_EQ(run(QStringLiteral("quit\n")).exitCode, 0);
    const QList<Feature> after = polygons(holiny);
    ASSERT_EQ(after.size(), clearingsBefore + 1);
    EXPECT_EQ(after.last().properties.value(QStringLiteral("Poznamka")).toString(),
              QStringLiteral("Po kalamitě"));
    EXPECT_TRUE(inside(after.last(), day.spare));
    int tracks = 0;
    EXPECT_EQ(trackPoints(log, &tracks).size(), recorded);
    EXPECT_EQ(tracks, 1);
}

TEST_F(ScriptE2E, ABadLineStopsTheScriptAndIsNamed) {
    QFile::remove(path(QStringLiteral("before.png")));
    QFile::remove(path(QStringLiteral("after.png")));
    const Outcome o = run(QStringLiteral("# two good lines, then a bad one\n"
                                         "screenshot before.png\n"
                                         "click b_Nikde\n"
                                         "screenshot after.png\n"));
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.errors.contains(
        QStringLiteral("zelto-demo: script.txt:3: no visible, enabled control named b_Nikde")))
        << o.errors.toStdString();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("before.png"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("after.png")))) << "a line after the bad one ran";
}

struct FailureCase {
    const char* name;
    const char* script;
    int line;
    const char* reason;
};

// The case's name, not its bytes, in the test's printed name.
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class ScriptFailure : public ScriptE2E, public testing::WithParamInterface<FailureCase> {};

TEST_P(ScriptFailure, ExitsOneNamingTheLine) {
    const Outcome o = run(QString::fromUtf8(GetParam().script));
    EXPECT_EQ(o.exitCode, 1);
    const QString where = QStringLiteral("zelto-demo: script.txt:%1: ").arg(GetParam().line);
    const qsizetype at = o.errors.indexOf(where);
    ASSERT_GE(at, 0) << o.errors.toStdString();
    EXPECT_TRUE(o.errors.mid(at + where.size()).contains(QString::fromUtf8(GetParam().reason)))
        << o.errors.toStdString();
}

const FailureCase kFailures[] = {
    // Checked before the window opens: nothing of the script runs.
    {"UnknownCommand", "tap 10 10\nfly 1 2\n", 2, "unknown command \"fly\""},
    {"BadNumber", "tap 10 1O\n", 1, "bad number \"1O\" for Y"},
    {"MissingNumber", "drag 1 2 3\n", 1, "drag wants X1 Y1 X2 Y2"},
    {"UnknownKey", "# keys by their Qt names\nkey Enterr\n", 2, "unknown key \"Enterr\""},
    {"ZeroWheelSteps", "wheel 10 10 0\n", 1, "STEPS must not be 0"},
    // Found out while running.
    {"UnknownControl", "click b_Nikde\n", 1, "no visible, enabled control named b_Nikde"},
    {"InvisibleControl", "click MapListBox\n", 1, "no visible, enabled control named MapListBox"},
    {"CoveredByTheLock",
     "click ks_InfoLayout_MenuRect\nselect MainListBox Zamknout displej\nclick ks_InfoLayout_MenuRect\n", 3,
     "ks_InfoLayout_MenuRect is covered by LockPanel"},
    {"HiddenListRow", "click ks_InfoLayout_MenuRect\nselect MainListBox Zobrazení\n", 2,
     "MainListBox shows no entry \"Zobrazení\""},
    {"WrongText", "expect ks_l_Scale 5 km\n", 1, "ks_l_Scale reads \"200 m\", not \"5 km\""},
    {"TapBesideTheMap", "tap 1280 10\n", 1, "1280 10 lies outside the map (1280 x 800 page pixels)"},
    {"ModelPointFarAway", "tapmodel 0 0\n", 1, "lies outside the map (1280 x 800 page pixels)"},
    {"PinchWithTheMouse", "pinch 640 400 2\n", 1, "the map takes the mouse, not touch gestures"},
    {"GpsOff", "gps 49.2 16.6\n", 1, "the GPS is off"},
};

INSTANTIATE_TEST_SUITE_P(Script, ScriptFailure, testing::ValuesIn(kFailures),
                         [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The host imports a layer file of another device as a new layer (zelto-demo --import --mode 1)
// before a script runs; the layer is written into the project and is there after a restart.
TEST_F(ScriptE2E, ALayerImportedByTheHostIsInTheProjectAfterARestart) {
    const QString work = path(QStringLiteral("map/project/demo/"));
    const QString local = work + QStringLiteral("UDSM_demo.zlt");
    const QString imported = work + QStringLiteral("UDSML_demo_User1.zlt");
    QFile::remove(imported);
    QFile::remove(local + QStringLiteral(".before-import"));
    ASSERT_TRUE(QFile::copy(local, local + QStringLiteral(".before-import")));
    // The drawing layer of the demo, as another device would hand it over.
    QDir().mkpath(path(QStringLiteral("downloads/import")));
    const QString file = path(QStringLiteral("downloads/import/kresleni.zlt"));
    QFile::remove(file);
    ASSERT_TRUE(QFile::copy(work + QStringLiteral("UDSML_demo_User.zlt"), file));
    const auto objects = features(file);
    ASSERT_FALSE(objects.isEmpty());

    // A user without layer definitions (the definitions of "demo" decide which layers it sees).
    const QStringList user = {QStringLiteral("--user"), QStringLiteral("hajny")};
    const Outcome o = run(
        QStringLiteral("quit\n"),
        QStringList{QStringLiteral("--import"), file, QStringLiteral("--mode"), QStringLiteral("1")} + user);
    ASSERT_EQ(o.exitCode, 0) << o.errors.toStdString();
    EXPECT_EQ(features(imported), objects) << "the layer \"User\" exists, so the import is \"User1\"";

    const Outcome again = run(QStringLiteral("click ks_InfoLayout_MenuRect\n"
                                             "select MainListBox Vrstvy\n"
                                             "select ListBox_Layers User\n"
                                             "expect tab_Layers_edit_LayerName User\n"
                                             "quit\n"),
                              user);
    EXPECT_EQ(again.exitCode, 0) << again.errors.toStdString();
    EXPECT_EQ(features(imported), objects);

    // The demo project as it was, for the tests after this one.
    QFile::remove(imported);
    QFile::remove(local);
    QFile::rename(local + QStringLiteral(".before-import"), local);
}
