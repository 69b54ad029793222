// One confirmed race result as the history keeps it, and its line in the
// history file: CSV (RFC 4180), UTF-8, one header line, so that any
// spreadsheet opens it.
//
//   date,time,race,winner,second,ticket1,ticket2,verdict
//   2009-03-27,21:06:31,単勝,4,,4,,hit
//   2009-03-27,21:14:23,複勝,6,1,1,3,miss
//
// The Doubles runners stand in the order they finished; the ticket pair in
// ascending order, as the game's ticket is held. Runners are kept in cells of
// their own: a pair written as "1-6" would turn into a date in a spreadsheet.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/datetime.h"
#include "common/race_types.h"

namespace kestro {

struct RaceRecord {
    TDateTime when = 0.0;  // local time of the result, to the second
    RaceKind kind = kSingles;
    char winner = '0';   // '1'..'6'
    char second = '0';   // Doubles: '1'..'6'; Singles: '0'
    char ticket1 = '0';  // '0' none, '1'..'6', '?' held but unseen
    char ticket2 = '0';  // Doubles only, the higher runner of the pair
    Verdict verdict = Verdict::NoTicket;

    bool operator==(const RaceRecord&) const = default;
};

inline constexpr std::string_view kHistoryHeader =
    "date,time,race,winner,second,ticket1,ticket2,verdict";

// The row's text without its line end.
std::string FormatHistoryRow(const RaceRecord& record);

// One line (without its line end) back into a record; nullopt when it is not a
// row this program wrote: wrong field count, a runner outside 1..6, an unknown
// race or verdict, an impossible date. Quoted fields are read as RFC 4180
// says, so a file a spreadsheet saved again still reads.
std::optional<RaceRecord> ParseHistoryRow(std::string_view line);

// True when `line` (without its line end, after a byte-order mark) is this
// program's header; later versions may add columns after ours.
bool IsHistoryHeader(std::string_view line);

// The CSV's words for verdicts and races, also what the summary prints.
std::string_view VerdictWord(Verdict verdict);

// "2009-03-27" and "21:06:31" of a date-time, in local time as it is held.
std::string FormatIsoDate(TDateTime value);
std::string FormatIsoTime(TDateTime value);

// Whole seconds since 1899-12-30, the identity of a result's moment.
int64_t WholeSeconds(TDateTime value);

}  // namespace kestro
