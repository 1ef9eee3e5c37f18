// The device's microphone recording into a file: the caller names the output file (used as it is),
// starts and stops. A device without an audio input answers unavailable and refuses to start.
#pragma once

#include <QString>

#include <memory>

namespace zelto::platform {

class AudioCapture {
public:
    virtual ~AudioCapture();
    // A default audio input exists.
    virtual bool available() const = 0;
    virtual void setOutputFile(const QString& path) = 0;
    virtual QString outputFile() const = 0;
    // False when recording could not start.
    virtual bool start() = 0;
    // False when nothing was recording or the recording could not be ended.
    virtual bool stop() = 0;
    virtual bool isCapturing() const = 0;
};

// The default audio input through Qt Multimedia; MPEG-4 audio (AAC) or MP3, whichever the
// backend offers.
class QtAudioCapture final : public AudioCapture {
public:
    QtAudioCapture();
    ~QtAudioCapture() override;
    bool available() const override;
    void setOutputFile(const QString& path) override;
    QString outputFile() const override;
    bool start() override;
    bool stop() override;
    bool isCapturing() const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// A microphone for tests: with `present` false it is unavailable and refuses to start; stopping
// writes a small file at the output path so that the caller sees a recording.
class FakeAudioCapture final : public AudioCapture {
public:
    explicit FakeAudioCapture(bool present = true) : m_present(present) {}
    bool available() const override { return m_present; }
    void setOutputFile(const QString& path) override { m_path = path; }
    QString outputFile() const override { return m_path; }
    bool start() override;
    bool stop() override;
    bool isCapturing() const override { return m_capturing; }
    // The next start (or stop) fails as a device that cannot do it would.
    void setFailStart(bool fail) { m_failStart = fail; }
    void setFailStop(bool fail) { m_failStop = fail; }

private:
    bool m_present;
    bool m_capturing = false;
    bool m_failStart = false, m_failStop = false;
    QString m_path;
};

// The microphone in use (the Qt one unless another was installed).
AudioCapture& audioCapture();
// Installs another microphone; nullptr returns to the Qt one on next use.
void setAudioCapture(std::unique_ptr<AudioCapture> capture);

} // namespace zelto::platform
