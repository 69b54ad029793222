// The main window's design, the same for every face: sizes, the black panel's
// fixed labels and display controls at their pixel rectangles, their fonts
// and colours. Rectangles are at 96 dots per inch.
#pragma once

#include <cstdint>

#include "common/race_names.h"
#include "race/panel.h"

namespace kestro::main_layout {

constexpr int kClientWidth = 433;
constexpr int kClientHeight = 87;
constexpr int kPanelHeight = 69;
constexpr int kStatusBarHeight = 19;
// Status bar panel 0 (status messages) takes what panel 1 (packet count) leaves.
constexpr int kStatusPanel0Width = 50;
constexpr int kStatusPanel1Width = 80;

struct Rgb {
    uint8_t r, g, b;
};
constexpr Rgb kPanelColour{0, 0, 0};
constexpr Rgb kLabelColour{255, 255, 255};
constexpr Rgb kControlBackground{61, 60, 41};
constexpr Rgb kStyleAColour{128, 255, 0};
constexpr Rgb kStyleBColour{255, 187, 12};
constexpr Rgb kSeparatorColour{128, 128, 128};

// Pixel heights of the faces: labels and style A in the fixed-pitch or
// proportional face at 12, style B in the proportional face at 16.
constexpr int kLabelFontPixels = 12;
constexpr int kStyleAFontPixels = 12;
constexpr int kStyleBFontPixels = 16;

// The one-pixel line under the heading row.
struct Line {
    int left, top, length;
};
constexpr Line kSeparator{3, 24, 428};

struct FixedLabel {
    const char* caption;  // UTF-8
    int left, top;
};

constexpr FixedLabel kFixedLabels[] = {
    {"状態", 42, 9},
    {"現在時刻", 110, 9},
    {"あと", 233, 10},
    {"投票", 278, 10},
    {"結果", 331, 10},
    {"前回", 382, 10},
    {kSinglesName.data(), 8, 31},
    {kDoublesName.data(), 8, 51},
    {"-", 297, 49},
    {"-", 350, 49},
    {"-", 402, 49},
};

// A: fixed-pitch face, 12 pixels, green. B: proportional face, 16 pixels, amber.
enum class TextStyle { A, B };

struct DisplayControl {
    PanelField field;
    int left, top, width, height;
    TextStyle style;
    const char* designCaption;  // UTF-8, shown until the first refresh
};

constexpr DisplayControl kDisplayControls[] = {
    {PanelField::txtClockNow, 165, 4, 58, 18, TextStyle::B, "23:59:59"},
    {PanelField::txtStatusSingle, 38, 29, 63, 16, TextStyle::A, "受付中"},
    {PanelField::txtStatusDouble, 38, 49, 63, 16, TextStyle::A, "受付待ち"},
    {PanelField::txtClockStatusSingle, 108, 29, 53, 16, TextStyle::A, "発走時間"},
    {PanelField::txtClockStatusDouble, 108, 49, 53, 16, TextStyle::A, "出走まで"},
    {PanelField::txtClockSingle, 165, 27, 58, 18, TextStyle::B, "23:59:59"},
    {PanelField::txtClockDouble, 165, 47, 58, 18, TextStyle::B, "23:59:59"},
    {PanelField::txtClockRemainSingle, 233, 27, 35, 18, TextStyle::B, "9:59"},
    {PanelField::txtClockRemainDouble, 233, 47, 35, 18, TextStyle::B, "9:59"},
    {PanelField::txtTicketSingle, 277, 27, 18, 17, TextStyle::B, "①"},
    {PanelField::txtTicketDouble1, 277, 47, 18, 17, TextStyle::B, "①"},
    {PanelField::txtTicketDouble2, 304, 47, 18, 17, TextStyle::B, "①"},
    {PanelField::txtResultSingle, 330, 27, 18, 17, TextStyle::B, "①"},
    {PanelField::txtResultDouble1, 330, 47, 18, 17, TextStyle::B, "①"},
    {PanelField::txtResultDouble2, 357, 47, 18, 17, TextStyle::B, "①"},
    {PanelField::txtResult2Single, 381, 27, 18, 17, TextStyle::B, "①"},
    {PanelField::txtResult2Double1, 382, 47, 18, 17, TextStyle::B, "①"},
    {PanelField::txtResult2Double2, 409, 47, 18, 17, TextStyle::B, "①"},
};
static_assert(sizeof kDisplayControls / sizeof kDisplayControls[0] == kPanelFieldCount);

}  // namespace kestro::main_layout
