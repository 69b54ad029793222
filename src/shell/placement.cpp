#include "shell/placement.h"

#include <algorithm>
#include <limits>

#include "settings/settings_file.h"

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

int32_t Clamped(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

bool SameRect(const WindowPlacement& a, const WindowPlacement& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool g_placesReported = true;

}  // namespace

void SetWindowPlacesReported(bool reported) {
    g_placesReported = reported;
}

bool WindowPlacesReported() {
    return g_placesReported;
}

bool SaveFormSizeSetting() {
    const SettingRow& row = SettingRowOf(&Settings::SaveFormSize);
    return ReadIniBool(row.section, row.key, Settings{}.SaveFormSize);
}

WindowPlacement RestoredSize(const WindowPlacement& stored, const WindowPlacement& current,
                             bool resizable, int storedDpi, int dpi) {
    WindowPlacement restored = stored;
    int64_t width = int64_t{stored.right} - stored.left;
    int64_t height = int64_t{stored.bottom} - stored.top;
    if (!resizable) {
        width = int64_t{current.right} - current.left;
        height = int64_t{current.bottom} - current.top;
    } else if (storedDpi > 0 && dpi > 0 && storedDpi != dpi) {
        width = width * dpi / storedDpi;
        height = height * dpi / storedDpi;
    }
    restored.right = Clamped(stored.left + width);
    restored.bottom = Clamped(stored.top + height);
    return restored;
}

WindowPlacement KeepInsideWorkArea(const WindowPlacement& placement,
                                   const std::vector<ScreenArea>& areas) {
    const int64_t left = placement.left;
    const int64_t top = placement.top;
    const int64_t width = std::max<int64_t>(0, int64_t{placement.right} - left);
    const int64_t height = std::max<int64_t>(0, int64_t{placement.bottom} - top);

    // The area that shows the most of the window; when none shows any of it, the nearest.
    const ScreenArea* chosen = nullptr;
    int64_t bestShown = 0;
    int64_t nearestDistance = std::numeric_limits<int64_t>::max();
    for (const ScreenArea& area : areas) {
        const int64_t shown =
            Overlap(left, left + std::max<int64_t>(width, 1), area.left, area.right) *
            Overlap(top, top + std::max<int64_t>(height, 1), area.top, area.bottom);
        if (shown > bestShown) {
            bestShown = shown;
            chosen = &area;
        }
        if (bestShown > 0) {
            continue;
        }
        const int64_t dx = Gap(left, left + width, area.left, area.right);
        const int64_t dy = Gap(top, top + height, area.top, area.bottom);
        const int64_t distance = dx * dx + dy * dy;
        if (distance < nearestDistance) {
            nearestDistance = distance;
            chosen = &area;
        }
    }
    if (chosen == nullptr) {
        return placement;
    }
    WindowPlacement moved = placement;
    const int64_t newLeft = Into(left, width, chosen->left, chosen->right);
    const int64_t newTop = Into(top, height, chosen->top, chosen->bottom);
    // Within an area's int32 bounds, and the size is what it was.
    moved.left = static_cast<int32_t>(newLeft);
    moved.top = static_cast<int32_t>(newTop);
    moved.right = Clamped(newLeft + width);
    moved.bottom = Clamped(newTop + height);
    return moved;
}

WindowPlacement BesideMainWindow(const WindowPlacement& window, const WindowPlacement& main,
                                 const std::vector<ScreenArea>& areas, int32_t gap) {
    const int64_t width = std::max<int64_t>(0, int64_t{window.right} - window.left);
    const int64_t height = std::max<int64_t>(0, int64_t{window.bottom} - window.top);
    const int64_t mainWidth = std::max<int64_t>(0, int64_t{main.right} - main.left);
    const int64_t mainHeight = std::max<int64_t>(0, int64_t{main.bottom} - main.top);
    const auto at = [&](int64_t left, int64_t top) {
        WindowPlacement placed = window;
        placed.left = Clamped(left);
        placed.top = Clamped(top);
        placed.right = Clamped(left + width);
        placed.bottom = Clamped(top + height);
        return placed;
    };
    const WindowPlacement right = at(int64_t{main.right} + gap, main.top);
    // The main window's own area: KeepInsideWorkArea picks it for the main window.
    const WindowPlacement home = KeepInsideWorkArea(main, areas);
    const ScreenArea* area = nullptr;
    for (const ScreenArea& candidate : areas) {
        if (home.left >= candidate.left && home.top >= candidate.top &&
            home.left < candidate.right && home.top < candidate.bottom) {
            area = &candidate;
            break;
        }
    }
    if (area == nullptr) {
        return areas.empty() ? right : KeepInsideWorkArea(right, areas);
    }
    const WindowPlacement sides[] = {
        right,
        at(int64_t{main.left} - gap - width, main.top),
        at(main.left, int64_t{main.bottom} + gap),
        at(main.left, int64_t{main.top} - gap - height),
    };
    for (const WindowPlacement& side : sides) {
        if (side.left >= area->left && side.top >= area->top &&
            int64_t{side.left} + width <= area->right &&
            int64_t{side.top} + height <= area->bottom) {
            return side;
        }
    }
    const WindowPlacement over =
        at(main.left + (mainWidth - width) / 2, main.top + (mainHeight - height) / 2);
    return KeepInsideWorkArea(over, {*area});
}

int FittingDpi(int dpi, const ScreenArea& area,
               const std::function<OuterSize(int dpi)>& outerSizeAt) {
    const int64_t areaWidth = int64_t{area.right} - area.left;
    const int64_t areaHeight = int64_t{area.bottom} - area.top;
    for (int candidate = dpi; candidate > kDesignDpi; --candidate) {
        const OuterSize size = outerSizeAt(candidate);
        if (size.width <= areaWidth && size.height <= areaHeight) {
            return candidate;
        }
    }
    return std::min(dpi, kDesignDpi);
}

bool LoadFormPlacement(PlacedWindow& window, std::string_view section, bool showing,
                       PlacementParts parts) {
    const IniFile ini = IniFile::Load(GetIniFileName());
    const bool kept = ini.ReadString(section, kPlacementKeys[6]).has_value() &&
                      ini.ReadString(section, kPlacementKeys[7]).has_value();
    const WindowPlacement current = window.QueryPlacement();
    WindowPlacement placement = ReadPlacement(
        ini, section, parts, current, current.right - current.left, current.bottom - current.top);
    // A size saved at another display scale is not the design size of this one.
    const int storedDpi =
        (parts & ppNormalPos) != 0 ? ini.ReadInteger(section, kPlacementDpiKey, 0) : 0;
    placement = RestoredSize(placement, current, window.Resizable(), storedDpi, window.Dpi());
    if (!showing) {
        placement.showCmd = kShowCmdHide;
    }
    // A monitor unplugged since, a task bar moved, or a hand-edited file must
    // not leave any part of the window where the user cannot reach it.
    placement = KeepInsideWorkArea(placement, window.ScreenAreas());
    // Nothing that differs: leave the window alone. While a window is being
    // shown its toolkit may still report its position from before the frame
    // was added, and setting that back would shift it by its frame.
    if (SameRect(placement, current) && (!showing || placement.showCmd == current.showCmd)) {
        return kept;
    }
    window.ApplyPlacement(placement);
    return kept;
}

void KeepFormInsideWorkArea(PlacedWindow& window, bool showing) {
    const WindowPlacement current = window.QueryPlacement();
    WindowPlacement placement = KeepInsideWorkArea(current, window.ScreenAreas());
    if (!SameRect(placement, current)) {
        if (!showing) {
            placement.showCmd = kShowCmdHide;  // only moves
        }
        window.ApplyPlacement(placement);
    }
}

void PlaceFormBeside(PlacedWindow& window, const PlacedWindow& main, bool showing) {
    const WindowPlacement current = window.QueryPlacement();
    // A hand's breadth at the window's scale: frames that touch read as one window.
    constexpr int32_t kGap = 8;
    WindowPlacement placement = BesideMainWindow(
        current, main.QueryPlacement(), window.ScreenAreas(), kGap * window.Dpi() / kDesignDpi);
    if (!SameRect(placement, current)) {
        if (!showing) {
            placement.showCmd = kShowCmdHide;  // only moves
        }
        window.ApplyPlacement(placement);
    }
}

Result SaveFormPlacement(const PlacedWindow& window, std::string_view section) {
    const std::string path = GetIniFileNameForSave();
    // Settings kept read-only, or a place that is not the window's: nothing to
    // save, nothing failed, and the stored place stays as it was.
    if (path.empty() || !WindowPlacesReported()) {
        return Result();
    }
    return SavePlacement(path, section, window.QueryPlacement(),
                         window.Resizable() ? window.Dpi() : 0);
}

}  // namespace kestro
