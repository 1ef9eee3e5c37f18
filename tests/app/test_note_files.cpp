// The files of notes: attachment names, the folder rule for attachments, and the notes of an
// older version's notes file.
#include "app_fixture.h"

#include "Layers.h"
#include "NoteAttachments.h"

#include "stream_files.h"

#include "framework/E_Type.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"

#include "builders.h"

using namespace zelto;
using namespace apptest;

namespace {

const QDateTime Moment(QDate(2021, 3, 5), QTime(7, 8, 9));

QStringList entries(const TStringListElement* list) {
    QStringList out;
    for (int i = 0; list && i < list->ElementsCount(); ++i)
        out << list->GetNameAtIndex(i) + QLatin1Char('=') + list->GetString(i);
    return out;
}

class NoteFilesTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        photoDir = path(QStringLiteral("prj/img/"));
        audioDir = path(QStringLiteral("prj/audio/"));
        setNoteClock([] { return Moment; });
    }
    void TearDown() override {
        setNoteClock(nullptr);
        AppTest::TearDown();
    }
    QString photoDir, audioDir;
};

TEST_F(NoteFilesTest, AttachmentNamesCarryTheLocalSecondAndStayUnique) {
    QDir().mkpath(photoDir);
    EXPECT_EQ(UniquePhotoName(photoDir), QStringLiteral("KLIMG_20210305_070809.jpg"));
    EXPECT_EQ(UniqueAudioName(audioDir), QStringLiteral("KLAUD_20210305_070809.mp3"));
    setNoteClock([] { return QDateTime(QDate(2021, 12, 31), QTime(23, 59, 58)); });
    EXPECT_EQ(UniquePhotoName(photoDir), QStringLiteral("KLIMG_20211231_235958.jpg"));
    setNoteClock([] { return Moment; });
    // A file of that name, or a name the note already lists (in any case), is taken.
    writeBytes(photoDir + QStringLiteral("KLIMG_20210305_070809.jpg"), "x");
    EXPECT_EQ(UniquePhotoName(photoDir), QStringLiteral("KLIMG_20210305_070809_2.jpg"));
    EXPECT_EQ(UniquePhotoName(photoDir, {QStringLiteral("klimg_20210305_070809_2.JPG")}),
              QStringLiteral("KLIMG_20210305_070809_3.jpg"));
}

TEST_F(NoteFilesTest, OnlyPlainNamesInsideTheFolderAreResolvedOrDeleted) {
    QDir().mkpath(photoDir);
    const QString outside = path(QStringLiteral("prj/secret.jpg"));
    writeBytes(outside, "keep");
    writeBytes(path(QStringLiteral("prj/img/sub/x.jpg")), "keep");
    ASSERT_TRUE(QFile::link(outside, photoDir + QStringLiteral("link.jpg")));
    const QString names[] = {QStringLiteral("../secret.jpg"),
                             QStringLiteral("sub/x.jpg"),
                             QStringLiteral("sub\\x.jpg"),
                             outside,
                             QStringLiteral(".."),
                             QStringLiteral("."),
                             QString(),
                             QStringLiteral("link.jpg")};
    for (const QString& name : names) {
        EXPECT_EQ(AttachmentPath(photoDir, name), QString()) << name.toStdString();
        EXPECT_FALSE(DeleteAttachmentFile(photoDir, name)) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(outside));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("prj/img/sub/x.jpg"))));
    EXPECT_TRUE(QFileInfo(photoDir + QStringLiteral("link.jpg")).isSymLink());

    writeBytes(photoDir + QStringLiteral("KLIMG_1.jpg"), "x");
    EXPECT_EQ(AttachmentPath(photoDir, QStringLiteral("KLIMG_1.jpg")),
              photoDir + QStringLiteral("KLIMG_1.jpg"));
    EXPECT_TRUE(DeleteAttachmentFile(photoDir, QStringLiteral("KLIMG_1.jpg")));
    EXPECT_FALSE(QFileInfo::exists(photoDir + QStringLiteral("KLIMG_1.jpg")));
}

TEST_F(NoteFilesTest, AnOlderNotesFileMovesIntoTheLayersNotesOnce) {
    auto writeNotes = [](const QString& file, const QStringList& names) {
        TOwnerEntity notes;
        for (const QString& name : names) {
            auto* n = zelto::testing::pointAt<Tgis_Note>(-600000, -1100000);
            n->SetName(name);
            n->SetText(name + QStringLiteral(" text"));
            n->CheckImages();
            n->GetImages()->AddNameString(QStringLiteral("KLIMG_1.jpg"), QStringLiteral("Foto 1"));
            notes.AddElement(n);
        }
        QDir().mkpath(QFileInfo(file).absolutePath());
        zelto::testing::saveTo(&notes, file);
    };
    const QString notesPath = path(QStringLiteral("data/Revír_NTS.zlt"));
    const QString alternative = publicDir() + QStringLiteral("/Revír_NTS.zlt");
    writeNotes(notesPath, {QStringLiteral("a"), QStringLiteral("b")});
    TProgressController progress{nullptr, nullptr, nullptr};
    TLayersController layers(TLayersWidgets{}, progress);
    QStringList shown;
    const TNoteLoadHooks hooks{[&](const QString& text) { shown << text; },
                               [&] { shown << QStringLiteral("-"); }};

    TComplicatedGECollection target;
    EXPECT_TRUE(Note_Load(layers, &target, notesPath, alternative, hooks));
    TComplicatedGECollection* n = target.GetLayer(QStringLiteral("N"));
    ASSERT_EQ(n->ElementsCount(), 2);
    auto* first = zelto_cast<Tgis_Note>(n->Get(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetText(), QStringLiteral("a text"));
    EXPECT_EQ(entries(first->GetImages()), QStringList{QStringLiteral("KLIMG_1.jpg=Foto 1")});
    EXPECT_TRUE(target.GetEnabled());
    EXPECT_TRUE(target.GetVisible());
    EXPECT_TRUE(target.GetModified());
    EXPECT_TRUE(layers.Layers_Modified);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Čtení Poznámek z ") + notesPath, QStringLiteral("-")}));

    // The file in the public folder wins when there is one.
    writeNotes(alternative, {QStringLiteral("c")});
    TComplicatedGECollection second;
    EXPECT_TRUE(Note_Load(layers, &second, notesPath, alternative));
    EXPECT_EQ(second.GetLayer(QStringLiteral("N"))->ElementsCount(), 1);

    // Neither file, or layers already holding "Notes": nothing happens.
    TComplicatedGECollection none;
    EXPECT_FALSE(
        Note_Load(layers, &none, path(QStringLiteral("x_NTS.zlt")), path(QStringLiteral("y_NTS.zlt"))));
    EXPECT_FALSE(none.GetModified());
    layers.Layers_Check();
    ASSERT_NE(layers.Layers_Add(QStringLiteral("Notes"), QStringLiteral("Poznámky")), nullptr);
    TComplicatedGECollection skipped;
    EXPECT_FALSE(Note_Load(layers, &skipped, notesPath, alternative));
    EXPECT_EQ(skipped.GetLayer(QStringLiteral("N"))->ElementsCount(), 0);
    EXPECT_EQ(messages(), QStringList());
}

} // namespace
