// How the core reports to the user. The core never opens a window: it hands texts to the
// installed notifier. The default one records them (tests read them) and logs them.
#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

namespace zelto {

class Notifier {
public:
    virtual ~Notifier();
    // An informational box that does not stop the work.
    virtual void message(const QString& text) = 0;
    // A modal error box.
    virtual void error(const QString& text) = 0;
    // A line of the processing protocol.
    virtual void protocol(const QString& text) = 0;
};

// Headless notifier: keeps every text (thread-safe) and writes it to the debug log.
class RecordingNotifier : public Notifier {
public:
    void message(const QString& text) override;
    void error(const QString& text) override;
    void protocol(const QString& text) override;

    QStringList messages() const;
    QStringList errors() const;
    QStringList protocols() const;
    // Every text of every kind in arrival order.
    QStringList all() const;
    void clear();

    void setQuiet(bool quiet) { m_quiet = quiet; }

private:
    void record(QStringList& list, const char* kind, const QString& text);
    mutable QMutex m_mutex;
    QStringList m_messages, m_errors, m_protocols, m_all;
    bool m_quiet = true;
};

Notifier& notifier();
// Installs a notifier; nullptr restores the recording default.
void setNotifier(std::unique_ptr<Notifier> n);
// The recording default when it is the one installed, else nullptr.
RecordingNotifier* recordingNotifier();

} // namespace zelto
