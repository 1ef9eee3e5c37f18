#include "ScriptRunner.h"

#include "MapAccess.h"
#include "WidgetDump.h"

#include "Forest.h"
#include "Kordlin_Main.h"
#include "platform/Location.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointingDevice>
#include <QTextEdit>
#include <QWindow>
#include <QtGui/qtestsupport_gui.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace zdemo {

namespace {

constexpr int SettlePoll = 10;     // ms between checks that the map is at rest
constexpr int SettleQuiet = 2;     // checks in a row that must find it at rest
constexpr int SettleLimit = 10000; // ms
constexpr int WaitForPoll = 50;
constexpr int WaitForLimit = 10000;
constexpr int ShownPoll = 50;
constexpr int ShownQuiet = 3;
constexpr int ShownLimit = 200;     // polls, 10 s
constexpr int CommandLimit = 60000; // ms a command or an input event may take
constexpr int DragMoves = 10;       // a drag moves in this many steps
constexpr int PinchMoves = 8;

// The touch sequence of the platform's touch path; its constructor is open to subclasses only.
class TouchSequence : public QTest::QTouchEventSequence {
public:
    TouchSequence(QWindow* window, QPointingDevice* device) : QTouchEventSequence(window, device, false) {}
};

bool isShown(QWidget* w) {
    return w->isVisible() && !w->window()->isHidden();
}

// Of several controls, the one in the active window, else the one on the map form; none when
// that still leaves more than one.
QWidget* pickOne(const QList<QWidget*>& candidates, zelto::TMainForm& form) {
    if (candidates.size() == 1) return candidates.first();
    for (QWidget* window : {QApplication::activeWindow(), static_cast<QWidget*>(&form)}) {
        QWidget* found = nullptr;
        int count = 0;
        for (QWidget* w : candidates)
            if (window && w->window() == window) {
                found = w;
                ++count;
            }
        if (count == 1) return found;
    }
    return nullptr;
}

// The shown control of that objectName (and enabled, when asked); otherwise the reason.
QWidget* findControl(zelto::TMainForm& form, const QString& name, bool needEnabled, QString& reason) {
    QList<QWidget*> candidates;
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == name && isShown(w) && (!needEnabled || w->isEnabled())) candidates << w;
    if (candidates.isEmpty()) {
        reason = needEnabled ? QStringLiteral("no visible, enabled control named %1").arg(name)
                             : QStringLiteral("no visible control named %1").arg(name);
        return nullptr;
    }
    QWidget* w = pickOne(candidates, form);
    if (!w) reason = QStringLiteral("%1 visible controls are named %2").arg(candidates.size()).arg(name);
    return w;
}

// A button's text as shown: mnemonic marks gone ("&&" is a shown "&"), blanks trimmed.
QString shownButtonText(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) shown += QLatin1Char('&');
            ++i;
            if (i >= text.size()) break;
            if (text[i] == QLatin1Char('&')) continue;
        }
        shown += text[i];
    }
    return shown.trimmed();
}

bool textOf(QWidget* w, QString& text) {
    if (auto* label = qobject_cast<QLabel*>(w))
        text = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        text = edit->text();
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        text = combo->currentText();
    else if (auto* list = qobject_cast<QListView*>(w))
        text = list->currentIndex().data(Qt::DisplayRole).toString();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        text = plain->toPlainText();
    else if (auto* rich = qobject_cast<QTextEdit*>(w))
        text = rich->toPlainText();
    else
        return false;
    return true;
}

// Where a click at `at` (in the control's window) lands, if not on the control; empty when it
// reaches the control.
QString coveredBy(QWidget* control, const QPoint& at) {
    QWidget* window = control->window();
    if (!window->rect().contains(at))
        return QStringLiteral("%1 lies outside its window").arg(control->objectName());
    QWidget* top = window->childAt(at);
    if (!top) top = window;
    // A control that lets clicks through hands them to what lies under it, its parent included.
    const bool through =
        control->testAttribute(Qt::WA_TransparentForMouseEvents) && top->isAncestorOf(control);
    if (top == control || control->isAncestorOf(top) || through) return QString();
    const QString by =
        top->objectName().isEmpty() ? QString::fromLatin1(top->metaObject()->className()) : top->objectName();
    return QStringLiteral("%1 is covered by %2").arg(control->objectName(), by);
}

// The text a key press carries, for the keys that type something.
QString keyText(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    case Qt::Key_Space:
        return QStringLiteral(" ");
    default:
        return QString();
    }
}

} // namespace

ScriptRunner::ScriptRunner(zelto::TMainForm& form, const QString& fileName, std::vector<ScriptLine> lines,
                           bool needRedraw, QObject* parent)
    : QObject(parent), m_form(form), m_fileName(fileName), m_lines(std::move(lines)),
      m_needRedraw(needRedraw) {
    m_timer.setSingleShot(true);
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(CommandLimit);
    // Fires only inside a command that does not return: a nested event loop (a modal dialog).
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("the command did not return within 60 s (does a modal dialog wait?)"));
    });
    connect(&m_timer, &QTimer::timeout, this, [this] {
        auto next = std::move(m_next);
        m_next = nullptr;
        if (!m_done && next) next();
    });
}

void ScriptRunner::start() {
    after(0, [this] { waitUntilShown(0, 0); });
}

void ScriptRunner::after(int ms, std::function<void()> next) {
    // One continuation at a time: a second one would run two commands at once.
    if (m_timer.isActive()) return fail(QStringLiteral("the script runner lost its place"));
    m_next = std::move(next);
    m_timer.start(ms);
}

void ScriptRunner::waitUntilShown(int ticks, int settled) {
    settled = mapaccess::shown(m_form, m_needRedraw) ? settled + 1 : 0;
    if (settled >= ShownQuiet) {
        m_running = true;
        return runLine();
    }
    if (ticks >= ShownLimit)
        return fail(QStringLiteral("the map window was not shown and drawn within 10 s"));
    after(ShownPoll, [this, ticks, settled] { waitUntilShown(ticks + 1, settled); });
}

void ScriptRunner::runLine() {
    if (m_index >= m_lines.size()) return finish(0);
    m_scheduled = false;
    m_steps.clear();
    m_watchdog.start();
    const QString reason = execute(m_lines[m_index]);
    m_watchdog.stop();
    if (m_done) return;
    if (!reason.isEmpty()) return fail(reason);
    if (!m_steps.empty()) return runSteps();
    if (!m_scheduled) after(0, [this] { advance(); });
}

void ScriptRunner::advance() {
    ++m_index;
    runLine();
}

void ScriptRunner::settleThen(std::function<void()> next, int ticks, int quiet) {
    quiet = mapaccess::idle(m_form) ? quiet + 1 : 0;
    if (quiet >= SettleQuiet) return after(0, std::move(next));
    if (ticks * SettlePoll >= SettleLimit)
        return fail(QStringLiteral("the map did not come to rest within 10 s"));
    after(SettlePoll, [this, next = std::move(next), ticks, quiet]() mutable {
        settleThen(std::move(next), ticks + 1, quiet);
    });
}

void ScriptRunner::runSteps() {
    m_scheduled = true;
    if (m_steps.empty()) return settleThen([this] { advance(); });
    settleThen([this] {
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        m_watchdog.start();
        const QString reason = step();
        m_watchdog.stop();
        if (m_done) return;
        if (!reason.isEmpty()) return fail(reason);
        runSteps();
    });
}

void ScriptRunner::pollFor(const QString& name, int ticks) {
    QString reason;
    if (findControl(m_form, name, false, reason)) return advance();
    if (ticks * WaitForPoll >= WaitForLimit)
        return fail(QStringLiteral("no visible control named %1 within 10 s").arg(name));
    after(WaitForPoll, [this, name, ticks] { pollFor(name, ticks + 1); });
}

void ScriptRunner::pollText(const QString& name, const QString& text, int ticks) {
    const QString mismatch = expect(name, text);
    if (mismatch.isEmpty()) return advance();
    if (ticks * WaitForPoll >= WaitForLimit) return fail(mismatch + QStringLiteral(" after 10 s"));
    after(WaitForPoll, [this, name, text, ticks] { pollText(name, text, ticks + 1); });
}

void ScriptRunner::fail(const QString& reason) {
    // Before the first line runs, the failure is the map's, not a line's.
    const QString where = m_running && m_index < m_lines.size()
                              ? QStringLiteral("%1:%2").arg(m_fileName).arg(m_lines[m_index].number)
                              : m_fileName;
    std::fprintf(stderr, "zelto-demo: %s: %s\n", qPrintable(where), qPrintable(reason));
    finish(1);
}

void ScriptRunner::finish(int code) {
    if (m_done) return;
    m_done = true;
    m_timer.stop();
    m_watchdog.stop();
    emit finished(code);
}

// ---- the commands -----------------------------------------------------------------------------

QString ScriptRunner::execute(const ScriptLine& line) {
    const std::vector<double>& n = line.numbers;
    switch (line.op) {
    case ScriptOp::Click: {
        QString reason;
        QWidget* control = findControl(m_form, line.name, true, reason);
        return control ? click(control) : reason;
    }
    case ScriptOp::Press: {
        QList<QWidget*> candidates;
        for (QWidget* w : QApplication::allWidgets())
            if (auto* b = qobject_cast<QAbstractButton*>(w);
                b && isShown(b) && b->isEnabled() && shownButtonText(b->text()) == line.text.trimmed())
                candidates << b;
        if (candidates.isEmpty())
            return QStringLiteral("no visible, enabled button reads \"%1\"").arg(line.text);
        QWidget* button = pickOne(candidates, m_form);
        if (!button)
            return QStringLiteral("%1 visible buttons read \"%2\"").arg(candidates.size()).arg(line.text);
        return click(button);
    }
    case ScriptOp::Tap:
        return tap(n[0], n[1]);
    case ScriptOp::TapModel: {
        const std::optional<QPointF> page = mapaccess::modelToPage(m_form, n[0], n[1]);
        if (!page) return QStringLiteral("the map has no view (no project is open)");
        return tap(page->x(), page->y());
    }
    case ScriptOp::Drag:
        return drag(n[0], n[1], n[2], n[3]);
    case ScriptOp::Pinch:
        return pinch(n[0], n[1], n[2]);
    case ScriptOp::Wheel:
        return wheel(n[0], n[1], int(n[2]));
    case ScriptOp::Type:
        return typeText(line.text);
    case ScriptOp::Key:
        return key(int(n[0]));
    case ScriptOp::Wait:
        m_scheduled = true;
        after(int(n[0]), [this] { advance(); });
        return QString();
    case ScriptOp::WaitFor:
        m_scheduled = true;
        // From the event loop: found at once, the next line must not start inside this one.
        after(0, [this, name = line.name] { pollFor(name, 0); });
        return QString();
    case ScriptOp::WaitText:
        m_scheduled = true;
        after(0, [this, name = line.name, text = line.text] { pollText(name, text, 0); });
        return QString();
    case ScriptOp::Expect:
        return expect(line.name, line.text);
    case ScriptOp::Select:
        return select(line.name, line.text);
    case ScriptOp::Tick:
        return select(line.name, line.text, true);
    case ScriptOp::Gps: {
        // A position as the receiver would report it: only while the GPS is on, and through the
        // trigger distance like every other position.
        zelto::platform::LocationSource* source = zelto::platform::locationSource();
        if (!source || !source->active()) return QStringLiteral("the GPS is off");
        source->inject(n[0], n[1]);
        return QString();
    }
    case ScriptOp::FindUnit:
        if (!m_form.Forest().LHC()) return QStringLiteral("the project's forest data are not read");
        m_form.Forest().FindForest(n[0], n[1], true);
        return QString();
    case ScriptOp::Screenshot:
        if (!m_form.grab().save(line.text, "PNG")) return QStringLiteral("cannot write %1").arg(line.text);
        return QString();
    case ScriptOp::WindowShot:
        for (QWidget* window : componentWindows(&m_form))
            if (window->isVisible() && window->objectName() == line.name) {
                if (!window->grab().save(line.text, "PNG"))
                    return QStringLiteral("cannot write %1").arg(line.text);
                return QString();
            }
        return QStringLiteral("no visible window named %1").arg(line.name);
    case ScriptOp::Dump: {
        QFile out(line.text);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            out.write(dumpWidgets(componentWindows(&m_form))) < 0 || !out.flush())
            return QStringLiteral("cannot write %1: %2").arg(line.text, out.errorString());
        return QString();
    }
    case ScriptOp::Quit:
        return quit();
    }
    return QStringLiteral("command not handled");
}

QString ScriptRunner::click(QWidget* control) {
    QPointer<QWidget> target = control;
    const QString name = control->objectName();
    pushClick([target, name](QWidget*& window, QPoint& at) {
        if (!target || !isShown(target) || !target->isEnabled())
            return QStringLiteral("%1 is no longer visible and enabled").arg(name);
        window = target->window();
        at = target->mapTo(window, target->rect().center());
        return coveredBy(target, at);
    });
    return QString();
}

void ScriptRunner::pushClick(std::function<QString(QWidget*& window, QPoint& at)> locate) {
    // Where the target lies is found when the press is due (the map is at rest then); the
    // release comes at the same place.
    auto pressed = std::make_shared<std::pair<QPointer<QWidget>, QPoint>>();
    m_steps.push_back([this, locate = std::move(locate), pressed] {
        QWidget* window = nullptr;
        QPoint at;
        if (QString reason = locate(window, at); !reason.isEmpty()) return reason;
        *pressed = {window, at};
        return mouse(window, QEvent::MouseButtonPress, at, true);
    });
    m_steps.push_back([this, pressed] {
        return mouse(pressed->first, QEvent::MouseButtonRelease, pressed->second, false);
    });
}

QString ScriptRunner::mapPoint(double pageX, double pageY, QPointF& inWindow) const {
    QWidget* overlay = mapaccess::overlay(m_form);
    if (!overlay || !isShown(overlay)) return QStringLiteral("the map is not shown");
    const double ratio = mapaccess::pageRatio(m_form);
    const QPointF local(pageX / ratio, pageY / ratio);
    if (local.x() < 0 || local.y() < 0 || local.x() >= overlay->width() || local.y() >= overlay->height())
        return QStringLiteral("%1 %2 lies outside the map (%3 x %4 page pixels)")
            .arg(pageX)
            .arg(pageY)
            .arg(std::lround(overlay->width() * ratio))
            .arg(std::lround(overlay->height() * ratio));
    inWindow = overlay->mapTo(overlay->window(), local);
    return QString();
}

ScriptRunner::Step ScriptRunner::pointer(QPointer<QWidget> window, const QPointF& at, int phase) {
    // One finger when the map takes touch, else the mouse's left button.
    const bool touchInput = mapaccess::takesTouch(m_form);
    return [this, window, touchInput, at, phase] {
        if (touchInput) return touch(window, {{0, at}}, phase);
        const int type = phase == QEventPoint::Pressed    ? QEvent::MouseButtonPress
                         : phase == QEventPoint::Released ? QEvent::MouseButtonRelease
                                                          : QEvent::MouseMove;
        return mouse(window, type, at, phase != QEventPoint::Released);
    };
}

QString ScriptRunner::tap(double pageX, double pageY) {
    QPointF at;
    if (QString reason = mapPoint(pageX, pageY, at); !reason.isEmpty()) return reason;
    QPointer<QWidget> window = mapaccess::overlay(m_form)->window();
    m_steps.push_back(pointer(window, at, QEventPoint::Pressed));
    m_steps.push_back(pointer(window, at, QEventPoint::Released));
    return QString();
}

QString ScriptRunner::drag(double x1, double y1, double x2, double y2) {
    QPointF from, to;
    if (QString reason = mapPoint(x1, y1, from); !reason.isEmpty()) return reason;
    if (QString reason = mapPoint(x2, y2, to); !reason.isEmpty()) return reason;
    QPointer<QWidget> window = mapaccess::overlay(m_form)->window();
    m_steps.push_back(pointer(window, from, QEventPoint::Pressed));
    for (int k = 1; k <= DragMoves; ++k)
        m_steps.push_back(
            pointer(window, from + (to - from) * (double(k) / DragMoves), QEventPoint::Updated));
    m_steps.push_back(pointer(window, to, QEventPoint::Released));
    return QString();
}

QString ScriptRunner::pinch(double x, double y, double factor) {
    if (!mapaccess::takesTouch(m_form))
        return QStringLiteral("the map takes the mouse, not touch gestures (start zelto-demo with --touch)");
    // Fingers start 100 page pixels apart to spread, 400 to pinch, side by side around the centre.
    const double start = factor >= 1 ? 100 : 400;
    const double end = start * factor;
    std::vector<QPointF> left, right; // in the window, for each frame
    for (int k = 0; k <= PinchMoves; ++k) {
        const double half = (start + (end - start) * k / PinchMoves) / 2;
        QPointF a, b;
        if (!mapPoint(x - half, y, a).isEmpty() || !mapPoint(x + half, y, b).isEmpty())
            return QStringLiteral("a pinch by %1 at %2 %3 does not fit on the map").arg(factor).arg(x).arg(y);
        left.push_back(a);
        right.push_back(b);
    }
    QPointer<QWidget> window = mapaccess::overlay(m_form)->window();
    for (int k = 0; k <= PinchMoves + 1; ++k) {
        const int frame = std::min(k, PinchMoves);
        const int state = k == 0           ? QEventPoint::Pressed
                          : k > PinchMoves ? QEventPoint::Released
                                           : QEventPoint::Updated;
        std::vector<Finger> fingers{{0, left[size_t(frame)]}, {1, right[size_t(frame)]}};
        m_steps.push_back([this, window, fingers, state] { return touch(window, fingers, state); });
    }
    return QString();
}

QString ScriptRunner::wheel(double x, double y, int steps) {
    QPointF at;
    if (QString reason = mapPoint(x, y, at); !reason.isEmpty()) return reason;
    QPointer<QWidget> window = mapaccess::overlay(m_form)->window();
    const int notch = steps > 0 ? 120 : -120;
    for (int i = 0; i < std::abs(steps); ++i)
        m_steps.push_back([window, at, notch]() -> QString {
            if (!window || !window->windowHandle()) return QStringLiteral("the map window went away");
            QWheelEvent e(at, window->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(window->windowHandle(), &e);
            return QString();
        });
    return QString();
}

QString ScriptRunner::typeText(const QString& text) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return QStringLiteral("no control has the keyboard focus");
    m_steps.push_back([this, text] {
        for (const char32_t c : text.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            const int code = c < 0x80 ? int(QChar(c).toUpper().unicode()) : int(Qt::Key_unknown);
            if (QString r = keyEvent(QEvent::KeyPress, code, one); !r.isEmpty()) return r;
            if (QString r = keyEvent(QEvent::KeyRelease, code, one); !r.isEmpty()) return r;
        }
        return QString();
    });
    return QString();
}

QString ScriptRunner::key(int code) {
    m_steps.push_back([this, code] { return keyEvent(QEvent::KeyPress, code, keyText(code)); });
    m_steps.push_back([this, code] { return keyEvent(QEvent::KeyRelease, code, keyText(code)); });
    return QString();
}

QString ScriptRunner::expect(const QString& name, const QString& text) {
    QString reason;
    QWidget* control = findControl(m_form, name, false, reason);
    if (!control) return reason;
    QString shown;
    if (!textOf(control, shown))
        return QStringLiteral("%1 (%2) shows no text")
            .arg(name, QString::fromLatin1(control->metaObject()->className()));
    if (shown != text) return QStringLiteral("%1 reads \"%2\", not \"%3\"").arg(name, shown, text);
    return QString();
}

QString ScriptRunner::select(const QString& name, const QString& text, bool tickBox) {
    QString reason;
    QWidget* control = findControl(m_form, name, true, reason);
    if (!control) return reason;
    const QString wanted = text.trimmed();
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && !tickBox) {
        int index = -1;
        for (int i = 0; i < combo->count() && index < 0; ++i)
            if (combo->itemText(i).trimmed() == wanted) index = i;
        if (index < 0) return QStringLiteral("%1 has no entry \"%2\"").arg(name, wanted);
        // The user's way: the list drops down, the entry becomes current and is taken with Return,
        // which the combo reports as an activation.
        QPointer<QComboBox> target = combo;
        m_steps.push_back([target, name]() -> QString {
            if (!target || !isShown(target) || !target->isEnabled())
                return QStringLiteral("%1 is no longer visible and enabled").arg(name);
            if (const QString covered =
                    coveredBy(target, target->mapTo(target->window(), target->rect().center()));
                !covered.isEmpty())
                return covered;
            target->showPopup();
            return target->view()->isVisible() ? QString() : QStringLiteral("%1 did not drop down").arg(name);
        });
        m_steps.push_back([target, name, index]() -> QString {
            if (!target || !target->view()->isVisible())
                return QStringLiteral("the list of %1 closed").arg(name);
            QAbstractItemView* view = target->view();
            view->setCurrentIndex(
                target->model()->index(index, target->modelColumn(), target->rootModelIndex()));
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            QCoreApplication::sendEvent(view, &press);
            if (view->isVisible()) QCoreApplication::sendEvent(view, &release);
            return QString();
        });
        return QString();
    }
    auto* list = qobject_cast<QListView*>(control);
    if (!list) return QStringLiteral("%1 is neither a list nor a combo").arg(name);
    if (tickBox) {
        // The entry must have a tick box.
        QAbstractItemModel* m = list->model();
        for (int row = 0; m && row < m->rowCount(list->rootIndex()); ++row) {
            const QModelIndex index = m->index(row, list->modelColumn(), list->rootIndex());
            if (!list->isRowHidden(row) && index.data(Qt::DisplayRole).toString().trimmed() == wanted &&
                !(index.flags() & Qt::ItemIsUserCheckable))
                return QStringLiteral("the entry \"%1\" of %2 has no tick box").arg(wanted, name);
        }
    }
    QAbstractItemModel* model = list->model();
    QModelIndex entry;
    for (int row = 0; model && row < model->rowCount(list->rootIndex()) && !entry.isValid(); ++row) {
        const QModelIndex index = model->index(row, list->modelColumn(), list->rootIndex());
        if (!list->isRowHidden(row) && index.data(Qt::DisplayRole).toString().trimmed() == wanted)
            entry = index;
    }
    if (!entry.isValid()) return QStringLiteral("%1 shows no entry \"%2\"").arg(name, wanted);
    if (!(entry.flags() & Qt::ItemIsEnabled))
        return QStringLiteral("the entry \"%1\" of %2 is disabled").arg(wanted, name);
    QPointer<QListView> target = list;
    const QPersistentModelIndex row(entry);
    pushClick([target, row, name, wanted, tickBox](QWidget*& window, QPoint& at) {
        if (!target || !isShown(target) || !row.isValid())
            return QStringLiteral("the entry \"%1\" of %2 went away").arg(wanted, name);
        // Scrolled into view first, as the user would.
        target->scrollTo(row);
        QWidget* viewport = target->viewport();
        window = viewport->window();
        QRect place = target->visualRect(row);
        if (tickBox) {
            // Where the style puts an item's tick box: at the row's leading edge.
            QStyleOptionViewItem option;
            option.initFrom(target);
            option.rect = place;
            option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                              QStyleOptionViewItem::HasDecoration;
            place = target->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, target);
        }
        at = viewport->mapTo(window, place.center());
        const QString covered = coveredBy(viewport, at);
        return covered.isEmpty() ? covered
                                 : QStringLiteral("the entry \"%1\" of %2: %3").arg(wanted, name, covered);
    });
    return QString();
}

QString ScriptRunner::quit() {
    m_scheduled = true;
    // close() asks the window as its close button does; it may refuse (and keep the map open).
    if (!m_form.close()) return QStringLiteral("the map window refused to close");
    finish(0);
    return QString();
}

// ---- the input events -------------------------------------------------------------------------

QString ScriptRunner::mouse(QWidget* window, int type, const QPointF& at, bool leftHeld) {
    if (!window || !window->windowHandle() || !window->isVisible())
        return QStringLiteral("the window went away");
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(QEvent::Type(type), at, at, window->mapToGlobal(at), button,
                  leftHeld ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier,
                  QPointingDevice::primaryPointingDevice());
    // A press on a window that is not the active one activates it, as the window system does (a
    // window closed before, such as the file chooser, leaves none active).
    if (type == QEvent::MouseButtonPress && QGuiApplication::focusWindow() != window->windowHandle())
        window->activateWindow();
    // Far apart in time: two taps at one place are two taps, not a double click.
    m_timestamp += 1000;
    e.setTimestamp(m_timestamp);
    // Through the window, as from the window system: it finds the widget under the point and
    // keeps the one that took the press until the release.
    QCoreApplication::sendEvent(window->windowHandle(), &e);
    return QString();
}

QString ScriptRunner::touch(QWidget* window, const std::vector<Finger>& fingers, int state) {
    if (!window || !window->windowHandle() || !window->isVisible())
        return QStringLiteral("the window went away");
    if (!m_touchDevice) {
        // Registered with the platform; the runner owns it (it unregisters when destroyed).
        m_touchDevice = QTest::createTouchDevice();
        m_touchDevice->setParent(this);
    }
    QWindow* handle = window->windowHandle();
    TouchSequence sequence(handle, m_touchDevice);
    for (const Finger& f : fingers) {
        const QPoint at = f.at.toPoint();
        if (state == QEventPoint::Pressed)
            sequence.press(f.id, at, handle);
        else if (state == QEventPoint::Released)
            sequence.release(f.id, at, handle);
        else
            sequence.move(f.id, at, handle);
    }
    // Delivered at once; the runner's timers, not this call, let the event loop run.
    sequence.commit(false);
    return QString();
}

QString ScriptRunner::keyEvent(int type, int key, const QString& text) {
    QWindow* window = QGuiApplication::focusWindow();
    if (!window) window = m_form.windowHandle();
    if (!window) return QStringLiteral("no window takes the keyboard");
    QKeyEvent e(QEvent::Type(type), key, Qt::NoModifier, text);
    // The window hands it to its focused control (or to a dropped-down list).
    QCoreApplication::sendEvent(window, &e);
    return QString();
}

} // namespace zdemo
