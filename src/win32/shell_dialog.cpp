#include "win32/shell_dialog.h"

#include "win32/text.h"

namespace kestro::win32 {

std::string ShowSoundPath(HWND edit, const std::string& path) {
    SetWindowTextW(edit, FromSystem(path).c_str());
    // The file's name is what tells one sound from another: a long path shows
    // its end, the caret there, and the rest scrolls into view as it is edited.
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
    SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    return ToUtf8(WindowText(edit));
}

std::string SoundPathIn(HWND edit, const std::string& shown, const std::string& given) {
    const std::string text = ToUtf8(WindowText(edit));
    return text == shown ? given : text;
}

}  // namespace kestro::win32
