// Coordinates and bounding rectangles. Every geometric object of the model is a TRectEntity: an
// entity with an axis-aligned bounding rectangle and a reference point placed relative to it.
// Coordinates are model metres, X to the east, Y to the north.
#pragma once

#include "framework/Elements.h"

namespace zelto {

struct TDoubleRect {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
    bool operator==(const TDoubleRect&) const = default;
};

// A rectangle crosses the generic property interface as a record without a value.
template <> struct TValueTraits<TDoubleRect> {
    static constexpr TTypeKind kind = tkRecord;
    static TValue to(const TDoubleRect&) {
        TValue v;
        v.kind = kind;
        return v;
    }
    static TDoubleRect from(const TValue&) { return {}; }
    static const TClassInfo* cls() { return nullptr; }
};

// The abstract coordinate: its value accessors answer -1 and ignore writes.
class TCoordinate : public TElement {
    ZELTO_CLASS(TCoordinate, TElement)
public:
    quint8 CS = 0; // coordinate system code, carried but not interpreted here

    virtual double GetX() const;
    virtual double GetY() const;
    virtual double GetZ() const;
    virtual void SetX(double value);
    virtual void SetY(double value);
    virtual void SetZ(double value);
    // A new instance of the same class with X, Y, Z and CS copied; the caller owns it.
    virtual TCoordinate* CreateDuplicate() const;
    virtual void GetRegion(TDoubleRect& region) const;

    TElement* CreateEnvelope() override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
};

class T2DCoordinate : public TCoordinate {
    ZELTO_CLASS(T2DCoordinate, TCoordinate)
public:
    double FX = 0;
    double FY = 0;

    T2DCoordinate() = default;
    T2DCoordinate(double x, double y) : FX(x), FY(y) {}

    double GetX() const override { return FX; }
    double GetY() const override { return FY; }
    void SetX(double value) override { FX = value; }
    void SetY(double value) override { FY = value; }
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
};

class T3DCoordinate : public T2DCoordinate {
    ZELTO_CLASS(T3DCoordinate, T2DCoordinate)
public:
    double FZ = 0;

    double GetZ() const override { return FZ; }
    void SetZ(double value) override { FZ = value; }
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
};

// A rectangle owning its two corners. New and reset rectangles are empty: (1e30, 1e30) to
// (-1e30, -1e30), so that the first point included makes them the degenerate rectangle there.
class TRectangle : public TElement {
    ZELTO_CLASS(TRectangle, TElement)
public:
    static constexpr double EmptyMin = 1e30;
    static constexpr double EmptyMax = -1e30;

    TRectangle();
    ~TRectangle() override;

    virtual TRectangle* CreateDuplicate() const;

    void Assign(const TPersistent* source) override;
    qint32 GetInstanceSize() const override;
    TElement* CreateEnvelope() override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;

    // The corners, made empty on first use when missing.
    T2DCoordinate* GetMin() const { return FMin ? FMin : makeMin(); }
    T2DCoordinate* GetMax() const { return FMax ? FMax : makeMax(); }
    // Take ownership of the corner (the old one is freed), then Sort.
    void SetMin(TCoordinate* corner);
    void SetMax(TCoordinate* corner);

    double GetMinX() const { return GetMin()->FX; }
    double GetMinY() const { return GetMin()->FY; }
    double GetMaxX() const { return GetMax()->FX; }
    double GetMaxY() const { return GetMax()->FY; }
    void SetMinX(double v) {
        touchModel();
        GetMin()->FX = v;
    }
    void SetMinY(double v) {
        touchModel();
        GetMin()->FY = v;
    }
    void SetMaxX(double v) {
        touchModel();
        GetMax()->FX = v;
    }
    void SetMaxY(double v) {
        touchModel();
        GetMax()->FY = v;
    }
    double GetWidth() const { return GetMaxX() - GetMinX(); }
    double GetHeight() const { return GetMaxY() - GetMinY(); }
    void SetWidth(double w) { SetMaxX(GetMinX() + w); }
    void SetHeight(double h) { SetMaxY(GetMinY() + h); }

    void Sort();
    void Reset();
    bool IsEmpty() const;
    void UpdateByXY(double x, double y);
    void UpdateByCoordinate(const TCoordinate* c);
    void UpdateByDoubleRect(const TDoubleRect& r);
    void UpdateByRectangle(const TRectangle* r);
    bool IsValid() const;
    void GetCenter(double& x, double& y) const;
    double Dimension() const;
    void Grow(double deltaX, double deltaY);
    void Move(double deltaX, double deltaY);
    bool IsOverlap(const TRectangle* r) const;
    TDoubleRect GetDoubleRect() const;
    // The rectangle widened by 10 units on every side.
    TDoubleRect AsDoubleRect() const;

    // Setters of the stored properties: a new, empty rectangle restored from a stream starts from
    // zero, because the stream leaves out values that are 0.
    void StoredSetMinX(double v);
    void StoredSetMinY(double v);
    void StoredSetMaxX(double v);
    void StoredSetMaxY(double v);
    void StoredSetWidth(double v);
    void StoredSetHeight(double v);

    // Called by the stored-property setters: the first call on a rectangle that is still the empty
    // one of its constructor makes it the zero rectangle and answers true.
    bool beginRestore();

private:
    mutable T2DCoordinate* FMin = nullptr;
    mutable T2DCoordinate* FMax = nullptr;
    T2DCoordinate* makeMin() const;
    T2DCoordinate* makeMax() const;
    bool m_pristine = true; // no stored-property setter has run yet
};

class TRectEntity : public TOwnerEntity {
    ZELTO_CLASS(TRectEntity, TOwnerEntity)
public:
    qint32 FIndex = 0;

    ~TRectEntity() override;

    virtual void SetMinX(double v);
    virtual void SetMinY(double v);
    virtual void SetRefPosition(quint8 code);
    virtual TRectangle* GetRect() const;
    // Frees the old rectangle and takes ownership of the new one.
    virtual void SetRect(TRectangle* rect);
    virtual T2DCoordinate* GetRefCoordinate() const;
    // Frees the old reference point and takes ownership of the new one (a T2DCoordinate).
    virtual void SetRefCoordinate(TCoordinate* ref);
    virtual bool IsOverRegionEx(double minX, double minY, double maxX, double maxY) const;
    virtual bool IsHit(const TCoordinate* c, double tolerance) const;
    virtual bool IsHitByXY(double x, double y, double tolerance) const;
    virtual void Update();
    virtual void ResetAndUpdate();

    void Assign(const TPersistent* source) override;
    qint32 GetInstanceSize() const override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
    TElement* CreateEnvelope() override;

    qint32 GetIndex() const { return FIndex; }
    void SetIndex(qint32 v) { FIndex = v; }

    double GetMinX() const { return GetRect()->GetMinX(); }
    double GetMinY() const { return GetRect()->GetMinY(); }
    double GetMaxX() const { return GetRect()->GetMaxX(); }
    double GetMaxY() const { return GetRect()->GetMaxY(); }
    void SetMaxX(double v) { GetRect()->SetMaxX(v); }
    void SetMaxY(double v) { GetRect()->SetMaxY(v); }
    // An exactly zero extent reads as 0.00001, so that divisions by it stay finite.
    double GetWidth() const;
    double GetHeight() const;
    void SetWidth(double w);
    void SetHeight(double h);
    bool IsValid() const { return GetRect()->IsValid(); }
    double GetCenterX() const;
    double GetCenterY() const;

    double GetRelRefX() const { return GetRefCoordinate()->FX; }
    double GetRelRefY() const { return GetRefCoordinate()->FY; }
    void SetRelRefX(double v);
    void SetRelRefY(double v);
    void SetRelRefCoords(double x, double y);
    double GetDeltaRefX() const { return GetWidth() * GetRelRefX(); }
    double GetDeltaRefY() const { return GetHeight() * GetRelRefY(); }
    void SetDeltaRefX(double v);
    void SetDeltaRefY(double v);
    double GetRefX() const { return GetWidth() * GetRelRefX() + GetMinX(); }
    double GetRefY() const { return GetHeight() * GetRelRefY() + GetMinY(); }
    void SetRefX(double v);
    void SetRefY(double v);
    void SetAbsRefX(double v);
    void SetAbsRefY(double v);
    QString GetHorizAllign() const;
    QString GetVertAllign() const;
    void SetHorizAllign(const QString& s);
    void SetVertAllign(const QString& s);
    quint8 GetRefPosition() const;

    void UpdateRect(TElement* e);
    void AddAndUpdateRect(TElement* e);
    void SetUpdateNoReset(bool update);

    bool IsInsideRegion(double minX, double minY, double maxX, double maxY) const;
    bool RegionIsInside(double minX, double minY, double maxX, double maxY) const;
    bool IsOverRegion(double minX, double minY, double maxX, double maxY) const;
    bool PointIsInside(double x, double y) const;
    TDoubleRect InterSectByRect(const TDoubleRect& r) const;
    double GetMaxLength() const;
    void Move(double deltaX, double deltaY);
    void SetDeltaX(double v) { Move(v, 0); }
    void SetDeltaY(double v) { Move(0, v); }
    void SetByDoubleRect(const TDoubleRect& r);

    // Setters of the stored properties. A stream leaves out values that are 0, so an entity whose
    // rectangle is new and empty when they start starts from the zero rectangle, and its absolute
    // reference point from 0 until the stored one arrives.
    void StoredSetMinX(double v);
    void StoredSetMinY(double v);
    void StoredSetWidth(double v);
    void StoredSetHeight(double v);
    void StoredSetAbsRefX(double v);
    void StoredSetAbsRefY(double v);

private:
    void prepareRestore();
    enum : quint8 { PendingAbsX = 1, PendingAbsY = 2 };
    mutable TRectangle* FRect = nullptr;
    mutable T2DCoordinate* FRefPosition = nullptr;
    quint8 m_restore = 0;
};

enum class TPenDash : quint8 { Solid, Dash, Dot, DashDot, DashDotDot, Custom };
enum class TBrushKind : quint8 { None, Solid, Gradient, Bitmap, Resource };

// Kept so that stored files holding it load; nothing in the system creates it.
class TDrawRectangle : public TRectEntity {
    ZELTO_CLASS(TDrawRectangle, TRectEntity)
public:
    double FPenWidth = 0;
    quint32 FPenColor = 0; // ARGB
    TPenDash FPenStyle = TPenDash::Solid;
    quint32 FBrushColor = 0; // ARGB
    TBrushKind FBrushStyle = TBrushKind::None;

    TElement* CreateEnvelope() override;
};

// Kept so that stored files holding it load; nothing in the system creates it.
class TText : public TRectEntity {
    ZELTO_CLASS(TText, TRectEntity)
public:
    QString FText;
    double FOrientation = 0;
    quint32 FColor = 0; // ARGB
    QString FFontName;
    quint8 FFontStyle = 0; // set of font style flags
    quint8 FCharset = 0;
    double FHeight = 0; // text height, MaxY - MinY after Update

    void Update() override;
    TElement* CreateEnvelope() override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;
    // Takes name and style of a font (the core holds no font objects).
    void SetFont(const QString& name, quint8 style);
};

// Kept so that stored files holding it load; nothing in the system creates it.
class TSelectedElement : public TRectEntity {
    ZELTO_CLASS(TSelectedElement, TRectEntity)
public:
    TRectEntity* FSel = nullptr; // not owned

    QString SelectName() const;
};

void registerCoordinateClasses();

} // namespace zelto
