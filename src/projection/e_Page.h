// The page: the pixel rectangle a picture is drawn into, its resolution and its clip region.
#pragma once

#include "framework/Elements.h"
#include "geometry/ClipArea.h"

namespace zelto {

struct TPageRect {
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Right = 0;
    qint32 Bottom = 0;
};

class T_Page : public TOwnerElement {
    ZELTO_CLASS(T_Page, TOwnerElement)
public:
    // Pixels per metre of screen with which the map's drawing device sets its pages.
    static constexpr double ScreenResolution = 5333;

    quint32 FHandler = 0; // the drawing surface; not used by the transformation
    quint32 FColor = 0;
    double FHRes = 0;
    double FVRes = 0;
    TPageRect FRect;
    TClipRect FClipRegion;
    bool FClipping = false;
    bool FCenterToClipRegion = false;

    void Assign(const TPersistent* source) override;
    void Load(TReader& reader, TEntity* index) override;
    void Save(TWriter& writer) override;

    void SetRect(qint32 left, qint32 top, qint32 right, qint32 bottom);
    void SetRectPoints(const QPoint& topLeft, const QPoint& bottomRight);
    void SetResolution(double hRes, double vRes);
    void SetClipRegion(const TClipRect& rect) { FClipRegion = rect; }
    void SetColor(quint32 color) { FColor = color; }
    // What the drawing device does with a canvas of that size: the page and the clip region are
    // the canvas, at the screen resolution.
    void SetFromCanvas(int width, int height);

    qint32 GetWidth() const { return qint32(qint64(FRect.Right) - FRect.Left); }
    qint32 GetHeight() const { return qint32(qint64(FRect.Bottom) - FRect.Top); }
    double GetHRes() const { return FHRes; }
    double GetVRes() const { return FVRes; }
    const TPageRect& GetRect() const { return FRect; }
    const TClipRect& GetClipRegion() const { return FClipRegion; }
    bool GetClipping() const { return FClipping; }
    void SetClipping(bool v) { FClipping = v; }
    bool GetCenterToClipRegion() const { return FCenterToClipRegion; }
    void SetCenterToClipRegion(bool v) { FCenterToClipRegion = v; }
};

void registerPageClasses();

} // namespace zelto
