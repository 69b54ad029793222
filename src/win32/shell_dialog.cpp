#include "win32/shell_dialog.h"

#include "win32/text.h"

namespace kestro::win32 {

std::string ShowSoundPath(HWND edit, const std::string& path) {
    SetWindowTextW(edit, FromSystem(path).c_str());
    return ToUtf8(WindowText(edit));
}

std::string SoundPathIn(HWND edit, const std::string& shown, const std::string& given) {
    const std::string text = ToUtf8(WindowText(edit));
    return text == shown ? given : text;
}

}  // namespace kestro::win32
