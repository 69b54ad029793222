// The races at a glance over the demo's evening, second by second as the
// window's timer sees it: what the compact form and the text feed show.
#include "shell/race_glance.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace kestro {
namespace {

using test::At;
using test::Sjis;

// An announcer line at a second after 21:00:00, as the demo has them.
struct Heard {
    int at;
    const char* line;
};

// What the compact lines read at a second after 21:00:00.
struct Seen {
    int at;
    const char* singles;
    const char* doubles;
};

class RaceGlanceTest : public test::CoreFixture {};

TEST_F(RaceGlanceTest, CompactLinesFollowTheDemoEvening) {
    const Heard heard[] = {
        {2, "まもなく、モンスターレースシングルスの受付を開始します。皆様奮ってご参加ください。"},
        {25, "モンスターレースシングルスの受付を開始しました。皆様奮ってご参加ください。"},
        {85, "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"},
        {145, "約3分後にモンスターレースシングルスがスタートします。"},
        {265, "まもなくモンスターレースシングルスがスタートします。"},
        {325, "モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"},
        {391, "優勝モンスターは4番のモンスターです！"},
        {472, "まもなく、モンスターレースダブルスの受付を開始します。皆様奮ってご参加ください。"},
        {498, "モンスターレースダブルスの受付を開始しました。皆様奮ってご参加ください。"},
        {558, "モンスターレースダブルスの受付中です。レースに参加する方は入場してください。"},
        {678,
         "まもなく、モンスターレースダブルスが開始されます。レースに参加する方は入場してください"
         "。"},
        {738, "まもなくモンスターレースダブルスがスタートします。"},
        {798, "モンスターレースダブルスがスタートします。皆様の幸運を祈ります。"},
        {860, "6番のモンスターがゴールしました。"},
        {863, "続いて、1番のモンスターがゴールしました。"},
    };
    const Seen seen[] = {
        {0, "単勝 状態不明", "複勝 状態不明"},
        // The acceptance's countdown, then its predicted moment gone by
        // before the line that opens it: the status, never "0:00" counted up.
        {2, "単勝 受付開始 0:20", "複勝 状態不明"},
        {22, "単勝 受付待ち", "複勝 状態不明"},
        {23, "単勝 発走 5:05", "複勝 状態不明"},
        {25, "単勝 発走 5:00", "複勝 状態不明"},
        {324, "単勝 発走 0:01", "複勝 状態不明"},
        {325, "単勝 発走待ち", "複勝 状態不明"},
        {326, "単勝 レース中", "複勝 状態不明"},
        {391, "単勝 確定", "複勝 状態不明"},
        {450, "単勝 交換締切 4:08", "複勝 状態不明"},
        {472, "単勝 交換締切 3:46", "複勝 受付開始 0:20"},
        {498, "単勝 交換締切 3:20", "複勝 発走 5:00"},
        // Past its deadline the timer predicts Singles' next start.
        {737, "単勝 発走 4:51", "複勝 発走 1:01"},
        {799, "単勝 発走 3:49", "複勝 レース中"},
        {860, "単勝 発走 2:48", "複勝 1位決定"},
        {863, "単勝 発走 2:45", "複勝 確定"},
        {900, "単勝 発走 2:08", "複勝 交換締切 4:23"},
        {1100, "単勝 レース中", "複勝 交換締切 1:03"},
    };
    clock.Set(At(21, 0, 0));
    std::size_t next = 0;
    std::size_t check = 0;
    for (int t = 0; t <= 1200 && check < std::size(seen); ++t) {
        if (t > 0) {
            clock.AdvanceSeconds(1);
        }
        for (; next < std::size(heard) && heard[next].at == t; ++next) {
            core.HandleAnnouncement(Sjis(heard[next].line));
        }
        if (t > 0) {
            core.RealTimeTimer();
        }
        if (seen[check].at != t) {
            continue;
        }
        const std::array<std::string, 2> lines = CompactLines(core.Race(), clock.Now());
        EXPECT_EQ(lines[0], seen[check].singles) << "at +" << t << " s";
        EXPECT_EQ(lines[1], seen[check].doubles) << "at +" << t << " s";
        ++check;
    }
    EXPECT_EQ(check, std::size(seen)) << "every moment of the table was reached";
}

}  // namespace
}  // namespace kestro
