// The map form's progress display: the busy indicator and progress label of long operations, and
// the bookkeeping of the progress reports that tools send through the form's main tool. Each
// running process is a TProgressElem in the owner entity "Processes" (the form's Proc), named by
// the process's identity in decimal; the progress bar follows the process that reported last.
#pragma once

#include "framework/Elements.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QWidget;

namespace zelto {

// One running process.
class TProgressElem : public TOwnerEntity {
    ZELTO_CLASS(TProgressElem, TOwnerEntity)
public:
    qint32 FMax = 0;
    // The identity of the reporting tool: its address, which needs all 64 bits.
    qint64 F_ID = 0;
    qint32 FMin = 0;
    qint32 FProgress = 0;
    QString F_Name;
    QString FText;

    qint64 Get_ID() const { return F_ID; }
    void Set_ID(qint64 v) { F_ID = v; }
    QString Get_Name() const { return F_Name; }
    void Set_Name(const QString& v) { F_Name = v; }
    qint32 GetMin() const { return FMin; }
    void SetMin(qint32 v) { FMin = v; }
    qint32 GetMax() const { return FMax; }
    void SetMax(qint32 v) { FMax = v; }
    qint32 GetProgress() const { return FProgress; }
    void SetProgress(qint32 v) { FProgress = v; }
    QString GetText() const { return FText; }
    void SetText(const QString& v) { FText = v; }
};

class TProgressController : public QObject {
    Q_OBJECT
public:
    // Any of the widgets may be missing. The bar's range and value are kept current whether it
    // is shown or not.
    TProgressController(QProgressBar* bar, QLabel* label, QWidget* busyIndicator, QObject* parent = nullptr);
    ~TProgressController() override;

    // Starts or stops the busy indicator's animation (the indicator widget's own operation).
    std::function<void(bool)> AnimateIndicator;

    // The progress callback of the form's main tool: sender identity, event (the message number
    // 10 to 14), process name, text, minimum, maximum, position.
    void OnProgress(qint64 ID, int Event, const QString& Name, const QString& Text, int MinValue,
                    int MaxValue, int Progress);

    // The bookkeeping steps. A report for an identity without a running process is ignored.
    void Zelto_ProgressStart(qint64 ID, const QString& Name, int Min, int Max, int Progress);
    void Zelto_Progress(qint64 ID, int Value);
    void Zelto_ProgressMax(qint64 ID, int Value);
    void Zelto_ProgressEnd(qint64 ID);
    void Zelto_ProgressText(qint64 ID, const QString& Text);

    // The running processes, created on first use. The controller owns it; SetProc hands it
    // another one (the previous one is freed unless another entity holds it).
    TOwnerEntity* Proc();
    void SetProc(TOwnerEntity* proc);
    // The process the bar follows; 0 when none.
    qint64 ActiveProgress() const { return FActiveProgress; }
    void SetActiveProgress(qint64 id) { FActiveProgress = id; }
    TProgressElem* FindProcess(qint64 ID) const;

    // The busy indicator: shown and animating, with the text in the progress label when one is
    // given; hiding it hides the label as well, unless the progress display is shown.
    void ShowBusy(const QString& text = QString());
    void HideBusy();
    bool IsBusy() const { return m_busy; }

    // The progress display (the label and the bar), shown while a project is being opened; the
    // busy indicator may come and go meanwhile without taking the label with it.
    void ShowProgress(bool visible);
    bool IsProgressShown() const { return m_progressShown; }
    void SetText(const QString& text);
    // The bar's range and value, kept current whether it is shown or not. A value out of the
    // range shows at the nearer end.
    void SetBarRange(int min, int max);
    void SetBarValue(int value);

private:
    void freeProc();

    QPointer<QProgressBar> m_bar;
    QPointer<QLabel> m_label;
    QPointer<QWidget> m_indicator;
    TOwnerEntity* FProc = nullptr;
    qint64 FActiveProgress = 0;
    bool m_busy = false;
    bool m_progressShown = false;
};

} // namespace zelto
