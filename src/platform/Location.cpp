#include "Location.h"

#include <QFile>
#include <QFileInfo>
#include <QGeoPositionInfoSource>
#include <QNmeaPositionInfoSource>
#include <QObject>

#include <cmath>

namespace zelto::platform {

LocationSource::~LocationSource() = default;

bool LocationSource::start(double triggerDistanceMetres) {
    m_trigger = std::isfinite(triggerDistanceMetres) && triggerDistanceMetres > 0 ? triggerDistanceMetres : 0;
    if (m_active) return true;
    m_error.clear();
    m_hasLast = false;
    if (!startSource()) {
        if (m_error.isEmpty()) m_error = QStringLiteral("zdroj polohy nelze zapnout");
        return false;
    }
    m_active = true;
    return true;
}

void LocationSource::stop() {
    if (!m_active) return;
    m_active = false;
    stopSource();
}

void LocationSource::inject(double latitude, double longitude) {
    deliver(latitude, longitude);
}

void LocationSource::deliver(double latitude, double longitude) {
    if (!m_active || !std::isfinite(latitude) || !std::isfinite(longitude)) return;
    if (std::abs(latitude) > 90 || std::abs(longitude) > 180) return;
    if (m_hasLast && geoDistanceMetres(m_lastLat, m_lastLon, latitude, longitude) < m_trigger) return;
    m_hasLast = true;
    m_lastLat = latitude;
    m_lastLon = longitude;
    if (onPosition) onPosition(latitude, longitude);
}

void LocationSource::fail(const QString& reason) {
    m_error = reason;
    if (m_active && onError) onError(reason);
}

double geoDistanceMetres(double lat1, double lon1, double lat2, double lon2) {
    constexpr double R = 6371008.8, rad = M_PI / 180;
    const double dLat = (lat2 - lat1) * rad, dLon = (lon2 - lon1) * rad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * R * std::asin(std::min(1.0, std::sqrt(a)));
}

// ---- Qt positioning -------------------------------------------------------------------------------

QtLocationSource::QtLocationSource(std::unique_ptr<QGeoPositionInfoSource> source, QString description,
                                   QString missing)
    : m_source(std::move(source)), m_description(std::move(description)), m_missing(std::move(missing)) {
    if (!m_source) return;
    QObject::connect(m_source.get(), &QGeoPositionInfoSource::positionUpdated, m_source.get(),
                     [this](const QGeoPositionInfo& info) {
                         const QGeoCoordinate c = info.coordinate();
                         if (c.isValid()) deliver(c.latitude(), c.longitude());
                     });
    QObject::connect(m_source.get(), &QGeoPositionInfoSource::errorOccurred, m_source.get(),
                     [this](QGeoPositionInfoSource::Error e) {
                         switch (e) {
                         case QGeoPositionInfoSource::AccessError:
                             fail(QStringLiteral("aplikace nemá povolen přístup k poloze"));
                             break;
                         case QGeoPositionInfoSource::ClosedError:
                             fail(QStringLiteral("zdroj polohy se zavřel"));
                             break;
                         case QGeoPositionInfoSource::UpdateTimeoutError:
                             break; // no fix yet: the user sees that the GPS is still searching
                         default:
                             fail(QStringLiteral("chyba zdroje polohy"));
                             break;
                         }
                     });
}

QtLocationSource::~QtLocationSource() {
    if (m_source) m_source->stopUpdates();
}

std::unique_ptr<QtLocationSource> QtLocationSource::platformDefault() {
    std::unique_ptr<QGeoPositionInfoSource> source(QGeoPositionInfoSource::createDefaultSource(nullptr));
    QString description = source ? QStringLiteral("přijímač polohy (%1)").arg(source->sourceName())
                                 : QStringLiteral("přijímač polohy");
    return std::unique_ptr<QtLocationSource>(new QtLocationSource(
        std::move(source), description, QStringLiteral("zařízení nemá žádný zdroj polohy")));
}

std::unique_ptr<QtLocationSource> QtLocationSource::nmeaReplay(const QString& fileName) {
    const QString description = QStringLiteral("záznam NMEA %1").arg(fileName);
    const QFileInfo info(fileName);
    if (!info.isFile())
        return std::unique_ptr<QtLocationSource>(
            new QtLocationSource(nullptr, description, QStringLiteral("soubor %1 neexistuje").arg(fileName)));
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::ReadOnly))
        return std::unique_ptr<QtLocationSource>(new QtLocationSource(
            nullptr, description,
            QStringLiteral("soubor %1 nelze číst: %2").arg(fileName, file->errorString())));
    auto source = std::make_unique<QNmeaPositionInfoSource>(QNmeaPositionInfoSource::SimulationMode);
    file->setParent(source.get());
    source->setDevice(file.release());
    return std::unique_ptr<QtLocationSource>(new QtLocationSource(std::move(source), description, QString()));
}

bool QtLocationSource::startSource() {
    if (!m_source) {
        setError(m_missing);
        return false;
    }
    // A receiver reports once a second; a replayed log keeps the timing of its own sentences.
    m_source->setUpdateInterval(qobject_cast<QNmeaPositionInfoSource*>(m_source.get()) ? 0 : 1000);
    m_source->startUpdates();
    if (m_source->error() == QGeoPositionInfoSource::AccessError) {
        setError(QStringLiteral("aplikace nemá povolen přístup k poloze"));
        m_source->stopUpdates();
        return false;
    }
    return true;
}

void QtLocationSource::stopSource() {
    if (m_source) m_source->stopUpdates();
}

// ---- the source in use ----------------------------------------------------------------------------

namespace {

std::unique_ptr<LocationSource>& installed() {
    static std::unique_ptr<LocationSource> source;
    return source;
}

} // namespace

LocationSource* locationSource() {
    std::unique_ptr<LocationSource>& source = installed();
    if (!source) {
        const QString nmea = qEnvironmentVariable("ZELTO_NMEA_FILE");
        if (!nmea.isEmpty())
            source = QtLocationSource::nmeaReplay(nmea);
        else
            source = QtLocationSource::platformDefault();
    }
    return source.get();
}

void setLocationSource(std::unique_ptr<LocationSource> source) {
    installed() = std::move(source);
}

} // namespace zelto::platform
