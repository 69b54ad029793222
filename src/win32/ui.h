// What the Win32 windows share: their faces, the scale for the screen's dots
// per inch, and a modal dialog laid out in pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kestro::win32 {

// Dots per inch of the screen the window is on (96 when unknown).
UINT WindowDpi(HWND window);
// A design length in pixels at 96 dots per inch, scaled to `dpi`.
inline int Scaled(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), 96);
}

// The Japanese system faces at a character height in pixels.
HFONT CreateProportionalFont(int pixels, bool bold = false, bool underline = false);
HFONT CreateFixedPitchFont(int pixels);

// Moves a window so that its client area is `width` x `height` at its place.
void SetClientSize(HWND window, int width, int height);
// A window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// A copy of `picture` stretched to `width` x `height`, smoothly; the caller
// deletes it. Null when it cannot be made.
HBITMAP StretchedCopy(HBITMAP picture, int width, int height);

// Sets the font of `window` and of every child of it.
void SetFontOfAll(HWND window, HFONT font);

// Gives a window the program's icon: large for Alt+Tab, small for its caption
// and the task bar. A class of its own would otherwise show the system's.
void SetProgramIcon(HWND window);

// Marks a window that is not a dialog but holds controls: its keys go through
// the dialog manager, so that Tab and Shift+Tab move between its WS_TABSTOP
// controls and Space presses the one that has the focus.
void TakeDialogKeys(HWND window);
// For the message loop, before TranslateMessage: true when `message` was a key
// of a marked window and has been handled as a dialog's.
bool TranslateDialogKeys(MSG& message);

// A window of its own that lives as long as the program: closing it only hides
// it. Its class's procedure is Procedure and it is made with the object as the
// creation parameter (static_cast<HidingWindow*>(this)); every message but the
// close reaches OnMessage, and the object forgets its handle once the window is gone.
class HidingWindow {
public:
    virtual ~HidingWindow() = default;
    HWND Handle() const { return hwnd_; }

protected:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    // DefWindowProcW's answer for what it does not handle itself.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    HWND hwnd_ = nullptr;
};

// A modal dialog whose controls are made in code at pixel positions, run by
// the system's dialog manager, so that Enter presses the default button (IDOK),
// Esc means IDCANCEL and Tab moves between the controls.
class PixelDialog {
public:
    virtual ~PixelDialog() = default;
    // Runs until the dialog ends; its result (IDOK, IDCANCEL, or -1 when the
    // dialog could not be made).
    INT_PTR RunModal(HWND owner);
    HWND Handle() const { return hwnd_; }

protected:
    // Make the controls and size the window here; the window is still hidden.
    virtual void OnInit() = 0;
    // A command from a control or a key; true when handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control) = 0;
    // Any other message; true when handled, with *result the dialog procedure's result.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR* /*result*/) { return false; }

    HWND AddControl(const wchar_t* className, const std::wstring& text, DWORD style, int left,
                    int top, int width, int height, int id, DWORD exStyle = 0);
    void End(INT_PTR result) { EndDialog(hwnd_, result); }
    int Px(int designPixels) const { return Scaled(designPixels, dpi_); }

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    UINT dpi_ = 96;

private:
    static INT_PTR CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
};

}  // namespace kestro::win32
