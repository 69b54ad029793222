#include "platform/process.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace kestro::platform {

std::string ExecutablePath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string RunInstead(const std::string& path, char** argv) {
    execv(path.c_str(), argv);
    return std::strerror(errno);
}

std::string_view PathSeparators() {
    return "/";
}

bool SettingsBesideProgramOnly() {
    return false;
}

std::string SystemRootFolder() {
    return {};
}

}  // namespace kestro::platform
