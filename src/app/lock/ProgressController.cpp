#include "ProgressController.h"

#include "framework/Tools.h"

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

namespace zelto {

void TProgressElem::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TProgressElem::Get_ID, &TProgressElem::Set_ID>("_ID");
    b.prop<&TProgressElem::Get_Name, &TProgressElem::Set_Name>("_Name");
    b.prop<&TProgressElem::GetMin, &TProgressElem::SetMin>("Min");
    b.prop<&TProgressElem::GetMax, &TProgressElem::SetMax>("Max");
    b.prop<&TProgressElem::GetProgress, &TProgressElem::SetProgress>("Progress");
    b.prop<&TProgressElem::GetText, &TProgressElem::SetText>("Text");
}
ZELTO_IMPLEMENT_CLASS(TProgressElem, TOwnerEntity, "Kordlin_Main")

TProgressController::TProgressController(QProgressBar* bar, QLabel* label, QWidget* busyIndicator,
                                         QObject* parent)
    : QObject(parent), m_bar(bar), m_label(label), m_indicator(busyIndicator) {
    // The label shows names read from map and project files: never taken as markup.
    if (m_label) m_label->setTextFormat(Qt::PlainText);
}

TProgressController::~TProgressController() {
    freeProc();
}

void TProgressController::freeProc() {
    TOwnerEntity* proc = FProc;
    FProc = nullptr;
    if (proc && proc->NoOwners()) delete proc;
}

TOwnerEntity* TProgressController::Proc() {
    if (!FProc) {
        FProc = new TOwnerEntity;
        FProc->SetName(QStringLiteral("Processes"));
    }
    return FProc;
}

void TProgressController::SetProc(TOwnerEntity* proc) {
    if (proc == FProc) return;
    freeProc();
    FProc = proc;
}

TProgressElem* TProgressController::FindProcess(qint64 ID) const {
    if (!FProc || ID == 0) return nullptr;
    return zelto_cast<TProgressElem>(FProc->FindElementName(QString::number(ID)));
}

void TProgressController::SetBarRange(int min, int max) {
    if (m_bar) m_bar->setRange(min, qMax(min, max));
}

void TProgressController::SetBarValue(int value) {
    // Out of range values would be dropped by the bar: they show as the nearest end.
    if (m_bar) m_bar->setValue(qBound(m_bar->minimum(), value, m_bar->maximum()));
}

void TProgressController::OnProgress(qint64 ID, int Event, const QString& Name, const QString& Text,
                                     int MinValue, int MaxValue, int Progress) {
    switch (Event) {
    case tm_StartProgress:
        Zelto_ProgressStart(ID, Name, MinValue, MaxValue, MinValue);
        break;
    case tm_Progress:
        Zelto_Progress(ID, Progress);
        break;
    case tm_MaxProgress:
        Zelto_ProgressMax(ID, MaxValue);
        break;
    case tm_EndProgress:
        Zelto_ProgressEnd(ID);
        break;
    default:
        Zelto_ProgressText(ID, Text);
        break;
    }
}

void TProgressController::Zelto_ProgressStart(qint64 ID, const QString& Name, int Min, int Max,
                                              int Progress) {
    // Without a sender there is nothing to match the later reports with.
    if (ID == 0) return;
    // A process that starts again before it ended keeps its one element: a second one of the
    // same name would never be found again, and would stay after the end.
    TProgressElem* e = FindProcess(ID);
    if (!e) {
        e = new TProgressElem;
        e->SetName(QString::number(ID));
        Proc()->AddElement(e);
    }
    e->F_ID = ID;
    e->F_Name = Name;
    e->FMin = Min;
    e->FMax = Max;
    e->FProgress = Progress;
    e->FText.clear();
    FActiveProgress = ID;
    SetBarRange(Min, Max);
    SetBarValue(Min);
}

void TProgressController::Zelto_Progress(qint64 ID, int Value) {
    TProgressElem* e = FindProcess(ID);
    if (!e) return;
    e->FProgress = Value;
    if (FActiveProgress != ID) {
        FActiveProgress = ID;
        SetBarRange(e->FMin, e->FMax);
    }
    SetBarValue(e->FProgress);
}

void TProgressController::Zelto_ProgressMax(qint64 ID, int Value) {
    TProgressElem* e = FindProcess(ID);
    if (!e) return;
    e->FMax = Value;
    if (FActiveProgress != ID) FActiveProgress = ID;
    // The bar takes the element's whole state: setting the minimum alone could clip the value
    // against the maximum of the process it followed before.
    SetBarRange(e->FMin, e->FMax);
    SetBarValue(e->FProgress);
}

void TProgressController::Zelto_ProgressEnd(qint64 ID) {
    TProgressElem* e = FindProcess(ID);
    if (!e) return;
    Proc()->SetElementToFree(e);
    FActiveProgress = 0;
    SetBarValue(0);
}

void TProgressController::Zelto_ProgressText(qint64 ID, const QString& Text) {
    if (TProgressElem* e = FindProcess(ID)) e->FText = Text;
}

void TProgressController::ShowBusy(const QString& text) {
    m_busy = true;
    if (m_indicator) {
        m_indicator->show();
        m_indicator->raise();
    }
    if (AnimateIndicator) AnimateIndicator(true);
    if (m_label && !text.isNull()) {
        m_label->setText(text);
        m_label->show();
        m_label->raise();
    }
}

void TProgressController::HideBusy() {
    m_busy = false;
    if (AnimateIndicator) AnimateIndicator(false);
    if (m_indicator) m_indicator->hide();
    if (m_label && !m_progressShown) m_label->hide();
}

void TProgressController::ShowProgress(bool visible) {
    m_progressShown = visible;
    for (QWidget* w : {static_cast<QWidget*>(m_label.data()), static_cast<QWidget*>(m_bar.data())}) {
        if (!w) continue;
        w->setVisible(visible);
        if (visible) w->raise();
    }
}

void TProgressController::SetText(const QString& text) {
    if (m_label) m_label->setText(text);
}

} // namespace zelto
