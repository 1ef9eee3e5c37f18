// The raster maps: every tile is painted from the forest layout with QPainter, so that the
// groups' colours, their boundaries and the labels lie exactly where the forest data put them.
//
// The stand map has four tile matrices, from 8 m to 1 m per pixel, the age map three, down to 2 m;
// a tile picture is 512 × 512 pixels and overlaps its neighbours by 4 pixels. Each matrix is centred on
// the forest with its lower-left corner on whole metres, so that the map's extent (which the map
// window shows first) has the forest in its middle, however far the coarse tiles reach beyond it. Tile (c, r)
// of a matrix covers X from MinX + c × (TileWidth − OverX) and Y from MinY + r × (TileHeight − OverY), rows
// counted from the south; in the matrix's pixel grid its left edge lies at c × 508 and its top edge at
// (MatrixHeight − 1 − r) × 508, so neighbouring tiles are cut from one continuous picture.
#include "sample_internal.h"
#include "stroke_font.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace zsample {

namespace {

constexpr int kTilePixels = 512;
constexpr int kOverlapPixels = 4;
constexpr int kStepPixels = kTilePixels - kOverlapPixels;
// The stand map goes down to 1 m per pixel; the age map, an overview, to 2 m.
constexpr double kStandPixelSizes[] = {8, 4, 2, 1};
constexpr double kAgePixelSizes[] = {8, 4, 2};

// Age classes from the clearing (0) through young (yellow) and middle-aged (greens) to old stands
// (olive and brown).
constexpr QRgb kAgeColours[MaxAgeClass + 1] = {
    0xFFEFEBDD, 0xFFFFF176, 0xFFE6EE7A, 0xFFC5E17A, 0xFFA5D46A, 0xFF86C35A, 0xFF66B04C, 0xFF4E9A43,
    0xFF3F8640, 0xFF35723F, 0xFF2E6340, 0xFF6C7A3C, 0xFF7D6B3A, 0xFF8A5A34, 0xFF6E4028,
};

struct Style {
    QRgb background;
    QRgb line[5];     // by boundary level
    double width[5];  // pixels at 1 m per pixel and 2 m per pixel
    double finest[5]; // the coarsest pixel size that still shows the level
    QRgb text, halo;
    const char* format;
    int quality;
};

const Style& styleOf(MapStyle s) {
    static const Style stand{0xFFE8E4D8,
                             {0xFF141414, 0xFF141414, 0xFF1F1F1F, 0xFF2E2E2E, 0xFF474747},
                             {3.0, 2.6, 1.8, 1.2, 0.8},
                             {8, 8, 8, 4, 4},
                             0xFF111111,
                             0xD8FFFFFF,
                             "jpeg",
                             90};
    static const Style age{0xFFFFFFFF,
                           {0xFF5C4A32, 0xFF5C4A32, 0xFF7A6A52, 0xFF8F8270, 0xFFA89C8A},
                           {2.4, 1.8, 1.2, 0.9, 0.6},
                           {8, 8, 4, 2, 2},
                           0xFF3D3325,
                           0xD8FFFFFF,
                           "png",
                           -1};
    return s == MapStyle::Stand ? stand : age;
}

QRectF boxOf(const QPainterPath& p, double grow) {
    return p.boundingRect().adjusted(-grow, -grow, grow, grow);
}

struct Label {
    QPainterPath strokes;
    QRectF box;
    double weight;
};

// The tiles of one matrix whose pixel span meets `box`.
void tileRange(const QRectF& box, const TileLevel& level, int& c0, int& c1, int& r0, int& r1) {
    auto first = [](double lo) { return std::max(0, int(std::floor((lo - kTilePixels) / kStepPixels)) + 1); };
    auto last = [](double hi, int count) { return std::min(count - 1, int(std::floor(hi / kStepPixels))); };
    c0 = first(box.left());
    c1 = last(box.right(), level.matrixWidth);
    // Pixel rows grow southwards; tile row r has its top edge at (MatrixHeight - 1 - r) × step.
    const int t0 = first(box.top());
    const int t1 = last(box.bottom(), level.matrixHeight);
    r0 = level.matrixHeight - 1 - t1;
    r1 = level.matrixHeight - 1 - t0;
}

QByteArray encode(const QImage& image, const Style& style) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, style.format);
    if (style.quality >= 0) writer.setQuality(style.quality);
    if (!writer.write(image))
        throw SampleError(QStringLiteral("cannot encode a tile: %1").arg(writer.errorString()));
    return bytes;
}

void writeTile(const QString& path, const QByteArray& bytes) {
    // Tiles are plain writes: a tile is regenerated with its map, and thousands of synchronous
    // replacements would make the generator slow for nothing.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush()) {
        throw SampleError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw SampleError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

std::vector<TileLevel> planLevels(const Layout& layout, MapStyle style) {
    const double margin = 120;
    const double minX = layout.minX - margin, minY = layout.minY - margin;
    const double maxX = layout.maxX + margin, maxY = layout.maxY + margin;
    std::vector<TileLevel> levels;
    int index = 0;
    const std::vector<double> sizes =
        style == MapStyle::Stand
            ? std::vector<double>(std::begin(kStandPixelSizes), std::end(kStandPixelSizes))
            : std::vector<double>(std::begin(kAgePixelSizes), std::end(kAgePixelSizes));
    for (double p : sizes) {
        TileLevel l;
        l.id = QStringLiteral("%1%2")
                   .arg(style == MapStyle::Stand ? QLatin1Char('P') : QLatin1Char('V'))
                   .arg(++index);
        l.pixelSize = p;
        l.tilePixels = kTilePixels;
        l.tileWidth = l.tileHeight = int(kTilePixels * p);
        l.overX = l.overY = kOverlapPixels * p;
        const double step = l.tileWidth - l.overX;
        // One metre more than the forest needs, so that rounding the corner down cannot leave its
        // east or north edge uncovered.
        l.matrixWidth = std::max(1, int(std::ceil((maxX - minX + 1 - l.overX) / step)));
        l.matrixHeight = std::max(1, int(std::ceil((maxY - minY + 1 - l.overY) / step)));
        const double width = l.matrixWidth * step + l.overX, height = l.matrixHeight * step + l.overY;
        l.minX = int(std::floor((minX + maxX - width) / 2));
        l.minY = int(std::floor((minY + maxY - height) / 2));
        levels.push_back(l);
    }
    return levels;
}

} // namespace

QRgb ageClassColor(int vekSt, MapStyle style) {
    const QRgb c = kAgeColours[std::clamp(vekSt, 0, MaxAgeClass)];
    if (style == MapStyle::Stand) return c;
    // The age map is paler: 45 % towards white.
    auto pale = [](int v) { return v + (255 - v) * 45 / 100; };
    return qRgb(pale(qRed(c)), pale(qGreen(c)), pale(qBlue(c)));
}

std::vector<TileLevel> renderMap(const ForestData& data, MapStyle mapStyle, const QString& dir, int& files) {
    const Layout& layout = data.layout;
    const Style& style = styleOf(mapStyle);
    std::vector<TileLevel> levels = planLevels(layout, mapStyle);
    if (!QDir().mkpath(dir)) throw SampleError(QStringLiteral("cannot create directory %1").arg(dir));

    for (const TileLevel& level : levels) {
        const double p = level.pixelSize;
        const double step = level.tileWidth - level.overX;
        const double gridMaxY = level.minY + (level.matrixHeight - 1) * step + level.tileHeight;
        auto toPixels = [&](Point q) { return QPointF((q.x - level.minX) / p, (gridMaxY - q.y) / p); };
        auto ringPath = [&](QPainterPath& path, const Ring& ring) {
            for (std::size_t i = 0; i < ring.size(); ++i) {
                if (i == 0)
                    path.moveTo(toPixels(ring[i]));
                else
                    path.lineTo(toPixels(ring[i]));
            }
            path.closeSubpath();
        };
        const int tiles = level.matrixWidth * level.matrixHeight;
        std::vector<std::vector<int>> groupsAt(static_cast<std::size_t>(tiles)),
            chainsAt(static_cast<std::size_t>(tiles)), labelsAt(static_cast<std::size_t>(tiles));
        auto bucket = [&](std::vector<std::vector<int>>& at, const QRectF& box, int index) {
            int c0, c1, r0, r1;
            tileRange(box, level, c0, c1, r0, r1);
            for (int r = r0; r <= r1; ++r)
                for (int c = c0; c <= c1; ++c) at[r * level.matrixWidth + c].push_back(index);
        };

        std::vector<QPainterPath> fills(data.groups.size());
        for (std::size_t g = 0; g < data.groups.size(); ++g) {
            QPainterPath& path = fills[g];
            path.setFillRule(Qt::OddEvenFill);
            for (const GroupPart& part : data.groups[g].parts) {
                ringPath(path, part.outer);
                for (const Ring& hole : part.holes) ringPath(path, hole);
            }
            bucket(groupsAt, boxOf(path, 1), int(g));
        }
        std::vector<QPainterPath> lines(layout.chains.size());
        for (std::size_t i = 0; i < layout.chains.size(); ++i) {
            const BoundaryChain& chain = layout.chains[i];
            if (p > style.finest[chain.level]) continue;
            for (std::size_t k = 0; k < chain.points.size(); ++k) {
                if (k == 0)
                    lines[i].moveTo(toPixels(chain.points[k]));
                else
                    lines[i].lineTo(toPixels(chain.points[k]));
            }
            bucket(chainsAt, boxOf(lines[i], 4), int(i));
        }
        std::vector<Label> labels;
        // Labels are placed in the order given; one that would overlap a placed label is left out.
        std::unordered_map<std::int64_t, std::vector<int>> placed;
        constexpr double cell = 64;
        auto cellKey = [](int x, int y) { return (std::int64_t(x) << 32) ^ std::uint32_t(y); };
        auto addLabel = [&](const QString& text, Point at, double height, double weight) {
            Label l;
            l.strokes = strokeText(text, toPixels(at), height);
            l.weight = weight;
            l.box = boxOf(l.strokes, 2 + weight);
            const int x0 = int(std::floor(l.box.left() / cell)), x1 = int(std::floor(l.box.right() / cell));
            const int y0 = int(std::floor(l.box.top() / cell)), y1 = int(std::floor(l.box.bottom() / cell));
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y) {
                    auto it = placed.find(cellKey(x, y));
                    if (it == placed.end()) continue;
                    for (int other : it->second)
                        if (labels[other].box.intersects(l.box)) return;
                }
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y) placed[cellKey(x, y)].push_back(int(labels.size()));
            bucket(labelsAt, l.box, int(labels.size()));
            labels.push_back(std::move(l));
        };
        if (p >= 8) {
            for (const LayoutUnit& u : layout.divisions)
                addLabel(QString::number(u.number), u.label, 13, 1.8);
        } else if (p >= 4) {
            if (mapStyle == MapStyle::Stand) {
                for (const LayoutUnit& u : layout.dilce)
                    addLabel(QString::number(layout.divisions[u.parent].number) + dilecLetter(u.number),
                             u.label, 10, 1.5);
            } else {
                for (const LayoutUnit& u : layout.divisions)
                    addLabel(QString::number(u.number), u.label, 12, 1.6);
            }
        } else {
            for (const GroupInfo& g : data.groups) {
                QString text;
                if (mapStyle == MapStyle::Age)
                    text = QString::number(g.vekSt);
                else if (p >= 2)
                    text = g.name;
                else
                    text = QString::number(g.division) + g.dilec + g.stand + QLatin1Char(' ') + g.name;
                for (const GroupPart& part : g.parts) addLabel(text, part.label, p >= 2 ? 8 : 9, 1.25);
            }
        }

        for (int r = 0; r < level.matrixHeight; ++r)
            for (int c = 0; c < level.matrixWidth; ++c) {
                const int t = r * level.matrixWidth + c;
                QImage image(kTilePixels, kTilePixels, QImage::Format_RGB32);
                image.fill(style.background);
                {
                    QPainter painter(&image);
                    painter.translate(-c * kStepPixels, -(level.matrixHeight - 1 - r) * kStepPixels);
                    // Fills without antialiasing: neighbouring groups meet without a seam.
                    painter.setPen(Qt::NoPen);
                    for (int g : groupsAt[t])
                        painter.fillPath(fills[g],
                                         QColor::fromRgba(ageClassColor(data.groups[g].vekSt, mapStyle)));
                    painter.setRenderHint(QPainter::Antialiasing, true);
                    painter.setBrush(Qt::NoBrush);
                    const double scale = p >= 8 ? 0.7 : p >= 4 ? 0.85 : 1.0;
                    for (int kind = GroupBoundary; kind >= OuterBoundary; --kind)
                        for (int i : chainsAt[t]) {
                            if (layout.chains[i].level != kind) continue;
                            painter.setPen(QPen(QColor::fromRgba(style.line[kind]), style.width[kind] * scale,
                                                Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                            painter.drawPath(lines[i]);
                        }
                    for (int i : labelsAt[t]) {
                        painter.setPen(QPen(QColor::fromRgba(style.halo), labels[i].weight + 2.4,
                                            Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                        painter.drawPath(labels[i].strokes);
                    }
                    for (int i : labelsAt[t]) {
                        painter.setPen(QPen(QColor::fromRgba(style.text), labels[i].weight, Qt::SolidLine,
                                            Qt::RoundCap, Qt::RoundJoin));
                        painter.drawPath(labels[i].strokes);
                    }
                }
                const QString name =
                    QStringLiteral("%1_%2-%3.%4")
                        .arg(level.id)
                        .arg(c)
                        .arg(r)
                        .arg(mapStyle == MapStyle::Stand ? QStringLiteral("j") : QStringLiteral("png"));
                writeTile(QDir(dir).filePath(name), encode(image, style));
                ++files;
            }
    }
    return levels;
}

namespace {

void writeMatrices(QXmlStreamWriter& xml, const std::vector<TileLevel>& levels) {
    xml.writeStartElement(QStringLiteral("TileMatrixSet"));
    for (const TileLevel& l : levels) {
        xml.writeStartElement(QStringLiteral("TileMatrix"));
        xml.writeTextElement(QStringLiteral("ID"), l.id);
        xml.writeTextElement(QStringLiteral("MinX"), QString::number(l.minX));
        xml.writeTextElement(QStringLiteral("MinY"), QString::number(l.minY));
        xml.writeTextElement(QStringLiteral("TileWidth"), QString::number(l.tileWidth));
        xml.writeTextElement(QStringLiteral("TileHeight"), QString::number(l.tileHeight));
        xml.writeTextElement(QStringLiteral("OverX"), QString::number(l.overX));
        xml.writeTextElement(QStringLiteral("OverY"), QString::number(l.overY));
        xml.writeTextElement(QStringLiteral("MatrixWidth"), QString::number(l.matrixWidth));
        xml.writeTextElement(QStringLiteral("MatrixHeight"), QString::number(l.matrixHeight));
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

} // namespace

QByteArray tilesXml(const QString& name, const QString& ext, const QString& dir,
                    const std::vector<TileLevel>& levels) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Maps"));
    xml.writeStartElement(QStringLiteral("Map"));
    xml.writeTextElement(QStringLiteral("name"), name);
    xml.writeTextElement(QStringLiteral("ext"), ext);
    xml.writeTextElement(QStringLiteral("dir"), dir);
    writeMatrices(xml, levels);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray mapTilesXml(const QString& name, const QString& ext, const std::vector<TileLevel>& levels) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Map"));
    xml.writeTextElement(QStringLiteral("name"), name);
    xml.writeTextElement(QStringLiteral("ext"), ext);
    writeMatrices(xml, levels);
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray placeholderPicture() {
    // Grey with a light diagonal hatch: clearly "no map here", quiet under the layers.
    QImage image(kTilePixels, kTilePixels, QImage::Format_RGB32);
    image.fill(0xFFD9D6CC);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(QColor(0xBD, 0xB8, 0xAA), 3));
        for (int x = -kTilePixels; x < kTilePixels; x += 32)
            painter.drawLine(x, kTilePixels, x + kTilePixels, 0);
    }
    return encode(image, styleOf(MapStyle::Age));
}

} // namespace zsample
