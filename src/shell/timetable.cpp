#include "shell/timetable.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>

#include "common/cp932.h"
#include "common/race_names.h"
#include "race/race_timing.h"

namespace kestro {

namespace {

constexpr std::string_view kSavedAt = "SavedAt";

// How far before the save the record's instants may lie: a ticket is held
// through its race's result until the next acceptance, well within this.
constexpr std::chrono::seconds kRecordReachesBack{3600};

struct RaceKeys {
    std::string_view status;
    std::string_view clock;
    std::string_view baseTime;
    std::string_view ticket;     // "4" (Doubles "25"), '?' for a runner unseen, empty for none
    std::string_view ticketAt;   // empty with no ticket
    std::string_view startedAt;  // empty until the race started
    std::string_view result;     // the finishers in their order, empty until the result
    std::string_view won;        // a won ticket awaiting its exchange, or empty
    // The codes each race's status and clock status may have besides Unknown.
    RaceStatus firstStatus;
    RaceStatus lastStatus;
    ClockStatus firstClock;
    ClockStatus lastClock;
};

constexpr std::array<RaceKeys, 2> kKeys = {{
    {"SinglesStatus", "SinglesClockStatus", "SinglesBaseTime", "SinglesTicket", "SinglesTicketAt",
     "SinglesStartedAt", "SinglesResult", "SinglesWon", race_status::SWaitAccepting,
     race_status::SClosingNotice, clock_status::SAcceptStart, clock_status::SExchangeDeadline},
    {"DoublesStatus", "DoublesClockStatus", "DoublesBaseTime", "DoublesTicket", "DoublesTicketAt",
     "DoublesStartedAt", "DoublesResult", "DoublesWon", race_status::DWaitAccepting,
     race_status::DClosingNotice, clock_status::DAcceptStart, clock_status::DExchangeDeadline},
}};

struct RaceValues {
    RaceStatus status;
    ClockStatus clock;
    Instant baseTime;
};

RaceValues ValuesOf(const RaceState& state, std::size_t race) {
    if (race == 0) {
        return {state.SinglesStatus, state.SinglesClockStatus, state.SinglesBaseTime};
    }
    return {state.DoublesStatus, state.DoublesClockStatus, state.DoublesBaseTime};
}

void SetValues(RaceState& state, std::size_t race, const RaceValues& values) {
    (race == 0 ? state.SinglesStatus : state.DoublesStatus) = values.status;
    (race == 0 ? state.SinglesClockStatus : state.DoublesClockStatus) = values.clock;
    (race == 0 ? state.SinglesBaseTime : state.DoublesBaseTime) = values.baseTime;
}

std::string MicrosText(Instant at) {
    return std::to_string(at.time_since_epoch().count());
}

std::string MicrosText(const std::optional<Instant>& at) {
    return at ? MicrosText(*at) : std::string();
}

// Whether `later` lies at most `limit` after `earlier` (or before it). The
// values come from a file anyone can edit: the difference of two instants
// far apart does not fit their type, so it is taken without a sign.
bool AtMostAfter(Instant later, Instant earlier, Micros limit) {
    const int64_t a = later.time_since_epoch().count();
    const int64_t b = earlier.time_since_epoch().count();
    if (a <= b) {
        return true;
    }
    const uint64_t difference = static_cast<uint64_t>(a) - static_cast<uint64_t>(b);
    return difference <= static_cast<uint64_t>(limit.count());
}

bool Within(Instant a, Instant b, Micros limit) {
    return AtMostAfter(a, b, limit) && AtMostAfter(b, a, limit);
}

// One runner's byte per race place: Singles one, Doubles two.
std::string TicketText(RaceKind kind, TicketChar first, TicketChar second) {
    std::string text(1, static_cast<char>(first));
    if (kind == kDoubles) {
        text.push_back(static_cast<char>(second));
    }
    return text;
}

// The whole value, digits with an optional sign, or nothing.
std::optional<Instant> ReadInstant(const IniFile& ini, std::string_view key) {
    const std::optional<std::string> text = ini.ReadString(kTimetableSection, key);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    int64_t micros = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, micros);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return Instant(Micros(micros));
}

// A key that may be empty: nothing, a value, or a value that cannot hold.
struct Optional {
    bool ok = true;
    std::optional<Instant> at;
};

Optional ReadOptionalInstant(const IniFile& ini, std::string_view key, Instant savedAt) {
    const std::optional<std::string> text = ini.ReadString(kTimetableSection, key);
    if (!text || text->empty()) {
        return {};
    }
    const std::optional<Instant> at = ReadInstant(ini, key);
    // Not after the save, and not from long before it.
    if (!at || !AtMostAfter(*at, savedAt, std::chrono::seconds(0)) ||
        !AtMostAfter(savedAt, *at, kRecordReachesBack)) {
        return {false, std::nullopt};
    }
    return {true, at};
}

// The runners of a ticket or a result: empty for none, otherwise one byte per
// place, each a runner (or '?' where `unseen` allows it).
bool ReadRunners(const IniFile& ini, std::string_view key, RaceKind kind, bool unseen,
                 std::array<TicketChar, 2>& runners) {
    runners = {'0', '0'};
    const std::string text = ini.ReadString(kTimetableSection, key, "");
    if (text.empty()) {
        return true;
    }
    if (text.size() != (kind == kDoubles ? 2u : 1u)) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!((c >= '1' && c <= '6') || (unseen && c == '?'))) {
            return false;
        }
        runners[i] = static_cast<TicketChar>(c);
    }
    return true;
}

// The record of one race as the file holds it; nullopt when a value cannot hold.
std::optional<std::pair<PlayerRecord::Race, std::optional<std::array<TicketChar, 2>>>> ReadRecord(
    const IniFile& ini, const RaceKeys& keys, RaceKind kind, Instant savedAt) {
    PlayerRecord::Race race;
    std::array<TicketChar, 2> ticket{};
    std::array<TicketChar, 2> result{};
    std::array<TicketChar, 2> won{};
    const Optional ticketAt = ReadOptionalInstant(ini, keys.ticketAt, savedAt);
    const Optional startedAt = ReadOptionalInstant(ini, keys.startedAt, savedAt);
    if (!ticketAt.ok || !startedAt.ok || !ReadRunners(ini, keys.ticket, kind, true, ticket) ||
        !ReadRunners(ini, keys.result, kind, false, result) ||
        !ReadRunners(ini, keys.won, kind, false, won) ||
        (ticket[0] != '0') != ticketAt.at.has_value()) {
        return std::nullopt;
    }
    race.ticket1 = ticket[0];
    race.ticket2 = ticket[1];
    race.ticketAt = ticketAt.at;
    race.startedAt = startedAt.at;
    race.hasResult = result[0] != '0';
    race.winner = result[0];
    race.second = result[1];
    std::optional<std::array<TicketChar, 2>> wonTicket;
    if (won[0] != '0') {
        wonTicket = won;
    }
    return std::make_pair(race, wonTicket);
}

}  // namespace

void WriteTimetable(IniFile& ini, const RaceState& state, const PlayerRecord& record, Instant now) {
    ini.WriteString(kTimetableSection, kSavedAt, MicrosText(now));
    for (std::size_t race = 0; race < kKeys.size(); ++race) {
        const RaceKeys& keys = kKeys[race];
        const RaceValues values = ValuesOf(state, race);
        ini.WriteInteger(kTimetableSection, keys.status, values.status);
        ini.WriteInteger(kTimetableSection, keys.clock, values.clock);
        ini.WriteString(kTimetableSection, keys.baseTime, MicrosText(values.baseTime));
        // Every key each time, empty for none: the section is written over the last one.
        const auto kind = static_cast<RaceKind>(race);
        const PlayerRecord::Race& held = record.RaceOf(kind);
        const bool ticket = held.ticket1 != '0';
        ini.WriteString(kTimetableSection, keys.ticket,
                        ticket ? TicketText(kind, held.ticket1, held.ticket2) : "");
        ini.WriteString(kTimetableSection, keys.ticketAt, ticket ? MicrosText(held.ticketAt) : "");
        ini.WriteString(kTimetableSection, keys.startedAt, MicrosText(held.startedAt));
        ini.WriteString(kTimetableSection, keys.result,
                        held.hasResult ? TicketText(kind, held.winner, held.second) : "");
        const auto& won = record.WonOf(kind);
        ini.WriteString(kTimetableSection, keys.won,
                        won ? TicketText(kind, (*won)[0], (*won)[1]) : "");
    }
}

RaceFlags RestoreTimetable(const IniFile& ini, RaceState& state, PlayerRecord& record,
                           Instant now) {
    RaceFlags taken{};
    const std::optional<Instant> savedAt = ReadInstant(ini, kSavedAt);
    const auto resetTime = std::chrono::seconds(race_timing::kGiveUpAfterBase);
    // Not after now (a clock set back since), and less than the reset time before it.
    if (!savedAt || !AtMostAfter(*savedAt, now, std::chrono::seconds(0)) ||
        !AtMostAfter(now, *savedAt, resetTime - Micros(1))) {
        return taken;
    }
    for (std::size_t race = 0; race < kKeys.size(); ++race) {
        const RaceKeys& keys = kKeys[race];
        const int32_t status = ini.ReadInteger(kTimetableSection, keys.status, 0);
        const int32_t clock = ini.ReadInteger(kTimetableSection, keys.clock, 0);
        const std::optional<Instant> baseTime = ReadInstant(ini, keys.baseTime);
        const bool known = status >= keys.firstStatus && status <= keys.lastStatus &&
                           clock >= keys.firstClock && clock <= keys.lastClock;
        // A prediction lies at most a cycle ahead of the moment it was made, and
        // a race its timer would give up at once is not worth taking up.
        if (!known || !baseTime || !Within(*baseTime, *savedAt, resetTime) ||
            !AtMostAfter(now, *baseTime, resetTime)) {
            continue;
        }
        const auto kind = static_cast<RaceKind>(race);
        const auto kept = ReadRecord(ini, keys, kind, *savedAt);
        if (!kept) {
            continue;
        }
        SetValues(state, race,
                  {static_cast<RaceStatus>(status), static_cast<ClockStatus>(clock), *baseTime});
        record.Restore(kind, kept->first, kept->second);
        // What the panel shows and the sounds compare is the ticket held.
        if (kind == kSingles) {
            state.TicketSingle = kept->first.ticket1;
        } else {
            state.TicketDouble1 = kept->first.ticket1;
            state.TicketDouble2 = kept->first.ticket2;
        }
        taken[race] = true;
    }
    return taken;
}

std::string UnconfirmedMark(const RaceFlags& unconfirmed) {
    if (!unconfirmed[0] && !unconfirmed[1]) {
        return {};
    }
    std::string races = unconfirmed[0] ? std::string(kSinglesName) : "";
    if (unconfirmed[1]) {
        races += (unconfirmed[0] ? "・" : "") + std::string(kDoublesName);
    }
    return Utf8ToCp932("[予想未確認: " + races + "] ");
}

}  // namespace kestro
