#include "NotesFrame.h"

#include "UiKit.h"
#include "dialogs/fr_Kordlin_SuperDialog.h"

#include "geometry/e_Geometry.h"
#include "geometry/e_GeometryElement.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zelto {

namespace {

constexpr int ElementRole = Qt::UserRole; // the object a row stands for (Layer_UpdateList)

struct TabInfo {
    const char* title;
    const char* subLayer;
    const char* prompt;
};
// In tab order.
constexpr TabInfo Tabs[] = {
    {"Plochy", "A", "Opravdu chcete vybranou plochu smazat?"},
    {"Linie", "L", "Opravdu chcete vybranou linii smazat?"},
    {"Poznámky", "N", "Opravdu chcete vybranou poznámku smazat?"},
};

// The UUID by which whoever synchronises the layers learns of a deletion: a line object's (or
// area's) own, else the geometry's.
QString uuidOf(TElement* element) {
    if (auto* e = zelto_cast<TGeometryElement>(element)) return e->GetUUID();
    if (auto* g = zelto_cast<TGeometry>(element)) return g->GetUUID();
    return {};
}

} // namespace

TKordlin_Notes_Frame::TKordlin_Notes_Frame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Kordlin_Notes_Frame"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Panel_List = new ui::TPanel(this);
    Panel_List->setObjectName(QStringLiteral("Panel_List"));
    Panel_List->setFixedWidth(360);
    layout->addWidget(Panel_List);
    layout->addStretch(1);

    auto* panel = new QVBoxLayout(Panel_List);
    TabControl = new QTabWidget(Panel_List);
    TabControl->setObjectName(QStringLiteral("TabControl"));
    for (QListWidget** list : {&AreasList, &RoutesList, &NotesList}) {
        *list = new QListWidget(TabControl);
        (*list)->setItemDelegate(new ui::TDetailItemDelegate(*list));
        connect(*list, &QListWidget::itemClicked, this, &TKordlin_Notes_Frame::itemClicked);
    }
    AreasList->setObjectName(QStringLiteral("AreasList"));
    RoutesList->setObjectName(QStringLiteral("RoutesList"));
    NotesList->setObjectName(QStringLiteral("NotesList"));
    TabControl->addTab(AreasList, QString::fromUtf8(Tabs[0].title));
    TabControl->addTab(RoutesList, QString::fromUtf8(Tabs[1].title));
    TabControl->addTab(NotesList, QString::fromUtf8(Tabs[2].title));
    panel->addWidget(TabControl, 1);
    auto* remove = new QPushButton(QStringLiteral("Smazat"), Panel_List);
    remove->setObjectName(QStringLiteral("b_Delete"));
    connect(remove, &QPushButton::clicked, this, &TKordlin_Notes_Frame::b_DeleteClick);
    b_Delete = remove;
    panel->addWidget(b_Delete);
}

TKordlin_Notes_Frame::~TKordlin_Notes_Frame() = default;

void TKordlin_Notes_Frame::SetActiveLayer(TComplicatedGECollection* layer) {
    m_activeLayer = layer;
    if (Hooks.FillLists)
        Hooks.FillLists(layer, Lists());
    else
        for (QListWidget* list : {AreasList, RoutesList, NotesList}) list->clear();
}

void TKordlin_Notes_Frame::SelectTab(const QString& name) {
    for (int i = 0; i < TabControl->count(); ++i)
        if (TabControl->tabText(i) == name) TabControl->setCurrentIndex(i);
}

QString TKordlin_Notes_Frame::ActiveTab() const {
    return TabControl->tabText(TabControl->currentIndex());
}

QListWidget* TKordlin_Notes_Frame::activeList() const {
    return qobject_cast<QListWidget*>(TabControl->currentWidget());
}

void TKordlin_Notes_Frame::itemClicked(QListWidgetItem* item) {
    auto* element = item ? static_cast<TElement*>(item->data(ElementRole).value<void*>()) : nullptr;
    if (element && Hooks.Selected) Hooks.Selected(element);
}

void TKordlin_Notes_Frame::b_DeleteClick() {
    const int tab = TabControl->currentIndex();
    QListWidgetItem* item = activeList() ? activeList()->currentItem() : nullptr;
    if (!item || tab < 0 || tab >= int(std::size(Tabs)) || !m_activeLayer || !Hooks.PrepareSuperdialog)
        return;
    auto* element = static_cast<TElement*>(item->data(ElementRole).value<void*>());
    TSuperdialog* dialog = Hooks.PrepareSuperdialog(false, QString::fromUtf8(Tabs[tab].prompt));
    if (!dialog || !element) return;
    hide();
    QPointer<TKordlin_Notes_Frame> self(this);
    const QString subLayer = QString::fromLatin1(Tabs[tab].subLayer);
    auto showAgain = [self](QObject*) {
        if (self) self->show();
    };
    dialog->SetOnOK([self, element, subLayer](QObject*) {
        if (!self) return;
        self->deleteConfirmed(element, subLayer);
        self->show();
    });
    dialog->SetOnCancel(showAgain);
    dialog->SetOnClose(showAgain);
    dialog->Show();
}

void TKordlin_Notes_Frame::deleteConfirmed(TElement* element, const QString& subLayer) {
    if (!m_activeLayer) return;
    // The object may have gone while the question was open: only a child of the layer is freed.
    // The sub-layer is looked up, never made: making one would replace a child of that name.
    auto* layer = zelto_cast<TComplicatedGECollection>(m_activeLayer->FindElementName(subLayer));
    if (!layer || layer->IndexOf(element) < 0) return;
    if (Hooks.HideCallout) Hooks.HideCallout();
    if (Hooks.Deleting) Hooks.Deleting(element);
    for (QListWidget* list : {AreasList, RoutesList, NotesList})
        for (int row = list->count() - 1; row >= 0; --row)
            if (list->item(row)->data(ElementRole).value<void*>() == element) delete list->takeItem(row);
    m_activeLayer->AddDeletedUUID(uuidOf(element));
    layer->SetElementToFree(element);
    m_activeLayer->SetModified(true);
    if (Hooks.Changed) Hooks.Changed();
    if (Hooks.SaveLayers) Hooks.SaveLayers();
    if (Hooks.UpdateLayersList) Hooks.UpdateLayersList();
    if (Hooks.Review) Hooks.Review();
}

void TKordlin_Notes_Frame::mousePressEvent(QMouseEvent* event) {
    // Presses on the list panel and its controls do not reach here: this is the background.
    if (!Panel_List->geometry().contains(event->position().toPoint())) {
        hide();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

} // namespace zelto
