// The main tool of the map application: the tool to which the world delivers every element
// message that names no receiver. Creating it creates the process's world.
#pragma once

#include "framework/Tools.h"

#include <QString>

#include <exception>
#include <functional>

namespace zelto {

class TWCSWorld;
class TMainForm;

// The application's main tool as the tool framework knows it: it owns the world it creates,
// turns progress reports (10 to 14) into calls of the progress callback and protocol texts (8)
// into calls of the protocol callback.
class TZeltoMainTool : public TTechnology {
    ZELTO_CLASS(TZeltoMainTool, TTechnology)
public:
    // Sender identity, event (the message number), process name, text, minimum, maximum, position.
    using ProgressCallback = std::function<void(qint64 id, int event, const QString& name,
                                                const QString& text, int min, int max, int progress)>;
    using ProtocolCallback = std::function<void(const QString& text)>;
    using HookCallback = std::function<void()>;

    ProgressCallback OnProgress;
    ProtocolCallback OnProtocol;
    HookCallback OnDone, OnHelp, OnAbout;
    bool ProtocolOff = false;

    // Creates a new world (a coordinate-system world with a fresh colour palette), makes it the
    // process's world with this tool as its main tool, and subscribes it to element messages.
    TZeltoMainTool();
    // Frees the world it created (and so leaves it as the process's world no longer).
    ~TZeltoMainTool() override;

    void HandleMessage(TZeltoMessage& message, bool& handled) override;

    // The world this tool created; none once it was freed elsewhere.
    TWCSWorld* OwnWorld() const;
    // Shows an error that escaped a handler of the application through the world.
    static void HandleException(const std::exception& error);

private:
    TWCSWorld* m_world = nullptr;
    int m_subscription = 0;
    qint64 m_serial = 0;
};

// The map form's main tool: after the application main tool has had its turn it redraws on
// tm_ReView, refreshes the GPS read-out on tm_CoordsView and ignores tm_Show.
class TMainTool : public TZeltoMainTool {
    ZELTO_CLASS(TMainTool, TZeltoMainTool)
public:
    TMainForm* FForm = nullptr; // not owned: the form owns this tool

    void HandleMessage(TZeltoMessage& message, bool& handled) override;
};

} // namespace zelto
