// The platform's camera, microphone and player on a machine without such devices.
#include "platform/AudioCapture.h"
#include "platform/Camera.h"
#include "platform/MediaPlayback.h"

#include <QAudioDevice>
#include <QCameraDevice>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zelto;

namespace {

// The platform's own devices answer "unavailable" on a machine without them, and fail cleanly.
TEST(NoteDevicesTest, RealDevicesWithoutHardwareReportUnavailable) {
    if (!QMediaDevices::videoInputs().isEmpty() || !QMediaDevices::audioInputs().isEmpty() ||
        !QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "this machine has a camera, a microphone or a speaker";
    platform::setPhotoCamera(nullptr);
    platform::setAudioCapture(nullptr);
    platform::setMediaPlayback(nullptr);
    EXPECT_FALSE(platform::photoCamera().available());
    QString reason;
    bool done = false;
    platform::photoCamera().capture([&](const QImage&) { done = true; },
                                    [&](const QString& r) { reason = r; });
    EXPECT_FALSE(done);
    EXPECT_FALSE(reason.isEmpty());
    platform::AudioCapture& microphone = platform::audioCapture();
    EXPECT_FALSE(microphone.available());
    microphone.setOutputFile(QDir::temp().filePath(QStringLiteral("zelto-never.mp3")));
    EXPECT_FALSE(microphone.start());
    EXPECT_FALSE(microphone.isCapturing());
    EXPECT_FALSE(microphone.stop());
    EXPECT_FALSE(platform::mediaPlayback().open(QStringLiteral("/nonexistent/KLAUD_1.mp3")));
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("KLAUD_1.mp3"));
    QFile file(recording);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ID3");
    file.close();
    EXPECT_FALSE(platform::mediaPlayback().open(recording)) << "nothing to play on";
    platform::mediaPlayback().play();
    EXPECT_FALSE(platform::mediaPlayback().isLoaded());
    EXPECT_FALSE(platform::mediaPlayback().isPlaying());
    platform::setPhotoCamera(nullptr);
    platform::setAudioCapture(nullptr);
    platform::setMediaPlayback(nullptr);
}

} // namespace
