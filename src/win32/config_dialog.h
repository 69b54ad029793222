// The settings dialog in Win32: the capture adapter, the master sound switch
// and, per event, its switch and WAV file, with a button that plays the file
// being edited. It draws the shell's SettingsDialog: what it shows, what OK
// does and the keeping of its placement are decided there; confirmed settings
// reach the file at once.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "shell/config_layout.h"
#include "shell/settings_dialog.h"
#include "win32/shell_dialog.h"

namespace kestro::win32 {

// The test buttons' picture (this dialog's and the reminders window's): a
// right-pointing triangle in a sunken square, `size` pixels wide and high.
HBITMAP CreatePlayPicture(int size);

class TfrmZKconfig final
    : public ShellDialog<SettingsDialogView, SettingsDialog, ConfigDialogValues> {
public:
    enum ControlId : int {
        cboAdapter = 100,
        chkSoundEnabled,
        grpSound,
        btnTestServerMessage,
        kRowCheckBase = 200,  // + row
        kRowEditBase = 300,   // + row
    };

private:
    void OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void BuildControls();
    void CopyIn();
    ConfigDialogValues CopyOut() const override;
    void btnTestServerMessageClick();

    // What each edit box read when first shown (see SoundPathIn).
    std::array<std::string, kConfigDialogRowCount> shownText_{};
    UINT fontDpi_ = 0;  // the dots per inch font_ and playPicture_ were made for
};

}  // namespace kestro::win32
