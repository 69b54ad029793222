// The compact form in Win32: a borderless tool window of the compact lines,
// moved by dragging it, with the main window's popup menu on a right click.
// Clicks pass through it when asked: a layered window with the transparent
// extended style is skipped by the window system's hit test.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "shell/compact_form.h"

namespace kestro::win32 {

class TfrmZKcompact final : public CompactFormView {
public:
    // What the window passes to its owner: a right click at a screen point, its
    // close, and a key pressed while it has the keyboard.
    struct Owner {
        std::function<void(POINT at)> contextMenu;
        std::function<void()> closed;
        std::function<void(WPARAM key)> keyDown;
    };
    explicit TfrmZKcompact(Owner owner);
    ~TfrmZKcompact() override;
    TfrmZKcompact(const TfrmZKcompact&) = delete;
    TfrmZKcompact& operator=(const TfrmZKcompact&) = delete;

    HWND Handle() const { return hwnd_; }
    // The two lines as drawn.
    const std::array<std::wstring, 2>& Lines() const { return lines_; }

    // CompactFormView
    void ShowLines(const std::array<std::string, 2>& lines) override;
    void SetShown(bool shown) override;
    bool Shown() const override;
    void SetClickThrough(bool on) override;
    void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;
    int Dpi() const override { return static_cast<int>(dpi_); }

private:
    static LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    // The window sized to its lines at its DPI.
    void FitToLines();
    // The layered style while it is needed: for an opacity below full, or
    // for clicks to pass (the transparent style works only on a layered window).
    void ApplyExtendedStyle();

    Owner owner_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
    std::array<std::wstring, 2> lines_;
    bool clickThrough_ = false;
    int32_t opacity_ = 100;
};

}  // namespace kestro::win32
