// Typed value elements, string lists, integer lists and property lists.
#include <gtest/gtest.h>

#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "framework/e_Class.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace zelto;

namespace {

// Restores the default locale when a test switches it.
struct LocaleGuard {
    explicit LocaleGuard(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleGuard() { QLocale::setDefault(QLocale::c()); }
};

template <class T> std::unique_ptr<T> make(const char* cls) {
    return std::unique_ptr<T>(zelto_cast<T>(CreateElementByName(QString::fromLatin1(cls))));
}

QString asStr(const TTypeElement& e) {
    return e.GetAsString();
}
QString asInt(const TTypeElement& e) {
    return QString::number(e.GetAsInteger());
}
QString asByte(const TTypeElement& e) {
    return QString::number(e.GetAsByte());
}
QString asBool(const TTypeElement& e) {
    return e.GetAsBoolean() ? "T" : "F";
}
QString asFloat(const TTypeElement& e) {
    return QString::number(e.GetAsFloat(), 'g', 17);
}
QString asChar(const TTypeElement& e) {
    return QString::number(e.GetAsChar().unicode());
}

QStringList integers(const TIntegerListElement& l) {
    QStringList r;
    for (int i = 0; i < l.ElementsCount(); ++i) r << QString::number(l.GetInteger(i));
    return r;
}

} // namespace

// ---- conversions ---------------------------------------------------------------------------------

struct ConvCase {
    const char* cls;
    const char* what;
    std::function<void(TTypeElement&)> act;
    QString (*read)(const TTypeElement&);
    QString expected;
};

TEST(TypesValues, ConversionTable) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const ConvCase cases[] = {
        // Boolean
        {"TBooleanElement", "true reads lower case", [](auto& e) { e.SetAsBoolean(true); }, asStr, "true"},
        {"TBooleanElement", "false reads lower case", [](auto&) {}, asStr, "false"},
        {"TBooleanElement", "any letter case", [](auto& e) { e.SetAsString("tRuE"); }, asBool, "T"},
        {"TBooleanElement", "other word ignored (true stays)",
         [](auto& e) {
             e.SetAsBoolean(true);
             e.SetAsString("ano");
         },
         asBool, "T"},
        {"TBooleanElement", "other word ignored (false stays)", [](auto& e) { e.SetAsString("1"); }, asBool,
         "F"},
        {"TBooleanElement", "FALSE clears", [](auto& e) { e.SetAsBoolean(true), e.SetAsString("False"); },
         asBool, "F"},
        {"TBooleanElement", "non-zero byte", [](auto& e) { e.SetAsByte(7); }, asByte, "1"},
        {"TBooleanElement", "integer setter not supported", [](auto& e) { e.SetAsInteger(1); }, asBool, "F"},
        // Char
        {"TCharElement", "300 leaves the value",
         [](auto& e) {
             e.SetAsChar('x');
             e.SetAsInteger(300);
         },
         asStr, "x"},
        {"TCharElement", "65 is A", [](auto& e) { e.SetAsInteger(65); }, asStr, "A"},
        {"TCharElement", "0 leaves the value",
         [](auto& e) {
             e.SetAsChar('x');
             e.SetAsInteger(0);
         },
         asStr, "x"},
        {"TCharElement", "byte is the code", [](auto& e) { e.SetAsByte(66); }, asStr, "B"},
        {"TCharElement", "first character", [](auto& e) { e.SetAsString(QStringLiteral("Žluť")); }, asInt,
         "381"},
        {"TCharElement", "empty text ignored",
         [](auto& e) {
             e.SetAsChar('q');
             e.SetAsString("");
         },
         asStr, "q"},
        {"TCharElement", "byte is the low 8 bits", [](auto& e) { e.SetAsChar(QChar(0x159)); }, asByte, "89"},
        // Byte
        {"TByteElement", "258 stores 2", [](auto& e) { e.SetAsInteger(258); }, asInt, "2"},
        {"TByteElement", "-1 stores 255", [](auto& e) { e.SetAsInteger(-1); }, asInt, "255"},
        {"TByteElement", "char low bits", [](auto& e) { e.SetAsChar(QChar(0x159)); }, asInt, "89"},
        {"TByteElement", "float truncated, low bits", [](auto& e) { e.SetAsFloat(300.9); }, asInt, "44"},
        {"TByteElement", "float overflow ignored",
         [](auto& e) {
             e.SetAsByte(9);
             e.SetAsFloat(1e12);
         },
         asInt, "9"},
        {"TByteElement", "NaN ignored",
         [](auto& e) {
             e.SetAsByte(9);
             e.SetAsFloat(nan);
         },
         asInt, "9"},
        {"TByteElement", "decimal text, low bits", [](auto& e) { e.SetAsString("513"); }, asStr, "1"},
        {"TByteElement", "other text ignored",
         [](auto& e) {
             e.SetAsByte(9);
             e.SetAsString("9x");
         },
         asStr, "9"},
        {"TByteElement", "true is 1", [](auto& e) { e.SetAsBoolean(true); }, asByte, "1"},
        {"TByteElement", "non-zero is true", [](auto& e) { e.SetAsByte(2); }, asBool, "T"},
        {"TByteElement", "char of the code", [](auto& e) { e.SetAsByte(65); }, asChar, "65"},
        {"TByteElement", "float", [](auto& e) { e.SetAsByte(200); }, asFloat, "200"},
        // Float
        {"TFloatElement", "integer", [](auto& e) { e.SetAsInteger(-5); }, asFloat, "-5"},
        {"TFloatElement", "truncated", [](auto& e) { e.SetAsFloat(-2.7); }, asInt, "-2"},
        {"TFloatElement", "overflow reads 0", [](auto& e) { e.SetAsFloat(1e20); }, asInt, "0"},
        {"TFloatElement", "comma text", [](auto& e) { e.SetAsString("1,5"); }, asFloat, "1.5"},
        {"TFloatElement", "point text", [](auto& e) { e.SetAsString("2.25"); }, asFloat, "2.25"},
        {"TFloatElement", "scientific text reads back",
         [](auto& e) {
             e.SetAsFloat(1234.5);
             e.SetAsString(e.GetAsString());
         },
         asFloat, "1234.5"},
        // Integer
        {"TIntegerElement", "not a whole number",
         [](auto& e) {
             e.SetAsInteger(4);
             e.SetAsString("3.5");
         },
         asInt, "4"},
        {"TIntegerElement", "trailing letters",
         [](auto& e) {
             e.SetAsInteger(4);
             e.SetAsString("12x");
         },
         asInt, "4"},
        {"TIntegerElement", "decimal text", [](auto& e) { e.SetAsString("-42"); }, asStr, "-42"},
        {"TIntegerElement", "float truncated", [](auto& e) { e.SetAsFloat(-7.9); }, asInt, "-7"},
        {"TIntegerElement", "float overflow ignored",
         [](auto& e) {
             e.SetAsInteger(4);
             e.SetAsFloat(3e9);
         },
         asInt, "4"},
        {"TIntegerElement", "byte is the low 8 bits", [](auto& e) { e.SetAsInteger(258); }, asByte, "2"},
        {"TIntegerElement", "byte", [](auto& e) { e.SetAsByte(250); }, asInt, "250"},
        {"TIntegerElement", "true is 1", [](auto& e) { e.SetAsBoolean(true); }, asInt, "1"},
        {"TIntegerElement", "zero is false", [](auto&) {}, asBool, "F"},
        {"TIntegerElement", "native int in range", [](auto& e) { e.SetAsNativeInt(-9); }, asInt, "-9"},
        {"TIntegerElement", "native int out of range ignored",
         [](auto& e) {
             e.SetAsInteger(4);
             e.SetAsNativeInt(qint64(1) << 40);
         },
         asInt, "4"},
        // String
        {"TStringElement", "ano is true", [](auto& e) { e.SetAsString("ano"); }, asBool, "T"},
        {"TStringElement", "TRUE is true", [](auto& e) { e.SetAsString("True"); }, asBool, "T"},
        {"TStringElement", "0 is false", [](auto& e) { e.SetAsString("0"); }, asBool, "F"},
        {"TStringElement", "0,0 is false", [](auto& e) { e.SetAsString("0,0"); }, asBool, "F"},
        {"TStringElement", "a non-zero number is true", [](auto& e) { e.SetAsString("-0.5"); }, asBool, "T"},
        {"TStringElement", "another word is false", [](auto& e) { e.SetAsString("yes"); }, asBool, "F"},
        {"TStringElement", "empty is false", [](auto&) {}, asBool, "F"},
        {"TStringElement", "Boolean text", [](auto& e) { e.SetAsBoolean(true); }, asStr, "TRUE"},
        {"TStringElement", "Boolean text false", [](auto& e) { e.SetAsBoolean(false); }, asStr, "FALSE"},
        {"TStringElement", "integer text", [](auto& e) { e.SetAsInteger(-5); }, asStr, "-5"},
        {"TStringElement", "float text", [](auto& e) { e.SetAsFloat(1.5); }, asStr, "1.5"},
        {"TStringElement", "not an integer reads 0", [](auto& e) { e.SetAsString("12x"); }, asInt, "0"},
        {"TStringElement", "float either separator", [](auto& e) { e.SetAsString("1,25"); }, asFloat, "1.25"},
        {"TStringElement", "byte not supported", [](auto& e) { e.SetAsString("7"); }, asByte, "0"},
        // Base
        {"TTypeElement", "base ignores setters", [](auto& e) { e.SetAsInteger(5), e.SetAsString("x"); },
         asStr, ""},
    };
    for (const ConvCase& c : cases) {
        SCOPED_TRACE(std::string(c.cls) + ": " + c.what);
        auto e = make<TTypeElement>(c.cls);
        ASSERT_TRUE(e);
        c.act(*e);
        EXPECT_EQ(c.read(*e).toStdString(), c.expected.toStdString());
    }
}

TEST(TypesValues, TypeCodesAndNames) {
    struct Row {
        const char* cls;
        qint32 code;
        const char* name;
    };
    const Row rows[] = {{"TTypeElement", TTypeElement::_Other, ""},
                        {"TBooleanElement", TTypeElement::_Boolean, "boolean"},
                        {"TCharElement", TTypeElement::_Char, "char"},
                        {"TByteElement", TTypeElement::_Byte, "byte"},
                        {"TFloatElement", TTypeElement::_Float, "float"},
                        {"TStringElement", TTypeElement::_String, "string"},
                        {"TIntegerElement", TTypeElement::_Integer, "integer"},
                        {"TPointerElement", TTypeElement::_Pointer, "pointer"},
                        {"TPathElement", TTypeElement::_String, "string"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.cls);
        auto e = make<TTypeElement>(r.cls);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->GetType(), r.code);
        EXPECT_EQ(e->GetTypeAsString(), QString::fromLatin1(r.name));
        EXPECT_EQ(GetPropStringByName(e.get(), "Typ"), QString::number(r.code));
    }
    EXPECT_EQ(TTypeElement::_Boolean, 0);
    EXPECT_EQ(TTypeElement::_Other, 7);
}

TEST(TypesValues, FloatTextsFollowTheLocale) {
    TStringElement s;
    TFloatElement f;
    f.SetAsFloat(1.5);
    {
        LocaleGuard cz(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        s.SetAsFloat(1.5);
        EXPECT_EQ(s.GetAsString(), "1,5");
        bool ok = false;
        EXPECT_EQ(s.GetDouble(ok), 1.5);
        EXPECT_TRUE(ok);
        EXPECT_TRUE(f.GetAsString().contains(',')) << f.GetAsString().toStdString();
        EXPECT_TRUE(f.GetAsString().contains('E'));
    }
    // Under the C locale the strict conversion refuses the comma; the tolerant one accepts it.
    bool ok = true;
    EXPECT_EQ(s.GetDouble(ok), 0.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(s.GetAsFloat(), 1.5);
}

TEST(TypesValues, StringNameIsValue) {
    struct Row {
        QString text;
        QString name, value;
    };
    const Row rows[] = {
        {" a = 1 ", "a", "1"}, {"x=y=z", "x", "y=z"},
        {"k=", "k", ""},       {"plain", "old", "plain"}, // without "=" the whole is the value
        {"", "old", "v"},                                 // an empty text changes nothing
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text.toStdString());
        TStringElement e;
        e.SetName("old");
        e.SetAsString("v");
        e.SetNameIsValue(r.text);
        EXPECT_EQ(e.GetName(), r.name);
        EXPECT_EQ(e.GetAsString(), r.value);
    }

    std::unique_ptr<TStringElement> a(TStringElement::CreateNameIsValue("Druh = 42"));
    EXPECT_EQ(a->GetNameIsValue(), "Druh=42");
    std::unique_ptr<TStringElement> b(TStringElement::CreateNameValue("N", "x=1"));
    EXPECT_EQ(b->GetName(), "N");
    EXPECT_EQ(b->GetAsString(), "x=1");
    std::unique_ptr<TStringElement> c(TStringElement::CreateValue("v"));
    EXPECT_EQ(c->GetNameIsValue(), "TStringElement=v"); // an unnamed entry reads as its class name
    EXPECT_EQ(GetPropStringByName(a.get(), "NameIsValue"), "Druh=42");
    EXPECT_EQ(a->GetUpperName(), "DRUH");
}

TEST(TypesValues, StringReadersWithOkFlags) {
    struct Row {
        const char* text;
        bool intOk;
        qint32 i;
        bool boolOk;
        bool b;
        bool dblOk;
        double d;
    };
    const Row rows[] = {
        {"42", true, 42, true, true, true, 42},     {"-3", true, -3, true, true, true, -3},
        {"2.5", false, 0, true, true, true, 2.5},   {"0", true, 0, true, false, true, 0},
        {"ano", false, 0, true, true, false, 0},    {"ne", false, 0, true, false, false, 0},
        {"FALSE", false, 0, true, false, false, 0}, {"maybe", false, 0, false, false, false, 0},
        {"", false, 0, false, false, false, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        TStringElement e;
        e.SetAsString(r.text);
        bool ok = !r.intOk;
        EXPECT_EQ(e.GetLongInt(ok), r.i);
        EXPECT_EQ(ok, r.intOk);
        ok = !r.boolOk;
        EXPECT_EQ(e.GetBoolean(ok), r.b);
        EXPECT_EQ(ok, r.boolOk);
        ok = !r.dblOk;
        EXPECT_EQ(e.GetDouble(ok), r.d);
        EXPECT_EQ(ok, r.dblOk);
    }
    TStringElement e;
    e.SetLongInt(-17);
    EXPECT_EQ(e.GetAsString(), "-17");
    e.SetDouble(0.25);
    EXPECT_EQ(e.GetAsString(), "0.25");
}

TEST(TypesValues, IntegerListFromText) {
    struct Row {
        const char* text;
        QStringList expected; // empty: no list
    };
    const Row rows[] = {
        // Whatever is not a sign or a digit separates the integers.
        {"3, 1 2\t7 x 9", {"3", "1", "2", "7", "9"}},
        {"-5,,8", {"-5", "8"}},
        {"12abc 4", {"12", "4"}},
        {"x 1", {"1"}},
        {"5-3", {"5", "-3"}},
        {"4 - 6", {"4"}}, // a sign without digits ends the list
        {"", {}},
        {"99999999999 1", {}}, // out of the Integer range is not an integer
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        TStringElement s;
        s.SetAsString(r.text);
        std::unique_ptr<TIntegerListElement> list(s.CreateIntegerList());
        std::unique_ptr<TIntegerListElement> list2(CreateIntegerListElementFromString(0, r.text));
        if (r.expected.isEmpty()) {
            EXPECT_EQ(list, nullptr);
            EXPECT_EQ(list2, nullptr);
        } else {
            ASSERT_TRUE(list && list2);
            EXPECT_EQ(integers(*list), r.expected);
            EXPECT_EQ(integers(*list2), r.expected);
        }
    }
}

TEST(TypesValues, SelfCopyKeepsClassNameAndValue) {
    struct Row {
        const char* cls;
        const char* copyCls;
        const char* value;
    };
    const Row rows[] = {{"TBooleanElement", "TBooleanElement", "true"},
                        {"TCharElement", "TCharElement", "Ř"},
                        {"TByteElement", "TByteElement", "200"},
                        {"TFloatElement", "TFloatElement", "0.125"},
                        {"TStringElement", "TStringElement", "žluť"},
                        {"TIntegerElement", "TIntegerElement", "-7"},
                        {"TPathElement", "TStringElement", "C:\\data\\a.zlt"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.cls);
        auto e = make<TTypeElement>(r.cls);
        ASSERT_TRUE(e);
        e->SetName("Jmeno");
        e->SetAsString(QString::fromUtf8(r.value));
        const QString before = e->GetAsString();
        std::unique_ptr<TTypeElement> c(e->SelfCopy());
        ASSERT_TRUE(c);
        EXPECT_EQ(c->ClassName(), r.copyCls);
        EXPECT_EQ(c->GetName(), "Jmeno");
        EXPECT_EQ(c->GetAsString(), before);
        EXPECT_EQ(c->GetOwnersCount(), 0);
        // The copy is independent.
        c->SetAsString(QStringLiteral("1"));
        EXPECT_EQ(e->GetAsString(), before);
    }
    TTypeElement base;
    EXPECT_EQ(base.SelfCopy(), nullptr);
}

TEST(TypesValues, PointerNumbersRoundTrip) {
    auto target = std::make_unique<TStringEntity>();
    TPointerElement p;
    EXPECT_EQ(p.GetAsPointer(), nullptr);
    EXPECT_EQ(p.GetAsString(), "0");
    p.SetAsPointer(target.get());
    EXPECT_EQ(p.FClassName, "TStringEntity");
    const qint32 n = p.GetAsInteger();
    EXPECT_GT(n, 0);
    EXPECT_EQ(p.GetAsString(), QString::number(n));

    TPointerElement byInt, byText, unknown;
    byInt.SetAsInteger(n);
    EXPECT_EQ(byInt.GetAsPointer(), target.get());
    byText.SetAsString(p.GetAsString());
    EXPECT_EQ(byText.GetAsPointer(), target.get());
    byText.SetAsString("abc"); // not a number: unchanged
    EXPECT_EQ(byText.GetAsPointer(), target.get());
    unknown.SetAsPointer(target.get());
    unknown.SetAsInteger(n + 1000000); // names no live element
    EXPECT_EQ(unknown.GetAsPointer(), nullptr);
    EXPECT_EQ(unknown.GetAsInteger(), 0);

    // The copy refers to the same element; the stored property text is the same number.
    std::unique_ptr<TTypeElement> copy(p.SelfCopy());
    EXPECT_EQ(copy->GetAsPointer(), target.get());
    EXPECT_EQ(GetPropStringByName(&p, "_Element"), QString::number(n));

    // A destroyed element is never handed out again.
    target.reset();
    EXPECT_EQ(p.GetAsPointer(), nullptr);
    EXPECT_EQ(copy->GetAsPointer(), nullptr);
    EXPECT_EQ(p.GetAsString(), "0");
    byInt.SetAsInteger(n);
    EXPECT_EQ(byInt.GetAsPointer(), nullptr);
}

// ---- property tables and registration ------------------------------------------------------------

TEST(TypesRegistry, ClassesAreRegisteredAndCreatable) {
    const char* classes[] = {"TTypeElement",      "TBooleanElement",     "TCharElement",   "TByteElement",
                             "TFloatElement",     "TIntegerListElement", "TStringElement", "TIntegerElement",
                             "TPointerElement",   "TStringListElement",  "TPathElement",   "TPropertyList",
                             "TDynamicProperties"};
    for (const char* name : classes) {
        SCOPED_TRACE(name);
        TZeltoClass* entry = ZeltoClasses()->GetZeltoClassByName(name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->GetUnitName(),
                  entry->FElementClass->name() == "TDynamicProperties" ? "e_Props" : "E_Type");
        std::unique_ptr<TElement> e(CreateElementByName(name));
        EXPECT_TRUE(e && e->ClassName() == name);
    }
}

TEST(TypesRegistry, PropertyTablesAndStoredFlags) {
    const QStringList typeProps = {"Typ",         "TypeAsString", "AsByte",   "AsInteger",
                                   "AsNativeInt", "AsChar",       "AsString", "AsFloat",
                                   "AsBoolean",   "Text",         "UpperName"};
    const TClassInfo& base = TTypeElement::StaticClass();
    const int first = TOwnerElement::StaticClass().propertyCount();
    ASSERT_EQ(base.propertyCount(), first + typeProps.size());
    for (int i = 0; i < typeProps.size(); ++i) {
        EXPECT_EQ(base.property(first + i)->name, typeProps[i]);
        EXPECT_FALSE(base.property(first + i)->staticallyStored()) << typeProps[i].toStdString();
    }

    struct Row {
        const TClassInfo& cls;
        QStringList added; // new properties in order
        QList<bool> stored;
        TTypeKind valueKind;
    };
    const Row rows[] = {
        {TBooleanElement::StaticClass(), {"Value"}, {true}, tkEnumeration},
        {TCharElement::StaticClass(), {"Value"}, {true}, tkWChar},
        {TByteElement::StaticClass(), {"Value"}, {true}, tkInteger},
        {TFloatElement::StaticClass(), {"Value"}, {true}, tkFloat},
        {TStringElement::StaticClass(), {"Value", "NameIsValue"}, {true, false}, tkUString},
        {TIntegerElement::StaticClass(), {"Value"}, {true}, tkInteger},
        {TPointerElement::StaticClass(), {"aClassName", "_Element"}, {true, true}, tkUString},
    };
    const int baseCount = base.propertyCount();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.cls.name().toStdString());
        ASSERT_EQ(r.cls.propertyCount(), baseCount + r.added.size());
        for (int i = 0; i < r.added.size(); ++i) {
            const TPropInfo* p = r.cls.property(baseCount + i);
            EXPECT_EQ(p->name, r.added[i]);
            EXPECT_EQ(p->staticallyStored(), r.stored[i]);
        }
        EXPECT_EQ(r.cls.property(baseCount)->kind, r.valueKind);
    }
    EXPECT_EQ(TPointerElement::StaticClass().property(baseCount + 1)->kind, tkClass);

    const QStringList listProps = {"Simple",       "Separator",       "NextValue",
                                   "NextName",     "NextNameIsValue", "NextStringList",
                                   "NamesString",  "ValuesString",    "NameIsValueString",
                                   "LoadFromFile", "SaveToFile"};
    const TClassInfo& sl = TStringListElement::StaticClass();
    const int slFirst = TOwnerEntity::StaticClass().propertyCount();
    ASSERT_EQ(sl.propertyCount(), slFirst + listProps.size());
    for (int i = 0; i < listProps.size(); ++i) {
        EXPECT_EQ(sl.property(slFirst + i)->name, listProps[i]);
        EXPECT_EQ(sl.property(slFirst + i)->staticallyStored(), i == 0 || i == 1)
            << listProps[i].toStdString();
    }
    const TClassInfo& pl = TPropertyList::StaticClass();
    ASSERT_EQ(pl.propertyCount(), sl.propertyCount() + 3);
    EXPECT_EQ(pl.property(sl.propertyCount())->name, "Delimiter");
    EXPECT_TRUE(pl.property(sl.propertyCount())->staticallyStored());
    EXPECT_EQ(pl.property(sl.propertyCount() + 1)->name, "Element");
    EXPECT_EQ(pl.property(sl.propertyCount() + 2)->name, "Catenation");
}

TEST(TypesRegistry, GenericPropertyTexts) {
    TBooleanElement b;
    EXPECT_EQ(GetPropStringByName(&b, "Value"), "False");
    SetPropStringByName(&b, "Value", "True");
    EXPECT_TRUE(b.FValue);
    EXPECT_EQ(GetPropStringByName(&b, "AsString"), "true");

    TCharElement c;
    SetPropStringByName(&c, "Value", QStringLiteral("Ž"));
    EXPECT_EQ(c.GetAsString(), QStringLiteral("Ž"));

    TIntegerElement i;
    SetPropStringByName(&i, "Text", "12");
    EXPECT_EQ(i.FValue, 12);
    EXPECT_EQ(GetPropStringByName(&i, "AsFloat"), "12");

    // A copy through the registry keeps the stored value and the name.
    i.SetName("Rok");
    std::unique_ptr<TElement> copy(CreateElementCopy(&i));
    ASSERT_TRUE(copy && copy->Is<TIntegerElement>());
    EXPECT_EQ(copy->GetName(), "Rok");
    EXPECT_EQ(static_cast<TIntegerElement*>(copy.get())->FValue, 12);
}

// ---- string lists --------------------------------------------------------------------------------

class TypesStringList : public ::testing::Test {
protected:
    void SetUp() override {
        list = std::make_unique<TStringListElement>();
        list->AddNameString("A", "1");
        list->AddNameString("B", "2");
    }
    std::unique_ptr<TStringListElement> list;
};

TEST_F(TypesStringList, JoinedFormsAndLookups) {
    EXPECT_EQ(list->FSeparator, QChar()); // set on first use
    EXPECT_EQ(list->GetValuesString(), "1,2");
    EXPECT_EQ(list->FSeparator, QChar(','));
    EXPECT_EQ(list->GetNamesString(), "A,B");
    EXPECT_EQ(list->GetNameIsValueString(), "A=1,B=2");
    EXPECT_EQ(list->GetIntegerByName("b"), 2);
    EXPECT_EQ(list->GetStringByName("a"), "1");
    EXPECT_EQ(list->GetIntegerByName("missing"), 0);
    EXPECT_EQ(list->GetStringByName("missing"), "");
    EXPECT_FALSE(list->GetBooleanByName("missing"));
    EXPECT_TRUE(list->GetBooleanByName("A"));
    EXPECT_EQ(list->GetUpperName(0), "A");
    EXPECT_EQ(list->CreateStringList(), QStringList({"1", "2"}));

    list->SetSeparator(';');
    EXPECT_EQ(list->GetNameIsValueString(), "A=1;B=2");
}

TEST_F(TypesStringList, SettingByName) {
    list->SetIntegerByName("b", 5);
    list->SetStringByName("C", "x");
    list->SetDoubleByName("D", 2.5);
    EXPECT_EQ(list->GetNameIsValueString(), "A=1,B=5,C=x,D=2.5");
    EXPECT_EQ(list->GetDoubleByName("d"), 2.5);
    list->SetStringByName("C", "3,5");
    EXPECT_EQ(list->GetDoubleByName("C"), 0.0); // the strict locale conversion refuses the comma
    EXPECT_EQ(list->GetIntegerByName("C"), 0);
}

TEST_F(TypesStringList, SettingJoinedForms) {
    // Values: existing entries in order, then new unnamed entries.
    list->SetValuesString("7, 8 ,9");
    EXPECT_EQ(list->GetNameIsValueString(), "A=7,B=8,TStringElement=9");

    TStringListElement names;
    names.SetNamesString("x, ,y,");
    EXPECT_EQ(names.GetNamesString(), "x,y");
    EXPECT_EQ(names.GetValuesString(), ",");

    TStringListElement pairs;
    pairs.SetNameIsValueString("a=1, junk ,b = 2");
    EXPECT_EQ(pairs.GetNameIsValueString(), "a=1,b=2");

    // The generic interface reaches the same operations.
    TStringListElement g;
    SetPropStringByName(&g, "NextNameIsValue", "k=v");
    SetPropStringByName(&g, "NextNameIsValue", "no pair");
    SetPropStringByName(&g, "NextName", "n");
    SetPropStringByName(&g, "NextValue", "val");
    SetPropStringByName(&g, "NextStringList", "p=1\r\nq\n\nr=3");
    EXPECT_EQ(g.GetNameIsValueString(), "k=v,n=,TStringElement=val,p=1,q=,r=3");
    EXPECT_EQ(GetPropStringByName(&g, "NamesString"), "k,n,TStringElement,p,q,r");
}

TEST_F(TypesStringList, AddingEntries) {
    TStringListElement l;
    l.AddNameIsValue("no equals sign");
    EXPECT_EQ(l.ElementsCount(), 0);
    l.AddStringList({"a = 1", "", "   ", "plain", "b=x=y"});
    EXPECT_EQ(l.GetNameIsValueString(), "a=1,plain=,b=x=y");
    l.PutString(1, "p");
    l.PutName(0, "aa");
    EXPECT_EQ(l.GetString(1), "p");
    EXPECT_EQ(l.GetNameAtIndex(0), "aa");
    EXPECT_THROW(l.GetString(9), EListError);

    l.ParamToNames();
    EXPECT_EQ(l.GetNameAtIndex(2), "x");
    EXPECT_EQ(l.GetString(2), "y");
}

TEST_F(TypesStringList, PutSElemsReleasesTheReplacedEntry) {
    TStringListElement other;
    TStringElement* shared = list->GetSElems(0);
    other.AddElement(shared);
    ASSERT_EQ(shared->GetOwnersCount(), 2);

    list->PutSElems(0, TStringElement::CreateNameValue("Z", "26"));
    EXPECT_EQ(list->GetNameIsValueString(), "Z=26,B=2");
    // The shared entry was only detached from this list; the other keeps it.
    EXPECT_EQ(shared->GetOwnersCount(), 1);
    EXPECT_TRUE(shared->IsMyOwner(&other));

    // Replacing an entry held only here destroys it (ASan would report a leak otherwise).
    list->PutSElems(1, TStringElement::CreateNameValue("Y", "25"));
    list->PutSElems(2, TStringElement::CreateNameValue("X", "24")); // the count appends
    EXPECT_EQ(list->GetNameIsValueString(), "Z=26,Y=25,X=24");
    std::unique_ptr<TStringElement> stray(TStringElement::CreateValue("w"));
    EXPECT_THROW(list->PutSElems(7, stray.get()), EListError);
    EXPECT_EQ(stray->GetOwnersCount(), 0);
}

TEST_F(TypesStringList, PropertyAccessByName) {
    // Own declared properties win when their text is not empty; otherwise entries answer.
    list->AddNameString("Simple", "entry");
    EXPECT_EQ(list->GetPropertyStringByName("simple"), "False");
    EXPECT_EQ(list->GetPropertyStringByName("b"), "2");
    EXPECT_EQ(list->GetPropertyStringByName("LoadFromFile"), ""); // write-only, no entry
    EXPECT_EQ(list->GetPropertyLongIntByName("B"), 2);

    list->SetPropertyStringByName("Simple", "True");
    EXPECT_TRUE(list->FSimple);
    EXPECT_EQ(list->GetStringByName("Simple"), "entry");
    list->SetPropertyStringByName("Colour", "red");
    list->SetPropertyStringByName("a", "9");
    EXPECT_EQ(list->GetStringByName("colour"), "red");
    EXPECT_EQ(list->GetStringByName("A"), "9");
    EXPECT_EQ(list->ElementsCount(), 4);
}

// ---- files ---------------------------------------------------------------------------------------

TEST(TypesFiles, IntoFileAndAddFileRoundTrip) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("seznam.txt");

    TStringListElement out;
    out.AddNameString(QStringLiteral("Žluťoučký kůň"), QStringLiteral("úpěl ďábelské ódy"));
    out.AddNameString("ROK", "2024");
    out.AddName(QStringLiteral("poznámka"));
    ASSERT_TRUE(out.IntoFile(path));

    TStringListElement in;
    in.AddFile(path);
    EXPECT_EQ(in.GetNameIsValueString(), out.GetNameIsValueString());
    // Names are compared with ASCII letters upper-cased; other letters must match exactly.
    EXPECT_EQ(in.GetStringByName(QStringLiteral("ŽLUťOUčKý kůň")), QStringLiteral("úpěl ďábelské ódy"));
    EXPECT_EQ(in.GetStringByName(QStringLiteral("žluťoučký kůň")), QString());

    // Simple lists write names only; the file is replaced as a whole and no temporary stays.
    TStringListElement simple;
    simple.FSimple = true;
    simple.AddNameString("KLIMG_1.jpg", "ignored");
    ASSERT_TRUE(simple.IntoFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("KLIMG_1.jpg\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"seznam.txt"}));
}

TEST(TypesFiles, OlderWindows1250FilesAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("stary.txt");
    QStringEncoder cp1250("windows-1250");
    ASSERT_TRUE(cp1250.isValid());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(cp1250.encode(QStringLiteral("Dřevina=smrk ztepilý\r\nPoznámka\r\n")));
    f.close();

    TStringListElement l;
    l.AddFile(path);
    EXPECT_EQ(l.GetNameIsValueString(), QStringLiteral("Dřevina=smrk ztepilý,Poznámka="));
}

TEST(TypesFiles, MissingAndUnwritableFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TStringListElement l;
    l.AddFile(dir.filePath("neni.txt"));
    EXPECT_EQ(l.ElementsCount(), 0);

    l.AddNameString("a", "1");
    recordingNotifier()->clear();
    EXPECT_FALSE(l.IntoFile(dir.filePath("no/such/dir/x.txt")));
    ASSERT_EQ(recordingNotifier()->messages().size(), 1);
    EXPECT_TRUE(recordingNotifier()->messages()[0].startsWith("TStringListElement.IntoFile"));
    // The generic write-only property does the same without raising.
    SetPropStringByName(&l, "SaveToFile", dir.filePath("x.txt"));
    TStringListElement back;
    SetPropStringByName(&back, "LoadFromFile", dir.filePath("x.txt"));
    EXPECT_EQ(back.GetNameIsValueString(), "a=1");
}

// ---- integer lists -------------------------------------------------------------------------------

TEST(TypesIntegerList, AddingKeepsOrderRules) {
    struct Row {
        bool sorted, duplicates;
        QStringList expected;
    };
    const Row rows[] = {
        {false, false, {"3", "1", "3", "2"}},
        {true, false, {"1", "2", "3"}},
        {true, true, {"1", "2", "3", "3"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.expected.join(',').toStdString());
        TIntegerListElement l;
        l.FSorted = r.sorted;
        l.FDuplicates = r.duplicates;
        for (int v : {3, 1, 3, 2}) l.AddInteger(v);
        EXPECT_EQ(integers(l), r.expected);
    }

    // Equal values go after the ones already there.
    TIntegerListElement l;
    l.FSorted = l.FDuplicates = true;
    l.AddInteger(5);
    TElement* firstFive = l.Get(0);
    l.AddInteger(5);
    l.AddInteger(4);
    EXPECT_EQ(l.Get(1), firstFive);
}

TEST(TypesIntegerList, ValuesStringAndAccess) {
    TIntegerListElement l;
    SetPropStringByName(&l, "ValuesString", "5, x,-2,,7, 1.5");
    EXPECT_EQ(integers(l), QStringList({"5", "-2", "7"}));
    EXPECT_TRUE(l.ValueExists(-2));
    EXPECT_FALSE(l.ValueExists(2));
    l.PutInteger(1, 9);
    EXPECT_EQ(l.GetInteger(1), 9);
    EXPECT_THROW(l.GetInteger(3), EListError);
}

// ---- property lists ------------------------------------------------------------------------------

TEST(TypesPropertyList, CollectsAndNegatesProperties) {
    struct Row {
        qint32 value;
        const char* plain;
        const char* negated;
    };
    const Row rows[] = {{5, "5", "-5"}, {-5, "-5", "5"}, {0, "0", "-0"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        TIntegerElement source;
        source.SetName("zdroj");
        source.FValue = r.value;
        TPropertyList l;
        l.AddName("Value");
        l.AddName("-value");
        l.AddName("Name");
        l.AddName("Unknown");
        l.AddName("-Unknown");
        l.FDelimiter = " / ";
        SetObjectPropByName(&l, "Element", &source);
        EXPECT_EQ(l.GetString(0), r.plain);
        EXPECT_EQ(l.GetString(1), r.negated);
        EXPECT_EQ(l.GetString(2), "zdroj");
        EXPECT_EQ(l.GetString(3), "");
        EXPECT_EQ(l.GetString(4), "") << "an empty text has nothing to negate";
        EXPECT_EQ(l.GetCatenation(), QString("%1 / %2 / zdroj /  / ").arg(r.plain, r.negated));
    }
}

// ---- freeing -------------------------------------------------------------------------------------

TEST(TypesFreeing, BagOfValueElementsFreesCleanly) {
    auto bag = std::make_unique<TOwnerEntity>();
    auto keeper = std::make_unique<TStringListElement>();
    const char* classes[] = {"TBooleanElement",    "TCharElement",        "TByteElement",    "TFloatElement",
                             "TStringElement",     "TIntegerElement",     "TPointerElement", "TPathElement",
                             "TStringListElement", "TIntegerListElement", "TPropertyList",   "TTypeElement"};
    for (const char* cls : classes) bag->CreateElement(cls, QString::fromLatin1(cls));
    auto* ints = zelto_cast<TIntegerListElement>(bag->FindElementName("TIntegerListElement"));
    ASSERT_TRUE(ints);
    ints->SetValuesString("1,2,3");
    zelto_cast<TStringListElement>(bag->FindElementName("TStringListElement"))
        ->SetNameIsValueString("a=1,b=2");
    zelto_cast<TTypeElement>(bag->FindElementName("TPointerElement"))->SetAsPointer(keeper.get());

    // One entry is shared with a second list: it outlives the bag.
    auto* shared = zelto_cast<TStringElement>(bag->FindElementName("TStringElement"));
    keeper->AddElement(shared);
    bag.reset();
    ASSERT_EQ(keeper->ElementsCount(), 1);
    EXPECT_EQ(shared->GetOwnersCount(), 1);
    EXPECT_EQ(keeper->GetNameAtIndex(0), "TStringElement");
    keeper.reset();
}
