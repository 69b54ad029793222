// The races' timetable kept over a restart, when the user asks for it: what
// the predictions are made of (each race's status, clock status and base
// time) and the player's record of the race in hand (its ticket, its start
// and result, a won ticket awaiting its exchange), written at the close into
// a section of the settings file, and taken up at the next start while it
// can still hold.
//
// It lives in the settings file rather than a file of its own: it is written
// in the same single replacing write as the switch that asks for it, so the
// two never disagree; a refused write is reported as any refused settings
// write is; and where the settings are only read (a replay), nothing is kept.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "common/datetime.h"
#include "race/player_record.h"
#include "race/race_state.h"
#include "settings/ini_file.h"

namespace kestro {

inline constexpr std::string_view kTimetableSection = "Timetable";

// Singles, Doubles.
using RaceFlags = std::array<bool, 2>;

// Writes `state`'s timetable and `record` as they stand at `now`, the moment
// of the save. Times are microseconds since 1970-01-01 UTC, so that a change
// of the local zone or of summer time between the runs moves nothing.
void WriteTimetable(IniFile& ini, const RaceState& state, const PlayerRecord& record, Instant now);

// Takes up into `state` and `record` (just reset) the timetable and the record
// of each race the file holds one for, when it was saved less than the reset
// time (900 s) before `now` and not after it, the race's base time lies within
// the reset time of the save, and the race's timer would not give it up at
// `now`; the record's instants must not be after the save nor more than an
// hour before it. A missing, unreadable or impossible value leaves that race
// reset. Returns the races taken up.
RaceFlags RestoreTimetable(const IniFile& ini, RaceState& state, PlayerRecord& record, Instant now);

// What the status line carries before its text while races taken up have not
// been confirmed by a line of the announcer (CP932); empty when none is left.
// Before, not after: a long text (an adapter's description) is cut at the
// right end of the status bar, and the mark must stay in sight.
std::string UnconfirmedMark(const RaceFlags& unconfirmed);

}  // namespace kestro
