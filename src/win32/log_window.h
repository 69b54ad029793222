// The log window in Win32: one rich edit control that fills it, with both
// scroll bars, lines wrapped at the window's width. Closing it only hides it.
#pragma once

#include <windows.h>

#include <string>

#include "shell/log_window.h"

namespace kestro::win32 {

class TfrmZKlog final {
public:
    static constexpr int kMaxLines = kLogWindowMaxLines;

    TfrmZKlog();
    ~TfrmZKlog();
    TfrmZKlog(const TfrmZKlog&) = delete;
    TfrmZKlog& operator=(const TfrmZKlog&) = delete;

    void AppendLine(const std::wstring& line);
    void Clear();
    void Show();

    HWND Handle() const { return hwnd_; }
    HWND Memo() const { return memLog_; }
    std::wstring Text() const;

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    // The log's face at `dpi` (a move to a monitor of another scale changes it).
    void SetFontFor(UINT dpi);

    HWND hwnd_ = nullptr;
    HWND memLog_ = nullptr;
    HFONT font_ = nullptr;
    int lines_ = 0;
};

}  // namespace kestro::win32
