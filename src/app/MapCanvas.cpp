#include "MapCanvas.h"

#include "UiKit.h"

#include "symbology/e_Device.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstring>

namespace zelto {

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

bool TPaintBudget::Exhausted() const {
    return nowNs() >= m_deadline;
}

TMapCanvas::TMapCanvas(const TMapCanvasWidgets& widgets) : m_widgets(widgets) {
    m_device = new TCanvasDevice;
    m_canvas = std::make_unique<TCanvas>(m_widgets.Image ? &m_widgets.Image->Bitmap() : nullptr);
    m_device->SetCanvas(m_canvas.get());
    m_next = new QTimer(this);
    m_next->setSingleShot(true);
    m_next->setInterval(0);
    connect(m_next, &QTimer::timeout, this, [this] { RunSlice(); });
}

TMapCanvas::~TMapCanvas() {
    if (m_canvas) m_canvas->SetBitmap(nullptr);
    delete m_device;
}

TPageProjection* TMapCanvas::Projection() const {
    return m_device ? m_device->GetProjection() : nullptr;
}

QImage& TMapCanvas::Picture() {
    return m_widgets.Image->Bitmap();
}

void TMapCanvas::SetPass(TDrawPass pass, TPass paint, std::function<void()> start) {
    m_passes[size_t(pass)] = std::move(paint);
    m_starts[size_t(pass)] = m_passes[size_t(pass)] ? std::move(start) : nullptr;
}

void TMapCanvas::SetSimplePass(TDrawPass pass, std::function<void()> paint) {
    if (!paint) return SetPass(pass, {});
    SetPass(pass, [paint = std::move(paint)](const TPaintBudget&) {
        paint();
        return true;
    });
}

bool TMapCanvas::Redraw() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (m_inSlice) {
        // Asked for from inside a pass: the running redraw starts over once this slice is done.
        m_restart = true;
        return false;
    }
    if (m_running) Cancel();
    m_running = true;
    Start();
    RunSlice();
    return !m_running;
}

void TMapCanvas::Start() {
    m_pass = 0;
    if (OnStart) OnStart();
    for (const auto& start : m_starts)
        if (start) start();
}

void TMapCanvas::Cancel() {
    if (!m_running) return;
    m_running = false;
    m_restart = false;
    m_next->stop();
    if (OnCancelled) OnCancelled();
}

void TMapCanvas::WhenCompleted(std::function<void()> then) {
    if (!then) return;
    if (!m_running) return then();
    m_whenCompleted.push_back(std::move(then));
}

void TMapCanvas::RunSlice() {
    if (!m_running) return;
    const qint64 deadline = nowNs() + qint64(m_sliceMs) * 1'000'000;
    const TPaintBudget budget(deadline);
    m_inSlice = true;
    bool sliceOver = false;
    while (m_pass < m_passes.size() && !sliceOver) {
        const TPass& pass = m_passes[m_pass];
        if (pass && !pass(budget)) {
            sliceOver = true;
            break;
        }
        // The snapshot is the finished picture under the edit overlays.
        if (TDrawPass(m_pass) == TDrawPass::GpsMarker) takeSnapshot();
        ++m_pass;
        if (budget.Exhausted()) sliceOver = true;
    }
    m_inSlice = false;
    if (m_restart) {
        m_restart = false;
        Start();
        m_next->start();
        return;
    }
    if (m_pass >= m_passes.size()) return Finish();
    m_next->start();
}

// Into the snapshot's own pixels when it has the picture's size: a fresh 8 MB image every redraw
// costs the process new pages from the system, which took longer than the copy itself.
void TMapCanvas::takeSnapshot() {
    const QImage& picture = Picture();
    if (m_bm.size() != picture.size() || m_bm.format() != picture.format() ||
        m_bm.bytesPerLine() != picture.bytesPerLine()) {
        m_bm = picture.copy();
        return;
    }
    uchar* bits = m_bm.bits(); // detaches from a copy taken by a gesture
    std::memcpy(bits, picture.constBits(), size_t(picture.sizeInBytes()));
}

void TMapCanvas::Finish() {
    m_running = false;
    ++m_completed;
    Update();
    if (OnCompleted) OnCompleted();
    auto waiting = std::move(m_whenCompleted);
    m_whenCompleted.clear();
    for (auto& then : waiting) then();
}

void TMapCanvas::ClearPicture() {
    if (m_canvas) m_canvas->Clear(BColor);
}

void TMapCanvas::Edit_Clear() {
    if (!m_widgets.Image_edit) return;
    m_widgets.Image_edit->ClearBitmap();
    m_widgets.Image_edit->update();
}

void TMapCanvas::Resize() {
    ui::TImageControl* image = m_widgets.Image;
    if (!image) return;
    const QSize size = image->DeviceSize();
    m_canvas->SetBitmap(nullptr); // no painter may stay on the old bitmap
    image->ResizeBitmap(size.width(), size.height());
    if (m_widgets.Image_edit) m_widgets.Image_edit->ResizeBitmap(size.width(), size.height());
    if (m_widgets.Image_Edit_Detail) m_widgets.Image_Edit_Detail->ResizeBitmap(size.width(), size.height());
    m_bm = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_bm.fill(QColor::fromRgba(BColor)); // a drag before the first redraw shows the background
    m_canvas->SetBitmap(&image->Bitmap());
    ClearPicture();
    Edit_Clear();
    m_device->SetCanvas(m_canvas.get());
}

void TMapCanvas::Update() {
    if (m_widgets.Image) m_widgets.Image->update();
}

} // namespace zelto
