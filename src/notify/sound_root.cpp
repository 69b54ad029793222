#include "notify/sound_root.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/process.h"

namespace kestro {

std::string KestroSoundRootFor(const std::string& exeDir) {
    std::error_code ec;
    const std::filesystem::path beside = platform::PathFromUtf8(exeDir) / "sounds";
    if (std::filesystem::is_directory(beside / "Media", ec)) {
        return platform::Utf8FromPath(beside);
    }
    const std::filesystem::path installed =
        (platform::PathFromUtf8(exeDir) / KESTRO_SOUND_ROOT_FROM_BINDIR).lexically_normal();
    if (std::filesystem::is_directory(installed / "Media", ec)) {
        return platform::Utf8FromPath(installed);
    }
    return KESTRO_INSTALLED_SOUND_ROOT;
}

std::string KestroOwnSoundRoot() {
    const std::string exe = platform::ExecutablePath();
    return KestroSoundRootFor(
        exe.empty() ? std::string(".")
                    : platform::Utf8FromPath(platform::PathFromUtf8(exe).parent_path()));
}

std::string KestroSoundRoot() {
    if (const std::string system = platform::SystemRootFolder(); !system.empty()) {
        return system;
    }
    return KestroOwnSoundRoot();
}

}  // namespace kestro
