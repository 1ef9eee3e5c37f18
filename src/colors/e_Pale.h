// Palette classes: one palette entry (an integer element holding 0xAARRGGBB) and the palette, an
// ordered list of entries where colour number i is child i. The process palette and the colour
// conversions are in e_Color.h, included here for the palette's users.
#pragma once

#include "colors/e_Color.h"
#include "framework/E_Type.h"

namespace zelto {

// One palette entry; its integer value is the colour, laid out as 0xAARRGGBB.
class TRGB_Color : public TIntegerElement {
    ZELTO_CLASS(TRGB_Color, TIntegerElement)
public:
    QString FComment;

    TRGB_Color() = default;
    TRGB_Color(const QString& name, quint32 color) {
        FName = name;
        FValue = qint32(color);
    }

    quint32 GetColor() const { return quint32(FValue); }
    void SetColor(quint32 color) { FValue = qint32(color); }

    // Bits 16-23, 8-15 and 0-7 of the value; setting one replaces only its byte (alpha stays).
    quint8 GetR() const { return quint8((quint32(FValue) >> 16) & 0xFF); }
    quint8 GetG() const { return quint8((quint32(FValue) >> 8) & 0xFF); }
    quint8 GetB() const { return quint8(quint32(FValue) & 0xFF); }
    void SetR(quint8 r) { FValue = qint32((quint32(FValue) & ~0x00FF0000u) | (quint32(r) << 16)); }
    void SetG(quint8 g) { FValue = qint32((quint32(FValue) & ~0x0000FF00u) | (quint32(g) << 8)); }
    void SetB(quint8 b) { FValue = qint32((quint32(FValue) & ~0x000000FFu) | quint32(b)); }

    QString GetComment() const { return FComment; }
    void SetComment(const QString& comment) { FComment = comment; }

    TTypeElement* SelfCopy() const override;
};

// The ordered list of TRGB_Color children.
class TColorPalette : public TOwnerEntity {
    ZELTO_CLASS(TColorPalette, TOwnerEntity)
public:
    // Alpha given to entries added from a red/green/blue text (the text carries no alpha).
    static constexpr quint32 RGBTextAlpha = 0xFF000000u;

    ~TColorPalette() override;

    // Colour number i. The callers check the index: an index outside the list raises EListError;
    // a child that is not an integer element reads as 0 and is left alone by PutColor.
    quint32 GetColor(int index) const;
    void PutColor(int index, quint32 color);
    int ColorCount() const { return ElementsCount(); }

    // Appends an entry named aName with the value aColor; answers it.
    TRGB_Color* AddColorName(quint32 aColor, const QString& aName);
    // Appends an entry with the value, named "Color " + the number of entries before it.
    void SetNextColor(qint32 aValue);
    // Appends an entry from "R,G,B[,name]" (name "Color" when missing; each part taken as a byte,
    // alpha RGBTextAlpha). A part that is not a whole number raises EConvertError and nothing is
    // appended.
    void SetNextRGBColor(const QString& aText);
};

// Module 30 "palettes": TColorPalette, TRGB_Color.
void registerPaletteClasses();

} // namespace zelto
