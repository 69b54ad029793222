// The history window's rules without a toolkit: which numbers it shows, in
// which words, the bars of how often each runner came in, the latest results,
// and the switch that keeps them. Each face copies the page into its controls
// and draws; `kestro-replay --summary` prints the same page.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/result.h"
#include "history/statistics.h"

namespace kestro {

// One line of figures: what is counted, tonight, all time.
struct HistoryFigure {
    std::string label;
    std::string tonight;
    std::string allTime;
};

// One bar: a runner or a pair, how often (all time), and its length as a share
// of the longest bar of its group (0 to 1), so that the most frequent fills it.
struct HistoryBar {
    std::string label;
    std::string count;  // e.g. "12 (25.0%)", the share of that race's results
    double length = 0.0;
};

struct HistoryRacePage {
    std::string title;  // "単勝" / "複勝"
    std::vector<HistoryFigure> figures;
    std::string winnersTitle;
    std::vector<HistoryBar> winners;
    std::string pairsTitle;         // Doubles only
    std::vector<HistoryBar> pairs;  // Doubles only
};

// Every text is UTF-8.
struct HistoryPage {
    std::string caption;
    std::string tonightHeading;
    std::string allTimeHeading;
    std::array<HistoryRacePage, 2> races;
    // Frequencies are the past: the window says so under the bars.
    std::string barsNote;
    std::string latestTitle;
    std::vector<std::string> latest;  // newest first
    std::string keepLabel;
    bool keep = true;
    // The switch that keeps the timetable for the next start.
    std::string restoreLabel;
    bool restore = false;
    std::string fileLine;  // where the results go, or why they do not
};

// How many results the list shows.
constexpr std::size_t kHistoryLatestCount = 50;

// `path` is the history file (empty: none); `usable` a failure when it is not written.
HistoryPage BuildHistoryPage(const HistorySummary& summary, bool keep, const std::string& path,
                             const Result& usable);

// The page as plain text, for the command line.
std::string HistoryPageText(const HistoryPage& page);

}  // namespace kestro
