// A window's placement kept in the settings file, one rule for every window of
// every face: when it is read, what a restore may change, where a restored
// window may land, and where it is saved. A face only reads and sets its
// window's geometry (PlacedWindow) and tells its scale and its screens.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

// A screen's work area (without task bars, panels and docks), right and bottom exclusive.
struct ScreenArea {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The dots per inch at which a window's design pixels are screen pixels.
inline constexpr int kDesignDpi = 96;

class PlacedWindow {
public:
    virtual ~PlacedWindow() = default;
    // The window's placement now, as the settings file stores it.
    virtual WindowPlacement QueryPlacement() const = 0;
    // Sets the normal rectangle and, unless the show command is kShowCmdHide,
    // the window's state; a hidden window only moves.
    virtual void ApplyPlacement(const WindowPlacement& placement) = 0;
    // The screens' work areas; none where the window system itself keeps a
    // window on a screen.
    virtual std::vector<ScreenArea> ScreenAreas() const { return {}; }
    // Whether the user can change the window's size. One that cannot has, when
    // it is restored, the size it was made at: its design size for the scale
    // it is shown at, whatever scale the stored size was saved at.
    virtual bool Resizable() const { return true; }
    // The dots per inch the window is laid out at now. A toolkit whose pixels
    // do not change with the display scale keeps kDesignDpi.
    virtual int Dpi() const { return kDesignDpi; }
};

// Whether the window system tells a window where it is and lets it be put
// there. Wayland does neither: a window reads back a made-up place there, and
// saving that would lose the player's own. The face says so once at start;
// until then places count as reported.
void SetWindowPlacesReported(bool reported);
bool WindowPlacesReported();

// Said in the log (UTF-8) where places are not reported.
inline constexpr const char* kPlacesNotReportedLine =
    "このデスクトップ (Wayland) ではウィンドウの位置を復元できず、常に手前にも表示できません。"
    "保存済みの位置は変えません";

// Whether windows keep their placement (Settings::SaveFormSize); read at each call,
// so that a hand edit of the file counts from the next show.
bool SaveFormSizeSetting();

// Restores `window` from `section` of the settings file (GetIniFileName()):
// each key missing leaves its field as the window has it. A window that is not
// `showing` keeps its state, since it is shown later in its normal state. The
// size follows RestoredSize and the rectangle KeepInsideWorkArea. True when
// the section keeps a position for it.
bool LoadFormPlacement(PlacedWindow& window, std::string_view section, bool showing,
                       PlacementParts parts = ppAll);

// Moves a window that is not restored (no placement kept, or its design
// position) inside its work area, as a restore would; one not `showing` only moves.
void KeepFormInsideWorkArea(PlacedWindow& window, bool showing);

// Moves `window`, which keeps no place of its own, beside `main` as
// BesideMainWindow says; one not `showing` only moves.
void PlaceFormBeside(PlacedWindow& window, const PlacedWindow& main, bool showing);

// Stores the window's placement in `section` (GetIniFileNameForSave(); nothing
// while the settings are only read, nor where places are not reported); a
// resizable window's with its Dpi().
Result SaveFormPlacement(const PlacedWindow& window, std::string_view section);

// The normal rectangle a restore gives a window whose rectangle is `current`
// now: `stored`'s position with the current size for a window of fixed size,
// and `stored`'s size scaled from `storedDpi` to `dpi` for a resizable one (as
// stored where `storedDpi` is not positive).
WindowPlacement RestoredSize(const WindowPlacement& stored, const WindowPlacement& current,
                             bool resizable, int storedDpi, int dpi);

// `placement` with its normal rectangle moved, its size kept, into the work
// area that shows the most of it (the nearest when none shows any): wholly
// inside when it fits, its top-left corner inside when it does not. No areas:
// unchanged.
WindowPlacement KeepInsideWorkArea(const WindowPlacement& placement,
                                   const std::vector<ScreenArea>& areas);

// Where a secondary window that keeps no place of its own opens: beside the
// main window's normal rectangle `main`, so that the countdowns stay in sight,
// `gap` pixels apart, in the work area that shows the most of the main window:
// on its right with their tops level, else on its left, below, above (their
// left edges level), the first side where it fits wholly; where none has the
// room, over the main window's centre. Always moved inside that work area; the
// size and the show command kept. No areas: on the right.
WindowPlacement BesideMainWindow(const WindowPlacement& window, const WindowPlacement& main,
                                 const std::vector<ScreenArea>& areas, int32_t gap);

// The outer size of a window of fixed size when laid out at a dots per inch.
struct OuterSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The dots per inch to lay out a window of fixed size at: `dpi`, or the
// largest below it, not below kDesignDpi, at which `outerSizeAt` fits `area`;
// kDesignDpi when even that does not fit, and `dpi` when it is kDesignDpi or
// less. A dialog taller than the screen would hide its buttons.
int FittingDpi(int dpi, const ScreenArea& area,
               const std::function<OuterSize(int dpi)>& outerSizeAt);

}  // namespace kestro
