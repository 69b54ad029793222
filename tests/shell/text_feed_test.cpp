// The text feed on real files: what it holds, that a reader never catches it
// half written, and that a refused write leaves the last whole text.
#include "shell/text_feed.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using test::ReadFileBytes;

TEST(TextFeedTest, FileBesideTheSettingsHoldsTheLinesAndIsWrittenOnlyWhenTheyChange) {
    const struct {
        const char* ini;
        const char* feed;
    } places[] = {
        {"/home/p/.config/kestro/kestro.ini", "/home/p/.config/kestro/kestro-feed.txt"},
        {"C:\\Kestro\\ZeroKestro.ini", "C:\\Kestro\\ZeroKestro-feed.txt"},
        {"C:\\my.folder\\kestro", "C:\\my.folder\\kestro-feed.txt"},
        {"", ""},
    };
    for (const auto& p : places) {
        EXPECT_EQ(TextFeedFileFor(p.ini), p.feed) << p.ini;
    }
    EXPECT_EQ(TextFeedFileBeside("/tmp/kestro-demo.1/kestro-history.csv"),
              "/tmp/kestro-demo.1/kestro-feed.txt");
    EXPECT_EQ(TextFeedFileBeside("C:\\Demo\\results.csv"), "C:\\Demo\\kestro-feed.txt");

    test::TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro-feed.txt");
    TextFeed feed(path);
    ASSERT_TRUE(feed.Clear()) << "nothing written yet: the file is left alone";
    EXPECT_FALSE(std::filesystem::exists(test::Utf8Path(path)));
    ASSERT_TRUE(feed.Write({"単勝 発走 2:14", "複勝 受付開始 7:40"}));
    EXPECT_EQ(ReadFileBytes(path), "単勝 発走 2:14\n複勝 受付開始 7:40\n");

    // The same lines again do not touch the file: a text written by hand stays.
    test::WriteFileBytes(path, "by hand");
    ASSERT_TRUE(feed.Write({"単勝 発走 2:14", "複勝 受付開始 7:40"}));
    EXPECT_EQ(ReadFileBytes(path), "by hand");
    ASSERT_TRUE(feed.Write({"単勝 発走 2:13", "複勝 受付開始 7:39"}));
    EXPECT_EQ(ReadFileBytes(path), "単勝 発走 2:13\n複勝 受付開始 7:39\n");
    ASSERT_TRUE(feed.Clear());
    EXPECT_EQ(ReadFileBytes(path), "");
}

// Another process reads the file whenever it likes: each read finds one whole
// text, never a part of one. (Where the system refuses to replace a file
// that is open, as Windows does, a write may fail; it never leaves less.)
TEST(TextFeedTest, AReaderNeverSeesAHalfWrittenFile) {
    test::TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro-feed.txt");
    TextFeed feed(path);
    // Long lines make a torn read likely if the file were written in place.
    const auto linesAt = [](int i) -> std::array<std::string, 2> {
        return {"単勝 発走 " + std::to_string(i) + std::string(4000, 'x'),
                "複勝 レース中 " + std::to_string(i) + std::string(4000, 'y')};
    };
    ASSERT_TRUE(feed.Write(linesAt(0)));
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::vector<std::string> torn;
    std::thread reader([&] {
        while (!done) {
            // A file the system would not open this instant is tried again, as a
            // text source does; what an open file holds must be whole.
            std::ifstream in(test::Utf8Path(path), std::ios::binary);
            if (!in) {
                continue;
            }
            const std::string text{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
            // Whole: exactly the text of one write, named by its number.
            const std::string lead = "単勝 発走 ";
            const bool whole = text.rfind(lead, 0) == 0 &&
                               text == TextFeedText(linesAt(std::atoi(text.c_str() + lead.size())));
            if (!whole && torn.size() < 3) {
                torn.push_back(text.substr(0, 40) + "... (" + std::to_string(text.size()) + ")");
            }
            ++reads;
        }
    });
    int written = 0;
    for (int i = 1; i <= 150; ++i) {
        written += feed.Write(linesAt(i)) ? 1 : 0;
    }
    done = true;
    reader.join();
    EXPECT_TRUE(torn.empty()) << torn.front();
    EXPECT_GT(written, 0);
    EXPECT_GT(reads.load(), 10) << "the reader ran alongside the writes";
}

TEST(TextFeedTest, ARefusedWriteSaysWhichFileAndKeepsTheLastWholeText) {
    test::TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.Path("kestro-feed.txt");
    TextFeed feed(path);
    ASSERT_TRUE(feed.Write({"単勝 発走 2:14", "複勝 状態不明"}));
    platform::files_testing::SetCommitForTesting([](const char*, const char*) {
        errno = EIO;
        return -1;
    });
    const Result refused = feed.Write({"単勝 発走 2:13", "複勝 状態不明"});
    platform::files_testing::SetCommitForTesting(nullptr);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Message(), path + " に書き込めません");
    EXPECT_FALSE(refused.Reason().empty());
    EXPECT_EQ(ReadFileBytes(path), "単勝 発走 2:14\n複勝 状態不明\n");
    // Tried again with the same lines, now that the file takes them.
    ASSERT_TRUE(feed.Write({"単勝 発走 2:13", "複勝 状態不明"}));
    EXPECT_EQ(ReadFileBytes(path), "単勝 発走 2:13\n複勝 状態不明\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
        << "no temporary file is left behind";
}

}  // namespace
}  // namespace kestro
