// Kestro for Windows: makes the windows in their fixed order and runs the
// message loop until the main window is gone.
#include <windows.h>

#include "win32/about_box.h"
#include "win32/config_dialog.h"
#include "win32/log_window.h"
#include "win32/main_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kestro::win32::TfrmZKmain frmZKmain;
    kestro::win32::TfrmZKconfig frmZKconfig;
    kestro::win32::TfrmZKlog frmZKlog;
    kestro::win32::TfrmZKabout frmZKabout;
    frmZKmain.SetForms(&frmZKconfig, &frmZKlog, &frmZKabout);
    if (!frmZKmain.Alive()) {
        return 1;
    }
    frmZKmain.Show();

    MSG message{};
    while (frmZKmain.Alive() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
