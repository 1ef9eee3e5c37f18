// The class registry, property tables, property access by text, instance copies, text helpers.
#include <gtest/gtest.h>

#include "forest_classes.h"
#include "framework/Elements.h"
#include "framework/M_Zelto.h"
#include "framework/Notifier.h"
#include "framework/TextLocale.h"
#include "framework/e_Class.h"

#include <QLocale>

#include <memory>
#include <vector>

using namespace zelto;

namespace {

class TA : public TElement {
    ZELTO_CLASS(TA, TElement)
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TA, TElement, "test")
class TB : public TElement {
    ZELTO_CLASS(TB, TElement)
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TB, TElement, "test")
class TC : public TElement {
    ZELTO_CLASS(TC, TElement)
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TC, TElement, "test")

// A persistent class outside the element family.
class TCoreNotElement : public TPersistent {
    ZELTO_CLASS(TCoreNotElement, TPersistent)
};
ZELTO_IMPLEMENT_CLASS_NOPROPS(TCoreNotElement, TPersistent, "test")

class TCoreBadRef : public TElement {
    ZELTO_CLASS(TCoreBadRef, TElement)
public:
    TCoreNotElement* FThing = nullptr;
    TCoreNotElement* FTransient = nullptr;
    TElement* FFine = nullptr;
};
void TCoreBadRef::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TCoreBadRef::FThing>("Thing");
    b.field<&TCoreBadRef::FTransient>("Transient").stored(false);
    b.field<&TCoreBadRef::FFine>("Fine");
}
ZELTO_IMPLEMENT_CLASS(TCoreBadRef, TElement, "test")

// One property of every kind the text forms know.
class TCoreProps : public TOwnerEntity {
    ZELTO_CLASS(TCoreProps, TOwnerEntity)
public:
    enum class Color { Red, Green, Blue };
    qint32 FInt = 0;
    double FReal = 0;
    QString FText;
    bool FFlag = false;
    Color FColor = Color::Red;
    qint32 FLetter = 0;
    QChar FWide;
    qint64 FBig = 0;
    quint32 FSet = 0;
    TMethodValue FHandler;
    TElement* FRef = nullptr;
    TStringEntity* FStrRef = nullptr;
    qint32 FVolatile = 0;
    QString FMaybe;
    qint32 FSink = 0;
    qint32 FPicky = 0;
    static inline int s_alive = 0;

    TCoreProps() { ++s_alive; }
    ~TCoreProps() override { --s_alive; }
    bool StoreMaybe() const { return !FMaybe.isEmpty(); }
    void SetPicky(qint32 v) {
        if (v < 0) throw EConvertError(QStringLiteral("negative"));
        FPicky = v;
    }
    void SetSink(qint32 v) { FSink = v; }
    qint32 Broken() const { throw EConvertError(QStringLiteral("broken")); }
    QString BrokenText() const { throw EConvertError(QStringLiteral("broken")); }
};
void TCoreProps::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TCoreProps::FInt>("Int");
    b.field<&TCoreProps::FReal>("Real");
    b.field<&TCoreProps::FText>("Text");
    b.field<&TCoreProps::FFlag>("Flag");
    b.field<&TCoreProps::FColor>("Color").enums({"clRed", "clGreen", "clBlue"});
    b.field<&TCoreProps::FLetter>("Letter").kind(tkChar);
    b.field<&TCoreProps::FWide>("Wide");
    b.field<&TCoreProps::FBig>("Big");
    b.field<&TCoreProps::FSet>("Set").kind(tkSet);
    b.field<&TCoreProps::FHandler>("Handler");
    b.field<&TCoreProps::FRef>("Ref");
    b.field<&TCoreProps::FStrRef>("StrRef");
    b.field<&TCoreProps::FVolatile>("Volatile").stored(false);
    b.field<&TCoreProps::FMaybe>("Maybe").storedBy<&TCoreProps::StoreMaybe>();
    b.writeOnly<&TCoreProps::SetSink>("Sink");
    b.prop<&TCoreProps::FPicky, &TCoreProps::SetPicky>("Picky");
    b.readOnly<&TCoreProps::Broken>("Broken");
    b.readOnly<&TCoreProps::BrokenText>("BrokenText");
}
ZELTO_IMPLEMENT_CLASS(TCoreProps, TOwnerEntity, "test")

QStringList entryNames(const TEntity& e) {
    QStringList r;
    for (int i = 0; i < e.ElementsCount(); ++i) r << e.Get(i)->GetName();
    return r;
}

// The registry orders class names ignoring case, independently of the locale.
int registryOrder(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive);
}

// Sets a default locale for one scope.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& l) { QLocale::setDefault(l); }
    ~LocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

class CoreRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { recordingNotifier()->clear(); }
    void TearDown() override { recordingNotifier()->clear(); }
};

} // namespace

// ---- registry -----------------------------------------------------------------------------------

TEST_F(CoreRegistryTest, ClassesAreKeptSortedByName) {
    TZeltoClasses reg;
    for (const TClassInfo* c : {&TB::StaticClass(), &TA::StaticClass(), &TC::StaticClass()}) reg.AddClass(*c);
    EXPECT_EQ(entryNames(reg), (QStringList{"TA", "TB", "TC"}));
    EXPECT_EQ(reg.Entry(0)->ID, 1);
    EXPECT_EQ(reg.Entry(1)->ID, 0);
    EXPECT_EQ(reg.Entry(2)->ID, 2);
    EXPECT_EQ(reg.FActualClass.load(), reg.Entry(2));

    TZeltoClass* tb = reg.GetZeltoClassByName("tb");
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(tb->FElementClass, &TB::StaticClass());
    EXPECT_EQ(reg.FActualClass.load(), tb);
    EXPECT_EQ(reg.GetClass("TC"), &TC::StaticClass());
    EXPECT_EQ(reg.GetClass("TD"), nullptr);
    EXPECT_EQ(reg.GetZeltoClassByName(""), nullptr);
    EXPECT_EQ(reg.ElementsCount(), 3);
    EXPECT_TRUE(tb->IsMyOwner(&reg));
}

TEST_F(CoreRegistryTest, SameClassTwiceGivesAdjacentEntries) {
    {
        TZeltoClasses reg;
        reg.AddClass(TB::StaticClass());
        reg.AddClass(TB::StaticClass());
        ASSERT_EQ(reg.ElementsCount(), 2);
        EXPECT_EQ(reg.Entry(0)->ID, 0);
        EXPECT_EQ(reg.Entry(1)->ID, 1);
    }
    // Again at the start, in the middle and at the end of a filled registry: the new entry
    // goes directly after the existing one.
    struct Case {
        const TClassInfo* cls;
        int existingAt;
    };
    for (const Case& c :
         {Case{&TA::StaticClass(), 0}, Case{&TB::StaticClass(), 1}, Case{&TC::StaticClass(), 2}}) {
        SCOPED_TRACE(c.cls->name().toStdString());
        TZeltoClasses reg;
        for (const TClassInfo* x : {&TA::StaticClass(), &TB::StaticClass(), &TC::StaticClass()})
            reg.AddClass(*x);
        TZeltoClass* existing = reg.Entry(c.existingAt);
        TZeltoClass* added = reg.AddClass(*c.cls);
        ASSERT_EQ(reg.ElementsCount(), 4);
        EXPECT_EQ(reg.Entry(c.existingAt), existing);
        EXPECT_EQ(reg.Entry(c.existingAt + 1), added);
        EXPECT_EQ(added->ID, 3);
        EXPECT_EQ(reg.GetClass(c.cls->name()), c.cls);
        for (int i = 0; i + 1 < reg.ElementsCount(); ++i)
            EXPECT_LE(registryOrder(reg.Entry(i)->GetName(), reg.Entry(i + 1)->GetName()), 0);
    }
}

TEST_F(CoreRegistryTest, FindIndexCases) {
    struct Case {
        QStringList entries;
        const char* name;
        int result;
        int insertAt;
    };
    const QStringList four{"TB", "TD", "TF", "TH"};
    const Case cases[] = {
        {{}, "TA", -1, -1},    // empty
        {four, "TZ", -1, -1},  // after the last: append
        {four, "TA", -1, 0},   // before the first
        {four, "TB", 0, 1},    // equal to the first
        {four, "TH", 3, -1},   // equal to the last
        {four, "TE", -1, 2},   // between two in the middle
        {four, "TG", -1, 3},   // between the last two
        {four, "TC", -1, 1},   // between the first two
        {four, "TD", 1, 2},    // equal in the middle
        {four, "tf", 2, 3},    // equal in the middle, other case
        {{"TB"}, "TA", -1, 0}, // single entry, before it
        {{"TB"}, "TB", 0, -1}, // single entry, equal
        {{"TB", "TD"}, "TC", -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZeltoClasses reg;
        for (const QString& n : c.entries) {
            auto* e = new TZeltoClass;
            e->SetName(n);
            reg.AddElement(e);
        }
        int insertAt = 42;
        EXPECT_EQ(reg.FindIndex(QString::fromLatin1(c.name), insertAt), c.result);
        EXPECT_EQ(insertAt, c.insertAt);
    }
}

TEST_F(CoreRegistryTest, AddZeltoClassSharesAnEntry) {
    TZeltoClasses first;
    TZeltoClass* entry = first.AddClass(TC::StaticClass());
    {
        TZeltoClasses second;
        second.AddClass(TA::StaticClass());
        second.AddZeltoClass(entry);
        EXPECT_EQ(entryNames(second), (QStringList{"TA", "TC"}));
        EXPECT_EQ(entry->ID, 1); // renumbered by the registry that took it
        EXPECT_EQ(entry->GetOwnersCount(), 2);
    }
    EXPECT_EQ(entry->GetOwnersCount(), 1);
    EXPECT_EQ(first.GetZeltoClassByName("TC"), entry);
}

TEST_F(CoreRegistryTest, MissingClassRaisesOnlyInFindClass) {
    TZeltoClasses reg;
    reg.AddClass(TA::StaticClass());
    EXPECT_EQ(reg.FindClass("ta"), &TA::StaticClass());
    try {
        reg.FindClass("TNic");
        ADD_FAILURE() << "no exception";
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.message(), "Zelto nenašel třídu TNic");
    }
    try {
        FindZeltoClass("TNicNeni");
        ADD_FAILURE() << "no exception";
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.message(), "Zelto nenašel třídu TNicNeni");
    }
    EXPECT_EQ(FindZeltoClass("TEntity"), &TEntity::StaticClass());
    EXPECT_EQ(GetZeltoClass("TNicNeni"), nullptr);
}

TEST_F(CoreRegistryTest, StartUpRegistrationOrderAndSorting) {
    TZeltoClasses* reg = ZeltoClasses();
    ASSERT_NE(reg, nullptr);
    const std::vector<std::pair<QString, const TClassInfo*>> first = {
        {"TZeltoClass", &TZeltoClass::StaticClass()},
        {"TZeltoClasses", &TZeltoClasses::StaticClass()},
        {"TZeltoClassProperty", &TZeltoClassProperty::StaticClass()},
        {"TElement", &TElement::StaticClass()},
        {"TNameElement", &TNameElement::StaticClass()},
        {"TOwnerElement", &TOwnerElement::StaticClass()},
        {"TEntity", &TEntity::StaticClass()},
        {"TNameEntity", &TNameEntity::StaticClass()},
        {"TOwnerEntity", &TOwnerEntity::StaticClass()},
        {"TEnvelopeEntity", &TEnvelopeEntity::StaticClass()},
        {"TQuickEntity", &TQuickEntity::StaticClass()},
        {"TZeltoMessage", &TZeltoMessage::StaticClass()},
        {"TStringEntity", &TStringEntity::StaticClass()},
        {"TYouShallNotPass", &TYouShallNotPass::StaticClass()},
    };
    for (size_t i = 0; i < first.size(); ++i) {
        SCOPED_TRACE(first[i].first.toStdString());
        TZeltoClass* e = reg->GetZeltoClassByName(first[i].first);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->ID, qint32(i));
        EXPECT_EQ(e->FElementClass, first[i].second);
        EXPECT_EQ(e->GetName(), first[i].first);
    }
    EXPECT_TRUE(reg->GetShowProperties());
    EXPECT_GE(reg->FIndex, 14);
    for (int i = 0; i + 1 < reg->ElementsCount(); ++i)
        EXPECT_LE(registryOrder(reg->Entry(i)->GetName(), reg->Entry(i + 1)->GetName()), 0)
            << reg->Entry(i)->GetName().toStdString() << " / " << reg->Entry(i + 1)->GetName().toStdString();
    // Every registered class is found by its name, also under the Czech collation.
    LocaleScope czech{QLocale(QLocale::Czech)};
    for (int i = 0; i < reg->ElementsCount(); ++i)
        EXPECT_EQ(reg->GetZeltoClassByName(reg->Entry(i)->GetName()), reg->Entry(i))
            << reg->Entry(i)->GetName().toStdString();
}

TEST_F(CoreRegistryTest, RegisteredClassesPassTheSelfCheck) {
    std::vector<QString> texts;
    const int id = TMessageBus::instance().subscribe([&](TElement*, TZeltoMessage& m) {
        if (auto* t = zelto_cast<TZeltoTextMessage>(&m)) texts.push_back(t->FMessageText);
    });
    CHeckZeltoClasses();
    EXPECT_TRUE(texts.empty()) << texts.front().toStdString();

    TZeltoClass entry;
    entry.SetElementClass(&TCoreBadRef::StaticClass());
    std::vector<qint32> numbers;
    const int id2 = TMessageBus::instance().subscribe(
        [&](TElement*, TZeltoMessage& m) { numbers.push_back(m.FMessage); });
    entry.SelfCHeck();
    TMessageBus::instance().unsubscribe(id2);
    TMessageBus::instance().unsubscribe(id);
    EXPECT_EQ(texts, std::vector<QString>{"TCoreBadRef property \"Thing\" is not Element"});
    EXPECT_EQ(numbers, std::vector<qint32>{tm_AddToProtocol});
}

// ---- class entries ------------------------------------------------------------------------------

TEST_F(CoreRegistryTest, StringEntityPropertyTable) {
    const QStringList names{"ID",          "Name",          "OwnersCount",
                            "Size",        "WholeSize",     "_ClassName",
                            "NextElement", "ElementToFree", "ElementToRemove",
                            "AddAllFrom",  "AddAllFromRev", "WholeCount",
                            "Count",       "LastIndex",     "Value"};
    const std::vector<int> kinds{1, 18, 1, 1, 1, 18, 7, 7, 7, 7, 7, 1, 1, 1, 18};
    TStringEntity s;
    ASSERT_EQ(GetPropCount(&s), names.size());
    for (int i = 0; i < GetPropCount(&s); ++i) {
        EXPECT_EQ(GetPropName(&s, i), names[i]);
        EXPECT_EQ(GetPropType(&s, i), kinds[size_t(i)]) << i;
    }
    EXPECT_EQ(GetPropName(&s, GetPropCount(&s)), "");
    EXPECT_EQ(GetPropName(&s, -1), "");
    EXPECT_EQ(GetPropType(&s, 99), 0);
    EXPECT_EQ(GetPropIndex(&s, "name"), 1);
    EXPECT_EQ(GetPropIndex(&s, "VALUE"), 14);
    EXPECT_EQ(GetPropIndex(&s, "Hodnota"), -1);

    // The registry's entry lists the same table as children (ShowProperties is on).
    TZeltoClass* entry = ZeltoClasses()->GetZeltoClassByName("TStringEntity");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entryNames(*entry), names);
    for (int i = 0; i < entry->ElementsCount(); ++i) {
        auto* p = zelto_cast<TZeltoClassProperty>(entry->Get(i));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->FIndex, i);
        EXPECT_EQ(p->GetTypeKind(), kinds[size_t(i)]);
        EXPECT_EQ(p->GetPropertyStringByName("PropIndex"), QString::number(i));
    }
    EXPECT_EQ(entry->GetPropertyStringByName("ElementClassName"), "TStringEntity");
    EXPECT_EQ(entry->GetPropertyStringByName("AncestorClassName"), "TOwnerEntity");
    EXPECT_EQ(entry->GetPropertyStringByName("PropCount"), "15");
    EXPECT_EQ(entry->GetPropertyStringByName("UnitName"), "Elements");
    EXPECT_EQ(entry->PropertyIndex("value"), 14);
    EXPECT_TRUE(entry->IsClassName("tstringentity"));

    struct Access {
        int index;
        bool readOnly, writeOnly, stored;
        const TClassInfo* cls;
    };
    for (const Access& a :
         {Access{0, false, false, false, nullptr}, Access{1, false, false, true, nullptr},
          Access{2, true, false, false, nullptr}, Access{6, false, true, false, &TElement::StaticClass()},
          Access{14, false, false, true, nullptr}}) {
        SCOPED_TRACE(a.index);
        EXPECT_EQ(entry->GetPropertyIsReadOnly(a.index), a.readOnly);
        EXPECT_EQ(entry->GetPropertyIsWriteOnly(a.index), a.writeOnly);
        EXPECT_EQ(entry->GetPropertyIsReadOrWriteOnly(a.index), a.readOnly || a.writeOnly);
        EXPECT_EQ(entry->GetPropertyStored(a.index), a.stored);
        EXPECT_EQ(entry->GetPropertyClass(a.index), a.cls);
    }

    TZeltoClassProperty lost;
    lost.FLostProperty = true;
    lost.FLostTypeKind = tkInt64;
    EXPECT_EQ(lost.GetTypeKind(), tkInt64);
    EXPECT_EQ(TZeltoClassProperty().GetTypeKind(), 0);
}

TEST_F(CoreRegistryTest, PropertyListsFollowTheShowPropertiesOption) {
    TZeltoClasses quiet;
    EXPECT_EQ(quiet.AddClass(TCoreBadRef::StaticClass())->ElementsCount(), 0);
    TZeltoClasses listing;
    listing.SetShowProperties(true);
    TZeltoClass* e = listing.AddClass(TCoreBadRef::StaticClass());
    EXPECT_EQ(entryNames(*e), (QStringList{"ID", "Name", "OwnersCount", "Size", "WholeSize", "_ClassName",
                                           "Thing", "Transient", "Fine"}));
    e->ShowProperties(); // again: replaces, does not add
    EXPECT_EQ(e->ElementsCount(), 9);
}

TEST_F(CoreRegistryTest, StoredFlagPerInstance) {
    TStringEntity s;
    TZeltoInstance inst;
    inst.SetInstance(&s);
    EXPECT_EQ(inst.GetName(), "TStringEntity");
    EXPECT_FALSE(inst.GetPropertyStored(1)); // Name is stored only when set
    s.SetName("n");
    EXPECT_TRUE(inst.GetPropertyStored(1));
    EXPECT_FALSE(inst.GetPropertyStored(0));
    EXPECT_TRUE(inst.GetPropertyStored(14));
    EXPECT_FALSE(inst.GetPropertyStored(15));
    TZeltoInstance unbound;
    EXPECT_FALSE(unbound.GetPropertyStored(0));
    EXPECT_EQ(unbound.CreateInstanceCopy(), nullptr);
}

// ---- text forms ---------------------------------------------------------------------------------

TEST_F(CoreRegistryTest, TextFormsByKind) {
    struct Case {
        const char* prop;
        QString input;
        QString text;
    };
    const Case cases[] = {
        {"Int", "42", "42"},
        {"Int", "-7", "-7"},
        {"Int", "4x", "0"},
        {"Int", "99999999999", "0"},
        {"Real", "1,5", "1.5"},
        {"Real", "2.5e3", "2500"},
        {"Real", "", "0"},
        {"Text", "žluťoučký", "žluťoučký"},
        {"Flag", "True", "True"},
        {"Flag", "1", "True"},
        {"Flag", "false", "False"},
        {"Flag", "0", "False"},
        {"Color", "clblue", "clBlue"},
        {"Color", "1", "clGreen"},
        {"Letter", "Ab", "A"},
        {"Letter", "ř", "Y"}, // the low 8 bits of U+0159
        {"Letter", "", QString(QChar(0))},
        {"Wide", "řeka", "ř"},
        {"Big", "-9000000000", "-9000000000"},
        {"Big", "x", "0"},
        {"Set", "5", "5"},
        {"Handler", "12;34", "12;34"},
        {"Handler", "7", "7;0"},
        {"Maybe", "m", "m"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.prop) + " <- " + c.input.toStdString());
        TCoreProps p;
        p.FInt = 3; // something to overwrite
        EXPECT_TRUE(SetPropStringByName(&p, QString::fromLatin1(c.prop), c.input));
        EXPECT_EQ(GetPropStringByName(&p, QString::fromLatin1(c.prop)), c.text);
    }
    EXPECT_TRUE(recordingNotifier()->messages().isEmpty());

    TCoreProps p;
    EXPECT_EQ(GetPropStringByName(&p, "Broken"), "Err Ord Value");
    EXPECT_EQ(GetPropStringByName(&p, "BrokenText"), "Err Value");
    EXPECT_EQ(GetPropStringByName(&p, "Sink"), ""); // write-only
    EXPECT_EQ(GetPropStringByName(&p, "NextElement"), "");
    EXPECT_EQ(GetPropStringByName(&p, "Nic"), "");
    EXPECT_EQ(GetPropStringByName(&p, ""), "");
    EXPECT_EQ(GetPropStringByName(nullptr, "Int"), "");
    EXPECT_TRUE(SetPropStringByName(&p, "sink", "12"));
    EXPECT_EQ(p.FSink, 12);
    EXPECT_TRUE(SetPropStringByName(&p, "Broken", "1")); // read-only: nothing happens
    EXPECT_TRUE(recordingNotifier()->messages().isEmpty());
}

TEST_F(CoreRegistryTest, BadTextsChangeNothing) {
    TCoreProps p;
    p.FColor = TCoreProps::Color::Blue;
    p.FFlag = true;
    EXPECT_FALSE(SetPropStringByName(&p, "Barva", "1"));
    EXPECT_FALSE(SetPropStringByName(&p, "", "1"));
    EXPECT_TRUE(recordingNotifier()->messages().isEmpty());
    EXPECT_TRUE(SetPropStringByName(&p, "Color", "fialová"));
    EXPECT_TRUE(SetPropStringByName(&p, "Flag", "ano"));
    EXPECT_EQ(p.FColor, TCoreProps::Color::Blue);
    EXPECT_TRUE(p.FFlag);
    EXPECT_EQ(recordingNotifier()->messages(), (QStringList{"Error filling property Color by string fialová",
                                                            "Error filling property Flag by string ano"}));
}

TEST_F(CoreRegistryTest, ObjectReferencesAsText) {
    TCoreProps p;
    EXPECT_EQ(GetPropStringByName(&p, "Ref"), "0");
    auto* target = new TStringEntity;
    p.FRef = target;
    const QString number = GetPropStringByName(&p, "Ref");
    EXPECT_NE(number, "0");
    EXPECT_EQ(GetPropStringByName(&p, "Ref"), number); // stable

    TCoreProps q;
    EXPECT_TRUE(SetPropStringByName(&q, "Ref", number));
    EXPECT_EQ(q.FRef, target);
    EXPECT_TRUE(SetPropStringByName(&q, "StrRef", number));
    EXPECT_EQ(q.FStrRef, target);
    EXPECT_TRUE(SetPropStringByName(&q, "Ref", "0"));
    EXPECT_EQ(q.FRef, nullptr);
    EXPECT_TRUE(recordingNotifier()->messages().isEmpty());

    // A number of a wrong class, of a destroyed element, or one never handed out sets nothing.
    TOwnerElement other;
    p.FRef = &other;
    const QString otherNumber = GetPropStringByName(&p, "Ref");
    EXPECT_TRUE(SetPropStringByName(&q, "StrRef", otherNumber));
    EXPECT_EQ(q.FStrRef, target);
    delete target;
    q.FStrRef = nullptr;
    q.FRef = &other;
    EXPECT_TRUE(SetPropStringByName(&q, "Ref", number));
    EXPECT_TRUE(SetPropStringByName(&q, "Ref", "987654321987"));
    EXPECT_EQ(q.FRef, &other);
    EXPECT_EQ(recordingNotifier()->messages(),
              (QStringList{"Error filling property StrRef by string " + otherNumber,
                           "Error filling property Ref by string " + number,
                           "Error filling property Ref by string 987654321987"}));
}

TEST_F(CoreRegistryTest, ObjectPropertiesByName) {
    TCoreProps p;
    TOwnerElement ref;
    EXPECT_TRUE(SetObjectPropByName(&p, "ref", &ref));
    EXPECT_EQ(GetObjectPropByName(&p, "Ref"), &ref);
    EXPECT_EQ(GetObjectPropByName(&p, "Int"), nullptr);
    EXPECT_EQ(GetObjectPropByName(&p, "NextElement"), nullptr); // write-only
    EXPECT_FALSE(SetObjectPropByName(&p, "Int", &ref));
    EXPECT_FALSE(SetObjectPropByName(&p, "Nic", &ref));
    EXPECT_FALSE(SetObjectPropByName(&p, "StrRef", &ref)); // wrong class
    EXPECT_EQ(p.FStrRef, nullptr);
    TCoreNotElement stranger;
    EXPECT_FALSE(SetObjectPropByName(&p, "Ref", &stranger));
    EXPECT_EQ(p.FRef, &ref);
    p.FRef = nullptr;
}

TEST_F(CoreRegistryTest, StructuralOperationsAsProperties) {
    TOwnerEntity e;
    auto* a = new TOwnerElement;
    auto* b = new TOwnerElement;
    a->SetName("a");
    b->SetName("b");
    EXPECT_TRUE(SetObjectPropByName(&e, "NextElement", a));
    EXPECT_TRUE(SetObjectPropByName(&e, "NextElement", b));
    EXPECT_EQ(entryNames(e), (QStringList{"a", "b"}));
    EXPECT_EQ(e.GetPropertyStringByName("Count"), "2");
    EXPECT_EQ(e.GetPropertyStringByName("LastIndex"), "1");

    TEntity fwd, rev;
    EXPECT_TRUE(SetObjectPropByName(&fwd, "AddAllFrom", &e));
    EXPECT_TRUE(SetObjectPropByName(&rev, "AddAllFromRev", &e));
    EXPECT_EQ(entryNames(fwd), (QStringList{"a", "b"}));
    EXPECT_EQ(entryNames(rev), (QStringList{"b", "a"}));
    EXPECT_TRUE(SetObjectPropByName(&fwd, "ElementToRemove", a));
    EXPECT_EQ(entryNames(fwd), (QStringList{"b"}));
    EXPECT_FALSE(a->IsMyOwner(&fwd));

    EXPECT_TRUE(SetObjectPropByName(&rev, "ElementToFree", a)); // shared: detached only
    EXPECT_TRUE(SetObjectPropByName(&e, "ElementToFree", a));   // last owner: destroyed
    EXPECT_EQ(entryNames(e), (QStringList{"b"}));
    EXPECT_EQ(entryNames(rev), (QStringList{"b"}));
    EXPECT_EQ(b->GetOwnersCount(), 3);
    EXPECT_EQ(e.GetPropertyStringByName("WholeCount"), "1");

    TQuickEntity q;
    q.AddElement(b);
    EXPECT_TRUE(SetPropStringByName(&q, "ClearIt", "True"));
    EXPECT_EQ(q.ElementsCount(), 0);
}

// ---- copies -------------------------------------------------------------------------------------

TEST_F(CoreRegistryTest, CopyIsShallowAndTakesStoredPropertiesOnly) {
    TOwnerElement shared;
    TCoreProps src;
    src.SetName("zdroj");
    src.FInt = -5;
    src.FReal = 2.75;
    src.FText = "text";
    src.FFlag = true;
    src.FColor = TCoreProps::Color::Green;
    src.FLetter = 'q';
    src.FWide = QChar(0x0159);
    src.FBig = 1LL << 40;
    src.FSet = 0x81;
    src.FHandler = {1, 2};
    src.FRef = &shared;
    src.FVolatile = 9;
    src.ID = 77;
    src.AddElement(new TOwnerElement);

    std::unique_ptr<TElement> made(CreateElementCopy(&src));
    auto* copy = zelto_cast<TCoreProps>(made.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &src);
    EXPECT_EQ(copy->GetName(), "zdroj");
    EXPECT_EQ(copy->FInt, -5);
    EXPECT_EQ(copy->FReal, 2.75);
    EXPECT_EQ(copy->FText, "text");
    EXPECT_TRUE(copy->FFlag);
    EXPECT_EQ(copy->FColor, TCoreProps::Color::Green);
    EXPECT_EQ(copy->FLetter, 'q');
    EXPECT_EQ(copy->FWide, QChar(0x0159));
    EXPECT_EQ(copy->FBig, 1LL << 40);
    EXPECT_EQ(copy->FSet, 0x81u);
    EXPECT_EQ(copy->FHandler, (TMethodValue{1, 2}));
    EXPECT_EQ(copy->FRef, &shared); // the same object, not a copy of it
    EXPECT_EQ(copy->FVolatile, 0);  // not stored
    EXPECT_EQ(copy->FMaybe, "");
    EXPECT_EQ(copy->ID, -1);
    EXPECT_EQ(copy->ElementsCount(), 0);
    copy->FRef = nullptr;
    src.FRef = nullptr;

    src.FMaybe = "ano";
    std::unique_ptr<TElement> second(CreateElementCopy(&src));
    EXPECT_EQ(static_cast<TCoreProps*>(second.get())->FMaybe, "ano");
    EXPECT_EQ(CreateElementCopy(nullptr), nullptr);

    // A setter that raises: the error reaches the caller, the half-made copy does not survive.
    src.FPicky = -1;
    const int before = TCoreProps::s_alive;
    EXPECT_THROW(CreateElementCopy(&src), EConvertError);
    EXPECT_EQ(TCoreProps::s_alive, before);
}

// ---- locale -------------------------------------------------------------------------------------

TEST(CoreTextLocale, CaseInsensitiveComparisonOfCzechLetters) {
    for (const QLocale& l : {QLocale::c(), QLocale(QLocale::Czech)}) {
        LocaleScope scope{l};
        SCOPED_TRACE(l.name().toStdString());
        EXPECT_EQ(compareText("č", "Č"), 0);
        EXPECT_EQ(compareText("Žluťoučký kůň", "žLUŤOUČKÝ KŮŇ"), 0);
        EXPECT_TRUE(sameText("č", "Č"));
        EXPECT_TRUE(sameText("ŘEKA", "řeka"));
        EXPECT_FALSE(sameText("rEka", "řeka"));
        EXPECT_LT(compareText("a", "B"), 0);
        EXPECT_GT(compareText("b", "A"), 0);
    }
    LocaleScope czech{QLocale(QLocale::Czech)};
    EXPECT_LT(compareText("c", "č"), 0);
    EXPECT_LT(compareText("Č", "d"), 0);
    EXPECT_GT(compareText("chata", "hrad"), 0); // "ch" follows "h" in Czech
}

TEST(CoreTextLocale, RealsWithEitherDecimalSeparator) {
    struct Case {
        const char* text;
        double value;
        bool ok;
    };
    const Case cases[] = {{"1,5", 1.5, true},  {"1.5", 1.5, true}, {" -2,25 ", -2.25, true},
                          {"1e3", 1000, true}, {"abc", 0, false},  {"", 0, false}};
    for (const QLocale& l : {QLocale::c(), QLocale(QLocale::Czech)}) {
        LocaleScope scope{l};
        for (const Case& c : cases) {
            SCOPED_TRACE(l.name().toStdString() + " " + c.text);
            bool ok = !c.ok;
            EXPECT_DOUBLE_EQ(strToExtended(QString::fromUtf8(c.text), &ok), c.value);
            EXPECT_EQ(ok, c.ok);
        }
    }
    LocaleScope czech{QLocale(QLocale::Czech)};
    EXPECT_EQ(floatToStr(1.5), "1,5");
    TCoreProps p;
    EXPECT_TRUE(SetPropStringByName(&p, "Real", "2.5"));
    EXPECT_EQ(GetPropStringByName(&p, "Real"), "2,5");
}

// The start-up order of every module that exists, with its registration numbers (positions).
TEST(CoreStartUp, ModulesRegisterInTheModelOrder) {
    namespace forest_classes = zelto::testing::forest_classes;
    const QStringList expected =
        QStringList{
            // class registry
            "TZeltoClass",
            "TZeltoClasses",
            "TZeltoClassProperty",
            // element core
            "TElement",
            "TNameElement",
            "TOwnerElement",
            "TEntity",
            "TNameEntity",
            "TOwnerEntity",
            "TEnvelopeEntity",
            "TQuickEntity",
            "TZeltoMessage",
            "TStringEntity",
            "TYouShallNotPass",
            // coordinates
            "T2DCoordinate",
            "T3DCoordinate",
            "TRectangle",
            "TDrawRectangle",
            "TText",
            "TRectEntity",
            "TSelectedElement",
            // poly geometry
            "TGeometry",
            "TPointElement",
            "TTextElement",
            "TPolyElement",
            "TPolyLineElement",
            "TMultiPolyLineElement",
            "TAreaElement",
            "TMultiAreaElement",
            "TPolyLineAreaElement",
            "THolesEntity",
            "TPointString",
            "TTextString",
            "TPolyLineString",
            "TAreaString",
            // typed values
            "TTypeElement",
            "TBooleanElement",
            "TCharElement",
            "TByteElement",
            "TFloatElement",
            "TIntegerListElement",
            "TStringElement",
            "TIntegerElement",
            "TPointerElement",
            "TStringListElement",
            "TPathElement",
            "TPropertyList",
            // dynamic properties
            "TDynamicProperties",
            // sorted entities
            "TSortedEntity",
            "TSortedByPropertyEntity",
            // system register
            "TSystemRegister",
            "TRegisterClassModel",
            "TRegisterClassModels",
            "TRegisterPropertyModel",
            // element models
            "TModelLink",
            "TSourceModelLink",
            "TDestinationModelLink",
            "TPropertyModel",
            "TModelProperties",
            "TElementModel",
            // tool model
            "TToolModel",
            // tools
            "TProgressMessage",
            "TToolProperties",
            "TTool",
            "TResultTool",
            "TBooleanTool",
            "TTechnology",
            "TSeqTechnology",
            "TSelectTechnology",
            // world
            "TObjectModel",
            "TWorld",
            // geometry elements
            "TGeometryElement",
            "TPropertyGeometryElement",
            "TGeometryElementRIP",
            "TGeometryElementCollection",
            "TPointCollection",
            "TPolyLineCollection",
            "TAreaCollection",
            "TTextCollection",
            "TComplicatedGECollection",
        } +
        forest_classes::people + forest_classes::support +
        QStringList{
            // sorting tools
            "TSortElementsByString",
            "TSortElementsByInteger",
            "TSortElementsBy2Integers",
            "TSortElementsByFloat",
        } +
        forest_classes::cadastralModel + forest_classes::forestModel +
        QStringList{
            // page
            "T_Page",
            // projection
            "TProjection",
            "TPageProjection",
            // memory element
            "TMemoryElement",
            // quadtree
            "TQTree",
            "TRectEntityQTree",
            "TSpaceLineBegEndCell",
            // quadtree tools
            "TAddEntityToQTree",
            "TFindRectEntityInQTreeByXY",
            // registers
            "TBlockRegister",
            "TRegister",
            "TRegisterObjectSelector",
            "TRegisteredGeometryElement",
            // table fields
            "TFieldDefElement",
            // topology registers
            "TTopolObjectOwner",
            "TTopolObjectRegister",
            "TTopolBlockRegister",
            // topology elements
            "TTopoLElement",
            "TTopolPointElement",
            "TTopolExportPointElement",
            "TTopolTextElement",
            "TTopolAreaElement",
            "TTopolExportAreaElement",
            "TTopolLineElement",
        } +
        forest_classes::forestElements +
        QStringList{
            // tree walker
            "TRecursorWithTools",
            // palettes
            "TColorPalette",
            "TRGB_Color",
            // point placing
            "TMultiAreaPointPlacer",
            // line tools
            "TOznacLinie",
            "THledacPloch",
            "THledacLinii",
            "TReadLinesIntoQTree",
            // nodes
            "TNode",
            "TNodeBranch",
            // topology
            "TProchazecListuQTree",
            "TPutLinesIntoNodes",
            "TPutNodesIntoQTree",
            "TNodesConector",
            "TDeleteDirectRelationsToLinesInQTree",
            "TCreateAreaForBranch",
            "TCreateAreasForQTree",
            // line joining
            "TJoinLines",
            // sub-areas
            "TSubAreaMakerInQTree",
            // areas from lines
            "TCreateAreasFromLinesTool",
            "TClearLines",
            "TAreasFromClearLines",
            // break lines
            "TFindBreakLineConnections",
            "TFindLinesInNodesForEntity",
            // simple joins
            "TJoinSimpleLines",
            "TJoinTopolLines",
            // line extractor
            "TLineExtractor",
            // geometry tools
            "TGeometryTool",
            "TGeometryUnion",
            "TGeometryDifference",
            "TGeometryIntersection",
            // area editor
            "TKordlinAreaEditor",
            // loader
            "TLoader",
            "TLoad",
        } +
        forest_classes::selector +
        QStringList{
            // user points and notes
            "Tgis_Note",
            "Tgis_PointElement",
            // topology kinds
            "TTopolDruh",
            "TTopolDruhCollection",
            "TTopolDruhy",
            // note tools
            "Tgis_NoteTransfer",
            "Tgis_NoteKillData",
            // saver
            "TSaver",
            "TSave",
            // project
            "TZeltoProject",
            // forest project
            "TZELTOLHCProject",
            // project registry
            "TZelto01UserLayerInfo",
            "TZelto01LHCInfo",
            "TZelto01KatastrInfo",
            "TZelto01LHCEntity",
            "TZelto01KatastrEntity",
            "TZelto01Projects",
            "TZelto01KatastrRepository",
            "TZelto01KRElement",
            "TZelto01LayerInfo",
        };
    const QStringList& log = RegisteredClassNames();
    ASSERT_GE(log.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        ASSERT_EQ(log.at(i).toStdString(), expected.at(i).toStdString()) << "registration number " << i;
    // Every one of them is registered under its own class description.
    for (const QString& name : expected) {
        const TClassInfo* cls = GetZeltoClass(name);
        ASSERT_NE(cls, nullptr) << name.toStdString();
        EXPECT_EQ(cls->name(), name);
    }
}
