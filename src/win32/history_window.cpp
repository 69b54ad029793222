#include "win32/history_window.h"

#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32 {

namespace {

constexpr wchar_t kHistoryClass[] = L"KestroHistory";
constexpr int kKeepHeight = 22;

// The edit control wants "\r\n" between lines.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) {
        if (c == L'\n') {
            out += L'\r';
        }
        out += c;
    }
    return out;
}

}  // namespace

TfrmZKhistory::TfrmZKhistory(std::function<void(bool)> keepChanged)
    : keepChanged_(std::move(keepChanged)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static bool registered = false;
    if (!registered) {
        registered = true;
        WNDCLASSEXW history{};
        history.cbSize = sizeof history;
        history.lpfnWndProc = &Procedure;
        history.hInstance = instance;
        history.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        history.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        history.lpszClassName = kHistoryClass;
        RegisterClassExW(&history);
    }
    hwnd_ =
        CreateWindowExW(0, kHistoryClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                        CW_USEDEFAULT, 460, 560, nullptr, nullptr, instance, this);
    const UINT dpi = WindowDpi(hwnd_);
    memHistory_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 10,
        10, hwnd_, nullptr, instance, nullptr);
    chkKeep_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, 10,
                               10, hwnd_, nullptr, instance, nullptr);
    font_ = CreateFixedPitchFont(Scaled(12, dpi));
    SetFontOfAll(hwnd_, font_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    LayOut(client.right, client.bottom);
}

TfrmZKhistory::~TfrmZKhistory() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

void TfrmZKhistory::LayOut(int width, int height) {
    const int keep = Scaled(kKeepHeight, WindowDpi(hwnd_));
    MoveWindow(memHistory_, 0, 0, width, height > keep ? height - keep : 0, TRUE);
    MoveWindow(chkKeep_, 6, height > keep ? height - keep : 0, width - 6, keep, TRUE);
}

void TfrmZKhistory::ShowPage(const HistoryPage& page) {
    SetWindowTextW(hwnd_, FromUtf8(page.caption).c_str());
    SetWindowTextW(memHistory_, WithCrLf(FromUtf8(HistoryPageText(page))).c_str());
    SetWindowTextW(chkKeep_, FromUtf8(page.keepLabel).c_str());
    SendMessageW(chkKeep_, BM_SETCHECK, page.keep ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

LRESULT CALLBACK TfrmZKhistory::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TfrmZKhistory*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_CLOSE:
            ShowWindow(window, SW_HIDE);
            return 0;
        case WM_SIZE:
            if (self != nullptr && self->memHistory_ != nullptr) {
                self->LayOut(LOWORD(lParam), HIWORD(lParam));
            }
            return 0;
        case WM_COMMAND:
            // Only the user's click is a choice; BM_SETCHECK sends no BN_CLICKED.
            if (self != nullptr && reinterpret_cast<HWND>(lParam) == self->chkKeep_ &&
                HIWORD(wParam) == BN_CLICKED && self->keepChanged_) {
                self->keepChanged_(SendMessageW(self->chkKeep_, BM_GETCHECK, 0, 0) == BST_CHECKED);
            }
            return 0;
        case WM_NCDESTROY:
            if (self != nullptr) {
                self->hwnd_ = nullptr;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kestro::win32
