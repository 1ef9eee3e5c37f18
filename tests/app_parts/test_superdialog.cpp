// The generic dialog: which handler runs for which control and key in both styles and forms,
// the closing rules, the accessors and the text-entry card that makes room for the keyboard.
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace zelto;

namespace {

class SuperdialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(1024, 768);
        dlg = new TSuperdialog(host.get());
        host->show();
    }

    // Prepares a use of the dialog the way the form does; each handler notes its name.
    void arm(bool kavint, bool edit, bool onOK, bool onCancel, bool onClose) {
        dlg->SetKavintStyle(kavint);
        dlg->ResetEvents();
        dlg->SetEditMode(edit);
        dlg->SetaText(QStringLiteral("Smazat vrstvu?"));
        dlg->Show();
        if (onOK) dlg->SetOnOK([this](QObject*) { calls.push_back("ok"); });
        if (onCancel) dlg->SetOnCancel([this](QObject*) { calls.push_back("cancel"); });
        if (onClose) dlg->SetOnClose([this](QObject*) { calls.push_back("close"); });
    }

    QWidget* child(const char* name) const {
        QWidget* w = dlg->findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    void click(const char* name) {
        QWidget* w = child(name);
        ASSERT_TRUE(w->isVisible()) << name;
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    std::unique_ptr<QWidget> host;
    TSuperdialog* dlg = nullptr;
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

TEST_F(SuperdialogTest, EveryAnswerControlRunsItsOwnHandlerOnly) {
    struct Case {
        bool kavint, edit;
        const char* control;
        const char* handler;
    };
    const Case cases[] = {
        {false, false, "b_OK", "ok"},
        {false, false, "b_Storno", "cancel"},
        {false, true, "b_edOK", "ok"},
        {false, true, "b_edStorno", "cancel"},
        {true, false, "ks_b_OK", "ok"},
        {true, false, "ks_Rect_OK", "ok"},
        {true, false, "ks_b_Storno", "cancel"},
        {true, false, "ks_Rect_Storno", "cancel"},
        {true, true, "ks_b_EdOK", "ok"},
        {true, true, "ks_Rect_EdOK", "ok"},
        {true, true, "ks_b_edStorno", "cancel"},
        {true, true, "ks_Rect_EdStorno", "cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        calls.clear();
        arm(c.kavint, c.edit, true, true, true);
        click(c.control);
        EXPECT_EQ(calls, Calls{c.handler});
        EXPECT_FALSE(dlg->isVisible());
    }
}

TEST_F(SuperdialogTest, AnswerWithoutItsHandlerRunsTheCloseHandler) {
    for (const char* control : {"b_OK", "b_Storno"}) {
        calls.clear();
        arm(false, false, false, false, true);
        click(control);
        EXPECT_EQ(calls, Calls{"close"}) << control;
    }
    // The yes handler alone does not stand in for the missing no handler.
    calls.clear();
    arm(true, false, true, false, true);
    click("ks_Rect_Storno");
    EXPECT_EQ(calls, Calls{"close"});
}

TEST_F(SuperdialogTest, BackgroundDismissesWhileTheCardsDoNot) {
    arm(true, false, true, true, true);
    click("ks_Rect_Text"); // the card's text block is no answer and no dismissal
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(dlg->isVisible());
    QWidget* background = child("Rectangle1");
    QTest::mouseClick(background, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(calls, Calls{"close"});
    EXPECT_FALSE(dlg->isVisible());

    calls.clear();
    arm(false, false, true, true, true);
    click("Panel_Message");
    EXPECT_TRUE(dlg->isVisible());
    QTest::mouseClick(background, Qt::LeftButton, {}, QPoint(1000, 740));
    EXPECT_EQ(calls, Calls{"close"});
}

TEST_F(SuperdialogTest, CloseRunsTheCloseHandlerOnceAndKeepsTheAnswerHandlers) {
    arm(true, false, true, true, true);
    dlg->Close();
    dlg->Close();
    EXPECT_EQ(calls, Calls{"close"});
    // The answers' handlers live until the next reset.
    dlg->Show();
    click("ks_b_OK");
    EXPECT_EQ(calls, (Calls{"close", "ok"}));
    dlg->ResetEvents();
    dlg->Show();
    click("ks_b_OK");
    EXPECT_EQ(calls, (Calls{"close", "ok"}));
    EXPECT_FALSE(dlg->isVisible());

    // The form's back key may close it as a plain widget: the close handler still runs, once.
    calls.clear();
    arm(true, true, true, true, true);
    EXPECT_TRUE(static_cast<QWidget*>(dlg)->close());
    dlg->Close();
    EXPECT_EQ(calls, Calls{"close"});
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(SuperdialogTest, KeysAnswerAndDismiss) {
    // Escape and the back key dismiss; Enter in the edit field answers yes with the entered text.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Back}) {
        calls.clear();
        arm(true, true, true, true, true);
        QTest::keyClick(dlg, key);
        EXPECT_EQ(calls, Calls{"close"});
        EXPECT_FALSE(dlg->isVisible());
    }
    for (bool kavint : {false, true}) {
        arm(kavint, true, false, true, true);
        QString entered;
        dlg->SetOnOK([&](QObject*) { entered = dlg->GetEditText(); });
        auto* edit = dlg->findChild<QLineEdit*>(kavint ? "ks_Edit" : "Edit");
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("Linie 7"));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(entered, QStringLiteral("Linie 7"));
        EXPECT_FALSE(dlg->isVisible());
    }
}

TEST_F(SuperdialogTest, HandlerThatStartsANewUseKeepsTheDialogOpen) {
    // A yes handler that asks the next question in the same dialog.
    arm(true, false, false, false, false);
    dlg->SetOnClose([this](QObject*) { calls.push_back("first close"); });
    dlg->SetOnOK([this](QObject*) {
        calls.push_back("first ok");
        dlg->ResetEvents();
        dlg->SetEditMode(true);
        dlg->SetaText(QStringLiteral("Název linie"));
        dlg->SetEditText(QStringLiteral("L1"));
        dlg->Show();
        dlg->SetOnOK([this](QObject*) { calls.push_back("second ok " + dlg->GetEditText().toStdString()); });
        dlg->SetOnClose([this](QObject*) { calls.push_back("second close"); });
    });
    click("ks_Rect_OK");
    EXPECT_EQ(calls, Calls{"first ok"});
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->GetaText(), QStringLiteral("Název linie"));
    click("ks_Rect_EdOK");
    EXPECT_EQ(calls, (Calls{"first ok", "second ok L1"}));
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(SuperdialogTest, AccessorsReachTheControlsOfTheCurrentStyleAndForm) {
    struct Case {
        bool kavint, edit;
        const char *prompt, *yes, *no, *edit_;
        const char *yesText, *noText;
    };
    const Case cases[] = {
        {true, true, "ks_l_EdText", "ks_b_EdOK", "ks_b_edStorno", "ks_Edit", "ANO", "NE"},
        {true, false, "ks_l_Text", "ks_b_OK", "ks_b_Storno", "ks_Edit", "ANO", "NE"},
        {false, true, "l_edText", "b_edOK", "b_edStorno", "Edit", "Ano", "Ne"},
        {false, false, "l_Text", "b_OK", "b_Storno", "Edit", "Ano", "Ne"},
    };
    auto textOf = [this](const char* name) {
        QWidget* w = child(name);
        if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
        if (auto* button = qobject_cast<QPushButton*>(w)) return button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
        return QStringLiteral("<none>");
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        dlg->SetKavintStyle(c.kavint);
        dlg->SetEditMode(c.edit);
        EXPECT_EQ(textOf(c.yes), QLatin1String(c.yesText));
        EXPECT_EQ(textOf(c.no), QLatin1String(c.noText));
        dlg->SetaText(QStringLiteral("P ") + QLatin1String(c.prompt));
        dlg->SetOKText(QStringLiteral("Y ") + QLatin1String(c.yes));
        dlg->SetStornoText(QStringLiteral("N ") + QLatin1String(c.no));
        dlg->SetEditText(QStringLiteral("E ") + QLatin1String(c.prompt));
        EXPECT_EQ(textOf(c.prompt), QStringLiteral("P ") + QLatin1String(c.prompt));
        EXPECT_EQ(textOf(c.yes), QStringLiteral("Y ") + QLatin1String(c.yes));
        EXPECT_EQ(textOf(c.no), QStringLiteral("N ") + QLatin1String(c.no));
        EXPECT_EQ(textOf(c.edit_), QStringLiteral("E ") + QLatin1String(c.prompt));
        EXPECT_EQ(dlg->GetaText(), QStringLiteral("P ") + QLatin1String(c.prompt));
        EXPECT_EQ(dlg->GetEditText(), QStringLiteral("E ") + QLatin1String(c.prompt));
        dlg->SetOKText(QLatin1String(c.yesText));
        dlg->SetStornoText(QLatin1String(c.noText));
    }
}

TEST_F(SuperdialogTest, EditModeShowsOneLayoutOfTheChosenStyle) {
    const char* layouts[] = {"Panel_Message", "Panel_Edit", "ks_Layout_Message", "ks_Layout_Edit"};
    struct Case {
        bool kavint, edit;
        const char* shown;
    };
    for (const Case& c : {Case{false, false, "Panel_Message"}, Case{false, true, "Panel_Edit"},
                          Case{true, false, "ks_Layout_Message"}, Case{true, true, "ks_Layout_Edit"}}) {
        dlg->SetKavintStyle(c.kavint);
        dlg->SetEditMode(c.edit);
        for (const char* name : layouts)
            EXPECT_EQ(!child(name)->isHidden(), std::string(name) == c.shown) << name << " for " << c.shown;
    }
    // The style itself changes nothing until the next SetEditMode.
    dlg->SetKavintStyle(false);
    EXPECT_FALSE(child("ks_Layout_Edit")->isHidden());
}

TEST_F(SuperdialogTest, TextEntryCardEndsAtTheKeyboardsTopEdge) {
    arm(true, true, true, false, false);
    QWidget* card = child("ks_Layout_Edit");
    const int centredY = (768 - 178) / 2;
    EXPECT_EQ(card->geometry(), QRect((1024 - 324) / 2, centredY, 324, 178));

    // A keyboard far below leaves the card centred.
    dlg->FormVirtualKeyboardShown(nullptr, true, QRect(0, 600, 1024, 168));
    EXPECT_EQ(card->y(), centredY);
    // A keyboard over the card's lower edge pushes it up to end at the keyboard.
    dlg->FormVirtualKeyboardShown(nullptr, true, QRect(0, 400, 1024, 368));
    EXPECT_EQ(card->y(), 400 - 178);
    // The keyboard goes down: centred again.
    dlg->FormVirtualKeyboardHidden(nullptr, false, QRect(0, 400, 1024, 368));
    EXPECT_EQ(card->y(), centredY);
    EXPECT_FALSE(dlg->KeyboardVisible());

    // With the bars' scale the card is taller, and so is the lift.
    dlg->SetLayoutScale(1.5, 1.5);
    // The form reaches the dialog by name, not by type.
    ASSERT_TRUE(QMetaObject::invokeMethod(dlg, "FormVirtualKeyboardShown", Q_ARG(QObject*, nullptr),
                                          Q_ARG(bool, true), Q_ARG(QRect, QRect(0, 400, 1024, 368))));
    EXPECT_EQ(card->height(), 267);
    EXPECT_EQ(card->y(), 400 - 267);
    // A keyboard too high for the whole card: the card stays on the screen, its edit reachable.
    dlg->FormVirtualKeyboardShown(nullptr, true, QRect(0, 100, 1024, 668));
    EXPECT_EQ(card->y(), 0);

    // The classic text-entry panel stays at the top.
    dlg->SetLayoutScale(1, 1);
    dlg->SetKavintStyle(false);
    dlg->SetEditMode(true);
    dlg->FormVirtualKeyboardShown(nullptr, true, QRect(0, 100, 1024, 668));
    EXPECT_EQ(child("Panel_Edit")->y(), 0);
}

// The prompt quotes layer and file names: shown as they are, in both styles.
TEST_F(SuperdialogTest, ThePromptIsPlainText) {
    const QString text = QStringLiteral("Smazat vrstvu <img src='x.png'><b>A</b>?");
    for (bool kavint : {false, true}) {
        dlg->SetKavintStyle(kavint);
        dlg->SetaText(text);
        EXPECT_EQ(dlg->GetaText(), text);
        for (const char* name : {"l_Text", "l_edText", "ks_l_Text", "ks_l_EdText"})
            EXPECT_EQ(static_cast<QLabel*>(child(name))->textFormat(), Qt::PlainText) << name;
    }
}

TEST_F(SuperdialogTest, FillsItsParentAndStartsHidden) {
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->objectName(), QStringLiteral("Superdialog"));
    host->resize(800, 600);
    EXPECT_EQ(dlg->geometry(), QRect(0, 0, 800, 600));
    dlg->Show();
    EXPECT_EQ(child("Rectangle1")->geometry(), QRect(0, 0, 800, 600));
    EXPECT_EQ(child("Panel_Message")->size(), QSize(274, 174));
    dlg->SetKavintStyle(true);
    dlg->SetEditMode(false);
    EXPECT_EQ(child("ks_Layout_Message")->geometry(), QRect((800 - 290) / 2, (600 - 178) / 2, 290, 178));
    EXPECT_EQ(child("ks_Rect_OK")->size(), QSize(145, 66));
}

} // namespace
