#include "common/clock.h"

#include <chrono>

namespace kestro {

Instant SystemClock::Now() const {
    return std::chrono::floor<Micros>(std::chrono::system_clock::now());
}

}  // namespace kestro
