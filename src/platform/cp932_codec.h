// The system's converter between CP932 (Shift-JIS) and UTF-8; common/cp932.h
// builds the program's text helpers on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestro::platform {

// CP932 to UTF-8. A byte that does not form a character becomes U+FFFD; a lead
// byte with a byte after it takes that byte along, so one bad double-byte
// character gives one replacement.
std::string DecodeCp932(std::string_view cp932);

// UTF-8 to CP932; nullopt when the text is not UTF-8 or a character has no CP932
// form. Never a best-fit substitute: "～" (U+FF5E) is 0x8160.
std::optional<std::string> EncodeCp932(std::string_view utf8);

}  // namespace kestro::platform
