// A description of every widget of a set of windows as JSON, for checking the screen without
// looking at it: name, class, window, visibility, geometry (in its window), text and items.
#pragma once

#include <QByteArray>
#include <QList>
#include <QWidget>

namespace zdemo {

QByteArray dumpWidgets(const QList<QWidget*>& windows);

// The map form and the package's secondary windows (file chooser, import, image viewer, player).
QList<QWidget*> componentWindows(QWidget* form);

} // namespace zdemo
