// Sorting tools: reorder the children of the input entity once, by a property of the children,
// ascending or (Down) descending. Children with equal keys keep their input order in both
// directions. Only list positions change: owners and owner registrations are untouched.
#pragma once

#include "Tools.h"

namespace zelto {

class TSortElements : public TTool {
    ZELTO_CLASS(TSortElements, TTool)
public:
    QString FPropertyName;
    QString FPropertyName1;
    bool FDown = false;

    // Negative, 0, positive for e1 before, equal to, after e2. The base answers 1 for every
    // pair, which keeps the input order.
    virtual int CompareElements(const TElement* e1, const TElement* e2) const;
    // The numbered argument that stands for Down.
    virtual int DownPropertyNumber() const;

    void DoIt() override;
    QString NumberToPropertyName(int number) const override;

private:
    // Where `element` goes in the work list: after the entries it equals, or before them when
    // sorting down (the list is written back reversed).
    int InsertPosition(const TElement* element) const;

    TQuickEntity* FWorkList = nullptr; // a child of the tool, created on first use
};

class TSortElementsByString : public TSortElements {
    ZELTO_CLASS(TSortElementsByString, TSortElements)
public:
    int CompareElements(const TElement* e1, const TElement* e2) const override;
};

class TSortElementsByInteger : public TSortElements {
    ZELTO_CLASS(TSortElementsByInteger, TSortElements)
public:
    int CompareElements(const TElement* e1, const TElement* e2) const override;
};

// By PropertyName, ties broken by PropertyName1; both as integers.
class TSortElementsBy2Integers : public TSortElements {
    ZELTO_CLASS(TSortElementsBy2Integers, TSortElements)
public:
    int CompareElements(const TElement* e1, const TElement* e2) const override;
    int DownPropertyNumber() const override;
};

// Texts are read with either decimal separator ("1,5" and "1.5" alike); unreadable text counts as 0.
class TSortElementsByFloat : public TSortElements {
    ZELTO_CLASS(TSortElementsByFloat, TSortElements)
public:
    int CompareElements(const TElement* e1, const TElement* e2) const override;
};

void registerSortToolClasses();

} // namespace zelto
