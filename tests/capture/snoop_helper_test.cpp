// How the capture component reports a capture helper that cannot run, fails,
// or ends while it captures: its error line (or how it ended) in LastError,
// and no process or descriptor left behind.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_source.h"
#include "capture/snoop.h"
#include "support/portable.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

// A stand-in for the helper where a real one cannot be made to fail on cue.
std::string Script(const test::TempFolder& folder, const std::string& name,
                   const std::string& body) {
    const auto path = folder.Path() / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path.string();
}

// A private install's helper has no capability; the copy that setup-capture
// made in root's folder has: the window must run the copy, not the one beside it.
TEST(SnoopHelperTest, TheHelperWithTheCapabilityIsChosenOverOneBesideTheProgram) {
    const test::TempFolder folder("kestro-pick-");
    ASSERT_TRUE(folder.Ok());
    const std::string plain = Script(folder, "plain", "exit 0");
    const std::string granted = Script(folder, "granted", "exit 0");
    const std::string missing = (folder.Path() / "missing").string();
    if (std::system(("setcap cap_net_raw=ep '" + granted + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "setcap is not permitted here";
    }
    struct Case {
        std::vector<std::string> places;
        std::string chosen;
    };
    for (const Case& c :
         {Case{{plain, granted, missing}, granted}, Case{{granted, plain, missing}, granted},
          Case{{missing, plain, missing}, plain}, Case{{missing, missing}, missing}}) {
        EXPECT_EQ(PickCaptureHelper(c.places), c.chosen);
    }
}

TEST(SnoopHelperTest, AHelperThatCannotCaptureLeavesItsReasonAndNothingRunning) {
    struct Case {
        std::string what, helper, error;
    };
    const test::TempFolder folder("kestro-helper-");
    ASSERT_TRUE(folder.Ok());
    const Case cases[] = {
        {"missing", "/nonexistent/kestro-capture",
         "Snoop Error: cannot run /nonexistent/kestro-capture: No such file or directory"},
        {"error line", Script(folder, "refusing", "echo 'kestro-capture: lo: refused' >&2; exit 2"),
         "kestro-capture: lo: refused"},
        {"silent end", Script(folder, "silent", "exit 3"),
         "Snoop Error: kestro-capture ended with status 3"},
        {"no stream", Script(folder, "garbage", "echo 'not a capture'; exit 0"),
         "Snoop Error: kestro-capture ended"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSnoopTCPData snoop([](const std::string&) {});
        snoop.SetSource(CaptureSource::Helper);
        snoop.SetCaptureHelperPath(c.helper);
        snoop.SetAdapterName("lo");
        ASSERT_EQ(snoop.AdapterName(), "lo");
        const size_t descriptors = test::OpenDescriptors();
        EXPECT_EQ(snoop.Open().Reason(), c.error);
        EXPECT_FALSE(snoop.Active());
        EXPECT_FALSE(snoop.HasCaptureThread());
        EXPECT_EQ(snoop.LastError(), c.error);
        EXPECT_EQ(snoop.CaptureHelperProcessId(), -1);
        EXPECT_EQ(test::OpenDescriptors(), descriptors);
    }
}

TEST(SnoopHelperTest, AHelperKilledUnderTheCaptureEndsItWithTheReason) {
    TSnoopTCPData snoop([](const std::string&) {});
    snoop.SetSource(CaptureSource::Helper);
    snoop.SetCaptureHelperPath(KESTRO_BINARY_DIR "/src/app/kestro-capture");
    snoop.SetAdapterName("lo");
    const Result opened = snoop.Open();
    if (!opened && opened.Reason().find("ermission") != std::string::npos) {
        GTEST_SKIP() << "the helper may not capture here: " << opened.Reason();
    }
    ASSERT_TRUE(opened && snoop.Active()) << opened.Reason();
    const pid_t helper = snoop.CaptureHelperProcessId();
    ASSERT_GT(helper, 0);
    ASSERT_EQ(kill(helper, SIGKILL), 0);
    snoop.ServeUntilThreadEnds();
    EXPECT_FALSE(snoop.Active());
    EXPECT_FALSE(snoop.HasCaptureThread());
    EXPECT_EQ(snoop.LastError(), "Snoop Error: kestro-capture ended by signal 9");
    EXPECT_EQ(kill(helper, 0), -1);
}

// A launcher may leave descriptors open without close-on-exec (a desktop
// session left 10 and 251): none of them may reach the privileged helper.
TEST(SnoopHelperTest, TheHelperInheritsNoDescriptorOfTheWindow) {
    const test::TempFolder folder("kestro-fds-");
    ASSERT_TRUE(folder.Ok());
    const std::string secret = folder.Path("inherited");
    const int opened = open(secret.c_str(), O_RDWR | O_CREAT, 0600);  // no O_CLOEXEC
    ASSERT_GE(opened, 0);
    ASSERT_EQ(dup2(opened, 251), 251);
    TSnoopTCPData snoop([](const std::string&) {});
    snoop.SetSource(CaptureSource::Helper);
    snoop.SetCaptureHelperPath(KESTRO_BINARY_DIR "/src/app/kestro-capture");
    snoop.SetAdapterName("lo");
    const Result started = snoop.Open();
    std::vector<std::string> seen;
    if (started) {
        const auto table = "/proc/" + std::to_string(snoop.CaptureHelperProcessId()) + "/fd";
        for (const auto& entry : std::filesystem::directory_iterator(table)) {
            std::error_code ignored;
            seen.push_back(entry.path().filename().string() + " -> " +
                           std::filesystem::read_symlink(entry.path(), ignored).string());
        }
    }
    snoop.Close();
    close(251);
    close(opened);
    if (started.Reason().find("ermission") != std::string::npos) {
        GTEST_SKIP() << "the helper may not capture here: " << started.Reason();
    }
    ASSERT_FALSE(seen.empty()) << started.Reason();
    for (const std::string& descriptor : seen) {
        EXPECT_EQ(descriptor.find(secret), std::string::npos) << descriptor;
        EXPECT_NE(descriptor.substr(0, 4), "251 ") << descriptor;
    }
}

// A helper that ignores SIGTERM is killed after the stop's patience, whether
// it still holds its stream open or has closed it: Close never hangs on it.
TEST(SnoopHelperTest, AHelperThatIgnoresSigtermIsKilledAndCloseReturns) {
    const test::TempFolder folder("kestro-stubborn-");
    ASSERT_TRUE(folder.Ok());
    // A pcap file header (little-endian, version 2.4, snapshot 1600, Ethernet).
    const std::string header =
        "printf '\\324\\303\\262\\241\\002\\000\\004\\000\\000\\000\\000\\000"
        "\\000\\000\\000\\000\\100\\006\\000\\000\\001\\000\\000\\000'";
    struct Case {
        std::string what, body;
    };
    for (const Case& c :
         {Case{"stream open", "trap '' TERM; " + header + "; exec sleep 30"},
          Case{"stream closed", "trap '' TERM; " + header + "; exec sleep 30 > /dev/null"}}) {
        SCOPED_TRACE(c.what);
        const std::string helper = Script(folder, "stubborn", c.body);
        std::atomic<pid_t> pid{-1};
        auto closing = std::async(std::launch::async, [&] {
            TSnoopTCPData snoop([](const std::string&) {});
            snoop.SetSource(CaptureSource::Helper);
            snoop.SetCaptureHelperPath(helper);
            snoop.SetAdapterName("lo");
            const bool opened = snoop.Open() && snoop.Active();
            pid = snoop.CaptureHelperProcessId();
            // Time for the capture thread to be waiting in its read, which
            // only the end of the stream (the helper's) can break.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            snoop.Close();
            return opened && !snoop.Active();
        });
        // Far beyond the patience of one second: only a hang takes this long.
        if (closing.wait_for(std::chrono::seconds(15)) != std::future_status::ready) {
            ADD_FAILURE() << "Close did not return while the helper ignored SIGTERM";
            kill(pid, SIGKILL);
        }
        EXPECT_TRUE(closing.get());
        EXPECT_EQ(kill(pid, 0), -1) << "the helper still runs";
    }
}

}  // namespace
}  // namespace kestro
