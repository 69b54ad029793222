// Date-times are days since 1899-12-30 in local time, the fraction being the
// time of day: the representation every race rule and clock text is stated in.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kestro {

using TDateTime = double;

// A moment on a timeline without jumps, to the microsecond: POSIX time. The
// race rules compare and offset these; a local date-time is made from one only
// to be shown, so that a change of the local offset (daylight saving) moves no
// prediction, and a tick a fraction of a millisecond after a moment is later.
using Micros = std::chrono::microseconds;
using Instant = std::chrono::sys_time<Micros>;

constexpr double kSecondsPerDay = 86400.0;

// base + seconds, computed as (base * 86400 + seconds) / 86400.
inline TDateTime AddSeconds(TDateTime base, double seconds) {
    return (base * kSecondsPerDay + seconds) / kSecondsPerDay;
}

// A calendar date and wall-clock time (no time zone) as a date-time.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond = 0);

// A POSIX time stamp as local wall-clock time (the TZ environment applies).
TDateTime FromUnixTime(int64_t seconds, int64_t microseconds);
TDateTime LocalDateTime(Instant at);

// An instant and its date-time at UTC, both ways (to the nearest microsecond):
// for a clock whose zone is fixed at UTC.
TDateTime UtcDateTime(Instant at);
Instant InstantOfUtc(TDateTime utc);

// Time texts. Each takes the magnitude, rounds to the nearest millisecond and
// keeps the part below one day; seconds are truncated, never rounded up.
std::string FormatHhNnSs(TDateTime value);     // "hh:nn:ss"  e.g. 09:05:07
std::string FormatNSs(TDateTime value);        // "n:ss"      minutes within the hour, e.g. 2:05
std::string FormatHhMmSsZzz(TDateTime value);  // "hh:mm:ss.zzz" e.g. 21:05:26.250
// The same for a span of time, taken exactly.
std::string FormatHhNnSs(Micros span);
std::string FormatNSs(Micros span);

}  // namespace kestro
