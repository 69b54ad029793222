// The settings dialog in Qt: the capture adapter, the master sound switch and,
// per event, its switch and WAV file, with a button that plays the file being
// edited. It draws the shell's SettingsDialog: what it shows, what OK does and
// the keeping of its placement are decided there; confirmed settings reach the
// file at once.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QToolButton>
#include <array>
#include <string>
#include <vector>

#include "app/shell_dialog.h"
#include "shell/config_layout.h"
#include "shell/settings_dialog.h"

namespace kestro {

// The test button's picture: a right-pointing triangle in a sunken square,
// 16 x 16, with a greyed twin for the disabled button.
QIcon PlayIcon();

class TfrmZKconfig : public ShellDialog<SettingsDialogView, SettingsDialog> {
    Q_OBJECT
public:
    explicit TfrmZKconfig(QWidget* parent = nullptr);

    // SettingsDialogView
    bool RunModal(SettingsDialog& dialog, ConfigDialogValues& confirmed) override;
    // Of fixed size: a stored size never applies.
    bool Resizable() const override { return false; }

    // The test button's event, callable directly.
    void btnTestServerMessageClick();

    QComboBox* AdapterBox() const { return cboAdapter; }

private:
    struct Row {
        QCheckBox* check = nullptr;
        QLineEdit* edit = nullptr;
        SoundPathText path;
    };

    void BuildControls();
    void FillAdapters(const std::vector<AdapterChoice>& choices);
    void BuildRow(Row& row, const ConfigDialogRow& design);
    void CopyIn(const ConfigDialogValues& values);
    ConfigDialogValues CopyOut() const;

    QComboBox* cboAdapter = nullptr;
    QCheckBox* chkSoundEnabled = nullptr;
    QGroupBox* grpSound = nullptr;
    QToolButton* btnTestServerMessage = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    std::array<Row, kConfigDialogRowCount> rows_{};
};

}  // namespace kestro
