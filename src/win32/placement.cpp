#include "win32/placement.h"

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

}  // namespace kestro::win32
