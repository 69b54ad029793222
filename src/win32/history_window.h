// The history window in Win32: the shell's history page as text in a
// read-only memo (bars as runs of blocks), and the switch that keeps results.
// Closing it only hides it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "shell/history_page.h"

namespace kestro::win32 {

class TfrmZKhistory final {
public:
    explicit TfrmZKhistory(std::function<void(bool)> keepChanged);
    ~TfrmZKhistory();
    TfrmZKhistory(const TfrmZKhistory&) = delete;
    TfrmZKhistory& operator=(const TfrmZKhistory&) = delete;

    void ShowPage(const HistoryPage& page);

    HWND Handle() const { return hwnd_; }
    HWND Memo() const { return memHistory_; }
    HWND KeepSwitch() const { return chkKeep_; }

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    void LayOut(int width, int height);

    std::function<void(bool)> keepChanged_;
    HWND hwnd_ = nullptr;
    HWND memHistory_ = nullptr;
    HWND chkKeep_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace kestro::win32
