#include "app/desktop.h"

#include "app/about_dialog.h"
#include "app/compact_form.h"
#include "app/config_dialog.h"
#include "app/desktop_notifications.h"
#include "app/history_window.h"
#include "app/log_window.h"
#include "app/main_window.h"
#include "app/reminders_dialog.h"
#include "app/tray_icon.h"

namespace kestro {

Desktop::Desktop(TfrmZKmain& main)
    : main_(main),
      config_(std::make_unique<TfrmZKconfig>()),
      log_(std::make_unique<TfrmZKlog>()),
      about_(std::make_unique<TfrmZKabout>()),
      compact_(std::make_unique<TfrmZKcompact>(main.PopupMenu(),
                                               [&main] { main.Shell().CompactFormClose(); })),
      tray_(
          std::make_unique<TTrayIcon>(main.PopupMenu(), [&main] { main.Shell().TrayIconClick(); })),
      notifications_(new DbusNotificationSink(&main)) {
    about_->SetCentreOn(&main);
}

Desktop::~Desktop() = default;

TfrmZKreminders* Desktop::RemindersWindow() const {
    return reminders_.data();
}

TfrmZKhistory* Desktop::HistoryWindow() const {
    return history_.data();
}

NotificationSink& Desktop::Notifications() {
    return *notifications_;
}

SettingsDialogView& Desktop::SettingsDialogFace() {
    return *config_;
}

RemindersDialogView& Desktop::RemindersDialogFace() {
    if (!reminders_) {
        reminders_ = new TfrmZKreminders(&main_);
    }
    return *reminders_;
}

CompactFormView& Desktop::CompactFormFace() {
    return *compact_;
}

void Desktop::ShowLog() {
    log_->show();
    log_->raise();
    log_->activateWindow();
}

void Desktop::ShowAbout() {
    about_->exec();
}

void Desktop::ShowHistory(const HistoryPage& page) {
    if (!history_) {
        history_ = new TfrmZKhistory(
            &main_, [this](bool keep) { main_.Shell().SetKeepHistory(keep); },
            [this](bool restore) { main_.Shell().SetRestoreTimetable(restore); });
    }
    history_->ShowPage(page);
    history_->show();
    history_->raise();
    history_->activateWindow();
}

void Desktop::RefreshHistory(const HistoryPage& page) {
    if (history_ && history_->isVisible()) {
        history_->ShowPage(page);
    }
}

}  // namespace kestro
