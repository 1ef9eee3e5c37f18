#include "ImageViewer.h"

#include "NoteAttachments.h"
#include "UiKit.h"

#include "framework/E_Type.h"
#include "framework/Notifier.h"
#include "geometry/e_GeometryEx.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zelto {

namespace {

constexpr int DetailRole = ui::TDetailItemDelegate::DetailRole;
constexpr int ThumbSize = 100;
// The slider's steps per unit of scale.
constexpr int SliderSteps = 100;

// Draws the picture at its scale; only the part on screen is painted, so a large photo at ten
// times its size never becomes a bitmap of that size.
class TPicture : public QWidget {
public:
    TPicture(const QImage& image, const double& scale, QWidget* parent)
        : QWidget(parent), m_image(image), m_scale(scale) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        if (m_image.isNull()) return;
        QPainter p(this);
        p.setClipRect(event->rect());
        p.setRenderHint(QPainter::SmoothPixmapTransform, m_scale < 1);
        p.scale(m_scale, m_scale);
        p.drawImage(QPointF(0, 0), m_image);
    }

private:
    const QImage& m_image;
    const double& m_scale;
};

} // namespace

TKordlin_ImageViewer::TKordlin_ImageViewer(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Kordlin_ImageViewer"));
    setWindowTitle(QStringLiteral("Fotografie"));
    auto* layout = new QHBoxLayout(this);
    ListBox_Images = new QListWidget(this);
    ListBox_Images->setObjectName(QStringLiteral("ListBox_Images"));
    ListBox_Images->setIconSize(QSize(ThumbSize, ThumbSize));
    ListBox_Images->setFixedWidth(ThumbSize + 120);
    connect(ListBox_Images, &QListWidget::itemClicked, this, &TKordlin_ImageViewer::ListBox_ImagesItemClick);
    layout->addWidget(ListBox_Images);

    auto* right = new QVBoxLayout;
    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setAlignment(Qt::AlignCenter);
    m_picture = new TPicture(m_image, m_scale, ScrollBox);
    m_picture->setObjectName(QStringLiteral("Image"));
    m_picture->installEventFilter(this);
    ScrollBox->setWidget(m_picture);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->viewport()->installEventFilter(this);
    right->addWidget(ScrollBox, 1);

    auto* bar = new QHBoxLayout;
    TrackBar_Zoom = new QSlider(Qt::Horizontal, this);
    TrackBar_Zoom->setObjectName(QStringLiteral("TrackBar_Zoom"));
    TrackBar_Zoom->setRange(int(MinScale * SliderSteps), int(MaxScale * SliderSteps));
    TrackBar_Zoom->setValue(SliderSteps);
    connect(TrackBar_Zoom, &QSlider::valueChanged, this,
            [this](int value) { SetScalePicture(double(value) / SliderSteps); });
    bar->addWidget(TrackBar_Zoom, 1);
    auto button = [this, bar](QAbstractButton*& field, const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        bar->addWidget(b);
        field = b;
    };
    button(img_11, "img_11", QStringLiteral("1:1"));
    button(img_fit, "img_fit", QStringLiteral("Přizpůsobit"));
    button(b_Close, "b_Close", QStringLiteral("Zavřít"));
    connect(img_11, &QAbstractButton::clicked, this, &TKordlin_ImageViewer::img_11Click);
    connect(img_fit, &QAbstractButton::clicked, this, &TKordlin_ImageViewer::img_fitClick);
    connect(b_Close, &QAbstractButton::clicked, this, &QWidget::close);
    right->addLayout(bar);
    layout->addLayout(right, 1);
    resize(800, 600);
}

TKordlin_ImageViewer::~TKordlin_ImageViewer() = default;

bool TKordlin_ImageViewer::load(const QString& path) {
    m_file = path;
    m_image = path.isEmpty() ? QImage() : ReadPhoto(path);
    return !m_image.isNull();
}

void TKordlin_ImageViewer::SetaNote(Tgis_Note* note) {
    ListBox_Images->clear();
    load(QString());
    {
        const QSignalBlocker block(TrackBar_Zoom);
        TrackBar_Zoom->setValue(TrackBar_Zoom->minimum());
    }
    ListBox_Images->show();
    for (const TAttachmentFile& f : ExistingAttachments(note ? note->GetImages() : nullptr, m_photoDir)) {
        const QImage thumbnail = ReadPhoto(f.path, QSize(ThumbSize, ThumbSize));
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(thumbnail)), f.label, ListBox_Images);
        item->setData(DetailRole, f.path);
    }
    if (ListBox_Images->count() > 0) {
        ListBox_Images->setCurrentRow(0);
        load(ListBox_Images->item(0)->data(DetailRole).toString());
    }
    m_scale = 0; // whatever it was, the new picture starts at 1
    SetScalePicture(1);
}

void TKordlin_ImageViewer::fit() {
    applyScale(FitScale());
    m_fitted = true;
}

void TKordlin_ImageViewer::SetFile(const QString& path) {
    ListBox_Images->clear();
    ListBox_Images->hide();
    if (!load(path) && !path.isEmpty())
        notifier().message(QStringLiteral("Soubor ") + path + QStringLiteral(" neexistuje!"));
    m_scale = 0;
    fit();
}

void TKordlin_ImageViewer::ListBox_ImagesItemClick(QListWidgetItem* item) {
    if (!item) return;
    load(item->data(DetailRole).toString());
    m_scale = 0;
    fit();
}

double TKordlin_ImageViewer::FitScale() const {
    if (m_image.isNull()) return 1;
    const QSize view = ScrollBox->viewport()->size();
    if (view.isEmpty()) return 1;
    const double factor =
        std::max(double(m_image.width()) / view.width(), double(m_image.height()) / view.height());
    return std::clamp(1 / factor, MinScale, MaxScale);
}

void TKordlin_ImageViewer::SetScalePicture(double scale) {
    m_fitted = false;
    applyScale(scale);
}

void TKordlin_ImageViewer::applyScale(double scale) {
    if (!std::isfinite(scale)) return;
    scale = std::clamp(scale, MinScale, MaxScale);
    QScrollBar* h = ScrollBox->horizontalScrollBar();
    QScrollBar* v = ScrollBox->verticalScrollBar();
    const QSize view = ScrollBox->viewport()->size();
    // The picture point in the middle of the view, in picture pixels.
    const double old = m_scale > 0 ? m_scale : scale;
    const double cx = (h->value() + view.width() / 2.0) / old;
    const double cy = (v->value() + view.height() / 2.0) / old;
    const bool fresh = m_scale <= 0;
    m_scale = scale;
    const QSize size = m_image.isNull() ? QSize(0, 0)
                                        : QSize(std::max(1, int(std::lround(m_image.width() * scale))),
                                                std::max(1, int(std::lround(m_image.height() * scale))));
    m_picture->resize(size);
    m_picture->update();
    if (fresh) {
        h->setValue((h->maximum() + h->minimum()) / 2);
        v->setValue((v->maximum() + v->minimum()) / 2);
    } else {
        h->setValue(int(std::lround(cx * scale - view.width() / 2.0)));
        v->setValue(int(std::lround(cy * scale - view.height() / 2.0)));
    }
    const QSignalBlocker block(TrackBar_Zoom);
    TrackBar_Zoom->setValue(int(std::lround(scale * SliderSteps)));
}

void TKordlin_ImageViewer::img_11Click() {
    SetScalePicture(1);
}

void TKordlin_ImageViewer::img_fitClick() {
    fit();
}

void TKordlin_ImageViewer::ImageTap() {
    ListBox_Images->setVisible(!ListBox_Images->isVisible());
}

bool TKordlin_ImageViewer::eventFilter(QObject* watched, QEvent* event) {
    // The view's own size, which the window's layout sets after the window's resize.
    if (watched == ScrollBox->viewport() && event->type() == QEvent::Resize && m_fitted) fit();
    if (watched == m_picture) {
        if (event->type() == QEvent::MouseButtonPress)
            m_pressAt = static_cast<QMouseEvent*>(event)->position().toPoint();
        else if (event->type() == QEvent::MouseButtonRelease &&
                 (static_cast<QMouseEvent*>(event)->position().toPoint() - m_pressAt).manhattanLength() < 10)
            ImageTap();
    }
    return QWidget::eventFilter(watched, event);
}

void TKordlin_ImageViewer::closeEvent(QCloseEvent* event) {
    TCloseHandler handler = std::move(m_onClose);
    m_onClose = nullptr;
    if (handler) handler();
    QWidget::closeEvent(event);
}

} // namespace zelto
