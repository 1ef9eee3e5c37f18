// The device's camera for a note's photo: one still picture per request, handed back on the UI
// thread. A device without a camera answers unavailable and fails each request with a reason.
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

namespace zelto::platform {

class PhotoCamera {
public:
    using DoneHandler = std::function<void(const QImage&)>;
    using FailHandler = std::function<void(const QString& reason)>;

    virtual ~PhotoCamera();
    virtual bool available() const = 0;
    // Takes one picture; exactly one of the handlers runs, possibly later.
    virtual void capture(DoneHandler done, FailHandler failed) = 0;
};

// The platform's default video input through Qt Multimedia.
class QtPhotoCamera final : public PhotoCamera {
public:
    QtPhotoCamera();
    ~QtPhotoCamera() override;
    bool available() const override;
    void capture(DoneHandler done, FailHandler failed) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Hands back the image it was given (none set: unavailable).
class FakePhotoCamera final : public PhotoCamera {
public:
    explicit FakePhotoCamera(QImage image = QImage()) : m_image(std::move(image)) {}
    bool available() const override { return !m_image.isNull(); }
    void capture(DoneHandler done, FailHandler failed) override;
    void setImage(const QImage& image) { m_image = image; }
    int captures() const { return m_captures; }

private:
    QImage m_image;
    int m_captures = 0;
};

// The camera in use (the Qt one unless another was installed).
PhotoCamera& photoCamera();
// Installs another camera; nullptr returns to the Qt one on next use.
void setPhotoCamera(std::unique_ptr<PhotoCamera> camera);

} // namespace zelto::platform
