// The replay in the real main window: a recorded capture fed to the window as
// if it were arriving live, FACTOR times faster than it was recorded, with the
// window's clock, countdowns and timer running in the recording's time.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "replay/recorded_capture.h"

namespace kestro {

// The main window replaying a capture file: at show it opens the file instead of
// the configured adapter. Choosing an adapter in the settings dialog ends the
// replay: the window then captures live, in real time.
class ReplayWindow : public TfrmZKmain {
    Q_OBJECT
public:
    // `clock` must outlive the window.
    ReplayWindow(ReplayClock& clock, std::string capturePath, ErrorBox errorBox = {},
                 std::unique_ptr<SoundPlayer> player = {});
    ~ReplayWindow() override;

    bool Replaying() { return Shell().Replaying(); }
};

struct GuiReplayOptions {
    std::string capture;
    std::optional<std::string> settingsFile;
    double speed = 1.0;
    // Confirmed results are kept in this file instead of none: the replay
    // never writes beside the settings it reads.
    std::optional<std::string> historyFile;
};

// Shows `follower` just below `main`'s frame once the window system has shown
// and placed `main` (its first exposure): before that its frame is not known
// and reads as the top-left corner of the screen.
void ShowBelowOncePlaced(QWidget& main, QWidget& follower);

// kestro-replay --gui: runs the four windows until the main window closes and
// returns the process's exit status. The capture has been checked already.
int RunGuiReplay(int argc, char** argv, const GuiReplayOptions& options);

}  // namespace kestro
