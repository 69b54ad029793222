#include "shell/capture_session.h"

#include <optional>
#include <utility>

#include "common/cp932.h"
#include "game/capture_filter.h"
#include "settings/settings_file.h"
#include "shell/core.h"
#include "shell/shell.h"

namespace kestro {

CaptureSession::CaptureSession(ShellView& view, KestroCore& core,
                               std::unique_ptr<ReplaySource> recording)
    : view_(view), core_(core), recording_(std::move(recording)) {
    snoop_ =
        std::make_unique<TSnoopTCPData>([this](const std::string& text) { view_.ShowError(text); });
    // The capture thread waits in each hand-over until the main thread has run
    // it; a late wake-up finds the hand-over served (by Close) and does nothing.
    snoop_->SetMainThreadWake(
        [this] { view_.PostToMainThread([this] { snoop_->RunPendingHandOver(); }); });
    snoop_->SetAdapterIndex(-1);
    snoop_->SetCaptureEnabled(true);
    snoop_->SetThreadSafe(true);
    snoop_->SetFilter(kGameCaptureFilter);
    snoop_->SetSnapLen(kCaptureSnapLen);
    snoop_->SetFlags(kCaptureFlags);
    snoop_->SetReadTimeOut(kCaptureReadTimeOutMs);
    snoop_->SetOnCaptureTCPData([this](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                       const uint8_t*, const uint8_t*, const uint8_t* tcpData,
                                       int32_t tcpDataLength) {
        core_.SnoopTCPDataCaptureTCPData(tcpData, tcpDataLength);
    });
    snoop_->SetOnCaptureEnded([this](TCustomSnoop*, const TSnoopEnd& end) { CaptureEnded(end); });
    if (recording_) {
        recording_->Attach(*snoop_);
    }
}

CaptureSession::~CaptureSession() {
    // A capture thread may be waiting in the recording's frame hook or in a
    // hand-over into the core: it must end while both are whole.
    Stop();
    snoop_.reset();
}

void CaptureSession::Enter(CaptureState state) {
    state_ = state;
    const bool replaying = state == CaptureState::Replaying && recording_;
    view_.SetTimer(TimerEnabled(), replaying ? recording_->TickInterval() : kTimerInterval);
}

void CaptureSession::BeginShow() {
    // A capture still running from an earlier show keeps its timer.
    if (state_ == CaptureState::Off) {
        Enter(CaptureState::Off);
    }
}

void CaptureSession::TakeAdapterFromSettings() {
    snoop_->RefreshAdapters();
    Settings& settings = core_.GetSettings();
    if (recording_) {
        // The recording is the capture: the configured adapter plays no part, and
        // the settings dialog starts without one, so that confirming it keeps the
        // recording.
        settings.AdapterIndex = -1;
        settings.AdapterName.clear();
        return;
    }
    // The adapter by name where it is still listed: another interface that
    // came up since does not move the choice to a different device.
    settings.AdapterIndex = ChosenAdapterIndex(settings, snoop_->AdapterNames());
}

void CaptureSession::Start() {
    if (recording_) {
        OpenRecording();
        return;
    }
    const FirstAdapter first = ChooseFirstAdapter(core_.GetSettings(), *snoop_);
    if (first == FirstAdapter::NoneToChooseFrom) {
        Tell(ChooseAdapterNotice());
    }
    ApplyAdapter();
    if (first == FirstAdapter::AllInterfaces && snoop_->Active()) {
        Tell(AllInterfacesNotice(Device()));
    }
}

void CaptureSession::OpenRecording() {
    if (snoop_->Active()) {
        return;
    }
    recording_->Open(*snoop_);
    // The clock and the countdowns run on also after the last frame.
    Enter(CaptureState::Replaying);
    if (!snoop_->Active()) {
        core_.GetLog().ShowStatusMessage(recording_->OpenFailure(snoop_->LastError()));
    }
}

// A live adapter's frames happen now, not in the recording's time.
void CaptureSession::EndRecording() {
    Stop();
    // The recording's frame hook would hold live frames back by its clock.
    snoop_->SetFrameHook({});
    recording_->Ended();
    recording_.reset();
}

void CaptureSession::ApplyAdapter() {
    const int32_t configured = ChosenAdapterIndex(core_.GetSettings(), snoop_->AdapterNames());
    const bool same = snoop_->AdapterIndex() == configured;
    const bool replaying = state_ == CaptureState::Replaying;
    // The same adapter is restarted only when its capture is not running.
    if (same && (snoop_->Active() || replaying || configured == -1)) {
        return;
    }
    if (replaying) {
        EndRecording();
    }
    if (snoop_->Active()) {
        snoop_->Close();
    }
    snoop_->SetAdapterIndex(configured);
    // A restart of a capture that was down and fails keeps trying, as the timer would have.
    const bool wasDown = state_ == CaptureState::Down && same;
    reopen_.Restart();
    snoop_->Open();
    drops_.Restart();
    Enter(snoop_->Active() ? CaptureState::Capturing
                           : (wasDown ? CaptureState::Down : CaptureState::Off));
    if (wasDown && snoop_->Active()) {
        Tell(ResumedNotice(Device()));
        return;
    }
    // Without this the user would see an idle window and never learn why.
    if (!snoop_->Active() && configured != -1) {
        Tell(OpenFailureNotice(Device(), snoop_->LastError()));
    }
}

// The status line may still ask for a choice or name the old device.
void CaptureSession::ApplyChosenAdapter() {
    const int32_t before = snoop_->AdapterIndex();
    ApplyAdapter();
    if (snoop_->Active() && snoop_->AdapterIndex() != before) {
        Tell(CapturingOnNotice(Device()));
    }
}

// Runs from the capture thread's end handler: Open and Close must wait for the
// timer, which also keeps the clock and the countdowns going meanwhile.
void CaptureSession::CaptureEnded(const TSnoopEnd& end) {
    if (state_ == CaptureState::Replaying) {
        return;  // a recording that ends is no failure
    }
    std::string reason = end.reason;
    if (reason.empty()) {
        reason = snoop_->LastError().empty() ? "原因不明" : snoop_->LastError();
    }
    state_ = CaptureState::Down;
    reopen_.Restart();
    Tell(StoppedNotice(Device(), reason, ReopenSchedule::kTicks));
}

void CaptureSession::Tick() {
    if (state_ == CaptureState::Down && reopen_.Tick()) {
        Reopen();
    }
    if (state_ == CaptureState::Capturing) {
        if (const std::optional<DropCounts> lost = drops_.Tick(snoop_->Drops())) {
            Tell(LostFramesNotice(Device(), *lost));
        }
    }
}

// The same device by name: after a replug its position in the list may differ.
// A try that fails stays quiet; the status still says the capture is down.
void CaptureSession::Reopen() {
    snoop_->Open();
    drops_.Restart();
    if (snoop_->Active()) {
        state_ = CaptureState::Capturing;
        Tell(ResumedNotice(Device()));
    }
}

void CaptureSession::Stop() {
    if (recording_) {
        recording_->Closing();
    }
    if (snoop_->Active()) {
        snoop_->Close();
    }
}

void CaptureSession::Close() {
    Enter(CaptureState::Off);
    Stop();
}

// The dialog's list is the component's, read afresh, so that line i of the
// one is adapter i of the other, and a device that came up since is listed.
std::vector<AdapterChoice> CaptureSession::ReadAdapterChoices() {
    snoop_->RefreshAdapters();
    return AdapterChoices(snoop_->Adapters());
}

void CaptureSession::Tell(const CaptureNotice& notice) {
    // Error texts of the platform are UTF-8 and may hold characters CP932
    // lacks (a device name, say); those become "?" rather than losing the message.
    view_.SetStatusText(Utf8ToCp932Lossy(notice.status));
    core_.GetLog().AddLogLine(Utf8ToCp932Lossy(notice.log));
}

std::string CaptureSession::Device() const {
    return DeviceLabel(*snoop_, core_.GetSettings());
}

}  // namespace kestro
