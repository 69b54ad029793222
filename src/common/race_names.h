// The races' names (UTF-8) wherever a race is named: the panel, the log, the
// history file, the tray, the notifications, the reminders.
#pragma once

#include <string_view>

#include "common/race_types.h"

namespace kestro {

inline constexpr std::string_view kSinglesName = "単勝";
inline constexpr std::string_view kDoublesName = "複勝";

constexpr std::string_view RaceName(RaceKind kind) {
    return kind == kDoubles ? kDoublesName : kSinglesName;
}

}  // namespace kestro
