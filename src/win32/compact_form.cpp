#include "win32/compact_form.h"

#include <windowsx.h>

#include <algorithm>

#include "settings/settings_file.h"
#include "win32/placement.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32 {

namespace {

using namespace compact_layout;

constexpr wchar_t kCompactClass[] = L"KestroCompact";

COLORREF ToColorRef(main_layout::Rgb rgb) {
    return RGB(rgb.r, rgb.g, rgb.b);
}

void RegisterCompactClass(HINSTANCE instance) {
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    WNDCLASSEXW compact{};
    compact.cbSize = sizeof compact;
    compact.lpfnWndProc = DefWindowProcW;
    compact.hInstance = instance;
    compact.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    compact.hbrBackground = nullptr;  // painted whole in WM_PAINT
    compact.lpszClassName = kCompactClass;
    RegisterClassExW(&compact);
}

}  // namespace

// A tool window: no task bar button of its own, since it stands in for the
// main window, whose button is hidden meanwhile.
TfrmZKcompact::TfrmZKcompact(Owner owner) : owner_(std::move(owner)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterCompactClass(instance);
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kCompactClass, L"Kestro", WS_POPUP, 0, 0, 100, 40,
                            nullptr, nullptr, instance, nullptr);
    if (hwnd_ == nullptr) {
        return;
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure));
    dpi_ = WindowDpi(hwnd_);
    font_ = CreateProportionalFont(Scaled(kFontPixels, dpi_));
    FitToLines();
}

TfrmZKcompact::~TfrmZKcompact() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

LRESULT CALLBACK TfrmZKcompact::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    auto* self = reinterpret_cast<TfrmZKcompact*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT TfrmZKcompact::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_NCHITTEST: {
            // Borderless: the strip itself is the handle to move it by.
            const LRESULT hit = DefWindowProcW(hwnd_, message, wParam, lParam);
            return hit == HTCLIENT ? HTCAPTION : hit;
        }
        case WM_NCRBUTTONDOWN:
            // The default waits here for the button's release to open the
            // system menu of the caption the strip pretends to be; Wine's
            // swallows the release, and the popup menu never opens.
            return 0;
        case WM_NCRBUTTONUP:
        case WM_CONTEXTMENU: {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (lParam == -1) {  // from the keyboard: at the strip's top left
                at = {0, 0};
                ClientToScreen(hwnd_, &at);
            }
            if (owner_.contextMenu) {
                owner_.contextMenu(at);
            }
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (owner_.keyDown) {
                owner_.keyDown(wParam);
            }
            break;
        case WM_CLOSE:
            if (owner_.closed) {
                owner_.closed();
            }
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void TfrmZKcompact::Paint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(hwnd_, &paint);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const HBRUSH background = CreateSolidBrush(ToColorRef(kBackground));
    FillRect(dc, &client, background);
    DeleteObject(background);
    const HGDIOBJ previous = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(kTextColour));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int margin = Scaled(kMargin, dpi_);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        TextOutW(dc, margin, margin + static_cast<int>(i) * metrics.tmHeight, lines_[i].c_str(),
                 static_cast<int>(lines_[i].size()));
    }
    SelectObject(dc, previous);
    EndPaint(hwnd_, &paint);
}

void TfrmZKcompact::FitToLines() {
    const HDC dc = GetDC(hwnd_);
    const HGDIOBJ previous = SelectObject(dc, font_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    int widest = 0;
    for (const std::wstring& line : lines_) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    SelectObject(dc, previous);
    ReleaseDC(hwnd_, dc);
    const int margin = Scaled(kMargin, dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, widest + 2 * margin,
                 static_cast<int>(lines_.size()) * metrics.tmHeight + 2 * margin,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmZKcompact::ShowLines(const std::array<std::string, 2>& lines) {
    const std::array<std::wstring, 2> wide = {FromUtf8(lines[0]), FromUtf8(lines[1])};
    if (wide == lines_) {
        return;
    }
    lines_ = wide;
    FitToLines();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// Never activated: a strip over the game must not take the keyboard from it.
void TfrmZKcompact::SetShown(bool shown) {
    ShowWindow(hwnd_, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
}

bool TfrmZKcompact::Shown() const {
    return IsWindowVisible(hwnd_) != FALSE;
}

void TfrmZKcompact::SetClickThrough(bool on) {
    clickThrough_ = on;
    ApplyExtendedStyle();
}

void TfrmZKcompact::ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) {
    opacity_ = opacityPercent;
    SetWindowPos(hwnd_, stayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyExtendedStyle();
}

void TfrmZKcompact::ApplyExtendedStyle() {
    LONG_PTR exStyle = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    const bool layered = clickThrough_ || opacity_ < kOpacityMax;
    exStyle = layered ? exStyle | WS_EX_LAYERED : exStyle & ~WS_EX_LAYERED;
    exStyle = clickThrough_ ? exStyle | WS_EX_TRANSPARENT : exStyle & ~WS_EX_TRANSPARENT;
    SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, exStyle);
    if (layered) {
        SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(opacity_ * 255 / 100), LWA_ALPHA);
    }
}

WindowPlacement TfrmZKcompact::QueryPlacement() const {
    return QueryWindowPlacement(hwnd_);
}

void TfrmZKcompact::ApplyPlacement(const WindowPlacement& placement) {
    ApplyWindowPlacement(hwnd_, placement);
}

std::vector<ScreenArea> TfrmZKcompact::ScreenAreas() const {
    return MonitorWorkAreas();
}

}  // namespace kestro::win32
