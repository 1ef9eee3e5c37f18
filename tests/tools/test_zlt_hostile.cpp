// zlt on hostile and degenerate streams: a line as the root of a stream, a child listed a
// million times, a graph of shared entities whose paths double at every level.
#include <gtest/gtest.h>

#include "zlt_run.h"

#include "framework/Elements.h"
#include "geometry/e_Geometry.h"
#include "stream_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <thread>

using namespace zelto;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

TPolyLineElement* line(std::initializer_list<std::pair<double, double>> pts) {
    auto* l = new TPolyLineElement;
    for (auto [x, y] : pts) l->AddXY(x, y);
    l->RecalculateRect();
    return l;
}

// A closed square as the root of a stream, alone and as a multi-line: the areas tool takes the
// root itself into its line set, which must not free it. (A multi-line bounds no area, as inside
// an entity.)
TEST(ZltHostile, AreasOfAStreamWhoseRootIsALine) {
    const struct {
        const char* file;
        const char* out;
    } cases[] = {{"root_closed_line.zlt", "100.000\n"},
                 {"root_multi_line.zlt", ""},
                 // The line-joining step cuts the root line (a damaged vertex) and frees it.
                 {"root_line_cut_by_joining.zlt", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Result r = run({"areas", QStringLiteral(ZELTO_FIXTURES "/zlt/") + QLatin1String(c.file)});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QLatin1String(c.out));
    }
}

// Graphs whose paths far outnumber their elements: an entity that lists one line a million times,
// and 40 entities each listing the next one twice (2^40 paths to the line at the bottom). Every
// command walks each element once and frees the graph in time proportional to its size.
TEST(ZltHostile, SharedElementsCostTheirSizeNotTheirPaths) {
    QTemporaryDir dir;
    auto write = [&](const char* name, TEntity* root) {
        const QString file = dir.filePath(QLatin1String(name));
        zelto::testing::saveTo(root, file);
        delete root;
        return file;
    };
    auto* repeated = new TOwnerEntity;
    TPolyLineElement* square = line({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    for (int i = 0; i < 1000000; ++i) repeated->AddElement(square);
    auto* diamond = new TOwnerEntity;
    TOwnerEntity* level = diamond;
    for (int i = 0; i < 40; ++i) {
        auto* next = new TOwnerEntity;
        level->AddElement(next);
        level->AddElement(next);
        level = next;
    }
    level->AddElement(line({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
    const struct {
        QString file;
        QString elements; // as "info" counts them
    } cases[] = {{write("repeated.zlt", repeated), "7"}, {write("diamond.zlt", diamond), "47"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const Result areas = run({"areas", c.file});
        EXPECT_EQ(areas.status, 0) << areas.err.toStdString();
        EXPECT_EQ(areas.out, QStringLiteral("100.000\n"));
        const Result geojson = run({"geojson", c.file});
        EXPECT_EQ(geojson.status, 0) << geojson.err.toStdString();
        EXPECT_EQ(geojson.out.count(QLatin1String("\"Feature\"")), 1) << geojson.out.toStdString();
        const Result info = run({"info", c.file});
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        EXPECT_TRUE(info.out.contains(QLatin1String("\nelements: ") + c.elements + QLatin1Char('\n')))
            << info.out.toStdString();
    }
}

// A pipe is read like a file by every command that reads a stream; an endless device is refused
// after its first four bytes, before anything else is read.
TEST(ZltHostile, PipesAndDevices) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray square = [] {
        QFile f(QStringLiteral(ZELTO_FIXTURES "/zlt/root_closed_line.zlt"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }();
    for (const char* command : {"info", "dump", "geojson", "areas"}) {
        SCOPED_TRACE(command);
        std::thread writer([&] {
            QFile f(fifo);
            if (f.open(QIODevice::WriteOnly)) f.write(square);
        });
        const Result r = run({command, fifo});
        // A command that never opened the pipe must not leave the writer waiting.
        const int unblock = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        writer.join();
        if (unblock >= 0) ::close(unblock);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_FALSE(r.out.isEmpty());
    }
    for (const char* command : {"info", "dump", "geojson", "areas"}) {
        const Result r = run({command, "/dev/zero"});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_TRUE(r.err.contains("/dev/zero")) << r.err.toStdString();
    }
}

} // namespace
