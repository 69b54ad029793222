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
#include "win32/ui.h"

namespace kestro::win32 {

// The test buttons' picture (this dialog's and the reminders window's): a
// right-pointing triangle in a sunken square, `size` pixels wide and high.
HBITMAP CreatePlayPicture(int size);

class TfrmZKconfig final : public PixelDialog, public SettingsDialogView {
public:
    enum ControlId : int {
        cboAdapter = 100,
        chkSoundEnabled,
        grpSound,
        btnTestServerMessage,
        kRowCheckBase = 200,  // + row
        kRowEditBase = 300,   // + row
    };
    TfrmZKconfig() = default;
    ~TfrmZKconfig() override;

    // The window that owns the dialog while it runs.
    void SetOwner(HWND owner) { dialogOwner_ = owner; }

    // SettingsDialogView
    bool RunModal(SettingsDialog& dialog, ConfigDialogValues& confirmed) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;
    bool Resizable() const override { return false; }
    int Dpi() const override { return static_cast<int>(dpi_); }

private:
    void OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void BuildControls();
    void CopyIn();
    ConfigDialogValues CopyOut() const;
    void btnTestServerMessageClick();

    // The dialog being drawn, while RunModal runs.
    SettingsDialog* dialog_ = nullptr;
    HWND dialogOwner_ = nullptr;
    // What each edit box read when first shown: a box left alone gives back the
    // path it was given, also one in the ANSI bytes of an older settings file.
    std::array<std::string, kConfigDialogRowCount> shownText_{};
    ConfigDialogValues confirmed_;
    HFONT font_ = nullptr;
    UINT fontDpi_ = 0;  // the dots per inch font_ and playPicture_ were made for
    HBITMAP playPicture_ = nullptr;
};

}  // namespace kestro::win32
