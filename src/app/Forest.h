// The forest data on the map: reading the project's forest data file (on a worker thread by
// default, so the map and the project are usable meanwhile), the search panel with its four
// cascading lists (division, dílec, stand, stand group) and zoom buttons, finding the stand group
// under a map point and naming it in the unit labels, moving the view to a named unit, the area
// highlight and the flashing line, and handing the selected unit to the host.
#pragma once

#include <QObject>
#include <QPainterPath>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QThread;
class QTimer;
class QWidget;

namespace zelto {

class TElement;
class TForestModelSelector;
class TGeometry;
class TLayerPainter;
class TMapCanvas;
class TProgressController;
class TStreamRead;
class TTiledMapController;
class Tgis_ForestModel;
class Tgis_ForestUnit;
class Tgis_PorostniSkupina;

struct TForestWidgets {
    QWidget* p_Find_Layout = nullptr; // the search panel
    QComboBox *ed_odd = nullptr, *ed_Dil = nullptr, *ed_por = nullptr, *ed_PSK = nullptr;
    QAbstractButton* Button8 = nullptr; // closes the panel
    // Zoom to the chosen division, dílec, stand, stand group.
    QAbstractButton *Button9 = nullptr, *Button10 = nullptr, *Button11 = nullptr, *Button12 = nullptr;
    // Show or hide the panel.
    QAbstractButton *b_FindLHC = nullptr, *Button20 = nullptr, *kb_FindLHC = nullptr;
    // Hand the selected unit to the host.
    QAbstractButton *b_HK = nullptr, *Button21 = nullptr, *kb_HK = nullptr;
    // The unit label (classic bottom bar, classic and alternative info panels); the info panel
    // labels and the alternative caption and layer labels hand the unit over when tapped.
    QLabel *l_JPRL = nullptr, *l_JPRLs = nullptr, *ks_l_JPRLs = nullptr, *ks_l_Caption = nullptr,
           *ks_l_layer = nullptr;
    QAbstractButton* cb_jprl = nullptr; // "JPRL v ploše"
    QWidget* GPath = nullptr;           // the flashing line, over the whole window
    static TForestWidgets Find(QWidget& form);
};

struct TForestHooks {
    // Shows the unit label in the three labels (the form lays out the alternative info bar).
    std::function<void(const QString&)> ShowUnitLabel;
    // The host's OnSelectJPRL with the unit; false when the host set no handler.
    std::function<bool(TElement*)> SelectJPRL;
    std::function<void()> OnDataReady; // the host's OnDataReady
    std::function<void()> HideForm;    // back to the host
    std::function<void()> HideTopBar;
    std::function<bool()> DataOnBackGround;
    // The tools list's entry "  Výběr jednotek PRL" (hidden while the division list is refilled).
    std::function<void(bool)> UnitsEntryVisible;
    std::function<void()> ShowScaleAndCoords;
};

// UI thread only (the loader thread reads a file into a model nobody else sees until it is
// handed over here).
class TForestController : public QObject {
    Q_OBJECT
public:
    // The view never comes closer than this when it moves to a unit.
    static constexpr double ClosestUnitScale = 2000;

    TForestController(const TForestWidgets& widgets, TMapCanvas& canvas, TTiledMapController& map,
                      TProgressController& progress, TLayerPainter& painter);
    ~TForestController() override;
    TForestHooks Hooks;

    // The names of the chosen unit's plan area, division, dílec, stand and stand group; the host
    // reads and writes them.
    QString S_LHC, S_Oddeleni, S_Dilec, S_Porost, S_Skupina;
    bool CHeckJPRL = true; // stand groups are selected by tapping the map
    bool ImDrawing = false;
    bool AreaBlinked = false;

    Tgis_ForestModel* LHC() const { return m_model; }
    TForestModelSelector* Selector() const { return m_selector.get(); }
    // The stand group the selector found last; none before.
    Tgis_PorostniSkupina* SelectedSkupina() const;
    // Whether a background read is running.
    bool Loading() const { return m_loading; }

    // Reads the forest data file (an empty name: the project has none, the previous model goes).
    void LoadDET(const QString& aFileName);
    void ed_oddChange();
    void ed_DilChange();
    void ed_porChange();
    void ed_PSKChange();
    void b_FindLHCClick();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    // The stand group at a model point (a page point), naming it in the labels; none when nothing
    // is found ("JPRL?").
    Tgis_PorostniSkupina* FindForest(double X1, double Y1, bool aBlink);
    Tgis_PorostniSkupina* FindForestOnScreen(QPointF aPosition, bool aBlink);
    // The stand group at a model point without touching the labels, and its unit label ("???").
    Tgis_PorostniSkupina* FindForestSimple(double X1, double Y1);
    QString FindForestSimpleText(double X1, double Y1);
    // Moves the view to the unit the S_ fields name (the deepest level found).
    void ShowTheForest(bool Highlight);
    // Darkens everything outside the area (holes included) and outlines it in red, until the next
    // redraw.
    void BlinkArea(TGeometry* anArea);
    // Flashes the line over the map for about two seconds without holding up the window.
    void BlinkLine(TElement* aLine);
    bool LineFlashing() const;
    void b_HKClick();
    void l_JPRLsClick();
    void cb_jprlSwitch();
    // The ForestHighlight pass: paints a highlight asked for while a redraw was running.
    void PaintPendingHighlight();
    // The element is about to go: a highlight asked for on it is dropped.
    void Forget(const TElement* element);
    // The search panel (shown and hidden by the unit tool).
    QWidget* FindPanel() const { return m_w.p_Find_Layout; }
    // A model given up, freed with the rest of its read.
    struct TOld;
    // The unit label of a stand group (division, dílec, stand, " ", group).
    static QString UnitLabel(const QString& odd, const QString& dil, const QString& por, const QString& psk);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TRead;
    void showLabel(const QString& text);
    void chooseDivision(const QString& number);
    void takeModel(std::unique_ptr<TRead> read);
    // Gives the model up (the lists emptied, no selector); the caller frees what it answers.
    std::shared_ptr<TOld> dropModel();
    void refill(QComboBox* combo, const QStringList& names);
    void zoomTo(Tgis_ForestUnit* unit);
    void zoomButton(Tgis_ForestUnit* unit);
    bool busy() const;
    void paintHighlight();
    void flashStep();
    static void readFile(TRead& read);

    TForestWidgets m_w;
    TMapCanvas& m_canvas;
    TTiledMapController& m_map;
    TProgressController& m_progress;
    TLayerPainter& m_painter;

    Tgis_ForestModel* m_model = nullptr; // the root of m_read, taken from it
    std::unique_ptr<TStreamRead> m_read; // keeps what the model's properties refer to
    std::unique_ptr<TForestModelSelector> m_selector;
    std::vector<QThread*> m_threads;  // background reads still running (the newest is followed)
    bool m_loading = false;           // the newest read runs in the background
    int m_generation = 0;             // a newer LoadDET voids the result of an older read
    TGeometry* m_highlight = nullptr; // asked for while a redraw ran; painted by its pass
    QPainterPath m_linePath;          // the flashing line in page coordinates of the window
    QTimer* m_flash = nullptr;
    int m_flashes = 0;
};

} // namespace zelto
