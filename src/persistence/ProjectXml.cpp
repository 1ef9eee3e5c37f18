#include "ProjectXml.h"

#include "framework/SafeFile.h"
#include "framework/TextLocale.h"

#include <QXmlStreamReader>

#include <cmath>

namespace zelto {

namespace {

// Projected coordinates of any place on Earth stay far within this (metres).
constexpr double MaxMapCoordinate = 1e8;

QString childText(const QDomElement& element, const char* name) {
    return element.firstChildElement(QLatin1String(name)).text().trimmed();
}

int childInteger(const QDomElement& element, const char* name) {
    bool ok = false;
    const int v = childText(element, name).toInt(&ok);
    return ok ? v : 0;
}

double childReal(const QDomElement& element, const char* name) {
    const QString text = childText(element, name);
    if (text.isEmpty()) return 0;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (ok && std::isfinite(v)) return v;
    const double local = strToExtended(text, 0);
    return std::isfinite(local) ? local : 0;
}

// A name of the data that is put into a file name: one path component, no way up.
bool isPlainName(const QString& name) {
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String("..");
}

} // namespace

bool parseProjectXml(const QByteArray& data, QDomDocument& doc, QString& reason) {
    // A streaming pass first: the document is built only for a text within the limits, so that
    // a deep or huge one costs one linear pass.
    QXmlStreamReader scan(data);
    int depth = 0;
    qint64 elements = 0;
    while (!scan.atEnd()) {
        const QXmlStreamReader::TokenType token = scan.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > MaxProjectXmlDepth) {
                reason = QStringLiteral("prvky jsou vnořeny hlouběji než %1 úrovní (řádek %2)")
                             .arg(MaxProjectXmlDepth)
                             .arg(scan.lineNumber());
                return false;
            }
            if (++elements > MaxProjectXmlElements) {
                reason = QStringLiteral("soubor má víc než %1 prvků").arg(MaxProjectXmlElements);
                return false;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    QString message;
    int line = 0, column = 0;
    if (!doc.setContent(data, &message, &line, &column)) {
        reason = QStringLiteral("%1 (řádek %2, sloupec %3)").arg(message).arg(line).arg(column);
        return false;
    }
    if (doc.documentElement().isNull()) {
        reason = QStringLiteral("dokument nemá kořenový prvek");
        return false;
    }
    return true;
}

bool readProjectXml(const QString& fileName, QDomDocument& doc, QString& reason) {
    QByteArray data;
    if (!readRegularFile(fileName, MaxProjectFileBytes, data, &reason)) return false;
    return parseProjectXml(data, doc, reason);
}

QString projectEntryValue(const QDomDocument& project, const QString& layer, const QString& child) {
    QString result;
    for (QDomElement entry = project.documentElement().firstChildElement(); !entry.isNull();
         entry = entry.nextSiblingElement())
        if (entry.firstChildElement(QStringLiteral("Layer")).text().trimmed() == layer)
            result = entry.firstChildElement(child).text().trimmed();
    return result;
}

// ---- map descriptions ------------------------------------------------------------------------

void RTileMatrix::ComputeExtent() {
    MaxX = MatrixWidth * TileWidth - (MatrixWidth - 1) * OverX + MinX;
    MaxY = MatrixHeight * TileHeight - (MatrixHeight - 1) * OverY + MinY;
}

bool RTileMatrix::IsUsable() const {
    return MatrixWidth > 0 && MatrixHeight > 0 && TileWidth > 0 && TileHeight > 0 && TileWidth - OverX > 0 &&
           TileHeight - OverY > 0 && std::isfinite(OverX) && std::isfinite(OverY);
}

bool RTileMatrix::IsWithinLimits() const {
    for (const double v : {MinX, MinY, MaxX, MaxY})
        if (!(std::abs(v) <= MaxMapCoordinate)) return false;
    return true;
}

QString RMap::TileFileName(const RTileMatrix& m, int column, int row) const {
    return MapDir + m.ID + QLatin1Char('_') + QString::number(column) + QLatin1Char('-') +
           QString::number(row) + QLatin1Char('.') + Ext;
}

RMap readMapDescription(const QDomElement& mapElement, const QString& mapDir, QStringList& problems,
                        QStringList& notes) {
    RMap map;
    map.MapName = childText(mapElement, "name");
    map.Ext = childText(mapElement, "ext");
    map.MapDir = mapDir;
    const bool plainExt = isPlainName(map.Ext);
    const QDomElement set = mapElement.firstChildElement(QStringLiteral("TileMatrixSet"));
    for (QDomElement e = set.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (map.TileMatrixSet.size() == MaxMapLevels) {
            problems << QStringLiteral("Mapa %1 má víc než %2 úrovní, další jsou vynechány")
                            .arg(map.MapName)
                            .arg(MaxMapLevels);
            break;
        }
        RTileMatrix m;
        m.ID = childText(e, "ID");
        m.MinX = childInteger(e, "MinX");
        m.MinY = childInteger(e, "MinY");
        m.TileWidth = childInteger(e, "TileWidth");
        m.TileHeight = childInteger(e, "TileHeight");
        m.OverX = childReal(e, "OverX");
        m.OverY = childReal(e, "OverY");
        m.MatrixWidth = childInteger(e, "MatrixWidth");
        m.MatrixHeight = childInteger(e, "MatrixHeight");
        m.ComputeExtent();
        // A level that cannot be walked (no tiles, tiles no larger than their overlap) or whose
        // file names would lead out of the map's directory is left out.
        if (!m.IsUsable() || !isPlainName(m.ID) || !plainExt) {
            notes << QStringLiteral("Mapa %1: úroveň \"%2\" má neplatný popis a je vynechána")
                         .arg(map.MapName, m.ID);
            continue;
        }
        // A grid reaching beyond any place on Earth is a damaged description; its coordinates
        // would overflow the page's.
        if (!m.IsWithinLimits()) {
            problems << QStringLiteral("Mapa %1: úroveň \"%2\" sahá mimo možné souřadnice a je vynechána")
                            .arg(map.MapName, m.ID);
            continue;
        }
        map.TileMatrixSet.push_back(m);
        map.MinX = std::min(map.MinX, m.MinX);
        map.MinY = std::min(map.MinY, m.MinY);
        map.MaxX = std::max(map.MaxX, m.MaxX);
        map.MaxY = std::max(map.MaxY, m.MaxY);
    }
    return map;
}

} // namespace zelto
