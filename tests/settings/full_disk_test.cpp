// A save onto a full disk: the new file cannot be written whole, so the old
// one stays as it was and nothing half-written is left beside it; a history
// row cut short is made whole once there is room. The disk is
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

#include "history/race_history.h"
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

// A 1 MiB disk on `folder`, seen by this process alone; false with errno set.
bool MountSmallDisk(const std::string& folder) {
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("kestro-full", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
}

TEST(FullDiskTest, ASaveThatCannotBeWrittenWholeLeavesTheOldFile) {
    const test::TempFolder folder("kestro-full-");
    ASSERT_TRUE(folder.Ok());
    if (!MountSmallDisk(folder.Path().string())) {
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

// A result appended to the history on a full disk: part of its row may reach
// the file before the disk refuses the rest. Once there is room again, the
// retry ends that part's line and writes the row only where it is not whole
// already: each row once, none glued to another. Each row of the table
// leaves that much room in the file's last block.
TEST(FullDiskTest, AHistoryRowCutShortIsWrittenOnceWhenThereIsRoomAgain) {
    const std::string row1 = "2009-03-27,21:06:00,単勝,4,,4,,hit";
    const RaceRecord second{
        EncodeDateTime(2009, 3, 27, 21, 17, 0), kSingles, '2', '0', '0', '0', Verdict::NoTicket};
    const std::string row2 = FormatHistoryRow(second);
    struct Case {
        const char* name;
        std::size_t room;  // bytes left in the history file's last block
    };
    const Case cases[] = {
        {"part of the row", 10},
        {"the row without its line end", row2.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempFolder folder("kestro-full-");
        ASSERT_TRUE(folder.Ok());
        if (!MountSmallDisk(folder.Path().string())) {
            GTEST_SKIP() << "cannot mount a tmpfs of the test's own: " << std::strerror(errno);
        }
        const std::string path = folder.Path("kestro-history.csv");
        // Blank lines, which reading passes over, bring the file to the room asked for.
        std::string bytes = "\xEF\xBB\xBF" + std::string(kHistoryHeader) + "\r\n" + row1 + "\r\n";
        constexpr std::size_t kBlock = 4096;
        while ((bytes.size() + c.room) % kBlock != 0) {
            bytes += (kBlock - (bytes.size() + c.room) % kBlock) >= 2 ? "\r\n" : "\n";
        }
        test::WriteFileBytes(path, bytes);
        RaceHistory history;
        ASSERT_TRUE(history.Open(path, true).usable.Succeeded());
        ASSERT_TRUE(FillUp(folder.Path("filler")));

        const Result added = history.Add(second);

        EXPECT_FALSE(added);
        EXPECT_NE(added.Reason().find("No space left on device"), std::string::npos)
            << added.Reason();
        EXPECT_EQ(test::ReadFileBytes(path).size(), bytes.size() + c.room);  // cut short
        std::filesystem::remove(folder.Path("filler"));
        EXPECT_TRUE(history.Retry());
        RaceHistory again;
        const HistoryLoad load = again.Open(path, true);
        ASSERT_EQ(load.records.size(), 2u);
        EXPECT_EQ(FormatHistoryRow(load.records[1]), row2);
        // Once in the file, at its end, with its line end.
        const std::string after = test::ReadFileBytes(path);
        EXPECT_EQ(after.find(row2), after.size() - row2.size() - 2) << after.substr(bytes.size());
        EXPECT_EQ(after.substr(after.size() - 2), "\r\n");
        umount2(folder.Path().c_str(), MNT_DETACH);
    }
}

}  // namespace
}  // namespace kestro
