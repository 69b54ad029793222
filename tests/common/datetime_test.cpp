#include "common/datetime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "support/portable.h"

namespace kestro {
namespace {

TDateTime Noon() {
    return EncodeDateTime(2009, 3, 27, 12, 0, 0);
}

TEST(DateTime, CountsDaysFromTheEpochOf1899) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 12, 0, 0), 2.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1, 0, 0, 0), 25569.0);
}

TEST(DateTime, FormatsTimesOfDay) {
    const TDateTime t = EncodeDateTime(2009, 3, 27, 21, 5, 26, 250);
    EXPECT_EQ(FormatHhNnSs(t), "21:05:26");
    EXPECT_EQ(FormatHhMmSsZzz(t), "21:05:26.250");
    EXPECT_EQ(FormatHhMmSsZzz(EncodeDateTime(2009, 3, 27, 21, 4, 5, 6)), "21:04:05.006");
    EXPECT_EQ(FormatHhMmSsZzz(EncodeDateTime(2009, 3, 27, 23, 59, 59, 999)), "23:59:59.999");
    EXPECT_EQ(FormatHhMmSsZzz(EncodeDateTime(2009, 3, 27, 0, 0, 0, 0)), "00:00:00.000");
    EXPECT_EQ(FormatHhNnSs(0.0), "00:00:00");
}

TEST(DateTime, DifferencesLoseTheirSignAndWrap) {
    const TDateTime now = Noon();
    // 7 s past a countdown's target counts up again.
    EXPECT_EQ(FormatNSs(now - AddSeconds(now, 7)), "0:07");
    EXPECT_EQ(FormatNSs(AddSeconds(now, 90) - now), "1:30");
    // Minutes within the hour only: 1 h 2 min 5 s.
    EXPECT_EQ(FormatNSs(AddSeconds(now, 3725) - now), "2:05");
    EXPECT_EQ(FormatHhNnSs(now - AddSeconds(now, -83)), "00:01:23");
    // Hours of a difference wrap at a day.
    EXPECT_EQ(FormatHhNnSs(AddSeconds(now, 25 * 3600 + 1) - now), "01:00:01");
}

TEST(DateTime, SecondsAreTruncatedAfterRoundingToMilliseconds) {
    const TDateTime now = Noon();
    EXPECT_EQ(FormatNSs(AddSeconds(now, 20.9) - now), "0:20");
    // 19.9996 s rounds to 20.000 s at the millisecond, so it shows 0:20.
    EXPECT_EQ(FormatNSs(AddSeconds(now, 19.9996) - now), "0:20");
    EXPECT_EQ(FormatHhMmSsZzz(AddSeconds(now, 0.0004)), "12:00:00.000");
}

TEST(DateTime, AddsSecondsTheWayRaceRulesStateThem) {
    const TDateTime now = Noon();
    EXPECT_EQ(FormatHhNnSs(AddSeconds(now, 637)), "12:10:37");
    EXPECT_EQ(FormatHhNnSs(AddSeconds(now, -306)), "11:54:54");
}

TEST(DateTime, NonFiniteValuesFormatAsMidnight) {
    EXPECT_EQ(FormatHhNnSs(1e300), "00:00:00");
}

TEST(DateTime, UnixTimeIsReadAsLocalTime) {
    const test::ScopedEnv tz("TZ", "JST-9");  // a POSIX rule: no zone files needed
    // 2009-03-27 03:00:00 UTC is 12:00:00 in Tokyo.
    const TDateTime t = FromUnixTime(1238122800, 250000);
    EXPECT_EQ(FormatHhMmSsZzz(t), "12:00:00.250");
    EXPECT_NEAR(t, EncodeDateTime(2009, 3, 27, 12, 0, 0, 250), 1e-9);
}

TEST(DateTime, SpansBetweenInstantsAreExactAndLoseTheirSign) {
    const struct {
        int64_t micros;
        const char* hhnnss;
        const char* nss;
    } cases[] = {
        {-7000000, "00:00:07", "0:07"},
        {19999600, "00:00:20", "0:20"},  // to the nearest millisecond, then cut
        {19999400, "00:00:19", "0:19"},
        {3725000000, "01:02:05", "2:05"},
        {(25 * 3600 + 1) * 1000000LL, "01:00:01", "0:01"},
        {INT64_MIN, "04:00:54", "0:54"},  // no negation overflows
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHhNnSs(Micros(c.micros)), c.hhnnss) << c.micros;
        EXPECT_EQ(FormatNSs(Micros(c.micros)), c.nss) << c.micros;
    }
}

TEST(DateTime, InstantsAndUtcDateTimesMeetToTheMicrosecond) {
    const Instant noon = Instant(Micros(1238155200LL * 1000000));  // 2009-03-27 12:00 UTC
    EXPECT_EQ(UtcDateTime(noon), Noon());
    EXPECT_EQ(InstantOfUtc(Noon()), noon);
    for (int64_t us : {int64_t{1}, int64_t{999}, int64_t{-1}, int64_t{86400LL * 1000000 - 1}}) {
        EXPECT_EQ(InstantOfUtc(UtcDateTime(noon + Micros(us))), noon + Micros(us)) << us;
    }
    EXPECT_EQ(InstantOfUtc(0.0), Instant(Micros(-25569LL * 86400 * 1000000)));
    EXPECT_EQ(UtcDateTime(Instant(Micros(-1))), 25569.0 - 1.0 / (86400.0 * 1e6));
}

TEST(DateTime, TheLocalTimeOfAnInstantFollowsTheZonesOffset) {
    if (!test::TzTakesPosixRules()) {
        GTEST_SKIP() << "Windows' C runtime takes no summer-time dates from TZ";
    }
    const test::ScopedEnv tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    const Instant step = Instant(Micros(1238288400LL * 1000000));  // 2009-03-29 01:00 UTC
    // Ten minutes on the timeline are ten minutes, though the local clock moves 70.
    EXPECT_EQ(FormatHhMmSsZzz(LocalDateTime(step - std::chrono::minutes(5))), "01:55:00.000");
    EXPECT_EQ(FormatHhMmSsZzz(LocalDateTime(step - Micros(1000))), "01:59:59.999");
    EXPECT_EQ(FormatHhMmSsZzz(LocalDateTime(step + std::chrono::minutes(5))), "03:05:00.000");
    EXPECT_EQ(FormatHhMmSsZzz(LocalDateTime(step + Micros(250000))), "03:00:00.250");
}

}  // namespace
}  // namespace kestro
