#include "T_Saver.h"

#include "framework/SafeFile.h"
#include "framework/e_Class.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace zelto {

namespace {

// Kind codes as class records carry them.
int streamKindCode(TTypeKind k) {
    if (k == tkUString) return tkLString;
    if (k == tkWChar) return tkChar;
    return k;
}

QString quotedProperty(const QString& cls, const QString& prop, const char* tail) {
    return cls + QStringLiteral(" property \"") + prop + QStringLiteral("\"") + QLatin1String(tail);
}
} // namespace

// Kinds whose values the stream carries.
bool isStreamWrittenKind(TTypeKind k) {
    switch (k) {
    case tkInteger:
    case tkEnumeration:
    case tkSet:
    case tkChar:
    case tkWChar: // as a character (a one-character string), so that a letter property survives
    case tkFloat:
    case tkString:
    case tkLString:
    case tkUString:
    case tkClass:
        return true;
    default:
        return false;
    }
}

void writeStreamFile(const QString& fileName, const QByteArray& data) {
    QString reason;
    if (!writeFileAtomically(fileName, data, &reason))
        throw EStreamWriteError(QStringLiteral("Soubor %1 nelze uložit: %2").arg(fileName, reason));
}

// ---- TZeltoSaver ---------------------------------------------------------------------------------

void TZeltoSaver::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TZeltoSaver::GetFileName, &TZeltoSaver::SetFileName>("FileName");
}
ZELTO_IMPLEMENT_CLASS(TZeltoSaver, TRecursor, "T_Saver")

TZeltoSaver::TZeltoSaver(const QString& fileName) : FFileName(fileName) {}

TZeltoSaver::~TZeltoSaver() = default;

QString TZeltoSaver::NumberToPropertyName(int) const {
    return QStringLiteral("FileName");
}

bool TZeltoSaver::QGoInside(TElement* element) {
    // An element written already has had its children written before it.
    return element && element->Is<TEntity>() && element->ID < 0 && element->ID != -1 && element->ID != -2;
}

bool TZeltoSaver::QProcessAfter(TElement*) {
    return true;
}

void TZeltoSaver::protocol(const QString& text) {
    PostTextMsg(tm_AddToProtocol, text, nullptr);
}

void TZeltoSaver::Prepare() {
    if (!FInstance) {
        FInstance = new TZeltoInstance;
        AddElement(FInstance);
    }
}

void TZeltoSaver::ResetModelIDs() {
    FInPut->ResetID();
    PrepareClasses();
}

void TZeltoSaver::PrepareClasses() {
    if (FClasses) FreeElement(FClasses);
    FClasses = new TZeltoClasses;
    AddElement(FClasses);
    m_records.clear();
    m_lastClass = nullptr;
    m_lastRecord = nullptr;
}

void TZeltoSaver::SaveClasses() {}

void TZeltoSaver::SaveInfo() {
    m_writer.WriteRaw("ZLT0", 4);
    m_writer.WriteString(QStringLiteral("G ZELTO"));
    m_writer.WriteString(QStringLiteral("4.0 BETA"));
    m_writer.WriteString(FComment.isEmpty() ? QStringLiteral("No comment") : FComment);
    m_writer.WriteListBegin();
}

void TZeltoSaver::DoIt() {
    TTool::DoIt();
    m_data.clear();
    Prepare();
    if (!FInPut) {
        m_data.append(char(0));
        return;
    }
    m_progress = false;
    if (!GetNoProgress()) {
        auto* entity = zelto_cast<TEntity>(FInPut);
        const qint32 count = entity ? entity->GetWholeCount() : 500;
        if (count > 500) {
            StartProgress(
                QStringLiteral("Ukládání modelu do souboru %1 -celkem %2 Elementů").arg(FFileName).arg(count),
                0, count);
            m_progress = true;
        }
    }
    ResetModelIDs();
    m_inProgress = BaseID() - 1;
    m_nesting = 0;
    FIndex = 0;
    SaveInfo();
    try {
        walk(FInPut);
    } catch (...) {
        if (m_progress) EndProgress();
        throw;
    }
    if (m_progress) EndProgress();
    m_writer.WriteListEnd();
}

void TZeltoSaver::walk(TElement* root) {
    struct Frame {
        TEntity* entity;
        int next;
    };
    std::vector<Frame> stack;
    auto enter = [&](TElement* e) {
        if (QGoInside(e)) {
            e->ID = m_inProgress;
            stack.push_back({static_cast<TEntity*>(e), 0});
        } else {
            Process(e);
        }
    };
    enter(root);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.entity->ElementsCount()) {
            TElement* child = top.entity->FElements.at(top.next++);
            if (!child) continue;
            if (child->ID == m_inProgress)
                throw EStreamWriteError(
                    QStringLiteral("Soubor %1 nelze uložit: %2 (%3) is its own descendant")
                        .arg(FFileName, child->GetName(), child->ClassName()));
            enter(child);
        } else {
            TEntity* done = top.entity;
            stack.pop_back();
            done->ID = BaseID(); // no longer in progress; Process numbers it
            Process(done);
        }
    }
}

TZeltoSaver::ClassRecord& TZeltoSaver::recordFor(const TClassInfo& cls) {
    auto it = m_records.find(&cls);
    if (it == m_records.end()) it = m_records.insert(&cls, ClassRecord{});
    return it.value();
}

void TZeltoSaver::Process(TElement* element) {
    if (!element || element->ID > BaseID()) return; // written in this run already
    element->ID = FIndex++;
    if (m_progress && FIndex % 500 == 0) {
        SetProgress(FIndex);
        SetProgressText(QStringLiteral("Uloženo %1 elementů").arg(FIndex));
    }
    FActualElement = element;
    FInstance->SetInstance(element);
    if (!CheckClass()) SaveClass(m_lastRecord->entry);
    NewElement();
    SaveProperties();
    SaveElements();
}

bool TZeltoSaver::CheckClass() {
    const TClassInfo& cls = FActualElement->ClassType();
    if (&cls == m_lastClass) return true;
    ClassRecord& rec = recordFor(cls);
    m_lastClass = &cls;
    m_lastRecord = &rec;
    if (rec.number >= 0) return true;
    if (!GetZeltoClass(cls.name())) {
        protocol(cls.name() + QStringLiteral(" - Unknown class !"));
        RegisterZeltoClass(cls);
    }
    // A private entry, numbered by this stream; the shared registry entries stay untouched.
    auto* entry = new TZeltoClass;
    entry->SetElementClass(&cls);
    FClasses->AddZeltoClass(entry);
    rec.entry = entry;
    rec.number = entry->ID;
    const auto& props = cls.properties();
    for (int i = 0; i < int(props.size()); ++i) {
        const TPropInfo& p = props[size_t(i)];
        if (p.readable() && p.writable() && p.staticallyStored() && isStreamWrittenKind(p.kind))
            rec.candidates.push_back(i);
    }
    return false;
}

void TZeltoSaver::SaveClass(TZeltoClass* entry) {
    const TClassInfo& cls = *entry->FElementClass;
    m_writer.WriteInteger(-1);
    m_writer.WriteString(cls.name());
    m_writer.WriteInteger(entry->ID);
    m_writer.WriteListBegin();
    const auto& props = cls.properties();
    for (const TPropInfo& p : props) {
        m_writer.WriteString(p.name);
        m_writer.WriteInteger(streamKindCode(p.kind));
    }
    m_writer.WriteListEnd();
    for (const TPropInfo& p : props) {
        if (!p.storedFor(FActualElement)) continue;
        if (!p.readable() || !p.writable())
            protocol(quotedProperty(cls.name(), p.name, " is Read or Write Only!"));
        else if (p.kind == tkClass && p.propClass && !p.propClass->isElementClass())
            protocol(quotedProperty(cls.name(), p.name, " is not Element!"));
    }
}

void TZeltoSaver::NewElement() {
    m_writer.WriteInteger(m_lastRecord->number);
    m_writer.WriteInteger(FActualElement->ID);
}

void TZeltoSaver::SaveProperties() {
    TElement* e = FActualElement;
    // A nested write rebinds the saver's state; each element keeps its own here.
    const ClassRecord* rec = m_lastRecord;
    const std::vector<TPropInfo>& props = e->ClassType().properties();
    m_writer.WriteListBegin();
    for (int idx : rec->candidates) {
        const TPropInfo& p = props[size_t(idx)];
        if (p.stored == TStoredMode::ByInstance && !p.storedFn(e)) continue;
        FActualPropertyIndex = idx;
        if (p.kind == tkClass) {
            TElement* value = nullptr;
            bool failed = false;
            try { // the getter runs the class's own code and may raise
                const TValue v = p.get(e);
                value = zelto_cast<TElement>(v.obj);
                failed = v.obj && !value;
            } catch (...) {
                failed = true;
            }
            if (failed) {
                m_writer.WriteInteger(idx);
                m_writer.WriteInteger(-1);
            } else if (value) {
                SaveElement(value);
                FActualElement = e;
                m_lastRecord = const_cast<ClassRecord*>(rec);
                m_lastClass = &e->ClassType();
                FInstance->SetInstance(e);
            }
            continue;
        }
        switch (p.kind) {
        case tkInteger:
        case tkEnumeration:
        case tkSet: {
            const qint64 x = p.getOrdinal ? p.getOrdinal(e) : p.get(e).ord;
            if (x != 0) {
                m_writer.WriteInteger(idx);
                SaveInteger(qint32(x));
            }
            break;
        }
        case tkChar:
            m_writer.WriteInteger(idx);
            SaveChar(QChar(char16_t((p.getOrdinal ? p.getOrdinal(e) : p.get(e).ord) & 0xFF)));
            break;
        case tkWChar:
            m_writer.WriteInteger(idx);
            SaveChar(QChar(char16_t((p.getOrdinal ? p.getOrdinal(e) : p.get(e).ord) & 0xFFFF)));
            break;
        case tkFloat: {
            const double x = p.getReal ? p.getReal(e) : p.get(e).real;
            if (x != 0) {
                m_writer.WriteInteger(idx);
                SaveFloat(x);
            }
            break;
        }
        default: { // the string kinds
            const QString x = p.getString ? p.getString(e) : p.get(e).str;
            if (!x.isEmpty()) {
                m_writer.WriteInteger(idx);
                SaveString(x);
            }
            break;
        }
        }
    }
    m_writer.WriteListEnd();
}

void TZeltoSaver::SaveElements() {
    auto* entity = zelto_cast<TEntity>(FActualElement);
    if (!entity || entity->ElementsCount() == 0) {
        m_writer.WriteInteger(0);
        return;
    }
    m_writer.WriteInteger(1);
    m_writer.WriteListBegin();
    for (int i = 0; i < entity->ElementsCount(); ++i) {
        TElement* child = entity->FElements.at(i);
        const qint32 id = child ? child->ID : -1;
        if (id < 0)
            protocol((child ? child->GetName() : QStringLiteral("nil")) + QStringLiteral(": ") +
                     QString::number(id) + QChar('\r'));
        m_writer.WriteInteger(id);
    }
    m_writer.WriteListEnd();
}

void TZeltoSaver::SaveInteger(qint32 value) {
    m_writer.WriteInteger(value);
}
void TZeltoSaver::SaveChar(QChar value) {
    m_writer.WriteChar(value);
}
void TZeltoSaver::SaveFloat(double value) {
    m_writer.WriteFloat(value);
}
void TZeltoSaver::SaveString(const QString& value) {
    m_writer.WriteString(value);
}

void TZeltoSaver::SaveElement(TElement* element) {
    m_writer.WriteInteger(FActualPropertyIndex);
    const qint32 id = element->ID;
    if (id >= 0) {
        m_writer.WriteInteger(id);
        return;
    }
    if (id == m_inProgress) {
        // An element whose children are being written cannot be referenced yet: the stream has
        // no forward references.
        protocol(QStringLiteral("%1 property \"%2\": %3 is not written yet")
                     .arg(FActualElement->ClassName(),
                          FActualElement->ClassType().property(FActualPropertyIndex)->name,
                          element->GetName()));
        m_writer.WriteInteger(-1);
        return;
    }
    // A chain of references nested deeper than a reader accepts would make a file that cannot be
    // read back; the save fails instead and the previous file stays.
    if (m_nesting >= StreamMaxNesting)
        throw EStreamWriteError(
            QStringLiteral("Soubor %1 nelze uložit: element references nested deeper than %2 "
                           "levels (%3 property \"%4\")")
                .arg(FFileName)
                .arg(StreamMaxNesting)
                .arg(FActualElement->ClassName(),
                     FActualElement->ClassType().property(FActualPropertyIndex)->name));
    m_writer.WriteInteger(-2);
    m_writer.WriteListBegin();
    ++m_nesting;
    const auto leave = qScopeGuard([&] { --m_nesting; });
    if (id == -1 || id == -2) {
        // The element outside the written graph gets its own mark back however the write ends.
        const auto restore = qScopeGuard([&] { element->ID = id; });
        if (id == -1)
            element->ResetIDs();
        else
            element->ID = BaseID();
        walk(element);
    } else {
        // A member of the child graph not written yet: written here, ahead of its turn, so that
        // it keeps one number for every later reference.
        walk(element);
    }
    m_writer.WriteListEnd();
}

// ---- TStreamSaver --------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TStreamSaver, TZeltoSaver, "T_Saver")

void TStreamSaver::DoIt() {
    if (FFileName.isEmpty())
        throw EBadStreamName(QStringLiteral("Chybné jméno souboru : %1 !").arg(FFileName));
    TZeltoSaver::DoIt();
    writeStreamFile(FFileName, m_data);
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSave, TStreamSaver, "T_Saver")

// ---- legacy writer -------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSaver, TRecursor, "T_Saver")

TSaver::TSaver(const QString& fileName) {
    SetName(fileName.isEmpty() ? QStringLiteral("ZELTO.ZLT") : fileName);
}

bool TSaver::QProcessAfter(TElement*) {
    return true;
}

void TSaver::Process(TElement* element) {
    if (element->ID >= 0) return;
    element->ID = FIndex++;
    element->Save(m_writer);
}

void TSaver::DoIt() {
    m_data.clear();
    m_writer.WriteRaw("TPF0", 4);
    m_writer.WriteListBegin();
    if (FInPut) {
        FInPut->ResetID();
        FIndex = 0;
        TRecursor::DoIt();
    }
    m_writer.WriteListEnd();
    writeStreamFile(GetName(), m_data);
}

void registerSaverClasses() {
    RegisterZeltoClass(TSaver::StaticClass());
    RegisterZeltoClass(TSave::StaticClass());
}

} // namespace zelto
