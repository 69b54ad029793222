#include "win32/text.h"

#include <algorithm>

namespace kestro::win32 {

namespace {

std::wstring Widen(UINT codePage, DWORD flags, std::string_view text, bool* ok = nullptr) {
    if (ok != nullptr) {
        *ok = true;
    }
    if (text.empty()) {
        return {};
    }
    const int length = MultiByteToWideChar(codePage, flags, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        if (ok != nullptr) {
            *ok = false;
        }
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

}  // namespace

std::wstring FromUtf8(std::string_view utf8) {
    return Widen(CP_UTF8, 0, utf8);
}

std::wstring FromCp932(std::string_view cp932) {
    return Widen(932, 0, cp932);
}

std::wstring FromSystem(std::string_view text) {
    bool ok = false;
    std::wstring wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text, &ok);
    return ok ? wide : Widen(CP_ACP, 0, text);
}

std::string ToUtf8(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

}  // namespace kestro::win32
