// Writing an element graph to a .zlt file (in the test's temporary folder) and reading one back.
#pragma once

#include <gtest/gtest.h>

#include "framework/Elements.h"
#include "persistence/T_Saver.h"
#include "persistence/t_Loader.h"

#include <QFile>
#include <QString>

#include <memory>
#include <vector>

namespace zelto::testing {

// Saves `root` to `file` with the stream writer; answers the bytes the file holds afterwards.
inline QByteArray saveTo(TElement* root, const QString& file) {
    TSave save(file);
    save.SetNoProgress(true);
    save.SetInput(root);
    save.DoIt();
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    return f.readAll();
}

// The same with the writer of the older layout.
inline QByteArray saveLegacyTo(TElement* root, const QString& file) {
    TSaver saver(file);
    saver.SetInput(root);
    saver.DoIt();
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    return f.readAll();
}

// Reads `file`; the caller owns the output. `read`, when given, receives every element of the read.
inline std::unique_ptr<TElement> loadFrom(const QString& file, std::vector<TElement*>* read = nullptr) {
    TLoad load(file);
    load.SetNoProgress(true);
    load.DoIt();
    if (read) *read = load.ReadElements();
    return std::unique_ptr<TElement>(load.FOutput);
}

} // namespace zelto::testing
