// The journal of the GPS route being recorded: every vertex is appended to a small text file
// beside the layer files and handed to the system at once, so a route survives the app being
// killed (a flat battery, the system ending it in the background). At the next opening of the
// project the journal is replayed into the route layer and removed once that layer is saved.
//
// The file: a first line naming the format, then per route a line "R" followed by one line
// "X Y" per vertex (model coordinates, written with 17 significant digits, so they read back
// exactly as they were stored).
#pragma once

#include <QFile>
#include <QPointF>
#include <QString>

#include <vector>

namespace zelto {

class TRouteJournal {
public:
    using Route = std::vector<QPointF>;

    // The journal that belongs to the layer file `layerFile`.
    static QString PathFor(const QString& layerFile);

    // Starts a new route in the journal at `path` (created when missing); false when the file
    // cannot be written (the route is then only kept in memory).
    bool Begin(const QString& path);
    // Appends a vertex of the route begun last and flushes it to the system.
    void Append(double x, double y);
    // Stops writing; the file stays until Remove.
    void End();
    bool Active() const { return m_file.isOpen(); }
    const QString& Path() const { return m_path; }

    // The routes a journal holds (a line that is not a vertex ends nothing: it is skipped, and a
    // torn last line is dropped); none when the file is missing or of another kind.
    static std::vector<Route> Read(const QString& path);
    static bool Remove(const QString& path);

private:
    QFile m_file;
    QString m_path;
};

} // namespace zelto
