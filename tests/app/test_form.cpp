// The map form's creation and shell: the alternative style, the named controls and their texts,
// the parameter file, the symbol sets, the tile codec, the menu drawer and the lifecycle events.
#include "app_fixture.h"

#include "BitmapCodecs.h"
#include "Kordlin_MainTool.h"
#include "UiKit.h"

#include "framework/E_Type.h"
#include "framework/M_Zelto.h"
#include "framework/Worlds.h"
#include "geometry/e_Geometry.h"
#include "persistence/T_Saver.h"
#include "projection/e_Wcs.h"
#include "topology/e_TopolDruhy.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTabWidget>
#include <QTimer>

namespace apptest {
namespace {

using namespace zelto;

QString textOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return QStringLiteral("<no text>");
}

TEST_F(AppTest, CreationSelectsTheAlternativeStyle) {
    auto form = newForm();
    EXPECT_TRUE(internals(*form).KavintStyle);
    EXPECT_EQ(recordingNotifier()->messages(), QStringList()) << "no Bum";
    struct Control {
        const char* name;
        bool shown; // visible once the form is shown
    };
    const Control controls[] = {
        {"Image", true},
        {"Image_edit", true},
        {"Image_Edit_Detail", false},
        {"Image_HicSuntLeones", false},
        {"ks_InfoLayout", true},
        {"ks_InfoLayout_MenuRect", true},
        {"ks_InfoLayout_MenuImage", true},
        {"ks_l_JPRLs", false},
        {"kb_HK", true},
        {"kb_FindLHC", true},
        {"ks_ScaleLayOut", true},
        {"Layout_SideButtons", true},
        {"plus_rect", true},
        {"plus_img", true},
        {"minus_rect", true},
        {"minus_img", true},
        {"Layout_gps", true},
        {"kButton4", true},
        // The classic style and everything that waits for its moment.
        {"topBar", false},
        {"ktopbar", false},
        {"botbar", false},
        {"InfoLayout", false},
        {"ScaleLayout", false},
        {"Panel1", false},
        {"GPSLayout", false},
        {"b_OpenProject", false},
        {"Image2", false},
        {"b_Settings", false},
        {"b_Settings2", false},
        {"b_Menu", false},
        {"Image4", false},
        {"b_Main", false},
        {"b_HK", false},
        {"Button21", false},
        {"Button4", false},
        {"ks_ActionLayout", false},
        {"ks_ActionLayout_Rect", false},
        {"gpsCursor", false},
        {"ImageBakule", false},
        {"p_Find_Layout", false},
        {"ed_odd", false},
        {"ed_Dil", false},
        {"ed_por", false},
        {"ed_PSK", false},
        {"p_Note", false},
        {"ks_p_Note", false},
        {"ks_EditLineLayout", false},
        {"ks_Point_Edit_ComboBox", false},
        {"Point_Edit_ComboBox", false},
        {"LockPanel", false},
        {"LockLayout", false},
        {"Locktext", false},
        {"l_Progress", false},
        {"ProgressBar", false},
        {"AniIndicator", false},
        {"MultiView", false},
        {"tabc", false},
        {"tab_main", false},
        {"tab_layers", false},
        {"tab_Tools", false},
        {"tab_view", false},
        {"tab_Options", false},
        {"MainListBox", false},
        {"MapListBox", false},
        {"MapCombo", false},
        {"ListBox_Layers", false},
        {"tab_layers_Layout", false},
        {"TabViewLayout", false},
        {"cb_topbar", false},
        {"cb_botbar", false},
        {"LayoutMain", false},
        {"kb_OpenProject", false},
        {"Rect_Menu", false},
        {"Label29", false},
        {"Label30", false},
        {"ColorListBox", false},
        {"_Frames", false},
        {"Kordlin_Notes_Frame", false},
        {"Note_Dialog", false},
        {"fmx_AreaDialog", false},
        {"Superdialog", false},
        {"Image_Logo", false},
        {"topbarvisible", false},
        {"botbarvisible", false},
    };
    for (const Control& c : controls) {
        auto* w = form->findChild<QWidget*>(QLatin1String(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->isVisibleTo(form.get()), c.shown) << c.name;
    }
    for (const char* timer : {"ZoomTimer", "LockTimer", "FixTimer"})
        EXPECT_NE(form->findChild<QTimer*>(QLatin1String(timer)), nullptr) << timer;
    EXPECT_EQ(ctl<QTimer>(form, "ZoomTimer")->interval(), 500);
    EXPECT_EQ(ctl<QTimer>(form, "LockTimer")->interval(), 2000);
    EXPECT_FALSE(form->GetTopBar_Visible());
    // The unit label appears in the information bar with its text.
    const int infoWidth = ctl<ui::TPanel>(form, "ks_InfoLayout")->width();
    form->ShowUnitLabel(QStringLiteral("12b3 1a"));
    EXPECT_TRUE(ctl<QLabel>(form, "ks_l_JPRLs")->isVisibleTo(form.get()));
    EXPECT_EQ(ctl<QLabel>(form, "l_JPRL")->text(), QStringLiteral("12b3 1a"));
    EXPECT_EQ(ctl<QLabel>(form, "l_JPRLs")->text(), QStringLiteral("12b3 1a"));
    EXPECT_GT(ctl<ui::TPanel>(form, "ks_InfoLayout")->width(), infoWidth);
    form->ShowUnitLabel(QString());
    EXPECT_FALSE(ctl<QLabel>(form, "ks_l_JPRLs")->isVisibleTo(form.get()));
    // The information bar sits at its design place and moves below a shown top bar.
    EXPECT_EQ(internals(*form).InfoY, 16);
    EXPECT_EQ(ctl<ui::TPanel>(form, "ks_InfoLayout")->y(), 16);
    form->SetTopBar_Visible(true);
    EXPECT_EQ(ctl<ui::TPanel>(form, "ks_InfoLayout")->y(), 16 + 48);
    EXPECT_EQ(ctl<ui::TPanel>(form, "ks_ActionLayout")->y(), 16 + 48);
    form->SetTopBar_Visible(false);
    EXPECT_EQ(ctl<ui::TPanel>(form, "ks_InfoLayout")->y(), 16);

    // State set by the creation.
    EXPECT_EQ(form->GetUser(), QStringLiteral("12345"));
    EXPECT_EQ(World->UID, QStringLiteral("12345"));
    EXPECT_EQ(World, form->MainTool()->OwnWorld());
    EXPECT_EQ(World->GetMainTool(), form->MainTool());
    EXPECT_TRUE(form->GetDataOnBackGround());
    EXPECT_TRUE(internals(*form).cbActive);
    EXPECT_EQ(internals(*form).LineColor, 0xFFFF0000u);
    EXPECT_EQ(internals(*form).PointColor, 0xFFFF1493u);
    EXPECT_EQ(form->MapCanvas().BColor, 0xFF000000u);
    EXPECT_EQ(internals(*form).ActiveTool, 0);
    EXPECT_EQ(internals(*form).ComingActiveTool, -1);
    EXPECT_EQ(internals(*form).Barva, 13);
    EXPECT_EQ(ctl<QListWidget>(form, "ColorListBox")->count(), 16);
    EXPECT_EQ(ctl<ui::TImageControl>(form, "Image")->Bitmap().size(),
              ctl<ui::TImageControl>(form, "Image")->DeviceSize());
    EXPECT_EQ(ctl<ui::TImageControl>(form, "Image")->Bitmap().pixel(10, 10), 0xFF000000u);
    ASSERT_NE(form->Projection(), nullptr);
    EXPECT_EQ(form->Projection()->GetPage()->GetWidth(),
              ctl<ui::TImageControl>(form, "Image")->Bitmap().width());
}

TEST_F(AppTest, MenuTextsAndTabs) {
    auto form = newForm();
    const QStringList rows{QStringLiteral("  Nástroje"),         QStringLiteral("Zobrazení"),
                           QStringLiteral("  Vrstvy"),           QStringLiteral("  Nastavení"),
                           QStringLiteral("  Zamknout displej"), QStringLiteral("  Import")};
    ASSERT_EQ(ctl<QListWidget>(form, "MainListBox")->count(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(ctl<QListWidget>(form, "MainListBox")->item(i)->text(), rows[i]);
        EXPECT_EQ(ctl<QListWidget>(form, "MainListBox")->item(i)->isHidden(), i == 1 || i == 5) << i;
        EXPECT_FALSE(ctl<QListWidget>(form, "MainListBox")->item(i)->icon().isNull())
            << "the alternative style's image list";
    }
    const char* tabs[] = {"tab_main", "tab_layers", "tab_Tools", "tab_view", "tab_Options"};
    ASSERT_EQ(ctl<QTabWidget>(form, "tabc")->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ctl<QTabWidget>(form, "tabc")->widget(i)->objectName(), QLatin1String(tabs[i]));

    const std::pair<const char*, const char*> texts[] = {
        {"kb_OpenProject", "Otevřít projekt"},
        {"b_OpenProject", "Otevřít projekt"},
        {"b_HK", "hk"},
        {"Button21", "hk"},
        {"Label29", "Menu"},
        {"Label30", "<"},
        {"l_MapList", "ZOBRAZIT MAPU :"},
        {"cb_botbar", "Zobr. dolní panel"},
        {"cb_topbar", "Zobr. horní panel"},
        {"cb_TopBarMargin", "Odsadit h. panel"},
        {"l_OptionsHeader", "NASTAVENÍ"},
        {"cb_jprl", "JPRL v ploše"},
        {"l_OptionsPick", "Vybírat klepnutím:"},
        {"cb_Line", "Viditelné Linie"},
        {"cb_Note", "Poznámky"},
        {"l_cb_GPS", "Zapnout GPS"},
        {"Locktext", "Displej je uzamčen!"},
        {"l_gps", "gps neni zapnuta"},
        {"kButton4", "GPS"},
    };
    for (const auto& [name, text] : texts) {
        auto* w = form->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(textOf(w), QString::fromUtf8(text)) << name;
    }
    EXPECT_TRUE(ctl<ui::TSwitch>(form, "cb_jprl")->isChecked() &&
                ctl<ui::TSwitch>(form, "cb_Line")->isChecked() &&
                ctl<ui::TSwitch>(form, "cb_Note")->isChecked());
    EXPECT_FALSE(ctl<ui::TSwitch>(form, "cb_GPS")->isChecked());
    EXPECT_FALSE(ctl<ui::TSwitch>(form, "cb_TopBarMargin")->isChecked());
}

TEST_F(AppTest, TouchTargetsAreAtLeast48Pixels) {
    auto form = newForm();
    for (auto* b : form->findChildren<ui::TTouchButton*>()) {
        EXPECT_GE(b->width(), ui::TouchSize) << b->objectName().toStdString();
        EXPECT_GE(b->height(), ui::TouchSize) << b->objectName().toStdString();
    }
}

TEST_F(AppTest, ParameterFileIndentsTheTopBarByHalfItsHeight) {
    {
        auto form = newForm();
        EXPECT_EQ(form->TopBarMargin(), 0);
        EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->y(), 0);
    }
    writeBytes(systemDir() + QStringLiteral("/params.prx"), QByteArray()); // empty: only its presence counts
    auto form = newForm();
    EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->height(), 48);
    EXPECT_EQ(form->TopBarMargin(), 24);
    EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->y(), 24);
    EXPECT_TRUE(internals(*form).cbActive);
    EXPECT_TRUE(ctl<ui::TSwitch>(form, "cb_TopBarMargin")->isChecked())
        << "the switch shows the indented bar";
    ctl<ui::TSwitch>(form, "cb_TopBarMargin")->setChecked(false);
    EXPECT_EQ(ctl<ui::TPanel>(form, "topBar")->y(), 0);
}

void saveStream(TElement* root, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    TSave save(path);
    save.SetNoProgress(true);
    save.SetInput(root);
    save.DoIt();
}

void writeKinds(const QString& path, const QStringList& pointKinds) {
    TTopolDruhy kinds;
    kinds.SetName(QStringLiteral("Zn"));
    for (const QString& name : pointKinds) {
        auto* k = new TTopolDruh;
        k->SetName(name);
        kinds.GetB()->AddElement(k);
    }
    auto* line = new TTopolDruh;
    line->SetName(QStringLiteral("Cesta"));
    kinds.GetL()->AddElement(line);
    saveStream(&kinds, path);
}

TEST_F(AppTest, SymbolSetsFillThePointKindList) {
    TOwnerEntity symbols;
    symbols.SetName(QStringLiteral("PSYMB"));
    auto* symbol = new TOwnerEntity;
    symbol->SetName(QStringLiteral("1"));
    symbols.AddElement(symbol);
    saveStream(&symbols, systemDir() + QStringLiteral("/PSYMB.zlt"));
    writeKinds(systemDir() + QStringLiteral("/Zn.zlt"),
               {QStringLiteral("Posed"), QStringLiteral("Krmelec"), QStringLiteral("Hraniční kámen")});
    auto form = newForm();
    ASSERT_NE(internals(*form).PSYMB, nullptr);
    EXPECT_NE(internals(*form).PSYMB->FindElementName(QStringLiteral("1")), nullptr);
    ASSERT_NE(internals(*form).Zn, nullptr);
    QComboBox* combo = ctl<QComboBox>(form, "ks_Point_Edit_ComboBox");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Posed"));
    EXPECT_EQ(combo->itemText(2), QStringLiteral("Hraniční kámen"));
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->itemData(1, Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    EXPECT_EQ(static_cast<TElement*>(combo->itemData(1).value<void*>()), internals(*form).Zn->GetB()->Get(1));
    EXPECT_EQ(internals(*form).Zn->GetB()->GetActualDruhName(), QStringLiteral("Posed"));
    EXPECT_EQ(ctl<QComboBox>(form, "Point_Edit_ComboBox")->count(), 0)
        << "the classic list is not the current style's";
}

TEST_F(AppTest, DamagedSymbolFileIsReportedAndTheFormStillWorks) {
    writeBytes(systemDir() + QStringLiteral("/Zn.zlt"), QByteArray("ZLT0\x01\x02garbage", 13));
    auto form = newForm();
    EXPECT_EQ(internals(*form).Zn, nullptr);
    EXPECT_EQ(ctl<QComboBox>(form, "ks_Point_Edit_ComboBox")->count(), 0);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("Zn.zlt"))) << messages()[0].toStdString();
    EXPECT_FALSE(messages().contains(QStringLiteral("Bum")));
    EXPECT_TRUE(internals(*form).cbActive) << "the rest of the creation ran";
    EXPECT_EQ(internals(*form).Barva, 13);
}

// The two sets are read on their own: a damaged or wrong-class symbol set costs neither the other
// set nor the point kinds, and each failure is one message naming its file (and a wrong class).
TEST_F(AppTest, EachSymbolSetIsReadOnItsOwnAndEveryFailureIsNamed) {
    // Line: a line is an owner entity but no kind catalogue; Text: a text element owns nothing.
    enum class File { Good, Damaged, Line, Text };
    const auto write = [&](const QString& name, File how) {
        const QString path = systemDir() + QLatin1Char('/') + name;
        if (how == File::Damaged) return writeBytes(path, QByteArray("ZLT0\x01\x02garbage", 13));
        if (how == File::Line) {
            TPolyLineElement line;
            line.AddXY(0, 0);
            line.AddXY(1, 1);
            return saveStream(&line, path);
        }
        if (how == File::Text) {
            TStringElement text;
            text.SetName(QStringLiteral("Symboly"));
            return saveStream(&text, path);
        }
        writeKinds(path, {QStringLiteral("Posed")}); // a kind catalogue is an owner entity as well
    };
    struct Case {
        File psymb, zn;
        bool psymbRead, znRead;
        const char* named; // the file, and the class when it is the wrong one
        const char* alsoNamed;
    };
    const Case cases[] = {
        {File::Damaged, File::Good, false, true, "PSYMB.zlt", ""},
        {File::Text, File::Good, false, true, "PSYMB.zlt", "TStringElement"},
        {File::Good, File::Line, true, false, "Zn.zlt", "TPolyLineElement"},
        {File::Good, File::Damaged, true, false, "Zn.zlt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.named) + " " + c.alsoNamed);
        write(QStringLiteral("PSYMB.zlt"), c.psymb);
        write(QStringLiteral("Zn.zlt"), c.zn);
        recordingNotifier()->clear();
        auto form = newForm();
        EXPECT_EQ(internals(*form).PSYMB != nullptr, c.psymbRead);
        EXPECT_EQ(internals(*form).Zn != nullptr, c.znRead);
        EXPECT_EQ(ctl<QComboBox>(form, "ks_Point_Edit_ComboBox")->count(), c.znRead ? 1 : 0);
        ASSERT_EQ(messages().size(), 1) << messages().join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(messages()[0].contains(QLatin1String(c.named))) << messages()[0].toStdString();
        EXPECT_TRUE(messages()[0].contains(QLatin1String(c.alsoNamed))) << messages()[0].toStdString();
    }
}

TEST_F(AppTest, AnErrorDuringCreationShowsBumAndEndsTheCreation) {
    m_folders->setFailure(QStringLiteral("storage not mounted"));
    auto form = newForm();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Bum")});
    // The symbol sets raised; the parameter file and the codec steps after them did not run.
    EXPECT_FALSE(internals(*form).cbActive);
    EXPECT_EQ(ctl<QListWidget>(form, "ColorListBox")->count(), 0);
    // The steps before it did.
    EXPECT_TRUE(internals(*form).KavintStyle);
    EXPECT_EQ(form->GetUser(), QStringLiteral("12345"));
    m_folders->setFailure(QString());
}

TEST_F(AppTest, JExtensionIsAJpegCodec) {
    auto form = newForm();
    EXPECT_EQ(TBitmapCodecManager::FormatOf(QStringLiteral("/maps/a/L1_0-0.j")), QByteArray("jpeg"));
    EXPECT_EQ(TBitmapCodecManager::FormatOf(QStringLiteral("/maps/a/L1_0-0.J")), QByteArray("jpeg"));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    const QString file = path(QStringLiteral("tile.j"));
    QString error;
    ASSERT_TRUE(TBitmapCodecManager::Save(picture, file, &error)) << error.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(3).startsWith("\xFF\xD8\xFF")) << "written as JPEG";
    const QImage back = TBitmapCodecManager::Load(file);
    ASSERT_FALSE(back.isNull());
    EXPECT_NEAR(back.pixelColor(4, 4).red(), 200, 8);
}

TEST_F(AppTest, MenuDrawerAndRows) {
    auto form = newForm();
    int locks = 0, imports = 0;
    form->Hooks.LockDisplay = [&] { ++locks; };
    form->Hooks.StartImport = [&] { ++imports; };
    ctl<QTabWidget>(form, "tabc")->setCurrentWidget(ctl<QWidget>(form, "tab_Options"));
    form->b_MenuClick();
    EXPECT_TRUE(form->IsDrawerOpen());
    EXPECT_TRUE(ctl<ui::TPanel>(form, "MultiView")->isVisibleTo(form.get()));
    EXPECT_EQ(ctl<QTabWidget>(form, "tabc")->currentWidget(), ctl<QWidget>(form, "tab_main"));
    EXPECT_FALSE(ctl<ui::TClickPanel>(form, "Rect_Menu")->isVisibleTo(form.get()))
        << "no way back on the menu itself";

    const std::pair<int, QWidget*> rows[] = {{0, ctl<QWidget>(form, "tab_Tools")},
                                             {1, ctl<QWidget>(form, "tab_view")},
                                             {2, ctl<QWidget>(form, "tab_layers")},
                                             {3, ctl<QWidget>(form, "tab_Options")}};
    for (const auto& [row, tab] : rows) {
        form->b_MainClick();
        form->MainListBoxItemClick(row);
        EXPECT_EQ(ctl<QTabWidget>(form, "tabc")->currentWidget(), tab) << row;
        EXPECT_TRUE(ctl<ui::TClickPanel>(form, "Rect_Menu")->isVisibleTo(form.get())) << row;
    }
    EXPECT_FALSE(ctl<QWidget>(form, "tab_layers_Layout")->isVisibleTo(ctl<QWidget>(form, "tab_layers")));
    form->b_MainClick();
    form->MainListBoxItemClick(4);
    form->MainListBoxItemClick(5);
    form->MainListBoxItemClick(6);
    EXPECT_EQ(locks, 1);
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(ctl<QTabWidget>(form, "tabc")->currentWidget(), ctl<QWidget>(form, "tab_main"));

    // The view tab shows the bottom bar's state in its switch without acting on it.
    internals(*form).cbActive = false;
    ctl<ui::TSwitch>(form, "cb_botbar")->setChecked(true); // out of step with the hidden bar
    internals(*form).cbActive = true;
    form->MainListBoxItemClick(1);
    EXPECT_FALSE(ctl<ui::TSwitch>(form, "cb_botbar")->isChecked());
    EXPECT_TRUE(internals(*form).cbActive);

    form->CloseDrawer();
    EXPECT_FALSE(form->IsDrawerOpen());
    form->b_SettingsClick();
    EXPECT_TRUE(form->IsDrawerOpen());
    EXPECT_EQ(ctl<QTabWidget>(form, "tabc")->currentWidget(), ctl<QWidget>(form, "tab_main"));
}

class KeyboardFrame : public QWidget, public TVirtualKeyboardClient {
public:
    KeyboardFrame(QStringList& log, QString name) : m_log(log), m_name(std::move(name)) {}
    void FormVirtualKeyboardShown(QObject*, bool visible, const QRect& bounds) override {
        m_log << QStringLiteral("%1 shown %2 %3").arg(m_name).arg(visible).arg(bounds.height());
    }
    void FormVirtualKeyboardHidden(QObject*, bool visible, const QRect&) override {
        m_log << QStringLiteral("%1 hidden %2").arg(m_name).arg(visible);
    }

private:
    QStringList& m_log;
    QString m_name;
};

TEST_F(AppTest, KeyboardEventsReachTheVisibleFramesInOrder) {
    auto form = newForm();
    QStringList log;
    for (const char* name : {"Superdialog", "Note_Dialog", "fmx_AreaDialog"})
        form->SetFrame(QLatin1String(name), new KeyboardFrame(log, QLatin1String(name)));
    form->Frame(QStringLiteral("Superdialog"))->show();
    form->Frame(QStringLiteral("fmx_AreaDialog"))->show();
    EXPECT_TRUE(ctl<QWidget>(form, "_Frames")->isVisibleTo(form.get())) << "the container shows with a frame";
    form->FormVirtualKeyboardShown(form.get(), true, QRect(0, 500, 800, 300));
    form->FormVirtualKeyboardHidden(form.get(), false, QRect());
    EXPECT_EQ(
        log,
        (QStringList{QStringLiteral("fmx_AreaDialog shown 1 300"), QStringLiteral("Superdialog shown 1 300"),
                     QStringLiteral("fmx_AreaDialog hidden 0"), QStringLiteral("Superdialog hidden 0")}));
    form->Frame(QStringLiteral("Superdialog"))->hide();
    form->Frame(QStringLiteral("fmx_AreaDialog"))->hide();
    EXPECT_FALSE(ctl<QWidget>(form, "_Frames")->isVisibleTo(form.get())) << "and hides with the last one";
}

TEST_F(AppTest, BackKeyClosesTheDialogAndTheNotes) {
    auto form = newForm();
    QWidget* dialog = form->Frame(QStringLiteral("Superdialog"));
    QWidget* notes = form->Frame(QStringLiteral("Kordlin_Notes_Frame"));
    QWidget* area = form->Frame(QStringLiteral("fmx_AreaDialog"));
    for (QWidget* w : {dialog, notes, area}) w->show();
    QKeyEvent back(QEvent::KeyRelease, Qt::Key_Back, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &back);
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_TRUE(notes->isHidden());
    EXPECT_FALSE(area->isHidden()) << "only the dialog and the notes";
}

TEST_F(AppTest, TwoFormsEachHaveAWorldAndOnlyTheNewestDeliversMessages) {
    auto first = newForm();
    TWorld* firstWorld = World;
    auto second = newForm();
    EXPECT_NE(World, firstWorld);
    EXPECT_EQ(MainForm, second.get());
    int firstRoutes = 0, secondRoutes = 0, coords = 0;
    first->Hooks.DrawActualRoute = [&] { ++firstRoutes; };
    second->Hooks.DrawActualRoute = [&] { ++secondRoutes; };
    second->Hooks.ShowGPSCoords = [&] { ++coords; };
    auto* route = new TPolyLineElement;
    TMessageBus::instance().publish(nullptr,
                                    TZeltoMessage::CreateAll(tm_ReView, nullptr, nullptr, route, true));
    TMessageBus::instance().publish(
        nullptr, TZeltoMessage::CreateAll(tm_CoordsView, nullptr, nullptr, nullptr, false));
    TMessageBus::instance().publish(nullptr,
                                    TZeltoMessage::CreateAll(tm_Show, nullptr, nullptr, nullptr, false));
    int points = 0;
    second->Hooks.DrawEditedPoint = [&] { ++points; };
    TMessageBus::instance().publish(
        nullptr, TZeltoMessage::CreateAll(tm_ReView, nullptr, nullptr, new TPolyElement, true));
    EXPECT_EQ(points, 1) << "message 34 with an element that is no polyline draws the edited point";
    EXPECT_EQ(secondRoutes, 1) << "delivered once, not once per world";
    EXPECT_EQ(firstRoutes, 0);
    EXPECT_EQ(coords, 1);

    // The newest form goes: the first form's world takes over again.
    second.reset();
    EXPECT_EQ(World, firstWorld);
    TMessageBus::instance().publish(
        nullptr, TZeltoMessage::CreateAll(tm_ReView, nullptr, nullptr, new TPolyLineElement, true));
    EXPECT_EQ(firstRoutes, 1);
    first.reset();
    EXPECT_EQ(World, nullptr);
    EXPECT_EQ(MainForm, nullptr);
}

TEST_F(AppTest, ProgressReportsReachTheProgressHook) {
    auto form = newForm();
    QStringList reports;
    form->Hooks.OnProgress = [&](qint64 id, int event, const QString& name, const QString& text, int min,
                                 int max, int progress) {
        reports
            << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(event).arg(name, text).arg(min).arg(max).arg(progress);
        EXPECT_NE(id, 0);
    };
    TTool tool;
    tool.StartProgress(QStringLiteral("Čtení"), 0, 10);
    tool.SetProgress(4);
    tool.SetProgressText(QStringLiteral("dílec 3"));
    tool.EndProgress();
    EXPECT_EQ(reports, (QStringList{QStringLiteral("10 Čtení  0 10 0"), QStringLiteral("11   0 0 4"),
                                    QStringLiteral("14  dílec 3 0 0 0"), QStringLiteral("13   0 0 0")}));
}

} // namespace
} // namespace apptest
