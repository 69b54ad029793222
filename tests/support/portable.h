// What tests need from the system that POSIX and Windows spell differently.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestro::test {

#ifdef _WIN32
inline std::wstring WideFromUtf8(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    return wide;
}
inline std::string Utf8FromWide(const std::wstring& wide) {
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                            static_cast<int>(utf8.size()), nullptr, nullptr)));
    return utf8;
}
#endif

// Sets (or with nullptr removes) an environment variable, and re-reads TZ. The
// value is UTF-8: on Windows it may name a folder outside the ANSI code page.
inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
    _wputenv_s(WideFromUtf8(name).c_str(), WideFromUtf8(value != nullptr ? value : "").c_str());
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
#ifdef _WIN32
        if (const wchar_t* old = _wgetenv(WideFromUtf8(name).c_str())) {
            old_ = Utf8FromWide(old);
        }
#else
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
#endif
        SetEnv(name, value);
    }
    ~ScopedEnv() {
        SetEnv(name_, old_ ? old_->c_str() : nullptr);
    }

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
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length));
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

// Runs `program` with one argument and gives back what it wrote on standard
// output; the program's path may name a folder of any name.
inline std::string RunProgram(const std::filesystem::path& program, const std::string& argument) {
#ifdef _WIN32
    const std::wstring command =
        L"\"\"" + program.wstring() + L"\" \"" + WideFromUtf8(argument) + L"\"\"";
    std::FILE* pipe = _wpopen(command.c_str(), L"rb");
#else
    const std::string command = "'" + program.string() + "' '" + argument + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
#endif
    std::string output;
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
#ifdef _WIN32
    _pclose(pipe);
#else
    pclose(pipe);
#endif
    return output;
}

// A folder that not even root can add files to (tests run as root, whom
// permission bits do not stop): chattr +i, removed again at the end. Under Wine
// chattr runs as the Unix program it is, in the folder. ok() is
// false where that is not permitted (a container without the capability).
class ImmutableFolder {
public:
    // An empty path locks nothing.
    explicit ImmutableFolder(const std::string& utf8Path) : path_(Utf8PathOf(utf8Path)) {
        if (path_.empty()) {
            return;
        }
        std::filesystem::create_directories(path_);
        ok_ = Chattr("+i");
        if (ok_) {
            // Proof, not trust: no new file may appear (Wine gives no exit status of
            // a Unix program).
            const std::filesystem::path probe = path_ / "kestro-probe";
            std::FILE* file = nullptr;
#ifdef _WIN32
            file = _wfopen(probe.c_str(), L"wb");
#else
            file = std::fopen(probe.c_str(), "wb");
#endif
            if (file != nullptr) {
                std::fclose(file);
                std::filesystem::remove(probe);
                Chattr("-i");
                ok_ = false;
            }
        }
    }
    ~ImmutableFolder() {
        if (ok_) {
            Chattr("-i");
        }
    }
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    bool ok() const {
        return ok_;
    }

private:
    static std::filesystem::path Utf8PathOf(const std::string& utf8) {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    }
    bool Chattr(const char* flag) const {
#ifdef _WIN32
        // Run in the folder itself: its name is then no argument that the command
        // line would have to carry into the Unix program's code page.
        std::wstring command = L"/usr/bin/chattr " + WideFromUtf8(flag) + L" .";
        STARTUPINFOW start{};
        start.cb = sizeof start;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            path_.c_str(), &start, &process)) {
            return false;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
#else
        const std::u8string name = path_.u8string();
        const std::string command = std::string("chattr ") + flag + " '" +
                                    std::string(name.begin(), name.end()) + "' 2>/dev/null";
        return std::system(command.c_str()) == 0;
#endif
    }

    std::filesystem::path path_;
    bool ok_ = false;
};

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
