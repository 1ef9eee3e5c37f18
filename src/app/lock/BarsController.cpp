#include "BarsController.h"

#include <QAbstractButton>
#include <QWidget>

namespace zelto {

TBarsController::TBarsController(const TBarWidgets& widgets, QObject* parent)
    : QObject(parent), m_w(widgets) {
    if (m_w.ks_InfoLayout) m_infoY = m_w.ks_InfoLayout->y();
    auto bindClick = [this](QAbstractButton* button, void (TBarsController::*handler)()) {
        if (button) connect(button, &QAbstractButton::clicked, this, handler);
    };
    bindClick(m_w.ktopbarunvisible, &TBarsController::topbarunvisibleClick);
    bindClick(m_w.topbarvisible, &TBarsController::topbarvisibleClick);
    bindClick(m_w.botbarunvisible, &TBarsController::botbarunvisibleClick);
    bindClick(m_w.botbarvisible, &TBarsController::botbarvisibleClick);
    // A switch acts on every change of its state, also one the form makes (the guard decides).
    auto bindSwitch = [this](QAbstractButton* sw, void (TBarsController::*handler)()) {
        if (sw) connect(sw, &QAbstractButton::toggled, this, handler);
    };
    bindSwitch(m_w.cb_topbar, &TBarsController::cb_topbarSwitch);
    bindSwitch(m_w.cb_botbar, &TBarsController::cb_botbarSwitch);
    bindSwitch(m_w.cb_TopBarMargin, &TBarsController::cb_TopBarMarginSwitch);
    bindSwitch(m_w.cb_Line, &TBarsController::cb_LineSwitch);
    bindSwitch(m_w.cb_Note, &TBarsController::cb_NoteSwitch);
}

void TBarsController::setShown(QWidget* w, bool shown) {
    if (!w) return;
    w->setVisible(shown);
    if (shown) w->raise();
}

bool TBarsController::GetTopBar_Visible() const {
    return m_w.topBar && !m_w.topBar->isHidden();
}

void TBarsController::SetTopBar_Visible(bool visible) {
    setShown(m_w.topBar, visible);
    int y = m_infoY;
    if (visible && m_w.topBar) y += m_w.topBar->height();
    for (QWidget* bar : {m_w.ks_InfoLayout, m_w.ks_ActionLayout})
        if (bar) bar->move(bar->x(), y);
}

void TBarsController::SetTopBarMargin(bool indented) {
    if (!m_w.topBar) return;
    m_topMargin = indented ? m_w.topBar->height() / 2 : 0;
    m_w.topBar->move(m_w.topBar->x(), m_topMargin);
}

void TBarsController::SetCheckLines(bool on) {
    if (m_checkLines == on) return;
    m_checkLines = on;
    emit checkLinesChanged(on);
}

void TBarsController::SetCheckNotes(bool on) {
    if (m_checkNotes == on) return;
    m_checkNotes = on;
    emit checkNotesChanged(on);
}

void TBarsController::MultiViewHidden(int activeTool) {
    if ((activeTool == 0 || activeTool == 5 || activeTool == 6) && HighlightHand) HighlightHand();
}

void TBarsController::topbarunvisibleClick() {
    setShown(m_w.ktopbar, false);
    setShown(m_w.topbarvisible, true);
}

void TBarsController::topbarvisibleClick() {
    setShown(m_w.topbarvisible, false);
    setShown(m_w.ktopbar, true);
}

void TBarsController::botbarunvisibleClick() {
    setShown(m_w.botbar, false);
    setShown(m_w.botbarvisible, true);
}

void TBarsController::botbarvisibleClick() {
    setShown(m_w.botbarvisible, false);
    setShown(m_w.botbar, true);
}

void TBarsController::cb_topbarSwitch() {
    if (!switchesActive() || !m_w.cb_topbar) return;
    setShown(m_w.ktopbar, m_w.cb_topbar->isChecked());
    setShown(m_w.topbarvisible, !(m_w.ktopbar && !m_w.ktopbar->isHidden()));
}

void TBarsController::cb_botbarSwitch() {
    if (!switchesActive() || !m_w.cb_botbar) return;
    setShown(m_w.botbar, m_w.cb_botbar->isChecked());
    setShown(m_w.botbarvisible, !(m_w.botbar && !m_w.botbar->isHidden()));
}

void TBarsController::cb_TopBarMarginSwitch() {
    if (!m_w.cb_TopBarMargin) return;
    SetTopBarMargin(m_w.cb_TopBarMargin->isChecked());
    if (switchesActive() && SaveParams) SaveParams();
}

void TBarsController::cb_LineSwitch() {
    if (m_w.cb_Line) SetCheckLines(m_w.cb_Line->isChecked());
}

void TBarsController::cb_NoteSwitch() {
    if (m_w.cb_Note) SetCheckNotes(m_w.cb_Note->isChecked());
}

} // namespace zelto
