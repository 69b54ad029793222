#include "shell/shell.h"

#include <algorithm>
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
    snoop_->SetSnapLen(1600);
    snoop_->SetFlags(1);
    snoop_->SetReadTimeOut(100);
    snoop_->SetOnCaptureTCPData([this](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                       const uint8_t*, const uint8_t*, const uint8_t* tcpData,
                                       int32_t tcpDataLength) {
        core_.SnoopTCPDataCaptureTCPData(tcpData, tcpDataLength);
    });
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
    core_.GetSettings().SaveFormSize = ReadIniBool("Function", "SaveFormSize", true);
    if (core_.GetSettings().SaveFormSize) {
        LoadPlacement();
    }
}

void KestroShell::LoadPlacement() {
    const IniFile ini = IniFile::Load(GetIniFileName());
    const WindowPlacement current = view_.QueryPlacement();
    WindowPlacement placement =
        ReadPlacement(ini, kMainFormSection, ppAll, current, current.right - current.left,
                      current.bottom - current.top);
    // The window is not showing yet: it is shown later in its normal state.
    placement.showCmd = kShowCmdHide;
    const bool sameRect = placement.left == current.left && placement.top == current.top &&
                          placement.right == current.right && placement.bottom == current.bottom;
    if (!sameRect) {
        view_.ApplyPlacement(placement);
    }
}

void KestroShell::FormShow() {
    SetTimer(false);
    view_.SetAdapterList(AdapterLabels());
    LoadSettings();
    view_.SetCaption(std::string(kCaption) + (core_.GetSettings().Debug ? kDebugMark : ""));
    Step("reset");
    core_.ResetRaceState();
    view_.ClearLog();
    StartCapture();
    if (core_.GetSettings().RealtimeUpdate) {
        RefreshPanel();
    }
}

void KestroShell::LoadSettings() {
    Step("load");
    kestro::LoadSettings(GetIniFileName(), KestroSoundRoot(), core_.GetSettings());
    if (replay_ && !replayEnded_) {
        // The recording is the capture: the configured adapter plays no part, and
        // the settings dialog starts without one, so that confirming it keeps the replay.
        core_.GetSettings().AdapterIndex = -1;
    }
}

void KestroShell::StartCapture() {
    if (!replay_ || replayEnded_) {
        ApplyAdapter();
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

void KestroShell::ApplyAdapter() {
    const int32_t configured = core_.GetSettings().AdapterIndex;
    if (snoop_->AdapterIndex() == configured) {
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
    snoop_->Open();
    SetTimer(snoop_->Active());
    // Without this the user would see an idle window and never learn why.
    if (!snoop_->Active() && configured != -1) {
        core_.GetLog().ShowStatusMessage(Utf8ToCp932("キャプチャを開始できません: ") +
                                         ToCp932Lossy(snoop_->LastError()));
    }
}

void KestroShell::FormClose() {
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
    const Result saved =
        kestro::SaveSettings(path, core_.GetSettings(), placement ? &*placement : nullptr);
    if (!saved) {
        closeError_ = CannotWriteMessage(path);
        view_.ShowError(closeError_);
    }
}

void KestroShell::FormDestroy() {
    if (!core_.GetSettings().SaveFormSize) {
        return;
    }
    const std::string path = GetIniFileNameForSave();
    if (path.empty()) {
        return;
    }
    const Result saved = SavePlacement(path, kMainFormSection, view_.QueryPlacement());
    // The same refusal as at close tells the user nothing new.
    if (!saved && CannotWriteMessage(path) != closeError_) {
        view_.ShowError(CannotWriteMessage(path));
    }
}

void KestroShell::PopupMenuClick(MenuItem item) {
    switch (item) {
        case MenuItem::pmiAbout:
            view_.ShowAbout();
            break;
        case MenuItem::pmiConfig:
            view_.RunSettingsDialog(core_.GetSettings(), *player_, [this] { ApplyAdapter(); });
            break;
        case MenuItem::pmiLog:
            view_.ShowLog();
            break;
        case MenuItem::pmiExit:
            view_.Close();
            break;
    }
}

void KestroShell::RefreshPanel() {
    view_.ShowPanel(core_.Panel(view_.ThousandsSeparator()));
}

// What the settings dialog lists for each adapter, in adapter order: its
// description, or its name where it has none (most adapters on Linux, "lo" too),
// so that no line of the list is blank.
std::vector<std::string> KestroShell::AdapterLabels() const {
    const std::vector<std::string>& names = snoop_->AdapterNames();
    std::vector<std::string> labels = snoop_->AdapterDescriptions();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].empty() && i < names.size()) {
            labels[i] = names[i];
        }
    }
    return labels;
}

}  // namespace kestro
