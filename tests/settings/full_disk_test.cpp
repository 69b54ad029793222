// A save onto a full disk: the new file cannot be written whole, so the old
// one stays as it was and nothing half-written is left beside it. The disk is
// a small tmpfs, mounted in a mount namespace of the test's own and filled up.
// Needs root; skips with the reason otherwise.
#include <sched.h>
#include <sys/mount.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/settings_file.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

// Writes until the file system refuses; returns whether it did refuse.
bool FillUp(const std::string& path) {
    std::ofstream filler(path, std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 1024 && filler; ++i) {  // at most 4 MiB, four times the disk
        filler.write(block.data(), static_cast<std::streamsize>(block.size()));
        filler.flush();
    }
    return !filler;
}

TEST(FullDiskTest, ASaveThatCannotBeWrittenWholeLeavesTheOldFile) {
    const test::TempFolder folder("kestro-full-");
    ASSERT_TRUE(folder.Ok());
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("kestro-full", folder.Path().c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs of the test's own: " << std::strerror(errno);
    }
    const std::string path = folder.Path("kestro.ini");
    const std::string old = "[Function]\nOpenCount=5\n; kept\n";
    test::WriteFileBytes(path, old);
    Settings settings;
    LoadSettings(path, "/usr/share/kestro/sounds", settings);
    test::WriteFileBytes(path, old);
    ASSERT_TRUE(FillUp(folder.Path("filler")));

    const Result saved = SaveSettings(path, settings, nullptr);

    EXPECT_FALSE(saved);
    EXPECT_NE(saved.Reason().find("No space left on device"), std::string::npos) << saved.Reason();
    EXPECT_EQ(test::ReadFileBytes(path), old);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_TRUE(entry.path() == path || entry.path().filename() == "filler") << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 2);
    umount2(folder.Path().c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace kestro
