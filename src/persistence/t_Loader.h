// Reading object streams. TLoad reads the current format and hands the older "TPF0" layout to
// TLoader. Structural damage (truncation, malformed values, impossible numbers) ends the read with
// EBadStream naming the file and the byte offset, and everything read so far is freed; differences
// between the stream's classes and the program's (unknown classes, lost or retyped properties) are
// reported as protocol texts and reading goes on.
#pragma once

#include "StreamIO.h"
#include "framework/Tools.h"

#include <QByteArray>

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

namespace zelto {

class TZeltoClass;
class TZeltoInstance;

namespace detail {
class TReadTable; // ReadTable.h, private to the reader
} // namespace detail

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
    // After DoIt: the elements of the last read that are still alive and that no element of the
    // read frees itself, in the order read. Handing this list to FreeElementSet frees the whole read
    // as it was read, including elements that only element properties refer to. Left out are the
    // plain elements (not entities, without element properties) that exactly one owning container
    // of the read holds and that nothing else of the read names, such as the vertices of a line:
    // their holder frees them. A caller that takes such an element away from its holder owns it.
    const std::vector<TElement*>& ReadElements() const { return m_survivors; }
    // After DoIt: how many element records the last read took from the stream.
    qsizetype RecordsRead() const { return m_recordsRead; }

    static constexpr int MaxNesting = StreamMaxNesting;
    // Reads of at least this many bytes hand the heap's free pages back to the system afterwards.
    static constexpr qint64 MinInputToTrim = qint64(4) << 20;
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
    // Not an entity and no element properties (the class of the last answer is remembered).
    bool isPlainLeaf(const TElement* e);

    QByteArray m_data;
    // A file read through a window instead of bytes in memory (TStreamLoader), and its size.
    QIODevice* m_source = nullptr;
    qint64 m_sourceSize = 0;
    qint64 inputSize() const { return m_source ? m_sourceSize : qint64(m_data.size()); }
    std::unique_ptr<TTaggedReader> m_reader;
    std::deque<LoadedClass> m_classes; // a deque: pointers into it survive a nested list adding a class
    std::unique_ptr<detail::TReadTable> m_table; // the elements read, by element number, while reading
    std::vector<TElement*> m_read;               // after reading: the elements not retired, in number order
    std::vector<bool> m_named;                   // whether an element property of the stream names a number
    std::vector<TElement*> m_survivors;
    std::vector<bool> m_held;       // whether an element number is a child or a property value of another
                                    // (after reading: by position in m_read)
    std::vector<bool> m_done;       // whether an element number's record has been read to its end
    std::vector<qint32> m_children; // the child numbers of the element being read
    std::vector<qint32> m_retiring; // of those, the numbers its holder alone keeps
    std::vector<TElement*> m_retiringElements;
    const TClassInfo* m_plainClass = nullptr;
    bool m_plainClassIsLeaf = false;
    LoadedClass* m_class = nullptr;
    int m_depth = 0;
    qint32 m_lastTop = -1;     // the last element record of the top-level list: the root
    qint32 m_previousTop = -1; // the one before it
    qsizetype m_lastGauge = 0;
    qsizetype m_recordsRead = 0;
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
    // After a DoIt with output: every element read, in the order read (TLoad::ReadElements leaves
    // out the elements their holders free).
    const std::vector<TElement*>& ReadElements() const { return m_read; }

private:
    QByteArray m_data;
    std::vector<TElement*> m_read;
};

void registerLoaderClasses();

} // namespace zelto
