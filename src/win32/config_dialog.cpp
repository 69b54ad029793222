#include "win32/config_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "settings/settings_file.h"
#include "settings/vu_ini_mng.h"
#include "win32/placement.h"
#include "win32/text.h"

namespace kestro::win32 {

namespace {

using namespace config_layout;

std::string AnsiText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

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

}  // namespace

TfrmZKconfig::TfrmZKconfig(ErrorBox errorBox) : errorBox_(std::move(errorBox)) {}

TfrmZKconfig::~TfrmZKconfig() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
    if (playPicture_ != nullptr) {
        DeleteObject(playPicture_);
    }
}

bool TfrmZKconfig::RunSettingsDialog(HWND owner, Settings& settings, SoundPlayer& player,
                                     const std::function<void()>& applyAdapter) {
    adapters_ = adapterSource_ ? adapterSource_() : std::vector<AdapterChoice>();
    // The list is read afresh: the chosen adapter may have moved in it since.
    std::vector<std::string> names;
    for (const AdapterChoice& choice : adapters_) {
        names.push_back(choice.name);
    }
    const int32_t index = ChosenAdapterIndex(settings, names);
    shown_.adapterIndex =
        index >= 0 && static_cast<std::size_t>(index) < adapters_.size() ? index : -1;
    shown_.soundEnabled = settings.SoundEnabled;
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        shown_.rows[i] = settings.Sound(kConfigDialogRows[i].event);
    }

    player_ = &player;
    const INT_PTR result = RunModal(owner);
    player_ = nullptr;
    if (result != IDOK) {
        return false;
    }

    // The adapter first: capture moves before the sound settings change. Its
    // name is kept too, so that an adapter added later does not move the choice.
    const int32_t chosen = confirmed_.adapterIndex;
    settings.AdapterIndex = chosen;
    settings.AdapterName = chosen >= 0 && static_cast<std::size_t>(chosen) < adapters_.size()
                               ? adapters_[static_cast<std::size_t>(chosen)].name
                               : std::string();
    if (applyAdapter) {
        applyAdapter();
    }
    settings.SoundEnabled = confirmed_.soundEnabled;
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        settings.Sound(kConfigDialogRows[i].event) = confirmed_.rows[i];
    }
    return true;
}

void TfrmZKconfig::OnInit() {
    SetWindowTextW(hwnd_, L"設定 - Kestro");
    if (font_ == nullptr) {
        font_ = CreateProportionalFont(Px(12));
        playPicture_ = CreatePlayPicture(Px(16));
    }
    SetWindowPos(hwnd_, nullptr, kLeft, kTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetClientSize(hwnd_, Px(kClientWidth), Px(kClientHeight));
    BuildControls();
    SetFontOfAll(hwnd_, font_);
    CopyIn();
    FormShow();
}

void TfrmZKconfig::BuildControls() {
    AddControl(L"STATIC", L"ﾈｯﾄﾜｰｸｲﾝﾀﾌｪｰｽ", SS_NOPREFIX, 4, 4, 96, 14, -1);
    const HWND adapters = AddControl(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                                     102, 0, 247, 200, cboAdapter);
    SendMessageW(adapters, CB_SETITEMHEIGHT, 0, Px(12));
    // Windows names adapters by a GUID path, which makes entries long: the open
    // list is as wide as its longest entry, so that each one reads whole.
    int widest = 0;
    const HDC dc = GetDC(adapters);
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    for (const AdapterChoice& choice : adapters_) {
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
    AddControl(L"BUTTON", L"イベント発生時に音を鳴らす", BS_AUTOCHECKBOX | WS_TABSTOP, 20, 24, 165,
               kCheckHeight, chkSoundEnabled);
    // A static picture with click notification: it takes no focus, so the edit
    // box the user was in stays the one whose file the click plays.
    const HWND test =
        AddControl(L"STATIC", L"", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, kGroupLeft + 304,
                   kGroupTop + 9, 20, 20, btnTestServerMessage, WS_EX_STATICEDGE);
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
    AddControl(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 180, 496, 75, 25, IDOK);
    AddControl(L"BUTTON", L"&Cancel", BS_PUSHBUTTON | WS_TABSTOP, 264, 496, 75, 25, IDCANCEL);
    // The captionless group box, as an etched frame (a themed group box paints
    // its whole inside). Made last, it lies below every other control in the
    // order, so that the check box on its top line and the rows in it show.
    AddControl(L"STATIC", L"", SS_ETCHEDFRAME, kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight,
               grpSound);
}

void TfrmZKconfig::CopyIn() {
    SendDlgItemMessageW(hwnd_, cboAdapter, CB_SETCURSEL, static_cast<WPARAM>(shown_.adapterIndex),
                        0);
    CheckDlgButton(hwnd_, chkSoundEnabled, shown_.soundEnabled ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        CheckDlgButton(hwnd_, kRowCheckBase + i,
                       shown_.rows[i].Enabled ? BST_CHECKED : BST_UNCHECKED);
        const HWND edit = GetDlgItem(hwnd_, kRowEditBase + i);
        SetWindowTextA(edit, shown_.rows[i].Sound.c_str());
        shownText_[i] = AnsiText(edit);
    }
}

TfrmZKconfig::Values TfrmZKconfig::CopyOut() const {
    Values values;
    const LRESULT selected = SendDlgItemMessageW(hwnd_, cboAdapter, CB_GETCURSEL, 0, 0);
    values.adapterIndex = selected == CB_ERR ? -1 : static_cast<int>(selected);
    values.soundEnabled = IsDlgButtonChecked(hwnd_, chkSoundEnabled) == BST_CHECKED;
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        values.rows[i].Enabled = IsDlgButtonChecked(hwnd_, kRowCheckBase + i) == BST_CHECKED;
        const std::string text = AnsiText(GetDlgItem(hwnd_, kRowEditBase + i));
        values.rows[i].Sound = text == shownText_[i] ? shown_.rows[i].Sound : text;
    }
    return values;
}

bool TfrmZKconfig::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
        case IDOK:
            confirmed_ = CopyOut();
            FormClose();
            End(IDOK);
            return true;
        case IDCANCEL:  // the Cancel button, Esc and the close box
            FormClose();
            End(IDCANCEL);
            return true;
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

void TfrmZKconfig::FormShow() {
    // Read afresh at every show: a hand edit of the file counts from the next opening.
    saveFormSize_ = ReadIniBool("Function", "SaveFormSize", true);
    if (saveFormSize_) {
        LoadFormPlacement(hwnd_, kSection, true);
        GrowClientTo(hwnd_, Px(kClientWidth), Px(kClientHeight));
    }
}

void TfrmZKconfig::FormClose() {
    if (player_ != nullptr) {
        player_->Play("");
    }
    const Result saved = saveFormSize_ ? SaveFormPlacement(hwnd_, kSection) : Result();
    if (saved) {
        return;
    }
    if (errorBox_) {
        errorBox_(saved.Message());
    } else {
        MessageBoxW(hwnd_, FromUtf8(saved.Message()).c_str(), L"Kestro", MB_OK | MB_ICONERROR);
    }
}

void TfrmZKconfig::btnTestServerMessageClick() {
    std::string path;
    const HWND focus = GetFocus();
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        const HWND edit = GetDlgItem(hwnd_, kRowEditBase + i);
        if (focus == edit) {
            const std::string text = AnsiText(edit);
            path = text == shownText_[i] ? shown_.rows[i].Sound : text;
        }
    }
    // Neither the master switch nor the row's own switch applies to a try-out.
    if (player_ != nullptr) {
        player_->Play(path);
    }
}

}  // namespace kestro::win32
