// zlt gpx: the polylines of a stream file (routes and lines of a user layer) as GPX 1.1 tracks in
// WGS84, so that every other GIS tool reads them.
#include "zlt.h"

#include "framework/Elements.h"
#include "geometry/G_Elems.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "projection/r_WGS84.h"

#include <QXmlStreamWriter>

#include <unordered_set>
#include <vector>

namespace zlt {

using namespace zelto;

namespace {

struct Track {
    QString name;
    const TPolyLineElement* line = nullptr;
};

// Every polyline under the root once, in the order of the children: a line object's polylines
// take the object's name, a bare polyline (a route being recorded, an older file) its own.
void collect(TElement* root, std::vector<Track>& tracks) {
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
}

} // namespace

int runGpx(const QStringList& args, QTextStream& out, QTextStream&) {
    if (args.size() != 1) throw ZltError(QStringLiteral("gpx wants one FILE"));
    LoadedStream stream(args[0]);
    std::vector<Track> tracks;
    collect(stream.root(), tracks);

    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("gpx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("zlt"));
    int number = 0;
    for (const Track& t : tracks) {
        ++number;
        if (t.line->GetCoordsCount() == 0) continue;
        xml.writeStartElement(QStringLiteral("trk"));
        xml.writeTextElement(QStringLiteral("name"),
                             t.name.isEmpty() ? QStringLiteral("%1").arg(number) : t.name);
        xml.writeStartElement(QStringLiteral("trkseg"));
        int vertex = 0;
        const T2DCoordinate* outside = nullptr;
        t.line->ForEachCoord([&](const T2DCoordinate* c) {
            ++vertex;
            if (!c) return true;
            // Model coordinates are the negated S-JTSK ones.
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
        if (outside)
            throw ZltError(QStringLiteral("%1: vertex %2 of line %3 (%4 %5) lies outside the area of S-JTSK")
                               .arg(args[0])
                               .arg(vertex)
                               .arg(number)
                               .arg(outside->FX, 0, 'f', 2)
                               .arg(outside->FY, 0, 'f', 2));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    out << text;
    return 0;
}

} // namespace zlt
