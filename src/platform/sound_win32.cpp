#include "platform/sound.h"

// <windows.h> declares what <mmsystem.h> needs.
#include <windows.h>

#include <mmsystem.h>

namespace kestro::platform {

std::string NativeSoundPath(const std::string& path) {
    return path;
}

void PlaySoundFile(const std::string& path, const std::atomic<bool>&) {
    PlaySoundA(path.empty() ? nullptr : path.c_str(), nullptr, SND_FILENAME);
}

}  // namespace kestro::platform
