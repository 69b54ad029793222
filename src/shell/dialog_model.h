// What every modal secondary window does alike, whatever it edits: its
// placement at the show (restored where the file keeps it; else beside the
// main window where it has one, or moved inside the work area), silence and the placement's save at
// the close, and a test button's sound. The settings dialog and the reminders window each hold one,
// so a rule of their show or close is written once.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "notify/sound_player.h"
#include "shell/placement.h"

namespace kestro {

class DialogModel {
public:
    using RefusedWrite = std::function<void(const Result& refused)>;

    // `window` is placed from and saved to `section`; `player` serves the test
    // buttons and the silence at the close; `refused` hears of a placement save
    // that failed (the shell's ReportRefusedWrite). A window with a `beside`
    // (the main window) opens next to it while it keeps no place of its own;
    // without one, at its designed position.
    DialogModel(PlacedWindow& window, std::string_view section, SoundPlayer& player,
                RefusedWrite refused, const PlacedWindow* beside = nullptr);

    void FormShow();
    // OK, Cancel, Esc and the close box alike.
    void FormClose();
    // Plays `path`, whatever the switches say.
    void TestSound(const std::string& path);

private:
    PlacedWindow& window_;
    std::string section_;
    SoundPlayer& player_;
    RefusedWrite refused_;
    const PlacedWindow* beside_;
    bool saveFormSize_ = true;
};

}  // namespace kestro
