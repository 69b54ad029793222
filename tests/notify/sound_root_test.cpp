// Where the default sounds are looked for: beside the program in the build
// tree, in the data folder of the prefix the program is installed in.
#include "notify/sound_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_folder.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;

class SoundRootTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        fs::create_directories(root_ / "bin");
    }
    test::TempFolder folder_{"kestro-sounds-"};
    const fs::path& root_ = folder_.Path();
};

TEST_F(SoundRootTest, AnInstalledProgramFindsTheSoundsOfItsOwnPrefix) {
    fs::create_directories(root_ / "share/kestro/sounds/Media");
    EXPECT_EQ(KestroSoundRootFor((root_ / "bin").string()),
              (root_ / "share" / "kestro" / "sounds").string());
}

TEST_F(SoundRootTest, SoundsBesideTheProgramComeFirst) {
    fs::create_directories(root_ / "share/kestro/sounds/Media");
    fs::create_directories(root_ / "bin/sounds/Media");
    EXPECT_EQ(KestroSoundRootFor((root_ / "bin").string()), (root_ / "bin" / "sounds").string());
}

TEST_F(SoundRootTest, WithoutEitherTheConfiguredPrefixIsNamed) {
    // A folder named sounds without Media is not the sounds' folder.
    fs::create_directories(root_ / "bin/sounds");
    const std::string found = KestroSoundRootFor((root_ / "bin").string());
    EXPECT_EQ(found.find(root_.string()), std::string::npos) << found;
    EXPECT_TRUE(found.ends_with("/kestro/sounds")) << found;
}

#ifdef _WIN32
TEST(SoundRootWindowsTest, IsTheWindirFolder) {
    const char* windir = std::getenv("windir");
    ASSERT_NE(windir, nullptr);
    EXPECT_EQ(KestroSoundRoot(), windir);
}
#endif

}  // namespace
}  // namespace kestro
