#include "stroke_font.h"

#include <vector>

namespace zsample {

namespace {

// Glyphs on a grid 4 units wide, baseline 0, cap height 6, x-height 4, descenders to -2. A glyph
// is a list of strokes, each a list of points ended by the marker E (x = -1).
struct GlyphPoint {
    float x, y;
};
constexpr GlyphPoint E{-1, 0}; // end of stroke

struct Glyph {
    char c;
    std::vector<GlyphPoint> points;
};

const std::vector<Glyph>& glyphs() {
    // clang-format off
    static const std::vector<Glyph> table = {
        {'0', {{0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 1}, {3, 0}, {1, 0}, {0, 1}, E}},
        {'1', {{1, 5}, {2, 6}, {2, 0}, E, {1, 0}, {3, 0}, E}},
        {'2', {{0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 4}, {0, 0}, {4, 0}, E}},
        {'3', {{0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 4}, {3, 3}, {1, 3}, E, {3, 3}, {4, 2}, {4, 1}, {3, 0}, {1, 0}, {0, 1}, E}},
        {'4', {{3, 0}, {3, 6}, {0, 2}, {4, 2}, E}},
        {'5', {{4, 6}, {0, 6}, {0, 3}, {3, 3}, {4, 2}, {4, 1}, {3, 0}, {0, 0}, E}},
        {'6', {{3, 6}, {1, 6}, {0, 5}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}, E}},
        {'7', {{0, 6}, {4, 6}, {1, 0}, E}},
        {'8', {{1, 3}, {0, 4}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 4}, {3, 3}, {1, 3}, {0, 2}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, E}},
        {'9', {{4, 3}, {1, 3}, {0, 4}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 1}, {3, 0}, {1, 0}, E}},
        {'a', {{4, 4}, {4, 0}, E, {4, 3}, {3, 4}, {1, 4}, {0, 3}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, E}},
        {'b', {{0, 6}, {0, 0}, E, {0, 3}, {1, 4}, {3, 4}, {4, 3}, {4, 1}, {3, 0}, {1, 0}, {0, 1}, E}},
        {'c', {{4, 3}, {3, 4}, {1, 4}, {0, 3}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, E}},
        {'d', {{4, 6}, {4, 0}, E, {4, 3}, {3, 4}, {1, 4}, {0, 3}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, E}},
        {'e', {{0, 2}, {4, 2}, {4, 3}, {3, 4}, {1, 4}, {0, 3}, {0, 1}, {1, 0}, {4, 0}, E}},
        {'f', {{4, 6}, {3, 6}, {2, 5}, {2, 0}, E, {1, 4}, {4, 4}, E}},
        {'g', {{4, 4}, {4, -1}, {3, -2}, {1, -2}, E, {4, 3}, {3, 4}, {1, 4}, {0, 3}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, E}},
        {'h', {{0, 6}, {0, 0}, E, {0, 3}, {1, 4}, {3, 4}, {4, 3}, {4, 0}, E}},
        {'i', {{2, 4}, {2, 0}, E, {2, 5.5f}, {2, 6}, E}},
        {'j', {{3, 4}, {3, -1}, {2, -2}, {1, -2}, E, {3, 5.5f}, {3, 6}, E}},
        {'k', {{0, 6}, {0, 0}, E, {4, 4}, {0, 1.5f}, E, {1.5f, 2.5f}, {4, 0}, E}},
        {'l', {{1, 6}, {2, 6}, {2, 0}, E, {1, 0}, {3, 0}, E}},
        {'m', {{0, 4}, {0, 0}, E, {0, 3}, {1, 4}, {2, 3}, {2, 0}, E, {2, 3}, {3, 4}, {4, 3}, {4, 0}, E}},
        {'n', {{0, 4}, {0, 0}, E, {0, 3}, {1, 4}, {3, 4}, {4, 3}, {4, 0}, E}},
        {'o', {{1, 4}, {3, 4}, {4, 3}, {4, 1}, {3, 0}, {1, 0}, {0, 1}, {0, 3}, {1, 4}, E}},
        {'p', {{0, 4}, {0, -2}, E, {0, 3}, {1, 4}, {3, 4}, {4, 3}, {4, 1}, {3, 0}, {1, 0}, {0, 1}, E}},
        {'q', {{4, 4}, {4, -2}, E, {4, 3}, {3, 4}, {1, 4}, {0, 3}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, E}},
        {'r', {{0, 4}, {0, 0}, E, {0, 2.5f}, {1.5f, 4}, {3, 4}, {4, 3.5f}, E}},
        {'s', {{4, 3.5f}, {3, 4}, {1, 4}, {0, 3.2f}, {1, 2}, {3, 2}, {4, 0.8f}, {3, 0}, {1, 0}, {0, 0.5f}, E}},
        {'t', {{2, 6}, {2, 1}, {3, 0}, {4, 0}, E, {0, 4}, {4, 4}, E}},
        {'u', {{0, 4}, {0, 1}, {1, 0}, {3, 0}, {4, 1}, E, {4, 4}, {4, 0}, E}},
        {'v', {{0, 4}, {2, 0}, {4, 4}, E}},
        {'w', {{0, 4}, {1, 0}, {2, 3}, {3, 0}, {4, 4}, E}},
        {'x', {{0, 4}, {4, 0}, E, {0, 0}, {4, 4}, E}},
        {'y', {{0, 4}, {2, 0}, E, {4, 4}, {1, -2}, E}},
        {'z', {{0, 4}, {4, 4}, {0, 0}, {4, 0}, E}},
    };
    // clang-format on
    return table;
}

const Glyph* glyphFor(QChar c) {
    const char16_t u = c.unicode();
    for (const Glyph& g : glyphs())
        if (char16_t(g.c) == u) return &g;
    return nullptr;
}

constexpr double kAdvance = 5.5; // units per character
constexpr double kUnitsHigh = 6;

} // namespace

double strokeTextWidth(const QString& text, double height) {
    if (text.isEmpty()) return 0;
    return (text.size() * kAdvance - (kAdvance - 4)) * height / kUnitsHigh;
}

QPainterPath strokeText(const QString& text, QPointF centre, double height) {
    QPainterPath path;
    const double unit = height / kUnitsHigh;
    const double left = centre.x() - strokeTextWidth(text, height) / 2;
    const double baseline = centre.y() + height / 2;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const Glyph* g = glyphFor(text.at(i));
        if (!g) continue;
        const double x0 = left + i * kAdvance * unit;
        bool start = true;
        for (const GlyphPoint& p : g->points) {
            if (p.x < 0) {
                start = true;
                continue;
            }
            const QPointF q(x0 + p.x * unit, baseline - p.y * unit);
            if (start)
                path.moveTo(q);
            else
                path.lineTo(q);
            start = false;
        }
    }
    return path;
}

} // namespace zsample
