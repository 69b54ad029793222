// What the tests of the Win32 windows share: real windows shown under Wine on
// an X display, their settings file in a temporary folder, and the helpers that
// pump messages, find a modal dialog or a popup menu and press keys.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/wpcap_loader.h"
#include "common/cp932.h"
#include "notify/sound_player.h"
#include "settings/ini_file.h"
#include "settings/vu_ini_mng.h"
#include "shell/config_layout.h"
#include "shell/panel_layout.h"
#include "support/portable.h"
#include "support/temp_folder.h"
#include "win32/about_box.h"
#include "win32/config_dialog.h"
#include "win32/history_window.h"
#include "win32/log_window.h"
#include "win32/main_window.h"
#include "win32/reminders_dialog.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32::test_face {

using namespace main_layout;

inline bool RectIs(const RECT& rect, int left, int top, int width, int height) {
    return rect.left == left && rect.top == top && rect.right == left + width &&
           rect.bottom == top + height;
}

inline std::string Describe(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
}

// Runs this thread's messages until `done` holds; false after five seconds.
inline bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    }
    return true;
}

// What to do with the next modal dialog of this thread once it shows; the
// modal loop runs the timer that finds it.
inline std::function<void(HWND)> g_onDialog;

inline void CALLBACK FindDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (dialog != nullptr && g_onDialog) {
        KillTimer(nullptr, timer);
        const auto act = std::move(g_onDialog);
        g_onDialog = nullptr;
        act(dialog);
    }
}

// Sends a menu command that opens a modal dialog, and acts on the dialog;
// `act` must end it.
inline void WithModalDialog(HWND main, UINT command, std::function<void(HWND)> act) {
    g_onDialog = std::move(act);
    SetTimer(nullptr, 0, 20, &FindDialog);
    SendMessageW(main, WM_COMMAND, command, 0);
    ASSERT_FALSE(g_onDialog) << "no dialog showed";
}

// Whether a right click of the mouse at `at` (screen) opens this thread's
// popup menu within `wait`; the menu's modal loop runs the timer that finds
// and ends it.
inline bool g_menuSeen = false;
inline void CALLBACK FindMenu(HWND, UINT, UINT_PTR, DWORD) {
    const HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu != nullptr && IsWindowVisible(menu)) {
        g_menuSeen = true;
        EndMenu();
    }
}
inline bool RightClickOpensMenu(POINT at, std::chrono::milliseconds wait) {
    g_menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &FindMenu);
    SetCursorPos(at.x, at.y);
    INPUT buttons[2] = {};
    buttons[0].type = buttons[1].type = INPUT_MOUSE;
    buttons[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    buttons[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    const bool sent = SendInput(2, buttons, sizeof(INPUT)) == 2;
    const auto until = std::chrono::steady_clock::now() + wait;
    PumpUntil([&] { return g_menuSeen || std::chrono::steady_clock::now() > until; });
    KillTimer(nullptr, timer);
    return sent && g_menuSeen;
}

inline void PressKey(HWND control, WPARAM key) {
    SetFocus(control);
    PostMessageW(control, WM_KEYDOWN, key, 0);
    PostMessageW(control, WM_KEYUP, key, 0);
}

inline RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

inline constexpr const char* kHomePage = "https://kestro.example/";

class Win32FaceTest : public ::testing::Test {
protected:
    struct Forms {
        Forms(TfrmZKmain::ErrorBox box, TfrmZKabout::Opener opener)
            : main(box, std::make_unique<NullSoundPlayer>(), {std::move(opener), kHomePage}),
              log(main.Windows().Log()) {}
        TfrmZKmain main;
        TfrmZKlog& log;
    };

    void SetUp() override {
        char display[256] = {};
        if (test::RunningUnderWine() &&
            GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0) {
            GTEST_SKIP() << "no X display for Wine's windows (scripts/test-windows starts Xvfb)";
        }
        ASSERT_TRUE(folder_.Ok());
        iniPath_ = folder_.Path("kestro.ini");
        VuIniMng::SetIniFileNameOverride(iniPath_);
    }
    void TearDown() override {
        forms_.reset();
        VuIniMng::SetIniFileNameOverride("");
    }

    void WriteIni(const std::string& text) {
        std::ofstream(test::Utf8Path(iniPath_), std::ios::binary) << text;
    }
    IniFile ReadIni() const { return IniFile::Load(iniPath_); }

    TfrmZKmain& Show() {
        Create();
        forms_->main.Show();
        return forms_->main;
    }
    void Create() {
        forms_ = std::make_unique<Forms>(
            [this](const std::string& text) { errors_.push_back(text); },
            [this](const std::string& verb, const std::string& file, const std::string& folder) {
                opened_.push_back(verb + "|" + file + "|" + folder);
            });
    }
    void CloseMain() {
        SendMessageW(forms_->main.Handle(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(forms_->main.Alive());
    }

    // A name outside the ANSI code page (Wine's is 1252): the settings and the
    // history are read and saved there all the same.
    test::TempFolder folder_{"kestro-win32-テスト-"};
    std::string iniPath_;
    std::vector<std::string> errors_;
    std::vector<std::string> opened_;
    std::unique_ptr<Forms> forms_;
};

}  // namespace kestro::win32::test_face
