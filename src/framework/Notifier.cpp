#include "Notifier.h"

#include <QDebug>
#include <QMutexLocker>

namespace zelto {

Notifier::~Notifier() = default;

void RecordingNotifier::record(QStringList& list, const char* kind, const QString& text) {
    QMutexLocker lock(&m_mutex);
    list.append(text);
    m_all.append(text);
    if (!m_quiet) qInfo().noquote() << kind << text;
}

void RecordingNotifier::message(const QString& text) {
    record(m_messages, "message:", text);
}
void RecordingNotifier::error(const QString& text) {
    record(m_errors, "error:", text);
}
void RecordingNotifier::protocol(const QString& text) {
    record(m_protocols, "protocol:", text);
}

QStringList RecordingNotifier::messages() const {
    QMutexLocker lock(&m_mutex);
    return m_messages;
}
QStringList RecordingNotifier::errors() const {
    QMutexLocker lock(&m_mutex);
    return m_errors;
}
QStringList RecordingNotifier::protocols() const {
    QMutexLocker lock(&m_mutex);
    return m_protocols;
}
QStringList RecordingNotifier::all() const {
    QMutexLocker lock(&m_mutex);
    return m_all;
}
void RecordingNotifier::clear() {
    QMutexLocker lock(&m_mutex);
    m_messages.clear();
    m_errors.clear();
    m_protocols.clear();
    m_all.clear();
}

namespace {
std::unique_ptr<Notifier>& installed() {
    static std::unique_ptr<Notifier> n = std::make_unique<RecordingNotifier>();
    return n;
}
} // namespace

Notifier& notifier() {
    return *installed();
}

void setNotifier(std::unique_ptr<Notifier> n) {
    installed() = n ? std::move(n) : std::make_unique<RecordingNotifier>();
}

RecordingNotifier* recordingNotifier() {
    return dynamic_cast<RecordingNotifier*>(installed().get());
}

} // namespace zelto
