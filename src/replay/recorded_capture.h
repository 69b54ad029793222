// A recorded capture played in the recording's own time, without a toolkit:
// the virtual clock that runs on its own, the capture source that holds each
// frame back until its time, and the first frame's time stamp. The window
// replay (kestro-replay --gui) shows it in the main window.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "common/clock.h"
#include "replay/virtual_ticker.h"
#include "shell/shell.h"

namespace kestro {

// Virtual time that runs on its own: the recording's start plus the real time
// since Start(), times the speed factor. Once switched live it reads the system's
// local time instead.
class ReplayClock final : public Clock {
public:
    using Steady = std::chrono::steady_clock;

    ReplayClock(int64_t startMicros, double factor);

    // Main thread: virtual time begins to run (the clock stands still before).
    void Start();
    // Main thread, before Start: a stream whose first frame is not known yet
    // (standard input). Its first frame sets the virtual time, see FirstFrame.
    void StartAtFirstFrame() { awaitingFirstFrame_.store(true); }
    // Capture thread, for every frame: the first one after StartAtFirstFrame
    // sets the virtual time to its own time stamp.
    void FirstFrame(int64_t frameMicros);
    // Main thread: from now on "now" is the system's local time.
    void GoLive() { live_.store(true); }
    bool Live() const { return live_.load(); }

    // Any thread: the virtual time as POSIX microseconds.
    int64_t NowMicros() const;
    Instant Now() const override;
    // Main thread (the conversion keeps a cache).
    TDateTime LocalTime(Instant at) const override;

    double Factor() const { return factor_; }

private:
    const double factor_;
    std::atomic<bool> started_{false};
    std::atomic<bool> live_{false};
    std::atomic<bool> awaitingFirstFrame_{false};
    // The virtual time at the steady time it was set; the pair is read by both threads.
    mutable std::mutex anchorMutex_;
    int64_t startMicros_;
    Steady::rep steadyStart_ = 0;
    SystemClock system_;
    mutable LocalTimeConverter converter_;
};

// A capture file played in the recording's time: the capture thread holds each
// frame back until its time has come and then hands it over as a live capture
// would. The timer ticks once per virtual second, also after the last frame.
class RecordedCapture final : public ReplaySource {
public:
    // `clock` must outlive this.
    RecordedCapture(ReplayClock& clock, std::string capturePath);

    void Attach(TSnoopTCPData& snoop) override;
    Result Open(TSnoopTCPData& snoop) override;
    void Closing() override { ending_.store(true); }
    void Ended() override { clock_.GoLive(); }
    int TickInterval() const override;

private:
    // Capture thread: true when the frame's virtual time has come; false, at
    // once, when the replay is ending first.
    bool WaitForFrameTime(int64_t frameMicros) const;

    ReplayClock& clock_;
    const std::string capturePath_;
    std::atomic<bool> ending_{false};
};

// The real-time interval of one virtual second at `factor`, in milliseconds.
int ReplayTickInterval(double factor);

// The system's time as POSIX microseconds.
int64_t SystemMicros();

// The time stamp of the first frame of the capture that passes `filter`, as
// POSIX microseconds; nullopt when it has none or cannot be read.
std::optional<int64_t> FirstFrameMicros(const std::string& capturePath, const std::string& filter);

}  // namespace kestro
