// The Windows program's sound, played for real under Wine: PlaySoundA goes
// through Wine's ALSA driver, whose default device is an ALSA "file" PCM
// (ALSA_CONFIG_PATH, given by ctest: Wine's driver reads the Unix environment
// the program started with, not one changed at run time).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "notify/event_sounds.h"
#include "notify/platform_sound_player.h"
#include "notify/sound_root.h"
#include "settings/settings_file.h"
#include "support/portable.h"
#include "support/recorders.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;

struct Wav {
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t bits = 0;
    std::string data;
};

void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

uint32_t Get(const std::string& in, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<size_t>(i)]);
    }
    return value;
}

std::string Encode(const Wav& wav) {
    std::string out = "RIFF";
    Put(out, static_cast<uint32_t>(36 + wav.data.size()), 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);  // PCM
    Put(out, wav.channels, 2);
    Put(out, wav.rate, 4);
    Put(out, wav.rate * wav.channels * wav.bits / 8, 4);
    Put(out, static_cast<uint32_t>(wav.channels * wav.bits / 8), 2);
    Put(out, wav.bits, 2);
    out += "data";
    Put(out, static_cast<uint32_t>(wav.data.size()), 4);
    return out + wav.data;
}

// The format and samples of a RIFF WAVE file, chunk by chunk; none when it is not one.
std::optional<Wav> Decode(const std::string& file) {
    if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0 || file.compare(8, 4, "WAVE") != 0) {
        return std::nullopt;
    }
    Wav wav;
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= file.size();) {
        const std::string id = file.substr(at, 4);
        const size_t size = std::min<size_t>(Get(file, at + 4, 4), file.size() - at - 8);
        if (id == "fmt " && size >= 16) {
            wav.channels = static_cast<uint16_t>(Get(file, at + 10, 2));
            wav.rate = Get(file, at + 12, 4);
            wav.bits = static_cast<uint16_t>(Get(file, at + 22, 2));
            haveFormat = true;
        } else if (id == "data") {
            wav.data = file.substr(at + 8, size);
        }
        at += 8 + size + (size & 1);
    }
    return haveFormat ? std::optional<Wav>(wav) : std::nullopt;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A quarter second of a rising tone, 16-bit mono: no two stretches alike, so a
// shifted, cut or repeated playback does not compare equal.
Wav Sweep() {
    Wav wav{1, 22050, 16, {}};
    const double pi = std::acos(-1.0);
    double phase = 0;
    for (int i = 0; i < 5512; ++i) {
        phase += 2 * pi * (300.0 + 0.4 * i) / wav.rate;
        Put(wav.data,
            static_cast<uint16_t>(static_cast<int16_t>(std::lround(9000 * std::sin(phase)))), 2);
    }
    return wav;
}

// Wine's sound driver for this program: ALSA, not a sound server that is not
// running (Wine would wait seconds for it). Restores the prefix's own choice.
class WineAudioDriver {
public:
    explicit WineAudioDriver(const char* driver) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        char old[64] = {};
        DWORD size = sizeof old - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key_, "Audio", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ) {
            old_ = old;
        }
        RegSetValueExA(key_, "Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver),
                       static_cast<DWORD>(std::strlen(driver) + 1));
    }
    ~WineAudioDriver() {
        if (key_ == nullptr) {
            return;
        }
        if (old_) {
            RegSetValueExA(key_, "Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_->c_str()),
                           static_cast<DWORD>(old_->size() + 1));
        } else {
            RegDeleteValueA(key_, "Audio");
        }
        RegCloseKey(key_);
    }
    WineAudioDriver(const WineAudioDriver&) = delete;
    WineAudioDriver& operator=(const WineAudioDriver&) = delete;
    bool Set() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
    std::optional<std::string> old_;
};

// The race start's default sound, "%SystemRoot%\Media\chimes.wav", found through
// "windir" and played by the program's own event path: what the speaker gets is
// the file's samples, complete when the call returns; switched off, nothing.
// Also where the folder's name is outside the ANSI code page (Wine's is 1252).
TEST(WindowsSoundTest, TheDefaultEventFilePlaysIntoAlsa) {
    if (!test::RunningUnderWine()) {
        GTEST_SKIP() << "plays through Wine's ALSA driver; Windows has no ALSA";
    }
    if (std::getenv("ALSA_CONFIG_PATH") == nullptr) {
        GTEST_SKIP() << "needs the ALSA file sink that ctest configures (ALSA_CONFIG_PATH)";
    }
    const fs::path sink = KESTRO_ALSA_SINK;
    const WineAudioDriver alsa("alsa");
    ASSERT_TRUE(alsa.Set());
    for (const char* prefix : {"kestro-windir-", "kestro-windir-テスト-", "kestro-windir-Crème-",
                               "kestro-windir-한글-"}) {
        SCOPED_TRACE(prefix);
        const test::TempFolder folder{prefix};
        ASSERT_TRUE(folder.Ok());
        const std::string windir = test::Utf8String(folder.Path());
        const test::ScopedEnv windirEnv{"windir", windir.c_str()};
        fs::create_directories(folder.Path() / "Media");
        const Wav source = Sweep();
        std::ofstream(folder.Path() / "Media" / "chimes.wav", std::ios::binary) << Encode(source);

        Settings settings;
        LoadSettings(folder.Path("absent.ini"), KestroSoundRoot(), settings);
        EXPECT_EQ(settings.Sound(SoundEvent::RaceStart).Sound, windir + "\\Media\\chimes.wav");
        settings.SoundEnabled = true;
        SettableClock clock{test::At(12, 0, 0)};
        test::Recorder rec;
        test::RecordingLogView view{rec};
        Log log{clock, view};
        PlatformSoundPlayer player;
        EventSounds sounds{settings, log, player};

        for (const bool on : {false, true}) {
            SCOPED_TRACE(on ? "switched on" : "switched off");
            settings.Sound(SoundEvent::RaceStart).Enabled = on;
            fs::remove(sink);
            sounds.PlayEventSound(kSingles, race_status::SRacing, 0, "hugel.gat",
                                  TicketVerdict::NoTicket);
            if (!on) {
                EXPECT_FALSE(fs::exists(sink));
                continue;
            }
            const std::optional<Wav> played = Decode(ReadFile(sink));
            ASSERT_TRUE(played.has_value()) << sink.string();
            EXPECT_EQ(played->rate, source.rate);
            EXPECT_EQ(played->channels, source.channels);
            EXPECT_EQ(played->bits, source.bits);
            // Wine's driver may end on a period of silence (10 ms) after the samples.
            ASSERT_GE(played->data.size(), source.data.size());
            EXPECT_TRUE(played->data.compare(0, source.data.size(), source.data) == 0);
            EXPECT_EQ(played->data.find_first_not_of('\0', source.data.size()), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace kestro
