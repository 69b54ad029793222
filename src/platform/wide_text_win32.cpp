#include "platform/wide_text_win32.h"

#include <windows.h>

namespace kestro::platform {
namespace {

bool Widen(UINT codePage, DWORD flags, std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) {
        return true;
    }
    const int length = MultiByteToWideChar(codePage, flags, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return true;
}

}  // namespace

std::wstring WidePath(std::string_view path) {
    std::wstring wide;
    if (!Widen(CP_UTF8, MB_ERR_INVALID_CHARS, path, wide)) {
        Widen(CP_ACP, 0, path, wide);
    }
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

}  // namespace kestro::platform
