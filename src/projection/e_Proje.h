// The page projection: the axis-parallel scale-and-shift mapping between the model plane (metres,
// Y up) and a page of pixels (Y down), defined by a model centre point, a scale number and a page.
#pragma once

#include "e_Page.h"
#include "geometry/G_Elems.h"

#include <QPointF>

namespace zelto {

struct TSinglePoint {
    float X = 0;
    float Y = 0;
};

// clamp(v) of the page operations: saturated to the 32-bit range (NaN as the maximum), then
// rounded to the nearest integer, ties to even.
qint32 ClampRound(double v);

class TProjection : public TOwnerElement {
    ZELTO_CLASS(TProjection, TOwnerElement)
public:
    double FAngle = 0;
    double FRotateCenter_X = 0;
    double FRotateCenter_Y = 0;
    double FCenterX = 0;
    double FCenterY = 0;
    double FScale = 0;
    double FVirtualScale = 0;
    double MultX = 0;
    double MultY = 0;
    double UniMult = 0;
    double AddX = 0;
    double AddY = 0;

    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;

    virtual TDoubleRect GetModelView() const = 0;
    virtual TDoubleRect GetClipModelView() const = 0;
    virtual void SetCenterPoint(double x, double y) = 0;
    virtual void SetCenterX(double x) = 0;
    virtual void SetCenterY(double y) = 0;
    virtual void SetScale(double scale) = 0;
    virtual void SetModelView(const TDoubleRect& rect) = 0;
    virtual void SetClipModelView(const TDoubleRect& rect) = 0;

    qint32 GetPageX(double modelX) const;
    qint32 GetPageY(double modelY) const;
    TSinglePoint GetPagePoint(double modelX, double modelY) const;
    TClipRect GetPageRect(double minX, double minY, double maxX, double maxY) const;
    double GetModelX(float pageX) const { return MultX * double(pageX) + AddX; }
    double GetModelY(float pageY) const { return AddY - MultY * double(pageY); }
    QPointF GetModelPoint(float pageX, float pageY) const { return {GetModelX(pageX), GetModelY(pageY)}; }
    // A new coordinate element; the caller owns it.
    T2DCoordinate* GetModelPointElement(float pageX, float pageY) const;
    TDoubleRect GetModelRect(float left, float top, float right, float bottom) const;
    qint32 GetPageLength(double modelLength) const;
    qint32 GetPageLengthHoriz1(double modelLength) const;
    qint32 GetPageLengthVert1(double modelLength) const;
    double GetModelLength(float pageLength) const { return double(pageLength) * UniMult; }
    double GetModelLengthHoriz(float pageLength) const { return double(pageLength) * MultX; }
    double GetModelLengthVert(float pageLength) const { return double(pageLength) * MultY; }
    double GetModelArea(qint32 width, qint32 height) const {
        return double(width) * MultX * double(height) * MultY;
    }

    bool GetIsOK() const;
    double GetVirtualScale() const { return FVirtualScale == 0 ? 5000 : FVirtualScale; }
    void SetVirtualScale(double v) { FVirtualScale = v; }
    double GetScale() const { return FScale; }
    double GetCenterX() const { return FCenterX; }
    double GetCenterY() const { return FCenterY; }
    double GetAngle() const { return FAngle; }
    void SetAngle(double angle);
    double GetModelMinX() const { return GetModelView().MinX; }
    double GetModelMinY() const { return GetModelView().MinY; }
    double GetModelMaxX() const { return GetModelView().MaxX; }
    double GetModelMaxY() const { return GetModelView().MaxY; }
};

class TPageProjection : public TProjection {
    ZELTO_CLASS(TPageProjection, TProjection)
public:
    T_Page* FPage = nullptr; // not owned

    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;

    TDoubleRect GetModelView() const override;
    TDoubleRect GetClipModelView() const override;
    void SetCenterPoint(double x, double y) override;
    void SetCenterX(double x) override;
    void SetCenterY(double y) override;
    void SetScale(double scale) override;
    // Fits the rectangle into the page (all of it visible, the tighter direction filled); a
    // rectangle that gives no finite positive scale leaves the projection as it was.
    void SetModelView(const TDoubleRect& rect) override;
    // The page's clip region becomes the rectangle's page rectangle.
    void SetClipModelView(const TDoubleRect& rect) override;

    void ChangeProjection(double centerX, double centerY, T_Page* page, double scale);
    void ChangeProjection(double centerX, double centerY, double scale, T_Page* page) {
        ChangeProjection(centerX, centerY, page, scale);
    }
    void ChangeProjection(double centerX, double centerY, double scale) {
        ChangeProjection(centerX, centerY, FPage, scale);
    }
    void ChangeProjectionByRect(double minX, double minY, double maxX, double maxY);
    void ChangeProjectionByRect(T_Page* page, double minX, double minY, double maxX, double maxY);
    void ChangeProjectionByRect(const TRectangle* rect);
    // Scale 1 with the page's bottom-left corner at model (0, 0).
    void ChangeProjectionSimple(T_Page* page);

    T_Page* GetPage() const { return FPage; }
    void SetPage(T_Page* page);

private:
    // The page centre (a, b) as Singles.
    void pageCentre(const T_Page* page, float& a, float& b) const;
};

void registerProjectionClasses();

} // namespace zelto
