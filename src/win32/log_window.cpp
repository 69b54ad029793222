#include "win32/log_window.h"

#include <richedit.h>

#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32 {

namespace {

constexpr wchar_t kLogClass[] = L"KestroLog";

}  // namespace

TfrmZKlog::TfrmZKlog() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    // A plain edit control cannot both wrap and show a horizontal scroll bar
    // (WS_HSCROLL turns wrapping off) and holds 32767 characters by default;
    // a rich edit control wraps at the window's width while both bars stay
    // shown, and takes as much text as we give it.
    LoadLibraryW(L"riched20.dll");
    static bool registered = false;
    if (!registered) {
        registered = true;
        WNDCLASSEXW log{};
        log.cbSize = sizeof log;
        log.lpfnWndProc = &Procedure;
        log.hInstance = instance;
        log.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        log.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        log.lpszClassName = kLogClass;
        RegisterClassExW(&log);
    }
    hwnd_ =
        CreateWindowExW(0, kLogClass, L"ログ表示", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 347, 107,
                        392, 252, nullptr, nullptr, instance, static_cast<HidingWindow*>(this));
    SetProgramIcon(hwnd_);
    const UINT dpi = WindowDpi(hwnd_);
    if (dpi != 96) {
        SetWindowPos(hwnd_, nullptr, 0, 0, Scaled(392, dpi), Scaled(252, dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    memLog_ = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                  ES_AUTOVSCROLL | ES_DISABLENOSCROLL | ES_NOHIDESEL,
                              0, 0, client.right, client.bottom, hwnd_, nullptr, instance, nullptr);
    // Line width 0: wrap at the window's width.
    SendMessageW(memLog_, EM_SETTARGETDEVICE, 0, 0);
    SendMessageW(memLog_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(memLog_, EM_SETUNDOLIMIT, 0, 0);  // an undo stack would grow with every line
    SetFontFor(dpi);
    // Some rich edit versions (Wine's) lay out the first text for the width
    // before the vertical scroll bar took its place, and the first wrap runs
    // under the bar until a resize: a size that changes makes them measure anew.
    MoveWindow(memLog_, 0, 0, client.right, client.bottom - 1, FALSE);
    MoveWindow(memLog_, 0, 0, client.right, client.bottom, TRUE);
}

void TfrmZKlog::SetFontFor(UINT dpi) {
    const HFONT old = font_;
    font_ = CreateProportionalFont(Scaled(12, dpi));
    SendMessageW(memLog_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (old != nullptr) {
        DeleteObject(old);
    }
}

TfrmZKlog::~TfrmZKlog() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

void TfrmZKlog::AppendLine(const std::wstring& line) {
    if (lines_ >= kMaxLines) {
        const auto secondLine = SendMessageW(memLog_, EM_LINEINDEX, 1, 0);
        SendMessageW(memLog_, EM_SETSEL, 0, secondLine);
        SendMessageW(memLog_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        --lines_;
    }
    const std::wstring text = lines_ == 0 ? line : L"\r\n" + line;
    SendMessageW(memLog_, EM_SETSEL, -1, -1);
    SendMessageW(memLog_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    ++lines_;
}

void TfrmZKlog::Clear() {
    SetWindowTextW(memLog_, L"");
    lines_ = 0;
}

void TfrmZKlog::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

std::wstring TfrmZKlog::Text() const {
    return WindowText(memLog_);
}

LRESULT TfrmZKlog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (memLog_ != nullptr) {
                MoveWindow(memLog_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            return 0;
        case WM_DPICHANGED: {
            // The log is a window of its own, often left open on another monitor.
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            SetFontFor(HIWORD(wParam));
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace kestro::win32
