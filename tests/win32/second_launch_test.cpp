// A second kestro.exe in the same session, started while the first is out of
// sight (as in the tray): the first window comes back on the screen, the
// second ends, and the first runs on. A copy of the program in a folder of its
// own (its own settings beside it) starts as well, in a prefix's desktop of
// its own (scripts/test-windows gives the X display).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace {

struct Found {
    DWORD process;
    HWND window = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam) {
    auto* found = reinterpret_cast<Found*>(lParam);
    wchar_t name[64] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == found->process && GetClassNameW(window, name, 64) > 0 &&
        std::wstring(name) == L"KestroMain") {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// The main window of `process` once it is on the screen; null after 30 s.
HWND ShownMainWindow(DWORD process) {
    for (int tries = 0; tries < 300; ++tries) {
        Found found{process};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window != nullptr && IsWindowVisible(found.window)) {
            return found.window;
        }
        Sleep(100);
    }
    return nullptr;
}

PROCESS_INFORMATION Start(const std::filesystem::path& program) {
    std::wstring command = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                   program.parent_path().c_str(), &start, &process);
    return process;
}

void End(PROCESS_INFORMATION& process, HWND window) {
    if (window != nullptr) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

TEST(SecondLaunchTest, BringsTheFirstWindowBackAndEnds) {
    if (GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0) {
        GTEST_SKIP() << "no X display: the windows cannot be made";
    }
    const kestro::test::TempFolder folder("kestro-second-");
    const kestro::test::TempFolder elsewhere("kestro-second-");
    ASSERT_TRUE(folder.Ok() && elsewhere.Ok());
    const std::filesystem::path built = KESTRO_BINARY_DIR "/src/win32/kestro.exe";
    const std::filesystem::path program = folder.Path() / L"kestro.exe";
    const std::filesystem::path copy = elsewhere.Path() / L"kestro.exe";
    std::filesystem::copy_file(built, program);
    std::filesystem::copy_file(built, copy);

    PROCESS_INFORMATION first = Start(program);
    ASSERT_NE(first.hProcess, nullptr);
    const HWND window = ShownMainWindow(first.dwProcessId);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_HIDE);  // what the tray does with it
    ASSERT_FALSE(IsWindowVisible(window));

    PROCESS_INFORMATION second = Start(program);
    ASSERT_NE(second.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 30000), WAIT_OBJECT_0);
    DWORD status = 99;
    GetExitCodeProcess(second.hProcess, &status);
    EXPECT_EQ(status, 0u);
    End(second, nullptr);
    EXPECT_EQ(ShownMainWindow(first.dwProcessId), window);
    EXPECT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    PROCESS_INFORMATION other = Start(copy);
    ASSERT_NE(other.hProcess, nullptr);
    const HWND otherWindow = ShownMainWindow(other.dwProcessId);
    EXPECT_NE(otherWindow, nullptr);
    End(other, otherWindow);
    End(first, window);
}

}  // namespace
