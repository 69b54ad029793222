#include "platform/sound.h"

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <memory>
#include <vector>

namespace kestro::platform {
namespace {

// ALSA reports every failure through this handler; a player that must stay
// silent on a machine without sound should not print either.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct PcmCloser {
    void operator()(snd_pcm_t* p) const { snd_pcm_close(p); }
};

}  // namespace

std::string NativeSoundPath(const std::string& path) {
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    return native;
}

void PlaySoundFile(const std::string& path, const std::atomic<bool>& stop) {
    if (path.empty()) {
        return;  // the silence call: nothing of ours is playing, since playback is synchronous
    }
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.samplerate <= 0) {
        return;
    }

    snd_lib_error_set_handler(QuietAlsaErrors);
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        return;
    }
    std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    // Soft resampling on, half a second of latency: short event sounds need
    // no tighter timing, and a larger buffer survives a busy machine.
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(info.channels),
                           static_cast<unsigned>(info.samplerate), 1, 500000) < 0) {
        return;
    }

    constexpr sf_count_t kFramesPerChunk = 4096;
    std::vector<short> buffer(static_cast<size_t>(kFramesPerChunk * info.channels));
    while (!stop.load()) {
        const sf_count_t frames = sf_readf_short(file.get(), buffer.data(), kFramesPerChunk);
        if (frames <= 0) {
            break;
        }
        const short* cursor = buffer.data();
        snd_pcm_uframes_t left = static_cast<snd_pcm_uframes_t>(frames);
        while (left > 0 && !stop.load()) {
            snd_pcm_sframes_t written = snd_pcm_writei(pcm.get(), cursor, left);
            if (written < 0) {
                // An underrun or a suspended device: recover once, give up on anything else.
                if (snd_pcm_recover(pcm.get(), static_cast<int>(written), 1) < 0) {
                    return;
                }
                continue;
            }
            cursor += written * info.channels;
            left -= static_cast<snd_pcm_uframes_t>(written);
        }
    }
    if (stop.load()) {
        snd_pcm_drop(pcm.get());
    } else {
        snd_pcm_drain(pcm.get());
    }
}

}  // namespace kestro::platform
