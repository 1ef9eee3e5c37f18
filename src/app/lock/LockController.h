// The display lock of the map form: an almost invisible shield over the whole form that takes
// every touch, so that a device carried in the field does not react to accidental touches. A
// swipe that starts away from the left and top edges and ends in the top left corner opens it.
#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QTimer>

#include <functional>

class QLabel;
class QWidget;

namespace zelto {

// The lock's widgets on the form.
struct TLockWidgets {
    QWidget* LockPanel = nullptr;  // the shield, covering the whole form
    QWidget* LockLayout = nullptr; // the centred lock message
    QLabel* Locktext = nullptr;    // the message's main text
    // The form's timer that takes the message away; unset, the controller uses one of its own.
    QTimer* LockTimer = nullptr;
};

// Builds the shield `LockPanel` and the message `LockLayout` (with `Locktext` and the hint
// "Přejeďte prstem do levého horního rohu") as hidden children of the host.
TLockWidgets BuildLockWidgets(QWidget* host);

class TLockController : public QObject {
    Q_OBJECT
public:
    // A swipe starts only farther than this from the left and the top edge ...
    static constexpr qreal StartDistance = 200;
    // ... and unlocks when it ends nearer than this to both.
    static constexpr qreal CornerSize = 100;
    // Moving farther than this from the start shows that the swipe is being followed.
    static constexpr qreal FollowDistance = 50;
    static constexpr int MessageTime = 2000; // ms

    // `host` is the form (swipe coordinates are the host's); the drawer is disabled while the
    // display is locked. The shield's events are taken through an event filter, so any widget
    // can be the shield.
    TLockController(QWidget* host, const TLockWidgets& widgets, QWidget* drawer = nullptr,
                    QObject* parent = nullptr);
    ~TLockController() override;

    // Closes the drawer before it is disabled; unset, the drawer widget is hidden.
    std::function<void()> CloseDrawer;

    // Locks: closes and disables the drawer, shows the shield and the message for 2 s.
    void LockDisplay();
    bool IsLocked() const;
    bool Unlocking() const { return m_unlocking; }
    QPointF UnlockStart() const { return {m_unlockX, m_unlockY}; }
    QTimer* LockTimer() { return m_timer; }

public slots:
    // The shield's events, in host coordinates.
    void LockPanelClick();
    void LockPanelMouseDown(qreal X, qreal Y);
    void LockPanelMouseMove(qreal X, qreal Y);
    void LockPanelMouseUp(qreal X, qreal Y);
    // The message's time is up: it goes, the shield stays.
    void LockTimerTimer();

signals:
    void displayLocked();
    void displayUnlocked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void showMessage(const QString& text, bool restartTimer);
    QPointF toHost(const QPointF& shieldPos) const;
    void press(const QPointF& shieldPos);
    void move(const QPointF& shieldPos);
    void release(const QPointF& shieldPos);
    void cancel();

    QPointer<QWidget> m_host;
    TLockWidgets m_w;
    QPointer<QWidget> m_drawer;
    QTimer m_ownTimer;
    QPointer<QTimer> m_timer; // the form's, else m_ownTimer
    bool m_unlocking = false;
    qreal m_unlockX = 0, m_unlockY = 0;
    bool m_pressed = false; // a press on the shield waits for its release
    int m_touchId = -1;     // the finger that leads a touch swipe
};

} // namespace zelto
