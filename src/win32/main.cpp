// Kestro for Windows: makes the windows in their fixed order and runs the
// message loop until the main window is gone; a second start in the same
// session brings the first forward instead.
#include <windows.h>

#include "settings/vu_ini_mng.h"
#include "win32/main_window.h"
#include "win32/single_instance.h"
#include "win32/ui.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // One Kestro per session: a second start brings the first forward and ends.
    kestro::win32::SingleInstance one(kestro::GetIniFileName());
    if (!one.BecomeTheOne()) {
        return one.AskTheOneForward() ? 0 : 1;
    }
    // Makes the other windows with it (win32/desktop.h).
    kestro::win32::TfrmZKmain frmZKmain;
    if (!frmZKmain.Alive()) {
        return 1;
    }
    one.Mark(frmZKmain.Handle());
    frmZKmain.Show();

    MSG message{};
    while (frmZKmain.Alive() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (kestro::win32::TranslateDialogKeys(message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
