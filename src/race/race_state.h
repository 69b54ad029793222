// What the program knows about the two races: statuses, clocks, base times,
// tickets and results, and the map the player is taken to be on.
#pragma once

#include <string>
#include <string_view>

#include "common/datetime.h"
#include "common/race_types.h"

namespace kestro {

// The member initialisers are the state after the reset at show time.
struct RaceState {
    TicketChar TicketSingle = '0';
    TicketChar TicketDouble1 = '0';  // the lower runner of the pair
    TicketChar TicketDouble2 = '0';  // the higher runner of the pair
    TicketChar ResultSingle = '0';
    TicketChar ResultDouble1 = '0';  // lower finisher, or the only one known
    TicketChar ResultDouble2 = '0';  // higher finisher, '0' until both are known
    TicketChar PrevResultSingle = '0';
    TicketChar PrevResultDouble1 = '0';
    TicketChar PrevResultDouble2 = '0';
    // Start of the race being prepared or run; once the result is confirmed,
    // the predicted start of the next race of the same kind. Long past until set.
    Instant SinglesBaseTime{};
    Instant DoublesBaseTime{};
    RaceStatus SinglesStatus = race_status::Unknown;
    RaceStatus DoublesStatus = race_status::Unknown;
    ClockStatus SinglesClockStatus = clock_status::Unknown;
    ClockStatus DoublesClockStatus = clock_status::Unknown;
    std::string CurrentMap;  // CP932 bytes as the game sent them

    // Sets every field directly, so nothing is refreshed by it.
    void Reset() { *this = RaceState{}; }
};

// Display texts (UTF-8) of the codes; every value outside the tables reads as
// "状態不明" or "×".
std::string_view RaceStatusCaption(RaceStatus status);
std::string_view ClockStatusCaption(ClockStatus status);
std::string_view TicketGlyph(TicketChar c);

// Compares the tickets of one race with its results, byte for byte.
TicketVerdict EvaluateTickets(const RaceState& state, RaceKind kind);

}  // namespace kestro
