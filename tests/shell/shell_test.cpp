// The shell's lifecycle on the recording view: show, close, the menu's
// switches, the stay-visible modes and the refusals of a write.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "history/race_history.h"
#include "settings/ini_file.h"
#include "settings/vu_ini_mng.h"
#include "shell/placement.h"
#include "support/portable.h"
#include "support/recording_view.h"

namespace kestro {
namespace {

using test::kChooseLog;
using test::kChooseStatus;
using test::ShellTest;
using test::WinSinglesOn4;

TEST_F(ShellTest, LifecycleStepsAndMenuActionsInOrder) {
    WriteIni(
        "[Config]\nDebug=1\nRealtimeUpdate=1\n"
        "[TfrmZKmain]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n");
    KestroShell& shell = Create();
    DropAllInterfacesDevice(shell);
    shell.FormCreate();
    shell.FormShow();
    for (const MenuItem item : {MenuItem::pmiAbout, MenuItem::pmiConfig, MenuItem::pmiLog,
                                MenuItem::pmiHistory, MenuItem::pmiReminders, MenuItem::pmiExit}) {
        shell.PopupMenuClick(item);
    }
    shell.FormClose();
    shell.FormDestroy();
    const std::string hint = KestroShell::kRemindersHintLine;
    const std::vector<std::string> expected = {
        // create: the stored placement, the show state left for the show
        "place 40,30",
        // show: no adapter configured and none that captures on all interfaces,
        // so no capture, but where to choose one, and the clock runs
        "timer 1000", "load", "caption Kestro (#20090327-01) [DEBUG]", "reset", "clear log",
        // the first start points to the reminders, ahead of the capture's news
        "status " + hint, "log " + hint, "status " + kChooseStatus, "log " + kChooseLog, "panel 0",
        // the menu; confirming the same adapter does not restart anything, and
        // the confirmed settings are saved at once
        "about", "config", "save", "log window", "history", "reminders", "save", "close",
        // close, then destroy
        "timer off", "save"};
    EXPECT_EQ(view_.events, expected);
    EXPECT_FALSE(shell.TimerEnabled());
    std::ifstream in(iniPath_);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(written.find("OpenCount=2"), std::string::npos) << written;

    // The next start is no first: the reminders are not pointed out again.
    view_.events.clear();
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "status " + hint), 0);
    shell_->FormClose();
    EXPECT_NE(written.find("PlaceNormalPos.Left=40"), std::string::npos) << written;
}

// Settings that are only read (the demo) are said in the title.
TEST_F(ShellTest, ATitleSaysWhenTheSettingsAreNotKept) {
    VuIniMng::SetIniFileReadOnly(iniPath_);
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    shell_->FormClose();
    VuIniMng::SetIniFileReadOnly("");
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "caption Kestro (#20090327-01) [設定は保存されません]"),
              1);
    EXPECT_FALSE(std::filesystem::exists(iniPath_));
}

// While races are followed a refusal is told once (the dialog's placement and
// OK); at the close each reason reaches the log and the box appears once per
// file, however many saves that file refuses (the close, the destroy), and for
// a file the destroy is the first to find refusing.
TEST_F(ShellTest, RefusedSaveIsShownOnceAndEveryReasonIsLogged) {
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    KestroShell& shell = Create();
    shell.FormShow();
    shell.PopupMenuClick(MenuItem::pmiConfig);
    shell.FormClose();
    shell.FormDestroy();
    const std::string message = iniPath_ + " に書き込めません";
    std::vector<std::string> errors;
    int reasonsLogged = 0;
    for (const std::string& event : view_.events) {
        if (event.rfind("error ", 0) == 0) {
            errors.push_back(event);
        }
        // The system's own words follow the message: "Is a directory" here.
        if (event.rfind("log " + message + ": ", 0) == 0 && event.size() > message.size() + 6) {
            ++reasonsLogged;
        }
    }
    EXPECT_EQ(errors, std::vector<std::string>{"error " + message});
    EXPECT_EQ(reasonsLogged, 3);

    // A file first refused at the destroy, after a close that saved, has its box.
    const std::string moved = folder_.Path("moved.ini");
    std::filesystem::remove(iniPath_);
    view_.events.clear();
    KestroShell& next = Create();
    next.FormShow();
    next.FormClose();
    ASSERT_TRUE(std::filesystem::create_directory(moved));
    VuIniMng::SetIniFileNameOverride(moved);
    next.FormDestroy();
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "error " + moved + " に書き込めません"),
              1);
}

// The window's stay settings come from the file at the creation, before the
// show; each change is drawn and saved at once, an unchanged one neither; a
// refused save is reported like any other.
TEST_F(ShellTest, StayOnTopAndOpacityAreTakenAtCreationAndSavedAtOnce) {
    WriteIni("[Window]\nStayOnTop=1\nOpacity=15\n");
    KestroShell& shell = Create();
    shell.FormCreate();
    EXPECT_EQ(view_.stays, std::vector<std::string>{"on top 40%"});
    shell.FormShow();
    const auto saved = [&] {
        const IniFile ini = IniFile::Load(iniPath_);
        return std::pair(ini.ReadInteger("Window", "StayOnTop", -1),
                         ini.ReadInteger("Window", "Opacity", -1));
    };
    shell.PopupMenuClick(MenuItem::pmiStayOnTop);
    EXPECT_EQ(saved(), std::pair(0, 40));
    shell.SetOpacity(60);
    const auto saves = std::count(view_.events.begin(), view_.events.end(), "save");
    shell.SetOpacity(60);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "save"), saves);
    EXPECT_EQ(saved(), std::pair(0, 60));

    std::filesystem::remove(iniPath_);
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    shell.PopupMenuClick(MenuItem::pmiStayOnTop);
    shell.SetOpacity(250);
    const std::vector<std::string> stays = {"on top 40%", "behind 40%", "behind 60%", "on top 60%",
                                            "on top 100%"};
    EXPECT_EQ(view_.stays, stays);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "error " + iniPath_ + " に書き込めません"),
              0);
    shell.FormClose();
}

// Each row a file that refuses a write while races are followed. Nothing
// waits on the player: the status line and the log say it, and a desktop
// notification, once for that file until it takes a write again; then once
// more if it refuses again. A history result waits and is written at the
// next tick, once. At the close a refusal keeps its box.
TEST_F(ShellTest, ARefusedWriteWhileRacesAreFollowedIsToldWithoutABox) {
    const std::string historyPath = folder_.Path("kestro-history.csv");
    struct Case {
        const char* name;
        std::string path;
        std::function<void(KestroShell&)> act;
    };
    const Case cases[] = {
        {"a result for the history", historyPath,
         [&](KestroShell& shell) {
             clock_.AdvanceSeconds(700);
             WinSinglesOn4(shell);
             shell.RealTimeTimer();
         }},
        {"a switch of the menu", iniPath_,
         [](KestroShell& shell) { shell.PopupMenuClick(MenuItem::pmiCloseToTray); }},
        {"the settings dialog's OK", iniPath_,
         [](KestroShell& shell) { shell.PopupMenuClick(MenuItem::pmiConfig); }},
        {"the reminders window's OK", iniPath_,
         [](KestroShell& shell) { shell.PopupMenuClick(MenuItem::pmiReminders); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(historyPath);
        std::filesystem::remove_all(iniPath_);
        view_.events.clear();
        view_.notices.sent.clear();
        KestroShell& shell = Create();
        shell.FormShow();
        const std::string message = c.path + " に書き込めません";
        const auto told = [&] {
            return std::count_if(view_.events.begin(), view_.events.end(), [&](const auto& e) {
                return e.rfind("status " + message + ": ", 0) == 0;
            });
        };
        const auto boxes = [&] {
            return std::count(view_.events.begin(), view_.events.end(), "error " + message);
        };

        std::filesystem::remove(c.path);
        ASSERT_TRUE(std::filesystem::create_directory(c.path));
        c.act(shell);
        c.act(shell);
        EXPECT_EQ(told(), 1);
        EXPECT_EQ(boxes(), 0);
        ASSERT_EQ(view_.notices.sent.size(), 1u);
        EXPECT_EQ(view_.notices.sent[0].rfind("0 Kestro: " + message + ": ", 0), 0u)
            << view_.notices.sent[0];

        std::filesystem::remove(c.path);  // the file takes writes again
        if (c.path == historyPath) {
            // The two results refused are written at the next tick, each once.
            shell.RealTimeTimer();
            RaceHistory file;
            EXPECT_EQ(file.Open(c.path, false).records.size(), 2u);
            EXPECT_NE(std::find(view_.events.begin(), view_.events.end(),
                                "status " + HistoryWrittenAgainMessage(c.path)),
                      view_.events.end());
        } else {
            c.act(shell);
        }
        std::filesystem::remove(c.path);
        ASSERT_TRUE(std::filesystem::create_directory(c.path));
        c.act(shell);
        EXPECT_EQ(told(), 2);
        EXPECT_EQ(boxes(), 0);
        shell.FormClose();
        EXPECT_EQ(boxes(), 1);
    }
}

// A signal or the session's end closes a shown window through its close, once;
// before the show there is nothing to save, and nothing is closed.
TEST_F(ShellTest, EndOfSessionClosesAShownWindowOnce) {
    KestroShell& shell = Create();
    shell.EndSession();
    EXPECT_TRUE(view_.events.empty()) << "nothing to close or save before the show";
    shell.FormShow();
    shell.EndSession();
    EXPECT_EQ(view_.events.back(), "close");
    shell.FormClose();  // what the view's close does
    const std::size_t afterClose = view_.events.size();
    shell.EndSession();
    EXPECT_EQ(view_.events.size(), afterClose) << "closed already";
}

// With the display gone the close's save still runs, once, and a refusal can
// only be logged: a box would need the display.
TEST_F(ShellTest, LostDisplaySavesOnceAndLogsARefusal) {
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    KestroShell& shell = Create();
    shell.FormShow();
    view_.events.clear();
    shell.EndWithoutDisplay();
    shell.EndWithoutDisplay();
    const std::string logged = "log " + iniPath_ + " に書き込めません: ";
    const auto starts = [](const std::string& prefix) {
        return [prefix](const std::string& event) { return event.rfind(prefix, 0) == 0; };
    };
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(), starts(logged)), 1);
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(), starts("error ")), 0);
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(), starts("close")), 0);
}

// Where the window system reports no place, the main window's stored place
// outlives a session and the log says why, once.
TEST_F(ShellTest, WherePlacesAreNotReportedTheStoredOneStaysAndTheLogSaysSoOnce) {
    const std::string line = std::string("log ") + kPlacesNotReportedLine;
    for (const bool reported : {true, false}) {
        SCOPED_TRACE(reported);
        WriteIni("[TfrmZKmain]\nPlaceNormalPos.Left=500\nPlaceNormalPos.Top=300\n");
        SetWindowPlacesReported(reported);
        view_.events.clear();
        KestroShell& shell = Create();
        shell.FormCreate();
        shell.FormShow();
        view_.placement = WindowPlacement{0, kShowCmdNormal, -1, -1, -1, -1, 0, 0, 433, 87};
        shell.FormClose();
        shell.FormDestroy();
        SetWindowPlacesReported(true);
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), line), reported ? 0 : 1);
        EXPECT_EQ(IniFile::Load(iniPath_).ReadString("TfrmZKmain", "PlaceNormalPos.Left", ""),
                  reported ? "0" : "500");
    }
}

// The default sounds are written relative to the sound folder, never expanded.
TEST_F(ShellTest, DefaultSoundPathsAreSavedWithThePlaceholder) {
    KestroShell& shell = Create();
    shell.FormShow();
    shell.FormClose();
    const std::string written = test::ReadFileBytes(iniPath_);
    EXPECT_NE(
        written.find(test::InSavedLineEnds("ServerMessageSound=%SystemRoot%\\Media\\notify.wav\n")),
        std::string::npos)
        << written;
    EXPECT_EQ(written.find("/Media"), std::string::npos) << written;
}

// Off unless asked. Switched on, the file follows the panel, the status line
// says where it is and the switch is kept; a file that keeps refusing is told
// once, never in a box, and taken up again when it can be written; the close
// empties it, so a stream shows no countdown that has stopped.
TEST_F(ShellTest, TextFeedFollowsThePanelWhileOnAndIsEmptiedAtTheClose) {
    const std::string feed = folder_.Path("kestro-feed.txt");
    const auto exists = [&] { return std::filesystem::exists(test::Utf8Path(feed)); };
    const auto tick = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock_.AdvanceSeconds(1);
            shell_->RealTimeTimer();
        }
    };
    KestroShell& shell = Create();
    shell.FormShow();
    tick(2);
    EXPECT_FALSE(exists()) << "off by default";
    EXPECT_EQ(shell.TextFeedPath(), feed);

    view_.events.clear();
    shell.PopupMenuClick(MenuItem::pmiTextFeed);
    EXPECT_TRUE(view_.checks[MenuItem::pmiTextFeed]);
    EXPECT_EQ(test::ReadFileBytes(feed), "単勝 状態不明\n複勝 状態不明\n");
    EXPECT_NE(std::find(view_.events.begin(), view_.events.end(), "status テキスト出力: " + feed),
              view_.events.end())
        << ::testing::PrintToString(view_.events);
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "TextFeed", ""), "1");
    shell.Core().HandleAnnouncement(Utf8ToCp932(
        "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
    tick(1);
    EXPECT_EQ(test::ReadFileBytes(feed), "単勝 発走 3:59\n複勝 状態不明\n");

    // A folder where the file should be refuses every write.
    std::filesystem::remove(test::Utf8Path(feed));
    std::filesystem::create_directory(test::Utf8Path(feed));
    view_.events.clear();
    tick(6);
    const auto told = std::count(view_.events.begin(), view_.events.end(),
                                 "status " + feed + " に書き込めません");
    EXPECT_EQ(told, 1) << ::testing::PrintToString(view_.events);
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(),
                            [](const std::string& e) { return e.rfind("error ", 0) == 0; }),
              0);
    std::filesystem::remove(test::Utf8Path(feed));
    tick(1);
    EXPECT_EQ(test::ReadFileBytes(feed), "単勝 発走 3:52\n複勝 状態不明\n");

    shell.FormClose();
    EXPECT_EQ(test::ReadFileBytes(feed), "");
    tick(1);
    EXPECT_EQ(test::ReadFileBytes(feed), "") << "nothing written after the close";
}

// The compact form takes the main window's place, at the main window's
// position the first time and at its own after that; the tray's click hides and
// brings it back; clicks pass only while a tray can bring it back; it stays as
// the main window stays; off, the main window comes back where it was.
TEST_F(ShellTest, CompactFormStandsInForTheMainWindowAndKeepsItsOwnPlace) {
    WriteIni(
        "[TfrmZKmain]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n"
        "[Window]\nStayOnTop=1\nOpacity=80\n");
    view_.trayAvailable = true;
    KestroShell& shell = Create();
    shell.FormCreate();
    shell.FormShow();
    EXPECT_FALSE(view_.compact.shown) << "off by default";
    EXPECT_EQ(view_.compact.stays, "on top 80%");

    view_.events.clear();
    shell.PopupMenuClick(MenuItem::pmiCompactForm);
    EXPECT_TRUE(view_.checks[MenuItem::pmiCompactForm]);
    EXPECT_TRUE(view_.compact.shown);
    EXPECT_FALSE(view_.onScreen);
    EXPECT_EQ(view_.compact.lines, (std::array<std::string, 2>{"単勝 状態不明", "複勝 状態不明"}));
    EXPECT_EQ(view_.compact.placement.left, 40);
    EXPECT_EQ(view_.compact.placement.top, 30);
    EXPECT_EQ(view_.compact.placement.right - view_.compact.placement.left, 150);
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "CompactForm", ""), "1");
    shell.SetOpacity(60);
    EXPECT_EQ(view_.compact.stays, "on top 60%");
    shell.Core().HandleAnnouncement(Utf8ToCp932(
        "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
    clock_.AdvanceSeconds(1);
    shell.RealTimeTimer();
    EXPECT_EQ(view_.compact.lines[0], "単勝 発走 3:59");

    // Clicks pass while a tray shows the icon, and only then.
    shell.PopupMenuClick(MenuItem::pmiClickThrough);
    EXPECT_TRUE(view_.checks[MenuItem::pmiClickThrough]);
    EXPECT_TRUE(view_.compact.clickThrough);
    shell.TrayIconClick();
    EXPECT_FALSE(view_.compact.shown);
    shell.TrayIconClick();
    EXPECT_TRUE(view_.compact.shown);
    EXPECT_FALSE(view_.onScreen) << "the tray's click is the compact form's";
    shell.TrayIconClick();
    view_.trayIcon = false;  // the desktop's panel has gone
    view_.events.clear();
    for (int i = 0; i < 3; ++i) {
        clock_.AdvanceSeconds(1);
        shell.RealTimeTimer();
    }
    EXPECT_TRUE(view_.compact.shown) << "hidden in a tray that went away";
    EXPECT_FALSE(view_.onScreen) << "the strip stands for the main window";
    EXPECT_FALSE(view_.compact.clickThrough);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "status トレイがないため、クリック透過を止めています"),
              1);
    view_.trayIcon = true;
    shell.RealTimeTimer();
    EXPECT_TRUE(view_.compact.clickThrough);

    // Moved by the player, then switched off: its place is kept.
    view_.compact.placement = {0, kShowCmdNormal, -1, -1, -1, -1, 500, 20, 650, 60};
    view_.placement = {0, kShowCmdHide, -1, -1, -1, -1, 0, 0, 433, 87};  // hidden
    shell.PopupMenuClick(MenuItem::pmiCompactForm);
    EXPECT_FALSE(view_.compact.shown);
    EXPECT_FALSE(view_.compact.clickThrough);
    EXPECT_TRUE(view_.onScreen);
    EXPECT_EQ(view_.placement.left, 40) << "the main window where it was";
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("TfrmZKcompact", "PlaceNormalPos.Left", ""),
              "500");
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "CompactForm", ""), "0");
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "ClickThrough", ""), "1");
    shell.PopupMenuClick(MenuItem::pmiCompactForm);
    shell.FormClose();
    shell_.reset();

    // The next run starts in the compact form, where the player left it.
    view_.compact = {};
    view_.onScreen = true;
    KestroShell& next = Create();
    next.FormCreate();
    next.FormShow();
    EXPECT_TRUE(view_.compact.shown);
    EXPECT_FALSE(view_.onScreen);
    EXPECT_EQ(view_.compact.placement.left, 500);
    EXPECT_EQ(view_.compact.placement.top, 20);
    EXPECT_TRUE(view_.compact.clickThrough);
    next.FormClose();
}

}  // namespace
}  // namespace kestro
