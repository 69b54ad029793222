#include "race/classifier.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "race/race_engine.h"
#include "support/fixtures.h"

namespace kestro {
namespace {

using test::At;
using test::Sjis;
namespace rs = race_status;

// Characters of a UTF-8 text, an ASCII one taking one CP932 byte and any
// other (all of them full-width here) two.
std::size_t Cp932LengthOf(std::string_view utf8) {
    std::size_t bytes = 0;
    for (unsigned char c : utf8) {
        if (c < 0x80) {
            bytes += 1;
        } else if ((c & 0xC0) != 0x80) {
            bytes += 2;  // a lead byte of a multi-byte UTF-8 sequence
        }
    }
    return bytes;
}

TEST(AnnouncementRuleTable, LiteralsBecomeTheGamesBytes) {
    const auto rules = AnnouncementRules();
    ASSERT_EQ(rules.size(), 23u);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const AnnouncementRule& r = rules[i];
        EXPECT_EQ(r.number, static_cast<int>(i) + 1);
        EXPECT_EQ(r.cp932.size(), Cp932LengthOf(r.utf8)) << "rule " << r.number;
        EXPECT_EQ(Cp932ToUtf8(r.cp932), r.utf8) << "rule " << r.number;
    }
    // Written out by hand from the code page.
    EXPECT_EQ(rules[3].cp932, "\x97\x44\x8F\x9F\x83\x82\x83\x93\x83\x58\x83\x5E\x81\x5B\x82\xCD");
    EXPECT_EQ(rules[9].cp932, "\x91\xB1\x82\xA2\x82\xC4\x81\x41");
    EXPECT_EQ(rules[8].cp932,
              "\x94\xD4\x82\xCC\x83\x82\x83\x93\x83\x58\x83\x5E\x81\x5B\x82\xAA"
              "\x83\x53\x81\x5B\x83\x8B\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42");
    EXPECT_EQ(rules[0].cp932.substr(0, 7),
              "\x96\xF1"
              "3"
              "\x95\xAA\x8C\xE3");
}

class ClassifierTest : public test::EngineFixture {
protected:
    std::string BaseIn(int seconds) const {
        return FormatHhMmSsZzz(clock.LocalTime(test::SecondsAfter(At(12, 0, 0), seconds)));
    }
};

TEST_F(ClassifierTest, EachRuleIsReachedByItsLine) {
    const std::string ticket = Sjis("番のモンスターです。");
    const struct {
        int rule;
        std::string text;
        const char* mapBefore;
        RaceKind kind;
        RaceStatus status;
        std::optional<int> baseIn;  // seconds from now
        const char* mapAfter;
    } cases[] = {
        {1, Sjis("約3分後にモンスターレースシングルスがスタートします。"), "prontera.gat", kSingles,
         rs::SAccepting, 180, "prontera.gat"},
        {2, Sjis("まもなくモンスターレースシングルスがスタートします。"), "prontera.gat", kSingles,
         rs::SAccepting, 60, "prontera.gat"},
        {3, Sjis("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"),
         "p_track01.gat", kSingles, rs::SRacing, 0, "p_track01.gat"},
        {4, Sjis("優勝モンスターは") + "3" + ticket, "p_track01.gat", kSingles, rs::SConfirmed, 637,
         "p_track01.gat"},
        {5, Sjis("優勝したモンスターを見事当てた方は、交換員の元へ来てください。"), "p_track01.gat",
         kSingles, rs::SPayingOut, 636, "p_track01.gat"},
        {6, Sjis("約3分後にモンスターレースダブルスがスタートします。"), "prontera.gat", kDoubles,
         rs::DAccepting, 180, "prontera.gat"},
        {7, Sjis("まもなくモンスターレースダブルスがスタートします。"), "prontera.gat", kDoubles,
         rs::DAccepting, 60, "prontera.gat"},
        {8, Sjis("モンスターレースダブルスがスタートします。皆様の幸運を祈ります。"),
         "p_track02.gat", kDoubles, rs::DRacing, 0, "p_track02.gat"},
        {9, "5" + Sjis("番のモンスターがゴールしました。"), "p_track02.gat", kDoubles,
         rs::DFirstPlaceDecided, std::nullopt, "p_track02.gat"},
        {10, Sjis("続いて、") + "2" + Sjis("番のモンスターがゴールしました。"), "p_track02.gat",
         kDoubles, rs::DConfirmed, 630, "p_track02.gat"},
        {11,
         Sjis("優勝モンスターを当てた方は、モンスターチケットを交換所でメダルと交換してください。"),
         "p_track02.gat", kDoubles, rs::DPayingOut, 629, "p_track02.gat"},
        {12, Sjis("モンスターレースの次のレースに関する案内をさせていただきます。"),
         "p_track01.gat", kSingles, rs::SClosingNotice, std::nullopt, "p_track01.gat"},
        {12, Sjis("モンスターレースの次のレースに関する案内をさせていただきます。"),
         "p_track02.gat", kDoubles, rs::DClosingNotice, std::nullopt, "p_track02.gat"},
        {13,
         Sjis("まもなく、モンスターレースシングルスの受付を開始します。皆様奮ってご参加ください。"),
         "p_track01.gat", kSingles, rs::SWaitAccepting, 326, "hugel.gat"},
        {14, Sjis("モンスターレースシングルスの受付を開始しました。皆様奮ってご参加ください。"),
         "p_track01.gat", kSingles, rs::SAccepting, 300, "hugel.gat"},
        {15, Sjis("モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"),
         "p_track01.gat", kSingles, rs::SAccepting, 240, "hugel.gat"},
        {16,
         Sjis("まもなく、モンスターレースシングルスが開始されます。レースに参加する方は入場してくだ"
              "さい。"),
         "p_track02.gat", kSingles, rs::SAccepting, 120, "hugel.gat"},
        {17, Sjis("まもなく、モンスターレースシングルスが開始されます。"), "", kSingles,
         rs::SAccepting, 60, "hugel.gat"},
        {18,
         Sjis("モンスターレースシングルスがスタートしました。参加できなかった方は次回をお楽しみくだ"
              "さい。"),
         "p_track01.gat", kSingles, rs::SRacing, 0, "hugel.gat"},
        {19,
         Sjis("まもなく、モンスターレースダブルスの受付を開始します。皆様奮ってご参加ください。"),
         "p_track02.gat", kDoubles, rs::DWaitAccepting, 326, "hugel.gat"},
        {20, Sjis("モンスターレースダブルスの受付を開始しました。皆様奮ってご参加ください。"),
         "p_track02.gat", kDoubles, rs::DAccepting, 300, "hugel.gat"},
        {21, Sjis("モンスターレースダブルスの受付中です。レースに参加する方は入場してください。"),
         "p_track02.gat", kDoubles, rs::DAccepting, 240, "hugel.gat"},
        {22,
         Sjis("まもなく、モンスターレースダブルスが開始されます。レースに参加する方は入場してくださ"
              "い。"),
         "p_track01.gat", kDoubles, rs::DAccepting, 120, "hugel.gat"},
        {23,
         Sjis("モンスターレースダブルスがスタートしました。参加できなかった方は次回をお楽しみくださ"
              "い。"),
         "p_track02.gat", kDoubles, rs::DRacing, 0, "hugel.gat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("rule " + std::to_string(c.rule) + " on " + c.mapBefore);
        state.Reset();
        state.CurrentMap = c.mapBefore;
        HandleAnnouncement(engine, c.text);
        const bool singles = c.kind == kSingles;
        EXPECT_EQ(singles ? state.SinglesStatus : state.DoublesStatus, c.status);
        EXPECT_EQ(singles ? state.DoublesStatus : state.SinglesStatus, rs::Unknown);
        const Instant base = singles ? state.SinglesBaseTime : state.DoublesBaseTime;
        if (c.baseIn) {
            EXPECT_EQ(FormatHhMmSsZzz(clock.LocalTime(base)), BaseIn(*c.baseIn));
        } else {
            EXPECT_EQ(base, Instant{});
        }
        EXPECT_EQ(state.CurrentMap, c.mapAfter);
    }
}

TEST_F(ClassifierTest, TownLinePlacesThePlayerInTownBeforeTheSoundIsChosen) {
    test::EnableAllSounds(settings);
    state.CurrentMap = "p_track01.gat";
    HandleAnnouncement(
        engine,
        Sjis("モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
    EXPECT_EQ(rec.plays, std::vector<std::string>{"RaceAcceptingS.wav"});
    // The track's own countdown line leaves the player on the track: no call to come.
    rec.Clear();
    HandleAnnouncement(
        engine,
        Sjis("モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
    state.CurrentMap = "p_track01.gat";
    HandleAnnouncement(engine, Sjis("約3分後にモンスターレースシングルスがスタートします。"));
    EXPECT_EQ(rec.plays, (std::vector<std::string>{"RaceAcceptingS.wav", ""}));
}

TEST_F(ClassifierTest, RunnerBytesOfTheFinisherLines) {
    HandleAnnouncement(engine, Sjis("優勝モンスターは") + "3" + Sjis("番のモンスターです。"));
    EXPECT_EQ(state.ResultSingle, '3');

    HandleAnnouncement(engine, "5" + Sjis("番のモンスターがゴールしました。"));
    EXPECT_EQ(state.ResultDouble1, '5');
    HandleAnnouncement(engine, Sjis("続いて、") + "2" + Sjis("番のモンスターがゴールしました。"));
    EXPECT_EQ(state.ResultDouble1, '2');
    EXPECT_EQ(state.ResultDouble2, '5');
}

TEST_F(ClassifierTest, TextEndingAtThePrefixConfirmsAnUnknownRunner) {
    settings.LogLevel = 0;
    state.ResultSingle = '4';
    HandleAnnouncement(engine, Sjis("優勝モンスターは"));
    EXPECT_EQ(state.SinglesStatus, rs::SConfirmed);
    EXPECT_EQ(state.ResultSingle, '0');

    state.ResultDouble1 = '3';
    HandleAnnouncement(engine, Sjis("続いて、"));
    EXPECT_EQ(state.DoublesStatus, rs::DConfirmed);
    EXPECT_EQ(state.ResultDouble1, '0');
    EXPECT_EQ(state.ResultDouble2, '3');
    EXPECT_EQ(rec.logLines, (std::vector<std::string>{"12:00:00.000 - 順位確定(単勝): 0",
                                                      "12:00:00.000 - 順位確定(複勝): 0-3"}));
}

TEST_F(ClassifierTest, DoubleByteDigitGivesItsLeadByteUnderTheSecondFinisherRule) {
    HandleAnnouncement(engine, Sjis("続いて、２番のモンスターがゴールしました。"));
    EXPECT_EQ(state.DoublesStatus, rs::DConfirmed);
    EXPECT_EQ(state.ResultDouble2, 0x82);
}

TEST_F(ClassifierTest, NearMissesChangeNothing) {
    const struct {
        const char* why;
        std::string text;
        const char* map;
    } cases[] = {
        {"trailing space", Sjis("約3分後にモンスターレースシングルスがスタートします。") + " ", ""},
        {"leading space",
         " " + Sjis("モンスターレースダブルスがスタートします。皆様の幸運を祈ります。"), ""},
        {"two bytes before the finisher line", "15" + Sjis("番のモンスターがゴールしました。"), ""},
        {"double-byte digit before the finisher line", Sjis("５番のモンスターがゴールしました。"),
         ""},
        {"finisher line alone", Sjis("番のモンスターがゴールしました。"), ""},
        {"pay-out line in town",
         Sjis("優勝モンスターを当てた方は、モンスターチケットを交換所でメダルと交換してください。"),
         "hugel.gat"},
        {"pay-out line on the Singles track",
         Sjis("優勝モンスターを当てた方は、モンスターチケットを交換所でメダルと交換してください。"),
         "p_track01.gat"},
        {"guidance with no map",
         Sjis("モンスターレースの次のレースに関する案内をさせていただきます。"), ""},
        {"guidance in town", Sjis("モンスターレースの次のレースに関する案内をさせていただきます。"),
         "hugel.gat"},
        {"guidance on a case variant of the track",
         Sjis("モンスターレースの次のレースに関する案内をさせていただきます。"), "P_TRACK01.gat"},
        {"shorter than the winner prefix", Sjis("優勝モンスター"), ""},
        {"winner prefix not at the start", "x" + Sjis("優勝モンスターは3"), ""},
        {"a Doubles one-minute town line",
         Sjis("まもなく、モンスターレースダブルスが開始されます。"), ""},
        {"empty", "", ""},
        {"a lone lead byte", "\x82", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        state.Reset();
        state.CurrentMap = c.map;
        rec.Clear();
        HandleAnnouncement(engine, c.text);
        EXPECT_EQ(state.SinglesStatus, rs::Unknown);
        EXPECT_EQ(state.DoublesStatus, rs::Unknown);
        EXPECT_EQ(state.ResultSingle, '0');
        EXPECT_EQ(state.ResultDouble1, '0');
        EXPECT_EQ(state.CurrentMap, c.map);
        EXPECT_EQ(rec.refreshes, 0);
    }
}

TEST_F(ClassifierTest, EveryTextIsHeardInTheLogWithTheAnnouncerBit) {
    settings.LogLevel = log_bits::Announcer;
    HandleAnnouncement(engine, Sjis("こんにちは"));
    const std::vector<std::string> expected = {"status: 天の声: こんにちは",
                                               "log: 12:00:00.000 - 天の声: こんにちは"};
    EXPECT_EQ(rec.events, expected);

    rec.Clear();
    settings.LogLevel = 31 & ~log_bits::Announcer;
    HandleAnnouncement(engine, Sjis("こんにちは"));
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(ClassifierTest, AnnouncerLineIsWrittenBeforeTheTransitionRuns) {
    settings.LogLevel = log_bits::Announcer;
    HandleAnnouncement(engine, Sjis("優勝モンスターは") + "6");
    ASSERT_GE(rec.events.size(), 3u);
    EXPECT_EQ(rec.events[0], "status: 天の声: 優勝モンスターは6");
    EXPECT_EQ(rec.events[2], "refresh");
    EXPECT_EQ(rec.logLines.back(), "12:00:00.000 - 順位確定(単勝): 6");
}

}  // namespace
}  // namespace kestro
