#include "SecondaryWindows.h"

#include "dialogs/t_xFileDialog.h"

#include <QCoreApplication>
#include <QList>
#include <QPointer>

#include <array>
#include <utility>

namespace zelto {

namespace {

constexpr int WindowCount = 4;

struct Windows {
    std::array<QPointer<QWidget>, WindowCount> windows;
    std::array<SecondaryWindowFactory, WindowCount> factories;
};

Windows& windows() {
    static Windows w;
    return w;
}

QList<QPointer<QWidget>>& applicationOwned() {
    static QList<QPointer<QWidget>> list;
    return list;
}

void destroyApplicationOwned() {
    const QList<QPointer<QWidget>> list = std::exchange(applicationOwned(), {});
    for (const QPointer<QWidget>& w : list) delete w.data();
}

QString windowTitle(SecondaryWindow which) {
    switch (which) {
    case SecondaryWindow::FileDialog:
        return QStringLiteral("Výběr souboru");
    case SecondaryWindow::ImportLayer:
        return QStringLiteral("Import vrstvy");
    case SecondaryWindow::ImageViewer:
        return QStringLiteral("Fotografie");
    case SecondaryWindow::MediaPlayer:
        return QStringLiteral("Nahrávka");
    }
    return {};
}

} // namespace

QString secondaryWindowName(SecondaryWindow which) {
    switch (which) {
    case SecondaryWindow::FileDialog:
        return QStringLiteral("xFileDialog");
    case SecondaryWindow::ImportLayer:
        return QStringLiteral("ImportLayer_Form");
    case SecondaryWindow::ImageViewer:
        return QStringLiteral("Kordlin_ImageViewer");
    case SecondaryWindow::MediaPlayer:
        return QStringLiteral("Kordlin_MediaPlayer");
    }
    return {};
}

void setSecondaryWindowFactory(SecondaryWindow which, SecondaryWindowFactory factory) {
    windows().factories[size_t(which)] = std::move(factory);
}

void createSecondaryWindows() {
    Windows& w = windows();
    for (int i = 0; i < WindowCount; ++i) {
        if (w.windows[i]) continue;
        const auto which = SecondaryWindow(i);
        QWidget* window = w.factories[i] ? w.factories[i]() : nullptr;
        // The file chooser is the package's own; the other windows are plain stand-ins until
        // their parts set a factory.
        if (!window && which == SecondaryWindow::FileDialog) window = CreateXFileDialog();
        if (!window) {
            window = new QWidget;
            window->setWindowTitle(windowTitle(which));
        }
        if (window->objectName().isEmpty()) window->setObjectName(secondaryWindowName(which));
        window->hide();
        w.windows[i] = window;
        // The package's file chooser already goes with the application object.
        if (window != xFileDialog) ownByApplication(window);
    }
}

QWidget* secondaryWindow(SecondaryWindow which) {
    return windows().windows[size_t(which)].data();
}

void destroySecondaryWindows() {
    for (QPointer<QWidget>& w : windows().windows) delete w.data();
}

void ownByApplication(QWidget* widget) {
    static bool routineAdded = false;
    if (!routineAdded) {
        // Runs first thing in the application object's destructor, while widgets can still go.
        qAddPostRoutine(destroyApplicationOwned);
        routineAdded = true;
    }
    applicationOwned().append(widget);
}

} // namespace zelto
