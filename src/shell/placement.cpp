#include "shell/placement.h"

namespace kestro {

bool SaveFormSizeSetting() {
    return ReadIniBool("Function", "SaveFormSize", true);
}

void LoadFormPlacement(PlacedWindow& window, std::string_view section, bool showing,
                       PlacementParts parts) {
    const IniFile ini = IniFile::Load(GetIniFileName());
    const WindowPlacement current = window.QueryPlacement();
    WindowPlacement placement = ReadPlacement(
        ini, section, parts, current, current.right - current.left, current.bottom - current.top);
    if (!showing) {
        placement.showCmd = kShowCmdHide;
    }
    // Nothing stored that differs: leave the window alone. While a window is
    // being shown its toolkit may still report its position from before the
    // frame was added, and setting that back would shift it by its frame.
    const bool sameRect = placement.left == current.left && placement.top == current.top &&
                          placement.right == current.right && placement.bottom == current.bottom;
    if (sameRect && (!showing || placement.showCmd == current.showCmd)) {
        return;
    }
    // A monitor unplugged since, or a hand-edited file, must not leave the
    // window where no screen shows it.
    window.ApplyPlacement(KeepReachable(placement, window.ScreenAreas()));
}

Result SaveFormPlacement(const PlacedWindow& window, std::string_view section) {
    const std::string path = GetIniFileNameForSave();
    if (path.empty()) {
        return Result();  // settings kept read-only: nothing to save, nothing failed
    }
    return SavePlacement(path, section, window.QueryPlacement());
}

}  // namespace kestro
