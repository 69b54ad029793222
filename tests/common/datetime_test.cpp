#include "common/datetime.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestro
