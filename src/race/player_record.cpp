#include "race/player_record.h"

#include <utility>

#include "race/race_state.h"

namespace kestro {
namespace {

bool IsRunner(TicketChar c) {
    return c >= '1' && c <= '6';
}

std::string TicketText(RaceKind kind, const std::array<TicketChar, 2>& ticket) {
    std::string text(TicketGlyph(ticket[0]));
    if (kind == kDoubles) {
        text += "-" + std::string(TicketGlyph(ticket[1]));
    }
    return text;
}

}  // namespace

Verdict JudgeTicket(RaceKind kind, TicketChar ticket1, TicketChar ticket2, TicketChar winner,
                    TicketChar second) {
    const bool doubles = kind == kDoubles;
    if (ticket1 == '0' && (!doubles || ticket2 == '0')) {
        return Verdict::NoTicket;
    }
    if (!IsRunner(ticket1) || (doubles && !IsRunner(ticket2))) {
        return Verdict::Unknown;
    }
    if (!doubles) {
        return ticket1 == winner ? Verdict::Hit : Verdict::Miss;
    }
    // The pair is held in ascending order; the finishers come in the order they ran.
    const bool won =
        (ticket1 == winner && ticket2 == second) || (ticket1 == second && ticket2 == winner);
    return won ? Verdict::Hit : Verdict::Miss;
}

bool PlayerRecord::TicketWentByUnseen(const Race& race, Instant now) const {
    return !race.startedAt && !race.hasResult && race.ticketAt &&
           now - *race.ticketAt > kTicketWaitsAtMost;
}

void PlayerRecord::TicketBought(RaceKind kind, TicketChar runner, TicketChar second, Instant now) {
    if (!IsKind(kind)) {
        return;
    }
    // Tickets are sold only before a start: one decoded after the race started
    // or had its result is the next race's, whatever was heard of this one.
    if (races_[Index(kind)].startedAt || races_[Index(kind)].hasResult) {
        NextRace(kind);
    }
    Race& race = races_[Index(kind)];
    if (kind == kSingles) {
        race.ticket1 = runner;
        race.ticket2 = '0';
    } else {
        race.ticket1 = runner < second ? runner : second;
        race.ticket2 = runner < second ? second : runner;
    }
    race.ticketAt = now;
}

bool PlayerRecord::TrackEntered(RaceKind kind, Instant now) {
    if (!IsKind(kind)) {
        return false;
    }
    if (HoldsTicket(kind, now)) {
        return true;
    }
    const Race& before = races_[Index(kind)];
    // The player may hold a ticket of the race still running; once it has its
    // result, of the race to come.
    if (before.hasResult || TicketWentByUnseen(before, now) ||
        (before.startedAt && now - *before.startedAt > kSameRaceWithin)) {
        NextRace(kind);
    }
    Race& race = races_[Index(kind)];
    race.ticket1 = '?';
    race.ticket2 = kind == kDoubles ? '?' : '0';
    race.ticketAt = now;
    return false;
}

void PlayerRecord::Started(RaceKind kind, Instant now) {
    races_[Index(kind)].startedAt = now;
    // The next race runs: the exchange of the last one's winnings is over.
    won_[Index(kind)].reset();
}

void PlayerRecord::RaceStarted(RaceKind kind, Instant now) {
    if (!IsKind(kind)) {
        return;
    }
    const Race& race = races_[Index(kind)];
    if (race.startedAt && !race.hasResult && now - *race.startedAt <= kSameRaceWithin) {
        return;  // the track's and the town's line, or the timer's and a line
    }
    if (race.startedAt || race.hasResult || TicketWentByUnseen(race, now)) {
        NextRace(kind);
    }
    Started(kind, now);
}

void PlayerRecord::AcceptanceEntered(RaceKind kind) {
    if (!IsKind(kind)) {
        return;
    }
    const Race& race = races_[Index(kind)];
    // A race that has run, or was heard to end, is over: a new cycle begins.
    if (race.startedAt || race.hasResult) {
        NextRace(kind);
    }
}

void PlayerRecord::GivenUp(RaceKind kind) {
    if (IsKind(kind)) {
        won_[Index(kind)].reset();
    }
}

std::optional<RaceOutcome> PlayerRecord::ResultHeard(RaceKind kind, TicketChar winner,
                                                     TicketChar second, Instant now) {
    if (!IsKind(kind)) {
        return std::nullopt;
    }
    if (races_[Index(kind)].hasResult) {
        // No start since: the same race heard again. The first line stands, as
        // it stands in the history file and in the reminder already told.
        return std::nullopt;
    }
    const Race& before = races_[Index(kind)];
    if ((before.startedAt && now - *before.startedAt > kSameRaceWithin) ||
        TicketWentByUnseen(before, now)) {
        NextRace(kind);  // this result's start was missed, and so was the last result
    }
    Race& race = races_[Index(kind)];
    race.hasResult = true;
    race.winner = winner;
    race.second = kind == kDoubles ? second : '0';
    RaceOutcome outcome;
    outcome.kind = kind;
    outcome.winner = race.winner;
    outcome.second = race.second;
    outcome.ticket1 = race.ticket1;
    outcome.ticket2 = race.ticket2;
    outcome.verdict = JudgeTicket(kind, race.ticket1, race.ticket2, race.winner, race.second);
    if (outcome.verdict == Verdict::Hit) {
        won_[Index(kind)] = std::array<TicketChar, 2>{race.ticket1, race.ticket2};
    }
    return outcome;
}

bool PlayerRecord::HoldsTicket(RaceKind kind, Instant now) const {
    if (!IsKind(kind)) {
        return false;
    }
    const Race& race = races_[Index(kind)];
    return race.ticket1 != '0' && !TicketWentByUnseen(race, now);
}

bool PlayerRecord::HoldsTicketForRaceToCome(RaceKind kind, Instant now) const {
    if (!IsKind(kind)) {
        return false;
    }
    const Race& race = races_[Index(kind)];
    return HoldsTicket(kind, now) && !race.startedAt && !race.hasResult;
}

std::optional<Verdict> PlayerRecord::VerdictOfResult(RaceKind kind) const {
    if (!IsKind(kind) || !races_[Index(kind)].hasResult) {
        return std::nullopt;
    }
    const Race& race = races_[Index(kind)];
    return JudgeTicket(kind, race.ticket1, race.ticket2, race.winner, race.second);
}

std::optional<std::string> PlayerRecord::WonTicket(RaceKind kind) const {
    if (!IsKind(kind) || !won_[Index(kind)]) {
        return std::nullopt;
    }
    return TicketText(kind, *won_[Index(kind)]);
}

const PlayerRecord::Race& PlayerRecord::RaceOf(RaceKind kind) const {
    return races_[kind == kDoubles ? 1 : 0];
}

const std::optional<std::array<TicketChar, 2>>& PlayerRecord::WonOf(RaceKind kind) const {
    return won_[kind == kDoubles ? 1 : 0];
}

void PlayerRecord::Restore(RaceKind kind, const Race& race,
                           const std::optional<std::array<TicketChar, 2>>& won) {
    if (IsKind(kind)) {
        races_[Index(kind)] = race;
        won_[Index(kind)] = won;
    }
}

}  // namespace kestro
