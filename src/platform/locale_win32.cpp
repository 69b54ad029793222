#include <windows.h>

#include "platform/locale.h"

namespace kestro::platform {

std::string ThousandsSeparator(const wchar_t* localeName) {
    // The length includes the terminating null; at most four by the API's
    // contract, but asked rather than assumed.
    const int withNull = GetLocaleInfoEx(localeName, LOCALE_STHOUSAND, nullptr, 0);
    if (withNull <= 1) {
        return std::string();
    }
    std::wstring wide(static_cast<std::size_t>(withNull), L'\0');
    if (GetLocaleInfoEx(localeName, LOCALE_STHOUSAND, wide.data(), withNull) != withNull) {
        return std::string();
    }
    wide.resize(static_cast<std::size_t>(withNull - 1));
    const int wideLength = static_cast<int>(wide.size());
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return std::string();
    }
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string ThousandsSeparator() {
    return ThousandsSeparator(LOCALE_NAME_USER_DEFAULT);
}

}  // namespace kestro::platform
