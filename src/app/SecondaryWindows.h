// The package's secondary windows: the file chooser, the layer import window, the image viewer
// and the media player. Each exists at most once per process, is created by the first DoIt of
// any host component and is shared by every map form; the application object owns them (they
// are destroyed when the application shuts down).
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace zelto {

enum class SecondaryWindow { FileDialog, ImportLayer, ImageViewer, MediaPlayer };

// The object name each window carries (xFileDialog, ImportLayer_Form, Kordlin_ImageViewer,
// Kordlin_MediaPlayer).
QString secondaryWindowName(SecondaryWindow which);

// How a window is made. Until the window's own class is wired in, a hidden plain window with the
// right object name stands in for it.
using SecondaryWindowFactory = std::function<QWidget*()>;
void setSecondaryWindowFactory(SecondaryWindow which, SecondaryWindowFactory factory);

// Creates each window that does not exist yet (in the order of the enumeration).
void createSecondaryWindows();
// The window, or none before createSecondaryWindows.
QWidget* secondaryWindow(SecondaryWindow which);
// Destroys them all (application shut-down; tests).
void destroySecondaryWindows();

// Widgets owned by the application object: destroyed, if still alive, when the application
// shuts down (before the toolkit itself goes).
void ownByApplication(QWidget* widget);

} // namespace zelto
