// The class registry: a name-sorted collection of class entries, one per registered class,
// filled at start-up; and the class entry bound to one instance, which moves property values.
#pragma once

#include "Elements.h"

#include <atomic>

namespace zelto {

class TZeltoClassProperty : public TNameElement {
    ZELTO_CLASS(TZeltoClassProperty, TNameElement)
public:
    const TPropInfo* FPropInfo = nullptr;
    qint32 FIndex = 0;
    qint32 FTrueIndex = -1;
    bool FLostProperty = false;
    quint8 FLostTypeKind = 0;
    bool FTypeMishmash = false;

    qint32 GetTypeKind() const;
};

class TZeltoClass : public TOwnerEntity {
    ZELTO_CLASS(TZeltoClass, TOwnerEntity)
public:
    const TClassInfo* FElementClass = nullptr;
    const TPropInfo* FPropList = nullptr; // the class's table (owned by the class description)
    qint32 FPropCount = 0;

    virtual bool GetPropertyStored(int index) const;
    virtual void ShowProperties();
    virtual int PropertyIndex(const QString& name) const;

    void SetElementClass(const TClassInfo* cls);
    QString GetPropertyName(int index) const;
    int GetPropertyTypeKind(int index) const;
    const TPropInfo* GetPropInfo(int index) const;
    bool GetPropertyIsReadOnly(int index) const;
    bool GetPropertyIsWriteOnly(int index) const;
    bool GetPropertyIsReadOrWriteOnly(int index) const;
    const TClassInfo* GetPropertyClass(int index) const;
    bool IsClassName(const QString& name) const;
    QString GetElementClassName() const;
    QString GetAncestorClassName() const;
    QString GetUnitName() const;
    qint32 GetPropCount() const { return FPropCount; }
    void SelfCHeck();
};

class TZeltoClasses : public TOwnerEntity {
    ZELTO_CLASS(TZeltoClasses, TOwnerEntity)
public:
    std::atomic<TZeltoClass*> FActualClass{nullptr};
    bool FShowProperties = false;
    bool FSortByName = false;
    qint32 FIndex = 0;

    virtual void AddZeltoClass(TZeltoClass* entry);
    virtual TZeltoClass* AddClass(const TClassInfo& cls);
    virtual TZeltoClass* GetZeltoClassByName(const QString& name);
    virtual const TClassInfo* GetClass(const QString& name);
    // Raises EClassNotFound for a class that is not registered.
    virtual const TClassInfo* FindClass(const QString& name);

    // Binary search by name; see the registry's ordering rules.
    int FindIndex(const QString& name, int& insertAt) const;
    void SetSortByName(bool) {}
    bool GetShowProperties() const { return FShowProperties; }
    void SetShowProperties(bool show) { FShowProperties = show; }
    TZeltoClass* Entry(int index) const { return static_cast<TZeltoClass*>(FElements.at(index)); }

private:
    void insertSorted(TZeltoClass* entry);
};

class TZeltoInstance : public TZeltoClass {
    ZELTO_CLASS(TZeltoInstance, TZeltoClass)
public:
    TElement* FInstance = nullptr; // not owned

    void SetInstance(TElement* element);
    bool GetPropertyStored(int index) const override;
    bool GetPropertyValue(int index, TValue& value) const;
    void SetPropertyValue(int index, const TValue& value);
    TElement* CreateInstanceCopy();
};

// The process-wide registry (created by the first registration).
TZeltoClasses* ZeltoClasses();
void RegisterZeltoClass(const TClassInfo& cls);
// The names of the classes in the order they were registered (their registration numbers are the
// positions). Entry IDs double as visit marks and stream class numbers, so this is the record.
const QStringList& RegisteredClassNames();
void CHeckZeltoClasses();
const TClassInfo* GetZeltoClass(const QString& name);
// Raises EClassNotFound.
const TClassInfo* FindZeltoClass(const QString& name);
TElement* CreateElementCopy(TElement* element);

void registerClassRegistryClasses();

} // namespace zelto
