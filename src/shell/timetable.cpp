#include "shell/timetable.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>

#include "common/cp932.h"
#include "race/race_timing.h"

namespace kestro {

namespace {

constexpr std::string_view kSavedAt = "SavedAt";

struct RaceKeys {
    std::string_view status;
    std::string_view clock;
    std::string_view baseTime;
    // The codes each race's status and clock status may have besides Unknown.
    RaceStatus firstStatus;
    RaceStatus lastStatus;
    ClockStatus firstClock;
    ClockStatus lastClock;
};

constexpr std::array<RaceKeys, 2> kKeys = {{
    {"SinglesStatus", "SinglesClockStatus", "SinglesBaseTime", race_status::SWaitAccepting,
     race_status::SClosingNotice, clock_status::SAcceptStart, clock_status::SExchangeDeadline},
    {"DoublesStatus", "DoublesClockStatus", "DoublesBaseTime", race_status::DWaitAccepting,
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

}  // namespace

void WriteTimetable(IniFile& ini, const RaceState& state, Instant now) {
    ini.WriteString(kTimetableSection, kSavedAt, MicrosText(now));
    for (std::size_t race = 0; race < kKeys.size(); ++race) {
        const RaceValues values = ValuesOf(state, race);
        ini.WriteInteger(kTimetableSection, kKeys[race].status, values.status);
        ini.WriteInteger(kTimetableSection, kKeys[race].clock, values.clock);
        ini.WriteString(kTimetableSection, kKeys[race].baseTime, MicrosText(values.baseTime));
    }
}

RaceFlags RestoreTimetable(const IniFile& ini, RaceState& state, Instant now) {
    RaceFlags taken{};
    const std::optional<Instant> savedAt = ReadInstant(ini, kSavedAt);
    const auto resetTime = std::chrono::seconds(race_timing::kGiveUpAfterBase);
    if (!savedAt || *savedAt > now || now - *savedAt >= resetTime) {
        return taken;
    }
    for (std::size_t race = 0; race < kKeys.size(); ++race) {
        const RaceKeys& keys = kKeys[race];
        const int32_t status = ini.ReadInteger(kTimetableSection, keys.status, 0);
        const int32_t clock = ini.ReadInteger(kTimetableSection, keys.clock, 0);
        const std::optional<Instant> baseTime = ReadInstant(ini, keys.baseTime);
        const bool known = status >= keys.firstStatus && status <= keys.lastStatus &&
                           clock >= keys.firstClock && clock <= keys.lastClock;
        // A race its timer would give up at once is not worth taking up.
        if (!known || !baseTime || now > *baseTime + resetTime) {
            continue;
        }
        SetValues(state, race,
                  {static_cast<RaceStatus>(status), static_cast<ClockStatus>(clock), *baseTime});
        taken[race] = true;
    }
    return taken;
}

std::string UnconfirmedMark(const RaceFlags& unconfirmed) {
    if (!unconfirmed[0] && !unconfirmed[1]) {
        return {};
    }
    std::string races = unconfirmed[0] ? "単勝" : "";
    if (unconfirmed[1]) {
        races += unconfirmed[0] ? "・複勝" : "複勝";
    }
    return Utf8ToCp932("[予想未確認: " + races + "] ");
}

}  // namespace kestro
