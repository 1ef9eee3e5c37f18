// Hand-built object streams of the current format, for what the writer never produces (classes
// and properties this program does not have, retyped properties, hostile references).
#pragma once

#include "persistence/StreamIO.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <initializer_list>
#include <utility>

namespace zelto::fuzz {

struct StreamBuilder {
    QByteArray bytes{"ZLT0"};
    TTaggedWriter w{bytes};
    int classes = 0;
    int elements = 0;

    StreamBuilder() {
        w.WriteString(QStringLiteral("G ZELTO"));
        w.WriteString(QStringLiteral("4.0 BETA"));
        w.WriteString(QStringLiteral("No comment"));
        w.WriteListBegin();
    }
    // A class record listing (name, kind code) pairs; returns the class number.
    int classRecord(const char* name, std::initializer_list<std::pair<const char*, int>> props) {
        w.WriteInteger(-1);
        w.WriteString(QString::fromLatin1(name));
        w.WriteInteger(classes);
        w.WriteListBegin();
        for (auto [prop, kind] : props) {
            w.WriteString(QString::fromLatin1(prop));
            w.WriteInteger(kind);
        }
        w.WriteListEnd();
        return classes++;
    }
    // An element record; `values` writes the (index, value) pairs and may itself write nested
    // element records. Returns the element number.
    int element(int cls, const std::function<void(TTaggedWriter&)>& values,
                std::initializer_list<int> children = {}) {
        const int number = elements++;
        w.WriteInteger(cls);
        w.WriteInteger(number);
        w.WriteListBegin();
        if (values) values(w);
        w.WriteListEnd();
        w.WriteInteger(children.size() > 0 ? 1 : 0);
        if (children.size() > 0) {
            w.WriteListBegin();
            for (int c : children) w.WriteInteger(c);
            w.WriteListEnd();
        }
        return number;
    }
    // Property `index` holding an element written inline: -2 and a nested list of records.
    void nested(int index, const std::function<void()>& records) {
        w.WriteInteger(index);
        w.WriteInteger(-2);
        w.WriteListBegin();
        records();
        w.WriteListEnd();
    }
    QByteArray finish() {
        w.WriteListEnd();
        return bytes;
    }
};

} // namespace zelto::fuzz
