#include "common/cp932.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "platform/cp932_codec.h"

namespace kestro {
namespace {

// The length of the character that starts at `pos`: its UTF-8 sequence, or as
// much of it as is there, so that a broken sequence counts as one character and
// the bytes after it are kept.
std::size_t Utf8CharacterLength(std::string_view utf8, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xF4) {
        length = lead >= 0xF0 ? 4 : (lead >= 0xE0 ? 3 : 2);
    }
    std::size_t taken = 1;
    while (taken < length && pos + taken < utf8.size() &&
           (static_cast<unsigned char>(utf8[pos + taken]) & 0xC0) == 0x80) {
        ++taken;
    }
    return taken;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
    std::optional<std::string> cp932 = platform::EncodeCp932(utf8);
    if (!cp932) {
        throw std::runtime_error("text has no CP932 form: " + std::string(utf8));
    }
    return std::move(*cp932);
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
    if (std::optional<std::string> whole = platform::EncodeCp932(utf8)) {
        return std::move(*whole);
    }
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t length = Utf8CharacterLength(utf8, pos);
        const std::optional<std::string> one = platform::EncodeCp932(utf8.substr(pos, length));
        out += one ? *one : std::string("?");
        pos += length;
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    // Plain ASCII is the common case (map names, digits, packet trace lines).
    for (unsigned char c : cp932) {
        if (c >= 0x80) {
            return platform::DecodeCp932(cp932);
        }
    }
    return std::string(cp932);
}

std::size_t Cp932PrefixBytes(std::string_view cp932, std::size_t chars) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < chars; ++n) {
        if (pos >= cp932.size()) {
            return std::string_view::npos;
        }
        pos += IsCp932LeadByte(static_cast<unsigned char>(cp932[pos])) ? 2 : 1;
    }
    return pos <= cp932.size() ? pos : std::string_view::npos;
}

}  // namespace kestro
