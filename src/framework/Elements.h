// The element core: every object of the model is an element. Entities hold ordered lists of
// child elements; owner-keeping elements know the entities that hold them, so that an element
// shared by several entities is destroyed only when its last owner lets it go.
//
// Ownership: elements are heap objects; the owner protocol below is the ownership. References
// between elements are raw pointers. An element is destroyed with `delete` (directly, or by
// an entity's freeing operations).
#pragma once

#include "u_Props.h"

#include <QByteArray>

#include <atomic>
#include <cstdlib>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELTO_HAS_ASAN 1
#endif
#endif
#ifndef ZELTO_HAS_ASAN
#define ZELTO_HAS_ASAN 0
#endif

namespace zelto {

class TEntity;
class TZeltoMessage;

// Message numbers.
enum : qint32 {
    tm_StartTask = 0,
    tm_EndTask,
    tm_QuitTask,
    tm_Done,
    tm_ToolSelected,
    tm_TaskSelected,
    tm_ExternalTaskSelected,
    tm_ElementSelected,
    tm_AddToProtocol,
    tm_BreakInterpret,
    tm_StartProgress,
    tm_Progress,
    tm_MaxProgress,
    tm_EndProgress,
    tm_ProgressText,
    tm_Modul_End,
    tm_DDEMessage,
    tm_GuideSelect,
    tm_EndOfPrint,
    tm_ShowTools,
    tm_StartOfDDEScript,
    tm_EndOfDDEScript,
    tm_SetDDEResult,
    tm_CMDLNextLine,
    tm_Open,
    tm_SaveAs,
    tm_SaveElement,
    tm_LoadElement,
    tm_ToolChange,
    tm_ModelChanged,
    tm_ZeroActivity,
    tm_Help,
    tm_MView,
    tm_AddView = 33,
    tm_ReView,
    tm_ReViewByElement,
    tm_BreakAndReView,
    tm_ZoomIn,
    tm_ZoomOut,
    tm_Explore,
    tm_ExploreOwners,
    tm_AddCoordsView,
    tm_CoordsView,
    tm_Print,
    tm_NewWorldView,
    tm_PickUpObject,
    tm_AddAndPrintView,
    tm_ShowText,
    tm_NewScale,
    tm_ShowAll,
    tm_Resize,
    tm_BreakAndQuitTask,
    tm_RePaint,
    tm_QuickView,
    tm_Show,
    tm_Hide,
    tm_ProjectionChanged,
    tm_ChangeThematic,
    tm_LengthChanged,
    tm_AreaChanged,
    tm_ElemManipulate,
    tm_AddElement,
    tm_DeleteElement,
    tm_EditElement,
    tm_GeometryManipulate,
    tm_ExchangeGeometry = 65,
    tm_DeviceEvents = 66,
    tm_MouseDown = 67,
    tm_MouseUp,
    tm_MouseMove,
    tm_MouseWheelUp,
    tm_MouseWheelDown,
    tm_StartDrag,
    tm_DragOver,
    tm_DragDrop,
    tm_DragEnd,
    tm_EditProperty,
    tm_DropFile,
    tm_Cursor,
    tm_DataReceived,
    tm_ExternalDeviceDown,
    tm_ExternalDeviceUp,
    tm_ExternalDeviceMove,
    tm_FileBeforeLoad,
    tm_FileAfterSave,
    tm_FileExists,
    tm_DeviceEventsEnd,
    tm_OIL = 87,
    tm_OilEnded = 88,
    tm_OilError,
    tm_OilBreak,
    tm_OILPaused,
    tm_OilResume,
    tm_OILEnd = 96,
    tm_First = 0,
    tm_About = 32,
    tm_DivideGeometry = 64,
    tm_Keydown = 66,
    tm_OilStart = 87,
    tm_Last = 96,
    tm_LastZeltoLib = 96,
};

constexpr bool KillIt = true;
constexpr bool DontKill = false;

// The model's change counter. Every change of an element list and every change of a rectangle
// advances it, so that an index built over children and their rectangles can tell whether it is
// still current (compare the value it was built at). The model is changed by one thread at a time,
// so a plain load and store suffice: any change of the value invalidates, a lost increment does not
// matter.
namespace detail {
inline std::atomic<quint64> g_modelEpoch{0};
}
inline quint64 modelEpoch() {
    return detail::g_modelEpoch.load(std::memory_order_relaxed);
}
inline void touchModel() {
    detail::g_modelEpoch.store(detail::g_modelEpoch.load(std::memory_order_relaxed) + 1,
                               std::memory_order_relaxed);
}

// A plain ordered list of element references. One pointer wide: a list that was never used holds
// nothing, a list of one element holds it inline (most owner lists), and only longer lists
// allocate a block. A block holds either a slot per element or, for elements lying at equal steps
// in memory (the vertices of a line come from the element pool one after another), only the first
// address and the step: a run. A run is just a shorter spelling of the same addresses; a change it
// cannot express turns it back into slots first.
class TSuperList {
public:
    TSuperList() = default;
    TSuperList(const TSuperList&) = delete;
    TSuperList& operator=(const TSuperList&) = delete;
    ~TSuperList() {
        if (isBlock()) std::free(block());
    }

    // Whether the list has ever been created.
    bool created() const { return m_bits != 0; }
    void create() {
        if (!m_bits) m_bits = EmptyTag;
    }
    int count() const { return isBlock() ? block()->count : (m_bits & SingleTag) ? 1 : 0; }
    bool isEmpty() const { return count() == 0; }
    TElement* at(int i) const {
        if (!isBlock()) return single();
        const Block* b = block();
        return b->capacity >= 0 ? items()[i] : runAt(b, i);
    }
    void set(int i, TElement* e);
    void append(TElement* e);
    void insert(int index, TElement* e);
    void removeAt(int index);
    TElement* takeLast();
    int indexOf(const TElement* e) const;
    // Removes the first occurrence; answers its former position or -1.
    int removeFirst(const TElement* e);
    // Removes the last occurrence; answers its former position or -1. Owners are added at the end
    // and let go in reverse, so this finds the entry at the end and moves nothing.
    int removeLast(const TElement* e);
    // Empties the list (it stays created).
    void clear() {
        touchModel();
        if (isBlock())
            block()->count = 0;
        else if (m_bits)
            m_bits = EmptyTag;
    }
    void reserve(int capacity);
    // Slots the list holds without growing: 1 for an inline list, the block's size otherwise (a
    // run holds exactly its elements).
    int capacity() const {
        if (!isBlock()) return 1;
        return isRun() ? block()->count : block()->capacity;
    }
    // Gives back the slots beyond the count (the growth slack): the block shrinks to the count, a
    // list of one element or none goes back inline, and elements at equal steps in memory become a
    // run. The order and the elements stay.
    void squeeze();
    // Whether the list is held as a run (first address and step, no slot per element).
    bool isRun() const { return isBlock() && block()->capacity < 0; }
    void swap(TSuperList& other) noexcept {
        touchModel();
        std::swap(m_bits, other.m_bits);
    }

    class const_iterator {
    public:
        const_iterator(const TSuperList* list, int index) : m_list(list), m_index(index) {}
        TElement* operator*() const { return m_list->at(m_index); }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator!=(const const_iterator& o) const { return m_index != o.m_index; }
        bool operator==(const const_iterator& o) const { return m_index == o.m_index; }

    private:
        const TSuperList* m_list;
        int m_index;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, count()); }

private:
    // A block of slots (capacity >= 0, the slots follow), or a run (capacity = minus the step in
    // bytes, one slot follows with the first element's address).
    struct Block {
        qint32 count;
        qint32 capacity;
    };
    // Element pointers are at least 8-aligned, so the low bits tell the three inline states apart.
    static constexpr quintptr SingleTag = 1;
    static constexpr quintptr EmptyTag = 2;
    bool isBlock() const { return m_bits && !(m_bits & (SingleTag | EmptyTag)); }
    Block* block() const { return reinterpret_cast<Block*>(m_bits); }
    TElement* single() const { return reinterpret_cast<TElement*>(m_bits & ~SingleTag); }
    TElement** items() const { return reinterpret_cast<TElement**>(block() + 1); }
    static TElement* runAt(const Block* b, int i) {
        const auto* first = reinterpret_cast<TElement* const*>(b + 1);
        return reinterpret_cast<TElement*>(quintptr(*first) + quintptr(i) * quintptr(-b->capacity));
    }
    // Moves the inline contents or a run into a block of at least `minCapacity` slots.
    void grow(int minCapacity);
    quintptr m_bits = 0;
};

// Reader and writer of the tagged values of the legacy record layout; the persistence layer
// provides the implementations.
class TReader {
public:
    virtual ~TReader();
    virtual qint32 ReadInteger() = 0;
    virtual double ReadFloat() = 0;
    virtual QString ReadString() = 0;
    virtual void ReadListBegin() = 0;
    virtual void ReadListEnd() = 0;
    virtual bool EndOfList() = 0;
    // Raw bytes without a tag (some legacy records carry them).
    virtual QByteArray ReadRaw(qsizetype n) = 0;
};

class TWriter {
public:
    virtual ~TWriter();
    virtual void WriteInteger(qint32 value) = 0;
    virtual void WriteFloat(double value) = 0;
    virtual void WriteString(const QString& value) = 0;
    virtual void WriteListBegin() = 0;
    virtual void WriteListEnd() = 0;
    virtual void WriteRaw(const char* bytes, qsizetype n) = 0;
};

// The process-wide visit mark; always negative (see ResetBaseID).
qint32 BaseID();
// Chooses a new visit mark, different from every recent one and from -1 and -2.
void ResetBaseID();

class TElement : public TPersistent {
    ZELTO_CLASS(TElement, TPersistent)
public:
    qint32 ID = -1;

    TElement() = default;
    TElement(const TElement&) = delete;
    TElement& operator=(const TElement&) = delete;
    ~TElement() override;

#if !defined(__SANITIZE_ADDRESS__) && !ZELTO_HAS_ASAN
    // Small elements come from per-thread pools (a model holds millions of them); sanitizer builds
    // use the global heap so that every error is seen.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
#endif

    virtual qint32 GetInstanceSize() const;
    virtual qint32 GetWholeSize();
    virtual qint32 GetWholeSizes();
    virtual QString GetName() const;
    virtual void SetName(const QString& name);
    virtual TEntity* GetOwnerEntity(int index) const;
    virtual void PutOwner(int index, TEntity* owner);
    virtual qint32 GetOwnersCount() const;
    virtual bool StoreName() const;
    virtual void Load(TReader& reader, TEntity* index);
    virtual void Save(TWriter& writer);
    virtual bool NoElements() const;
    virtual TElement* CreateEnvelope();
    virtual void HandleMessage(TZeltoMessage& message, bool& handled);
    virtual void OwnersHandleMessage(TZeltoMessage& message, bool& handled);
    // Publishes the message on the message bus; takes ownership of it.
    virtual void SendZeltoMsg(TZeltoMessage* message);
    virtual void SendMsg(qint32 msg, TElement* receiver, TElement* data, bool killData);
    virtual void PostMsg(qint32 msg, TElement* receiver, TElement* data, bool killData);
    virtual void SendMsgToOwners(qint32 msg, TElement* data, bool killData);
    virtual void PostMsgToOwners(qint32 msg, TElement* data, bool killData);
    virtual void OnTimer();
    virtual void AddOwner(TEntity* owner);
    virtual void RemoveOwner(TEntity* owner);
    virtual bool IsMyOwner(const TEntity* owner) const;
    virtual bool NoOwners() const;
    virtual TEntity* FindOwnerClass(const TClassInfo& cls) const;
    virtual TEntity* FindOwnerName(const QString& name) const;
    virtual TElement* FindClassInOwners(const TClassInfo& cls);
    virtual TElement* FindClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner);
    virtual TElement* FindFirstClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner);
    virtual bool IsPossibleToFree();
    virtual void ResetID();
    virtual void ResetIDs();
    virtual bool HasPropertyByName(const QString& name) const;
    virtual QString GetPropertyStringByName(const QString& name) const;
    virtual void SetPropertyStringByName(const QString& name, const QString& value);
    virtual qint32 GetPropertyLongIntByName(const QString& name) const;
    virtual void SetPropertyLongIntByName(const QString& name, qint32 value);
    virtual qint32 GetPropertyIntByName(const QString& name) const;
    virtual void SetPropertyIntByName(const QString& name, qint32 value);
    // Raises EConvertError when the text form is not a Boolean.
    virtual bool GetPropertyBooleanByName(const QString& name) const;
    virtual void SetPropertyBooleanByName(const QString& name, bool value);

    int GetLastPropertyIndex() const {
        return ClassType().propertyCount() - 1;
    }
    QString Get_ClassName() const {
        return ClassName();
    }
    static TElement* LoadElement(TReader& reader, TEntity* index);
    static void SaveElement(const TElement* element, TWriter& writer);
    void PostTextMsg(qint32 msg, const QString& text, TElement* receiver);
    void PostTextMsgToOwners(qint32 msg, const QString& text);

    // Whether an owning entity holds this element although it does not keep a list of owners
    // (the guard against destroying such an element from two containers).
    bool heldByContainer() const {
        return m_flags & HeldFlag;
    }

protected:
    friend class TEntity;
    friend qint64 objectToNumber(const TPersistent*);
    // NotHoldingFlag: set on a container that lists children without holding them (TQuickEntity).
    enum : quint8 { HeldFlag = 1, NumberedFlag = 2, NotHoldingFlag = 4 };
    quint8 m_flags = 0;
};

class TNameElement : public TElement {
    ZELTO_CLASS(TNameElement, TElement)
public:
    QString FName;

    qint32 GetInstanceSize() const override;
    QString GetName() const override;
    void SetName(const QString& name) override;
    bool StoreName() const override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
};

class TOwnerElement : public TNameElement {
    ZELTO_CLASS(TOwnerElement, TNameElement)
public:
    TSuperList FOwners;

    ~TOwnerElement() override;
    TEntity* GetOwnerEntity(int index) const override;
    void PutOwner(int index, TEntity* owner) override;
    qint32 GetOwnersCount() const override;
    void AddOwner(TEntity* owner) override;
    void RemoveOwner(TEntity* owner) override;
    bool IsMyOwner(const TEntity* owner) const override;
    TEntity* FindOwnerClass(const TClassInfo& cls) const override;
    TEntity* FindOwnerName(const QString& name) const override;
};

class TEntity : public TElement {
    ZELTO_CLASS(TEntity, TElement)
public:
    TSuperList FElements;

    ~TEntity() override;

    qint32 GetWholeSizes() override;
    bool NoElements() const override;
    TElement* CreateEnvelope() override;
    void OnTimer() override;
    void ResetIDs() override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;

    virtual qint32 ElementsCount() const;
    virtual qint32 GetLastIndex() const;
    // Raises EListError for an index outside the list, except that an entity that never had
    // children answers none.
    virtual TElement* Get(int index) const;
    virtual void Put(int index, TElement* element);
    virtual qint32 IndexOf(const TElement* element) const;
    virtual void FreeAll();
    virtual TElement* CreateElement(const QString& className, const QString& name);
    virtual void AddElement(TElement* element);
    virtual void InsertElement(int index, TElement* element);
    virtual void RemoveElement(TElement* element);
    virtual void RemoveElementIndex(int index);
    virtual void FreeElement(TElement* element);
    virtual void FreeElementIndex(int index);
    virtual TElement* FindElementClass(const TClassInfo& cls) const;
    virtual TElement* FindElementName(const QString& name) const;
    virtual TElement* FindElementByProperty(const QString& propertyName, const QString& value) const;
    virtual TElement* FindElementByValue(const QString& value) const;
    virtual bool CanFreeElement(const TElement* element) const;

    qint32 GetWholeCount();
    qint32 GetWholeCounts();
    TElement* GetElement(const QString& name) const;
    void SetElement(const QString& name, TElement* element);
    void Clear() { FElements.clear(); }
    void HardFreeAll();
    void FastFreeAll();
    void PAddAllFrom(TElement* source);
    void RAddAllFrom(TElement* source);
    void GetElements(TElement* source, int from, int to);
    qint32 GetClassCount(const TClassInfo& cls) const;
    void ExchangeElements(TElement* element1, TElement* element2);
    void ExchangeElementsIndex(int index1, int index2);
    TElement* FindOrCreateElementName(const TClassInfo& cls, const QString& name);
    // The standard setter of a field that holds an owned child.
    template <class T> void ExchangeFieldElement(T*& field, T* element) {
        TElement* f = field;
        ExchangeFieldElementImpl(f, element);
        field = static_cast<T*>(f);
    }
    void SetElementToFree(TElement* element) { FreeElement(element); }

    template <class T> T* GetAs(int index) const { return zelto_cast<T>(Get(index)); }

    // The first child of class T whose name equals `name` ignoring case; none when missing.
    template <class T> T* FindNamedChild(const QString& name) const {
        for (TElement* e : FElements)
            if (e && e->Is<T>() && sameTextName(e, name)) return static_cast<T*>(e);
        return nullptr;
    }
    // The same, creating, naming and adding a new T when missing.
    template <class T> T* NamedChild(const QString& name) {
        if (T* found = FindNamedChild<T>(name)) return found;
        auto* child = new T;
        child->SetName(name);
        AddElement(child);
        return child;
    }

protected:
    static bool sameTextName(const TElement* e, const QString& name);
    // Shared by the adding operations: refuses a second owning container for an element that
    // does not keep its owners (it would be destroyed twice).
    bool acceptChild(TElement* element);
    // Drops this entity's claim on a child (nothing for a container that does not hold).
    void releaseChild(TElement* element);
    // Whether freeing may destroy the child: a container that does not hold its children leaves
    // alone an element that an owning container holds.
    bool mayDestroyChild(TElement* element);
    // Destroys or releases a child already taken off the list.
    void freeTaken(TElement* element);
    void ExchangeFieldElementImpl(TElement*& field, TElement* element);
};

class TNameEntity : public TEntity {
    ZELTO_CLASS(TNameEntity, TEntity)
public:
    QString FName;

    qint32 GetInstanceSize() const override;
    QString GetName() const override;
    void SetName(const QString& name) override;
    bool StoreName() const override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
};

class TOwnerEntity : public TNameEntity {
    ZELTO_CLASS(TOwnerEntity, TNameEntity)
public:
    TSuperList FOwners;

    ~TOwnerEntity() override;
    TEntity* GetOwnerEntity(int index) const override;
    void PutOwner(int index, TEntity* owner) override;
    qint32 GetOwnersCount() const override;
    void AddOwner(TEntity* owner) override;
    void RemoveOwner(TEntity* owner) override;
    bool IsMyOwner(const TEntity* owner) const override;
    TEntity* FindOwnerClass(const TClassInfo& cls) const override;
    TEntity* FindOwnerName(const QString& name) const override;

    void InsertNameSortedEntity(TElement* entity);
    TElement* CreateSubEntity(const TClassInfo& cls, const QString& name);
};

class TStringEntity : public TOwnerEntity {
    ZELTO_CLASS(TStringEntity, TOwnerEntity)
public:
    QString FValue;
    void SetValue(const QString& value) { FValue = value; }
};

// A fast container that does not register itself as owner of what it holds.
class TQuickEntity : public TEntity {
    ZELTO_CLASS(TQuickEntity, TEntity)
public:
    TQuickEntity() { m_flags |= NotHoldingFlag; }
    void AddElement(TElement* element) override;
    void InsertElement(int index, TElement* element) override;
    void SetClearIt(bool clear) {
        if (clear) Clear();
    }
};

// An entity that knows only the last entity that took it; owner lookups and messages go there.
class TEnvelopeEntity : public TEntity {
    ZELTO_CLASS(TEnvelopeEntity, TEntity)
public:
    TEntity* FOwner = nullptr;

    // An envelope destroyed directly leaves its owner's list, so no stale entry remains there.
    ~TEnvelopeEntity() override;
    void AddOwner(TEntity* owner) override;
    void RemoveOwner(TEntity* owner) override;
    TEntity* FindOwnerClass(const TClassInfo& cls) const override;
    TElement* FindClassInOwners(const TClassInfo& cls) override;
    TElement* FindClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner) override;
    TElement* FindFirstClassWithOwnerInOwners(const TClassInfo& cls, const TEntity* owner) override;
    void HandleMessage(TZeltoMessage& message, bool& handled) override;
};

class TAliasElement : public TOwnerElement {
    ZELTO_CLASS(TAliasElement, TOwnerElement)
public:
    TElement* FTarget = nullptr; // not owned
};

class TAliases : public TEntity {
    ZELTO_CLASS(TAliases, TEntity)
public:
    TElement* GetAlias(const QString& name) const;
    void SetAlias(const QString& name, TElement* element);
};

// Marker without data; the stream reader drops it when it ends a stream.
class TYouShallNotPass : public TElement {
    ZELTO_CLASS(TYouShallNotPass, TElement)
};

class TZeltoMessage : public TElement {
    ZELTO_CLASS(TZeltoMessage, TElement)
public:
    TElement* FSender = nullptr;
    TElement* FReceiver = nullptr;
    qint32 FMessage = 0;
    TElement* FData = nullptr;
    bool FKillData = false;
    double FTime = 0;

    TZeltoMessage() = default;
    ~TZeltoMessage() override;
    static TZeltoMessage* CreateAll(qint32 message, TElement* sender, TElement* receiver, TElement* data,
                                    bool killData);
};

class TZeltoTextMessage : public TZeltoMessage {
    ZELTO_CLASS(TZeltoTextMessage, TZeltoMessage)
public:
    QString FMessageText;
    QString GetMessageText() const { return FMessageText; }
    void SetMessageText(const QString& text) { FMessageText = text; }
};

// Watches a set of elements and notes which of them are destroyed, on this thread, while it lives.
class TDestructionWatch {
public:
    TDestructionWatch();
    ~TDestructionWatch();
    TDestructionWatch(const TDestructionWatch&) = delete;
    TDestructionWatch& operator=(const TDestructionWatch&) = delete;

    void watch(const TElement* e);
    bool alive(const TElement* e) const;
    qsizetype count() const;
    // Called by every element's destructor.
    static void destroyed(const TElement* e);

private:
    struct Data;
    Data* d;
    TDestructionWatch* m_previous;
};

// Frees a set of elements that may hold each other (children, owned properties) so that none is
// destroyed twice: elements nobody in the set holds go first, the later-created first.
// `elements` is in creation order.
void FreeElementSet(const std::vector<TElement*>& elements);

// Creates an element of a registered class by name, retrying with "T" prefixed; reports an
// unregistered name and answers none.
TElement* CreateElementByName(const QString& name);

void registerElementClasses();

} // namespace zelto
