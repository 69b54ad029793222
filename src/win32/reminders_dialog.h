// The reminders window in Win32 ("リマインダー"): per race and moment a switch,
// the lead time in seconds, the WAV file with a button that plays it, and for
// the start "only without a ticket"; below them, what is also told on the
// desktop. It draws the shell's RemindersDialog, which decides what OK stores;
// the shell saves it at once.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "shell/reminders_dialog.h"
#include "win32/shell_dialog.h"

namespace kestro::win32 {

class TfrmZKreminders final
    : public ShellDialog<RemindersDialogView, RemindersDialog, RemindersDialogValues> {
public:
    enum ControlId : int {
        kCheckBase = 200,     // + row
        kLeadBase = 300,      // + row
        kSoundBase = 400,     // + row
        kTestBase = 500,      // + row
        kNoTicketBase = 600,  // + row, the start's rows only
        kNotifyReminders = 700,
        kNotifyEventBase = 701,  // + index into kNotifiedEvents
        kNotifyGroup = 710,
    };

private:
    void OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    // Draws the test buttons.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
    void CopyIn();
    RemindersDialogValues CopyOut() const override;
    std::string PathIn(int row) const;

    // What each sound box read when first shown (see SoundPathIn).
    std::array<std::string, kReminderCount> shownText_{};
};

}  // namespace kestro::win32
