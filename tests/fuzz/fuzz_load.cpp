// libFuzzer target: the object stream reader on arbitrary bytes. Crashes, sanitizer reports, leaks,
// timeouts and exceptions other than EZeltoError are findings.
#include "load_harness.h"

#include "framework/Notifier.h"
#include "startup/Init.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The message bus delivers on the application's thread; the application lives for the run.
    static QCoreApplication app(*argc, *argv);
    zelto::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelto::fuzz::loadAndFree(data, size);
    // Protocol texts pile up in the recording notifier; keep memory flat over millions of runs.
    if (auto* rec = zelto::recordingNotifier()) rec->clear();
    return 0;
}
