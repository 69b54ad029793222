// The desktop's notifications as the shell sends them.
#include "shell/notifications.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "race/race_engine.h"
#include "support/recording_view.h"

namespace kestro {
namespace {

using test::ShellTest;
using test::WinSinglesOn4;

// Singles announced at 21:00:00 (start 21:03:00), its start reminded a minute
// ahead; Doubles announced at 21:02:00 (start 21:05:00), reminded at once; at
// 21:03:00 Singles won on 4, its result's sound played twice in a row.
void EveningWithReminders(KestroShell& shell, SettableClock& clock) {
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。"));
    clock.AdvanceSeconds(120);
    shell.RealTimeTimer();
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    shell.RealTimeTimer();
    clock.AdvanceSeconds(60);
    WinSinglesOn4(shell);
}

constexpr char kEveningReminders[] =
    "[Reminders]\nSinglesStartEnabled=1\nSinglesStartNoTicketOnly=0\n"
    "DoublesStartEnabled=1\nDoublesStartLead=600\n";

// What is told on the desktop follows the reminders window's switches; each
// notification takes the place of its own race's last one.
TEST_F(ShellTest, TheDesktopIsToldOfRemindersAndTickedEventsOneNotificationPerRace) {
    struct Case {
        const char* what;
        const char* notifications;  // the [Notifications] section
        std::vector<std::string> sent;
        bool thenARaceUnbet = false;  // the next Singles race, won by 2, no ticket bought
        // The winning ticket's exchange reminded at the next tick, then the next
        // Singles race's acceptance heard, then 30 s of ticks.
        bool exchange = false;
        // A desktop that shows one at a time, and what it is told in those 30 s.
        bool onePlace = false;
        std::vector<std::string> later{};
    };
    const std::string singles = "単勝 発走まで 1:00 (21:03:00): リマインダー(単勝): 発走 21:03:00";
    const std::string doubles = "複勝 発走まで 3:00 (21:05:00): リマインダー(複勝): 発走 21:05:00";
    const std::string accepting = "単勝 受付中 (21:00:00): 受付中(単勝): 発走予測 21:03:00";
    const std::string won = "単勝 当選 (21:03:00): 当選(単勝)";
    const Case cases[] = {
        {"the defaults: the reminders only", "", {"0 " + singles, "0 " + doubles}},
        {"the reminders off, two events on",
         "Reminders=0\nRaceAcceptingS=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + won}},
        {"all of them",
         "RaceAcceptingS=1\nRaceAcceptingD=1\nRaceStart=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + singles,
          "0 複勝 受付中 (21:02:00): 受付中(複勝): 発走予測 21:05:00", "3 " + doubles,
          "2 単勝 発走 (21:03:00): 発走(単勝)", "5 " + won}},
        {"the exchange reminder beside the race's routine notifications",
         "RaceAcceptingS=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + singles, "0 " + doubles, "2 " + won,
          "0 !単勝 交換締切まで 5:06 (21:08:07): リマインダー(単勝): 当たり券 ④ の交換締切 "
          "21:08:07",
          "4 単勝 受付中 (21:03:01): 受付中(単勝): 発走予測 21:07:01"},
         false,
         true},
        // The balloon: the acceptance would take the exchange reminder's place.
        {"the exchange reminder up alone where the desktop has one place",
         "RaceAcceptingS=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + singles, "0 " + doubles, "2 " + won,
          "0 !単勝 交換締切まで 5:06 (21:08:07): リマインダー(単勝): 当たり券 ④ の交換締切 "
          "21:08:07"},
         false,
         true,
         true,
         {"4 単勝 受付中 (21:03:01): 受付中(単勝): 発走予測 21:07:01"}},
        // The sound compares the last ticket bought (4) and says 外れ; the words
        // say the player held no ticket of this race.
        {"a result told as the record judged it",
         "Reminders=0\nResultWin=1\nResultDefeat=1\nResultNeedCheck=1\n",
         {"0 " + won, "1 単勝 確認要求 (21:14:40): 確認要求(単勝)"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteIni(std::string(kEveningReminders) +
                 "SinglesExchangeDeadlineEnabled=1\nSinglesExchangeDeadlineLead=600\n" +
                 "[Notifications]\n" + c.notifications);
        clock_.Set(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
        view_.notices = {};
        view_.notices.onePlace = c.onePlace;
        DropAllInterfacesDevice(Create());
        shell_->FormShow();
        EveningWithReminders(*shell_, clock_);
        if (c.thenARaceUnbet) {
            clock_.AdvanceSeconds(700);
            shell_->Core().HandleAnnouncement(
                Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"));
            shell_->Core().HandleAnnouncement(Utf8ToCp932("優勝モンスターは2番のモンスターです！"));
            EXPECT_EQ(shell_->Core().Engine().EvaluateTickets(kSingles), TicketVerdict::Defeat);
        }
        if (c.exchange) {
            clock_.AdvanceSeconds(1);
            shell_->RealTimeTimer();
            shell_->Core().HandleAnnouncement(Utf8ToCp932(
                "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
        }
        EXPECT_EQ(view_.notices.sent, c.sent);
        if (c.exchange) {
            std::vector<std::string> sent = c.sent;
            sent.insert(sent.end(), c.later.begin(), c.later.end());
            for (int second = 1; second <= 30; ++second) {
                clock_.AdvanceSeconds(1);
                shell_->RealTimeTimer();
                EXPECT_EQ(view_.notices.sent, second < 30 ? c.sent : sent) << second << " s";
            }
        }
        shell_->FormClose();
    }
}

// A notification whose race's last one has no id yet waits for it; a desktop
// without the service is said once in the log, and the next are still offered.
TEST_F(ShellTest, TheNextNotificationOfARaceWaitsForTheIdAndNoServiceIsSaidOnce) {
    WriteIni("[Notifications]\nRaceAcceptingS=1\nRaceStart=1\n");
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    view_.notices.hold = true;
    const auto announce = [this](const char* line) {
        shell_->Core().HandleAnnouncement(Utf8ToCp932(line));
    };
    announce("約3分後にモンスターレースシングルスがスタートします。");
    announce("まもなくモンスターレースシングルスがスタートします。");
    const std::string first = "単勝 受付中 (21:00:00): 受付中(単勝): 発走予測 21:03:00";
    EXPECT_EQ(view_.notices.sent, std::vector<std::string>{"0 " + first});
    view_.notices.AnswerOldest(7, "");
    view_.notices.AnswerOldest(std::nullopt, "org.freedesktop.DBus.Error.ServiceUnknown");
    announce("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。");
    view_.notices.AnswerOldest(std::nullopt, "org.freedesktop.DBus.Error.ServiceUnknown");
    const std::vector<std::string> sent = {
        "0 " + first, "7 単勝 受付中 (21:00:00): 受付中(単勝): 発走予測 21:01:00",
        "7 単勝 発走 (21:00:00): 発走(単勝)"};
    EXPECT_EQ(view_.notices.sent, sent);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "log " + std::string(DesktopNotifier::kNoServiceLine) +
                             ": org.freedesktop.DBus.Error.ServiceUnknown"),
              1);
    shell_->FormClose();
}

}  // namespace
}  // namespace kestro
