#include "Gpx.h"

#include "framework/Elements.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "r_WGS84.h"

#include <QXmlStreamWriter>

#include <unordered_set>
#include <vector>

namespace zelto {

namespace {

struct Track {
    QString name;
    const TPolyLineElement* line = nullptr;
};

// Every polyline under the root once (a line listed twice, or reached along two paths, is one
// track).
std::vector<Track> collect(TElement* root) {
    std::vector<Track> tracks;
    std::unordered_set<const TElement*> seen;
    std::vector<std::pair<TElement*, QString>> stack{{root, QString()}};
    while (!stack.empty()) {
        auto [e, owner] = stack.back();
        stack.pop_back();
        if (!e || !seen.insert(e).second) continue;
        if (const auto* line = zelto_cast<TPolyLineElement>(e)) {
            tracks.push_back({owner.isEmpty() ? line->GetName() : owner, line});
            continue; // its vertices are no tracks
        }
        const auto* entity = zelto_cast<TEntity>(e);
        if (!entity) continue;
        const QString name = zelto_cast<TGeometryElement>(e) ? e->GetName() : QString();
        // Reversed onto the stack, so that the children come out in their order.
        for (int i = entity->ElementsCount() - 1; i >= 0; --i) stack.push_back({entity->Get(i), name});
    }
    return tracks;
}

} // namespace

int GpxTrackCount(TElement* root) {
    int count = 0;
    for (const Track& t : collect(root))
        if (t.line->GetCoordsCount() > 0) ++count;
    return count;
}

bool WriteGpxTracks(TElement* root, const QString& creator, QString& gpx, QString& error) {
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), creator);
    int number = 0;
    for (const Track& t : collect(root)) {
        ++number;
        if (t.line->GetCoordsCount() == 0) continue;
        xml.writeStartElement(QStringLiteral("trk"));
        xml.writeTextElement(QStringLiteral("name"), t.name.isEmpty() ? QString::number(number) : t.name);
        xml.writeStartElement(QStringLiteral("trkseg"));
        int vertex = 0;
        const T2DCoordinate* outside = nullptr;
        t.line->ForEachCoord([&](const T2DCoordinate* c) {
            ++vertex;
            if (!c) return true;
            TMapCoord jtsk;
            jtsk.Y = -c->FX;
            jtsk.X = -c->FY;
            double lat = 0, lon = 0;
            if (!jtskToWgs84Refined(jtsk, lat, lon)) {
                outside = c;
                return false;
            }
            xml.writeEmptyElement(QStringLiteral("trkpt"));
            xml.writeAttribute(QStringLiteral("lat"), QString::number(lat, 'f', 8));
            xml.writeAttribute(QStringLiteral("lon"), QString::number(lon, 'f', 8));
            return true;
        });
        if (outside) {
            error = QStringLiteral("vertex %1 of line %2 (%3 %4) lies outside the area of S-JTSK")
                        .arg(vertex)
                        .arg(number)
                        .arg(outside->FX, 0, 'f', 2)
                        .arg(outside->FY, 0, 'f', 2);
            return false;
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    gpx = text;
    return true;
}

} // namespace zelto
