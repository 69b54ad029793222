#include "history/statistics.h"

#include <algorithm>

namespace kestro {

namespace {

bool IsRunner(char c) {
    return c >= '1' && c <= '6';
}

}  // namespace

int PairIndex(char a, char b) {
    if (!IsRunner(a) || !IsRunner(b) || a == b) {
        return -1;
    }
    if (a > b) {
        std::swap(a, b);
    }
    const int low = a - '1';
    const int high = b - '1';
    // Pairs starting with runner 1 take 5 places, with 2 four, and so on.
    return low * 5 - low * (low - 1) / 2 + (high - low - 1);
}

std::pair<char, char> PairAt(int index) {
    for (char a = '1'; a <= '5'; ++a) {
        for (char b = static_cast<char>(a + 1); b <= '6'; ++b) {
            if (PairIndex(a, b) == index) {
                return {a, b};
            }
        }
    }
    return {'0', '0'};
}

std::optional<double> RaceStatistics::HitRate() const {
    if (hits + misses == 0) {
        return std::nullopt;
    }
    return static_cast<double>(hits) / (hits + misses);
}

void RaceStatistics::Add(const RaceRecord& record) {
    ++races;
    if (IsRunner(record.winner)) {
        ++winners[static_cast<std::size_t>(record.winner - '1')];
    }
    if (const int pair = PairIndex(record.winner, record.second); pair >= 0) {
        ++pairs[static_cast<std::size_t>(pair)];
    }
    if (record.verdict != Verdict::NoTicket) {
        ++tickets;
    }
    if (record.verdict == Verdict::Hit) {
        ++hits;
        ++hitRun_;
        missRun_ = 0;
        longestHits = std::max(longestHits, hitRun_);
    } else if (record.verdict == Verdict::Miss) {
        ++misses;
        ++missRun_;
        hitRun_ = 0;
        longestMisses = std::max(longestMisses, missRun_);
    }
}

HistoryStatistics CountResults(std::span<const RaceRecord> records) {
    HistoryStatistics statistics;
    for (const RaceRecord& record : records) {
        statistics.Add(record);
    }
    return statistics;
}

HistorySummary Summarize(std::span<const RaceRecord> earlier, std::span<const RaceRecord> tonight,
                         std::size_t latestCount) {
    HistorySummary summary;
    summary.allTime = CountResults(earlier);
    summary.tonight = CountResults(tonight);
    // Tonight continues the runs the file ended with.
    for (const RaceRecord& record : tonight) {
        summary.allTime.Add(record);
    }
    summary.latest.reserve(std::min(latestCount, earlier.size() + tonight.size()));
    for (auto it = tonight.rbegin(); it != tonight.rend() && summary.latest.size() < latestCount;
         ++it) {
        summary.latest.push_back(*it);
    }
    for (auto it = earlier.rbegin(); it != earlier.rend() && summary.latest.size() < latestCount;
         ++it) {
        summary.latest.push_back(*it);
    }
    return summary;
}

}  // namespace kestro
