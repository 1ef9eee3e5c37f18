// The texts posted as protocol lines (message 8) while it lives.
#pragma once

#include "framework/M_Zelto.h"

#include <QStringList>

namespace zelto::testing {

class ProtocolCatcher {
public:
    ProtocolCatcher() {
        m_id = TMessageBus::instance().subscribe([this](TElement*, TZeltoMessage& m) {
            if (m.FMessage != tm_AddToProtocol) return;
            if (auto* t = zelto_cast<TZeltoTextMessage>(&m)) m_texts << t->GetMessageText();
        });
    }
    ~ProtocolCatcher() { TMessageBus::instance().unsubscribe(m_id); }
    ProtocolCatcher(const ProtocolCatcher&) = delete;
    ProtocolCatcher& operator=(const ProtocolCatcher&) = delete;
    const QStringList& texts() const { return m_texts; }

private:
    int m_id = 0;
    QStringList m_texts;
};

} // namespace zelto::testing
