#include "shell/core.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "race/race_engine.h"
#include "race/race_state.h"
#include "support/fixtures.h"

namespace kestro {
namespace {

using test::At;
using test::Sjis;
namespace rs = race_status;
namespace cs = clock_status;
using F = PanelField;

class CoreTest : public test::CoreFixture {
protected:
    void Feed(const std::vector<uint8_t>& payload) {
        core.SnoopTCPDataCaptureTCPData(payload.data(), static_cast<int32_t>(payload.size()));
    }
    // The log lines without their time stamps.
    std::vector<std::string> LogTexts() const {
        std::vector<std::string> texts;
        for (const std::string& line : rec.logLines) {
            texts.push_back(line.substr(line.find(" - ") + 3));
        }
        return texts;
    }
    void TickSeconds(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock.AdvanceSeconds(1);
            core.RealTimeTimer();
        }
    }
};

// ---- map changes -----------------------------------------------------------

TEST_F(CoreTest, MapChangeToTheSameMapDoesNothing) {
    core.GetSettings().LogLevel = log_bits::MapChanges;
    core.HandleMapChange("hugel.gat");
    const std::vector<std::string> expected = {
        "status: マップ移動: hugel.gat", "log: 12:00:00.000 - マップ移動: hugel.gat", "refresh"};
    EXPECT_EQ(rec.events, expected);
    rec.Clear();
    core.HandleMapChange("hugel.gat");
    EXPECT_TRUE(rec.events.empty());
    // Case matters: this is another map.
    core.HandleMapChange("HUGEL.gat");
    EXPECT_EQ(state.CurrentMap, "HUGEL.gat");
}

TEST_F(CoreTest, FirstMapChangeAfterTheResetAlwaysCounts) {
    core.GetSettings().LogLevel = 0;
    core.HandleMapChange("");  // equal to the empty map of the reset
    EXPECT_EQ(rec.refreshes, 0);
    core.HandleMapChange("prontera.gat");
    EXPECT_EQ(rec.refreshes, 1);
    EXPECT_TRUE(rec.logLines.empty());
}

TEST_F(CoreTest, LeavingATrackAfterItsResultAwaitsTheNextRace) {
    const struct {
        const char* why;
        const char* from;
        RaceStatus singles, doubles;
        const char* to;
        RaceStatus singlesAfter, doublesAfter;
    } cases[] = {
        {"Singles confirmed", "p_track01.gat", 5, 0, "hugel.gat", 1, 0},
        {"Singles paying out", "p_track01.gat", 6, 14, "hugel.gat", 1, 14},
        {"Singles still racing", "p_track01.gat", 4, 0, "hugel.gat", 4, 0},
        {"Singles closing notice", "p_track01.gat", 7, 0, "hugel.gat", 7, 0},
        {"Doubles confirmed", "p_track02.gat", 5, 14, "hugel.gat", 5, 9},
        {"Doubles paying out", "p_track02.gat", 0, 15, "prontera.gat", 0, 9},
        {"Doubles first place only", "p_track02.gat", 0, 13, "hugel.gat", 0, 13},
        {"judged on the old map", "hugel.gat", 5, 14, "p_track01.gat", 5, 14},
        {"from one track to the other", "p_track01.gat", 5, 14, "p_track02.gat", 1, 14},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        state.Reset();
        state.CurrentMap = c.from;
        state.SinglesStatus = c.singles;
        state.DoublesStatus = c.doubles;
        core.HandleMapChange(c.to);
        EXPECT_EQ(state.SinglesStatus, c.singlesAfter);
        EXPECT_EQ(state.DoublesStatus, c.doublesAfter);
        EXPECT_EQ(state.CurrentMap, c.to);  // replaces the town set by the transition
    }
}

TEST_F(CoreTest, LeavingTheTrackShowsTheMoveThenTheTransitionThenRefreshes) {
    core.GetSettings().LogLevel = log_bits::MapChanges;
    state.CurrentMap = "p_track01.gat";
    state.SinglesStatus = rs::SConfirmed;
    state.SinglesClockStatus = cs::SRaceTime;
    core.HandleMapChange("hugel.gat");
    const std::vector<std::string> expected = {
        "status: マップ移動: hugel.gat",
        "log: 12:00:00.000 - マップ移動: hugel.gat",
        "refresh",  // status WaitAccepting
        "refresh",  // clock AcceptStart
        "refresh",  // the map change itself
    };
    EXPECT_EQ(rec.events, expected);
    EXPECT_EQ(state.SinglesClockStatus, cs::SAcceptStart);
}

TEST_F(CoreTest, EnteringATrackMarksItsTicketsAsHeldButUnseen) {
    state.TicketSingle = '4';
    core.HandleMapChange("p_track02.gat");
    EXPECT_EQ(state.TicketDouble1, '?');
    EXPECT_EQ(state.TicketDouble2, '?');
    EXPECT_EQ(state.TicketSingle, '4');

    state.TicketDouble1 = '1';
    state.TicketDouble2 = '2';
    core.HandleMapChange("p_track01.gat");
    EXPECT_EQ(state.TicketSingle, '?');
    EXPECT_EQ(state.TicketDouble1, '1');
    EXPECT_EQ(state.TicketDouble2, '2');
}

TEST_F(CoreTest, ReturningToTheTrackKeepsATicketBoughtForTheRaceNowOn) {
    const struct {
        const char* why;
        RaceKind kind;
        std::vector<RaceStatus> atPurchase, afterPurchase;
        bool kept;
    } cases[] = {
        {"walk before the start", kSingles, {rs::SAccepting}, {}, true},
        {"walk during the race",
         kSingles,
         {rs::SAccepting},
         {rs::SStartWaiting, rs::SRacing},
         true},
        {"bought while unknown, then accepting", kSingles, {}, {rs::SAccepting}, true},
        {"the next race's acceptance since",
         kSingles,
         {rs::SAccepting},
         {rs::SRacing, rs::SConfirmed, rs::SPayingOut, rs::SWaitAccepting},
         false},
        {"accepting again straight from the race",
         kSingles,
         {rs::SAccepting},
         {rs::SRacing, rs::SAccepting},
         false},
        {"bought during the race: the successor's, kept into its acceptance",
         kSingles,
         {rs::SRacing},
         {rs::SClosingNotice, rs::SAccepting},
         true},
        {"the race it was for given up, then the next accepting",
         kSingles,
         {rs::SAccepting},
         {rs::SRacing, rs::Unknown, rs::SAccepting},
         false},
        {"bought while unknown, given up unstarted, then accepting",
         kSingles,
         {},
         {rs::SAccepting, rs::Unknown, rs::SAccepting},
         true},
        {"Doubles walk during the race",
         kDoubles,
         {rs::DAccepting},
         {rs::DRacing, rs::DFirstPlaceDecided},
         true},
        {"Doubles next acceptance since",
         kDoubles,
         {rs::DAccepting},
         {rs::DFirstPlaceDecided, rs::DConfirmed, rs::DWaitAccepting},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        core.ResetRaceState();
        const std::string track = c.kind == kSingles ? "p_track01.gat" : "p_track02.gat";
        for (RaceStatus s : c.atPurchase) {
            core.Engine().SetRaceStatus(c.kind, s);
        }
        core.HandleTicketPurchase(static_cast<uint8_t>(c.kind), '4', '2');
        for (RaceStatus s : c.afterPurchase) {
            core.Engine().SetRaceStatus(c.kind, s);
        }
        core.HandleMapChange("hugel.gat");
        core.HandleMapChange(track);
        if (c.kind == kSingles) {
            EXPECT_EQ(state.TicketSingle, c.kept ? '4' : '?');
        } else {
            EXPECT_EQ(state.TicketDouble1, c.kept ? '2' : '?');
            EXPECT_EQ(state.TicketDouble2, c.kept ? '4' : '?');
        }
    }
}

// ---- ticket purchases ------------------------------------------------------

TEST_F(CoreTest, SinglesPurchaseRecordsTheTicketAndOpensAnUnknownRace) {
    core.GetSettings().LogLevel = log_bits::Tickets;
    core.HandleTicketPurchase(0, '3', '0');
    EXPECT_EQ(state.TicketSingle, '3');
    EXPECT_EQ(state.CurrentMap, "p_track01.gat");
    EXPECT_EQ(state.SinglesStatus, rs::SAccepting);
    EXPECT_EQ(state.SinglesClockStatus, cs::SStartTime);
    const std::vector<std::string> expected = {"status: チケット購入(シングルス): 3",
                                               "log: 12:00:00.000 - チケット購入(シングルス): 3",
                                               "refresh", "refresh"};
    EXPECT_EQ(rec.events, expected);

    // A race already followed is left where it is.
    state.SinglesStatus = rs::SRacing;
    core.HandleTicketPurchase(0, '5', '0');
    EXPECT_EQ(state.TicketSingle, '5');
    EXPECT_EQ(state.SinglesStatus, rs::SRacing);
}

TEST_F(CoreTest, SinglesPurchaseOnTheTrackDoesNotMarkTheTicketUnseen) {
    state.CurrentMap = "hugel.gat";
    core.HandleTicketPurchase(0, '2', '0');
    EXPECT_EQ(state.TicketSingle, '2');  // set directly, no map change handling
    EXPECT_EQ(state.CurrentMap, "p_track01.gat");
}

TEST_F(CoreTest, DoublesPurchaseStoresTheRunnersInAscendingOrder) {
    core.GetSettings().LogLevel = log_bits::Tickets;
    const struct {
        uint8_t runner, second;
        char low, high;
        const char* message;  // nullptr: none
    } cases[] = {
        {'5', '2', '2', '5', "チケット購入(ダブルス): 5-2"},
        {'1', '4', '1', '4', "チケット購入(ダブルス): 1-4"},
        {'3', '3', '3', '3', "チケット購入(ダブルス): 3-3"},
        {'2', '6', '2', '6', "チケット購入(ダブルス): 2-6"},
        {'1', '0', '0', '1', nullptr},  // no runner: no message
        {'3', '7', '3', '7', nullptr},
        {'6', '5', '5', '6', "チケット購入(ダブルス): 6-5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, static_cast<char>(c.runner)) + static_cast<char>(c.second));
        state.Reset();
        rec.Clear();
        core.HandleTicketPurchase(1, c.runner, c.second);
        EXPECT_EQ(state.TicketDouble1, c.low);
        EXPECT_EQ(state.TicketDouble2, c.high);
        EXPECT_EQ(state.CurrentMap, "p_track02.gat");
        EXPECT_EQ(state.DoublesStatus, rs::Unknown);  // purchases never move Doubles
        if (c.message) {
            EXPECT_EQ(LogTexts(), std::vector<std::string>{c.message});
        } else {
            EXPECT_TRUE(rec.events.empty());
        }
    }
}

TEST_F(CoreTest, PurchaseRefreshesAtTheEndOnlyWithRealtimeUpdate) {
    core.GetSettings().LogLevel = 0;
    state.SinglesStatus = rs::SAccepting;
    core.HandleTicketPurchase(0, '1', '0');
    core.HandleTicketPurchase(1, '1', '2');
    core.HandleTicketPurchase(2, '1', '2');
    EXPECT_EQ(rec.refreshes, 0);

    core.GetSettings().RealtimeUpdate = true;
    core.HandleTicketPurchase(0, '1', '0');
    core.HandleTicketPurchase(1, '1', '2');
    core.HandleTicketPurchase(2, '4', '5');  // another kind changes nothing but still refreshes
    EXPECT_EQ(rec.refreshes, 3);
    EXPECT_EQ(state.TicketSingle, '1');
    EXPECT_EQ(state.TicketDouble1, '1');
    EXPECT_EQ(state.TicketDouble2, '2');
    EXPECT_EQ(state.CurrentMap, "p_track02.gat");
}

// ---- log levels over a whole race ------------------------------------------

// Singles from the town's acceptance line to the pay-out, with sounds on.
void PlaySinglesRace(KestroCore& core, SettableClock& clock) {
    for (int i = 0; i < kSoundEventCount; ++i) {
        core.GetSettings().Sound(static_cast<SoundEvent>(i)) = {true, "x.wav"};
    }
    core.GetSettings().SoundEnabled = true;
    core.HandleMapChange("hugel.gat");
    core.HandleAnnouncement(
        Sjis("モンスターレースシングルスの受付を開始しました。皆様奮ってご参加ください。"));
    core.HandleMapChange("p_track01.gat");
    core.HandleTicketPurchase(0, '3', '0');
    clock.AdvanceSeconds(300);
    core.RealTimeTimer();
    core.HandleAnnouncement(Sjis("優勝モンスターは") + "3" + Sjis("番のモンスターです。"));
    core.HandleAnnouncement(Sjis("優勝したモンスターを見事当てた方は、交換員の元へ来てください。"));
}

TEST_F(CoreTest, LogLevelZeroWritesOnlyTheResult) {
    core.GetSettings().LogLevel = 0;
    PlaySinglesRace(core, clock);
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"順位確定(単勝): 3"});
    EXPECT_EQ(state.SinglesStatus, rs::SPayingOut);
}

TEST_F(CoreTest, DefaultLogLevelWritesAnnouncerTicketsAndMapsButNoDiagnostics) {
    ASSERT_EQ(core.GetSettings().LogLevel, 7);
    PlaySinglesRace(core, clock);
    const std::vector<std::string> expected = {
        "マップ移動: hugel.gat",
        "天の声: モンスターレースシングルスの受付を開始しました。皆様奮ってご参加ください。",
        "マップ移動: p_track01.gat",
        "チケット購入(シングルス): 3",
        "天の声: 優勝モンスターは3番のモンスターです。",
        "順位確定(単勝): 3",
        "天の声: 優勝したモンスターを見事当てた方は、交換員の元へ来てください。",
    };
    EXPECT_EQ(LogTexts(), expected);
}

TEST_F(CoreTest, AllBitsAddSoundAndPredictionDiagnostics) {
    core.GetSettings().LogLevel = 31;
    PlaySinglesRace(core, clock);
    const std::vector<std::string> texts = LogTexts();
    auto count = [&](std::string_view prefix) {
        int n = 0;
        for (const std::string& t : texts) {
            n += t.rfind(prefix, 0) == 0;
        }
        return n;
    };
    EXPECT_EQ(count("次回発走予想時刻(単勝): "), 2);  // acceptance line and result
    // Acceptance line, the start-waiting tick, the result played twice.
    EXPECT_EQ(count("InfoSound: "), 4);
    EXPECT_EQ(count("順位確定(単勝): 3"), 1);
    EXPECT_EQ(texts[3], "次回発走予想時刻(単勝): 12:05:00.000");
}

// ---- the core as the window uses it ----------------------------------------

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::vector<uint8_t> MapPacket(std::string_view name) {
    return Bytes(std::string("\x91\x00", 2) + std::string(name) + '\0');
}

std::vector<uint8_t> AnnouncerPacket(const std::string& text) {
    const std::size_t length = 16 + text.size() + 1;
    std::string header(16, '\0');
    header[0] = '\xC3';
    header[1] = '\x01';
    header[2] = static_cast<char>(length & 0xFF);
    header[3] = static_cast<char>(length >> 8);
    return Bytes(header + text + '\0');
}

TEST_F(CoreTest, PayloadsDriveTheRacesAndThePanel) {
    core.GetSettings().LogLevel = 0;
    Feed(MapPacket("p_track02.gat"));
    Feed(AnnouncerPacket("4" + Sjis("番のモンスターがゴールしました。")));
    Feed(AnnouncerPacket(Sjis("続いて、") + "1" + Sjis("番のモンスターがゴールしました。")));
    EXPECT_EQ(core.PacketCount(), 3);
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"順位確定(複勝): 1-4"});

    clock.Set(At(12, 0, 42));
    const PanelTexts panel = core.Panel(",");
    EXPECT_EQ(panel[F::txtStatusDouble], "確定");
    EXPECT_EQ(panel[F::txtClockStatusDouble], "タイム");
    EXPECT_EQ(panel[F::txtClockNow], "12:00:42");
    EXPECT_EQ(panel[F::txtClockDouble], "00:09:48");  // base is 12:10:30
    EXPECT_EQ(panel[F::txtResultDouble1], "①");
    EXPECT_EQ(panel[F::txtResultDouble2], "④");
    EXPECT_EQ(panel[F::txtTicketDouble1], "×");  // '?' from entering the track
    EXPECT_EQ(panel.packetCount, "3");
}

TEST_F(CoreTest, TimerTickRefreshesTheViewEvenWhenIdle) {
    core.RealTimeTimer();
    EXPECT_EQ(rec.events, std::vector<std::string>{"refresh"});
}

TEST_F(CoreTest, ResetSetsTheStateDirectlyWithoutRefreshing) {
    core.HandleTicketPurchase(0, '3', '0');
    core.HandleAnnouncement(Sjis("優勝モンスターは") + "3");
    rec.Clear();
    core.ResetRaceState();
    EXPECT_EQ(rec.refreshes, 0);
    const PanelTexts panel = core.Panel(",");
    EXPECT_EQ(panel[F::txtStatusSingle], "状態不明");
    EXPECT_EQ(panel[F::txtClockSingle], "--:--:--");
    EXPECT_EQ(panel[F::txtTicketSingle], "×");
    EXPECT_EQ(panel[F::txtResultSingle], "×");
    EXPECT_TRUE(core.Race().CurrentMap.empty());
    // Unset, the base times read as the date-time 0: local midnight of 1899-12-30.
    EXPECT_DOUBLE_EQ(clock.LocalTime(core.Race().SinglesBaseTime), 0.0);
    EXPECT_DOUBLE_EQ(clock.LocalTime(core.Race().DoublesBaseTime), 0.0);
}

// ---- reminders ---------------------------------------------------------------

namespace reminders {

constexpr const char* kAccepting =
    "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。";
constexpr const char* kOneMinute = "まもなくモンスターレースシングルスがスタートします。";
constexpr const char* kStart = "モンスターレースシングルスがスタートします。皆様の幸運を祈ります。";
constexpr const char* kWinner4 = "優勝モンスターは4番のモンスターです！";
constexpr const char* kDAccepting =
    "モンスターレースダブルスの受付中です。レースに参加する方は入場してください。";
constexpr const char* kDStart = "モンスターレースダブルスがスタートします。皆様の幸運を祈ります。";

// At a second after 12:00:00: an announcer line, a ticket ("S4", "D52"), a
// map, or a Singles race taken up from the timetable kept at the last close,
// accepting with its start this many seconds after 12:00:00.
struct Step {
    int at;
    const char* line = nullptr;
    const char* ticket = nullptr;
    const char* map = nullptr;
    int takenUpStart = -1;
};

struct Case {
    const char* why;
    int index;  // the reminder switched on
    int lead;
    bool noTicketOnly;
    std::vector<Step> steps;
    int until;
    std::vector<std::string> fired;  // the reminders' log lines
    bool soundOff = false;           // イベント発生時に音を鳴らす unticked
};

}  // namespace reminders

TEST_F(CoreTest, RemindersFireOncePerMomentNeverForOneAlreadyPast) {
    using namespace reminders;
    const int sAccept = ReminderIndex(kSingles, ReminderMoment::AcceptStart);
    const int sStart = ReminderIndex(kSingles, ReminderMoment::Start);
    const int sExchange = ReminderIndex(kSingles, ReminderMoment::ExchangeDeadline);
    const int dExchange = ReminderIndex(kDoubles, ReminderMoment::ExchangeDeadline);
    const Case cases[] = {
        {"the start a minute ahead",
         sStart,
         60,
         false,
         {{0, kAccepting}},
         300,
         {"12:03:00.000 - リマインダー(単勝): 発走まで 1:00"}},
        {"a line 5 s later is the same moment",
         sStart,
         60,
         false,
         {{0, kAccepting}, {185, kOneMinute}},
         300,
         {"12:03:00.000 - リマインダー(単勝): 発走まで 1:00"}},
        {"switched off", -1, 60, false, {{0, kAccepting}}, 300, {}},
        {"first known at the moment itself: nothing left to remind of",
         sStart,
         60,
         false,
         {{100, nullptr, nullptr, nullptr, 100}},
         120,
         {}},
        {"acceptance opened before the line was heard",
         sAccept,
         60,
         false,
         {{0, kAccepting}},
         230,
         {}},
        {"first heard inside the lead: at once, with what remains",
         sStart,
         120,
         false,
         {{0, kOneMinute}},
         70,
         {"12:00:01.000 - リマインダー(単勝): 発走まで 0:59"}},
        {"each race cycle once",
         sAccept,
         60,
         false,
         {{0, kWinner4}, {700, kWinner4}},
         1100,
         {"12:04:31.000 - リマインダー(単勝): 受付開始まで 1:00",
          "12:16:11.000 - リマインダー(単勝): 受付開始まで 1:00"}},
        {"a ticket held silences the last call",
         sStart,
         60,
         true,
         {{0, kAccepting}, {10, nullptr, "S2"}},
         300,
         {}},
        {"the ticket of the race just run does not silence the next",
         sStart,
         400,
         true,
         {{0, nullptr, "S2"}, {0, kAccepting}, {240, kStart}, {300, kWinner4}},
         900,
         {"12:08:57.000 - リマインダー(単勝): 発走まで 6:40"}},
        {"no exchange reminder for a ticket that lost",
         sExchange,
         120,
         false,
         {{0, kAccepting}, {5, nullptr, "S2"}, {240, kStart}, {300, kWinner4}},
         700,
         {}},
        {"a winning ticket's deadline, also after leaving the track",
         sExchange,
         120,
         false,
         {{0, kAccepting},
          {5, nullptr, "S4"},
          {240, kStart},
          {300, kWinner4},
          {320, nullptr, nullptr, "hugel.gat"}},
         700,
         {"12:08:07.000 - リマインダー(単勝): 当たり券 ④ の交換締切まで 2:00"}},
        {"a winning Doubles pair",
         dExchange,
         120,
         false,
         {{0, kDAccepting},
          {10, nullptr, "D52"},
          {240, kDStart},
          {300, "2番のモンスターがゴールしました。"},
          {303, "続いて、5番のモンスターがゴールしました。"}},
         700,
         {"12:08:03.000 - リマインダー(複勝): 当たり券 ②-⑤ の交換締切まで 2:00"}},
        {"the master sound switch off: the line without its sound",
         sStart,
         60,
         false,
         {{0, kAccepting}},
         300,
         {"12:03:00.000 - リマインダー(単勝): 発走まで 1:00"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        clock.Set(At(12, 0, 0));
        core.ResetRaceState();
        rec.Clear();
        KestroCore fresh(clock, view, player);  // a start of its own: nothing fired yet
        fresh.GetSettings().LogLevel = log_bits::Tickets;
        fresh.GetSettings().SoundEnabled = !c.soundOff;
        for (ReminderSetting& r : fresh.GetSettings().Reminders) {
            r.Enabled = false;
        }
        if (c.index >= 0) {
            ReminderSetting& r = fresh.GetSettings().Reminders[static_cast<std::size_t>(c.index)];
            r = {true, c.lead, "remind.wav", c.noTicketOnly};
        }
        std::size_t next = 0;
        for (int t = 0; t <= c.until; ++t) {
            if (t > 0) {
                clock.AdvanceSeconds(1);
            }
            for (; next < c.steps.size() && c.steps[next].at == t; ++next) {
                const Step& step = c.steps[next];
                if (step.takenUpStart >= 0) {
                    RaceState& state = fresh.Engine().State();
                    state.SinglesStatus = rs::SAccepting;
                    state.SinglesClockStatus = clock_status::SStartTime;
                    state.SinglesBaseTime = At(12, 0, 0) + std::chrono::seconds(step.takenUpStart);
                } else if (step.line != nullptr) {
                    fresh.HandleAnnouncement(Sjis(step.line));
                } else if (step.ticket != nullptr) {
                    const std::string_view ticket = step.ticket;
                    fresh.HandleTicketPurchase(
                        ticket[0] == 'S' ? kSingles : kDoubles, static_cast<uint8_t>(ticket[1]),
                        static_cast<uint8_t>(ticket.size() > 2 ? ticket[2] : 0));
                } else {
                    fresh.HandleMapChange(step.map);
                }
            }
            if (t > 0) {
                fresh.RealTimeTimer();
            }
        }
        std::vector<std::string> fired;
        for (const std::string& line : rec.logLines) {
            if (line.find("リマインダー") != std::string::npos) {
                fired.push_back(line);
            }
        }
        EXPECT_EQ(fired, c.fired);
        // Each one: the status line and the log, then the shell's hook, then its sound.
        std::vector<std::string> order;
        for (const std::string& event : rec.events) {
            if (event.find("リマインダー") != std::string::npos || event == "play: remind.wav") {
                order.push_back(event.substr(0, event.find(':')));
            }
        }
        std::vector<std::string> expectedOrder;
        for (std::size_t i = 0; i < c.fired.size(); ++i) {
            expectedOrder.insert(expectedOrder.end(), {"status", "log", "reminder"});
            if (!c.soundOff) {
                expectedOrder.push_back("play");
            }
        }
        EXPECT_EQ(order, expectedOrder);
    }
}

}  // namespace
}  // namespace kestro
