// Text between our 8-bit strings and the wide strings of the Win32 API.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kestro::win32 {

// UTF-8 (panel texts, captions) or CP932 (game and log texts) to UTF-16.
std::wstring FromUtf8(std::string_view utf8);
std::wstring FromCp932(std::string_view cp932);
// A text from the system (adapter descriptions): UTF-8 when it is valid UTF-8,
// otherwise the ANSI code page.
std::wstring FromSystem(std::string_view text);
std::string ToUtf8(std::wstring_view wide);

// The whole text of a window.
std::wstring WindowText(HWND window);

}  // namespace kestro::win32
