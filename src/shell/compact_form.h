// The compact form: the main window shrunk to one short line per race, for a
// player who keeps the game in front all evening. It is shown instead of the
// main window, keeps a position of its own, follows the main window's stay
// settings, and can let every click through to the game beneath; the tray
// icon and its menu are then the way back.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "shell/panel_layout.h"
#include "shell/placement.h"
#include "shell/views.h"

namespace kestro {

// How every face draws it, at 96 dots per inch: the race panel's black, the
// clocks' green in the panel's large proportional face, the lines one under
// the other with a margin round them.
namespace compact_layout {
inline constexpr main_layout::Rgb kBackground = main_layout::kPanelColour;
inline constexpr main_layout::Rgb kTextColour = main_layout::kStyleAColour;
inline constexpr int kFontPixels = main_layout::kStyleBFontPixels;
inline constexpr int kMargin = 4;
}  // namespace compact_layout

// Its stay settings follow the main window's (StayVisibleView).
class CompactFormView : public PlacedWindow, public StayVisibleView {
public:
    // The compact lines (UTF-8, Singles first), the window sized to fit them
    // in the race panel's colours and font.
    virtual void ShowLines(const std::array<std::string, 2>& lines) = 0;
    // Shown in front of the others, or hidden where it is.
    virtual void SetShown(bool shown) = 0;
    virtual bool Shown() const = 0;
    // Whether every click passes to the window beneath it.
    virtual void SetClickThrough(bool on) = 0;
    // Sized to its text: a stored size never applies.
    bool Resizable() const override { return false; }
};

}  // namespace kestro
