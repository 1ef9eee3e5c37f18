// The generic dialog of the map form: a question with a yes and a no answer, or a prompt with one
// line of text to enter, drawn over the whole form on a dimmed background. It has a layout for
// each of the form's two styles: the classic panels and the alternative style's white cards.
//
// Answers: yes runs the yes handler, no the no handler; either one, when it ran, keeps the close
// handler from running. A dismissal (a tap on the dimmed background, Escape, the back key, or
// Close called by the form) runs the close handler, once.
#pragma once

#include "VirtualKeyboardClient.h"

#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelto {

namespace parts {
class TBox;
}

class TSuperdialog : public QWidget, public TVirtualKeyboardClient {
    Q_OBJECT
public:
    // An event handler; the sender handed to it is always none.
    using TNotifyEvent = std::function<void(QObject* sender)>;

    // The dialog fills its parent (the form's frame container) and follows its size; it is
    // hidden until a user shows it.
    explicit TSuperdialog(QWidget* parent = nullptr);
    ~TSuperdialog() override;

    // The style takes effect at the next SetEditMode and for the accessors.
    void SetKavintStyle(bool kavintStyle);
    bool KavintStyle() const { return FKavintStyle; }
    // Chooses the question (false) or the text-entry form (true) of the current style.
    void SetEditMode(bool editMode);
    bool EditMode() const { return FEditMode; }

    // The prompt, the yes and the no caption of the current style and form.
    void SetaText(const QString& text);
    QString GetaText() const;
    void SetOKText(const QString& text);
    void SetStornoText(const QString& text);
    QString GetOKText() const;
    QString GetStornoText() const;
    // The edit field of the current style, whatever the form.
    void SetEditText(const QString& text);
    QString GetEditText() const;

    void SetOnOK(TNotifyEvent handler);
    void SetOnCancel(TNotifyEvent handler);
    void SetOnClose(TNotifyEvent handler);
    // Clears the three handlers: the start of a new use of the dialog.
    void ResetEvents();

    // The scale of the dialog's content (the size of the form's bars), 1 by default.
    void SetLayoutScale(qreal sx, qreal sy);
    qreal LayoutScaleX() const { return m_scaleX; }
    qreal LayoutScaleY() const { return m_scaleY; }

    // Shows the dialog over its parent, on top of the other frames.
    void Show();
    // Runs the close handler (once), hides the on-screen keyboard and hides the dialog.
    void Close();

    bool KeyboardVisible() const { return FVKVisible; }
    QRect KeyboardBounds() const { return FVKBounds; }

public slots:
    // The on-screen keyboard went up or down; `bounds` is its rectangle in the coordinates of the
    // dialog's parent, which the dialog fills. The alternative style's text-entry card moves up
    // so that it ends at the keyboard's top edge. The form reaches them through
    // TVirtualKeyboardClient; they are slots as well, for connections by name.
    void FormVirtualKeyboardShown(QObject* sender, bool keyboardVisible, const QRect& bounds) override;
    void FormVirtualKeyboardHidden(QObject* sender, bool keyboardVisible, const QRect& bounds) override;

    // Yes: the yes handler when set (and then no close handler), then Close.
    void b_OKClick();
    // No: the no handler when set (and then no close handler), then Close.
    void b_StornoClick();
    // A tap on the dimmed background: Close.
    void Rectangle1Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Closing the dialog as a plain widget (QWidget::close) is the same as Close.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void relayout();
    void CheckEdit();
    QLabel* promptLabel() const;
    QLabel* okLabel() const;
    QLabel* stornoLabel() const;
    QPushButton* okButton() const;
    QPushButton* stornoButton() const;
    QLineEdit* currentEdit() const;
    void applyFonts();

    bool FKavintStyle = false;
    bool FEditMode = false;
    TNotifyEvent FOnOK, FOnCancel, FOnClose;
    bool FVKVisible = false;
    QRect FVKBounds;

    // Counts the uses of the dialog: a handler that starts a new use (ResetEvents, Show) keeps
    // the dialog open with its new handlers.
    quint64 m_session = 0;
    qreal m_scaleX = 1, m_scaleY = 1;
    // The vertical position of the alternative text-entry card while the keyboard pushes it up.
    std::optional<int> m_editCardTop;

    QWidget* Layout_Main = nullptr;
    QLabel* ImageBackGround = nullptr;
    parts::TBox* Rectangle1 = nullptr;
    parts::TBox* Panel_Message = nullptr;
    QLabel* l_Text = nullptr;
    QPushButton* b_OK = nullptr;
    QPushButton* b_Storno = nullptr;
    parts::TBox* Panel_Edit = nullptr;
    QLabel* l_edText = nullptr;
    QLineEdit* Edit = nullptr;
    QPushButton* b_edOK = nullptr;
    QPushButton* b_edStorno = nullptr;
    QWidget* ks_Layout_Message = nullptr;
    parts::TBox* ks_Rect_Text = nullptr;
    QLabel* ks_l_Text = nullptr;
    parts::TBox* ks_Rect_OK = nullptr;
    QLabel* ks_b_OK = nullptr;
    parts::TBox* ks_Rect_Storno = nullptr;
    QLabel* ks_b_Storno = nullptr;
    QWidget* ks_Layout_Edit = nullptr;
    parts::TBox* ks_Rect_EdText = nullptr;
    QLabel* ks_l_EdText = nullptr;
    QLineEdit* ks_Edit = nullptr;
    parts::TBox* ks_Rect_EdOK = nullptr;
    QLabel* ks_b_EdOK = nullptr;
    parts::TBox* ks_Rect_EdStorno = nullptr;
    QLabel* ks_b_edStorno = nullptr;
};

} // namespace zelto
