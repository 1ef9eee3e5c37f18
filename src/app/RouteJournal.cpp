#include "RouteJournal.h"

#include <QByteArrayList>

#include <cmath>

namespace zelto {

namespace {

const QByteArray Header = QByteArrayLiteral("MiniZelto route journal 1");
// A journal is a few lines per vertex: a file far larger than any day's walk is not one.
constexpr qint64 MaxJournalBytes = 64 * 1024 * 1024;

} // namespace

QString TRouteJournal::PathFor(const QString& layerFile) {
    return layerFile + QStringLiteral(".journal");
}

bool TRouteJournal::Begin(const QString& path) {
    End();
    m_path = path;
    m_file.setFileName(path);
    const bool fresh = !m_file.exists() || m_file.size() == 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    if (fresh) m_file.write(Header + '\n');
    m_file.write("R\n");
    m_file.flush();
    return true;
}

void TRouteJournal::Append(double x, double y) {
    if (!m_file.isOpen()) return;
    m_file.write(QByteArray::number(x, 'g', 17) + ' ' + QByteArray::number(y, 'g', 17) + '\n');
    // Handed to the system per vertex: a killed process loses nothing it wrote.
    m_file.flush();
}

void TRouteJournal::End() {
    if (m_file.isOpen()) m_file.close();
}

std::vector<TRouteJournal::Route> TRouteJournal::Read(const QString& path) {
    std::vector<Route> routes;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxJournalBytes) return routes;
    const QByteArray bytes = file.readAll();
    const QByteArrayList lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first() != Header) return routes;
    // The part after the last newline is empty, or a line torn by the end of the process: either
    // way it is not read.
    for (qsizetype i = 1; i < lines.size() - 1; ++i) {
        const QByteArray& line = lines.at(i);
        if (line == "R") {
            routes.emplace_back();
            continue;
        }
        const QByteArrayList xy = line.split(' ');
        if (routes.empty() || xy.size() != 2) continue;
        bool okX = false, okY = false;
        const double x = xy.at(0).toDouble(&okX), y = xy.at(1).toDouble(&okY);
        if (okX && okY && std::isfinite(x) && std::isfinite(y)) routes.back().emplace_back(x, y);
    }
    return routes;
}

bool TRouteJournal::Remove(const QString& path) {
    return !QFile::exists(path) || QFile::remove(path);
}

} // namespace zelto
