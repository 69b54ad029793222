#include "common/clock.h"

#include <ctime>

namespace kestro {

TDateTime SystemClock::Now() const {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FromUnixTime(ts.tv_sec, ts.tv_nsec / 1000);
}

}  // namespace kestro
