#include "Worlds.h"

#include "M_Zelto.h"
#include "Notifier.h"
#include "e_Class.h"
#include "e_SysReg.h"

#include <QCoreApplication>

namespace zelto {

TWorld* World = nullptr;

ZELTO_IMPLEMENT_CLASS_NOPROPS(TObjectModel, TOwnerEntity, "Worlds")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TWorkPlace, TOwnerEntity, "Worlds")

void TWorld::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TWorld::GetApplicTitle, &TWorld::SetApplicTitle>("ApplicTitle").stored(false);
    b.prop<&TWorld::GetMainTool, &TWorld::SetMainTool>("MainTool").stored(false);
    b.prop<&TWorld::GetSysReg, &TWorld::SetSysReg>("SystemRegister").stored(false);
    b.prop<&TWorld::GetObjectClasses, &TWorld::SetObjectClasses>("ObjectClasses").stored(false);
    b.prop<&TWorld::GetWorkPlace, &TWorld::SetWorkPlace>("WorkPlace").stored(false);
    b.prop<&TWorld::GetObjectModel, &TWorld::SetObjectModel>("ObjectModel").stored(false);
    b.prop<&TWorld::UID, &TWorld::SetUID>("UID");
}
ZELTO_IMPLEMENT_CLASS(TWorld, TEntity, "Worlds")

TWorld::TWorld() {
    GetObjectClasses();
}

TWorld::~TWorld() {
    if (m_subscription) TMessageBus::instance().unsubscribe(m_subscription);
    if (World == this) World = nullptr;
}

void TWorld::Error() {}

void TWorld::HandleException(TElement*, const std::exception& error) {
    notifier().error(QStringLiteral("World Level Error :") + QString::fromUtf8(error.what()));
}

void TWorld::HandleRTLMessage(TElement* sender, TZeltoMessage& message) {
    try {
        bool handled = false;
        if (message.FReceiver) {
            message.FReceiver->HandleMessage(message, handled);
        } else if (FMainTool) {
            message.FReceiver = FMainTool;
            FMainTool->HandleMessage(message, handled);
        }
    } catch (const std::exception& e) {
        // A receiver's failure is the world's to report; the sender goes on.
        HandleException(sender, e);
    }
}

void TWorld::SubscribeToMessages() {
    if (m_subscription) return;
    m_subscription = TMessageBus::instance().subscribe(
        [this](TElement* sender, TZeltoMessage& message) { HandleRTLMessage(sender, message); });
}

TTechnology* TWorld::GetMainTool() {
    if (!FMainTool) Error();
    return FMainTool;
}

TSystemRegister* TWorld::GetSysReg() {
    if (!FSystemRegister) {
        FSystemRegister = new TSystemRegister;
        FSystemRegister->SetName(QStringLiteral("System register"));
        AddElement(FSystemRegister);
    }
    return FSystemRegister;
}

TObjectModel* TWorld::GetObjectModel() {
    if (!FObjectModel) {
        FObjectModel = new TObjectModel;
        FObjectModel->SetName(QStringLiteral("Object model"));
        AddElement(FObjectModel);
    }
    return FObjectModel;
}

TWorkPlace* TWorld::GetWorkPlace() {
    if (!FWorkPlace) {
        FWorkPlace = new TWorkPlace;
        FWorkPlace->SetName(QStringLiteral("Work place"));
        AddElement(FWorkPlace);
    }
    return FWorkPlace;
}

TZeltoClasses* TWorld::GetObjectClasses() {
    if (!FObjectClasses && ZeltoClasses()) {
        FObjectClasses = ZeltoClasses();
        FObjectClasses->SetName(QStringLiteral("ObjectClasses"));
        AddElement(FObjectClasses);
    }
    return FObjectClasses;
}

namespace {
template <class T> void replaceChild(TWorld* world, T*& field, T* value) {
    if (field == value) return;
    if (field) world->FreeElement(field);
    field = value;
    if (value) world->AddElement(value);
}
} // namespace

void TWorld::SetMainTool(TTechnology* tool) {
    replaceChild(this, FMainTool, tool);
}
void TWorld::SetSysReg(TSystemRegister* reg) {
    replaceChild(this, FSystemRegister, reg);
}
void TWorld::SetObjectModel(TObjectModel* model) {
    replaceChild(this, FObjectModel, model);
}
void TWorld::SetWorkPlace(TWorkPlace* place) {
    replaceChild(this, FWorkPlace, place);
}

QString TWorld::GetApplicTitle() const {
    return QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
}

void TWorld::SetApplicTitle(const QString& title) {
    QCoreApplication::setApplicationName(title);
}

void registerWorldClasses() {
    RegisterZeltoClass(TObjectModel::StaticClass());
    RegisterZeltoClass(TWorld::StaticClass());
}

} // namespace zelto
