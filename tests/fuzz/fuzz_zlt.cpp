// libFuzzer targets over the zlt tool's readers, one executable per target (FUZZ_TARGET):
//   areas_stream  zlt areas on a stream file (the areas pipeline on the lines of a loaded graph)
//   areas_lines   zlt areas on a text file of polylines (always read as text)
//   geojson       zlt geojson on a stream file (the export walk over a loaded graph)
// Each input is written to one file of the process and the command runs in-process. A command may
// refuse its input (exit status 1 with a message); crashes, sanitizer reports, leaks, timeouts and
// escaping exceptions are findings.
#include "zlt.h"

#include "framework/Notifier.h"
#include "startup/Init.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

QString g_file;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    zelto::init();
    g_file =
        QDir::temp().filePath(QStringLiteral("zlt-fuzz-%1-%2").arg(QLatin1String(FUZZ_TARGET)).arg(getpid()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool lines = std::strcmp(FUZZ_TARGET, "areas_lines") == 0;
    {
        QFile f(g_file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        // A line ahead of the input keeps it from being taken for a stream's signature.
        if (lines) f.write("\n");
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QString command =
        std::strcmp(FUZZ_TARGET, "geojson") == 0 ? QStringLiteral("geojson") : QStringLiteral("areas");
    QString out, err;
    QTextStream o(&out), e(&err);
    zlt::runZlt({command, g_file}, o, e);
    if (auto* rec = zelto::recordingNotifier()) rec->clear();
    return 0;
}
