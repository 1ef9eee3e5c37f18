// Reading object streams. TLoad reads the current format and hands the older "TPF0" layout to
// TLoader. Structural damage (truncation, malformed values, impossible numbers) ends the read with
// EBadStream naming the file and the byte offset, and everything read so far is freed; differences
// between the stream's classes and the program's (unknown classes, lost or retyped properties) are
// reported as protocol texts and reading goes on.
#pragma once

#include "StreamIO.h"
#include "framework/Tools.h"

#include <QByteArray>

#include <deque>
#include <memory>
#include <vector>

namespace zelto {

class TZeltoClass;
class TZeltoInstance;

class TZeltoLoader : public TTool {
    ZELTO_CLASS(TZeltoLoader, TTool)
public:
    QString FFileName;
    qint32 FActualPropertyIndex = -1;
    TQuickEntity* FContainer = nullptr;
    TElement* FActualElement = nullptr;
    TZeltoClass* FActualClass = nullptr;
    TZeltoInstance* FInstance = nullptr;
    TOwnerEntity* FClasses = nullptr;
    qint32 FLastElementIndex = -1;

    explicit TZeltoLoader(const QString& fileName = QString());
    ~TZeltoLoader() override;

    void DoIt() override;
    QString NumberToPropertyName(int number) const override;

    virtual void StartGauge();
    virtual void EndGauge();
    virtual void UpdateGauge();
    virtual qint32 GetGaugeMax() const;
    virtual void Prepare();
    virtual void Finish();
    virtual void PrepareClasses();
    virtual void LoadInfo();
    virtual void LoadClasses();
    virtual void LoadClass();
    virtual void AddClass(const QString& name);
    virtual void AddClassProperty(const QString& name, int kind);
    virtual void LoadAll();
    virtual void NewElement(qint32 classNumber);
    virtual void LoadProperties();
    virtual void SetProperty(int index, TTypeKind kind, const TValue& value);
    virtual void LoadElements();
    virtual void AddNextElement(TElement* element);

    QString GetFileName() const { return FFileName; }
    void SetFileName(const QString& name) { FFileName = name; }
    TQuickEntity* GetContainer() const { return FContainer; }

    // Reads from bytes already in memory (the file name names them in messages).
    void SetData(const QByteArray& data) { m_data = data; }
    // After DoIt: every element of the last read that is still alive, in the order read. Handing
    // this list to FreeElementSet frees the whole read, including elements that only element
    // properties refer to.
    const std::vector<TElement*>& ReadElements() const { return m_survivors; }

    static constexpr int MaxNesting = 200;
    // Deepest child graph read: freeing and walking recurse once per level.
    static constexpr int MaxChildDepth = 1000;

protected:
    struct StoredProperty {
        QString name;
        TTypeKind storedKind = tkUnknown;
        int trueIndex = -1;
        const TPropInfo* current = nullptr; // the program's property, when the value is taken
        bool lost = false;
        bool mishmash = false;
    };
    struct LoadedClass {
        QString name;
        const TClassInfo* cls = nullptr;
        std::vector<StoredProperty> props;
    };
    void protocol(const QString& text);
    void readValue(const StoredProperty& sp, int index);
    template <class F> void setFast(F&& set, const StoredProperty& sp);
    void finishElement(qint32 index);
    void freeAllRead();
    void freeUnreachable(TElement* output);
    void runCurrentFormat();

    QByteArray m_data;
    // A file being read through a memory mapping: the mapped bytes (m_data refers to them without
    // a copy) and how far the pages behind the reader have been handed back (releaseConsumedInput).
    const uchar* m_mapped = nullptr;
    qsizetype m_released = 0;
    void releaseConsumedInput();
    std::unique_ptr<TTaggedReader> m_reader;
    std::deque<LoadedClass> m_classes; // a deque: pointers into it survive a nested list adding a class
    std::vector<TElement*> m_read;     // every element read, by element number
    std::vector<TElement*> m_survivors;
    std::vector<bool> m_held;       // whether an element number is a child or a property value of another
    std::vector<bool> m_done;       // whether an element number's record has been read to its end
    std::vector<qint32> m_children; // the child numbers of the element being read
    LoadedClass* m_class = nullptr;
    int m_depth = 0;
    qint32 m_lastTop = -1;     // the last element record of the top-level list: the root
    qint32 m_previousTop = -1; // the one before it
    qsizetype m_lastGauge = 0;
    static constexpr qint32 InProgressMark = -3; // the ID of an element whose record is open
};

class TStreamLoader : public TZeltoLoader {
    ZELTO_CLASS(TStreamLoader, TZeltoLoader)
public:
    using TZeltoLoader::TZeltoLoader;
    // Raises EBadStreamName for an empty name and EBadStream for a missing, unreadable or
    // malformed file.
    void DoIt() override;
    void UseOldLoader();
};

class TLoad : public TStreamLoader {
    ZELTO_CLASS(TLoad, TStreamLoader)
public:
    using TStreamLoader::TStreamLoader;
};

// Reader of the older "TPF0" layout; the element's name is the file name.
class TLoader : public TTool {
    ZELTO_CLASS(TLoader, TTool)
public:
    TQuickEntity* FContainer = nullptr;

    explicit TLoader(const QString& fileName = QString());
    ~TLoader() override;
    void DoIt() override;
    void SetData(const QByteArray& data) { m_data = data; }
    // After a DoIt with output: every element read, in the order read.
    const std::vector<TElement*>& ReadElements() const { return m_read; }

private:
    QByteArray m_data;
    std::vector<TElement*> m_read;
};

void registerLoaderClasses();

} // namespace zelto
