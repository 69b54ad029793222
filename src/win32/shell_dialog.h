// What the Win32 faces of the shell's modal dialogs share (the settings
// dialog, the reminders window): the modal run for the shell's model, handing
// back what OK confirmed; the close through the model; placement by the
// shell's rules at a fixed size; the font and the test buttons' picture they
// are drawn with; and the sound paths in their edit boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/placement.h"
#include "win32/ui.h"

namespace kestro::win32 {

// Shows a sound path in an edit box, scrolled to the file's name, and returns
// what the box then reads (UTF-8, like every path inside).
std::string ShowSoundPath(HWND edit, const std::string& path);
// The path in the box: a box that still reads `shown` gives back the path it
// was given, also one in the ANSI bytes of an older settings file.
std::string SoundPathIn(HWND edit, const std::string& shown, const std::string& given);

template <class View, class Model, class Values>
class ShellDialog : public PixelDialog, public View {
public:
    ~ShellDialog() override {
        if (font_ != nullptr) {
            DeleteObject(font_);
        }
        if (playPicture_ != nullptr) {
            DeleteObject(playPicture_);
        }
    }

    // The window that owns the dialog while it runs.
    void SetOwner(HWND owner) { dialogOwner_ = owner; }

    bool RunModal(Model& dialog, Values& confirmed) override {
        dialog_ = &dialog;
        const INT_PTR result = PixelDialog::RunModal(dialogOwner_);
        dialog_ = nullptr;
        if (result != IDOK) {
            return false;
        }
        confirmed = confirmed_;
        return true;
    }
    WindowPlacement QueryPlacement() const override { return QueryWindowPlacement(hwnd_); }
    void ApplyPlacement(const WindowPlacement& placement) override {
        ApplyWindowPlacement(hwnd_, placement);
    }
    std::vector<ScreenArea> ScreenAreas() const override { return MonitorWorkAreas(); }
    bool Resizable() const override { return false; }
    int Dpi() const override { return static_cast<int>(dpi_); }

protected:
    // OK keeps what the controls hold; OK and IDCANCEL (the Cancel button, Esc
    // and the close box) end the dialog through the model's close. False for
    // any other command.
    bool EndCommand(WORD id) {
        if (id == IDOK) {
            confirmed_ = CopyOut();
        } else if (id != IDCANCEL) {
            return false;
        }
        dialog_->FormClose();
        End(id);
        return true;
    }
    virtual Values CopyOut() const = 0;

    // The dialog being drawn, while RunModal runs.
    Model* dialog_ = nullptr;
    HWND dialogOwner_ = nullptr;
    Values confirmed_;
    HFONT font_ = nullptr;
    HBITMAP playPicture_ = nullptr;
};

}  // namespace kestro::win32
