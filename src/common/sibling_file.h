// Files kept beside the settings file share its stem, so that a second copy
// of the program with its own settings file keeps its own history and feed.
#pragma once

#include <string>
#include <string_view>

namespace kestro {

// "<stem of iniPath><suffix>" in the same folder ("C:\Kestro\kestro.ini" with
// "-history.csv" gives "C:\Kestro\kestro-history.csv"); empty for an empty path.
inline std::string FileBesideSettings(const std::string& iniPath, std::string_view suffix) {
    if (iniPath.empty()) {
        return {};
    }
    std::string stem = iniPath;
    const std::size_t slash = stem.find_last_of("/\\");
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        stem.erase(dot);
    }
    return stem + std::string(suffix);
}

}  // namespace kestro
