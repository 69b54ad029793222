#include "race/panel.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "race/race_state.h"
#include "support/recorders.h"

namespace kestro {
namespace {

using test::At;
using F = PanelField;

TEST(PanelClock, TextsPerClockStatus) {
    const SettableClock clock(At(12, 0, 0));
    const Instant now = clock.Now();
    const struct {
        const char* why;
        ClockStatus clockStatus;
        int baseIn;  // seconds from now, set on both races
        const char* clock;
        const char* remain;
    } cases[] = {
        {"acceptance opens 20 s from now", 1, 326, "12:00:20", "0:20"},
        {"start in a minute and a half", 2, 90, "12:01:30", "1:30"},
        {"start passed 3 s ago counts up", 2, -3, "11:59:57", "0:03"},
        {"running for 83 s", 3, -83, "00:01:23", "-:--"},
        {"race time of a future base", 3, 637, "00:10:37", "-:--"},
        {"exchange deadline", 4, 636, "12:05:06", "5:06"},
        {"countdown keeps only the minutes of the hour", 2, 3725, "13:02:05", "2:05"},
        {"Doubles acceptance", 5, 326, "12:00:20", "0:20"},
        {"Doubles start", 6, 90, "12:01:30", "1:30"},
        {"Doubles race time", 7, -83, "00:01:23", "-:--"},
        {"Doubles deadline", 8, 636, "12:05:06", "5:06"},
        {"unknown", 0, 90, "--:--:--", "-:--"},
        {"beyond the table", 9, 90, "--:--:--", "-:--"},
        {"far beyond the table", 255, 90, "--:--:--", "-:--"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        RaceState s;
        s.SinglesBaseTime = s.DoublesBaseTime = test::SecondsAfter(now, c.baseIn);
        EXPECT_EQ(ClockText(s, c.clockStatus, clock, now), c.clock);
        EXPECT_EQ(ClockRemainText(s, c.clockStatus, now), c.remain);
    }
}

TEST(PanelClock, EachClockStatusReadsItsOwnRacesBaseTime) {
    const SettableClock clock(At(12, 0, 0));
    RaceState s;
    s.SinglesBaseTime = test::SecondsAfter(clock.Now(), 60);
    s.DoublesBaseTime = test::SecondsAfter(clock.Now(), 120);
    // Whichever row shows it, a Doubles code reads the Doubles base.
    s.SinglesClockStatus = clock_status::DStartTime;
    s.DoublesClockStatus = clock_status::SStartTime;
    const PanelTexts t = ComputePanelTexts(s, 0, clock, ",");
    EXPECT_EQ(t[F::txtClockSingle], "12:02:00");
    EXPECT_EQ(t[F::txtClockRemainSingle], "2:00");
    EXPECT_EQ(t[F::txtClockDouble], "12:01:00");
    EXPECT_EQ(t[F::txtClockRemainDouble], "1:00");
}

TEST(PanelTexts, AfterTheResetEverythingReadsUnknown) {
    RaceState s;
    s.Reset();
    const PanelTexts t = ComputePanelTexts(s, 0, SettableClock(At(21, 4, 5, 999)), ",");
    EXPECT_EQ(t[F::txtClockNow], "21:04:05");
    for (F f : {F::txtStatusSingle, F::txtStatusDouble, F::txtClockStatusSingle,
                F::txtClockStatusDouble}) {
        EXPECT_EQ(t[f], "状態不明") << PanelFieldName(f);
    }
    EXPECT_EQ(t[F::txtClockSingle], "--:--:--");
    EXPECT_EQ(t[F::txtClockDouble], "--:--:--");
    EXPECT_EQ(t[F::txtClockRemainSingle], "-:--");
    EXPECT_EQ(t[F::txtClockRemainDouble], "-:--");
    for (int i = static_cast<int>(F::txtTicketSingle); i < kPanelFieldCount; ++i) {
        EXPECT_EQ(t.fields[i], "×") << PanelFieldName(static_cast<F>(i));
    }
    EXPECT_EQ(t.packetCount, "0");
}

TEST(PanelTexts, EveryFieldShowsItsOwnSource) {
    RaceState s;
    s.SinglesStatus = race_status::SAccepting;
    s.DoublesStatus = race_status::DFirstPlaceDecided;
    s.SinglesClockStatus = clock_status::SStartTime;
    s.DoublesClockStatus = clock_status::DRaceTime;
    s.TicketSingle = '1';
    s.TicketDouble1 = '2';
    s.TicketDouble2 = '3';
    s.ResultSingle = '4';
    s.ResultDouble1 = '5';
    s.ResultDouble2 = '6';
    s.PrevResultSingle = '?';
    s.PrevResultDouble1 = '6';
    s.PrevResultDouble2 = '1';
    const PanelTexts t = ComputePanelTexts(s, 12345, SettableClock(At(12, 0, 0)), ",");
    EXPECT_EQ(t[F::txtStatusSingle], "受付中");
    EXPECT_EQ(t[F::txtStatusDouble], "1位決定");
    EXPECT_EQ(t[F::txtClockStatusSingle], "発走時間");
    EXPECT_EQ(t[F::txtClockStatusDouble], "タイム");
    EXPECT_EQ(t[F::txtTicketSingle], "①");
    EXPECT_EQ(t[F::txtTicketDouble1], "②");
    EXPECT_EQ(t[F::txtTicketDouble2], "③");
    EXPECT_EQ(t[F::txtResultSingle], "④");
    EXPECT_EQ(t[F::txtResultDouble1], "⑤");
    EXPECT_EQ(t[F::txtResultDouble2], "⑥");
    EXPECT_EQ(t[F::txtResult2Single], "×");
    EXPECT_EQ(t[F::txtResult2Double1], "⑥");
    EXPECT_EQ(t[F::txtResult2Double2], "①");
    EXPECT_EQ(t.packetCount, "12,345");
}

TEST(PanelTexts, PacketCountSeparators) {
    const struct {
        int32_t count;
        const char* separator;
        const char* text;
    } cases[] = {
        {0, ",", "0"},
        {999, ",", "999"},
        {1000, ",", "1,000"},
        {2500, ",", "2,500"},
        {12345, ",", "12,345"},
        {1234567, ".", "1.234.567"},
        {1234567, "", "1234567"},
        {1234567, "\u202F", "1\u202F234\u202F567"},
        {-1234, ",", "-1,234"},
        {-999, ",", "-999"},
        {INT32_MAX, ",", "2,147,483,647"},
        {INT32_MIN, ",", "-2,147,483,648"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPacketCount(c.count, c.separator), c.text) << c.count;
    }
}

}  // namespace
}  // namespace kestro
