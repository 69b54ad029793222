#include "shell/history_page.h"

#include <algorithm>
#include <cstdio>

#include "common/race_names.h"
#include "race/race_state.h"

namespace kestro {

namespace {

std::string Number(int value) {
    return std::to_string(value);
}

std::string Percent(std::optional<double> rate) {
    if (!rate) {
        return "-";
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f%%", *rate * 100.0);
    return buf;
}

std::string Glyph(char runner) {
    return std::string(TicketGlyph(static_cast<TicketChar>(runner)));
}

std::string VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Hit:
            return "的中";
        case Verdict::Miss:
            return "外れ";
        case Verdict::Unknown:
            return "番号不明";
        case Verdict::NoTicket:
            break;
    }
    return "券なし";
}

std::vector<HistoryFigure> Figures(const RaceStatistics& tonight, const RaceStatistics& all) {
    return {
        {"レース数", Number(tonight.races), Number(all.races)},
        {"購入", Number(tonight.tickets), Number(all.tickets)},
        {"的中", Number(tonight.hits), Number(all.hits)},
        {"的中率", Percent(tonight.HitRate()), Percent(all.HitRate())},
        {"最長連続的中", Number(tonight.longestHits), Number(all.longestHits)},
        {"最長連続外れ", Number(tonight.longestMisses), Number(all.longestMisses)},
    };
}

template <std::size_t N>
std::vector<HistoryBar> Bars(const std::array<int, N>& counts, int races,
                             const std::array<std::string, N>& labels) {
    const int most = *std::max_element(counts.begin(), counts.end());
    std::vector<HistoryBar> bars;
    for (std::size_t i = 0; i < N; ++i) {
        HistoryBar bar;
        bar.label = labels[i];
        const double share = races > 0 ? static_cast<double>(counts[i]) / races : 0.0;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d (%.1f%%)", counts[i], share * 100.0);
        bar.count = buf;
        bar.length = most > 0 ? static_cast<double>(counts[i]) / most : 0.0;
        bars.push_back(bar);
    }
    return bars;
}

std::string LatestLine(const RaceRecord& record) {
    std::string line = FormatIsoDate(record.when) + " " + FormatIsoTime(record.when) + "  " +
                       std::string(RaceName(record.kind)) + "  " + Glyph(record.winner);
    if (record.kind == kDoubles) {
        line += "-" + Glyph(record.second);
    }
    if (record.verdict != Verdict::NoTicket) {
        line += "  券 " + Glyph(record.ticket1);
        if (record.kind == kDoubles) {
            line += "-" + Glyph(record.ticket2);
        }
    }
    return line + "  " + VerdictText(record.verdict);
}

}  // namespace

HistoryPage BuildHistoryPage(const HistorySummary& summary, bool keep, const std::string& path,
                             const Result& usable) {
    HistoryPage page;
    page.caption = "履歴";
    page.tonightHeading = "今夜";
    page.allTimeHeading = "通算";
    std::array<std::string, 6> runners;
    for (std::size_t i = 0; i < runners.size(); ++i) {
        runners[i] = Glyph(static_cast<char>('1' + i));
    }
    std::array<std::string, kPairCount> pairs;
    for (int i = 0; i < kPairCount; ++i) {
        const auto [a, b] = PairAt(i);
        pairs[static_cast<std::size_t>(i)] = Glyph(a) + "-" + Glyph(b);
    }
    for (std::size_t kind = 0; kind < 2; ++kind) {
        const RaceStatistics& tonight = summary.tonight.race[kind];
        const RaceStatistics& all = summary.allTime.race[kind];
        HistoryRacePage& race = page.races[kind];
        race.title = std::string(RaceName(static_cast<RaceKind>(kind)));
        race.figures = Figures(tonight, all);
        race.winnersTitle = "1着の回数 (通算)";
        race.winners = Bars(all.winners, all.races, runners);
        if (kind == static_cast<std::size_t>(kDoubles)) {
            race.pairsTitle = "1着・2着の組の回数 (通算)";
            race.pairs = Bars(all.pairs, all.races, pairs);
        }
    }
    page.barsNote = "回数はこれまでの記録です。次のレースの予想ではありません。";
    page.latestTitle = "最近の結果 (新しい順)";
    for (const RaceRecord& record : summary.latest) {
        page.latest.push_back(LatestLine(record));
    }
    page.keepLabel = "結果を履歴ファイルに記録する";
    page.restoreLabel = "終了時の予想を次の起動で復元する (終了から15分以内)";
    page.keep = keep;
    if (!usable) {
        page.fileLine = "記録できません: " + usable.Line();
    } else if (path.empty()) {
        page.fileLine = "履歴ファイルなし (この回の結果だけを数えます)";
    } else {
        page.fileLine = "履歴ファイル: " + path;
    }
    return page;
}

namespace {

// A bar as a run of blocks, for a face that writes text.
std::string BarText(const HistoryBar& bar) {
    constexpr int kWidth = 12;
    const int blocks = static_cast<int>(bar.length * kWidth + 0.5);
    std::string text;
    for (int i = 0; i < kWidth; ++i) {
        text += i < blocks ? "█" : "·";
    }
    return text;
}

}  // namespace

std::string HistoryPageText(const HistoryPage& page) {
    std::string text = page.caption + "\n" + page.fileLine + "\n";
    for (const HistoryRacePage& race : page.races) {
        text +=
            "\n[" + race.title + "]\t" + page.tonightHeading + "\t" + page.allTimeHeading + "\n";
        for (const HistoryFigure& figure : race.figures) {
            text += figure.label + "\t" + figure.tonight + "\t" + figure.allTime + "\n";
        }
        text += race.winnersTitle + "\n";
        for (const HistoryBar& bar : race.winners) {
            text += "  " + bar.label + "\t" + BarText(bar) + " " + bar.count + "\n";
        }
        if (!race.pairs.empty()) {
            text += race.pairsTitle + "\n";
            for (const HistoryBar& bar : race.pairs) {
                text += "  " + bar.label + "\t" + BarText(bar) + " " + bar.count + "\n";
            }
        }
    }
    text += "\n" + page.barsNote + "\n\n" + page.latestTitle + "\n";
    for (const std::string& line : page.latest) {
        text += "  " + line + "\n";
    }
    return text;
}

}  // namespace kestro
