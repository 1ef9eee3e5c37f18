#include "MediaPlayback.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

namespace zelto::platform {

MediaPlayback::~MediaPlayback() = default;

struct QtMediaPlayback::Private {
    QAudioOutput output;
    QMediaPlayer player;
};

QtMediaPlayback::QtMediaPlayback() = default;

QtMediaPlayback::~QtMediaPlayback() {
    if (d) d->player.stop();
}

bool QtMediaPlayback::open(const QString& path) {
    if (d) d->player.stop();
    m_file.clear();
    if (!QFileInfo(path).isFile()) {
        if (d) d->player.setSource(QUrl());
        return false;
    }
    // The player is made on first use, and only where there is something to play on: a media
    // backend without an output may not even make a player.
    if (!d) {
        if (QMediaDevices::defaultAudioOutput().isNull()) return false;
        d = std::make_unique<Private>();
        d->player.setAudioOutput(&d->output);
        QObject::connect(&d->player, &QMediaPlayer::mediaStatusChanged, &d->player,
                         [this](QMediaPlayer::MediaStatus status) {
                             if (status == QMediaPlayer::EndOfMedia && finished) finished();
                         });
    }
    m_file = path;
    d->player.setSource(QUrl::fromLocalFile(path));
    return true;
}

void QtMediaPlayback::play() {
    if (d && !m_file.isEmpty()) d->player.play();
}

void QtMediaPlayback::stop() {
    if (d) d->player.stop();
}

bool QtMediaPlayback::isLoaded() const {
    if (!d || m_file.isEmpty()) return false;
    const QMediaPlayer::MediaStatus s = d->player.mediaStatus();
    return s != QMediaPlayer::NoMedia && s != QMediaPlayer::InvalidMedia;
}

bool QtMediaPlayback::isPlaying() const {
    return d && d->player.playbackState() == QMediaPlayer::PlayingState;
}

qint64 QtMediaPlayback::duration() const {
    return d ? d->player.duration() : 0;
}

qint64 QtMediaPlayback::position() const {
    return d ? d->player.position() : 0;
}

bool FakeMediaPlayback::open(const QString& path) {
    m_playing = false;
    m_file = QFileInfo(path).isFile() ? path : QString();
    return !m_file.isEmpty();
}

void FakeMediaPlayback::play() {
    if (m_file.isEmpty()) return;
    m_playing = true;
    m_played.append(m_file);
}

void FakeMediaPlayback::finish() {
    if (!m_playing) return;
    m_playing = false;
    if (finished) finished();
}

namespace {

std::unique_ptr<MediaPlayback>& installed() {
    static std::unique_ptr<MediaPlayback> playback;
    return playback;
}

} // namespace

MediaPlayback& mediaPlayback() {
    std::unique_ptr<MediaPlayback>& playback = installed();
    if (!playback) playback = std::make_unique<QtMediaPlayback>();
    return *playback;
}

void setMediaPlayback(std::unique_ptr<MediaPlayback> playback) {
    installed() = std::move(playback);
}

} // namespace zelto::platform
