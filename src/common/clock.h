// Where "now" comes from. The live program reads the system's clock; the
// replay and the tests set it, so that every race rule runs in their time.
#pragma once

#include <cmath>

#include "common/datetime.h"

namespace kestro {

class Clock {
public:
    virtual ~Clock() = default;
    // Now, on the timeline the race rules reckon with.
    virtual Instant Now() const = 0;
    // The local wall-clock date-time of a moment: what the clocks and the log show.
    virtual TDateTime LocalTime(Instant at) const = 0;
    TDateTime LocalNow() const { return LocalTime(Now()); }
};

// The system's clock to the microsecond, shown in the TZ environment's zone.
// Set by hand it jumps, and the race rules follow the jump.
class SystemClock final : public Clock {
public:
    Instant Now() const override;
    TDateTime LocalTime(Instant at) const override { return LocalDateTime(at); }
};

// A clock set by hand, whose zone is UTC: the date-times it is set to are the
// ones it shows, whatever the TZ environment says.
class SettableClock final : public Clock {
public:
    explicit SettableClock(Instant now = Instant{}) : now_(now) {}
    explicit SettableClock(TDateTime utc) : now_(InstantOfUtc(utc)) {}
    Instant Now() const override { return now_; }
    TDateTime LocalTime(Instant at) const override { return UtcDateTime(at); }
    void Set(Instant now) { now_ = now; }
    void Set(TDateTime utc) { now_ = InstantOfUtc(utc); }
    void AdvanceSeconds(double seconds) { now_ += Micros(std::llround(seconds * 1e6)); }

private:
    Instant now_;
};

}  // namespace kestro
