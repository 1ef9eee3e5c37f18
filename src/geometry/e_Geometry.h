// Geometries proper: a point, a text, polylines, areas with holes, and composite lines and areas
// assembled from shared polylines. A geometry is a TRectEntity whose children are its vertices
// (T2DCoordinate elements) or, for the composites, its member lines. Lengths are in model metres,
// areas in square metres.
#pragma once

#include "G_Elems.h"

#include <QByteArray>

#include <cmath>
#include <memory>
#include <type_traits>

namespace zelto {

class TAreaElement;
class THolesEntity;
class TPolyElement;

// A new random GUID in the registry text form: 32 upper-case hexadecimal digits in groups of
// 8-4-4-4-12, in curly braces (38 characters).
QString NewUUIDText();
// A date-time (days since 1899-12-30) as the locale's short date and long time; empty for a value
// outside the calendar.
QString TimeStampToText(double stamp);

// A non-owning reference to a callable that takes one vertex position: the coordinate, or none
// for a position that holds no coordinate. Answering false ends the walk.
class TCoordVisitor {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TCoordVisitor>>>
    TCoordVisitor(F&& f)
        : m_ctx(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          m_fn(&call<std::remove_reference_t<F>>) {}
    bool operator()(const T2DCoordinate* c) const { return m_fn(m_ctx, c); }

private:
    template <class F> static bool call(void* ctx, const T2DCoordinate* c) {
        return (*static_cast<F*>(ctx))(c);
    }
    void* m_ctx;
    bool (*m_fn)(void*, const T2DCoordinate*);
};

class TGeometry : public TRectEntity {
    ZELTO_CLASS(TGeometry, TRectEntity)
public:
    // Label angle in radians; while a divide notification is delivered it tells whether the new
    // piece runs against the divided line (non-zero).
    double FAngle = 0;
    qint32 FGIndex = 0;
    double FTimeStamp = 0; // days since 1899-12-30
    QString FUUID;
    QString FUID;

    virtual void on_tm_DivideGeometry(TZeltoMessage& message);
    // This geometry when it is hit, else none; composites answer the member that is hit.
    virtual TGeometry* GetSimpleGeometryByXY(double x, double y, double tolerance);

    void HandleMessage(TZeltoMessage& message, bool& handled) override;
    bool IsHit(const TCoordinate* c, double tolerance) const override;
    // The point lies closer than |tolerance| to the reference point.
    bool IsHitByXY(double x, double y, double tolerance) const override;

    void CreateUUID() { FUUID = NewUUIDText(); }
    double GetAngle() const { return FAngle; }
    void SetAngle(double v) { FAngle = v; }
    qint32 GetGIndex() const { return FGIndex; }
    void SetGIndex(qint32 v) { FGIndex = v; }
    double GetTimeStamp() const { return FTimeStamp; }
    void SetTimeStamp(double v) { FTimeStamp = v; }
    QString GetUUID() const { return FUUID; }
    void SetUUID(const QString& v) { FUUID = v; }
    QString GetUID() const { return FUID; }
    void SetUID(const QString& v) { FUID = v; }
    QString GetTimeStampString() const { return TimeStampToText(FTimeStamp); }
    // A visited mark of the topology tools, kept in the ID.
    bool GetIsDone() const { return ID != -1; }
    void SetIsDone(bool done) { ID = done ? 0 : -1; }
    // False when a child geometry of this one is also held by `bigger`.
    bool IsIsolatedFrom(const TGeometry* bigger) const;
};

// A point: its rectangle is always degenerate and its position is its reference point.
class TPointElement : public TGeometry {
    ZELTO_CLASS(TPointElement, TGeometry)
public:
    void SetMinX(double v) override;
    void SetMinY(double v) override;
    // Setters of the stored Width and Height: the stream carries 0.00001 for a zero extent, which
    // must not widen the point.
    void StoredSetPointWidth(double w) { StoredSetWidth(std::abs(w) <= 0.00001 ? 0 : w); }
    void StoredSetPointHeight(double h) { StoredSetHeight(std::abs(h) <= 0.00001 ? 0 : h); }
};

class TTextElement : public TGeometry {
    ZELTO_CLASS(TTextElement, TGeometry)
public:
    QString FText;

    QString GetText() const { return FText; }
    void SetText(const QString& text) { FText = text; }
    // The rectangle test; the tolerance is ignored.
    bool IsHitByXY(double x, double y, double tolerance) const override;
};

// A vertex list: the children, in order, are T2DCoordinate vertices owned by the element.
class TPolyElement : public TGeometry {
    ZELTO_CLASS(TPolyElement, TGeometry)
public:
    virtual qint32 GetCoordsCount() const;
    // Vertex position i (from 0), or none past the end or where the position holds no coordinate.
    virtual T2DCoordinate* GetCoordElement(int i) const;
    // Sum of the distances between consecutive vertices; no closing segment.
    virtual double GetLength() const;
    // Signed ring area: positive for a clockwise ring (X right, Y up).
    virtual double GetArea() const;
    // Appends a member line; only the composites have members, a plain vertex list ignores it.
    virtual void AddPolyLine(TPolyElement* line, bool fromBegin);
    // Walks the vertex positions 0 .. GetCoordsCount() - 1 as GetCoordElement answers them, in
    // one pass. Answers false when the visitor stopped the walk.
    virtual bool ForEachCoord(const TCoordVisitor& visit) const;
    // Walks every vertex of the geometry once (the composites: every vertex of every member).
    // Answers false when the visitor stopped the walk.
    virtual bool ForEachVertex(const TCoordVisitor& visit) const;

    double GetX(int i) const;
    double GetY(int i) const;
    void SetX(int i, double v);
    void SetY(int i, double v);
    // Neither updates the rectangle: call RecalculateRect when done.
    void AddXY(double x, double y);
    // Ignored for a position outside 0 .. count.
    void InsertXY(int i, double x, double y);
    // Vertex i counted from the first vertex, or from the last one when fromBegin is false.
    T2DCoordinate* GetOrientedCoordElement(int i, bool fromBegin) const;
    void GetOrientedCoord(int i, bool fromBegin, double& x, double& y) const;
    void RecalculateRect();
    double GetLastLength() const;
    // Open trapezoid sum of the vertices in the given direction (no closing term); the open sums
    // of the lines of a ring, each in its direction, add up to the ring area.
    double GetSubAreaValue(bool fromBegin) const;
    void GivePointPropsForLength(double length, double& x, double& y, double& angle) const;
    void GiveLabelProps(double& x, double& y, double& angle) const;
    // Places the absolute reference point and the angle at half the length; the rectangle must be
    // current.
    void CalculateLabelProps();
    void SetRecalculateLabelProps(bool) { CalculateLabelProps(); }

protected:
    // The ring area over the vertex positions in the given direction; reports a position without
    // a coordinate and answers the sum up to it.
    double ringArea(bool fromBegin) const;
    // Σ (xi - xi-1)(yi + yi-1) over the positions in the given direction, plus the closing term;
    // `complete` is false when a position without a coordinate ended it.
    double trapezoidSum(bool fromBegin, bool closing, bool& complete) const;
};

class TPolyLineElement : public TPolyElement {
    ZELTO_CLASS(TPolyLineElement, TPolyElement)
public:
    // A vertex within the tolerance, or a segment whose perpendicular foot lies on it closer than
    // the tolerance.
    bool IsHitByXY(double x, double y, double tolerance) const override;
    // The box of some segment overlaps the region.
    bool IsOverRegionEx(double minX, double minY, double maxX, double maxY) const override;
    double GetAreaFromBegin(bool fromBegin) const;
};

// An area: the children are the outer ring; holes are areas in the owned `Holes` container.
class TAreaElement : public TPolyElement {
    ZELTO_CLASS(TAreaElement, TPolyElement)
public:
    mutable double FSavedArea = 0; // the last GetWholeArea
    THolesEntity* FHoles = nullptr;
    bool FIsHole = false;
    quint8 FFixedAreaIndex = 0;
    double FFixedArea = 0; // official area value taken over from outside

    ~TAreaElement() override;

    virtual double GetFixedArea() const;
    virtual quint8 GetFixedAreaIndex() const;
    virtual bool GetSameFAI() const;
    // Strictly inside the outer ring (a point on the boundary is outside).
    virtual bool XYIsInsideNoHoles(double x, double y) const;

    // The outer area less the holes, with the sign of the outer ring.
    double GetArea() const override;
    // The tolerance square lies inside the rectangle and the point inside the area.
    bool IsHitByXY(double x, double y, double tolerance) const override;
    // Marks the holes with the rest, and the holes container -2, so that the stream writer writes
    // the container as a nested list.
    void ResetIDs() override;
    // Removing the holes container releases it.
    void RemoveElement(TElement* element) override;

    void SetFixedArea(double v) { FFixedArea = v; }
    void SetFixedAreaIndex(quint8 v) { FFixedAreaIndex = v; }
    bool GetIsHole() const { return FIsHole; }
    void SetIsHole(bool v) { FIsHole = v; }
    double GetSavedArea() const { return FSavedArea; }
    void SetSavedArea(double v) { FSavedArea = v; }
    // Signed ring area of the outer boundary; 0 when the first vertex is not a coordinate.
    double GetWholeArea() const;
    // Creates the container on first use and adds the hole (which becomes IsHole). Refused for
    // this area itself or an area that holds this one among its own holes.
    void AddHole(TAreaElement* hole);
    THolesEntity* GetHoles() const { return FHoles; }
    // Takes the container and becomes its owning area (how a loaded area reconnects its holes).
    // A previous container is released, not freed: the stream reader and FreeElementSet clear
    // this property and free the container themselves. Refused for a container that holds this
    // area among its holes.
    void SetHoles(THolesEntity* holes);
    // Releases the container and frees it unless another element still holds it.
    void FreeHoles();
    // For a hole: the area whose holes container holds it.
    TAreaElement* GetHoleOwnerArea() const;
    TAreaElement* GetHoleByXY(double x, double y) const;
    bool XYIsInside(double x, double y) const;

protected:
    void releaseHoles();
    // Whether `area` is this area or one of the holes (at any depth) of `holes`.
    static bool holesReach(const THolesEntity* holes, const TAreaElement* area, int depth = 0);
};

// The container of an area's holes; its children are the hole areas.
class THolesEntity : public TRectEntity {
    ZELTO_CLASS(THolesEntity, TRectEntity)
public:
    TAreaElement* FOwnerArea = nullptr; // not owned

    ~THolesEntity() override;
    TAreaElement* GetOwnerArea() const { return FOwnerArea; }
};

// Direction bits of a composite's member lines: bit i is set when member i is traversed from its
// first vertex. Stored as units of 8 bits, least significant bit first.
class TLinesOrigines {
public:
    bool Get(int i) const;
    // Grows as needed; a negative position is ignored.
    void Set(int i, bool fromBegin);
    // After a member was inserted at i (count = members now): shifts the later bits up, sets i.
    void Insert(int i, int count, bool fromBegin);
    // Before member i is removed (count = members now): shifts the later bits down.
    void Remove(int i, int count);
    bool IsEmpty() const { return m_bits.isEmpty(); }
    // Two upper-case hexadecimal digits per unit, units in order.
    QString Hex() const;
    // Reads whole digit pairs up to the first one that is not hexadecimal.
    void SetHex(const QString& text);

private:
    QByteArray m_bits;
};

// An area whose outer ring is made of shared member lines (children), each traversed in the
// direction its origin bit gives.
class TPolyLineAreaElement : public TAreaElement {
    ZELTO_CLASS(TPolyLineAreaElement, TAreaElement)
public:
    TLinesOrigines FLinesOrigines;

    // The ring: every member contributes its vertices but the last in its direction.
    qint32 GetCoordsCount() const override;
    T2DCoordinate* GetCoordElement(int i) const override;
    bool ForEachCoord(const TCoordVisitor& visit) const override;
    bool ForEachVertex(const TCoordVisitor& visit) const override;
    void AddPolyLine(TPolyElement* line, bool fromBegin) override;
    void RemoveElement(TElement* element) override;
    void RemoveElementIndex(int index) override;
    void FreeElement(TElement* element) override;
    void FreeElementIndex(int index) override;
    bool XYIsInsideNoHoles(double x, double y) const override;
    void on_tm_DivideGeometry(TZeltoMessage& message) override;

    bool GetOrigin(int i) const { return FLinesOrigines.Get(i); }
    void SetOrigin(int i, bool fromBegin) { FLinesOrigines.Set(i, fromBegin); }
    void InsertOrigin(int i, bool fromBegin) { FLinesOrigines.Insert(i, ElementsCount(), fromBegin); }
    void InsertPolyLine(int i, TPolyElement* line, bool fromBegin);
    bool HasLine(const TPolyElement* line, bool fromBegin) const;
    QString GetLinesOriginesHex() const { return FLinesOrigines.Hex(); }
    void SetLinesOriginesHex(const QString& text) { FLinesOrigines.SetHex(text); }
    // A new plain area of copies of the ring's vertices (a closed ring ends with a copy of its
    // first vertex), with this rectangle and relative reference point. The caller owns it.
    TAreaElement* CreateAreaElementNoHole() const;
    // The same with the official area and plain copies of the holes.
    TAreaElement* CreateAreaElement() const;
};

// A line made of member lines (children), each traversed in the direction its origin bit gives.
class TMultiPolyLineElement : public TPolyLineElement {
    ZELTO_CLASS(TMultiPolyLineElement, TPolyLineElement)
public:
    TLinesOrigines FLinesOrigines;

    qint32 GetCoordsCount() const override;
    T2DCoordinate* GetCoordElement(int i) const override;
    bool ForEachCoord(const TCoordVisitor& visit) const override;
    bool ForEachVertex(const TCoordVisitor& visit) const override;
    void AddPolyLine(TPolyElement* line, bool fromBegin) override;
    void RemoveElement(TElement* element) override;
    void RemoveElementIndex(int index) override;
    void FreeElement(TElement* element) override;
    void FreeElementIndex(int index) override;
    // Sum of the members' lengths.
    double GetLength() const override;
    // Some member is hit.
    bool IsHitByXY(double x, double y, double tolerance) const override;
    // Some member overlaps the region.
    bool IsOverRegionEx(double minX, double minY, double maxX, double maxY) const override;
    TGeometry* GetSimpleGeometryByXY(double x, double y, double tolerance) override;
    void on_tm_DivideGeometry(TZeltoMessage& message) override;

    bool GetOrigin(int i) const { return FLinesOrigines.Get(i); }
    void SetOrigin(int i, bool fromBegin) { FLinesOrigines.Set(i, fromBegin); }
    void InsertOrigin(int i, bool fromBegin) { FLinesOrigines.Insert(i, ElementsCount(), fromBegin); }
    void InsertPolyLine(int i, TPolyElement* line, bool fromBegin);
    bool HasLine(const TPolyElement* line, bool fromBegin) const;
    QString GetLinesOriginesHex() const { return FLinesOrigines.Hex(); }
    void SetLinesOriginesHex(const QString& text) { FLinesOrigines.SetHex(text); }
};

// An area of several parts (children, each a TAreaElement with its own holes).
class TMultiAreaElement : public TAreaElement {
    ZELTO_CLASS(TMultiAreaElement, TAreaElement)
public:
    TAreaElement* GetAreaElement(int i) const;
    double GetArea() const override;
    // Sum of the parts' perimeters.
    double GetLength() const override;
    double GetFixedArea() const override;
    quint8 GetFixedAreaIndex() const override;
    bool GetSameFAI() const override;
    bool IsHitByXY(double x, double y, double tolerance) const override;
    TGeometry* GetSimpleGeometryByXY(double x, double y, double tolerance) override;
    bool ForEachVertex(const TCoordVisitor& visit) const override;
};

// A plain collection of geometries; a divided member's new piece joins it.
class TGeometryString : public TGeometry {
    ZELTO_CLASS(TGeometryString, TGeometry)
public:
    void on_tm_DivideGeometry(TZeltoMessage& message) override;
};

class TPointString : public TGeometryString {
    ZELTO_CLASS(TPointString, TGeometryString)
};
class TTextString : public TGeometryString {
    ZELTO_CLASS(TTextString, TGeometryString)
};
class TPolyLineString : public TGeometryString {
    ZELTO_CLASS(TPolyLineString, TGeometryString)
};
class TAreaString : public TGeometryString {
    ZELTO_CLASS(TAreaString, TGeometryString)
};

void registerPolyGeometryClasses();

} // namespace zelto
