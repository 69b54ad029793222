#include "replay/virtual_ticker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/portable.h"

namespace kestro {
namespace {

// Local time must matter, so the zone has a whole-hour and a half-hour offset.
class LocalTimeConverterTest : public ::testing::Test {
protected:
    const test::ScopedEnv tz_{"TZ", "IST-5:30"};
};

TDateTime Uncached(int64_t micros) {
    int64_t second = micros / 1000000;
    int64_t fraction = micros % 1000000;
    if (fraction < 0) {
        second -= 1;
        fraction += 1000000;
    }
    return FromUnixTime(second, 0) + static_cast<double>(fraction) / (kSecondsPerDay * 1e6);
}

TEST_F(LocalTimeConverterTest, AgreesWithAFreshConversionWhateverTheOrderOfFrames) {
    constexpr int64_t base = 1238155200LL * 1000000;  // 2009-03-27 12:00:00 UTC
    // Runs of frames in one second, crossings both ways, a jump of days, a
    // frame going back into the previous second and the microseconds next to
    // each boundary: each must read exactly as if converted on its own.
    const std::vector<int64_t> frames = {
        base,
        base + 1,
        base + 999999,
        base + 1000000,
        base + 999999,
        base + 1500000,
        base - 1,
        base - 1000000,
        base - 1000001,
        base + 86400LL * 1000000 * 3 + 250000,
        base + 86400LL * 1000000 * 3 + 250001,
        base,
        0,
        -1,
        -999999,
        -1000000,
        -1000001,
        0,
    };
    LocalTimeConverter converter;
    for (const int64_t micros : frames) {
        EXPECT_EQ(converter.Convert(micros), Uncached(micros)) << micros;
    }
    EXPECT_EQ(FormatHhMmSsZzz(converter.Convert(base + 1500000)), "17:30:01.500");
}

TEST_F(LocalTimeConverterTest, TheSummerTimeStepShowsAtItsFirstMicrosecond) {
    test::SetEnv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    constexpr int64_t step = 1238288400LL * 1000000;  // 2009-03-29 01:00:00 UTC
    LocalTimeConverter converter;
    EXPECT_EQ(FormatHhMmSsZzz(converter.Convert(step - 1000000)), "01:59:59.000");
    EXPECT_EQ(FormatHhMmSsZzz(converter.Convert(step - 1000)), "01:59:59.999");
    EXPECT_EQ(FormatHhMmSsZzz(converter.Convert(step)), "03:00:00.000");
    EXPECT_EQ(FormatHhMmSsZzz(converter.Convert(step - 1000)), "01:59:59.999");
}

TEST(VirtualTickerTest, TicksOncePerSecondOfCaptureTimeAndLeavesTheClockAtTheFrame) {
    VirtualClock clock;
    std::vector<TDateTime> tickTimes;
    VirtualTicker ticker(clock, [&] { tickTimes.push_back(clock.LocalNow()); });
    LocalTimeConverter reference;

    constexpr int64_t first = 1000000000LL * 1000000 + 400000;
    ticker.BeforeFrame(first);
    EXPECT_TRUE(tickTimes.empty());
    EXPECT_EQ(clock.LocalNow(), reference.Convert(first));

    // 2.6 s later: the ticks due at +1 s and +2 s run, in their own time.
    ticker.BeforeFrame(first + 2600000);
    ASSERT_EQ(tickTimes.size(), 2u);
    EXPECT_EQ(tickTimes[0], reference.Convert(first + 1000000));
    EXPECT_EQ(tickTimes[1], reference.Convert(first + 2000000));
    EXPECT_EQ(clock.LocalNow(), reference.Convert(first + 2600000));

    // Exactly on a tick's time: the tick comes before the frame. Frames the
    // clock was not read for leave it at the last one.
    ticker.BeforeFrame(first + 2700000);
    ticker.BeforeFrame(first + 3000000);
    EXPECT_EQ(ticker.TicksRun(), 3);
    EXPECT_EQ(tickTimes.back(), reference.Convert(first + 3000000));
    ticker.BeforeFrame(first + 3500001);
    EXPECT_EQ(clock.LocalNow(), reference.Convert(first + 3500001));

    // A tail of 2.5 s after the last frame (+3.5 s) runs the ticks at +4 s, +5 s and +6 s.
    ticker.Finish(2.5);
    EXPECT_EQ(ticker.TicksRun(), 6);
    EXPECT_EQ(tickTimes.back(), reference.Convert(first + 6000000));
}

TEST(VirtualTickerTest, NoFrameMeansNoTickEvenWithATail) {
    VirtualClock clock;
    clock.SetMicros(42);
    int ticks = 0;
    VirtualTicker ticker(clock, [&] { ++ticks; });
    ticker.Finish(10.0);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(ticker.SawFrame());
    EXPECT_EQ(clock.Now(), Instant(Micros(42)));
}

TEST(FrameMicrosTest, ReadsAnyPairOfFieldsWithoutOverflow) {
    constexpr int64_t kMax = INT64_MAX;
    constexpr int64_t kMin = INT64_MIN;
    const struct {
        int64_t seconds, micros, expected;
        bool outside;
    } cases[] = {
        {1238155200, 500000, 1238155200LL * 1000000 + 500000, false},
        {-1, 999999, -1, false},
        {0, -1, -1, false},
        {5, 4294967295LL, 5 * 1000000LL + 4294967295LL, false},  // a classic pcap's u32 field
        {253402300799LL, 999999, kLatestFrameMicros, false},
        {253402300799LL, 1000000, kLatestFrameMicros, true},
        {-62135596800LL, 0, kEarliestFrameMicros, false},
        {-62135596800LL, -1, kEarliestFrameMicros, true},
        {kMax, kMax, kLatestFrameMicros, true},
        {kMax, 0, kLatestFrameMicros, true},
        {kMin, kMin, kEarliestFrameMicros, true},
        {kMin, kMax, kEarliestFrameMicros, true},
        {0, kMin, kEarliestFrameMicros, true},
    };
    for (const auto& c : cases) {
        bool outside = !c.outside;
        EXPECT_EQ(FrameMicros(c.seconds, c.micros, &outside), c.expected)
            << c.seconds << " " << c.micros;
        EXPECT_EQ(outside, c.outside) << c.seconds << " " << c.micros;
    }
}

TEST(VirtualTickerTest, TimeNeverGoesBackAndTicksNeverRepeat) {
    VirtualClock clock;
    std::vector<TDateTime> tickTimes;
    VirtualTicker ticker(clock, [&] { tickTimes.push_back(clock.LocalNow()); });
    LocalTimeConverter reference;
    constexpr int64_t first = 1000000000LL * 1000000;
    ticker.BeforeFrame(first);
    ticker.BeforeFrame(first + 2500000);
    ticker.BeforeFrame(first - 3600LL * 1000000);  // an hour back
    EXPECT_EQ(clock.LocalNow(), reference.Convert(first + 2500000));
    ticker.BeforeFrame(first + 3000000);
    ASSERT_EQ(tickTimes.size(), 3u);
    EXPECT_EQ(tickTimes.back(), reference.Convert(first + 3000000));
}

TEST(VirtualTickerTest, WhileIdleAGapCostsOneTickAtItsEndInTheSamePhase) {
    VirtualClock clock;
    bool idle = true;
    std::vector<TDateTime> tickTimes;
    VirtualTicker ticker(
        clock, [&] { tickTimes.push_back(clock.LocalNow()); }, [&] { return idle; });
    LocalTimeConverter reference;
    constexpr int64_t first = 1000000000LL * 1000000 + 400000;
    constexpr int64_t year = 365LL * 86400 * 1000000;
    ticker.BeforeFrame(first);
    ticker.BeforeFrame(first + 1000 * year + 500000);
    ASSERT_EQ(tickTimes.size(), 1u);
    EXPECT_EQ(tickTimes[0], reference.Convert(first + 1000 * year));
    EXPECT_EQ(ticker.TicksSkipped(), 1000 * year / 1000000 - 1);

    // A race followed: every second ticks again, also in the tail.
    idle = false;
    ticker.Finish(3.0);
    EXPECT_EQ(ticker.TicksRun(), 4);
    EXPECT_EQ(tickTimes.back(), reference.Convert(first + 1000 * year + 3000000));

    // Saturated at both ends: the year 1 after the year 9999 is read as the year 9999.
    idle = true;
    ticker.BeforeFrame(INT64_MAX);
    ticker.BeforeFrame(INT64_MIN);
    EXPECT_EQ(clock.LocalNow(), reference.Convert(kLatestFrameMicros));
}

}  // namespace
}  // namespace kestro
