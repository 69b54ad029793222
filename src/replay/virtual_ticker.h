// Virtual time for replays: "now" is the time stamp of the frame being
// handled, and the one-second timer ticks in that time, so a recorded session
// runs through the same race rules as if it were live.
#pragma once

#include <cstdint>
#include <functional>

#include "common/clock.h"

namespace kestro {

// The time stamps a replay reads: the years 1 to 9999 (UTC), in POSIX
// microseconds. Within them the ticker's sums never overflow, and every
// date can be shown.
inline constexpr int64_t kEarliestFrameMicros = -62135596800LL * 1000000;
inline constexpr int64_t kLatestFrameMicros = 253402300799LL * 1000000 + 999999;

// A frame's time stamp as POSIX microseconds, saturated to the years above. A
// pcapng time stamp can be any 64-bit count of any unit, and a classic pcap's
// microseconds may exceed a second, so neither field can be trusted to be small.
// `outside` (when given) tells whether it had to be saturated.
int64_t FrameMicros(int64_t seconds, int64_t micros, bool* outside = nullptr);

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

// "Now" during a replay: the time stamp of the frame being handled, exactly as
// captured. Only what is shown (a log line, the panel) is converted to local
// time. One thread at a time.
class VirtualClock final : public Clock {
public:
    void SetMicros(int64_t micros) { micros_ = micros; }
    Instant Now() const override { return Instant(Micros(micros_)); }
    TDateTime LocalTime(Instant at) const override {
        return converter_.Convert(at.time_since_epoch().count());
    }

private:
    int64_t micros_ = 0;
    mutable LocalTimeConverter converter_;
};

class VirtualTicker {
public:
    // `idle` tells whether a tick now would only move the clocks on (no race is
    // followed); the ticker then skips to the last tick due instead of running
    // each second of a gap that may last years.
    VirtualTicker(VirtualClock& clock, std::function<void()> tick, std::function<bool()> idle = {})
        : clock_(clock), tick_(std::move(tick)), idle_(std::move(idle)) {}

    // Runs every tick due at or before the frame's time stamp, then sets the
    // clock to the frame's time. The first tick is due 1 s after the first frame.
    // Time never goes back: a frame stamped before an earlier one is handled at
    // the latest time seen. Stamps beyond the years 1 to 9999 are saturated.
    void BeforeFrame(int64_t frameMicros);

    // After the last frame: the ticks of the next tailSeconds.
    void Finish(double tailSeconds);

    int64_t TicksRun() const { return ticksRun_; }
    int64_t TicksSkipped() const { return ticksSkipped_; }
    bool SawFrame() const { return started_; }

private:
    void RunTicksUntil(int64_t micros);

    VirtualClock& clock_;
    std::function<void()> tick_;
    std::function<bool()> idle_;
    bool started_ = false;
    int64_t nextTickMicros_ = 0;
    int64_t lastFrameMicros_ = 0;
    int64_t ticksRun_ = 0;
    int64_t ticksSkipped_ = 0;
};

}  // namespace kestro
