#include "e_Sort.h"

#include "TextLocale.h"
#include "e_Class.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zelto {

// ---- TSortedEntity -------------------------------------------------------------------------------

void TSortedEntity::DeclareProperties(TPropTableBuilder& b) {
    b.field<&TSortedEntity::FNoDuplicates>("NoDuplicates");
}
ZELTO_IMPLEMENT_CLASS(TSortedEntity, TOwnerEntity, "e_Sort")

int TSortedEntity::FindNameIndex(const QString& name, int& insertAt) const {
    return sortedSearch(
        FElements.count(),
        [&](int i) {
            const TElement* e = FElements.at(i);
            return compareText(name, e ? e->GetName() : QString());
        },
        insertAt);
}

void TSortedEntity::AddElement(TElement* element) {
    if (!element) return;
    // Linear on purpose: the element may be listed under a name it no longer has.
    if (FNoDuplicates && IndexOf(element) >= 0) return;
    int insertAt = -1;
    FindNameIndex(element->GetName(), insertAt);
    const int before = FElements.count();
    if (insertAt < 0)
        TOwnerEntity::AddElement(element);
    else
        TOwnerEntity::InsertElement(insertAt, element);
    // Only an element that was really taken is numbered (a second container may refuse it).
    if (FElements.count() == before) return;
    element->ID = FIndex++;
}

void TSortedEntity::InsertElement(int, TElement* element) {
    AddElement(element);
}

TElement* TSortedEntity::FindElementName(const QString& name) const {
    int insertAt = -1;
    const int i = FindNameIndex(name, insertAt);
    return i < 0 ? nullptr : FElements.at(i);
}

// ---- TCustomSortedEntity -------------------------------------------------------------------------

ZELTO_IMPLEMENT_CLASS_NOPROPS(TCustomSortedEntity, TOwnerEntity, "e_Sort")

int TCustomSortedEntity::FindIndex(const QString& value, int& nearestRight) const {
    return sortedSearch(
        FElements.count(), [&](int i) { return Compare(value, FElements.at(i)); }, nearestRight);
}

int TCustomSortedEntity::Compare(const QString& value, const TElement* element) const {
    return compareText(value, SortKey(element));
}

QString TCustomSortedEntity::SortKey(const TElement* element) const {
    return element ? element->GetName() : QString();
}

void TCustomSortedEntity::AddElement(TElement* element) {
    if (!element) return;
    int nearestRight = -1;
    FindIndex(SortKey(element), nearestRight);
    if (nearestRight < 0)
        TOwnerEntity::AddElement(element);
    else
        TOwnerEntity::InsertElement(nearestRight, element);
}

void TCustomSortedEntity::InsertElement(int, TElement* element) {
    AddElement(element);
}

TElement* TCustomSortedEntity::FindElementByValue(const QString& value) const {
    int nearestRight = -1;
    const int i = FindIndex(value, nearestRight);
    return i < 0 ? nullptr : FElements.at(i);
}

// ---- TSortedByPropertyEntity ---------------------------------------------------------------------

void TSortedByPropertyEntity::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TSortedByPropertyEntity::GetPropertyName, &TSortedByPropertyEntity::SetPropertyName>(
        "PropertyName");
}
ZELTO_IMPLEMENT_CLASS(TSortedByPropertyEntity, TCustomSortedEntity, "e_Sort")

QString TSortedByPropertyEntity::SortKey(const TElement* element) const {
    return element ? element->GetPropertyStringByName(FPropertyName) : QString();
}

void TSortedByPropertyEntity::SetPropertyName(const QString& name) {
    if (name == FPropertyName) return;
    FPropertyName = name;
    const int n = FElements.count();
    if (n < 2) return;
    // Reorder in place: the children stay the same, so there is no owner bookkeeping.
    std::vector<std::pair<QString, TElement*>> keyed;
    keyed.reserve(size_t(n));
    for (int i = 0; i < n; ++i) keyed.emplace_back(SortKey(FElements.at(i)), FElements.at(i));
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return compareText(a.first, b.first) < 0; });
    for (int i = 0; i < n; ++i) FElements.set(i, keyed[size_t(i)].second);
}

void registerSortedEntityClasses() {
    RegisterZeltoClass(TSortedEntity::StaticClass());
    RegisterZeltoClass(TSortedByPropertyEntity::StaticClass());
}

} // namespace zelto
