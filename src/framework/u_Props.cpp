#include "u_Props.h"

#include "Elements.h"
#include "Notifier.h"
#include "TextLocale.h"

namespace zelto {

namespace {
const char* const kKindNames[] = {"tkUnknown",   "tkInteger",   "tkChar",     "tkEnumeration", "tkFloat",
                                  "tkString",    "tkSet",       "tkClass",    "tkMethod",      "tkWChar",
                                  "tkLString",   "tkWString",   "tkVariant",  "tkArray",       "tkRecord",
                                  "tkInterface", "tkInt64",     "tkDynArray", "tkUString",     "tkClassRef",
                                  "tkPointer",   "tkProcedure", "tkMRecord"};
}

QString typeKindName(int kind) {
    if (kind < 0 || kind > int(tkMRecord)) return QString();
    return QString::fromLatin1(kKindNames[kind]);
}

bool isOrdinalKind(TTypeKind k) {
    return k == tkInteger || k == tkChar || k == tkEnumeration || k == tkSet || k == tkWChar;
}

bool isStringKind(TTypeKind k) {
    return k == tkString || k == tkLString || k == tkWString || k == tkUString;
}

bool TPropInfo::storedFor(const TPersistent* instance) const {
    switch (stored) {
    case TStoredMode::Yes:
        return true;
    case TStoredMode::No:
        return false;
    case TStoredMode::ByInstance:
        return instance && storedFn && storedFn(instance);
    }
    return false;
}

// ---- TClassInfo ----------------------------------------------------------------------------------

TClassInfo::TClassInfo(const char* name, const TClassInfo* parent, const char* unit, int instanceSize,
                       CreateFn create, DeclareFn declare)
    : m_name(QString::fromLatin1(name)), m_parent(parent), m_unit(QString::fromLatin1(unit)),
      m_instanceSize(instanceSize), m_create(create), m_declare(declare) {}

bool TClassInfo::isElementClass() const {
    return inheritsFrom(TElement::StaticClass());
}

const std::vector<TPropInfo>& TClassInfo::properties() const {
    std::call_once(m_once, [this] {
        if (m_parent) m_props = m_parent->properties();
        if (m_declare && (!m_parent || m_declare != m_parent->m_declare)) {
            TPropTableBuilder b(m_props);
            m_declare(b);
        }
        for (size_t i = 0; i < m_props.size(); ++i) m_props[i].index = int(i);
    });
    return m_props;
}

const TPropInfo* TClassInfo::property(int index) const {
    const auto& p = properties();
    if (index < 0 || size_t(index) >= p.size()) return nullptr;
    return &p[size_t(index)];
}

int TClassInfo::propertyIndex(const QString& name) const {
    const auto& p = properties();
    for (size_t i = 0; i < p.size(); ++i)
        if (sameAsciiText(p[i].name, name)) return int(i);
    return -1;
}

TPropRef TPropTableBuilder::add(TPropInfo info) {
    for (size_t i = 0; i < m_table.size(); ++i) {
        if (sameAsciiText(m_table[i].name, info.name)) {
            m_table[i] = std::move(info);
            return TPropRef(m_table, int(i));
        }
    }
    m_table.push_back(std::move(info));
    return TPropRef(m_table, int(m_table.size() - 1));
}

// ---- TPersistent ---------------------------------------------------------------------------------

TPersistent::~TPersistent() = default;

const TClassInfo& TPersistent::StaticClass() {
    static const TClassInfo info("TPersistent", nullptr, "Elements", int(sizeof(TPersistent)), nullptr,
                                 &TPersistent::DeclareProperties);
    return info;
}

const TClassInfo& TPersistent::ClassType() const {
    return StaticClass();
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                            .arg(ClassName(), dest ? dest->ClassName() : QStringLiteral("nil")));
}

void TPersistent::Assign(const TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(QStringLiteral("Cannot assign a nil to a %1").arg(ClassName()));
}

// ---- access by text ------------------------------------------------------------------------------

int GetPropCount(const TPersistent* object) {
    return object ? object->ClassType().propertyCount() : 0;
}

QString GetPropName(const TPersistent* object, int index) {
    const TPropInfo* p = object ? object->ClassType().property(index) : nullptr;
    return p ? p->name : QString();
}

int GetPropType(const TPersistent* object, int index) {
    const TPropInfo* p = object ? object->ClassType().property(index) : nullptr;
    return p ? int(p->kind) : 0;
}

int GetPropIndex(const TPersistent* object, const QString& name) {
    return object ? object->ClassType().propertyIndex(name) : -1;
}

QString GetPropString(const TPersistent* object, int index) {
    if (!object) return QString();
    return FillWithData(object, object->ClassType().property(index));
}

QString GetPropStringByName(const TPersistent* object, const QString& name) {
    if (!object || name.isEmpty()) return QString();
    const TClassInfo& c = object->ClassType();
    const int i = c.propertyIndex(name);
    return i < 0 ? QString() : FillWithData(object, c.property(i));
}

void SetPropString(TPersistent* object, int index, const QString& text) {
    if (!object) return;
    SetPropByString(object, object->ClassType().property(index), text);
}

bool SetPropStringByName(TPersistent* object, const QString& name, const QString& text) {
    if (!object || name.isEmpty()) return false;
    const TClassInfo& c = object->ClassType();
    const int i = c.propertyIndex(name);
    if (i < 0) return false;
    SetPropByString(object, c.property(i), text);
    return true;
}

TPersistent* GetObjectPropByName(const TPersistent* object, const QString& name) {
    if (!object) return nullptr;
    const TPropInfo* p = object->ClassType().property(object->ClassType().propertyIndex(name));
    if (!p || p->kind != tkClass || !p->readable()) return nullptr;
    // The getter runs the class's own code and may raise.
    try {
        return p->get(object).obj;
    } catch (...) {
        return nullptr;
    }
}

bool SetObjectPropByName(TPersistent* object, const QString& name, TPersistent* value) {
    if (!object) return false;
    const TPropInfo* p = object->ClassType().property(object->ClassType().propertyIndex(name));
    if (!p || p->kind != tkClass || !p->writable()) return false;
    // The setter runs the class's own code and may raise (a refused value, a failed conversion).
    try {
        p->set(object, TValue::object(value));
    } catch (...) {
        return false;
    }
    return true;
}

QString FillWithData(const TPersistent* object, const TPropInfo* entry) {
    if (!object || !entry || !entry->readable()) return QString();
    const bool ordinal = isOrdinalKind(entry->kind);
    // The getter runs the class's own code and may raise.
    try {
        const TValue v = entry->get(object);
        switch (entry->kind) {
        case tkInteger:
            return entry->unsignedOrdinal ? QString::number(quint32(v.ord)) : QString::number(qint32(v.ord));
        case tkChar:
            return QString(QChar(char16_t(v.ord & 0xFF)));
        case tkWChar:
            return QString(QChar(char16_t(v.ord)));
        case tkEnumeration:
            if (v.ord >= 0 && v.ord < entry->enumNames.size()) return entry->enumNames.at(qsizetype(v.ord));
            return QString::number(v.ord);
        case tkSet:
            return QString::number(quint32(v.ord));
        case tkFloat:
            return floatToStr(v.real);
        case tkString:
        case tkLString:
        case tkWString:
        case tkUString:
            return v.str;
        case tkClass:
            return QString::number(objectToNumber(v.obj));
        case tkMethod:
            return QString::number(v.method.code) + ';' + QString::number(v.method.data);
        case tkInt64:
            return QString::number(v.ord);
        default:
            return QString();
        }
    } catch (...) {
        return ordinal ? QStringLiteral("Err Ord Value") : QStringLiteral("Err Value");
    }
}

void SetPropByString(TPersistent* object, const TPropInfo* entry, const QString& text) {
    if (!object || !entry || !entry->writable()) return;
    // The setter runs the class's own code and may raise (a refused value, a failed conversion).
    try {
        TValue v;
        v.kind = entry->kind;
        switch (entry->kind) {
        case tkInteger: {
            qint32 i = 0;
            v.ord = tryParseInt32(text, i) ? i : 0;
            break;
        }
        case tkChar:
            v.ord = text.isEmpty() ? 0 : (text.at(0).unicode() & 0xFF);
            break;
        case tkWChar:
            v.ord = text.isEmpty() ? 0 : text.at(0).unicode();
            break;
        case tkEnumeration:
        case tkSet: {
            qint32 i = 0;
            if (tryParseInt32(text, i)) {
                v.ord = i;
            } else {
                qsizetype found = -1;
                for (qsizetype j = 0; j < entry->enumNames.size(); ++j)
                    if (entry->enumNames.at(j).compare(text, Qt::CaseInsensitive) == 0) {
                        found = j;
                        break;
                    }
                if (found < 0) throw EConvertError(QStringLiteral("invalid identifier"));
                v.ord = found;
            }
            break;
        }
        case tkFloat:
            v.real = text.isEmpty() ? 0.0 : strToExtended(text);
            break;
        case tkString:
        case tkLString:
        case tkWString:
        case tkUString:
            v.str = text;
            break;
        case tkClass: {
            qint64 n = 0;
            if (!tryParseInt64(text, n)) n = 0;
            v.obj = objectFromNumber(n);
            if (n != 0 && !v.obj) throw EConvertError(QStringLiteral("unknown object"));
            break;
        }
        case tkMethod: {
            const qsizetype semi = text.indexOf(';');
            qint64 code = 0, data = 0;
            tryParseInt64(semi < 0 ? text : text.left(semi), code);
            if (semi >= 0) tryParseInt64(text.mid(semi + 1, 255), data);
            v.method = {quintptr(code), quintptr(data)};
            break;
        }
        case tkInt64: {
            qint64 n = 0;
            v.ord = tryParseInt64(text, n) ? n : 0;
            break;
        }
        default:
            return;
        }
        entry->set(object, v);
    } catch (...) {
        notifier().message(QStringLiteral("Error filling property ") + entry->name +
                           QStringLiteral(" by string ") + text);
    }
}

} // namespace zelto
