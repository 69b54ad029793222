#include "replay/replay_platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "capture/wpcap_loader.h"

namespace kestro {
namespace {

std::string capturePath;
UINT consoleCodePage = 0;  // the console's own, while it shows UTF-8 for us

void RestoreConsole() {
    if (consoleCodePage != 0) {
        SetConsoleOutputCP(consoleCodePage);
    }
}

// Runs inside the exception raised by the call, possibly on the reading
// thread: no exit handlers, no destructors of what other threads still use.
[[noreturn]] void StopAtUnimplemented(const char* function) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "%s: %s: the installed wpcap.dll does not implement %s, so it cannot replay "
                 "capture files (Npcap's wpcap.dll can)\n",
                 kReplayProgram, capturePath.c_str(), function);
    std::fflush(stderr);
    RestoreConsole();
    std::_Exit(2);
}

// The console's code page is shared with whatever runs in it after us, so it
// is changed only for a console, and changed back at exit.
void ShowUtf8InConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out == nullptr || out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) {
        return;  // a file or a pipe: the bytes go through as they are
    }
    const UINT own = GetConsoleOutputCP();
    if (own != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
        consoleCodePage = own;
        std::atexit(RestoreConsole);
    }
}

}  // namespace

bool HasWindowReplay() {
    return false;
}

void PrepareReplay(const ReplayOptions& options, char**) {
    if (!wpcap::Loaded()) {
        FailReplay(wpcap::MissingCaptureDriverText());
    }
    capturePath = options.capture;
    wpcap::OnUnimplementedFunction(StopAtUnimplemented);
    ShowUtf8InConsole();
}

}  // namespace kestro
