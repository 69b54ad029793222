// Game texts travel as CP932 (Shift-JIS) bytes and are compared byte for byte;
// these helpers convert them only where a person reads them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestro {

// Converts UTF-8 to CP932. Throws std::runtime_error when a character has no
// CP932 form: the literals of the program are fixed, so that is a build fault.
std::string Utf8ToCp932(std::string_view utf8);

// Converts UTF-8 to CP932 for texts that come from outside (a system message, a
// path): never fails, and each character without a CP932 form, or each byte that
// is not UTF-8, becomes "?", so that the rest of the message is kept.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// Converts CP932 to UTF-8 for display. Never fails: a byte that does not form a
// character (a lone lead byte, an unassigned code) becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

// Number of bytes taken by the first `chars` characters of a CP932 text, a
// double-byte character counting once; std::string_view::npos when the text
// has fewer characters.
std::size_t Cp932PrefixBytes(std::string_view cp932, std::size_t chars);

// True for the first byte of a CP932 double-byte character.
constexpr bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace kestro
