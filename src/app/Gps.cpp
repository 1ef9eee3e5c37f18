#include "Gps.h"

#include "Layers.h"
#include "MapCanvas.h"
#include "OlderFiles.h"
#include "RouteJournal.h"
#include "TiledMap.h"
#include "UiKit.h"

#include "framework/Notifier.h"
#include "framework/ProjectPath.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "platform/Location.h"
#include "projection/e_Proje.h"
#include "projection/r_WGS84.h"
#include "topobjects/e_TopolElements.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace zelto {

namespace {

const QString NoPosition = QStringLiteral("GPS poloha není k dispozici");

// The lamp of the route panel: lit while recording.
void setLamp(QWidget* diode, bool lit) {
    if (!diode) return;
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(diode->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(diode);
        diode->setGraphicsEffect(effect);
    }
    effect->setOpacity(lit ? 1.0 : 0.1);
}

// Runs `tapped` when the watched widget is released under the primary button.
class TTapFilter : public QObject {
public:
    TTapFilter(QObject* parent, std::function<void()> tapped)
        : QObject(parent), m_tapped(std::move(tapped)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_tapped();
            return true;
        }
        return event->type() == QEvent::MouseButtonPress;
    }

private:
    std::function<void()> m_tapped;
};

} // namespace

TGpsWidgets TGpsWidgets::Find(QWidget& form) {
    TGpsWidgets w;
    ZELTO_FIND_CONTROL(form, w, Button4);
    ZELTO_FIND_CONTROL(form, w, kButton4);
    ZELTO_FIND_CONTROL(form, w, b_gpss);
    ZELTO_FIND_CONTROL(form, w, cb_GPS);
    ZELTO_FIND_CONTROL(form, w, l_cb_GPS);
    ZELTO_FIND_CONTROL(form, w, l_gps);
    ZELTO_FIND_CONTROL(form, w, l_jtsk);
    ZELTO_FIND_CONTROL(form, w, gpsCursor);
    ZELTO_FIND_CONTROL(form, w, gpscur);
    ZELTO_FIND_CONTROL(form, w, p_gpslog);
    ZELTO_FIND_CONTROL(form, w, diode);
    ZELTO_FIND_CONTROL(form, w, b_StartRoute);
    ZELTO_FIND_CONTROL(form, w, b_endRoute);
    ZELTO_FIND_CONTROL(form, w, b_TraceRoute);
    ZELTO_FIND_CONTROL(form, w, FixTimer);
    return w;
}

TGpsController::TGpsController(const TGpsWidgets& widgets, TMapCanvas& canvas, TTiledMapController& map,
                               TLayersController& layers)
    : m_w(widgets), m_canvas(canvas), m_map(map), m_layers(layers) {
    if (m_w.FixTimer)
        QObject::connect(m_w.FixTimer, &QTimer::timeout, m_w.FixTimer, [this] { FixTimerTimer(); });
    for (QAbstractButton* b : {m_w.Button4, m_w.kButton4})
        if (b) QObject::connect(b, &QAbstractButton::clicked, b, [this] { Button4Click(); });
    if (m_w.b_gpss)
        QObject::connect(m_w.b_gpss, &QAbstractButton::clicked, m_w.b_gpss, [this] { b_gpssClick(); });
    if (m_w.cb_GPS)
        QObject::connect(m_w.cb_GPS, &QAbstractButton::toggled, m_w.cb_GPS, [this] { cb_GPSSwitch(); });
    if (m_w.b_StartRoute)
        QObject::connect(m_w.b_StartRoute, &QAbstractButton::clicked, m_w.b_StartRoute,
                         [this] { b_StartRouteClick(); });
    if (m_w.b_endRoute) {
        QObject::connect(m_w.b_endRoute, &QAbstractButton::clicked, m_w.b_endRoute,
                         [this] { b_endRouteClick(); });
        m_w.b_endRoute->setEnabled(false);
    }
    if (m_w.b_TraceRoute)
        QObject::connect(m_w.b_TraceRoute, &QAbstractButton::clicked, m_w.b_TraceRoute,
                         [this] { b_TraceRouteClick(); });
    if (m_w.gpscur) {
        // A tap on the arrow centres the map on the position.
        m_w.gpscur->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        m_w.gpscur->installEventFilter(new TTapFilter(m_w.gpscur, [this] { b_gpsfindClick(); }));
    }
    setLamp(m_w.diode, false);
}

TGpsController::~TGpsController() {
    if (m_source) {
        m_source->onPosition = nullptr;
        m_source->onError = nullptr;
        m_source->stop();
    }
}

void TGpsController::setImage(int index) {
    ImageIndex = index;
    // Grey off, orange searching, green fixed, blue following.
    static const QColor colours[] = {QColor(0x9e, 0x9e, 0x9e), QColor(0xff, 0x98, 0x00),
                                     QColor(0x43, 0xa0, 0x47), QColor(0x1e, 0x88, 0xe5)};
    for (QAbstractButton* b : {m_w.b_gpss, m_w.kButton4, m_w.Button4}) {
        if (!b) continue;
        b->setProperty("imageIndex", index);
        if (auto* touch = qobject_cast<ui::TTouchButton*>(b)) touch->setStatusColor(colours[index]);
    }
}

void TGpsController::setSwitch(bool on) {
    if (m_w.cb_GPS) {
        // The form moves the switch itself: its change must not toggle the GPS again.
        const QSignalBlocker block(m_w.cb_GPS);
        m_w.cb_GPS->setChecked(on);
    }
    if (m_w.l_cb_GPS)
        m_w.l_cb_GPS->setText(on ? QStringLiteral("Vypnout GPS") : QStringLiteral("Zapnout GPS"));
}

void TGpsController::Button4Click() {
    if (!GpsOn) {
        FGPSFixed = false;
        jtskX = jtskY = 0;
        platform::LocationSource* source = platform::locationSource();
        if (!source) return;
        source->onPosition = [this](double lat, double lon) { LocationChanged(lat, lon); };
        source->onError = [this](const QString& reason) {
            if (m_w.l_gps) m_w.l_gps->setText(QStringLiteral("gps: ") + reason);
        };
        if (!source->start(TriggerDistance)) {
            notifier().message(QStringLiteral("GPS nelze zapnout: ") + source->error());
            return;
        }
        m_source = source;
        if (m_w.l_gps) m_w.l_gps->setText(QStringLiteral("gps zapnuta, čeká na signál..."));
        if (m_w.kButton4) m_w.kButton4->setText(QStringLiteral("GPS +"));
        setImage(ImageSearching);
        setSwitch(true);
        GpsOn = true;
        return;
    }
    FGPSFixed = false;
    if (m_w.gpsCursor) m_w.gpsCursor->hide();
    if (m_w.gpscur) m_w.gpscur->hide();
    if (m_w.l_gps) m_w.l_gps->setText(QStringLiteral("gps vypnuta..."));
    if (m_source) {
        m_source->stop();
        m_source->onPosition = nullptr;
        m_source->onError = nullptr;
        m_source = nullptr;
    }
    if (m_w.kButton4) m_w.kButton4->setText(QStringLiteral("GPS"));
    if (Fix) SetFollow(false);
    setImage(ImageOff);
    setSwitch(false);
    GpsOn = false;
}

void TGpsController::cb_GPSSwitch() {
    if (!m_w.cb_GPS || m_w.cb_GPS->isChecked() == GpsOn) return;
    Button4Click();
    // A source that could not start leaves the switch where the GPS is.
    setSwitch(GpsOn);
}

void TGpsController::b_gpssClick() {
    if (Hooks.HideTopBar) Hooks.HideTopBar();
    if (!GpsOn)
        Button4Click();
    else
        SetFollow(!Fix);
}

void TGpsController::SetFollow(bool follow) {
    Fix = follow;
    if (m_w.FixTimer) {
        if (Fix)
            m_w.FixTimer->start();
        else
            m_w.FixTimer->stop();
    }
    setImage(Fix ? ImageFollowing : FGPSFixed ? ImageFixed : ImageSearching);
    DoFindGPS = false;
}

void TGpsController::StopFollow() {
    if (!Fix) return;
    SetFollow(false);
}

void TGpsController::FixTimerTimer() {
    if (!DoFindGPS) return;
    DoFindGPS = false;
    b_gpsfindClick();
    if (GPSTrack && Hooks.DrawRoute) Hooks.DrawRoute(ActualRoute);
}

void TGpsController::LocationChanged(double latitude, double longitude) {
    gpsLat = latitude;
    gpsLong = longitude;
    TMapCoord c;
    if (!WGS84toJTSK(latitude, longitude, c)) {
        // Outside the grid's area there is no map position: it neither fixes the GPS nor becomes a
        // vertex of a route (a vertex at the grid's origin would spoil the route).
        if (m_w.l_gps)
            m_w.l_gps->setText(WGS84ToStr(latitude, longitude, afSeconds) + QStringLiteral(" mimo S-JTSK"));
        return;
    }
    jtskX = -c.Y;
    jtskY = -c.X;
    if (!FGPSFixed) {
        FGPSFixed = true;
        if (!Fix) setImage(ImageFixed);
    }
    if (GPSTrack) {
        Route_StoreCoords(jtskX, jtskY, false);
        if (Hooks.DrawRoute) Hooks.DrawRoute(ActualRoute);
    }
    // Follow mode: the view follows at most once a second.
    if (Fix) DoFindGPS = true;
    if (Hooks.Drawgps) Hooks.Drawgps();
    if (m_w.l_jtsk)
        m_w.l_jtsk->setText(QStringLiteral("X: ") + formatNumber(jtskX, 0) + QStringLiteral(" Y: ") +
                            formatNumber(jtskY, 0));
    if (m_w.l_gps) m_w.l_gps->setText(WGS84ToStr(latitude, longitude, afSeconds));
}

void TGpsController::centre() {
    TPageProjection* P = m_canvas.Projection();
    if (!P) return;
    P->ChangeProjection(jtskX, jtskY, P->GetScale());
    m_map.Review();
}

void TGpsController::b_gpsfindClick() {
    if (!FGPSFixed) {
        notifier().message(NoPosition);
        return;
    }
    centre();
}

void TGpsController::b_StartRouteClick() {
    if (!FGPSFixed) {
        notifier().message(NoPosition);
        return;
    }
    setLamp(m_w.diode, true);
    if (m_w.b_StartRoute) m_w.b_StartRoute->setEnabled(false);
    if (m_w.b_endRoute) m_w.b_endRoute->setEnabled(true);
    Route_StartNew();
}

void TGpsController::b_endRouteClick() {
    setLamp(m_w.diode, false);
    if (m_w.b_endRoute) m_w.b_endRoute->setEnabled(false);
    if (m_w.b_StartRoute) m_w.b_StartRoute->setEnabled(true);
    Route_End();
}

void TGpsController::b_TraceRouteClick() {
    if (!m_w.p_gpslog) return;
    const bool show = m_w.p_gpslog->isHidden();
    m_w.p_gpslog->setVisible(show);
    if (show) m_w.p_gpslog->raise();
    if (m_w.b_TraceRoute)
        m_w.b_TraceRoute->setText(show ? QStringLiteral("Zavřít trasování GPS")
                                       : QStringLiteral("Trasování GPS"));
}

void TGpsController::LeaveRouteTool() {
    if (GPSTrack) {
        // The tool changes; the recording goes on, and its panel stays for stopping it.
        notifier().message(QStringLiteral("Nejdřív ukončete trasování GPS!"));
        return;
    }
    if (m_w.p_gpslog) m_w.p_gpslog->hide();
    if (m_w.b_TraceRoute) m_w.b_TraceRoute->setText(QStringLiteral("Trasování GPS"));
}

void TGpsController::Route_StartNew() {
    Routes = m_layers.Layers_Layer(QStringLiteral("Log"), QStringLiteral("L"));
    if (!Routes) return;
    ActualRoute = new TPolyLineElement;
    Routes->AddElement(ActualRoute);
    // Every vertex also goes to the journal at once; a failure to write it leaves the route in
    // memory only, as it always was.
    if (!m_journal.Begin(journalPath()))
        notifier().protocol(QStringLiteral("Deník trasy %1 nelze zapsat.").arg(m_journal.Path()));
    if (TComplicatedGECollection* log = m_layers.Layer(QStringLiteral("Log"))) {
        log->SetModified(true);
        m_layers.Layers_Modified = true;
    }
    GPSTrack = true;
}

void TGpsController::Route_StoreCoords(double X, double Y, bool Redraw) {
    if (!ActualRoute) return;
    ActualRoute->AddXY(X, Y);
    ActualRoute->RecalculateRect();
    m_journal.Append(X, Y);
    if (TComplicatedGECollection* log = m_layers.Layer(QStringLiteral("Log"))) log->SetModified(true);
    m_layers.Layers_Modified = true;
    if (Redraw && Hooks.DrawRoute) Hooks.DrawRoute(ActualRoute);
}

void TGpsController::Route_End() {
    GPSTrack = false;
    // The finished route becomes a line of its layer, as an older file's bare polylines become
    // when the project is opened: drawn with the layer from now on.
    if (ActualRoute && Routes && Routes->IndexOf(ActualRoute) >= 0) {
        Routes->RemoveElement(ActualRoute);
        Routes->AddElement(TLayersController::LineObjectOf(ActualRoute));
        m_layers.Changed();
    }
    ActualRoute = nullptr;
    // What was recorded reaches the layer's file now, not only when the project closes; the
    // journal goes once the file holds the route.
    if (m_layers.Layers_Modified) m_layers.Layers_Save();
    m_journal.End();
    removeJournalOnceSaved(m_journal.Path());
}

void TGpsController::ProjectClosing() {
    if (GPSTrack) {
        // The route ends with its project, saved with its layer (not lost with the layers).
        Route_End();
        setLamp(m_w.diode, false);
        if (m_w.b_endRoute) m_w.b_endRoute->setEnabled(false);
        if (m_w.b_StartRoute) m_w.b_StartRoute->setEnabled(true);
    }
    GPSTrack = false;
    ActualRoute = nullptr;
    Routes = nullptr;
}

namespace {

// The vertices of a route line: a bare polyline, or a line object's polyline geometry.
const TPolyElement* routeLine(TElement* e) {
    if (auto* poly = zelto_cast<TPolyLineElement>(e)) return poly;
    if (auto* object = zelto_cast<TGeometryElement>(e))
        return zelto_cast<TPolyLineElement>(object->GetGeometry());
    return nullptr;
}

// How many leading vertices of the journal's route the line holds exactly (-1: it is another
// line, or longer than the route).
int sharedStart(const TPolyElement& line, const TRouteJournal::Route& route) {
    const int n = line.GetCoordsCount();
    if (n == 0 || n > int(route.size())) return -1;
    int i = 0;
    bool same = true;
    line.ForEachCoord([&](const T2DCoordinate* c) {
        same = c && c->FX == route[size_t(i)].x() && c->FY == route[size_t(i)].y();
        ++i;
        return same;
    });
    return same ? n : -1;
}

} // namespace

QString TGpsController::journalPath() {
    return TRouteJournal::PathFor(TProjectPath::Layer(QStringLiteral("Log")));
}

// The journal goes once the layer "Log" holds what it recorded (saved, or gone with its project).
void TGpsController::removeJournalOnceSaved(const QString& path) {
    const TComplicatedGECollection* log = m_layers.Layer(QStringLiteral("Log"));
    if (!log || !log->GetModified()) TRouteJournal::Remove(path);
}

void TGpsController::Route_Recover() {
    const QString path = journalPath();
    if (!QFileInfo::exists(path)) return;
    const std::vector<TRouteJournal::Route> routes = TRouteJournal::Read(path);
    TComplicatedGECollection* lines = m_layers.Layers_Layer(QStringLiteral("Log"), QStringLiteral("L"));
    if (!lines) return;
    int recovered = 0;
    for (const TRouteJournal::Route& route : routes) {
        if (route.size() < 2) continue;
        // A route saved part way (another layer's save while recording) is continued, one saved
        // whole is left alone; the replay can run twice without doubling anything.
        TPolyElement* partial = nullptr;
        int have = -1;
        for (int i = 0; i < lines->ElementsCount() && have < 0; ++i)
            if (const TPolyElement* line = routeLine(lines->Get(i));
                line && (have = sharedStart(*line, route)) >= 0)
                partial = const_cast<TPolyElement*>(line);
        if (have == int(route.size())) continue;
        if (!partial) {
            partial = new TPolyLineElement;
            lines->AddElement(TLayersController::LineObjectOf(static_cast<TPolyLineElement*>(partial)));
            have = 0;
        }
        for (size_t v = size_t(have); v < route.size(); ++v) partial->AddXY(route[v].x(), route[v].y());
        partial->RecalculateRect();
        ++recovered;
    }
    TComplicatedGECollection* log = m_layers.Layer(QStringLiteral("Log"));
    if (recovered > 0 && log) {
        log->SetModified(true);
        m_layers.Layers_Modified = true;
        m_layers.Changed();
        m_layers.Layers_Save();
        notifier().protocol(QStringLiteral("Obnoveno tras GPS z deníku: %1").arg(recovered));
    }
    removeJournalOnceSaved(path);
}

bool TGpsController::Route_Load(TComplicatedGECollection* layer, const QString& routesPath,
                                const QString& alternativePath) {
    return MoveOlderFileInto(m_layers, layer, QStringLiteral("L"),
                             OlderFilePath(routesPath, alternativePath));
}

} // namespace zelto
