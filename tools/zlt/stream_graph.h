// The element graph of a stream file as the inspector shows it.
//
// The current format ("ZLT0") is parsed record by record, without creating elements, so that the
// result shows what the file holds, classes the program does not know included; node i is the
// element record with element number i. The older "TPF0" layout is read with the program's loader
// and the loaded graph is described instead; node i is then the i-th element of a post-order walk
// from the root (children, then element-valued properties, then the element itself).
#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace zlt {

// The deepest element nesting a description follows (children and inline property elements).
constexpr int MaxDepth = 256;

struct Value {
    enum Kind { Integer, Boolean, Real, Text, None, Reference, Nested };
    Kind kind = None;
    qint64 integer = 0; // Integer, Boolean; the stored number of a Reference
    double real = 0;
    QString text;
    // Reference and Nested: the node meant; -1 when the stored number names no element that
    // precedes the reference (the program reads it as none).
    int target = -1;
};

struct Child {
    qint32 number = -1; // as stored
    int target = -1;    // the node, -1 when the number names no earlier element
};

struct Node {
    QString className;
    bool knownClass = true; // registered in this program
    QString name;
    std::vector<std::pair<QString, Value>> props; // stored order; "Name" is in `name`
    std::vector<Child> children;
};

struct StreamGraph {
    QString fileName;
    QString format;     // "ZLT0" or "TPF0"
    QStringList header; // generator, version, comment (current format only)
    std::vector<Node> nodes;
    int root = -1;
    qsizetype trailingBytes = 0; // bytes after the final end of list (current format)
};

// Reads the file; raises zelto::EBadStream, zelto::EBadStreamName or ZltError with a message
// that names the file.
StreamGraph readStreamGraph(const QString& fileName);
// The same from the file's bytes (readStreamBytes).
StreamGraph readStreamGraph(const QString& fileName, const QByteArray& data);

} // namespace zlt
