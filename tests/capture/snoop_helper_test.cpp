// How the capture component reports a capture helper that cannot run, fails,
// or ends while it captures: its error line (or how it ended) in LastError,
// and no process or descriptor left behind.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
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
        snoop.Open();
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
    snoop.Open();
    if (!snoop.Active() && snoop.LastError().find("ermission") != std::string::npos) {
        GTEST_SKIP() << "the helper may not capture here: " << snoop.LastError();
    }
    ASSERT_TRUE(snoop.Active()) << snoop.LastError();
    const pid_t helper = snoop.CaptureHelperProcessId();
    ASSERT_GT(helper, 0);
    ASSERT_EQ(kill(helper, SIGKILL), 0);
    snoop.ServeUntilThreadEnds();
    EXPECT_FALSE(snoop.Active());
    EXPECT_FALSE(snoop.HasCaptureThread());
    EXPECT_EQ(snoop.LastError(), "Snoop Error: kestro-capture ended by signal 9");
    EXPECT_EQ(kill(helper, 0), -1);
}

}  // namespace
}  // namespace kestro
