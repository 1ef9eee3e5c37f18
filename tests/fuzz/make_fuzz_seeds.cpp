// Writes the seed corpus of the stream fuzz target: small valid streams that reach every part of
// the reader, so that byte-level mutation starts from meaningful structure.
//   make_fuzz_seeds <directory>      (the committed corpus is tests/fuzz/corpus/)
#include "framework/E_Type.h"
#include "framework/Elements.h"
#include "framework/e_Class.h"
#include "framework/e_Sort.h"
#include "persistence/T_Saver.h"
#include "startup/Init.h"
#include "stream_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <utility>
#include <vector>

using namespace zelto;

namespace {

QString g_tmp;

QByteArray saved(TElement* root) {
    TSave save(g_tmp + QStringLiteral("/seed.zlt"));
    save.SetNoProgress(true);
    save.SetInput(root);
    save.DoIt();
    return save.Data();
}

QByteArray savedLegacy(TElement* root) {
    TSaver saver(g_tmp + QStringLiteral("/legacy.zlt"));
    saver.SetInput(root);
    saver.DoIt();
    return saver.Data();
}

using Stream = fuzz::StreamBuilder;

QByteArray workedExample() {
    TStringEntity e;
    e.SetName(QStringLiteral("A"));
    e.SetValue(QStringLiteral("x"));
    return saved(&e);
}

// Children shared by several parents, three levels deep.
QByteArray sharedChildren() {
    TOwnerEntity root;
    root.SetName(QStringLiteral("root"));
    auto* a = new TOwnerEntity;
    a->SetName(QStringLiteral("a"));
    auto* b = new TNameEntity;
    b->SetName(QStringLiteral("b"));
    auto* shared = new TStringEntity;
    shared->SetValue(QStringLiteral("shared"));
    auto* deep = new TSortedEntity;
    auto* leaf = new TIntegerElement;
    leaf->SetAsInteger(7);
    deep->AddElement(leaf);
    shared->AddElement(deep);
    a->AddElement(shared);
    b->AddElement(shared);
    b->AddElement(leaf);
    root.AddElement(a);
    root.AddElement(b);
    root.AddElement(new TOwnerEntity);
    QByteArray out = saved(&root);
    return out;
}

// Element properties: references to earlier elements by number and elements outside the child
// graph written inline as nested lists, one nested inside another.
QByteArray elementReferences() {
    TOwnerEntity root;
    auto* target = new TStringEntity;
    target->SetValue(QStringLiteral("target"));
    root.AddElement(target);
    auto* pointer = new TPointerElement;
    pointer->SetAsPointer(target);
    root.AddElement(pointer);

    TStringEntity inner; // outside the graph, referenced from outside the graph
    inner.SetValue(QStringLiteral("inner"));
    TZeltoMessage outer;
    outer.FMessage = 42;
    outer.FData = &inner;
    auto* msg = new TZeltoMessage;
    msg->FSender = target;
    msg->FData = &outer;
    msg->FKillData = true;
    root.AddElement(msg);
    auto* msg2 = new TZeltoMessage;
    msg2->FReceiver = pointer;
    msg2->FData = &inner;
    root.AddElement(msg2);
    QByteArray out = saved(&root);
    root.Clear();
    msg->FData = nullptr;
    delete msg;
    delete msg2;
    delete pointer;
    delete target;
    return out;
}

// Every value tag: 8-, 16- and 32-bit integers, 80-bit reals, short, long, UTF-8 and UTF-16
// strings, characters and booleans.
QByteArray valueTags() {
    TOwnerEntity root;
    for (qint32 v : {5, -100, 300, -30000, 100000, INT32_MIN}) {
        auto* e = new TIntegerElement;
        e->SetAsInteger(v);
        root.AddElement(e);
    }
    for (double v : {3.25, -1e300, 1e-310, 0.1}) {
        auto* e = new TFloatElement;
        e->SetAsFloat(v);
        root.AddElement(e);
    }
    auto* flag = new TBooleanElement;
    flag->SetAsBoolean(true);
    root.AddElement(flag);
    auto* ch = new TCharElement;
    ch->SetAsChar(QChar(u'Ř'));
    root.AddElement(ch);
    for (const QString& s : {QStringLiteral("abc"), QString(300, QChar(u'L')),
                             QString::fromUtf8("Dolní Bečva"), QString::fromUtf8("中文")}) {
        auto* e = new TStringEntity;
        e->SetValue(s);
        root.AddElement(e);
    }
    auto* progress = new TProgressMessage;
    progress->FProcessName = QStringLiteral("p");
    progress->FMaxProgress = 1000;
    progress->FTime = 45000.5;
    root.AddElement(progress);
    return saved(&root);
}

// A class this program does not know, read as an owner entity with its children.
QByteArray unknownClass() {
    Stream s;
    const int str = s.classRecord("TStringEntity", {{"Name", 10}, {"Value", 10}});
    const int unknown = s.classRecord("TNoSuchThing", {{"Name", 10}, {"Size", 1}, {"Where", 7}});
    const int leaf = s.element(str, [](TTaggedWriter& w) {
        w.WriteInteger(1);
        w.WriteString(QStringLiteral("leaf"));
    });
    const int mid = s.element(unknown,
                              [](TTaggedWriter& w) {
                                  w.WriteInteger(0);
                                  w.WriteString(QStringLiteral("mid"));
                                  w.WriteInteger(1);
                                  w.WriteInteger(12);
                                  w.WriteInteger(2);
                                  w.WriteInteger(0);
                              },
                              {leaf});
    s.element(unknown, nullptr, {leaf, mid});
    return s.finish();
}

// Stored properties the current class no longer has, of every kind, one holding a nested list.
QByteArray lostProperties() {
    Stream s;
    const int str = s.classRecord("TStringEntity", {{"Name", 10},
                                                    {"GoneInt", 1},
                                                    {"GoneReal", 4},
                                                    {"GoneText", 10},
                                                    {"GoneChar", 2},
                                                    {"GoneRef", 7},
                                                    {"Value", 10}});
    s.element(str, [](TTaggedWriter& w) {
        w.WriteInteger(6);
        w.WriteString(QStringLiteral("kept"));
    });
    s.element(str, [&](TTaggedWriter& w) {
        w.WriteInteger(1);
        w.WriteInteger(70000);
        w.WriteInteger(2);
        w.WriteFloat(2.5);
        w.WriteInteger(3);
        w.WriteString(QStringLiteral("gone"));
        w.WriteInteger(4);
        w.WriteChar(QChar(u'c'));
        s.nested(5, [&] { s.element(str, nullptr); }); // an element of its own, written inline
        w.WriteInteger(6);
        w.WriteString(QStringLiteral("v"));
    });
    return s.finish();
}

// Stored kinds that differ from the current ones: conversions through text and type errors.
QByteArray typeConversions() {
    Stream s;
    // TStringEntity.Value is a string now; TIntegerElement.Value an integer; TCharElement.Value a
    // wide character; TFloatElement.Value a real; TBooleanElement.Value an enumeration.
    const int str = s.classRecord("TStringEntity", {{"Value", 1}, {"Name", 4}});
    const int integer = s.classRecord("TIntegerElement", {{"Value", 10}, {"Name", 7}});
    const int character = s.classRecord("TCharElement", {{"Value", 5}});
    const int real = s.classRecord("TFloatElement", {{"Value", 10}});
    const int boolean = s.classRecord("TBooleanElement", {{"Value", 10}});
    const int text = s.classRecord("TStringElement", {{"Value", 2}, {"AsFloat", 10}});
    s.element(str, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteInteger(-12);
        w.WriteInteger(1);
        w.WriteFloat(1.5);
    });
    s.element(integer, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteString(QStringLiteral("12"));
        w.WriteInteger(1);
        w.WriteInteger(0);
    });
    s.element(integer, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteString(QStringLiteral("x"));
    });
    s.element(character, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteString(QString());
    });
    s.element(real, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteString(QStringLiteral("3,5"));
    });
    s.element(boolean, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteString(QStringLiteral("1"));
    });
    s.element(text, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteChar(QChar(u'Z'));
        w.WriteInteger(1);
        w.WriteString(QStringLiteral("2.25"));
    });
    const int root = s.classRecord("TOwnerEntity", {{"Name", 10}});
    s.element(root, nullptr, {0, 1, 2, 3, 4, 5, 6});
    return s.finish();
}

// A stream that ends with the marker element: the element before it is the output.
QByteArray youShallNotPass() {
    Stream s;
    const int str = s.classRecord("TStringEntity", {{"Name", 10}, {"Value", 10}});
    const int marker = s.classRecord("TYouShallNotPass", {{"Name", 10}});
    const int a = s.element(str, [](TTaggedWriter& w) {
        w.WriteInteger(1);
        w.WriteString(QStringLiteral("a"));
    });
    s.element(str, nullptr, {a});
    s.element(marker, [](TTaggedWriter& w) {
        w.WriteInteger(0);
        w.WriteString(QStringLiteral("end"));
    });
    return s.finish();
}

// The older layout: class names and legacy records, children by position.
QByteArray legacy() {
    TOwnerEntity root;
    root.SetName(QStringLiteral("root"));
    auto* a = new TNameEntity;
    a->SetName(QString::fromUtf8("Bečva"));
    auto* leaf = new TNameElement;
    leaf->SetName(QStringLiteral("leaf"));
    a->AddElement(leaf);
    root.AddElement(a);
    root.AddElement(leaf);
    root.AddElement(new TElement);
    return savedLegacy(&root);
}

// Every creatable registered class in turn (part `part` of `parts`), each with its stored
// properties and one element, the root holding them: mutation reaches each class's properties
// and setters without having to guess class names.
QByteArray everyClass(int part, int parts) {
    Stream s;
    std::vector<int> members;
    int i = 0;
    for (const QString& name : RegisteredClassNames()) {
        const TClassInfo* cls = GetZeltoClass(name);
        if (!cls || cls->isAbstract() || !cls->isElementClass() || i++ % parts != part) continue;
        s.w.WriteInteger(-1);
        s.w.WriteString(name);
        s.w.WriteInteger(s.classes++);
        s.w.WriteListBegin();
        for (const TPropInfo& p : cls->properties())
            if (p.staticallyStored()) {
                s.w.WriteString(p.name);
                s.w.WriteInteger(p.kind);
            }
        s.w.WriteListEnd();
        members.push_back(s.element(s.classes - 1, nullptr));
    }
    const int root = s.classRecord("TOwnerEntity", {{"Name", 10}});
    s.w.WriteInteger(root);
    s.w.WriteInteger(s.elements++);
    s.w.WriteListBegin();
    s.w.WriteListEnd();
    s.w.WriteInteger(1);
    s.w.WriteListBegin();
    for (int m : members) s.w.WriteInteger(m);
    s.w.WriteListEnd();
    return s.finish();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds <directory>\n");
        return 2;
    }
    init();
    QTemporaryDir tmp;
    if (!tmp.isValid()) return 1;
    g_tmp = tmp.path();
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) return 1;
    const std::pair<const char*, QByteArray> seeds[] = {
        {"worked_example.zlt", workedExample()},
        {"shared_children.zlt", sharedChildren()},
        {"element_references.zlt", elementReferences()},
        {"value_tags.zlt", valueTags()},
        {"unknown_class.zlt", unknownClass()},
        {"lost_properties.zlt", lostProperties()},
        {"type_conversions.zlt", typeConversions()},
        {"you_shall_not_pass.zlt", youShallNotPass()},
        {"legacy_tpf0.zlt", legacy()},
        {"every_class_1.zlt", everyClass(0, 3)},
        {"every_class_2.zlt", everyClass(1, 3)},
        {"every_class_3.zlt", everyClass(2, 3)},
    };
    for (const auto& [name, bytes] : seeds) {
        QFile f(out.filePath(QString::fromLatin1(name)));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
        std::printf("%-24s %6lld bytes\n", name, static_cast<long long>(bytes.size()));
    }
    return 0;
}
