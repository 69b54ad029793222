#include "app/replay/virtual_ticker.h"

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
    const int64_t second = FloorDiv(micros, kMicrosPerSecond);
    if (second != cachedSecond_) {
        cachedSecond_ = second;
        cachedValue_ = FromUnixTime(second, 0);
    }
    const int64_t fraction = micros - second * kMicrosPerSecond;
    return cachedValue_ + static_cast<double>(fraction) / (kSecondsPerDay * 1e6);
}

void VirtualTicker::RunTicksUntil(int64_t micros) {
    while (nextTickMicros_ <= micros) {
        clock_.Set(converter_.Convert(nextTickMicros_));
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
    clock_.Set(converter_.Convert(frameMicros));
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
