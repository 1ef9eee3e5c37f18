#include "AudioCapture.h"

#include <QAudioDevice>
#include <QAudioInput>
#include <QFile>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaRecorder>
#include <QObject>
#include <QUrl>

namespace zelto::platform {

AudioCapture::~AudioCapture() = default;

struct QtAudioCapture::Private {
    std::unique_ptr<QAudioInput> input;
    std::unique_ptr<QMediaRecorder> recorder;
    std::unique_ptr<QMediaCaptureSession> session; // made on the first start, with a microphone
    QString path;
    // From a successful start until stop, or until the backend stops or fails by itself: the
    // recorder reports its state changes later than record() returns.
    bool capturing = false;
};

QtAudioCapture::QtAudioCapture() : d(std::make_unique<Private>()) {}

QtAudioCapture::~QtAudioCapture() {
    if (d->recorder) d->recorder->stop();
}

bool QtAudioCapture::available() const {
    return !QMediaDevices::defaultAudioInput().isNull();
}

void QtAudioCapture::setOutputFile(const QString& path) {
    d->path = path;
}

QString QtAudioCapture::outputFile() const {
    return d->path;
}

bool QtAudioCapture::start() {
    if (!available() || d->path.isEmpty()) return false;
    if (!d->recorder) {
        d->session = std::make_unique<QMediaCaptureSession>();
        d->input = std::make_unique<QAudioInput>(QMediaDevices::defaultAudioInput());
        d->recorder = std::make_unique<QMediaRecorder>();
        d->session->setAudioInput(d->input.get());
        d->session->setRecorder(d->recorder.get());
        // The names say MP3; MPEG-4 audio is what most backends encode, MP3 where it is offered.
        QMediaFormat format;
        const QList<QMediaFormat::FileFormat> files = format.supportedFileFormats(QMediaFormat::Encode);
        if (files.contains(QMediaFormat::MP3)) {
            format.setFileFormat(QMediaFormat::MP3);
            format.setAudioCodec(QMediaFormat::AudioCodec::MP3);
        } else {
            format.setFileFormat(QMediaFormat::Mpeg4Audio);
            format.setAudioCodec(QMediaFormat::AudioCodec::AAC);
        }
        d->recorder->setMediaFormat(format);
        d->recorder->setQuality(QMediaRecorder::NormalQuality);
        Private* p = d.get();
        QObject::connect(d->recorder.get(), &QMediaRecorder::recorderStateChanged, d->recorder.get(),
                         [p](QMediaRecorder::RecorderState state) {
                             if (state == QMediaRecorder::StoppedState) p->capturing = false;
                         });
        QObject::connect(d->recorder.get(), &QMediaRecorder::errorOccurred, d->recorder.get(),
                         [p](QMediaRecorder::Error, const QString&) { p->capturing = false; });
    }
    if (d->capturing) return false;
    d->recorder->setOutputLocation(QUrl::fromLocalFile(d->path));
    d->recorder->record();
    d->capturing = d->recorder->error() == QMediaRecorder::NoError;
    return d->capturing;
}

bool QtAudioCapture::stop() {
    if (!d->capturing) return false;
    d->capturing = false;
    d->recorder->stop();
    return d->recorder->error() == QMediaRecorder::NoError;
}

bool QtAudioCapture::isCapturing() const {
    return d->capturing;
}

bool FakeAudioCapture::start() {
    if (!m_present || m_failStart || m_path.isEmpty() || m_capturing) return false;
    m_capturing = true;
    return true;
}

bool FakeAudioCapture::stop() {
    if (!m_capturing) return false;
    m_capturing = false;
    if (m_failStop) return false;
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    return file.write("ID3fake recording") > 0;
}

namespace {

std::unique_ptr<AudioCapture>& installed() {
    static std::unique_ptr<AudioCapture> capture;
    return capture;
}

} // namespace

AudioCapture& audioCapture() {
    std::unique_ptr<AudioCapture>& capture = installed();
    if (!capture) capture = std::make_unique<QtAudioCapture>();
    return *capture;
}

void setAudioCapture(std::unique_ptr<AudioCapture> capture) {
    installed() = std::move(capture);
}

} // namespace zelto::platform
