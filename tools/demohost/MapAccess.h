// The few things the demo host needs from the map form beyond its widgets: whether a redraw runs,
// how many have finished, the page projection and the input mode. They are read here and nowhere
// else in the host, so that a change of the form's insides touches this file only.
#pragma once

#include <QPointF>
#include <QString>

#include <optional>

class QWidget;

namespace zelto {
class TMainForm;
}

namespace zdemo::mapaccess {

// A redraw of the map picture is running.
bool redrawRunning(zelto::TMainForm& form);
// Redraws finished since the form was created.
int redrawsDone(zelto::TMainForm& form);
// Something on the form still moves for a while (the drawer sliding in or out).
bool animating(zelto::TMainForm& form);
// Nothing runs or moves: the next input meets a finished picture.
bool idle(zelto::TMainForm& form);
// The window is on the screen, no redraw runs and, when `needRedraw`, one has finished.
bool shown(zelto::TMainForm& form, bool needRedraw);

// The overlay over the map picture that takes the map's input; none when the form has none.
QWidget* overlay(zelto::TMainForm& form);
// Page pixels per logical pixel of the overlay (the map is drawn in page pixels).
double pageRatio(zelto::TMainForm& form);
// The page point of a model point under the current view; none without a usable projection
// (no project open).
std::optional<QPointF> modelToPage(zelto::TMainForm& form, double x, double y);

// The map takes touch gestures (true) or the mouse (false).
bool takesTouch(zelto::TMainForm& form);
void setTakesTouch(zelto::TMainForm& form, bool touch);

} // namespace zdemo::mapaccess
