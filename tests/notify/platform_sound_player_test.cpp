// Real playback through ALSA: the test's HOME holds an .asoundrc whose default
// device is a "file" PCM, so the bytes the player sends end up in a file.
#include "notify/platform_sound_player.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "notify/sound_root.h"
#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;

const std::string kMedia = std::string(KESTRO_BINARY_DIR) + "/src/app/sounds/Media";

class PlatformSoundPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        home_ = new test::TempFolder("kestro-alsa-");
        ASSERT_TRUE(home_->Ok());
        std::ofstream rc(home_->Path() / ".asoundrc");
        rc << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \""
           << (home_->Path() / "played.raw").string() << "\"\n  format \"raw\"\n}\n";
        rc.close();
        // ALSA reads its configuration at the first open in the process.
        setenv("HOME", home_->Path().c_str(), 1);
    }
    static void TearDownTestSuite() { delete home_; }
    void SetUp() override { fs::remove(Played()); }

    static fs::path Played() { return home_->Path() / "played.raw"; }

    static std::vector<char> ReadPlayed() {
        std::ifstream in(Played(), std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    }

    // The file's samples as 16-bit little-endian bytes, decoded independently.
    static std::vector<char> Decoded(const std::string& path) {
        SF_INFO info{};
        SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
        EXPECT_NE(f, nullptr) << path;
        if (!f) {
            return {};
        }
        std::vector<short> samples(static_cast<size_t>(info.frames * info.channels));
        sf_readf_short(f, samples.data(), info.frames);
        sf_close(f);
        std::vector<char> bytes;
        for (short s : samples) {
            bytes.push_back(static_cast<char>(s & 0xFF));
            bytes.push_back(static_cast<char>((s >> 8) & 0xFF));
        }
        return bytes;
    }

    static test::TempFolder* home_;
};

test::TempFolder* PlatformSoundPlayerTest::home_ = nullptr;

TEST_F(PlatformSoundPlayerTest, PlaysEveryDecodedSampleOfADefaultSound) {
    for (const char* name : {"ding.wav", "tada.wav"}) {
        SCOPED_TRACE(name);
        fs::remove(Played());
        PlatformSoundPlayer player;
        const std::string path = kMedia + "/" + name;
        player.Play(path);
        const std::vector<char> played = ReadPlayed();
        const std::vector<char> expected = Decoded(path);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(played.size(), expected.size());
        EXPECT_TRUE(played == expected);
    }
}

// The reminders' defaults are Kestro's own sounds, found where the event
// sounds are, each one its own and none like an event's.
TEST_F(PlatformSoundPlayerTest, EachReminderDefaultPlaysASoundOfItsOwn) {
    Settings settings;
    const std::string root = KESTRO_BINARY_DIR "/src/app/sounds";
    LoadSettings((home_->Path() / "absent.ini").string(), root, settings, root);
    std::vector<std::vector<char>> heard;
    for (const char* name : {"notify.wav", "ding.wav", "chimes.wav", "tada.wav", "ringout.wav"}) {
        heard.push_back(Decoded(kMedia + "/" + name));
    }
    std::set<std::string> paths;
    for (const ReminderSetting& reminder : settings.Reminders) {
        if (!paths.insert(reminder.Sound).second) {
            continue;  // both races share the moment's sound
        }
        SCOPED_TRACE(reminder.Sound);
        fs::remove(Played());
        PlatformSoundPlayer player;
        player.Play(reminder.Sound);
        const std::vector<char> played = ReadPlayed();
        ASSERT_FALSE(played.empty());
        for (const std::vector<char>& other : heard) {
            EXPECT_FALSE(played == other);
        }
        heard.push_back(played);
    }
    EXPECT_EQ(paths.size(), 3u);
}

TEST_F(PlatformSoundPlayerTest, BackslashesInAPathAreFolderSeparators) {
    PlatformSoundPlayer player;
    std::string windowsStyle = kMedia + "\\notify.wav";
    player.Play(windowsStyle);
    EXPECT_EQ(ReadPlayed(), Decoded(kMedia + "/notify.wav"));
}

// An installation saves its default sounds relative to its sound folder; moved
// to another prefix, it finds and plays them from there.
TEST_F(PlatformSoundPlayerTest, AMovedInstallStillPlaysItsDefaultSounds) {
    const fs::path oldPrefix = home_->Path() / "old";
    const fs::path newPrefix = home_->Path() / "new";
    fs::create_directories(oldPrefix / "bin");
    fs::create_directories(oldPrefix / "share/kestro/sounds");
    fs::copy(kMedia, oldPrefix / "share/kestro/sounds/Media");
    const std::string ini = (home_->Path() / "kestro.ini").string();

    Settings settings;
    const std::string oldRoot = KestroSoundRootFor((oldPrefix / "bin").string());
    LoadSettings(ini, oldRoot, settings);
    ASSERT_TRUE(SaveSettings(ini, WithSystemRootCollapsed(settings, oldRoot), nullptr));
    fs::rename(oldPrefix, newPrefix);

    LoadSettings(ini, KestroSoundRootFor((newPrefix / "bin").string()), settings);
    PlatformSoundPlayer player;
    player.Play(settings.Sound(SoundEvent::ResultWin).Sound);
    const std::vector<char> played = ReadPlayed();
    EXPECT_FALSE(played.empty()) << settings.Sound(SoundEvent::ResultWin).Sound;
    EXPECT_TRUE(played == Decoded(kMedia + "/tada.wav"));
    fs::remove_all(newPrefix);
    fs::remove(ini);
}

TEST_F(PlatformSoundPlayerTest, WhatCannotBePlayedWritesNothingAndReturns) {
    const fs::path notWav = home_->Path() / "not-a-sound.wav";
    std::ofstream(notWav) << "plain text, not a sound\n";
    PlatformSoundPlayer player;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {std::string(), std::string("/nonexistent/x.wav"),
                                    notWav.string(), home_->Path().string()}) {
        SCOPED_TRACE(path);
        player.Play(path);
        EXPECT_FALSE(fs::exists(Played()) && fs::file_size(Played()) > 0);
    }
    // Generous: the point is that nothing waits for a device or a time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace kestro
