#include "Kordlin_MainTool.h"

#include "Kordlin_Main.h"

#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "geometry/e_Geometry.h"
#include "projection/e_Wcs.h"

#include <vector>

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TZeltoMainTool, TTechnology, "Kordlin_Main")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TMainTool, TZeltoMainTool, "Kordlin_Main")

namespace {

// The worlds created by live main tools, oldest first. Only the newest one delivers element
// messages: with two map forms in one process, two subscribed worlds would hand a message
// without receiver to a main tool twice (the first sets the receiver, the second delivers to it
// again).
std::vector<TWCSWorld*>& liveWorlds() {
    static std::vector<TWCSWorld*> worlds;
    return worlds;
}

} // namespace

TZeltoMainTool::TZeltoMainTool() {
    m_world = new TWCSWorld;
    liveWorlds().push_back(m_world);
    World = m_world;
    m_world->SetMainTool(this);
    TWCSWorld* world = m_world;
    m_subscription = TMessageBus::instance().subscribe([world](TElement* sender, TZeltoMessage& message) {
        if (World == world) world->HandleRTLMessage(sender, message);
    });
}

TZeltoMainTool::~TZeltoMainTool() {
    if (m_subscription) TMessageBus::instance().unsubscribe(m_subscription);
    std::erase(liveWorlds(), m_world);
    if (TWCSWorld* world = m_world) {
        m_world = nullptr;
        // This tool is the world's child: take it out without freeing it, then free the world.
        if (world->FMainTool == this) {
            world->RemoveElement(this);
            world->FMainTool = nullptr;
        }
        const bool current = World == world;
        delete world;
        // The previous form's world (if that form still lives) becomes the process's world again.
        if (current) World = liveWorlds().empty() ? nullptr : liveWorlds().back();
    }
}

TWCSWorld* TZeltoMainTool::OwnWorld() const {
    return m_world;
}

void TZeltoMainTool::HandleException(const std::exception& error) {
    if (World)
        World->HandleException(nullptr, error);
    else
        notifier().error(QStringLiteral("World Level Error :") + QString::fromUtf8(error.what()));
}

void TZeltoMainTool::HandleMessage(TZeltoMessage& message, bool& handled) {
    TTechnology::HandleMessage(message, handled);
    const qint64 id = qint64(reinterpret_cast<quintptr>(message.FSender));
    switch (message.FMessage) {
    case tm_Done:
        if (OnDone) OnDone();
        break;
    case tm_AddToProtocol:
        if (!ProtocolOff)
            if (auto* text = zelto_cast<TZeltoTextMessage>(&message)) {
                if (OnProtocol)
                    OnProtocol(text->FMessageText);
                else
                    notifier().protocol(text->FMessageText);
            }
        break;
    case tm_StartProgress:
    case tm_Progress:
    case tm_MaxProgress:
        if (OnProgress)
            if (auto* p = zelto_cast<TProgressMessage>(&message)) {
                OnProgress(id, message.FMessage, p->FProcessName, QString(), p->FMinProgress, p->FMaxProgress,
                           p->FProgress);
                handled = true;
            }
        break;
    case tm_EndProgress:
        if (OnProgress) {
            OnProgress(id, tm_EndProgress, QString(), QString(), 0, 0, 0);
            handled = true;
        }
        break;
    case tm_ProgressText:
        if (OnProgress) {
            auto* text = zelto_cast<TZeltoTextMessage>(&message);
            OnProgress(id, tm_ProgressText, QString(), text ? text->FMessageText : QString(), 0, 0, 0);
            handled = true;
        }
        break;
    case tm_Help:
        if (OnHelp) OnHelp();
        break;
    case tm_About:
        if (OnAbout) OnAbout();
        break;
    default:
        break;
    }
}

void TMainTool::HandleMessage(TZeltoMessage& message, bool& handled) {
    TZeltoMainTool::HandleMessage(message, handled);
    if (!FForm) return;
    switch (message.FMessage) {
    case tm_ReView:
        if (!message.FData)
            FForm->Review();
        else if (zelto_cast<TPolyLineElement>(message.FData))
            FForm->DrawActualRoute();
        else
            FForm->DrawEditedPoint();
        handled = true;
        break;
    case tm_CoordsView:
        FForm->ShowGPSCoords();
        handled = true;
        break;
    case tm_Show:
        handled = true;
        break;
    default:
        break;
    }
}

} // namespace zelto
