// The project XML readers: the limits on nesting and size that are checked before a document is
// built, and the replay of the fuzz seeds and findings of the project XML target.
#include "../fuzz/project_xml_harness.h"

#include "persistence/ProjectXml.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zelto;

namespace {

QByteArray nested(int depth) {
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

TEST(ProjectXml, NestingAndSizeAreBoundedBeforeADocumentIsBuilt) {
    struct Case {
        const char* what;
        QByteArray text;
        const char* reason; // nullptr: accepted
    };
    const Case cases[] = {
        {"as deep as allowed", nested(MaxProjectXmlDepth), nullptr},
        {"one level deeper", nested(MaxProjectXmlDepth + 1), "vnořeny hlouběji než 64"},
        {"100,000 levels", nested(100'000), "vnořeny hlouběji"},
        {"an unclosed deep chain", QByteArray("<a>").repeated(50'000), "vnořeny hlouběji"},
        {"as many elements as allowed",
         "<r>" + QByteArray("<e/>").repeated(MaxProjectXmlElements - 1) + "</r>", nullptr},
        {"one element more", "<r>" + QByteArray("<e/>").repeated(MaxProjectXmlElements) + "</r>",
         "víc než 500000"},
        {"malformed", "<Project><Entry></Project>", "řádek 1"},
        {"empty", "", "řádek"},
    };
    for (const Case& c : cases) {
        QDomDocument doc;
        QString reason;
        const bool ok = parseProjectXml(c.text, doc, reason);
        EXPECT_EQ(ok, c.reason == nullptr) << c.what << ": " << reason.toStdString();
        if (c.reason) {
            EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason)))
                << c.what << ": " << reason.toStdString();
        }
    }
}

// The seeds and every saved finding of ./zelto fuzz project.
TEST(ProjectXml, FuzzSeedsAndFindingsKeepTheInvariants) {
    int replayed = 0;
    for (const char* sub : {"corpus_project", "regressions_project"}) {
        const QDir dir(QStringLiteral(ZELTO_FUZZ_DIR "/") + QLatin1String(sub));
        for (const QFileInfo& fi : dir.entryInfoList(QDir::Files, QDir::Name)) {
            QFile f(fi.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << fi.filePath().toStdString();
            EXPECT_EQ(fuzzing::readAsProjectFiles(f.readAll()), QString()) << fi.filePath().toStdString();
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 6);
}

} // namespace
