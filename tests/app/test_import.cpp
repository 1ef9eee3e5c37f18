// The layer import window: a layer file from another device brought into the open project through
// the window and by the host's remote call, the note files that come with it, and files that are
// damaged, hostile or cannot be stored.
#include "app_fixture.h"

#include "ImportLayer.h"
#include "Layers.h"
#include "SecondaryWindows.h"
#include "dialogs/t_xFileDialog.h"

#include "framework/E_Type.h"
#include "framework/ProjectPath.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "topobjects/e_TopolElements.h"

#include "builders.h"
#include "stream_files.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

namespace apptest {
namespace {

using namespace zelto;
using zelto::testing::saveTo;

constexpr double X0 = -600000, Y0 = -1100000;

// A layer as another device writes it: `lines` lines in "L", `notes` notes in "N" (note i lists
// the photo "foto<i>.jpg" and the recording "hlas<i>.mp3" plus `extraImages`).
TComplicatedGECollection* exported(const QString& name, const QString& text, int lines, int notes,
                                   const QStringList& extraImages = {}) {
    auto* layer = new TComplicatedGECollection;
    layer->SetName(name);
    layer->SetText(text);
    layer->SetVisible(true);
    for (int i = 0; i < lines; ++i) {
        auto* line =
            TLayersController::LineObjectOf(zelto::testing::line(X0 + 10 * i, Y0, X0 + 10 * i + 50, Y0 + 50));
        line->SetName(QStringLiteral("%1 cesta %2").arg(name).arg(i));
        layer->GetLayer(QStringLiteral("L"))->AddElement(line);
    }
    for (int i = 0; i < notes; ++i) {
        auto* note = new Tgis_Note;
        note->SetName(QStringLiteral("pozn %1").arg(i));
        note->SetByDoubleRect({X0 + i, Y0 + i, X0 + i, Y0 + i});
        note->CheckImages();
        note->CheckAudios();
        note->GetImages()->AddNameString(QStringLiteral("foto%1.jpg").arg(i), QStringLiteral("Foto"));
        for (const QString& extra : extraImages) note->GetImages()->AddNameString(extra, QStringLiteral("x"));
        note->GetAudios()->AddNameString(QStringLiteral("hlas%1.mp3").arg(i), QStringLiteral("Hlas"));
        layer->GetLayer(QStringLiteral("N"))->AddElement(note);
    }
    return layer;
}

QStringList childNames(TElement* e) {
    QStringList names;
    auto* entity = zelto_cast<TEntity>(e);
    for (int i = 0; entity && i < entity->ElementsCount(); ++i) names << entity->Get(i)->GetName();
    return names;
}

class ImportTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        opx = makeProject(QStringLiteral("data/Revír.opx"), {standMap()});
        root = publicDir() + QStringLiteral("/map/project/Revír/");
        exports = path(QStringLiteral("downloads/export/"));
        QDir().mkpath(exports);
        // The window of this process, whatever an earlier test made.
        destroySecondaryWindows();
        registerImportWindow();
        createSecondaryWindows();
        open();
    }
    void TearDown() override {
        form.reset();
        destroySecondaryWindows();
        AppTest::TearDown();
    }
    // A new form (the host's restart) on the project; the import window bound to it.
    void open() {
        reopen(form, opx, QStringLiteral("lesnik"));
        w = form->ImportWindow();
        ASSERT_NE(w, nullptr);
    }
    TLayersController& layers() { return form->Layers(); }
    TComplicatedGECollection* layer(const QString& name) { return layers().Layer(name); }
    int count(const QString& name, const QString& sub) {
        TComplicatedGECollection* l = layer(name);
        TComplicatedGECollection* s = l ? asLayer(l->GetElement(sub)) : nullptr;
        return s ? s->ElementsCount() : -1;
    }
    // Writes the layer (freed afterwards) as a file in the export folder, with the note files.
    QString writeExport(TComplicatedGECollection* l, const QString& file = QStringLiteral("vrstva.zlt")) {
        std::unique_ptr<TComplicatedGECollection> owned(l);
        saveTo(l, exports + file);
        return exports + file;
    }
    void writeNoteFiles(int notes) {
        for (int i = 0; i < notes; ++i) {
            writeBytes(exports + QStringLiteral("img/foto%1.jpg").arg(i), "JPEG-" + QByteArray::number(i));
            writeBytes(exports + QStringLiteral("audio/hlas%1.mp3").arg(i), "MP3-" + QByteArray::number(i));
        }
    }
    // A layer of the project with `lines` lines, saved.
    void projectLayer(const QString& name, const QString& text, int lines) {
        TComplicatedGECollection* l = exported(name, text, lines, 0);
        layers().AddLayer(l);
        ASSERT_TRUE(layers().SaveChanges(l));
    }
    QString layerFile(const QString& name) { return root + QStringLiteral("UDSML_Revír_") + name + ".zlt"; }

    template <class T = QWidget> T* c(const char* name) { return ctl<T>(w, name); }
    QString info() { return c<QLabel>("l_Info")->text(); }
    QString info1() { return c<QLabel>("l_Info1")->text(); }
    bool infoRed() {
        return c<QLabel>("l_Info")->palette().color(QPalette::WindowText) == QColor(0xFFFF0000);
    }
    void typeName(const QString& text) {
        auto* ed = c<QLineEdit>("ed_Nazev");
        ed->clear();
        QTest::keyClicks(ed, text);
    }

    QString opx, root, exports;
    std::unique_ptr<TMainForm> form;
    TImportLayer_Form* w = nullptr;
};

TEST_F(ImportTest, ANewLayerIsImportedWithOnePressAndIsThereAfterARestart) {
    const QString file = writeExport(exported("Cesty", "Lesní cesty", 3, 0));
    w->Start(false, file);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(info(), "Pro import byla načtena vrstva Cesty [Lesní cesty]");
    EXPECT_EQ(info1(), "Pokračujte tlačítkem Nahrát.");
    EXPECT_FALSE(infoRed());
    EXPECT_EQ(w->GetStatus(), TImportLayer_Form::AsNewLayer);
    EXPECT_EQ(w->StorePicture(), 2);
    EXPECT_FALSE(c("Layout_Options")->isVisible());
    EXPECT_FALSE(c("b_Open")->isVisible()) << "hidden while a file is loaded";

    c<QPushButton>("b_Store")->click();
    EXPECT_FALSE(w->isVisible());
    ASSERT_NE(layer("Cesty"), nullptr);
    EXPECT_EQ(quint32(layer("Cesty")->GetColor()), 0xFF0000FFu);
    EXPECT_EQ(layer("Cesty")->GetText(), "Lesní cesty");
    EXPECT_EQ(count("Cesty", "L"), 3);
    auto* list = ctl<QListWidget>(form, "ListBox_Layers");
    EXPECT_FALSE(list->findItems("Lesní cesty", Qt::MatchExactly).isEmpty());
    EXPECT_TRUE(QFileInfo(layerFile("Cesty")).isFile());

    open();
    ASSERT_NE(layer("Cesty"), nullptr) << "the local settings name the imported layer";
    EXPECT_EQ(count("Cesty", "L"), 3);
    EXPECT_EQ(quint32(layer("Cesty")->GetColor()), 0xFF0000FFu);
}

// Layer definitions decide which layers their user sees: an imported layer is kept (its file and
// its local settings) and shown to a user without definitions, or once a definition names it.
TEST_F(ImportTest, InAProjectWithLayerDefinitionsTheImportedLayerIsKeptForTheOtherUsers) {
    writeText(root + "USERLAYERS_lesnik.xml",
              "<USERLAYERS><Layer Name=\"Vysadba\" Restriction=\"0\"/></USERLAYERS>");
    open();
    EXPECT_EQ(w->RemoteStart(true, writeExport(exported("Cesty", "", 2, 0)), false, 1, ""), 0);
    ASSERT_NE(layer("Cesty"), nullptr);
    EXPECT_EQ(layer("Cesty")->GetText(), "Cesty") << "an empty alias becomes the name";
    open();
    EXPECT_EQ(layer("Cesty"), nullptr);
    EXPECT_NE(layer("Vysadba"), nullptr);
    reopen(form, opx, QStringLiteral("hajny"));
    ASSERT_NE(layer("Cesty"), nullptr);
    EXPECT_EQ(count("Cesty", "L"), 2);
}

TEST_F(ImportTest, AnExistingNameOffersReplacingOrAddingTheData) {
    projectLayer("Cesty", "Staré cesty", 2);
    TElement* oldLine = layer("Cesty")->GetLayer("L")->Get(0);
    writeNoteFiles(1);
    const QString file = writeExport(exported("cesty", "Nové", 3, 1));

    w->Start(false, file);
    EXPECT_TRUE(c("Layout_Options")->isVisible());
    EXPECT_TRUE(c<QRadioButton>("rb_Nochange")->isChecked());
    EXPECT_TRUE(c<QRadioButton>("rb_ReplaceData")->isChecked());
    EXPECT_TRUE(c("Layout_Data")->isVisible());
    EXPECT_FALSE(c("Layout_Name")->isVisible());
    EXPECT_EQ(info(), "Vrstva s interním názvem cesty již existuje pod aliasem Staré cesty !");
    EXPECT_TRUE(infoRed());
    EXPECT_EQ(info1(), "Import dokončete tlačítkem Nahrát");
    EXPECT_EQ(w->GetStatus(), TImportLayer_Form::ReplaceData);
    EXPECT_TRUE(w->GetReadyToImport());
    c<QPushButton>("b_Store")->click();
    EXPECT_EQ(count("Cesty", "L"), 3) << "the old lines replaced";
    EXPECT_EQ(layer("Cesty")->GetLayer("L")->IndexOf(oldLine), -1);
    EXPECT_EQ(count("Cesty", "N"), 1);
    EXPECT_EQ(layer("Cesty")->GetText(), "Staré cesty");
    EXPECT_EQ(childNames(layers().Layers())
                  .filter(QRegularExpression("^cesty$", QRegularExpression::CaseInsensitiveOption))
                  .size(),
              1);

    // Adding keeps what is there; a sub-layer the layer lacks is made.
    {
        auto* points = exported("Cesty", "", 2, 0);
        auto* p = new Tgis_PointElement;
        p->SetByDoubleRect({X0, Y0, X0, Y0});
        points->GetLayer("P")->AddElement(p);
        w->Start(false, writeExport(points, "body.zlt"));
    }
    // A tap in the middle of the choice, as a finger gives it.
    auto* add = c<QRadioButton>("rb_AddData");
    QTest::mouseClick(add, Qt::LeftButton, {}, add->rect().center());
    EXPECT_TRUE(add->isChecked());
    EXPECT_EQ(w->GetStatus(), TImportLayer_Form::AddData);
    EXPECT_TRUE(w->GetReadyToImport());
    c<QPushButton>("b_Store")->click();
    EXPECT_EQ(count("Cesty", "L"), 5);
    EXPECT_EQ(count("Cesty", "N"), 1);
    EXPECT_EQ(count("Cesty", "P"), 1);

    open();
    EXPECT_EQ(count("Cesty", "L"), 5);
    EXPECT_EQ(count("Cesty", "P"), 1);
}

TEST_F(ImportTest, ANewNameIsCheckedAsItIsTyped) {
    projectLayer("Cesty", "Staré cesty", 2);
    w->Start(false, writeExport(exported("Cesty", "Nové", 1, 0)));
    c<QRadioButton>("rb_Change")->click();
    EXPECT_TRUE(c("Layout_Name")->isVisible());
    EXPECT_FALSE(c("Layout_Data")->isVisible());
    EXPECT_EQ(c<QLineEdit>("ed_Nazev")->text(), "Cesty");
    EXPECT_EQ(info(), "Vrstva existuje (Staré cesty)!") << "the proposal is the taken name";
    EXPECT_FALSE(w->GetReadyToImport());

    struct Case {
        QString typed, info, info1;
        bool ready, red;
    };
    const Case cases[] = {
        {"ce", "Název je příliš krátký!", "...", false, true},
        {"CESTY", "Vrstva existuje (Staré cesty)!", "...", false, true},
        {"a/../b", "a/../b je zakázané jméno!", "...", false, true},
        {"Nov", "Název OK", "Tlačítkem nahrát dokončíte import", true, false},
    };
    for (const Case& k : cases) {
        typeName(k.typed);
        EXPECT_EQ(info(), k.info) << k.typed.toStdString();
        EXPECT_EQ(info1(), k.info1) << k.typed.toStdString();
        EXPECT_EQ(w->GetReadyToImport(), k.ready) << k.typed.toStdString();
        EXPECT_EQ(w->StorePicture(), k.ready ? 2 : 0);
        EXPECT_EQ(infoRed(), k.red) << k.typed.toStdString();
        EXPECT_EQ(w->GetStatus(), k.ready ? TImportLayer_Form::UnderNewName : TImportLayer_Form::NothingYet);
    }

    // Not ready: the message, and the window stays as it was.
    typeName("ce");
    c<QPushButton>("b_Store")->click();
    EXPECT_EQ(messages().last(), "Data nelze importovat, odstraňte problémy!");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(layers().Layers()->ElementsCount(), 4);

    // Back to the kept name, then the new one again.
    c<QRadioButton>("rb_Nochange")->click();
    EXPECT_EQ(w->GetStatus(), TImportLayer_Form::ReplaceData);
    EXPECT_TRUE(w->GetReadyToImport());
    c<QRadioButton>("rb_Change")->click();
    typeName("Nov");
    c<QPushButton>("b_Store")->click();
    ASSERT_NE(layer("Nov"), nullptr);
    EXPECT_EQ(layer("Nov")->GetText(), "Nov");
    EXPECT_EQ(count("Nov", "L"), 1);
    EXPECT_EQ(count("Cesty", "L"), 2) << "the layer of the old name is untouched";
}

TEST_F(ImportTest, TheMenuRowAndTheHostOpenTheWindow) {
    form->OpenDrawer();
    form->MainListBoxItemClick(5);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(form->IsDrawerOpen());
    EXPECT_TRUE(c("b_Open")->isVisibleTo(w)) << "the menu offers the file chooser";
    EXPECT_EQ(info(), "Vyberte soubor pro import");
    c<QPushButton>("b_Cancel")->click();
    EXPECT_FALSE(w->isVisible());

    // The host's window without a file: only "Zavřít".
    EXPECT_EQ(w->RemoteStart(true, "", true, 0, ""), 0);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(info(), "Vyberte soubor pro import");
    EXPECT_FALSE(c("b_Open")->isVisibleTo(w));
    EXPECT_FALSE(w->GetReadyToImport());
    c<QPushButton>("b_Cancel")->click();

    // "Vybrat soubor": the shared chooser on .zlt files hands the choice back.
    const QString file = writeExport(exported("Cesty", "", 1, 0));
    w->Start(false, "");
    c<QToolButton>("b_Open")->click();
    auto* chooser = qobject_cast<TxFileDialog*>(secondaryWindow(SecondaryWindow::FileDialog));
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->Filter(), ".zlt");
    chooser->SetFileName(file);
    chooser->b_OKClick();
    EXPECT_EQ(w->GetFileName(), file);
    EXPECT_EQ(w->GetStatus(), TImportLayer_Form::AsNewLayer);
}

TEST_F(ImportTest, RemoteModesAddReplaceOrAppend) {
    projectLayer("X", "Ix", 1);
    projectLayer("X1", "Ix jedna", 1);
    const QString file = writeExport(exported("X", "Soubor", 2, 0));

    // 1: always new, "1" appended while the name is taken; the alias is the name asked for.
    EXPECT_EQ(w->RemoteStart(true, file, false, 1, ""), 0);
    ASSERT_NE(layer("X11"), nullptr);
    EXPECT_EQ(layer("X11")->GetText(), "X");
    EXPECT_EQ(quint32(layer("X11")->GetColor()), 0xFF0000FFu);
    EXPECT_EQ(count("X11", "L"), 2);
    EXPECT_EQ(count("X", "L"), 1);
    EXPECT_FALSE(w->isVisible());

    // 2 replaces, 3 appends; for a name not there both add a new layer.
    EXPECT_EQ(w->RemoteStart(true, file, false, 2, ""), 0);
    EXPECT_EQ(count("X", "L"), 2);
    EXPECT_EQ(w->RemoteStart(true, file, false, 3, ""), 0);
    EXPECT_EQ(count("X", "L"), 4);
    EXPECT_EQ(w->RemoteStart(true, file, false, 2, "Dva"), 0);
    EXPECT_EQ(count("Dva", "L"), 2);
    EXPECT_EQ(layer("Dva")->GetText(), "Dva");
    EXPECT_EQ(w->RemoteStart(true, file, false, 3, "Tri"), 0);
    EXPECT_EQ(count("Tri", "L"), 2);

    // Another number adds nothing and answers 0.
    const QStringList before = childNames(layers().Layers());
    EXPECT_EQ(w->RemoteStart(true, file, false, 7, ""), 0);
    EXPECT_EQ(childNames(layers().Layers()), before);
    EXPECT_EQ(count("X", "L"), 4);

    open();
    EXPECT_EQ(count("X11", "L"), 2);
    EXPECT_EQ(count("X", "L"), 4);
    EXPECT_EQ(count("Dva", "L"), 2);
    EXPECT_EQ(count("Tri", "L"), 2);
}

// A file from elsewhere that is damaged or hostile changes nothing: the window says why, a remote
// start answers 2, nothing is written outside the project.
TEST_F(ImportTest, BadOrHostileFilesChangeNothing) {
    const QString good = writeExport(exported("Cesty", "", 2, 0), "good.zlt");
    QFile in(good);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    writeBytes(exports + "cut.zlt", bytes.left(bytes.size() / 2));
    writeBytes(exports + "garbage.zlt", QByteArray(300, '\x7f'));
    auto* notALayer = new TOwnerEntity;
    notALayer->SetName("Cizi");
    saveTo(notALayer, exports + "entity.zlt");
    delete notALayer;
    TStringElement plain;
    plain.SetName("text");
    saveTo(&plain, exports + "plain.zlt");
    const QString outsideName = "../../../zelto-import-outside";
    writeExport(exported(outsideName, "", 1, 0), "escape.zlt");

    struct Case {
        QString file, text;
    };
    const Case cases[] = {
        {exports + "missing.zlt", "Soubor nelze přečíst: "},
        {exports + "cut.zlt", "Soubor nelze přečíst: "},
        {exports + "garbage.zlt", "Soubor nelze přečíst: "},
        {exports + "entity.zlt", "Data v souboru nejsou kompatibilní s touto aplikací !"},
        {exports + "plain.zlt", "Obsah souboru se nepodařilo načíst !"},
        {exports + "escape.zlt", "Vrstvu " + outsideName + " nelze importovat: nepřípustný název !"},
    };
    const QStringList before = childNames(layers().Layers());
    for (const Case& k : cases) {
        for (int mode : {1, 2, 3})
            EXPECT_EQ(w->RemoteStart(true, k.file, false, mode, ""), 2) << k.file.toStdString();
        EXPECT_TRUE(info().startsWith(k.text)) << info().toStdString();
        EXPECT_TRUE(infoRed());
        EXPECT_EQ(w->GetData(), nullptr);

        w->Start(false, k.file);
        EXPECT_TRUE(info().startsWith(k.text)) << info().toStdString();
        EXPECT_TRUE(infoRed());
        EXPECT_FALSE(w->GetReadyToImport());
        EXPECT_EQ(w->StorePicture(), 0);
        EXPECT_TRUE(c("b_Open")->isVisibleTo(w)) << "another file may be chosen";
        c<QPushButton>("b_Store")->click();
        EXPECT_EQ(messages().last(), "Data nelze importovat, odstraňte problémy!");
        EXPECT_EQ(childNames(layers().Layers()), before);
    }
    // A name the host gives is checked as well.
    EXPECT_EQ(w->RemoteStart(true, good, false, 1, "..\\x"), 2);
    EXPECT_EQ(childNames(layers().Layers()), before);
    EXPECT_EQ(w->RemoteStart(true, "", false, 1, "X"), 1);
    EXPECT_EQ(childNames(layers().Layers()), before);
    const QString outside = QDir::cleanPath(root + outsideName);
    EXPECT_FALSE(QFileInfo::exists(outside));
    const QStringList written = QDir(root).entryList({"UDSML_*"}, QDir::Files);
    for (const QString& f : written) EXPECT_FALSE(f.contains("zelto-import-outside")) << f.toStdString();
}

TEST_F(ImportTest, NoteFilesComeAlongOnceAndNeverLeaveTheProject) {
    writeNoteFiles(2);
    // The note's name "../../evil.jpg" points from the export's img folder to a real file.
    const QString evilSource = QDir::cleanPath(exports + "img/../../evil.jpg");
    writeBytes(evilSource, "EVIL");
    const QString evilTarget = QDir::cleanPath(root + "img/../../evil.jpg");
    // A photo of the project that happens to have the name of an imported one.
    writeBytes(root + "img/foto1.jpg", "MINE");
    const QString file = writeExport(exported("Pozn", "", 0, 2, {"../../evil.jpg"}));

    EXPECT_EQ(w->RemoteStart(true, file, false, 3, ""), 0);
    EXPECT_EQ(w->RemoteStart(true, file, false, 3, ""), 0) << "the same file added twice";
    EXPECT_EQ(count("Pozn", "N"), 4);
    EXPECT_FALSE(QFileInfo::exists(evilTarget));
    QStringList photos = QDir(root + "img").entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(photos, (QStringList{"foto0.jpg", "foto1.jpg", "foto1_2.jpg"}));
    EXPECT_EQ(QDir(root + "audio").entryList(QDir::Files, QDir::Name),
              (QStringList{"hlas0.mp3", "hlas1.mp3"}));
    QFile mine(root + "img/foto1.jpg");
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "MINE") << "a different file of the project is never replaced";
    // The imported notes name the copy they got, also after a restart.
    open();
    TComplicatedGECollection* n = layer("Pozn")->GetLayer("N");
    for (int i : {1, 3}) {
        auto* note = zelto_cast<Tgis_Note>(n->Get(i));
        ASSERT_NE(note, nullptr);
        EXPECT_EQ(note->GetImages()->GetNameAtIndex(0), "foto1_2.jpg");
    }
    EXPECT_EQ(zelto_cast<Tgis_Note>(n->Get(0))->GetImages()->GetNameAtIndex(0), "foto0.jpg");

    // Without notes nothing is copied.
    QDir(root + "img").removeRecursively();
    EXPECT_EQ(w->RemoteStart(true, writeExport(exported("Bez", "", 2, 0), "bez.zlt"), false, 1, ""), 0);
    EXPECT_TRUE(QDir(root + "img").entryList(QDir::Files).isEmpty());
}

// A store that cannot be written answers 3 and takes everything back: the layers as they were, no
// note file left behind.
TEST_F(ImportTest, AFailedStoreIsAnsweredAndTakenBack) {
    projectLayer("Cesty", "Staré cesty", 2);
    writeNoteFiles(1);
    const QString file = writeExport(exported("Cesty", "", 3, 1));
    // A folder where the layer files go cannot be replaced by a file.
    const auto block = [&](const QString& name) {
        QFile::remove(layerFile(name));
        ASSERT_TRUE(QDir().mkpath(layerFile(name)));
    };
    block("Cesty");
    block("Cesty1");
    TComplicatedGECollection* kept = layer("Cesty");
    const QList<TElement*> keptSubs = [&] {
        QList<TElement*> l;
        for (int i = 0; i < kept->ElementsCount(); ++i) l << kept->Get(i);
        return l;
    }();
    TElement* firstLine = kept->GetLayer("L")->Get(0);
    const QStringList before = childNames(layers().Layers());

    for (int mode : {1, 2, 3}) {
        EXPECT_EQ(w->RemoteStart(true, file, false, mode, ""), 3) << mode;
        EXPECT_EQ(childNames(layers().Layers()), before) << mode;
        EXPECT_EQ(layer("Cesty"), kept);
        ASSERT_EQ(kept->ElementsCount(), keptSubs.size()) << mode;
        for (int i = 0; i < kept->ElementsCount(); ++i) EXPECT_EQ(kept->Get(i), keptSubs[i]);
        EXPECT_EQ(count("Cesty", "L"), 2) << mode;
        EXPECT_EQ(kept->GetLayer("L")->Get(0), firstLine);
        EXPECT_EQ(kept->GetElement("N"), nullptr) << mode;
        EXPECT_TRUE(infoRed());
        EXPECT_EQ(info(), "Vrstvu se nepodařilo zapsat do projektu, import nebyl proveden !");
        EXPECT_TRUE(QDir(root + "img").entryList(QDir::Files).isEmpty()) << mode;
    }

    // Through the window: the window stays open and says so.
    w->Start(false, file);
    c<QPushButton>("b_Store")->click();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(info(), "Vrstvu se nepodařilo zapsat do projektu, import nebyl proveden !");
    EXPECT_EQ(count("Cesty", "L"), 2);

    // Once the layer can be written the same import goes through.
    QDir(layerFile("Cesty")).removeRecursively();
    EXPECT_EQ(w->RemoteStart(true, file, false, 3, ""), 0);
    EXPECT_EQ(count("Cesty", "L"), 5);
    open();
    EXPECT_EQ(count("Cesty", "L"), 5);
    EXPECT_EQ(count("Cesty", "N"), 1);
}

TEST_F(ImportTest, WithoutAProjectNothingCanBeStored) {
    form.reset();
    form = newForm();
    w = form->ImportWindow();
    ASSERT_NE(w, nullptr);
    const QString file = writeExport(exported("Cesty", "", 1, 0));
    EXPECT_EQ(w->RemoteStart(true, file, false, 1, ""), 3);
    EXPECT_EQ(info(), "Není otevřen žádný projekt !");
}

} // namespace
} // namespace apptest
