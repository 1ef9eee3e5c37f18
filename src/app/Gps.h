// The GPS: switching the position source on and off, each new position turned into model
// coordinates (negated S-JTSK), the GPS labels and buttons, centring on the position, follow mode,
// and recording routes: while recording, every position becomes the next vertex of a polyline in
// the lines of the layer "Log".
#pragma once

#include "RouteJournal.h"

#include <QString>

#include <functional>

class QAbstractButton;
class QLabel;
class QTimer;
class QWidget;

namespace zelto {

namespace platform {
class LocationSource;
}
class TComplicatedGECollection;
class TLayersController;
class TMapCanvas;
class TPolyLineElement;
class TTiledMapController;

struct TGpsWidgets {
    QAbstractButton *Button4 = nullptr, *kButton4 = nullptr; // the GPS buttons of both styles
    QAbstractButton* b_gpss = nullptr;                       // the classic top-bar GPS button
    QAbstractButton* cb_GPS = nullptr;                       // "Zapnout GPS" in the options
    QLabel *l_cb_GPS = nullptr, *l_gps = nullptr, *l_jtsk = nullptr;
    QWidget *gpsCursor = nullptr, *gpscur = nullptr;
    QWidget* p_gpslog = nullptr; // the route panel: the lamp and start/stop
    QWidget* diode = nullptr;
    QAbstractButton *b_StartRoute = nullptr, *b_endRoute = nullptr, *b_TraceRoute = nullptr;
    QTimer* FixTimer = nullptr;
    static TGpsWidgets Find(QWidget& form);
};

struct TGpsHooks {
    std::function<void()> Drawgps;                    // place the position circle or the arrow
    std::function<void(TPolyLineElement*)> DrawRoute; // the route being recorded, drawn whole
    std::function<void()> HideTopBar;
};

class TGpsController {
public:
    // The images of the GPS buttons: off, searching, fixed, following.
    enum Image { ImageOff = 0, ImageSearching = 1, ImageFixed = 2, ImageFollowing = 3 };
    static constexpr double TriggerDistance = 5; // metres

    TGpsController(const TGpsWidgets& widgets, TMapCanvas& canvas, TTiledMapController& map,
                   TLayersController& layers);
    ~TGpsController();
    TGpsHooks Hooks;

    bool GpsOn = false;
    bool FGPSFixed = false;
    double gpsLat = 0, gpsLong = 0;
    double jtskX = 0, jtskY = 0;
    bool GPSTrack = false;
    TPolyLineElement* ActualRoute = nullptr;
    TComplicatedGECollection* Routes = nullptr;
    bool Fix = false;
    bool DoFindGPS = false;
    int ImageIndex = ImageOff;

    void Button4Click();
    // The options switch: toggles the GPS unless the controller itself moved it.
    void cb_GPSSwitch();
    void b_gpssClick();
    void SetFollow(bool follow);
    void FixTimerTimer();
    void LocationChanged(double latitude, double longitude);
    void b_gpsfindClick();
    void b_StartRouteClick();
    void b_endRouteClick();
    void b_TraceRouteClick();
    // The route tool is left for another: while recording, a warning (the recording goes on);
    // otherwise the route panel goes.
    void LeaveRouteTool();
    void Route_StartNew();
    void Route_StoreCoords(double X, double Y, bool Redraw);
    void Route_End();
    // Any pan or pinch ends follow mode.
    void StopFollow();
    // The project's layers are about to be given up: a route being recorded ends and is saved.
    void ProjectClosing();
    // Replays the route journal a killed recording left behind into the layer "Log" (then saved,
    // and the journal removed).
    void Route_Recover();
    // Reads an older route file into the layer's lines; false when there is none.
    bool Route_Load(TComplicatedGECollection* layer, const QString& routesPath,
                    const QString& alternativePath);

private:
    void setImage(int index);
    void setSwitch(bool on);
    void centre();
    // The journal of the open project's route layer.
    static QString journalPath();
    void removeJournalOnceSaved(const QString& path);

    TGpsWidgets m_w;
    TMapCanvas& m_canvas;
    TTiledMapController& m_map;
    TLayersController& m_layers;
    platform::LocationSource* m_source = nullptr; // the one started
    TRouteJournal m_journal;
};

} // namespace zelto
