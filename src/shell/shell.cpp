#include "shell/shell.h"

#include <optional>
#include <utility>

#include "capture/capture_source.h"
#include "common/cp932.h"
#include "notify/platform_sound_player.h"
#include "notify/sound_root.h"
#include "race/race_engine.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "shell/race_glance.h"
#include "shell/timetable.h"
#include "shell/tray.h"

namespace kestro {

// What a hidden window reports of its placement depends on the window system
// (Win32 gives the hidden state); the placement on the screen is what is kept.
class KestroShell::HiddenPlacement final : public PlacedWindow {
public:
    explicit HiddenPlacement(WindowPlacement placement) : placement_(placement) {}
    WindowPlacement QueryPlacement() const override { return placement_; }
    void ApplyPlacement(const WindowPlacement&) override {}

private:
    WindowPlacement placement_;
};

namespace {

// A face without a notification area: no icon is ever shown, so a close
// never goes into a tray and clicks always stop at the compact form.
class NoTray final : public TrayView {
public:
    void ShowTrayIcon(bool) override {}
    bool TrayIconShown() const override { return false; }
    void SetTrayTip(const std::string&) override {}
};

TrayView& TrayOrNone(TrayView* tray) {
    static NoTray none;
    return tray != nullptr ? *tray : none;
}

}  // namespace

KestroShell::KestroShell(const ShellFaces& faces, std::unique_ptr<SoundPlayer> player,
                         const Clock* clock, std::unique_ptr<ReplaySource> replay)
    : view_(faces.main),
      stay_(faces.stay),
      windows_(faces.windows),
      tray_(TrayOrNone(faces.tray)),
      notifications_(faces.notifications),
      player_(player ? std::move(player) : std::make_unique<PlatformSoundPlayer>()),
      core_(clock != nullptr ? *clock : systemClock_, *this, *player_),
      capture_(view_, core_, std::move(replay)),
      notifier_(core_.GetClock(), core_.GetSettings(), core_.GetLog()) {}

KestroShell::~KestroShell() {
    // A capture thread may be in a hand-over into the core: it ends first.
    capture_.Stop();
}

void KestroShell::Step(std::string_view step) {
    if (stepWatcher_) {
        stepWatcher_(step);
    }
}

// --- window events -----------------------------------------------------------

void KestroShell::FormCreate() {
    core_.GetSettings().SaveFormSize = SaveFormSizeSetting();
    if (core_.GetSettings().SaveFormSize) {
        // The window is not showing yet: it is shown later in its normal state.
        LoadFormPlacement(view_, kMainFormSection, false);
    } else {
        KeepFormInsideWorkArea(view_, false);
    }
    // Before the first show: a window manager takes the flag with the window's
    // first appearance, and the window is never seen flickering into place.
    LoadWindowSettings(IniFile::Load(GetIniFileName()), core_.GetSettings());
    ApplyStayVisible();
}

void KestroShell::FormShow() {
    // Back from the tray: the same session goes on, nothing is read or reset.
    if (hidden_ && !closed_) {
        return;
    }
    hidden_.reset();
    shown_ = true;
    exiting_ = false;
    closed_ = false;
    capture_.BeginShow();
    LoadSettings();
    ApplyStayVisible();
    view_.SetCaption(std::string(kCaption) + (core_.GetSettings().Debug ? kDebugMark : "") +
                     (IniFileIsReadOnly() ? kReadOnlyMark : ""));
    Step("reset");
    core_.ResetRaceState();
    view_.ClearLog();
    notifier_.SetSink(notifications_);
    if (const std::string note = SettingsFileNote(); !note.empty()) {
        core_.GetLog().AddLogLine(Utf8ToCp932Lossy(note));
    }
    TakeUpTimetable();
    OpenHistory();
    // Ahead of the capture's start, whose news (an adapter that did not open)
    // must not be hidden from the status line.
    if (core_.GetSettings().OpenCount == 1) {
        core_.GetLog().ShowStatusMessage(Utf8ToCp932(kRemindersHintLine));
    }
    capture_.Start();
    RedrawCloseToTray();
    view_.CheckMenuItem(MenuItem::pmiTextFeed, core_.GetSettings().TextFeed);
    tray_.ShowTrayIcon(true);
    if (!WindowPlacesReported()) {
        core_.GetLog().AddLogLine(Utf8ToCp932(kPlacesNotReportedLine));
    }
    // Even without a capture: the window's design captions read like a live race.
    RefreshPanel();
    RedrawCompactForm();
    // Without a capture driver the adapter list is empty; say why in the status line.
    if (!MissingCaptureDriver().empty()) {
        const CaptureNotice missing = MissingDriverNotice();
        view_.SetStatusText(Utf8ToCp932(missing.status));
        core_.GetLog().AddLogLine(Utf8ToCp932(missing.log));
    }
}

// Beside the settings file by the same rule, unless a file was given. Where
// the settings are only read, the results are counted but not written.
void KestroShell::OpenHistory() {
    const bool given = historyFile_.has_value();
    const std::string path = given ? *historyFile_ : HistoryFileFor(GetIniFileName());
    const HistoryLoad load = core_.OpenHistory(path, given || !IniFileIsReadOnly());
    for (const std::string& note : load.notes) {
        core_.GetLog().AddLogLine(Utf8ToCp932Lossy(note));
    }
    // Said in the log; each result tries the file again as it is then.
    if (!load.usable) {
        core_.GetLog().AddLogLine(Utf8ToCp932Lossy(load.usable.Line()));
    }
}

// Off, every run starts from the reset, as it always has.
void KestroShell::TakeUpTimetable() {
    if (!core_.GetSettings().RestoreTimetable) {
        return;
    }
    const RaceFlags taken =
        RestoreTimetable(IniFile::Load(GetIniFileName()), core_.Engine().State(),
                         core_.Engine().Record(), core_.GetClock().Now());
    core_.MarkUnconfirmed(taken);
    if (taken[0] || taken[1]) {
        core_.GetLog().ShowStatusMessage(Utf8ToCp932("前回終了時の予想を復元しました"));
    }
}

void KestroShell::SetStatusText(std::string_view cp932) {
    status_ = cp932;
    const std::string mark = UnconfirmedMark(core_.Unconfirmed());
    view_.SetStatusText(mark.empty() ? status_ : mark + status_);
}

void KestroShell::UnconfirmedChanged() {
    view_.SetStatusText(UnconfirmedMark(core_.Unconfirmed()) + status_);
}

HistoryPage KestroShell::CurrentHistoryPage() const {
    const RaceHistory& history = core_.History();
    HistoryPage page =
        BuildHistoryPage(history.Summary(kHistoryLatestCount), core_.GetSettings().KeepHistory,
                         history.Path(), history.Usable());
    page.restore = core_.GetSettings().RestoreTimetable;
    return page;
}

template <typename T>
void KestroShell::ChangeSetting(T Settings::*member, T value, void (KestroShell::*redraw)()) {
    if (core_.GetSettings().*member == value) {
        return;
    }
    core_.GetSettings().*member = value;
    (this->*redraw)();
    SaveSettings();
}

void KestroShell::RedrawHistory() {
    // The page reads the switches back, and says where the results now go.
    windows_.RefreshHistory(CurrentHistoryPage());
}

void KestroShell::RedrawCloseToTray() {
    view_.CheckMenuItem(MenuItem::pmiCloseToTray, core_.GetSettings().CloseToTray);
}

void KestroShell::SetKeepHistory(bool keep) {
    ChangeSetting(&Settings::KeepHistory, keep, &KestroShell::RedrawHistory);
}

void KestroShell::SetRestoreTimetable(bool restore) {
    ChangeSetting(&Settings::RestoreTimetable, restore, &KestroShell::RedrawHistory);
}

void KestroShell::SetStayOnTop(bool stayOnTop) {
    ChangeSetting(&Settings::StayOnTop, stayOnTop, &KestroShell::ApplyStayVisible);
}

void KestroShell::SetOpacity(int32_t percent) {
    ChangeSetting(&Settings::Opacity, ClampOpacity(percent), &KestroShell::ApplyStayVisible);
}

void KestroShell::SetTextFeed(bool on) {
    ChangeSetting(&Settings::TextFeed, on, &KestroShell::RedrawTextFeed);
}

void KestroShell::RedrawTextFeed() {
    view_.CheckMenuItem(MenuItem::pmiTextFeed, core_.GetSettings().TextFeed);
    if (!core_.GetSettings().TextFeed) {
        ClearFeed();
        return;
    }
    // Where to point the streaming software: the log keeps it to copy.
    const std::string path = TextFeedPath();
    core_.GetLog().ShowStatusMessage(
        Utf8ToCp932Lossy("テキスト出力: " + (path.empty() ? "書き出す場所がありません" : path)));
    RefreshPanel();
}

// --- the strip over the game -------------------------------------------------

void KestroShell::SetCompactForm(bool on) {
    ChangeSetting(&Settings::CompactForm, on, &KestroShell::RedrawCompactForm);
}

void KestroShell::SetClickThrough(bool on) {
    ChangeSetting(&Settings::ClickThrough, on, &KestroShell::RedrawCompactForm);
}

void KestroShell::RedrawCompactForm() {
    view_.CheckMenuItem(MenuItem::pmiCompactForm, core_.GetSettings().CompactForm);
    view_.CheckMenuItem(MenuItem::pmiClickThrough, core_.GetSettings().ClickThrough);
    ApplyForms();
}

void KestroShell::ApplyForms() {
    if (!shown_ || closed_) {
        return;
    }
    CompactFormView& compact = windows_.CompactFormFace();
    if (core_.GetSettings().CompactForm) {
        compact.ShowLines(CompactLines(core_.Race(), core_.GetClock().Now()));
        PlaceCompactForm(compact);
        HideToTray();
        compact.SetShown(true);
    } else if (compactPlaced_) {
        SaveCompactPlacement();
        compact.SetShown(false);
        BringBackMainWindow();
    }
    ApplyClickThrough();
}

// Once a run: the player's own position, or where the main window stands, so
// that the form turns up where the player was looking.
void KestroShell::PlaceCompactForm(CompactFormView& compact) {
    if (compactPlaced_) {
        return;
    }
    compactPlaced_ = true;
    const WindowPlacement main = PlacementSource().QueryPlacement();
    WindowPlacement at = compact.QueryPlacement();
    at.right = main.left + (at.right - at.left);
    at.bottom = main.top + (at.bottom - at.top);
    at.left = main.left;
    at.top = main.top;
    at.showCmd = kShowCmdHide;
    compact.ApplyPlacement(at);
    if (core_.GetSettings().SaveFormSize) {
        LoadFormPlacement(compact, kCompactFormSection, false);
    } else {
        KeepFormInsideWorkArea(compact, false);
    }
}

void KestroShell::SaveCompactPlacement() {
    if (!compactPlaced_ || !core_.GetSettings().SaveFormSize) {
        return;
    }
    if (const Result saved = SaveFormPlacement(windows_.CompactFormFace(), kCompactFormSection);
        !saved) {
        ReportRefusedWrite(saved);
    }
}

void KestroShell::ApplyClickThrough() {
    const Settings& settings = core_.GetSettings();
    const bool wanted = settings.CompactForm && settings.ClickThrough && shown_ && !closed_;
    const bool on = wanted && tray_.TrayIconShown();
    if (wanted && !on && !clickThroughHeldTold_) {
        clickThroughHeldTold_ = true;
        core_.GetLog().ShowStatusMessage(
            Utf8ToCp932("トレイがないため、クリック透過を止めています"));
    }
    if (clickThroughApplied_ != on) {
        clickThroughApplied_ = on;
        windows_.CompactFormFace().SetClickThrough(on);
    }
}

// A replay given a history file keeps the feed beside it, in a folder of its
// own, as it keeps the results: never among the user's files.
std::string KestroShell::TextFeedPath() const {
    return historyFile_ ? TextFeedFileBeside(*historyFile_) : TextFeedFileFor(GetIniFileName());
}

void KestroShell::FeedLines(const std::array<std::string, 2>& lines) {
    if (!core_.GetSettings().TextFeed || !shown_ || closed_ || TextFeedPath().empty()) {
        return;
    }
    if (!feed_) {
        feed_ = std::make_unique<TextFeed>(TextFeedPath());
    }
    const Result written = feed_->Write(lines);
    if (written) {
        feedRefusals_ = 0;
        return;
    }
    // A reader that has the file open can refuse one replacement (Windows),
    // and the next second's write goes through: only a file that keeps
    // refusing is told, and once, or every second would fill the log.
    if (++feedRefusals_ == kFeedRefusalsTold) {
        core_.GetLog().ShowStatusMessage(Utf8ToCp932Lossy(written.Message()));
        core_.GetLog().AddLogLine(Utf8ToCp932Lossy(written.Message() + ": " + written.Reason()));
    }
}

void KestroShell::ClearFeed() {
    if (!feed_) {
        return;
    }
    if (const Result cleared = feed_->Clear(); !cleared) {
        core_.GetLog().AddLogLine(Utf8ToCp932Lossy(cleared.Message() + ": " + cleared.Reason()));
    }
}

void KestroShell::ApplyStayVisible() {
    const std::pair<bool, int32_t> stay{core_.GetSettings().StayOnTop, core_.GetSettings().Opacity};
    if (stayApplied_ != stay) {
        stayApplied_ = stay;
        stay_.ApplyStayVisible(stay.first, stay.second);
        windows_.CompactFormFace().ApplyStayVisible(stay.first, stay.second);
    }
}

void KestroShell::LoadSettings() {
    Step("load");
    kestro::LoadSettings(GetIniFileName(), KestroSoundRoot(), core_.GetSettings(),
                         KestroOwnSoundRoot());
    capture_.TakeAdapterFromSettings();
}

void KestroShell::StopCapture() {
    capture_.Stop();
}

void KestroShell::ApplyAdapter() {
    capture_.ApplyAdapter();
}

void KestroShell::RealTimeTimer() {
    core_.RealTimeTimer();
    capture_.Tick();
    notifier_.Tick();
    KeepWithinReach();
}

// A tray that went away (its panel ended, the task bar crashed) took the icon
// with it, the one way back to a window hidden there: with Kestro still
// running the player would have nothing to click. The window comes back where
// it was, or the strip where it stands for the window.
void KestroShell::KeepWithinReach() {
    if (!shown_ || closed_ || tray_.TrayIconShown()) {
        return;
    }
    if (core_.GetSettings().CompactForm) {
        CompactFormView& compact = windows_.CompactFormFace();
        if (!compact.Shown()) {
            compact.SetShown(true);
        }
        return;
    }
    if (hidden_) {
        BringBackMainWindow();
        core_.GetLog().ShowStatusMessage(Utf8ToCp932(kTrayGoneLine));
    }
}

bool KestroShell::FormCloseQuery() {
    if (exiting_ || sessionEnding_ || displayLost_ || !core_.GetSettings().CloseToTray ||
        !tray_.TrayIconShown()) {
        return true;
    }
    HideToTray();
    return false;
}

void KestroShell::HideToTray() {
    if (!hidden_) {
        hidden_ = std::make_unique<HiddenPlacement>(view_.QueryPlacement());
    }
    view_.SetOnScreen(false);
}

void KestroShell::TrayIconClick() {
    if (closed_ || !shown_) {
        return;
    }
    // The compact form stands for the main window: the click hides or brings
    // back the form, the way back to it when clicks pass through it.
    if (core_.GetSettings().CompactForm) {
        CompactFormView& compact = windows_.CompactFormFace();
        compact.SetShown(!compact.Shown());
        return;
    }
    if (view_.OnScreen()) {
        HideToTray();
        return;
    }
    BringBackMainWindow();
}

void KestroShell::BringForward() {
    if (closed_ || !shown_) {
        return;
    }
    BringBackMainWindow();
}

void KestroShell::BringBackMainWindow() {
    if (hidden_) {
        // Where it was: a window system may place a window shown again anew.
        WindowPlacement at = hidden_->QueryPlacement();
        at.showCmd = kShowCmdHide;
        view_.ApplyPlacement(at);
    }
    view_.SetOnScreen(true);
    hidden_.reset();
}

const PlacedWindow& KestroShell::PlacementSource() const {
    return hidden_ ? static_cast<const PlacedWindow&>(*hidden_) : view_;
}

void KestroShell::FormClose() {
    closed_ = true;
    capture_.Close();
    // A stream would go on showing the last countdown, stopped.
    ClearFeed();
    SaveCompactPlacement();
    windows_.CompactFormFace().SetShown(false);
    // The last try for results the history file refused; a refusal now is
    // told as any refusal at the close is.
    core_.RetryHistory();
    SaveSettings(true);
    tray_.ShowTrayIcon(false);
}

void KestroShell::SaveSettings() {
    SaveSettings(false);
}

// The timetable is kept at the close only, as it stands when the program ends.
void KestroShell::SaveSettings(bool atClose) {
    Step("save");
    const std::string path = GetIniFileNameForSave();
    if (path.empty()) {
        return;  // the settings are only read in this process
    }
    std::optional<WindowPlacement> placement;
    if (core_.GetSettings().SaveFormSize && WindowPlacesReported()) {
        placement = PlacementSource().QueryPlacement();
    }
    // Paths inside this installation's sound folder are written relative to it,
    // so that they still name the sounds after the program has moved.
    const Settings toSave =
        WithSystemRootCollapsed(core_.GetSettings(), KestroSoundRoot(), KestroOwnSoundRoot());
    std::function<void(IniFile&)> timetable;
    if (atClose && toSave.RestoreTimetable) {
        timetable = [this](IniFile& ini) {
            WriteTimetable(ini, core_.Race(), core_.Engine().Record(), core_.GetClock().Now());
        };
    }
    const Result saved =
        kestro::SaveSettings(path, toSave, placement ? &*placement : nullptr, timetable);
    if (!saved) {
        ReportRefusedWrite(saved);
    } else {
        refusing_.erase(CannotWriteMessage(path));
    }
}

void KestroShell::ReportRefusedWrite(const Result& refused) {
    const std::string& message = refused.Message();
    const std::string line = refused.Line();
    // A box now would hold the capture's hand-over behind it: frames dropped,
    // a result missed, a timetable predicted late.
    if (shown_ && !closed_) {
        if (refusing_.insert(message).second) {
            core_.GetLog().ShowStatusMessage(Utf8ToCp932Lossy(line));
            notifier_.WriteRefused(line);
        }
        return;
    }
    core_.GetLog().AddLogLine(Utf8ToCp932Lossy(line));
    // While the process ends, a box would hold it until a second signal.
    if (refusalsShown_.insert(message).second && !displayLost_ && !sessionEnding_) {
        view_.ShowError(message);
    }
}

void KestroShell::FormDestroy() {
    if (!core_.GetSettings().SaveFormSize) {
        return;
    }
    if (const Result saved = SaveFormPlacement(PlacementSource(), kMainFormSection); !saved) {
        ReportRefusedWrite(saved);
    }
}

void KestroShell::EndSession() {
    sessionEnding_ = true;
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
            windows_.ShowAbout();
            break;
        case MenuItem::pmiConfig:
            RunSettingsDialog();
            break;
        case MenuItem::pmiLog:
            windows_.ShowLog();
            break;
        case MenuItem::pmiHistory:
            windows_.ShowHistory(CurrentHistoryPage());
            break;
        case MenuItem::pmiReminders:
            RunRemindersDialog();
            break;
        case MenuItem::pmiCloseToTray:
            ChangeSetting(&Settings::CloseToTray, !core_.GetSettings().CloseToTray,
                          &KestroShell::RedrawCloseToTray);
            break;
        case MenuItem::pmiStayOnTop:
            SetStayOnTop(!core_.GetSettings().StayOnTop);
            break;
        case MenuItem::mnuOpacity:
            break;  // a submenu: its steps call SetOpacity
        case MenuItem::pmiCompactForm:
            SetCompactForm(!core_.GetSettings().CompactForm);
            break;
        case MenuItem::pmiClickThrough:
            SetClickThrough(!core_.GetSettings().ClickThrough);
            break;
        case MenuItem::pmiTextFeed:
            SetTextFeed(!core_.GetSettings().TextFeed);
            break;
        case MenuItem::pmiExit:
            exiting_ = true;
            view_.Close();
            break;
    }
}

void KestroShell::RunSettingsDialog() {
    SettingsDialog dialog(windows_.SettingsDialogFace(), *player_,
                          [this](const Result& refused) { ReportRefusedWrite(refused); });
    // Confirmed changes reach the file at once: a session that ends without a
    // close (power cut, a kill) keeps them.
    if (dialog.Run(core_.GetSettings(), capture_.ReadAdapterChoices(),
                   [this] { capture_.ApplyChosenAdapter(); })) {
        SaveSettings();
    }
}

void KestroShell::RunRemindersDialog() {
    RemindersDialog dialog(windows_.RemindersDialogFace(), PlacementSource(), *player_,
                           [this](const Result& refused) { ReportRefusedWrite(refused); });
    // As the settings dialog's OK: at once, and a refusal is reported the same way.
    if (dialog.Run(core_.GetSettings())) {
        SaveSettings();
    }
}

void KestroShell::ReminderFired(const Reminder& reminder) {
    notifier_.ReminderFired(reminder);
}

void KestroShell::RaceEventDue(RaceKind kind, SoundEvent event) {
    notifier_.RaceEvent(kind, event, core_.Race(), core_.Engine().Record());
}

void KestroShell::RefreshPanel() {
    view_.ShowPanel(core_.Panel(view_.ThousandsSeparator()));
    const Instant now = core_.GetClock().Now();
    tray_.SetTrayTip(TrayTooltip(core_.Race(), now));
    const std::array<std::string, 2> lines = CompactLines(core_.Race(), now);
    windows_.CompactFormFace().ShowLines(lines);
    FeedLines(lines);
    // A tray that has gone (its panel ended) no longer brings the form back.
    ApplyClickThrough();
}

}  // namespace kestro
