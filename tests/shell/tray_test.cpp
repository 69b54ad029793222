// The tray's tip and the close to the tray.
#include "shell/tray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "race/race_state.h"
#include "settings/ini_file.h"
#include "support/recording_view.h"

namespace kestro {
namespace {

using test::ShellTest;

// The tooltip names each race's next moment with the panel's countdown; a race
// with none ahead (running, just gone by, unknown) gives its status.
TEST(TrayTooltipTest, EachRaceShowsItsNextMomentOrItsStatus) {
    namespace rs = race_status;
    namespace cs = clock_status;
    const Instant now = InstantOfUtc(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
    struct Race {
        RaceStatus status;
        ClockStatus clock;
        double baseAfterNow;  // seconds
    };
    const struct {
        Race singles, doubles;
        const char* tip;
    } cases[] = {
        {{rs::SStartWaiting, cs::SStartTime, 134},
         {rs::DWaitAccepting, cs::DAcceptStart, 766},
         "単勝 発走 あと 2:14 / 複勝 受付開始 あと 7:40"},
        {{rs::SConfirmed, cs::SExchangeDeadline, 395.9},
         {rs::DRacing, cs::DRaceTime, -20},
         "単勝 交換締切 あと 1:05 / 複勝 レース中"},
        // The start gone by, the race not heard to run yet; and one second left.
        {{rs::SStartWaiting, cs::SStartTime, 0},
         {rs::DAccepting, cs::DStartTime, 1},
         "単勝 発走待ち / 複勝 発走 あと 0:01"},
        {{rs::Unknown, cs::Unknown, 0},
         {rs::Unknown, cs::Unknown, 0},
         "単勝 状態不明 / 複勝 状態不明"},
    };
    const auto after = [now](double seconds) { return now + Micros(std::llround(seconds * 1e6)); };
    for (const auto& c : cases) {
        RaceState state;
        state.SinglesStatus = c.singles.status;
        state.SinglesClockStatus = c.singles.clock;
        state.SinglesBaseTime = after(c.singles.baseAfterNow);
        state.DoublesStatus = c.doubles.status;
        state.DoublesClockStatus = c.doubles.clock;
        state.DoublesBaseTime = after(c.doubles.baseAfterNow);
        EXPECT_EQ(TrayTooltip(state, now), c.tip);
    }
}

// Closing keeps running in the tray only when the user chose it and a tray
// shows the icon (not on a face without one, nor on a desktop without one);
// Exit and the session's end always close. While hidden the
// clock runs, the tip follows the panel, and the saves keep the placement it
// had on the screen.
TEST_F(ShellTest, CloseToTrayOnlyWhenChosenAndATrayShowsTheIcon) {
    const struct {
        bool faceHasTray;
        bool available;
    } rows[] = {{false, true}, {true, false}, {true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.faceHasTray << row.available);
        const bool available = row.faceHasTray && row.available;
        WriteIni("[TfrmZKmain]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n");
        view_.hasTray = row.faceHasTray;
        view_.trayAvailable = row.available;
        KestroShell& shell = Create();
        shell.FormCreate();
        shell.FormShow();
        EXPECT_EQ(view_.trayIcon, available);
        EXPECT_EQ(view_.tip, row.faceHasTray ? "単勝 状態不明 / 複勝 状態不明" : "");
        EXPECT_FALSE(view_.closeToTrayChecked);
        EXPECT_TRUE(shell.FormCloseQuery()) << "not chosen";
        shell.PopupMenuClick(MenuItem::pmiCloseToTray);
        EXPECT_TRUE(view_.closeToTrayChecked);
        EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "CloseToTray", ""), "1");
        view_.events.clear();
        EXPECT_EQ(shell.FormCloseQuery(), !available);
        if (!available) {
            EXPECT_TRUE(view_.events.empty());
            shell.FormClose();
            continue;
        }
        EXPECT_EQ(view_.events, std::vector<std::string>{"off screen"});
        // Hidden, a window system may report another place; the one on the screen is kept.
        view_.placement.left = -32000;
        shell.Core().HandleAnnouncement(
            Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。"));
        EXPECT_EQ(view_.tip, "単勝 発走 あと 3:00 / 複勝 状態不明");
        shell.FormShow();  // a face's show on the way back is not a new show
        shell.TrayIconClick();
        EXPECT_EQ(view_.events.back(), "on screen");
        EXPECT_EQ(view_.events.end()[-2], "place 40,30");
        shell.TrayIconClick();
        EXPECT_EQ(view_.events.back(), "off screen");
        view_.placement.left = -32000;
        // Kestro started again: the running window comes back as a click brings it.
        shell.BringForward();
        EXPECT_EQ(view_.events.back(), "on screen");
        EXPECT_EQ(view_.events.end()[-2], "place 40,30");
        // The tray goes away with the window in it: the window comes back
        // where it was, and the status line says why, once.
        shell.TrayIconClick();
        view_.placement.left = -32000;
        view_.trayIcon = false;
        view_.events.clear();
        for (int i = 0; i < 3; ++i) {
            shell.RealTimeTimer();
        }
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "on screen"), 1);
        EXPECT_EQ(view_.placement.left, 40);
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                             std::string("status ") + KestroShell::kTrayGoneLine),
                  1);
        view_.trayIcon = true;
        shell.TrayIconClick();
        view_.placement.left = -32000;
        view_.events.clear();
        shell.PopupMenuClick(MenuItem::pmiExit);
        EXPECT_TRUE(shell.FormCloseQuery()) << "Exit ends";
        shell.FormClose();
        shell.BringForward();  // too late: nothing is shown again
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "on screen"), 0);
        shell.FormDestroy();
        EXPECT_FALSE(view_.trayIcon);
        EXPECT_EQ(IniFile::Load(iniPath_).ReadString("TfrmZKmain", "PlaceNormalPos.Left", ""),
                  "40");
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "reset"), 0);
        // The next run, asked to end by the session while on the screen.
        view_.onScreen = true;
        KestroShell& next = Create();
        next.FormShow();
        EXPECT_TRUE(view_.closeToTrayChecked);
        next.EndSession();
        EXPECT_TRUE(next.FormCloseQuery());
        next.FormClose();
    }
}

}  // namespace
}  // namespace kestro
