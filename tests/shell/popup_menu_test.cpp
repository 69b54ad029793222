// The popup menu's table: what every face draws, in its order.
#include "shell/popup_menu.h"

#include <gtest/gtest.h>

#include <string>

namespace kestro {
namespace {

TEST(PopupMenuTest, TheWindowsOwnFourComeFirstAndTheNewItemsAfterASeparatorBeforeExit) {
    const struct {
        MenuItem item;
        std::string caption;
        bool checkable, separatorBefore, opacitySteps;
    } rows[] = {
        {MenuItem::pmiAbout, "&About...", false, false, false},
        {MenuItem::pmiConfig, "&Config...", false, false, false},
        {MenuItem::pmiLog, "&Log...", false, false, false},
        {MenuItem::pmiHistory, "履歴...", false, true, false},
        {MenuItem::pmiReminders, "リマインダー...", false, false, false},
        {MenuItem::pmiCloseToTray, "閉じるとトレイに残す", true, false, false},
        {MenuItem::pmiStayOnTop, "常に手前に表示", true, false, false},
        {MenuItem::mnuOpacity, "不透明度", false, false, true},
        {MenuItem::pmiCompactForm, "簡易表示", true, true, false},
        {MenuItem::pmiClickThrough, "クリック透過", true, false, false},
        {MenuItem::pmiTextFeed, "テキスト出力", true, false, false},
        {MenuItem::pmiExit, "E&xit", false, false, false},
    };
    ASSERT_EQ(kPopupMenu.size(), std::size(rows));
    for (std::size_t i = 0; i < kPopupMenu.size(); ++i) {
        SCOPED_TRACE(rows[i].caption);
        const MenuRow& row = kPopupMenu[i];
        EXPECT_EQ(row.item, rows[i].item);
        EXPECT_EQ(row.caption, rows[i].caption);
        EXPECT_EQ(row.checkable, rows[i].checkable);
        EXPECT_EQ(row.separatorBefore, rows[i].separatorBefore);
        EXPECT_EQ(row.opacitySteps, rows[i].opacitySteps);
        EXPECT_EQ(&MenuRowOf(row.item), &row);
    }
    EXPECT_EQ(OpacityStepCaption(kOpacitySteps.front()), "100%");
    EXPECT_EQ(OpacityStepCaption(kOpacitySteps.back()), "40%");
}

}  // namespace
}  // namespace kestro
