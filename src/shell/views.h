// What KestroShell asks of the windows a face draws, one small interface per
// window: the main window (ShellView), how it and the compact form stay
// visible (StayVisibleView), the icon in the notification area (TrayView) and
// the other windows (WindowsView). Every call is pure, so a face that leaves
// one out does not build. One owner in each face makes the other windows, the
// tray and the notifications, and the main window hands them to its shell
// together (ShellFaces).
//
// Threads: everything here runs on the main thread, but PostToMainThread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "race/panel.h"
#include "shell/history_page.h"
#include "shell/placement.h"
#include "shell/popup_menu.h"

namespace kestro {

class CompactFormView;
class NotificationSink;
class RemindersDialogView;
class SettingsDialogView;

// The main window. Texts marked CP932 are game and log texts; every other text
// is UTF-8. Its placement is its PlacedWindow; applying one to a hidden window
// only moves it.
class ShellView : public PlacedWindow {
public:
    // Panel 0 of the status bar (CP932).
    virtual void SetStatusText(std::string_view cp932) = 0;
    // One more line in the log window (CP932), and the log window emptied.
    virtual void AppendLogLine(std::string_view cp932Line) = 0;
    virtual void ClearLog() = 0;
    // The race panel's fields and the packet count, as they should read now.
    virtual void ShowPanel(const PanelTexts& texts) = 0;
    // The user's thousands separator, for the packet count.
    virtual std::string ThousandsSeparator() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // The default error box, titled with the program's name.
    virtual void ShowError(const std::string& text) = 0;
    // The timer that calls KestroShell::RealTimeTimer.
    virtual void SetTimer(bool enabled, int intervalMs) = 0;
    // Closes the main window through its normal close (which calls FormCloseQuery).
    virtual void Close() = 0;
    // Whether the main window is on the screen: shown and not minimised.
    virtual bool OnScreen() const = 0;
    // Shows the window in its normal state in front of the others, or hides it
    // from the screen and the task bar (not a close: it keeps running).
    virtual void SetOnScreen(bool shown) = 0;
    // The check mark of a menu item that is a switch.
    virtual void CheckMenuItem(MenuItem item, bool checked) = 0;
    // Any thread: run `call` on the main thread soon, from its event loop; a
    // call still queued when the window is gone is dropped.
    virtual void PostToMainThread(std::function<void()> call) = 0;
};

// A window that can be kept above every other window and drawn see-through:
// the main window and the compact form.
class StayVisibleView {
public:
    virtual ~StayVisibleView() = default;
    // Kept above every other window or not, drawn at `opacityPercent`
    // (kOpacityMin..kOpacityMax). The main window's popup menu marks follow:
    // "常に手前に表示" checked when on top, the opacity step equal to it checked
    // (none for a hand-edited value between the steps). Called at the creation,
    // after each change, and at the show only if the file changed in between.
    virtual void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) = 0;
};

// The icon in the notification area: shown from the show, removed at the
// close. Where the desktop has no tray there is no icon.
class TrayView {
public:
    virtual ~TrayView() = default;
    virtual void ShowTrayIcon(bool shown) = 0;
    // Whether the icon sits in a tray now, where a click can bring the window
    // back. Asked each second: a tray that went away brings the window back.
    virtual bool TrayIconShown() const = 0;
    // The icon's tooltip (UTF-8), refreshed with the panel.
    virtual void SetTrayTip(const std::string& text) = 0;
};

// The main window's other windows, each made by the face's owner of them.
class WindowsView {
public:
    virtual ~WindowsView() = default;
    virtual SettingsDialogView& SettingsDialogFace() = 0;
    virtual RemindersDialogView& RemindersDialogFace() = 0;
    virtual CompactFormView& CompactFormFace() = 0;
    virtual void ShowLog() = 0;
    virtual void ShowAbout() = 0;
    // The history window (not modal) showing `page`; shown again with the new
    // page when it is open already. Its switch calls KestroShell::SetKeepHistory.
    virtual void ShowHistory(const HistoryPage& page) = 0;
    // A result was counted: the history window, while it is shown, shows
    // `page` instead, without being raised; a window not shown stays so.
    virtual void RefreshHistory(const HistoryPage& page) = 0;
};

// Everything a face draws for one KestroShell; each must outlive the shell.
struct ShellFaces {
    ShellView& main;
    // The main window's own (the compact form's comes with it).
    StayVisibleView& stay;
    WindowsView& windows;
    // Null where the face has no notification area: nothing goes into a tray.
    TrayView* tray;
    // Null where the face has no way to the desktop's notifications.
    NotificationSink* notifications;
};

}  // namespace kestro
