#include "win32/reminders_dialog.h"

#include <commctrl.h>

#include "settings/settings_file.h"
#include "win32/config_dialog.h"
#include "win32/placement.h"
#include "win32/text.h"

namespace kestro::win32 {

namespace {

using namespace reminders_layout;

}  // namespace

void TfrmZKreminders::OnInit() {
    SetWindowTextW(hwnd_, FromUtf8(kCaption).c_str());
    SetProgramIcon(hwnd_);
    if (font_ == nullptr) {
        font_ = CreateProportionalFont(Px(12));
        playPicture_ = CreatePlayPicture(Px(16));
    }
    SetClientSize(hwnd_, Px(kClientWidth), Px(kClientHeight));
    for (int i = 0; i < kReminderCount; ++i) {
        const int top = kRowTops[static_cast<std::size_t>(i)];
        AddControl(L"BUTTON", FromUtf8(RemindersDialog::RowCaption(i)),
                   BS_AUTOCHECKBOX | WS_TABSTOP, kCheckLeft, top, kCheckWidth, kRowHeight,
                   kCheckBase + i);
        AddControl(L"EDIT", L"", ES_NUMBER | ES_RIGHT | WS_TABSTOP, kLeadLeft, top, kLeadWidth,
                   kRowHeight, kLeadBase + i, WS_EX_CLIENTEDGE);
        // The arrows take the edit box just made as their buddy and keep to the range.
        const HWND arrows = AddControl(
            UPDOWN_CLASSW, L"",
            UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
            0, 0, 0, -1);
        SendMessageW(arrows, UDM_SETRANGE32, kReminderLeadMin, kReminderLeadMax);
        AddControl(L"STATIC", FromUtf8(kLeadUnit), SS_NOPREFIX | SS_CENTERIMAGE, kUnitLeft, top,
                   kSoundLeft - kUnitLeft - 2, kRowHeight, -1);
        AddControl(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, kSoundLeft, top, kSoundWidth,
                   kRowHeight, kSoundBase + i, WS_EX_CLIENTEDGE);
        // A button drawn as the settings dialog's picture: each row's plays its
        // own box, so it may take the focus, and Tab reaches it.
        AddControl(L"BUTTON", L"", BS_OWNERDRAW | WS_TABSTOP, kTestLeft,
                   top + (kRowHeight - kTestSize) / 2, kTestSize, kTestSize, kTestBase + i,
                   WS_EX_STATICEDGE);
        if (RemindersDialog::HasNoTicketSwitch(i)) {
            AddControl(L"BUTTON", FromUtf8(kNoTicketCaption), BS_AUTOCHECKBOX | WS_TABSTOP,
                       kNoTicketLeft, top + kRowHeight + 4, kNoTicketWidth, kRowHeight,
                       kNoTicketBase + i);
        }
    }
    AddControl(L"BUTTON", FromUtf8(kNotifyRemindersCaption), BS_AUTOCHECKBOX | WS_TABSTOP,
               kNotifyEventBoxes[0].left, kNotifyRemindersTop, kNotifyEventBoxes[0].width,
               kRowHeight, kNotifyReminders);
    for (int i = 0; i < kNotifiedEventCount; ++i) {
        const NotifyBox& place = kNotifyEventBoxes[static_cast<std::size_t>(i)];
        AddControl(L"BUTTON", FromUtf8(RemindersDialog::NotifyEventCaption(i)),
                   BS_AUTOCHECKBOX | WS_TABSTOP, place.left, place.top, place.width, kRowHeight,
                   kNotifyEventBase + i);
    }
    AddControl(L"BUTTON", FromUtf8(kOkCaption), BS_DEFPUSHBUTTON | WS_TABSTOP, kOkLeft, kButtonTop,
               kButtonWidth, kButtonHeight, IDOK);
    AddControl(L"BUTTON", FromUtf8(kCancelCaption), BS_PUSHBUTTON | WS_TABSTOP, kCancelLeft,
               kButtonTop, kButtonWidth, kButtonHeight, IDCANCEL);
    // Made last, it lies below the switches in it, which then show.
    AddControl(L"BUTTON", FromUtf8(kNotifyCaption), BS_GROUPBOX, kNotifyLeft, kNotifyTop,
               kNotifyWidth, kNotifyHeight, kNotifyGroup);
    SetFontOfAll(hwnd_, font_);
    CopyIn();
    dialog_->FormShow();
}

void TfrmZKreminders::CopyIn() {
    const RemindersDialogValues& shown = dialog_->Shown();
    for (int i = 0; i < kReminderCount; ++i) {
        const ReminderSetting& row = shown.rows[static_cast<std::size_t>(i)];
        CheckDlgButton(hwnd_, kCheckBase + i, row.Enabled ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemInt(hwnd_, kLeadBase + i, static_cast<UINT>(row.LeadSeconds), FALSE);
        shownText_[static_cast<std::size_t>(i)] =
            ShowSoundPath(GetDlgItem(hwnd_, kSoundBase + i), row.Sound);
        if (RemindersDialog::HasNoTicketSwitch(i)) {
            CheckDlgButton(hwnd_, kNoTicketBase + i,
                           row.NoTicketOnly ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    const NotificationSettings& notify = shown.notifications;
    CheckDlgButton(hwnd_, kNotifyReminders, notify.Reminders ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < kNotifiedEventCount; ++i) {
        CheckDlgButton(hwnd_, kNotifyEventBase + i,
                       notify.Events[static_cast<std::size_t>(i)] ? BST_CHECKED : BST_UNCHECKED);
    }
}

std::string TfrmZKreminders::PathIn(int row) const {
    return SoundPathIn(GetDlgItem(hwnd_, kSoundBase + row),
                       shownText_[static_cast<std::size_t>(row)],
                       dialog_->Shown().rows[static_cast<std::size_t>(row)].Sound);
}

RemindersDialogValues TfrmZKreminders::CopyOut() const {
    RemindersDialogValues values;
    for (int i = 0; i < kReminderCount; ++i) {
        ReminderSetting& row = values.rows[static_cast<std::size_t>(i)];
        row.Enabled = IsDlgButtonChecked(hwnd_, kCheckBase + i) == BST_CHECKED;
        // An emptied box reads as 0, which the dialog brings up to the shortest lead.
        row.LeadSeconds = static_cast<int32_t>(GetDlgItemInt(hwnd_, kLeadBase + i, nullptr, FALSE));
        row.Sound = PathIn(i);
        row.NoTicketOnly = RemindersDialog::HasNoTicketSwitch(i) &&
                           IsDlgButtonChecked(hwnd_, kNoTicketBase + i) == BST_CHECKED;
    }
    values.notifications.Reminders = IsDlgButtonChecked(hwnd_, kNotifyReminders) == BST_CHECKED;
    for (int i = 0; i < kNotifiedEventCount; ++i) {
        values.notifications.Events[static_cast<std::size_t>(i)] =
            IsDlgButtonChecked(hwnd_, kNotifyEventBase + i) == BST_CHECKED;
    }
    return values;
}

bool TfrmZKreminders::OnCommand(WORD id, WORD code, HWND) {
    if (EndCommand(id)) {
        return true;
    }
    if (id >= kTestBase && id < kTestBase + kReminderCount && code == BN_CLICKED) {
        dialog_->TestSound(PathIn(id - kTestBase));
        return true;
    }
    return false;
}

bool TfrmZKreminders::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    if (message != WM_DRAWITEM || wParam < kTestBase || wParam >= kTestBase + kReminderCount) {
        return false;
    }
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    BITMAP picture{};
    GetObjectW(playPicture_, sizeof picture, &picture);
    // Centred as the picture control centres it; pressed, it sinks by a pixel.
    const int pressed = (item.itemState & ODS_SELECTED) != 0 ? 1 : 0;
    const int left = (item.rcItem.right - item.rcItem.left - picture.bmWidth) / 2 + pressed;
    const int top = (item.rcItem.bottom - item.rcItem.top - picture.bmHeight) / 2 + pressed;
    const HDC memory = CreateCompatibleDC(item.hDC);
    const HGDIOBJ old = SelectObject(memory, playPicture_);
    BitBlt(item.hDC, left, top, picture.bmWidth, picture.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -1, -1);
        DrawFocusRect(item.hDC, &focus);
    }
    *result = TRUE;
    return true;
}

}  // namespace kestro::win32
