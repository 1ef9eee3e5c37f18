#include "e_Proje.h"

#include "framework/e_Class.h"

#include <QtEndian>

#include <bit>
#include <cfenv>
#include <cmath>

namespace zelto {

qint32 ClampRound(double v) {
    if (std::isnan(v) || v > 2147483647.0) return 2147483647;
    if (v < -2147483648.0) return -2147483647 - 1;
    return qint32(std::nearbyint(v)); // the default rounding mode: to nearest, ties to even
}

namespace {

// A length quotient rounded like a page coordinate; 0 for a zero divisor or a failed division.
qint32 lengthQuotient(double length, double mult) {
    if (mult == 0) return 0;
    const double q = length / mult;
    if (!std::isfinite(q)) return 0;
    return ClampRound(q);
}

// A coefficient that is not a finite number (a page without resolution) is taken as 0, so that
// every page operation answers 0 instead of garbage.
double finiteOrZero(double v) {
    return std::isfinite(v) ? v : 0;
}

} // namespace

// ---- TProjection ---------------------------------------------------------------------------------

void TProjection::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TProjection::GetModelView, &TProjection::SetModelView>("ModelView");
    b.prop<&TProjection::GetScale, &TProjection::SetScale>("Scale").def(0.0);
    b.prop<&TProjection::GetAngle, &TProjection::SetAngle>("Angle").def(0.0);
    b.field<&TProjection::FRotateCenter_X>("RotateCenter_X").def(0.0);
    b.field<&TProjection::FRotateCenter_Y>("RotateCenter_Y").def(0.0);
    b.prop<&TProjection::GetVirtualScale, &TProjection::SetVirtualScale>("VirtualScale").def(0.0);
    b.prop<&TProjection::GetCenterX, &TProjection::SetCenterX>("Center_X").def(0.0);
    b.prop<&TProjection::GetCenterY, &TProjection::SetCenterY>("Center_Y").def(0.0);
    b.readOnly<&TProjection::GetIsOK>("IsOK");
    b.readOnly<&TProjection::GetModelMinX>("ModelMinX").stored(false);
    b.readOnly<&TProjection::GetModelMinY>("ModelMinY").stored(false);
    b.readOnly<&TProjection::GetModelMaxX>("ModelMaxX").stored(false);
    b.readOnly<&TProjection::GetModelMaxY>("ModelMaxY").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TProjection, TOwnerElement, "e_Proje")

// The legacy record: centre, scale, nominal scale and four coefficients, 64 bytes.
void TProjection::Load(TReader& reader, TEntity* index) {
    TOwnerElement::Load(reader, index);
    const QByteArray raw = reader.ReadRaw(64);
    double v[8];
    for (int i = 0; i < 8; ++i)
        v[i] = std::bit_cast<double>(qFromLittleEndian<quint64>(raw.constData() + 8 * i));
    FCenterX = v[0];
    FCenterY = v[1];
    FScale = v[2];
    FVirtualScale = v[3];
    MultX = v[4];
    MultY = v[5];
    UniMult = v[6];
    AddX = v[7];
}

void TProjection::Save(TWriter& writer) {
    TOwnerElement::Save(writer);
    const double v[8] = {FCenterX, FCenterY, FScale, FVirtualScale, MultX, MultY, UniMult, AddX};
    char raw[64];
    for (int i = 0; i < 8; ++i) qToLittleEndian<quint64>(std::bit_cast<quint64>(v[i]), raw + 8 * i);
    writer.WriteRaw(raw, 64);
}

qint32 TProjection::GetPageX(double modelX) const {
    if (MultX == 0) return 0;
    return ClampRound((modelX - AddX) / MultX);
}

qint32 TProjection::GetPageY(double modelY) const {
    if (MultY == 0) return 0;
    return ClampRound((AddY - modelY) / MultY);
}

TSinglePoint TProjection::GetPagePoint(double modelX, double modelY) const {
    if (MultX == 0 || MultY == 0) return {};
    return {float((modelX - AddX) / MultX), float((AddY - modelY) / MultY)};
}

TClipRect TProjection::GetPageRect(double minX, double minY, double maxX, double maxY) const {
    const TSinglePoint tl = GetPagePoint(minX, maxY);
    const TSinglePoint br = GetPagePoint(maxX, minY);
    return {tl.X, tl.Y, br.X, br.Y};
}

T2DCoordinate* TProjection::GetModelPointElement(float pageX, float pageY) const {
    return new T2DCoordinate(GetModelX(pageX), GetModelY(pageY));
}

TDoubleRect TProjection::GetModelRect(float left, float top, float right, float bottom) const {
    return {GetModelX(left), GetModelY(bottom), GetModelX(right), GetModelY(top)};
}

qint32 TProjection::GetPageLength(double modelLength) const {
    return lengthQuotient(modelLength, MultY);
}
qint32 TProjection::GetPageLengthHoriz1(double modelLength) const {
    return lengthQuotient(modelLength, MultX);
}
qint32 TProjection::GetPageLengthVert1(double modelLength) const {
    return lengthQuotient(modelLength, MultY);
}

bool TProjection::GetIsOK() const {
    if (FCenterX == 0 && FCenterY == 0) return false;
    return FScale > 0 && FScale < 1e30;
}

void TProjection::SetAngle(double angle) {
    FAngle = angle;
    if (FRotateCenter_X == 0 && FRotateCenter_Y == 0) {
        FRotateCenter_X = FCenterX;
        FRotateCenter_Y = FCenterY;
    }
}

// ---- TPageProjection -----------------------------------------------------------------------------

void TPageProjection::DeclareProperties(TPropTableBuilder& b) {
    // The page belongs to the drawing device; a projection does not carry it in a stream.
    b.prop<&TPageProjection::GetPage, &TPageProjection::SetPage>("Page").stored(false);
}
ZELTO_IMPLEMENT_CLASS(TPageProjection, TProjection, "e_Proje")

void TPageProjection::Load(TReader& reader, TEntity* index) {
    TProjection::Load(reader, index);
    const qint32 id = reader.ReadInteger();
    T_Page* page = nullptr;
    if (id >= 0 && index) page = zelto_cast<T_Page>(index->Get(id));
    FPage = page;
    // The record leaves out AddY: with the page known, every coefficient is computed again.
    if (FPage) ChangeProjection(FCenterX, FCenterY, FPage, FScale);
}

void TPageProjection::Save(TWriter& writer) {
    TProjection::Save(writer);
    writer.WriteInteger(FPage ? FPage->ID : -1);
}

void TPageProjection::pageCentre(const T_Page* page, float& a, float& b) const {
    a = b = 0;
    if (!page) return;
    if (page->FClipping && page->FCenterToClipRegion) {
        const TClipRect& c = page->FClipRegion;
        a = c.Left + (c.Right - c.Left) / 2;
        b = c.Top + (c.Bottom - c.Top) / 2;
    } else {
        a = float((double(page->FRect.Right) - page->FRect.Left) / 2);
        b = float((double(page->FRect.Bottom) - page->FRect.Top) / 2);
    }
}

void TPageProjection::ChangeProjection(double centerX, double centerY, T_Page* page, double scale) {
    FCenterX = centerX;
    FCenterY = centerY;
    FScale = scale;
    FPage = page;
    float a = 0, b = 0;
    pageCentre(page, a, b);
    MultX = page && page->FHRes != 0 ? finiteOrZero(FScale / page->FHRes) : 0;
    MultY = page && page->FVRes != 0 ? finiteOrZero(FScale / page->FVRes) : 0;
    UniMult = MultY > MultX ? MultY : MultX;
    AddX = centerX - double(a) * MultX;
    AddY = centerY + double(b) * MultY;
}

void TPageProjection::SetModelView(const TDoubleRect& rect) {
    if (!FPage) return;
    const double height = rect.MaxY - rect.MinY;
    const double width = rect.MaxX - rect.MinX;
    const double sy = height / (double(FPage->FRect.Bottom) / FPage->FVRes);
    const double sx = width / (double(FPage->FRect.Right) / FPage->FHRes);
    const double scale = sy > sx ? sy : sx;
    const double cx = rect.MinX + width / 2;
    const double cy = rect.MinY + height / 2;
    if (!std::isfinite(scale) || !(scale > 0) || !std::isfinite(cx) || !std::isfinite(cy)) return;
    ChangeProjection(cx, cy, FPage, scale);
}

void TPageProjection::SetClipModelView(const TDoubleRect& rect) {
    if (FPage) FPage->FClipRegion = GetPageRect(rect.MinX, rect.MinY, rect.MaxX, rect.MaxY);
}

TDoubleRect TPageProjection::GetModelView() const {
    const TPageRect r = FPage ? FPage->FRect : TPageRect{};
    return {GetModelX(float(r.Left)), GetModelY(float(r.Bottom)), GetModelX(float(r.Right)),
            GetModelY(float(r.Top))};
}

TDoubleRect TPageProjection::GetClipModelView() const {
    if (!FPage || !FPage->FClipping) return GetModelView();
    const TClipRect& c = FPage->FClipRegion;
    return {GetModelX(c.Left), GetModelY(c.Bottom), GetModelX(c.Right), GetModelY(c.Top)};
}

void TPageProjection::SetCenterPoint(double x, double y) {
    ChangeProjection(x, y, FPage, FScale);
}
void TPageProjection::SetCenterX(double x) {
    ChangeProjection(x, FCenterY, FPage, FScale);
}
void TPageProjection::SetCenterY(double y) {
    ChangeProjection(FCenterX, y, FPage, FScale);
}
void TPageProjection::SetScale(double scale) {
    ChangeProjection(FCenterX, FCenterY, FPage, scale);
}
void TPageProjection::SetPage(T_Page* page) {
    ChangeProjection(FCenterX, FCenterY, page, FScale);
}

void TPageProjection::ChangeProjectionByRect(double minX, double minY, double maxX, double maxY) {
    SetModelView({minX, minY, maxX, maxY});
}

void TPageProjection::ChangeProjectionByRect(T_Page* page, double minX, double minY, double maxX,
                                             double maxY) {
    FPage = page;
    SetModelView({minX, minY, maxX, maxY});
}

void TPageProjection::ChangeProjectionByRect(const TRectangle* rect) {
    if (rect) SetModelView({rect->GetMinX(), rect->GetMinY(), rect->GetMaxX(), rect->GetMaxY()});
}

void TPageProjection::ChangeProjectionSimple(T_Page* page) {
    FScale = 1;
    FPage = page;
    float a = 0, b = 0;
    pageCentre(page, a, b);
    MultX = page && page->FHRes != 0 ? finiteOrZero(FScale / page->FHRes) : 0;
    MultY = page && page->FVRes != 0 ? finiteOrZero(FScale / page->FVRes) : 0;
    UniMult = MultY > MultX ? MultY : MultX;
    FCenterX = double(a) * MultX;
    FCenterY = double(b) * MultY;
    AddX = 0;
    AddY = 2 * double(b) * MultY;
}

void registerProjectionClasses() {
    RegisterZeltoClass(TProjection::StaticClass());
    RegisterZeltoClass(TPageProjection::StaticClass());
}

} // namespace zelto
