#include "common/clock.h"

#include <chrono>

namespace kestro {

// system_clock counts from the Unix epoch (C++20); std::timespec_get is not
// in every C++ library (mingw-w64's lacks it).
TDateTime SystemClock::Now() const {
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    return FromUnixTime(since / 1000000, since % 1000000);
}

}  // namespace kestro
