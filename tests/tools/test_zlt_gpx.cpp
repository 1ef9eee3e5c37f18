// zlt gpx: the polylines of a layer file as GPX tracks, read by GDAL's GPX driver, and back to the
// stored vertices within a centimetre.
#include <gtest/gtest.h>

#include "zlt_run.h"

#include "builders.h"
#include "geometry/e_GeometryElement.h"
#include "projection/r_WGS84.h"
#include "stream_files.h"
#include "topobjects/e_TopolElements.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cmath>
#include <memory>
#include <vector>

using namespace zelto;

namespace {

using zelto::testing::Points;
using zlt::testing::run;

// A user layer as the map application stores it: two named lines (one name needing escapes),
// a bare route polyline, and an area, which is no track.
struct LayerFile {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("UDSML_demo_Log.zlt"));
    std::vector<Points> lines = {
        {{-745000.12, -1043000.34}, {-744950.5, -1042990.25}, {-744900.75, -1043020.5}},
        {{-745100, -1043100}, {-745080.01, -1043080.02}},
        {{-745200.3, -1043200.6}, {-745190.4, -1043180.7}, {-745170.5, -1043170.8}, {-745150.6, -1043165.9}},
    };
    QStringList names = {QStringLiteral("Cesta <k> \"Háj\" & mýtina"), QStringLiteral("hranice"),
                         QStringLiteral("trasa 1")};

    LayerFile() {
        auto layer = std::make_unique<TComplicatedGECollection>();
        layer->SetName(QStringLiteral("Log"));
        TComplicatedGECollection* l = layer->GetLayer(QStringLiteral("L"));
        for (int i = 0; i < 2; ++i) {
            auto* line = new TTopolLineElement;
            line->SetName(names[i]);
            line->AddGeometry(zelto::testing::poly<TPolyLineElement>(lines[size_t(i)]));
            l->AddElement(line);
        }
        TPolyLineElement* route = zelto::testing::poly<TPolyLineElement>(lines[2]);
        route->SetName(names[2]);
        l->AddElement(route);
        layer->GetLayer(QStringLiteral("A"))
            ->AddElement(zelto::testing::poly<TAreaElement>(zelto::testing::square(-745000, -1043000, 20)));
        zelto::testing::saveTo(layer.get(), path);
    }
};

struct Track {
    QString name;
    std::vector<std::pair<double, double>> points; // lat, lon
};

std::vector<Track> parseGpx(const QString& text) {
    std::vector<Track> tracks;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("trk")) tracks.emplace_back();
        if (xml.name() == QLatin1String("name") && !tracks.empty())
            tracks.back().name = xml.readElementText();
        if (xml.name() == QLatin1String("trkpt"))
            tracks.back().points.emplace_back(xml.attributes().value(QLatin1String("lat")).toDouble(),
                                              xml.attributes().value(QLatin1String("lon")).toDouble());
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return tracks;
}

// WGS84 back to model coordinates (negated S-JTSK).
std::pair<double, double> model(double lat, double lon) {
    TMapCoord c;
    EXPECT_TRUE(WGS84toJTSK(lat, lon, c));
    return {-c.Y, -c.X};
}

TEST(ZltGpxTest, EveryPolylineIsATrackThatConvertsBackWithinACentimetre) {
    LayerFile f;
    const zlt::testing::Result r = run({QStringLiteral("gpx"), f.path});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<Track> tracks = parseGpx(r.out);
    ASSERT_EQ(tracks.size(), 3u) << "the area is no track";
    for (size_t t = 0; t < 3; ++t) {
        EXPECT_EQ(tracks[t].name, f.names[int(t)]);
        ASSERT_EQ(tracks[t].points.size(), f.lines[t].size());
        for (size_t i = 0; i < f.lines[t].size(); ++i) {
            const auto [x, y] = model(tracks[t].points[i].first, tracks[t].points[i].second);
            EXPECT_NEAR(x, f.lines[t][i].first, 0.01) << t << "/" << i;
            EXPECT_NEAR(y, f.lines[t][i].second, 0.01) << t << "/" << i;
        }
    }
}

TEST(ZltGpxTest, GdalReadsTheSameTracksAndPoints) {
    const QString ogr2ogr = QStandardPaths::findExecutable(QStringLiteral("ogr2ogr"));
    if (ogr2ogr.isEmpty()) GTEST_SKIP() << "ogr2ogr (gdal-bin) is not installed";
    LayerFile f;
    const zlt::testing::Result r = run({QStringLiteral("gpx"), f.path});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString gpx = f.dir.filePath(QStringLiteral("log.gpx"));
    {
        QFile out(gpx);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(r.out.toUtf8());
    }
    // Every track point as GDAL's GPX driver reads it: track, point, longitude, latitude.
    QProcess p;
    p.start(ogr2ogr,
            {QStringLiteral("-f"), QStringLiteral("CSV"), QStringLiteral("/vsistdout/"), gpx,
             QStringLiteral("track_points"), QStringLiteral("-lco"), QStringLiteral("GEOMETRY=AS_XY"),
             QStringLiteral("-select"), QStringLiteral("track_fid,track_seg_point_id")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList rows =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(rows.isEmpty());
    rows.removeFirst(); // the header: X,Y,track_fid,track_seg_point_id
    size_t expected = 0;
    for (const Points& l : f.lines) expected += l.size();
    ASSERT_EQ(size_t(rows.size()), expected);
    for (const QString& row : rows) {
        const QStringList c = row.trimmed().remove(QLatin1Char('"')).split(QLatin1Char(','));
        ASSERT_EQ(c.size(), 4) << row.toStdString();
        const int track = c[2].toInt(), point = c[3].toInt();
        ASSERT_LT(size_t(track), f.lines.size());
        ASSERT_LT(size_t(point), f.lines[size_t(track)].size());
        const auto [x, y] = model(c[1].toDouble(), c[0].toDouble());
        EXPECT_NEAR(x, f.lines[size_t(track)][size_t(point)].first, 0.01) << row.toStdString();
        EXPECT_NEAR(y, f.lines[size_t(track)][size_t(point)].second, 0.01) << row.toStdString();
    }
}

TEST(ZltGpxTest, AVertexOutsideTheGridIsAnErrorNamingIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("far.zlt"));
    std::unique_ptr<TPolyLineElement> line(zelto::testing::line(-745000, -1043000, 5e7, 5e7));
    zelto::testing::saveTo(line.get(), path);
    const zlt::testing::Result r = run({QStringLiteral("gpx"), path});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains(QStringLiteral("vertex 2 of line 1"))) << r.err.toStdString();
}

} // namespace
