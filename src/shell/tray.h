// The notification area's icon: what its tooltip says. The rules of the icon
// (a click shows or hides the window, a close may keep running in the tray)
// are KestroShell's; each face only draws the icon and passes its clicks on.
#pragma once

#include <string>

#include "common/clock.h"
#include "race/race_state.h"

namespace kestro {

// Each race at a glance (shell/race_glance.h), with "あと" before its countdown:
// "単勝 発走 あと 2:14 / 複勝 受付開始 あと 7:40" (UTF-8); a race with no
// moment ahead shows its status instead: "単勝 レース中".
std::string TrayTooltip(const RaceState& state, Instant now);

}  // namespace kestro
