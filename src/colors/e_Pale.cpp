#include "e_Pale.h"

#include "framework/TextLocale.h"
#include "framework/U_String.h"
#include "framework/e_Class.h"

namespace zelto {

namespace {

// The whole-number part of a colour text; anything else is a conversion error.
qint32 colourPart(const QString& text) {
    qint32 v = 0;
    if (!tryParseInt32(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

} // namespace

// ---- TRGB_Color -------------------------------------------------------------------------------

void TRGB_Color::DeclareProperties(TPropTableBuilder& b) {
    b.prop<&TRGB_Color::GetR, &TRGB_Color::SetR>("R");
    b.prop<&TRGB_Color::GetG, &TRGB_Color::SetG>("G");
    b.prop<&TRGB_Color::GetB, &TRGB_Color::SetB>("B");
    b.prop<&TRGB_Color::FComment, &TRGB_Color::SetComment>("Comment");
}
ZELTO_IMPLEMENT_CLASS(TRGB_Color, TIntegerElement, "e_Pale")

TTypeElement* TRGB_Color::SelfCopy() const {
    auto* copy = new TRGB_Color(FName, GetColor());
    copy->FComment = FComment;
    return copy;
}

// ---- TColorPalette ----------------------------------------------------------------------------

void TColorPalette::DeclareProperties(TPropTableBuilder& b) {
    b.writeOnly<&TColorPalette::SetNextRGBColor>("NextRGBColor");
    b.writeOnly<&TColorPalette::SetNextColor>("NextColor");
}
ZELTO_IMPLEMENT_CLASS(TColorPalette, TOwnerEntity, "e_Pale")

TColorPalette::~TColorPalette() {
    // The process palette is held by the world that adopted it; whoever frees it, the global must
    // not keep pointing at it.
    if (SystemColorPalette == this) SystemColorPalette = nullptr;
}

quint32 TColorPalette::GetColor(int index) const {
    const auto* entry = zelto_cast<TIntegerElement>(Get(index));
    return entry ? quint32(entry->FValue) : 0u;
}

void TColorPalette::PutColor(int index, quint32 color) {
    if (auto* entry = zelto_cast<TIntegerElement>(Get(index))) entry->FValue = qint32(color);
}

TRGB_Color* TColorPalette::AddColorName(quint32 aColor, const QString& aName) {
    auto* entry = new TRGB_Color(aName, aColor);
    AddElement(entry);
    return entry;
}

void TColorPalette::SetNextColor(qint32 aValue) {
    AddColorName(quint32(aValue), QStringLiteral("Color ") + QString::number(ElementsCount()));
}

void TColorPalette::SetNextRGBColor(const QString& aText) {
    qint32 r = 0, g = 0, b = 0;
    QString name = QStringLiteral("Color");
    if (!aText.isEmpty()) {
        QString first, rest;
        bool more = StringAsTwoParams(aText, QLatin1Char(','), first, rest);
        r = colourPart(first);
        if (more) {
            more = StringAsTwoParams(rest, QLatin1Char(','), first, rest);
            g = colourPart(first);
            if (more) {
                more = StringAsTwoParams(rest, QLatin1Char(','), first, rest);
                b = colourPart(first);
                if (more) name = rest;
            }
        }
    }
    const quint32 value =
        RGBTextAlpha | (quint32(quint8(r)) << 16) | (quint32(quint8(g)) << 8) | quint32(quint8(b));
    AddColorName(value, name);
}

void registerPaletteClasses() {
    RegisterZeltoClass(TColorPalette::StaticClass());
    RegisterZeltoClass(TRGB_Color::StaticClass());
}

} // namespace zelto
