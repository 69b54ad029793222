#include "win32/tray_icon.h"

#include <algorithm>
#include <cwchar>

#include "win32/resources.h"
#include "win32/text.h"

namespace kestro::win32 {

namespace {

constexpr UINT kIconId = 1;

HICON LoadProgramIcon(int width, int height) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                         IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

template <std::size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& text) {
    const std::wstring cut = CutToFit(text, N - 1);
    std::wmemcpy(field, cut.c_str(), cut.size() + 1);
}

}  // namespace

std::wstring CutToFit(const std::wstring& text, std::size_t max) {
    if (text.size() <= max) {
        return text;
    }
    std::size_t end = max;
    if (end > 0 && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) {
        --end;  // a high surrogate without its low half would show as a box
    }
    return text.substr(0, end);
}

TrayIcon::TrayIcon(HWND owner)
    : owner_(owner), taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    icon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    largeIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
}

TrayIcon::~TrayIcon() {
    Remove();
    for (HICON icon : {icon_, largeIcon_}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

NOTIFYICONDATAW TrayIcon::Data(UINT flags) const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = kIconId;
    data.uFlags = flags;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_;
    CopyCut(data.szTip, tip_);
    return data;
}

bool TrayIcon::Add() {
    wanted_ = true;
    NOTIFYICONDATAW data = Data(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    shown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    return shown_;
}

void TrayIcon::Remove() {
    wanted_ = false;
    if (shown_) {
        NOTIFYICONDATAW data = Data(0);
        Shell_NotifyIconW(NIM_DELETE, &data);
        shown_ = false;
    }
}

bool TrayIcon::Shown() const {
    return shown_ && FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void TrayIcon::SetTip(const std::wstring& tip) {
    if (tip == tip_) {
        return;
    }
    tip_ = tip;
    if (shown_) {
        NOTIFYICONDATAW data = Data(NIF_TIP);
        Shell_NotifyIconW(NIM_MODIFY, &data);
    }
}

void TrayIcon::TaskbarCreated() {
    if (wanted_) {
        Add();
    }
}

void TrayIcon::ShowTrayIcon(bool shown) {
    if (shown) {
        Add();
    } else {
        Remove();
    }
}

void TrayIcon::SetTrayTip(const std::string& text) {
    SetTip(FromUtf8(text));
}

bool TrayIcon::ShowBalloon(const std::string& titleUtf8, const std::string& textUtf8) {
    if (!shown_) {
        return false;
    }
    NOTIFYICONDATAW data = Data(NIF_INFO);
    CopyCut(data.szInfoTitle, FromUtf8(titleUtf8));
    CopyCut(data.szInfo, FromUtf8(textUtf8));
    data.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON | NIIF_RESPECT_QUIET_TIME;
    data.hBalloonIcon = largeIcon_;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void BalloonSink::Send(const DesktopNotification& note, uint32_t, Answer answer) {
    if (tray_.ShowBalloon(note.title, note.body)) {
        answer(Result(), 0);
    } else {
        answer(Result::Failure(tray_.Shown() ? "Shell_NotifyIconW refused the balloon"
                                             : "no icon in the notification area"),
               0);
    }
}

}  // namespace kestro::win32
