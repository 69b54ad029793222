#include "replay/virtual_ticker.h"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {
constexpr int64_t kMicrosPerSecond = 1000000;

constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
}  // namespace

int64_t FrameMicros(int64_t seconds, int64_t micros, bool* outside) {
    constexpr int64_t earliestSecond = FloorDiv(kEarliestFrameMicros, kMicrosPerSecond);
    constexpr int64_t latestSecond = FloorDiv(kLatestFrameMicros, kMicrosPerSecond);
    // Whole seconds of `micros` join `seconds` first, so that no product can overflow.
    const int64_t carry = FloorDiv(micros, kMicrosPerSecond);
    // The remainder, not micros - carry * 10^6: that product overflows near INT64_MIN.
    const int64_t remainder = micros % kMicrosPerSecond;
    const int64_t fraction = remainder < 0 ? remainder + kMicrosPerSecond : remainder;
    int64_t second = 0;
    if (__builtin_add_overflow(seconds, carry, &second)) {
        second = seconds < 0 ? earliestSecond - 1 : latestSecond + 1;
    }
    const bool early = second < earliestSecond;
    const bool late = second > latestSecond;
    if (outside != nullptr) {
        *outside = early || late;
    }
    if (early || late) {
        return early ? kEarliestFrameMicros : kLatestFrameMicros;
    }
    return second * kMicrosPerSecond + fraction;
}

TDateTime LocalTimeConverter::Convert(int64_t micros) {
    // Within the cached second not even the division by 10^6 is needed. The
    // unsigned difference cannot overflow and is the true one when micros >= start.
    if (!cached_ || micros < cachedStart_ ||
        static_cast<uint64_t>(micros) - static_cast<uint64_t>(cachedStart_) >=
            static_cast<uint64_t>(kMicrosPerSecond)) {
        const int64_t second = FloorDiv(micros, kMicrosPerSecond);
        cached_ = true;
        cachedStart_ = second * kMicrosPerSecond;
        cachedValue_ = FromUnixTime(second, 0);
    }
    const int64_t fraction = micros - cachedStart_;
    return cachedValue_ + static_cast<double>(fraction) / (kSecondsPerDay * 1e6);
}

void VirtualTicker::RunTicksUntil(int64_t micros) {
    while (nextTickMicros_ <= micros) {
        if (idle_ && idle_()) {
            // With no race followed a tick only moves the clocks on, so of a
            // gap only its last tick is worth running; the phase is kept.
            const int64_t gap = (micros - nextTickMicros_) / kMicrosPerSecond;
            nextTickMicros_ += gap * kMicrosPerSecond;
            ticksSkipped_ += gap;
        }
        clock_.SetMicros(nextTickMicros_);
        tick_();
        ++ticksRun_;
        nextTickMicros_ += kMicrosPerSecond;
    }
}

void VirtualTicker::BeforeFrame(int64_t frameMicros) {
    frameMicros = std::clamp(frameMicros, kEarliestFrameMicros, kLatestFrameMicros);
    if (!started_) {
        started_ = true;
        nextTickMicros_ = frameMicros + kMicrosPerSecond;
    } else {
        // The race rules take the clock for a wall clock, which never goes back.
        frameMicros = std::max(frameMicros, lastFrameMicros_);
    }
    RunTicksUntil(frameMicros);
    lastFrameMicros_ = frameMicros;
    clock_.SetMicros(frameMicros);
}

void VirtualTicker::Finish(double tailSeconds) {
    if (!started_ || !(tailSeconds > 0)) {
        return;
    }
    // Rounded to the microsecond; a tail beyond a century is not a replay anyone waits for.
    const double capped = std::min(tailSeconds, 100.0 * 365 * 86400);
    RunTicksUntil(lastFrameMicros_ + static_cast<int64_t>(std::llround(capped * 1e6)));
}

}  // namespace kestro
