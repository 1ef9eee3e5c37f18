// zlt areas: the closed areas that a set of lines makes, built by the program's own pipeline
// (TCreateAreasFromLinesTool): one area value per line, ascending, or a JSON array with each
// area's label point, hole count and vertex count.
//
// The lines come from a text file (one polyline per line: "x1 y1 x2 y2 ...", model metres) or from
// a .zlt stream (every line reachable from the root, each once), told apart by the stream's
// signature.
#include "zlt.h"

#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/Worlds.h"
#include "geometry/e_Geometry.h"
#include "persistence/t_Loader.h"
#include "topology/T_ToTool.h"
#include "topology/t_AreMak.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

using namespace zelto;

namespace zlt {

namespace {

struct Options {
    QString file;
    double snap = 0; // the tool's own default
    bool json = false;
};

Options parseOptions(const QStringList& args) {
    Options o;
    QStringList files;
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (optionsEnd || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            files << a;
        } else if (a == QLatin1String("--")) {
            optionsEnd = true;
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--snap") || a.startsWith(QLatin1String("--snap="))) {
            QString value;
            if (a.startsWith(QLatin1String("--snap=")))
                value = a.mid(7);
            else if (i + 1 < args.size())
                value = args.at(++i);
            else
                throw ZltError(QStringLiteral("areas: --snap needs a distance in metres"));
            bool ok = false;
            o.snap = value.toDouble(&ok);
            if (!ok || !std::isfinite(o.snap) || o.snap < 0)
                throw ZltError(QStringLiteral("areas: --snap \"%1\" is not a distance in metres").arg(value));
        } else {
            throw ZltError(QStringLiteral("areas: unknown option \"%1\"").arg(a));
        }
    }
    o.file = fileArgument("areas", files);
    return o;
}

// The longest line of a text file read (a polyline of some hundred thousand vertices): one
// endless line is refused instead of being kept in memory whole.
constexpr qint64 MaxLineBytes = qint64(16) << 20;

// The lines of a file, pipe or device, read in blocks (a device's own line reading goes byte by
// byte).
class LineReader {
public:
    explicit LineReader(QFile& file) : m_file(file) {}
    // The next line without its end, valid until the next call; false at the end of the input.
    // `tooLong` is set, and the line left unread, when no line end comes within MaxLineBytes.
    bool next(QByteArrayView& line, bool& tooLong) {
        tooLong = false;
        for (;;) {
            const qsizetype nl = m_buffer.indexOf('\n', m_start + m_scanned);
            if (nl >= 0) {
                line = QByteArrayView(m_buffer).sliced(m_start, nl - m_start);
                m_start = nl + 1;
                m_scanned = 0;
                return true;
            }
            m_scanned = m_buffer.size() - m_start;
            if (m_scanned > MaxLineBytes) {
                tooLong = true;
                return true;
            }
            // The lines handed out are done with: their bytes go before the next block comes.
            m_buffer.remove(0, m_start);
            m_start = 0;
            const QByteArray block = m_file.read(1 << 16);
            if (block.isEmpty()) {
                if (m_buffer.isEmpty()) return false;
                m_last = std::exchange(m_buffer, QByteArray());
                line = m_last;
                m_scanned = 0;
                return true;
            }
            m_buffer += block;
        }
    }

private:
    QFile& m_file;
    QByteArray m_buffer;
    QByteArray m_last;       // the last line, when the input does not end with a line end
    qsizetype m_start = 0;   // where the next line begins in the buffer
    qsizetype m_scanned = 0; // bytes from m_start on known to hold no line end
};

// The blanks that part the numbers of a line (those of QString::trimmed within ASCII).
bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isAscii(QByteArrayView bytes) {
    unsigned char any = 0;
    for (const char c : bytes) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// The polylines of a text file; every fault names its line. Lines of plain ASCII, nearly all of
// them, are read from their bytes; any other line is first decoded and trimmed as Unicode text
// (a byte order mark on the first line dropped) and then read the same way.
void readTextLines(const QString& fileName, QFile& file, TPolyLineString& lines) {
    int lineNo = 0;
    LineReader reader(file);
    QByteArrayView raw;
    bool tooLong = false;
    QByteArray decoded;
    std::vector<double> values;
    while (reader.next(raw, tooLong)) {
        ++lineNo;
        if (tooLong)
            throw ZltError(QStringLiteral("%1:%2: line longer than %3 bytes")
                               .arg(fileName)
                               .arg(lineNo)
                               .arg(MaxLineBytes));
        QByteArrayView text = raw;
        if (!isAscii(raw)) {
            QString unicode = QString::fromUtf8(raw).trimmed();
            if (lineNo == 1 && unicode.startsWith(QChar(0xFEFF))) unicode = unicode.mid(1).trimmed();
            decoded = unicode.toUtf8();
            text = decoded;
        }
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end && isBlank(*p)) ++p;
        if (p == end || *p == '#') continue;

        // Every word is counted before any is judged: a wrong count is reported first.
        values.clear();
        qsizetype words = 0;
        QByteArrayView badWord;
        bool badIsNumber = false; // the first bad word is a number, but not a finite one
        while (p < end) {
            const char* w = p;
            while (p < end && !isBlank(*p)) ++p;
            ++words;
            if (badWord.isNull()) {
                bool ok = false;
                const double v = textNumber(QByteArrayView(w, p - w), ok);
                if (!ok || !std::isfinite(v)) {
                    badWord = QByteArrayView(w, p - w);
                    badIsNumber = ok;
                } else {
                    values.push_back(v);
                }
            }
            while (p < end && isBlank(*p)) ++p;
        }
        auto fail = [&](const QString& what) {
            throw ZltError(QStringLiteral("%1:%2: %3").arg(fileName).arg(lineNo).arg(what));
        };
        if (words % 2 != 0) fail(QStringLiteral("odd number of coordinates (%1)").arg(words));
        if (words < 4) fail(QStringLiteral("a polyline needs at least two points (x y x y ...)"));
        if (!badWord.isNull())
            fail((badIsNumber ? QStringLiteral("\"%1\" is not a finite coordinate")
                              : QStringLiteral("\"%1\" is not a number"))
                     .arg(QString::fromUtf8(badWord)));
        std::unique_ptr<TPolyLineElement> line(new TPolyLineElement);
        for (size_t i = 0; i + 1 < values.size(); i += 2) line->AddXY(values[i], values[i + 1]);
        line->RecalculateRect();
        lines.AddAndUpdateRect(line.release());
    }
}

struct AreaRow {
    double area;
    double labelX, labelY;
    int holes;
    int vertices;
};

// Prints the protocol texts and messages of the run as warnings.
class Warnings {
public:
    explicit Warnings(QTextStream& err) : m_err(err) {
        m_id = TMessageBus::instance().subscribe([this](TElement*, TZeltoMessage& m) {
            if (m.FMessage != tm_AddToProtocol) return;
            if (auto* t = zelto_cast<TZeltoTextMessage>(&m)) m_texts << t->GetMessageText();
        });
        if (RecordingNotifier* r = recordingNotifier()) m_messagesBefore = r->messages().size();
    }
    ~Warnings() { TMessageBus::instance().unsubscribe(m_id); }
    Warnings(const Warnings&) = delete;
    Warnings& operator=(const Warnings&) = delete;
    void flush() {
        if (RecordingNotifier* r = recordingNotifier()) m_texts << r->messages().mid(m_messagesBefore);
        for (const QString& t : m_texts)
            m_err << "zlt: areas: warning: " << QString(t).replace(QLatin1String("\r\n"), QLatin1String(" "))
                  << '\n';
        m_texts.clear();
    }

private:
    QTextStream& m_err;
    int m_id = 0;
    qsizetype m_messagesBefore = 0;
    QStringList m_texts;
};

} // namespace

int runAreas(const QStringList& args, QTextStream& out, QTextStream& err) {
    const Options o = parseOptions(args);
    if (QFileInfo(o.file).isDir()) throw ZltError(QStringLiteral("%1: is a directory").arg(o.file));
    QFile file(o.file);
    if (!file.open(QIODevice::ReadOnly))
        throw ZltError(QStringLiteral("%1: cannot open: %2").arg(o.file, file.errorString()));
    const QByteArray signature = file.peek(4);
    const bool stream = signature == "ZLT0" || signature == "TPF0";

    // Freed in this order: the areas, the tool (its nodes), the line set, the stream.
    std::unique_ptr<LoadedStream> loaded;
    std::unique_ptr<TPolyLineString> lines(new TPolyLineString);
    std::unique_ptr<TCreateAreasFromLinesTool> tool;
    std::unique_ptr<TAreaString> areas;
    if (stream) {
        // A pipe gives its bytes once: the ones read for the signature are handed over too.
        const QByteArray data = QFileInfo(o.file).isFile() ? QByteArray() : file.readAll();
        file.close();
        loaded.reset(new LoadedStream(o.file, data));
        auto finder = std::make_unique<THledacLinii>();
        finder->SetInput(loaded->root());
        finder->SetOutput(lines.get());
        finder->DoIt();
    } else {
        readTextLines(o.file, file, *lines);
    }

    // The line-joining step hands the pieces of cut lines to the lines' owners through the world's
    // message delivery; without a world they would be lost.
    std::unique_ptr<TWorld> world;
    if (!World) {
        world.reset(new TWorld);
        world->SubscribeToMessages();
    }
    Warnings warnings(err);
    tool.reset(new TCreateAreasFromLinesTool);
    tool->SetNoProgress(true);
    tool->GetClearLines()->SetSnapDistance(o.snap);
    tool->SetInput(lines.get());
    tool->DoIt();
    areas.reset(zelto_cast<TAreaString>(tool->GetOutput()));
    warnings.flush();
    if (!areas) throw ZltError(QStringLiteral("areas: no areas could be built from %1").arg(o.file));

    std::vector<AreaRow> rows;
    for (TElement* e : areas->FElements) {
        auto* a = zelto_cast<TAreaElement>(e);
        if (!a) continue;
        rows.push_back({a->GetArea(), a->GetRefX(), a->GetRefY(),
                        a->GetHoles() ? a->GetHoles()->ElementsCount() : 0, a->GetCoordsCount()});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const AreaRow& a, const AreaRow& b) { return a.area < b.area; });

    QString text;
    if (!o.json) {
        for (const AreaRow& r : rows) text += QString::number(r.area, 'f', 3) + QLatin1Char('\n');
    } else {
        text += QLatin1String("[\n");
        for (size_t i = 0; i < rows.size(); ++i) {
            const AreaRow& r = rows[i];
            text += QLatin1String("  {\"area\": ") + QString::number(r.area, 'f', 3) +
                    QLatin1String(", \"label\": [");
            appendJsonNumber(text, r.labelX);
            text += QLatin1String(", ");
            appendJsonNumber(text, r.labelY);
            text += QLatin1String("], \"holes\": ") + QString::number(r.holes) +
                    QLatin1String(", \"vertices\": ") + QString::number(r.vertices) +
                    QLatin1String(i + 1 < rows.size() ? "},\n" : "}\n");
        }
        text += QLatin1String("]\n");
    }
    out << text;
    return 0;
}

} // namespace zlt
