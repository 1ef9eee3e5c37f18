// View navigation of the map form: dragging (pan), two-finger pinch (zoom), the mouse wheel, the
// zoom buttons and the scale and centre read-outs. While a finger is down only the snapshot of the
// last finished picture is shifted or stretched onto the map bitmap; the full redraw runs once,
// when the gesture ends. A drag that starts on the vertex or point being edited moves that
// instead of the map.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QAbstractButton;
class QEvent;
class QLabel;
class QTimer;
class QWidget;

namespace zelto {

class TMapCanvas;
class TProjection;
class TTiledMapController;
class TPageProjection;

// ---- the gesture event model ----------------------------------------------------------------

enum class TGestureKind { Zoom, Pan, LongTap };

enum TGestureFlag : int {
    gfNone = 0,
    gfBegin = 1,
    gfEnd = 2,
};

// One interactive gesture event: its kind, the location in page pixels, the flags (begin, end;
// neither for an intermediate event) and, for a zoom, the distance between the fingers in pixels.
struct TGestureEventInfo {
    TGestureKind GestureID = TGestureKind::Pan;
    QPointF Location;
    int Flags = gfNone;
    int Distance = 0;

    bool IsBegin() const { return Flags & gfBegin; }
    bool IsEnd() const { return Flags & gfEnd; }
};

// ---- the arithmetic (no widgets) ------------------------------------------------------------

// The "nice" scale-bar length for an available model length L: the last of 0, 1, 2, 5, 10, 25, 50,
// 100, 200, 500, 1000 metres that is strictly below L; from 1000 up, whole kilometres
// (1000 x floor(L / 1000)). 0 for L <= 0 or a length that is not a number.
double chooseNiceLength(double L);

// A scale number that the projection can work with: finite and within (0, 1e30).
bool isUsableScale(double scale);

// The scale bar for an available width in page pixels.
struct TScaleBar {
    double Value = 0;  // length of the bar (classic: of one segment), in the unit shown
    double Metres = 0; // the same in metres
    int Width = 0;     // page pixels of the bar (classic: of one segment)
    bool Km = false;   // the labels are in kilometres
    QString ValueText; // the label text of one bar (classic: of one segment, without the unit)
};
// The alternative style's single bar: L = the available width's model length, km when L >= 3000.
// The page rectangle of a model rectangle under the projection.
QRectF pageRectOf(const TProjection& projection, double minX, double minY, double maxX, double maxY);
// Moves the view by a drag of (dx, dy) page pixels: the map follows the finger.
void shiftView(TPageProjection& projection, double dx, double dy);
TScaleBar kavintScaleBar(const TProjection& projection, double availablePixels);
// The classic style's three segments: each segment is the nice length of a third of L.
TScaleBar classicScaleBar(const TProjection& projection, double availablePixels);

// The scale of a pinch frame: the starting scale divided by the spread ratio; none when the ratio
// is not defined (no starting or current distance) or the result would be no usable scale.
std::optional<double> pinchScale(double scale1, int distance, int lastDist);

// The mouse wheel's new scale: x 0.8 for a positive delta (in), x 1.25 otherwise.
double wheelScale(double scale, int wheelDelta);

// Changes the scale so that the model point under the page point (x, y) stays under it.
void zoomAround(TPageProjection& projection, double pageX, double pageY, double scale);

// The zoom buttons' animation: the frame scales (5 frames of d += 0.1 for zoom in, 10 of
// d += 0.05 for zoom out) and the final scale S0 / 1.5 or S0 x 1.5.
std::vector<double> zoomButtonFrames(double s0, bool zoomIn);
double zoomButtonFinal(double s0, bool zoomIn);

// Whether a pan starting at page (x, y) grabs the vertex (model): the vertex lies within
// 50 page pixels (as model length) of the touch point or of the point 100 pixels above it.
bool vertexGrabbed(const TProjection& projection, float x, float y, const QPointF& vertex);

// ---- what the tools provide ------------------------------------------------------------------

// The line of the measuring and line-editing tools (tools 2 and 4) at its active vertex.
class TEditedLine {
public:
    virtual ~TEditedLine();
    // The active vertex in model coordinates; false without a line or vertices.
    virtual bool ActiveVertex(QPointF& vertex) const = 0;
    virtual void SetActiveVertex(const QPointF& vertex) = 0;
    // Length in metres and area in square metres (signed by orientation).
    virtual double Length() const = 0;
    virtual double Area() const = 0;
    // Draw the line, or its active-vertex detail, into the bitmap; without one on its overlay
    // (the line on Image_edit, the detail on Image_Edit_Detail).
    virtual void DrawLineEdit(QImage* target) = 0;
    virtual void DrawLineDetail(QImage* target) = 0;
};

// The point of the point tool (tool 3).
class TEditedPoint {
public:
    virtual ~TEditedPoint();
    // Whether the model point lies in the point's rectangle.
    virtual bool PointIsInside(const QPointF& model) const = 0;
    virtual QPointF RefPoint() const = 0;
    virtual void SetRefPoint(const QPointF& model) = 0;
    // Draw the point's symbol in its edit look into the bitmap, or on the overlay without one.
    virtual void DrawPoint(QImage* target) = 0;
    // The point was moved: its layer must be saved.
    virtual void Moved() = 0;
};

// Operations of other parts that navigation calls; each is skipped while unset.
struct TNavigationHooks {
    std::function<void()> StopGpsFollow;                   // GPS follow mode off
    std::function<void(double dx, double dy)> DrawgpsTear; // the GPS arrow moved by model offsets
    std::function<void(float x, float y)> ImageTap;        // a tap at page (x, y)
    std::function<void()> Drawgps;                         // the GPS marker over a gesture frame
    std::function<void()> HideTopBar;                      // every gesture hides the top bar
    std::function<int()> ActiveTool;                       // the active tool (0 while unset)
    std::function<void()> OpenDrawer;                      // a swipe from the left edge
};

// The controls navigation drives; any may be missing (a test builds only what it looks at).
struct TNavigationWidgets {
    // The zoom buttons of the classic side panel and of the alternative side column.
    QAbstractButton *b_plus = nullptr, *b_Minus = nullptr, *plus_rect = nullptr, *minus_rect = nullptr;
    QTimer* ZoomTimer = nullptr; // ends the quiet period after a pinch
    // What moves with a dragged map: the note callouts of both styles, the position marker, the GPS
    // circle; the GPS arrow and the line highlight.
    QWidget *p_Note = nullptr, *ks_p_Note = nullptr, *ImageBakule = nullptr, *gpsCursor = nullptr,
            *gpscur = nullptr, *GPath = nullptr;
    // Scale and centre read-outs (classic bottom bar).
    QLabel *l_scale = nullptr, *l_jtsk = nullptr;
    // The alternative style's scale bar.
    QWidget* ks_ScaleLayOut = nullptr;
    QLabel* ks_l_Scale = nullptr;
    QWidget *ks_Scale_R = nullptr, *ks_Scale_R2 = nullptr;
    // The classic scale bar: three segments, tick labels and their shadows, beside the info panel.
    QWidget *ScaleLayout = nullptr, *InfoLayout = nullptr;
    QWidget *Rectangle1 = nullptr, *Rectangle2 = nullptr, *Rectangle3 = nullptr;
    QLabel *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr;
    QLabel *Text22 = nullptr, *Text33 = nullptr, *Text44 = nullptr, *Text55 = nullptr;
    // Length and area read-outs of the line tools (alternative and classic style).
    QLabel *ks_l_Delka = nullptr, *ks_l_Plocha = nullptr, *l_Text = nullptr;

    // The controls of these names among the window's descendants.
    static TNavigationWidgets Find(const QWidget& window);
};

// ---- touch input ----------------------------------------------------------------------------

// Turns the fingers on the glass into gesture events: one finger that moves farther than the
// slop is a pan (beginning where it touched down), two fingers are a pinch (location the midpoint,
// distance between them), a finger lifted without moving is a tap. After a pinch the sequence is
// spent until every finger has left.
class TTouchTranslator {
public:
    std::function<void(const TGestureEventInfo&)> OnGesture;
    std::function<void(const QPointF&)> OnTap;
    double Slop = 10; // page pixels a finger may wander and still tap

    // The fingers now on the glass (page pixels, in touch order); `finished` when the sequence
    // ends (all fingers lifted or the touch cancelled).
    void Touch(const std::vector<QPointF>& points, bool finished);
    // Forgets the fingers without reporting anything (the input mode changed).
    void Reset() { m_state = State::Idle; }

private:
    enum class State { Idle, Pressed, Panning, Pinching, Spent };
    void Emit(TGestureKind kind, const QPointF& at, int flags, int distance = 0);
    State m_state = State::Idle;
    QPointF m_down, m_last;
};

// ---- the controller ---------------------------------------------------------------------------

class TNavigationController : public QObject {
    Q_OBJECT
public:
    TNavigationController(TMapCanvas& canvas, TTiledMapController& map, const TNavigationWidgets& widgets);
    ~TNavigationController() override;

    // ---- state ----
    float LastLocalX = 0, LastLocalY = 0;  // last page position of the current pan
    float aX = 0, aY = 0;                  // drag offset of the snapshot
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0; // model view when the pinch started (MinX, MaxY, MaxX, MinY)
    double Scale1 = 0;                     // scale when the pinch started
    int LastDist = 0;                      // finger distance when the pinch started
    bool Zoomed = false;                   // a pinch is in progress
    bool ZoomSilence = false;              // pans are ignored (500 ms after a pinch)
    int PanStatus = 0;                     // 0 undecided, 1 map, 2 vertex, 3 point, 4 edge swipe
    // A drag that starts this close to the left edge and goes this far right opens the drawer.
    static constexpr float EdgeSwipeWidth = 20, EdgeSwipeDistance = 60;
    int Pani = 0, pani1 = 0;     // pan starts since the last pan end
    bool Moving = false;         // mouse mode: a left-button drag is in progress
    double RefX = 0, RefY = 0;   // page offset of a grabbed vertex or point from the finger
    double LastX = 0, LastY = 0; // page position where the current pan began
    bool KavintStyle = true;     // the alternative style's read-outs
    TNavigationHooks Hooks;

    // The edited line and point; none while their tools are not active. Not owned.
    void SetEditedLine(TEditedLine* line) { m_line = line; }
    void SetEditedPoint(TEditedPoint* point) { m_point = point; }
    TEditedLine* EditedLine() const { return m_line; }
    TEditedPoint* EditedPoint() const { return m_point; }

    // The state of the form's creation.
    void Reset();
    // Connects the overlay's input, the zoom buttons and the zoom timer.
    void Wire();

    bool GetUse_Gestures() const { return m_useGestures; }
    // Touch gestures (true) or mouse (false) on the overlay Image_edit.
    void SetUse_Gestures(bool value);

    void FormGesture(QObject* Sender, const TGestureEventInfo& EventInfo, bool& Handled);
    void ImageMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::MouseButtons Shift, float X, float Y);
    void ImageMouseMove(QObject* Sender, Qt::MouseButtons Shift, float X, float Y);
    void ImageMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::MouseButtons Shift, float X, float Y);
    // `at` is the mouse position in page pixels of the map picture.
    void ImageMouseWheel(QObject* Sender, Qt::KeyboardModifiers Shift, int WheelDelta, bool& Handled,
                         const QPointF& at);
    void b_plusClick();
    void b_MinusClick();
    void ZoomTimerTimer();
    void ShowScaleAndCoords();
    // Runs ShowScaleAndCoords later on the UI thread (once, however often it is asked for).
    void QueueShowScaleAndCoords();

    // The snapshot the gestures move (kept by the tiled map, which takes it after each redraw).
    QImage& Bm();
    // Frames painted from the snapshot so far (the picture shows one while this grows).
    int FramesPainted() const { return m_frames; }
    // The zoom buttons' animation is running (its frames come from a timer).
    bool Animating() const { return m_animating; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CommonFirstSteps(bool& Handled);
    void ZoomBegin(const TGestureEventInfo& e);
    void ZoomIntermediate(const TGestureEventInfo& e);
    void ZoomEnd();
    void PanBegin(const TGestureEventInfo& e);
    void PanIntermediate(const TGestureEventInfo& e);
    void PanEnd(const TGestureEventInfo& e);
    void ZoomButton(bool zoomIn);
    void StopGpsFollow();
    // The edit overlays: the edited line (tools 2, 4) and the edited point (tool 3).
    void RedrawEditOverlay();
    void ShowMeasure();
    void MoveFloatingMarkers(double dx, double dy);
    // The snapshot shifted by (dx, dy) page pixels, or stretched into the rectangle, over the
    // background colour.
    void PaintShifted(double dx, double dy);
    void PaintStretched(const QRectF& target, const QPointF* cross);
    void ZoomFrame();
    bool IsLineTool() const;
    int ActiveTool() const;
    double PageScale() const; // page pixels per logical pixel of the overlay
    bool FilterMouse(QEvent* event);
    bool FilterTouch(QEvent* event);

    TMapCanvas& m_canvas;
    TTiledMapController& m_map;
    TNavigationWidgets m_w;
    TEditedLine* m_line = nullptr;
    TEditedPoint* m_point = nullptr;
    TTouchTranslator m_touch;
    bool m_useGestures = false;
    bool m_scaleQueued = false;
    bool m_animating = false;
    int m_frames = 0;
    // The zoom buttons' animation: its frame scales, the next one, the view it started from.
    QTimer* m_zoomFrames = nullptr;
    std::vector<double> m_frameScales;
    size_t m_frame = 0;
    double m_zoomS0 = 0, m_zoomCx = 0, m_zoomCy = 0;
    bool m_zoomIn = false;
    QRectF m_zoomView; // model rectangle (MinX, MinY, width, height) when the animation started
};

} // namespace zelto
