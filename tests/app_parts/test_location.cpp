// The position source: the trigger distance holds whatever the source underneath reports, a
// source that cannot start says why, and an NMEA log replays as positions.
#include "platform/Location.h"
#include "wait_until.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace zelto::platform;

struct Fix {
    double lat, lon;
};

TEST(LocationTest, OnlyPositionsBeyondTheTriggerDistanceAreReported) {
    InjectedLocationSource source;
    std::vector<Fix> got;
    source.onPosition = [&](double lat, double lon) { got.push_back({lat, lon}); };
    source.inject(49.5, 16.5);
    EXPECT_TRUE(got.empty()) << "nothing while the source is off";
    ASSERT_TRUE(source.start(5));
    // About 1.11 m per 0.00001 degree of latitude.
    const struct {
        double lat, lon;
        bool reported;
    } steps[] = {
        {49.5, 16.5, true},           // the first position always
        {49.50003, 16.5, false},      // 3.3 m
        {49.500044, 16.5, false},     // 4.9 m from the last reported one
        {49.500046, 16.5, true},      // 5.1 m
        {49.500046, 16.50006, false}, // 4.3 m east (longitude degrees are shorter here)
        {49.500046, 16.50008, true},  // 5.8 m
        {91, 16.5, false},            // not a position on the Earth
        {std::nan(""), 16.5, false},
    };
    for (const auto& s : steps) {
        const size_t before = got.size();
        source.inject(s.lat, s.lon);
        EXPECT_EQ(got.size(), before + (s.reported ? 1 : 0)) << s.lat << ", " << s.lon;
    }
    // Switched off and on again, the first position counts whatever its distance.
    source.stop();
    source.inject(49.6, 16.6);
    ASSERT_TRUE(source.start(5));
    source.inject(49.500046, 16.50008);
    EXPECT_EQ(got.size(), 4u);
    EXPECT_DOUBLE_EQ(got.back().lon, 16.50008);
}

TEST(LocationTest, ASourceThatCannotStartSaysWhy) {
    std::unique_ptr<QtLocationSource> missing =
        QtLocationSource::nmeaReplay(QStringLiteral("/nonexistent/walk.nmea"));
    EXPECT_FALSE(missing->start(5));
    EXPECT_FALSE(missing->active());
    EXPECT_TRUE(missing->error().contains(QStringLiteral("/nonexistent/walk.nmea")))
        << missing->error().toStdString();
}

TEST(LocationTest, AnNmeaLogReplaysAsPositions) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("walk.nmea"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // Fixes one second apart, about 11 m apart going north, near 49.5 N 16.5 E. The replay starts
    // its clock with the first sentence and reports from the second on.
    f.write("$GPRMC,080000.00,A,4930.0000,N,01630.0000,E,0.0,0.0,111226,,,A*5B\r\n"
            "$GPRMC,080001.00,A,4930.0060,N,01630.0000,E,0.0,0.0,111226,,,A*5C\r\n"
            "$GPRMC,080002.00,A,4930.0120,N,01630.0000,E,0.0,0.0,111226,,,A*5A\r\n"
            "$GPRMC,080003.00,A,4930.0180,N,01630.0000,E,0.0,0.0,111226,,,A*51\r\n");
    f.close();
    std::unique_ptr<QtLocationSource> source = QtLocationSource::nmeaReplay(path);
    std::vector<Fix> got;
    source->onPosition = [&](double lat, double lon) { got.push_back({lat, lon}); };
    ASSERT_TRUE(source->start(5)) << source->error().toStdString();
    ASSERT_TRUE(waitUntil([&] { return got.size() >= size_t(3); }, 10000));
    EXPECT_NEAR(got[0].lat, 49.5 + 0.006 / 60, 1e-9);
    EXPECT_NEAR(got[0].lon, 16.5, 1e-9);
    EXPECT_NEAR(got[2].lat, 49.5 + 0.018 / 60, 1e-9);
    source->stop();
}

} // namespace
