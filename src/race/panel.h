// The texts of the race panel, computed without a window: a pure function of
// the race state, the packet count and the clock (now, and its local time).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/race_types.h"
#include "settings/settings.h"

namespace kestro {

struct RaceState;

// The eighteen display controls in the order RefreshPanel writes them.
enum class PanelField : int {
    txtStatusSingle,
    txtStatusDouble,
    txtClockStatusSingle,
    txtClockStatusDouble,
    txtClockNow,
    txtClockSingle,
    txtClockDouble,
    txtClockRemainSingle,
    txtClockRemainDouble,
    txtTicketSingle,
    txtTicketDouble1,
    txtTicketDouble2,
    txtResultSingle,
    txtResultDouble1,
    txtResultDouble2,
    txtResult2Single,
    txtResult2Double1,
    txtResult2Double2,
};
constexpr int kPanelFieldCount = 18;

std::string_view PanelFieldName(PanelField field);

struct PanelTexts {
    std::array<std::string, kPanelFieldCount> fields;  // UTF-8, in PanelField order
    std::string packetCount;                           // status bar panel 1

    const std::string& operator[](PanelField f) const { return fields[static_cast<int>(f)]; }
    std::string& operator[](PanelField f) { return fields[static_cast<int>(f)]; }
};

// thousandsSeparator: the user locale's group separator (UTF-8), "" for none.
PanelTexts ComputePanelTexts(const RaceState& state, int32_t packetCount, const Clock& clock,
                             std::string_view thousandsSeparator);

// The race clock and its countdown for one clock status. Codes 1..4 read
// SinglesBaseTime and 5..8 DoublesBaseTime, whichever row shows them. Times of
// day are the clock's local time; spans are taken between instants.
std::string ClockText(const RaceState& state, ClockStatus clockStatus, const Clock& clock,
                      Instant now);
std::string ClockRemainText(const RaceState& state, ClockStatus clockStatus, Instant now);

// The moment a clock counts down to: acceptance opens, the start, the exchange
// deadline. None while a race runs (its clock counts up) or nothing is known.
struct ClockMoment {
    ReminderMoment moment;
    Instant at;
};
std::optional<ClockMoment> ClockTarget(const RaceState& state, ClockStatus clockStatus);

// A count with the given separator between groups of three digits.
std::string FormatPacketCount(int32_t count, std::string_view thousandsSeparator);

}  // namespace kestro
