// The numbers the history window and the replay's summary show, counted in
// one pass over the kept results: per race, races seen, tickets, hits, the
// longest runs of hits and of misses, and how often each runner (and, for
// Doubles, each pair) came in. Counts of the past, never a forecast.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "history/race_record.h"

namespace kestro {

// The 15 pairs of two different runners, in the order 1-2, 1-3, ... 5-6.
constexpr int kPairCount = 15;
// The pair's position; -1 when the runners are equal or not both 1..6.
int PairIndex(char a, char b);
std::pair<char, char> PairAt(int index);

struct RaceStatistics {
    int races = 0;
    int tickets = 0;  // results the player held a ticket for
    int hits = 0;
    int misses = 0;
    int longestHits = 0;
    int longestMisses = 0;
    std::array<int, 6> winners{};         // runner i + 1 finished first
    std::array<int, kPairCount> pairs{};  // Doubles: the first two, in either order

    // hits / (hits + misses); none while no ticket has been judged.
    std::optional<double> HitRate() const;
    // A result in time order. A race without a judged ticket (none held, or
    // its runner unseen) neither lengthens nor breaks a run.
    void Add(const RaceRecord& record);

private:
    int hitRun_ = 0;
    int missRun_ = 0;
};

struct HistoryStatistics {
    std::array<RaceStatistics, 2> race;  // kSingles, kDoubles
    void Add(const RaceRecord& record) { race[record.kind == kDoubles ? 1 : 0].Add(record); }
};

HistoryStatistics CountResults(std::span<const RaceRecord> records);

// Everything the window shows: tonight (since this start) and all time (the
// file's results, then tonight's), and the latest results, newest first.
struct HistorySummary {
    HistoryStatistics tonight;
    HistoryStatistics allTime;
    std::vector<RaceRecord> latest;
};

HistorySummary Summarize(std::span<const RaceRecord> earlier, std::span<const RaceRecord> tonight,
                         std::size_t latestCount);

}  // namespace kestro
