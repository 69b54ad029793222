#include "shell/tray.h"

#include "shell/race_glance.h"

namespace kestro {

std::string TrayTooltip(const RaceState& state, Instant now) {
    // "あと" marks the countdown as time left, which a tip read on its own needs.
    const std::array<RaceGlance, 2> glances = RaceGlances(state, now);
    return GlanceText(glances[0], " あと ") + " / " + GlanceText(glances[1], " あと ");
}

}  // namespace kestro
