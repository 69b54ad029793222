#include "platform/cp932_codec.h"

#include <windows.h>

#include "common/cp932.h"

namespace kestro::platform {
namespace {

constexpr UINT kCp932 = 932;

// Strict: false when any byte of `in` does not form a character of `codePage`.
bool ToWide(UINT codePage, std::string_view in, std::wstring& out) {
    out.clear();
    if (in.empty()) {
        return true;
    }
    const int inLength = static_cast<int>(in.size());
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), inLength, nullptr, 0);
    if (n <= 0) {
        return false;
    }
    out.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), inLength, out.data(),
                               n) == n;
}

// Strict for code page 932: false when a character has no form there (no best fit).
bool FromWide(UINT codePage, std::wstring_view in, std::string& out) {
    out.clear();
    if (in.empty()) {
        return true;
    }
    const int inLength = static_cast<int>(in.size());
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int n = WideCharToMultiByte(codePage, flags, in.data(), inLength, nullptr, 0, nullptr,
                                      usedDefaultOut);
    if (n <= 0 || usedDefault) {
        return false;
    }
    out.resize(static_cast<std::size_t>(n));
    return WideCharToMultiByte(codePage, flags, in.data(), inLength, out.data(), n, nullptr,
                               usedDefaultOut) == n &&
           !usedDefault;
}

}  // namespace

std::optional<std::string> EncodeCp932(std::string_view utf8) {
    std::wstring wide;
    std::string out;
    if (!ToWide(CP_UTF8, utf8, wide) || !FromWide(kCp932, wide, out)) {
        return std::nullopt;
    }
    return out;
}

std::string DecodeCp932(std::string_view cp932) {
    std::wstring wide;
    std::string out;
    if (ToWide(kCp932, cp932, wide) && FromWide(CP_UTF8, wide, out)) {
        return out;
    }
    // The code-page call refuses a whole text for one bad byte, so a broken text
    // goes one character at a time to keep everything around the bad byte.
    out.clear();
    std::string piece;
    std::size_t pos = 0;
    while (pos < cp932.size()) {
        const bool pair =
            cp932.size() - pos >= 2 && IsCp932LeadByte(static_cast<unsigned char>(cp932[pos]));
        const std::size_t length = pair ? 2 : 1;
        if (ToWide(kCp932, cp932.substr(pos, length), wide) && FromWide(CP_UTF8, wide, piece)) {
            out += piece;
        } else {
            out += "\xEF\xBF\xBD";  // U+FFFD
        }
        pos += length;
    }
    return out;
}

}  // namespace kestro::platform
