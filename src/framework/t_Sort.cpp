#include "t_Sort.h"

#include "TextLocale.h"
#include "e_Class.h"

namespace zelto {

namespace {

int compareInts(qint32 a, qint32 b) {
    return (a > b) - (a < b);
}

} // namespace

// ---- TSortElements -------------------------------------------------------------------------------

void TSortElements::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TSortElements::FPropertyName>("PropertyName");
    b.field<&TSortElements::FPropertyName1>("PropertyName1");
    b.field<&TSortElements::FDown>("Down");
}
ZELTO_IMPLEMENT_CLASS(TSortElements, TTool, "t_Sort")

int TSortElements::CompareElements(const TElement*, const TElement*) const {
    return 1;
}

int TSortElements::DownPropertyNumber() const {
    return 1;
}

QString TSortElements::NumberToPropertyName(int number) const {
    if (number == DownPropertyNumber()) return QStringLiteral("Down");
    if (number == 0) return QStringLiteral("PropertyName");
    if (number == 1) return QStringLiteral("PropertyName1");
    return QString();
}

int TSortElements::InsertPosition(const TElement* element) const {
    const TSuperList& list = FWorkList->FElements;
    int hi = list.count();
    // Input that is already in order costs one comparison per element.
    if (hi > 0) {
        const int c = CompareElements(element, list.at(hi - 1));
        if (c > 0 || (c == 0 && !FDown)) return hi;
    }
    int lo = 0;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareElements(element, list.at(mid));
        if (c < 0 || (c == 0 && FDown))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void TSortElements::DoIt() {
    auto* input = zelto_cast<TEntity>(FInPut);
    if (!input || input->ElementsCount() < 1) return;
    if (!FWorkList) {
        FWorkList = new TQuickEntity;
        AddElement(FWorkList);
    }
    // The work list must never keep references: freeing the tool would free them with it.
    struct Emptier {
        TQuickEntity* list;
        ~Emptier() { list->Clear(); }
    } emptier{FWorkList};
    FWorkList->Clear();

    const int n = input->ElementsCount();
    for (int i = 0; i < n; ++i) {
        TElement* e = input->Get(i);
        if (!e) continue; // empty entries go to the end
        const int at = InsertPosition(e);
        if (at >= FWorkList->ElementsCount())
            FWorkList->AddElement(e);
        else
            FWorkList->InsertElement(at, e);
    }
    const int m = FWorkList->ElementsCount();
    for (int i = 0; i < m; ++i) input->Put(FDown ? m - 1 - i : i, FWorkList->FElements.at(i));
    for (int i = m; i < n; ++i) input->Put(i, nullptr);
}

// ---- the members ---------------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSortElementsByString, TSortElements, "t_Sort")

int TSortElementsByString::CompareElements(const TElement* e1, const TElement* e2) const {
    return compareText(e1->GetPropertyStringByName(FPropertyName),
                       e2->GetPropertyStringByName(FPropertyName));
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSortElementsByInteger, TSortElements, "t_Sort")

// Compared rather than subtracted: the difference of two 32-bit values may not fit in 32 bits.
int TSortElementsByInteger::CompareElements(const TElement* e1, const TElement* e2) const {
    return compareInts(e1->GetPropertyLongIntByName(FPropertyName),
                       e2->GetPropertyLongIntByName(FPropertyName));
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSortElementsBy2Integers, TSortElements, "t_Sort")

int TSortElementsBy2Integers::CompareElements(const TElement* e1, const TElement* e2) const {
    const int c =
        compareInts(e1->GetPropertyLongIntByName(FPropertyName), e2->GetPropertyLongIntByName(FPropertyName));
    if (c != 0) return c;
    return compareInts(e1->GetPropertyLongIntByName(FPropertyName1),
                       e2->GetPropertyLongIntByName(FPropertyName1));
}

int TSortElementsBy2Integers::DownPropertyNumber() const {
    return 2;
}

ZELTO_IMPLEMENT_CLASS_NOPROPS(TSortElementsByFloat, TSortElements, "t_Sort")

int TSortElementsByFloat::CompareElements(const TElement* e1, const TElement* e2) const {
    const double v1 = strToExtended(e1->GetPropertyStringByName(FPropertyName));
    const double v2 = strToExtended(e2->GetPropertyStringByName(FPropertyName));
    if (v2 < v1) return 1;
    if (v1 == v2) return 0;
    if (v1 < v2) return -1;
    return 1; // not comparable
}

void registerSortToolClasses() {
    RegisterZeltoClass(TSortElementsByString::StaticClass());
    RegisterZeltoClass(TSortElementsByInteger::StaticClass());
    RegisterZeltoClass(TSortElementsBy2Integers::StaticClass());
    RegisterZeltoClass(TSortElementsByFloat::StaticClass());
}

} // namespace zelto
