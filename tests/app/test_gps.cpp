// The GPS as the user drives it: switching on and off with every label, the options switch
// without re-entry, centring and follow mode, and a route recorded from positions.
#include "app_fixture.h"
#include "wait_until.h"

#include "Gps.h"
#include "Layers.h"

#include "framework/ProjectPath.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "projection/r_WGS84.h"
#include "topobjects/e_TopolElements.h"

#include "stream_files.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <iostream>

#include <cmath>

namespace apptest {
namespace {

using namespace zelto;

class GpsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        form = newForm();
        form->SetUser(QStringLiteral("lesnik"));
        ASSERT_TRUE(form->LoadProject(makeProject(QStringLiteral("data/Revír.opx"), {standMap()})));
        source = platform::locationSource();
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    TGpsController& gps() { return form->Gps(); }
    QString text(const char* name) { return ctl<QLabel>(form, name)->text(); }
    // A position near the centre of the map, `north` metres to the north (about).
    void walk(double north) { source->inject(49.5 + north / 111200.0, 16.5); }

    std::unique_ptr<TMainForm> form;
    platform::LocationSource* source = nullptr;
};

TEST_F(GpsTest, SwitchingOnAndOffSetsEveryLabelAndTheSwitchWithoutReentry) {
    EXPECT_EQ(text("l_gps"), QStringLiteral("gps neni zapnuta"));
    auto* cb = ctl<QAbstractButton>(form, "cb_GPS");
    // The user's switch turns the GPS on once, and the form's own moves of the switch do not
    // toggle it again.
    cb->setChecked(true);
    EXPECT_TRUE(gps().GpsOn);
    EXPECT_TRUE(source->active());
    EXPECT_EQ(text("l_gps"), QStringLiteral("gps zapnuta, čeká na signál..."));
    EXPECT_EQ(ctl<QAbstractButton>(form, "kButton4")->text(), QStringLiteral("GPS +"));
    EXPECT_EQ(text("l_cb_GPS"), QStringLiteral("Vypnout GPS"));
    EXPECT_EQ(gps().ImageIndex, TGpsController::ImageSearching);
    EXPECT_FALSE(gps().FGPSFixed);

    walk(0);
    EXPECT_TRUE(gps().FGPSFixed);
    EXPECT_EQ(gps().ImageIndex, TGpsController::ImageFixed);
    TMapCoord c;
    ASSERT_TRUE(WGS84toJTSK(49.5, 16.5, c));
    EXPECT_DOUBLE_EQ(gps().jtskX, -c.Y);
    EXPECT_DOUBLE_EQ(gps().jtskY, -c.X);
    EXPECT_EQ(text("l_jtsk"), QStringLiteral("X: %1 Y: %2").arg(std::lround(-c.Y)).arg(std::lround(-c.X)));
    EXPECT_EQ(text("l_gps"), WGS84ToStr(49.5, 16.5, afSeconds));

    form->Button4Click();
    EXPECT_FALSE(gps().GpsOn);
    EXPECT_FALSE(source->active());
    EXPECT_FALSE(cb->isChecked());
    EXPECT_EQ(text("l_gps"), QStringLiteral("gps vypnuta..."));
    EXPECT_EQ(text("l_cb_GPS"), QStringLiteral("Zapnout GPS"));
    EXPECT_EQ(ctl<QAbstractButton>(form, "kButton4")->text(), QStringLiteral("GPS"));
    EXPECT_EQ(gps().ImageIndex, TGpsController::ImageOff);

    // Switched on again, the old position is gone until a new one arrives.
    form->Button4Click();
    recordingNotifier()->clear();
    gps().b_gpsfindClick();
    EXPECT_EQ(messages(), QStringList{"GPS poloha není k dispozici"});
}

TEST_F(GpsTest, CentringAndFollowModeMoveTheViewToThePosition) {
    form->Button4Click();
    walk(0);
    TPageProjection* P = form->Projection();
    gps().b_gpsfindClick();
    EXPECT_DOUBLE_EQ(P->GetCenterX(), gps().jtskX);
    EXPECT_DOUBLE_EQ(P->GetCenterY(), gps().jtskY);

    // Follow mode re-centres once a second on the newest position; a pan ends it.
    ctl<QAbstractButton>(form, "b_gpss")->click();
    EXPECT_TRUE(gps().Fix);
    EXPECT_EQ(gps().ImageIndex, TGpsController::ImageFollowing);
    walk(50);
    EXPECT_TRUE(gps().DoFindGPS);
    gps().FixTimerTimer();
    EXPECT_DOUBLE_EQ(P->GetCenterY(), gps().jtskY);
    EXPECT_FALSE(gps().DoFindGPS);
    // A pan or a pinch on the map ends it.
    for (TGestureKind kind : {TGestureKind::Pan, TGestureKind::Zoom}) {
        SCOPED_TRACE(int(kind));
        if (!gps().Fix) ctl<QAbstractButton>(form, "b_gpss")->click();
        ASSERT_TRUE(gps().Fix);
        bool handled = false;
        TGestureEventInfo gesture;
        gesture.GestureID = kind;
        gesture.Location = QPointF(500, 400);
        gesture.Distance = 100;
        gesture.Flags = gfBegin;
        form->Navigation().FormGesture(nullptr, gesture, handled);
        EXPECT_FALSE(gps().Fix);
        EXPECT_EQ(gps().ImageIndex, TGpsController::ImageFixed);
        EXPECT_FALSE(ctl<QTimer>(form, "FixTimer")->isActive());
        gesture.Flags = gfEnd;
        form->Navigation().FormGesture(nullptr, gesture, handled);
    }
}

TEST_F(GpsTest, ARouteRecordsEveryReportedPositionAsAVertexOfTheLogLayer) {
    recordingNotifier()->clear();
    gps().b_StartRouteClick();
    EXPECT_EQ(messages(), QStringList{"GPS poloha není k dispozici"});
    EXPECT_FALSE(gps().GPSTrack);

    form->Button4Click();
    walk(0);
    gps().b_StartRouteClick();
    ASSERT_TRUE(gps().GPSTrack);
    EXPECT_FALSE(ctl<QAbstractButton>(form, "b_StartRoute")->isEnabled());
    EXPECT_TRUE(ctl<QAbstractButton>(form, "b_endRoute")->isEnabled());
    std::vector<std::pair<double, double>> expected;
    for (int i = 1; i <= 12; ++i) {
        walk(i * 10.0);
        if (i % 4 == 0) walk(i * 10.0 + 2); // closer than 5 m: not reported
        expected.emplace_back(gps().jtskX, gps().jtskY);
    }
    // Outside the grid's area: no vertex.
    source->inject(10, 10);
    TPolyLineElement* route = gps().ActualRoute;
    ASSERT_NE(route, nullptr);
    ASSERT_EQ(route->GetCoordsCount(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_DOUBLE_EQ(route->GetCoordElement(i)->GetX(), expected[size_t(i)].first) << i;
        EXPECT_DOUBLE_EQ(route->GetCoordElement(i)->GetY(), expected[size_t(i)].second) << i;
    }
    TComplicatedGECollection* lines = form->Layers().Layers_Layer(QStringLiteral("Log"), QStringLiteral("L"));
    ASSERT_EQ(lines->ElementsCount(), 1);
    EXPECT_EQ(lines->Get(0), route);

    // Stopping keeps the route in the layer and writes the layer's file.
    ctl<QAbstractButton>(form, "b_endRoute")->click();
    EXPECT_FALSE(gps().GPSTrack);
    EXPECT_TRUE(ctl<QAbstractButton>(form, "b_StartRoute")->isEnabled());
    std::unique_ptr<TElement> saved = zelto::testing::loadFrom(TProjectPath::Layer(QStringLiteral("Log")));
    auto* log = zelto_cast<TComplicatedGECollection>(saved.get());
    ASSERT_NE(log, nullptr);
    TComplicatedGECollection* savedLines = log->GetLayer(QStringLiteral("L"));
    ASSERT_EQ(savedLines->ElementsCount(), 1);
    // A finished route is a line of its layer (kind 1), drawn with the layer from now on.
    auto* line = zelto_cast<TTopolLineElement>(savedLines->Get(0));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetGroup(), 1);
    auto* geometry = zelto_cast<TPolyLineElement>(line->GetGeometry());
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->GetCoordsCount(), 12);
}

TEST_F(GpsTest, LeavingTheRouteToolWhileRecordingWarnsAndKeepsRecording) {
    form->Button4Click();
    walk(0);
    gps().b_TraceRouteClick();
    auto* panel = ctl<QWidget>(form, "p_gpslog");
    ASSERT_FALSE(panel->isHidden());
    gps().b_StartRouteClick();
    recordingNotifier()->clear();
    gps().LeaveRouteTool();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Nejdřív ukončete trasování GPS!")});
    EXPECT_TRUE(gps().GPSTrack);
    EXPECT_FALSE(panel->isHidden());
    walk(20);
    EXPECT_EQ(gps().ActualRoute->GetCoordsCount(), 1);
    gps().b_endRouteClick();
    recordingNotifier()->clear();
    gps().LeaveRouteTool();
    EXPECT_EQ(messages(), QStringList());
    EXPECT_TRUE(panel->isHidden());
}

// An NMEA log replayed through the platform's position source: each fix after the start of a
// route is a vertex, in model coordinates (negated S-JTSK of the fix).
TEST_F(GpsTest, TenReplayedNmeaFixesAreTenVerticesOfTheRoute) {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("walk.nmea"));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    std::vector<std::pair<double, double>> fixes; // lat, lon
    // More fixes than the route takes: the replay reports from its second sentence on (the first
    // starts its clock), and the first reported fixes the position before the route starts.
    for (int i = 0; i < 14; ++i) {
        // 0.3 s apart, about 20 m north and 8 m east each time.
        const double minutesN = 30.0 + i * 0.0108, minutesE = 30.0 + i * 0.0066;
        fixes.emplace_back(49 + minutesN / 60, 16 + minutesE / 60);
        const QByteArray body = QStringLiteral("GPRMC,0800%1,A,49%2,N,016%3,E,0.0,0.0,111226,,,A")
                                    .arg(i * 0.3, 5, 'f', 2, QLatin1Char('0'))
                                    .arg(minutesN, 7, 'f', 4, QLatin1Char('0'))
                                    .arg(minutesE, 7, 'f', 4, QLatin1Char('0'))
                                    .toLatin1();
        quint8 sum = 0;
        for (char c : body) sum ^= quint8(c);
        f.write("$" + body + "*" + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n");
    }
    f.close();
    platform::setLocationSource(platform::QtLocationSource::nmeaReplay(log));
    form->Button4Click();
    ASSERT_TRUE(waitUntil([&] { return gps().FGPSFixed; }, 10000));
    gps().b_StartRouteClick();
    ASSERT_TRUE(gps().GPSTrack);
    ASSERT_TRUE(waitUntil([&] { return gps().ActualRoute->GetCoordsCount() >= 10; }, 10000))
        << gps().ActualRoute->GetCoordsCount() << " vertices";
    // Ten vertices: ten consecutive fixes of the log, each in model coordinates.
    TPolyLineElement* route = gps().ActualRoute;
    std::vector<std::pair<double, double>> model;
    for (const auto& [lat, lon] : fixes) {
        TMapCoord c;
        ASSERT_TRUE(WGS84toJTSK(lat, lon, c));
        model.emplace_back(-c.Y, -c.X);
    }
    size_t first = 0;
    while (first < model.size() && std::hypot(route->GetCoordElement(0)->GetX() - model[first].first,
                                              route->GetCoordElement(0)->GetY() - model[first].second) > 1e-6)
        ++first;
    ASSERT_GE(first, 1u) << "the fix before the start is not a vertex";
    ASSERT_LE(first + 10, model.size());
    for (int i = 0; i < 10; ++i) {
        EXPECT_NEAR(route->GetCoordElement(i)->GetX(), model[first + size_t(i)].first, 1e-6) << i;
        EXPECT_NEAR(route->GetCoordElement(i)->GetY(), model[first + size_t(i)].second, 1e-6) << i;
    }
    form->Button4Click();
}

// The layer details export the recorded routes as GPX into the project file's folder.
TEST_F(GpsTest, TheRoutesOfALayerAreExportedAsGpx) {
    form->Button4Click();
    walk(0);
    gps().b_StartRouteClick();
    for (int i = 1; i <= 5; ++i) walk(i * 10.0);
    gps().b_endRouteClick();
    auto* list = ctl<QListWidget>(form, "ListBox_Layers");
    const auto details = [&](const QString& text) {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == text) form->Layers().ListBox_LayersItemClick(list->item(i));
    };
    details(QStringLiteral("Kreslení"));
    EXPECT_TRUE(ctl<QWidget>(form, "b_ExportGPX")->isHidden())
        << "a layer without lines has nothing to export";
    form->Layers().Button15Click();
    details(QStringLiteral("Trasy"));
    ASSERT_FALSE(ctl<QWidget>(form, "b_ExportGPX")->isHidden());
    recordingNotifier()->clear();
    ctl<QAbstractButton>(form, "b_ExportGPX")->click();
    const QString file = path(QStringLiteral("data/Revír_Log.gpx"));
    ASSERT_TRUE(QFileInfo::exists(file)) << messages().join('\n').toStdString();
    EXPECT_EQ(messages().size(), 1);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString gpx = QString::fromUtf8(f.readAll());
    EXPECT_EQ(gpx.count(QStringLiteral("<trk>")), 1);
    EXPECT_EQ(gpx.count(QStringLiteral("<trkpt ")), 5);
    // The first point is the first position recorded, back in WGS84.
    const QRegularExpressionMatch first =
        QRegularExpression(QStringLiteral("<trkpt lat=\"([0-9.]+)\" lon=\"([0-9.]+)\"")).match(gpx);
    ASSERT_TRUE(first.hasMatch()) << gpx.left(600).toStdString();
    EXPECT_NEAR(first.captured(1).toDouble(), 49.5 + 10 / 111200.0, 1e-7);
    EXPECT_NEAR(first.captured(2).toDouble(), 16.5, 1e-7);
}

// The route journal: a recording that ends without its route being saved (the app killed, or
// here its form destroyed) is replayed at the next opening, continuing a route a save made part
// way instead of adding it twice; a torn last line is dropped, and the journal goes once saved.
TEST_F(GpsTest, AJournaledRouteIsReplayedOnceAtTheNextOpening) {
    form->Button4Click();
    walk(0);
    gps().b_StartRouteClick();
    for (int i = 1; i <= 4; ++i) walk(i * 10.0);
    form->Layers().Layers_Save(); // another layer's save writes the route so far
    for (int i = 5; i <= 7; ++i) walk(i * 10.0);
    std::vector<std::pair<double, double>> vertices;
    for (int i = 0; i < gps().ActualRoute->GetCoordsCount(); ++i)
        vertices.emplace_back(gps().ActualRoute->GetCoordElement(i)->GetX(),
                              gps().ActualRoute->GetCoordElement(i)->GetY());
    ASSERT_EQ(vertices.size(), 7u);
    const QString journal = TProjectPath::Layer(QStringLiteral("Log")) + QStringLiteral(".journal");
    ASSERT_TRUE(QFileInfo::exists(journal));
    form.reset(); // gone without ending the route
    {
        QFile f(journal);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("-600123.5 -11"); // a vertex torn by the end of the process
    }

    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        form = newForm();
        form->SetUser(QStringLiteral("lesnik"));
        ASSERT_TRUE(form->LoadProject(path(QStringLiteral("data/Revír.opx"))));
        EXPECT_FALSE(QFileInfo::exists(journal));
        TComplicatedGECollection* lines =
            form->Layers().Layers_Layer(QStringLiteral("Log"), QStringLiteral("L"));
        ASSERT_EQ(lines->ElementsCount(), 1) << "the partly saved route is continued, not added again";
        auto* line = zelto_cast<TTopolLineElement>(lines->Get(0));
        ASSERT_NE(line, nullptr);
        auto* geometry = zelto_cast<TPolyLineElement>(line->GetGeometry());
        ASSERT_EQ(geometry->GetCoordsCount(), 7);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(geometry->GetCoordElement(i)->GetX(), vertices[size_t(i)].first) << i;
            EXPECT_EQ(geometry->GetCoordElement(i)->GetY(), vertices[size_t(i)].second) << i;
        }
        form.reset();
    }
}

TEST_F(GpsTest, OpeningAnotherProjectWhileRecordingEndsAndSavesTheRoute) {
    form->Button4Click();
    walk(0);
    gps().b_StartRouteClick();
    for (int i = 1; i <= 3; ++i) walk(i * 10.0);
    const QString file = TProjectPath::Layer(QStringLiteral("Log"));
    ASSERT_TRUE(form->LoadProject(makeProject(QStringLiteral("jinde/Druhý.opx"), {standMap()})));
    EXPECT_FALSE(gps().GPSTrack);
    EXPECT_TRUE(ctl<QAbstractButton>(form, "b_StartRoute")->isEnabled());
    std::unique_ptr<TElement> saved = zelto::testing::loadFrom(file);
    auto* log = zelto_cast<TComplicatedGECollection>(saved.get());
    ASSERT_NE(log, nullptr);
    ASSERT_EQ(log->GetLayer(QStringLiteral("L"))->ElementsCount(), 1);
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".journal")));
}

} // namespace
} // namespace apptest
