// The area dialog: its titles and labels, the colour list, the clearing years (from the year table
// or typed), the answers and the room it makes for the on-screen keyboard.
#include "app_fixture.h"

#include "AreaDialog.h"

#include "builders.h"

#include "colors/e_Color.h"
#include "forest/e_LHCElements.h"
#include "forest/e_LHCModel.h"
#include "framework/E_Type.h"
#include "framework/TextLocale.h"
#include "geometry/e_GeometryElement.h"

#include <QLineEdit>
#include <QTest>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace zelto;
using namespace apptest;

namespace {

class AreaDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(900, 600);
        dialog = new Tfmx_AreaDialog(&host);
    }

    template <class W = QWidget> W* control(const char* name) { return ctl<W>(*dialog, name); }
    void click(const char* name) { control<QAbstractButton>(name)->click(); }
    bool visible(const char* name) { return control(name)->isVisibleTo(dialog); }
    QString text(const char* name) { return control<QLabel>(name)->text(); }
    QColor swatch() { return control<parts::TBox>("r_Color")->fill(); }
    QListWidget* colours() { return control<QListWidget>("ColorListBox"); }
    QComboBox* years() { return control<QComboBox>("Combo_Year"); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }

    // Every handler counts its calls.
    void countAnswers() {
        dialog->SetOnOK([this] { ++calls["ok"]; });
        dialog->SetOnCancel([this] { ++calls["cancel"]; });
        dialog->SetOnDelete([this] { ++calls["delete"]; });
        dialog->SetOnClose([this] { ++calls["close"]; });
    }

    QWidget host;
    Tfmx_AreaDialog* dialog = nullptr; // the host's child
    std::map<std::string, int> calls;
};

// A clearing year table as the layer definitions give it.
std::unique_ptr<TStringListElement> yearTable(const std::vector<std::pair<QString, QString>>& entries) {
    auto table = std::make_unique<TStringListElement>();
    for (const auto& [name, value] : entries) table->SetStringByName(name, value);
    return table;
}

} // namespace

TEST_F(AreaDialogTest, TitleDeleteButtonAndBlockHeightFollowTheKindAndNewness) {
    struct Case {
        bool holina, isNew;
        const char* title;
        bool deleteShown;
        int height;
    };
    const Case cases[] = {
        {false, true, "Nová plocha", false, 230},
        {false, false, "Stará plocha", true, 230},
        {true, true, "Nová holina", false, 300},
        {true, false, "Stará holina", true, 300},
    };
    host.show();
    dialog->Show();
    for (const Case& c : cases) {
        // Either order of the two setters gives the same dialog.
        for (bool holinaFirst : {true, false}) {
            SCOPED_TRACE(std::string(c.title) + (holinaFirst ? " (kind first)" : " (newness first)"));
            if (holinaFirst) dialog->SetHolina(c.holina);
            dialog->SetNewObject(c.isNew);
            if (!holinaFirst) dialog->SetHolina(c.holina);
            EXPECT_EQ(text("l_Nova"), QString::fromUtf8(c.title));
            EXPECT_EQ(visible("b_Delete"), c.deleteShown);
            EXPECT_EQ(control<QAbstractButton>("b_Delete")->text(), QStringLiteral("Odstranit"));
            EXPECT_EQ(visible("HolinaEditLayout"), c.holina);
            EXPECT_FALSE(visible("ed_Etaz")) << "the stand layer edit stays hidden";
            const QRect block = control("Layout_Main")->geometry();
            EXPECT_EQ(block.height(), c.height);
            EXPECT_EQ(block.bottom(), host.height() - 1) << "the block stands on the bottom";
        }
    }
}

TEST_F(AreaDialogTest, LabelsNameTheStandGroupAndTheAreaInHectares) {
    Tgis_LHC lhc;
    auto* ls = static_cast<Tgis_ItemsForestUnit*>(lhc.CreateItemCislo(1));
    auto* division = static_cast<Tgis_ItemsForestUnit*>(ls->CreateItemCislo(12));
    auto* dilec = static_cast<Tgis_ItemsForestUnit*>(division->CreateItemName(QStringLiteral("b")));
    auto* stand = static_cast<Tgis_ItemsForestUnit*>(dilec->CreateItemName(QStringLiteral("3")));
    auto* group = zelto_cast<Tgis_PorostniSkupina>(stand->CreateItemName(QStringLiteral("1a")));
    ASSERT_NE(group, nullptr);

    dialog->SetBigFrame(group);
    EXPECT_EQ(text("ks_l_Name"), QStringLiteral("12b3 1a"));
    EXPECT_EQ(dialog->GetBigFrame(), group);
    dialog->SetBigFrame(nullptr);
    EXPECT_EQ(text("ks_l_Name"), QStringLiteral("PSK ?"));

    // "0.##": two decimals at most, rounded, no trailing zeros, the locale's separator.
    const QString sep(decimalSeparator());
    const std::pair<double, QString> areas[] = {
        {1.234, "1" + sep + "23 ha"},
        {0.456, "0" + sep + "46 ha"},
        {2.5, "2" + sep + "5 ha"},
        {3.0, "3 ha"},
        {0.001, "0 ha"},
    };
    for (const auto& [hectares, shown] : areas) {
        dialog->SetArea(hectares);
        EXPECT_EQ(text("l_Area"), shown) << hectares;
    }
}

TEST_F(AreaDialogTest, TheColourListOffersSixteenColoursAndAChoiceSetsTheColour) {
    QListWidget* list = colours();
    ASSERT_EQ(list->count(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(list->item(i)->text(), QString::number(i));
        EXPECT_FALSE(list->item(i)->icon().isNull());
    }
    EXPECT_EQ(dialog->GetBarva(), 13);
    EXPECT_EQ(swatch(), QColor::fromRgba(DejBarvicku(13)));

    host.show();
    dialog->Show();
    // The swatch opens and closes the list; a choice closes it and takes its number.
    QTest::mouseClick(control("r_Color"), Qt::LeftButton);
    EXPECT_TRUE(list->isVisible());
    QTest::mouseClick(control("r_Color"), Qt::LeftButton);
    EXPECT_FALSE(list->isVisible());
    QTest::mouseClick(control("r_Color"), Qt::LeftButton);
    emit list->itemClicked(list->item(11));
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(dialog->GetBarva(), 11);
    EXPECT_EQ(swatch(), QColor::fromRgba(DejBarvicku(11)));
    list->item(4)->setText(QStringLiteral("x"));
    dialog->ColorListBoxItemClick(list->item(4));
    EXPECT_EQ(dialog->GetBarva(), 13) << "an item that is not a number stands for 13";

    // Showing the dialog again keeps the colour it was given (an existing area's).
    dialog->SetBarva(4);
    dialog->CheckColors();
    dialog->Show();
    EXPECT_EQ(dialog->GetBarva(), 4);
    EXPECT_EQ(list->count(), 16);
    // Filling the list anew starts from 13.
    dialog->Colors_Prepare();
    EXPECT_EQ(list->count(), 16);
    EXPECT_EQ(list->item(4)->text(), QStringLiteral("4"));
    EXPECT_EQ(dialog->GetBarva(), 13);
}

TEST_F(AreaDialogTest, TheYearTableGivesTheYearListAndEachYearItsColour) {
    // "0" is the colour of years the table does not name; a colour that is not a number takes it.
    auto table = yearTable({{"0", "7"}, {"2019", "11"}, {"2020", " 2 "}, {"stará", "5"}, {"2021", "zz"}});
    dialog->SetHolinaTable(table.get());
    table.reset(); // the dialog keeps no reference to it
    ASSERT_EQ(years()->count(), 3);
    EXPECT_EQ(years()->itemText(0), QStringLiteral("2019"));
    EXPECT_EQ(years()->itemText(2), QStringLiteral("2021"));
    const std::vector<std::pair<qint32, qint32>> expected = {{2019, 11}, {2020, 2}, {2021, 7}};
    std::vector<std::pair<qint32, qint32>> got;
    for (const auto& y : dialog->HolinaYears()) got.push_back({y.year, y.color});
    EXPECT_EQ(got, expected);
    EXPECT_EQ(years()->currentIndex(), -1);

    dialog->SetHolina(true);
    dialog->SetNewObject(true);
    EXPECT_TRUE(visible("Combo_Year"));
    EXPECT_FALSE(visible("ed_Rok"));

    // Without RokUpdate the year is only stored.
    dialog->SetRok(2020);
    EXPECT_EQ(years()->currentIndex(), -1);
    EXPECT_EQ(dialog->GetBarva(), 13);
    EXPECT_EQ(dialog->GetRok(), 2020);
    // With it the year is selected and brings its colour.
    dialog->SetRokUpdate(true);
    dialog->SetRok(2020);
    dialog->SetRokUpdate(false);
    EXPECT_EQ(years()->currentText(), QStringLiteral("2020"));
    EXPECT_EQ(dialog->GetBarva(), 2);
    // The user's choice sets the year and its colour.
    years()->setCurrentIndex(0);
    EXPECT_EQ(dialog->GetRok(), 2019);
    EXPECT_EQ(dialog->GetBarva(), 11);
    // A year the table lacks (an older clearing) selects nothing and keeps the area's colour.
    dialog->SetBarva(9);
    dialog->SetRokUpdate(true);
    dialog->SetRok(1999);
    dialog->SetRokUpdate(false);
    EXPECT_EQ(years()->currentIndex(), -1);
    EXPECT_EQ(dialog->GetBarva(), 9);
    EXPECT_EQ(dialog->GetRok(), 1999);

    // The colour of a clearing is its year's: the swatch does not open the list.
    host.show();
    dialog->Show();
    QTest::mouseClick(control("r_Color"), Qt::LeftButton);
    EXPECT_FALSE(colours()->isVisible());
    // Without a table the year is typed again.
    dialog->SetHolinaTable(nullptr);
    EXPECT_EQ(years()->count(), 0);
    EXPECT_FALSE(visible("Combo_Year"));
    EXPECT_TRUE(visible("ed_Rok"));
    QTest::mouseClick(control("r_Color"), Qt::LeftButton);
    EXPECT_TRUE(colours()->isVisible());
}

TEST_F(AreaDialogTest, WithoutATableTheYearIsTypedAndReadAsAWholeNumber) {
    dialog->SetHolina(true);
    dialog->SetRok(2018);
    EXPECT_EQ(edit("ed_Rok")->text(), QString()) << "only RokUpdate writes the edit";
    dialog->SetRokUpdate(true);
    dialog->SetRok(2020);
    dialog->SetRokUpdate(false);
    EXPECT_EQ(edit("ed_Rok")->text(), QStringLiteral("2020"));
    const std::pair<const char*, qint32> typed[] = {{"2020", 2020}, {" 2017 ", 2017}, {"abc", 0},
                                                    {"", 0},        {"20x", 0},       {"99999999999", 0}};
    for (const auto& [input, year] : typed) {
        edit("ed_Rok")->setText(QString::fromUtf8(input));
        EXPECT_EQ(dialog->GetRok(), year) << input;
    }

    // "Uložit" hands the editor what was entered.
    dialog->SetEtaz(QStringLiteral("1a"));
    dialog->SetIndex(QStringLiteral("H2"));
    dialog->SetPozn(QStringLiteral("kůrovec"));
    edit("ed_Rok")->setText(QStringLiteral("2016"));
    QStringList seen;
    dialog->SetOnOK([&] {
        seen << dialog->GetEtaz() << dialog->GetIndex() << QString::number(dialog->GetRok())
             << dialog->GetPozn();
    });
    dialog->Show();
    click("b_OK");
    EXPECT_EQ(seen, QStringList({"1a", "H2", "2016", QStringLiteral("kůrovec")}));
}

TEST_F(AreaDialogTest, EachAnswerCallsItsHandlerOnceAndClosingAfterItAnswersNothing) {
    const std::pair<const char*, const char*> buttons[] = {
        {"b_OK", "ok"}, {"b_Storno", "cancel"}, {"b_Delete", "delete"}};
    host.show();
    for (const auto& [button, handler] : buttons) {
        SCOPED_TRACE(button);
        calls.clear();
        countAnswers();
        dialog->SetNewObject(false);
        dialog->Show();
        click(button);
        EXPECT_EQ(calls[handler], 1);
        EXPECT_EQ(calls["close"], 0) << "the answer is not followed by a close";
        for (const char* other : {"ok", "cancel", "delete"})
            if (std::string(other) != handler) {
                EXPECT_EQ(calls[other], 0) << other;
            }
        EXPECT_FALSE(dialog->isVisibleTo(&host));
        // A second tap (or a later close) answers nothing more.
        click(button);
        dialog->Close();
        EXPECT_EQ(calls[handler], 1);
        EXPECT_EQ(calls["close"], 0);
    }

    // Closing calls the close handler once.
    calls.clear();
    countAnswers();
    dialog->Show();
    dialog->Close();
    dialog->Close();
    EXPECT_EQ(calls["close"], 1);
    EXPECT_EQ(calls["ok"] + calls["cancel"] + calls["delete"], 0);

    // With no handler for the answer, closing is the answer: the editor is not left waiting.
    calls.clear();
    countAnswers();
    dialog->SetOnOK(nullptr);
    dialog->Show();
    click("b_OK");
    EXPECT_EQ(calls["close"], 1);

    // An answer that puts the dialog to a new use leaves it open with the new handlers.
    calls.clear();
    dialog->SetOnCancel([this] {
        dialog->SetOnClose([this] { ++calls["next close"]; });
        dialog->Show();
    });
    dialog->Show();
    click("b_Storno");
    EXPECT_TRUE(dialog->isVisibleTo(&host));
    dialog->Close();
    EXPECT_EQ(calls["next close"], 1);
}

TEST_F(AreaDialogTest, TheBlockRisesAboveTheKeyboardAndReturnsWhenItGoes) {
    host.show();
    dialog->SetHolina(true);
    dialog->Show();
    QWidget* block = control("Layout_Main");
    auto noteBottom = [this] {
        QLineEdit* note = edit("ed_Pozn");
        return note->mapTo(dialog, QPoint(0, note->height())).y();
    };
    const int top = block->geometry().top();
    EXPECT_EQ(top, 600 - 300);
    const int bottom = noteBottom();
    ASSERT_GT(bottom, top);

    // A keyboard 25 px below the note edit moves nothing; one 5 px below lifts the block by 15.
    dialog->FormVirtualKeyboardShown(nullptr, true, QRect(0, bottom + 25, 900, 300));
    EXPECT_EQ(block->geometry().top(), top);
    dialog->FormVirtualKeyboardShown(nullptr, true, QRect(0, bottom + 5, 900, 300));
    EXPECT_EQ(block->geometry().top(), top - 15);
    EXPECT_EQ(noteBottom(), bottom + 5 - 20);
    dialog->FormVirtualKeyboardHidden(nullptr, false, QRect());
    EXPECT_EQ(block->geometry().top(), top);

    // The keyboard goes with the dialog: the next showing stands on the bottom again.
    dialog->FormVirtualKeyboardShown(nullptr, true, QRect(0, bottom - 100, 900, 400));
    EXPECT_LT(block->geometry().top(), top);
    dialog->Close();
    dialog->Show();
    EXPECT_EQ(block->geometry().top(), top);
}

// The dialog as the area editor's port: a polygon drawn on a clearing layer is saved with what the
// dialog holds, the year's colour from the table included.
TEST_F(AreaDialogTest, TheAreaEditorSavesAPolygonClearingWithTheDialogsValues) {
    auto table = yearTable({{"2019", "11"}, {"2020", "2"}});
    dialog->SetHolinaTable(table.get());
    TComplicatedGECollection layer;
    layer.SetName(QStringLiteral("A"));
    TKordlinAreaEditor editor;
    editor.SetDialog(dialog);
    editor.SetTargetLevel(&layer);
    editor.SetHolina(true);
    host.show();

    // Storno: nothing is added, the editor waits for the next tap.
    ASSERT_TRUE(editor.OnQuickArea(zelto::testing::line(zelto::testing::square(0, 0, 100))));
    EXPECT_TRUE(dialog->isVisibleTo(&host));
    EXPECT_EQ(text("l_Nova"), QStringLiteral("Nová holina"));
    EXPECT_EQ(text("ks_l_Name"), QStringLiteral("PSK ?"));
    EXPECT_EQ(text("l_Area"), QStringLiteral("1 ha"));
    EXPECT_EQ(years()->currentText(), QStringLiteral("2019")) << "a drawn clearing starts in 2019";
    click("b_Storno");
    EXPECT_EQ(layer.ElementsCount(), 0);
    EXPECT_EQ(editor.GetEditorStatus(), gesSelect);

    ASSERT_TRUE(editor.OnQuickArea(zelto::testing::line(zelto::testing::square(0, 0, 100))));
    years()->setCurrentIndex(1);
    edit("ed_Index")->setText(QStringLiteral("H7"));
    edit("ed_Pozn")->setText(QStringLiteral("po větru"));
    click("b_OK");
    ASSERT_EQ(layer.ElementsCount(), 1);
    auto* area = zelto_cast<Tgis_UserAreaElement>(layer.Get(0));
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->FDruh, 42);
    EXPECT_EQ(area->FBarva, 2);
    EXPECT_EQ(area->GetPropertyStringByName(QStringLiteral("ROK")), QStringLiteral("2020"));
    EXPECT_EQ(area->GetPropertyStringByName(QStringLiteral("INDEXHOLINY")), QStringLiteral("H7"));
    EXPECT_EQ(area->GetPropertyStringByName(QStringLiteral("Poznamka")), QStringLiteral("po větru"));
    EXPECT_FALSE(dialog->isVisibleTo(&host));
    EXPECT_EQ(editor.GetEditorStatus(), gesSelect);
    // Closing later is no second answer.
    dialog->Close();
    EXPECT_EQ(layer.ElementsCount(), 1);
}
