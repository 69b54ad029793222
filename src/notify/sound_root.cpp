#include "notify/sound_root.h"

#include <filesystem>
#include <system_error>

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
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return KestroSoundRootFor(ec ? std::string(".") : exe.parent_path().string());
}

}  // namespace kestro
