#include "race/race_state.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace kestro {
namespace {

TEST(RaceStateCaptions, RaceStatusTable) {
    const struct {
        int code;
        const char* caption;
    } cases[] = {
        {0, "状態不明"},  {1, "受付待ち"},  {2, "受付中"},    {3, "発走待ち"},   {4, "レース中"},
        {5, "確定"},      {6, "払戻し中"},  {7, "終了案内"},  {8, "状態不明"},   {9, "受付待ち"},
        {10, "受付中"},   {11, "発走待ち"}, {12, "レース中"}, {13, "1位決定"},   {14, "確定"},
        {15, "払戻し中"}, {16, "終了案内"}, {17, "状態不明"}, {200, "状態不明"}, {255, "状態不明"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RaceStatusCaption(static_cast<RaceStatus>(c.code)), c.caption) << c.code;
    }
}

TEST(RaceStateCaptions, ClockStatusTable) {
    const char* const expected[] = {"状態不明", "受付開始", "発走時間", "タイム",   "交換締切",
                                    "受付開始", "発走時間", "タイム",   "交換締切", "状態不明"};
    for (int code = 0; code <= 9; ++code) {
        EXPECT_EQ(ClockStatusCaption(static_cast<ClockStatus>(code)), expected[code]) << code;
    }
    EXPECT_EQ(ClockStatusCaption(255), "状態不明");
}

TEST(RaceStateCaptions, TicketGlyphShowsRunnersAndCrossesEverythingElse) {
    EXPECT_EQ(TicketGlyph('1'), "①");
    EXPECT_EQ(TicketGlyph('2'), "②");
    EXPECT_EQ(TicketGlyph('3'), "③");
    EXPECT_EQ(TicketGlyph('4'), "④");
    EXPECT_EQ(TicketGlyph('5'), "⑤");
    EXPECT_EQ(TicketGlyph('6'), "⑥");
    for (int c : std::initializer_list<int>{'0', '?', '7', 0x82, 0, 0xFF, '/'}) {
        EXPECT_EQ(TicketGlyph(static_cast<TicketChar>(c)), "×") << c;
    }
}

TEST(RaceState, ResetRestoresEveryField) {
    RaceState s;
    s.TicketSingle = s.TicketDouble1 = s.TicketDouble2 = '3';
    s.ResultSingle = s.ResultDouble1 = s.ResultDouble2 = '4';
    s.PrevResultSingle = s.PrevResultDouble1 = s.PrevResultDouble2 = '5';
    s.SinglesBaseTime = s.DoublesBaseTime = Instant(Micros(1238155200500000));
    s.SinglesStatus = 5;
    s.DoublesStatus = 14;
    s.SinglesClockStatus = 3;
    s.DoublesClockStatus = 7;
    s.CurrentMap = "p_track01.gat";
    s.Reset();
    for (TicketChar c :
         {s.TicketSingle, s.TicketDouble1, s.TicketDouble2, s.ResultSingle, s.ResultDouble1,
          s.ResultDouble2, s.PrevResultSingle, s.PrevResultDouble1, s.PrevResultDouble2}) {
        EXPECT_EQ(c, '0');
    }
    EXPECT_EQ(s.SinglesBaseTime, Instant{});
    EXPECT_EQ(s.DoublesBaseTime, Instant{});
    EXPECT_EQ(s.SinglesStatus, 0);
    EXPECT_EQ(s.DoublesStatus, 0);
    EXPECT_EQ(s.SinglesClockStatus, 0);
    EXPECT_EQ(s.DoublesClockStatus, 0);
    EXPECT_TRUE(s.CurrentMap.empty());
}

TEST(EvaluateTickets, VerdictTable) {
    using V = TicketVerdict;
    // Tickets and results as "t1t2/r1r2" (Doubles) or "t/r" (Singles).
    const struct {
        RaceKind kind;
        const char* tickets;  // Singles: one byte; Doubles: two bytes
        const char* results;
        V verdict;
    } cases[] = {
        {kSingles, "4", "4", V::Win},
        {kSingles, "4", "2", V::Defeat},
        {kSingles, "4", "0", V::Defeat},  // no result yet still reads as lost
        {kSingles, "?", "4", V::Defeat},  // an unseen runner never matches
        {kSingles, "0", "0", V::NoTicket},
        {kDoubles, "25", "20", V::NeedCheck},
        {kDoubles, "25", "50", V::NeedCheck},
        {kDoubles, "25", "30", V::Defeat},
        {kDoubles, "25", "25", V::Win},
        {kDoubles, "25", "24", V::Defeat},  // one of two is not enough
        {kDoubles, "25", "56", V::Defeat},
        {kDoubles, "05", "25", V::NoTicket},
        {kDoubles, "20", "25", V::NoTicket},
        {kDoubles, "??", "25", V::Defeat},
        {kDoubles, "??", "20", V::Defeat},
    };
    for (const auto& c : cases) {
        RaceState s;
        if (c.kind == kSingles) {
            s.TicketSingle = static_cast<TicketChar>(c.tickets[0]);
            s.ResultSingle = static_cast<TicketChar>(c.results[0]);
        } else {
            s.TicketDouble1 = static_cast<TicketChar>(c.tickets[0]);
            s.TicketDouble2 = static_cast<TicketChar>(c.tickets[1]);
            s.ResultDouble1 = static_cast<TicketChar>(c.results[0]);
            s.ResultDouble2 = static_cast<TicketChar>(c.results[1]);
        }
        EXPECT_EQ(EvaluateTickets(s, c.kind), c.verdict)
            << "kind " << c.kind << " tickets " << c.tickets << " results " << c.results;
    }
}

TEST(EvaluateTickets, EachRaceLooksOnlyAtItsOwnTickets) {
    RaceState s;
    s.TicketDouble1 = '2';
    s.TicketDouble2 = '5';
    s.ResultSingle = '2';
    EXPECT_EQ(EvaluateTickets(s, kSingles), TicketVerdict::NoTicket);
    s.TicketSingle = '4';
    s.ResultSingle = '4';
    EXPECT_EQ(EvaluateTickets(s, kDoubles), TicketVerdict::Defeat);  // results '0','0'
    EXPECT_EQ(EvaluateTickets(s, 2), TicketVerdict::NoTicket);
    EXPECT_EQ(EvaluateTickets(s, -1), TicketVerdict::NoTicket);
}

}  // namespace
}  // namespace kestro
