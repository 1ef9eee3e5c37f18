#include "e_Color.h"

#include "e_Pale.h"

namespace zelto {

const quint32 OrigColorTab[OrigColorCount] = {
    0xFFFFFFFFu, // 0 white
    0xFF000080u, // 1 navy
    0xFF008000u, // 2 green
    0xFF008080u, // 3 teal
    0xFF800000u, // 4 maroon
    0xFF800080u, // 5 purple
    0x00404080u, // 6 fully transparent
    0xFF808080u, // 7 grey
    0xFF0000FFu, // 8 blue
    0xFF00FF00u, // 9 lime
    0xFF00FFFFu, // 10 aqua
    0xFFFF0000u, // 11 red
    0xFFFF00FFu, // 12 fuchsia
    0xFF000000u, // 13 black
    0xFFFFFF00u, // 14 yellow
    0xFFC0C0C0u, // 15 silver
};

TColorPalette* SystemColorPalette = nullptr;

TColorPalette* InitSystemColorPalette() {
    if (TColorPalette* old = SystemColorPalette) {
        SystemColorPalette = nullptr;
        delete old; // leaves the lists of its owners
    }
    auto* palette = new TColorPalette;
    for (quint32 color : OrigColorTab) palette->SetNextColor(qint32(color));
    SystemColorPalette = palette;
    return palette;
}

quint32 UnpackColor15(qint32 aIndex) {
    // The packed value is stored negated in the low 16 bits.
    const quint32 v = (0x10000u - (quint32(aIndex) & 0xFFFFu)) & 0xFFFFu;
    auto widen = [](quint32 c5) -> quint32 {
        const quint32 c = (c5 & 31u) * 8u;
        return c == 248u ? 255u : c;
    };
    const quint32 r = widen(v >> 10);
    const quint32 g = widen(v >> 5);
    const quint32 b = widen(v);
    return b * 65536u + g * 256u + r;
}

quint32 DejBarvicku(qint32 aIndex) {
    if (quint32(aIndex) & 0x8000u) return UnpackColor15(aIndex);
    const TColorPalette* palette = SystemColorPalette;
    if (!palette || aIndex < 0 || aIndex >= palette->ElementsCount()) return 0;
    return palette->GetColor(aIndex);
}

} // namespace zelto
