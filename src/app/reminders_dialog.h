// The reminders window in Qt ("リマインダー"): per race and moment a switch, the
// lead time in seconds, the WAV file with a button that plays it, and for the
// start "only without a ticket". It draws the shell's RemindersDialog, which
// decides what OK stores; the shell saves it at once.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QToolButton>
#include <array>
#include <string>
#include <vector>

#include "shell/reminders_dialog.h"

namespace kestro {

class TfrmZKreminders : public QDialog, public RemindersDialogView {
    Q_OBJECT
public:
    explicit TfrmZKreminders(QWidget* parent = nullptr);

    // RemindersDialogView
    bool RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QCheckBox* check = nullptr;
        QSpinBox* lead = nullptr;
        QLineEdit* sound = nullptr;
        QToolButton* test = nullptr;
        QCheckBox* noTicket = nullptr;  // the start's rows only
        // An untouched box gives back the bytes it was given (see TfrmZKconfig).
        std::string givenPath;
        QString shownPath;
    };

    void CopyIn(const RemindersDialogValues& values);
    RemindersDialogValues CopyOut() const;
    static std::string PathIn(const Row& row);

    RemindersDialog* dialog_ = nullptr;
    std::array<Row, kReminderCount> rows_{};
};

}  // namespace kestro
