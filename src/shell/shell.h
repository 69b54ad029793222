// The main window's logic without a toolkit: the lifecycle steps (create, show,
// close, destroy), the capture it owns (shell/capture_session.h), the
// one-second timer, the settings file, the status line and log, and the popup
// menu's actions. Each face (a Qt window, a Win32 window) implements the views
// of shell/views.h, owns one KestroShell and forwards its window events to it.
//
// Threads: everything here runs on the main thread. The capture thread only
// asks the view to wake the main thread; the hand-over then runs there.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "capture/snoop.h"
#include "common/clock.h"
#include "notify/sound_player.h"
#include "race/panel.h"
#include "settings/settings.h"
#include "settings/vu_ini_mng.h"
#include "shell/capture_session.h"
#include "shell/compact_form.h"
#include "shell/core.h"
#include "shell/history_page.h"
#include "shell/notifications.h"
#include "shell/placement.h"
#include "shell/popup_menu.h"
#include "shell/reminders_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/text_feed.h"
#include "shell/views.h"

namespace kestro {

class KestroShell final : private CoreView {
public:
    static constexpr const char* kCaption = "Kestro (#20090327-01)";
    static constexpr const char* kDebugMark = " [DEBUG]";
    // Where the settings are only read (the demo), the title says so: a change
    // made in its windows is gone at the next start.
    static constexpr const char* kReadOnlyMark = " [設定は保存されません]";
    // At the first start: reminders are off until chosen, and a player of the
    // first evening would not look for them in the popup menu.
    static constexpr const char* kRemindersHintLine =
        "リマインダー(受付開始・発走・交換締切の前に知らせる)は右クリック → リマインダー... "
        "で設定できます";
    // Why a window hidden in the tray came back by itself.
    static constexpr const char* kTrayGoneLine = "トレイがなくなったため、ウィンドウを表示しました";
    static constexpr int kTimerInterval = CaptureSession::kTimerInterval;

    // player: null gives the platform's WAV player. clock: where "now" comes
    // from for the race rules and the panel; null gives the system's local time.
    // replay: null captures from the configured adapter only. `faces` and `clock`
    // must outlive the shell.
    KestroShell(const ShellFaces& faces, std::unique_ptr<SoundPlayer> player = {},
                const Clock* clock = nullptr, std::unique_ptr<ReplaySource> replay = {});
    ~KestroShell() override;
    KestroShell(const KestroShell&) = delete;
    KestroShell& operator=(const KestroShell&) = delete;

    void FormCreate();
    void FormShow();
    // The window is asked to close (its close box, the window system, Exit):
    // true when it closes, and the face goes on with FormClose; false when it
    // went into the tray instead, which it does only when the user chose
    // that, a tray shows its icon, and neither Exit nor the session's end asked.
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();
    // Ends the capture thread (and a replay's wait for its next frame). A window
    // derived from the main window calls it first in its destructor: the thread
    // calls into the window, which is no longer whole once a base destructor runs.
    void StopCapture();
    void ApplyAdapter();
    void RealTimeTimer();
    void PopupMenuClick(MenuItem item);
    // A click on the tray icon: hides a window that is on the screen, brings
    // back one that is not (hidden, or minimised).
    void TrayIconClick();
    // Kestro was started again in this player's session and ended at once:
    // this window comes in front instead, shown again where it was when it
    // sits in the tray or is minimised. Nothing before the show or after the close.
    void BringForward();
    // The process is asked to end (a signal, the session's end): a shown main
    // window closes through its normal close, so the settings are saved and a
    // refusal is logged (never a box, which would keep the process waiting).
    // Closes nothing before the show or after the close.
    void EndSession();
    // The process is ending where no window can be drawn any more (the display
    // connection broke): the close's steps run without the view's close, and a
    // refused write goes to the log only, since no box could be shown.
    void EndWithoutDisplay();
    // A settings, placement or history write was refused. While races are
    // followed (from the show to the close) nothing waits on the player: the
    // message and the reason (what the system said) go to the status line and
    // the log, and to the desktop's notifications where they are on, once per
    // file until that file takes a write again. Before the show and at the
    // close, the reason goes to the log each time and the message to the error
    // box the first time in this process, since the same file refuses every
    // save; never a box while the process ends.
    void ReportRefusedWrite(const Result& refused) override;
    // Shows the race state and the packet count as they are now.
    void RefreshPanel() override;
    // Where every reminder the window's core fires passes (src/race/reminders.h
    // says when they fire; the headless replay, which has no shell, prints them
    // from its own core view): its text is in the log and the status line
    // already, its sound plays once this returns. A further way of telling the
    // player in the window (a desktop notification, the tray) is added here.
    void ReminderFired(const Reminder& reminder) override;
    // A race event's sound is due: told on the desktop where the player asked.
    void RaceEventDue(RaceKind kind, SoundEvent event) override;

    // The history file to keep results in, instead of the one beside the
    // settings file; it is written even where the settings are only read (a
    // replay given --history). Before FormShow.
    void SetHistoryFile(std::string path) { historyFile_ = std::move(path); }
    // The history window's page as it reads now.
    HistoryPage CurrentHistoryPage() const;
    // The window's switch: saved at once, as the settings dialog's OK is.
    void SetKeepHistory(bool keep);
    // The history window's other switch: whether the timetable is kept at the
    // close for the next start. Saved at once.
    void SetRestoreTimetable(bool restore);

    // The popup menu's window items: each change is drawn at once and saved at
    // once, as the history window's switches are; a refusal is reported.
    // pmiStayOnTop turns the switch over. `percent` is clamped to kOpacityMin..kOpacityMax.
    void SetStayOnTop(bool stayOnTop);
    void SetOpacity(int32_t percent);
    // The text feed switched on or off, saved at once. On, the status line
    // says where the file is, and the file follows the panel from then on;
    // off, the file is emptied.
    void SetTextFeed(bool on);
    // The compact form switched on or off, saved at once. On, it takes the
    // main window's place on the screen (at its own position when one is
    // kept, else at the main window's); off, the main window comes back where
    // it was and the compact form's position is kept.
    void SetCompactForm(bool on);
    // Whether every click passes through the compact form, saved at once. It
    // is in effect only while a tray shows the icon, whose click and menu are
    // the way back: without one the form always takes clicks, so it can never
    // be lost, and the status line says so once.
    void SetClickThrough(bool on);
    // The compact form's own close (its window system's): back to the main window.
    void CompactFormClose() { SetCompactForm(false); }
    // The text feed's file: beside the settings file, or a replay's beside its
    // history file (SetHistoryFile). Empty where there is neither.
    std::string TextFeedPath() const;

    // Called before each step of show and close that reaches the settings file
    // or the race state ("load", "reset", "save"), so that their order can be watched.
    void SetStepWatcher(std::function<void(std::string_view step)> watcher) {
        stepWatcher_ = std::move(watcher);
    }

    KestroCore& Core() { return core_; }
    TSnoopTCPData& Snoop() { return capture_.Snoop(); }
    SoundPlayer& Player() { return *player_; }
    CaptureState Capture() const { return capture_.State(); }
    bool TimerEnabled() const { return capture_.TimerEnabled(); }
    bool Replaying() const { return capture_.State() == CaptureState::Replaying; }

private:
    // CoreView. While races taken up from an earlier run are unconfirmed, the
    // status line says so before its text.
    void SetStatusText(std::string_view cp932) override;
    void UnconfirmedChanged() override;
    void AppendLogLine(std::string_view cp932Line) override { view_.AppendLogLine(cp932Line); }
    void ResultCounted() override { RedrawHistory(); }
    void RefusedWriteTaken(const std::string& message) override { refusing_.erase(message); }

    void Step(std::string_view step);
    // The one way the window's switches change a setting: an unchanged value does
    // nothing; a change is kept, drawn by `redraw`, and saved at once, a refusal
    // reported as every save's is.
    template <typename T>
    void ChangeSetting(T Settings::*member, T value, void (KestroShell::*redraw)());
    void RedrawHistory();
    void RedrawCloseToTray();
    void RedrawTextFeed();
    // The menu's marks of the strip's switches, which form is on the screen,
    // and whether clicks pass.
    void RedrawCompactForm();
    void ApplyForms();
    void PlaceCompactForm(CompactFormView& compact);
    void SaveCompactPlacement();
    void ApplyClickThrough();
    // The main window back on the screen where it was before it was hidden.
    void BringBackMainWindow();
    // Each second: nothing stays hidden in a tray that no longer shows the icon.
    void KeepWithinReach();
    void LoadSettings();
    void SaveSettings();
    void OpenHistory();
    void TakeUpTimetable();
    void SaveSettings(bool atClose);
    void RunSettingsDialog();
    void RunRemindersDialog();
    void HideToTray();
    // The placement to save: the window's, or while it is hidden in the tray,
    // the one it had on the screen.
    const PlacedWindow& PlacementSource() const;
    // Tells the view the window's stay settings when they differ from what it was last told.
    void ApplyStayVisible();
    // Gives the text feed the lines, while it is on and the window is open.
    void FeedLines(const std::array<std::string, 2>& lines);
    void ClearFeed();

    ShellView& view_;
    StayVisibleView& stay_;
    WindowsView& windows_;
    // A face without a notification area has the shell's own NoTray here.
    TrayView& tray_;
    NotificationSink* notifications_;
    SystemClock systemClock_;
    std::unique_ptr<SoundPlayer> player_;
    KestroCore core_;
    CaptureSession capture_;
    DesktopNotifier notifier_;
    std::function<void(std::string_view)> stepWatcher_;
    std::optional<std::string> historyFile_;
    bool shown_ = false;
    bool closed_ = false;
    bool displayLost_ = false;
    // Asked to end (EndSession): refusals go to the log only, like displayLost_.
    bool sessionEnding_ = false;
    // Exit was chosen: the close that follows ends, whatever CloseToTray says.
    bool exiting_ = false;
    // Hidden in the tray: the placement it had on the screen, which a save
    // writes as a close would have.
    class HiddenPlacement;
    std::unique_ptr<HiddenPlacement> hidden_;
    // Messages of refused writes already shown, one per file.
    std::set<std::string> refusalsShown_;
    // Messages of the files that refuse writes now, told once while races are followed.
    std::set<std::string> refusing_;
    // What ApplyStayVisible last told the view: on top, opacity.
    std::optional<std::pair<bool, int32_t>> stayApplied_;
    // The status line's text as the core last set it, without the mark.
    std::string status_;
    // Made when first switched on. Refusals in a row since the last write that
    // went through; the kFeedRefusalsTold-th is told.
    static constexpr int kFeedRefusalsTold = 3;
    std::unique_ptr<TextFeed> feed_;
    int feedRefusals_ = 0;
    // The compact form has been given its position in this run.
    bool compactPlaced_ = false;
    // What the compact form was last told of clicks; whether the lack of a
    // tray that holds click-through off has been told.
    std::optional<bool> clickThroughApplied_;
    bool clickThroughHeldTold_ = false;
};

}  // namespace kestro
