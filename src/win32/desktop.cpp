#include "win32/desktop.h"

#include <utility>

#include "win32/config_dialog.h"
#include "win32/history_window.h"
#include "win32/log_window.h"
#include "win32/main_window.h"
#include "win32/reminders_dialog.h"

namespace kestro::win32 {

Desktop::Desktop(TfrmZKmain& main, TfrmZKcompact::Owner compactOwner, AboutLink about)
    : main_(main),
      tray_(std::make_unique<TrayIcon>(main.Handle())),
      balloons_(std::make_unique<BalloonSink>(*tray_)),
      compact_(std::make_unique<TfrmZKcompact>(std::move(compactOwner))),
      config_(std::make_unique<TfrmZKconfig>()),
      log_(std::make_unique<TfrmZKlog>()),
      about_(std::make_unique<TfrmZKabout>(std::move(about.opener), std::move(about.projectUrl))) {}

Desktop::~Desktop() = default;

SettingsDialogView& Desktop::SettingsDialogFace() {
    config_->SetOwner(main_.Handle());
    return *config_;
}

RemindersDialogView& Desktop::RemindersDialogFace() {
    if (!reminders_) {
        reminders_ = std::make_unique<TfrmZKreminders>();
    }
    reminders_->SetOwner(main_.Handle());
    return *reminders_;
}

void Desktop::ShowLog() {
    log_->Show();
}

void Desktop::ShowAbout() {
    about_->RunModal(main_.Handle());
}

void Desktop::ShowHistory(const HistoryPage& page) {
    if (!history_) {
        history_ = std::make_unique<TfrmZKhistory>(
            [this](bool keep) { main_.Shell().SetKeepHistory(keep); },
            [this](bool restore) { main_.Shell().SetRestoreTimetable(restore); });
    }
    history_->ShowPage(page);
    history_->Present(main_.Handle());
}

void Desktop::RefreshHistory(const HistoryPage& page) {
    if (history_ && IsWindowVisible(history_->Handle())) {
        history_->ShowPage(page);
    }
}

}  // namespace kestro::win32
