// A position in the Czech national grid S-JTSK, as the GPS conversion hands it over.
#pragma once

namespace zelto {

// S-JTSK metres: Y grows westwards and X southwards, both positive in the Czech Republic. The
// model's own coordinates are the negated pair (model X = -Y, model Y = -X).
struct TMapCoord {
    double Y = 0;
    double X = 0;

    friend bool operator==(const TMapCoord&, const TMapCoord&) = default;
};
static_assert(sizeof(TMapCoord) == 16);

// The zero coordinate: no position.
inline constexpr TMapCoord NullCoord{0, 0};

} // namespace zelto
