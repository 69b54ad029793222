// The main window's capture: where its frames come from, in one state. The
// source is the chosen adapter (opened directly, or through the capture helper
// where this process may not capture) or a recording played in its place;
// choosing an adapter ends a recording for good. The settings' adapter name
// decides which device that is; a named device that is not there is waited
// for, never replaced by another. A capture that did not start for a reason
// that can pass, or that stopped, is tried again by the one-second timer, which
// runs whenever a capture is wanted, so the clock and the countdowns go on.
//
// Threads: main thread only. The capture thread only asks the view to wake the
// main thread; the hand-over then runs there.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capture/snoop.h"
#include "common/result.h"
#include "shell/adapter_choices.h"
#include "shell/capture_health.h"

namespace kestro {

class KestroCore;
class ShellView;

// A recording that plays in place of the configured adapter: the show opens it
// instead of the adapter, and choosing an adapter in the settings dialog ends it
// for good, for live capture in real time.
class ReplaySource {
public:
    virtual ~ReplaySource() = default;
    // Once, before anything is opened: what the capture thread needs (a frame hook).
    virtual void Attach(TSnoopTCPData& snoop) = 0;
    // Opens the recording on `snoop`. A failure tells the user which recording
    // did not open, and keeps the capture component's reason.
    virtual Result Open(TSnoopTCPData& snoop) = 0;
    // The capture is about to close: a capture thread waiting for a frame gives up.
    virtual void Closing() = 0;
    // Live capture takes over.
    virtual void Ended() = 0;
    // The timer's interval while the recording plays.
    virtual int TickInterval() const = 0;
};

// Hands one captured segment's payload to the core, with the connection and the moment
// it was seen: the window's capture and the replay without a window feed it the same way.
void HandOverSegment(KestroCore& core, const TSnoopTCPData& sender, const pcap_pkthdr& header,
                     const uint8_t* data, int32_t length);

enum class CaptureState {
    Off,        // no capture wanted: none chosen yet, one that can never open, or closed
    Capturing,  // the chosen adapter delivers frames
    Waiting,    // the chosen adapter did not start (not there yet, no helper, no
                // permission yet); tried again every few seconds
    Lost,       // the chosen adapter stopped by itself; tried again every few seconds
    Replaying,  // a recording is the source (also once read to its end, or unreadable)
};

class CaptureSession {
public:
    static constexpr int kTimerInterval = 1000;

    // `recording`: null captures from the configured adapter only. `view` and
    // `core` must outlive the session.
    CaptureSession(ShellView& view, KestroCore& core, std::unique_ptr<ReplaySource> recording);
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    CaptureState State() const { return state_; }
    // The one-second timer runs while the window shows, captured or not.
    bool TimerEnabled() const { return showing_; }
    TSnoopTCPData& Snoop() { return *snoop_; }

    // The show begins: the timer runs from here to the close, so that the
    // clock and the countdowns go on while no capture delivers.
    void BeginShow();
    // The settings were just loaded: the adapter list is read afresh; the
    // recording leaves the adapter unset, else the configured adapter is taken
    // by name where it is still listed.
    void TakeAdapterFromSettings();
    // Starts the source: the recording, else the configured adapter (the
    // all-interfaces device when none was ever chosen).
    void Start();
    // The configured adapter, (re)started when it differs or is not running.
    void ApplyAdapter() { ApplyAdapter(Announce::Started); }
    // ApplyAdapter for the settings dialog's OK: a capture that moved says so.
    void ApplyChosenAdapter();
    // One tick of the one-second timer.
    void Tick();
    // Ends the capture thread (and a recording's wait for its next frame).
    void Stop();
    // The window closes: no capture wanted any more.
    void Close();
    // The dialog's list, read afresh, in adapter order.
    std::vector<AdapterChoice> ReadAdapterChoices();

private:
    // How a capture that begins is told.
    enum class Announce { Started, AllInterfaces, DefaultRoute, Moved };

    void ApplyAdapter(Announce announce);
    // The settings name an adapter that is not listed.
    void WaitForAdapter();
    // Whether the last failed open may succeed later by itself or by the user's
    // hand outside Kestro (a device that comes, a helper installed, a permission).
    bool FailureCanPass() const;
    RemedyFacts Remedy() const;
    // Sets the state and the view's timer with it.
    void Enter(CaptureState state);
    void OpenRecording();
    void EndRecording();
    void CaptureEnded(const TSnoopEnd& end);
    void Reopen();
    void Tell(const CaptureNotice& notice);
    std::string Device() const;

    ShellView& view_;
    KestroCore& core_;
    std::unique_ptr<ReplaySource> recording_;
    std::unique_ptr<TSnoopTCPData> snoop_;
    bool showing_ = false;
    CaptureState state_ = CaptureState::Off;
    ReopenSchedule reopen_;
    DropReport drops_;
};

}  // namespace kestro
