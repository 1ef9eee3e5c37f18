// Runs a UI script on the map window, for end-to-end tests and for support. The runner is a
// state machine driven by the event loop: every command, and every input event of a command,
// runs from a timer, and the event loop runs in between. Before each input event and after the
// last one it waits until the map is at rest (no redraw running, nothing sliding), so that a
// script gives the same result on a slow and on a fast machine. Input reaches the widgets as it
// would from the window system: mouse, wheel and key events through the window, touch events
// through the platform's touch path.
#pragma once

#include "Script.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

class QPointingDevice;
class QWidget;

namespace zelto {
class TMainForm;
}

namespace zdemo {

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    // `needRedraw`: a project is being opened, and the script waits for its first picture.
    ScriptRunner(zelto::TMainForm& form, const QString& fileName, std::vector<ScriptLine> lines,
                 bool needRedraw, QObject* parent = nullptr);

    // Waits for the map window to be shown and drawn, then runs the script.
    void start();

signals:
    // 0 after the last line or `quit`, 1 at the first failing line (already reported on stderr).
    void finished(int exitCode);

private:
    // One input event (or a short group of them); a reason when it cannot be given.
    using Step = std::function<QString()>;
    // A finger: its id and its position in its window.
    struct Finger {
        int id;
        QPointF at;
    };

    void after(int ms, std::function<void()> next);
    void waitUntilShown(int ticks, int settled);
    void runLine();
    void advance();
    void settleThen(std::function<void()> next, int ticks = 0, int quiet = 0);
    void runSteps();
    void pollFor(const QString& name, int ticks);
    void pollText(const QString& name, const QString& text, int ticks);
    void fail(const QString& reason);
    void finish(int code);

    // Sets up the line's work (steps, a wait or a poll); a reason when the line fails at once.
    QString execute(const ScriptLine& line);
    QString click(QWidget* control);
    // A press and a release where `locate` finds the target (in the window it names).
    void pushClick(std::function<QString(QWidget*& window, QPoint& at)> locate);
    QString mapPoint(double pageX, double pageY, QPointF& inWindow) const;
    QString tap(double pageX, double pageY);
    QString drag(double x1, double y1, double x2, double y2);
    QString pinch(double x, double y, double factor);
    QString wheel(double x, double y, int steps);
    QString typeText(const QString& text);
    QString key(int key);
    QString expect(const QString& name, const QString& text);
    // Taps the entry TEXT of a list or combo; with tickBox, the tick box of a list entry.
    QString select(const QString& name, const QString& text, bool tickBox = false);
    QString quit();

    // A press, move or release (QEventPoint's states) of the map's pointer: a finger or the mouse.
    Step pointer(QPointer<QWidget> window, const QPointF& at, int phase);
    // The input events.
    QString mouse(QWidget* window, int type, const QPointF& at, bool leftHeld);
    QString touch(QWidget* window, const std::vector<Finger>& fingers, int state);
    QString keyEvent(int type, int key, const QString& text);

    zelto::TMainForm& m_form;
    QString m_fileName;
    std::vector<ScriptLine> m_lines;
    bool m_needRedraw;
    size_t m_index = 0;
    std::deque<Step> m_steps;
    QTimer m_timer;
    QTimer m_watchdog;
    std::function<void()> m_next;
    bool m_scheduled = false; // the current line has set up its own continuation
    bool m_running = false;   // the map is shown, the lines run
    bool m_done = false;
    quint64 m_timestamp = 0;
    QPointingDevice* m_touchDevice = nullptr;
};

} // namespace zdemo
