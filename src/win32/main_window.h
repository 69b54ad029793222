// The main window in Win32: the black race panel, the status bar with its two
// panels and the popup menu. It draws; the toolkit-free shell it owns does the
// rest. Window messages become the shell's events, and the shell's requests
// (ShellView) become Win32 calls.
#pragma once

#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "notify/sound_player.h"
#include "race/panel.h"
#include "shell/shell.h"
#include "win32/desktop.h"

namespace kestro::win32 {

class TfrmZKmain final : public ShellView, public StayVisibleView {
public:
    // A popup menu item's command: this + its MenuItem, so a new row of
    // kPopupMenu has its command without a list of its own here.
    static constexpr UINT kMenuCommandBase = 101;
    static constexpr UINT MenuCommand(MenuItem item) {
        return kMenuCommandBase + static_cast<UINT>(item);
    }
    // The submenu "不透明度": this + the step's index in kOpacitySteps.
    static constexpr UINT kOpacityCommandBase = 200;
    static constexpr UINT kControlIdBase = 1000;  // + PanelField
    // Shows an error to the user (UTF-8); tests plug in a recorder instead of a modal box.
    using ErrorBox = std::function<void(const std::string& text)>;

    // errorBox: empty gives a modal error box titled "Kestro". player: empty
    // gives the platform's WAV player. about: how the about box opens its link.
    // Creates the window (hidden) with the other windows (win32/desktop.h) and
    // runs FormCreate.
    explicit TfrmZKmain(ErrorBox errorBox = {}, std::unique_ptr<SoundPlayer> player = {},
                        Desktop::AboutLink about = {});
    ~TfrmZKmain() override;
    TfrmZKmain(const TfrmZKmain&) = delete;
    TfrmZKmain& operator=(const TfrmZKmain&) = delete;

    // Shows the window in its normal state, which runs FormShow.
    void Show();
    // False once the window is destroyed (the program's message loop ends then).
    bool Alive() const { return hwnd_ != nullptr; }

    HWND Handle() const { return hwnd_; }
    HWND InfoPanel() const { return panInfomation_; }
    HWND Field(PanelField field) const { return fields_[static_cast<int>(field)]; }
    HWND StatusBar() const { return statusBar_; }
    HMENU PopupMenu() const { return popupMenu_; }
    // Every other window, the tray icon and the balloons.
    Desktop& Windows() { return *desktop_; }
    // The icon in the notification area, made with the window; also what
    // shows balloons.
    TrayIcon& Tray() { return desktop_->Tray(); }
    HMENU OpacityMenu() const { return opacityMenu_; }
    // The compact form, made with this window.
    TfrmZKcompact& CompactForm() { return desktop_->CompactForm(); }
    // Null until the history item was first chosen.
    TfrmZKhistory* HistoryWindow() const { return desktop_->HistoryWindow(); }
    std::wstring StatusText(int panel) const;
    KestroShell& Shell() { return *shell_; }

    // Panel 0 of the status bar takes the width that panel 1 leaves.
    void StatusBarResize();

    // ShellView
    void SetStatusText(std::string_view cp932) override;
    void AppendLogLine(std::string_view cp932Line) override;
    void ClearLog() override;
    void ShowPanel(const PanelTexts& texts) override;
    std::string ThousandsSeparator() const override;
    void SetCaption(const std::string& caption) override;
    void ShowError(const std::string& text) override;
    void SetTimer(bool enabled, int intervalMs) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;
    bool Resizable() const override { return false; }
    int Dpi() const override { return static_cast<int>(dpi_); }
    void Close() override;
    bool OnScreen() const override;
    void SetOnScreen(bool shown) override;
    void CheckMenuItem(kestro::MenuItem item, bool checked) override;
    void PostToMainThread(std::function<void()> call) override;
    // StayVisibleView
    void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) override;

private:
    static LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PanelProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT PanelColour(HDC dc, HWND control);
    void PaintPanel();
    void BuildControls();
    void BuildPopupMenu();
    // Places every control and makes the faces for the window's DPI.
    void LayOut();
    void DeleteFonts();
    // `font`, or a narrower twin when `widest` would not fit in `width` pixels.
    HFONT FitToWidth(HDC dc, HFONT font, const std::wstring& widest, int width);
    void RunPendingCalls();
    void TrayIconMessage(UINT mouseMessage);
    // Ctrl and kCompactFormKey switch the compact form, from either window.
    void KeyDown(WPARAM key);
    void ShowPopupMenu(POINT at, UINT align);

    ErrorBox errorBox_;
    // Made once the window is, before the shell, which is handed its parts;
    // gone after the shell.
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<KestroShell> shell_;
    HWND hwnd_ = nullptr;
    // A second start's "come forward" (single_instance.h).
    UINT bringForward_ = 0;
    HWND panInfomation_ = nullptr;
    HWND statusBar_ = nullptr;
    std::array<HWND, kPanelFieldCount> fields_{};
    std::vector<HWND> labels_;
    HMENU popupMenu_ = nullptr;
    // Owned by popupMenu_, destroyed with it.
    HMENU opacityMenu_ = nullptr;
    UINT dpi_ = 96;
    HFONT labelFont_ = nullptr;
    HFONT styleAFont_ = nullptr;
    HFONT styleBFont_ = nullptr;
    // Narrowed faces of controls whose design caption would not fit otherwise.
    std::vector<HFONT> fittedFonts_;
    HBRUSH controlBrush_ = nullptr;

    // Calls from other threads, run by the window's message loop.
    std::mutex pendingMutex_;
    std::deque<std::function<void()>> pending_;
};

}  // namespace kestro::win32
