#include "settings/reachable_placement.h"

#include <algorithm>
#include <limits>

namespace kestro {

namespace {

// Distance between two ranges [a0, a1) and [b0, b1); 0 when they overlap.
int64_t Gap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
    return std::max<int64_t>({0, b0 - a1, a0 - b1});
}

int64_t Overlap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
    return std::max<int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// The start of a range of `length` moved into [low, high), its start inside
// when it does not fit.
int64_t Into(int64_t start, int64_t length, int64_t low, int64_t high) {
    return std::max(low, std::min(start, high - length));
}

}  // namespace

WindowPlacement KeepReachable(const WindowPlacement& placement,
                              const std::vector<ScreenArea>& areas) {
    const int64_t left = placement.left;
    const int64_t top = placement.top;
    const int64_t width = std::max<int64_t>(0, int64_t{placement.right} - left);
    const int64_t height = std::max<int64_t>(0, int64_t{placement.bottom} - top);
    const int64_t gripX = std::min<int64_t>(width, kReachableGrip);
    const int64_t gripY = std::min<int64_t>(height, kReachableGrip);

    const ScreenArea* nearest = nullptr;
    int64_t nearestDistance = std::numeric_limits<int64_t>::max();
    for (const ScreenArea& area : areas) {
        if (Overlap(left, left + width, area.left, area.right) >= std::max<int64_t>(gripX, 1) &&
            Overlap(top, top + height, area.top, area.bottom) >= std::max<int64_t>(gripY, 1)) {
            return placement;
        }
        const int64_t dx = Gap(left, left + width, area.left, area.right);
        const int64_t dy = Gap(top, top + height, area.top, area.bottom);
        const int64_t distance = dx * dx + dy * dy;
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = &area;
        }
    }
    if (nearest == nullptr) {
        return placement;
    }
    WindowPlacement moved = placement;
    const int64_t newLeft = Into(left, width, nearest->left, nearest->right);
    const int64_t newTop = Into(top, height, nearest->top, nearest->bottom);
    // Within an area's int32 bounds, and the size is what it was.
    moved.left = static_cast<int32_t>(newLeft);
    moved.top = static_cast<int32_t>(newTop);
    moved.right = static_cast<int32_t>(
        std::min<int64_t>(newLeft + width, std::numeric_limits<int32_t>::max()));
    moved.bottom = static_cast<int32_t>(
        std::min<int64_t>(newTop + height, std::numeric_limits<int32_t>::max()));
    return moved;
}

}  // namespace kestro
