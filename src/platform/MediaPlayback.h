// Playing a recorded audio file: open, play, stop, and what is loaded, whether it plays, its
// duration and position (milliseconds). `finished` runs when playback reaches the end.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace zelto::platform {

class MediaPlayback {
public:
    virtual ~MediaPlayback();
    // Loads the file; false when it does not exist.
    virtual bool open(const QString& path) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isLoaded() const = 0;
    virtual bool isPlaying() const = 0;
    virtual qint64 duration() const = 0;
    virtual qint64 position() const = 0;
    virtual QString file() const = 0;

    std::function<void()> finished;
};

// QMediaPlayer on the default audio output.
class QtMediaPlayback final : public MediaPlayback {
public:
    QtMediaPlayback();
    ~QtMediaPlayback() override;
    bool open(const QString& path) override;
    void play() override;
    void stop() override;
    bool isLoaded() const override;
    bool isPlaying() const override;
    qint64 duration() const override;
    qint64 position() const override;
    QString file() const override { return m_file; }

private:
    struct Private;
    std::unique_ptr<Private> d;
    QString m_file;
};

// Remembers what was opened and played; plays until stopped or until finish() is called.
class FakeMediaPlayback final : public MediaPlayback {
public:
    bool open(const QString& path) override;
    void play() override;
    void stop() override { m_playing = false; }
    bool isLoaded() const override { return !m_file.isEmpty(); }
    bool isPlaying() const override { return m_playing; }
    qint64 duration() const override { return isLoaded() ? 1000 : 0; }
    qint64 position() const override { return 0; }
    QString file() const override { return m_file; }
    // The files played, in order.
    const QStringList& played() const { return m_played; }
    // The end of the file is reached.
    void finish();

private:
    QString m_file;
    QStringList m_played;
    bool m_playing = false;
};

// The player in use (the Qt one unless another was installed).
MediaPlayback& mediaPlayback();
// Installs another player; nullptr returns to the Qt one on next use.
void setMediaPlayback(std::unique_ptr<MediaPlayback> playback);

} // namespace zelto::platform
