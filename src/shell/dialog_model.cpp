#include "shell/dialog_model.h"

#include <utility>

namespace kestro {

DialogModel::DialogModel(PlacedWindow& window, std::string_view section, SoundPlayer& player,
                         RefusedWrite refused, const PlacedWindow* beside)
    : window_(window),
      section_(section),
      player_(player),
      refused_(std::move(refused)),
      beside_(beside) {}

void DialogModel::FormShow() {
    // Read afresh at every show: a hand edit of the file counts from the next opening.
    saveFormSize_ = SaveFormSizeSetting();
    if (saveFormSize_ && LoadFormPlacement(window_, section_, true)) {
        return;
    }
    // Never where the player cannot reach it, kept or not.
    if (beside_ != nullptr) {
        PlaceFormBeside(window_, *beside_, true);
    } else {
        KeepFormInsideWorkArea(window_, true);
    }
}

void DialogModel::FormClose() {
    player_.Play("");
    if (!saveFormSize_) {
        return;
    }
    if (const Result saved = SaveFormPlacement(window_, section_); !saved && refused_) {
        refused_(saved);
    }
}

void DialogModel::TestSound(const std::string& path) {
    player_.Play(path);
}

}  // namespace kestro
