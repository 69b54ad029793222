// The user's locale, for the numbers Kestro shows grouped (the packet count).
//
// Unlike the rest of this library, the Linux side reads the locale through
// QtCore, as the Qt windows do, so that the replay and the windows group
// digits alike; it is therefore its own small library, kestro_platform_locale,
// which only the programs that show the count link.
#pragma once

#include <string>

namespace kestro::platform {

// The thousands separator of the user's locale, in UTF-8; "" for none.
std::string ThousandsSeparator();

#ifdef _WIN32
// The same for a locale named as Windows names them ("de-DE"); "" for a name
// Windows does not know.
std::string ThousandsSeparator(const wchar_t* localeName);
#endif

}  // namespace kestro::platform
