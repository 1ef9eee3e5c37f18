// libFuzzer target: the project XML readers (project file, map descriptions, layer definitions)
// on arbitrary bytes; see project_xml_harness.h. A broken invariant aborts, as do crashes,
// sanitizer reports, leaks and timeouts.
#include "project_xml_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString broken = zelto::fuzzing::readAsProjectFiles(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "project XML: %s\n", qPrintable(broken));
        std::abort();
    }
    return 0;
}
