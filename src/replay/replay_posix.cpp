#include "replay/replay_platform.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/process.h"

namespace kestro {

namespace {

// Replaces this process with kestro-replay-gui from this program's own folder.
[[noreturn]] void ExecWindowReplay(char** argv) {
    const std::string self = platform::ExecutablePath();
    if (self.empty()) {
        FailReplay(std::string("cannot find the program's own folder: ") + std::strerror(errno));
    }
    const std::string windowProgram = self.substr(0, self.rfind('/') + 1) + "kestro-replay-gui";
    FailReplay("cannot start " + windowProgram + ": " + platform::RunInstead(windowProgram, argv));
}

}  // namespace

bool HasWindowReplay() {
    return true;
}

void PrepareReplay(const ReplayOptions& options, char** argv) {
    if (options.gui) {
        ExecWindowReplay(argv);
    }
}

}  // namespace kestro
