// A window's placement between the Win32 record and the settings file's form.
#pragma once

#include <windows.h>

#include <string>

#include "common/result.h"
#include "settings/vu_ini_mng.h"

namespace kestro::win32 {

WindowPlacement QueryWindowPlacement(HWND window);
void ApplyWindowPlacement(HWND window, const WindowPlacement& placement);

// Restores the placement of `window` from its section with every part. A
// window that is not being shown stays hidden (its show command becomes SW_HIDE).
void LoadFormPlacement(HWND window, const std::string& section, bool showing);
// Stores the placement of `window`.
Result SaveFormPlacement(HWND window, const std::string& section);

}  // namespace kestro::win32
