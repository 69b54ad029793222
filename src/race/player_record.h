// The player's record of the races: for each kind of race, the race of the
// cycle we are in, the ticket that belongs to it, its result and how the
// ticket fared, and a won ticket still to be exchanged. Whatever tells the
// player about their tickets (the '?' on a track, the reminders, the history,
// the notifications, the timetable kept over a restart) reads it here, so
// that they never disagree.
//
// Which race a ticket belongs to:
// - a decoded ticket belongs to the race to come, the first start after its
//   purchase: bought after the race last started, or after it had its result,
//   it begins the next race, even when its result was never heard;
// - it stays that race's ticket through its result, until that race's cycle
//   moves on to the next acceptance;
// - a start seen more than kSameRaceWithin after the race's own start, or a
//   result heard that long after it, is a later race's whose start was missed;
//   a ticket never seen to start within kTicketWaitsAtMost was for a race that
//   went by unseen;
// - a result line for a race that has its result already, before its next
//   start, is the same race heard again: the first result stands.
// A ticket taken to be held on the track, its runner unseen ('?'), is the
// running race's if it has no result yet, otherwise the race to come's.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "common/datetime.h"
#include "common/race_types.h"

namespace kestro {

// One race's result as the record judged it.
struct RaceOutcome {
    RaceKind kind = kSingles;
    TicketChar winner = '0';
    TicketChar second = '0';   // Doubles: the runner second, as they finished
    TicketChar ticket1 = '0';  // the race's ticket: '0' none, '?' held but unseen
    TicketChar ticket2 = '0';  // Doubles: the higher runner of the pair
    Verdict verdict = Verdict::NoTicket;
};

class PlayerRecord {
public:
    // Half the shortest race cycle (630 s): a race runs about a minute, so a
    // start or a result this far from the race's start belongs to another race.
    static constexpr std::chrono::seconds kSameRaceWithin{300};
    // A ticket may be bought as soon as the last result is in, up to a cycle
    // (637 s) before its start: one not seen to start within the reset time
    // was bought for a start that went by unseen.
    static constexpr std::chrono::seconds kTicketWaitsAtMost{900};

    // The race of the cycle we are in, for one kind.
    struct Race {
        TicketChar ticket1 = '0';
        TicketChar ticket2 = '0';
        std::optional<Instant> ticketAt;   // bought, or taken to be held
        std::optional<Instant> startedAt;  // by a line, or by the timer
        bool hasResult = false;
        TicketChar winner = '0';
        TicketChar second = '0';
        bool operator==(const Race&) const = default;
    };

    // What the packets and the race rules saw. A kind other than Singles or
    // Doubles changes nothing.
    void TicketBought(RaceKind kind, TicketChar runner, TicketChar second, Instant now);
    // The player stepped onto the race's track: true when a ticket of this
    // cycle is held; otherwise one is taken to be held, its runner unseen.
    bool TrackEntered(RaceKind kind, Instant now);
    void RaceStarted(RaceKind kind, Instant now);
    void AcceptanceEntered(RaceKind kind);
    void GivenUp(RaceKind kind);
    // The result confirmed: the race it belongs to, judged; none when the
    // race had its result already (heard again, ignored).
    std::optional<RaceOutcome> ResultHeard(RaceKind kind, TicketChar winner, TicketChar second,
                                           Instant now);

    // A ticket of this cycle is held (the race to come's, or the running or
    // finished race's until the next acceptance).
    bool HoldsTicket(RaceKind kind, Instant now) const;
    // A ticket is held for the race that has not started yet.
    bool HoldsTicketForRaceToCome(RaceKind kind, Instant now) const;
    // How the ticket fared in the race of this cycle, once it has its result.
    std::optional<Verdict> VerdictOfResult(RaceKind kind) const;
    // The winning ticket (UTF-8 glyphs, "④" or "②-⑤") until the next race
    // of its kind runs or is given up.
    std::optional<std::string> WonTicket(RaceKind kind) const;

    // For keeping over a restart: the race of the cycle and the won ticket.
    const Race& RaceOf(RaceKind kind) const;
    const std::optional<std::array<TicketChar, 2>>& WonOf(RaceKind kind) const;
    void Restore(RaceKind kind, const Race& race,
                 const std::optional<std::array<TicketChar, 2>>& won);

private:
    static bool IsKind(RaceKind kind) { return kind == kSingles || kind == kDoubles; }
    static std::size_t Index(RaceKind kind) { return static_cast<std::size_t>(kind); }
    bool TicketWentByUnseen(const Race& race, Instant now) const;
    void NextRace(RaceKind kind) { races_[Index(kind)] = Race{}; }
    void Started(RaceKind kind, Instant now);

    std::array<Race, 2> races_{};
    std::array<std::optional<std::array<TicketChar, 2>>, 2> won_{};
};

// How a ticket fared against a whole result: '0' no ticket, any ticket byte
// that names no runner unknown; a Doubles pair wins in either order.
Verdict JudgeTicket(RaceKind kind, TicketChar ticket1, TicketChar ticket2, TicketChar winner,
                    TicketChar second);

}  // namespace kestro
