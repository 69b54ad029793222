// The settings dialog's rules without a toolkit: what it shows, what OK does
// and in which order, and its placement with a refused save reported once.
// A face implements SettingsDialogView: it copies the values into its
// controls, runs modally, calls the events below and copies the values back;
// it decides nothing. Every new window follows the same pattern.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/result.h"
#include "notify/sound_player.h"
#include "settings/settings.h"
#include "shell/adapter_choices.h"
#include "shell/config_layout.h"
#include "shell/dialog_model.h"
#include "shell/placement.h"

namespace kestro {

// What the dialog's controls hold.
struct ConfigDialogValues {
    int32_t adapterIndex = -1;  // the list's line; -1: none
    bool soundEnabled = false;
    std::array<SoundEventSetting, kConfigDialogRowCount> rows{};  // kConfigDialogRows' order
};

class SettingsDialog;

class SettingsDialogView : public PlacedWindow {
public:
    // Fills the controls from dialog.Adapters() (line i is adapter i; lines
    // not usable are greyed) and dialog.Shown(), and runs modally, calling the
    // dialog's FormShow, FormClose and TestSound on those events. True on OK,
    // with `confirmed` holding what the controls held.
    virtual bool RunModal(SettingsDialog& dialog, ConfigDialogValues& confirmed) = 0;
};

class SettingsDialog {
public:
    static constexpr const char* kSection = "TfrmZKconfig";
    using RefusedWrite = DialogModel::RefusedWrite;

    // `player` serves the test button and the silence at the close; `refused`
    // hears of a placement save that failed (the shell's ReportRefusedWrite).
    SettingsDialog(SettingsDialogView& view, SoundPlayer& player, RefusedWrite refused);

    // Shows `settings` with `adapters` (read afresh: the chosen adapter is
    // found by its name where it moved). On OK stores the adapter (its index
    // and its name, empty where the list has none), calls `applyAdapter`, then
    // stores the sound settings. True on OK.
    bool Run(Settings& settings, std::vector<AdapterChoice> adapters,
             const std::function<void()>& applyAdapter);

    const std::vector<AdapterChoice>& Adapters() const { return adapters_; }
    const ConfigDialogValues& Shown() const { return shown_; }

    // The face's events.
    void FormShow();
    // OK, Cancel, Esc and the close box alike.
    void FormClose();
    // The test button: plays `path`, whatever the switches say.
    void TestSound(const std::string& path);

private:
    SettingsDialogView& view_;
    DialogModel model_;
    std::vector<AdapterChoice> adapters_;
    ConfigDialogValues shown_;
};

}  // namespace kestro
