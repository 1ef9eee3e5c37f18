// Shared by the stream round-trip tests: write an element graph with the saver, read it back with
// the loader, and compare every stored property and child.
#pragma once

#include <gtest/gtest.h>

#include "framework/Elements.h"
#include "geometry/G_Elems.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"
#include "stream_files.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace zelto::testing {

inline bool sameReal(double a, double b) {
    return a == b || std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(a));
}

// Every stored property of `a` reads the same on `b`; element-valued ones and the children are
// compared the same way, all the way down.
inline void expectSameGraph(const TElement* a, const TElement* b, const std::string& path = "root") {
    ASSERT_NE(b, nullptr) << path;
    ASSERT_EQ(a->ClassName(), b->ClassName()) << path;
    const std::string here = path + ":" + a->ClassName().toStdString();
    for (const TPropInfo& p : a->ClassType().properties()) {
        if (!p.readable() || !p.writable() || !p.storedFor(a)) continue;
        const TValue va = p.get(a), vb = p.get(b);
        const std::string where = here + "." + p.name.toStdString();
        switch (p.kind) {
        case tkFloat:
            EXPECT_PRED2(sameReal, va.real, vb.real) << where;
            break;
        case tkInteger:
        case tkChar:
        case tkWChar:
        case tkInt64:
        case tkEnumeration:
        case tkSet:
            EXPECT_EQ(va.ord, vb.ord) << where;
            break;
        case tkString:
        case tkLString:
        case tkWString:
        case tkUString:
            EXPECT_EQ(va.str, vb.str) << where;
            break;
        case tkClass: {
            auto* ea = zelto_cast<TElement>(va.obj);
            auto* eb = zelto_cast<TElement>(vb.obj);
            EXPECT_EQ(ea == nullptr, eb == nullptr) << where;
            if (ea && eb) expectSameGraph(ea, eb, where);
            break;
        }
        default:
            break;
        }
    }
    if (auto* ra = zelto_cast<TRectEntity>(a)) {
        auto* rb = zelto_cast<TRectEntity>(b);
        EXPECT_PRED2(sameReal, ra->GetRelRefX(), rb->GetRelRefX()) << here;
        EXPECT_PRED2(sameReal, ra->GetRelRefY(), rb->GetRelRefY()) << here;
    }
    auto* ea = zelto_cast<TEntity>(a);
    auto* eb = zelto_cast<TEntity>(b);
    if (!ea) return;
    ASSERT_EQ(ea->ElementsCount(), eb->ElementsCount()) << here;
    for (int i = 0; i < ea->ElementsCount(); ++i)
        expectSameGraph(ea->Get(i), eb->Get(i), here + "[" + std::to_string(i) + "]");
}

// The names of the properties a class stores, in table order.
inline QStringList storedPropertyNames(const TClassInfo& cls) {
    QStringList names;
    for (const TPropInfo& p : cls.properties())
        if (p.staticallyStored() && p.readable() && p.writable()) names << p.name;
    return names;
}

class StreamRoundTrip : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    QByteArray save(TElement* root, const QString& name = "graph.zlt") { return saveTo(root, path(name)); }

    // Loads the file; `read` receives every element of the read.
    std::unique_ptr<TElement> load(const QString& name = "graph.zlt",
                                   std::vector<TElement*>* read = nullptr) {
        return loadFrom(path(name), read);
    }

    // Writes and reads back `root`, compares the graphs and answers the copy.
    std::unique_ptr<TElement> roundTrip(TElement* root) {
        save(root);
        std::unique_ptr<TElement> back = load();
        expectSameGraph(root, back.get());
        return back;
    }
};

} // namespace zelto::testing
