// Notes: attachment files, the note dialog, the list frame, the photo viewer, the media player
// and the migration of an older notes file.
#include "app_fixture.h"

#include "ImageViewer.h"
#include "Layers.h"
#include "MediaPlayer.h"
#include "NoteAttachments.h"
#include "NoteDialog.h"
#include "NoteWindows.h"
#include "NotesFrame.h"
#include "SecondaryWindows.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "builders.h"

#include "forest/e_LHCElements.h"
#include "framework/E_Type.h"
#include "framework/TextLocale.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "platform/AudioCapture.h"
#include "platform/Camera.h"
#include "platform/MediaPlayback.h"
#include "topobjects/e_TopolElements.h"

#include <QDirIterator>
#include <QImageReader>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

using namespace zelto;
using namespace apptest;

namespace {

const QDateTime Moment(QDate(2021, 3, 5), QTime(7, 8, 9));

QImage picture(int w, int h, QColor colour = Qt::darkGreen) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QStringList entries(const TStringListElement* list) {
    QStringList out;
    for (int i = 0; list && i < list->ElementsCount(); ++i)
        out << list->GetNameAtIndex(i) + QLatin1Char('=') + list->GetString(i);
    return out;
}

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Every file under dir (relative names), temporaries included.
QStringList filesIn(const QString& dir) {
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}

class NotesTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        photoDir = path(QStringLiteral("prj/img/"));
        audioDir = path(QStringLiteral("prj/audio/"));
        setNoteClock([] { return Moment; });
        auto mic = std::make_unique<platform::FakeAudioCapture>();
        microphone = mic.get();
        platform::setAudioCapture(std::move(mic));
        auto player = std::make_unique<platform::FakeMediaPlayback>();
        playback = player.get();
        platform::setMediaPlayback(std::move(player));
        platform::setPhotoCamera(std::make_unique<platform::FakePhotoCamera>(picture(64, 48)));

        host.resize(900, 600);
        superdialog = new TSuperdialog(&host);
        dialog = new TNote_Dialog(&host);
        dialog->Hooks.PhotoDir = [this] { return photoDir; };
        dialog->Hooks.AudioDir = [this] { return audioDir; };
        dialog->Hooks.User = [] { return QStringLiteral("lesnik"); };
        dialog->Hooks.PrepareSuperdialog = [this](bool edit, const QString& prompt) {
            return prepare(edit, prompt);
        };
        dialog->Hooks.SaveLayers = [this] { ++saves; };
        dialog->Hooks.Saved = [this](Tgis_Note* n, bool isNew) { saved.push_back({n, isNew}); };
        dialog->Hooks.Cancelled = [this] { ++cancelled; };
        note = std::make_unique<Tgis_Note>();
        note->SetName(QStringLiteral("1 a 1 1"));
    }
    void TearDown() override {
        delete dialog;
        platform::setAudioCapture(nullptr);
        platform::setMediaPlayback(nullptr);
        platform::setPhotoCamera(nullptr);
        setNoteClock(nullptr);
        AppTest::TearDown();
    }

    TSuperdialog* prepare(bool edit, const QString& prompt) {
        superdialog->ResetEvents();
        superdialog->SetEditMode(edit);
        superdialog->SetaText(prompt);
        return superdialog;
    }

    // An attachment file of the note, written into the folder and listed in the note.
    void attach(bool image, const QString& name, const QString& label) {
        const QString dir = image ? photoDir : audioDir;
        QDir().mkpath(dir);
        if (image)
            ASSERT_TRUE(picture(30, 20).save(dir + name, "JPG"));
        else
            writeBytes(dir + name, "ID3");
        if (image) {
            note->CheckImages();
            note->GetImages()->AddNameString(name, label);
        } else {
            note->CheckAudios();
            note->GetAudios()->AddNameString(name, label);
        }
    }

    void click(const char* name) { ctl<QAbstractButton>(*dialog, name)->click(); }
    QListWidget* photos() { return ctl<QListWidget>(*dialog, "ListBox_Photo"); }
    QListWidget* audios() { return ctl<QListWidget>(*dialog, "ListBox_Audio"); }
    bool visible(const char* name) { return ctl(*dialog, name)->isVisibleTo(dialog); }

    QString photoDir, audioDir;
    QWidget host;
    TSuperdialog* superdialog = nullptr;
    TNote_Dialog* dialog = nullptr;
    platform::FakeAudioCapture* microphone = nullptr;
    platform::FakeMediaPlayback* playback = nullptr;
    std::unique_ptr<Tgis_Note> note;
    int saves = 0, cancelled = 0;
    std::vector<std::pair<Tgis_Note*, bool>> saved;
};

// ---- the note dialog: photos -----------------------------------------------------------------------

TEST_F(NotesTest, PhotosOfOneSecondGetTheirOwnFilesAndNumberedLabels) {
    dialog->SetaNote(note.get());
    const QString first = dialog->AddPhoto(picture(200, 100, Qt::red));
    const QString second = dialog->AddPhoto(picture(200, 100, Qt::blue));
    EXPECT_EQ(first, photoDir + QStringLiteral("KLIMG_20210305_070809.jpg"));
    EXPECT_EQ(second, photoDir + QStringLiteral("KLIMG_20210305_070809_2.jpg"));
    EXPECT_EQ(filesIn(photoDir), (QStringList{QStringLiteral("KLIMG_20210305_070809.jpg"),
                                              QStringLiteral("KLIMG_20210305_070809_2.jpg")}))
        << "the folder was made, and no temporary is left";
    // Both are JPEG pictures of their own content.
    QImageReader reader(second);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage back = reader.read();
    EXPECT_GT(back.pixelColor(100, 50).blue(), 200);
    EXPECT_EQ(entries(note->GetImages()),
              (QStringList{QStringLiteral("KLIMG_20210305_070809.jpg=Foto 1"),
                           QStringLiteral("KLIMG_20210305_070809_2.jpg=Foto 2")}));
    EXPECT_EQ(texts(photos()), (QStringList{QStringLiteral("Foto 1"), QStringLiteral("Foto 2")}));
    EXPECT_EQ(photos()->item(1)->icon().actualSize(QSize(100, 100)), QSize(100, 50))
        << "a 100 x 100 thumbnail";
    EXPECT_TRUE(visible("Image1")) << "the classic layout shows the new photo";
    QStringList viewed;
    dialog->Hooks.ShowPhoto = [&viewed](const QString& file) { viewed << file; };
    QTest::mouseClick(ctl(*dialog, "Image1"), Qt::LeftButton);
    EXPECT_EQ(viewed, QStringList{second}) << "a tap on the large photo opens the viewer on it";
    // The note opened again lists them under their labels.
    dialog->SetaNote(note.get());
    EXPECT_EQ(texts(photos()), (QStringList{QStringLiteral("Foto 1"), QStringLiteral("Foto 2")}));
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(NotesTest, CameraAndLibraryPhotosAreSavedAndTheAlternativeLayoutShowsThemLarge) {
    dialog->SetKavintStyle(true);
    dialog->SetaNote(note.get());
    click("ks_b_Camera");
    ASSERT_EQ(photos()->count(), 1);
    EXPECT_TRUE(visible("ks_Image1_Layout"));
    EXPECT_FALSE(visible("ListBox_Audio"));
    EXPECT_FALSE(visible("Layout_Buttons"));
    click("ks_b_CloseImage");
    EXPECT_TRUE(visible("ListBox_Audio"));
    EXPECT_TRUE(visible("Layout_Buttons"));

    const QString chosen = path(QStringLiteral("downloads/les.png"));
    ASSERT_TRUE(picture(40, 40).save(chosen));
    QString answer = chosen;
    // The chooser answers later, as the real one does; a cancelled one never answers.
    std::function<void(const QString&)> pending;
    dialog->Hooks.PickImageFile = [&pending](std::function<void(const QString&)> chosen) {
        pending = std::move(chosen);
    };
    click("ks_b_ImageFile");
    ASSERT_TRUE(pending);
    pending(answer);
    pending = nullptr;
    click("ks_b_ImageFile"); // cancelled: no answer
    // An answer arriving after the dialog moved on to another note adds nothing to it.
    click("ks_b_ImageFile");
    auto other = std::make_unique<Tgis_Note>();
    auto stale = std::move(pending);
    dialog->SetaNote(other.get());
    stale(answer);
    EXPECT_TRUE(other->GetNoImages());
    dialog->SetaNote(note.get());
    EXPECT_EQ(entries(note->GetImages()),
              (QStringList{QStringLiteral("KLIMG_20210305_070809.jpg=Foto 1"),
                           QStringLiteral("KLIMG_20210305_070809_2.jpg=Foto 2")}));
    EXPECT_TRUE(QFileInfo::exists(photoDir + QStringLiteral("KLIMG_20210305_070809_2.jpg")));

    // Without a camera the user is told and nothing is added.
    platform::setPhotoCamera(std::make_unique<platform::FakePhotoCamera>());
    click("ks_b_Camera");
    EXPECT_EQ(photos()->count(), 2);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Fotoaparát není k dispozici.")});
}

TEST_F(NotesTest, AMissingPhotoIsReportedByPathAndTheNoteStillOpens) {
    attach(true, QStringLiteral("KLIMG_gone.jpg"), QStringLiteral("Foto 1"));
    attach(true, QStringLiteral("KLIMG_here.jpg"), QStringLiteral("Foto 2"));
    QFile::remove(photoDir + QStringLiteral("KLIMG_gone.jpg"));
    note->SetText(QStringLiteral("buk"));
    dialog->SetaNote(note.get());
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Soubor ") + photoDir +
                                      QStringLiteral("KLIMG_gone.jpg neexistuje!")});
    EXPECT_EQ(texts(photos()), QStringList{QStringLiteral("Foto 2")});
    EXPECT_EQ(ctl<QPlainTextEdit>(*dialog, "Memo")->toPlainText(), QStringLiteral("buk"));
    EXPECT_EQ(ctl<QLabel>(*dialog, "l_Name")->text(), QStringLiteral("1 a 1 1"));
}

TEST_F(NotesTest, DeletingAPhotoAsksThenRemovesFileEntryAndRowOfThatPhoto) {
    // The first entry's file is missing, so rows and entries are not in step: the delete still
    // hits the photo chosen.
    attach(true, QStringLiteral("KLIMG_gone.jpg"), QStringLiteral("Foto 1"));
    attach(true, QStringLiteral("KLIMG_b.jpg"), QStringLiteral("Foto 2"));
    attach(true, QStringLiteral("KLIMG_c.jpg"), QStringLiteral("Foto 3"));
    QFile::remove(photoDir + QStringLiteral("KLIMG_gone.jpg"));
    dialog->SetaNote(note.get());
    EXPECT_FALSE(visible("b_DeletePhoto"));
    photos()->setCurrentRow(0);
    dialog->ListBox_PhotoItemClick(photos()->item(0));
    EXPECT_EQ(dialog->GetImageFile(), photoDir + QStringLiteral("KLIMG_b.jpg"));
    EXPECT_TRUE(visible("b_DeletePhoto"));

    click("b_DeletePhoto");
    EXPECT_EQ(superdialog->GetaText(), QStringLiteral("Opravdu chcete odstranit vybrané foto?"));
    EXPECT_TRUE(QFileInfo::exists(photoDir + QStringLiteral("KLIMG_b.jpg"))) << "nothing before the answer";
    EXPECT_EQ(saves, 0);
    superdialog->b_OKClick();
    EXPECT_FALSE(QFileInfo::exists(photoDir + QStringLiteral("KLIMG_b.jpg")));
    EXPECT_EQ(entries(note->GetImages()),
              (QStringList{QStringLiteral("KLIMG_gone.jpg=Foto 1"), QStringLiteral("KLIMG_c.jpg=Foto 3")}));
    EXPECT_EQ(texts(photos()), QStringList{QStringLiteral("Foto 3")});
    EXPECT_FALSE(visible("b_DeletePhoto"));
    EXPECT_EQ(dialog->GetImageFile(), QString());
    EXPECT_EQ(saves, 1);

    // "No" leaves everything.
    photos()->setCurrentRow(0);
    click("b_DeletePhoto");
    superdialog->b_StornoClick();
    EXPECT_TRUE(QFileInfo::exists(photoDir + QStringLiteral("KLIMG_c.jpg")));
    EXPECT_EQ(photos()->count(), 1);
}

TEST_F(NotesTest, AnEntryNamingAPathOutsideTheFolderIsNeverReadNorDeleted) {
    const QString outside = path(QStringLiteral("prj/secret.jpg"));
    ASSERT_TRUE(QDir().mkpath(photoDir));
    ASSERT_TRUE(picture(10, 10).save(outside, "JPG"));
    note->CheckImages();
    note->GetImages()->AddNameString(QStringLiteral("../secret.jpg"), QStringLiteral("Foto 1"));
    dialog->SetaNote(note.get());
    EXPECT_EQ(photos()->count(), 0);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Soubor ") + photoDir +
                                      QStringLiteral("../secret.jpg neexistuje!")});
    EXPECT_TRUE(QFileInfo::exists(outside));
}

// ---- recordings and playback -----------------------------------------------------------------------

TEST_F(NotesTest, RecordingsAreNumberedCapturedAndShownWhileRunning) {
    dialog->SetaNote(note.get());
    EXPECT_TRUE(dialog->HasMicrophone());
    dialog->actStartRecording();
    EXPECT_TRUE(dialog->IsMicrophoneRecording());
    EXPECT_TRUE(visible("p_Record"));
    EXPECT_TRUE(visible("R_Cover"));
    EXPECT_EQ(ctl<QLabel>(*dialog, "l_Record")->text(), QStringLiteral("Probíhá zvukový záznam ..."));
    EXPECT_EQ(microphone->outputFile(), audioDir + QStringLiteral("KLAUD_20210305_070809.mp3"));
    click("b_StopRecording");
    EXPECT_FALSE(dialog->IsMicrophoneRecording());
    EXPECT_FALSE(visible("p_Record"));
    EXPECT_FALSE(visible("R_Cover"));
    EXPECT_TRUE(QFileInfo::exists(audioDir + QStringLiteral("KLAUD_20210305_070809.mp3")));
    dialog->actStartRecording();
    dialog->actStopRecording();
    EXPECT_EQ(entries(note->GetAudios()), (QStringList{QStringLiteral("KLAUD_20210305_070809.mp3=Aud 1"),
                                                       QStringLiteral("KLAUD_20210305_070809_2.mp3=Aud 2")}));
    EXPECT_EQ(texts(audios()), (QStringList{QStringLiteral("Aud 1"), QStringLiteral("Aud 2")}));
    EXPECT_EQ(audios()->item(1)->data(ui::TDetailItemDelegate::DetailRole).toString(),
              audioDir + QStringLiteral("KLAUD_20210305_070809_2.mp3"));
    // The alternative layout numbers them alone.
    dialog->SetKavintStyle(true);
    EXPECT_EQ(texts(audios()), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    dialog->actStartRecording();
    EXPECT_EQ(audios()->item(2)->text(), QStringLiteral("3"));
    EXPECT_EQ(note->GetAudios()->GetString(2), QStringLiteral("Aud 3"));
    dialog->Close();
    EXPECT_FALSE(dialog->IsMicrophoneRecording()) << "closing the dialog ends the recording";
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(NotesTest, DeviceFailuresOfRecordingAreReportedAndLeaveNoEntry) {
    dialog->SetaNote(note.get());
    microphone->setFailStart(true);
    dialog->actStartRecording();
    EXPECT_FALSE(visible("p_Record"));
    EXPECT_EQ(audios()->count(), 0);
    EXPECT_EQ(entries(note->GetAudios()), QStringList());
    microphone->setFailStart(false);
    microphone->setFailStop(true);
    dialog->actStartRecording();
    dialog->actStopRecording();
    EXPECT_FALSE(visible("p_Record"));
    platform::setAudioCapture(std::make_unique<platform::FakeAudioCapture>(false));
    EXPECT_FALSE(dialog->HasMicrophone());
    dialog->actStartRecording();
    EXPECT_EQ(audios()->count(), 1);
    EXPECT_EQ(messages(), (QStringList{QStringLiteral("StartCapture: Operation not supported by this device"),
                                       QStringLiteral("Get state: Operation not supported by this device"),
                                       QStringLiteral("No microphone is available.")}));
}

TEST_F(NotesTest, ThePlayerPanelStepsThroughTheRecordings) {
    attach(false, QStringLiteral("KLAUD_1.mp3"), QStringLiteral("Aud 1"));
    attach(false, QStringLiteral("KLAUD_2.mp3"), QStringLiteral("Aud 2"));
    dialog->SetaNote(note.get());
    EXPECT_FALSE(visible("p_Play"));
    dialog->ListBox_AudioItemClick(audios()->item(0));
    auto state = [this] {
        return QStringList{ctl<QLabel>(*dialog, "l_Play")->text(),
                           QString::number(ctl<QAbstractButton>(*dialog, "b_Prev")->isEnabled()),
                           QString::number(ctl<QAbstractButton>(*dialog, "b_Next")->isEnabled()),
                           QString::number(ctl<QAbstractButton>(*dialog, "b_Play")->isEnabled()),
                           QString::number(ctl<QAbstractButton>(*dialog, "b_Stop")->isEnabled())};
    };
    EXPECT_TRUE(visible("p_Play"));
    EXPECT_EQ(state(), (QStringList{QStringLiteral("Přehrávání 1/2"), "0", "1", "0", "1"}));
    click("b_Next");
    EXPECT_EQ(state(), (QStringList{QStringLiteral("Přehrávání 2/2"), "1", "0", "0", "1"}));
    EXPECT_EQ(playback->played(), (QStringList{audioDir + QStringLiteral("KLAUD_1.mp3"),
                                               audioDir + QStringLiteral("KLAUD_2.mp3")}));
    playback->finish();
    EXPECT_EQ(state().mid(3), (QStringList{"1", "0"})) << "at the end play is offered again";
    click("b_Prev");
    click("b_Stop");
    EXPECT_FALSE(playback->isPlaying());
    EXPECT_EQ(state(), (QStringList{QStringLiteral("Přehrávání 1/2"), "0", "1", "1", "0"}));
    click("b_Play");
    click("b_ClosePlay");
    EXPECT_FALSE(playback->isPlaying());
    EXPECT_FALSE(visible("p_Play"));
}

TEST_F(NotesTest, DeletingARecordingStopsPlaybackAndRemovesItsFileAndEntry) {
    attach(false, QStringLiteral("KLAUD_1.mp3"), QStringLiteral("Aud 1"));
    attach(false, QStringLiteral("KLAUD_2.mp3"), QStringLiteral("Aud 2"));
    dialog->SetaNote(note.get());
    dialog->ListBox_AudioItemClick(audios()->item(1));
    click("b_DeleteAudio");
    EXPECT_EQ(superdialog->GetaText(), QStringLiteral("Opravdu chcete odstranit vybraný zvukový záznam?"));
    superdialog->b_OKClick();
    EXPECT_FALSE(playback->isPlaying());
    EXPECT_FALSE(visible("p_Play"));
    EXPECT_FALSE(QFileInfo::exists(audioDir + QStringLiteral("KLAUD_2.mp3")));
    EXPECT_TRUE(QFileInfo::exists(audioDir + QStringLiteral("KLAUD_1.mp3")));
    EXPECT_EQ(entries(note->GetAudios()), QStringList{QStringLiteral("KLAUD_1.mp3=Aud 1")});
    EXPECT_EQ(texts(audios()), QStringList{QStringLiteral("Aud 1")});
    EXPECT_EQ(saves, 1);
}

// ---- OK, Storno and the layout ---------------------------------------------------------------------

TEST_F(NotesTest, OkHandsTheEditedNoteOverAndStornoOnlyCancels) {
    dialog->SetNewObject(true);
    dialog->SetaNote(note.get());
    dialog->Show();
    ctl<QPlainTextEdit>(*dialog, "Memo")->setPlainText(QStringLiteral("suché stromy"));
    click("b_Storno");
    EXPECT_EQ(cancelled, 1);
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(note->GetText(), QString()) << "Storno keeps the note as it was";
    EXPECT_FALSE(dialog->isVisibleTo(&host));

    dialog->SetaNote(note.get());
    dialog->Show();
    ctl<QPlainTextEdit>(*dialog, "Memo")->setPlainText(QStringLiteral("suché stromy"));
    const double before = nowAsDateTime();
    click("b_OK");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], std::make_pair(note.get(), true));
    EXPECT_EQ(note->GetText(), QStringLiteral("suché stromy"));
    EXPECT_EQ(note->GetUID(), QStringLiteral("lesnik"));
    EXPECT_GE(note->GetTimeStamp(), before);
    EXPECT_FALSE(dialog->isVisibleTo(&host));
    EXPECT_EQ(cancelled, 1);
}

TEST_F(NotesTest, TheAlternativeLayoutPointsAtTheNoteAndMakesRoomForTheKeyboard) {
    dialog->SetKavintStyle(true);
    dialog->SetaNote(note.get());
    dialog->Show();
    host.show();
    QWidget* card = ctl(*dialog, "ks_Rect");
    QWidget* tip = ctl(*dialog, "ks_Pointer");
    EXPECT_TRUE(visible("R_Cover"));
    EXPECT_EQ(ctl(*dialog, "R_Cover")->palette().color(QPalette::Window), QColor(0, 0, 0, 128));
    EXPECT_FALSE(visible("Layout_Main"));
    // Landscape: the left half, the pointer on its right.
    EXPECT_EQ(card->geometry().top(), 0);
    EXPECT_EQ(card->geometry().height(), 600);
    EXPECT_LE(card->geometry().right(), 450);
    EXPECT_EQ(tip->geometry().left(), card->geometry().right() + 1);
    // Portrait: the lower half, the pointer on top.
    host.resize(500, 800);
    dialog->setGeometry(host.rect());
    EXPECT_EQ(card->geometry().width(), 500);
    EXPECT_GE(card->geometry().top(), 400);
    EXPECT_EQ(tip->geometry().bottom() + 1, card->geometry().top());

    // A keyboard well below the text block moves nothing; one closer than 20 px moves the card
    // up until the text ends 20 px above it.
    auto textBottom = [this] {
        QWidget* memo = ctl(*dialog, "Memo");
        return memo->mapTo(dialog, QPoint(0, memo->height())).y();
    };
    const int top = card->geometry().top();
    const int bottom = textBottom();
    dialog->FormVirtualKeyboardShown(nullptr, true, QRect(0, bottom + 25, 500, 300));
    EXPECT_EQ(card->geometry().top(), top);
    dialog->FormVirtualKeyboardShown(nullptr, true, QRect(0, bottom + 5, 500, 300));
    EXPECT_EQ(card->geometry().top(), top - 15);
    EXPECT_EQ(textBottom(), bottom + 5 - 20);
    dialog->FormVirtualKeyboardHidden(nullptr, false, QRect());
    EXPECT_EQ(card->geometry().top(), top);

    // The card takes the scale of the form's bars; the classic layout does not.
    dialog->SetLayoutScale(1.5, 2);
    EXPECT_EQ(ctl(*dialog, "l_Name")->font().pixelSize(), 24);
    dialog->SetKavintStyle(false);
    EXPECT_TRUE(visible("Layout_Main"));
    EXPECT_EQ(ctl(*dialog, "l_Name")->font().pixelSize(), 16);
    EXPECT_FALSE(visible("R_Cover"));
    EXPECT_TRUE(ctl(*dialog, "Memo")->isVisibleTo(dialog));
}

// ---- the list frame --------------------------------------------------------------------------------

TEST_F(NotesTest, TheFrameDeletesTheChosenObjectOfEachKindAndRecordsItsUuid) {
    struct Case {
        const char* tab;
        const char* subLayer;
        const char* prompt;
    };
    const Case cases[] = {
        {"Plochy", "A", "Opravdu chcete vybranou plochu smazat?"},
        {"Linie", "L", "Opravdu chcete vybranou linii smazat?"},
        {"Poznámky", "N", "Opravdu chcete vybranou poznámku smazat?"},
    };
    TProgressController progress{nullptr, nullptr, nullptr};
    TLayersController layersController(TLayersWidgets{}, progress);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        TComplicatedGECollection layer;
        layer.SetName(QStringLiteral("Kreslení"));
        auto* area = new Tgis_UserAreaElement;
        area->AddGeometry(zelto::testing::poly<TAreaElement>(zelto::testing::square(0, 0, 100)));
        area->CreateUUID();
        layer.GetLayer(QStringLiteral("A"))->AddElement(area);
        TTopolLineElement* line = TLayersController::LineObjectOf(zelto::testing::line(0, 0, 50, 50));
        line->CreateUUID();
        zelto_cast<TGeometry>(line->GetGeometry())->CreateUUID();
        layer.GetLayer(QStringLiteral("L"))->AddElement(line);
        auto* keep = new Tgis_Note;
        keep->SetName(QStringLiteral("zůstane"));
        auto* gone = new Tgis_Note;
        gone->SetName(QStringLiteral("pryč"));
        gone->CreateUUID();
        layer.GetLayer(QStringLiteral("N"))->AddElement(keep);
        layer.GetLayer(QStringLiteral("N"))->AddElement(gone);
        TElement* target = c.subLayer[0] == 'A'   ? static_cast<TElement*>(area)
                           : c.subLayer[0] == 'L' ? static_cast<TElement*>(line)
                                                  : gone;
        const QString uuid = c.subLayer[0] == 'A'   ? area->GetUUID()
                             : c.subLayer[0] == 'L' ? line->GetUUID()
                                                    : gone->GetUUID();

        TKordlin_Notes_Frame frame(&host);
        QStringList calls;
        TElement* selected = nullptr;
        frame.Hooks.FillLists = [&](TComplicatedGECollection* l, const TLayerObjectLists& lists) {
            layersController.Layer_UpdateList(l, lists);
        };
        frame.Hooks.PrepareSuperdialog = [this](bool edit, const QString& prompt) {
            return prepare(edit, prompt);
        };
        frame.Hooks.SaveLayers = [&] { calls << QStringLiteral("save"); };
        frame.Hooks.UpdateLayersList = [&] { calls << QStringLiteral("list"); };
        frame.Hooks.HideCallout = [&] { calls << QStringLiteral("callout"); };
        frame.Hooks.Changed = [&] { calls << QStringLiteral("changed"); };
        frame.Hooks.Review = [&] { calls << QStringLiteral("review"); };
        frame.Hooks.Selected = [&](TElement* e) { selected = e; };
        frame.SetActiveLayer(&layer);
        frame.show();
        frame.SelectTab(QString::fromUtf8(c.tab));
        EXPECT_EQ(frame.ActiveTab(), QString::fromUtf8(c.tab));
        auto* list = qobject_cast<QListWidget*>(ctl<QTabWidget>(frame, "TabControl")->currentWidget());
        ASSERT_NE(list, nullptr);
        const int row = list->count() - 1;
        ASSERT_GE(row, 0);
        list->setCurrentRow(row);
        emit list->itemClicked(list->item(row));
        EXPECT_EQ(selected, target);

        // "No" deletes nothing and brings the frame back.
        ctl<QAbstractButton>(frame, "b_Delete")->click();
        EXPECT_EQ(superdialog->GetaText(), QString::fromUtf8(c.prompt));
        EXPECT_FALSE(frame.isVisibleTo(&host));
        superdialog->b_StornoClick();
        EXPECT_TRUE(frame.isVisibleTo(&host));
        EXPECT_EQ(layer.GetLayer(QString::fromLatin1(c.subLayer))->IndexOf(target), row);

        ctl<QAbstractButton>(frame, "b_Delete")->click();
        superdialog->b_OKClick();
        EXPECT_EQ(layer.GetLayer(QString::fromLatin1(c.subLayer))->IndexOf(target), -1);
        EXPECT_EQ(list->count(), row);
        EXPECT_TRUE(layer.GetModified());
        ASSERT_NE(layer.GetDeletedUUIDs(), nullptr);
        ASSERT_EQ(layer.GetDeletedUUIDs()->ElementsCount(), 1);
        EXPECT_EQ(layer.GetDeletedUUIDs()->Get(0)->GetName(), uuid);
        EXPECT_EQ(calls, (QStringList{"callout", "changed", "save", "list", "review"}));
        EXPECT_TRUE(frame.isVisibleTo(&host));
    }
}

TEST_F(NotesTest, AnObjectGoneWhileTheFrameAskedIsNotDeletedAgain) {
    TComplicatedGECollection layer;
    auto* gone = new Tgis_Note;
    gone->CreateUUID();
    layer.GetLayer(QStringLiteral("N"))->AddElement(gone);
    TProgressController progress{nullptr, nullptr, nullptr};
    TLayersController layersController(TLayersWidgets{}, progress);
    TKordlin_Notes_Frame frame(&host);
    int frameSaves = 0;
    frame.Hooks.FillLists = [&](TComplicatedGECollection* l, const TLayerObjectLists& lists) {
        layersController.Layer_UpdateList(l, lists);
    };
    frame.Hooks.PrepareSuperdialog = [this](bool edit, const QString& prompt) {
        return prepare(edit, prompt);
    };
    frame.Hooks.SaveLayers = [&] { ++frameSaves; };
    frame.SetActiveLayer(&layer);
    frame.SelectTab(QStringLiteral("Poznámky"));
    ctl<QListWidget>(frame, "NotesList")->setCurrentRow(0);
    ctl<QAbstractButton>(frame, "b_Delete")->click();
    layer.GetLayer(QStringLiteral("N"))->FreeElement(gone); // deleted meanwhile, e.g. through the callout
    superdialog->b_OKClick();
    EXPECT_EQ(layer.GetDeletedUUIDs(), nullptr);
    EXPECT_EQ(frameSaves, 0);
    EXPECT_FALSE(layer.GetModified());
}

TEST_F(NotesTest, APressBesideTheListHidesTheFrame) {
    TKordlin_Notes_Frame frame;
    frame.resize(1000, 600);
    frame.show();
    QTest::mousePress(ctl(frame, "Panel_List"), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(frame.isVisible());
    QTest::mousePress(&frame, Qt::LeftButton, {}, QPoint(900, 300));
    EXPECT_FALSE(frame.isVisible());
}

// ---- the viewer and the player ---------------------------------------------------------------------

TEST_F(NotesTest, TheViewerClampsItsScaleAndKeepsTheCentre) {
    attach(true, QStringLiteral("KLIMG_a.jpg"), QStringLiteral("Foto 1"));
    attach(true, QStringLiteral("KLIMG_gone.jpg"), QStringLiteral("Foto 2"));
    QFile::remove(photoDir + QStringLiteral("KLIMG_gone.jpg"));
    TKordlin_ImageViewer viewer;
    viewer.resize(700, 500);
    viewer.show();
    viewer.SetPhotoDir(photoDir);
    viewer.SetaNote(note.get());
    EXPECT_EQ(texts(ctl<QListWidget>(viewer, "ListBox_Images")), QStringList{QStringLiteral("Foto 1")});
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Soubor ") + photoDir +
                                      QStringLiteral("KLIMG_gone.jpg neexistuje!")});
    EXPECT_EQ(viewer.ScalePicture(), 1);
    const struct {
        double asked, got;
    } scales[] = {{0.01, 0.1}, {0.1, 0.1}, {2.5, 2.5}, {10, 10}, {50, 10}, {-3, 0.1}};
    for (const auto& s : scales) {
        viewer.SetScalePicture(s.asked);
        EXPECT_DOUBLE_EQ(viewer.ScalePicture(), s.got) << s.asked;
        EXPECT_EQ(ctl<QSlider>(viewer, "TrackBar_Zoom")->value(), qRound(s.got * 100));
    }

    // A large picture zoomed in keeps the point in the middle of the view.
    const QString big = path(QStringLiteral("big.png"));
    QImage image = picture(2000, 1500);
    ASSERT_TRUE(image.save(big));
    viewer.SetFile(big);
    EXPECT_FALSE(ctl(viewer, "ListBox_Images")->isVisibleTo(&viewer));
    const QSize view = ctl<QScrollArea>(viewer, "ScrollBox")->viewport()->size();
    EXPECT_NEAR(viewer.ScalePicture(), std::min(view.width() / 2000.0, view.height() / 1500.0), 1e-9)
        << "fitted";
    viewer.SetScalePicture(1);
    auto* area = ctl<QScrollArea>(viewer, "ScrollBox");
    area->horizontalScrollBar()->setValue(300);
    area->verticalScrollBar()->setValue(200);
    const double cx = 300 + view.width() / 2.0, cy = 200 + view.height() / 2.0;
    viewer.SetScalePicture(2);
    EXPECT_NEAR(area->horizontalScrollBar()->value() + view.width() / 2.0, 2 * cx, 1);
    EXPECT_NEAR(area->verticalScrollBar()->value() + view.height() / 2.0, 2 * cy, 1);
    ctl<QAbstractButton>(viewer, "img_11")->click();
    EXPECT_EQ(viewer.ScalePicture(), 1);
    ctl<QAbstractButton>(viewer, "img_fit")->click();
    EXPECT_LT(viewer.ScalePicture(), 1);
    viewer.ImageTap();
    EXPECT_TRUE(ctl(viewer, "ListBox_Images")->isVisibleTo(&viewer));

    // Opened on a file before it has its size, the picture is fitted to the size it gets.
    TKordlin_ImageViewer fresh;
    fresh.SetFile(big);
    fresh.resize(1000, 800);
    fresh.show();
    const QSize freshView = ctl<QScrollArea>(fresh, "ScrollBox")->viewport()->size();
    EXPECT_NEAR(fresh.ScalePicture(), std::min(freshView.width() / 2000.0, freshView.height() / 1500.0),
                1e-9);

    int closes = 0;
    viewer.SetOnClose([&closes] { ++closes; });
    viewer.close();
    viewer.show();
    viewer.close();
    EXPECT_EQ(closes, 1) << "the handler runs once and is forgotten";
}

TEST_F(NotesTest, ThePlayerWindowPlaysTheFirstRecordingAndStopsOnClose) {
    attach(false, QStringLiteral("KLAUD_1.mp3"), QStringLiteral("Aud 1"));
    attach(false, QStringLiteral("KLAUD_2.mp3"), QStringLiteral("Aud 2"));
    TKordlin_MediaPlayer player;
    player.SetAudioDir(audioDir);
    player.show();
    player.SetaNote(note.get());
    EXPECT_EQ(texts(ctl<QListWidget>(player, "ListBox_Audio")),
              (QStringList{QStringLiteral("Aud 1"), QStringLiteral("Aud 2")}));
    EXPECT_TRUE(playback->isPlaying());
    EXPECT_EQ(playback->file(), audioDir + QStringLiteral("KLAUD_1.mp3"));
    EXPECT_EQ(ctl<QLabel>(player, "l_Play")->text(), QStringLiteral("Přehrávání 1/2"));
    ctl<QAbstractButton>(player, "b_Next")->click();
    EXPECT_EQ(playback->file(), audioDir + QStringLiteral("KLAUD_2.mp3"));
    ctl<QAbstractButton>(player, "b_Close")->click();
    EXPECT_FALSE(playback->isPlaying());
    EXPECT_FALSE(player.isVisible());

    // A window whose state asks for the whole screen gets it when shown.
    player.setWindowState(Qt::WindowFullScreen);
    player.show();
    EXPECT_EQ(player.geometry(), player.screen()->geometry());
}

TEST_F(NotesTest, TheNoteWindowsAreTheSecondaryWindowsOnceRegistered) {
    destroySecondaryWindows();
    // The other windows are not what this is about: plain stand-ins.
    for (SecondaryWindow w : {SecondaryWindow::FileDialog, SecondaryWindow::ImportLayer})
        setSecondaryWindowFactory(w, [] { return new QWidget; });
    registerNoteWindows();
    createSecondaryWindows();
    EXPECT_NE(qobject_cast<TKordlin_ImageViewer*>(secondaryWindow(SecondaryWindow::ImageViewer)), nullptr);
    EXPECT_NE(qobject_cast<TKordlin_MediaPlayer*>(secondaryWindow(SecondaryWindow::MediaPlayer)), nullptr);
    EXPECT_EQ(secondaryWindow(SecondaryWindow::ImageViewer)->objectName(),
              QStringLiteral("Kordlin_ImageViewer"));
    destroySecondaryWindows();
    for (SecondaryWindow w : {SecondaryWindow::FileDialog, SecondaryWindow::ImportLayer,
                              SecondaryWindow::ImageViewer, SecondaryWindow::MediaPlayer})
        setSecondaryWindowFactory(w, nullptr);
}

} // namespace
