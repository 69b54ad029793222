#include "platform/process.h"

#include <io.h>
#include <process.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kestro::platform {

std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return std::string();
        }
        // A full buffer means the name was cut; try again with more room.
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string RunInstead(const std::string& path, char** argv) {
    _execv(path.c_str(), argv);
    return std::strerror(errno);
}

std::string_view PathSeparators() {
    return "/\\";
}

bool SettingsBesideProgramOnly() {
    return true;
}

std::string SystemRootFolder() {
    const char* windir = std::getenv("windir");
    return windir != nullptr ? windir : std::string();
}

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

bool IsRegularFile(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

namespace {

std::FILE* g_flushBeforeQuit = nullptr;

// Windows runs a console control handler on a thread of its own.
BOOL WINAPI FlushAndQuit(DWORD) {
    _lock_file(g_flushBeforeQuit);
    std::fflush(g_flushBeforeQuit);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

void FlushBeforeQuitSignals(std::FILE* stream) {
    g_flushBeforeQuit = stream;
    SetConsoleCtrlHandler(FlushAndQuit, TRUE);
}

}  // namespace kestro::platform
