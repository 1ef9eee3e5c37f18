// zlt cs2jtsk and zlt jtsk2wgs: coordinate filters in the manner of PROJ's cs2cs.
//
// Each input line holds two numbers separated by blanks; whatever follows them is copied to the
// output after the converted pair. Blank lines and lines starting with "#" are copied as they are.
// A line that cannot be read or converted gives "*\t*" (and its rest) and a message on standard
// error; the exit status is then 1 once all input is done.
//
// Millions of lines go through: input is read in large blocks, numbers are parsed and formatted
// with std::from_chars / std::to_chars (no locale), and output is written in large blocks, or as
// soon as the input pauses, so that the filters also answer lines typed or sent one at a time.
#include "zlt.h"

#include "projection/r_WGS84.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace zelto;

namespace zlt {

namespace {

constexpr qint64 BlockSize = 1 << 20;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A finite decimal number at p (an optional sign, digits, an optional fraction and exponent) that
// ends at a blank or at the end of the line.
bool readNumber(const char*& p, const char* end, double& value) {
    while (p < end && isBlank(*p)) ++p;
    const char* start = p;
    if (start < end && *start == '+') ++start; // from_chars takes "-" only
    const auto r = std::from_chars(start, end, value, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr == start || !std::isfinite(value)) return false;
    if (r.ptr < end && !isBlank(*r.ptr)) return false;
    p = r.ptr;
    return true;
}

void appendFixed(std::string& out, double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out.append(buf, r.ptr);
}

// Output in large blocks straight to the device of the stream when it has one.
class BlockWriter {
public:
    explicit BlockWriter(QTextStream& out) : m_out(out) { m_buffer.reserve(BlockSize + 4096); }
    std::string& buffer() { return m_buffer; }
    void lineDone() {
        if (qint64(m_buffer.size()) >= BlockSize) flush();
    }
    void flush() {
        if (m_buffer.empty()) return;
        if (QIODevice* device = m_out.device()) {
            m_out.flush();
            auto* file = qobject_cast<QFileDevice*>(device);
            if (device->write(m_buffer.data(), qint64(m_buffer.size())) != qint64(m_buffer.size()) ||
                (file && !file->flush()))
                throw ZltError(QStringLiteral("cannot write the output: %1").arg(device->errorString()));
        } else {
            m_out << QString::fromUtf8(m_buffer.data(), qsizetype(m_buffer.size()));
        }
        m_buffer.clear();
    }

private:
    QTextStream& m_out;
    std::string m_buffer;
};

// One conversion: reads the pair, writes the converted pair; on failure answers the message.
using Convert = bool (*)(double a, double b, std::string& out, QString& why);

bool toJtsk(double lat, double lon, std::string& out, QString& why) {
    TMapCoord c;
    if (!WGS84toJTSK(lat, lon, c)) {
        why = QStringLiteral("outside the accepted area (latitude 40 to 60, longitude 5 to 25 degrees)");
        return false;
    }
    appendFixed(out, -c.Y, 3);
    out += '\t';
    appendFixed(out, -c.X, 3);
    return true;
}

bool toWgs(double x, double y, std::string& out, QString& why) {
    double lat = 0, lon = 0;
    if (!jtskToWgs84Refined(TMapCoord{-x, -y}, lat, lon)) {
        why =
            QStringLiteral("no position of the accepted area (latitude 40 to 60, longitude 5 to 25 degrees) "
                           "maps there");
        return false;
    }
    appendFixed(out, lat, 8);
    out += '\t';
    appendFixed(out, lon, 8);
    return true;
}

struct Filter {
    const char* command;
    const char* pair; // how a line's two numbers are named in messages
    Convert convert;
    QTextStream& err;
    BlockWriter writer;
    bool failed = false;

    // A line longer than this is not kept: it gives "*\t*" and a message, and the filter goes on
    // with the next line, so one endless line cannot take all memory.
    static constexpr size_t MaxLineBytes = size_t(16) << 20;

    void overlong(const QString& source, qint64 number) {
        writer.buffer() += "*\t*\n";
        writer.lineDone();
        err << "zlt: " << command << ": " << source << ", line " << number << ": longer than " << MaxLineBytes
            << " bytes\n";
        failed = true;
    }

    void line(const char* p, const char* end, const QString& source, qint64 number) {
        std::string& out = writer.buffer();
        if (end > p && end[-1] == '\r') --end;
        const char* q = p;
        while (q < end && isBlank(*q)) ++q;
        if (q == end || *q == '#') {
            out.append(p, end);
        } else {
            double a = 0, b = 0;
            QString why;
            const size_t mark = out.size();
            const char* rest = q;
            if (!readNumber(rest, end, a) || !readNumber(rest, end, b)) {
                QString text = QString::fromUtf8(p, qsizetype(std::min<ptrdiff_t>(end - p, 200)));
                if (end - p > 200) text += QStringLiteral("...");
                why = QStringLiteral("cannot read \"%1\" as \"%2\"").arg(text, QLatin1String(pair));
                rest = end;
            } else if (convert(a, b, out, why)) {
                out.append(rest, end);
            }
            if (!why.isEmpty()) {
                out.resize(mark);
                out += "*\t*";
                out.append(rest, end);
                err << "zlt: " << command << ": " << source << ", line " << number << ": " << why << '\n';
                failed = true;
            }
        }
        out += '\n';
        writer.lineDone();
    }

    // Up to `size` bytes, as many as are there: standard input is read with read(2), which does
    // not wait for a full block, so that lines typed or piped in slowly are answered at once.
    static qint64 readSome(QFile& in, char* data, qint64 size, bool standardInput) {
        if (!standardInput) return in.read(data, size);
        for (;;) {
            const ssize_t n = ::read(STDIN_FILENO, data, size_t(size));
            if (n >= 0 || errno != EINTR) return n;
        }
    }

    // Every line of the file, in blocks; a last line without a line end counts too. Whenever the
    // input has nothing more at hand, what is converted so far goes out.
    void run(QFile& in, const QString& source, bool standardInput) {
        std::vector<char> block(static_cast<size_t>(BlockSize));
        std::string carry;
        bool skipping = false; // within a line that is too long
        qint64 number = 0;
        for (;;) {
            const qint64 n = readSome(in, block.data(), BlockSize, standardInput);
            if (n < 0)
                throw ZltError(QStringLiteral("%1: %2: cannot read: %3")
                                   .arg(QLatin1String(command), source,
                                        standardInput ? QString::fromLocal8Bit(std::strerror(errno))
                                                      : in.errorString()));
            if (n == 0) break;
            const char* p = block.data();
            const char* end = p + n;
            if (!carry.empty() || skipping) {
                const char* nl = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
                if (!skipping && size_t((nl ? nl : end) - p) + carry.size() > MaxLineBytes) {
                    carry.clear();
                    skipping = true;
                    overlong(source, ++number);
                }
                if (!nl) {
                    if (!skipping) carry.append(p, end);
                    continue;
                }
                if (!skipping) {
                    carry.append(p, nl);
                    line(carry.data(), carry.data() + carry.size(), source, ++number);
                    carry.clear();
                }
                skipping = false;
                p = nl + 1;
            }
            while (p < end) {
                const char* nl = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
                if (!nl) {
                    if (size_t(end - p) <= MaxLineBytes) {
                        carry.assign(p, end);
                    } else {
                        skipping = true;
                        overlong(source, ++number);
                    }
                    break;
                }
                if (size_t(nl - p) <= MaxLineBytes)
                    line(p, nl, source, ++number);
                else
                    overlong(source, ++number);
                p = nl + 1;
            }
            if (n < BlockSize) {
                writer.flush();
                err.flush();
            }
        }
        if (!carry.empty()) line(carry.data(), carry.data() + carry.size(), source, ++number);
    }
};

int runFilter(const char* command, const char* pair, Convert convert, const QStringList& args,
              QTextStream& out, QTextStream& err) {
    QStringList files;
    bool optionsEnd = false;
    for (const QString& a : args) {
        if (optionsEnd || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-"))
            files << a;
        else if (a == QLatin1String("--"))
            optionsEnd = true;
        else
            throw ZltError(QStringLiteral("%1: unknown option \"%2\"").arg(QLatin1String(command), a));
    }
    if (files.isEmpty()) files << QStringLiteral("-");
    // Every file is opened before anything is written, so that a wrong name leaves no output.
    std::vector<std::unique_ptr<QFile>> inputs;
    for (const QString& name : files) {
        auto file = std::make_unique<QFile>();
        bool ok = false;
        if (name == QLatin1String("-")) {
            ok = file->open(stdin, QIODevice::ReadOnly);
        } else {
            if (QFileInfo(name).isDir())
                throw ZltError(QStringLiteral("%1: %2: is a directory").arg(QLatin1String(command), name));
            file->setFileName(name);
            ok = file->open(QIODevice::ReadOnly);
        }
        if (!ok)
            throw ZltError(
                QStringLiteral("%1: %2: %3").arg(QLatin1String(command), name, file->errorString()));
        inputs.push_back(std::move(file));
    }
    Filter filter{command, pair, convert, err, BlockWriter(out)};
    for (size_t i = 0; i < inputs.size(); ++i) {
        const QString source = files[qsizetype(i)] == QLatin1String("-") ? QStringLiteral("standard input")
                                                                         : files[qsizetype(i)];
        filter.run(*inputs[i], source, files[qsizetype(i)] == QLatin1String("-"));
    }
    filter.writer.flush();
    return filter.failed ? 1 : 0;
}

} // namespace

int runCs2Jtsk(const QStringList& args, QTextStream& out, QTextStream& err) {
    return runFilter("cs2jtsk", "lat lon", toJtsk, args, out, err);
}

int runJtsk2Wgs(const QStringList& args, QTextStream& out, QTextStream& err) {
    return runFilter("jtsk2wgs", "x y", toWgs, args, out, err);
}

} // namespace zlt
