// Each race as a player glances at it: its name, its next moment and the
// countdown to it, or its status when no moment lies ahead. One rule for
// everything that shows the races in a word or two: the tray icon's tip, the
// compact form and the text feed.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "race/race_state.h"

namespace kestro {

struct RaceGlance {
    std::string_view name;  // "単勝" / "複勝"
    std::string what;       // the next moment, "発走", or the status, "レース中"
    std::string countdown;  // "2:14" as the panel counts it; empty with a status
};

// Singles, then Doubles (UTF-8). A race whose clock counts down to nothing
// ahead (it runs, its moment has just gone by, nothing is known of it) gives
// its status: a moment gone by is counted up again by the panel, and a
// countdown there would read as time still left.
std::array<RaceGlance, 2> RaceGlances(const RaceState& state, Instant now);

// "単勝 発走 2:14": the name, then what, then `beforeCountdown` and the
// countdown where there is one ("単勝 レース中").
std::string GlanceText(const RaceGlance& glance, std::string_view beforeCountdown = " ");

// One short line per race, Singles first: "単勝 発走 2:14", "複勝 レース中".
std::array<std::string, 2> CompactLines(const RaceState& state, Instant now);

}  // namespace kestro
