// Sorted entities: containers that keep their children ordered at all times (by name, or by the
// text of one property) and find them by bisection. Texts are compared with the locale's
// collation ignoring case (compareText).
//
// Placement is always chosen by the order: InsertElement ignores its index and files the element
// like AddElement, so no caller (stream reader, add-all, name-sorted insertion) can break the
// order. Put and the exchange operations still write raw positions; they are the caller's
// responsibility.
#pragma once

#include "Elements.h"

namespace zelto {

// The bisection shared by the sorted containers. `cmp(i)` compares the sought value with entry
// `i` (negative: the value belongs before it). Answers the position of an entry that compares
// equal, or -1; `insertAt` is where the value goes (-1: append). A value equal to an entry goes
// directly after that entry.
template <class Cmp> int sortedSearch(int count, Cmp cmp, int& insertAt) {
    insertAt = -1;
    if (count <= 0) return -1;
    int hi = count - 1;
    int c = cmp(hi);
    if (c > 0) return -1;
    if (c == 0) return hi;
    insertAt = 0;
    if (count < 2) return -1;
    c = cmp(0);
    if (c < 0) return -1;
    if (c == 0) {
        insertAt = 1;
        return 0;
    }
    int lo = 0;
    for (;;) {
        insertAt = hi;
        if (hi - lo < 2) return -1;
        const int mid = lo + (hi - lo) / 2;
        c = cmp(mid);
        if (c == 0) {
            insertAt = mid + 1;
            return mid;
        }
        if (c > 0)
            lo = mid;
        else
            hi = mid;
    }
}

// Children kept in name order; each added child is numbered (ID) in order of arrival.
class TSortedEntity : public TOwnerEntity {
    ZELTO_CLASS(TSortedEntity, TOwnerEntity)
public:
    qint32 FIndex = 0;
    bool FNoDuplicates = false;

    void AddElement(TElement* element) override;
    // Files the element by its name like AddElement; the index is not used.
    void InsertElement(int index, TElement* element) override;
    TElement* FindElementName(const QString& name) const override;

    // Position of a child named `name` (ignoring case), or -1; `insertAt` as in sortedSearch.
    int FindNameIndex(const QString& name, int& insertAt) const;
};

// Children kept in the order of Compare.
class TCustomSortedEntity : public TOwnerEntity {
    ZELTO_CLASS(TCustomSortedEntity, TOwnerEntity)
public:
    // Position of a child that compares equal to `value`, or -1; `nearestRight` is the insertion
    // position (-1: append).
    virtual int FindIndex(const QString& value, int& nearestRight) const;
    // `value` against the element's key (its name; TSortedByPropertyEntity: its property text).
    virtual int Compare(const QString& value, const TElement* element) const;

    void AddElement(TElement* element) override;
    // Files the element by its key like AddElement; the index is not used.
    void InsertElement(int index, TElement* element) override;
    // The child whose key equals `value`, by bisection.
    TElement* FindElementByValue(const QString& value) const override;

protected:
    // The text by which the element is ordered.
    virtual QString SortKey(const TElement* element) const;
};

// Children kept in the order of the text of the property PropertyName.
class TSortedByPropertyEntity : public TCustomSortedEntity {
    ZELTO_CLASS(TSortedByPropertyEntity, TCustomSortedEntity)
public:
    QString FPropertyName;

    QString GetPropertyName() const { return FPropertyName; }
    // A different property reorders the children present, so that searches stay valid.
    void SetPropertyName(const QString& name);

protected:
    QString SortKey(const TElement* element) const override;
};

void registerSortedEntityClasses();

} // namespace zelto
