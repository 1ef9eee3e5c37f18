// Tools: processing steps that take an input element, do their work in DoIt and leave a result
// as output, reporting progress and protocol texts through element messages. A technology owns
// and drives other tools.
#pragma once

#include "Elements.h"

namespace zelto {

class TToolModel;
class TTools;

// Status flags (bit numbers of TTool::FStatus).
enum : int {
    st_FOCUSED = 0,
    st_BUSY = 1,
    st_BREAK = 2,
    st_BREAK_AND_DOIT = 3,
    st_DIE = 4,
    st_Progress = 5,
    st_NoProgress = 6,
    st_IDLE = 7,
    st_ZeroActivity = 8,
    st_HighActivity = 9,
};

class TParameters : public TOwnerEntity {
    ZELTO_CLASS(TParameters, TOwnerEntity)
};

class TToolProperties : public TOwnerElement {
    ZELTO_CLASS(TToolProperties, TOwnerElement)
};

class TProgressMessage : public TZeltoMessage {
    ZELTO_CLASS(TProgressMessage, TZeltoMessage)
public:
    qint32 FMaxProgress = 0;
    qint32 FProgress = 0;
    qint32 FMinProgress = 0;
    QString FProcessName;
};

class TTool : public TOwnerEntity {
    ZELTO_CLASS(TTool, TOwnerEntity)
public:
    quint16 FStatus = 0;
    TParameters* FParameters = nullptr;
    qint32 FError = 0;
    bool FDynamicTool = false;
    bool FClient = false;
    TElement* FInPut = nullptr;  // not owned
    TElement* FOutput = nullptr; // not owned

    ~TTool() override;

    virtual void SetInput(TElement* element);
    virtual void SetOutput(TElement* element);
    virtual TParameters* GetParameters();
    virtual void SetParameters(TParameters* parameters);
    virtual TElement* GetNameParameter(const QString& name);
    virtual void SetNameParameter(const QString& name, TElement* element);
    virtual void SetBreak(bool brk);
    virtual void DoIt();
    virtual bool IsPossibleToQuit();
    virtual bool ReadyForZeroActivity();
    virtual void EndZeroActivity();
    virtual void CreateSelfByModel();
    virtual void CreateDynamicPart();
    virtual void DestroyDynamicPart();
    virtual void UpdateModel();
    virtual void on_tm_StartTask(TZeltoMessage& message, bool& handled);
    virtual void on_tm_QuitTask();
    virtual void on_tm_EndTask(TZeltoMessage& message, bool& handled);
    virtual void on_tm_Done(TZeltoMessage& message, bool& handled);
    virtual QString NumberToPropertyName(int number) const;

    void HandleMessage(TZeltoMessage& message, bool& handled) override;

    TElement* GetInput() const { return FInPut; }
    TElement* GetOutput() const { return FOutput; }

    bool TestFlag(int flag) const { return FStatus & (1u << flag); }
    void SetFlag(int flag, bool on);

    bool GetBreak() const { return TestFlag(st_BREAK) || TestFlag(st_BREAK_AND_DOIT); }
    bool GetBusy() const { return TestFlag(st_BUSY); }
    void SetBusy(bool on) { SetFlag(st_BUSY, on); }
    bool GetIdle() const { return TestFlag(st_IDLE); }
    void SetIdle(bool on) { SetFlag(st_IDLE, on); }
    bool GetInProgress() const { return TestFlag(st_Progress); }
    void SetInProgress(bool on) { SetFlag(st_Progress, on); }
    bool GetNoProgress() const { return TestFlag(st_NoProgress); }
    void SetNoProgress(bool on) { SetFlag(st_NoProgress, on); }
    bool GetZeroActivity() const { return TestFlag(st_ZeroActivity); }
    void SetZeroActivity(bool on) { SetFlag(st_ZeroActivity, on); }
    bool GetHighActivity() const { return TestFlag(st_HighActivity); }
    void SetHighActivity(bool on);

    void AddParameter(TElement* element);
    void AddNamedParameter(TElement* element);
    TElement* GetParameter(int index);
    void PutParameter(int index, TElement* element);
    void FreeParameter(TElement* element);
    void FreeParameters();
    bool GetNoParameters() const;

    QString GetPropertyNumber(int number) const;
    void SetPropertyNumber(int number, const QString& text);

    void StartProgress(const QString& processName, qint32 minProgress, qint32 maxProgress);
    void SetProgress(qint32 value);
    void SetMaxProgress(qint32 value);
    void SetProgressText(const QString& text);
    void EndProgress();

    void SetSelfModel(TToolModel* model);
    TToolModel* GetSelfModel() const;
};

class TResultTool : public TTool {
    ZELTO_CLASS(TResultTool, TTool)
public:
    QString Result;
};

class TBooleanTool : public TTool {
    ZELTO_CLASS(TBooleanTool, TTool)
public:
    bool Result = false;
};

class TOrdinalTool : public TTool {
    ZELTO_CLASS(TOrdinalTool, TTool)
public:
    qint32 FResult = 0;
    void SetResult(qint32 value) { FResult = value; }
};

// The tool container of a technology.
class TTools : public TEnvelopeEntity {
    ZELTO_CLASS(TTools, TEnvelopeEntity)
};

class TTechnology : public TTool {
    ZELTO_CLASS(TTechnology, TTool)
public:
    TTools* FTools = nullptr;
    qint32 FActiveToolIndex = -1;

    virtual TTool* GetActiveTool() const;
    virtual qint32 GetActiveToolIndex() const;
    virtual void SetActiveTool(TTool* tool);
    virtual void SetActiveToolIndex(qint32 index);
    virtual void AddToolProc(TTool* tool);
    virtual void AddTool(TTool* tool);
    virtual TTool* CreateToolByModel(TToolModel* model);
    virtual TTool* CreateTool(const QString& className, const QString& name);
    virtual void InsertTool(int index, TTool* tool);
    virtual void RemoveTool(TTool* tool);
    virtual void FreeTool(TTool* tool);

    bool IsPossibleToQuit() override;
    bool ReadyForZeroActivity() override;
    void EndZeroActivity() override;
    void CreateSelfByModel() override;
    void CreateDynamicPart() override;
    void DestroyDynamicPart() override;
    void UpdateModel() override;
    void on_tm_EndTask(TZeltoMessage& message, bool& handled) override;

    TTools* GetTools();
    qint32 ToolsCount() const;
    TTool* GetTool(int index) const;
    void PutTool(int index, TTool* tool);
    TTool* GetToolByName(const QString& name) const;
    void SetNewToolByModel(TToolModel* model) { CreateToolByModel(model); }
    void SetToolToFree(TTool* tool) { FreeTool(tool); }
    template <class T> void ExchangeFieldTool(T*& field, T* tool) {
        TTool* f = field;
        ExchangeFieldToolImpl(f, tool);
        field = static_cast<T*>(f);
    }

private:
    void ExchangeFieldToolImpl(TTool*& field, TTool* tool);
};

class TSeqTechnology : public TTechnology {
    ZELTO_CLASS(TSeqTechnology, TTechnology)
public:
    void DoIt() override;
};

class TIterateTechnology : public TTechnology {
    ZELTO_CLASS(TIterateTechnology, TTechnology)
public:
    void DoIt() override;
    virtual void TestIterace(bool& canIterate);
    virtual void Iterate();
};

class TSelectTechnology : public TTechnology {
    ZELTO_CLASS(TSelectTechnology, TTechnology)
public:
    TTool* FElseTool = nullptr;
    qint32 FSelIndex = 0;

    void DoIt() override;
    void SetElseTool(TTool* tool);
    TTool* GetElseTool() const { return FElseTool; }
};

// Creates a tool by class name, runs it on `input` and destroys it; false for an unregistered class.
bool CreateAndExecuteTool(const QString& className, TElement* input);
// The text of a property of the world's main tool; empty without world or main tool.
QString MainToolPropString(const QString& name);

void registerToolClasses();

} // namespace zelto
