#include "LockController.h"

#include "dialogs/PartsLook.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTouchEvent>
#include <QVBoxLayout>
#include <QWidget>

namespace zelto {

namespace {

const QString LockedText = QStringLiteral("Displej je uzamčen !");
const QString UnlockingText = QStringLiteral("Odemykání ...");
const QString UnlockedText = QStringLiteral("Odemčeno !");
constexpr int MessageWidth = 425, MessageHeight = 249;

} // namespace

TLockWidgets BuildLockWidgets(QWidget* host) {
    TLockWidgets w;
    // The shield: a faint veil over the form (opacity 0.1), so that the user sees that something
    // covers the map.
    auto* shield = new parts::TBox(host);
    shield->setFill(QColor(0, 0, 0, 26));
    shield->setObjectName(QStringLiteral("LockPanel"));
    shield->setGeometry(host->rect());
    shield->hide();
    w.LockPanel = shield;

    auto* message = new QWidget(host);
    message->setObjectName(QStringLiteral("LockLayout"));
    message->setFixedSize(MessageWidth, MessageHeight);
    message->setAttribute(Qt::WA_TransparentForMouseEvents);
    message->hide();
    auto* callout = new parts::TBox(message);
    callout->setObjectName(QStringLiteral("LockCallout"));
    QColor calloutFill = parts::surfaceColor();
    calloutFill.setAlpha(170); // half-transparent: the map shows through
    callout->setFill(calloutFill);
    callout->setRadius(24);
    callout->setGeometry(0, 0, MessageWidth, MessageHeight);

    auto* text = new QLabel(QStringLiteral("Displej je uzamčen!"), callout);
    text->setObjectName(QStringLiteral("Locktext"));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    // The size is in the label's own style sheet: a host's style sheet would override a font.
    text->setStyleSheet(
        QStringLiteral("color: #ffffff; background: transparent; font-size: 38pt; font-weight: bold;"));
    auto* glow = new QGraphicsDropShadowEffect(text);
    glow->setColor(QColor(255, 255, 255, 170));
    glow->setBlurRadius(18);
    glow->setOffset(0, 0);
    text->setGraphicsEffect(glow);
    w.Locktext = text;

    auto* arrow = new QLabel(callout);
    arrow->setObjectName(QStringLiteral("LockSwipeGlyph"));
    arrow->setPixmap(parts::iconPixmap(parts::IconKind::SwipeToCorner, 28, 3.0, parts::accentColor()));
    arrow->setFixedSize(28, 28);
    auto* hint = new QLabel(QStringLiteral("Přejeďte prstem do levého horního rohu"), callout);
    hint->setObjectName(QStringLiteral("LockHint"));
    hint->setStyleSheet(QStringLiteral("color: %1; background: transparent; font-size: 16px;")
                            .arg(parts::dimTextColor().name()));

    auto* hintRow = new QHBoxLayout;
    hintRow->addStretch(1);
    hintRow->addWidget(arrow);
    hintRow->addWidget(hint);
    hintRow->addStretch(1);
    auto* layout = new QVBoxLayout(callout);
    layout->setContentsMargins(20, 16, 20, 18);
    layout->addWidget(text, 1);
    layout->addLayout(hintRow);
    w.LockLayout = message;
    return w;
}

TLockController::TLockController(QWidget* host, const TLockWidgets& widgets, QWidget* drawer, QObject* parent)
    : QObject(parent), m_host(host), m_w(widgets), m_drawer(drawer),
      m_timer(widgets.LockTimer ? widgets.LockTimer : &m_ownTimer) {
    m_timer->setInterval(MessageTime);
    connect(m_timer, &QTimer::timeout, this, &TLockController::LockTimerTimer);
    if (m_w.LockPanel) {
        m_w.LockPanel->setAttribute(Qt::WA_AcceptTouchEvents);
        m_w.LockPanel->installEventFilter(this);
    }
    if (m_host) m_host->installEventFilter(this);
    place();
}

TLockController::~TLockController() {
    if (m_w.LockPanel) m_w.LockPanel->removeEventFilter(this);
    if (m_host) m_host->removeEventFilter(this);
}

bool TLockController::IsLocked() const {
    return m_w.LockPanel && !m_w.LockPanel->isHidden();
}

void TLockController::place() {
    if (!m_host) return;
    if (m_w.LockPanel && m_w.LockPanel->parentWidget() == m_host) m_w.LockPanel->setGeometry(m_host->rect());
    if (m_w.LockLayout && m_w.LockLayout->parentWidget() == m_host) {
        const QSize size = m_w.LockLayout->size();
        m_w.LockLayout->move((m_host->width() - size.width()) / 2, (m_host->height() - size.height()) / 2);
    }
}

void TLockController::showMessage(const QString& text, bool restartTimer) {
    if (!text.isNull() && m_w.Locktext) m_w.Locktext->setText(text);
    if (m_w.LockLayout) {
        m_w.LockLayout->show();
        m_w.LockLayout->raise();
    }
    if (restartTimer && m_timer) m_timer->start();
}

void TLockController::LockDisplay() {
    if (m_drawer) {
        if (CloseDrawer)
            CloseDrawer();
        else
            m_drawer->hide();
        m_drawer->setEnabled(false);
    }
    m_unlocking = false;
    m_pressed = false;
    place();
    if (m_w.LockPanel) {
        m_w.LockPanel->show();
        m_w.LockPanel->raise();
    }
    showMessage(LockedText, true);
    emit displayLocked();
}

void TLockController::LockTimerTimer() {
    if (m_w.LockLayout) m_w.LockLayout->hide();
    if (m_timer) m_timer->stop();
}

void TLockController::LockPanelClick() {
    showMessage(QString(), true);
}

void TLockController::LockPanelMouseDown(qreal X, qreal Y) {
    if (X > StartDistance && Y > StartDistance) {
        m_unlocking = true;
        m_unlockX = X;
        m_unlockY = Y;
    }
}

void TLockController::LockPanelMouseMove(qreal X, qreal Y) {
    if (m_unlocking && (qAbs(X - m_unlockX) > FollowDistance || qAbs(Y - m_unlockY) > FollowDistance))
        showMessage(UnlockingText, false);
}

void TLockController::LockPanelMouseUp(qreal X, qreal Y) {
    if (m_unlocking && X < CornerSize && Y < CornerSize) {
        if (m_w.LockPanel) m_w.LockPanel->hide();
        showMessage(UnlockedText, true);
        m_unlocking = false;
        if (m_drawer) m_drawer->setEnabled(true);
        emit displayUnlocked();
    } else {
        if (m_w.Locktext) m_w.Locktext->setText(LockedText);
        m_unlocking = false;
    }
}

QPointF TLockController::toHost(const QPointF& shieldPos) const {
    if (!m_host || !m_w.LockPanel || m_w.LockPanel == m_host.data()) return shieldPos;
    return m_w.LockPanel->mapTo(m_host.data(), shieldPos);
}

void TLockController::press(const QPointF& shieldPos) {
    m_pressed = true;
    const QPointF p = toHost(shieldPos);
    LockPanelMouseDown(p.x(), p.y());
}

void TLockController::move(const QPointF& shieldPos) {
    if (!m_pressed) return;
    const QPointF p = toHost(shieldPos);
    LockPanelMouseMove(p.x(), p.y());
}

void TLockController::release(const QPointF& shieldPos) {
    if (!m_pressed) return;
    m_pressed = false;
    const QPointF p = toHost(shieldPos);
    LockPanelMouseUp(p.x(), p.y());
    // A press and release on the shield is also a tap; once unlocked there is nothing to tap.
    if (IsLocked()) LockPanelClick();
}

void TLockController::cancel() {
    // The system took the touch away (a gesture of its own, a call): no swipe, no tap.
    m_pressed = false;
    if (m_unlocking && m_w.Locktext) m_w.Locktext->setText(LockedText);
    m_unlocking = false;
}

bool TLockController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_host.data() && event->type() == QEvent::Resize) {
        place();
        return false;
    }
    if (!m_w.LockPanel || watched != m_w.LockPanel) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) press(e->position());
        return true;
    }
    case QEvent::MouseMove:
        move(static_cast<QMouseEvent*>(event)->position());
        return true;
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) release(e->position());
        return true;
    }
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: {
        auto* e = static_cast<QTouchEvent*>(event);
        e->accept();
        if (e->points().isEmpty()) return true;
        // The first finger leads the swipe; further fingers are ignored.
        if (event->type() == QEvent::TouchBegin) {
            const QEventPoint& first = e->points().first();
            m_touchId = first.id();
            press(first.position());
            return true;
        }
        for (const QEventPoint& point : e->points()) {
            if (point.id() != m_touchId) continue;
            if (event->type() == QEvent::TouchEnd || point.state() == QEventPoint::Released)
                release(point.position());
            else
                move(point.position());
        }
        return true;
    }
    case QEvent::TouchCancel:
        cancel();
        return true;
    case QEvent::Wheel:
        return true; // the map under the shield does not zoom either
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace zelto
