#include <gtest/gtest.h>

#include "framework/TextLocale.h"
#include "framework/e_Class.h"
#include "framework/e_Sort.h"
#include "framework/t_Sort.h"

#include <QLocale>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <vector>

using namespace zelto;

namespace {

// A child with one property of each kind the tools sort by.
class TSortItem : public TOwnerElement {
    ZELTO_CLASS(TSortItem, TOwnerElement)
public:
    qint32 FNum = 0;
    qint32 FNum2 = 0;
    QString FText;
    QString FVal;
};
void TSortItem::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TSortItem::FNum>("Num");
    b.field<&TSortItem::FNum2>("Num2");
    b.field<&TSortItem::FText>("Text");
    b.field<&TSortItem::FVal>("Val");
}
ZELTO_IMPLEMENT_CLASS(TSortItem, TOwnerElement, "test_sort")

class SortLocaleScope {
public:
    explicit SortLocaleScope(const QLocale& l) { QLocale::setDefault(l); }
    ~SortLocaleScope() { QLocale::setDefault(m_old); }

private:
    QLocale m_old;
};

TSortItem* addItem(TEntity& owner, const QString& name, qint32 num = 0, qint32 num2 = 0,
                   const QString& text = {}, const QString& val = {}) {
    auto* e = new TSortItem;
    e->SetName(name);
    e->FNum = num;
    e->FNum2 = num2;
    e->FText = text;
    e->FVal = val;
    owner.AddElement(e);
    return e;
}

std::vector<TElement*> children(const TEntity& e) {
    std::vector<TElement*> r;
    for (int i = 0; i < e.ElementsCount(); ++i) r.push_back(e.Get(i));
    return r;
}

QStringList names(const TEntity& e) {
    QStringList r;
    for (TElement* c : children(e)) r << (c ? c->GetName() : QStringLiteral("<none>"));
    return r;
}

// Runs a sorting tool of class T on `input`.
template <class T>
void sortBy(TElement* input, const QString& property, bool down = false, const QString& property1 = {}) {
    T tool;
    tool.FPropertyName = property;
    tool.FPropertyName1 = property1;
    tool.FDown = down;
    tool.SetInput(input);
    tool.DoIt();
    EXPECT_EQ(tool.GetOutput(), nullptr);
}

// ---- sorting tools -------------------------------------------------------------------------------

TEST(SortTools, ByIntegerAscendingAndDown) {
    TOwnerEntity list;
    addItem(list, "three", 3);
    addItem(list, "one", 1);
    addItem(list, "two", 2);
    sortBy<TSortElementsByInteger>(&list, "Num");
    EXPECT_EQ(names(list), QStringList({"one", "two", "three"}));
    sortBy<TSortElementsByInteger>(&list, "Num", true);
    EXPECT_EQ(names(list), QStringList({"three", "two", "one"}));
}

TEST(SortTools, ByIntegerValuesWhoseDifferenceOverflows) {
    TOwnerEntity list;
    addItem(list, "max", INT_MAX);
    addItem(list, "-2e9", -2000000000);
    addItem(list, "min", INT_MIN);
    addItem(list, "2e9", 2000000000);
    addItem(list, "zero", 0);
    sortBy<TSortElementsByInteger>(&list, "Num");
    EXPECT_EQ(names(list), QStringList({"min", "-2e9", "zero", "2e9", "max"}));
}

TEST(SortTools, ByStringIgnoresCaseAndKeepsEqualKeysInInputOrder) {
    TOwnerEntity list;
    TSortItem* lower = addItem(list, "1", 0, 0, "b");
    TSortItem* upper = addItem(list, "2", 0, 0, "B");
    TSortItem* a = addItem(list, "3", 0, 0, "a");
    TSortItem* c = addItem(list, "4", 0, 0, "C");
    TSortElementsByString cmp;
    cmp.FPropertyName = "Text";
    EXPECT_EQ(cmp.CompareElements(lower, upper), 0);
    EXPECT_LT(cmp.CompareElements(a, upper), 0);

    sortBy<TSortElementsByString>(&list, "Text");
    EXPECT_EQ(children(list), std::vector<TElement*>({a, lower, upper, c}));
    // Down reverses the order of the keys, not of the equal elements.
    sortBy<TSortElementsByString>(&list, "Text", true);
    EXPECT_EQ(children(list), std::vector<TElement*>({c, lower, upper, a}));
}

TEST(SortTools, ByFloatReadsEitherDecimalSeparator) {
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Czech)}) {
        SCOPED_TRACE(locale.name().toStdString());
        SortLocaleScope scope(locale);
        TOwnerEntity list;
        TSortItem* comma = addItem(list, "comma", 0, 0, {}, "1,5");
        addItem(list, "ten", 0, 0, {}, "10");
        TSortItem* dot = addItem(list, "dot", 0, 0, {}, "1.5");
        addItem(list, "neg", 0, 0, {}, "-0.25");
        addItem(list, "two", 0, 0, {}, "2");
        addItem(list, "exp", 0, 0, {}, "1,4e0");
        TSortElementsByFloat cmp;
        cmp.FPropertyName = "Val";
        EXPECT_EQ(cmp.CompareElements(comma, dot), 0);
        EXPECT_EQ(cmp.CompareElements(dot, comma), 0);

        sortBy<TSortElementsByFloat>(&list, "Val");
        EXPECT_EQ(names(list), QStringList({"neg", "exp", "comma", "dot", "two", "ten"}));
    }
}

TEST(SortTools, By2IntegersBreaksTiesWithTheSecondProperty) {
    TOwnerEntity list;
    addItem(list, "1/2", 1, 2);
    TSortItem* first05 = addItem(list, "0/5 first", 0, 5);
    addItem(list, "1/1", 1, 1);
    TSortItem* second05 = addItem(list, "0/5 second", 0, 5);
    addItem(list, "0/-7", 0, -7);
    sortBy<TSortElementsBy2Integers>(&list, "Num", false, "Num2");
    EXPECT_EQ(names(list), QStringList({"0/-7", "0/5 first", "0/5 second", "1/1", "1/2"}));
    EXPECT_EQ(list.Get(1), first05);
    EXPECT_EQ(list.Get(2), second05);
    sortBy<TSortElementsBy2Integers>(&list, "Num", true, "Num2");
    EXPECT_EQ(names(list), QStringList({"1/2", "1/1", "0/5 first", "0/5 second", "0/-7"}));
}

TEST(SortTools, BaseToolKeepsTheOrder) {
    TOwnerEntity list;
    for (const char* n : {"c", "a", "b", "a"}) addItem(list, n, 0);
    const std::vector<TElement*> before = children(list);
    TSortElements tool;
    tool.FPropertyName = "Name";
    tool.SetInput(&list);
    tool.DoIt();
    EXPECT_EQ(children(list), before);
}

TEST(SortTools, InputThatIsNotAnEntityOrEmptyIsLeftAlone) {
    TSortItem single;
    single.SetName("alone");
    TOwnerEntity empty;
    TSortElementsByString tool;
    tool.FPropertyName = "Name";
    for (TElement* input : std::vector<TElement*>{&single, &empty, nullptr}) {
        tool.SetInput(input);
        tool.DoIt();
        EXPECT_EQ(tool.GetOutput(), nullptr);
    }
    EXPECT_EQ(single.GetName(), "alone");
    EXPECT_EQ(empty.ElementsCount(), 0);
    EXPECT_FALSE(empty.FElements.created());
}

TEST(SortTools, NumberedArgumentsNameTheProperties) {
    struct Case {
        int number;
        const char* single;
        const char* two;
    };
    const Case cases[] = {{0, "PropertyName", "PropertyName"},
                          {1, "Down", "PropertyName1"},
                          {2, "", "Down"},
                          {3, "", ""},
                          {-1, "", ""}};
    TSortElementsByInteger single;
    TSortElementsBy2Integers two;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(single.NumberToPropertyName(c.number), QString::fromLatin1(c.single));
        EXPECT_EQ(two.NumberToPropertyName(c.number), QString::fromLatin1(c.two));
    }
    // The numbered arguments drive a sort like the named properties.
    TOwnerEntity list;
    addItem(list, "0/1", 0, 1);
    addItem(list, "1/0", 1, 0);
    addItem(list, "0/2", 0, 2);
    two.SetPropertyNumber(0, "Num");
    two.SetPropertyNumber(1, "Num2");
    two.SetPropertyNumber(2, "True");
    EXPECT_TRUE(two.FDown);
    two.SetInput(&list);
    two.DoIt();
    EXPECT_EQ(names(list), QStringList({"1/0", "0/2", "0/1"}));
}

// A large shuffled list with many equal keys comes out as a stable sort of the same keys, in both
// directions, element for element.
TEST(SortTools, LargeListMatchesStableSort) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> key(-60, 60);
    TOwnerEntity list;
    for (int i = 0; i < 2000; ++i) addItem(list, QString::number(i), key(rng));
    const std::vector<TElement*> input = children(list);
    auto num = [](TElement* e) { return static_cast<TSortItem*>(e)->FNum; };

    std::vector<TElement*> up = input;
    std::stable_sort(up.begin(), up.end(), [&](TElement* a, TElement* b) { return num(a) < num(b); });
    sortBy<TSortElementsByInteger>(&list, "Num");
    EXPECT_EQ(children(list), up);

    // From the sorted state, Down must still keep equal keys in their (current) order.
    const std::vector<TElement*> current = children(list);
    std::vector<TElement*> down = current;
    std::stable_sort(down.begin(), down.end(), [&](TElement* a, TElement* b) { return num(a) > num(b); });
    sortBy<TSortElementsByInteger>(&list, "Num", true);
    EXPECT_EQ(children(list), down);

    // The same through the text comparison, with keys that differ only in letter case.
    TOwnerEntity words;
    const QStringList pool = {"alfa", "ALFA", "beta", "Beta", "gama", "delta", "Delta", "epsilon"};
    std::uniform_int_distribution<int> pick(0, int(pool.size()) - 1);
    for (int i = 0; i < 2000; ++i) addItem(words, QString::number(i), 0, 0, pool[pick(rng)]);
    std::vector<TElement*> byText = children(words);
    std::stable_sort(byText.begin(), byText.end(), [](TElement* a, TElement* b) {
        return compareText(static_cast<TSortItem*>(a)->FText, static_cast<TSortItem*>(b)->FText) < 0;
    });
    sortBy<TSortElementsByString>(&words, "Text");
    EXPECT_EQ(children(words), byText);
}

TEST(SortTools, OwnerBookkeepingIsUntouched) {
    TOwnerEntity list, other;
    std::vector<TSortItem*> items;
    for (int v : {5, 3, 9, 1}) items.push_back(addItem(list, QString::number(v), v));
    other.AddElement(items[1]); // shared with a second owner
    auto snapshot = [&] {
        std::vector<std::pair<int, bool>> r;
        for (TSortItem* e : items) r.emplace_back(e->GetOwnersCount(), e->IsMyOwner(&other));
        return r;
    };
    const auto before = snapshot();
    {
        auto tool = std::make_unique<TSortElementsByInteger>();
        tool->FPropertyName = "Num";
        tool->SetInput(&list);
        tool->DoIt();
        tool->FDown = true;
        tool->DoIt();
    } // destroying the tool leaves the sorted elements alone
    EXPECT_EQ(names(list), QStringList({"9", "5", "3", "1"}));
    EXPECT_EQ(snapshot(), before);
    for (TSortItem* e : items) EXPECT_TRUE(e->IsMyOwner(&list));
    EXPECT_EQ(other.ElementsCount(), 1);
    EXPECT_EQ(other.Get(0), items[1]);
}

TEST(SortTools, EmptyEntriesGoLastAndNothingIsListedTwice) {
    TQuickEntity list; // holds without owning, like any plain list
    TSortItem c, a, b;
    c.FNum = 3;
    a.FNum = 1;
    b.FNum = 2;
    list.AddElement(&c);
    list.AddElement(&a);
    list.AddElement(&b);
    list.Put(1, nullptr);
    list.AddElement(&a);
    sortBy<TSortElementsByInteger>(&list, "Num");
    EXPECT_EQ(children(list), std::vector<TElement*>({&a, &b, &c, nullptr}));
    sortBy<TSortElementsByInteger>(&list, "Num", true);
    EXPECT_EQ(children(list), std::vector<TElement*>({&c, &b, &a, nullptr}));
    list.Clear();
}

TEST(SortTools, CzechCollation) {
    SortLocaleScope scope{QLocale(QLocale::Czech)};
    EXPECT_GT(compareText("č", "c"), 0);
    EXPECT_LT(compareText("č", "d"), 0);
    EXPECT_EQ(compareText("č", "Č"), 0);

    TOwnerEntity list;
    for (const char* t : {"d", "Č", "ch", "c", "č", "h", "D"}) addItem(list, t, 0, 0, QString::fromUtf8(t));
    sortBy<TSortElementsByString>(&list, "Text");
    // Czech orders "ch" as one letter after "h".
    EXPECT_EQ(names(list), QStringList({"c", "Č", "č", "d", "D", "h", "ch"}));
}

// ---- sorted entities -----------------------------------------------------------------------------

TEST(SortSortedEntity, NoDuplicatesAndNumbering) {
    for (bool noDuplicates : {false, true}) {
        SCOPED_TRACE(noDuplicates);
        TSortedEntity list;
        list.SetPropertyBooleanByName("NoDuplicates", noDuplicates);
        EXPECT_EQ(list.FNoDuplicates, noDuplicates);
        TOwnerElement* x = new TOwnerElement;
        x->SetName("x");
        TOwnerElement* a = new TOwnerElement;
        a->SetName("a");
        list.AddElement(x);
        list.AddElement(a);
        list.AddElement(x);
        list.AddElement(nullptr);
        if (noDuplicates) {
            EXPECT_EQ(children(list), std::vector<TElement*>({a, x}));
            EXPECT_EQ(x->GetOwnersCount(), 1);
            EXPECT_EQ(x->ID, 0);
            EXPECT_EQ(list.FIndex, 2);
        } else {
            EXPECT_EQ(children(list), std::vector<TElement*>({a, x, x}));
            EXPECT_EQ(x->GetOwnersCount(), 2);
            EXPECT_EQ(x->ID, 2);
            EXPECT_EQ(list.FIndex, 3);
        }
        EXPECT_EQ(a->ID, 1);
    }
}

TEST(SortSortedEntity, FindElementNameIgnoresCase) {
    TSortedEntity list;
    for (const char* n : {"mno", "ABC", "xyz", "def", "ghi"}) {
        auto* e = new TOwnerElement;
        e->SetName(n);
        list.AddElement(e);
    }
    EXPECT_EQ(names(list), QStringList({"ABC", "def", "ghi", "mno", "xyz"}));
    ASSERT_NE(list.FindElementName("abc"), nullptr);
    EXPECT_EQ(list.FindElementName("abc")->GetName(), "ABC");
    EXPECT_EQ(list.FindElementName("XYZ"), list.Get(4));
    EXPECT_EQ(list.FindElementName("GHI"), list.Get(2));
    EXPECT_EQ(list.FindElementName("gh"), nullptr);
    EXPECT_EQ(list.FindElementName("zzz"), nullptr);
    EXPECT_EQ(TSortedEntity().FindElementName("abc"), nullptr);
}

TEST(SortSortedEntity, InsertElementCannotBreakTheOrder) {
    TSortedEntity names_;
    TSortedByPropertyEntity byText;
    byText.SetPropertyName("Text");
    for (const char* n : {"b", "d"}) {
        addItem(names_, n);
        addItem(byText, "", 0, 0, n);
    }
    auto* c = new TSortItem;
    c->SetName("c");
    names_.InsertElement(0, c);
    EXPECT_EQ(names(names_), QStringList({"b", "c", "d"}));
    EXPECT_TRUE(c->IsMyOwner(&names_));
    EXPECT_EQ(c->ID, 2);
    // An index out of range is no error either: the position comes from the order.
    auto* a = new TSortItem;
    a->FText = "a";
    byText.InsertElement(7, a);
    EXPECT_EQ(byText.Get(0), a);
    EXPECT_TRUE(a->IsMyOwner(&byText));
    // The entity's own add-all goes through the same filing.
    TSortedEntity copy;
    copy.RAddAllFrom(&names_);
    EXPECT_EQ(names(copy), QStringList({"b", "c", "d"}));
}

// The name search and the comparison search on the same table: the answer, the insertion
// position, and where an added element lands.
TEST(SortSortedEntity, SearchTable) {
    struct Case {
        const char* what;
        QStringList list;
        const char* value;
        int found;
        int insertAt;
        int landsAt;
    };
    const QStringList seven = {"b", "d", "f", "h", "j", "l", "n"};
    const Case cases[] = {
        {"empty", {}, "m", -1, -1, 0},
        {"single, before", {"m"}, "a", -1, 0, 0},
        {"single, equal", {"m"}, "M", 0, -1, 1},
        {"single, after", {"m"}, "z", -1, -1, 1},
        {"append after last", seven, "z", -1, -1, 7},
        {"equal last", seven, "N", 6, -1, 7},
        {"before first", seven, "a", -1, 0, 0},
        {"equal first", seven, "B", 0, 1, 1},
        {"middle, lower half", seven, "c", -1, 1, 1},
        {"middle, centre", seven, "g", -1, 3, 3},
        {"middle, upper half", seven, "m", -1, 6, 6},
        {"equal middle", seven, "h", 3, 4, 4},
        {"equal inner", seven, "d", 1, 2, 2},
        {"equal inner upper", seven, "l", 5, 6, 6},
        {"two, between", {"b", "d"}, "c", -1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSortedEntity byName;
        TSortedByPropertyEntity byText;
        byText.SetPropertyName("Text");
        for (const QString& n : c.list) {
            addItem(byName, n);
            addItem(byText, n, 0, 0, n);
        }
        EXPECT_EQ(names(byName), c.list);
        EXPECT_EQ(names(byText), c.list);

        int insertAt = 99;
        EXPECT_EQ(byName.FindNameIndex(c.value, insertAt), c.found);
        EXPECT_EQ(insertAt, c.insertAt);
        int nearestRight = 99;
        EXPECT_EQ(byText.FindIndex(c.value, nearestRight), c.found);
        EXPECT_EQ(nearestRight, c.insertAt);

        TSortItem* n1 = addItem(byName, c.value);
        TSortItem* n2 = addItem(byText, c.value, 0, 0, c.value);
        EXPECT_EQ(byName.IndexOf(n1), c.landsAt);
        EXPECT_EQ(byText.IndexOf(n2), c.landsAt);
        for (TEntity* e : {static_cast<TEntity*>(&byName), static_cast<TEntity*>(&byText)})
            for (int i = 0; i + 1 < e->ElementsCount(); ++i)
                EXPECT_LE(compareText(e->Get(i)->GetName(), e->Get(i + 1)->GetName()), 0);
    }
}

TEST(SortSortedEntity, ByPropertyFindsByValue) {
    TSortedByPropertyEntity list;
    list.SetPropertyStringByName("PropertyName", "Text");
    EXPECT_EQ(list.GetPropertyName(), "Text");
    EXPECT_EQ(list.FindElementByValue("x"), nullptr);
    for (const char* t : {"pear", "Apple", "plum", "fig", "cherry", "kiwi"}) addItem(list, t, 0, 0, t);
    QStringList texts;
    for (TElement* e : children(list)) texts << static_cast<TSortItem*>(e)->FText;
    EXPECT_EQ(texts, QStringList({"Apple", "cherry", "fig", "kiwi", "pear", "plum"}));
    for (const char* t : {"apple", "CHERRY", "fig", "kiwi", "Pear", "plum"}) {
        TElement* e = list.FindElementByValue(t);
        ASSERT_NE(e, nullptr) << t;
        EXPECT_TRUE(sameText(static_cast<TSortItem*>(e)->FText, t));
    }
    EXPECT_EQ(list.FindElementByValue("grape"), nullptr);
    EXPECT_EQ(list.FindElementByValue(""), nullptr);
}

TEST(SortSortedEntity, ChangingThePropertyReordersTheChildren) {
    TSortedByPropertyEntity list;
    list.SetPropertyName("Text");
    addItem(list, "n3", 1, 0, "a");
    addItem(list, "n1", 3, 0, "c");
    addItem(list, "n2", 2, 0, "b");
    list.SetPropertyName("Num");
    EXPECT_EQ(names(list), QStringList({"n3", "n2", "n1"}));
    ASSERT_NE(list.FindElementByValue("3"), nullptr);
    EXPECT_EQ(list.FindElementByValue("3")->GetName(), "n1");
    list.SetPropertyName("Name");
    EXPECT_EQ(names(list), QStringList({"n1", "n2", "n3"}));
    EXPECT_EQ(list.FindElementByValue("N2"), list.Get(1));
}

TEST(SortSortedEntity, CzechNamesAndLargeList) {
    {
        SortLocaleScope scope{QLocale(QLocale::Czech)};
        TSortedEntity list;
        for (const char* n : {"dub", "čáp", "cesta", "Čerešně", "habr", "chmel"})
            addItem(list, QString::fromUtf8(n));
        EXPECT_EQ(names(list), QStringList({"cesta", "čáp", "Čerešně", "dub", "habr", "chmel"}));
        EXPECT_EQ(list.FindElementName(QString::fromUtf8("ČÁP")), list.Get(1));
        EXPECT_EQ(list.FindElementName("chmel"), list.Get(5));
    }
    TSortedEntity big;
    std::mt19937 rng(7);
    std::vector<int> keys(2000);
    for (int i = 0; i < 2000; ++i) keys[size_t(i)] = i;
    std::shuffle(keys.begin(), keys.end(), rng);
    for (int k : keys) addItem(big, QStringLiteral("n%1").arg(k, 5, 10, QChar('0')));
    for (int i = 0; i + 1 < big.ElementsCount(); ++i)
        ASSERT_LT(compareText(big.Get(i)->GetName(), big.Get(i + 1)->GetName()), 0) << i;
    for (int k = 0; k < 2000; k += 37) {
        TElement* e = big.FindElementName(QStringLiteral("N%1").arg(k, 5, 10, QChar('0')));
        ASSERT_NE(e, nullptr) << k;
        EXPECT_EQ(big.IndexOf(e), k);
    }
}

TEST(SortRegistry, ClassesAndStoredProperties) {
    struct Case {
        const char* cls;
        QStringList props;
    };
    const Case cases[] = {
        {"TSortedEntity", {"NoDuplicates"}},
        {"TSortedByPropertyEntity", {"PropertyName"}},
        {"TSortElementsByString", {"PropertyName", "PropertyName1", "Down"}},
        {"TSortElementsByInteger", {"PropertyName", "PropertyName1", "Down"}},
        {"TSortElementsBy2Integers", {"PropertyName", "PropertyName1", "Down"}},
        {"TSortElementsByFloat", {"PropertyName", "PropertyName1", "Down"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cls);
        const TClassInfo* cls = GetZeltoClass(c.cls);
        ASSERT_NE(cls, nullptr);
        const int n = cls->propertyCount();
        ASSERT_GE(n, int(c.props.size()));
        for (int i = 0; i < int(c.props.size()); ++i) {
            const TPropInfo* p = cls->property(n - int(c.props.size()) + i);
            EXPECT_EQ(p->name, c.props[i]);
            EXPECT_TRUE(p->staticallyStored() && p->readable() && p->writable());
        }
    }
    EXPECT_EQ(GetZeltoClass("TCustomSortedEntity"), nullptr);
    EXPECT_EQ(GetZeltoClass("TSortElements"), nullptr);
}

} // namespace
