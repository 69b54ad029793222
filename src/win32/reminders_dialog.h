// The reminders window in Win32 ("リマインダー"): per race and moment a switch,
// the lead time in seconds, the WAV file with a button that plays it, and for
// the start "only without a ticket". It draws the shell's RemindersDialog,
// which decides what OK stores; the shell saves it at once.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "shell/reminders_dialog.h"
#include "win32/ui.h"

namespace kestro::win32 {

class TfrmZKreminders final : public PixelDialog, public RemindersDialogView {
public:
    enum ControlId : int {
        kCheckBase = 200,     // + row
        kLeadBase = 300,      // + row
        kSoundBase = 400,     // + row
        kTestBase = 500,      // + row
        kNoTicketBase = 600,  // + row, the start's rows only
    };
    TfrmZKreminders() = default;
    ~TfrmZKreminders() override;

    // The window that owns the dialog while it runs.
    void SetOwner(HWND owner) { dialogOwner_ = owner; }

    // RemindersDialogView
    bool RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;
    bool Resizable() const override { return false; }
    int Dpi() const override { return static_cast<int>(dpi_); }

private:
    void OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void CopyIn();
    RemindersDialogValues CopyOut() const;
    std::string PathIn(int row) const;

    RemindersDialog* dialog_ = nullptr;
    HWND dialogOwner_ = nullptr;
    // What each sound box read when first shown: a box left alone gives back
    // the path it was given.
    std::array<std::string, kReminderCount> shownText_{};
    RemindersDialogValues confirmed_;
    HFONT font_ = nullptr;
    HBITMAP playPicture_ = nullptr;
};

}  // namespace kestro::win32
