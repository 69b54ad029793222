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

// "Now" during a replay: the time stamp of the frame being handled. It is set
// for every frame but read only when a line is logged or the race rules look
// at the time, so the conversion waits for a reading. One thread at a time.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(TDateTime before = 0.0) : value_(before) {}

    void SetMicros(int64_t micros) {
        micros_ = micros;
        stale_ = true;
    }
    TDateTime Now() const override {
        if (stale_) {
            value_ = converter_.Convert(micros_);
            stale_ = false;
        }
        return value_;
    }

private:
    int64_t micros_ = 0;
    mutable bool stale_ = false;
    mutable TDateTime value_;
    mutable LocalTimeConverter converter_;
};

class VirtualTicker {
public:
    VirtualTicker(VirtualClock& clock, std::function<void()> tick)
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

    VirtualClock& clock_;
    std::function<void()> tick_;
    bool started_ = false;
    int64_t nextTickMicros_ = 0;
    int64_t lastFrameMicros_ = 0;
    int64_t ticksRun_ = 0;
};

}  // namespace kestro
