// A window's placement between the Win32 record and the settings file's form.
// When it is read, saved and kept reachable is the shell's (shell/placement.h).
#pragma once

#include <windows.h>

#include "settings/vu_ini_mng.h"

namespace kestro::win32 {

WindowPlacement QueryWindowPlacement(HWND window);
void ApplyWindowPlacement(HWND window, const WindowPlacement& placement);

}  // namespace kestro::win32
