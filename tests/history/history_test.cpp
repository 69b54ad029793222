#include "history/race_history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/portable.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

const std::string kHeader = "\xEF\xBB\xBF" + std::string(kHistoryHeader) + "\r\n";

std::string Rows(const std::vector<std::string>& rows) {
    std::string text = kHeader;
    for (const std::string& row : rows) {
        text += row + "\r\n";
    }
    return text;
}

RaceRecord Singles(int minute, char winner, char ticket, Verdict verdict) {
    return {
        EncodeDateTime(2009, 3, 27, 21, minute, 0), kSingles, winner, '0', ticket, '0', verdict};
}

// --- rows -------------------------------------------------------------------

TEST(HistoryRow, WritesAndReadsBackEveryField) {
    const RaceRecord doubles{
        EncodeDateTime(2009, 3, 27, 21, 14, 23, 900), kDoubles, '6', '1', '1', '3', Verdict::Miss};
    EXPECT_EQ(FormatHistoryRow(doubles), "2009-03-27,21:14:23,複勝,6,1,1,3,miss");
    const auto back = ParseHistoryRow(FormatHistoryRow(doubles));
    ASSERT_TRUE(back);
    EXPECT_EQ(FormatHistoryRow(*back), FormatHistoryRow(doubles));
    EXPECT_EQ(FormatHistoryRow(Singles(6, '4', '?', Verdict::Unknown)),
              "2009-03-27,21:06:00,単勝,4,,?,,unknown");
}

TEST(HistoryRow, ReadsWhatASpreadsheetWritesAndRefusesTheRest) {
    struct Case {
        const char* line;
        bool reads;
    };
    const Case cases[] = {
        {"2009-03-27,21:06:31,単勝,4,,,,no ticket", true},
        {"\"2009-03-27\",\"21:06:31\",\"単勝\",\"4\",\"\",\"4\",\"\",\"hit\"", true},
        {"2009-03-27,21:06:31,単勝,4,,4,,hit,a later column", true},
        {"2009-03-27,21:06:31,単勝,4,,4,,hi", false},         // torn
        {"2009-03-27,21:06:31,単勝,4,,4,", false},            // torn
        {"2009-03-27,21:06:31,単勝,7,,,,no ticket", false},   // no runner 7
        {"2009-03-27,21:06:31,複勝,4,,,,no ticket", false},   // half a pair
        {"2009-03-27,21:06:31,単勝,4,2,,,no ticket", false},  // Singles has no second
        {"2009-02-30,21:06:31,単勝,4,,,,no ticket", false},   // no such day
        {"2009-03-27,24:00:00,単勝,4,,,,no ticket", false},
        {"2009-03-27,21:06:31,馬券,4,,,,no ticket", false},
        {"2009-03-27,21:06:31,単勝,4,,4,,won", false},
        {"\"2009-03-27,21:06:31,単勝,4,,4,,hit", false},  // unterminated quote
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseHistoryRow(c.line).has_value(), c.reads) << c.line;
    }
}

// --- statistics ---------------------------------------------------------------

TEST(HistoryStatistics, CountsAHandMadeFile) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        RaceKind kind;
        // races, tickets, hits, misses, longest run of hits, longest run of misses
        std::vector<int> counts;
        const char* hitRate;  // "-" when nothing was judged
        std::vector<int> winners;
        int pair16;  // Doubles: how often 1 and 6 came in together
    };
    const std::vector<Case> cases = {
        {"empty", {}, kSingles, {0, 0, 0, 0, 0, 0}, "-", {0, 0, 0, 0, 0, 0}, 0},
        {"only races without a ticket",
         {"2009-03-27,20:00:00,単勝,4,,,,no ticket", "2009-03-27,20:11:00,単勝,4,,,,no ticket"},
         kSingles,
         {2, 0, 0, 0, 0, 0},
         "-",
         {0, 0, 0, 2, 0, 0},
         0},
        {"a race sat out keeps a run going; an unseen ticket neither",
         {"2009-03-27,20:00:00,単勝,1,,1,,hit", "2009-03-27,20:11:00,単勝,2,,,,no ticket",
          "2009-03-27,20:22:00,単勝,3,,3,,hit", "2009-03-27,20:33:00,単勝,3,,?,,unknown",
          "2009-03-27,20:44:00,単勝,5,,5,,hit", "2009-03-27,20:55:00,単勝,6,,1,,miss",
          "2009-03-27,21:06:00,単勝,6,,2,,miss", "2009-03-27,21:17:00,単勝,1,,1,,hit",
          "2009-03-27,21:28:00,単勝,2,,4,,miss"},
         kSingles,
         {9, 8, 4, 3, 3, 2},
         "0.571",
         {2, 2, 2, 0, 1, 2},
         0},
        {"Doubles counts the winner and the pair in either order",
         {"2009-03-27,20:07:00,複勝,6,1,1,6,hit", "2009-03-27,20:18:00,複勝,1,6,2,3,miss",
          "2009-03-27,20:29:00,複勝,2,3,2,3,hit", "2009-03-27,20:35:00,単勝,3,,3,,hit"},
         kDoubles,
         {3, 3, 2, 1, 1, 1},
         "0.667",
         {1, 1, 0, 0, 0, 1},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const HistoryLoad load = ParseHistoryFile("h.csv", Rows(c.rows));
        ASSERT_TRUE(load.notes.empty() && load.usable.Succeeded());
        const RaceStatistics s = CountResults(load.records).race[c.kind == kDoubles ? 1 : 0];
        EXPECT_EQ((std::vector<int>{s.races, s.tickets, s.hits, s.misses, s.longestHits,
                                    s.longestMisses}),
                  c.counts);
        if (std::string(c.hitRate) == "-") {
            EXPECT_FALSE(s.HitRate());
        } else {
            ASSERT_TRUE(s.HitRate());
            EXPECT_NEAR(*s.HitRate(), std::stod(c.hitRate), 0.001);
        }
        EXPECT_EQ(std::vector<int>(s.winners.begin(), s.winners.end()), c.winners);
        EXPECT_EQ(s.pairs[static_cast<std::size_t>(PairIndex('1', '6'))], c.pair16);
    }
}

TEST(HistoryStatistics, EveryPairHasItsOwnPlace) {
    std::vector<int> seen(kPairCount, 0);
    for (char a = '1'; a <= '6'; ++a) {
        for (char b = '1'; b <= '6'; ++b) {
            const int index = PairIndex(a, b);
            EXPECT_EQ(index < 0, a == b);
            if (index >= 0) {
                ASSERT_LT(index, kPairCount);
                ++seen[static_cast<std::size_t>(index)];
                EXPECT_EQ(PairAt(index), std::make_pair(std::min(a, b), std::max(a, b)));
            }
        }
    }
    EXPECT_EQ(seen, std::vector<int>(kPairCount, 2));  // a-b and b-a
}

TEST(HistoryStatistics, TonightContinuesTheFileAndTheListIsNewestFirst) {
    const std::vector<RaceRecord> earlier = {Singles(0, '1', '1', Verdict::Hit),
                                             Singles(11, '2', '2', Verdict::Hit)};
    const std::vector<RaceRecord> tonight = {Singles(22, '3', '3', Verdict::Hit),
                                             Singles(33, '4', '1', Verdict::Miss)};
    const HistorySummary summary = Summarize(earlier, tonight, 3);
    EXPECT_EQ(summary.tonight.race[0].races, 2);
    EXPECT_EQ(summary.tonight.race[0].longestHits, 1);
    EXPECT_EQ(summary.allTime.race[0].races, 4);
    EXPECT_EQ(summary.allTime.race[0].longestHits, 3);
    ASSERT_EQ(summary.latest.size(), 3u);
    EXPECT_EQ(summary.latest[0], tonight[1]);
    EXPECT_EQ(summary.latest[1], tonight[0]);
    EXPECT_EQ(summary.latest[2], earlier[1]);
}

// --- the file -----------------------------------------------------------------

class HistoryFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.Path("kestro-history.csv");
};

TEST_F(HistoryFileTest, ANewFileGetsItsHeaderOnceAndEachResultOneLine) {
    RaceHistory history;
    history.Open(path, true);
    ASSERT_TRUE(history.Add(Singles(6, '4', '4', Verdict::Hit)));
    ASSERT_TRUE(history.Add(Singles(17, '2', '0', Verdict::NoTicket)));
    EXPECT_EQ(ReadFileBytes(path), Rows({"2009-03-27,21:06:00,単勝,4,,4,,hit",
                                         "2009-03-27,21:17:00,単勝,2,,,,no ticket"}));
    RaceHistory again;
    const HistoryLoad load = again.Open(path, true);
    EXPECT_EQ(load.records.size(), 2u);
    EXPECT_TRUE(load.notes.empty());
    // A recording replayed twice adds nothing to the file, nor twice to all time.
    ASSERT_TRUE(again.Add(Singles(6, '4', '4', Verdict::Hit)));
    EXPECT_EQ(load.records.size(), 2u);
    EXPECT_EQ(again.Summary(10).allTime.race[0].races, 2);
    EXPECT_EQ(again.Summary(10).tonight.race[0].races, 1);
}

TEST_F(HistoryFileTest, ATornLastLineIsSkippedWithANoteAndNeverJoinsTheNextRow) {
    const std::string torn =
        Rows({"2009-03-27,21:06:00,単勝,4,,4,,hit", "2009-03-27,21:14:00,複勝,6,1,1,3,miss"}) +
        "2009-03-27,21:17:00,単";
    WriteFileBytes(path, torn);
    RaceHistory history;
    const HistoryLoad load = history.Open(path, true);
    EXPECT_EQ(load.records.size(), 2u);
    ASSERT_EQ(load.notes.size(), 1u);
    EXPECT_NE(load.notes[0].find("4 行目 (最後の行)"), std::string::npos) << load.notes[0];

    ASSERT_TRUE(history.Add(Singles(28, '5', '0', Verdict::NoTicket)));
    EXPECT_EQ(ReadFileBytes(path), torn + "\r\n2009-03-27,21:28:00,単勝,5,,,,no ticket\r\n");
    RaceHistory again;
    const HistoryLoad reread = again.Open(path, true);
    EXPECT_EQ(reread.records.size(), 3u);
    ASSERT_EQ(reread.notes.size(), 1u);  // the torn line, now in the middle
    EXPECT_NE(reread.notes[0].find("最初は 4 行目"), std::string::npos) << reread.notes[0];
}

TEST_F(HistoryFileTest, AnotherProgramsCsvIsRefusedAndLeftAsItWas) {
    const std::string theirs = "name,score\r\nbob,3\r\n";
    WriteFileBytes(path, theirs);
    RaceHistory history;
    const HistoryLoad load = history.Open(path, true);
    EXPECT_NE(load.usable.Message().find("Kestro の履歴ファイルではありません"), std::string::npos);
    EXPECT_TRUE(load.records.empty());
    const Result added = history.Add(Singles(6, '4', '4', Verdict::Hit));
    EXPECT_FALSE(added);
    EXPECT_EQ(added.Message(), load.usable.Message());
    EXPECT_EQ(ReadFileBytes(path), theirs);
    EXPECT_EQ(history.Summary(10).tonight.race[0].races, 1);  // still counted tonight
}

TEST_F(HistoryFileTest, AFileThatCannotBeWrittenFailsWithTheSystemsReason) {
    struct Case {
        const char* name;
        void (*make)(const std::string& path);
    };
    // Tests run as root: a file without write permission is refused by the
    // append itself, and a folder cannot be written as a file at all.
    const Case cases[] = {
        {"read-only file",
         [](const std::string& p) {
             WriteFileBytes(p, Rows({"2009-03-27,21:06:00,単勝,4,,4,,hit"}));
             chmod(p.c_str(), 0444);
         }},
        {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(path);
        c.make(path);
        const std::string before =
            std::filesystem::is_regular_file(path) ? ReadFileBytes(path) : "";
        RaceHistory history;
        const HistoryLoad load = history.Open(path, true);
        // A folder is refused at the open already, its reason kept apart.
        EXPECT_EQ(!load.usable, !std::filesystem::is_regular_file(path));
        EXPECT_EQ(!history.Usable(), !load.usable);
        if (!load.usable) {
            EXPECT_EQ(load.usable.Message(), path + " に書き込めません");
            EXPECT_FALSE(load.usable.Reason().empty());
        }
        const Result added = history.Add(Singles(17, '2', '2', Verdict::Hit));
        EXPECT_FALSE(added);
        EXPECT_EQ(added.Message(), path + " に書き込めません");
        EXPECT_FALSE(added.Reason().empty());
        if (std::filesystem::is_regular_file(path)) {
            EXPECT_EQ(ReadFileBytes(path), before);
            chmod(path.c_str(), 0644);  // Windows removes no read-only file
        }
    }
}

// Each row a file as it may be found at the start: what is read, what is
// said. Read from the disk as the program reads it, in pieces.
TEST_F(HistoryFileTest, DuplicateRowsAndOverlongLinesAreSkippedAndSaid) {
    const std::string row1 = "2009-03-27,21:06:00,単勝,4,,4,,hit";
    const std::string row2 = "2009-03-27,21:17:00,単勝,2,,,,no ticket";
    const std::string huge(3 * 1024 * 1024, 'x');  // past any piece read at once
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t records;
        std::vector<std::string> notes;
        bool refused;
    };
    const Case cases[] = {
        {"a result twice",
         Rows({row1, row2, row1, row1}),
         2,
         {"同じ結果の行 2 行 (最初は 4 行目) を重ねて数えずに読み飛ばしました"},
         false},
        {"an overlong line between rows",
         Rows({row1, huge, row2}),
         2,
         {"読めない行 1 行 (最初は 3 行目)"},
         false},
        {"an overlong row that begins like one",
         Rows({row1, row2 + huge, row2}),
         2,
         {"読めない行 1 行 (最初は 3 行目)"},
         false},
        {"an overlong first line", huge + "\r\n" + row1 + "\r\n", 0, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(path, c.bytes);
        RaceHistory history;
        const HistoryLoad load = history.Open(path, true);
        EXPECT_EQ(load.records.size(), c.records);
        EXPECT_EQ(load.notes.size(), c.notes.size());
        for (std::size_t i = 0; i < std::min(load.notes.size(), c.notes.size()); ++i) {
            EXPECT_NE(load.notes[i].find(c.notes[i]), std::string::npos) << load.notes[i];
        }
        EXPECT_EQ(!load.usable, c.refused) << load.usable.Line();
    }
}

// --- the file as other programs leave it -------------------------------------

// The other program (other_program.cpp beside this test) with `args`.
std::string OtherProgramCommand(const std::vector<std::string>& args) {
    std::filesystem::path program = test::RunningExecutable();
    program.replace_filename("history_other_program" + program.extension().string());
    std::string command = "\"" + test::Utf8String(program) + "\"";
    for (const std::string& arg : args) {
        command += " \"" + arg + "\"";
    }
    return command;
}

// A second process, started; its end is waited for by Finish or the destructor.
class OtherProgram {
public:
    explicit OtherProgram(const std::vector<std::string>& args) {
#ifdef _WIN32
        pipe_ = _wpopen(test::WideFromUtf8("\"" + OtherProgramCommand(args) + "\"").c_str(), L"rb");
#else
        pipe_ = popen(OtherProgramCommand(args).c_str(), "r");
#endif
    }
    ~OtherProgram() {
        Finish();
    }
    // The first line it says (waits for it), without its line end.
    std::string Says() {
        char line[64] = {};
        std::string said =
            pipe_ != nullptr && std::fgets(line, sizeof line, pipe_) != nullptr ? line : "";
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) {
            said.pop_back();
        }
        return said;
    }
    // Its exit status, once it has ended.
    int Finish() {
        if (pipe_ == nullptr) {
            return status_;
        }
        while (std::fgetc(pipe_) != EOF) {
        }
#ifdef _WIN32
        status_ = _pclose(pipe_);
#else
        status_ = pclose(pipe_);
#endif
        pipe_ = nullptr;
        return status_;
    }

private:
    std::FILE* pipe_ = nullptr;
    int status_ = -1;
};

// Each row: a result is kept, another program changes the file (or holds it),
// a second result follows. Nothing waits, nothing is lost, nothing is written
// twice: a refused result waits and is appended at the retry, once the other
// program let go; the file reads back whole.
TEST_F(HistoryFileTest, TheFileIsTakenAsItIsAtEachAppend) {
    const std::string row1 = "2009-03-27,21:06:00,単勝,4,,4,,hit";
    const std::string row2 = "2009-03-27,21:17:00,単勝,4,,,,no ticket";
    const RaceRecord second = Singles(17, '4', '0', Verdict::NoTicket);
    const RaceRecord doublesSameSecond{
        EncodeDateTime(2009, 3, 27, 21, 6, 0), kDoubles, '6', '1', '0', '0', Verdict::NoTicket};
    struct Case {
        const char* name;
        std::vector<std::string> meanwhile;  // what the other program does, if anything
        bool holds;  // the other program keeps the file open through the second result
        bool posixOnly;
        std::vector<std::string> letGo;  // what makes the file take writes again
        RaceRecord second;
        std::string after;
    };
    const Case cases[] = {
        {"removed: a new file with its header", {"remove"}, false, false, {}, second, Rows({row2})},
        {"emptied: the header first", {"empty"}, false, false, {}, second, Rows({row2})},
        {"saved again with LF and no last line end: a line end first",
         {"lf"},
         false,
         false,
         {},
         second,
         "\xEF\xBB\xBF" + std::string(kHistoryHeader) + "\n" + row1 + "\r\n" + row2 + "\r\n"},
        {"a FIFO in its place: refused without waiting",
         {"fifo"},
         false,
         true,
         {"remove"},
         second,
         Rows({row2})},
        // Another Kestro holds the lock as long as one read and one append: a
        // result of its own is never written between the two of ours.
        {"held by another program: refused, written once it lets go",
         {"hold", "1500"},
         true,
         false,
         {},
         second,
         Rows({row1, row2})},
        {"open in a viewer: written all the same",
         {"view", "1500"},
         true,
         false,
         {},
         second,
         Rows({row1, row2})},
        {"immutable: refused, written once it may be",
         {"immutable"},
         false,
         true,
         {"mutable"},
         second,
         Rows({row1, row2})},
        {"another process appended the same result: once",
         {"append", "17"},
         false,
         false,
         {},
         second,
         Rows({row1, row2})},
        {"a Singles and a Doubles result in one second: both",
         {},
         false,
         false,
         {},
         doublesSameSecond,
         Rows({row1, "2009-03-27,21:06:00,複勝,6,1,,,no ticket"})},
    };
#ifdef _WIN32
    constexpr bool kPosix = false;
#else
    constexpr bool kPosix = true;
#endif
    // A row's ASSERT ends that row only.
    const auto run = [&](const Case& c) {
        std::filesystem::remove(path);
        RaceHistory history;
        ASSERT_TRUE(history.Open(path, true).usable.Succeeded());
        ASSERT_TRUE(history.Add(Singles(6, '4', '4', Verdict::Hit)));

        std::optional<OtherProgram> other;
        if (!c.meanwhile.empty()) {
            std::vector<std::string> args = c.meanwhile;
            args.insert(args.begin() + 1, path);
            other.emplace(args);
            if (c.holds) {
                ASSERT_EQ(other->Says(), "held");
            } else {
                ASSERT_EQ(other->Finish(), 0);
            }
        }

        const Result added = history.Add(c.second);
        const bool refused = (c.holds && c.meanwhile[0] == "hold") || !c.letGo.empty();
        EXPECT_EQ(!added, refused) << added.Reason();
        EXPECT_EQ(history.Waiting(), refused ? 1u : 0u);
        if (refused) {
            EXPECT_EQ(added.Message(), path + " に書き込めません");
            // A start meanwhile reads what it can and does not wait either.
            RaceHistory().Open(path, true);
            if (other) {
                EXPECT_EQ(other->Finish(), 0);
            }
            if (!c.letGo.empty()) {
                ASSERT_EQ(OtherProgram({c.letGo[0], path}).Finish(), 0);
            }
            EXPECT_TRUE(history.Retry());
            EXPECT_EQ(history.Waiting(), 0u);
            EXPECT_TRUE(history.Retry());  // nothing waits: nothing written again
        }
        EXPECT_EQ(ReadFileBytes(path), c.after);
        RaceHistory again;
        const HistoryLoad load = again.Open(path, true);
        EXPECT_TRUE(load.usable && load.notes.empty()) << load.usable.Line();
        ASSERT_FALSE(load.records.empty());
        EXPECT_EQ(load.records.back(), c.second);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.posixOnly || kPosix) {
            run(c);
        }
    }
}

TEST_F(HistoryFileTest, KeepingOffOrAReadOnlySessionWritesNothing) {
    for (const bool writable : {true, false}) {
        RaceHistory history;
        history.Open(path, writable);
        history.SetKeeping(!writable);
        ASSERT_TRUE(history.Add(Singles(6, '4', '4', Verdict::Hit)));
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(history.Tonight().size(), 1u);
    }
}

TEST(HistoryFileName, SitsBesideTheSettingsFile) {
    EXPECT_EQ(HistoryFileFor("/home/a/.config/kestro/kestro.ini"),
              "/home/a/.config/kestro/kestro-history.csv");
    EXPECT_EQ(HistoryFileFor("C:\\Kestro\\kestro.ini"), "C:\\Kestro\\kestro-history.csv");
    EXPECT_EQ(HistoryFileFor("/opt/k.d/kestro"), "/opt/k.d/kestro-history.csv");
    EXPECT_EQ(HistoryFileFor(""), "");
}

}  // namespace
}  // namespace kestro
