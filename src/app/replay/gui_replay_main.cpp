// kestro-replay-gui: the window replay, started by `kestro-replay --gui` with
// the same arguments (see replay_options.h), so that the replay without a
// window never loads Qt Widgets.
#include "app/replay/gui_replay.h"
#include "replay/replay_options.h"

int main(int argc, char** argv) {
    using namespace kestro;
    const ReplayOptions options = ParseReplayOptions(argc, argv, true);
    CheckCaptureFile(options.capture);
    return RunGuiReplay(
        argc, argv,
        {options.capture, options.settingsFile, options.speed.value_or(1.0), options.historyFile});
}
