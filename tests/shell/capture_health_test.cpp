// The capture's health as the shell tells it: the first start's choice of a
// device, a device that does not open, a capture that ends by itself, frames
// lost, the remedy for a refused capture.
#include "shell/capture_health.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/adapters.h"
#include "platform/helper_process.h"
#include "support/recording_view.h"

#ifdef KESTRO_CAPTURE_HELPER
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "support/netns.h"
#include "support/throwaway_user.h"
#endif

namespace kestro {
namespace {

using test::kChooseLog;
using test::kChooseStatus;
using test::ShellTest;

TEST_F(ShellTest, AdapterThatDoesNotOpenSaysWhyWhileTheClockRunsOn) {
    WriteIni("[Snoop]\nAdapterIndex=999\n[Config]\nLogLevel=0\n");
    KestroShell& shell = Create();
    shell.FormShow();
    ASSERT_FALSE(shell.Snoop().Active());
    const std::string& error = shell.Snoop().LastError();
    EXPECT_GT(error.size(), 0u);
    const std::vector<std::string> tail(view_.events.end() - 4, view_.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "timer 1000", "status アダプタ 999 を開けません: " + error,
                        "log アダプタ 999 でキャプチャを開始できません: " + error, "panel 0"}));
}

// No adapter ever chosen: the all-interfaces device where the machine has one,
// else the adapter of the default route (each kept as the choice), else the way
// to choose, over the reset panel; the clock runs in each case. The kernel's
// own table says which interface the default route leaves by (Wine shows the
// same table to the Windows calls).
TEST_F(ShellTest, FirstStartTakesAllInterfacesElseTheDefaultRouteElseSaysWhereToChoose) {
    const std::string route = KernelDefaultRoute();
    enum class Listed { Everything, NoAllInterfaces, Neither };
    for (const Listed listed : {Listed::Everything, Listed::NoAllInterfaces, Listed::Neither}) {
        SCOPED_TRACE(static_cast<int>(listed));
        std::filesystem::remove(iniPath_);  // the case before kept its choice
        view_.events.clear();
        KestroShell& shell = Create();
        if (listed != Listed::Everything) {
            DropAllInterfacesDevice(shell, listed == Listed::NoAllInterfaces);
        }
        // (The list the shell reads is narrowed; the one read at the creation is not.)
        const bool all =
            listed == Listed::Everything && shell.Snoop().AllInterfacesAdapterIndex() >= 0;
        const bool byRoute = !all && !route.empty() && listed != Listed::Neither;
        if ((all || byRoute) && !ProcessCanCapture()) {
            continue;  // no capture right to open the device taken
        }
        shell.FormShow();
        const std::vector<std::string> tail(view_.events.end() - 3, view_.events.end());
        const std::string device = all ? "any" : route;
        const std::vector<std::string> expected =
            all ? std::vector<std::string>{"status 全インターフェース (any) でキャプチャ中",
                                           "log アダプタが未設定のため、全インターフェース (any) "
                                           "でキャプチャします。右クリック → Config... "
                                           "で変更できます",
                                           "panel 0"}
            : byRoute ? std::vector<std::string>{"status " + route +
                                                     " でキャプチャ中 (インターネット側のアダプタ)",
                                                 "log アダプタが未設定のため、インターネットへの"
                                                 "経路のアダプタ " +
                                                     route +
                                                     " でキャプチャします。右クリック → "
                                                     "Config... で変更できます",
                                                 "panel 0"}
                      : std::vector<std::string>{"status " + kChooseStatus, "log " + kChooseLog,
                                                 "panel 0"};
        EXPECT_EQ(tail, expected);
        EXPECT_TRUE(shell.TimerEnabled());
        const Settings& settings = shell.Core().GetSettings();
        if (all || byRoute) {
            ASSERT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
            EXPECT_EQ(settings.AdapterName, shell.Snoop().AdapterName());
            EXPECT_EQ(settings.AdapterIndex, shell.Snoop().AdapterIndex());
        } else {
            EXPECT_FALSE(shell.Snoop().Active());
            EXPECT_EQ(settings.AdapterIndex, -1);
        }
        shell.FormClose();
        shell_.reset();
        view_.DropPosted();
    }
}

// Which listed adapter is the default route's: Linux names it, Windows' capture
// driver holds the adapter's GUID in a device path, in either case.
TEST(AdapterOfInterface, MatchesTheNameOrTheGuidOfAUsableAdapterOnly) {
    const auto adapter = [](std::string name, bool network = true, int linkType = -1) {
        AdapterInfo info;
        info.name = std::move(name);
        info.networkInterface = network;
        info.linkType = linkType;
        return info;
    };
    const std::string guid = "{2C1A6E0B-96F4-4D1B-8C4E-1F2A3B4C5D6E}";
    const std::string lower = "{2c1a6e0b-96f4-4d1b-8c4e-1f2a3b4c5d6e}";
    const struct {
        const char* what;
        std::vector<AdapterInfo> adapters;
        std::string iface;
        int32_t index;
    } rows[] = {
        {"a Linux name", {adapter("lo"), adapter("eth0")}, "eth0", 1},
        {"not a name that ends in it", {adapter("veth0")}, "eth0", -1},
        {"a GUID in another case", {adapter("lo"), adapter("\\Device\\NPF_" + guid)}, lower, 1},
        {"a GUID must end the path", {adapter("\\Device\\NPF_" + guid + "x")}, guid, -1},
        {"only after the driver's prefix", {adapter("\\Device\\NPF" + guid)}, guid, -1},
        {"a bus monitor never", {adapter("eth0", false)}, "eth0", -1},
        {"an unreadable link type never", {adapter("eth0", true, 9999)}, "eth0", -1},
        {"no default route", {adapter("")}, "", -1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(AdapterIndexOfInterface(row.adapters, row.iface), row.index) << row.what;
    }
}

#ifdef KESTRO_CAPTURE_HELPER  // the capture helper of Linux
// A refused capture names the device and the cure: here the helper may not be
// run (no execute right), as for a user outside the group kestro.
TEST_F(ShellTest, RefusedCaptureNamesTheDeviceAndTheRemedy) {
    WriteIni("[Snoop]\nAdapterName=lo\n");
    KestroShell& shell = Create();
    shell.Snoop().SetSource(CaptureSource::Helper);
    shell.Snoop().SetCaptureHelperPath(iniPath_);  // a plain file, mode 0644
    shell.FormShow();
    ASSERT_FALSE(shell.Snoop().Active());
    const std::string& error = shell.Snoop().LastError();
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    const std::vector<std::string> tail(view_.events.end() - 3, view_.events.end() - 1);
    const std::string setup = "sudo scripts/setup-capture --helper " + iniPath_ + " $USER";
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "status lo: 権限不足 → " + setup,
                        "log lo でキャプチャを開始できません: " + error +
                            "。キャプチャの権限がありません。" + setup +
                            " で "
                            "kestro グループに加わり、ログインし直してください (または root "
                            "で起動してください) (5 秒ごとに開き直します)"}));
}

// A capture whose helper dies ends by itself: said with the helper's reason,
// the clock runs on, and it comes back through the timer's reopen (after one
// that failed, and said nothing) or through Config -> OK with the same adapter.
TEST_F(ShellTest, CaptureThatEndsBySelfIsReportedAndResumes) {
    for (const bool byConfig : {false, true}) {
        SCOPED_TRACE(byConfig);
        WriteIni("[Snoop]\nAdapterName=lo\n");
        view_.events.clear();
        KestroShell& shell = Create();
        shell.Snoop().SetSource(CaptureSource::Helper);
        shell.Snoop().SetCaptureHelperPath(KESTRO_CAPTURE_HELPER);
        shell.FormShow();
        ASSERT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
        ASSERT_TRUE(shell.Snoop().ThroughHelper());
        ASSERT_EQ(kill(shell.Snoop().CaptureHelperProcessId(), SIGKILL), 0);
        ServeUntilInactive();
        ASSERT_FALSE(shell.Snoop().Active());
        ASSERT_TRUE(shell.Snoop().LastEnd().has_value());
        EXPECT_EQ(shell.Snoop().LastEnd()->cause, TSnoopEnd::Cause::ReadError);
        const std::string reason = shell.Snoop().LastEnd()->reason;
        EXPECT_NE(reason.find("kestro-capture"), std::string::npos) << reason;
        std::vector<std::string> tail(view_.events.end() - 2, view_.events.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"status lo のキャプチャが止まりました: " + reason,
                                                  "log lo のキャプチャが止まりました: " + reason +
                                                      " (5 秒ごとに開き直します)"}));
        EXPECT_EQ(shell.Capture(), CaptureState::Lost);
        EXPECT_TRUE(shell.TimerEnabled());
        if (byConfig) {
            shell.PopupMenuClick(MenuItem::pmiConfig);
        } else {
            // A reopen that fails says nothing: the capture is still down.
            shell.Snoop().SetCaptureHelperPath("/nonexistent/kestro-capture");
            const std::size_t told = view_.events.size();
            for (int tick = 0; tick < ReopenSchedule::kTicks; ++tick) {
                shell.RealTimeTimer();
            }
            EXPECT_FALSE(shell.Snoop().Active());
            EXPECT_EQ(shell.Capture(), CaptureState::Lost);
            EXPECT_EQ(std::count(view_.events.begin() + told, view_.events.end(),
                                 "status lo でキャプチャを再開しました"),
                      0);
            shell.Snoop().SetCaptureHelperPath(KESTRO_CAPTURE_HELPER);
            for (int tick = 1; tick < ReopenSchedule::kTicks; ++tick) {
                shell.RealTimeTimer();
            }
            EXPECT_FALSE(shell.Snoop().Active()) << "reopened before its time";
            shell.RealTimeTimer();
        }
        EXPECT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
        EXPECT_TRUE(shell.Snoop().ThroughHelper());
        EXPECT_EQ(shell.Capture(), CaptureState::Capturing);
        // Config -> OK also saves at once, after the resume is told.
        const std::vector<std::string> resumed = {"status lo でキャプチャを再開しました",
                                                  "log lo でキャプチャを再開しました"};
        EXPECT_NE(
            std::search(view_.events.begin(), view_.events.end(), resumed.begin(), resumed.end()),
            view_.events.end());
        shell.FormClose();
        shell_.reset();
        view_.DropPosted();
    }
}

// A helper reports lost frames on its error pipe, which the window does not
// trust: lines of the wrong shape, counts beyond 32 bits and an endless line
// are passed over. What was lost since the last report is said in the status
// line and the log, at most once per DropReport::kTicks.
TEST_F(ShellTest, FramesLostByTheHelperAreReportedSinceTheLastReport) {
    const std::string helper = folder_.Path("lossy-helper");
    const std::string go = folder_.Path("go");
    std::ofstream(helper)
        << "#!/bin/sh\n"
           "printf '#drops 3 0\\n#drops 5 2\\n#drops 9999999999 1\\n#drops -1 2\\n' >&2\n"
           "printf '#drops 6\\n#drops 6 2 and more\\n#drops 1 %0600d\\nnot a count\\n' 1 >&2\n"
           // A pcap file header: little-endian, version 2.4, snapshot 1600, Ethernet.
           "printf '\\324\\303\\262\\241\\002\\000\\004\\000\\000\\000\\000\\000"
           "\\000\\000\\000\\000\\100\\006\\000\\000\\001\\000\\000\\000'\n"
           "for i in $(seq 200); do [ -e '"
        << go
        << "' ] && break; sleep 0.05; done\n"
           "printf '#drops 9 2\\n' >&2\n"
           "exec sleep 30\n";
    std::filesystem::permissions(helper, std::filesystem::perms::owner_all);
    WriteIni("[Snoop]\nAdapterName=lo\n");
    KestroShell& shell = Create();
    shell.Snoop().SetSource(CaptureSource::Helper);
    shell.Snoop().SetCaptureHelperPath(helper);
    shell.FormShow();
    ASSERT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
    auto reports = [this] {
        std::vector<std::string> found;
        for (const std::string& event : view_.events) {
            if (event.find("取りこぼし") != std::string::npos) {
                found.push_back(event);
            }
        }
        return found;
    };
    const std::string first =
        "lo: 前回の報告から 7 フレームを取りこぼしました (カーネル 5, アダプタ 2)";
    shell.RealTimeTimer();
    EXPECT_EQ(reports(), (std::vector<std::string>{"status " + first, "log " + first}));

    std::ofstream(go).close();
    for (int tick = 0; tick < 40 && shell.Snoop().Drops().kernel != 9; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_EQ(shell.Snoop().Drops(), (DropCounts{9, 2}));
    for (int tick = 1; tick < DropReport::kTicks; ++tick) {
        shell.RealTimeTimer();
    }
    EXPECT_EQ(reports().size(), 2u) << "reported again before its time";
    shell.RealTimeTimer();
    const std::string second =
        "lo: 前回の報告から 4 フレームを取りこぼしました (カーネル 4, アダプタ 0)";
    EXPECT_EQ(reports(), (std::vector<std::string>{"status " + first, "log " + first,
                                                   "status " + second, "log " + second}));
    shell.FormClose();
}

// The status line asked for an adapter: once one is chosen, it says where the
// capture runs; confirming the same adapter again says nothing new.
TEST_F(ShellTest, ChoosingAnAdapterStartsItsCaptureAndSaysSo) {
    KestroShell& shell = Create();
    DropAllInterfacesDevice(shell);
    shell.FormShow();
    ASSERT_FALSE(shell.Snoop().Active());
    view_.chooseAdapter = "lo";
    for (const bool again : {false, true}) {
        view_.events.clear();
        shell.PopupMenuClick(MenuItem::pmiConfig);
        ASSERT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
        const bool told =
            std::count(view_.events.begin(), view_.events.end(), "status lo でキャプチャ中") == 1;
        EXPECT_EQ(told, !again);
    }
    shell.FormClose();
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Snoop", "AdapterName", ""), "lo");
}

// The settings' adapter name decides. In a namespace of the test's own: a file
// without a name opens the device at its index; a name that is gone opens
// nothing in its place (not the device at the stored index), says so, and is
// taken by itself once a device of that name appears.
TEST_F(ShellTest, ANamedAdapterThatIsGoneIsWaitedForByNameNeverReplacedByTheIndex) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a network namespace and its devices";
    }
    test::OwnNetworkNamespace space;
    if (!space.Error().empty()) {
        GTEST_SKIP() << space.Error();
    }
    ASSERT_TRUE(test::OwnNetworkNamespace::Ip("link set lo up"));
    const std::vector<std::string> names = TSnoopTCPData([](const std::string&) {}).AdapterNames();
    const auto lo = std::find(names.begin(), names.end(), "lo");
    ASSERT_NE(lo, names.end());
    const std::string loIndex = std::to_string(lo - names.begin());

    WriteIni("[Snoop]\nAdapterIndex=" + loIndex + "\n");
    Create().FormShow();
    ASSERT_TRUE(shell_->Snoop().Active()) << shell_->Snoop().LastError();
    EXPECT_EQ(shell_->Snoop().AdapterName(), "lo");
    EXPECT_EQ(
        std::count(view_.events.begin(), view_.events.end(), "log lo でキャプチャを開始しました"),
        1);
    shell_->FormClose();

    WriteIni("[Snoop]\nAdapterName=kestroveth0\nAdapterIndex=" + loIndex + "\n");
    view_.events.clear();
    KestroShell& shell = Create();
    shell.FormShow();
    EXPECT_FALSE(shell.Snoop().Active()) << "opened " << shell.Snoop().AdapterName();
    EXPECT_EQ(shell.Capture(), CaptureState::Waiting);
    EXPECT_TRUE(shell.TimerEnabled());
    EXPECT_EQ(std::vector<std::string>(view_.events.end() - 3, view_.events.end() - 1),
              (std::vector<std::string>{"status kestroveth0 が見つかりません",
                                        "log 設定のアダプタ kestroveth0 が見つかりません。5 "
                                        "秒ごとに探し、現れたらキャプチャを始めます"}));
    for (int tick = 0; tick < ReopenSchedule::kTicks; ++tick) {
        shell.RealTimeTimer();
    }
    EXPECT_FALSE(shell.Snoop().Active());

    ASSERT_TRUE(
        test::OwnNetworkNamespace::Ip("link add kestroveth0 type veth peer name kestroveth1"));
    ASSERT_TRUE(test::OwnNetworkNamespace::Ip("link set kestroveth0 up"));
    ASSERT_TRUE(test::OwnNetworkNamespace::Ip("link set kestroveth1 up"));
    for (int tick = 1; tick < ReopenSchedule::kTicks; ++tick) {
        shell.RealTimeTimer();
    }
    EXPECT_FALSE(shell.Snoop().Active()) << "looked before its time";
    shell.RealTimeTimer();
    ASSERT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
    EXPECT_EQ(shell.Snoop().AdapterName(), "kestroveth0");
    EXPECT_EQ(shell.Capture(), CaptureState::Capturing);
    EXPECT_EQ(view_.events.end()[-2], "status kestroveth0 でキャプチャを開始しました");
    shell.FormClose();
    shell_.reset();
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Snoop", "AdapterName", ""), "kestroveth0");
}

// A start that failed for a reason that can pass (here the helper is not
// installed yet) is tried again every few seconds, while the timer keeps the
// clock going; once the helper is there, the capture starts by itself.
TEST_F(ShellTest, AStartThatFailedIsTriedAgainWhileTheClockRuns) {
    WriteIni("[Snoop]\nAdapterName=lo\n");
    const std::string helper = folder_.Path("kestro-capture");
    KestroShell& shell = Create();
    shell.Snoop().SetSource(CaptureSource::Helper);
    shell.Snoop().SetCaptureHelperPath(helper);
    shell.FormShow();
    ASSERT_FALSE(shell.Snoop().Active());
    const std::string error = shell.Snoop().LastError();
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_EQ(shell.Capture(), CaptureState::Waiting);
    EXPECT_EQ(std::vector<std::string>(view_.events.end() - 4, view_.events.end() - 1),
              (std::vector<std::string>{
                  "timer 1000", "status lo を開けません: " + error,
                  "log lo でキャプチャを開始できません: " + error + " (5 秒ごとに開き直します)"}));
    for (int tick = 1; tick < ReopenSchedule::kTicks; ++tick) {
        clock_.AdvanceSeconds(1);
        shell.RealTimeTimer();
        EXPECT_EQ(view_.clockNow, "21:00:0" + std::to_string(tick));
    }
    std::filesystem::copy_file(KESTRO_CAPTURE_HELPER, helper);
    shell.RealTimeTimer();
    ASSERT_TRUE(shell.Snoop().Active()) << shell.Snoop().LastError();
    EXPECT_TRUE(shell.Snoop().ThroughHelper());
    EXPECT_EQ(shell.Capture(), CaptureState::Capturing);
    EXPECT_EQ(view_.events.end()[-2], "status lo でキャプチャを開始しました");
    shell.FormClose();
}

// The cure for a refused capture, as a user sees it: a throwaway user and group
// of the test's own, a copy of the helper only that group may run (and without
// its capability), the helper run as that user, and the group read from the
// system. Each standing with the group gets its cure, for each kind of install.
TEST(CaptureRemedyTest, TheCureFitsTheInstallAndTheUsersStandingWithTheGroup) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a user and a group";
    }
    test::TempFolder folder;
    test::ThrowawayUser user("kestrotst" + std::to_string(getpid()));
    if (!user.Error().empty()) {
        GTEST_SKIP() << user.Error();
    }
    // A name a shell would split: the advice must quote it to be run as shown.
    const std::string helper = folder.Path("kestro's capture");
    const std::string word = "'" + folder.Path("kestro'\\''s capture'");
    std::filesystem::copy_file(KESTRO_CAPTURE_HELPER, helper);
    ASSERT_EQ(chown(helper.c_str(), 0, user.Group()), 0);
    ASSERT_EQ(chmod(helper.c_str(), 0750), 0);
    const std::string group = user.GroupName();

    // What the status line says for each install kind, when opening lo through
    // the helper as the user.
    const auto cures = [&](bool carriesGroup) {
        return test::RunAs(user, carriesGroup, [&] {
            TSnoopTCPData snoop([](const std::string&) {});
            snoop.SetSource(CaptureSource::Helper);
            snoop.SetCaptureHelperPath(helper);
            snoop.SetAdapterName("lo");
            const Result opened = snoop.Open();
            std::string lines;
            for (const InstallKind kind : {InstallKind::Installed, InstallKind::BuildTree}) {
                const RemedyFacts facts{kind, platform::HelperGroupOf(helper), helper};
                const CaptureNotice notice = OpenFailureNotice("lo", opened.Reason(), facts);
                lines += notice.status + "\n" + notice.log + "\n";
            }
            return lines;
        });
    };
    const auto statuses = [](const std::string& lines) {
        std::vector<std::string> kept;
        std::istringstream in(lines);
        for (std::string status, log; std::getline(in, status) && std::getline(in, log);) {
            kept.push_back(status);
        }
        return kept;
    };

    const std::string outside = cures(false);
    EXPECT_EQ(statuses(outside),
              (std::vector<std::string>{
                  "lo: 権限不足 → sudo adduser $USER " + group,
                  "lo: 権限不足 → sudo scripts/setup-capture --helper " + word + " $USER"}))
        << outside;

    ASSERT_TRUE(user.JoinGroupFile());
    const std::string stale = cures(false);
    EXPECT_EQ(statuses(stale),
              (std::vector<std::string>(2, "lo: 権限不足 → ログインし直してください")))
        << stale;
    EXPECT_NE(stale.find("ログアウトしてログインし直してください"), std::string::npos) << stale;

    const std::string member = cures(true);
    EXPECT_EQ(statuses(member),
              (std::vector<std::string>{
                  "lo: 権限不足 → sudo kestro-setup-capture --helper " + word + " $USER",
                  "lo: 権限不足 → sudo scripts/setup-capture --helper " + word + " $USER"}))
        << member;
}

// This test program runs from the build tree; the installed kind is decided by
// the same rule and is covered above through the remedy.
TEST(CaptureRemedyTest, ProgramsOfTheBuildTreeKnowTheyAreNotInstalled) {
    EXPECT_EQ(ThisInstallKind(), InstallKind::BuildTree);
}
#endif

}  // namespace
}  // namespace kestro
