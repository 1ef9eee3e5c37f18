// The process-wide message bus for element messages. Publication is synchronous on the main
// thread; a worker thread that publishes hands the delivery to the main thread and waits for it.
#pragma once

#include <QMutex>

#include <functional>
#include <vector>

namespace zelto {

class TElement;
class TZeltoMessage;

class TMessageBus {
public:
    using Handler = std::function<void(TElement* publisher, TZeltoMessage& message)>;

    static TMessageBus& instance();

    // Answers a subscription number for unsubscribe.
    int subscribe(Handler handler);
    void unsubscribe(int id);

    // Delivers the message to every subscriber and then destroys it (with its data when its
    // kill flag is set). Takes ownership of the message.
    void publish(TElement* publisher, TZeltoMessage* message);

    // Whether the calling thread is the main (user interface) thread.
    static bool isMainThread();

private:
    TMessageBus() = default;
    void deliver(TElement* publisher, TZeltoMessage* message);

    QMutex m_mutex;
    std::vector<std::pair<int, Handler>> m_handlers;
    int m_nextId = 1;
};

} // namespace zelto
