// Application state events: the application went into the background (another app took the
// screen, the device was locked) or became active again. The map form stops drawing while it
// is in the background and redraws once when it comes back.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace zelto::platform {

enum class AppEvent { EnteredBackground, BecameActive };

class AppEventService {
public:
    // Answers whether the event was handled.
    using Handler = std::function<bool(AppEvent)>;

    virtual ~AppEventService();
    // Answers a subscription number for unsubscribe.
    int subscribe(Handler handler);
    void unsubscribe(int id);
    int subscriberCount() const { return int(m_handlers.size()); }

protected:
    // Hands the event to every subscriber in subscription order.
    void dispatch(AppEvent event);

private:
    std::vector<std::pair<int, Handler>> m_handlers;
    int m_nextId = 1;
};

// The GUI application's state changes: suspended or hidden is the background, active the
// foreground. Going inactive (another window of the desktop took the focus) is neither.
class QtAppEventService final : public AppEventService {
public:
    QtAppEventService();
    ~QtAppEventService() override;

private:
    QObject m_context;
};

// Events sent by the test.
class FakeAppEventService final : public AppEventService {
public:
    void send(AppEvent event) { dispatch(event); }
};

// The service in use; none when the platform offers none (no GUI application and nothing
// installed).
AppEventService* appEventService();
// Installs another service; nullptr returns to the platform's.
void setAppEventService(std::unique_ptr<AppEventService> service);

} // namespace zelto::platform
