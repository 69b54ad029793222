// The main window's popup menu (also the tray icon's) as one table: each face
// builds its menu by looping over kPopupMenu and passes a chosen row's item to
// KestroShell::PopupMenuClick. A new item is one more row here and one more case
// in the shell; no face writes a caption or keeps an order of its own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestro {

// In menu order. mnuOpacity is the submenu "不透明度" of kOpacitySteps: it has
// no command of its own, its steps call KestroShell::SetOpacity.
enum class MenuItem {
    pmiAbout,
    pmiConfig,
    pmiLog,
    pmiHistory,
    pmiReminders,
    pmiCloseToTray,
    pmiStayOnTop,
    mnuOpacity,
    pmiCompactForm,
    pmiClickThrough,
    pmiTextFeed,
    pmiExit
};

struct MenuRow {
    MenuItem item;
    std::string_view name;     // the item's name, for a face's object names
    std::string_view caption;  // UTF-8, with "&" before the access key
    bool checkable;            // a switch, drawn with its check mark
    bool separatorBefore;
    bool opacitySteps;  // a submenu of kOpacitySteps instead of a command
};

// The window's own four first; the items added later after the log, behind a
// separator, and before Exit.
inline constexpr std::array<MenuRow, 12> kPopupMenu = {{
    {MenuItem::pmiAbout, "pmiAbout", "&About...", false, false, false},
    {MenuItem::pmiConfig, "pmiConfig", "&Config...", false, false, false},
    {MenuItem::pmiLog, "pmiLog", "&Log...", false, false, false},
    {MenuItem::pmiHistory, "pmiHistory", "履歴...", false, true, false},
    {MenuItem::pmiReminders, "pmiReminders", "リマインダー...", false, false, false},
    {MenuItem::pmiCloseToTray, "pmiCloseToTray", "閉じるとトレイに残す", true, false, false},
    {MenuItem::pmiStayOnTop, "pmiStayOnTop", "常に手前に表示", true, false, false},
    {MenuItem::mnuOpacity, "mnuOpacity", "不透明度", false, false, true},
    // The strip over the game, behind a separator of their own.
    {MenuItem::pmiCompactForm, "pmiCompactForm", "簡易表示", true, true, false},
    {MenuItem::pmiClickThrough, "pmiClickThrough", "クリック透過", true, false, false},
    {MenuItem::pmiTextFeed, "pmiTextFeed", "テキスト出力", true, false, false},
    {MenuItem::pmiExit, "pmiExit", "E&xit", false, false, false},
}};

// Switches the compact form while the main window or the compact form has the
// keyboard: Ctrl and this key. Not in the tray's menu, which takes no keys.
inline constexpr char kCompactFormKey = 'M';

// The opacity submenu's steps in percent, most opaque first.
inline constexpr std::array<int32_t, 7> kOpacitySteps = {100, 90, 80, 70, 60, 50, 40};

// The row of `item`.
const MenuRow& MenuRowOf(MenuItem item);
// A step's caption: "60%".
std::string OpacityStepCaption(int32_t percent);

}  // namespace kestro
