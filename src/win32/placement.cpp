#include "win32/placement.h"

#include "win32/ui.h"

namespace kestro::win32 {

WindowPlacement QueryWindowPlacement(HWND window) {
    WINDOWPLACEMENT record{};
    record.length = sizeof record;
    GetWindowPlacement(window, &record);
    WindowPlacement placement;
    placement.flags = static_cast<int32_t>(record.flags);
    placement.showCmd = static_cast<int32_t>(record.showCmd);
    placement.minX = record.ptMinPosition.x;
    placement.minY = record.ptMinPosition.y;
    placement.maxX = record.ptMaxPosition.x;
    placement.maxY = record.ptMaxPosition.y;
    placement.left = record.rcNormalPosition.left;
    placement.top = record.rcNormalPosition.top;
    placement.right = record.rcNormalPosition.right;
    placement.bottom = record.rcNormalPosition.bottom;
    return placement;
}

void ApplyWindowPlacement(HWND window, const WindowPlacement& placement) {
    WINDOWPLACEMENT record{};
    record.length = sizeof record;
    record.flags = static_cast<UINT>(placement.flags);
    record.showCmd = static_cast<UINT>(placement.showCmd);
    record.ptMinPosition = {placement.minX, placement.minY};
    record.ptMaxPosition = {placement.maxX, placement.maxY};
    record.rcNormalPosition = {placement.left, placement.top, placement.right, placement.bottom};
    SetWindowPlacement(window, &record);
}

namespace {

ScreenArea AreaOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

std::vector<ScreenArea> MonitorWorkAreas() {
    std::vector<ScreenArea> areas;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM list) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info)) {
                reinterpret_cast<std::vector<ScreenArea>*>(list)->push_back(AreaOf(info.rcWork));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&areas));
    return areas;
}

ScreenArea WorkAreaNear(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) {
        return AreaOf(info.rcWork);
    }
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return AreaOf(work);
}

int PlacedHwnd::Dpi() const {
    return static_cast<int>(WindowDpi(window_));
}

}  // namespace kestro::win32
