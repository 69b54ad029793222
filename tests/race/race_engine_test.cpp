#include "race/race_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "race/panel.h"
#include "support/fixtures.h"

namespace kestro {
namespace {

using test::At;
namespace rs = race_status;
namespace cs = clock_status;

// One line per tick at which a race's status or clock status changed: the
// time, both codes and what that race's clock row shows.
struct Step {
    std::string time;
    int status;
    int clockStatus;
    std::string clock;
    std::string remain;
    bool operator==(const Step&) const = default;
};

void PrintTo(const Step& s, std::ostream* os) {
    *os << s.time << " " << s.status << "/" << s.clockStatus << " " << s.clock << " " << s.remain;
}

class RaceEngineTest : public test::EngineFixture {
protected:
    RaceStatus StatusOf(RaceKind kind) const {
        return kind == kSingles ? state.SinglesStatus : state.DoublesStatus;
    }
    Instant& BaseTimeOf(RaceKind kind) {
        return kind == kSingles ? state.SinglesBaseTime : state.DoublesBaseTime;
    }
    // A moment as the log shows it.
    std::string Shown(Instant t) const { return FormatHhMmSsZzz(clock.LocalTime(t)); }

    std::vector<Step> TickUntil(RaceKind kind, Instant end) {
        std::vector<Step> steps;
        auto statusOf = [&] {
            return kind == kSingles ? state.SinglesStatus : state.DoublesStatus;
        };
        auto clockOf = [&] {
            return kind == kSingles ? state.SinglesClockStatus : state.DoublesClockStatus;
        };
        for (Instant t = clock.Now() + std::chrono::seconds(1); t <= end;
             t += std::chrono::seconds(1)) {
            clock.Set(t);
            const int before = statusOf() * 256 + clockOf();
            engine.RealTimeTimer();
            if (statusOf() * 256 + clockOf() != before) {
                steps.push_back({FormatHhNnSs(clock.LocalNow()), statusOf(), clockOf(),
                                 ClockText(state, clockOf(), clock, t),
                                 ClockRemainText(state, clockOf(), t)});
            }
        }
        return steps;
    }
};

TEST_F(RaceEngineTest, SettersRefreshOnlyOnChange) {
    engine.SetRaceStatus(kSingles, rs::SAccepting);
    engine.SetRaceStatus(kSingles, rs::SAccepting);
    EXPECT_EQ(rec.refreshes, 1);
    engine.SetClockStatus(kDoubles, cs::DStartTime);
    engine.SetClockStatus(kDoubles, cs::DStartTime);
    EXPECT_EQ(rec.refreshes, 2);
    EXPECT_EQ(state.SinglesStatus, rs::SAccepting);
    EXPECT_EQ(state.DoublesClockStatus, cs::DStartTime);

    const RaceState before = state;
    engine.SetRaceStatus(2, 9);
    engine.SetClockStatus(-1, 5);
    EXPECT_EQ(rec.refreshes, 2);
    EXPECT_EQ(state.SinglesStatus, before.SinglesStatus);
    EXPECT_EQ(state.DoublesStatus, before.DoublesStatus);
    EXPECT_EQ(state.SinglesClockStatus, before.SinglesClockStatus);
    EXPECT_EQ(state.DoublesClockStatus, before.DoublesClockStatus);
}

TEST_F(RaceEngineTest, SinglesCycleFromConfirmedResultToUnknown) {
    engine.SetFirstFinisher(kSingles, '3');
    EXPECT_EQ(state.SinglesStatus, rs::SConfirmed);
    EXPECT_EQ(state.SinglesClockStatus, cs::SRaceTime);
    EXPECT_EQ(Shown(state.SinglesBaseTime), "12:10:37.000");

    const std::vector<Step> expected = {
        {"12:00:11", rs::SPayingOut, cs::SExchangeDeadline, "12:05:07", "4:56"},
        {"12:05:09", rs::SWaitAccepting, cs::SAcceptStart, "12:05:31", "0:22"},
        {"12:05:32", rs::SAccepting, cs::SStartTime, "12:10:37", "5:05"},
        {"12:10:08", rs::SStartWaiting, cs::SStartTime, "12:10:37", "0:29"},
        {"12:10:38", rs::SRacing, cs::SRaceTime, "00:00:01", "-:--"},
        {"12:25:38", rs::Unknown, cs::Unknown, "--:--:--", "-:--"},
    };
    EXPECT_EQ(TickUntil(kSingles, At(12, 30, 0)), expected);
    // The timer moves the race but never its anchor.
    EXPECT_EQ(Shown(state.SinglesBaseTime), "12:10:37.000");
    EXPECT_EQ(state.DoublesStatus, rs::Unknown);
}

TEST_F(RaceEngineTest, DoublesCycleFromConfirmedResultToUnknown) {
    engine.SetFirstFinisher(kDoubles, '5');
    engine.SetSecondFinisher(kDoubles, '2');
    EXPECT_EQ(state.DoublesStatus, rs::DConfirmed);
    EXPECT_EQ(state.ResultDouble1, '2');
    EXPECT_EQ(state.ResultDouble2, '5');
    EXPECT_EQ(Shown(state.DoublesBaseTime), "12:10:30.000");

    const std::vector<Step> expected = {
        {"12:00:11", rs::DPayingOut, cs::DExchangeDeadline, "12:05:00", "4:49"},
        {"12:05:02", rs::DWaitAccepting, cs::DAcceptStart, "12:05:24", "0:22"},
        {"12:05:25", rs::DAccepting, cs::DStartTime, "12:10:30", "5:05"},
        {"12:10:01", rs::DStartWaiting, cs::DStartTime, "12:10:30", "0:29"},
        {"12:10:31", rs::DRacing, cs::DRaceTime, "00:00:01", "-:--"},
        {"12:25:31", rs::Unknown, cs::Unknown, "--:--:--", "-:--"},
    };
    EXPECT_EQ(TickUntil(kDoubles, At(12, 30, 0)), expected);
    EXPECT_EQ(state.SinglesStatus, rs::Unknown);
}

TEST_F(RaceEngineTest, SinglesWinnerConfirmsPlaysTheResultTwiceThenReports) {
    test::EnableAllSounds(settings);
    settings.LogLevel = log_bits::Diagnostics;
    state.TicketSingle = '3';
    state.CurrentMap = "p_track01.gat";
    engine.SetFirstFinisher(kSingles, '3');

    const std::string info =
        "log: 12:00:00.000 - InfoSound: CurrentMap(p_track01.gat), RaceType(0), "
        "SinglesRaceStatus(5), DoublesRaceStatus(0)";
    const std::vector<std::string> expected = {
        "refresh",  // status Confirmed
        "refresh",  // clock RaceTime
        info,
        "play: ResultWin.wav",
        "status: 次回発走予想時刻(単勝): 12:10:37.000",
        "log: 12:00:00.000 - 次回発走予想時刻(単勝): 12:10:37.000",
        "status: 順位確定(単勝): 3",
        "log: 12:00:00.000 - 順位確定(単勝): 3",
        info,
        "play: ResultWin.wav",
    };
    EXPECT_EQ(rec.events, expected);
}

TEST_F(RaceEngineTest, DoublesResultMessageAndItsOrderOfEffects) {
    test::EnableAllSounds(settings);
    settings.LogLevel = 0;
    state.TicketDouble1 = '2';
    state.TicketDouble2 = '5';
    engine.SetFirstFinisher(kDoubles, '5');
    EXPECT_EQ(state.DoublesStatus, rs::DFirstPlaceDecided);
    EXPECT_EQ(state.DoublesClockStatus, cs::DRaceTime);
    // First place on one of our tickets: nothing is told yet.
    EXPECT_EQ(rec.events, (std::vector<std::string>{"refresh", "refresh", "play: "}));

    rec.Clear();
    engine.SetSecondFinisher(kDoubles, '2');
    const std::vector<std::string> expected = {
        "refresh",
        "play: ResultWin.wav",
        "status: 順位確定(複勝): 2-5",
        "log: 12:00:00.000 - 順位確定(複勝): 2-5",
        "play: ResultWin.wav",
    };
    EXPECT_EQ(rec.events, expected);  // clock status stayed RaceTime: one refresh
}

TEST_F(RaceEngineTest, DoublesFirstFinisherAgainstOurTicketsSoundsDefeat) {
    test::EnableAllSounds(settings);
    state.TicketDouble1 = '2';
    state.TicketDouble2 = '5';
    engine.SetFirstFinisher(kDoubles, '3');
    EXPECT_EQ(rec.plays, (std::vector<std::string>{"ResultDefeat.wav"}));
}

TEST_F(RaceEngineTest, SecondFinisherWithoutFirstIsConfirmedAsZeroAndRunner) {
    engine.SetSecondFinisher(kDoubles, '5');
    EXPECT_EQ(state.ResultDouble1, '0');
    EXPECT_EQ(state.ResultDouble2, '5');
    EXPECT_EQ(state.DoublesStatus, rs::DConfirmed);
    ASSERT_FALSE(rec.logLines.empty());
    EXPECT_EQ(rec.logLines.back(), "12:00:00.000 - 順位確定(複勝): 0-5");
}

TEST_F(RaceEngineTest, SecondFinisherIsIgnoredForSingles) {
    engine.SetSecondFinisher(kSingles, '5');
    EXPECT_EQ(state.SinglesStatus, rs::Unknown);
    EXPECT_EQ(state.ResultDouble2, '0');
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(RaceEngineTest, DoublesFirstPlaceStaysUntilTheSecondFinisher) {
    engine.AnnounceStart(kDoubles);
    clock.AdvanceSeconds(60);
    engine.SetFirstFinisher(kDoubles, '4');
    EXPECT_EQ(state.DoublesStatus, rs::DFirstPlaceDecided);
    const std::vector<Step> none;
    EXPECT_EQ(TickUntil(kDoubles, At(12, 15, 0)), none);  // the whole give-up window
    EXPECT_EQ(state.ResultDouble1, '4');
    // A second start line now keeps the first finisher and the start time.
    engine.AnnounceStart(kDoubles);
    EXPECT_EQ(state.ResultDouble1, '4');
    EXPECT_EQ(FormatHhNnSs(clock.LocalTime(state.DoublesBaseTime)), "12:00:00");
    // Giving up still applies to it.
    engine.SetFirstFinisher(kDoubles, '4');
    const std::vector<Step> givenUp = {{"12:15:01", rs::Unknown, cs::Unknown, "--:--:--", "-:--"}};
    EXPECT_EQ(TickUntil(kDoubles, At(12, 15, 1)), givenUp);
}

TEST_F(RaceEngineTest, FirstPlaceIsHeldAgainstEveryTimeRuleButGivingUp) {
    // The first finisher heard while the predicted start still lies ahead (a
    // late prediction) or long behind: only rule 1 may move the race.
    const struct {
        int baseFromNow;  // seconds
        RaceStatus after;
    } cases[] = {
        {320, rs::DFirstPlaceDecided},  // rule 6 would await acceptance
        {100, rs::DFirstPlaceDecided},  // rule 5 would accept
        {10, rs::DFirstPlaceDecided},   // rule 4 would wait for the start
        {-10, rs::DFirstPlaceDecided},  // rule 3 would start racing
        {-901, rs::Unknown},            // rule 1 gives up
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baseFromNow);
        state.Reset();
        engine.SetFirstFinisher(kDoubles, '4');
        state.DoublesBaseTime = test::SecondsAfter(clock.Now(), c.baseFromNow);
        engine.RealTimeTimer();
        EXPECT_EQ(state.DoublesStatus, c.after);
        EXPECT_EQ(state.ResultDouble1, '4');
    }
}

// Current and previous results of a race, in that order: "RP" for Singles,
// "R1R2P1P2" for Doubles.
std::string Results(const RaceState& s, RaceKind kind) {
    if (kind == kSingles) {
        return {static_cast<char>(s.ResultSingle), static_cast<char>(s.PrevResultSingle)};
    }
    return {static_cast<char>(s.ResultDouble1), static_cast<char>(s.ResultDouble2),
            static_cast<char>(s.PrevResultDouble1), static_cast<char>(s.PrevResultDouble2)};
}

void SetResults(RaceState& s, RaceKind kind, const std::string& r) {
    if (kind == kSingles) {
        s.ResultSingle = r[0];
        s.PrevResultSingle = r[1];
    } else {
        s.ResultDouble1 = r[0];
        s.ResultDouble2 = r[1];
        s.PrevResultDouble1 = r[2];
        s.PrevResultDouble2 = r[3];
    }
}

TEST_F(RaceEngineTest, TimerStartMovesTheResultToPreviousOncePerRace) {
    const struct {
        const char* why;
        RaceKind kind;
        RaceStatus status;
        const char* results;
        RaceStatus after;
        const char* resultsAfter;
    } cases[] = {
        {"Singles awaiting acceptance", kSingles, rs::SWaitAccepting, "31", rs::SRacing, "03"},
        {"Singles accepting", kSingles, rs::SAccepting, "31", rs::SRacing, "03"},
        {"Singles start waiting", kSingles, rs::SStartWaiting, "31", rs::SRacing, "03"},
        {"Singles start waiting, no result yet", kSingles, rs::SStartWaiting, "01", rs::SRacing,
         "00"},
        {"Singles paying out", kSingles, rs::SPayingOut, "31", rs::SRacing, "03"},
        {"Singles closing notice", kSingles, rs::SClosingNotice, "31", rs::SRacing, "03"},
        {"Singles racing already", kSingles, rs::SRacing, "31", rs::SRacing, "31"},
        {"Doubles awaiting acceptance", kDoubles, rs::DWaitAccepting, "2516", rs::DRacing, "0025"},
        {"Doubles accepting", kDoubles, rs::DAccepting, "2516", rs::DRacing, "0025"},
        {"Doubles start waiting", kDoubles, rs::DStartWaiting, "2516", rs::DRacing, "0025"},
        {"Doubles start waiting, no result yet", kDoubles, rs::DStartWaiting, "0016", rs::DRacing,
         "0000"},
        {"Doubles paying out", kDoubles, rs::DPayingOut, "2516", rs::DRacing, "0025"},
        {"Doubles racing already", kDoubles, rs::DRacing, "2516", rs::DRacing, "2516"},
        {"Doubles first place known", kDoubles, rs::DFirstPlaceDecided, "4016",
         rs::DFirstPlaceDecided, "4016"},
    };
    test::EnableAllSounds(settings);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        state.Reset();
        clock.Set(At(12, 0, 0, 500));
        engine.SetRaceStatus(c.kind, c.status);
        BaseTimeOf(c.kind) = At(12, 0, 0);  // the predicted start, just passed
        SetResults(state, c.kind, c.results);
        engine.RealTimeTimer();
        EXPECT_EQ(StatusOf(c.kind), c.after);
        EXPECT_EQ(Results(state, c.kind), c.resultsAfter);
        // The start line heard late: it neither moves the results again nor
        // re-anchors the start, and still plays the start.
        rec.Clear();
        clock.AdvanceSeconds(1);
        engine.AnnounceStart(c.kind);
        EXPECT_EQ(Results(state, c.kind), c.resultsAfter);
        EXPECT_EQ(BaseTimeOf(c.kind), At(12, 0, 0));
        EXPECT_EQ(rec.plays, std::vector<std::string>{"RaceStart.wav"});
    }
}

TEST_F(RaceEngineTest, SecondStartLineOnlyPlaysTheStartAgain) {
    test::EnableAllSounds(settings);
    state.ResultSingle = '6';
    state.PrevResultSingle = '1';
    engine.AnnounceStart(kSingles);
    EXPECT_EQ(state.PrevResultSingle, '6');
    EXPECT_EQ(state.ResultSingle, '0');
    EXPECT_EQ(state.SinglesBaseTime, At(12, 0, 0));
    EXPECT_EQ(state.SinglesStatus, rs::SRacing);

    clock.AdvanceSeconds(20);
    state.ResultSingle = '2';  // would be rotated by a second rotation
    rec.Clear();
    engine.AnnounceStart(kSingles);
    EXPECT_EQ(state.PrevResultSingle, '6');
    EXPECT_EQ(state.ResultSingle, '2');
    EXPECT_EQ(state.SinglesBaseTime, At(12, 0, 0));
    EXPECT_EQ(rec.events, (std::vector<std::string>{"play: RaceStart.wav"}));
}

TEST_F(RaceEngineTest, DoublesStartRotatesBothResults) {
    state.ResultDouble1 = '1';
    state.ResultDouble2 = '4';
    engine.AnnounceStart(kDoubles);
    EXPECT_EQ(state.PrevResultDouble1, '1');
    EXPECT_EQ(state.PrevResultDouble2, '4');
    EXPECT_EQ(state.ResultDouble1, '0');
    EXPECT_EQ(state.ResultDouble2, '0');
    EXPECT_EQ(state.DoublesStatus, rs::DRacing);
    EXPECT_EQ(state.DoublesClockStatus, cs::DRaceTime);
}

TEST_F(RaceEngineTest, PayOutLineKeepsTheResultsPredictionAndAnchorsAMissedResult) {
    using Setup = void (*)(RaceEngine&);
    const Setup singlesWon = [](RaceEngine& e) { e.SetFirstFinisher(kSingles, '2'); };
    const Setup doublesWon = [](RaceEngine& e) {
        e.SetFirstFinisher(kDoubles, '2');
        e.SetSecondFinisher(kDoubles, '5');
    };
    const struct {
        const char* why;
        RaceKind kind;
        Setup atNoon;
        int lineAfter;  // seconds, ticking each one
        RaceStatus statusAtLine;
        const char* baseAfter;
    } cases[] = {
        {"Singles confirmed", kSingles, singlesWon, 5, rs::SConfirmed, "12:10:37.000"},
        {"Singles paid out by the timer, line 40 s late", kSingles, singlesWon, 50, rs::SPayingOut,
         "12:10:37.000"},
        {"Singles result missed", kSingles, [](RaceEngine& e) { e.AnnounceStart(kSingles); }, 5,
         rs::SRacing, "12:10:41.000"},  // 12:00:05 + 636 s
        {"Doubles confirmed", kDoubles, doublesWon, 5, rs::DConfirmed, "12:10:30.000"},
        {"Doubles paid out by the timer, line 40 s late", kDoubles, doublesWon, 50, rs::DPayingOut,
         "12:10:30.000"},
        {"Doubles result missed", kDoubles, [](RaceEngine& e) { e.AnnounceStart(kDoubles); }, 5,
         rs::DRacing, "12:10:34.000"},  // 12:00:05 + 629 s
        {"Doubles second finisher missed", kDoubles,
         [](RaceEngine& e) {
             e.AnnounceStart(kDoubles);
             e.SetFirstFinisher(kDoubles, '3');
         },
         50, rs::DFirstPlaceDecided, "12:11:19.000"},  // 12:00:50 + 629 s
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        state.Reset();
        clock.Set(At(12, 0, 0));
        c.atNoon(engine);
        TickUntil(c.kind, At(12, 0, c.lineAfter));
        ASSERT_EQ(StatusOf(c.kind), c.statusAtLine);
        engine.EnterPayingOut(c.kind);
        EXPECT_EQ(Shown(BaseTimeOf(c.kind)), c.baseAfter);
        EXPECT_EQ(StatusOf(c.kind), c.kind == kSingles ? rs::SPayingOut : rs::DPayingOut);
        EXPECT_EQ(c.kind == kSingles ? state.SinglesClockStatus : state.DoublesClockStatus,
                  c.kind == kSingles ? cs::SExchangeDeadline : cs::DExchangeDeadline);
    }
}

TEST_F(RaceEngineTest, ClosingNoticeShowsTheExchangeDeadline) {
    engine.SetFirstFinisher(kSingles, '2');
    engine.EnterClosingNotice(kSingles);
    EXPECT_EQ(state.SinglesStatus, rs::SClosingNotice);
    EXPECT_EQ(state.SinglesClockStatus, cs::SExchangeDeadline);
    EXPECT_EQ(ClockText(state, state.SinglesClockStatus, clock, clock.Now()), "12:05:07");
    engine.EnterClosingNotice(kDoubles);
    EXPECT_EQ(state.DoublesStatus, rs::DClosingNotice);
    EXPECT_EQ(state.DoublesClockStatus, cs::DExchangeDeadline);
}

TEST_F(RaceEngineTest, AcceptingFiveMinutesAheadRunsToTheStart) {
    engine.AnnounceAccepting(kSingles, 5);
    EXPECT_EQ(state.SinglesStatus, rs::SAccepting);
    EXPECT_EQ(state.SinglesClockStatus, cs::SStartTime);
    EXPECT_EQ(Shown(state.SinglesBaseTime), "12:05:00.000");
    const std::vector<Step> expected = {
        {"12:04:31", rs::SStartWaiting, cs::SStartTime, "12:05:00", "0:29"},
        {"12:05:01", rs::SRacing, cs::SRaceTime, "00:00:01", "-:--"},
    };
    EXPECT_EQ(TickUntil(kSingles, At(12, 6, 0)), expected);
}

TEST_F(RaceEngineTest, WaitAcceptingPredictsTheStartAndOpensAfterTwentySeconds) {
    engine.AnnounceWaitAccepting(kDoubles);
    EXPECT_EQ(state.CurrentMap, "hugel.gat");
    EXPECT_EQ(state.DoublesStatus, rs::DWaitAccepting);
    EXPECT_EQ(state.DoublesClockStatus, cs::DAcceptStart);
    EXPECT_EQ(Shown(state.DoublesBaseTime), "12:05:26.000");
    EXPECT_EQ(ClockText(state, state.DoublesClockStatus, clock, clock.Now()), "12:00:20");
    EXPECT_EQ(ClockRemainText(state, state.DoublesClockStatus, clock.Now()), "0:20");
    const std::vector<Step> steps = TickUntil(kDoubles, At(12, 1, 0));
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].time, "12:00:21");
    EXPECT_EQ(steps[0].status, rs::DAccepting);
}

TEST_F(RaceEngineTest, StartWaitingSoundRepeatsAtEveryTickOfTheLastThirtySeconds) {
    settings.SoundEnabled = true;
    settings.Sound(SoundEvent::RaceStartWaitingS) = {true, "chimes.wav"};
    engine.AnnounceAccepting(kSingles, 1);  // base 12:01:00
    rec.Clear();
    TickUntil(kSingles, At(12, 1, 0));
    int chimes = 0;
    for (const std::string& p : rec.plays) {
        chimes += p == "chimes.wav";
    }
    EXPECT_EQ(chimes, 30);  // 12:00:31 .. 12:01:00
    EXPECT_EQ(state.SinglesStatus, rs::SStartWaiting);
}

TEST_F(RaceEngineTest, TimerLeavesUnknownRacesAloneButStillRefreshes) {
    state.SinglesBaseTime = test::SecondsAfter(clock.Now(), 20);  // would be StartWaiting
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::Unknown);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"refresh"}));
}

TEST_F(RaceEngineTest, StatusWithoutBaseTimeIsGivenUpAtTheNextTick) {
    engine.EnterAccepting(kSingles);  // as after a ticket purchase, no line heard
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::Unknown);
    EXPECT_EQ(state.SinglesClockStatus, cs::Unknown);
}

TEST_F(RaceEngineTest, ClockJumpingBackGivesTheStatusThatFitsTheTime) {
    engine.AnnounceAccepting(kSingles, 3);  // base 12:03:00
    clock.Set(At(12, 3, 10));
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::SRacing);
    clock.Set(At(12, 1, 0));
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::SAccepting);
    clock.Set(At(11, 50, 0));  // before base - 329 s: left as it is
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::SAccepting);
}

TEST_F(RaceEngineTest, EachTimeRuleHoldsOnlyStrictlyAfterItsBoundary) {
    // A base time with a fraction of a millisecond, as a capture or the live
    // clock gives it: a tick on the boundary is not later, one a microsecond
    // after it is.
    const Instant base = At(12, 0, 0) + Micros(100);
    const struct {
        const char* why;
        RaceKind kind;
        RaceStatus from;
        int boundary;  // seconds from the base
        RaceStatus onBoundary, justAfter;
    } cases[] = {
        {"give up", kSingles, rs::SRacing, 900, rs::SRacing, rs::Unknown},
        {"pay out", kSingles, rs::SConfirmed, -627, rs::SConfirmed, rs::SPayingOut},
        {"Doubles pay out", kDoubles, rs::DConfirmed, -620, rs::DConfirmed, rs::DPayingOut},
        {"start", kSingles, rs::SStartWaiting, 0, rs::SStartWaiting, rs::SRacing},
        {"count down", kSingles, rs::SAccepting, -30, rs::SAccepting, rs::SStartWaiting},
        {"open", kDoubles, rs::DWaitAccepting, -306, rs::DWaitAccepting, rs::DAccepting},
        {"await", kSingles, rs::SClosingNotice, -329, rs::SClosingNotice, rs::SWaitAccepting},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        for (const auto& [after, expected] :
             {std::pair{Micros(0), c.onBoundary}, std::pair{Micros(1), c.justAfter}}) {
            state.Reset();
            engine.SetRaceStatus(c.kind, c.from);
            BaseTimeOf(c.kind) = base;
            clock.Set(base + std::chrono::seconds(c.boundary) + after);
            engine.RealTimeTimer();
            EXPECT_EQ(StatusOf(c.kind), expected) << after.count() << " us after";
        }
    }
}

TEST_F(RaceEngineTest, ClockJumpingForwardPastTheGiveUpResetsTheRace) {
    engine.AnnounceAccepting(kDoubles, 3);  // base 12:03:00
    clock.Set(At(12, 18, 0, 1));            // set ahead by hand
    engine.RealTimeTimer();
    EXPECT_EQ(state.DoublesStatus, rs::Unknown);
}

TEST_F(RaceEngineTest, TimerWaitAcceptingLeavesThePlayersMapAlone) {
    engine.SetFirstFinisher(kSingles, '1');  // base 12:10:37
    state.CurrentMap = "p_track02.gat";
    clock.Set(At(12, 5, 10));
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::SPayingOut);
    engine.RealTimeTimer();
    EXPECT_EQ(state.SinglesStatus, rs::SWaitAccepting);
    clock.AdvanceSeconds(1);
    engine.RealTimeTimer();
    EXPECT_EQ(state.CurrentMap, "p_track02.gat");
    // Only the line heard in town places the player there.
    engine.AnnounceWaitAccepting(kSingles);
    EXPECT_EQ(state.CurrentMap, "hugel.gat");
}

TEST_F(RaceEngineTest, OtherRaceKindsChangeNothing) {
    test::EnableAllSounds(settings);
    settings.LogLevel = 31;
    state.CurrentMap = "p_track02.gat";
    state.ResultSingle = '3';
    const RaceState before = state;
    for (RaceKind kind : {2, -1, 255}) {
        engine.ResetRace(kind);
        engine.EnterWaitAccepting(kind);
        engine.AnnounceWaitAccepting(kind);
        engine.EnterAccepting(kind);
        engine.AnnounceAccepting(kind, 3);
        engine.EnterStartWaiting(kind);
        engine.EnterRacing(kind);
        engine.AnnounceStart(kind);
        engine.SetFirstFinisher(kind, '4');
        engine.SetSecondFinisher(kind, '4');
        engine.ConfirmResult(kind);
        engine.EnterPayingOut(kind);
        engine.EnterClosingNotice(kind);
        engine.ShowPredictedStart(kind);
    }
    EXPECT_TRUE(rec.events.empty());
    EXPECT_EQ(state.CurrentMap, before.CurrentMap);
    EXPECT_EQ(state.ResultSingle, before.ResultSingle);
    EXPECT_EQ(state.SinglesBaseTime, before.SinglesBaseTime);
    EXPECT_EQ(state.DoublesBaseTime, before.DoublesBaseTime);
    EXPECT_EQ(state.SinglesStatus, before.SinglesStatus);
    EXPECT_EQ(state.DoublesStatus, before.DoublesStatus);
}

TEST_F(RaceEngineTest, PredictedStartOnlyWithTheDiagnosticsBit) {
    settings.LogLevel = 31 & ~log_bits::Diagnostics;
    engine.AnnounceAccepting(kSingles, 3);
    engine.ShowPredictedStart(kSingles);
    EXPECT_TRUE(rec.logLines.empty());

    settings.LogLevel = log_bits::Diagnostics;
    clock.Set(At(21, 0, 0, 250));
    engine.AnnounceWaitAccepting(kSingles);
    ASSERT_EQ(rec.logLines.size(), 1u);
    EXPECT_EQ(rec.logLines[0], "21:00:00.250 - 次回発走予想時刻(単勝): 21:05:26.250");
}

}  // namespace
}  // namespace kestro
