#include "shell/tray.h"

#include <optional>
#include <string_view>

#include "race/panel.h"
#include "race/reminders.h"

namespace kestro {
namespace {

std::string RacePart(std::string_view name, RaceStatus status, const RaceState& state,
                     ClockStatus clockStatus, Instant now) {
    const std::optional<ClockMoment> next = ClockTarget(state, clockStatus);
    // A moment gone by is counted up again by the panel; "あと" would then lie.
    if (!next || next->at <= now) {
        return std::string(name) + " " + std::string(RaceStatusCaption(status));
    }
    return std::string(name) + " " + std::string(ReminderMomentCaption(next->moment)) + " あと " +
           ClockRemainText(state, clockStatus, now);
}

}  // namespace

std::string TrayTooltip(const RaceState& state, Instant now) {
    return RacePart("単勝", state.SinglesStatus, state, state.SinglesClockStatus, now) + " / " +
           RacePart("複勝", state.DoublesStatus, state, state.DoublesClockStatus, now);
}

}  // namespace kestro
