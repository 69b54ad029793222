// What tests need from the system that POSIX and Windows spell differently.
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace kestro::test_support {

// A new, empty folder under the system's temporary folder (mkdtemp is POSIX
// only); empty when none could be made.
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
    std::random_device random;
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && !ec; ++attempt) {
        const std::filesystem::path path = base / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(path, ec)) {
            return path;
        }
    }
    return {};
}

// Sets (or with nullptr removes) an environment variable, and re-reads TZ.
inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");
    _tzset();
#else
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
    tzset();
#endif
}

}  // namespace kestro::test_support
