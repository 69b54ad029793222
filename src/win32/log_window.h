// The log window in Win32: one rich edit control that fills it, with both
// scroll bars, lines wrapped at the window's width. Closing it only hides it.
#pragma once

#include <windows.h>

#include <string>

#include "shell/log_window.h"
#include "win32/ui.h"

namespace kestro::win32 {

class TfrmZKlog final : public HidingWindow {
public:
    static constexpr int kMaxLines = kLogWindowMaxLines;

    TfrmZKlog();
    ~TfrmZKlog() override;
    TfrmZKlog(const TfrmZKlog&) = delete;
    TfrmZKlog& operator=(const TfrmZKlog&) = delete;

    void AppendLine(const std::wstring& line);
    void Clear();
    void Show();

    HWND Memo() const { return memLog_; }
    std::wstring Text() const;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The log's face at `dpi` (a move to a monitor of another scale changes it).
    void SetFontFor(UINT dpi);

    HWND memLog_ = nullptr;
    HFONT font_ = nullptr;
    int lines_ = 0;
};

}  // namespace kestro::win32
