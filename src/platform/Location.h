// The device's position: a source that can be switched on and off and, while on, reports each new
// position as WGS84 latitude and longitude in degrees on the UI thread. A position is reported
// only after the device has moved at least the trigger distance from the last one reported,
// whatever the source underneath offers.
//
// Sources: the platform's own positioning (satellite receiver), a replay of an NMEA log (the demo
// and the tests walk a generated route), and positions handed in by a test or a script.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QGeoPositionInfo;
class QGeoPositionInfoSource;

namespace zelto::platform {

class LocationSource {
public:
    using PositionHandler = std::function<void(double latitude, double longitude)>;
    using ErrorHandler = std::function<void(const QString& reason)>;

    virtual ~LocationSource();

    // Switches the source on; false, with the reason in error(), when it cannot report positions.
    bool start(double triggerDistanceMetres);
    void stop();
    bool active() const { return m_active; }
    QString error() const { return m_error; }
    double triggerDistance() const { return m_trigger; }

    // Called with each reported position, and when the source fails while on.
    PositionHandler onPosition;
    ErrorHandler onError;

    // A position as if the source had measured it (the distance rule applies). Ignored while off.
    void inject(double latitude, double longitude);

    // What the user reads about this source ("satelitní přijímač", "záznam NMEA …").
    virtual QString describe() const = 0;

protected:
    virtual bool startSource() = 0;
    virtual void stopSource() = 0;
    // Hands a measured position on when it is far enough from the last one reported.
    void deliver(double latitude, double longitude);
    void fail(const QString& reason);
    void setError(const QString& reason) { m_error = reason; }

private:
    bool m_active = false;
    bool m_hasLast = false;
    double m_lastLat = 0, m_lastLon = 0;
    double m_trigger = 0;
    QString m_error;
};

// Distance in metres between two WGS84 positions (great circle on the mean Earth radius).
double geoDistanceMetres(double lat1, double lon1, double lat2, double lon2);

// A source over a Qt positioning source (the platform's default one, or an NMEA replay).
class QtLocationSource final : public LocationSource {
public:
    // The platform's default source; none found makes start() fail with a reason.
    static std::unique_ptr<QtLocationSource> platformDefault();
    // An NMEA log replayed at the pace of its time stamps.
    static std::unique_ptr<QtLocationSource> nmeaReplay(const QString& fileName);
    ~QtLocationSource() override;
    QString describe() const override { return m_description; }

private:
    QtLocationSource(std::unique_ptr<QGeoPositionInfoSource> source, QString description, QString missing);
    bool startSource() override;
    void stopSource() override;

    std::unique_ptr<QGeoPositionInfoSource> m_source;
    QString m_description;
    QString m_missing; // why there is no source (empty when there is one)
};

// Positions only from inject(): the tests' source, and the one a script drives.
class InjectedLocationSource final : public LocationSource {
public:
    QString describe() const override { return QStringLiteral("zadané polohy"); }

private:
    bool startSource() override { return true; }
    void stopSource() override {}
};

// The source in use. Made on first use: the NMEA replay of the file named by ZELTO_NMEA_FILE when
// that is set, else the platform's default source.
LocationSource* locationSource();
// Installs another source; nullptr returns to the default on next use.
void setLocationSource(std::unique_ptr<LocationSource> source);

} // namespace zelto::platform
