// zlt dump: the element graph as JSON, written by hand so that the keys keep the order
// id, class, name, props, children.
#include "stream_graph.h"
#include "zlt.h"

#include <charconv>
#include <cmath>

namespace zlt {

namespace {

class JsonDumper {
public:
    explicit JsonDumper(const StreamGraph& g) : m_graph(g), m_seen(g.nodes.size(), false) {}

    QString run() {
        element(m_graph.root, 0);
        m_out += QLatin1Char('\n');
        return m_out;
    }

private:
    void newline(int level) {
        m_out += QLatin1Char('\n');
        m_out += QString(2 * level, QLatin1Char(' '));
    }

    void reference(qint64 number, bool dangling) {
        m_out += QStringLiteral("{\"ref\": %1").arg(number);
        // A number that names no earlier element: the program reads it as none.
        if (dangling) m_out += QLatin1String(", \"dangling\": true");
        m_out += QLatin1Char('}');
    }

    // An element the first time it is met, a reference afterwards.
    void element(int index, int level) {
        if (m_seen[size_t(index)]) {
            reference(index, false);
            return;
        }
        if (level > 2 * MaxDepth)
            throw ZltError(QStringLiteral("%1: the element graph is nested deeper than %2 levels")
                               .arg(m_graph.fileName)
                               .arg(MaxDepth));
        m_seen[size_t(index)] = true;
        const Node& node = m_graph.nodes[size_t(index)];
        m_out += QLatin1Char('{');
        newline(level + 1);
        m_out += QStringLiteral("\"id\": %1,").arg(index);
        newline(level + 1);
        m_out += QLatin1String("\"class\": ");
        appendJsonString(m_out, node.className);
        m_out += QLatin1Char(',');
        newline(level + 1);
        m_out += QLatin1String("\"name\": ");
        appendJsonString(m_out, node.name);
        m_out += QLatin1Char(',');
        newline(level + 1);
        m_out += QLatin1String("\"props\": {");
        for (size_t i = 0; i < node.props.size(); ++i) {
            if (i > 0) m_out += QLatin1Char(',');
            newline(level + 2);
            appendJsonString(m_out, node.props[i].first);
            m_out += QLatin1String(": ");
            value(node.props[i].second, level + 2);
        }
        if (!node.props.empty()) newline(level + 1);
        m_out += QLatin1String("},");
        newline(level + 1);
        m_out += QLatin1String("\"children\": [");
        for (size_t i = 0; i < node.children.size(); ++i) {
            if (i > 0) m_out += QLatin1Char(',');
            newline(level + 2);
            const Child& c = node.children[i];
            if (c.target >= 0)
                element(c.target, level + 2);
            else
                reference(c.number, true);
        }
        if (!node.children.empty()) newline(level + 1);
        m_out += QLatin1Char(']');
        newline(level);
        m_out += QLatin1Char('}');
    }

    void value(const Value& v, int level) {
        switch (v.kind) {
        case Value::Integer:
            m_out += QString::number(v.integer);
            break;
        case Value::Boolean:
            m_out += v.integer ? QLatin1String("true") : QLatin1String("false");
            break;
        case Value::Real:
            appendJsonReal(m_out, v.real);
            break;
        case Value::Text:
            appendJsonString(m_out, v.text);
            break;
        case Value::None:
            m_out += QLatin1String("null");
            break;
        case Value::Reference:
            reference(v.integer, v.target < 0);
            break;
        case Value::Nested:
            element(v.target, level);
            break;
        }
    }

    const StreamGraph& m_graph;
    std::vector<bool> m_seen;
    QString m_out;
};

} // namespace

int runDump(const QStringList& args, QTextStream& out, QTextStream&) {
    const StreamGraph graph = readStreamGraph(fileArgument("dump", args));
    // Built completely first, so that a failure leaves nothing on the output.
    const QString json = JsonDumper(graph).run();
    out << json;
    return 0;
}

} // namespace zlt
