#include "win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/locale.h"
#include "settings/settings_file.h"
#include "shell/panel_layout.h"
#include "win32/log_window.h"
#include "win32/placement.h"
#include "win32/resources.h"
#include "win32/single_instance.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32 {

namespace {

using namespace main_layout;

constexpr wchar_t kMainClass[] = L"KestroMain";
constexpr wchar_t kPanelClass[] = L"KestroInfoPanel";
constexpr UINT_PTR kRealTimeTimer = 1;
// The capture thread's wake-up: run the calls waiting in the window's queue.
constexpr UINT kRunPendingCalls = WM_APP + 1;
constexpr UINT kLabelIdBase = 2000;
// No maximise box and no sizing frame: the window keeps its designed size.
constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

COLORREF ToColorRef(Rgb rgb) {
    return RGB(rgb.r, rgb.g, rgb.b);
}

void RegisterClasses(HINSTANCE instance) {
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    WNDCLASSEXW main{};
    main.cbSize = sizeof main;
    main.lpfnWndProc = DefWindowProcW;
    main.hInstance = instance;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    main.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    main.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0));
    main.lpszClassName = kMainClass;
    RegisterClassExW(&main);

    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = DefWindowProcW;
    panel.hInstance = instance;
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);
}

}  // namespace

TfrmZKmain::TfrmZKmain(ErrorBox errorBox, std::unique_ptr<SoundPlayer> player,
                       Desktop::AboutLink about)
    : errorBox_(std::move(errorBox)) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterClasses(instance);
    bringForward_ = RegisterWindowMessageW(kBringForwardMessage);
    hwnd_ = CreateWindowExW(0, kMainClass, FromUtf8(KestroShell::kCaption).c_str(), kMainStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr,
                            nullptr, instance, nullptr);
    if (hwnd_ == nullptr) {
        return;
    }
    // The procedure is set once the window is made: the creation messages need nothing of ours.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure));
    dpi_ = WindowDpi(hwnd_);
    desktop_ = std::make_unique<Desktop>(
        *this,
        TfrmZKcompact::Owner{[this](POINT at) { ShowPopupMenu(at, TPM_LEFTALIGN); },
                             [this] { shell_->CompactFormClose(); },
                             [this](WPARAM key) { KeyDown(key); }},
        std::move(about));
    shell_ = std::make_unique<KestroShell>(
        ShellFaces{*this, *this, *desktop_, &desktop_->Tray(), &desktop_->Notifications()},
        std::move(player));
    controlBrush_ = CreateSolidBrush(ToColorRef(kControlBackground));
    BuildControls();
    BuildPopupMenu();
    LayOut();
    shell_->FormCreate();
}

TfrmZKmain::~TfrmZKmain() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);  // runs FormDestroy
    }
    // The capture thread calls into this window; it must end while the window is whole.
    shell_.reset();
    desktop_.reset();
    if (popupMenu_ != nullptr) {
        DestroyMenu(popupMenu_);
    }
    DeleteFonts();
    if (controlBrush_ != nullptr) {
        DeleteObject(controlBrush_);
    }
}

void TfrmZKmain::DeleteFonts() {
    for (HFONT* font : {&labelFont_, &styleAFont_, &styleBFont_}) {
        if (*font != nullptr) {
            DeleteObject(*font);
            *font = nullptr;
        }
    }
    for (HFONT font : fittedFonts_) {
        DeleteObject(font);
    }
    fittedFonts_.clear();
}

// A stand-in face may be wider than the designed one; the design caption is the
// widest text a control shows, so narrow the face until it fits.
HFONT TfrmZKmain::FitToWidth(HDC dc, HFONT font, const std::wstring& widest, int width) {
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, widest.c_str(), static_cast<int>(widest.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    if (extent.cx <= width) {
        return font;
    }
    LOGFONTW narrower{};
    GetObjectW(font, sizeof narrower, &narrower);
    narrower.lfWidth = std::max<LONG>(1, metrics.tmAveCharWidth * width / extent.cx);
    const HFONT fitted = CreateFontIndirectW(&narrower);
    fittedFonts_.push_back(fitted);
    return fitted;
}

void TfrmZKmain::BuildControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    panInfomation_ =
        CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                        kClientWidth, kPanelHeight, hwnd_, nullptr, instance, nullptr);
    SetWindowLongPtrW(panInfomation_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(panInfomation_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PanelProcedure));

    UINT id = kLabelIdBase;
    for (const FixedLabel& design : kFixedLabels) {
        labels_.push_back(CreateWindowExW(
            0, L"STATIC", FromUtf8(design.caption).c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX,
            design.left, design.top, 1, 1, panInfomation_,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id++)), instance, nullptr));
    }
    for (const DisplayControl& design : kDisplayControls) {
        const UINT controlId = kControlIdBase + static_cast<UINT>(design.field);
        fields_[static_cast<int>(design.field)] = CreateWindowExW(
            0, L"STATIC", FromUtf8(design.designCaption).c_str(),
            WS_CHILD | WS_VISIBLE | SS_CENTER | SS_SUNKEN | SS_NOPREFIX, design.left, design.top,
            design.width, design.height, panInfomation_,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)), instance, nullptr);
    }
    statusBar_ =
        CreateWindowExW(0, STATUSCLASSNAMEW, L"",
                        WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
                        kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight, hwnd_,
                        nullptr, instance, nullptr);
}

void TfrmZKmain::BuildPopupMenu() {
    popupMenu_ = CreatePopupMenu();
    for (const MenuRow& row : kPopupMenu) {
        if (row.separatorBefore) {
            AppendMenuW(popupMenu_, MF_SEPARATOR, 0, nullptr);
        }
        const std::wstring caption = FromUtf8(row.caption);
        if (!row.opacitySteps) {
            AppendMenuW(popupMenu_, MF_STRING, MenuCommand(row.item), caption.c_str());
            continue;
        }
        opacityMenu_ = CreatePopupMenu();
        for (std::size_t i = 0; i < kOpacitySteps.size(); ++i) {
            AppendMenuW(opacityMenu_, MF_STRING, kOpacityCommandBase + i,
                        FromUtf8(OpacityStepCaption(kOpacitySteps[i])).c_str());
            // One of the steps: its mark is a dot, as a choice among several is drawn.
            MENUITEMINFOW radio{};
            radio.cbSize = sizeof radio;
            radio.fMask = MIIM_FTYPE;
            radio.fType = MFT_STRING | MFT_RADIOCHECK;
            SetMenuItemInfoW(opacityMenu_, static_cast<UINT>(i), TRUE, &radio);
        }
        AppendMenuW(popupMenu_, MF_POPUP, reinterpret_cast<UINT_PTR>(opacityMenu_),
                    caption.c_str());
    }
}

void TfrmZKmain::LayOut() {
    const auto px = [this](int pixels) { return Scaled(pixels, dpi_); };
    DeleteFonts();
    labelFont_ = CreateProportionalFont(px(kLabelFontPixels));
    styleAFont_ = CreateFixedPitchFont(px(kStyleAFontPixels));
    styleBFont_ = CreateProportionalFont(px(kStyleBFontPixels));

    SetClientSize(hwnd_, px(kClientWidth), px(kClientHeight));
    MoveWindow(panInfomation_, 0, 0, px(kClientWidth), px(kPanelHeight), TRUE);

    // Labels size themselves to their caption, as auto-sized labels do.
    const HDC dc = GetDC(panInfomation_);
    const HGDIOBJ previous = SelectObject(dc, labelFont_);
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        const std::wstring caption = FromUtf8(kFixedLabels[i].caption);
        SIZE extent{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
        SendMessageW(labels_[i], WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_), FALSE);
        MoveWindow(labels_[i], px(kFixedLabels[i].left), px(kFixedLabels[i].top), extent.cx,
                   extent.cy, TRUE);
    }
    SelectObject(dc, previous);

    constexpr int kBorders = 2;
    for (const DisplayControl& design : kDisplayControls) {
        const HWND control = fields_[static_cast<int>(design.field)];
        const HFONT font = FitToWidth(dc, design.style == TextStyle::A ? styleAFont_ : styleBFont_,
                                      FromUtf8(design.designCaption), px(design.width - kBorders));
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        MoveWindow(control, px(design.left), px(design.top), px(design.width), px(design.height),
                   TRUE);
    }
    ReleaseDC(panInfomation_, dc);

    SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_), FALSE);
    MoveWindow(statusBar_, 0, px(kClientHeight - kStatusBarHeight), px(kClientWidth),
               px(kStatusBarHeight), TRUE);
    StatusBarResize();
}

void TfrmZKmain::StatusBarResize() {
    RECT bar{};
    GetClientRect(statusBar_, &bar);
    int rightEdges[2] = {bar.right - Scaled(kStatusPanel1Width, dpi_), -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
}

void TfrmZKmain::Show() {
    shell_->FormShow();
    // A run that starts in the compact form shows that in the window's place.
    if (CompactForm().Shown()) {
        return;
    }
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
}

std::wstring TfrmZKmain::StatusText(int panel) const {
    const auto length = LOWORD(SendMessageW(statusBar_, SB_GETTEXTLENGTHW, panel, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(statusBar_, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

// --- messages ------------------------------------------------------------------

LRESULT CALLBACK TfrmZKmain::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = reinterpret_cast<TfrmZKmain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT TfrmZKmain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (!shell_->FormCloseQuery()) {
                return 0;  // gone into the tray
            }
            shell_->FormClose();
            DestroyWindow(hwnd_);
            return 0;
        case WM_ENDSESSION:
            // Logging off ends the process once this returns, without a
            // WM_CLOSE: save now; a box could not be answered any more.
            if (wParam) {
                shell_->EndWithoutDisplay();
            }
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd_, kRealTimeTimer);
            Tray().Remove();
            shell_->FormDestroy();
            return 0;
        case WM_NCDESTROY: {
            const HWND window = hwnd_;
            {
                std::lock_guard lock(pendingMutex_);
                hwnd_ = nullptr;
                pending_.clear();
            }
            return DefWindowProcW(window, message, wParam, lParam);
        }
        case WM_TIMER:
            if (wParam == kRealTimeTimer) {
                shell_->RealTimeTimer();
            }
            return 0;
        case kRunPendingCalls:
            RunPendingCalls();
            return 0;
        case TrayIcon::kCallbackMessage:
            TrayIconMessage(LOWORD(lParam));
            return 0;
        case WM_CONTEXTMENU: {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (lParam == -1) {  // from the keyboard: at the window's top left
                at = {0, 0};
                ClientToScreen(hwnd_, &at);
            }
            TrackPopupMenu(popupMenu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_,
                           nullptr);
            return 0;
        }
        case WM_KEYDOWN:
            KeyDown(wParam);
            break;
        case WM_COMMAND:
            if (const UINT command = LOWORD(wParam) - kMenuCommandBase;
                command < kPopupMenu.size()) {
                shell_->PopupMenuClick(kPopupMenu[command].item);
                return 0;
            }
            if (const UINT step = LOWORD(wParam) - kOpacityCommandBase;
                step < kOpacitySteps.size()) {
                shell_->SetOpacity(kOpacitySteps[step]);
                return 0;
            }
            break;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut();
            return 0;
        }
        default:
            if (Tray().IsTaskbarCreated(message)) {
                Tray().TaskbarCreated();
                return 0;
            }
            if (message == bringForward_) {
                shell_->BringForward();
                return 0;
            }
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void TfrmZKmain::TrayIconMessage(UINT mouseMessage) {
    if (mouseMessage == WM_LBUTTONUP) {
        shell_->TrayIconClick();
    } else if (mouseMessage == WM_RBUTTONUP) {
        POINT at{};
        GetCursorPos(&at);
        ShowPopupMenu(at, TPM_RIGHTALIGN | TPM_BOTTOMALIGN);
    }
}

// Also for the tray and the compact form, whose windows are not this one.
void TfrmZKmain::ShowPopupMenu(POINT at, UINT align) {
    // Without being in front the menu would stay open when clicked away from.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(popupMenu_, align | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void TfrmZKmain::KeyDown(WPARAM key) {
    if (key == static_cast<WPARAM>(kCompactFormKey) && GetKeyState(VK_CONTROL) < 0) {
        shell_->PopupMenuClick(MenuItem::pmiCompactForm);
    }
}

LRESULT CALLBACK TfrmZKmain::PanelProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* self = reinterpret_cast<TfrmZKmain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        if (message == WM_CTLCOLORSTATIC) {
            return self->PanelColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        }
        if (message == WM_PAINT) {
            self->PaintPanel();
            return 0;
        }
    }
    // The right click on the panel reaches the window (DefWindowProc passes it up).
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TfrmZKmain::PanelColour(HDC dc, HWND control) {
    const auto id = static_cast<UINT>(GetDlgCtrlID(control));
    if (id >= kControlIdBase && id < kControlIdBase + kPanelFieldCount) {
        TextStyle style = TextStyle::B;
        for (const DisplayControl& design : kDisplayControls) {
            if (static_cast<UINT>(design.field) == id - kControlIdBase) {
                style = design.style;
            }
        }
        SetTextColor(dc, ToColorRef(style == TextStyle::A ? kStyleAColour : kStyleBColour));
        SetBkColor(dc, ToColorRef(kControlBackground));
        return reinterpret_cast<LRESULT>(controlBrush_);
    }
    SetTextColor(dc, ToColorRef(kLabelColour));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
}

void TfrmZKmain::PaintPanel() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(panInfomation_, &paint);
    const int thickness = std::max(1, Scaled(1, dpi_));
    const RECT line{Scaled(kSeparator.left, dpi_), Scaled(kSeparator.top, dpi_),
                    Scaled(kSeparator.left + kSeparator.length, dpi_),
                    Scaled(kSeparator.top, dpi_) + thickness};
    const HBRUSH grey = CreateSolidBrush(ToColorRef(kSeparatorColour));
    FillRect(dc, &line, grey);
    DeleteObject(grey);
    EndPaint(panInfomation_, &paint);
}

void TfrmZKmain::RunPendingCalls() {
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(pendingMutex_);
        calls.swap(pending_);
    }
    for (auto& call : calls) {
        call();
    }
}

// --- ShellView -------------------------------------------------------------------

void TfrmZKmain::SetStatusText(std::string_view cp932) {
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(FromCp932(cp932).c_str()));
}

void TfrmZKmain::AppendLogLine(std::string_view cp932Line) {
    desktop_->Log().AppendLine(FromCp932(cp932Line));
}

void TfrmZKmain::ClearLog() {
    desktop_->Log().Clear();
}

void TfrmZKmain::ShowPanel(const PanelTexts& texts) {
    for (int i = 0; i < kPanelFieldCount; ++i) {
        SetWindowTextW(fields_[i], FromUtf8(texts.fields[i]).c_str());
    }
    SendMessageW(statusBar_, SB_SETTEXTW, 1,
                 reinterpret_cast<LPARAM>(FromUtf8(texts.packetCount).c_str()));
}

std::string TfrmZKmain::ThousandsSeparator() const {
    return platform::ThousandsSeparator();
}

void TfrmZKmain::SetCaption(const std::string& caption) {
    SetWindowTextW(hwnd_, FromUtf8(caption).c_str());
}

void TfrmZKmain::ShowError(const std::string& text) {
    if (errorBox_) {
        errorBox_(text);
    } else {
        MessageBoxW(hwnd_, FromUtf8(text).c_str(), L"Kestro", MB_OK | MB_ICONERROR);
    }
}

void TfrmZKmain::SetTimer(bool enabled, int intervalMs) {
    if (enabled) {
        ::SetTimer(hwnd_, kRealTimeTimer, static_cast<UINT>(intervalMs), nullptr);
    } else {
        KillTimer(hwnd_, kRealTimeTimer);
    }
}

WindowPlacement TfrmZKmain::QueryPlacement() const {
    return QueryWindowPlacement(hwnd_);
}

void TfrmZKmain::ApplyPlacement(const WindowPlacement& placement) {
    ApplyWindowPlacement(hwnd_, placement);
}

std::vector<ScreenArea> TfrmZKmain::ScreenAreas() const {
    return MonitorWorkAreas();
}

void TfrmZKmain::ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) {
    ::CheckMenuItem(popupMenu_, MenuCommand(MenuItem::pmiStayOnTop),
                    MF_BYCOMMAND | (stayOnTop ? MF_CHECKED : MF_UNCHECKED));
    for (std::size_t i = 0; i < kOpacitySteps.size(); ++i) {
        ::CheckMenuItem(
            opacityMenu_, static_cast<UINT>(i),
            MF_BYPOSITION | (kOpacitySteps[i] == opacityPercent ? MF_CHECKED : MF_UNCHECKED));
    }
    SetWindowPos(hwnd_, stayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
    if (opacityPercent >= kOpacityMax) {
        // A layered window is drawn through a buffer of its own: an opaque one needs none.
        SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    } else {
        SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(opacityPercent * 255 / 100),
                                   LWA_ALPHA);
    }
}

void TfrmZKmain::Close() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

bool TfrmZKmain::OnScreen() const {
    return IsWindowVisible(hwnd_) && !IsIconic(hwnd_);
}

void TfrmZKmain::SetOnScreen(bool shown) {
    if (!shown) {
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void TfrmZKmain::CheckMenuItem(kestro::MenuItem item, bool checked) {
    ::CheckMenuItem(popupMenu_, MenuCommand(item),
                    MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TfrmZKmain::PostToMainThread(std::function<void()> call) {
    HWND window = nullptr;
    {
        std::lock_guard lock(pendingMutex_);
        window = hwnd_;
        if (window == nullptr) {
            return;  // the window is gone: the call is dropped
        }
        pending_.push_back(std::move(call));
    }
    PostMessageW(window, kRunPendingCalls, 0, 0);
}

}  // namespace kestro::win32
