// The history window as the shell fills it, and the history file's refusals.
#include "shell/history_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/recording_view.h"

namespace kestro {
namespace {

using test::ShellTest;
using test::WinSinglesOn4;

// The window opened before the result is brought up to date when it is counted.
TEST_F(ShellTest, HistoryWindowShowsTheFileAndTonight) {
    const std::string historyPath = folder_.Path("kestro-history.csv");
    std::ofstream(historyPath) << "date,time,race,winner,second,ticket1,ticket2,verdict\n"
                                  "2009-03-26,21:06:31,単勝,2,,4,,miss\n";
    KestroShell& shell = Create();
    shell.FormShow();
    shell.PopupMenuClick(MenuItem::pmiHistory);
    EXPECT_EQ(view_.history.races[0].figures[0].tonight, "0");
    view_.events.clear();
    WinSinglesOn4(shell);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "history refresh"), 1);
    const HistoryRacePage& singles = view_.history.races[0];
    ASSERT_EQ(singles.figures.size(), 6u);
    EXPECT_EQ(singles.figures[0].tonight, "1");  // races
    EXPECT_EQ(singles.figures[0].allTime, "2");
    EXPECT_EQ(singles.figures[3].allTime, "50.0%");  // hit rate
    ASSERT_EQ(view_.history.latest.size(), 2u);
    EXPECT_EQ(view_.history.latest[0], "2009-03-27 21:00:00  単勝  ④  券 ④  的中");
    EXPECT_EQ(view_.history.fileLine, "履歴ファイル: " + historyPath);
    EXPECT_TRUE(view_.history.keep);
    EXPECT_NE(test::ReadFileBytes(historyPath).find("2009-03-27,21:00:00,単勝,4,,4,,hit"),
              std::string::npos);
    shell.FormClose();
}

// A history file that refuses is told once, without a box; the history
// window's two switches are saved as they change.
TEST_F(ShellTest, HistoryFileRefusedOnceAndBothSwitchesAreSaved) {
    const std::string historyPath = folder_.Path("kestro-history.csv");
    ASSERT_TRUE(std::filesystem::create_directory(historyPath));
    KestroShell& shell = Create();
    shell.FormShow();
    for (int race = 0; race < 3; ++race) {
        if (race == 2) {
            shell.SetKeepHistory(false);
        }
        clock_.AdvanceSeconds(700);
        WinSinglesOn4(shell);
    }
    std::vector<std::string> errors;
    int refusalsLogged = 0;
    for (const std::string& event : view_.events) {
        if (event.rfind("error ", 0) == 0) {
            errors.push_back(event);
        }
        if (event.find(historyPath) != std::string::npos && event.rfind("log ", 0) == 0) {
            ++refusalsLogged;
        }
    }
    // Read at the show (a folder is no file), then two results refused and
    // told once, without a box; the third is not kept.
    EXPECT_EQ(errors.size(), 0u);
    EXPECT_EQ(refusalsLogged, 2);
    EXPECT_NE(test::ReadFileBytes(iniPath_).find(test::InSavedLineEnds("[History]\nKeepHistory=0")),
              std::string::npos);
    shell.PopupMenuClick(MenuItem::pmiHistory);
    const std::string refused = historyPath + " に書き込めません: ";
    EXPECT_EQ(view_.history.fileLine.rfind("記録できません: " + refused, 0), 0u)
        << view_.history.fileLine;
    EXPECT_NE(std::find_if(view_.events.begin(), view_.events.end(),
                           [&](const std::string& e) { return e.rfind("log " + refused, 0) == 0; }),
              view_.events.end());
    EXPECT_FALSE(view_.history.keep);
    EXPECT_EQ(view_.history.races[0].figures[0].tonight, "3");
    shell.SetRestoreTimetable(true);
    EXPECT_NE(test::ReadFileBytes(iniPath_).find("RestoreTimetable=1"), std::string::npos);
    shell.FormClose();
}

}  // namespace
}  // namespace kestro
