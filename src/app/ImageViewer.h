// The photo viewer (a secondary window): a note's photos in a list and one of them large, with a
// zoom from 0.1 to 10 times. Opened on a single file it hides its list and fits the picture.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QListWidget;
class QListWidgetItem;
class QScrollArea;
class QSlider;

namespace zelto {

class Tgis_Note;

class TKordlin_ImageViewer : public QWidget {
    Q_OBJECT
public:
    using TCloseHandler = std::function<void()>;
    static constexpr double MinScale = 0.1, MaxScale = 10;

    explicit TKordlin_ImageViewer(QWidget* parent = nullptr);
    ~TKordlin_ImageViewer() override;

    // The folder the note's photos are in (the project's photo folder).
    void SetPhotoDir(const QString& dir) { m_photoDir = dir; }
    // Lists the note's photos and shows the first at scale 1.
    void SetaNote(Tgis_Note* note);
    // One file alone: the list hidden, the picture fitted to the window.
    void SetFile(const QString& path);
    // Runs once when the window closes, then is forgotten.
    void SetOnClose(TCloseHandler handler) { m_onClose = std::move(handler); }

    // The picture's scale, clamped to 0.1 - 10; the point in the middle of the view stays there.
    // The picture then keeps that scale when the window's size changes.
    void SetScalePicture(double scale);
    double ScalePicture() const { return m_scale; }
    // The scale at which the whole picture fits the view; a fitted picture stays fitted when the
    // window's size changes, until another scale is chosen.
    double FitScale() const;
    void img_11Click();
    void img_fitClick();
    // A tap on the picture: the list shows or hides.
    void ImageTap();
    QString CurrentFile() const { return m_file; }
    const QImage& Picture() const { return m_image; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool load(const QString& path);
    void applyScale(double scale);
    void fit();
    void ListBox_ImagesItemClick(QListWidgetItem* item);

    QString m_photoDir, m_file;
    QImage m_image;
    double m_scale = 1;
    bool m_fitted = false; // the scale follows the window's size
    TCloseHandler m_onClose;
    QPoint m_pressAt;

    QListWidget* ListBox_Images = nullptr;
    QScrollArea* ScrollBox = nullptr;
    QWidget* m_picture = nullptr; // paints m_image at m_scale
    QSlider* TrackBar_Zoom = nullptr;
    QAbstractButton *img_11 = nullptr, *img_fit = nullptr, *b_Close = nullptr;
};

} // namespace zelto
