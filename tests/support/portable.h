// What tests need from the system that POSIX and Windows spell differently.
#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestro::test {

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

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        SetEnv(name, value);
    }
    ~ScopedEnv() { SetEnv(name_, old_ ? old_->c_str() : nullptr); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Whether TZ may hold a POSIX rule with the dates of its summer time. The C
// runtime of Windows takes only names and offsets from TZ and applies its own
// dates; Windows users' zones come from the system instead.
inline bool TzTakesPosixRules() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

// Whether this Windows program runs under Wine, whose wpcap.dll cannot read
// capture files (its file functions are stubs that end the process).
inline bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// The running test program's own file, asked of the system directly.
inline std::filesystem::path RunningExecutable() {
#ifdef _WIN32
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::string(path, length));
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

#ifndef _WIN32
// Descriptors this process holds: a capture must give back every one it took.
inline std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}
#endif

}  // namespace kestro::test
