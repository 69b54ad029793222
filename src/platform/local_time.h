// The wall-clock time of the user's time zone (the TZ environment applies).
#pragma once

#include <cstdint>
#include <ctime>

namespace kestro::platform {

// `seconds` since 1970-01-01 UTC as local calendar time; all fields zero when
// the system cannot convert it.
std::tm LocalTime(int64_t seconds);

}  // namespace kestro::platform
