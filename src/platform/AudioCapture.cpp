#include "AudioCapture.h"

#include <QAudioDevice>
#include <QAudioInput>
#include <QFile>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaRecorder>
#include <QUrl>

namespace zelto::platform {

AudioCapture::~AudioCapture() = default;

struct QtAudioCapture::Private {
    std::unique_ptr<QAudioInput> input;
    std::unique_ptr<QMediaRecorder> recorder;
    std::unique_ptr<QMediaCaptureSession> session; // made on the first start, with a microphone
    QString path;
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
    }
    d->recorder->setOutputLocation(QUrl::fromLocalFile(d->path));
    d->recorder->record();
    return d->recorder->error() == QMediaRecorder::NoError &&
           d->recorder->recorderState() != QMediaRecorder::StoppedState;
}

bool QtAudioCapture::stop() {
    if (!isCapturing()) return false;
    d->recorder->stop();
    return d->recorder->error() == QMediaRecorder::NoError;
}

bool QtAudioCapture::isCapturing() const {
    return d->recorder && d->recorder->recorderState() != QMediaRecorder::StoppedState;
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
