#include "shell/capture_session.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "capture/capture_source.h"
#include "common/cp932.h"
#include "game/capture_filter.h"
#include "platform/network_devices.h"
#include "settings/settings_file.h"
#include "shell/core.h"
#include "shell/shell.h"

namespace kestro {

void HandOverSegment(KestroCore& core, const TSnoopTCPData& sender, const pcap_pkthdr& header,
                     const uint8_t* data, int32_t length) {
    const TCPSegmentPlace& place = sender.CurrentSegment();
    const int64_t micros = int64_t{header.ts.tv_sec} * 1'000'000 + header.ts.tv_usec;
    core.SnoopTCPDataCaptureTCPData(
        OriginOf(place.sourceAddress, place.sourcePort, place.destinationAddress,
                 place.destinationPort, micros),
        data, length);
}

CaptureSession::CaptureSession(ShellView& view, KestroCore& core,
                               std::unique_ptr<ReplaySource> recording)
    : view_(view), core_(core), recording_(std::move(recording)) {
    // Without a capture driver every error of the component is that one: said
    // in the program's own words, with what to install.
    snoop_ = std::make_unique<TSnoopTCPData>([this](const std::string& text) {
        view_.ShowError(MissingCaptureDriver().empty() ? text : MissingDriverNotice().log);
    });
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
    snoop_->SetOnCaptureTCPData([this](TSnoopTCPData* sender, const pcap_pkthdr* header,
                                       const uint8_t*, const uint8_t*, const uint8_t*,
                                       const uint8_t* tcpData, int32_t tcpDataLength) {
        HandOverSegment(core_, *sender, *header, tcpData, tcpDataLength);
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
    showing_ = true;
    Enter(state_);
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
    const FirstAdapter first =
        ChooseFirstAdapter(core_.GetSettings(), *snoop_, platform::DefaultRouteInterface);
    if (first == FirstAdapter::NoneToChooseFrom) {
        Tell(ChooseAdapterNotice());
    }
    ApplyAdapter(first == FirstAdapter::AllInterfaces  ? Announce::AllInterfaces
                 : first == FirstAdapter::DefaultRoute ? Announce::DefaultRoute
                                                       : Announce::Started);
}

void CaptureSession::OpenRecording() {
    if (snoop_->Active()) {
        return;
    }
    const Result opened = recording_->Open(*snoop_);
    // The clock and the countdowns run on also after the last frame.
    Enter(CaptureState::Replaying);
    if (!opened) {
        // A path CP932 cannot show keeps the rest of the message.
        core_.GetLog().ShowStatusMessage(
            Utf8ToCp932Lossy(opened.Message() + ": " + opened.Reason()));
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

void CaptureSession::ApplyAdapter(Announce announce) {
    const Settings& settings = core_.GetSettings();
    const int32_t configured = ChosenAdapterIndex(settings, snoop_->AdapterNames());
    if (configured == -1 && !settings.AdapterName.empty()) {
        WaitForAdapter();
        return;
    }
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
    const bool wasLost = state_ == CaptureState::Lost && same;
    // A status line that says why the capture had not started must be replaced.
    const bool statusSaysWhy = state_ == CaptureState::Waiting;
    reopen_.Restart();
    const Result opened = snoop_->Open();
    drops_.Restart();
    if (opened) {
        Enter(CaptureState::Capturing);
        const std::string device = Device();
        CaptureNotice started = StartedNotice(device);
        if (!statusSaysWhy) {
            started.status.clear();  // a start as expected goes to the log only
        }
        Tell(wasLost                               ? ResumedNotice(device)
             : announce == Announce::AllInterfaces ? AllInterfacesNotice(device)
             : announce == Announce::DefaultRoute  ? DefaultRouteNotice(device)
             : announce == Announce::Moved         ? CapturingOnNotice(device)
                                                   : started);
        return;
    }
    // A capture that was lost stays lost, and one that may yet start is waited for.
    Enter(wasLost            ? CaptureState::Lost
          : FailureCanPass() ? CaptureState::Waiting
                             : CaptureState::Off);
    // Without this the user would see an idle window and never learn why.
    if (configured != -1) {
        const int retry = state_ == CaptureState::Off ? 0 : ReopenSchedule::kTicks;
        Tell(OpenFailureNotice(Device(), opened.Reason(), Remedy(), retry));
    }
}

// The name decides: no other device is opened in its place, and none is held
// open meanwhile.
void CaptureSession::WaitForAdapter() {
    if (state_ == CaptureState::Waiting && snoop_->AdapterIndex() == -1) {
        return;  // waited for already
    }
    if (state_ == CaptureState::Replaying) {
        EndRecording();
    }
    if (snoop_->Active()) {
        snoop_->Close();
    }
    snoop_->SetAdapterIndex(-1);
    reopen_.Restart();
    Enter(CaptureState::Waiting);
    Tell(MissingAdapterNotice(core_.GetSettings().AdapterName, ReopenSchedule::kTicks));
}

bool CaptureSession::FailureCanPass() const {
    // A device whose frames Kestro cannot read stays so; an adapter chosen only
    // by a position that is not listed cannot be found again.
    return snoop_->RefusedLinkType() < 0 && !snoop_->AdapterName().empty();
}

RemedyFacts CaptureSession::Remedy() const {
    const std::string helper = snoop_->CaptureHelperPath();
    return {ThisInstallKind(), platform::HelperGroupOf(helper), helper};
}

// The status line may still ask for a choice or name the old device.
void CaptureSession::ApplyChosenAdapter() {
    ApplyAdapter(Announce::Moved);
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
    state_ = CaptureState::Lost;
    reopen_.Restart();
    Tell(StoppedNotice(Device(), reason, ReopenSchedule::kTicks));
}

void CaptureSession::Tick() {
    const bool down = state_ == CaptureState::Waiting || state_ == CaptureState::Lost;
    if (down && reopen_.Tick()) {
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
    Settings& settings = core_.GetSettings();
    if (snoop_->AdapterName().empty()) {
        // Waiting for a named device: the full list (each device opened for a
        // moment) is read only once a plain listing shows it.
        // A listing that failed lists nothing: the device is not seen yet.
        std::vector<AdapterInfo> listed;
        (void)ReadAdapterInfo(false, listed);
        if (std::none_of(listed.begin(), listed.end(),
                         [&](const AdapterInfo& a) { return a.name == settings.AdapterName; })) {
            return;
        }
        snoop_->RefreshAdapters();
        snoop_->SetAdapterName(settings.AdapterName);
        settings.AdapterIndex = snoop_->AdapterIndex();
    }
    const bool lost = state_ == CaptureState::Lost;
    const Result opened = snoop_->Open();
    drops_.Restart();
    if (opened) {
        state_ = CaptureState::Capturing;
        Tell(lost ? ResumedNotice(Device()) : StartedNotice(Device()));
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
    showing_ = false;
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
    if (!notice.status.empty()) {
        core_.ShowStatusText(Utf8ToCp932Lossy(notice.status));
    }
    core_.GetLog().AddLogLine(Utf8ToCp932Lossy(notice.log));
}

std::string CaptureSession::Device() const {
    return DeviceLabel(*snoop_, core_.GetSettings());
}

}  // namespace kestro
