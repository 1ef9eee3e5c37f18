// The user layers of a project: what opening a project reads, repairs and writes, the layer tab
// (ticks, new layers, deleting, the active layer), and layer names that must not become paths.
#include "app_fixture.h"

#include "Layers.h"
#include "Project.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "forest/e_LHCElements.h"
#include "framework/E_Type.h"
#include "framework/ProjectPath.h"
#include "framework/_IniFile.h"
#include "framework/e_Props.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "topobjects/e_TopolElements.h"

#include "builders.h"
#include "stream_files.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QLocale>

namespace apptest {
namespace {

using namespace zelto;
using zelto::testing::loadFrom;
using zelto::testing::saveTo;

class UserLayersTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        opx = makeProject(QStringLiteral("data/Revír.opx"), {standMap()});
        root = publicDir() + QStringLiteral("/map/project/Revír/");
        QDir().mkpath(root);
    }
    void TearDown() override {
        form.reset();
        AppTest::TearDown();
    }
    // A new form (the host's restart) opening the project as user "lesnik".
    void open() { reopen(form, opx, QStringLiteral("lesnik")); }
    TLayersController& layers() { return form->Layers(); }
    QStringList names(TOwnerEntity* entity) {
        QStringList n;
        for (int i = 0; entity && i < entity->ElementsCount(); ++i) n << entity->Get(i)->GetName();
        return n;
    }
    QStringList listTexts() {
        QStringList t;
        auto* list = ctl<QListWidget>(form, "ListBox_Layers");
        for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
        return t;
    }
    QStringList comboTexts() {
        QStringList t;
        auto* combo = ctl<QComboBox>(form, "ActiveLayerCombo");
        for (int i = 0; i < combo->count(); ++i) t << combo->itemText(i);
        return t;
    }
    QListWidgetItem* item(const QString& text) {
        auto* list = ctl<QListWidget>(form, "ListBox_Layers");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == text) return list->item(i);
        return nullptr;
    }
    void writeDefinitions(const QString& xml) {
        QFile f(root + QStringLiteral("USERLAYERS_lesnik.xml"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(xml.toUtf8());
    }
    QString layerFile(const QString& name) {
        return root + QStringLiteral("UDSML_Revír_") + name + QStringLiteral(".zlt");
    }

    QString opx, root;
    std::unique_ptr<TMainForm> form;
};

TComplicatedGECollection* newLayer(const QString& name) {
    auto* layer = new TComplicatedGECollection;
    layer->SetName(name);
    layer->SetText(name);
    layer->SetColor(qint32(0xFF0000FFu));
    layer->SetVisible(true);
    return layer;
}

Tgis_UserAreaElement* clearing(const QString& year, const QString& note = QString(),
                               const QString& kavint = QString()) {
    auto* area = new Tgis_UserAreaElement;
    area->AddGeometry(zelto::testing::poly<TAreaElement>(zelto::testing::square(-600000, -1100000, 50)));
    auto* props = new TDynamicProperties;
    area->SetProperties(props);
    if (!year.isNull()) props->SetPropertyStringByName(QStringLiteral("ROK"), year);
    if (!note.isNull()) props->SetPropertyStringByName(QStringLiteral("Poznamka"), note);
    if (!kavint.isNull()) props->SetPropertyStringByName(QStringLiteral("PoznamkaKAVINT"), kavint);
    return area;
}

TEST_F(UserLayersTest, ANewProjectGetsTheBuiltInLayersAndKeepsThemAcrossARestart) {
    open();
    EXPECT_EQ(names(layers().Layers()), (QStringList{"Meas", "Log", "User"}));
    EXPECT_FALSE(layers().Layer(QStringLiteral("Meas"))->GetVisible());
    EXPECT_TRUE(layers().Layer(QStringLiteral("User"))->GetVisible());
    EXPECT_EQ(quint32(layers().Layer(QStringLiteral("Log"))->GetColor()), 0xFFDA70D6u);
    EXPECT_EQ(listTexts(), (QStringList{"Měření", "Trasy", "Kreslení", "Nová vrstva"}));
    EXPECT_EQ(comboTexts(), QStringList{"Kreslení"});
    EXPECT_EQ(layers().NextActualSuperLayer, layers().Layer(QStringLiteral("User")));
    EXPECT_EQ(item(QStringLiteral("Trasy"))->data(Qt::UserRole + 1).toString(), QStringLiteral("Prázdná"));
    // The local settings are written; empty layers have no files.
    EXPECT_TRUE(QFileInfo::exists(TProjectPath::UDSM));
    EXPECT_FALSE(QFileInfo::exists(layerFile(QStringLiteral("User"))));
    EXPECT_FALSE(layers().Layers_Modified);
    EXPECT_FALSE(layers().LayersLocal_Modified);

    // A drawing in the layer is written, and everything comes back after a restart.
    layers().Layers_Layer(QStringLiteral("User"), QStringLiteral("L"))->AddElement(new TTopolLineElement);
    layers().Layer(QStringLiteral("User"))->SetModified(true);
    layers().Layers_Save();
    EXPECT_TRUE(QFileInfo::exists(layerFile(QStringLiteral("User"))));
    open();
    EXPECT_EQ(names(layers().Layers()), (QStringList{"Meas", "Log", "User"}));
    EXPECT_EQ(layers().Layers_Layer(QStringLiteral("User"), QStringLiteral("L"))->ElementsCount(), 1);
    EXPECT_EQ(item(QStringLiteral("Kreslení"))->data(Qt::UserRole + 1).toString(),
              QStringLiteral("Linie: 1 "));
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(UserLayersTest, DefinitionsDecideWhatIsLoadedListedAndEditable) {
    // A lower-case document element is accepted; restriction 2 is neither loaded nor listed, 1 is
    // listed but cannot become the active layer.
    writeDefinitions(QStringLiteral(R"(<userlayers>
        <L Name="Pozorování" Lays="A,L"/>
        <L Name="Správa" Restriction="1"/>
        <L Name="Skryté" Restriction="2" Group="7"/>
    </userlayers>)"));
    {
        // The restricted layer has a file: it is still not read.
        std::unique_ptr<TComplicatedGECollection> hidden(newLayer(QStringLiteral("Skryté")));
        hidden->GetLayer(QStringLiteral("P"))->AddElement(new Tgis_PointElement);
        saveTo(hidden.get(), layerFile(QStringLiteral("Skryté")));
    }
    open();
    EXPECT_EQ(listTexts(), (QStringList{"Měření", "Trasy", "Kreslení", "Pozorování", "Správa"}));
    EXPECT_EQ(comboTexts(), (QStringList{"Kreslení", "Pozorování"}));
    EXPECT_EQ(layers().Layer(QStringLiteral("Správa"))->GetRestriction(), 1);
    EXPECT_FALSE(layers().Layers_LayerExists(QStringLiteral("Skryté"), QStringLiteral("P")));
    // The active layer is remembered in the settings file and taken at the next opening.
    auto* combo = ctl<QComboBox>(form, "ActiveLayerCombo");
    combo->setCurrentIndex(1);
    EXPECT_EQ(form->Project().IniFIle()->ReadString("OPTIONS", "EDITLAYER", ""),
              QStringLiteral("Pozorování"));
    open();
    EXPECT_EQ(ctl<QComboBox>(form, "ActiveLayerCombo")->currentText(), QStringLiteral("Pozorování"));
    EXPECT_EQ(layers().NextActualSuperLayer, layers().Layer(QStringLiteral("Pozorování")));
}

TEST_F(UserLayersTest, ClearingsTakeTheirYearsColourFromTheLastTable) {
    struct Case {
        const char* zero;    // the table's entry "0", none when null
        int expectedMissing; // the colour of a year not in the table
    } cases[] = {{"5", 5}, {nullptr, 13}, {"x", 13}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zero ? c.zero : "no entry 0");
        const QString zero =
            c.zero ? QStringLiteral(R"(<C Value="0" Color="%1"/>)").arg(QLatin1String(c.zero)) : QString();
        writeDefinitions(QStringLiteral(R"(<USERLAYERS><L Name="Holiny" Group="42">
            <T Group="42"><C Value="2020" Color="3"/><C Value="2021" Color="4"/></T>
            <!-- the last table wins -->
            <T Group="42"><C Value="2020" Color="9"/>%1</T>
            <T Group="1"><C Value="2021" Color="11"/></T>
            <T Group="42"><C Value="2021" Color="12"/></T>
        </L></USERLAYERS>)")
                             .arg(zero));
        {
            std::unique_ptr<TComplicatedGECollection> layer(newLayer(QStringLiteral("Holiny")));
            TComplicatedGECollection* a = layer->GetLayer(QStringLiteral("a"));
            a->AddElement(clearing(QStringLiteral("2020"), QStringLiteral("stará"), QStringLiteral("nová")));
            a->AddElement(clearing(QStringLiteral("2021")));
            a->AddElement(clearing(QString(), QStringLiteral("jen poznámka")));
            saveTo(layer.get(), layerFile(QStringLiteral("Holiny")));
        }
        open();
        // Read at the first opening, without local settings yet.
        TComplicatedGECollection* a = layers().Layers_Layer(QStringLiteral("Holiny"), QStringLiteral("a"));
        ASSERT_EQ(a->ElementsCount(), 3);
        auto area = [&](int i) { return static_cast<Tgis_UserAreaElement*>(a->Get(i)); };
        EXPECT_EQ(area(0)->FBarva, 9);
        EXPECT_EQ(area(1)->FBarva, c.expectedMissing) << "2021 is only in the tables before the last one";
        EXPECT_EQ(area(2)->FBarva, c.expectedMissing);
        // The note of the other program replaces the older one.
        EXPECT_EQ(area(0)->GetPropertyStringByName(QStringLiteral("Poznamka")), QStringLiteral("nová"));
        EXPECT_FALSE(area(0)->HasPropertyByName(QStringLiteral("PoznamkaKAVINT")));
        EXPECT_EQ(area(2)->GetPropertyStringByName(QStringLiteral("Poznamka")),
                  QStringLiteral("jen poznámka"));
        form.reset();
        QFile::remove(TProjectPath::UDSM);
    }
}

TEST_F(UserLayersTest, AnOlderCombinedFileIsReadOnceConvertedAndRenamed) {
    const QString older = path(QStringLiteral("data/Revír_USER.zlt"));
    {
        auto all = std::make_unique<TOwnerEntity>();
        all->SetName(QStringLiteral("Layers"));
        TComplicatedGECollection* layer = newLayer(QStringLiteral("Staré"));
        all->AddElement(layer);
        auto* text = new TTextElement;
        text->SetName(QStringLiteral("P1"));
        text->SetText(QStringLiteral("buk se suchým vrcholem"));
        text->SetByDoubleRect({-600100, -1100200, -600100, -1100200});
        layer->GetLayer(QStringLiteral("N"))->AddElement(text);
        TPolyLineElement* bare = zelto::testing::line(-600000, -1100000, -600050, -1100050);
        bare->SetName(QStringLiteral("cesta"));
        layer->GetLayer(QStringLiteral("L"))->AddElement(bare);
        saveTo(all.get(), older);
    }
    open();
    EXPECT_FALSE(QFileInfo::exists(older));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("data/Revír_USER._zl"))));
    TComplicatedGECollection* notes = layers().Layers_Layer(QStringLiteral("Staré"), QStringLiteral("N"));
    ASSERT_EQ(notes->ElementsCount(), 1);
    auto* note = zelto_cast<Tgis_Note>(notes->Get(0));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetName(), QStringLiteral("P1"));
    EXPECT_EQ(note->GetText(), QStringLiteral("buk se suchým vrcholem"));
    EXPECT_DOUBLE_EQ(note->GetRefX(), -600100);
    TComplicatedGECollection* lines = layers().Layers_Layer(QStringLiteral("Staré"), QStringLiteral("L"));
    ASSERT_EQ(lines->ElementsCount(), 1);
    auto* line = zelto_cast<TTopolLineElement>(lines->Get(0));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetName(), QStringLiteral("cesta"));
    EXPECT_EQ(line->GetGroup(), 1);
    EXPECT_EQ(line->FBarva, 13);
    ASSERT_NE(line->GetGeometry(), nullptr);
    EXPECT_EQ(line->GetGeometry()->ElementsCount(), 2);
    // Written into the per-layer files, which the next opening reads.
    EXPECT_TRUE(QFileInfo::exists(layerFile(QStringLiteral("Staré"))));
    open();
    EXPECT_TRUE(
        zelto_cast<Tgis_Note>(layers().Layers_Layer(QStringLiteral("Staré"), QStringLiteral("N"))->Get(0)));
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(UserLayersTest, AnOlderProjectsRoutesMoveIntoTheirOwnLayerOnce) {
    {
        auto routes = std::make_unique<TOwnerEntity>();
        routes->AddElement(
            zelto::testing::line({{-600000, -1100000}, {-600040, -1100030}, {-600080, -1100020}}));
        routes->AddElement(zelto::testing::line(-600100, -1100100, -600150, -1100150));
        saveTo(routes.get(), path(QStringLiteral("data/Revír_RTS.zlt")));
    }
    open();
    TComplicatedGECollection* old = layers().Layer(QStringLiteral("OldRoutesAndNotes"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->GetText(), QStringLiteral("Staré trasy a pozn."));
    EXPECT_EQ(quint32(old->GetColor()), 0xFF00FFFFu);
    EXPECT_TRUE(old->GetVisible());
    TComplicatedGECollection* lines =
        layers().Layers_Layer(QStringLiteral("OldRoutesAndNotes"), QStringLiteral("L"));
    ASSERT_EQ(lines->ElementsCount(), 2);
    auto* first = zelto_cast<TTopolLineElement>(lines->Get(0));
    ASSERT_NE(first, nullptr) << "a route is a line of its layer";
    EXPECT_EQ(zelto_cast<TPolyLineElement>(first->GetGeometry())->GetCoordsCount(), 3);
    EXPECT_TRUE(listTexts().contains(QStringLiteral("Staré trasy a pozn.")));
    EXPECT_TRUE(QFileInfo::exists(layerFile(QStringLiteral("OldRoutesAndNotes"))));
    // The next opening reads the layer's own file and does not move the routes again.
    open();
    EXPECT_EQ(
        layers().Layers_Layer(QStringLiteral("OldRoutesAndNotes"), QStringLiteral("L"))->ElementsCount(), 2);
    EXPECT_EQ(messages(), QStringList());
}

TEST_F(UserLayersTest, ATickHidesTheLayerAtOnceAndSurvivesARestart) {
    open();
    const int before = form->TiledMap().ReviewsDone;
    item(QStringLiteral("Trasy"))->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(layers().Layer(QStringLiteral("Log"))->GetVisible());
    EXPECT_GT(form->TiledMap().ReviewsDone, before) << "the map is redrawn at once";
    open();
    EXPECT_FALSE(layers().Layer(QStringLiteral("Log"))->GetVisible());
    EXPECT_EQ(item(QStringLiteral("Trasy"))->checkState(), Qt::Unchecked);
    EXPECT_EQ(item(QStringLiteral("Kreslení"))->checkState(), Qt::Checked);
}

TEST_F(UserLayersTest, NewLayerNamesAreCheckedAndTheBuiltInLayersCannotBeDeleted) {
    open();
    struct Case {
        QString name;
        QString message; // empty: the layer is created
    } cases[] = {
        {QStringLiteral("kreslení"), QStringLiteral("kreslení je zakázané jméno!")},
        {QStringLiteral("MěŘeNí"), QStringLiteral("MěŘeNí je zakázané jméno!")},
        {QStringLiteral("log"), QStringLiteral("log je zakázané jméno!")},
        {QStringLiteral("../../venku"), QStringLiteral("../../venku je zakázané jméno!")},
        {QStringLiteral("a\\b"), QStringLiteral("a\\b je zakázané jméno!")},
        {QStringLiteral(".skryta"), QStringLiteral(".skryta je zakázané jméno!")},
        {QStringLiteral("con"), QStringLiteral("con je zakázané jméno!")},
        {QStringLiteral("řádek\nnový"), QStringLiteral("řádek\nnový je zakázané jméno!")},
        {QStringLiteral("Holiny 2026"), QString()},
        {QStringLiteral("Holiny 2026"), QStringLiteral("Vrstva Holiny 2026 už existuje!")},
    };
    for (const Case& c : cases) {
        recordingNotifier()->clear();
        layers().OnNewLayerConfirm(c.name);
        EXPECT_EQ(messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message})
            << c.name.toStdString();
    }
    EXPECT_EQ(names(layers().Layers()), (QStringList{"Meas", "Log", "User", "Holiny 2026"}));
    EXPECT_EQ(comboTexts(), (QStringList{"Kreslení", "Holiny 2026"}));
    EXPECT_TRUE(layers().Layer(QStringLiteral("Holiny 2026"))->GetVisible());
    QDirIterator it(publicDir(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) EXPECT_FALSE(it.next().contains(QLatin1String("venku")));

    // "Nová vrstva" asks for the name in the generic dialog.
    ctl<QListWidget>(form, "ListBox_Layers")->itemClicked(item(QStringLiteral("Nová vrstva")));
    TSuperdialog* dialog = form->Superdialog();
    ASSERT_TRUE(dialog && !dialog->isHidden());
    EXPECT_EQ(dialog->GetaText(), QStringLiteral("Chcete přidat vrstvu s názvem:"));
    EXPECT_EQ(dialog->GetEditText(), QStringLiteral("Nová vrstva"));
    dialog->SetEditText(QStringLiteral("Probírky"));
    answerYes(dialog);
    EXPECT_TRUE(layers().Layer(QStringLiteral("Probírky")));

    // The built-in layers have no delete button, in any letter case of their names.
    auto* list = ctl<QListWidget>(form, "ListBox_Layers");
    list->itemClicked(item(QStringLiteral("Kreslení")));
    EXPECT_TRUE(ctl<QAbstractButton>(form, "b_DeleteLayer")->isHidden());
    layers().OnDeleteLayerConfirm();
    EXPECT_TRUE(layers().Layer(QStringLiteral("User")));
    layers().Button15Click();

    // Deleting another layer asks first; its file stays.
    list->itemClicked(item(QStringLiteral("Probírky")));
    EXPECT_FALSE(ctl<QAbstractButton>(form, "b_DeleteLayer")->isHidden());
    ctl<QAbstractButton>(form, "b_DeleteLayer")->click();
    ASSERT_FALSE(dialog->isHidden());
    EXPECT_EQ(dialog->GetaText(), QStringLiteral("Opravdu chcete Vrstvu Probírky odstranit?"));
    answerYes(dialog);
    EXPECT_FALSE(layers().Layer(QStringLiteral("Probírky")));
    EXPECT_FALSE(item(QStringLiteral("Probírky")));
    EXPECT_FALSE(ctl<QListWidget>(form, "ListBox_Layers")->isHidden());
    EXPECT_TRUE(ctl<QWidget>(form, "tab_layers_Layout")->isHidden());
}

TEST_F(UserLayersTest, HostileNamesFromADefinitionFileStayInsideTheWorkingDirectory) {
    const QStringList hostile = {"../../venku",
                                 "a/b",
                                 "a%2Fb",
                                 "a_b",
                                 QString(300, QLatin1Char('x')),
                                 QString(300, QLatin1Char('x')) + QLatin1Char('y'),
                                 "CON",
                                 "t\tab"};
    QString xml = QStringLiteral("<USERLAYERS>");
    for (const QString& name : hostile)
        xml += QStringLiteral("<L Name=\"%1\"/>").arg(name.toHtmlEscaped().replace("\t", "&#9;"));
    writeDefinitions(xml + QStringLiteral("</USERLAYERS>"));
    open();
    for (const QString& name : hostile) {
        TComplicatedGECollection* layer = layers().Layer(name);
        ASSERT_NE(layer, nullptr) << name.toStdString();
        layers().Layers_Layer(name, QStringLiteral("P"))->AddElement(new Tgis_PointElement);
        layer->SetModified(true);
    }
    layers().Layers_Save();
    EXPECT_EQ(messages(), QStringList());
    // One file per layer, each directly in the working directory, none anywhere else.
    const QStringList files = QDir(root).entryList({QStringLiteral("UDSML_*")}, QDir::Files);
    EXPECT_EQ(files.size(), hostile.size()) << files.join(' ').toStdString();
    QDirIterator it(path(QString()), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        if (QFileInfo(f).fileName().startsWith(QLatin1String("UDSML_"))) {
            EXPECT_EQ(QFileInfo(f).absolutePath() + '/', root) << f.toStdString();
        }
    }
    for (const QString& f : files) EXPECT_LE(f.toUtf8().size(), 200) << f.toStdString();
    // The same names reach the same files at the next opening.
    open();
    for (const QString& name : hostile)
        EXPECT_EQ(layers().Layers_Layer(name, QStringLiteral("P"))->ElementsCount(), 1) << name.toStdString();
}

TEST_F(UserLayersTest, ALayerThatCannotBeSavedKeepsItsFileAndItsMark) {
    open();
    layers().OnNewLayerConfirm(QStringLiteral("Plochy"));
    TComplicatedGECollection* layer = layers().Layer(QStringLiteral("Plochy"));
    layer->GetLayer(QStringLiteral("P"))->AddElement(new Tgis_PointElement);
    layer->SetModified(true);
    layers().Layers_Save();
    const QString file = layerFile(QStringLiteral("Plochy"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    // The file's place is taken by a folder: the save fails, says so, and will be tried again.
    ASSERT_TRUE(QFile::rename(file, file + QStringLiteral(".keep")));
    ASSERT_TRUE(QDir().mkpath(file));
    layer->GetLayer(QStringLiteral("P"))->AddElement(new Tgis_PointElement);
    layer->SetModified(true);
    recordingNotifier()->clear();
    layers().Layers_Save();
    EXPECT_EQ(messages(), QStringList{"Není možné zapsat Vrstvu projektu !"});
    EXPECT_TRUE(layer->GetModified());
    EXPECT_TRUE(layers().Layers_Modified);
    ASSERT_TRUE(QDir(file).removeRecursively());
    ASSERT_TRUE(QFile::rename(file + QStringLiteral(".keep"), file));
    layers().Layers_Save();
    EXPECT_FALSE(layer->GetModified());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_NE(f.readAll(), before);
    f.close();
    std::unique_ptr<TElement> back = loadFrom(file);
    ASSERT_TRUE(back && back->Is<TComplicatedGECollection>());
    EXPECT_EQ(
        static_cast<TComplicatedGECollection*>(back.get())->GetLayer(QStringLiteral("P"))->ElementsCount(),
        2);
}

TEST_F(UserLayersTest, TheObjectListsShowEveryObjectWithItsFigures) {
    open();
    TComplicatedGECollection* layer = layers().Layers_Add(QStringLiteral("Pole"), QStringLiteral("Pole"));
    auto* line = new TTopolLineElement;
    line->SetName(QStringLiteral("hranice"));
    line->AddGeometry(zelto::testing::line({{0, 0}, {30, 40}, {30, 50}}));
    layer->GetLayer(QStringLiteral("L"))->AddElement(line);
    auto* note = zelto::testing::pointAt<Tgis_Note>(5, 5);
    note->SetName(QStringLiteral("N1"));
    note->SetText(QStringLiteral("kůrovec"));
    layer->GetLayer(QStringLiteral("N"))->AddElement(note);
    Tgis_UserAreaElement* hole = clearing(QStringLiteral("2024"));
    hole->SetDruh(42);
    hole->SetPropertyStringByName(QStringLiteral("ETAZ"), QStringLiteral("1"));
    hole->SetPropertyStringByName(QStringLiteral("INDEXHOLINY"), QStringLiteral("3"));
    layer->GetLayer(QStringLiteral("A"))->AddElement(hole);
    layers().Hooks.UnitText = [](double, double) { return QStringLiteral("12A3b"); };

    QListWidget routes, notes, areas;
    layers().Layer_UpdateList(layer, {&routes, &notes, &areas});
    ASSERT_EQ(routes.count(), 1);
    EXPECT_EQ(routes.item(0)->text(), QStringLiteral("hranice"));
    EXPECT_EQ(routes.item(0)->data(Qt::UserRole + 1).toString(), QStringLiteral("60 m 3 bodů"));
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes.item(0)->data(Qt::UserRole + 1).toString(), QStringLiteral("kůrovec"));
    ASSERT_EQ(areas.count(), 1);
    EXPECT_EQ(areas.item(0)->text(), QStringLiteral("Holina 12A3b"));
    EXPECT_EQ(areas.item(0)->data(Qt::UserRole + 1).toString(),
              QStringLiteral("0") + QLocale().decimalPoint() +
                  QStringLiteral("25 ha . ETAZ 1 . Index 3 . ROK 2024"));
    EXPECT_EQ(areas.item(0)->data(Qt::UserRole).value<void*>(), static_cast<void*>(hole));
    // Another layer's lists replace these.
    layers().Layer_UpdateList(layers().Layer(QStringLiteral("Meas")), {&routes, &notes, &areas});
    EXPECT_EQ(routes.count() + notes.count() + areas.count(), 0);
}

TEST(ProjectPathTest, NamesMapToSafeDistinctFileNameParts) {
    const struct {
        QString name, part;
    } cases[] = {
        {QStringLiteral("Holiny 2026"), QStringLiteral("Holiny 2026")},
        {QStringLiteral("Pozorování"), QStringLiteral("Pozorování")},
        {QStringLiteral("../x"), QStringLiteral("..%2Fx")},
        {QStringLiteral("a\\b"), QStringLiteral("a%5Cb")},
        {QStringLiteral("a%2Fb"), QStringLiteral("a%252Fb")},
        {QStringLiteral("a:b*?"), QStringLiteral("a%3Ab%2A%3F")},
        {QStringLiteral("t\tab"), QStringLiteral("t%09ab")},
    };
    for (const auto& c : cases) EXPECT_EQ(TProjectPath::FileNamePart(c.name), c.part);
    const QString a = TProjectPath::FileNamePart(QString(300, QLatin1Char('x')));
    const QString b = TProjectPath::FileNamePart(QString(300, QLatin1Char('x')) + QLatin1Char('y'));
    EXPECT_NE(a, b);
    EXPECT_LE(a.toUtf8().size(), 120);
    EXPECT_EQ(a, TProjectPath::FileNamePart(QString(300, QLatin1Char('x')))) << "stable";
    // A long name of multi-byte letters is cut between letters.
    const QString c = TProjectPath::FileNamePart(QString(200, QChar(0x0159)));
    EXPECT_FALSE(c.contains(QChar::ReplacementCharacter));
}

} // namespace
} // namespace apptest
