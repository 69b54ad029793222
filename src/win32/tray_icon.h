// The main window's icon in the notification area: added at the show, its tip
// kept up to date, added again when the task bar is made anew (Explorer
// restarted: its new tray knows nothing of the icons before it), removed at
// the close. Its mouse messages reach the owner window as kCallbackMessage,
// with the mouse message in the low word of lParam. Its balloons are the
// desktop's notifications (BalloonSink).
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

#include "shell/notifications.h"
#include "shell/views.h"

namespace kestro::win32 {

class TrayIcon final : public TrayView {
public:
    static constexpr UINT kCallbackMessage = WM_APP + 2;
    // The longest tip the tray shows, in UTF-16 units.
    static constexpr std::size_t kTipMax = 127;

    explicit TrayIcon(HWND owner);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // False where there is no tray to show it in (no shell's task bar).
    bool Add();
    void Remove();
    // Whether the icon sits in a tray now: the task bar that held it may have
    // gone since (Explorer ended), and the icon with it.
    bool Shown() const;
    // The tip, cut to kTipMax without splitting a character.
    void SetTip(const std::wstring& tip);
    const std::wstring& Tip() const { return tip_; }
    // The registered "TaskbarCreated" message: the icon, if it is wanted, is
    // added to the new tray.
    bool IsTaskbarCreated(UINT message) const { return message == taskbarCreated_; }
    void TaskbarCreated();

    // A balloon with the program's icon (a toast on Windows 10 and later), kept
    // back while the user's quiet hours last, as the shell keeps back any.
    // False when no icon of ours is in a tray to show it from.
    bool ShowBalloon(const std::string& titleUtf8, const std::string& textUtf8);

    // TrayView
    void ShowTrayIcon(bool shown) override;
    bool TrayIconShown() const override { return Shown(); }
    void SetTrayTip(const std::string& text) override;

private:
    NOTIFYICONDATAW Data(UINT flags) const;

    HWND owner_;
    UINT taskbarCreated_;
    HICON icon_ = nullptr;
    HICON largeIcon_ = nullptr;
    bool wanted_ = false;
    bool shown_ = false;
    std::wstring tip_;
};

// Desktop notifications as the tray icon's balloon, shown as a toast on
// Windows 10 and later. The icon has one balloon: a new one takes the place
// of the one shown, so there is no id to replace by, and the shell holds a
// routine one back behind a winning ticket's.
class BalloonSink final : public NotificationSink {
public:
    explicit BalloonSink(TrayIcon& tray) : tray_(tray) {}
    void Send(const DesktopNotification& note, uint32_t replaces, Answer answer) override;
    bool OnePlace() const override { return true; }

private:
    TrayIcon& tray_;
};

// `text` cut to at most `max` UTF-16 units, never between the two halves of a pair.
std::wstring CutToFit(const std::wstring& text, std::size_t max);

}  // namespace kestro::win32
