// The user layers of the open project: everything the user draws, measures, records or imports.
// Each layer is a layer collection whose objects live in sub-layers named after their kind ("A"
// areas, "L" lines, "P" points, "N" notes). The controller reads them when a project opens (the
// user's layer definitions, the device-local colours and visibility, one file per layer, or the
// older combined file), checks and repairs them, saves what changed, and drives the layer tab of
// the menu drawer: ticks, colour, details, a new layer, deleting one, and the active layer.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QWidget;

namespace zelto {

class TComplicatedGECollection;
class TElement;
class TPolyLineElement;
class TTopolLineElement;
class TOwnerEntity;
class TProgressController;
class TRealIniFile;
class TStreamRead;
class TStringListElement;
class TSuperdialog;

struct TLayersWidgets {
    QListWidget* ListBox_Layers = nullptr; // the layers with ticks, colours and contents
    QComboBox* ActiveLayerCombo = nullptr; // the layer new objects go to
    QWidget* tab_layers_Layout = nullptr;  // the detail panel of one layer
    QLineEdit* tab_Layers_edit_LayerName = nullptr;
    QComboBox* tab_Layers_ComboColor = nullptr;
    QLabel* tab_Layers_LayerDetail = nullptr;
    QAbstractButton* b_DeleteLayer = nullptr; // "Odstranit vrstvu"
    QAbstractButton* Button7 = nullptr;       // "Zobrazit detaily"
    QAbstractButton* Button15 = nullptr;      // "Zpět na vrstvy"
    QAbstractButton* b_ExportGPX = nullptr;   // "Export GPX": the layer's routes and lines
    // The controls under `form`, by object name.
    static TLayersWidgets Find(QWidget& form);
};

// The layer collection `e` is (a layer or a sub-layer), or none.
TComplicatedGECollection* asLayer(TElement* e);
// Whether a sub-layer's name names the kind ('A' areas, 'L' lines, 'P' points, 'N' notes), in
// either letter case.
bool isSubLayerKind(const QString& name, char kind);

// The object lists of the notes frame: routes and lines, notes, areas.
struct TLayerObjectLists {
    QListWidget *RoutesList = nullptr, *NotesList = nullptr, *AreasList = nullptr;
};

// What the layers ask of the rest of the window; each is skipped while unset.
struct TLayersHooks {
    std::function<TRealIniFile*()> Ini; // the open project's settings file
    std::function<void()> Review;       // redraw the map
    std::function<void()> CloseDrawer, OpenDrawer;
    // The generic dialog prepared for a use (text entry or a question with its prompt).
    std::function<TSuperdialog*(bool editMode, const QString& prompt)> PrepareSuperdialog;
    // The routes and notes of an older project (its route and note files) moved into the given
    // layer; answers whether anything was moved. The route and note readers provide it.
    std::function<bool(TComplicatedGECollection* target)> LoadOldRoutesAndNotes;
    // The clearing colour table changed (the area dialog rebuilds its year colours).
    std::function<void(TStringListElement* table)> Layer42TableChanged;
    // The tool in use (0 when none edits objects) and its restart on the newly chosen layer.
    std::function<int()> ActiveTool;
    std::function<void()> RestartActiveTool;
    // The objects of a layer shown in the notes frame ("Zobrazit detaily").
    std::function<void(TComplicatedGECollection* layer)> ShowLayerDetails;
    // The forest unit at a model point, as the unit label names it (empty without forest data).
    std::function<QString(double x, double y)> UnitText;
};

class TLayersController {
public:
    TLayersController(const TLayersWidgets& widgets, TProgressController& progress);
    ~TLayersController();
    TLayersController(const TLayersController&) = delete;
    TLayersController& operator=(const TLayersController&) = delete;
    TLayersHooks Hooks;

    // ---- state ----
    TOwnerEntity* Layers() const { return m_layers.get(); }
    TOwnerEntity* LayersLocal() const { return m_local.get(); }
    TOwnerEntity* UserLayers() const { return m_userLayers.get(); }
    TStringListElement* Layer42Table() const { return m_table42.get(); }
    bool Layers_Modified = false;
    bool LayersLocal_Modified = false;
    // The active (edited) layer, and the one chosen in the combo box, which a starting tool takes.
    TComplicatedGECollection* ActualSuperLayer = nullptr;
    TComplicatedGECollection* NextActualSuperLayer = nullptr;
    QString ActualSuperLayerName;
    bool SuperLayerChangeActive = false;
    // A number that changes with everything the map shows of the layers: call Changed after
    // adding, removing or changing an object, a layer's visibility or colour.
    quint64 Version() const { return m_version; }
    void Changed() { ++m_version; }

    // ---- opening a project ----
    // Gives up every layer of the open project (also the active layer and the list).
    void Clear();
    // The whole reading of a project's layers, in order: definitions, local settings, the layer
    // files, the checks and the list; then the saves the checks asked for.
    void LoadAll();
    void UserLayers_Load();
    void LayersLocal_Load();
    void Layers_Load();
    void LayersLocal_Check();
    void Layers_CheckByUserLayers();
    void Layers_CheckNotes();
    void Layers_CheckColors();
    void Layers_42CheckColors();
    void Layers_CheckLines();
    void Layers_UpdateList();
    // The older combined layer files next to the project file and in the public folder, tried
    // after the one in the working directory.
    void SetOlderLayerFiles(const QString& nextToProject, const QString& inPublicFolder);

    // ---- operations ----
    TComplicatedGECollection* Layers_Add(const QString& aName, const QString& aText);
    void Layers_Check();
    // The layer read from its file (none when there is no readable file); the caller owns it.
    TComplicatedGECollection* Layers_LoadLayer(const QString& aLayerName);
    // False (with the message shown) when the file could not be written.
    bool Layers_SaveLayer(TComplicatedGECollection* aLayer);
    void Layers_Save();
    // False (with the message shown) when the file could not be written.
    bool LayersLocal_Save();
    TComplicatedGECollection* Layer(const QString& aName) const;
    TComplicatedGECollection* Layers_Layer(const QString& aName, const QString& aLayer);
    bool Layers_LayerExists(const QString& aName, const QString& aLayer) const;
    // A line object (kind 1, colour 13, symbol 0, the polyline's name) whose geometry is the
    // polyline, which it takes over: what a bare polyline of a line sub-layer becomes.
    static TTopolLineElement* LineObjectOf(TPolyLineElement* polyline);
    // 0 free, 1 reserved (or a name that cannot be a file name), 2 taken.
    int Layers_CHeckName(const QString& aName) const;
    // Whether a name may name a new layer's file as it is (no separators, no "..", no control
    // characters, no leading dot, no device name, not too long).
    static bool IsSafeLayerName(const QString& aName);

    // ---- the layer tab ----
    void ListBox_LayersChangeCheck(QListWidgetItem* item);
    void ListBox_LayersItemClick(QListWidgetItem* item);
    void tab_Layers_ComboColorChange(int index);
    void Button7Click();
    void Button15Click();
    void b_DeleteLayerClick();
    // Writes the lines of the layer shown in the details as GPX tracks into the project file's
    // folder (the downloads folder when that cannot be written); answers the file, or empty.
    QString b_ExportGPXClick();
    void OnDeleteLayerConfirm();
    void OnNewLayerConfirm(const QString& aName);
    void ActiveLayerComboChange(int index);
    // The layer whose details are shown (none while the list is shown).
    TComplicatedGECollection* SelectedLayer() const { return m_selected; }
    // The text the list shows under a layer's caption: its contents by kind, or "Prázdná".
    static QString LayerDetail(TComplicatedGECollection* aLayer);

    // Fills the object lists with the layer's objects: one row per object, the object as its
    // data, a detail line under its name.
    void Layer_UpdateList(TComplicatedGECollection* aLayer, const TLayerObjectLists& lists);
    void Layer_UpdateListDetail(TComplicatedGECollection* aSubLayer, const TLayerObjectLists& lists);

    // Keeps what a read into a layer left outside the layer's tree, for as long as the layers.
    void KeepRead(std::unique_ptr<TStreamRead> read);

    // ---- a layer brought in from elsewhere (the import) ----
    // Adds the layer, with an entry in the local settings when it has none (so that the next
    // opening reads it), marked to be saved. Answers what takes it out again as it was added (the
    // caller then owns the layer).
    std::function<void()> AddLayer(TComplicatedGECollection* layer);
    // Writes the changed layers, then the local settings; false when `layer` or the local settings
    // could not be written (the layer keeps its mark).
    bool SaveChanges(TComplicatedGECollection* layer);

    // The colours offered for a layer, ARGB.
    static const std::vector<quint32>& LayerColors();

private:
    TComplicatedGECollection* localEntry(const QString& name) const;
    void appendLocalCopy(TComplicatedGECollection* layer);
    void loadOneLayer(const QString& name, int restriction, bool byDefinition);
    void recoverLayerFiles();
    void markModified(TComplicatedGECollection* layer);
    void freeLayers();
    bool saveStream(TOwnerEntity* root, const QString& path, const QString& label, const QString& failure);
    void showList();

    TLayersWidgets m_w;
    TProgressController& m_progress;
    // The layers own their trees; the reads keep what only properties of the layers refer to,
    // and go after the layers.
    std::vector<std::unique_ptr<TStreamRead>> m_reads;
    std::unique_ptr<TOwnerEntity> m_layers, m_local, m_userLayers;
    std::unique_ptr<TStringListElement> m_table42;
    TComplicatedGECollection* m_selected = nullptr;
    QListWidgetItem* m_ticked = nullptr; // the row whose tick changed in this pass of the event loop
    QStringList m_olderPaths;
    quint64 m_version = 0;
};

} // namespace zelto
