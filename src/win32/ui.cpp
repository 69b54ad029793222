#include "win32/ui.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "win32/resources.h"

namespace kestro::win32 {

UINT WindowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; older systems have one
    // DPI for the whole screen.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

namespace {

HFONT CreateFace(const wchar_t* face, int pixels, BYTE pitch, bool bold, bool underline) {
    // A negative height is the character height, not the cell height.
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       pitch, face);
}

}  // namespace

HFONT CreateProportionalFont(int pixels, bool bold, bool underline) {
    return CreateFace(L"ＭＳ Ｐゴシック", pixels, VARIABLE_PITCH | FF_SWISS, bold, underline);
}

HFONT CreateFixedPitchFont(int pixels) {
    return CreateFace(L"ＭＳ ゴシック", pixels, FIXED_PITCH | FF_MODERN, false, false);
}

void SetClientSize(HWND window, int width, int height) {
    RECT frame{0, 0, width, height};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, GetMenu(window) != nullptr, exStyle);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ChildRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HBITMAP StretchedCopy(HBITMAP picture, int width, int height) {
    BITMAP source{};
    if (picture == nullptr || GetObjectW(picture, sizeof source, &source) == 0) {
        return nullptr;
    }
    const HDC screen = GetDC(nullptr);
    const HDC from = CreateCompatibleDC(screen);
    const HDC to = CreateCompatibleDC(screen);
    const HBITMAP copy = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (copy != nullptr) {
        const HGDIOBJ oldFrom = SelectObject(from, picture);
        const HGDIOBJ oldTo = SelectObject(to, copy);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, source.bmWidth, source.bmHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    DeleteDC(from);
    DeleteDC(to);
    return copy;
}

void SetFontOfAll(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EnumChildWindows(
        window,
        [](HWND child, LPARAM value) -> BOOL {
            SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(value), FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(font));
}

namespace {

constexpr wchar_t kDialogKeysProperty[] = L"KestroDialogKeys";

// Loaded once and kept for the process: every window shares them.
HICON ProgramIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

}  // namespace

void SetProgramIcon(HWND window) {
    static const HICON largeIcon = ProgramIcon(SM_CXICON, SM_CYICON);
    static const HICON smallIcon = ProgramIcon(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

void TakeDialogKeys(HWND window) {
    SetPropW(window, kDialogKeysProperty, reinterpret_cast<HANDLE>(1));
}

bool TranslateDialogKeys(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || message.hwnd == nullptr) {
        return false;
    }
    const HWND window = GetAncestor(message.hwnd, GA_ROOT);
    return window != nullptr && GetPropW(window, kDialogKeysProperty) != nullptr &&
           IsDialogMessageW(window, &message);
}

// --- HidingWindow ---------------------------------------------------------------

LRESULT CALLBACK HidingWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<HidingWindow*>(
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HidingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_CLOSE) {
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        RemovePropW(window, kDialogKeysProperty);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

// --- PixelDialog ---------------------------------------------------------------

INT_PTR PixelDialog::RunModal(HWND owner) {
    // An empty template: no controls, no font; OnInit makes the rest. The
    // caption is set there too. DLGTEMPLATE is followed by three empty arrays
    // (menu, class, title), and must be DWORD aligned.
    struct alignas(4) EmptyTemplate {
        DLGTEMPLATE header;
        WORD menu, windowClass, title;
    } empty{};
    // No WS_CLIPCHILDREN: a group box paints only its frame and relies on the
    // dialog to paint what lies inside it.
    empty.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    owner_ = owner;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.header, owner, &Procedure,
                                   reinterpret_cast<LPARAM>(this));
}

HWND PixelDialog::AddControl(const wchar_t* className, const std::wstring& text, DWORD style,
                             int left, int top, int width, int height, int id, DWORD exStyle) {
    return CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, Px(left),
        Px(top), Px(width), Px(height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
}

INT_PTR CALLBACK PixelDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<PixelDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->hwnd_ = window;
        self->dpi_ = WindowDpi(window);
        self->OnInit();
        return TRUE;
    }
    auto* self = reinterpret_cast<PixelDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    INT_PTR result = FALSE;
    if (self->OnMessage(message, wParam, lParam, &result)) {
        return result;
    }
    if (message == WM_COMMAND) {
        return self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))
                   ? TRUE
                   : FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
    }
    return FALSE;
}

}  // namespace kestro::win32
