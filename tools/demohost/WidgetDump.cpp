#include "WidgetDump.h"

#include "SecondaryWindows.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>

namespace zdemo {

namespace {

QJsonObject describe(QWidget* w) {
    QJsonObject o;
    o[QStringLiteral("name")] = w->objectName();
    o[QStringLiteral("class")] = QString::fromLatin1(w->metaObject()->className());
    o[QStringLiteral("window")] = w->window()->objectName();
    o[QStringLiteral("visible")] = w->isVisible();
    const QPoint at = w->isWindow() ? w->pos() : w->mapTo(w->window(), QPoint(0, 0));
    o[QStringLiteral("x")] = at.x();
    o[QStringLiteral("y")] = at.y();
    o[QStringLiteral("w")] = w->width();
    o[QStringLiteral("h")] = w->height();
    if (auto* label = qobject_cast<QLabel*>(w))
        o[QStringLiteral("text")] = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        o[QStringLiteral("text")] = button->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        o[QStringLiteral("text")] = edit->text();
    QJsonArray items, hidden, ticked, details;
    bool hasDetails = false;
    bool hasItems = false;
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        hasItems = true;
        for (int i = 0; i < list->count(); ++i) {
            items.append(list->item(i)->text());
            if (list->item(i)->isHidden()) hidden.append(i);
            if ((list->item(i)->flags() & Qt::ItemIsUserCheckable) &&
                list->item(i)->checkState() == Qt::Checked)
                ticked.append(i);
            // The second line of a row (its detail), where the list shows one.
            const QString detail = list->item(i)->data(Qt::UserRole + 1).toString();
            hasDetails = hasDetails || !detail.isEmpty();
            details.append(detail);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        hasItems = true;
        for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        hasItems = true;
        for (int i = 0; i < tabs->count(); ++i) items.append(tabs->tabText(i));
    }
    if (hasItems) {
        o[QStringLiteral("items")] = items;
        if (!hidden.isEmpty()) o[QStringLiteral("hiddenItems")] = hidden;
        if (!ticked.isEmpty()) o[QStringLiteral("tickedItems")] = ticked;
        if (hasDetails) o[QStringLiteral("itemDetails")] = details;
    }
    return o;
}

} // namespace

QByteArray dumpWidgets(const QList<QWidget*>& windows) {
    QJsonArray all;
    for (QWidget* window : windows) {
        if (!window) continue;
        all.append(describe(window));
        // Widgets only: the list's and combo's inner views are widgets too and are listed.
        for (QWidget* w : window->findChildren<QWidget*>()) all.append(describe(w));
    }
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

QList<QWidget*> componentWindows(QWidget* form) {
    using zelto::SecondaryWindow;
    QList<QWidget*> windows{form};
    for (SecondaryWindow w : {SecondaryWindow::FileDialog, SecondaryWindow::ImportLayer,
                              SecondaryWindow::ImageViewer, SecondaryWindow::MediaPlayer})
        windows << zelto::secondaryWindow(w);
    return windows;
}

} // namespace zdemo
