// Where "now" comes from. The live program reads the system's local time; the
// replay and the tests set it, so that every race rule runs in their time.
#pragma once

#include "common/datetime.h"

namespace kestro {

class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime Now() const = 0;
};

class SystemClock final : public Clock {
public:
    TDateTime Now() const override;
};

class SettableClock final : public Clock {
public:
    explicit SettableClock(TDateTime now = 0.0) : now_(now) {}
    TDateTime Now() const override { return now_; }
    void Set(TDateTime now) { now_ = now; }
    void AdvanceSeconds(double seconds) { now_ = AddSeconds(now_, seconds); }

private:
    TDateTime now_;
};

}  // namespace kestro
