#include "e_Page.h"

#include "framework/e_Class.h"

#include <QPoint>
#include <QtEndian>

#include <bit>

namespace zelto {

namespace {

void putU32(char* at, quint32 v) {
    qToLittleEndian<quint32>(v, at);
}
void putF64(char* at, double v) {
    qToLittleEndian<quint64>(std::bit_cast<quint64>(v), at);
}
void putF32(char* at, float v) {
    qToLittleEndian<quint32>(std::bit_cast<quint32>(v), at);
}
quint32 getU32(const char* at) {
    return qFromLittleEndian<quint32>(at);
}
double getF64(const char* at) {
    return std::bit_cast<double>(qFromLittleEndian<quint64>(at));
}
float getF32(const char* at) {
    return std::bit_cast<float>(qFromLittleEndian<quint32>(at));
}

} // namespace

void T_Page::DeclareProperties(TPropTableBuilder& b) {
    b.readOnly<&T_Page::GetWidth>("Width");
    b.readOnly<&T_Page::GetHeight>("Height");
    b.readOnly<&T_Page::GetHRes>("HRes");
    b.readOnly<&T_Page::GetVRes>("VRes");
}
ZELTO_IMPLEMENT_CLASS(T_Page, TOwnerElement, "e_Page")

void T_Page::Assign(const TPersistent* source) {
    const auto* page = zelto_cast<T_Page>(source);
    if (!page) {
        TOwnerElement::Assign(source);
        return;
    }
    FColor = page->FColor;
    FClipRegion = page->FClipRegion;
    FClipping = page->FClipping;
    FCenterToClipRegion = page->FCenterToClipRegion;
    FRect = page->FRect;
    FHRes = page->FHRes;
    FVRes = page->FVRes;
}

// The legacy record: handler, colour, resolution, rectangle and clip region, 56 bytes.
void T_Page::Load(TReader& reader, TEntity* index) {
    TOwnerElement::Load(reader, index);
    const QByteArray raw = reader.ReadRaw(56);
    const char* p = raw.constData();
    FHandler = getU32(p);
    FColor = getU32(p + 4);
    FHRes = getF64(p + 8);
    FVRes = getF64(p + 16);
    FRect = {qint32(getU32(p + 24)), qint32(getU32(p + 28)), qint32(getU32(p + 32)), qint32(getU32(p + 36))};
    FClipRegion = {getF32(p + 40), getF32(p + 44), getF32(p + 48), getF32(p + 52)};
}

void T_Page::Save(TWriter& writer) {
    TOwnerElement::Save(writer);
    char raw[56];
    putU32(raw, FHandler);
    putU32(raw + 4, FColor);
    putF64(raw + 8, FHRes);
    putF64(raw + 16, FVRes);
    putU32(raw + 24, quint32(FRect.Left));
    putU32(raw + 28, quint32(FRect.Top));
    putU32(raw + 32, quint32(FRect.Right));
    putU32(raw + 36, quint32(FRect.Bottom));
    putF32(raw + 40, FClipRegion.Left);
    putF32(raw + 44, FClipRegion.Top);
    putF32(raw + 48, FClipRegion.Right);
    putF32(raw + 52, FClipRegion.Bottom);
    writer.WriteRaw(raw, 56);
}

void T_Page::SetRect(qint32 left, qint32 top, qint32 right, qint32 bottom) {
    FRect = {left, top, right, bottom};
}

void T_Page::SetRectPoints(const QPoint& topLeft, const QPoint& bottomRight) {
    SetRect(topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y());
}

void T_Page::SetResolution(double hRes, double vRes) {
    FHRes = hRes;
    FVRes = vRes;
}

void T_Page::SetFromCanvas(int width, int height) {
    SetRect(0, 0, width, height);
    FClipRegion = {0, 0, float(width), float(height)};
    SetResolution(ScreenResolution, ScreenResolution);
}

void registerPageClasses() {
    RegisterZeltoClass(T_Page::StaticClass());
}

} // namespace zelto
