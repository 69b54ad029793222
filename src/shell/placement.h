// A window's placement kept in the settings file, one rule for every window of
// every face: when it is read, what a restore may change, where a restored
// window may land, and where it is saved. A face only reads and sets its
// window's geometry (PlacedWindow).
#pragma once

#include <string_view>
#include <vector>

#include "common/result.h"
#include "settings/reachable_placement.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

class PlacedWindow {
public:
    virtual ~PlacedWindow() = default;
    // The window's placement now, as the settings file stores it.
    virtual WindowPlacement QueryPlacement() const = 0;
    // Sets the normal rectangle and, unless the show command is kShowCmdHide,
    // the window's state; a hidden window only moves.
    virtual void ApplyPlacement(const WindowPlacement& placement) = 0;
    // The screens' available areas, for KeepReachable; none where the window
    // system itself keeps a restored window on a screen.
    virtual std::vector<ScreenArea> ScreenAreas() const { return {}; }
};

// Whether windows keep their placement ("SaveFormSize"); read at each call,
// so that a hand edit of the file counts from the next show.
bool SaveFormSizeSetting();

// Restores `window` from `section` of the settings file (GetIniFileName()):
// each key missing leaves its field as the window has it. A window that is not
// `showing` keeps its state, since it is shown later in its normal state. A
// rectangle that no screen shows moves into the nearest one, its size kept.
void LoadFormPlacement(PlacedWindow& window, std::string_view section, bool showing,
                       PlacementParts parts = ppAll);

// Stores the window's placement in `section` (GetIniFileNameForSave(); nothing
// while the settings are only read).
Result SaveFormPlacement(const PlacedWindow& window, std::string_view section);

}  // namespace kestro
