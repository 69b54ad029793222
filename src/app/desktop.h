// The one owner of the Qt face's windows besides the main window, its tray
// icon and its way to the desktop's notifications: the main window makes it
// before its shell and hands these to the shell (ShellFaces). The settings
// dialog, the log, the about window and the compact form are made with it;
// the reminders and the history windows at their first opening.
#pragma once

#include <QPointer>
#include <memory>

#include "shell/views.h"

namespace kestro {

class DbusNotificationSink;
class TfrmZKabout;
class TfrmZKcompact;
class TfrmZKconfig;
class TfrmZKhistory;
class TfrmZKlog;
class TfrmZKmain;
class TfrmZKreminders;
class TTrayIcon;

class Desktop final : public WindowsView {
public:
    // `main` must outlive this; its popup menu is made already, its shell is
    // used only once made.
    explicit Desktop(TfrmZKmain& main);
    ~Desktop() override;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    TfrmZKconfig& Config() { return *config_; }
    TfrmZKlog& Log() { return *log_; }
    TfrmZKabout& About() { return *about_; }
    TfrmZKcompact& CompactForm() { return *compact_; }
    TTrayIcon& Tray() { return *tray_; }
    NotificationSink& Notifications();
    // Null until first opened.
    TfrmZKreminders* RemindersWindow() const;
    TfrmZKhistory* HistoryWindow() const;

    // WindowsView
    SettingsDialogView& SettingsDialogFace() override;
    RemindersDialogView& RemindersDialogFace() override;
    CompactFormView& CompactFormFace() override;
    void ShowLog() override;
    void ShowAbout() override;
    void ShowHistory(const HistoryPage& page) override;
    void RefreshHistory(const HistoryPage& page) override;

private:
    TfrmZKmain& main_;
    std::unique_ptr<TfrmZKconfig> config_;
    std::unique_ptr<TfrmZKlog> log_;
    std::unique_ptr<TfrmZKabout> about_;
    // Its own top-level window, so that hiding the main window leaves it shown.
    std::unique_ptr<TfrmZKcompact> compact_;
    std::unique_ptr<TTrayIcon> tray_;
    // Children of the main window, destroyed with it.
    QPointer<TfrmZKreminders> reminders_;
    QPointer<TfrmZKhistory> history_;
    DbusNotificationSink* notifications_ = nullptr;
};

}  // namespace kestro
