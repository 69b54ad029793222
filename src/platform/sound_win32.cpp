#include "platform/sound.h"

// <windows.h> declares what <mmsystem.h> needs.
#include <windows.h>

#include <mmsystem.h>

#include "platform/files.h"
#include "platform/wide_text_win32.h"

namespace kestro::platform {

std::string NativeSoundPath(const std::string& path) {
    return path;
}

void PlaySoundFile(const std::string& path, const std::atomic<bool>&) {
    if (path.empty()) {
        PlaySoundW(nullptr, nullptr, SND_FILENAME);
        return;
    }
    // The file is read here and played from memory: some PlaySound versions
    // (Wine's among them) pass a wide name through the ANSI code page, and a
    // sound in a folder named テスト on a Western system would not play.
    std::string bytes;
    if (ReadWholeFile(path, bytes) && !bytes.empty() &&
        PlaySoundW(reinterpret_cast<LPCWSTR>(bytes.data()), nullptr, SND_MEMORY | SND_NODEFAULT)) {
        return;
    }
    // Absent, unreadable or no sound: the system's own call decides, with its
    // search for a bare name and its default sound.
    PlaySoundW(WidePath(path).c_str(), nullptr, SND_FILENAME);
}

}  // namespace kestro::platform
