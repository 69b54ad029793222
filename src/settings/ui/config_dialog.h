// The settings dialog: the capture adapter, the master sound switch and, per
// event, its switch and WAV file, with a button that plays the file being edited.
// It edits the settings in memory; the main window writes them when it closes.
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
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/adapters.h"
#include "common/result.h"
#include "notify/sound_player.h"
#include "settings/config_layout.h"
#include "settings/settings.h"

namespace kestro {

// The test button's picture: a right-pointing triangle in a sunken square,
// 16 x 16, with a greyed twin for the disabled button.
QIcon PlayIcon();

class TfrmZKconfig : public QDialog {
    Q_OBJECT
public:
    // Shows an error to the user; tests plug in a recorder instead of a modal box.
    using ErrorBox = std::function<void(const QString& title, const QString& text)>;

    // errorBox: empty gives QMessageBox::critical.
    explicit TfrmZKconfig(QWidget* parent = nullptr, ErrorBox errorBox = {});

    // List index = adapter index. A fixed list of labels without device names.
    void SetAdapters(const std::vector<std::string>& descriptions);

    // Where the list comes from instead: called each time the dialog runs, so
    // that an adapter that came up after the start can be chosen. It must read
    // the capture component's list afresh too (TCustomSnoop::RefreshAdapters),
    // so that entry i here is adapter i there. Unusable entries are greyed.
    using AdapterSource = std::function<std::vector<AdapterChoice>()>;
    void SetAdapterSource(AdapterSource source) { adapterSource_ = std::move(source); }

    // Copies `settings` into the controls (the adapter by ChosenAdapterIndex),
    // runs the dialog modally and, on OK, stores the adapter (its index and its
    // device name, empty where the list has none), calls `applyAdapter`, then
    // stores the sound settings.
    // `player` serves the test button and the silence call while the dialog runs.
    // True when the user confirmed with OK.
    bool RunSettingsDialog(Settings& settings, SoundPlayer& player,
                           const std::function<void()>& applyAdapter);

    // The dialog's own events, callable directly so their steps can be watched.
    void FormShow();
    void FormClose();
    void btnTestServerMessageClick();

    // Who hears of a refused placement write instead of the error box (the
    // main window's shell, which shows each refused file once and logs every reason).
    using RefusedWrite = std::function<void(const Result& refused)>;
    void SetRefusedWriteHandler(RefusedWrite handler) { refusedWrite_ = std::move(handler); }

    // The player used while no RunSettingsDialog is running (null: none).
    void SetSoundPlayer(SoundPlayer* player) { player_ = player; }

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
    void CopyIn(const Settings& settings);
    void CopyOut(Settings& settings) const;
    static std::string PathIn(const Row& row);

    QComboBox* cboAdapter = nullptr;
    QCheckBox* chkSoundEnabled = nullptr;
    QGroupBox* grpSound = nullptr;
    QToolButton* btnTestServerMessage = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    ErrorBox errorBox_;
    AdapterSource adapterSource_;
    std::vector<std::string> adapterNames_;
    RefusedWrite refusedWrite_;
    SoundPlayer* player_ = nullptr;
    bool saveFormSize_ = true;
    std::array<Row, kConfigDialogRowCount> rows_{};
};

}  // namespace kestro
