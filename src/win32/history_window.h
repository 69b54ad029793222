// The history window in Win32: the shell's history page drawn as the Qt face
// draws it, the two races side by side with their figures and bars, the
// Doubles pairs in columns, the latest results in a list that scrolls, and
// the switch that keeps results. It fits a 1024x768 screen with room to spare.
// Closing it only hides it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "shell/history_page.h"
#include "win32/ui.h"

namespace kestro::win32 {

class TfrmZKhistory final : public HidingWindow {
public:
    // keepChanged, restoreChanged: a switch was set by the user.
    TfrmZKhistory(std::function<void(bool)> keepChanged, std::function<void(bool)> restoreChanged);
    ~TfrmZKhistory() override;
    TfrmZKhistory(const TfrmZKhistory&) = delete;
    TfrmZKhistory& operator=(const TfrmZKhistory&) = delete;

    // Copies the page in and redraws; shows nothing by itself, so that an open
    // window can be brought up to date without being raised.
    void ShowPage(const HistoryPage& page);
    // Shows the window and brings it to the front; the first time beside
    // `mainWindow`, later where the user left it.
    void Present(HWND mainWindow);

    HWND FileLine() const { return labFile_; }
    // The figures, bars and note, painted from the page.
    HWND Figures() const { return panFigures_; }
    HWND Latest() const { return lstLatest_; }
    HWND KeepSwitch() const { return chkKeep_; }
    HWND RestoreSwitch() const { return chkRestore_; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    static LRESULT CALLBACK FiguresProcedure(HWND, UINT, WPARAM, LPARAM);
    void LayOut(int width, int height);
    void PaintFigures(HDC dc, int width);
    int Px(int designPixels) const;

    std::function<void(bool)> keepChanged_;
    std::function<void(bool)> restoreChanged_;
    HistoryPage page_;
    HWND labFile_ = nullptr;
    HWND panFigures_ = nullptr;
    HWND labLatest_ = nullptr;
    HWND lstLatest_ = nullptr;
    HWND chkKeep_ = nullptr;
    HWND chkRestore_ = nullptr;
    HFONT font_ = nullptr;
    HFONT bold_ = nullptr;
    HFONT fixed_ = nullptr;
    UINT dpi_ = 96;
    bool placed_ = false;
    HWND focus_ = nullptr;  // the control that had the focus when the window lost it
};

}  // namespace kestro::win32
