// A window's placement between the Win32 record and the settings file's form.
// When it is read, saved and kept reachable is the shell's (shell/placement.h).
#pragma once

#include <windows.h>

#include <vector>

#include "settings/vu_ini_mng.h"
#include "shell/placement.h"

namespace kestro::win32 {

WindowPlacement QueryWindowPlacement(HWND window);
void ApplyWindowPlacement(HWND window, const WindowPlacement& placement);
// Every monitor's work area, in the coordinates of the placement record.
std::vector<ScreenArea> MonitorWorkAreas();
// The work area of the monitor nearest `window`.
ScreenArea WorkAreaNear(HWND window);

// A window of its own as the shell's placement rules see it.
class PlacedHwnd final : public PlacedWindow {
public:
    explicit PlacedHwnd(HWND window) : window_(window) {}
    WindowPlacement QueryPlacement() const override { return QueryWindowPlacement(window_); }
    void ApplyPlacement(const WindowPlacement& placement) override {
        ApplyWindowPlacement(window_, placement);
    }
    std::vector<ScreenArea> ScreenAreas() const override { return MonitorWorkAreas(); }
    int Dpi() const override;

private:
    HWND window_;
};

}  // namespace kestro::win32
