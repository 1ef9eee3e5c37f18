#include "AppEvents.h"

#include <QGuiApplication>

#include <algorithm>

namespace zelto::platform {

AppEventService::~AppEventService() = default;

int AppEventService::subscribe(Handler handler) {
    const int id = m_nextId++;
    m_handlers.emplace_back(id, std::move(handler));
    return id;
}

void AppEventService::unsubscribe(int id) {
    std::erase_if(m_handlers, [id](const auto& h) { return h.first == id; });
}

void AppEventService::dispatch(AppEvent event) {
    // A handler may unsubscribe (a form closing on the event): walk a copy.
    const auto handlers = m_handlers;
    for (const auto& [id, handler] : handlers)
        if (handler) handler(event);
}

QtAppEventService::QtAppEventService() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    QObject::connect(app, &QGuiApplication::applicationStateChanged, &m_context,
                     [this](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationSuspended || state == Qt::ApplicationHidden)
                             dispatch(AppEvent::EnteredBackground);
                         else if (state == Qt::ApplicationActive)
                             dispatch(AppEvent::BecameActive);
                     });
}

QtAppEventService::~QtAppEventService() = default;

namespace {

struct Installed {
    std::unique_ptr<AppEventService> service;
    bool platformTried = false;
};

Installed& installed() {
    static Installed s;
    return s;
}

} // namespace

AppEventService* appEventService() {
    Installed& s = installed();
    if (!s.service && !s.platformTried && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        s.platformTried = true;
        s.service = std::make_unique<QtAppEventService>();
    }
    return s.service.get();
}

void setAppEventService(std::unique_ptr<AppEventService> service) {
    Installed& s = installed();
    s.service = std::move(service);
    s.platformTried = s.service != nullptr;
}

} // namespace zelto::platform
