// The world: the root object of the running system. It holds the main tool, the class registry
// ("ObjectClasses"), the system register, the object model and the work place, and delivers every
// element message of the message bus to its receiver or, without one, to the main tool.
#pragma once

#include "Tools.h"

#include <exception>

namespace zelto {

class TSystemRegister;
class TZeltoClasses;

class TObjectModel : public TOwnerEntity {
    ZELTO_CLASS(TObjectModel, TOwnerEntity)
};

class TWorkPlace : public TOwnerEntity {
    ZELTO_CLASS(TWorkPlace, TOwnerEntity)
};

class TWorld : public TEntity {
    ZELTO_CLASS(TWorld, TEntity)
public:
    TTechnology* FMainTool = nullptr;
    TSystemRegister* FSystemRegister = nullptr;
    TZeltoClasses* FObjectClasses = nullptr;
    TWorkPlace* FWorkPlace = nullptr;
    TObjectModel* FObjectModel = nullptr;
    QString UID;

    TWorld();
    ~TWorld() override;

    // A hook called when the main tool is asked for and there is none.
    virtual void Error();
    // Shows an uncaught error: "World Level Error :" followed by its text.
    void HandleException(TElement* sender, const std::exception& error);
    // The message bus subscriber: delivers to the receiver or to the main tool.
    void HandleRTLMessage(TElement* sender, TZeltoMessage& message);
    // Subscribes HandleRTLMessage on the message bus (undone when the world is destroyed).
    void SubscribeToMessages();

    TTechnology* GetMainTool();
    TSystemRegister* GetSysReg();
    TObjectModel* GetObjectModel();
    TWorkPlace* GetWorkPlace();
    TZeltoClasses* GetObjectClasses();
    void SetMainTool(TTechnology* tool);
    void SetSysReg(TSystemRegister* reg);
    void SetObjectModel(TObjectModel* model);
    void SetWorkPlace(TWorkPlace* place);
    void SetObjectClasses(TZeltoClasses*) {}
    void SetUID(const QString& uid) { UID = uid; }
    QString GetApplicTitle() const;
    void SetApplicTitle(const QString& title);

private:
    int m_subscription = 0;
};

// The world of the process (none until the application creates one).
extern TWorld* World;

void registerWorldClasses();

} // namespace zelto
