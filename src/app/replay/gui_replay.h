// The replay in the real main window: a recorded capture fed to the window as
// if it were arriving live, FACTOR times faster than it was recorded, with the
// window's clock, countdowns and timer running in the recording's time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/main_window.h"
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
    void Open(TSnoopTCPData& snoop) override;
    void Closing() override { ending_.store(true); }
    void Ended() override { clock_.GoLive(); }
    int TickInterval() const override;
    std::string OpenFailure(const std::string& lastError) const override;

private:
    // Capture thread: true when the frame's virtual time has come; false, at
    // once, when the replay is ending first.
    bool WaitForFrameTime(int64_t frameMicros) const;

    ReplayClock& clock_;
    const std::string capturePath_;
    std::atomic<bool> ending_{false};
};

// The main window replaying a capture file: at show it opens the file instead of
// the configured adapter. Choosing an adapter in the settings dialog ends the
// replay: the window then captures live, in real time.
class ReplayWindow : public TfrmZKmain {
    Q_OBJECT
public:
    // `clock` must outlive the window.
    ReplayWindow(ReplayClock& clock, std::string capturePath, ErrorBox errorBox = {},
                 std::unique_ptr<SoundPlayer> player = {});
    ~ReplayWindow() override;

    // The real-time interval of one virtual second, in milliseconds.
    static int TickInterval(double factor);

    bool Replaying() { return Shell().Replaying(); }
};

// The time stamp of the first frame of the capture that passes `filter`, as
// POSIX microseconds; nullopt when it has none or cannot be read.
std::optional<int64_t> FirstFrameMicros(const std::string& capturePath, const std::string& filter);

struct GuiReplayOptions {
    std::string capture;
    std::optional<std::string> settingsFile;
    double speed = 1.0;
};

// Shows `follower` just below `main`'s frame once the window system has shown
// and placed `main` (its first exposure): before that its frame is not known
// and reads as the top-left corner of the screen.
void ShowBelowOncePlaced(QWidget& main, QWidget& follower);

// kestro-replay --gui: runs the four windows until the main window closes and
// returns the process's exit status. The capture has been checked already.
int RunGuiReplay(int argc, char** argv, const GuiReplayOptions& options);

}  // namespace kestro
