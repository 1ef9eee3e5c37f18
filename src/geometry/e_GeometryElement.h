// Model objects that carry a geometry, the collections that hold them (a user layer of the map is
// such a collection, with sub-layers per object kind), and the record of deleted objects kept for
// synchronisation between devices.
#pragma once

#include "e_Geometry.h"
#include "framework/e_Sort.h"

namespace zelto {

class TProperties;

// A model object whose shape is its first child that is a TGeometry. While it has a geometry, its
// rectangle and reference point are the geometry's.
class TGeometryElement : public TRectEntity {
    ZELTO_CLASS(TGeometryElement, TRectEntity)
public:
    double FTimeStamp = 0; // days since 1899-12-30
    QString FUUID;
    QString FUID;

    virtual qint32 GetSpaceID() const;
    virtual qint32 GetGroup() const;
    virtual void SetGroup(qint32 group);
    virtual bool GetMultiElement() const;
    // The class that gathers the pieces of a multi-element; none here.
    virtual const TClassInfo* GetMultiElementClass() const;
    // The geometry was divided: a copy of this element takes the new piece and is offered to the
    // owners (a collection adds it). A copy nobody takes is freed again.
    virtual void on_tm_DivideGeometry(TZeltoMessage& message);
    // Called after this element was copied into `copy`.
    virtual void AfterCopy(TGeometryElement* copy);
    // Sets the geometry, or, for a multi-element that has one, adds `geometry` to it (the pieces
    // of a multi-class geometry one by one; such an unowned container is freed afterwards).
    virtual void AddGeometry(TGeometry* geometry);
    virtual TGeometry* GetSimpleGeometryByXY(double x, double y, double tolerance);

    void HandleMessage(TZeltoMessage& message, bool& handled) override;
    void RemoveElement(TElement* element) override;
    // "GEOMETRY" (any letter case) names the geometry.
    TElement* FindElementName(const QString& name) const override;
    TRectangle* GetRect() const override;
    void SetRect(TRectangle* rect) override;
    T2DCoordinate* GetRefCoordinate() const override;
    void SetRefCoordinate(TCoordinate* ref) override;
    bool IsOverRegionEx(double minX, double minY, double maxX, double maxY) const override;
    bool IsHit(const TCoordinate* c, double tolerance) const override;
    bool IsHitByXY(double x, double y, double tolerance) const override;
    // Only without a geometry: the rectangle over the children.
    void Update() override;

    // The first child that is a TGeometry (remembered), or none.
    TGeometry* GetGeometry() const;
    bool GetNoGeometry() const { return GetGeometry() == nullptr; }
    bool HasGeometry() const { return GetGeometry() != nullptr; }
    // Frees the current geometry (as a child) and adopts `geometry` as a child; the element's own
    // rectangle and reference point are dropped.
    void SetGeometry(TGeometry* geometry);

    void CreateUUID() { FUUID = NewUUIDText(); }
    void SetNewUUID(bool create) {
        if (create) CreateUUID();
    }
    QString GetUUID() const { return FUUID; }
    void SetUUID(const QString& v) { FUUID = v; }
    QString GetUID() const { return FUID; }
    void SetUID(const QString& v) { FUID = v; }
    double GetTimeStamp() const { return FTimeStamp; }
    void SetTimeStamp(double v) { FTimeStamp = v; }
    QString GetTimeStampString() const { return TimeStampToText(FTimeStamp); }
    double GetAngle() const;
    void SetAngle(double angle);
    qint32 GetGIndex() const;

private:
    mutable TGeometry* m_geometry = nullptr; // a child; checked against the children on use
};

// A geometry element with a set of further properties (its first child that is a TProperties).
class TPropertyGeometryElement : public TGeometryElement {
    ZELTO_CLASS(TPropertyGeometryElement, TGeometryElement)
public:
    bool HasPropertyByName(const QString& name) const override;
    QString GetPropertyStringByName(const QString& name) const override;
    void SetPropertyStringByName(const QString& name, const QString& value) override;
    void AfterCopy(TGeometryElement* copy) override;
    void RemoveElement(TElement* element) override;

    TProperties* GetProperties() const;
    // Replaces the property set child (the previous one is freed).
    void SetProperties(TProperties* properties);

protected:
    // Only the declared properties of the element's own class.
    bool hasOwnProperty(const QString& name) const;

private:
    mutable TProperties* m_properties = nullptr; // a child; checked against the children on use
};

// The record of a deleted object: its name is the deleted object's UUID.
class TGeometryElementRIP : public TOwnerElement {
    ZELTO_CLASS(TGeometryElementRIP, TOwnerElement)
public:
    QString FUID;
    double FTimeStamp = 0;

    QString GetUUID() const { return FName; }
    void SetUUID(const QString& v) { FName = v; }
    QString GetUID() const { return FUID; }
    void SetUID(const QString& v) { FUID = v; }
    double GetTimeStamp() const { return FTimeStamp; }
    void SetTimeStamp(double v) { FTimeStamp = v; }
    QString GetTimeStampString() const { return TimeStampToText(FTimeStamp); }
};

// The deleted-object records of a collection: a sorted entity owned through a field (the
// collection is its owner, it is not a child), created on first use.
class TDeletedUUIDsHolder {
public:
    TSortedEntity* Get() const { return m_deleted; }
    TSortedEntity* GetOrCreate(TEntity* holder);
    // Creates the list if needed, frees its entries and takes over all entries of `source`;
    // ignored unless `source` is a sorted entity other than the list itself.
    void Replace(TEntity* holder, TElement* source);
    // A new record named `uuid`, by the world's current user, now; ignored for an empty text.
    void Add(TEntity* holder, const QString& uuid);
    // Marks the list for the stream writer (written as a nested list).
    void ResetIDs();
    void Release(TEntity* holder);

private:
    TSortedEntity* m_deleted = nullptr;
};

// A simple collection of geometry elements.
class TGeometryElementCollection : public TRectEntity {
    ZELTO_CLASS(TGeometryElementCollection, TRectEntity)
public:
    bool FUseColor = false;
    bool FUseSymbol = false;
    qint32 FColor = 0;
    qint32 FSymbol = 0;

    ~TGeometryElementCollection() override;

    // Adds the divided element's copy (the message data) as a child.
    virtual void on_tm_DivideGeometry(TZeltoMessage& message);
    void HandleMessage(TZeltoMessage& message, bool& handled) override;
    void ResetIDs() override;

    TSortedEntity* GetDeletedUUIDs() const { return m_deleted.Get(); }
    void SetDeletedUUIDs(TSortedEntity* e) { m_deleted.Replace(this, e); }
    void AddDeletedUUID(const QString& uuid) { m_deleted.Add(this, uuid); }
    qint32 GetColor() const { return FColor; }
    void SetColor(qint32 v) { FColor = v; }
    bool GetUseColor() const { return FUseColor; }
    void SetUseColor(bool v) { FUseColor = v; }
    qint32 GetSymbol() const { return FSymbol; }
    void SetSymbol(qint32 v) { FSymbol = v; }
    bool GetUseSymbol() const { return FUseSymbol; }
    void SetUseSymbol(bool v) { FUseSymbol = v; }

private:
    TDeletedUUIDsHolder m_deleted;
};

class TPointCollection : public TGeometryElementCollection {
    ZELTO_CLASS(TPointCollection, TGeometryElementCollection)
};
class TPolyLineCollection : public TGeometryElementCollection {
    ZELTO_CLASS(TPolyLineCollection, TGeometryElementCollection)
};
class TTextCollection : public TGeometryElementCollection {
    ZELTO_CLASS(TTextCollection, TGeometryElementCollection)
};
class TAreaCollection : public TGeometryElementCollection {
    ZELTO_CLASS(TAreaCollection, TGeometryElementCollection)
};

// A user layer or a sub-layer of one. Its children are geometries, geometry elements or
// sub-layers; a user layer keeps its objects in sub-layers named after the object kind ("A" areas,
// "L" lines, "P" points, "N" notes).
class TComplicatedGECollection : public TRectEntity {
    ZELTO_CLASS(TComplicatedGECollection, TRectEntity)
public:
    bool FEnabled = false;
    QString FText;
    QString FObjectType;
    qint32 FSymbol = 0;
    qint32 FUseSymbol = 0;
    qint32 FColor = 0;
    bool FUseColor = false;
    bool FVisible = false;
    qint32 FRestriction = 0;
    qint32 FGroup = 0;
    bool FModified = false;

    ~TComplicatedGECollection() override;

    void ResetIDs() override;

    // The sub-layer of that name, created (with ObjectType = its first letter in upper case) when
    // missing; a child of that name that is not a layer is freed and replaced.
    TComplicatedGECollection* GetLayer(const QString& name);
    void CheckLayer(const QString& name) { GetLayer(name); }
    TElement* GetLayers(int i) const { return Get(i); }

    TSortedEntity* GetDeletedUUIDs() const { return m_deleted.Get(); }
    void SetDeletedUUIDs(TSortedEntity* e) { m_deleted.Replace(this, e); }
    void AddDeletedUUID(const QString& uuid) { m_deleted.Add(this, uuid); }
    qint32 GetColor() const { return FColor; }
    void SetColor(qint32 v) { FColor = v; }
    bool GetUseColor() const { return FUseColor; }
    void SetUseColor(bool v) { FUseColor = v; }
    qint32 GetSymbol() const { return FSymbol; }
    void SetSymbol(qint32 v) { FSymbol = v; }
    qint32 GetUseSymbol() const { return FUseSymbol; }
    void SetUseSymbol(qint32 v) { FUseSymbol = v; }
    QString GetText() const { return FText; }
    void SetText(const QString& v) { FText = v; }
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }
    QString GetObjectType() const { return FObjectType; }
    void SetObjectType(const QString& v) { FObjectType = v; }
    qint32 GetRestriction() const { return FRestriction; }
    void SetRestriction(qint32 v) { FRestriction = v; }
    bool GetModified() const { return FModified; }
    void SetModified(bool v) { FModified = v; }
    qint32 GetGroup() const { return FGroup; }
    void SetGroup(qint32 v) { FGroup = v; }

private:
    TDeletedUUIDsHolder m_deleted;
};

void registerGeometryElementClasses();

} // namespace zelto
