// A small stroke font (digits, lower-case letters, space) for the map labels. The tiles then do
// not depend on the fonts installed on the machine, and the tool needs no windowing system.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QString>

namespace zsample {

// The outline strokes of `text` centred on `centre`, letters `height` pixels tall (digits and
// ascenders; the x-height is two thirds of it). Characters without a glyph leave a gap.
QPainterPath strokeText(const QString& text, QPointF centre, double height);
// Width of the text at that height.
double strokeTextWidth(const QString& text, double height);

} // namespace zsample
