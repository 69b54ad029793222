// The settings dialog in Qt: the capture adapter, the master sound switch and,
// per event, its switch and WAV file, with a button that plays the file being
// edited. It draws the shell's SettingsDialog: what it shows, what OK does and
// the keeping of its placement are decided there; confirmed settings reach the
// file at once.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QToolButton>
#include <array>
#include <string>
#include <vector>

#include "shell/config_layout.h"
#include "shell/settings_dialog.h"

namespace kestro {

// The test button's picture: a right-pointing triangle in a sunken square,
// 16 x 16, with a greyed twin for the disabled button.
QIcon PlayIcon();

class TfrmZKconfig : public QDialog, public SettingsDialogView {
    Q_OBJECT
public:
    explicit TfrmZKconfig(QWidget* parent = nullptr);

    // SettingsDialogView
    bool RunModal(SettingsDialog& dialog, ConfigDialogValues& confirmed) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;
    // Of fixed size: a stored size never applies.
    bool Resizable() const override { return false; }

    // The test button's event, callable directly.
    void btnTestServerMessageClick();

    QComboBox* AdapterBox() const { return cboAdapter; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QCheckBox* check = nullptr;
        QLineEdit* edit = nullptr;
        // The path as it was handed in, and as the edit box first showed it: a
        // path that is not valid UTF-8 cannot be shown exactly, and an untouched
        // box must give back the bytes it was given.
        std::string givenPath;
        QString shownPath;
    };

    void BuildControls();
    void FillAdapters(const std::vector<AdapterChoice>& choices);
    void BuildRow(Row& row, const ConfigDialogRow& design);
    void CopyIn(const ConfigDialogValues& values);
    ConfigDialogValues CopyOut() const;
    static std::string PathIn(const Row& row);

    QComboBox* cboAdapter = nullptr;
    QCheckBox* chkSoundEnabled = nullptr;
    QGroupBox* grpSound = nullptr;
    QToolButton* btnTestServerMessage = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // The dialog being drawn, while RunModal runs.
    SettingsDialog* dialog_ = nullptr;
    std::array<Row, kConfigDialogRowCount> rows_{};
};

}  // namespace kestro
