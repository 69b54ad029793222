// The one owner of the Win32 face's windows besides the main window, its tray
// icon and its balloons: the main window makes it once its own window is
// made, and hands these to its shell (ShellFaces). The settings dialog, the
// log, the about box and the compact form are made with it; the reminders and
// the history windows at their first opening.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "shell/views.h"
#include "win32/about_box.h"
#include "win32/compact_form.h"
#include "win32/tray_icon.h"

namespace kestro::win32 {

class TfrmZKconfig;
class TfrmZKhistory;
class TfrmZKlog;
class TfrmZKmain;
class TfrmZKreminders;

class Desktop final : public WindowsView {
public:
    // How the about box opens its link, and the link's address.
    struct AboutLink {
        TfrmZKabout::Opener opener;
        std::string projectUrl = TfrmZKabout::ProjectUrl();
    };

    // `main` must outlive this and have its window made; its shell is used
    // only once made. `compactOwner` is what the compact form tells.
    Desktop(TfrmZKmain& main, TfrmZKcompact::Owner compactOwner, AboutLink about);
    ~Desktop() override;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    TfrmZKconfig& Config() { return *config_; }
    TfrmZKlog& Log() { return *log_; }
    TfrmZKabout& About() { return *about_; }
    TfrmZKcompact& CompactForm() { return *compact_; }
    TrayIcon& Tray() { return *tray_; }
    NotificationSink& Notifications() { return *balloons_; }
    // Null until first opened.
    TfrmZKhistory* HistoryWindow() const { return history_.get(); }
    TfrmZKreminders* RemindersWindow() const { return reminders_.get(); }

    // WindowsView
    SettingsDialogView& SettingsDialogFace() override;
    RemindersDialogView& RemindersDialogFace() override;
    CompactFormView& CompactFormFace() override { return *compact_; }
    void ShowLog() override;
    void ShowAbout() override;
    void ShowHistory(const HistoryPage& page) override;
    void RefreshHistory(const HistoryPage& page) override;

private:
    TfrmZKmain& main_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<BalloonSink> balloons_;
    std::unique_ptr<TfrmZKcompact> compact_;
    std::unique_ptr<TfrmZKconfig> config_;
    std::unique_ptr<TfrmZKlog> log_;
    std::unique_ptr<TfrmZKabout> about_;
    std::unique_ptr<TfrmZKreminders> reminders_;
    std::unique_ptr<TfrmZKhistory> history_;
};

}  // namespace kestro::win32
