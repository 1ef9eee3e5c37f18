// The map form's tool bars (top bar, alternative top bar, bottom bar), their hide and restore
// buttons, and the switches of the drawer's view and option tabs. The form owns the widgets;
// this controller binds their handlers and keeps the state the switches set.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractButton;
class QWidget;

namespace zelto {

struct TBarWidgets {
    QWidget* topBar = nullptr;                   // the classic top bar
    QWidget* ktopbar = nullptr;                  // the alternative top bar
    QWidget* botbar = nullptr;                   // the bottom bar
    QAbstractButton* ktopbarunvisible = nullptr; // hides ktopbar
    QAbstractButton* botbarunvisible = nullptr;  // hides botbar
    QAbstractButton* topbarvisible = nullptr;    // restores ktopbar
    QAbstractButton* botbarvisible = nullptr;    // restores botbar
    QWidget* ks_InfoLayout = nullptr;            // moves down below a shown top bar ...
    QWidget* ks_ActionLayout = nullptr;          // ... and so does this one
    QAbstractButton* cb_topbar = nullptr;        // "Zobr. horní panel"
    QAbstractButton* cb_botbar = nullptr;        // "Zobr. dolní panel"
    QAbstractButton* cb_TopBarMargin = nullptr;  // "Odsadit h. panel"
    QAbstractButton* cb_Line = nullptr;          // "Viditelné Linie"
    QAbstractButton* cb_Note = nullptr;          // "Poznámky"
};

class TBarsController : public QObject {
    Q_OBJECT
public:
    // Binds the buttons' clicks and the switches' changes to the handlers below. The design
    // vertical position of ks_InfoLayout is taken now as InfoY.
    explicit TBarsController(const TBarWidgets& widgets, QObject* parent = nullptr);

    // The form's switch guard (cbActive): the bar switches act only while it answers true.
    // Unset, the switches always act.
    std::function<bool()> SwitchesActive;
    // Called by the top-margin switch while the switches act (the form's SaveParams).
    std::function<void()> SaveParams;
    // Highlights the hand button as when the browsing tools start.
    std::function<void()> HighlightHand;

    int InfoY() const { return m_infoY; }
    void SetInfoY(int y) { m_infoY = y; }

    // The top bar; the alternative information and action bars move down below it when shown.
    bool GetTopBar_Visible() const;
    void SetTopBar_Visible(bool visible);

    // The top bar's margin: half its height when indented, else 0 (the bar moves down by it).
    void SetTopBarMargin(bool indented);
    int TopBarMargin() const { return m_topMargin; }

    // Which objects a tap on the map looks for.
    bool CheckLines() const { return m_checkLines; }
    bool CheckNotes() const { return m_checkNotes; }
    void SetCheckLines(bool on);
    void SetCheckNotes(bool on);

    // The drawer was closed while the tool `activeTool` was active.
    void MultiViewHidden(int activeTool);

public slots:
    void topbarvisibleClick();
    void topbarunvisibleClick();
    void botbarvisibleClick();
    void botbarunvisibleClick();
    void cb_topbarSwitch();
    void cb_botbarSwitch();
    void cb_TopBarMarginSwitch();
    void cb_LineSwitch();
    void cb_NoteSwitch();

signals:
    void checkLinesChanged(bool on);
    void checkNotesChanged(bool on);

private:
    bool switchesActive() const { return !SwitchesActive || SwitchesActive(); }
    static void setShown(QWidget* w, bool shown);

    TBarWidgets m_w;
    int m_infoY = 0;
    int m_topMargin = 0;
    bool m_checkLines = true;
    bool m_checkNotes = true;
};

} // namespace zelto
