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

#include <memory>

using namespace zelto;

namespace {

using zlt::testing::Result;
using zlt::testing::run;

// A closed square as the root of a stream, alone and as a multi-line: the areas tool takes the
// root itself into its line set, which must not free it. (A multi-line bounds no area, as inside
// an entity.)
TEST(ZltHostile, AreasOfAStreamWhoseRootIsALine) {
    const struct {
        const char* file;
        const char* out;
    } cases[] = {{"root_closed_line.zlt", "100.000\n"}, {"root_multi_line.zlt", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Result r = run({"areas", QStringLiteral(ZELTO_FIXTURES "/zlt/") + QLatin1String(c.file)});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QLatin1String(c.out));
    }
}

} // namespace
