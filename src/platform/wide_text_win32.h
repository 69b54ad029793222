// The seam between the program's 8-bit paths and the wide calls of Windows.
// Inside the program a path is UTF-8; an A call would pass it through the ANSI
// code page, which cannot name a folder called テスト on a Western system (nor a
// Korean one on a Japanese system), so every call that names a file is a W call.
#pragma once

#include <string>
#include <string_view>

namespace kestro::platform {

// A path as the W calls take it: UTF-8 when the bytes are UTF-8; otherwise the
// ANSI code page, in which settings files written before paths were UTF-8 hold
// their sound paths.
std::wstring WidePath(std::string_view path);

// A wide text from the system (a path, a message) as UTF-8.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace kestro::platform
