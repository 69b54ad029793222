// Recordings played through the shell's capture session.
#include "shell/capture_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "replay/recorded_capture.h"
#include "support/portable.h"
#include "support/recording_view.h"

namespace kestro {
namespace {

using test::ShellTest;

// A capture file played as fast as it can be read.
class FileReplay final : public ReplaySource {
public:
    explicit FileReplay(std::string path) : path_(std::move(path)) {}
    void Attach(TSnoopTCPData&) override {}
    Result Open(TSnoopTCPData& snoop) override { return snoop.OpenFile(path_); }
    void Closing() override {}
    void Ended() override {}
    int TickInterval() const override { return 16; }

private:
    std::string path_;
};

// The capture thread hands each frame over through the view's wake-up and
// waits; the frames reach the core on the thread that runs the posted calls.
TEST_F(ShellTest, ReplayedFramesArriveThroughTheViewsMainThreadWake) {
    if (test::RunningUnderWine()) {
        GTEST_SKIP() << "Wine's wpcap.dll cannot read capture files (its file functions are "
                        "stubs that end the process); a real capture driver can";
    }
    KestroShell& shell = Create(std::make_unique<FileReplay>(KESTRO_SOURCE_DIR "/data/demo.pcap"));
    shell.FormShow();
    ASSERT_TRUE(shell.Replaying()) << shell.Snoop().LastError();
    EXPECT_EQ(std::vector<std::string>(view_.events.end() - 2, view_.events.end()),
              (std::vector<std::string>{"timer 16", "panel 0"}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (shell.Snoop().Active() && std::chrono::steady_clock::now() < deadline) {
        view_.RunPosted();
    }
    EXPECT_FALSE(shell.Snoop().Active());
    EXPECT_TRUE(shell.Snoop().LastError().empty()) << shell.Snoop().LastError();
    EXPECT_EQ(shell.Core().PacketCount(), 26);
    shell.FormClose();
}

// A recording that does not open says on the status line which one and why,
// and the clock goes on as for one read to its end.
TEST_F(ShellTest, ARecordingThatDoesNotOpenSaysWhichAndWhy) {
    if (test::RunningUnderWine()) {
        GTEST_SKIP() << "Wine's wpcap.dll cannot read capture files (its file functions are "
                        "stubs that end the process); a real capture driver can";
    }
    const std::string notCapture = folder_.Path("notes.pcap");
    std::ofstream(notCapture) << "not a capture";
    for (const std::string& path : {folder_.Path("missing.pcap"), notCapture}) {
        SCOPED_TRACE(path);
        view_.events.clear();
        ReplayClock clock(0, 60);
        KestroShell& shell = Create(std::make_unique<RecordedCapture>(clock, path));
        shell.FormShow();
        EXPECT_TRUE(shell.Replaying() && shell.TimerEnabled());
        const std::string reason = shell.Snoop().LastError();
        EXPECT_NE(reason, "");
        const std::string status = "status 再生できません: " + path + ": " + reason;
        EXPECT_NE(std::find(view_.events.begin(), view_.events.end(), status), view_.events.end())
            << ::testing::PrintToString(view_.events);
        shell.FormClose();
        shell_.reset();  // before its recording's clock goes
    }
}

}  // namespace
}  // namespace kestro
