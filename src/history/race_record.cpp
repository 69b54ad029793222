#include "history/race_record.h"

#include "common/race_names.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace kestro {

namespace {

constexpr std::size_t kFieldCount = 8;

// Civil date of a count of days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr int64_t kEpochOffsetDays = 25569;  // 1899-12-30 to 1970-01-01

bool IsRunner(char c) {
    return c >= '1' && c <= '6';
}

// RFC 4180 fields of one line: commas separate, a field may be quoted, and a
// quote inside a quoted field is doubled. False on a quote out of place.
bool SplitCsv(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    std::size_t i = 0;
    for (;;) {
        field.clear();
        if (i < line.size() && line[i] == '"') {
            ++i;
            for (;;) {
                if (i >= line.size()) {
                    return false;  // unterminated
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (i < line.size() && line[i] != ',') {
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ',') {
                if (line[i] == '"') {
                    return false;
                }
                field += line[i++];
            }
        }
        fields.push_back(field);
        if (i >= line.size()) {
            return true;
        }
        ++i;  // the comma
    }
}

bool ParseNumber(std::string_view text, std::size_t digits, int& value) {
    if (text.size() != digits) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

std::optional<TDateTime> ParseDateTime(std::string_view date, std::string_view time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 8 ||
        time[2] != ':' || time[5] != ':' || !ParseNumber(date.substr(0, 4), 4, year) ||
        !ParseNumber(date.substr(5, 2), 2, month) || !ParseNumber(date.substr(8, 2), 2, day) ||
        !ParseNumber(time.substr(0, 2), 2, hour) || !ParseNumber(time.substr(3, 2), 2, minute) ||
        !ParseNumber(time.substr(6, 2), 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    const TDateTime value = EncodeDateTime(year, month, day, hour, minute, second);
    // 31 February becomes 3 March: such a date was never written by us.
    if (FormatIsoDate(value) != date) {
        return std::nullopt;
    }
    return value;
}

// A runner cell: one digit 1..6, or empty for none.
bool ParseRunner(std::string_view cell, bool allowUnseen, char& runner) {
    if (cell.empty()) {
        runner = '0';
        return true;
    }
    if (cell.size() == 1 && (IsRunner(cell[0]) || (allowUnseen && cell[0] == '?'))) {
        runner = cell[0];
        return true;
    }
    return false;
}

std::string RunnerCell(char c) {
    return c == '0' ? std::string() : std::string(1, c);
}

}  // namespace

std::string_view VerdictWord(Verdict verdict) {
    switch (verdict) {
        case Verdict::Hit:
            return "hit";
        case Verdict::Miss:
            return "miss";
        case Verdict::Unknown:
            return "unknown";
        case Verdict::NoTicket:
            break;
    }
    return "no ticket";
}

// Truncated as the log's clock texts are; the milliseconds are rounded
// first, so that 21:06:31.000 held as 21:06:30.9999... is 21:06:31.
int64_t WholeSeconds(TDateTime value) {
    const double millis = std::round(value * kSecondsPerDay * 1000.0);
    return static_cast<int64_t>(std::floor(millis / 1000.0));
}

std::string FormatIsoDate(TDateTime value) {
    const int64_t days = static_cast<int64_t>(std::floor(WholeSeconds(value) / 86400.0));
    int year = 0, month = 0, day = 0;
    CivilFromDays(days - kEpochOffsetDays, year, month, day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
}

std::string FormatIsoTime(TDateTime value) {
    const int64_t seconds = WholeSeconds(value);
    const int64_t inDay = ((seconds % 86400) + 86400) % 86400;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(inDay / 3600),
                  static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60));
    return buf;
}

std::string FormatHistoryRow(const RaceRecord& record) {
    std::string row = FormatIsoDate(record.when);
    row += ',';
    row += FormatIsoTime(record.when);
    row += ',';
    row += RaceName(record.kind);
    for (const char runner : {record.winner, record.second, record.ticket1, record.ticket2}) {
        row += ',';
        row += RunnerCell(runner);
    }
    row += ',';
    row += VerdictWord(record.verdict);
    return row;
}

bool IsHistoryHeader(std::string_view line) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (line.starts_with(kBom)) {
        line.remove_prefix(kBom.size());
    }
    return line == kHistoryHeader ||
           (line.starts_with(kHistoryHeader) && line[kHistoryHeader.size()] == ',');
}

std::optional<RaceRecord> ParseHistoryRow(std::string_view line) {
    static thread_local std::vector<std::string> fields;
    if (!SplitCsv(line, fields) || fields.size() < kFieldCount) {
        return std::nullopt;
    }
    RaceRecord record;
    const auto when = ParseDateTime(fields[0], fields[1]);
    if (!when) {
        return std::nullopt;
    }
    record.when = *when;
    if (fields[2] == kSinglesName) {
        record.kind = kSingles;
    } else if (fields[2] == kDoublesName) {
        record.kind = kDoubles;
    } else {
        return std::nullopt;
    }
    if (!ParseRunner(fields[3], false, record.winner) ||
        !ParseRunner(fields[4], false, record.second) ||
        !ParseRunner(fields[5], true, record.ticket1) ||
        !ParseRunner(fields[6], true, record.ticket2)) {
        return std::nullopt;
    }
    // A result is whole, or it was never written.
    const bool doubles = record.kind == kDoubles;
    if (record.winner == '0' || (doubles != (record.second != '0'))) {
        return std::nullopt;
    }
    bool known = false;
    for (const Verdict verdict :
         {Verdict::NoTicket, Verdict::Hit, Verdict::Miss, Verdict::Unknown}) {
        if (fields[7] == VerdictWord(verdict)) {
            record.verdict = verdict;
            known = true;
        }
    }
    if (!known) {
        return std::nullopt;
    }
    return record;
}

}  // namespace kestro
