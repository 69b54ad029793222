// The history window opens on a year of evenings: about 20,000 results
// (a race of each kind every ten and a half minutes, four hours a night).
// Measured: reading the file and counting the window's numbers, and building
// the page the faces draw, as the window does each time it opens; and a file
// with an overlong line in it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "history/race_history.h"
#include "shell/history_page.h"

namespace kestro {
namespace {

constexpr int kRows = 20000;

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A year of results with tickets on about two races in three.
std::string WriteYear() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "kestro-bench-history.csv").string();
    std::filesystem::remove(path);
    RaceHistory history;
    history.Open(path, true);
    unsigned state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % 6;
    };
    std::string bytes;
    for (int i = 0; i < kRows; ++i) {
        RaceRecord r;
        r.when = EncodeDateTime(2025, 1, 1, 20, 0, 0) + i * (630.0 / 86400.0);
        r.kind = i % 2 == 0 ? kSingles : kDoubles;
        r.winner = static_cast<char>('1' + next());
        r.second = r.kind == kDoubles
                       ? static_cast<char>('1' + (r.winner - '1' + 1 + next() % 5) % 6)
                       : '0';
        if (i % 3 != 0) {
            r.ticket1 = static_cast<char>('1' + next());
            r.verdict = r.ticket1 == r.winner ? Verdict::Hit : Verdict::Miss;
        }
        bytes += FormatHistoryRow(r) + "\r\n";
    }
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF" << kHistoryHeader << "\r\n" << bytes;
    return path;
}

void BM_HistoryWindowNumbers(benchmark::State& state) {
    const std::string path = WriteYear();
    for (auto _ : state) {
        RaceHistory history;
        const HistoryLoad load = history.Open(path, true);
        const HistoryPage page = BuildHistoryPage(history.Summary(kHistoryLatestCount), true,
                                                  history.Path(), history.Usable());
        if (load.records.size() != kRows || page.latest.empty()) {
            state.SkipWithError("the year did not read back");
        }
        benchmark::DoNotOptimize(page);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_HistoryWindowNumbers)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The numbers alone, from rows already in memory (the window opened again).
void BM_HistorySummaryOnly(benchmark::State& state) {
    const std::string path = WriteYear();
    RaceHistory history;
    history.Open(path, true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildHistoryPage(history.Summary(kHistoryLatestCount), true,
                                                  history.Path(), history.Usable()));
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_HistorySummaryOnly)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// A file another program left a 256 MiB line in: the start reads past it.
// Counter "peak_MiB": the most memory the process held so far (the line
// alone would be 256); run alone (--benchmark_filter=Overlong) to read it.
void BM_HistoryOverlongLine(benchmark::State& state) {
    const std::string path = WriteYear();
    {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        const std::string block(1024 * 1024, 'x');
        for (int i = 0; i < 256; ++i) {
            out << block;
        }
        out << "\r\n";
    }
    for (auto _ : state) {
        RaceHistory history;
        const HistoryLoad load = history.Open(path, true);
        if (load.records.size() != kRows) {
            state.SkipWithError("the year did not read back");
        }
        benchmark::DoNotOptimize(load);
    }
    state.counters["peak_MiB"] = static_cast<double>(PeakResidentKiB()) / 1024.0;
    std::filesystem::remove(path);
}
BENCHMARK(BM_HistoryOverlongLine)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace kestro

BENCHMARK_MAIN();
