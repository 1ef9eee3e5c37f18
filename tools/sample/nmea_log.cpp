// A recorded GPS walk for replay: one fix a second at walking pace along a smoothed path through
// the forest, with the small wandering error of a handheld receiver. Each fix is an RMC sentence
// (time, date, position, speed, course) followed by a GGA sentence (fix quality, satellites,
// precision, altitude) of the same time; positions are WGS84 from the model coordinates through
// the program's own S-JTSK conversion.
#include "sample_internal.h"
#include "sample_rng.h"

#include "projection/r_WGS84.h"

#include <QDateTime>

#include <cmath>
#include <numbers>

namespace zsample {

namespace {

// "$" + body + "*" + the XOR of the body's bytes in two upper-case hexadecimal digits.
QByteArray sentence(const QByteArray& body) {
    quint8 sum = 0;
    for (char c : body) sum ^= quint8(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

// ddmm.mmmmmm or dddmm.mmmmmm with the hemisphere letter.
QByteArray angle(double degrees, int degreeDigits, char positive, char negative) {
    const char hemisphere = degrees < 0 ? negative : positive;
    degrees = std::abs(degrees);
    int whole = int(degrees);
    qint64 microMinutes = std::llround((degrees - whole) * 60e6);
    if (microMinutes >= 60000000) {
        microMinutes -= 60000000;
        ++whole;
    }
    const QByteArray minutes = QByteArray::number(double(microMinutes) / 1e6, 'f', 6).rightJustified(9, '0');
    return QByteArray::number(whole).rightJustified(degreeDigits, '0') + minutes + ',' + hemisphere;
}

QByteArray fixed(double v, int decimals) {
    return QByteArray::number(v, 'f', decimals);
}

// Corner cutting: the path keeps its ends and its points stay on the original segments.
std::vector<Point> smooth(std::vector<Point> path, int rounds) {
    for (int r = 0; r < rounds && path.size() > 2; ++r) {
        std::vector<Point> next{path.front()};
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            const Point a = path[i], b = path[i + 1];
            next.push_back({0.75 * a.x + 0.25 * b.x, 0.75 * a.y + 0.25 * b.y});
            next.push_back({0.25 * a.x + 0.75 * b.x, 0.25 * a.y + 0.75 * b.y});
        }
        next.push_back(path.back());
        path = std::move(next);
    }
    return path;
}

} // namespace

QByteArray nmeaLog(const std::vector<Point>& walk, std::uint64_t seed, int& fixes) {
    fixes = 0;
    QByteArray log;
    if (walk.size() < 2) return log;
    const std::vector<Point> path = smooth(walk, 3);
    Rng rng({seed, 77});
    const QDateTime start(QDate(2024, 5, 14), QTime(7, 30, 0), Qt::UTC);

    // Positions one second apart: the pace drifts between 1.1 and 1.5 m/s.
    std::vector<Point> positions;
    {
        std::size_t seg = 0;
        double along = 0; // metres along the current segment
        double pace = 1.3;
        Point error;
        positions.push_back(path.front());
        while (true) {
            pace = std::clamp(pace + 0.05 * rng.normal(), 1.1, 1.5);
            double left = pace;
            bool end = false;
            while (left > 0) {
                const Point a = path[seg], b = path[seg + 1];
                const double len = std::hypot(b.x - a.x, b.y - a.y);
                if (along + left <= len) {
                    along += left;
                    left = 0;
                } else {
                    left -= len - along;
                    along = 0;
                    if (++seg + 1 >= path.size()) {
                        end = true;
                        break;
                    }
                }
            }
            if (end) break;
            const Point a = path[seg], b = path[seg + 1];
            const double len = std::hypot(b.x - a.x, b.y - a.y);
            const double t = len > 0 ? along / len : 0;
            error.x = std::clamp(0.9 * error.x + 0.3 * rng.normal(), -2.5, 2.5);
            error.y = std::clamp(0.9 * error.y + 0.3 * rng.normal(), -2.5, 2.5);
            positions.push_back({a.x + (b.x - a.x) * t + error.x, a.y + (b.y - a.y) * t + error.y});
        }
    }

    std::vector<std::pair<double, double>> latLon;
    for (const Point& p : positions) {
        double lat = 0, lon = 0;
        if (!zelto::jtskToWgs84Refined(zelto::TMapCoord{-p.x, -p.y}, lat, lon))
            throw SampleError(QStringLiteral("the walk leaves the area of the S-JTSK conversion"));
        latLon.push_back({lat, lon});
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const QDateTime when = start.addSecs(qint64(i));
        const QByteArray time = when.toString(QStringLiteral("HHmmss")).toLatin1() + ".00";
        const QByteArray date = when.toString(QStringLiteral("ddMMyy")).toLatin1();
        const auto [lat, lon] = latLon[i];
        const std::size_t j = i + 1 < positions.size() ? i + 1 : i;
        const std::size_t k = j == i && i > 0 ? i - 1 : i;
        const double dLat = latLon[j].first - latLon[k].first;
        const double dLon = (latLon[j].second - latLon[k].second) * std::cos(lat * std::numbers::pi / 180);
        double course = std::atan2(dLon, dLat) * 180 / std::numbers::pi;
        if (course < 0) course += 360;
        const double metres = std::hypot(positions[j].x - positions[k].x, positions[j].y - positions[k].y);
        const double speedKnots = metres / double(std::max<std::size_t>(1, j - k)) * 3600 / 1852;
        const double altitude =
            480 + 35 * std::sin(positions[i].x / 700) + 20 * std::cos(positions[i].y / 500);
        const int satellites = 7 + int((i / 90 + rng.below(2)) % 5);
        const double hdop = 0.8 + 0.1 * ((i / 45) % 6);
        const QByteArray position = angle(lat, 2, 'N', 'S') + ',' + angle(lon, 3, 'E', 'W');
        log += sentence("GPRMC," + time + ",A," + position + ',' + fixed(speedKnots, 2) + ',' +
                        fixed(course, 1) + ',' + date + ",,,A");
        log += sentence("GPGGA," + time + ',' + position + ",1," +
                        QByteArray::number(satellites).rightJustified(2, '0') + ',' + fixed(hdop, 1) + ',' +
                        fixed(altitude, 1) + ",M,45.2,M,,");
        ++fixes;
    }
    return log;
}

} // namespace zsample
