#include "Tools.h"

#include "TextLocale.h"
#include "Worlds.h"
#include "e_Class.h"
#include "e_ToolModel.h"

namespace zelto {

ZELTO_IMPLEMENT_CLASS_NOPROPS(TParameters, TOwnerEntity, "Tools")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TToolProperties, TOwnerElement, "Tools")
ZELTO_IMPLEMENT_CLASS_NOPROPS(TTools, TEnvelopeEntity, "Tools")

void TProgressMessage::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TProgressMessage::FProcessName>("ProcessName");
    b.field<&TProgressMessage::FMinProgress>("MinProgress");
    b.field<&TProgressMessage::FMaxProgress>("MaxProgress");
    b.field<&TProgressMessage::FProgress>("Progress");
}
ZELTO_IMPLEMENT_CLASS(TProgressMessage, TZeltoMessage, "Tools")

// ---- TTool ---------------------------------------------------------------------------------------

void TTool::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TTool::GetInput, &TTool::SetInput>("Input").stored(false);
    b.prop<&TTool::GetOutput, &TTool::SetOutput>("Output").stored(false);
    b.prop<&TTool::GetBusy, &TTool::SetBusy>("Busy").stored(false);
    b.prop<&TTool::GetIdle, &TTool::SetIdle>("Idle").stored(false);
    b.prop<&TTool::GetZeroActivity, &TTool::SetZeroActivity>("ZeroActivity");
    b.prop<&TTool::GetHighActivity, &TTool::SetHighActivity>("HighActivity");
    b.prop<&TTool::GetInProgress, &TTool::SetInProgress>("InProgress").stored(false);
    b.prop<&TTool::GetBreak, &TTool::SetBreak>("BreakWork").stored(false);
    b.field<&TTool::FDynamicTool>("DynamicTool");
    b.prop<&TTool::GetSelfModel, &TTool::SetSelfModel>("SelfModel").stored(false);
    b.field<&TTool::FError>("Error").stored(false);
    b.writeOnly<&TTool::AddNamedParameter>("NextParameter").stored(false);
    b.prop<&TTool::GetNoProgress, &TTool::SetNoProgress>("NoProgress");
    b.field<&TTool::FClient>("Client");
}
ZELTO_IMPLEMENT_CLASS(TTool, TOwnerEntity, "Tools")

TTool::~TTool() {
    if (TestFlag(st_Progress)) EndProgress();
}

void TTool::SetFlag(int flag, bool on) {
    if (on)
        FStatus = quint16(FStatus | (1u << flag));
    else
        FStatus = quint16(FStatus & ~(1u << flag));
}

void TTool::SetInput(TElement* element) {
    FInPut = element;
}
void TTool::SetOutput(TElement* element) {
    FOutput = element;
}

TParameters* TTool::GetParameters() {
    if (!FParameters) {
        FParameters = new TParameters;
        AddElement(FParameters);
    }
    return FParameters;
}

void TTool::SetParameters(TParameters* parameters) {
    if (parameters == FParameters) return;
    if (FParameters) FreeElement(FParameters);
    FParameters = parameters;
    if (parameters) AddElement(parameters);
}

TElement* TTool::GetNameParameter(const QString& name) {
    return FParameters ? FParameters->GetElement(name) : nullptr;
}

void TTool::SetNameParameter(const QString& name, TElement* element) {
    GetParameters()->SetElement(name, element);
}

void TTool::SetBreak(bool brk) {
    if (brk) {
        SetFlag(st_BREAK, true);
    } else {
        SetFlag(st_BREAK, false);
        SetFlag(st_BREAK_AND_DOIT, false);
    }
}

void TTool::DoIt() {
    SetFlag(st_FOCUSED, true);
}
bool TTool::IsPossibleToQuit() {
    return true;
}

bool TTool::ReadyForZeroActivity() {
    SetFlag(st_ZeroActivity, true);
    return !GetHighActivity();
}

void TTool::EndZeroActivity() {
    SetFlag(st_ZeroActivity, false);
}

void TTool::SetHighActivity(bool on) {
    SetFlag(st_HighActivity, on);
    if (!on && TestFlag(st_ZeroActivity)) PostMsg(tm_ZeroActivity, nullptr, nullptr, DontKill);
}

void TTool::CreateSelfByModel() {
    TToolModel* model = GetSelfModel();
    if (!model) {
        PostTextMsg(tm_AddToProtocol,
                    QStringLiteral("Tool: ") + GetName() + QStringLiteral(" class: ") + ClassName() +
                        QStringLiteral(" Has no model!"),
                    nullptr);
        return;
    }
    FDynamicTool = model->FDynamicTool;
    if (!model->NoModelProperties()) {
        TModelProperties* props = model->GetModelProperties();
        for (int i = 0; i < props->ElementsCount(); ++i) {
            auto* pm = zelto_cast<TPropertyModel>(props->Get(i));
            if (!pm) continue;
            if (!pm->FLinkOnly) SetPropertyStringByName(pm->GetName(), pm->FValue);
            pm->ExecuteLinks();
        }
    }
    model->ExecuteLinks();
}

void TTool::CreateDynamicPart() {}
void TTool::DestroyDynamicPart() {}

void TTool::UpdateModel() {
    TToolModel* model = GetSelfModel();
    if (!model || model->NoModelProperties()) return;
    TModelProperties* props = model->GetModelProperties();
    for (int i = 0; i < props->ElementsCount(); ++i)
        if (auto* pm = zelto_cast<TPropertyModel>(props->Get(i)))
            pm->FValue = GetPropertyStringByName(pm->GetName());
}

void TTool::on_tm_StartTask(TZeltoMessage&, bool&) {}

void TTool::on_tm_QuitTask() {
    SetFlag(st_FOCUSED, false);
    if (IsPossibleToQuit()) PostMsgToOwners(tm_EndTask, nullptr, DontKill);
}

void TTool::on_tm_EndTask(TZeltoMessage&, bool&) {}
void TTool::on_tm_Done(TZeltoMessage&, bool&) {}
QString TTool::NumberToPropertyName(int) const {
    return QString();
}

void TTool::HandleMessage(TZeltoMessage& message, bool& handled) {
    handled = false;
    TOwnerEntity::HandleMessage(message, handled);
    switch (message.FMessage) {
    case tm_StartTask:
        on_tm_StartTask(message, handled);
        break;
    case tm_EndTask:
        on_tm_EndTask(message, handled);
        break;
    case tm_QuitTask:
        on_tm_QuitTask();
        break;
    case tm_Done:
        on_tm_Done(message, handled);
        break;
    default:
        break;
    }
}

void TTool::AddParameter(TElement* element) {
    GetParameters()->AddElement(element);
}

void TTool::AddNamedParameter(TElement* element) {
    if (element) SetNameParameter(element->GetName(), element);
}

TElement* TTool::GetParameter(int index) {
    return FParameters ? FParameters->Get(index) : nullptr;
}

void TTool::PutParameter(int index, TElement* element) {
    GetParameters()->Put(index, element);
}

void TTool::FreeParameter(TElement* element) {
    if (FParameters) FParameters->FreeElement(element);
}

void TTool::FreeParameters() {
    if (FParameters) FParameters->FreeAll();
}

bool TTool::GetNoParameters() const {
    return !FParameters || FParameters->ElementsCount() == 0;
}

QString TTool::GetPropertyNumber(int number) const {
    const QString name = NumberToPropertyName(number);
    return name.isEmpty() ? QString() : GetPropertyStringByName(name);
}

void TTool::SetPropertyNumber(int number, const QString& text) {
    const QString name = NumberToPropertyName(number);
    if (!name.isEmpty()) SetPropertyStringByName(name, text);
}

void TTool::StartProgress(const QString& processName, qint32 minProgress, qint32 maxProgress) {
    if (GetNoProgress()) return;
    auto* m = new TProgressMessage;
    m->FMessage = tm_StartProgress;
    m->FSender = this;
    m->FProcessName = processName;
    m->FMinProgress = minProgress;
    m->FMaxProgress = maxProgress;
    m->FTime = nowAsDateTime();
    SetFlag(st_Progress, true);
    SendZeltoMsg(m);
}

void TTool::SetProgress(qint32 value) {
    if (!TestFlag(st_Progress)) return;
    auto* m = new TProgressMessage;
    m->FMessage = tm_Progress;
    m->FSender = this;
    m->FProgress = value;
    m->FTime = nowAsDateTime();
    SendZeltoMsg(m);
}

void TTool::SetMaxProgress(qint32 value) {
    if (!TestFlag(st_Progress)) return;
    auto* m = new TProgressMessage;
    m->FMessage = tm_MaxProgress;
    m->FSender = this;
    m->FMaxProgress = value;
    m->FTime = nowAsDateTime();
    SendZeltoMsg(m);
}

void TTool::SetProgressText(const QString& text) {
    if (TestFlag(st_Progress)) PostTextMsg(tm_ProgressText, text, nullptr);
}

void TTool::EndProgress() {
    if (!TestFlag(st_Progress)) return;
    SetFlag(st_Progress, false);
    PostMsg(tm_EndProgress, nullptr, nullptr, DontKill);
}

void TTool::SetSelfModel(TToolModel* model) {
    if (TToolModel* old = GetSelfModel()) {
        if (old == model) return;
        FreeElement(old);
    }
    if (model) AddElement(model);
}

TToolModel* TTool::GetSelfModel() const {
    return static_cast<TToolModel*>(FindElementClass(TToolModel::StaticClass()));
}

void TResultTool::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TResultTool::Result>("Result").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TResultTool, TTool, "Tools")

void TBooleanTool::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TBooleanTool::Result>("Result").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TBooleanTool, TTool, "Tools")

void TOrdinalTool::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TOrdinalTool::FResult, &TOrdinalTool::SetResult>("Result").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TOrdinalTool, TTool, "Tools")

// ---- TTechnology ---------------------------------------------------------------------------------

void TTechnology::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TTechnology::GetActiveTool, &TTechnology::SetActiveTool>("ActiveTool").stored(false);
    b.writeOnly<&TTechnology::AddToolProc>("ToolToAdd").stored(false);
    b.writeOnly<&TTechnology::SetNewToolByModel>("NewToolByModel").stored(false);
    b.writeOnly<&TTechnology::SetToolToFree>("ToolToFree").stored(false);
    b.writeOnly<&TTechnology::RemoveTool>("ToolToRemove").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TTechnology, TTool, "Tools")

TTools* TTechnology::GetTools() {
    if (!FTools) {
        FTools = new TTools;
        AddElement(FTools);
    }
    return FTools;
}

qint32 TTechnology::ToolsCount() const {
    return FTools ? FTools->ElementsCount() : 0;
}

TTool* TTechnology::GetTool(int index) const {
    if (!FTools || index < 0 || index >= FTools->ElementsCount()) return nullptr;
    return zelto_cast<TTool>(FTools->Get(index));
}

void TTechnology::PutTool(int index, TTool* tool) {
    GetTools()->Put(index, tool);
}

TTool* TTechnology::GetToolByName(const QString& name) const {
    return FTools ? zelto_cast<TTool>(FTools->FindElementName(name)) : nullptr;
}

TTool* TTechnology::GetActiveTool() const {
    return GetTool(FActiveToolIndex); // null for an index outside the list
}

qint32 TTechnology::GetActiveToolIndex() const {
    return FActiveToolIndex;
}

void TTechnology::SetActiveTool(TTool* tool) {
    FActiveToolIndex = tool && FTools ? FTools->IndexOf(tool) : -1;
}

void TTechnology::SetActiveToolIndex(qint32 index) {
    FActiveToolIndex = index >= 0 && index < ToolsCount() ? index : -1;
}

void TTechnology::AddToolProc(TTool* tool) {
    AddTool(tool);
}

void TTechnology::AddTool(TTool* tool) {
    if (tool) GetTools()->AddElement(tool);
}

TTool* TTechnology::CreateToolByModel(TToolModel* model) {
    if (!model || model->FElementClassName.isEmpty()) return nullptr;
    const QString className = model->FElementClassName;
    const TClassInfo* cls = GetZeltoClass(className);
    if (!cls) {
        PostTextMsg(tm_AddToProtocol, QStringLiteral("Unknown class: ") + className, nullptr);
        return nullptr;
    }
    if (!cls->inheritsFrom(TTool::StaticClass())) {
        PostTextMsg(tm_AddToProtocol,
                    QStringLiteral("Class: ") + className + QStringLiteral(" is not a Tool"), nullptr);
        return nullptr;
    }
    auto* tool = zelto_cast<TTool>(cls->create());
    if (!tool) return nullptr;
    tool->SetName(model->GetName());
    AddTool(tool);
    if (!model->FAttachToPropertyName.isEmpty())
        SetObjectPropByName(this, model->FAttachToPropertyName, tool);
    tool->SetSelfModel(model);
    tool->CreateSelfByModel();
    return tool;
}

TTool* TTechnology::CreateTool(const QString& className, const QString& name) {
    TElement* e = GetTools()->CreateElement(className, name);
    if (!e) return nullptr;
    if (auto* tool = zelto_cast<TTool>(e)) return tool;
    FTools->FreeElement(e);
    return nullptr;
}

void TTechnology::InsertTool(int index, TTool* tool) {
    if (tool) GetTools()->InsertElement(index, tool);
}

void TTechnology::RemoveTool(TTool* tool) {
    if (FTools && tool) FTools->RemoveElement(tool);
}

void TTechnology::FreeTool(TTool* tool) {
    if (FTools && tool) FTools->FreeElement(tool);
}

bool TTechnology::IsPossibleToQuit() {
    for (int i = 0; i < ToolsCount(); ++i)
        if (TTool* t = GetTool(i))
            if (!t->IsPossibleToQuit()) return false;
    return true;
}

bool TTechnology::ReadyForZeroActivity() {
    bool ready = TTool::ReadyForZeroActivity();
    for (int i = 0; i < ToolsCount(); ++i)
        if (TTool* t = GetTool(i)) ready = t->ReadyForZeroActivity() && ready;
    return ready;
}

void TTechnology::EndZeroActivity() {
    TTool::EndZeroActivity();
    for (int i = 0; i < ToolsCount(); ++i)
        if (TTool* t = GetTool(i)) t->EndZeroActivity();
}

void TTechnology::CreateSelfByModel() {
    TTool::CreateSelfByModel();
    if (!FDynamicTool) CreateDynamicPart();
}

void TTechnology::CreateDynamicPart() {
    TToolModel* model = GetSelfModel();
    if (!model || model->NoModelTools()) return;
    TOwnerEntity* tools = model->GetModelTools();
    for (int i = 0; i < tools->ElementsCount(); ++i)
        if (auto* tm = zelto_cast<TToolModel>(tools->Get(i))) CreateToolByModel(tm);
}

void TTechnology::DestroyDynamicPart() {
    UpdateModel();
    if (FTools) FTools->FreeAll();
    FActiveToolIndex = -1;
}

void TTechnology::UpdateModel() {
    TTool::UpdateModel();
    for (int i = 0; i < ToolsCount(); ++i)
        if (TTool* t = GetTool(i)) t->UpdateModel();
}

void TTechnology::on_tm_EndTask(TZeltoMessage& message, bool& handled) {
    if (auto* tool = zelto_cast<TTool>(message.FSender)) FreeTool(tool);
    handled = true;
}

void TTechnology::ExchangeFieldToolImpl(TTool*& field, TTool* tool) {
    if (field == tool) return;
    bool wasInContainer = false;
    if (field) {
        FreeTool(field);
        field = nullptr;
    } else {
        wasInContainer = tool && FTools && FTools->IndexOf(tool) >= 0;
    }
    field = tool;
    if (tool && !wasInContainer && !(FTools && FTools->IndexOf(tool) >= 0)) AddTool(tool);
}

// ---- technologies ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSeqTechnology, TTechnology, "Tools")

void TSeqTechnology::DoIt() {
    TTool::DoIt();
    if (ToolsCount() == 0) return;
    for (int i = 0; i < ToolsCount(); ++i) {
        TTool* tool = GetTool(i);
        if (!tool) continue;
        FActiveToolIndex = i;
        tool->SetParameters(GetParameters());
        tool->SetInput(FInPut);
        tool->DoIt();
        SetOutput(tool->FOutput);
        SetInput(FOutput);
    }
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TIterateTechnology, TTechnology, "Tools")

void TIterateTechnology::DoIt() {
    TTool::DoIt();
    bool canIterate = false;
    TestIterace(canIterate);
}

void TIterateTechnology::TestIterace(bool&) {}
void TIterateTechnology::Iterate() {}

void TSelectTechnology::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TSelectTechnology::GetElseTool, &TSelectTechnology::SetElseTool>("ElseTool");
    b.field<&TSelectTechnology::FSelIndex>("SelIndex");
}
ZELTO_IMPLEMENT_CLASS(TSelectTechnology, TTechnology, "Tools")

void TSelectTechnology::SetElseTool(TTool* tool) {
    if (!tool || tool == FElseTool) return;
    FElseTool = tool;
    AddElement(tool);
}

void TSelectTechnology::DoIt() {
    TTool::DoIt();
    TTool* chosen = nullptr;
    if (ToolsCount() > 0 && FSelIndex >= 0 && FSelIndex < ToolsCount()) chosen = GetTool(FSelIndex);
    if (!chosen) chosen = FElseTool;
    if (!chosen) return;
    chosen->SetInput(FInPut);
    chosen->DoIt();
    SetOutput(chosen->FOutput);
}

// ---- global operations ---------------------------------------------------------------------------

bool CreateAndExecuteTool(const QString& className, TElement* input) {
    TElement* e = CreateElementByName(className);
    if (!e) return false;
    if (auto* tool = zelto_cast<TTool>(e)) {
        tool->SetInput(input);
        tool->DoIt();
    }
    delete e;
    return true;
}

QString MainToolPropString(const QString& name) {
    if (!World || !World->FMainTool) return QString();
    return World->FMainTool->GetPropertyStringByName(name);
}

void registerToolClasses() {
    for (const TClassInfo* c :
         {&TProgressMessage::StaticClass(), &TToolProperties::StaticClass(), &TTool::StaticClass(),
          &TResultTool::StaticClass(), &TBooleanTool::StaticClass(), &TTechnology::StaticClass(),
          &TSeqTechnology::StaticClass(), &TSelectTechnology::StaticClass()})
        RegisterZeltoClass(*c);
}

} // namespace zelto
