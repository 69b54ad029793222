// Keeping a restored window where the user can reach it: a placement stored
// while another monitor was plugged in, or edited by hand, may lie where no
// screen shows it.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/vu_ini_mng.h"

namespace kestro {

// A screen's available area (without panels and docks), right and bottom exclusive.
struct ScreenArea {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// How much of a window an area must show for the user to grab and move it.
inline constexpr int32_t kReachableGrip = 16;

// `placement` unchanged when some area shows at least a kReachableGrip square
// of its normal rectangle (or all of it, when it is smaller); otherwise the
// rectangle moves, its size kept, into the nearest area (the one least far from
// it), with its top-left corner inside that area when it is larger. No areas:
// unchanged.
WindowPlacement KeepReachable(const WindowPlacement& placement,
                              const std::vector<ScreenArea>& areas);

}  // namespace kestro
