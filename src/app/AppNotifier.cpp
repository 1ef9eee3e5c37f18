#include "AppNotifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>

namespace zelto {

namespace {

// The texts of one kind: those waiting for the UI thread, or those a box shows.
struct Texts {
    qsizetype count = 0;
    QStringList first; // at most DetailLines of them

    void add(const QString& text) {
        ++count;
        if (first.size() < MessageBoxNotifier::DetailLines) first.append(text);
    }
    void add(const Texts& more) {
        count += more.count;
        for (const QString& t : more.first) {
            if (first.size() >= MessageBoxNotifier::DetailLines) break;
            first.append(t);
        }
    }
};

struct ShownBox {
    QPointer<QMessageBox> box;
    Texts texts;
};

void fillBox(QMessageBox& box, const Texts& texts, bool isError) {
    if (texts.count == 1) {
        box.setText(texts.first.value(0));
        box.setDetailedText(QString());
        return;
    }
    QStringList lines;
    lines << (isError ? QStringLiteral("Chyb: %1") : QStringLiteral("Zpráv: %1")).arg(texts.count);
    lines << texts.first.mid(0, MessageBoxNotifier::ListedLines);
    if (texts.count > MessageBoxNotifier::ListedLines)
        lines << QStringLiteral("… a dalších %1").arg(texts.count - MessageBoxNotifier::ListedLines);
    box.setText(lines.join(QLatin1Char('\n')));
    box.setDetailedText(texts.count > MessageBoxNotifier::ListedLines ? texts.first.join(QLatin1Char('\n'))
                                                                      : QString());
}

} // namespace

struct MessageBoxNotifier::State {
    QMutex mutex;
    Texts pending[2]; // [isError]
    bool flushQueued = false;
    ShownBox shown[2]; // UI thread only

    // On the UI thread: shows what has arrived since the last flush.
    void flush() {
        Texts arrived[2];
        {
            QMutexLocker lock(&mutex);
            std::swap(arrived[0], pending[0]);
            std::swap(arrived[1], pending[1]);
            flushQueued = false;
        }
        for (int isError = 0; isError < 2; ++isError)
            if (arrived[isError].count > 0) show(bool(isError), arrived[isError]);
    }

    void show(bool isError, const Texts& arrived) {
        ShownBox& s = shown[isError];
        if (s.box && s.box->isVisible()) {
            s.texts.add(arrived);
            fillBox(*s.box, s.texts, isError);
            return;
        }
        s.texts = arrived;
        auto* box = new QMessageBox(isError ? QMessageBox::Critical : QMessageBox::Information,
                                    QStringLiteral("MiniZelto"), QString(), QMessageBox::Ok,
                                    QApplication::activeWindow());
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        fillBox(*box, s.texts, isError);
        s.box = box;
        if (isError) {
            box->open(); // window-modal, returns at once
        } else {
            box->setModal(false);
            box->show();
        }
    }
};

MessageBoxNotifier::MessageBoxNotifier() : m_state(std::make_shared<State>()) {
    // Without a widget application (a headless host) the texts are only recorded.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        m_uiContext = new QObject;
        m_uiContext->moveToThread(app->thread());
    }
}

MessageBoxNotifier::~MessageBoxNotifier() {
    if (!m_uiContext) return;
    if (m_uiContext->thread() == QThread::currentThread())
        delete m_uiContext;
    else
        m_uiContext->deleteLater();
}

void MessageBoxNotifier::post(bool isError, const QString& text) {
    if (!m_uiContext) return;
    QMutexLocker lock(&m_state->mutex);
    m_state->pending[isError].add(text);
    if (m_state->flushQueued) return;
    m_state->flushQueued = true;
    // Queued even on the UI thread: what arrives before its event loop runs again joins this box.
    std::weak_ptr<State> state = m_state;
    QMetaObject::invokeMethod(
        m_uiContext,
        [state] {
            if (auto s = state.lock()) s->flush();
        },
        Qt::QueuedConnection);
}

void MessageBoxNotifier::message(const QString& text) {
    RecordingNotifier::message(text);
    post(false, text);
}

void MessageBoxNotifier::error(const QString& text) {
    RecordingNotifier::error(text);
    post(true, text);
}

void installMessageBoxNotifier() {
    setNotifier(std::make_unique<MessageBoxNotifier>());
}

} // namespace zelto
