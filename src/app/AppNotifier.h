// The notifier of an interactive application: information texts in a message box that does not
// stop the work, errors in a window-modal message box, protocol lines in the log. Every text is
// also kept, as the headless notifier keeps it.
//
// Boxes are made only on the UI thread: every text, from whatever thread, is queued to it, and the
// texts that arrive before its event loop runs again share one box per kind (a damaged file can
// yield hundreds in one go). While that box is still open, later texts of its kind join it. No box
// runs an event loop of its own, so reporting never re-enters the caller. Texts are shown as plain
// text: they come from files.
#pragma once

#include "framework/Notifier.h"

#include <memory>

class QObject;

namespace zelto {

class MessageBoxNotifier : public RecordingNotifier {
public:
    // How many texts a box lists in its main text; it keeps up to DetailLines for its details and
    // counts the rest.
    static constexpr int ListedLines = 10;
    static constexpr int DetailLines = 500;

    MessageBoxNotifier();
    ~MessageBoxNotifier() override;

    void message(const QString& text) override;
    void error(const QString& text) override;

private:
    struct State;
    void post(bool isError, const QString& text);

    std::shared_ptr<State> m_state;
    QObject* m_uiContext = nullptr; // lives on the UI thread; queued flushes die with it
};

// Installs a MessageBoxNotifier; a host that shows the map form to a person calls it once.
void installMessageBoxNotifier();

} // namespace zelto
