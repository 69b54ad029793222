#include "common/datetime.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace kestro {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// 1899-12-30 is 25569 days before 1970-01-01.
constexpr int64_t kEpochOffsetDays = 25569;
constexpr int64_t kMillisPerDay = 86400000;

struct TimeOfDay {
    int hour, minute, second, millisecond;
};

TimeOfDay SplitMillisOfDay(int64_t ms) {
    TimeOfDay t{};
    t.hour = static_cast<int>(ms / 3600000);
    t.minute = static_cast<int>(ms / 60000 % 60);
    t.second = static_cast<int>(ms / 1000 % 60);
    t.millisecond = static_cast<int>(ms % 1000);
    return t;
}

TimeOfDay SplitTimeOfDay(TDateTime value) {
    const double magnitude = std::fabs(value);
    // Far beyond any real date the product no longer fits an integer: such a
    // value has no meaningful time of day, so it reads as midnight.
    const double millis = std::round(magnitude * static_cast<double>(kMillisPerDay));
    int64_t ms = 0;
    if (std::isfinite(millis) && millis < 9.0e18) {
        ms = static_cast<int64_t>(millis) % kMillisPerDay;
    }
    return SplitMillisOfDay(ms);
}

TimeOfDay SplitTimeOfDay(Micros span) {
    // The magnitude without negating: -INT64_MIN does not exist.
    const int64_t us = span.count();
    const uint64_t magnitude = us < 0 ? 0 - static_cast<uint64_t>(us) : static_cast<uint64_t>(us);
    const uint64_t ms = (magnitude + 500) / 1000;  // to the nearest, halves up as std::round
    return SplitMillisOfDay(static_cast<int64_t>(ms % kMillisPerDay));
}

constexpr double kMicrosPerDay = kSecondsPerDay * 1e6;

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
    const int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kEpochOffsetDays;
    const double fraction = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) /
                            static_cast<double>(kMillisPerDay);
    return static_cast<double>(days) + fraction;
}

TDateTime FromUnixTime(int64_t seconds, int64_t microseconds) {
    const std::tm local = platform::LocalTime(seconds);
    TDateTime whole = EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                     local.tm_hour, local.tm_min, local.tm_sec);
    return whole + static_cast<double>(microseconds) / (kSecondsPerDay * 1e6);
}

TDateTime LocalDateTime(Instant at) {
    const int64_t us = at.time_since_epoch().count();
    const int64_t second = us / 1000000 - (us % 1000000 < 0);
    return FromUnixTime(second, us - second * 1000000);
}

TDateTime UtcDateTime(Instant at) {
    // Whole days and the rest apart, so that the microseconds keep their precision.
    const int64_t us = at.time_since_epoch().count();
    const int64_t perDay = kMillisPerDay * 1000;
    const int64_t days = us / perDay - (us % perDay < 0);
    return static_cast<double>(days + kEpochOffsetDays) +
           static_cast<double>(us - days * perDay) / kMicrosPerDay;
}

Instant InstantOfUtc(TDateTime utc) {
    const double days = std::floor(utc);
    const auto micros = static_cast<int64_t>(std::llround((utc - days) * kMicrosPerDay));
    return Instant(
        Micros((static_cast<int64_t>(days) - kEpochOffsetDays) * kMillisPerDay * 1000 + micros));
}

namespace {

std::string HhNnSs(const TimeOfDay& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::string NSs(const TimeOfDay& t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d", t.minute, t.second);
    return buf;
}

}  // namespace

std::string FormatHhNnSs(TDateTime value) {
    return HhNnSs(SplitTimeOfDay(value));
}

std::string FormatNSs(TDateTime value) {
    return NSs(SplitTimeOfDay(value));
}

std::string FormatHhNnSs(Micros span) {
    return HhNnSs(SplitTimeOfDay(span));
}

std::string FormatNSs(Micros span) {
    return NSs(SplitTimeOfDay(span));
}

std::string FormatHhMmSsZzz(TDateTime value) {
    // Every log line starts with this stamp, and snprintf cost more than the
    // rest of the line; each field is already within its range.
    const TimeOfDay t = SplitTimeOfDay(value);
    std::string text = "00:00:00.000";
    auto put = [&text](std::size_t at, int digits, int number) {
        for (int i = digits - 1; i >= 0; --i) {
            text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + number % 10);
            number /= 10;
        }
    };
    put(0, 2, t.hour);
    put(3, 2, t.minute);
    put(6, 2, t.second);
    put(9, 3, t.millisecond);
    return text;
}

}  // namespace kestro
