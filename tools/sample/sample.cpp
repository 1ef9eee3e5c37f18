#include "sample.h"

#include "sample_internal.h"
#include "sample_rng.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <exception>

namespace zsample {

namespace {

// The plan area sits in the wooded hills south-west of Prague (S-JTSK Y 780 km, X 1065 km).
constexpr Point kCentre{-780000, -1065000};
constexpr int kLhcNumber = 612001;
constexpr int kPlanYear = 2021;

const char* const kUsage =
    "Usage: zelto-sample --out DIR [--groups N] [--seed S] [--user NAME] [--user-areas N] [--no-tiles]\n"
    "                    [--lines FILE]\n"
    "\n"
    "Writes a demo forest project into DIR, used as the public (shared documents) folder:\n"
    "  DIR/map/system/        point symbols PSYMB.zlt, kinds Zn.zlt, the missing-tile picture\n"
    "  DIR/map/project/demo/  the working directory: the layer definitions of NAME, the user\n"
    "                         layers (clearings, observations, drawings) and their settings\n"
    "  DIR/demo/              demo.opx, the forest data demo_lhc.zlt, the GPS walk demo.nmea,\n"
    "                         maps/ with a stand map (JPEG tiles) and an age-class map (PNG tiles)\n"
    "The last line printed is the full path of the project file.\n"
    "\n"
    "  --out DIR      the folder to fill (created when missing)\n"
    "  --groups N     number of stand groups, 1 to 100000 (default 600)\n"
    "  --seed S       the seed, a non-negative integer (default 1); the same seed writes the same files\n"
    "  --user NAME    the user whose layer definitions are written (default demo)\n"
    "  --user-areas N number of clearings in the clearing layer, 0 to 10000 (default 300)\n"
    "  --no-tiles     write no raster maps (for large forests)\n"
    "  --lines FILE   also write the stand boundaries as a line file (every shared boundary once,\n"
    "                 one line \"x1 y1 x2 y2 ...\" each, model metres), the input of `zlt areas`\n";

class UsageError : public SampleError {
public:
    using SampleError::SampleError;
};

template <class T> bool parseNumber(const QString& text, T& value) {
    const QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty() || text.size() != bytes.size()) return false;
    const auto [ptr, ec] = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    return ec == std::errc() && ptr == bytes.constData() + bytes.size();
}

Options parseArguments(const QStringList& args, bool& help) {
    Options o;
    help = false;
    bool haveOut = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args.at(i);
        QString value;
        bool inlineValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            arg = arg.left(arg.indexOf(QLatin1Char('=')));
            inlineValue = true;
        }
        auto takeValue = [&]() -> QString {
            if (inlineValue) return value;
            if (i + 1 >= args.size()) throw UsageError(QStringLiteral("%1 needs a value").arg(arg));
            return args.at(++i);
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            help = true;
        } else if (arg == QLatin1String("--out")) {
            o.outDir = takeValue();
            haveOut = true;
        } else if (arg == QLatin1String("--groups")) {
            const QString v = takeValue();
            int n = 0;
            if (!parseNumber(v, n) || n < MinGroups || n > MaxGroups)
                throw UsageError(QStringLiteral("--groups must be a whole number from %1 to %2, not \"%3\"")
                                     .arg(MinGroups)
                                     .arg(MaxGroups)
                                     .arg(v));
            o.groups = n;
        } else if (arg == QLatin1String("--seed")) {
            const QString v = takeValue();
            std::uint64_t s = 0;
            if (!parseNumber(v, s))
                throw UsageError(
                    QStringLiteral("--seed must be a non-negative whole number, not \"%1\"").arg(v));
            o.seed = s;
        } else if (arg == QLatin1String("--user-areas")) {
            const QString v = takeValue();
            int n = 0;
            if (!parseNumber(v, n) || n < MinUserAreas || n > MaxUserAreas)
                throw UsageError(
                    QStringLiteral("--user-areas must be a whole number from %1 to %2, not \"%3\"")
                        .arg(MinUserAreas)
                        .arg(MaxUserAreas)
                        .arg(v));
            o.userAreas = n;
        } else if (arg == QLatin1String("--user")) {
            o.user = takeValue();
        } else if (arg == QLatin1String("--lines")) {
            o.linesPath = takeValue();
            if (o.linesPath.isEmpty()) throw UsageError(QStringLiteral("--lines needs a file name"));
        } else if (arg == QLatin1String("--no-tiles") && !inlineValue) {
            o.tiles = false;
        } else {
            throw UsageError(QStringLiteral("unknown argument \"%1\"").arg(args.at(i)));
        }
    }
    if (!help && (!haveOut || o.outDir.isEmpty())) throw UsageError(QStringLiteral("--out DIR is required"));
    return o;
}

// A user name becomes part of a file name: letters, digits, "_", "-" and inner dots only.
bool safeName(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9_.-]{0,63}$"));
    return re.match(name).hasMatch();
}

QString makeDir(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isDir())
        throw SampleError(QStringLiteral("%1 exists and is not a directory").arg(path));
    if (!QDir().mkpath(path)) throw SampleError(QStringLiteral("cannot create directory %1").arg(path));
    if (!QFileInfo(path).isWritable())
        throw SampleError(QStringLiteral("directory %1 is not writable").arg(path));
    return QDir(path).absolutePath();
}

// Tiles of an earlier run (another size of forest) would linger unnamed by the new matrices.
void removeOldTiles(const QString& dir) {
    static const QRegularExpression tileName(QStringLiteral("^[PV][0-9]+_[0-9]+-[0-9]+\\.(j|png)$"));
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        if (tileName.match(QFileInfo(path).fileName()).hasMatch() && !QFile::remove(path))
            throw SampleError(QStringLiteral("cannot remove the old tile %1").arg(path));
    }
}

void assignAttributes(ForestData& data, std::uint64_t seed) {
    const Layout& layout = data.layout;
    data.lhcNumber = kLhcNumber;
    data.planYear = kPlanYear;
    for (std::size_t si = 0; si < layout.stands.size(); ++si) {
        Rng rng({seed, 901, std::uint64_t(si)});
        StandAttributes a;
        const double k = rng.uniform();
        a.kats = k < 0.88 ? QStringLiteral("10") : k < 0.92 ? QStringLiteral("21") : QStringLiteral("32");
        const double z = rng.uniform();
        a.zvlStatut = z < 0.9 ? QString() : z < 0.95 ? QStringLiteral("11") : QStringLiteral("31");
        static const char* const sets[] = {"45", "43", "53", "55", "41", "25"};
        static const char* const types[] = {"4B", "4S", "5S", "3S", "4K", "5B", "4O", "3K"};
        a.hs = QLatin1String(sets[rng.below(6)]);
        a.slt = QLatin1String(types[rng.below(8)]);
        data.standAttributes.push_back(a);
    }
    // Groups of one stand differ in age: classes close to a base class of the stand, all different.
    std::vector<std::vector<int>> standClasses(layout.stands.size());
    for (std::size_t si = 0; si < layout.stands.size(); ++si) {
        Rng rng({seed, 902, std::uint64_t(si)});
        const int base = rng.chance(0.1) ? 12 + rng.below(3) : 1 + rng.below(11);
        std::vector<std::pair<double, int>> order;
        for (int c = 1; c <= MaxAgeClass; ++c) order.push_back({std::abs(c - base) + rng.uniform() * 0.9, c});
        std::sort(order.begin(), order.end());
        if (rng.chance(0.05)) standClasses[si].push_back(0); // a freshly felled group
        for (auto [d, c] : order) standClasses[si].push_back(c);
    }
    static const char* const species[] = {"SM", "SM", "SM", "SM", "SM", "BO", "BO",
                                          "BK", "BK", "DB", "MD", "JD", "BR", "OL"};
    for (std::size_t g = 0; g < layout.groups.size(); ++g) {
        const LayoutGroup& lg = layout.groups[g];
        const std::vector<int>& classes = standClasses[lg.stand];
        GroupInfo info;
        const LayoutUnit& stand = layout.stands[lg.stand];
        const LayoutUnit& dilec = layout.dilce[stand.parent];
        info.division = layout.divisions[dilec.parent].number;
        info.dilec = dilecLetter(dilec.number);
        info.stand = QString::number(stand.number);
        info.name = groupName(lg.index);
        info.vekSt = classes[std::size_t(lg.index - 1) % classes.size()];
        info.areaHa = lg.areaM2 / 1e4;
        data.groups.push_back(std::move(info));

        Rng rng({seed, 903, std::uint64_t(g)});
        GroupAttributes a;
        const int vek = data.groups.back().vekSt;
        a.age = vek == 0 ? 0 : (vek - 1) * 10 + 1 + rng.below(10);
        a.species = QLatin1String(species[rng.below(14)]);
        a.stocking = vek == 0 ? 0 : 7 + rng.below(4);
        a.lvs = rng.chance(0.3) ? 5 : 4;
        data.groupAttributes.push_back(a);
    }
}

} // namespace

QString dilecLetter(int n) {
    return QString(QChar(u'a' + (n - 1) % 26));
}

QString groupName(int k) {
    return QString::number(k) + QChar(u'a' + (k - 1) % 26);
}

Result generate(const Options& options) {
    if (options.outDir.isEmpty()) throw SampleError(QStringLiteral("no output folder given"));
    if (options.groups < MinGroups || options.groups > MaxGroups)
        throw SampleError(
            QStringLiteral("the number of groups must be from %1 to %2").arg(MinGroups).arg(MaxGroups));
    if (options.userAreas < MinUserAreas || options.userAreas > MaxUserAreas)
        throw SampleError(QStringLiteral("the number of clearings must be from %1 to %2")
                              .arg(MinUserAreas)
                              .arg(MaxUserAreas));
    if (!safeName(options.user))
        throw SampleError(
            QStringLiteral("the user name \"%1\" cannot be part of a file name").arg(options.user));
    if (!safeName(options.project))
        throw SampleError(
            QStringLiteral("the project name \"%1\" cannot be part of a file name").arg(options.project));

    Result r;
    const QString root = makeDir(options.outDir);
    r.systemDir = makeDir(root + QStringLiteral("/map/system"));
    r.workDir = makeDir(root + QStringLiteral("/map/project/") + options.project);
    const QString projectDir = makeDir(root + QLatin1Char('/') + options.project);

    ForestData data;
    try {
        data.layout = buildLayout(options.groups, options.seed, kCentre);
    } catch (const std::logic_error& e) {
        throw SampleError(QStringLiteral("internal error while laying out the forest: %1")
                              .arg(QString::fromUtf8(e.what())));
    }
    if (!options.linesPath.isEmpty()) {
        // Each boundary chain is shared by the two groups it separates: written once, it is the
        // line set the groups' areas are made from.
        QByteArray text;
        for (const BoundaryChain& chain : data.layout.chains) {
            for (std::size_t i = 0; i < chain.points.size(); ++i) {
                if (i > 0) text += ' ';
                text += QByteArray::number(chain.points[i].x, 'f', 3) + ' ' +
                        QByteArray::number(chain.points[i].y, 'f', 3);
            }
            text += '\n';
        }
        writeFileOrFail(options.linesPath, text);
        r.lines = int(data.layout.chains.size());
    }
    // The rings move to the groups' descriptions; the layout keeps the hierarchy and boundaries.
    assignAttributes(data, options.seed);
    for (std::size_t g = 0; g < data.groups.size(); ++g)
        data.groups[g].parts = std::move(data.layout.groups[g].parts);

    const QString forestName = options.project + QStringLiteral("_lhc.zlt");
    r.forestPath = projectDir + QLatin1Char('/') + forestName;
    writeForestFile(data, r.forestPath);

    if (options.tiles) {
        r.mapsDir = makeDir(projectDir + QStringLiteral("/maps"));
        const QString standDir = r.mapsDir + QStringLiteral("/porostni");
        const QString ageDir = r.mapsDir + QStringLiteral("/vekova");
        for (const QString& d : {standDir, ageDir})
            if (QFileInfo(d).isDir()) removeOldTiles(d);
        r.standMapLevels = renderMap(data, MapStyle::Stand, standDir, r.tileFiles);
        writeFileOrFail(r.mapsDir + QStringLiteral("/Tiles.xml"),
                        tilesXml(QStringLiteral("Porostní mapa"), QStringLiteral("j"),
                                 QStringLiteral("porostni"), r.standMapLevels));
        r.ageMapLevels = renderMap(data, MapStyle::Age, ageDir, r.tileFiles);
        writeFileOrFail(ageDir + QStringLiteral("/MapTiles.xml"),
                        mapTilesXml(QStringLiteral("Věkové stupně"), QStringLiteral("png"), r.ageMapLevels));
    }

    r.nmeaPath = projectDir + QLatin1Char('/') + options.project + QStringLiteral(".nmea");
    writeFileOrFail(r.nmeaPath, nmeaLog(data.layout.walk, options.seed, r.fixes));

    writePointSymbols(r.systemDir + QStringLiteral("/PSYMB.zlt"));
    writePointKinds(r.systemDir + QStringLiteral("/Zn.zlt"));
    writeFileOrFail(r.systemDir + QStringLiteral("/HicSuntLeones.png"), placeholderPicture());
    r.userLayersPath = r.workDir + QStringLiteral("/USERLAYERS_") + options.user + QStringLiteral(".xml");
    writeFileOrFail(r.userLayersPath, userLayersXml(data.planYear));
    UserLayerFiles layers = writeUserLayers(data, options, r.workDir);
    r.layerPaths = std::move(layers.layerPaths);
    r.localLayersPath = std::move(layers.localPath);
    r.clearings = layers.clearings;

    // The project file last: it names only what has been written.
    r.opxPath = projectDir + QLatin1Char('/') + options.project + QStringLiteral(".opx");
    writeFileOrFail(r.opxPath, projectXml(options.tiles ? QStringLiteral("maps") : QString(), forestName));

    for (const GroupInfo& g : data.groups) r.totalHa += g.areaHa;
    r.groups = std::move(data.groups);
    return r;
}

int runSample(const QStringList& args, QTextStream& out, QTextStream& err) {
    Options options;
    bool help = false;
    try {
        options = parseArguments(args, help);
    } catch (const UsageError& e) {
        err << "zelto-sample: " << e.message() << "\n\n" << kUsage;
        err.flush();
        return 2;
    }
    if (help) {
        out << kUsage;
        out.flush();
        return 0;
    }
    try {
        const Result r = generate(options);
        out << "stand groups: " << r.groups.size() << ", " << QString::number(r.totalHa, 'f', 1) << " ha\n";
        out << "forest data: " << r.forestPath << '\n';
        if (!options.linesPath.isEmpty())
            out << "boundary lines: " << r.lines << " in " << QFileInfo(options.linesPath).absoluteFilePath()
                << '\n';
        if (options.tiles) out << "maps: " << r.tileFiles << " tiles in " << r.mapsDir << '\n';
        out << "GPS walk: " << r.fixes << " fixes in " << r.nmeaPath << '\n';
        out << "system folder: " << r.systemDir << '\n';
        out << "layer definitions: " << r.userLayersPath << '\n';
        out << "clearings: " << r.clearings << '\n';
        for (const QString& path : r.layerPaths) out << "user layer: " << path << '\n';
        out << "layer settings: " << r.localLayersPath << '\n';
        out << r.opxPath << '\n';
        out.flush();
        return 0;
    } catch (const SampleError& e) {
        err << "zelto-sample: " << e.message() << '\n';
    } catch (const zelto::EZeltoError& e) {
        err << "zelto-sample: " << e.message() << '\n';
    } catch (const std::exception& e) {
        err << "zelto-sample: " << e.what() << '\n';
    }
    err.flush();
    return 1;
}

} // namespace zsample
