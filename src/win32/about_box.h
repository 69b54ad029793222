// The about box in Win32: the picture (the JPEG we ship, decoded by GDI+), the
// name, the author line, the web address that opens in the browser, and the
// credits.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "shell/about_box.h"
#include "win32/ui.h"

namespace kestro::win32 {

class TfrmZKabout final : public PixelDialog {
public:
    // The home page this build was configured with (KESTRO_HOMEPAGE_URL), or empty.
    static std::string ProjectUrl();
    enum ControlId : int { imgDorvik = 100, labTitle, labAuthor, labURL, memCredits };
    // How a web address is opened: (verb, file, working folder); ShellExecuteA by default.
    using Opener = std::function<void(const std::string& verb, const std::string& file,
                                      const std::string& folder)>;

    // projectUrl: the link's address; empty shows the version instead of a link.
    explicit TfrmZKabout(Opener opener = {}, std::string projectUrl = ProjectUrl());
    ~TfrmZKabout() override;

    // Centres the box on `owner` and runs it until OK, Enter, Esc or the close box.
    void RunModal(HWND owner) { PixelDialog::RunModal(owner); }
    // The decoded picture (null when the JPEG could not be decoded).
    HBITMAP Picture() const { return picture_; }
    void labURLClick();

private:
    void OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
    void CentreOnOwner();

    Opener opener_;
    AboutAddress address_;
    HBITMAP picture_ = nullptr;
    // The picture at the last showing's dots per inch, when not 96.
    HBITMAP scaledPicture_ = nullptr;
    HFONT font_ = nullptr;
    HFONT titleFont_ = nullptr;
    HFONT linkFont_ = nullptr;
};

// The JPEG of resource `id` in this program, decoded; null when it cannot be.
HBITMAP DecodeJpegResource(int id);

}  // namespace kestro::win32
