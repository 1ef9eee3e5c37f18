#include "stream_graph.h"

#include "zlt.h"

#include "framework/Notifier.h"
#include "framework/e_Class.h"
#include "persistence/StreamIO.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <memory>

using namespace zelto;

namespace zlt {

namespace {

bool isBooleanProperty(const TPropInfo& p) {
    return p.kind == tkEnumeration &&
           p.enumNames == QStringList{QStringLiteral("False"), QStringLiteral("True")};
}

bool isStringKindCode(int k) {
    return k == tkString || k == tkLString || k == tkWString || k == tkUString;
}

bool sameName(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QString depthError(const QString& fileName) {
    return QStringLiteral("%1: the element graph is nested deeper than %2 levels")
        .arg(fileName)
        .arg(MaxDepth);
}

// Appends a property, renaming a repeated name so that every key of the element stays distinct.
void addProp(Node& node, QString key, Value v) {
    const QString base = key;
    for (int n = 2;; ++n) {
        bool used = false;
        for (const auto& p : node.props)
            if (p.first == key) used = true;
        if (!used) break;
        key = base + QLatin1Char('#') + QString::number(n);
    }
    node.props.emplace_back(std::move(key), std::move(v));
}

} // namespace

QByteArray readStreamBytes(const QString& fileName) {
    if (fileName.isEmpty()) throw EBadStreamName(QStringLiteral("Chybné jméno souboru :  !"));
    const QFileInfo info(fileName);
    if (!info.exists()) throw EBadStream(QStringLiteral("Soubor %1 neexistuje!").arg(fileName));
    if (info.isDir()) throw ZltError(QStringLiteral("%1: is a directory").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EBadStream(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    // The signature first: an endless device or a large file of another kind is refused after
    // four bytes, not after reading it all.
    QByteArray data = file.read(4);
    if (data != "ZLT0" && data != "TPF0" && file.error() == QFileDevice::NoError)
        throw EBadStream(fileName + QStringLiteral(" ... neznámý typ souboru"));
    if (file.error() == QFileDevice::NoError) data += file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EBadStream(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    return data;
}

namespace {

// ---- current format: record by record -----------------------------------------------------------

class CurrentFormatParser {
public:
    CurrentFormatParser(const QByteArray& data, StreamGraph& graph)
        : m_reader(data, graph.fileName), m_graph(graph) {}

    void run() {
        m_reader.ReadRaw(4);
        for (int i = 0; i < 3; ++i) m_graph.header << m_reader.ReadString();
        const auto [last, previous] = parseList();
        m_graph.trailingBytes = m_reader.Size() - m_reader.Position();
        if (last < 0) m_reader.Fail(QStringLiteral("the stream holds no element"));
        m_graph.root = last;
        // A closing marker stands for no data; the element before it is the root.
        if (previous >= 0 && sameName(m_graph.nodes[size_t(last)].className, "TYouShallNotPass"))
            m_graph.root = previous;
    }

private:
    struct StoredProp {
        QString name;
        int kind = 0;
        bool boolean = false; // the program's property of that name is a Boolean
        bool isName = false;
    };
    struct ClassRecord {
        QString name;
        bool known = false;
        std::vector<StoredProp> props;
    };

    // The last two element records of the list (-1 when missing).
    std::pair<int, int> parseList() {
        m_reader.ReadListBegin();
        int last = -1, previous = -1;
        while (!m_reader.EndOfList()) {
            const qsizetype at = m_reader.Position();
            const qint32 n = m_reader.ReadInteger();
            if (n == -1) {
                parseClass();
            } else if (n >= 0) {
                if (n >= qint32(m_classes.size()))
                    m_reader.Fail(QStringLiteral("unknown class number %1").arg(n), at);
                previous = last;
                last = parseElement(n, at);
            } else {
                m_reader.Fail(QStringLiteral("invalid item marker %1").arg(n), at);
            }
        }
        m_reader.ReadListEnd();
        return {last, previous};
    }

    void parseClass() {
        ClassRecord rec;
        rec.name = m_reader.ReadString();
        m_reader.ReadInteger(); // class records are numbered by their order
        const TClassInfo* cls = GetZeltoClass(rec.name);
        rec.known = cls && !cls->isAbstract();
        m_reader.ReadListBegin();
        while (!m_reader.EndOfList()) {
            StoredProp sp;
            sp.name = m_reader.ReadString();
            sp.kind = m_reader.ReadInteger();
            if (sp.kind == tkChar) sp.kind = tkWChar;
            if (rec.known) {
                const TPropInfo* p = cls->property(cls->propertyIndex(sp.name));
                sp.boolean = sp.kind == tkEnumeration && p && isBooleanProperty(*p);
            }
            sp.isName = sameName(sp.name, "Name") && isStringKindCode(sp.kind);
            rec.props.push_back(std::move(sp));
        }
        m_reader.ReadListEnd();
        m_classes.push_back(std::move(rec));
    }

    int parseElement(qint32 classNumber, qsizetype at) {
        const int self = int(m_graph.nodes.size());
        const qint32 number = m_reader.ReadInteger();
        if (number != self)
            m_reader.Fail(QStringLiteral("element number %1 where %2 was due").arg(number).arg(self), at);
        {
            Node node;
            node.className = m_classes[size_t(classNumber)].name;
            node.knownClass = m_classes[size_t(classNumber)].known;
            m_graph.nodes.push_back(std::move(node));
        }
        // Nested lists below add class records and nodes: index, never hold references.
        m_reader.ReadListBegin();
        while (!m_reader.EndOfList()) {
            const qsizetype propAt = m_reader.Position();
            const qint32 i = m_reader.ReadInteger();
            const auto& props = m_classes[size_t(classNumber)].props;
            if (i < 0 || i >= qint32(props.size()))
                m_reader.Fail(QStringLiteral("property index %1 out of range").arg(i), propAt);
            const StoredProp sp = props[size_t(i)];
            Value v = parseValue(sp, self);
            Node& node = m_graph.nodes[size_t(self)];
            if (sp.isName && v.kind == Value::Text)
                node.name = v.text;
            else
                addProp(node, sp.name, std::move(v));
        }
        m_reader.ReadListEnd();
        if (m_reader.ReadInteger() != 0) {
            m_reader.ReadListBegin();
            while (!m_reader.EndOfList()) {
                Child c;
                c.number = m_reader.ReadInteger();
                // What the program accepts: an element read before, other than this one.
                if (c.number >= 0 && c.number < qint32(m_graph.nodes.size()) && c.number != self)
                    c.target = c.number;
                m_graph.nodes[size_t(self)].children.push_back(c);
            }
            m_reader.ReadListEnd();
        }
        return self;
    }

    Value parseValue(const StoredProp& sp, int self) {
        Value v;
        switch (sp.kind) {
        case tkInteger:
        case tkEnumeration:
        case tkSet:
            v.integer = m_reader.ReadInteger();
            v.kind = sp.boolean && (v.integer == 0 || v.integer == 1) ? Value::Boolean : Value::Integer;
            break;
        case tkWChar:
        case tkString:
        case tkLString:
        case tkWString:
        case tkUString:
            v.kind = Value::Text;
            v.text = m_reader.ReadString();
            break;
        case tkFloat:
            v.kind = Value::Real;
            v.real = m_reader.ReadFloat();
            break;
        case tkClass: {
            const qsizetype at = m_reader.Position();
            const qint32 ref = m_reader.ReadInteger();
            if (ref == -1) break;
            if (ref == -2) {
                if (m_depth >= TZeltoLoader::MaxNesting)
                    m_reader.Fail(QStringLiteral("nested lists too deep"), at);
                ++m_depth;
                const int last = parseList().first;
                --m_depth;
                if (last >= 0) {
                    v.kind = Value::Nested;
                    v.target = last;
                }
                break;
            }
            v.kind = Value::Reference;
            v.integer = ref;
            if (ref >= 0 && ref < qint32(m_graph.nodes.size()) && ref != self) v.target = ref;
            break;
        }
        default:
            m_reader.Fail(QStringLiteral("values of kind %1 cannot be read").arg(sp.kind));
        }
        return v;
    }

    TTaggedReader m_reader;
    StreamGraph& m_graph;
    std::vector<ClassRecord> m_classes;
    int m_depth = 0;
};

// ---- older layout: the loaded graph -------------------------------------------------------------

// The properties the stream writer would store for the element, with their values.
std::vector<std::pair<const TPropInfo*, TValue>> storedValues(TElement* e) {
    std::vector<std::pair<const TPropInfo*, TValue>> out;
    for (const TPropInfo& p : e->ClassType().properties()) {
        if (!p.readable() || !p.writable() || !isStreamWrittenKind(p.kind) || !p.storedFor(e)) continue;
        TValue v;
        try {
            v = p.get(e);
        } catch (...) {
            continue;
        }
        bool keep = false;
        switch (p.kind) {
        case tkInteger:
        case tkEnumeration:
        case tkSet:
            keep = v.ord != 0;
            break;
        case tkChar:
        case tkWChar:
            keep = true;
            break;
        case tkFloat:
            keep = v.real != 0;
            break;
        case tkClass:
            keep = zelto_cast<TElement>(v.obj) != nullptr;
            break;
        default:
            keep = !v.str.isEmpty();
        }
        if (keep) out.emplace_back(&p, std::move(v));
    }
    return out;
}

class LoadedGraphBuilder {
public:
    explicit LoadedGraphBuilder(StreamGraph& graph) : m_graph(graph) {}

    void build(TElement* root) {
        markChildGraph(root);
        number(root, 0);
        for (TElement* e : m_order) m_graph.nodes.push_back(describe(e));
        m_graph.root = m_ids.value(root);
    }

private:
    void markChildGraph(TElement* root) {
        std::vector<TElement*> stack{root};
        m_childGraph.insert(root);
        while (!stack.empty()) {
            auto* entity = zelto_cast<TEntity>(stack.back());
            stack.pop_back();
            if (!entity) continue;
            for (TElement* c : entity->FElements)
                if (c && !m_childGraph.contains(c)) {
                    m_childGraph.insert(c);
                    stack.push_back(c);
                }
        }
    }

    // Post-order numbering: children, then element-valued properties, then the element.
    void number(TElement* e, int depth) {
        if (m_visited.contains(e)) return;
        if (depth > MaxDepth) throw ZltError(depthError(m_graph.fileName));
        m_visited.insert(e);
        if (auto* entity = zelto_cast<TEntity>(e))
            for (TElement* c : entity->FElements)
                if (c) number(c, depth + 1);
        for (const auto& [p, v] : storedValues(e))
            if (p->kind == tkClass) number(static_cast<TElement*>(v.obj), depth + 1);
        m_ids.insert(e, int(m_order.size()));
        m_order.push_back(e);
    }

    Node describe(TElement* e) {
        Node node;
        node.className = e->ClassName();
        for (const auto& [p, v] : storedValues(e)) {
            Value value;
            switch (p->kind) {
            case tkInteger:
            case tkSet:
                value.kind = Value::Integer;
                value.integer = v.ord;
                break;
            case tkEnumeration:
                value.kind =
                    isBooleanProperty(*p) && (v.ord == 0 || v.ord == 1) ? Value::Boolean : Value::Integer;
                value.integer = v.ord;
                break;
            case tkChar:
            case tkWChar:
                value.kind = Value::Text;
                value.text = QString(QChar(char16_t(v.ord)));
                break;
            case tkFloat:
                value.kind = Value::Real;
                value.real = v.real;
                break;
            case tkClass: {
                auto* target = static_cast<TElement*>(v.obj);
                // Members of the child graph are stored as numbers, anything else inline.
                value.kind = m_childGraph.contains(target) ? Value::Reference : Value::Nested;
                value.target = m_ids.value(target, -1);
                value.integer = value.target;
                break;
            }
            default:
                value.kind = Value::Text;
                value.text = v.str;
            }
            if (sameName(p->name, "Name") && value.kind == Value::Text)
                node.name = value.text;
            else
                addProp(node, p->name, std::move(value));
        }
        if (auto* entity = zelto_cast<TEntity>(e))
            for (TElement* c : entity->FElements) {
                Child child;
                child.target = c ? m_ids.value(c, -1) : -1;
                child.number = child.target;
                node.children.push_back(child);
            }
        return node;
    }

    StreamGraph& m_graph;
    QSet<const TElement*> m_childGraph;
    QSet<const TElement*> m_visited;
    QHash<const TElement*, int> m_ids;
    std::vector<TElement*> m_order;
};

void readOlderLayout(const QByteArray& data, StreamGraph& graph) {
    RecordingNotifier* recorder = recordingNotifier();
    const qsizetype errorsBefore = recorder ? recorder->errors().size() : 0;
    TLoad load(graph.fileName);
    load.SetNoProgress(true);
    load.SetData(data);
    load.DoIt();
    TElement* root = load.FOutput;
    if (!root) {
        // The older reader shows its failures as error boxes and answers no output.
        const QStringList errors = recorder ? recorder->errors().mid(errorsBefore) : QStringList();
        throw ZltError(errors.isEmpty()
                           ? QStringLiteral("%1: the stream holds no element").arg(graph.fileName)
                           : QStringLiteral("%1: %2").arg(graph.fileName, errors.join("; ")));
    }
    // The caller owns the loaded graph; freeing the root frees what it holds.
    struct Release {
        TLoad& load;
        TElement* root;
        ~Release() {
            if (!load.ReadElements().empty())
                FreeElementSet(load.ReadElements());
            else
                delete root;
        }
    } release{load, root};
    LoadedGraphBuilder(graph).build(root);
}

} // namespace

StreamGraph readStreamGraph(const QString& fileName) {
    return readStreamGraph(fileName, readStreamBytes(fileName));
}

StreamGraph readStreamGraph(const QString& fileName, const QByteArray& data) {
    StreamGraph graph;
    graph.fileName = fileName;
    const QByteArray magic = data.left(4);
    graph.format = QString::fromLatin1(magic);
    if (magic == "ZLT0")
        CurrentFormatParser(data, graph).run();
    else if (magic == "TPF0")
        readOlderLayout(data, graph);
    else
        throw EBadStream(fileName + QStringLiteral(" ... neznámý typ souboru"));
    return graph;
}

} // namespace zlt
