// The reminders window in Qt ("リマインダー"): per race and moment a switch, the
// lead time in seconds, the WAV file with a button that plays it, and for the
// start "only without a ticket"; below them, what is also told on the desktop.
// It draws the shell's RemindersDialog, which decides what OK stores; the
// shell saves it at once.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <array>

#include "app/shell_dialog.h"
#include "shell/reminders_dialog.h"

namespace kestro {

class TfrmZKreminders : public ShellDialog<RemindersDialogView, RemindersDialog> {
    Q_OBJECT
public:
    explicit TfrmZKreminders(QWidget* parent = nullptr);

    // RemindersDialogView
    bool RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) override;

private:
    struct Row {
        QCheckBox* check = nullptr;
        QSpinBox* lead = nullptr;
        QLineEdit* sound = nullptr;
        QToolButton* test = nullptr;
        QCheckBox* noTicket = nullptr;  // the start's rows only
        SoundPathText path;
    };

    void BuildNotifications();
    void CopyIn(const RemindersDialogValues& values);
    RemindersDialogValues CopyOut() const;

    std::array<Row, kReminderCount> rows_{};
    QCheckBox* notifyReminders_ = nullptr;
    std::array<QCheckBox*, kNotifiedEventCount> notifyEvents_{};
};

}  // namespace kestro
