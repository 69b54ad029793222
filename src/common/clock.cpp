#include "common/clock.h"

#include <ctime>

namespace kestro {

TDateTime SystemClock::Now() const {
    std::timespec ts{};
    std::timespec_get(&ts, TIME_UTC);
    return FromUnixTime(ts.tv_sec, ts.tv_nsec / 1000);
}

}  // namespace kestro
