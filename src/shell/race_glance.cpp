#include "shell/race_glance.h"

#include <optional>

#include "common/race_names.h"
#include "history/race_record.h"
#include "race/panel.h"
#include "race/reminders.h"

namespace kestro {
namespace {

RaceGlance GlanceAt(RaceKind kind, RaceStatus status, ClockStatus clockStatus,
                    const RaceState& state, Instant now) {
    RaceGlance glance{RaceName(kind), {}, {}};
    const std::optional<ClockMoment> next = ClockTarget(state, clockStatus);
    if (!next || next->at <= now) {
        glance.what = RaceStatusCaption(status);
        return glance;
    }
    glance.what = ReminderMomentCaption(next->moment);
    glance.countdown = ClockRemainText(state, clockStatus, now);
    return glance;
}

}  // namespace

std::array<RaceGlance, 2> RaceGlances(const RaceState& state, Instant now) {
    return {GlanceAt(kSingles, state.SinglesStatus, state.SinglesClockStatus, state, now),
            GlanceAt(kDoubles, state.DoublesStatus, state.DoublesClockStatus, state, now)};
}

std::string GlanceText(const RaceGlance& glance, std::string_view beforeCountdown) {
    std::string text = std::string(glance.name) + " " + glance.what;
    if (!glance.countdown.empty()) {
        text += std::string(beforeCountdown) + glance.countdown;
    }
    return text;
}

std::array<std::string, 2> CompactLines(const RaceState& state, Instant now) {
    const std::array<RaceGlance, 2> glances = RaceGlances(state, now);
    return {GlanceText(glances[0]), GlanceText(glances[1])};
}

}  // namespace kestro
