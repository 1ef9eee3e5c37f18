#include <gtest/gtest.h>

#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/Worlds.h"
#include "framework/e_Class.h"
#include "framework/e_InhMdl.h"
#include "framework/e_Memory.h"
#include "framework/e_SysReg.h"
#include "framework/e_ToolModel.h"
#include "framework/t_Recurs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

using namespace zelto;

namespace {

// Records every message published on the bus while it lives.
struct BusRecorder {
    struct Seen {
        qint32 number;
        TElement* sender;
        TElement* receiver;
        QString text;
        QString processName;
        qint32 min, max, progress;
        bool onMainThread;
    };
    std::vector<Seen> seen;
    int id;
    BusRecorder() {
        id = TMessageBus::instance().subscribe([this](TElement*, TZeltoMessage& m) {
            Seen s{m.FMessage, m.FSender, m.FReceiver, {}, {}, 0, 0, 0, TMessageBus::isMainThread()};
            if (auto* t = zelto_cast<TZeltoTextMessage>(&m)) s.text = t->FMessageText;
            if (auto* p = zelto_cast<TProgressMessage>(&m)) {
                s.processName = p->FProcessName;
                s.min = p->FMinProgress;
                s.max = p->FMaxProgress;
                s.progress = p->FProgress;
            }
            seen.push_back(s);
        });
    }
    ~BusRecorder() { TMessageBus::instance().unsubscribe(id); }
    std::vector<qint32> numbers() const {
        std::vector<qint32> n;
        for (const auto& s : seen) n.push_back(s.number);
        return n;
    }
};

// A tool that appends its name to the input string entity's value and outputs a new marker.
class TAppendTool : public TTool {
    ZELTO_CLASS(TAppendTool, TTool)
public:
    void DoIt() override {
        TTool::DoIt();
        ++runs;
        lastInput = FInPut;
        SetOutput(&outputs.emplace_back());
    }
    int runs = 0;
    TElement* lastInput = nullptr;
    std::deque<TElement> outputs;
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TAppendTool, TTool, "test_tools")

// A tool with a property that the models set.
class TModelledTool : public TTool {
    ZELTO_CLASS(TModelledTool, TTool)
public:
    qint32 FCount = 0;
    QString FLabel;
};
void TModelledTool::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TModelledTool::FCount>("Count2");
    b.field<&TModelledTool::FLabel>("Label");
}
ZELTO_IMPLEMENT_CLASS(TModelledTool, TTool, "test_tools")

} // namespace

TEST(ToolsProgress, NoProgressSendsNothing) {
    BusRecorder rec;
    TTool tool;
    tool.SetNoProgress(true);
    tool.StartProgress("x", 0, 10);
    tool.SetProgress(5);
    tool.SetMaxProgress(20);
    tool.SetProgressText("t");
    tool.EndProgress();
    EXPECT_TRUE(rec.seen.empty());
    EXPECT_FALSE(tool.GetInProgress());
}

TEST(ToolsProgress, ProtocolSequenceAndValues) {
    BusRecorder rec;
    {
        TTool tool;
        tool.SetProgress(1); // before start: nothing
        tool.StartProgress("Load", 2, 40);
        EXPECT_TRUE(tool.GetInProgress());
        tool.SetProgress(7);
        tool.SetMaxProgress(50);
        tool.SetProgressText("half");
        tool.EndProgress();
        tool.EndProgress(); // ended already: nothing
        tool.StartProgress("Again", 0, 1);
        // Destroying a tool in progress ends its progress.
    }
    ASSERT_EQ(rec.numbers(),
              (std::vector<qint32>{tm_StartProgress, tm_Progress, tm_MaxProgress, tm_ProgressText,
                                   tm_EndProgress, tm_StartProgress, tm_EndProgress}));
    EXPECT_EQ(rec.seen[0].processName, "Load");
    EXPECT_EQ(rec.seen[0].min, 2);
    EXPECT_EQ(rec.seen[0].max, 40);
    EXPECT_EQ(rec.seen[1].progress, 7);
    EXPECT_EQ(rec.seen[2].max, 50);
    EXPECT_EQ(rec.seen[3].text, "half");
    EXPECT_EQ(rec.seen[0].receiver, nullptr);
}

TEST(ToolsFlags, BreakBusyZeroActivity) {
    BusRecorder rec;
    TTool tool;
    tool.SetBreak(true);
    EXPECT_TRUE(tool.GetBreak());
    tool.SetFlag(st_BREAK_AND_DOIT, true);
    tool.SetBreak(false);
    EXPECT_FALSE(tool.GetBreak());
    EXPECT_FALSE(tool.TestFlag(st_BREAK_AND_DOIT));
    EXPECT_EQ(tool.GetPropertyStringByName("BreakWork"), "False");

    tool.SetHighActivity(true);
    EXPECT_FALSE(tool.ReadyForZeroActivity()); // busy with high activity
    EXPECT_TRUE(tool.GetZeroActivity());
    tool.SetHighActivity(false); // while waiting for zero activity: announces it
    EXPECT_EQ(rec.numbers(), (std::vector<qint32>{tm_ZeroActivity}));
    tool.EndZeroActivity();
    tool.SetHighActivity(false);
    EXPECT_EQ(rec.seen.size(), 1u);
}

TEST(ToolsTechnology, ActiveToolIndexAndLookup) {
    TTechnology tech;
    auto* a = new TAppendTool;
    a->SetName("A");
    auto* b = new TAppendTool;
    b->SetName("B");
    tech.AddTool(a);
    tech.AddTool(b);
    struct Case {
        int index;
        int stored;
    };
    for (Case c : {Case{1, 1}, Case{5, -1}, Case{-1, -1}, Case{0, 0}, Case{2, -1}}) {
        tech.SetActiveToolIndex(c.index);
        EXPECT_EQ(tech.GetActiveToolIndex(), c.stored) << c.index;
    }
    tech.SetActiveTool(b);
    EXPECT_EQ(tech.GetActiveTool(), b);
    EXPECT_EQ(tech.GetToolByName("a"), a);
    EXPECT_EQ(a->FindOwnerClass(TTechnology::StaticClass()), &tech); // through the tool container
    EXPECT_EQ(tech.CreateTool("TStringEntity", "not a tool"), nullptr);
    EXPECT_EQ(tech.ToolsCount(), 2);
    TTool* c = tech.CreateTool("TResultTool", "C");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(tech.ToolsCount(), 3);
    tech.FreeTool(c);
    EXPECT_EQ(tech.ToolsCount(), 2);
}

TEST(ToolsTechnology, SequenceChainsOutputs) {
    TSeqTechnology seq;
    auto* a = new TAppendTool;
    auto* b = new TAppendTool;
    seq.AddTool(a);
    seq.AddTool(b);
    TElement input;
    seq.SetInput(&input);
    seq.DoIt();
    EXPECT_EQ(a->lastInput, &input);
    ASSERT_EQ(a->outputs.size(), 1u);
    EXPECT_EQ(b->lastInput, &a->outputs[0]);
    EXPECT_EQ(seq.FOutput, &b->outputs[0]);
    EXPECT_EQ(seq.GetActiveToolIndex(), 1);
    // Every tool took the technology's parameter container.
    EXPECT_EQ(a->FParameters, seq.FParameters);
    EXPECT_EQ(b->FParameters, seq.FParameters);
    EXPECT_EQ(seq.FParameters->GetOwnersCount(), 3);
}

TEST(ToolsTechnology, SelectRunsElseToolBeyondRange) {
    TSelectTechnology sel;
    auto* a = new TAppendTool;
    auto* other = new TAppendTool;
    sel.AddTool(a);
    sel.SetElseTool(other);
    TElement input;
    sel.SetInput(&input);
    sel.FSelIndex = 3;
    sel.DoIt();
    EXPECT_EQ(a->runs, 0);
    EXPECT_EQ(other->runs, 1);
    EXPECT_EQ(sel.FOutput, &other->outputs[0]);
    sel.FSelIndex = 0;
    sel.DoIt();
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(a->lastInput, &input);
}

TEST(ToolsTechnology, QuitTaskFreesTheToolThroughItsTechnology) {
    TWorld world;
    world.SubscribeToMessages();
    TTechnology tech;
    auto* t = new TAppendTool;
    tech.AddTool(t);
    ASSERT_EQ(tech.ToolsCount(), 1);
    // The tool asks to quit: its owners (the tool container, an envelope of the technology) get
    // tm_EndTask, and the technology frees the sender.
    bool handled = false;
    TZeltoMessage quit;
    quit.FMessage = tm_QuitTask;
    t->HandleMessage(quit, handled);
    EXPECT_EQ(tech.ToolsCount(), 0);
}

TEST(ToolsTechnology, ParametersByName) {
    TTool tool;
    EXPECT_TRUE(tool.GetNoParameters());
    auto* p = new TStringEntity;
    p->SetName("Limit");
    tool.AddNamedParameter(p);
    EXPECT_EQ(tool.GetNameParameter("limit"), p);
    auto* q = new TStringEntity;
    tool.SetNameParameter("Limit", q); // replaces and frees the old target
    EXPECT_EQ(tool.GetNameParameter("Limit"), q);
    EXPECT_FALSE(tool.GetNoParameters());
    EXPECT_EQ(tool.FParameters->IndexOf(q) >= 0, true);
}

TEST(ToolsWorld, DeliversToReceiverOrMainTool) {
    TWorld world;
    world.SubscribeToMessages();
    struct TCatcher : TTechnology {
        std::vector<std::pair<qint32, TElement*>> got;
        void HandleMessage(TZeltoMessage& m, bool& handled) override {
            got.emplace_back(m.FMessage, m.FReceiver);
            handled = true;
        }
    };
    auto* main = new TCatcher;
    world.SetMainTool(main);
    EXPECT_EQ(world.GetMainTool(), main);
    TCatcher receiver;
    TElement sender;
    sender.SendMsg(tm_Help, nullptr, nullptr, DontKill);
    sender.SendMsg(tm_About, &receiver, nullptr, DontKill);
    ASSERT_EQ(main->got.size(), 1u);
    EXPECT_EQ(main->got[0].first, tm_Help);
    EXPECT_EQ(main->got[0].second, main); // receiver set to the main tool
    ASSERT_EQ(receiver.got.size(), 1u);
    EXPECT_EQ(receiver.got[0].first, tm_About);
}

TEST(ToolsWorld, ChildrenCreatedOnFirstUse) {
    TWorld world;
    EXPECT_EQ(world.GetObjectClasses(), ZeltoClasses());
    EXPECT_EQ(world.GetObjectClasses()->GetName(), "ObjectClasses");
    EXPECT_EQ(world.GetSysReg()->GetName(), "System register");
    EXPECT_EQ(world.GetObjectModel()->GetName(), "Object model");
    EXPECT_EQ(world.GetWorkPlace()->GetName(), "Work place");
    EXPECT_EQ(world.GetSysReg(), world.GetSysReg());
    EXPECT_EQ(world.GetMainTool(), nullptr);
    recordingNotifier()->clear();
    world.HandleException(nullptr, EZeltoError("boom"));
    EXPECT_EQ(recordingNotifier()->errors(), QStringList{"World Level Error :boom"});
}

TEST(ToolsWorld, ReceiverFailureIsReportedAndDeliveryGoesOn) {
    struct TFailing : TElement {
        void HandleMessage(TZeltoMessage&, bool&) override { throw EZeltoError("receiver broke"); }
    };
    TWorld world;
    TFailing receiver;
    std::unique_ptr<TZeltoMessage> m(TZeltoMessage::CreateAll(tm_About, nullptr, &receiver, nullptr, false));
    recordingNotifier()->clear();
    world.HandleRTLMessage(nullptr, *m);
    EXPECT_EQ(recordingNotifier()->errors(), QStringList{"World Level Error :receiver broke"});
}

TEST(ToolsWorld, RegistrySurvivesTheWorld) {
    { TWorld world; }
    ASSERT_NE(ZeltoClasses(), nullptr);
    EXPECT_NE(GetZeltoClass("TEntity"), nullptr);
}

TEST(ToolsWorld, KillDataDestroysPayloadAfterDelivery) {
    struct TCounted : TElement {
        int* alive;
        explicit TCounted(int* a) : alive(a) { ++*alive; }
        ~TCounted() override { --*alive; }
    };
    int alive = 0;
    TElement sender;
    sender.SendMsg(tm_Done, nullptr, new TCounted(&alive), KillIt);
    EXPECT_EQ(alive, 0);
    // Sent to two owners, the shared payload is destroyed once, after the last delivery.
    TOwnerEntity a, b;
    auto* child = new TOwnerElement;
    a.AddElement(child);
    b.AddElement(child);
    child->SendMsgToOwners(tm_Done, new TCounted(&alive), KillIt);
    EXPECT_EQ(alive, 0);
}

TEST(ToolsMessages, WorkerThreadDeliversOnMainThreadAndWaits) {
    BusRecorder rec;
    TElement sender;
    bool deliveredBeforeReturn = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        sender.PostTextMsg(tm_AddToProtocol, "from worker", nullptr);
        // Sending blocks until the main thread has delivered the message.
        deliveredBeforeReturn = rec.seen.size() == 1;
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
    worker->wait();
    ASSERT_EQ(rec.seen.size(), 1u);
    EXPECT_TRUE(rec.seen[0].onMainThread);
    EXPECT_EQ(rec.seen[0].text, "from worker");
    EXPECT_TRUE(deliveredBeforeReturn);
}

TEST(ToolsRecursor, VisitsInOrderWithLevels) {
    struct TTrace : TRecursor {
        QStringList trace;
        bool QProcessBefore(TElement*) override { return true; }
        bool QProcessAfter(TElement*) override { return true; }
        void Process(TElement* e) override { trace << QStringLiteral("%1@%2").arg(e->GetName()).arg(FLevel); }
    };
    TOwnerEntity root;
    root.SetName("r");
    auto* a = new TOwnerEntity;
    a->SetName("a");
    auto* leaf = new TNameElement;
    leaf->SetName("x");
    a->AddElement(leaf);
    root.AddElement(a);
    TTrace walk;
    walk.SetInput(&root);
    walk.DoIt();
    EXPECT_EQ(walk.trace, (QStringList{"r@1", "a@2", "x@3", "x@3", "a@2", "r@1"}));
    TTrace flat;
    flat.FNotInside = true;
    flat.SetInput(&root);
    flat.DoIt();
    EXPECT_EQ(flat.trace, (QStringList{"r@1", "r@1"}));
}

TEST(ToolsRecursor, WithToolsDecidesByOutput) {
    struct TCollect : TTool {
        QStringList names;
        bool allow = true;
        void DoIt() override {
            names << FInPut->GetName();
            SetOutput(allow && FInPut->GetName() != "closed" ? FInPut : nullptr);
        }
    };
    TOwnerEntity root;
    root.SetName("root");
    auto* open = new TOwnerEntity;
    open->SetName("open");
    auto* closed = new TOwnerEntity;
    closed->SetName("closed");
    auto* inner = new TNameElement;
    inner->SetName("inner");
    closed->AddElement(inner);
    auto* inner2 = new TNameElement;
    inner2->SetName("inner2");
    open->AddElement(inner2);
    root.AddElement(open);
    root.AddElement(closed);
    TCollect decide, after;
    TRecursorWithTools walk;
    walk.FQGoInsideTool = &decide;
    walk.FAfterTool = &after;
    walk.SetInput(&root);
    walk.DoIt();
    EXPECT_EQ(decide.names, (QStringList{"root", "open", "closed"}));
    EXPECT_EQ(after.names, (QStringList{"inner2", "open", "closed", "root"}));
}

TEST(ToolsModels, ToolBuiltFromModelWithLinks) {
    BusRecorder rec;
    // A technology model with one sub-tool model whose properties are set from values, and a
    // link that copies the sub-tool's Label into the technology's Error-free text property.
    auto* techModel = new TToolModel;
    techModel->SetName("Main");
    techModel->FElementClassName = "TSeqTechnology";
    techModel->SetNewToolName("Worker");
    TToolModel* worker = techModel->GetLastTool();
    ASSERT_NE(worker, nullptr);
    worker->FElementClassName = "TModelledTool";
    worker->GetModelProperties()->SetPropertyStringByName("Count2", "7");
    worker->GetModelProperties()->SetPropertyStringByName("Label", "hello");
    // The worker's Label takes the technology's Name through a link, after its own value.
    TPropertyModel* techName = techModel->GetModelProperties()->FindOrCreateModel("Name");
    techName->FLinkOnly = true;
    worker->GetModelProperties()->FindOrCreateModel("Label")->SetNewSourceLink(techName);
    techModel->SetNewToolName("Broken");
    techModel->GetLastTool()->FElementClassName = "TNoSuchClass";
    techModel->SetNewToolName("NotATool");
    techModel->GetLastTool()->FElementClassName = "TStringEntity";

    RegisterZeltoClass(TModelledTool::StaticClass());
    TSeqTechnology tech;
    tech.SetName("Main");
    tech.SetSelfModel(techModel);
    tech.CreateSelfByModel();
    ASSERT_EQ(tech.ToolsCount(), 1);
    auto* tool = zelto_cast<TModelledTool>(tech.GetTool(0));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->GetName(), "Worker");
    EXPECT_EQ(tool->FCount, 7);
    EXPECT_EQ(tool->FLabel, "Main");
    EXPECT_EQ(tech.GetName(), "Main");
    QStringList texts;
    for (const auto& s : rec.seen) texts << s.text;
    EXPECT_TRUE(texts.contains("Unknown class: TNoSuchClass"));
    EXPECT_TRUE(texts.contains("Class: TStringEntity is not a Tool"));

    tool->FLabel = "changed";
    tech.UpdateModel();
    TPropertyModel* label = worker->GetModelProperties()->FindOrCreateModel("Label");
    EXPECT_EQ(label->FValue, "changed");

    TTool bare;
    bare.SetName("Bare");
    bare.CreateSelfByModel();
    EXPECT_EQ(rec.seen.back().text, "Tool: Bare class: TTool Has no model!");
}

TEST(ToolsModels, GlobalHelpers) {
    EXPECT_TRUE(CreateAndExecuteTool("ResultTool", nullptr));
    recordingNotifier()->clear();
    EXPECT_FALSE(CreateAndExecuteTool("NoSuchTool", nullptr));
    EXPECT_EQ(MainToolPropString("Name"), QString()); // no world
}

TEST(ToolsMemory, FiguresFromTheSourceSaturateAt32Bits) {
    TMemoryStatus s;
    s.totalPhys = 24ull << 30;
    s.availPhys = 6ull << 30;
    s.totalPageFile = 3000;
    s.availPageFile = 1000;
    s.totalVirtual = 1ull << 47;
    s.availVirtual = (1ull << 47) - 1000;
    setMemoryStatusSource([s] { return s; });
    TMemoryElement m;
    setMemoryStatusSource({});
    EXPECT_EQ(m.GetName(), "Memory status");
    EXPECT_EQ(m.GetMemoryLoad(), 75u);
    EXPECT_EQ(m.GetTotalPhys(), 0xFFFFFFFFu);
    EXPECT_EQ(m.GetAlocatedMemory(), 1000u);
    EXPECT_EQ(m.GetPropertyStringByName("TotalPhys"), "4294967295");
    EXPECT_EQ(m.GetPropertyStringByName("AvailPageFile"), "1000");
    // The real source reads this machine's figures.
    TMemoryElement real;
    EXPECT_GT(real.status().totalPhys, 0u);
    EXPECT_LE(real.status().availPhys, real.status().totalPhys);
    EXPECT_GT(real.GetAlocatedMemory(), 0u);
}

TEST(ToolsSysReg, InheritanceTreeFindsTheMostSpecificModel) {
    TRegisterClassModels models;
    // Registered out of order: the tree must still nest TEntity under TElement and the owner
    // entity under TEntity.
    for (const char* name : {"TOwnerEntity", "TElement", "TEntity", "TNameElement"}) {
        models.SetNewClassName(name);
        ASSERT_FALSE(models.GetIsError()) << name;
        EXPECT_TRUE(zelto_cast<TRegisterClassModel>(models.FActualItem) != nullptr);
    }
    ASSERT_EQ(models.ItemsCount(), 1);
    TInheritanceModel* element = models.GetItem(0);
    EXPECT_EQ(element->GetElementClassName(), "TElement");
    ASSERT_EQ(element->ItemsCount(), 2); // TEntity, TNameElement
    struct Case {
        const TClassInfo* cls;
        const char* expected;
    };
    for (Case c :
         {Case{&TStringEntity::StaticClass(), "TOwnerEntity"}, Case{&TQuickEntity::StaticClass(), "TEntity"},
          Case{&TOwnerElement::StaticClass(), "TNameElement"}, Case{&TElement::StaticClass(), "TElement"},
          Case{&TZeltoMessage::StaticClass(), "TElement"}}) {
        TRegisterClassModel* m = models.ModelForClass(c.cls);
        ASSERT_NE(m, nullptr) << c.cls->name().toStdString();
        EXPECT_EQ(m->GetElementClassName(), c.expected) << c.cls->name().toStdString();
    }
    EXPECT_EQ(models.ModelForClass(&TPersistent::StaticClass()), nullptr);

    models.SetPropertyStringByName("FindClassName", "TStringEntity");
    EXPECT_EQ(models.GetPropertyStringByName("ActualClassName"), "TOwnerEntity");
    models.SetFindClassName("TNoSuchClass");
    EXPECT_EQ(models.GetError(), err_ClassNotFound);
    models.SetNewClassName("TNoSuchClass");
    EXPECT_EQ(models.GetError(), err_ClassNotFound);

    // Deleting TEntity's node puts TOwnerEntity back under TElement.
    models.SetFindClassName("TEntity");
    models.SetDeleteActualItem(true);
    EXPECT_FALSE(models.GetIsError());
    EXPECT_EQ(models.ModelForClass(&TStringEntity::StaticClass())->GetElementClassName(), "TOwnerEntity");
    EXPECT_EQ(models.ModelForClass(&TQuickEntity::StaticClass())->GetElementClassName(), "TElement");
}

TEST(ToolsSysReg, NamedSettingsLists) {
    TWorld world;
    TSystemRegister* reg = world.GetSysReg();
    EXPECT_EQ(reg->FindStringList("RASTER"), nullptr);
    reg->GetStringList("RASTER")->SetStringByName("MEMORY_TILE", "64");
    EXPECT_EQ(reg->FindStringList("raster")->GetIntegerByName("memory_tile"), 64);
    EXPECT_EQ(reg->GetImages()->GetName(), "IMAGES");
    EXPECT_EQ(reg->GetCursors()->GetName(), "CURSORS");
    EXPECT_EQ(reg->GetClassModels()->GetName(), "CLASS MODELS");
    TRegisterClassModels* models = reg->GetClassModels();
    models->SetNewClassName("TTool");
    auto* toolModel = zelto_cast<TRegisterClassModel>(models->FActualItem);
    ASSERT_NE(toolModel, nullptr);
    toolModel->PropertyModel("Input")->FAlias = "Vstup";
    EXPECT_EQ(toolModel->PropertyModel("input")->FAlias, "Vstup");
    toolModel->GetShell()->AddNameString("Open", "xdg-open");
    EXPECT_EQ(models->ModelForClass(&TSeqTechnology::StaticClass())->GetShell()->GetStringByName("open"),
              "xdg-open");
}
