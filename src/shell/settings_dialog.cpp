#include "shell/settings_dialog.h"

#include <utility>

#include "settings/settings_file.h"

namespace kestro {

SettingsDialog::SettingsDialog(SettingsDialogView& view, SoundPlayer& player, RefusedWrite refused)
    : view_(view), model_(view, kSection, player, std::move(refused)) {}

bool SettingsDialog::Run(Settings& settings, std::vector<AdapterChoice> adapters,
                         const std::function<void()>& applyAdapter) {
    adapters_ = std::move(adapters);
    std::vector<std::string> names;
    for (const AdapterChoice& choice : adapters_) {
        names.push_back(choice.name);
    }
    // An index that names no line shows no adapter rather than a wrong one.
    const int32_t index = ChosenAdapterIndex(settings, names);
    shown_.adapterIndex =
        index >= 0 && static_cast<std::size_t>(index) < adapters_.size() ? index : -1;
    shown_.soundEnabled = settings.SoundEnabled;
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        shown_.rows[i] = settings.Sound(kConfigDialogRows[i].event);
    }

    ConfigDialogValues confirmed = shown_;
    if (!view_.RunModal(*this, confirmed)) {
        return false;
    }

    // The adapter first: capture moves before the sound settings change. Its
    // name is kept too, so that an adapter added later does not move the choice.
    // A named adapter that is not there now is being waited for: an OK that
    // leaves the adapter as shown (none) keeps it.
    const int32_t chosen = confirmed.adapterIndex;
    const bool waitedFor =
        chosen == -1 && shown_.adapterIndex == -1 && !settings.AdapterName.empty();
    if (!waitedFor) {
        settings.AdapterIndex = chosen;
        settings.AdapterName = chosen >= 0 && static_cast<std::size_t>(chosen) < adapters_.size()
                                   ? adapters_[static_cast<std::size_t>(chosen)].name
                                   : std::string();
    }
    if (applyAdapter) {
        applyAdapter();
    }
    settings.SoundEnabled = confirmed.soundEnabled;
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        settings.Sound(kConfigDialogRows[i].event) = confirmed.rows[i];
    }
    return true;
}

void SettingsDialog::FormShow() {
    model_.FormShow();
}

void SettingsDialog::FormClose() {
    model_.FormClose();
}

void SettingsDialog::TestSound(const std::string& path) {
    model_.TestSound(path);
}

}  // namespace kestro
