// The map canvas: the one place every drawing concern of the map window paints through. It owns
// the map picture's drawing device (its page and projection), the snapshot that gestures move and
// scale, and the ordered drawing passes of a redraw. A redraw runs its passes in order, in slices
// scheduled from the event loop, so the window stays responsive while no handler ever runs inside
// a pass; a new redraw (or a gesture) cancels a running one.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

namespace zelto {

namespace ui {
class TImageControl;
}
class TCanvas;
class TCanvasDevice;
class TPageProjection;

struct TMapCanvasWidgets {
    ui::TImageControl* Image = nullptr;             // the map picture
    ui::TImageControl* Image_edit = nullptr;        // transparent overlay: input and edit overlays
    ui::TImageControl* Image_Edit_Detail = nullptr; // hidden cache of the edited vertex or point
};

// The passes of a redraw, in painting order. The snapshot is taken after the GPS marker: the edit
// overlays live on their own bitmap and move separately.
enum class TDrawPass {
    Tiles,
    UserAreas,   // the areas of every visible user layer, under everything the layers hold
    UserObjects, // then their lines, notes and points, layer by layer in the layers' order
    ForestHighlight,
    Route,
    GpsMarker,
    EditOverlays,
    Count
};

// What a slice of a pass may still spend; a pass that does incremental work checks it between
// units of work and returns false to be called again in the next slice.
class TPaintBudget {
public:
    explicit TPaintBudget(qint64 deadlineNs) : m_deadline(deadlineNs) {}
    bool Exhausted() const;

private:
    qint64 m_deadline;
};

class TMapCanvas : public QObject {
    Q_OBJECT
public:
    // A pass paints (part of) its layer and answers whether it is finished.
    using TPass = std::function<bool(const TPaintBudget&)>;

    explicit TMapCanvas(const TMapCanvasWidgets& widgets);
    ~TMapCanvas() override;

    TCanvasDevice* Device() const { return m_device; }
    TPageProjection* Projection() const;
    TCanvas* Canvas() const { return m_canvas.get(); }
    const TMapCanvasWidgets& Widgets() const { return m_widgets; }
    // The map picture's bitmap (page pixels).
    QImage& Picture();
    // The snapshot of the last finished picture (what gestures move and scale).
    QImage& Bm() { return m_bm; }
    // The background colour (0xAARRGGBB).
    quint32 BColor = 0xFF000000;

    // Sets (or, with an empty function, removes) the painter of a pass. `start` runs whenever a
    // redraw begins or starts over, before any slice: a pass that resumes where its previous
    // slice stopped goes back to its beginning there.
    void SetPass(TDrawPass pass, TPass paint, std::function<void()> start = {});
    // A pass that paints at once and is always finished.
    void SetSimplePass(TDrawPass pass, std::function<void()> paint);

    // Starts a redraw from the first pass, cancelling a running one. The first slice runs at
    // once; what does not fit the slice continues from the event loop. Returns whether the redraw
    // finished at once.
    bool Redraw();
    // Cancels a running redraw; its picture stays as far as it got.
    void Cancel();
    bool Running() const { return m_running; }
    // Whether a slice is being painted right now (nothing from outside may run then).
    bool InSlice() const { return m_inSlice; }
    // Finished redraws (the picture was completed).
    int Completed() const { return m_completed; }
    // Run once by the next redraw that completes (at once when none runs and `now` is set).
    void WhenCompleted(std::function<void()> then);
    // Called when a redraw begins painting, and again when it starts over.
    std::function<void()> OnStart;
    // Called after every completed redraw.
    std::function<void()> OnCompleted;
    // Called when a redraw is cancelled (superseded).
    std::function<void()> OnCancelled;

    // Time one slice may take before the rest waits for the event loop (0: one unit of work).
    void SetSliceBudgetMs(int ms) { m_sliceMs = ms; }

    // Clears the picture to the background colour.
    void ClearPicture();
    // Clears the edit overlays to transparent.
    void Edit_Clear();
    // The picture, overlays and snapshot take the map picture's size in device pixels.
    void Resize();
    // Repaints the map picture on the screen.
    void Update();

private:
    void RunSlice();
    void Finish();
    void takeSnapshot();
    void Start();

    TMapCanvasWidgets m_widgets;
    TCanvasDevice* m_device = nullptr; // owned
    std::unique_ptr<TCanvas> m_canvas;
    QImage m_bm;
    std::array<TPass, size_t(TDrawPass::Count)> m_passes;
    std::array<std::function<void()>, size_t(TDrawPass::Count)> m_starts;
    std::vector<std::function<void()>> m_whenCompleted;
    QTimer* m_next = nullptr;
    size_t m_pass = 0;
    bool m_running = false;
    bool m_inSlice = false;
    bool m_restart = false;
    int m_completed = 0;
    int m_sliceMs = 12;
};

} // namespace zelto
