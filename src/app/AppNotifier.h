// The notifier of an interactive application: information texts in a message box that does not
// stop the work, errors in a modal message box, protocol lines in the log. Every text is also
// kept, as the headless notifier keeps it.
#pragma once

#include "framework/Notifier.h"

namespace zelto {

class MessageBoxNotifier : public RecordingNotifier {
public:
    void message(const QString& text) override;
    void error(const QString& text) override;
};

// Installs a MessageBoxNotifier; a host that shows the map form to a person calls it once.
void installMessageBoxNotifier();

} // namespace zelto
