// The tools as the user drives them on an open project: switching tools (and a switch that waits
// for the line save dialog), measuring, drawing and editing lines, points, the cadastral link, the
// note tool's tap and the information callout with its delete.
#include "app_fixture.h"
#include "wait_until.h"

#include "Forest.h"
#include "Gps.h"
#include "Layers.h"
#include "NoteDialog.h"
#include "Project.h"
#include "Tools.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "forest/e_LHCElements.h"
#include "framework/E_Type.h"
#include "framework/ProjectPath.h"
#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"
#include "geometry/e_GeometryEx.h"
#include "platform/UrlOpener.h"
#include "projection/e_Proje.h"
#include "topobjects/e_TopolElements.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

namespace apptest {
namespace {

using namespace zelto;

constexpr double X0 = TestForest::X0, Y0 = TestForest::Y0;

class ToolsTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        opx = makeProject(QStringLiteral("data/Revír.opx"), {standMap()});
        open();
    }
    void TearDown() override {
        platform::setUrlOpener({});
        form.reset();
        AppTest::TearDown();
    }
    // A new form opening the project as user "lesnik", with the view at 1 : 1000 over the forest's
    // first stand group.
    void open() {
        form.reset();
        form = newForm();
        form->resize(800, 600);
        form->SetUser(QStringLiteral("lesnik"));
        form->SetDataOnBackGround(false);
        ASSERT_TRUE(form->LoadProject(opx));
        view().SetScale(1000);
        view().SetCenterPoint(X0 + 50, Y0 + 50);
        form->Review();
    }
    TToolsController& tools() { return form->Tools(); }
    TLayersController& layers() { return form->Layers(); }
    TPageProjection& view() { return *form->Projection(); }
    QPointF page(double x, double y) { return {double(view().GetPageX(x)), double(view().GetPageY(y))}; }
    void tapModel(double x, double y) {
        const QPointF p = page(x, y);
        tools().ImageTap(float(p.x()), float(p.y()));
    }
    void tapPage(double x, double y) { tools().ImageTap(float(x), float(y)); }
    TComplicatedGECollection* sub(const char* layer, const char* kind) {
        return layers().Layers_Layer(QLatin1String(layer), QLatin1String(kind));
    }
    TSuperdialog* dialog() {
        TSuperdialog* d = form->Superdialog();
        return d && d->isVisibleTo(form.get()) ? d : nullptr;
    }
    QString text(const char* name) { return ctl<QLabel>(form, name)->text(); }
    // Whether the control is shown (the form itself stays hidden in these tests).
    bool shown(const char* name) { return !ctl(form, name)->isHidden(); }
    // The vertices of a polyline as model points.
    static std::vector<QPointF> vertices(const TPolyLineElement* line) {
        std::vector<QPointF> v;
        for (int i = 0; line && i < line->GetCoordsCount(); ++i) v.emplace_back(line->GetX(i), line->GetY(i));
        return v;
    }
    // Draws a line in the line tool through the model points.
    void drawLine(const std::vector<QPointF>& points) {
        ASSERT_TRUE(tools().ChangeActiveTool(ToolLines));
        for (const QPointF& p : points) tapModel(p.x(), p.y());
    }

    QString opx;
    std::unique_ptr<TMainForm> form;
};

TEST(ToolsTable, RowsCaptionsAndTools) {
    const QStringList captions = TToolsController::ToolCaptions();
    const std::pair<int, const char*> rows[] = {
        {0, "  Prohlížení mapy"}, {2, "  Měření délek/ploch"}, {1, "  Poznámky"},
        {4, "  Editace Linií"},   {8, "  Editace ploch"},      {3, "  Editace Bodů"},
        {5, "  GPS Trasování"},   {6, "  Výběr jednotek PRL"}, {7, "  Info o parcele v KN"},
    };
    for (int row = 0; row < int(std::size(rows)); ++row) {
        EXPECT_EQ(TToolsController::ToolOfRow(row), rows[row].first) << row;
        EXPECT_EQ(TToolsController::RowOfTool(rows[row].first), row);
        EXPECT_EQ(captions[row], QString::fromUtf8(rows[row].second));
    }
    EXPECT_EQ(TToolsController::ToolOfRow(9), -1);
}

TEST(ToolsTable, VertexPickTakesTheNearestWithinTheToleranceAndTheFirstOnATie) {
    TPolyLineElement line;
    for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {20.0, 0.0}}) line.AddXY(x, y);
    struct Case {
        double x, y, tolerance;
        int expected;
    } cases[] = {
        {9, 1, 5, 1},    // nearest
        {5, 0, 6, 0},    // equally near 0 and 1: the first
        {14, 0, 5, 1},   // 4 from vertex 1
        {15, 0, 5, -1},  // exactly at the tolerance: not closer than it
        {40, 0, 50, 2},  // far from all but within a wide tolerance
        {40, 0, 19, -1}, // none
    };
    for (const Case& c : cases)
        EXPECT_EQ(TToolsController::PickVertex(line, c.x, c.y, c.tolerance), c.expected) << c.x << " " << c.y;
}

TEST_F(ToolsTest, TheToolsListStartsToolsAndTheHandReturnsToTheMapView) {
    auto* list = ctl<QListWidget>(form, "ToolsListBox");
    ASSERT_EQ(list->count(), 9);
    EXPECT_TRUE(list->item(5)->isHidden()) << "point editing is not offered in the list";
    tools().ToolsListBoxItemClick(1);
    EXPECT_EQ(tools().ActiveTool, ToolMeasure);
    EXPECT_EQ(text("ks_l_Caption"), QStringLiteral("Měření délek/ploch"));
    EXPECT_EQ(text("ks_l_Delka"), QStringLiteral("0 m"));
    EXPECT_EQ(ctl<QAbstractButton>(form, "b_NewLine")->text(), QStringLiteral("Nové měření"));
    EXPECT_EQ(tools().LastToolListboxIndex, 1);
    tools().ToolsListBoxItemClick(3);
    EXPECT_EQ(tools().ActiveTool, ToolLines);
    EXPECT_EQ(text("ks_l_Caption"), QStringLiteral("Editace Linií"));
    EXPECT_EQ(ctl<QAbstractButton>(form, "b_NewLine")->text(), QStringLiteral("Ukončit linii"));
    tools().b_HandClick();
    EXPECT_EQ(tools().ActiveTool, ToolView);
    EXPECT_FALSE(shown("ks_ActionLayout"));
    EXPECT_FALSE(shown("ks_EditLineLayout"));
    tools().ToolsListBoxItemClick(8);
    EXPECT_EQ(tools().ActiveTool, ToolCadastre);
    EXPECT_EQ(text("ks_l_Caption"), QStringLiteral("Informace o parcele v KN"));
}

TEST_F(ToolsTest, TapsAddVerticesAtTheEndOrBeforeTheFirstAndSelectWithinFiftyPixels) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolLines));
    const double px = view().GetModelLength(1); // metres per page pixel
    tapModel(X0, Y0);
    // The only vertex is the first one: the next goes before it.
    tapModel(X0 + 100 * px, Y0);
    ASSERT_EQ(vertices(tools().MLine).size(), 2u);
    EXPECT_NEAR(tools().MLine->GetX(0), X0 + 100 * px, px);
    EXPECT_EQ(tools().MLineActivePoint, 0);
    // 10 pixels from the last vertex selects it; a tap then appends.
    tapModel(X0 + 10 * px, Y0);
    EXPECT_EQ(tools().MLineActivePoint, 1);
    EXPECT_EQ(vertices(tools().MLine).size(), 2u);
    tapModel(X0 - 200 * px, Y0);
    ASSERT_EQ(vertices(tools().MLine).size(), 3u);
    EXPECT_NEAR(tools().MLine->GetX(2), X0 - 200 * px, px);
    EXPECT_EQ(tools().MLineActivePoint, 2);
    // 49 pixels from the first vertex selects it; with it active a far tap goes before it.
    tapModel(X0 + 100 * px, Y0 + 49 * px);
    EXPECT_EQ(tools().MLineActivePoint, 0);
    tapModel(X0 + 400 * px, Y0);
    ASSERT_EQ(vertices(tools().MLine).size(), 4u);
    EXPECT_NEAR(tools().MLine->GetX(0), X0 + 400 * px, px);
    EXPECT_EQ(tools().MLineActivePoint, 0);
    // The read-out follows the line: 500 pixels long.
    EXPECT_EQ(text("ks_l_Delka"), formatNumber(tools().MLine->GetLength(), 1) + QStringLiteral(" m "));
    // The vertex buttons move the active vertex and delete it.
    tools().b_SelectLinePointLastClick();
    EXPECT_EQ(tools().MLineActivePoint, 3);
    tools().b_SelectLinePointUpClick();
    EXPECT_EQ(tools().MLineActivePoint, 3);
    tools().b_DeleteLinePointClick();
    EXPECT_EQ(vertices(tools().MLine).size(), 3u);
    EXPECT_EQ(tools().MLineActivePoint, 2);
}

TEST_F(ToolsTest, TheOnlyVertexIsNotDeletedAndAOneVertexLineIsDroppedWithoutADialog) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolLines));
    tapModel(X0, Y0);
    tools().b_DeleteLinePointClick();
    EXPECT_EQ(vertices(tools().MLine).size(), 1u);
    const int before = sub("User", "L")->ElementsCount();
    EXPECT_TRUE(tools().ChangeActiveTool(ToolView));
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_EQ(sub("User", "L")->ElementsCount(), before);
}

TEST_F(ToolsTest, ASwitchWaitsForTheSaveDialogAndOkKeepsTheLineUnderItsName) {
    drawLine({{X0, Y0}, {X0 + 60, Y0 + 10}, {X0 + 80, Y0 + 70}});
    EXPECT_FALSE(tools().ChangeActiveTool(ToolMeasure));
    EXPECT_EQ(tools().WaitingActiveTool, ToolMeasure);
    EXPECT_EQ(tools().Status, 2);
    EXPECT_EQ(tools().ActiveTool, ToolLines);
    TSuperdialog* d = dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetaText(), QStringLiteral("Uložit Linii pod názvem:"));
    EXPECT_EQ(d->GetEditText(), QStringLiteral("Linie"));
    d->SetEditText(QStringLiteral("Cesta k posedu"));
    answerYes(d);
    EXPECT_EQ(tools().ActiveTool, ToolMeasure) << "the waiting tool starts after OK";
    EXPECT_EQ(tools().WaitingActiveTool, -1);
    TComplicatedGECollection* lines = sub("User", "L");
    ASSERT_EQ(lines->ElementsCount(), 1);
    auto* line = zelto_cast<TTopolLineElement>(lines->Get(0));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetName(), QStringLiteral("Cesta k posedu"));
    EXPECT_EQ(line->FUID, QStringLiteral("lesnik"));
    EXPECT_FALSE(line->FUUID.isEmpty());
    EXPECT_EQ(vertices(zelto_cast<TPolyLineElement>(line->GetGeometry())).size(), 3u);

    // The layer's file holds it: a restart finds it.
    open();
    lines = sub("User", "L");
    ASSERT_EQ(lines->ElementsCount(), 1);
    EXPECT_EQ(lines->Get(0)->GetName(), QStringLiteral("Cesta k posedu"));
}

TEST_F(ToolsTest, StornoLeavesTheLayerUnchangedAndStartsTheWaitingTool) {
    drawLine({{X0, Y0}, {X0 + 60, Y0 + 10}});
    EXPECT_FALSE(tools().ChangeActiveTool(ToolView));
    answerDialog(dialog(), false);
    EXPECT_EQ(sub("User", "L")->ElementsCount(), 0);
    EXPECT_EQ(tools().ActiveTool, ToolView);
    EXPECT_EQ(tools().MLine, nullptr);
    EXPECT_EQ(tools().Status, 0);
}

TEST_F(ToolsTest, EditingAnExistingLineFromTheCalloutKeepsTheOriginalOnStornoAndReplacesItOnOk) {
    drawLine({{X0 + 10, Y0 + 10}, {X0 + 90, Y0 + 10}});
    tools().b_NewLineClick();
    answerYes(dialog());
    ASSERT_TRUE(tools().ChangeActiveTool(ToolView));
    TComplicatedGECollection* lines = sub("User", "L");
    ASSERT_EQ(lines->ElementsCount(), 1);
    auto* line = zelto_cast<TTopolLineElement>(lines->Get(0));
    const auto original = vertices(zelto_cast<TPolyLineElement>(line->GetGeometry()));

    // A map-view tap on the line opens its callout.
    tapModel(X0 + 50, Y0 + 10);
    ASSERT_TRUE(tools().CalloutVisible());
    EXPECT_EQ(text("ks_p_note_caption"), QStringLiteral("Linie"));
    EXPECT_EQ(text("ks_p_note_text"), QStringLiteral("80 m / 0 ha / 2 bodů"));
    EXPECT_EQ(tools().EditRecord.aTool, ToolLines);
    EXPECT_EQ(tools().EditRecord.GElement, line);

    // Edit, move a vertex, cancel: the line is back unchanged.
    tools().b_p_Note_EditClick();
    EXPECT_EQ(tools().ActiveTool, ToolLines);
    EXPECT_EQ(lines->IndexOf(line), -1) << "taken out while edited";
    tools().SetActiveVertex(QPointF(X0 + 30, Y0 + 40));
    tools().b_NewLineClick();
    answerDialog(dialog(), false);
    ASSERT_EQ(lines->ElementsCount(), 1);
    EXPECT_EQ(lines->Get(0), line);
    EXPECT_EQ(vertices(zelto_cast<TPolyLineElement>(line->GetGeometry())), original);
    EXPECT_EQ(tools().ActiveTool, ToolView) << "editing from the callout returns to the map view";

    // Edit again and save: the same element with the new geometry.
    tapModel(X0 + 50, Y0 + 10);
    tools().b_p_Note_EditClick();
    tools().SetActiveVertex(QPointF(X0 + 30, Y0 + 40));
    tools().b_NewLineClick();
    answerYes(dialog());
    ASSERT_EQ(lines->ElementsCount(), 1);
    EXPECT_EQ(lines->Get(0), line);
    EXPECT_EQ(vertices(zelto_cast<TPolyLineElement>(line->GetGeometry())).front(), QPointF(X0 + 30, Y0 + 40));
}

TEST_F(ToolsTest, AVertexFromTheGpsNeedsAPosition) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolLines));
    tools().b_AddLinePointGPSClick();
    EXPECT_EQ(messages().value(messages().size() - 1), QStringLiteral("GPS poloha není k dispozici"));
    EXPECT_EQ(tools().MLine->GetCoordsCount(), 0);
    form->Gps().FGPSFixed = true;
    form->Gps().jtskX = X0 + 12;
    form->Gps().jtskY = Y0 + 34;
    tools().b_AddLinePointGPSClick();
    ASSERT_EQ(tools().MLine->GetCoordsCount(), 1);
    EXPECT_EQ(QPointF(tools().MLine->GetX(0), tools().MLine->GetY(0)), QPointF(X0 + 12, Y0 + 34));
}

TEST_F(ToolsTest, APolygonWithoutAnAreaEditorIsKeptAsAClosedLine) {
    tools().Hooks.StartAreaEditor = nullptr;
    tools().l_QuickAreaClick();
    EXPECT_EQ(tools().ActiveTool, ToolLines);
    EXPECT_EQ(text("ks_l_Caption"), QStringLiteral("Plocha polygonem"));
    EXPECT_EQ(ctl<QAbstractButton>(form, "b_NewLine")->text(), QStringLiteral("Ukončit polygon"));
    for (const QPointF& p : {QPointF(X0, Y0), QPointF(X0 + 80, Y0), QPointF(X0 + 80, Y0 + 80)})
        tapModel(p.x(), p.y());
    tools().b_NewLineClick();
    answerYes(dialog());
    ASSERT_EQ(sub("User", "L")->ElementsCount(), 1);
    const auto ring = vertices(
        zelto_cast<TPolyLineElement>(zelto_cast<TTopolLineElement>(sub("User", "L")->Get(0))->GetGeometry()));
    ASSERT_EQ(ring.size(), 4u);
    EXPECT_EQ(ring.front(), ring.back());
    EXPECT_FALSE(tools().MLineQuickArea);
}

TEST_F(ToolsTest, AMeasurementIsKeptInMeasOnlyWithTwoVertices) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolMeasure));
    tapModel(X0, Y0);
    tools().b_NewLineClick();
    EXPECT_EQ(sub("Meas", "L")->ElementsCount(), 0);
    tapModel(X0, Y0);
    tapModel(X0 + 30, Y0 + 40);
    EXPECT_NEAR(tools().MLine->GetLength(), 50, 1);
    EXPECT_EQ(text("ks_l_Delka"), formatNumber(tools().MLine->GetLength(), 1) + QStringLiteral(" m "));
    tools().b_NewLineClick();
    EXPECT_EQ(sub("Meas", "L")->ElementsCount(), 1);
    EXPECT_EQ(tools().MLine->GetCoordsCount(), 0) << "a new measurement starts";
    // Leaving the tool keeps a measurement of two vertices too.
    tapModel(X0, Y0);
    tapModel(X0 + 10, Y0);
    EXPECT_TRUE(tools().ChangeActiveTool(ToolView));
    EXPECT_EQ(sub("Meas", "L")->ElementsCount(), 2);
    // A map-view tap on it names it a partial measurement (once the layer is shown).
    layers().Layer(QStringLiteral("Meas"))->SetVisible(true);
    tapModel(X0 + 5, Y0);
    EXPECT_EQ(text("ks_p_note_caption"), QStringLiteral("Dílčí měření"));
    EXPECT_EQ(tools().EditRecord.aTool, ToolMeasure);
}

TEST_F(ToolsTest, DeletingFromTheCalloutRecordsTheUuidAndTheFileLosesTheObject) {
    drawLine({{X0 + 10, Y0 + 20}, {X0 + 90, Y0 + 20}});
    tools().b_NewLineClick();
    answerYes(dialog());
    ASSERT_TRUE(tools().ChangeActiveTool(ToolView));
    TComplicatedGECollection* user = layers().Layer(QStringLiteral("User"));
    const QString uuid = zelto_cast<TTopolLineElement>(sub("User", "L")->Get(0))->FUUID;
    tapModel(X0 + 50, Y0 + 20);
    tools().b_p_note_DeleteClick();
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->GetaText(), QStringLiteral("Opravdu chcete vybranou linii smazat?"));
    answerYes(dialog());
    EXPECT_EQ(sub("User", "L")->ElementsCount(), 0);
    ASSERT_NE(user->GetDeletedUUIDs(), nullptr);
    EXPECT_NE(user->GetDeletedUUIDs()->FindElementName(uuid), nullptr);
    EXPECT_FALSE(tools().CalloutVisible());
    open();
    EXPECT_EQ(sub("User", "L")->ElementsCount(), 0);
    ASSERT_NE(layers().Layer(QStringLiteral("User"))->GetDeletedUUIDs(), nullptr);
    EXPECT_NE(layers().Layer(QStringLiteral("User"))->GetDeletedUUIDs()->FindElementName(uuid), nullptr);
}

TEST_F(ToolsTest, ANoteTapWithin29PixelsOpensTheCalloutAndAt30MakesANewNote) {
    int opened = 0;
    Tgis_Note* offered = nullptr;
    tools().Hooks.OpenNoteDialog = [&](Tgis_Note* note, bool isNew) {
        ++opened;
        offered = note;
        EXPECT_TRUE(isNew);
    };
    ASSERT_TRUE(tools().ChangeActiveTool(ToolNotes));
    EXPECT_EQ(text("ks_l_Caption"), QStringLiteral("Poznámky"));
    EXPECT_TRUE(shown("ks_Note_Gps_Layout"));
    // A note in the forest's first stand group, named after it.
    tapModel(X0 + 50, Y0 + 50);
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(offered->GetName(), QStringLiteral("1a1 1a"));
    EXPECT_EQ(tools().Status, 1);
    tapModel(X0 + 60, Y0 + 60);
    EXPECT_EQ(opened, 1) << "taps wait while a note is being made";
    offered->SetText(QStringLiteral("Kůrovec"));
    tools().NoteDialogSaved(offered, true);
    ASSERT_EQ(sub("User", "N")->ElementsCount(), 1);
    EXPECT_EQ(offered->FUID, QStringLiteral("lesnik"));

    const QPointF at = page(X0 + 50, Y0 + 50);
    tapPage(at.x() + 29, at.y());
    EXPECT_TRUE(tools().CalloutVisible());
    EXPECT_EQ(text("ks_p_note_caption"), QStringLiteral("1a1 1a"));
    EXPECT_EQ(text("ks_p_note_text"), QStringLiteral("Kůrovec"));
    EXPECT_EQ(opened, 1);
    tapPage(at.x() + 30, at.y());
    EXPECT_FALSE(tools().CalloutVisible());
    EXPECT_EQ(opened, 2);
    // "Storno" on the new one leaves the layer as it was.
    tools().NoteDialogCancelled();
    EXPECT_EQ(sub("User", "N")->ElementsCount(), 1);
    EXPECT_EQ(tools().Status, 0);
    // Outside the forest a note is named so.
    view().SetCenterPoint(X0 - 5000, Y0 - 5000);
    tapModel(X0 - 5000, Y0 - 5000);
    ASSERT_EQ(opened, 3);
    EXPECT_EQ(offered->GetName(), QStringLiteral("Mimo les"));
    tools().NoteDialogCancelled();
}

TEST_F(ToolsTest, ANewNoteWithAPhotoFromTheLibraryIsSavedWithItsText) {
    // The real note dialog; the photo comes from a picture file chosen in the file chooser.
    const QString file = path(QStringLiteral("downloads/buk.png"));
    QDir().mkpath(QFileInfo(file).path());
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(file));
    ASSERT_TRUE(tools().ChangeActiveTool(ToolNotes));
    tapModel(X0 + 50, Y0 + 50);
    auto* dialog = ctl<TNote_Dialog>(form, "Note_Dialog");
    ASSERT_TRUE(dialog->isVisibleTo(form.get()));
    EXPECT_TRUE(shown("ImageBakule"));
    dialog->AddPhotoFromFile(file);
    // Coming back from the chooser's window keeps the note being made.
    internals(*form).FormActivate();
    EXPECT_EQ(tools().Status, 1);
    EXPECT_TRUE(shown("ImageBakule"));
    ctl<QPlainTextEdit>(*dialog, "Memo")->setPlainText(QStringLiteral("Buk s dutinou"));
    dialog->b_OKClick();
    EXPECT_FALSE(dialog->isVisibleTo(form.get()));
    EXPECT_EQ(tools().Status, 0);
    ASSERT_EQ(sub("User", "N")->ElementsCount(), 1);
    auto* note = zelto_cast<Tgis_Note>(sub("User", "N")->Get(0));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->GetText(), QStringLiteral("Buk s dutinou"));
    ASSERT_FALSE(note->GetNoImages());
    // After a restart the note and its photo file are there.
    open();
    note = zelto_cast<Tgis_Note>(sub("User", "N")->Get(0));
    ASSERT_NE(note, nullptr);
    ASSERT_FALSE(note->GetNoImages());
    const QString name = note->GetImages()->Get(0)->GetName();
    EXPECT_TRUE(QFileInfo(TProjectPath::Img + name).isFile()) << name.toStdString();
}

TEST_F(ToolsTest, OpeningAProjectEndsTheToolAndTheNoteBeingWritten) {
    ASSERT_TRUE(tools().ChangeActiveTool(ToolNotes));
    tapModel(X0 + 50, Y0 + 50);
    auto* dialog = ctl<TNote_Dialog>(form, "Note_Dialog");
    ASSERT_TRUE(dialog->isVisibleTo(form.get()));
    std::function<void(const QString&)> pending;
    dialog->Hooks.PickImageFile = [&pending](std::function<void(const QString&)> chosen) {
        pending = std::move(chosen);
    };
    dialog->TakePhotoFromLibrary();
    ASSERT_TRUE(pending);
    ASSERT_TRUE(form->LoadProject(opx));
    EXPECT_FALSE(dialog->isVisibleTo(form.get()));
    EXPECT_EQ(dialog->GetaNote(), nullptr);
    EXPECT_EQ(tools().ActiveTool, ToolView);
    EXPECT_EQ(tools().Status, 0);
    EXPECT_FALSE(shown("ks_ActionLayout"));
    EXPECT_FALSE(shown("ImageBakule"));
    // The chooser answering late reaches no note (the one being written went with the project).
    const QString file = path(QStringLiteral("late.png"));
    QImage(8, 8, QImage::Format_RGB32).save(file);
    pending(file);
    EXPECT_EQ(sub("User", "N")->ElementsCount(), 0);
}

TEST_F(ToolsTest, TheCadastralLinkCarriesTheRoundedModelPoint) {
    const QString url = tools().KNInfoUrl(-743012.4, -1043823.6);
    EXPECT_TRUE(
        url.endsWith(QStringLiteral("MapaIdentifikace.aspx?x=-743012&y=-1043824&maplayers= 8244EA23")))
        << url.toStdString();
    QStringList opened;
    platform::setUrlOpener([&](const QString& u) {
        opened << u;
        return true;
    });
    tools().ToolsListBoxItemClick(8);
    tapModel(X0, Y0 - 1);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].startsWith(TToolsController::DefaultKNViewerUrl() +
                                     QStringLiteral("?x=-600000&y=-1100001")))
        << opened[0].toStdString();
    // The viewer's address is a setting of the project.
    ASSERT_TRUE(tools().ChangeActiveTool(ToolView));
    form->Project().IniFIle()->WriteString(QStringLiteral("OPTIONS"), QStringLiteral("KNVIEWER"),
                                           QStringLiteral("http://kn.example/MapaIdentifikace.aspx"));
    tools().ToolsListBoxItemClick(8);
    tapModel(X0, Y0 - 1);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_TRUE(
        opened[1].startsWith(QStringLiteral("http://kn.example/MapaIdentifikace.aspx?x=-600000&y=-1100001")));
}

TEST_F(ToolsTest, PointsAreMadeSelectedRecolouredAndDeleted) {
    tools().StartActiveTool(ToolPoints);
    EXPECT_EQ(tools().ActiveTool, ToolPoints);
    EXPECT_EQ(text("ks_l_Caption"), QStringLiteral("Editace bodů"));
    tapModel(X0 + 20, Y0 + 20);
    TComplicatedGECollection* points = sub("User", "P");
    ASSERT_EQ(points->ElementsCount(), 1);
    auto* point = zelto_cast<Tgis_PointElement>(points->Get(0));
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->FColor, 13);
    EXPECT_EQ(point->FStatus, 1);
    EXPECT_EQ(tools().EPoint, point);
    // A colour from the pick list goes to the point being edited.
    tools().PointColorButtonClick();
    EXPECT_TRUE(shown("ColorPopup"));
    tools().ColorListBoxItemClick(4);
    EXPECT_FALSE(shown("ColorPopup"));
    EXPECT_EQ(point->FColor, 4);
    // A tap elsewhere makes another point and leaves the first one unselected.
    tapModel(X0 + 70, Y0 + 70);
    ASSERT_EQ(points->ElementsCount(), 2);
    EXPECT_EQ(point->FStatus, 0);
    EXPECT_EQ(zelto_cast<Tgis_PointElement>(points->Get(1))->FColor, 4);
    tools().b_Point_DeleteClick();
    EXPECT_EQ(points->ElementsCount(), 1);
    EXPECT_EQ(tools().EPoint, nullptr);
    EXPECT_TRUE(tools().ChangeActiveTool(ToolView));
    open();
    EXPECT_EQ(sub("User", "P")->ElementsCount(), 1);
}

TEST_F(ToolsTest, AMapViewTapOutsideEveryObjectNamesTheStandGroup) {
    tapModel(X0 + 150, Y0 + 50);
    EXPECT_FALSE(tools().CalloutVisible());
    EXPECT_EQ(form->Forest().S_Skupina, QStringLiteral("2"));
}

} // namespace
} // namespace apptest
