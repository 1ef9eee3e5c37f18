#include "MapAccess.h"

#include "Kordlin_Main.h"
#include "TiledMap.h"

#include "projection/e_Proje.h"

#include <QAbstractAnimation>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace zdemo::mapaccess {

using zelto::TMainForm;

bool redrawRunning(TMainForm& form) {
    return form.TiledMap().Reviewing;
}

int redrawsDone(TMainForm& form) {
    return form.TiledMap().ReviewsDone;
}

bool animating(TMainForm& form) {
    const auto animations = form.findChildren<QAbstractAnimation*>();
    // An endless one (a spinner) is decoration: waiting for it would never end.
    return std::any_of(animations.begin(), animations.end(), [](QAbstractAnimation* a) {
        return a->state() == QAbstractAnimation::Running && a->totalDuration() >= 0;
    });
}

bool idle(TMainForm& form) {
    return !redrawRunning(form) && !animating(form);
}

bool shown(TMainForm& form, bool needRedraw) {
    QWindow* window = form.windowHandle();
    return window && window->isExposed() && !redrawRunning(form) && (!needRedraw || redrawsDone(form) > 0);
}

QWidget* overlay(TMainForm& form) {
    return form.findChild<QWidget*>(QStringLiteral("Image_edit"));
}

double pageRatio(TMainForm& form) {
    QWidget* w = overlay(form);
    return w ? w->devicePixelRatioF() : 1.0;
}

std::optional<QPointF> modelToPage(TMainForm& form, double x, double y) {
    const zelto::TProjection* p = form.Projection();
    if (!p || !p->GetIsOK()) return std::nullopt;
    const zelto::TSinglePoint page = p->GetPagePoint(x, y);
    if (!std::isfinite(page.X) || !std::isfinite(page.Y)) return std::nullopt;
    return QPointF(page.X, page.Y);
}

bool takesTouch(TMainForm& form) {
    return form.GetUse_Gestures();
}

void setTakesTouch(TMainForm& form, bool touch) {
    form.SetUse_Gestures(touch);
}

} // namespace zdemo::mapaccess
