#include "shell/shell.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <utility>

#include "common/cp932.h"
#include "notify/platform_sound_player.h"
#include "notify/sound_root.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"

namespace kestro {

namespace {

// Error texts of the platform are UTF-8 and may hold characters CP932 lacks
// (a device name, say); those become "?" rather than losing the message.
std::string ToCp932Lossy(const std::string& utf8) {
    return Utf8ToCp932Lossy(utf8);
}

// libpcap, the kernel and the capture helper each word a refused capture
// their own way; all of them are cured the same way.
bool IsPermissionRefusal(std::string error) {
    std::transform(error.begin(), error.end(), error.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* mark : {"permission", "not permitted", "cap_net_raw"}) {
        if (error.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The status panel is 353 pixels wide: each status says the essential first
// and leaves the rest to the log line beside it.
constexpr const char* kRemedyShort = "sudo scripts/setup-capture $USER";
constexpr const char* kRemedyLong =
    "キャプチャの権限がありません。sudo scripts/setup-capture $USER で kestro "
    "グループに加わり、ログインし直してください (または root で起動してください)";

}  // namespace

KestroShell::KestroShell(ShellView& view, std::unique_ptr<SoundPlayer> player, const Clock* clock,
                         std::unique_ptr<ReplaySource> replay)
    : view_(view),
      player_(player ? std::move(player) : std::make_unique<PlatformSoundPlayer>()),
      replay_(std::move(replay)),
      core_(clock != nullptr ? *clock : systemClock_, *this, *player_) {
    snoop_ =
        std::make_unique<TSnoopTCPData>([this](const std::string& text) { view_.ShowError(text); });
    // The capture thread waits in each hand-over until the main thread has run
    // it; a late wake-up finds the hand-over served (by Close) and does nothing.
    snoop_->SetMainThreadWake(
        [this] { view_.PostToMainThread([this] { snoop_->RunPendingHandOver(); }); });
    snoop_->SetAdapterIndex(-1);
    snoop_->SetCaptureEnabled(true);
    snoop_->SetThreadSafe(true);
    snoop_->SetFilter(kGameFilter);
    snoop_->SetSnapLen(kCaptureSnapLen);
    snoop_->SetFlags(kCaptureFlags);
    snoop_->SetReadTimeOut(kCaptureReadTimeOutMs);
    snoop_->SetOnCaptureTCPData([this](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                       const uint8_t*, const uint8_t*, const uint8_t* tcpData,
                                       int32_t tcpDataLength) {
        core_.SnoopTCPDataCaptureTCPData(tcpData, tcpDataLength);
    });
    snoop_->SetOnCaptureEnded([this](TCustomSnoop*, const TSnoopEnd& end) { CaptureEnded(end); });
    if (replay_) {
        replay_->Attach(*snoop_);
    }
}

KestroShell::~KestroShell() {
    // A capture thread may be waiting in the replay's frame hook or in a
    // hand-over into the core: it must end while both are whole.
    StopCapture();
    snoop_.reset();
}

void KestroShell::Step(std::string_view step) {
    if (stepWatcher_) {
        stepWatcher_(step);
    }
}

void KestroShell::SetTimer(bool enabled, int intervalMs) {
    timerEnabled_ = enabled;
    view_.SetTimer(enabled, intervalMs);
}

// --- window events -----------------------------------------------------------

void KestroShell::FormCreate() {
    core_.GetSettings().SaveFormSize = SaveFormSizeSetting();
    if (core_.GetSettings().SaveFormSize) {
        // The window is not showing yet: it is shown later in its normal state.
        LoadFormPlacement(view_, kMainFormSection, false);
    }
}

void KestroShell::FormShow() {
    shown_ = true;
    closed_ = false;
    SetTimer(false);
    snoop_->RefreshAdapters();
    LoadSettings();
    view_.SetCaption(std::string(kCaption) + (core_.GetSettings().Debug ? kDebugMark : ""));
    Step("reset");
    core_.ResetRaceState();
    view_.ClearLog();
    StartCapture();
    // Even without a capture: the window's design captions read like a live race.
    RefreshPanel();
}

void KestroShell::LoadSettings() {
    Step("load");
    kestro::LoadSettings(GetIniFileName(), KestroSoundRoot(), core_.GetSettings());
    if (replay_ && !replayEnded_) {
        // The recording is the capture: the configured adapter plays no part, and
        // the settings dialog starts without one, so that confirming it keeps the replay.
        core_.GetSettings().AdapterIndex = -1;
        core_.GetSettings().AdapterName.clear();
        return;
    }
    // The adapter by name where it is still listed: another interface that
    // came up since does not move the choice to a different device.
    core_.GetSettings().AdapterIndex =
        ChosenAdapterIndex(core_.GetSettings(), snoop_->AdapterNames());
}

void KestroShell::StartCapture() {
    if (!replay_ || replayEnded_) {
        const bool firstStart = ChooseFirstAdapter();
        ApplyAdapter();
        if (firstStart && snoop_->Active()) {
            const std::string device = DeviceLabel();
            Tell("全インターフェース (" + device + ") でキャプチャ中",
                 "アダプタが未設定のため、全インターフェース (" + device +
                     ") でキャプチャします。右クリック → Config... で変更できます");
        }
        return;
    }
    if (snoop_->Active()) {
        return;
    }
    replay_->Open(*snoop_);
    replaying_ = snoop_->Active();
    // The clock and the countdowns run on also after the last frame.
    SetTimer(true, replay_->TickInterval());
    if (!replaying_) {
        core_.GetLog().ShowStatusMessage(replay_->OpenFailure(snoop_->LastError()));
    }
}

void KestroShell::StopCapture() {
    if (replay_) {
        replay_->Closing();
    }
    if (snoop_->Active()) {
        snoop_->Close();
    }
}

void KestroShell::EndReplay() {
    replaying_ = false;
    replayEnded_ = true;
    StopCapture();
    replay_->Ended();
}

// With no adapter ever chosen, the device that captures on every interface
// needs no choice at all; where the platform has none, the user is told where
// to choose. True when the all-interfaces device was chosen.
bool KestroShell::ChooseFirstAdapter() {
    Settings& settings = core_.GetSettings();
    if (settings.AdapterIndex != -1 || !settings.AdapterName.empty()) {
        return false;
    }
    const int32_t any = snoop_->AllInterfacesAdapterIndex();
    if (any < 0) {
        Tell("右クリック → Config... でアダプタを選んでください",
             "アダプタが未設定です。右クリック → Config... "
             "でキャプチャするアダプタを選んでください");
        return false;
    }
    // Kept as the choice, so that the dialog shows it and the next start uses it.
    settings.AdapterIndex = any;
    settings.AdapterName = snoop_->AdapterNames()[static_cast<size_t>(any)];
    return true;
}

void KestroShell::ApplyAdapter() {
    const int32_t configured = ChosenAdapterIndex(core_.GetSettings(), snoop_->AdapterNames());
    const bool same = snoop_->AdapterIndex() == configured;
    // The same adapter is restarted only when its capture is not running.
    if (same && (snoop_->Active() || replaying_ || configured == -1)) {
        return;
    }
    if (replaying_) {
        // A live adapter's frames happen now, not in the recording's time.
        EndReplay();
    }
    if (snoop_->Active()) {
        snoop_->Close();
    }
    snoop_->SetAdapterIndex(configured);
    // A restart of a lost capture that fails keeps trying, as the timer would have.
    captureLost_ = captureLost_ && same;
    ticksSinceLost_ = 0;
    snoop_->Open();
    SetTimer(snoop_->Active() || captureLost_);
    if (captureLost_ && snoop_->Active()) {
        ReportResumed();
        return;
    }
    // Without this the user would see an idle window and never learn why.
    if (!snoop_->Active() && configured != -1) {
        ReportOpenFailure();
    }
}

// The status line may still ask for a choice or name the old device: a
// capture that moved to the adapter just chosen says so.
void KestroShell::ApplyChosenAdapter() {
    const int32_t before = snoop_->AdapterIndex();
    ApplyAdapter();
    if (snoop_->Active() && snoop_->AdapterIndex() != before) {
        const std::string message = DeviceLabel() + " でキャプチャ中";
        Tell(message, message);
    }
}

// The device as the user chose it: its name, else its position in the list.
std::string KestroShell::DeviceLabel() const {
    const int32_t index = snoop_->AdapterIndex();
    if (index >= 0 && static_cast<std::size_t>(index) < snoop_->Adapters().size()) {
        return ShortAdapterName(snoop_->Adapters()[static_cast<std::size_t>(index)]);
    }
    if (!snoop_->AdapterName().empty()) {
        return snoop_->AdapterName();
    }
    return "アダプタ " + std::to_string(core_.GetSettings().AdapterIndex);
}

void KestroShell::ReportOpenFailure() {
    const std::string device = DeviceLabel();
    const std::string& error = snoop_->LastError();
    const std::string logLine = device + " でキャプチャを開始できません: " + error;
    if (IsPermissionRefusal(error)) {
        Tell(device + ": 権限不足 → " + kRemedyShort, logLine + "。" + kRemedyLong);
    } else {
        Tell(device + " を開けません: " + error, logLine);
    }
}

void KestroShell::Tell(const std::string& status, const std::string& logLine) {
    view_.SetStatusText(ToCp932Lossy(status));
    core_.GetLog().AddLogLine(ToCp932Lossy(logLine));
}

// Runs from the capture thread's end handler: Open and Close must wait for the
// timer, which also keeps the clock and the countdowns going meanwhile.
void KestroShell::CaptureEnded(const TSnoopEnd& end) {
    if (replaying_) {
        return;  // a recording that ends is no failure
    }
    std::string reason = end.reason;
    if (reason.empty()) {
        reason = snoop_->LastError().empty() ? "原因不明" : snoop_->LastError();
    }
    const std::string device = DeviceLabel();
    captureLost_ = true;
    ticksSinceLost_ = 0;
    Tell(device + " のキャプチャが止まりました: " + reason,
         device + " のキャプチャが止まりました: " + reason + " (" + std::to_string(kReopenTicks) +
             " 秒ごとに開き直します)");
}

void KestroShell::RealTimeTimer() {
    core_.RealTimeTimer();
    if (captureLost_ && ++ticksSinceLost_ >= kReopenTicks) {
        ticksSinceLost_ = 0;
        ReopenLostCapture();
    }
}

// The same device by name: after a replug its position in the list may differ.
// A try that fails stays quiet; the status still says the capture is down.
void KestroShell::ReopenLostCapture() {
    snoop_->Open();
    if (snoop_->Active()) {
        ReportResumed();
    }
}

void KestroShell::ReportResumed() {
    captureLost_ = false;
    const std::string message = DeviceLabel() + " でキャプチャを再開しました";
    Tell(message, message);
}

void KestroShell::FormClose() {
    closed_ = true;
    SetTimer(false);
    StopCapture();
    SaveSettings();
}

void KestroShell::SaveSettings() {
    Step("save");
    const std::string path = GetIniFileNameForSave();
    if (path.empty()) {
        return;  // the settings are only read in this process
    }
    std::optional<WindowPlacement> placement;
    if (core_.GetSettings().SaveFormSize) {
        placement = view_.QueryPlacement();
    }
    // Paths inside this installation's sound folder are written relative to it,
    // so that they still name the sounds after the program has moved.
    const Settings toSave = WithSystemRootCollapsed(core_.GetSettings(), KestroSoundRoot());
    const Result saved = kestro::SaveSettings(path, toSave, placement ? &*placement : nullptr);
    if (!saved) {
        ReportRefusedWrite(saved);
    }
}

void KestroShell::ReportRefusedWrite(const Result& refused) {
    const std::string& message = refused.Message();
    const std::string& reason = refused.Reason();
    core_.GetLog().AddLogLine(ToCp932Lossy(reason.empty() ? message : message + ": " + reason));
    if (refusalsShown_.insert(message).second && !displayLost_) {
        view_.ShowError(message);
    }
}

void KestroShell::FormDestroy() {
    if (!core_.GetSettings().SaveFormSize) {
        return;
    }
    if (const Result saved = SaveFormPlacement(view_, kMainFormSection); !saved) {
        ReportRefusedWrite(saved);
    }
}

void KestroShell::EndSession() {
    if (shown_ && !closed_) {
        view_.Close();
    }
}

void KestroShell::EndWithoutDisplay() {
    displayLost_ = true;
    if (shown_ && !closed_) {
        FormClose();
    }
}

void KestroShell::PopupMenuClick(MenuItem item) {
    switch (item) {
        case MenuItem::pmiAbout:
            view_.ShowAbout();
            break;
        case MenuItem::pmiConfig:
            RunSettingsDialog();
            break;
        case MenuItem::pmiLog:
            view_.ShowLog();
            break;
        case MenuItem::pmiExit:
            view_.Close();
            break;
    }
}

void KestroShell::RunSettingsDialog() {
    SettingsDialogView* face = view_.SettingsDialogFace();
    if (face == nullptr) {
        return;
    }
    SettingsDialog dialog(*face, *player_,
                          [this](const Result& refused) { ReportRefusedWrite(refused); });
    // Confirmed changes reach the file at once: a session that ends without a
    // close (power cut, a kill) keeps them.
    if (dialog.Run(core_.GetSettings(), ReadAdapterChoices(), [this] { ApplyChosenAdapter(); })) {
        SaveSettings();
    }
}

void KestroShell::RefreshPanel() {
    view_.ShowPanel(core_.Panel(view_.ThousandsSeparator()));
}

// The dialog's list is the component's, read afresh, so that line i of the
// one is adapter i of the other, and a device that came up since is listed.
std::vector<AdapterChoice> KestroShell::ReadAdapterChoices() {
    snoop_->RefreshAdapters();
    return AdapterChoices(snoop_->Adapters());
}

}  // namespace kestro
