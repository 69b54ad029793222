// The timetable kept across a restart.
#include "shell/timetable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "race/race_engine.h"
#include "race/race_state.h"
#include "settings/ini_file.h"
#include "support/recording_view.h"

namespace kestro {
namespace {

using test::kChooseStatus;
using test::RecordingView;
using test::ShellTest;
using test::WinSinglesOn4;

// An evening interrupted by a restart: Doubles announced at 21:00:00 (start
// 21:03:00), Singles won at 21:06:00 (next start 21:16:37), then the close.
void EveningUntilTheClose(KestroShell& shell, SettableClock& clock) {
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    clock.AdvanceSeconds(360);
    shell.Core().HandleTicketPurchase(1, '5', '2');
    WinSinglesOn4(shell);
    shell.FormClose();
}

std::string LastStatus(const std::vector<std::string>& events) {
    for (auto event = events.rbegin(); event != events.rend(); ++event) {
        if (event->rfind("status ", 0) == 0) {
            return event->substr(7);
        }
    }
    return {};
}

struct RestartCase {
    const char* what;
    bool onAtClose;  // the switch in the settings file at the close
    bool onAtStart;  // and at the next start
    int gapSeconds;  // from the close to the next start
    bool singles;    // taken up
    bool doubles;
    const char* mark;  // before the status line's text
};

// The timetable across a restart, in a real settings file: taken up only with
// the switch on, within the reset time of the save and of each race's base.
TEST_F(ShellTest, TheTimetableIsTakenUpAfterARestartOnlyWhenAskedAndStillTrue) {
    const RestartCase cases[] = {
        {"on, soon", true, true, 100, true, true, "[予想未確認: 単勝・複勝] "},
        {"on, Doubles given up by its timer", true, true, 899, true, false, "[予想未確認: 単勝] "},
        {"on, the reset time after the close", true, true, 900, false, false, ""},
        {"on, long after", true, true, 4000, false, false, ""},
        {"off, soon", false, false, 100, false, false, ""},
        {"kept at the close, off at the start", true, false, 100, false, false, ""},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(iniPath_);
        WriteIni(std::string("[History]\nRestoreTimetable=") + (c.onAtClose ? "1" : "0") + "\n");
        clock_.Set(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
        DropAllInterfacesDevice(Create());
        shell_->FormShow();
        EveningUntilTheClose(*shell_, clock_);
        const RaceState before = shell_->Core().Race();
        const PlayerRecord record = shell_->Core().Engine().Record();
        EXPECT_EQ(test::ReadFileBytes(iniPath_).find("[Timetable]") != std::string::npos,
                  c.onAtClose);

        shell_.reset();
        IniFile ini = IniFile::Load(iniPath_);
        ini.WriteBool("History", "RestoreTimetable", c.onAtStart);
        ASSERT_TRUE(ini.Save(iniPath_));
        clock_.AdvanceSeconds(c.gapSeconds);
        RecordingView fresh;
        const RaceState reset = KestroShell(fresh.Faces(), {}, &clock_).Core().Race();
        view_.events.clear();
        DropAllInterfacesDevice(Create());
        shell_->FormShow();
        const RaceState& after = shell_->Core().Race();
        const RaceState& singles = c.singles ? before : reset;
        const RaceState& doubles = c.doubles ? before : reset;
        EXPECT_EQ(after.SinglesStatus, singles.SinglesStatus);
        EXPECT_EQ(after.SinglesClockStatus, singles.SinglesClockStatus);
        EXPECT_EQ(after.SinglesBaseTime, singles.SinglesBaseTime);
        EXPECT_EQ(after.DoublesStatus, doubles.DoublesStatus);
        EXPECT_EQ(after.DoublesClockStatus, doubles.DoublesClockStatus);
        EXPECT_EQ(after.DoublesBaseTime, doubles.DoublesBaseTime);
        // The tickets come back with their races: ④ won and awaits its
        // exchange, ②-⑤ is held for the Doubles race to come.
        const PlayerRecord& kept = shell_->Core().Engine().Record();
        const PlayerRecord none;
        EXPECT_EQ(kept.RaceOf(kSingles), (c.singles ? record : none).RaceOf(kSingles));
        EXPECT_EQ(kept.WonTicket(kSingles), (c.singles ? record : none).WonTicket(kSingles));
        EXPECT_EQ(kept.RaceOf(kDoubles), (c.doubles ? record : none).RaceOf(kDoubles));
        EXPECT_EQ(after.TicketSingle, c.singles ? '4' : '0');
        EXPECT_EQ(after.TicketDouble1, c.doubles ? '2' : '0');
        EXPECT_EQ(after.TicketDouble2, c.doubles ? '5' : '0');
        const bool told = std::count(view_.events.begin(), view_.events.end(),
                                     "log 前回終了時の予想を復元しました") == 1;
        EXPECT_EQ(told, c.singles || c.doubles);
        EXPECT_EQ(LastStatus(view_.events), c.mark + kChooseStatus);
        if (c.doubles) {
            // The Doubles race it was bought for runs after the restart and is
            // written as the ticket's.
            shell_->RealTimeTimer();
            shell_->Core().HandleAnnouncement(Utf8ToCp932("5番のモンスターがゴールしました。"));
            shell_->Core().HandleAnnouncement(
                Utf8ToCp932("続いて、2番のモンスターがゴールしました。"));
            ASSERT_FALSE(shell_->Core().History().Tonight().empty());
            EXPECT_EQ(shell_->Core().History().Tonight().back().verdict, Verdict::Hit);
        }
        shell_->FormClose();
    }
}

// A race taken up stays marked until a line of the announcer speaks of it, or
// until its timer gives it up; the other race keeps its mark meanwhile.
TEST_F(ShellTest, TheUnconfirmedMarkGoesWithALineAboutTheRaceOrItsTimer) {
    WriteIni("[History]\nRestoreTimetable=1\n");
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    EveningUntilTheClose(*shell_, clock_);
    shell_.reset();
    clock_.AdvanceSeconds(60);  // 21:07:00
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    ASSERT_EQ(LastStatus(view_.events), "[予想未確認: 単勝・複勝] " + kChooseStatus);

    // Doubles was to start at 21:03:00: its timer has it racing, so the start
    // line moves nothing, and still confirms it.
    shell_->RealTimeTimer();
    ASSERT_EQ(shell_->Core().Race().DoublesStatus, race_status::DRacing);
    const RaceState racing = shell_->Core().Race();
    const std::string start = "モンスターレースダブルスがスタートします。皆様の幸運を祈ります。";
    shell_->Core().HandleAnnouncement(Utf8ToCp932(start));
    EXPECT_EQ(shell_->Core().Race().DoublesBaseTime, racing.DoublesBaseTime);
    EXPECT_EQ(LastStatus(view_.events), "[予想未確認: 単勝] 天の声: " + start);
    // A line about neither race confirms nothing.
    shell_->Core().HandleAnnouncement(Utf8ToCp932("ゲームの終了時間です。"));
    EXPECT_EQ(LastStatus(view_.events), "[予想未確認: 単勝] 天の声: ゲームの終了時間です。");
    // Singles was predicted to start at 21:16:37: given up after 21:31:37.
    clock_.Set(EncodeDateTime(2009, 3, 27, 21, 31, 38, 0));
    shell_->RealTimeTimer();
    EXPECT_EQ(shell_->Core().Race().SinglesStatus, race_status::Unknown);
    EXPECT_EQ(LastStatus(view_.events), "天の声: ゲームの終了時間です。");
    shell_->FormClose();
}

struct DamagedTimetableCase {
    const char* key;
    const char* value;
    std::optional<int64_t> secondsFromNow = std::nullopt;  // the value: now and this many seconds
};

// A section someone edited by hand, or a file from elsewhere: each value that
// cannot be read, names no status of the race or lies beyond what a run could
// have saved, leaves the race reset, and is compared without overflowing.
TEST(TimetableTest, AValueThatCannotHoldTakesUpNothingOfItsRace) {
    const Instant now = InstantOfUtc(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
    RaceState saved;
    saved.SinglesStatus = race_status::SConfirmed;
    saved.SinglesClockStatus = clock_status::SRaceTime;
    saved.SinglesBaseTime = now + std::chrono::seconds(637);
    PlayerRecord record;
    record.TicketBought(kSingles, '4', '0', now - std::chrono::seconds(100));
    record.RaceStarted(kSingles, now - std::chrono::seconds(70));
    record.ResultHeard(kSingles, '4', '0', now - std::chrono::seconds(10));
    const int64_t tenYears = int64_t{10} * 365 * 86400;
    const DamagedTimetableCase cases[] = {
        {nullptr, nullptr},  // undamaged: taken up
        {"SavedAt", ""},
        {"SavedAt", "+x"},  // "+": after the value as written
        {"SinglesBaseTime", "+x"},
        {"SavedAt", "99999999999999999999999"},
        {"SavedAt", "-9223372036854775808"},
        {"SavedAt", nullptr, 1},  // the clock set back since the close
        {"SavedAt", nullptr, -900},
        {"SinglesStatus", "9"},  // a Doubles status
        {"SinglesStatus", "0"},
        {"SinglesClockStatus", "5"},
        {"SinglesBaseTime", "soon"},
        {"SinglesBaseTime", nullptr, tenYears},
        {"SinglesBaseTime", nullptr, 891},  // more than the reset time after the save
        {"SinglesBaseTime", "9223372036854775807"},
        {"SinglesBaseTime", "-9223372036854775808"},
        {"SinglesTicket", "7"},
        {"SinglesTicket", "44"},
        {"SinglesTicket", ""},  // its instant without a ticket
        {"SinglesTicketAt", ""},
        {"SinglesTicketAt", nullptr, -5},  // after the save
        {"SinglesTicketAt", nullptr, -3700},
        {"SinglesTicketAt", "-9223372036854775808"},
        {"SinglesStartedAt", "9223372036854775807"},
        {"SinglesResult", "?"},
        {"SinglesWon", "0"},
    };
    for (const DamagedTimetableCase& c : cases) {
        SCOPED_TRACE(c.key ? std::string(c.key) + "=" + (c.value ? c.value : "now") +
                                 (c.secondsFromNow ? std::to_string(*c.secondsFromNow) : "")
                           : "undamaged");
        IniFile ini;
        WriteTimetable(ini, saved, record, now - std::chrono::seconds(10));
        if (c.key != nullptr) {
            const std::string value =
                c.secondsFromNow ? std::to_string((now + std::chrono::seconds(*c.secondsFromNow))
                                                      .time_since_epoch()
                                                      .count())
                                 : c.value;
            ini.WriteString(kTimetableSection, c.key,
                            value.starts_with("+")
                                ? *ini.ReadString(kTimetableSection, c.key) + value.substr(1)
                                : value);
        }
        RaceState state;
        PlayerRecord restored;
        const RaceFlags taken = RestoreTimetable(ini, state, restored, now);
        EXPECT_EQ(taken[0], c.key == nullptr);
        EXPECT_FALSE(taken[1]);
        EXPECT_EQ(state.SinglesStatus,
                  c.key == nullptr ? saved.SinglesStatus : race_status::Unknown);
        EXPECT_EQ(restored.RaceOf(kSingles),
                  c.key == nullptr ? record.RaceOf(kSingles) : PlayerRecord::Race{});
        EXPECT_EQ(restored.WonTicket(kSingles),
                  c.key == nullptr ? std::optional<std::string>("④") : std::nullopt);
        EXPECT_EQ(state.TicketSingle, c.key == nullptr ? '4' : '0');
    }
}

}  // namespace
}  // namespace kestro
