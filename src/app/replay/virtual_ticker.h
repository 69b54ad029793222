// Virtual time for replays: "now" is the time stamp of the frame being
// handled, and the one-second timer ticks in that time, so a recorded session
// runs through the same race rules as if it were live.
#pragma once

#include <cstdint>
#include <functional>

#include "common/clock.h"

namespace kestro {

// Converts POSIX time stamps to local date-times, remembering the last whole
// second: frames arrive many per second, and localtime is the costly part.
class LocalTimeConverter {
public:
    TDateTime Convert(int64_t micros);

private:
    bool cached_ = false;
    int64_t cachedStart_ = 0;  // the cached second, in microseconds
    TDateTime cachedValue_ = 0.0;
};

class VirtualTicker {
public:
    VirtualTicker(SettableClock& clock, std::function<void()> tick)
        : clock_(clock), tick_(std::move(tick)) {}

    // Runs every tick due at or before the frame's time stamp, then sets the
    // clock to the frame's time. The first tick is due 1 s after the first frame.
    void BeforeFrame(int64_t frameMicros);

    // After the last frame: the ticks of the next tailSeconds.
    void Finish(double tailSeconds);

    int64_t TicksRun() const { return ticksRun_; }
    bool SawFrame() const { return started_; }

private:
    void RunTicksUntil(int64_t micros);

    SettableClock& clock_;
    std::function<void()> tick_;
    LocalTimeConverter converter_;
    bool started_ = false;
    int64_t nextTickMicros_ = 0;
    int64_t lastFrameMicros_ = 0;
    int64_t ticksRun_ = 0;
};

}  // namespace kestro
