#include "zlt.h"

#include "framework/Notifier.h"

#include <QFileInfo>

#include <charconv>
#include <cmath>

namespace zlt {

// zlt areas (cmd_areas.cpp).
int runAreas(const QStringList& args, QTextStream& out, QTextStream& err);

namespace {

int runHelp(const QStringList& args, QTextStream& out, QTextStream& err);

// Adding a subcommand: write its handler and add one row here.
const Command kCommands[] = {
    {"info", "FILE", "summary of a stream file: format, header, root, element count per class",
     "Prints one \"key: value\" item per line: file, format (\"ZLT0 (current)\" or \"TPF0 (older)\"),\n"
     "generator, version and comment (current format), root class, root name, \"class NAME: COUNT\"\n"
     "for every class (sorted by name), \"elements: TOTAL\", \"unknown class: NAME\" for classes this\n"
     "program does not know and \"trailing bytes: N\" for bytes after the end of the stream.\n"
     "For the older layout the counts are those of the loaded graph.",
     runInfo},
    {"dump", "FILE", "the element graph as JSON, starting at the root element",
     "Each element is {\"id\": N, \"class\": \"...\", \"name\": \"...\", \"props\": {...}, \"children\": "
     "[...]}.\n"
     "Current format (ZLT0): the stream is parsed record by record, so classes this program does not\n"
     "know are shown as stored; id is the element number in the stream and props holds the stored\n"
     "values except Name: integers and enumerations as numbers, Booleans as true/false, reals as\n"
     "numbers (\"NaN\", \"Infinity\", \"-Infinity\" as strings), texts as strings, an element\n"
     "reference as {\"ref\": N}, none as null, and a nested element inline.\n"
     "Older layout (TPF0): the file is read by the program's loader and the loaded graph is dumped;\n"
     "id is the element's position in a post-order walk from the root (children, then elements held\n"
     "in properties, then the element), and props holds what the current format would store.\n"
     "An element met a second time appears as {\"ref\": N}; a reference to no earlier element as\n"
     "{\"ref\": N, \"dangling\": true}.",
     runDump},
    {"geojson", "FILE [--wgs84]", "the objects with a geometry as a GeoJSON FeatureCollection",
     "Reads FILE with the program's loader and walks the element graph from the root through the\n"
     "children, each element once. A geometry element is one feature; a geometry outside any geometry\n"
     "element (user points, notes) is one feature; other elements are looked into. A forest unit is a\n"
     "feature and is looked into as well (its sub-units, user and felling areas follow it), so a forest\n"
     "model gives its units in hierarchy order (a unit that a taxator or a parcel group also holds comes\n"
     "at its place in the hierarchy); a unit with sub-units and no geometry of its own gets\n"
     "\"geometry\": null without a warning.\n"
     "Coordinates stay in the model's S-JTSK (EPSG:5514, X east, Y north), as the \"crs\" member says.\n"
     "Points and texts: Point; lines: LineString (member lines with gaps: MultiLineString); areas:\n"
     "Polygon with holes, composite areas through their plain copy, multi-areas MultiPolygon; geometry\n"
     "strings: MultiPoint, MultiLineString, MultiPolygon or, mixed, GeometryCollection. Rings are\n"
     "closed, exterior rings counter-clockwise and holes clockwise. Numbers are the shortest text that\n"
     "reads back as the same double.\n"
     "No geometry, a point without position, a line of fewer than 2 positions, a ring of fewer than 3\n"
     "distinct positions or a non-finite coordinate: \"geometry\": null and a warning on standard\n"
     "error (exit status 0).\n"
     "Properties: \"class\", \"name\", for a forest unit \"unit\" (its unit label as \"zlt find\" prints\n"
     "it: \"12b3 1a\" for a stand group, \"12b3\" a stand, \"12b\" a dílec, \"12\" a division, the\n"
     "group's label for a user or felling area, \"\" for other units), every property the stream writer\n"
     "stores for the element (enumerations and sets by name, non-finite reals as \"NaN\", \"Infinity\",\n"
     "\"-Infinity\", elements by class name, a note's Images and Audios as arrays of file names), then\n"
     "the values of the element's property set as texts; a key repeated ignoring letter case gets\n"
     "\"#2\".\n"
     "--wgs84: coordinates in WGS84 longitude and latitude instead (RFC 7946, no \"crs\" member), each\n"
     "vertex converted as \"zlt jtsk2wgs\" does; a geometry with a vertex that does not convert gets\n"
     "\"geometry\": null and a warning.",
     runGeoJson},
    {"cs2jtsk", "[FILE ...]", "WGS84 \"lat lon\" lines to S-JTSK model \"x y\" (EPSG:5514), like cs2cs",
     "Reads the files in turn (none or \"-\": standard input). Each line holds latitude and longitude in\n"
     "decimal degrees, separated by blanks; the output line holds the model coordinates x and y\n"
     "(EPSG:5514 easting and northing, i.e. -Y and -X of S-JTSK) in metres with 3 decimals, separated by\n"
     "a tab, followed by whatever came after the two numbers. Blank lines and lines starting with \"#\"\n"
     "are copied. Accepted are latitudes 40 to 60 and longitudes 5 to 25 degrees; a line outside them or\n"
     "that cannot be read gives \"*\", a tab and \"*\" and a message on standard error, and the exit\n"
     "status is 1 when all input is done. A file that cannot be opened stops the command before any\n"
     "output.",
     runCs2Jtsk},
    {"jtsk2wgs", "[FILE ...]", "S-JTSK model \"x y\" lines to WGS84 \"lat lon\", the inverse of cs2jtsk",
     "Reads lines of model coordinates x and y (EPSG:5514 easting and northing) and writes latitude and\n"
     "longitude in decimal degrees with 8 decimals, separated by a tab, followed by the rest of the\n"
     "line. The position is found by Newton's method on the forward conversion and is exact to a\n"
     "fraction of a millimetre. Lines are treated as by cs2jtsk: a line that cannot be read, or whose\n"
     "point has no position in the accepted area, gives \"*\", a tab and \"*\", a message and exit\n"
     "status 1.",
     runJtsk2Wgs},
    {"areas", "FILE [--snap D] [--json]", "areas built from the lines of a file, one area value per line",
     "Reads polylines from FILE: a text file with one polyline per line, \"x1 y1 x2 y2 ...\" in model\n"
     "metres (blank lines and lines starting with \"#\" are skipped), or a .zlt stream, whose lines are\n"
     "collected from the root, each once. The lines are joined with snap distance D (default 0.01 m) and\n"
     "closed areas with holes and label points are built of them. Prints each area's value (holes\n"
     "subtracted) with 3 decimals, one per line, ascending.\n"
     "--json: a JSON array instead, one object per area in the same order: \"area\", \"label\" ([x, y]),\n"
     "\"holes\" (number of holes) and \"vertices\" (vertices of the outer ring).\n"
     "Lines that cannot bound an area (fewer than two distinct points, coordinates beyond 1e8) are left\n"
     "out with a warning on standard error. A text line that is not pairs of finite numbers, or a\n"
     "polyline of one point, is an error.",
     runAreas},
    {"find", "FILE X Y", "the stand group at a model point of a forest data file, by its unit label",
     "Reads FILE, whose root must be the forest model (Tgis_ForestModel), and searches the stand group\n"
     "at the model point X Y (metres, EPSG:5514 easting and northing, as \"zlt geojson\" writes them)\n"
     "as the map does for a tap: the unit selector descends the plan areas, LS, divisions, dílce and\n"
     "stands whose rectangles hold the point and tests every stand group of such a stand; the first\n"
     "group in hierarchy order whose area holds the point wins (a point on its outer boundary or\n"
     "strictly inside a hole is outside it). Prints its unit label: division number, dílec, stand, a\n"
     "space and the group, for example \"12b3 1a\"; \"none\" when no group holds the point.\n"
     "X and Y are numbers with a decimal point (\"-745000.5\", \"1e3\"); anything else, a file that\n"
     "cannot be read or a root of another class is an error.",
     runFind},
    {"gpx", "FILE", "the polylines of a file (routes, lines of a user layer) as GPX 1.1 tracks in WGS84",
     "Reads FILE with the program's loader and walks the element graph from the root through the\n"
     "children, each element once. Every polyline with a vertex is one track (<trk>) of one segment:\n"
     "the polyline of a line object takes the object's name, a bare polyline (a GPS route) its own,\n"
     "an unnamed one its number in the walk. Vertices are model coordinates (negated S-JTSK) turned\n"
     "into WGS84 latitude and longitude (degrees, 8 decimals). Areas are no tracks. A vertex outside\n"
     "the area of S-JTSK is an error naming it.",
     runGpx},
    {"help", "[COMMAND]", "this text, or the details of one subcommand", "", runHelp},
};

const Command* findCommand(const QString& name) {
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

QString usageLine(const Command& c) {
    return QStringLiteral("zlt %1 %2").arg(QLatin1String(c.name), QLatin1String(c.synopsis)).trimmed();
}

void printOverview(QTextStream& out) {
    out << "zlt - inspect .zlt object stream files, convert coordinates\n\n"
        << "Usage: zlt COMMAND [ARGUMENTS]\n\n"
        << "Commands:\n";
    qsizetype width = 0;
    for (const Command& c : kCommands) width = qMax(width, usageLine(c).size());
    for (const Command& c : kCommands)
        out << "  " << usageLine(c).leftJustified(width + 2) << QString::fromUtf8(c.summary) << '\n';
    out << "\nErrors go to standard error with exit status 1; nothing is printed on standard output then.\n"
        << "The coordinate filters go on after a line that fails and end with exit status 1.\n"
        << "Run \"zlt help COMMAND\" for the details of one command.\n";
}

int runHelp(const QStringList& args, QTextStream& out, QTextStream&) {
    if (args.isEmpty()) {
        printOverview(out);
        return 0;
    }
    if (args.size() > 1) throw ZltError(QStringLiteral("help: too many arguments"));
    const Command* c = findCommand(args.first());
    if (!c) throw ZltError(QStringLiteral("unknown command \"%1\"").arg(args.first()));
    out << "Usage: " << usageLine(*c) << "\n\n" << QString::fromUtf8(c->summary) << '\n';
    if (*c->details) out << '\n' << QString::fromUtf8(c->details) << '\n';
    return 0;
}

} // namespace

void appendJsonString(QString& out, const QString& s) {
    static const char hexDigits[] = "0123456789abcdef";
    out += QLatin1Char('"');
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s.at(i).unicode();
        switch (c) {
        case u'"':
            out += QLatin1String("\\\"");
            continue;
        case u'\\':
            out += QLatin1String("\\\\");
            continue;
        case u'\n':
            out += QLatin1String("\\n");
            continue;
        case u'\r':
            out += QLatin1String("\\r");
            continue;
        case u'\t':
            out += QLatin1String("\\t");
            continue;
        default:
            break;
        }
        if (c < 0x20) {
            out += QLatin1String("\\u00");
            out += QLatin1Char(hexDigits[c >> 4]);
            out += QLatin1Char(hexDigits[c & 15]);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && s.at(i + 1).isLowSurrogate()) {
            out += s.at(i);
            out += s.at(++i);
        } else if (QChar::isSurrogate(c)) {
            // A stored UTF-16 text may hold half a pair, which no UTF-8 output can carry.
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += QChar(c);
        }
    }
    out += QLatin1Char('"');
}

void appendJsonNumber(QString& out, double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out += QLatin1String(buf, r.ptr - buf);
}

void appendJsonReal(QString& out, double v) {
    if (std::isnan(v))
        out += QLatin1String("\"NaN\"");
    else if (std::isinf(v))
        out += v > 0 ? QLatin1String("\"Infinity\"") : QLatin1String("\"-Infinity\"");
    else
        appendJsonNumber(out, v);
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The end of the digits from p on.
const char* skipDigits(const char* p, const char* end) {
    while (p < end && isDigit(*p)) ++p;
    return p;
}

// The word is "[+-]D[.D][(e|E)[+-]D]" (D: one or more digits).
bool isPlainDecimal(const char* p, const char* end) {
    if (p < end && (*p == '+' || *p == '-')) ++p;
    const char* q = skipDigits(p, end);
    if (q == p) return false;
    if (q < end && *q == '.') {
        p = q + 1;
        q = skipDigits(p, end);
        if (q == p) return false;
    }
    if (q < end && (*q == 'e' || *q == 'E')) {
        p = q + 1;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        q = skipDigits(p, end);
        if (q == p) return false;
    }
    return q == end;
}

} // namespace

double textNumber(QByteArrayView word, bool& ok) {
    const char* begin = word.data();
    const char* end = begin + word.size();
    if (isPlainDecimal(begin, end)) {
        double value = 0;
        // from_chars takes "-" only; both readings round correctly, so they agree to the bit.
        const auto r = std::from_chars(begin + (*begin == '+'), end, value, std::chars_format::general);
        if (r.ec == std::errc() && r.ptr == end) {
            ok = true;
            return value;
        }
        // Out of range: the general reading decides.
    }
    return QString::fromUtf8(word).toDouble(&ok);
}

LoadedStream::LoadedStream(const QString& fileName, const QByteArray& data) : m_load(fileName) {
    if (!fileName.isEmpty() && QFileInfo(fileName).isDir())
        throw ZltError(QStringLiteral("%1: is a directory").arg(fileName));
    if (!data.isEmpty())
        m_load.SetData(data);
    else if (!fileName.isEmpty() && QFileInfo::exists(fileName) && !QFileInfo(fileName).isFile())
        m_load.SetData(readStreamBytes(fileName)); // a pipe cannot be read through a moving window
    zelto::RecordingNotifier* recorder = zelto::recordingNotifier();
    const qsizetype errorsBefore = recorder ? recorder->errors().size() : 0;
    m_load.SetNoProgress(true);
    m_load.DoIt();
    m_root = m_load.FOutput;
    if (!m_root) {
        // The older layout's reader shows its failures as error boxes and answers no output.
        const QStringList errors = recorder ? recorder->errors().mid(errorsBefore) : QStringList();
        throw ZltError(errors.isEmpty() ? QStringLiteral("%1: the stream holds no element").arg(fileName)
                                        : QStringLiteral("%1: %2").arg(fileName, errors.join("; ")));
    }
    // The read belongs to this object. Without an owner, the root would pass to the first owning
    // container that takes it (the line set of areas when the root is itself a line), and that
    // container would free it when it lets go, before the read is freed here.
    m_holder.reset(new zelto::TOwnerEntity);
    m_holder->AddElement(m_root);
    // The commands' tools may destroy elements of the read (the line-joining step frees the lines
    // it cuts); only those still alive are freed at the end.
    m_watch.reset(new zelto::TDestructionWatch);
    m_watch->watch(m_root);
    for (zelto::TElement* e : m_load.ReadElements()) m_watch->watch(e);
}

LoadedStream::~LoadedStream() {
    if (!m_watch) return;
    if (m_watch->alive(m_root)) m_holder->RemoveElement(m_root);
    std::vector<zelto::TElement*> read;
    for (zelto::TElement* e : m_load.ReadElements())
        if (m_watch->alive(e)) read.push_back(e);
    if (m_load.ReadElements().empty()) {
        if (m_watch->alive(m_root)) delete m_root;
    } else {
        zelto::FreeElementSet(read);
    }
    m_watch.reset();
}

std::span<const Command> commands() {
    return kCommands;
}

QString fileArgument(const char* command, const QStringList& args) {
    if (args.isEmpty())
        throw ZltError(QStringLiteral("%1: missing argument FILE").arg(QLatin1String(command)));
    if (args.size() > 1)
        throw ZltError(
            QStringLiteral("%1: unexpected argument \"%2\"").arg(QLatin1String(command), args.at(1)));
    return args.first();
}

int runZlt(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        printOverview(out);
        out.flush();
        return 0;
    }
    const Command* c = findCommand(args.first());
    int status = 1;
    try {
        if (!c) throw ZltError(QStringLiteral("unknown command \"%1\"").arg(args.first()));
        const QStringList rest = args.mid(1);
        if (rest.size() == 1 &&
            (rest.first() == QLatin1String("--help") || rest.first() == QLatin1String("-h")))
            status = runHelp({args.first()}, out, err);
        else
            status = c->handler(rest, out, err);
    } catch (const zelto::EZeltoError& e) {
        err << "zlt: " << e.message() << '\n';
        if (!c) err << "Run \"zlt help\" for the list of commands.\n";
    } catch (const std::exception& e) {
        err << "zlt: " << QString::fromLocal8Bit(e.what()) << '\n';
    } catch (...) {
        err << "zlt: unexpected failure\n";
    }
    out.flush();
    err.flush();
    return status;
}

} // namespace zlt
