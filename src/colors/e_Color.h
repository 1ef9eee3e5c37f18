// Colour numbers of the model and the process's colour palette.
//
// Model objects store small colour numbers, never screen colours. DejBarvicku turns a number
// into a 32-bit ARGB colour (0xAARRGGBB) through the process-wide palette of 16 entries, which
// InitSystemColorPalette builds from OrigColorTab.
#pragma once

#include <QtGlobal>

namespace zelto {

class TColorPalette;

// The built-in colours, 0xAARRGGBB. Entry 6 is fully transparent; entry 13 (black) is the default
// colour of new objects.
inline constexpr int OrigColorCount = 16;
extern const quint32 OrigColorTab[OrigColorCount];
inline constexpr qint32 DefaultColorNumber = 13;

// The process's palette; none until InitSystemColorPalette runs. Not owned by the global: the
// coordinate-system world adopts it as a child. When the palette is destroyed by any path the
// global is cleared, so it never points at a freed palette.
extern TColorPalette* SystemColorPalette;

// Destroys the previous process palette (detaching it from its owners) and builds a new one with
// the entries Color 0 .. Color 15 from OrigColorTab. Answers the new palette.
TColorPalette* InitSystemColorPalette();

// The ARGB colour of a colour number:
// - with bit 15 set (0x8000), the low 16 bits hold a packed 15-bit colour stored negated; the
//   answer is b*65536 + g*256 + r with 8-bit components (31 -> 255) and a top byte of 0;
// - a number within the palette: that entry's value;
// - anything else (or no palette): 0.
quint32 DejBarvicku(qint32 aIndex);

// The packed-colour branch of DejBarvicku on its own (bit 15 of aIndex is not tested).
quint32 UnpackColor15(qint32 aIndex);

} // namespace zelto
