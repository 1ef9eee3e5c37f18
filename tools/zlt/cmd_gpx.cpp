// zlt gpx: the polylines of a stream file (routes and lines of a user layer) as GPX 1.1 tracks in
// WGS84, so that every other GIS tool reads them.
#include "zlt.h"

#include "projection/Gpx.h"

namespace zlt {

using namespace zelto;

int runGpx(const QStringList& args, QTextStream& out, QTextStream&) {
    if (args.size() != 1) throw ZltError(QStringLiteral("gpx wants one FILE"));
    LoadedStream stream(args[0]);
    QString gpx, error;
    if (!WriteGpxTracks(stream.root(), QStringLiteral("zlt"), gpx, error))
        throw ZltError(QStringLiteral("%1: %2").arg(args[0], error));
    out << gpx;
    return 0;
}

} // namespace zlt
