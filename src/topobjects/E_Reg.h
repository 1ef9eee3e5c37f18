// Registers: the tree that files registered geometry elements by block, object type and object
// number (register -> block registers -> object registers -> object owners -> elements), the
// registered geometry element itself, and the tool that picks one filed object.
#pragma once

#include "framework/Tools.h"
#include "geometry/e_GeometryElement.h"

namespace zelto {

class TBlockRegister;
class TObjectOwner;
class TObjectRegister;
class TTopolDBFTable;

// The object type letter of a geometry, tested as point, text, line, area in this order: "B", "T",
// "L", "P"; "X" for any other geometry, " " for none.
QChar ObjectTypeOfGeometry(const TGeometry* geometry);

// A geometry element with properties that can be filed in a register; a filed element answers the
// properties it does not declare from its attribute-table row.
class TRegisteredGeometryElement : public TPropertyGeometryElement {
    ZELTO_CLASS(TRegisteredGeometryElement, TPropertyGeometryElement)
public:
    bool FIsDone = false;

    virtual TObjectRegister* GetObjectRegister() const;
    virtual TBlockRegister* GetBlockRegister() const;
    // The element whose attribute row this one shares: itself when it is alone under its number,
    // else the first element filed under the number.
    virtual TElement* GetOrigElement() const;
    // The object number (position of the owner in its object register); -1 when not filed.
    virtual qint32 GetOrigNo() const;
    virtual QString GetBlockName() const;
    virtual bool HasDBFItem(const QString& name) const;
    virtual QString GetDBFFieldAsString(const QString& name) const;
    virtual void SetDBFFieldAsString(const QString& name, const QString& value);
    virtual bool SetDBFRecord() const;
    // A new element of the same class with every property declared below the entity level copied
    // through its text form. Children are not copied, nor are references to them.
    virtual TRegisteredGeometryElement* CreateDuplicate() const;

    bool HasPropertyByName(const QString& name) const override;
    QString GetPropertyStringByName(const QString& name) const override;
    void SetPropertyStringByName(const QString& name, const QString& value) override;

    bool GetIsDone() const { return FIsDone; }
    void SetIsDone(bool v) { FIsDone = v; }
    TObjectOwner* GetObjectOwner() const;
    bool IsFiled() const { return GetObjectRegister() != nullptr; }
};

// The root of the register tree: its children are block registers named after their blocks.
class TRegister : public TRectEntity {
    ZELTO_CLASS(TRegister, TRectEntity)
public:
    // The child of that name (ignoring case); none for an empty name.
    virtual TBlockRegister* GetBlockRegister(const QString& name) const;
    // The existing one, or a new element of the registered class `className` named `name` and
    // added, when that class is a block register; none otherwise.
    virtual TBlockRegister* GetAndCreateBlockRegister(const QString& name, const QString& className);
};

// The registers of one block: its children are object registers named by an object type letter.
class TBlockRegister : public TRectEntity {
    ZELTO_CLASS(TBlockRegister, TRectEntity)
public:
    // Files an element of any class, its letter found as area, line, text, point.
    virtual void RegisterLogicObject(TElement* element);
    // Files a geometry element under its geometry's object type letter.
    virtual void RegisterObject(TElement* element);
    // The object register of that letter, created when missing.
    virtual TObjectRegister* GetObjectRegister(QChar type);
    virtual TGeometryElement* GetObject(QChar type, qint32 number);
    virtual void RemoveObject(QChar type, qint32 number);

protected:
    void fileUnder(QChar type, TElement* element);
    // The register's own kind of object register.
    virtual TObjectRegister* createObjectRegister() const;
};

// The objects of one type in one block: child n is the object owner of object number n (0 is
// never used for an object). Owns its attribute table when it has one.
class TObjectRegister : public TRectEntity {
    ZELTO_CLASS(TObjectRegister, TRectEntity)
public:
    static constexpr qint32 MaxObjectNumber = 500000;

    ~TObjectRegister() override;

    virtual TTopolDBFTable* GetDBF();
    virtual TObjectOwner* CreateObjectOwner() const;

    // Files the element under its SpaceID when that is 1 .. 500000.
    void RegisterObject(TElement* element);
    void SetObject(qint32 number, TElement* element);
    TGeometryElement* GetObject(qint32 number) const;
    // Frees everything filed under the number; a number outside the list is an index error.
    void RemoveObject(qint32 number);
    QString GetBlockName() const;

protected:
    TTopolDBFTable* m_dbf = nullptr; // owned
};

// The elements filed under one number: first the element filed, then the pieces into which it
// was divided.
class TObjectOwner : public TOwnerEntity {
    ZELTO_CLASS(TObjectOwner, TOwnerEntity)
public:
    void HandleMessage(TZeltoMessage& message, bool& handled) override;
    QString GetPropertyStringByName(const QString& name) const override;
};

// Picks one filed object of the world's register as its output.
class TRegisterObjectSelector : public TTool {
    ZELTO_CLASS(TRegisterObjectSelector, TTool)
public:
    QString FBlockName;
    qint32 FObjectNo = 0;
    QString FObjectType;

    void DoIt() override;
};

void registerRegisterClasses();

} // namespace zelto
