// The user layers of the demo project as the map application keeps them in its working folder:
// an object stream per layer that holds objects (its objects in the sub-layers "A" areas, "L"
// lines, "P" points, "N" notes) and one stream of the device-local settings of every layer.
//
// The clearings are user areas inside the stand groups, each a small star-shaped ring around a
// point whose distance to the group's boundary exceeds the ring's radius, so no clearing crosses
// a boundary or lies in a hole of its group.
#include "sample_internal.h"
#include "sample_rng.h"

#include "forest/e_LHCElements.h"
#include "framework/e_Props.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "topobjects/e_TopolElements.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

namespace zsample {

using namespace zelto;

namespace {

// A layer that holds no object is not written, as the map application does not write it.
struct LayerSpec {
    QString name, caption;
    QRgb colour = 0;
    bool visible = true;
    int restriction = 0, group = 0;
};

// The built-in layers every project has, before the defined ones.
std::vector<LayerSpec> allLayers() {
    std::vector<LayerSpec> layers = {
        {QStringLiteral("Meas"), QStringLiteral("Měření"), 0xFF32CD32, false},
        {QStringLiteral("Log"), QStringLiteral("Trasy"), 0xFFDA70D6, true},
        {QStringLiteral("User"), QStringLiteral("Kreslení"), 0xFFFF0000, true},
    };
    // The map application sets a defined layer's caption to its name when it opens the project.
    for (const LayerDefinition& d : layerDefinitions())
        layers.push_back({d.name, d.name, d.colour, true, d.restriction, d.group});
    return layers;
}

TComplicatedGECollection* newLayer(const LayerSpec& spec) {
    auto* layer = new TComplicatedGECollection;
    layer->SetName(spec.name);
    layer->FText = spec.caption;
    layer->FColor = qint32(spec.colour);
    layer->FVisible = spec.visible;
    layer->FRestriction = spec.restriction;
    layer->FGroup = spec.group;
    return layer;
}

// A UUID in the form the application writes, made from the random stream.
QString uuidText(Rng& rng) {
    const std::uint64_t a = rng.next(), b = rng.next();
    return QStringLiteral("{%1-%2-4%3-%4-%5}")
        .arg(a >> 32, 8, 16, QLatin1Char('0'))
        .arg((a >> 16) & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(a & 0xFFF, 3, 16, QLatin1Char('0'))
        .arg(0x8000 | ((b >> 48) & 0x3FFF), 4, 16, QLatin1Char('0'))
        .arg(b & 0xFFFFFFFFFFFFULL, 12, 16, QLatin1Char('0'))
        .toUpper();
}

// A moment of the given year (days since 1899-12-30), between March and November.
double stampInYear(int year, Rng& rng) {
    const QDate day = QDate(year, 3, 1).addDays(rng.below(270));
    return double(QDate(1899, 12, 30).daysTo(day)) + (7 + rng.uniform() * 10) / 24;
}

// The identity every object of a user layer carries: who made it, when, and its UUID.
template <class T> void stamp(T* object, Rng& rng, const QString& user, int year) {
    object->SetUUID(uuidText(rng));
    object->SetTimeStamp(stampInYear(year, rng));
    object->SetUID(user);
}

double segmentDistance(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double ringDistance(const Ring& ring, Point p) {
    double d = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        d = std::min(d, segmentDistance(p, ring[i], ring[i + 1]));
    return d;
}

bool insidePart(const GroupPart& part, Point p) {
    if (!pointInRing(part.outer, p)) return false;
    return std::none_of(part.holes.begin(), part.holes.end(),
                        [&](const Ring& h) { return pointInRing(h, p); });
}

double boundaryDistance(const GroupPart& part, Point p) {
    double d = ringDistance(part.outer, p);
    for (const Ring& h : part.holes) d = std::min(d, ringDistance(h, p));
    return d;
}

struct Disk {
    Point centre;
    double radius = 0;
};

// Places disks inside the stand groups, apart from those already placed in the same group while
// the group has room.
class Placer {
public:
    explicit Placer(const std::vector<GroupInfo>& groups) : m_groups(groups), m_taken(groups.size()) {}

    // A disk of at most `maxRadius` inside a part of group g.
    Disk place(std::size_t g, Rng& rng, double maxRadius) {
        const GroupInfo& group = m_groups[g];
        const GroupPart& part = group.parts[std::size_t(rng.below(int(group.parts.size())))];
        double minX = part.outer.front().x, maxX = minX, minY = part.outer.front().y, maxY = minY;
        for (const Point& p : part.outer) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        std::vector<Disk>& taken = m_taken[g];
        // A crowded group (many clearings in few groups) lets clearings overlap.
        const bool keepApart = taken.size() < 100;
        for (int attempt = 0; attempt < 24; ++attempt) {
            const Point c{rng.range(minX, maxX), rng.range(minY, maxY)};
            if (!insidePart(part, c)) continue;
            const double radius = std::min(maxRadius, 0.8 * boundaryDistance(part, c));
            if (radius < kMinRadius) continue;
            if (keepApart && std::any_of(taken.begin(), taken.end(), [&](const Disk& d) {
                    return std::hypot(d.centre.x - c.x, d.centre.y - c.y) < d.radius + radius + 2;
                }))
                continue;
            taken.push_back({c, radius});
            return taken.back();
        }
        // The label point lies well inside the part.
        const Disk d{part.label, std::min(maxRadius, 0.8 * boundaryDistance(part, part.label))};
        taken.push_back(d);
        return d;
    }

    // A point inside group g.
    Point point(std::size_t g, Rng& rng) { return place(g, rng, kMinRadius).centre; }

private:
    static constexpr double kMinRadius = 8;
    const std::vector<GroupInfo>& m_groups;
    std::vector<std::vector<Disk>> m_taken;
};

// A clockwise ring (Y up) with its vertices between 0.65 and 1 radius from the centre: inside the
// disk and, the angles falling, never crossing itself. The last vertex repeats the first.
TAreaElement* wigglyRing(const Disk& disk, Rng& rng) {
    auto* area = new TAreaElement;
    const int n = 8 + rng.below(6);
    const double start = rng.uniform() * 2 * std::numbers::pi;
    double firstX = 0, firstY = 0;
    for (int k = 0; k < n; ++k) {
        const double a = start - 2 * std::numbers::pi * k / n;
        const double r = disk.radius * (0.65 + 0.35 * rng.uniform());
        const double x = disk.centre.x + r * std::cos(a), y = disk.centre.y + r * std::sin(a);
        if (k == 0) firstX = x, firstY = y;
        area->AddXY(x, y);
    }
    area->AddXY(firstX, firstY);
    area->RecalculateRect();
    area->SetAbsRefX(disk.centre.x);
    area->SetAbsRefY(disk.centre.y);
    return area;
}

Tgis_UserAreaElement* userArea(qint32 id, qint32 druh, qint32 barva, TAreaElement* geometry) {
    auto* area = new Tgis_UserAreaElement;
    area->SetUserID(id);
    area->FDruh = druh;
    area->FZnacka = 1;
    area->FBarva = barva;
    area->SetGeometry(geometry);
    return area;
}

TTopolLineElement* userLine(qint32 number, const QString& name, const std::vector<Point>& points) {
    auto* polyline = new TPolyLineElement;
    for (const Point& p : points) polyline->AddXY(p.x, p.y);
    polyline->RecalculateRect();
    polyline->CalculateLabelProps();
    auto* line = new TTopolLineElement;
    line->SetName(name);
    line->FCislo = number;
    line->FDruh = 1;
    line->FBarva = 13;
    line->FZnacka = 0;
    line->SetGeometry(polyline);
    return line;
}

// A line through the label points of a few groups that follow one another in the hierarchy (and
// so lie near one another), each bent a little.
std::vector<Point> lineThroughGroups(const std::vector<GroupInfo>& groups, Rng& rng) {
    std::vector<Point> points;
    const std::size_t first = std::size_t(rng.below(int(groups.size())));
    const int count = 3 + rng.below(3);
    for (int k = 0; k < count; ++k) {
        const Point label = groups[(first + std::size_t(k)) % groups.size()].parts.front().label;
        const Point p{label.x + rng.range(-15, 15), label.y + rng.range(-15, 15)};
        if (!points.empty() && std::hypot(p.x - points.back().x, p.y - points.back().y) < 5) continue;
        points.push_back(p);
    }
    if (points.size() < 2) points.push_back({points.front().x + 40, points.front().y + 25});
    return points;
}

const char* const kClearingNotes[] = {"",
                                      "",
                                      "",
                                      "Zalesnit na jaře",
                                      "Oplocenka",
                                      "Nálet břízy",
                                      "Kůrovcová těžba",
                                      "Ponechat přirozené obnově"};

// Holiny: the clearings, a few hundred user areas of group 42 coloured by their year.
void fillClearings(TComplicatedGECollection* layer, const ForestData& data, const Options& options,
                   Placer& placer) {
    const auto table = clearingYearColours(data.planYear);
    const int unlistedColour = table.front().second;
    std::vector<int> perGroup(data.groups.size());
    TComplicatedGECollection* areas = layer->GetLayer(QStringLiteral("A"));
    for (int i = 0; i < options.userAreas; ++i) {
        Rng rng({options.seed, 970, std::uint64_t(i)});
        const std::size_t g = std::size_t(rng.below(int(data.groups.size())));
        const Disk disk = placer.place(g, rng, rng.range(10, 30));
        // Every twentieth clearing was felled in a year the colour table does not list.
        int year = 0, colour = unlistedColour;
        if (i % 20 == 7) {
            year = table[1].first - 2 - rng.below(5);
        } else {
            std::tie(year, colour) = table[1 + std::size_t(rng.below(int(table.size()) - 1))];
        }
        Tgis_UserAreaElement* clearing = userArea(i + 1, ClearingGroup, colour, wigglyRing(disk, rng));
        stamp(clearing, rng, options.user, year);
        // The map application reads these by name, all as text.
        auto* props = new TDynamicProperties;
        props->SetPropertyStringByName(QStringLiteral("ROK"), QString::number(year));
        props->SetPropertyStringByName(QStringLiteral("ETAZ"), data.groups[g].name);
        props->SetPropertyStringByName(QStringLiteral("INDEXHOLINY"), QString::number(++perGroup[g]));
        props->SetPropertyStringByName(
            QStringLiteral("Poznamka"),
            QString::fromUtf8(kClearingNotes[rng.below(int(std::size(kClearingNotes)))]));
        clearing->SetProperties(props);
        areas->AddAndUpdateRect(clearing);
    }
}

// Pozorování: field observations of every kind.
void fillObservations(TComplicatedGECollection* layer, const ForestData& data, const Options& options,
                      Placer& placer) {
    const std::vector<GroupInfo>& groups = data.groups;
    static const char* const areaNotes[] = {"Polom po větru", "Zamokřené místo", "Kůrovcové ohnisko"};
    TComplicatedGECollection* areas = layer->GetLayer(QStringLiteral("A"));
    for (int i = 0; i < 3; ++i) {
        Rng rng({options.seed, 971, std::uint64_t(i)});
        const Disk disk = placer.place(std::size_t(rng.below(int(groups.size()))), rng, rng.range(15, 35));
        Tgis_UserAreaElement* area = userArea(i + 1, 1, 11, wigglyRing(disk, rng));
        stamp(area, rng, options.user, data.planYear);
        auto* props = new TDynamicProperties;
        props->SetPropertyStringByName(QStringLiteral("Poznamka"), QString::fromUtf8(areaNotes[i]));
        area->SetProperties(props);
        areas->AddAndUpdateRect(area);
    }

    static const char* const lineNames[] = {"Vyvážecí linka", "Hranice oplocenky", "Stezka k prameni",
                                            "Odvodňovací příkop"};
    TComplicatedGECollection* lines = layer->GetLayer(QStringLiteral("L"));
    for (int i = 0; i < 4; ++i) {
        Rng rng({options.seed, 972, std::uint64_t(i)});
        TTopolLineElement* line =
            userLine(i + 1, QString::fromUtf8(lineNames[i]), lineThroughGroups(groups, rng));
        stamp(line, rng, options.user, data.planYear);
        lines->AddAndUpdateRect(line);
    }

    // Points of the kinds the catalogue lists, drawn with their kind's symbol and colour.
    std::vector<KindRow> pointKinds;
    for (const KindRow& k : kindCatalogue())
        if (k.type == 'B') pointKinds.push_back(k);
    TComplicatedGECollection* points = layer->GetLayer(QStringLiteral("P"));
    for (int i = 0; i < 12; ++i) {
        Rng rng({options.seed, 973, std::uint64_t(i)});
        const KindRow& kind = pointKinds[std::size_t(i) % pointKinds.size()];
        const Point p = placer.point(std::size_t(rng.below(int(groups.size()))), rng);
        auto* point = new Tgis_PointElement;
        point->SetName(QString::fromUtf8(kind.name) + QLatin1Char(' ') + QString::number(i + 1));
        point->SetByDoubleRect({p.x, p.y, p.x, p.y});
        point->FSymbol = kind.symbol;
        point->FColor = kind.colour;
        point->FStatus = 0;
        stamp(point, rng, options.user, data.planYear);
        points->AddAndUpdateRect(point);
    }

    static const char* const noteTexts[] = {"Poškozená oplocenka, nutná oprava",
                                            "Vývrat přes cestu",
                                            "Napadení kůrovcem, 5 stromů",
                                            "Okus zvěří v kultuře",
                                            "Pramen zanesený listím",
                                            "Mladý porost k prořezávce"};
    TComplicatedGECollection* notes = layer->GetLayer(QStringLiteral("N"));
    for (int i = 0; i < 6; ++i) {
        Rng rng({options.seed, 974, std::uint64_t(i)});
        const Point p = placer.point(std::size_t(rng.below(int(groups.size()))), rng);
        auto* note = new Tgis_Note;
        note->SetName(QStringLiteral("Poznámka %1").arg(i + 1));
        note->SetText(QString::fromUtf8(noteTexts[i]));
        note->SetByDoubleRect({p.x, p.y, p.x, p.y});
        stamp(note, rng, options.user, data.planYear);
        notes->AddAndUpdateRect(note);
    }
}

// User (Kreslení): a couple of lines drawn by hand.
void fillDrawing(TComplicatedGECollection* layer, const ForestData& data, const Options& options) {
    TComplicatedGECollection* lines = layer->GetLayer(QStringLiteral("L"));
    for (int i = 0; i < 2; ++i) {
        Rng rng({options.seed, 975, std::uint64_t(i)});
        TTopolLineElement* line =
            userLine(i + 1, QStringLiteral("Čára %1").arg(i + 1), lineThroughGroups(data.groups, rng));
        stamp(line, rng, options.user, data.planYear);
        lines->AddAndUpdateRect(line);
    }
}

bool holdsObjects(const TComplicatedGECollection* layer) {
    for (TElement* e : layer->FElements)
        if (auto* sub = zelto_cast<TComplicatedGECollection>(e); sub && sub->ElementsCount() > 0) return true;
    return false;
}

} // namespace

UserLayerFiles writeUserLayers(const ForestData& data, const Options& options, const QString& workDir) {
    UserLayerFiles files;
    Placer placer(data.groups);
    auto local = std::make_unique<TOwnerEntity>();
    local->SetName(QStringLiteral("LAYERSLOCAL"));
    for (const LayerSpec& spec : allLayers()) {
        local->AddElement(newLayer(spec));
        std::unique_ptr<TComplicatedGECollection> layer(newLayer(spec));
        if (spec.group == ClearingGroup)
            fillClearings(layer.get(), data, options, placer);
        else if (spec.name == QStringLiteral("Pozorování"))
            fillObservations(layer.get(), data, options, placer);
        else if (spec.name == QLatin1String("User"))
            fillDrawing(layer.get(), data, options);
        const QString path = workDir + QStringLiteral("/UDSML_") + options.project + QLatin1Char('_') +
                             spec.name + QStringLiteral(".zlt");
        if (holdsObjects(layer.get())) {
            layer->ResetAndUpdate();
            saveStream(layer.get(), path);
            files.layerPaths.append(path);
        } else if (QFileInfo::exists(path) && !QFile::remove(path)) {
            // The layer of an earlier run would come back when the project is opened.
            throw SampleError(QStringLiteral("cannot remove the old layer file %1").arg(path));
        }
    }
    files.clearings = options.userAreas;
    files.localPath = workDir + QStringLiteral("/UDSM_") + options.project + QStringLiteral(".zlt");
    saveStream(local.get(), files.localPath);
    return files;
}

} // namespace zsample
