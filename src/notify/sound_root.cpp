#include "notify/sound_root.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/process.h"

namespace kestro {

std::string KestroSoundRootFor(const std::string& exeDir) {
    std::error_code ec;
    const std::filesystem::path beside = std::filesystem::path(exeDir) / "sounds";
    if (std::filesystem::is_directory(beside / "Media", ec)) {
        return beside.string();
    }
    const std::filesystem::path installed =
        (std::filesystem::path(exeDir) / KESTRO_SOUND_ROOT_FROM_BINDIR).lexically_normal();
    if (std::filesystem::is_directory(installed / "Media", ec)) {
        return installed.string();
    }
    return KESTRO_INSTALLED_SOUND_ROOT;
}

std::string KestroSoundRoot() {
    if (const std::string system = platform::SystemRootFolder(); !system.empty()) {
        return system;
    }
    const std::string exe = platform::ExecutablePath();
    return KestroSoundRootFor(exe.empty() ? std::string(".")
                                          : std::filesystem::path(exe).parent_path().string());
}

}  // namespace kestro
