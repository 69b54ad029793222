// The reminders window's rules without a toolkit ("リマインダー", from the popup
// menu): per race and moment its switch, its lead time, its sound and, for the
// start, "only without a ticket". A face implements RemindersDialogView as the
// settings dialog's faces do: copies the values in, runs modally, calls the
// events below, copies the values back. OK stores them; the shell saves them
// at once. Its placement is kept like the settings dialog's.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "common/result.h"
#include "notify/sound_player.h"
#include "settings/settings.h"
#include "shell/placement.h"

namespace kestro {

// What the window's controls hold, in Settings::Reminders' order.
struct RemindersDialogValues {
    std::array<ReminderSetting, kReminderCount> rows{};
};

class RemindersDialog;

class RemindersDialogView : public PlacedWindow {
public:
    // Fills the controls from dialog.Shown() and runs modally, calling the
    // dialog's FormShow, FormClose and TestSound on those events. True on OK,
    // with `confirmed` holding what the controls held.
    virtual bool RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) = 0;
};

// The window's design, shared by both faces (client pixels).
namespace reminders_layout {
inline constexpr const char* kCaption = "リマインダー";
inline constexpr const char* kLeadUnit = "秒前";
inline constexpr const char* kNoTicketCaption = "投票していないときだけ";
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kCancelCaption = "キャンセル";
inline constexpr int kClientWidth = 472;
inline constexpr int kClientHeight = 258;
inline constexpr int kCheckLeft = 10, kCheckWidth = 104, kRowHeight = 20;
inline constexpr int kLeadLeft = 118, kLeadWidth = 52;
inline constexpr int kUnitLeft = 174;
inline constexpr int kSoundLeft = 206, kSoundWidth = 232;
inline constexpr int kTestLeft = 444, kTestSize = 18;
inline constexpr int kNoTicketLeft = 28, kNoTicketWidth = 200;
// Each row's top; a start row has its "no ticket" switch one line below.
inline constexpr std::array<int, kReminderCount> kRowTops = {12, 38, 86, 124, 150, 198};
inline constexpr int kButtonTop = 226, kButtonWidth = 75, kButtonHeight = 24;
inline constexpr int kOkLeft = 306, kCancelLeft = 388;
}  // namespace reminders_layout

class RemindersDialog {
public:
    static constexpr const char* kSection = "TfrmZKreminders";
    using RefusedWrite = std::function<void(const Result& refused)>;

    // `player` serves the test buttons and the silence at the close; `refused`
    // hears of a placement save that failed (the shell's ReportRefusedWrite).
    RemindersDialog(RemindersDialogView& view, SoundPlayer& player, RefusedWrite refused);

    // Shows `settings`' reminders; on OK stores what the controls held, each
    // lead time brought into 1 to 600 s. True on OK.
    bool Run(Settings& settings);

    const RemindersDialogValues& Shown() const { return shown_; }
    // "単勝 受付開始" (UTF-8): the row's switch.
    static std::string RowCaption(int index);
    // Whether the row has the "only without a ticket" switch (the start's).
    static bool HasNoTicketSwitch(int index);

    // The face's events.
    void FormShow();
    // OK, Cancel, Esc and the close box alike.
    void FormClose();
    // A row's test button: plays `path`, whatever the switches say.
    void TestSound(const std::string& path);

private:
    RemindersDialogView& view_;
    SoundPlayer& player_;
    RefusedWrite refused_;
    RemindersDialogValues shown_;
    bool saveFormSize_ = true;
};

}  // namespace kestro
