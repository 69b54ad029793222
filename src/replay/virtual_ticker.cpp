#include "replay/virtual_ticker.h"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {
constexpr int64_t kMicrosPerSecond = 1000000;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
}  // namespace

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
        clock_.SetMicros(nextTickMicros_);
        tick_();
        ++ticksRun_;
        nextTickMicros_ += kMicrosPerSecond;
    }
}

void VirtualTicker::BeforeFrame(int64_t frameMicros) {
    if (!started_) {
        started_ = true;
        nextTickMicros_ = frameMicros + kMicrosPerSecond;
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
