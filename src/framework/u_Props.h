// Class descriptions and property tables.
//
// Every class of the model has a TClassInfo: its name, its parent, the module that declares it,
// its virtual constructor and its ordered table of properties. Properties are declared next to
// the class in a static DeclareProperties function with the TPropTableBuilder helpers; the table
// of a class is its parent's table followed by its own new entries (a redeclared name keeps its
// position). Values cross the generic interface as TValue.
#pragma once

#include "Errors.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

namespace zelto {

class TPersistent;
class TElement;
class TClassInfo;
class TPropTableBuilder;

// Type kinds; the codes are written into object streams.
enum TTypeKind : quint8 {
    tkUnknown = 0,
    tkInteger = 1,
    tkChar = 2,
    tkEnumeration = 3,
    tkFloat = 4,
    tkString = 5,
    tkSet = 6,
    tkClass = 7,
    tkMethod = 8,
    tkWChar = 9,
    tkLString = 10,
    tkWString = 11,
    tkVariant = 12,
    tkArray = 13,
    tkRecord = 14,
    tkInterface = 15,
    tkInt64 = 16,
    tkDynArray = 17,
    tkUString = 18,
    tkClassRef = 19,
    tkPointer = 20,
    tkProcedure = 21,
    tkMRecord = 22,
};

// "tkInteger", ... ("" for codes outside the table).
QString typeKindName(int kind);
// Ordinal kinds (moved as a signed 32-bit ordinal).
bool isOrdinalKind(TTypeKind k);
// String, LString, WString, UString.
bool isStringKind(TTypeKind k);

// An event handler reference: code and data.
struct TMethodValue {
    quintptr code = 0;
    quintptr data = 0;
    bool operator==(const TMethodValue&) const = default;
};

// A value holder for one property value. Reals are doubles in memory.
struct TValue {
    TTypeKind kind = tkUnknown;
    qint64 ord = 0;             // Integer, Char, Enumeration, Set, WChar, Int64
    double real = 0;            // Float
    QString str;                // the string kinds, Variant
    TPersistent* obj = nullptr; // Class
    TMethodValue method;        // Method

    static TValue ordinal(TTypeKind k, qint64 v) {
        TValue r;
        r.kind = k;
        r.ord = v;
        return r;
    }
    static TValue floating(double v) {
        TValue r;
        r.kind = tkFloat;
        r.real = v;
        return r;
    }
    static TValue string(QString v, TTypeKind k = tkUString) {
        TValue r;
        r.kind = k;
        r.str = std::move(v);
        return r;
    }
    static TValue object(TPersistent* o) {
        TValue r;
        r.kind = tkClass;
        r.obj = o;
        return r;
    }
};

using TPropGetter = TValue (*)(const TPersistent*);
using TPropSetter = void (*)(TPersistent*, const TValue&);
using TStoredFn = bool (*)(const TPersistent*);

enum class TStoredMode : quint8 { Yes, No, ByInstance };

// One entry of a property table.
struct TPropInfo {
    QString name;
    TTypeKind kind = tkUnknown;
    // For Class properties: the class of the value when it is a model class; nullptr when the
    // value is an object outside the model (for example the platform's application object).
    const TClassInfo* propClass = nullptr;
    QStringList enumNames;     // identifiers of an Enumeration, by ordinal
    TPropGetter get = nullptr; // none: write-only
    TPropSetter set = nullptr; // none: read-only
    TStoredMode stored = TStoredMode::Yes;
    TStoredFn storedFn = nullptr;
    TValue defaultValue;
    bool hasDefault = false;
    bool unsignedOrdinal = false; // an unsigned integer type: its text form is unsigned
    int index = -1;
    // Typed accessors without a value holder, for the stream's hot paths (set when the property's
    // type allows; the generic accessors above are always there as well).
    QString (*getString)(const TPersistent*) = nullptr;
    void (*setString)(TPersistent*, QString&&) = nullptr;
    qint64 (*getOrdinal)(const TPersistent*) = nullptr;
    void (*setOrdinal)(TPersistent*, qint64) = nullptr;
    double (*getReal)(const TPersistent*) = nullptr;
    void (*setReal)(TPersistent*, double) = nullptr;

    bool readable() const { return get != nullptr; }
    bool writable() const { return set != nullptr; }
    // Statically stored: not declared stored false.
    bool staticallyStored() const { return stored != TStoredMode::No; }
    // Stored for this instance (a stored operation is asked).
    bool storedFor(const TPersistent* instance) const;
};

// The description of one class of the model.
class TClassInfo {
public:
    using CreateFn = TPersistent* (*)();
    using DeclareFn = void (*)(TPropTableBuilder&);

    TClassInfo(const char* name, const TClassInfo* parent, const char* unit, int instanceSize,
               CreateFn create, DeclareFn declare);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const QString& name() const { return m_name; }
    const TClassInfo* parent() const { return m_parent; }
    const QString& unitName() const { return m_unit; }
    int instanceSize() const { return m_instanceSize; }
    bool isAbstract() const { return m_create == nullptr; }

    // This class or a class derived from it.
    bool inheritsFrom(const TClassInfo& other) const {
        for (const TClassInfo* c = this; c; c = c->m_parent)
            if (c == &other) return true;
        return false;
    }
    bool isElementClass() const;

    // A new instance through the virtual constructor; nullptr for an abstract class.
    TPersistent* create() const { return m_create ? m_create() : nullptr; }

    const std::vector<TPropInfo>& properties() const;
    int propertyCount() const { return int(properties().size()); }
    const TPropInfo* property(int index) const;
    // Position of the first property whose name equals `name` (ASCII letters upper-cased), -1 if none.
    int propertyIndex(const QString& name) const;

private:
    QString m_name;
    const TClassInfo* m_parent;
    QString m_unit;
    int m_instanceSize;
    CreateFn m_create;
    DeclareFn m_declare;
    mutable std::once_flag m_once;
    mutable std::vector<TPropInfo> m_props;
};

// Root of every class with a property table: the data-free persistent base.
class TPersistent {
public:
    virtual ~TPersistent();
    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const;
    static void DeclareProperties(TPropTableBuilder&) {}

    virtual void AssignTo(TPersistent* dest) const;
    virtual void DefineProperties() {}
    // Copies the state of another instance; the base asks the source to assign itself.
    virtual void Assign(const TPersistent* source);

    const QString& ClassName() const { return ClassType().name(); }
    bool InheritsFrom(const TClassInfo& c) const { return ClassType().inheritsFrom(c); }
    template <class T> bool Is() const { return InheritsFrom(T::StaticClass()); }
};

// Downcast by class description (nullptr when `p` is none or not a T).
template <class T> T* zelto_cast(TPersistent* p) {
    return p && p->InheritsFrom(T::StaticClass()) ? static_cast<T*>(p) : nullptr;
}
template <class T> const T* zelto_cast(const TPersistent* p) {
    return p && p->InheritsFrom(T::StaticClass()) ? static_cast<const T*>(p) : nullptr;
}

// ---- conversion of C++ member types to property values ----------------------------------------

template <class T, class Enable = void> struct TValueTraits;

template <class T>
struct TValueTraits<T,
                    std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> && (sizeof(T) <= 4)>> {
    static constexpr TTypeKind kind = tkInteger;
    static TValue to(T v) { return TValue::ordinal(kind, qint64(v)); }
    static T from(const TValue& v) { return static_cast<T>(v.ord); }
    static const TClassInfo* cls() { return nullptr; }
};
template <> struct TValueTraits<qint64> {
    static constexpr TTypeKind kind = tkInt64;
    static TValue to(qint64 v) { return TValue::ordinal(kind, v); }
    static qint64 from(const TValue& v) { return v.ord; }
    static const TClassInfo* cls() { return nullptr; }
};
template <> struct TValueTraits<bool> {
    static constexpr TTypeKind kind = tkEnumeration;
    static TValue to(bool v) { return TValue::ordinal(kind, v ? 1 : 0); }
    static bool from(const TValue& v) { return v.ord != 0; }
    static const TClassInfo* cls() { return nullptr; }
};
template <class T> struct TValueTraits<T, std::enable_if_t<std::is_enum_v<T>>> {
    static constexpr TTypeKind kind = tkEnumeration;
    static TValue to(T v) { return TValue::ordinal(kind, qint64(v)); }
    static T from(const TValue& v) { return static_cast<T>(v.ord); }
    static const TClassInfo* cls() { return nullptr; }
};
template <class T> struct TValueTraits<T, std::enable_if_t<std::is_floating_point_v<T>>> {
    static constexpr TTypeKind kind = tkFloat;
    static TValue to(T v) { return TValue::floating(double(v)); }
    static T from(const TValue& v) { return static_cast<T>(v.real); }
    static const TClassInfo* cls() { return nullptr; }
};
template <> struct TValueTraits<QString> {
    static constexpr TTypeKind kind = tkUString;
    static TValue to(const QString& v) { return TValue::string(v); }
    static QString from(const TValue& v) { return v.str; }
    static const TClassInfo* cls() { return nullptr; }
};
template <> struct TValueTraits<QChar> {
    static constexpr TTypeKind kind = tkWChar;
    static TValue to(QChar v) { return TValue::ordinal(kind, v.unicode()); }
    static QChar from(const TValue& v) { return QChar(char16_t(v.ord)); }
    static const TClassInfo* cls() { return nullptr; }
};
template <> struct TValueTraits<TMethodValue> {
    static constexpr TTypeKind kind = tkMethod;
    static TValue to(TMethodValue v) {
        TValue r;
        r.kind = kind;
        r.method = v;
        return r;
    }
    static TMethodValue from(const TValue& v) { return v.method; }
    static const TClassInfo* cls() { return nullptr; }
};
template <class T> struct TValueTraits<T*, std::enable_if_t<std::is_base_of_v<TPersistent, T>>> {
    static constexpr TTypeKind kind = tkClass;
    static TValue to(const T* v) { return TValue::object(const_cast<T*>(v)); }
    static T* from(const TValue& v) {
        if (!v.obj) return nullptr;
        if (!v.obj->InheritsFrom(T::StaticClass()))
            throw EPropertyError(
                QStringLiteral("%1 is not %2").arg(v.obj->ClassName(), T::StaticClass().name()));
        return static_cast<T*>(v.obj);
    }
    static const TClassInfo* cls() { return &T::StaticClass(); }
};

namespace detail {

template <class M> struct MemberTraits;
template <class C, class R> struct MemberTraits<R C::*> {
    using Class = C;
    using Type = std::decay_t<R>;
};
template <class C, class R> struct MemberTraits<R (C::*)() const> {
    using Class = C;
    using Type = std::decay_t<R>;
};
template <class C, class R> struct MemberTraits<R (C::*)()> {
    using Class = C;
    using Type = std::decay_t<R>;
};
template <class C, class A> struct MemberTraits<void (C::*)(A)> {
    using Class = C;
    using Type = std::decay_t<A>;
};

template <auto G> TValue getterThunk(const TPersistent* o) {
    using MT = MemberTraits<decltype(G)>;
    using C = typename MT::Class;
    auto* c = static_cast<C*>(const_cast<TPersistent*>(o));
    if constexpr (std::is_member_function_pointer_v<decltype(G)>)
        return TValueTraits<typename MT::Type>::to((c->*G)());
    else
        return TValueTraits<typename MT::Type>::to(c->*G);
}

template <auto S> void setterThunk(TPersistent* o, const TValue& v) {
    using MT = MemberTraits<decltype(S)>;
    using C = typename MT::Class;
    auto* c = static_cast<C*>(o);
    if constexpr (std::is_member_function_pointer_v<decltype(S)>)
        (c->*S)(TValueTraits<typename MT::Type>::from(v));
    else
        c->*S = TValueTraits<typename MT::Type>::from(v);
}

template <class T>
constexpr bool isOrdinalType = (std::is_integral_v<T> || std::is_enum_v<T>)&&!std::is_same_v<T, qint64>;

// Reads the member as T (field or getter).
template <auto G> decltype(auto) readMember(const TPersistent* o) {
    using C = typename MemberTraits<decltype(G)>::Class;
    auto* c = static_cast<C*>(const_cast<TPersistent*>(o));
    if constexpr (std::is_member_function_pointer_v<decltype(G)>)
        return (c->*G)();
    else
        return (c->*G);
}

template <auto S, class V> void writeMember(TPersistent* o, V&& v) {
    using C = typename MemberTraits<decltype(S)>::Class;
    auto* c = static_cast<C*>(o);
    if constexpr (std::is_member_function_pointer_v<decltype(S)>)
        (c->*S)(std::forward<V>(v));
    else
        c->*S = std::forward<V>(v);
}

template <auto G> QString stringGetter(const TPersistent* o) {
    return readMember<G>(o);
}
template <auto S> void stringSetter(TPersistent* o, QString&& v) {
    writeMember<S>(o, std::move(v));
}
template <auto G> qint64 ordinalGetter(const TPersistent* o) {
    return qint64(readMember<G>(o));
}
template <auto S> void ordinalSetter(TPersistent* o, qint64 v) {
    using T = typename MemberTraits<decltype(S)>::Type;
    if constexpr (std::is_same_v<T, bool>)
        writeMember<S>(o, v != 0);
    else
        writeMember<S>(o, static_cast<T>(v));
}
template <auto G> double realGetter(const TPersistent* o) {
    return double(readMember<G>(o));
}
template <auto S> void realSetter(TPersistent* o, double v) {
    using T = typename MemberTraits<decltype(S)>::Type;
    writeMember<S>(o, static_cast<T>(v));
}

template <auto F> bool storedThunk(const TPersistent* o) {
    using MT = MemberTraits<decltype(F)>;
    return (static_cast<const typename MT::Class*>(o)->*F)();
}

template <class T> constexpr TClassInfo::CreateFn creatorFor() {
    if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>)
        return nullptr;
    else
        return []() -> TPersistent* { return new T; };
}

} // namespace detail

// A handle on one entry being declared, for the chained modifiers.
class TPropRef {
public:
    TPropRef(std::vector<TPropInfo>& table, int index) : m_table(table), m_index(index) {}
    TPropRef& stored(bool s) {
        info().stored = s ? TStoredMode::Yes : TStoredMode::No;
        return *this;
    }
    template <auto F> TPropRef& storedBy() {
        info().stored = TStoredMode::ByInstance;
        info().storedFn = &detail::storedThunk<F>;
        return *this;
    }
    TPropRef& kind(TTypeKind k) {
        info().kind = k;
        return *this;
    }
    TPropRef& enums(QStringList names) {
        info().enumNames = std::move(names);
        return *this;
    }
    TPropRef& def(TValue v) {
        info().defaultValue = std::move(v);
        info().hasDefault = true;
        return *this;
    }
    TPropRef& def(qint64 v) { return def(TValue::ordinal(info().kind, v)); }
    TPropRef& def(double v) { return def(TValue::floating(v)); }
    TPropRef& def(const char* v) { return def(TValue::string(QString::fromUtf8(v))); }
    TPropInfo& info() { return m_table[size_t(m_index)]; }

private:
    std::vector<TPropInfo>& m_table;
    int m_index;
};

class TPropTableBuilder {
public:
    explicit TPropTableBuilder(std::vector<TPropInfo>& table) : m_table(table) {}

    // Adds an entry, or replaces the entry of the same name in place.
    TPropRef add(TPropInfo info);

    // Read and write through a getter and a setter (or fields).
    template <auto Getter, auto Setter> TPropRef prop(const char* name) {
        using T = typename detail::MemberTraits<decltype(Getter)>::Type;
        TPropInfo p = make<T>(name, &detail::getterThunk<Getter>, &detail::setterThunk<Setter>);
        typedGetter<T, Getter>(p);
        typedSetter<T, Setter>(p);
        return add(std::move(p));
    }
    template <auto Field> TPropRef field(const char* name) { return prop<Field, Field>(name); }
    template <auto Getter> TPropRef readOnly(const char* name) {
        using T = typename detail::MemberTraits<decltype(Getter)>::Type;
        TPropInfo p = make<T>(name, &detail::getterThunk<Getter>, nullptr);
        typedGetter<T, Getter>(p);
        return add(std::move(p));
    }
    template <auto Setter> TPropRef writeOnly(const char* name) {
        using T = typename detail::MemberTraits<decltype(Setter)>::Type;
        TPropInfo p = make<T>(name, nullptr, &detail::setterThunk<Setter>);
        typedSetter<T, Setter>(p);
        return add(std::move(p));
    }

private:
    template <class T, auto G> static void typedGetter(TPropInfo& p) {
        if constexpr (std::is_same_v<T, QString>)
            p.getString = &detail::stringGetter<G>;
        else if constexpr (detail::isOrdinalType<T>)
            p.getOrdinal = &detail::ordinalGetter<G>;
        else if constexpr (std::is_floating_point_v<T>)
            p.getReal = &detail::realGetter<G>;
    }
    template <class T, auto S> static void typedSetter(TPropInfo& p) {
        if constexpr (std::is_same_v<T, QString>)
            p.setString = &detail::stringSetter<S>;
        else if constexpr (detail::isOrdinalType<T>)
            p.setOrdinal = &detail::ordinalSetter<S>;
        else if constexpr (std::is_floating_point_v<T>)
            p.setReal = &detail::realSetter<S>;
    }
    template <class T> static TPropInfo make(const char* name, TPropGetter g, TPropSetter s) {
        TPropInfo p;
        p.name = QString::fromLatin1(name);
        p.kind = TValueTraits<T>::kind;
        p.propClass = TValueTraits<T>::cls();
        if constexpr (std::is_same_v<T, bool>)
            p.enumNames = {QStringLiteral("False"), QStringLiteral("True")};
        if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
            p.unsignedOrdinal = true;
        p.get = g;
        p.set = s;
        return p;
    }
    std::vector<TPropInfo>& m_table;
};

// ---- property access by position and by name, for any object with a property table ------------

int GetPropCount(const TPersistent* object);
QString GetPropName(const TPersistent* object, int index);
int GetPropType(const TPersistent* object, int index);
int GetPropIndex(const TPersistent* object, const QString& name);
QString GetPropString(const TPersistent* object, int index);
QString GetPropStringByName(const TPersistent* object, const QString& name);
void SetPropString(TPersistent* object, int index, const QString& text);
bool SetPropStringByName(TPersistent* object, const QString& name, const QString& text);
TPersistent* GetObjectPropByName(const TPersistent* object, const QString& name);
bool SetObjectPropByName(TPersistent* object, const QString& name, TPersistent* value);

// The text form of a property value.
QString FillWithData(const TPersistent* object, const TPropInfo* entry);
// Sets a property from its text form; failures are reported, never raised.
void SetPropByString(TPersistent* object, const TPropInfo* entry, const QString& text);

// Object references as numbers. The text form of a Class property is a number that names the
// object; only numbers that were handed out for an object that still exists are accepted back,
// so a reference read from text can never point at freed or arbitrary memory.
qint64 objectToNumber(const TPersistent* object);
TPersistent* objectFromNumber(qint64 number);

} // namespace zelto

// Declares the class description of a model class; place at the top of the class body.
// StaticClass() is asked on every class test (zelto_cast, Is<T>()), so after its first call it is
// one load from the class's own slot; the description itself is built once, thread-safely, by
// InitStaticClass().
#define ZELTO_CLASS(Cls, Base)                                                                               \
public:                                                                                                      \
    using inherited = Base;                                                                                  \
    static const ::zelto::TClassInfo& StaticClass() {                                                        \
        const ::zelto::TClassInfo* known = s_zeltoClassInfo.load(std::memory_order_acquire);                 \
        return known ? *known : Cls::InitStaticClass();                                                      \
    }                                                                                                        \
    static const ::zelto::TClassInfo& InitStaticClass();                                                     \
    const ::zelto::TClassInfo& ClassType() const override {                                                  \
        return Cls::StaticClass();                                                                           \
    }                                                                                                        \
    static void DeclareProperties(::zelto::TPropTableBuilder& b);                                            \
    static inline std::atomic<const ::zelto::TClassInfo*> s_zeltoClassInfo{nullptr};

// Defines the class description; the class defines its own DeclareProperties.
#define ZELTO_IMPLEMENT_CLASS(Cls, Base, Unit)                                                               \
    const ::zelto::TClassInfo& Cls::InitStaticClass() {                                                      \
        static const ::zelto::TClassInfo info(#Cls, &Base::StaticClass(), Unit, int(sizeof(Cls)),            \
                                              ::zelto::detail::creatorFor<Cls>(), &Cls::DeclareProperties);  \
        s_zeltoClassInfo.store(&info, std::memory_order_release);                                            \
        return info;                                                                                         \
    }

// The same for a class that declares no new properties.
#define ZELTO_IMPLEMENT_CLASS_NOPROPS(Cls, Base, Unit)                                                       \
    void Cls::DeclareProperties(::zelto::TPropTableBuilder&) {}                                              \
    ZELTO_IMPLEMENT_CLASS(Cls, Base, Unit)
