// zlt info: a summary of a stream file, one "key: value" item per line.
#include "stream_graph.h"
#include "zlt.h"

#include <map>

namespace zlt {

namespace {

// Keeps an item on its line: control characters are shown as escapes.
QString oneLine(const QString& s) {
    QString out;
    for (QChar c : s) {
        if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void item(QString& out, const QString& key, const QString& value) {
    out += oneLine(key) + QLatin1Char(':');
    if (!value.isEmpty()) out += QLatin1Char(' ') + oneLine(value);
    out += QLatin1Char('\n');
}

struct ByClassName {
    bool operator()(const QString& a, const QString& b) const {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    }
};

} // namespace

int runInfo(const QStringList& args, QTextStream& out, QTextStream&) {
    const QString file = fileArgument("info", args);
    const QByteArray data = readStreamBytes(file);
    const StreamGraph g = readStreamGraph(file, data);
    // The summary describes the records without creating elements; what the program would refuse
    // to read (a child graph too deep, a cycle of records) is refused here too, by its own reader.
    if (g.format == QLatin1String("ZLT0")) const LoadedStream check(file, data);
    QString text;
    item(text, QStringLiteral("file"), g.fileName);
    const bool current = g.format == QLatin1String("ZLT0");
    item(text, QStringLiteral("format"),
         g.format + (current ? QStringLiteral(" (current)") : QStringLiteral(" (older)")));
    if (current) {
        item(text, QStringLiteral("generator"), g.header.value(0));
        item(text, QStringLiteral("version"), g.header.value(1));
        item(text, QStringLiteral("comment"), g.header.value(2));
    }
    const Node& root = g.nodes[size_t(g.root)];
    item(text, QStringLiteral("root class"), root.className);
    item(text, QStringLiteral("root name"), root.name);
    std::map<QString, qsizetype, ByClassName> counts;
    std::map<QString, bool, ByClassName> unknown;
    for (const Node& n : g.nodes) {
        ++counts[n.className];
        if (!n.knownClass) unknown[n.className] = true;
    }
    for (const auto& [name, count] : counts)
        item(text, QStringLiteral("class ") + name, QString::number(count));
    item(text, QStringLiteral("elements"), QString::number(g.nodes.size()));
    // What the program reads differently from what the file holds.
    for (const auto& [name, _] : unknown) item(text, QStringLiteral("unknown class"), name);
    if (g.trailingBytes > 0) item(text, QStringLiteral("trailing bytes"), QString::number(g.trailingBytes));
    out << text;
    return 0;
}

} // namespace zlt
