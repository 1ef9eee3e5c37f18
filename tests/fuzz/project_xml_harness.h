// The project XML readers on arbitrary bytes, as the fuzz target and the corpus replay run them:
// the text is parsed as a project file, and the document read as a project file (its lookups), a
// MapTiles.xml and a Tiles.xml (every map description) and a layer definition file (the
// attributes the layers read). Answers what broke an invariant; empty when nothing did.
#pragma once

#include "persistence/ProjectXml.h"

#include <QDomDocument>
#include <QString>

#include <cmath>

namespace zelto::fuzzing {

inline QString checkMap(const RMap& map, const QString& mapDir) {
    if (map.TileMatrixSet.size() > MaxMapLevels) return QStringLiteral("more levels than the limit");
    for (const RTileMatrix& m : map.TileMatrixSet) {
        if (!m.IsUsable() || !m.IsWithinLimits()) return QStringLiteral("a level kept that cannot be drawn");
        const QString tile = map.TileFileName(m, m.MatrixWidth - 1, m.MatrixHeight - 1);
        if (!tile.startsWith(mapDir) || tile.mid(mapDir.size()).contains(QLatin1Char('/')))
            return QStringLiteral("a tile name leads out of the map folder: ") + tile;
        // The last column and row can be addressed without overflow.
        if (!std::isfinite(m.TileMinX(m.MatrixWidth - 1)) || !std::isfinite(m.TileMinY(m.MatrixHeight - 1)))
            return QStringLiteral("a tile corner overflows");
    }
    if (!map.TileMatrixSet.empty() && !map.HasExtent()) return QStringLiteral("levels but no extent");
    return QString();
}

inline QString readAsProjectFiles(const QByteArray& data) {
    QDomDocument doc;
    QString reason;
    if (!parseProjectXml(data, doc, reason))
        return reason.isEmpty() ? QStringLiteral("refused without a reason") : QString();
    if (doc.documentElement().isNull()) return QStringLiteral("accepted without a root element");
    // The project file's lookups.
    for (const char* layer : {"Map", "Det"})
        for (const char* child : {"File", "Ext"})
            projectEntryValue(doc, QLatin1String(layer), QLatin1String(child));
    // A map description, alone and as the entries of Tiles.xml.
    const QString mapDir = QStringLiteral("/mapy/");
    QStringList problems, notes;
    if (QString broken = checkMap(readMapDescription(doc.documentElement(), mapDir, problems, notes), mapDir);
        !broken.isEmpty())
        return broken;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (QString broken = checkMap(readMapDescription(e, mapDir, problems, notes), mapDir);
            !broken.isEmpty())
            return broken;
    // The layer definitions' attributes and their colour tables.
    for (QDomElement d = doc.documentElement().firstChildElement(); !d.isNull(); d = d.nextSiblingElement()) {
        for (const char* name : {"Name", "Lays", "Restriction", "Group"})
            d.attribute(QLatin1String(name)).toInt();
        for (QDomElement g = d.firstChildElement(); !g.isNull(); g = g.nextSiblingElement())
            for (QDomElement c = g.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
                c.attribute(QStringLiteral("Value")) + c.attribute(QStringLiteral("Color"));
    }
    return QString();
}

} // namespace zelto::fuzzing
