#include "M_Zelto.h"

#include "Elements.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutexLocker>
#include <QObject>
#include <QThread>

#include <memory>

namespace zelto {

namespace {

// The object whose thread affinity is the main thread; queued calls to it run there.
QObject* mainThreadReceiver() {
    static QObject* receiver = [] {
        auto* o = new QObject;
        if (QCoreApplication* app = QCoreApplication::instance()) o->moveToThread(app->thread());
        return o;
    }();
    return receiver;
}

} // namespace

TMessageBus& TMessageBus::instance() {
    static TMessageBus bus;
    return bus;
}

int TMessageBus::subscribe(Handler handler) {
    QMutexLocker lock(&m_mutex);
    const int id = m_nextId++;
    m_handlers.emplace_back(id, std::move(handler));
    return id;
}

void TMessageBus::unsubscribe(int id) {
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_handlers, [id](const auto& h) { return h.first == id; });
}

bool TMessageBus::isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void TMessageBus::deliver(TElement* publisher, TZeltoMessage* message) {
    std::unique_ptr<TZeltoMessage> owned(message);
    std::vector<Handler> handlers;
    {
        QMutexLocker lock(&m_mutex);
        handlers.reserve(m_handlers.size());
        for (const auto& h : m_handlers) handlers.push_back(h.second);
    }
    for (const Handler& h : handlers) {
        try {
            h(publisher, *owned);
        } catch (...) {
            // Subscribers run arbitrary model code; a subscriber's failure must not reach the
            // sender (the world reports its receivers' failures itself).
        }
    }
}

void TMessageBus::publish(TElement* publisher, TZeltoMessage* message) {
    if (!message) return;
    if (isMainThread()) {
        deliver(publisher, message);
        return;
    }
    QObject* receiver = mainThreadReceiver();
    if (receiver->thread() != QCoreApplication::instance()->thread()) {
        // The receiver was made before the application existed; deliver here as a last resort.
        deliver(publisher, message);
        return;
    }
    QMetaObject::invokeMethod(
        receiver, [this, publisher, message] { deliver(publisher, message); }, Qt::BlockingQueuedConnection);
}

} // namespace zelto
