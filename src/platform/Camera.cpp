#include "Camera.h"

#include <QCamera>
#include <QCameraDevice>
#include <QImageCapture>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QObject>

namespace zelto::platform {

PhotoCamera::~PhotoCamera() = default;

// The camera is made on the first request and kept: starting it is slow on a tablet.
struct QtPhotoCamera::Private {
    std::unique_ptr<QCamera> camera;
    std::unique_ptr<QImageCapture> capture;
    std::unique_ptr<QMediaCaptureSession> session; // made with the camera: only where there is one
    DoneHandler done;
    FailHandler failed;

    void finish(const QImage* image, const QString& reason) {
        DoneHandler d = std::move(done);
        FailHandler f = std::move(failed);
        done = nullptr;
        failed = nullptr;
        if (image && d) d(*image);
        if (!image && f) f(reason);
    }
};

QtPhotoCamera::QtPhotoCamera() : d(std::make_unique<Private>()) {}

QtPhotoCamera::~QtPhotoCamera() {
    if (d->camera) d->camera->stop();
}

bool QtPhotoCamera::available() const {
    return !QMediaDevices::defaultVideoInput().isNull();
}

void QtPhotoCamera::capture(DoneHandler done, FailHandler failed) {
    if (d->done || d->failed) {
        if (failed) failed(QStringLiteral("Fotoaparát je zaneprázdněn"));
        return;
    }
    const QCameraDevice device = QMediaDevices::defaultVideoInput();
    if (device.isNull()) {
        if (failed) failed(QStringLiteral("Zařízení nemá fotoaparát"));
        return;
    }
    d->done = std::move(done);
    d->failed = std::move(failed);
    if (!d->camera) {
        d->session = std::make_unique<QMediaCaptureSession>();
        d->camera = std::make_unique<QCamera>(device);
        d->capture = std::make_unique<QImageCapture>();
        d->session->setCamera(d->camera.get());
        d->session->setImageCapture(d->capture.get());
        Private* p = d.get();
        QObject::connect(d->capture.get(), &QImageCapture::imageCaptured, d->capture.get(),
                         [p](int, const QImage& image) { p->finish(&image, QString()); });
        QObject::connect(d->capture.get(), &QImageCapture::errorOccurred, d->capture.get(),
                         [p](int, QImageCapture::Error, const QString& text) { p->finish(nullptr, text); });
        QObject::connect(d->camera.get(), &QCamera::errorOccurred, d->camera.get(),
                         [p](QCamera::Error, const QString& text) { p->finish(nullptr, text); });
        // The picture is taken once the camera says it is ready.
        QObject::connect(d->capture.get(), &QImageCapture::readyForCaptureChanged, d->capture.get(),
                         [p](bool ready) {
                             if (ready && (p->done || p->failed)) p->capture->capture();
                         });
    }
    if (!d->camera->isActive()) d->camera->start();
    if (d->capture->isReadyForCapture()) d->capture->capture();
}

void FakePhotoCamera::capture(DoneHandler done, FailHandler failed) {
    ++m_captures;
    if (m_image.isNull()) {
        if (failed) failed(QStringLiteral("Zařízení nemá fotoaparát"));
        return;
    }
    if (done) done(m_image);
}

namespace {

std::unique_ptr<PhotoCamera>& installed() {
    static std::unique_ptr<PhotoCamera> camera;
    return camera;
}

} // namespace

PhotoCamera& photoCamera() {
    std::unique_ptr<PhotoCamera>& camera = installed();
    if (!camera) camera = std::make_unique<QtPhotoCamera>();
    return *camera;
}

void setPhotoCamera(std::unique_ptr<PhotoCamera> camera) {
    installed() = std::move(camera);
}

} // namespace zelto::platform
