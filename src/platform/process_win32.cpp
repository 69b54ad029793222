#include "platform/process.h"

#include <io.h>
#include <process.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/wide_text_win32.h"

namespace kestro::platform {

// The wide name: the ANSI one turns every character outside the code page into
// "?", and the settings beside the program would be looked for in no folder.
std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return std::string();
        }
        // A full buffer means the name was cut; try again with more room.
        if (n < path.size()) {
            path.resize(n);
            return Utf8FromWide(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string RunInstead(const std::string& path, char** argv) {
    std::vector<std::wstring> wide;
    for (char** arg = argv; *arg != nullptr; ++arg) {
        wide.push_back(WidePath(*arg));
    }
    std::vector<const wchar_t*> wideArgv;
    for (const std::wstring& arg : wide) {
        wideArgv.push_back(arg.c_str());
    }
    wideArgv.push_back(nullptr);
    _wexecv(WidePath(path).c_str(), wideArgv.data());
    return std::strerror(errno);
}

std::string_view PathSeparators() {
    return "/\\";
}

// The installer puts this file beside the programs: an installed copy keeps
// its settings in %APPDATA%\Kestro, where an upgrade or an uninstall leaves
// them, although its per-user folder takes new files.
bool SettingsBesideWritableProgram() {
    const std::string exe = ExecutablePath();
    const std::string marker =
        exe.substr(0, exe.find_last_of(PathSeparators()) + 1) + "kestro-installed.txt";
    return GetFileAttributesW(WidePath(marker).c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::string UserSettingsFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || appData[0] == L'\0') {
        return {};
    }
    return Utf8FromWide(appData) + "\\Kestro";
}

std::string SystemRootFolder() {
    const wchar_t* windir = _wgetenv(L"windir");
    return windir != nullptr ? Utf8FromWide(windir) : std::string();
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
