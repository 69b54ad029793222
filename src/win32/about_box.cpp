#include "win32/about_box.h"

#include <objidl.h>
#include <shellapi.h>
#include <shlwapi.h>
// GDI+ wants min and max as functions of its own.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <utility>

#include "platform/process.h"
#include "win32/placement.h"
#include "win32/resources.h"
#include "win32/text.h"

namespace kestro::win32 {

namespace {

const wchar_t* const kCredits =
    L"Kestro - a race companion that listens, never sends.\r\n"
    L"\r\n"
    L"Packet capture component: Kestro's own.\r\n"
    L"wpcap.dll of the installed capture driver (Npcap), loaded at run time.\r\n"
    L"libpcap headers - BSD licence, The Tcpdump Group.\r\n"
    L"JPEG picture decoded by Windows GDI+.\r\n"
    L"mingw-w64 runtime - ZPL and MIT licences; winpthreads - MIT licence.\r\n"
    L"GCC runtime libraries - GPL with the GCC Runtime Library Exception.\r\n";

std::string ProgramFolder() {
    const std::string path = platform::ExecutablePath();
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::string TfrmZKabout::ProjectUrl() {
    return AboutProjectUrl();
}

HBITMAP DecodeJpegResource(int id) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    if (loaded == nullptr) {
        return nullptr;
    }
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(LockResource(loaded)),
                                        SizeofResource(module, found));
    if (stream == nullptr) {
        return nullptr;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    HBITMAP picture = nullptr;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
        {
            Gdiplus::Bitmap bitmap(stream);
            if (bitmap.GetLastStatus() != Gdiplus::Ok ||
                bitmap.GetHBITMAP(Gdiplus::Color(255, 255, 255), &picture) != Gdiplus::Ok) {
                picture = nullptr;
            }
        }
        Gdiplus::GdiplusShutdown(token);
    }
    stream->Release();
    return picture;
}

TfrmZKabout::TfrmZKabout(Opener opener, std::string projectUrl)
    : opener_(std::move(opener)), address_(AboutAddressLine(projectUrl)) {
    if (!opener_) {
        opener_ = [](const std::string& verb, const std::string& file, const std::string& folder) {
            // The working folder is the program's, in UTF-8 as every path inside.
            ShellExecuteW(nullptr, FromUtf8(verb).c_str(), FromUtf8(file).c_str(), nullptr,
                          folder.empty() ? nullptr : FromUtf8(folder).c_str(), SW_SHOWNORMAL);
        };
    }
    picture_ = DecodeJpegResource(kAboutPictureResource);
}

TfrmZKabout::~TfrmZKabout() {
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(picture_), static_cast<HGDIOBJ>(scaledPicture_),
                           static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(titleFont_),
                           static_cast<HGDIOBJ>(linkFont_)}) {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
}

void TfrmZKabout::OnInit() {
    SetWindowTextW(hwnd_, L"About");
    if (font_ == nullptr) {
        font_ = CreateProportionalFont(Px(12));
        titleFont_ = CreateProportionalFont(Px(16), true);
        linkFont_ = CreateProportionalFont(Px(12), false, true);
    }
    SetClientSize(hwnd_, Px(378), Px(159));
    SetProgramIcon(hwnd_);

    const HWND image = AddControl(L"STATIC", L"", SS_BITMAP, 4, 4, 107, 150, imgDorvik);
    // A picture static takes its picture's size: above 96 dots per inch the
    // picture is stretched to fill its scaled place.
    HBITMAP shown = picture_;
    if (picture_ != nullptr && Px(107) != 107) {
        if (scaledPicture_ != nullptr) {
            DeleteObject(scaledPicture_);
        }
        scaledPicture_ = StretchedCopy(picture_, Px(107), Px(150));
        if (scaledPicture_ != nullptr) {
            shown = scaledPicture_;
        }
    }
    if (shown != nullptr) {
        SendMessageW(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(shown));
    } else {
        SetWindowTextW(image, L"The picture could not be decoded.");
    }
    AddControl(L"STATIC", L"Kestro", SS_NOPREFIX, 120, 4, 250, 22, labTitle);
    AddControl(L"STATIC", L"Kestro developers", SS_NOPREFIX, 120, 28, 250, 16, labAuthor);
    const bool link = address_.IsLink();
    AddControl(L"STATIC", FromUtf8(address_.text), SS_NOPREFIX | (link ? SS_NOTIFY : 0), 120, 46,
               250, 16, labURL);
    AddControl(L"EDIT", kCredits, ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, 120, 66,
               252, 58, memCredits, WS_EX_CLIENTEDGE);
    AddControl(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 297, 129, 75, 25, IDOK);

    SetFontOfAll(hwnd_, font_);
    SendDlgItemMessageW(hwnd_, labTitle, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
    if (link) {
        SendDlgItemMessageW(hwnd_, labURL, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
    }
    CentreOnOwner();
}

void TfrmZKabout::CentreOnOwner() {
    if (owner_ == nullptr) {
        return;
    }
    RECT owner{}, box{};
    GetWindowRect(owner_, &owner);
    GetWindowRect(hwnd_, &box);
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    LONG left = (owner.left + owner.right) / 2 - width / 2;
    LONG top = (owner.top + owner.bottom) / 2 - height / 2;
    // A main window near a screen edge must not push the box off the screen.
    WindowPlacement centred;
    centred.left = left;
    centred.top = top;
    centred.right = left + width;
    centred.bottom = top + height;
    const WindowPlacement kept = KeepInsideWorkArea(centred, {WorkAreaNear(owner_)});
    SetWindowPos(hwnd_, nullptr, kept.left, kept.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TfrmZKabout::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDOK || id == IDCANCEL) {
        End(id);
        return true;
    }
    if (id == labURL && code == STN_CLICKED) {
        labURLClick();
        return true;
    }
    return false;
}

bool TfrmZKabout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    const auto control = reinterpret_cast<HWND>(message == WM_SETCURSOR ? wParam : lParam);
    if (!address_.IsLink() || control != GetDlgItem(hwnd_, labURL)) {
        return false;
    }
    if (message == WM_CTLCOLORSTATIC) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        *result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    if (message == WM_SETCURSOR) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        *result = TRUE;
        return true;
    }
    return false;
}

void TfrmZKabout::labURLClick() {
    if (address_.IsLink()) {
        opener_("open", address_.url, ProgramFolder());
    }
}

}  // namespace kestro::win32
