// Writing element graphs to object streams. TSave writes the current format: the root and
// everything reachable through children and stored element properties, in post-order, each class
// described once before its first element. TSaver writes the older "TPF0" layout (test fixtures).
#pragma once

#include "StreamIO.h"
#include "framework/t_Recurs.h"

#include <QHash>

#include <vector>

namespace zelto {

class TZeltoClasses;
class TZeltoClass;
class TZeltoInstance;

class TZeltoSaver : public TRecursor {
    ZELTO_CLASS(TZeltoSaver, TRecursor)
public:
    qint32 FIndex = 0;
    QString FFileName;
    TZeltoClasses* FClasses = nullptr;
    TElement* FActualElement = nullptr;
    qint32 FActualPropertyIndex = -1;
    TZeltoInstance* FInstance = nullptr;
    QString FComment;

    explicit TZeltoSaver(const QString& fileName = QString());
    ~TZeltoSaver() override;

    void DoIt() override;
    QString NumberToPropertyName(int number) const override;
    bool QGoInside(TElement* element) override;
    bool QProcessAfter(TElement* element) override;
    void Process(TElement* element) override;

    virtual void Prepare();
    virtual void ResetModelIDs();
    virtual void PrepareClasses();
    virtual void SaveClasses();
    virtual void SaveInfo();
    // True when the current element's class has been described in this stream already.
    virtual bool CheckClass();
    virtual void SaveClass(TZeltoClass* entry);
    virtual void NewElement();
    virtual void SaveProperties();
    virtual void SaveElements();
    virtual void SaveInteger(qint32 value);
    virtual void SaveChar(QChar value);
    virtual void SaveFloat(double value);
    virtual void SaveString(const QString& value);
    // Writes the pair (property index, reference) of an element-valued property.
    virtual void SaveElement(TElement* element);

    QString GetFileName() const { return FFileName; }
    void SetFileName(const QString& name) { FFileName = name; }
    // The bytes written so far (the whole stream after DoIt).
    const QByteArray& Data() const { return m_data; }

protected:
    struct ClassRecord {
        int number = -1;
        TZeltoClass* entry = nullptr;
        std::vector<int> candidates; // properties with reader and writer of a written kind
    };
    // Writes the subtree of `root` in post-order (children first); refuses child cycles.
    void walk(TElement* root);
    ClassRecord& recordFor(const TClassInfo& cls);
    void protocol(const QString& text);

    QByteArray m_data;
    TTaggedWriter m_writer{m_data};
    QHash<const TClassInfo*, ClassRecord> m_records;
    const TClassInfo* m_lastClass = nullptr;
    ClassRecord* m_lastRecord = nullptr;
    qint32 m_inProgress = 0; // the mark of elements whose children are being written
    int m_nesting = 0;       // element lists nested in property values around the current one
    bool m_progress = false;
};

class TStreamSaver : public TZeltoSaver {
    ZELTO_CLASS(TStreamSaver, TZeltoSaver)
public:
    using TZeltoSaver::TZeltoSaver;
    // Writes the stream and replaces the file atomically; raises EStreamWriteError (the previous
    // file stays intact) or EBadStreamName.
    void DoIt() override;
};

class TSave : public TStreamSaver {
    ZELTO_CLASS(TSave, TStreamSaver)
public:
    using TStreamSaver::TStreamSaver;
};

// Writer of the older "TPF0" layout: elements numbered by position in post-order, each as its
// class name and legacy record. Nothing in the system writes this layout; tests use it.
class TSaver : public TRecursor {
    ZELTO_CLASS(TSaver, TRecursor)
public:
    qint32 FIndex = 0;

    explicit TSaver(const QString& fileName = QString());
    void DoIt() override;
    bool QProcessAfter(TElement* element) override;
    void Process(TElement* element) override;
    const QByteArray& Data() const { return m_data; }

private:
    QByteArray m_data;
    TTaggedWriter m_writer{m_data};
};

// Replaces `fileName` with `data`; the old file survives any failure. Raises EStreamWriteError.
void writeStreamFile(const QString& fileName, const QByteArray& data);
// The property kinds whose values the stream writer carries.
bool isStreamWrittenKind(TTypeKind k);

void registerSaverClasses();

} // namespace zelto
