// People of the forest and cadastral data: a person with first and second name, a comment and a
// PIN, and the collection that holds persons. Taxators, owners and forest managers are persons
// whose children are the units or parcel groups they are responsible for.
#pragma once

#include "framework/Elements.h"

namespace zelto {

class TPersonElement : public TOwnerEntity {
    ZELTO_CLASS(TPersonElement, TOwnerEntity)
public:
    QString FFirstName;
    QString FSecondName;
    QString FComment;
    qint32 FPIN = 0;

    // The stored name when one was given, else first and second name joined by a space, else the
    // class name.
    QString GetName() const override;

    QString GetFirstName() const { return FFirstName; }
    void SetFirstName(const QString& v) { FFirstName = v; }
    QString GetSecondName() const { return FSecondName; }
    void SetSecondName(const QString& v) { FSecondName = v; }
    QString GetComment() const { return FComment; }
    void SetComment(const QString& v) { FComment = v; }
    qint32 GetPIN() const { return FPIN; }
    void SetPIN(qint32 v) { FPIN = v; }
};

// A collection of persons.
class TPerson_Collection : public TOwnerEntity {
    ZELTO_CLASS(TPerson_Collection, TOwnerEntity)
public:
    // Child number index when it is a person, else none.
    TPersonElement* GetPerson(int index) const;
    // The first person with that PIN, or none.
    TPersonElement* FindPIN(qint32 pin) const;
};

void registerPersonClasses();

} // namespace zelto
