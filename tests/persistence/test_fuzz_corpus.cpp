// Replays the fuzz seed corpus and every saved fuzz finding through the fuzz target's own load
// logic, so that the regular (and the ASan) test run keeps them fixed.
#include <gtest/gtest.h>

#include "../fuzz/load_harness.h"
#include "framework/Notifier.h"

#include <QDir>
#include <QFile>

#include <string>
#include <vector>

using namespace zelto;

namespace {

struct Input {
    std::string name;
    QByteArray bytes;
};

std::vector<Input> filesIn(const char* sub) {
    std::vector<Input> inputs;
    const QDir dir(QStringLiteral(ZELTO_FUZZ_DIR "/") + QString::fromLatin1(sub));
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Files, QDir::Name)) {
        QFile f(fi.filePath());
        if (!f.open(QIODevice::ReadOnly)) continue;
        inputs.push_back({std::string(sub) + "/" + fi.fileName().toStdString(), f.readAll()});
    }
    return inputs;
}

fuzz::LoadResult replay(const Input& in) {
    SCOPED_TRACE(in.name);
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.bytes.constData());
    try {
        return fuzz::loadAndFree(p, std::size_t(in.bytes.size()));
    } catch (const std::exception& e) {
        ADD_FAILURE() << in.name << ": unexpected exception " << e.what();
    } catch (...) {
        ADD_FAILURE() << in.name << ": unexpected exception";
    }
    return fuzz::LoadResult::Refused;
}

} // namespace

// The seeds are valid streams: each must load, not merely be survived.
TEST(FuzzCorpus, SeedsLoad) {
    const auto seeds = filesIn("corpus");
    ASSERT_GE(seeds.size(), 9u) << "seed corpus missing under " ZELTO_FUZZ_DIR "/corpus";
    for (const Input& in : seeds) EXPECT_EQ(replay(in), fuzz::LoadResult::Loaded) << in.name;
    recordingNotifier()->clear();
}

// Findings may load or be refused; they must do so without a crash, leak or stray exception.
TEST(FuzzCorpus, RegressionsAreHandled) {
    const auto found = filesIn("regressions");
    for (const Input& in : found) replay(in);
    recordingNotifier()->clear();
    SUCCEED() << found.size() << " regression inputs replayed";
}
