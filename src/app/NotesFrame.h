// The list frame of one user layer, embedded in the map form as "Kordlin_Notes_Frame": its areas,
// lines and notes on the tabs "Plochy", "Linie" and "Poznámky". Selecting a row hands its object
// to the controller (which zooms to it); "Smazat" deletes the selected object after a
// confirmation. A press on the frame's background, beside the list, hides the frame.
#pragma once

#include "Layers.h"

#include <QWidget>

#include <functional>

class QAbstractButton;
class QListWidget;
class QListWidgetItem;
class QTabWidget;

namespace zelto {

class TComplicatedGECollection;
class TElement;
class TSuperdialog;

struct TNotesFrameHooks {
    // Fills the three lists with the layer's objects (TLayersController::Layer_UpdateList).
    std::function<void(TComplicatedGECollection* layer, const TLayerObjectLists& lists)> FillLists;
    std::function<TSuperdialog*(bool editMode, const QString& prompt)> PrepareSuperdialog;
    // After a deletion: save the layers, refresh the layer list, hide the callout, tell the
    // layers they changed and redraw.
    std::function<void()> SaveLayers, UpdateLayersList, HideCallout, Changed, Review;
    // A row was chosen: its object.
    std::function<void(TElement* element)> Selected;
    // The object is about to be freed: whoever refers to it lets go.
    std::function<void(TElement* element)> Deleting;
};

class TKordlin_Notes_Frame : public QWidget {
    Q_OBJECT
public:
    explicit TKordlin_Notes_Frame(QWidget* parent = nullptr);
    ~TKordlin_Notes_Frame() override;

    TNotesFrameHooks Hooks;

    // The layer listed (not owned); fills the lists.
    void SetActiveLayer(TComplicatedGECollection* layer);
    TComplicatedGECollection* ActiveLayer() const { return m_activeLayer; }
    // "Plochy", "Linie" or "Poznámky".
    void SelectTab(const QString& name);
    QString ActiveTab() const;
    TLayerObjectLists Lists() const { return {RoutesList, NotesList, AreasList}; }

    void b_DeleteClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QListWidget* activeList() const;
    void itemClicked(QListWidgetItem* item);
    void deleteConfirmed(TElement* element, const QString& subLayer);

    TComplicatedGECollection* m_activeLayer = nullptr;
    QWidget* Panel_List = nullptr;
    QTabWidget* TabControl = nullptr;
    QListWidget *AreasList = nullptr, *RoutesList = nullptr, *NotesList = nullptr;
    QAbstractButton* b_Delete = nullptr;
};

} // namespace zelto
