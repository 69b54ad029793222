// The reminders window's rules without a toolkit ("リマインダー", from the popup
// menu): per race and moment its switch, its lead time, its sound and, for the
// start, "only without a ticket". A face implements RemindersDialogView as the
// settings dialog's faces do: copies the values in, runs modally, calls the
// events below, copies the values back. OK stores them; the shell saves them
// at once. Its placement is kept like the settings dialog's; until it has
// one, it opens beside the main window.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "common/result.h"
#include "notify/sound_player.h"
#include "settings/settings.h"
#include "shell/dialog_model.h"
#include "shell/placement.h"

namespace kestro {

// What the window's controls hold: the rows in Settings::Reminders' order,
// and what is also told on the desktop.
struct RemindersDialogValues {
    std::array<ReminderSetting, kReminderCount> rows{};
    NotificationSettings notifications;
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
inline constexpr int kClientHeight = 382;
inline constexpr int kCheckLeft = 10, kCheckWidth = 104, kRowHeight = 20;
inline constexpr int kLeadLeft = 118, kLeadWidth = 52;
inline constexpr int kUnitLeft = 174;
inline constexpr int kSoundLeft = 206, kSoundWidth = 232;
inline constexpr int kTestLeft = 444, kTestSize = 18;
inline constexpr int kNoTicketLeft = 28, kNoTicketWidth = 200;
// Each row's top; a start row has its "no ticket" switch one line below.
inline constexpr std::array<int, kReminderCount> kRowTops = {12, 38, 86, 124, 150, 198};
// The desktop's notifications, in a group below the rows: the reminders on a
// line of their own, then the race events in kNotifiedEvents' order, each race's
// two on a line, the rest four to a line.
inline constexpr const char* kNotifyCaption = "デスクトップ通知";
inline constexpr const char* kNotifyRemindersCaption = "リマインダー";
inline constexpr int kNotifyLeft = 10, kNotifyTop = 226, kNotifyWidth = 452, kNotifyHeight = 116;
inline constexpr int kNotifyRemindersTop = 248;
struct NotifyBox {
    int left, top, width;
};
inline constexpr std::array<NotifyBox, kNotifiedEventCount> kNotifyEventBoxes = {{
    {20, 270, 210},
    {240, 270, 210},
    {20, 292, 210},
    {240, 292, 210},
    {20, 314, 104},
    {130, 314, 104},
    {240, 314, 104},
    {350, 314, 104},
}};
inline constexpr int kButtonTop = 350, kButtonWidth = 75, kButtonHeight = 24;
inline constexpr int kOkLeft = 306, kCancelLeft = 388;
// With a frame and a caption the window still fits the smallest screen played on.
static_assert(kClientWidth <= 1024 - 16 && kClientHeight <= 768 - 48);
}  // namespace reminders_layout

class RemindersDialog {
public:
    static constexpr const char* kSection = "TfrmZKreminders";
    using RefusedWrite = DialogModel::RefusedWrite;

    // `player` serves the test buttons and the silence at the close; `refused`
    // hears of a placement save that failed (the shell's ReportRefusedWrite);
    // `mainWindow` is what it opens beside.
    RemindersDialog(RemindersDialogView& view, const PlacedWindow& mainWindow, SoundPlayer& player,
                    RefusedWrite refused);

    // Shows `settings`' reminders and notifications; on OK stores what the
    // controls held, each lead time brought into 1 to 600 s. True on OK.
    bool Run(Settings& settings);

    const RemindersDialogValues& Shown() const { return shown_; }
    // "単勝 受付開始" (UTF-8): the row's switch.
    static std::string RowCaption(int index);
    // Whether the row has the "only without a ticket" switch (the start's).
    static bool HasNoTicketSwitch(int index);
    // The notification switch of kNotifiedEvents[index]: its row's caption
    // in the settings dialog, "単勝受付開始予告".
    static std::string NotifyEventCaption(int index);

    // The face's events.
    void FormShow();
    // OK, Cancel, Esc and the close box alike.
    void FormClose();
    // A row's test button: plays `path`, whatever the switches say.
    void TestSound(const std::string& path);

private:
    RemindersDialogView& view_;
    DialogModel model_;
    RemindersDialogValues shown_;
};

}  // namespace kestro
