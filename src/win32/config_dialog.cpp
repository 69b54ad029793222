#include "win32/config_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/placement.h"
#include "win32/text.h"

namespace kestro::win32 {

namespace {

using namespace config_layout;

}  // namespace

// The test button's picture: a right-pointing triangle in a sunken square,
// `size` pixels wide and high (16 at 96 dots per inch). The bevel keeps its
// one-pixel lines at every size, as the system's own edges do.
HBITMAP CreatePlayPicture(int size) {
    const auto at = [size](int design) { return MulDiv(design, size, 16); };
    const int last = size - 1;
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    const HBITMAP picture = CreateCompatibleBitmap(screen, size, size);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ previous = SelectObject(dc, picture);
    const RECT all{0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    const RECT face{2, 2, size - 2, size - 2};
    FillRect(dc, &face, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // Light from the top left: shadow above, highlight below, twice.
    struct Edge {
        COLORREF colour;
        POINT from, corner, to;
    };
    const Edge edges[] = {
        {RGB(128, 128, 128), {0, last}, {0, 0}, {last, 0}},
        {RGB(255, 255, 255), {0, last}, {last, last}, {last, -1}},
        {RGB(64, 64, 64), {1, last - 1}, {1, 1}, {last - 1, 1}},
        {RGB(212, 208, 200), {1, last - 1}, {last - 1, last - 1}, {last - 1, 0}},
    };
    for (const Edge& edge : edges) {
        const HPEN pen = CreatePen(PS_SOLID, 1, edge.colour);
        const HGDIOBJ oldPen = SelectObject(dc, pen);
        MoveToEx(dc, edge.from.x, edge.from.y, nullptr);
        LineTo(dc, edge.corner.x, edge.corner.y);
        LineTo(dc, edge.to.x, edge.to.y);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    const POINT triangle[] = {{at(6), at(4)}, {at(6), at(12)}, {at(10), at(8)}};
    const HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    const HPEN greenPen = CreatePen(PS_SOLID, 1, RGB(0, 128, 0));
    const HGDIOBJ oldBrush = SelectObject(dc, green);
    const HGDIOBJ oldPen = SelectObject(dc, greenPen);
    Polygon(dc, triangle, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(green);
    DeleteObject(greenPen);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return picture;
}

void TfrmZKconfig::OnInit() {
    SetWindowTextW(hwnd_, FromUtf8(kCaption).c_str());
    // Laid out smaller than the screen's scale where that would not fit its
    // work area: the OK and Cancel row must stay on the screen.
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    dpi_ = static_cast<UINT>(FittingDpi(
        static_cast<int>(dpi_), WorkAreaNear(owner_ != nullptr ? owner_ : hwnd_), [&](int dpi) {
            RECT frame{0, 0, Scaled(kClientWidth, static_cast<UINT>(dpi)),
                       Scaled(kClientHeight, static_cast<UINT>(dpi))};
            AdjustWindowRectEx(&frame, style, FALSE, exStyle);
            return OuterSize{frame.right - frame.left, frame.bottom - frame.top};
        }));
    if (fontDpi_ != dpi_) {
        DeleteObject(font_);
        DeleteObject(playPicture_);
        font_ = CreateProportionalFont(Px(12));
        playPicture_ = CreatePlayPicture(Px(16));
        fontDpi_ = dpi_;
    }
    SetWindowPos(hwnd_, nullptr, Px(kLeft), Px(kTop), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetClientSize(hwnd_, Px(kClientWidth), Px(kClientHeight));
    BuildControls();
    SetFontOfAll(hwnd_, font_);
    CopyIn();
    dialog_->FormShow();
}

void TfrmZKconfig::BuildControls() {
    AddControl(L"STATIC", FromUtf8(kAdapterLabel), SS_NOPREFIX, kAdapterLabelRect.left,
               kAdapterLabelRect.top, kAdapterLabelRect.width, kAdapterLabelRect.height, -1);
    // The height is the open list's; the closed box takes the font's height.
    constexpr int kOpenListHeight = 200;
    const HWND adapters =
        AddControl(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kAdapterBox.left,
                   kAdapterBox.top, kAdapterBox.width, kOpenListHeight, cboAdapter);
    SendMessageW(adapters, CB_SETITEMHEIGHT, 0, Px(12));
    // Windows names adapters by a GUID path, which makes entries long: the open
    // list is as wide as its longest entry, so that each one reads whole.
    int widest = 0;
    const HDC dc = GetDC(adapters);
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    for (const AdapterChoice& choice : dialog_->Adapters()) {
        const std::wstring label = FromSystem(choice.label);
        SendMessageW(adapters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
        SIZE extent{};
        GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    SelectObject(dc, oldFont);
    ReleaseDC(adapters, dc);
    const int workWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    SendMessageW(adapters, CB_SETDROPPEDWIDTH,
                 std::min(widest + GetSystemMetrics(SM_CXVSCROLL) + Px(8), workWidth), 0);
    AddControl(L"BUTTON", FromUtf8(kSoundEnabledCaption), BS_AUTOCHECKBOX | WS_TABSTOP,
               kSoundEnabledRect.left, kSoundEnabledRect.top, kSoundEnabledRect.width,
               kSoundEnabledRect.height, chkSoundEnabled);
    // A static picture with click notification: it takes no focus, so the edit
    // box the user was in stays the one whose file the click plays.
    const HWND test =
        AddControl(L"STATIC", L"", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY,
                   kGroupLeft + kTestButton.left, kGroupTop + kTestButton.top, kTestButton.width,
                   kTestButton.height, btnTestServerMessage, WS_EX_STATICEDGE);
    SendMessageW(test, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(playPicture_));
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        const ConfigDialogRow& row = kConfigDialogRows[i];
        AddControl(L"BUTTON", FromUtf8(row.caption), BS_AUTOCHECKBOX | WS_TABSTOP,
                   kGroupLeft + kRowCheckLeft, kGroupTop + row.top, kGroupWidth - kRowCheckLeft - 4,
                   kCheckHeight, kRowCheckBase + i);
        AddControl(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, kGroupLeft + kRowEditLeft,
                   kGroupTop + row.top + kRowEditOffset, kRowEditWidth, kRowEditHeight,
                   kRowEditBase + i, WS_EX_CLIENTEDGE);
    }
    AddControl(L"BUTTON", FromUtf8(kOkCaption), BS_DEFPUSHBUTTON | WS_TABSTOP, kOkButton.left,
               kOkButton.top, kOkButton.width, kOkButton.height, IDOK);
    AddControl(L"BUTTON", FromUtf8(kCancelCaption), BS_PUSHBUTTON | WS_TABSTOP, kCancelButton.left,
               kCancelButton.top, kCancelButton.width, kCancelButton.height, IDCANCEL);
    // The captionless group box, as an etched frame (a themed group box paints
    // its whole inside). Made last, it lies below every other control in the
    // order, so that the check box on its top line and the rows in it show.
    AddControl(L"STATIC", L"", SS_ETCHEDFRAME, kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight,
               grpSound);
}

void TfrmZKconfig::CopyIn() {
    const ConfigDialogValues& shown = dialog_->Shown();
    SendDlgItemMessageW(hwnd_, cboAdapter, CB_SETCURSEL, static_cast<WPARAM>(shown.adapterIndex),
                        0);
    CheckDlgButton(hwnd_, chkSoundEnabled, shown.soundEnabled ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        CheckDlgButton(hwnd_, kRowCheckBase + i,
                       shown.rows[i].Enabled ? BST_CHECKED : BST_UNCHECKED);
        shownText_[i] = ShowSoundPath(GetDlgItem(hwnd_, kRowEditBase + i), shown.rows[i].Sound);
    }
}

ConfigDialogValues TfrmZKconfig::CopyOut() const {
    ConfigDialogValues values;
    const LRESULT selected = SendDlgItemMessageW(hwnd_, cboAdapter, CB_GETCURSEL, 0, 0);
    values.adapterIndex = selected == CB_ERR ? -1 : static_cast<int>(selected);
    values.soundEnabled = IsDlgButtonChecked(hwnd_, chkSoundEnabled) == BST_CHECKED;
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        values.rows[i].Enabled = IsDlgButtonChecked(hwnd_, kRowCheckBase + i) == BST_CHECKED;
        values.rows[i].Sound = SoundPathIn(GetDlgItem(hwnd_, kRowEditBase + i), shownText_[i],
                                           dialog_->Shown().rows[i].Sound);
    }
    return values;
}

bool TfrmZKconfig::OnCommand(WORD id, WORD code, HWND) {
    if (EndCommand(id)) {
        return true;
    }
    switch (id) {
        case btnTestServerMessage:
            if (code == STN_CLICKED) {
                btnTestServerMessageClick();
                return true;
            }
            return false;
        default:
            return false;
    }
}

void TfrmZKconfig::btnTestServerMessageClick() {
    std::string path;
    const HWND focus = GetFocus();
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        const HWND edit = GetDlgItem(hwnd_, kRowEditBase + i);
        if (focus == edit) {
            path = SoundPathIn(edit, shownText_[i], dialog_->Shown().rows[i].Sound);
        }
    }
    dialog_->TestSound(path);
}

}  // namespace kestro::win32
