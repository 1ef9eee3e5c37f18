// Dynamic properties: a bag of named value elements that answers the by-name property operations
// of the element core (the free-form attributes of geometry elements); and the handles and
// inspectors that reach the declared properties of any object.
#pragma once

#include "E_Type.h"

namespace zelto {

// The base of property sets held by elements.
class TProperties : public TOwnerEntity {
    ZELTO_CLASS(TProperties, TOwnerEntity)
};

// Value elements found by name (ignoring letter case); setting a missing name adds a value
// element of the setter's type.
class TDynamicProperties : public TProperties {
    ZELTO_CLASS(TDynamicProperties, TProperties)
public:
    bool HasPropertyByName(const QString& name) const override;
    QString GetPropertyStringByName(const QString& name) const override;
    void SetPropertyStringByName(const QString& name, const QString& value) override;
    qint32 GetPropertyLongIntByName(const QString& name) const override;
    void SetPropertyLongIntByName(const QString& name, qint32 value) override;
    bool GetPropertyBooleanByName(const QString& name) const override;
    void SetPropertyBooleanByName(const QString& name, bool value) override;

    // A new bag with a copy of every value, in order; the caller owns it.
    TDynamicProperties* MakeSelfCopy() const;

    // The first value element of that name, or none.
    TTypeElement* FindValue(const QString& name) const;
};

// A handle on one declared property of one object.
class TProperty : public TNameElement {
    ZELTO_CLASS(TProperty, TNameElement)
public:
    TPersistent* FInstance = nullptr; // not owned
    const TPropInfo* FPropInfo = nullptr;
    qint32 FIndex = -1;

    void SetInstance(TPersistent* instance);
    // Also names the handle after the property.
    void SetPropInfo(const TPropInfo* entry);
    qint32 GetPropIndex() const { return FIndex; }
    // Selects the instance's property at that position.
    void SetPropIndex(qint32 index);
    // The stored rule evaluated for the instance; false without instance or entry.
    bool GetStored() const;
    qint32 GetTypeKind() const;
    QString GetPropString() const;
    void SetPropString(const QString& text);
    // The ordinal value of a readable ordinal property, else 0.
    qint32 GetPropLongInt() const;
};

// An inspector over any object with a property table.
class TInstanceProperties : public TPropertyList {
    ZELTO_CLASS(TInstanceProperties, TPropertyList)
public:
    TPersistent* FInstance = nullptr; // not owned
    const TPropInfo* FPropList = nullptr;
    qint32 FPropCount = 0;
    TProperty* FActualProperty = nullptr; // owned

    ~TInstanceProperties() override;

    TPersistent* GetInstance() const { return FInstance; }
    void SetInstance(TPersistent* instance);
    QString GetInstClassName() const;
    qint32 GetPropCount() const { return FPropCount; }
    QString GetPropName() const;
    void SetPropName(const QString& name);
    qint32 IGetPropIndex() const;
    void ISetPropIndex(qint32 index);
    TProperty* GetActualProperty() const { return FActualProperty; }
    QString IGetPropString() const;
    void ISetPropString(const QString& text);
    qint32 GetPropKind() const;
    // true replaces the entries with one name/text entry per property of the instance.
    void SetList(bool list);

    // Own declared properties first, otherwise the instance's property of that name.
    bool HasPropertyByName(const QString& name) const override;
    QString GetPropertyStringByName(const QString& name) const override;
    void SetPropertyStringByName(const QString& name, const QString& value) override;

private:
    void select(const TPropInfo* entry);
};

void registerDynamicPropertiesClasses();

} // namespace zelto
