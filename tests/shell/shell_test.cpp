// The shell on a view that writes down what it was asked, without any toolkit:
// real settings files in a temporary folder, a real capture file.
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/cp932.h"
#include "race/race_engine.h"
#include "race/race_state.h"
#include "replay/recorded_capture.h"
#include "settings/ini_file.h"
#include "settings/vu_ini_mng.h"
#include "shell/capture_health.h"
#include "shell/timetable.h"
#include "shell/tray.h"
#include "support/portable.h"
#include "support/recording_dialog.h"
#include "support/temp_folder.h"

#ifdef KESTRO_CAPTURE_HELPER
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "support/netns.h"
#include "support/throwaway_user.h"
#endif

namespace kestro {
namespace {

class RecordingView final : public ShellView {
public:
    std::vector<std::string> events;
    // The current time as the panel last showed it.
    std::string clockNow;
    // The settings dialog; with `chooseAdapter` set, OK chooses that adapter,
    // else confirms the dialog unchanged.
    test::RecordingDialogFace dialog{events};
    std::string chooseAdapter;

    void SetStatusText(std::string_view cp932) override {
        events.push_back("status " + Cp932ToUtf8(cp932));
    }
    void AppendLogLine(std::string_view line) override {
        const std::string text = Cp932ToUtf8(line);
        events.push_back("log" + text.substr(text.find(" - ") + 2));
    }
    void ClearLog() override { events.push_back("clear log"); }
    void ShowPanel(const PanelTexts& texts) override {
        events.push_back("panel " + texts.packetCount);
        clockNow = texts[PanelField::txtClockNow];
    }
    std::string ThousandsSeparator() const override { return ","; }
    void SetCaption(const std::string& caption) override { events.push_back("caption " + caption); }
    void ShowError(const std::string& text) override { events.push_back("error " + text); }
    void SetTimer(bool enabled, int intervalMs) override {
        events.push_back(enabled ? "timer " + std::to_string(intervalMs) : "timer off");
    }
    WindowPlacement QueryPlacement() const override { return placement; }
    void ApplyPlacement(const WindowPlacement& p) override {
        placement = p;
        events.push_back("place " + std::to_string(p.left) + "," + std::to_string(p.top));
    }
    SettingsDialogView* SettingsDialogFace() override {
        dialog.user = [this](SettingsDialog& shown, ConfigDialogValues& controls) {
            for (std::size_t i = 0; i < shown.Adapters().size(); ++i) {
                if (!chooseAdapter.empty() && shown.Adapters()[i].name == chooseAdapter) {
                    controls.adapterIndex = static_cast<int32_t>(i);
                }
            }
            return true;
        };
        return &dialog;
    }
    // The reminders window: `remindersUser` plays the user (true: OK).
    class RemindersFace final : public RemindersDialogView {
    public:
        explicit RemindersFace(std::vector<std::string>& events) : events_(events) {}
        std::function<bool(RemindersDialogValues&)> user;
        bool RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) override {
            events_.push_back("reminders");
            RemindersDialogValues controls = dialog.Shown();
            dialog.FormShow();
            const bool ok = user ? user(controls) : true;
            if (ok) {
                confirmed = controls;
            }
            dialog.FormClose();
            return ok;
        }
        WindowPlacement QueryPlacement() const override { return placement; }
        void ApplyPlacement(const WindowPlacement& p) override { placement = p; }
        std::vector<ScreenArea> ScreenAreas() const override { return {}; }
        WindowPlacement placement{0, kShowCmdNormal, -1, -1, -1, -1, 100, 100, 572, 358};

    private:
        std::vector<std::string>& events_;
    };
    RemindersFace reminders{events};
    RemindersDialogView* RemindersDialogFace() override { return &reminders; }
    // The compact form: its lines, where it stands, whether clicks pass, how it stays.
    class CompactFace final : public CompactFormView {
    public:
        std::array<std::string, 2> lines;
        bool shown = false;
        bool clickThrough = false;
        std::string stays;
        WindowPlacement placement{0, kShowCmdNormal, -1, -1, -1, -1, 0, 0, 150, 40};
        void ShowLines(const std::array<std::string, 2>& shownLines) override {
            lines = shownLines;
        }
        void SetShown(bool s) override { shown = s; }
        bool Shown() const override { return shown; }
        void SetClickThrough(bool on) override { clickThrough = on; }
        void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) override {
            stays = (stayOnTop ? "on top " : "behind ") + std::to_string(opacityPercent) + "%";
        }
        WindowPlacement QueryPlacement() const override { return placement; }
        void ApplyPlacement(const WindowPlacement& p) override { placement = p; }
    };
    CompactFace compact;
    CompactFormView* CompactFormFace() override { return &compact; }
    // The desktop's notifications: each one written down as "<replaces>
    // <title>: <body>" ("<replaces> !<title>: <body>" when urgent), answered at
    // once with the next id, or held for the test.
    class Notices final : public NotificationSink {
    public:
        std::vector<std::string> sent;
        bool hold = false;
        uint32_t nextId = 1;
        std::deque<Answer> held;
        void Send(const DesktopNotification& note, uint32_t replaces, Answer answer) override {
            sent.push_back(std::to_string(replaces) + (note.urgent ? " !" : " ") + note.title +
                           ": " + note.body);
            if (hold) {
                held.push_back(std::move(answer));
            } else {
                answer(nextId++, "");
            }
        }
        void AnswerOldest(std::optional<uint32_t> id, const std::string& reason) {
            Answer answer = std::move(held.front());
            held.pop_front();
            answer(id, reason);
        }
    };
    Notices notices;
    NotificationSink* Notifications() override { return &notices; }
    void ShowLog() override { events.push_back("log window"); }
    void ShowAbout() override { events.push_back("about"); }
    void ShowHistory(const HistoryPage& page) override {
        events.push_back("history");
        history = page;
    }
    void RefreshHistory(const HistoryPage& page) override {
        events.push_back("history refresh");
        history = page;
    }
    void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) override {
        stays.push_back((stayOnTop ? "on top " : "behind ") + std::to_string(opacityPercent) + "%");
    }
    void Close() override { events.push_back("close"); }
    // The tray: whether the desktop has one, the icon and its tip, the window's
    // presence on the screen and the switch's check mark.
    bool trayAvailable = false;
    bool trayIcon = false;
    std::string tip;
    bool onScreen = true;
    bool closeToTrayChecked = false;
    void ShowTrayIcon(bool shown) override { trayIcon = shown && trayAvailable; }
    bool TrayIconShown() const override { return trayIcon; }
    void SetTrayTip(const std::string& text) override { tip = text; }
    bool OnScreen() const override { return onScreen; }
    void SetOnScreen(bool shown) override {
        onScreen = shown;
        events.push_back(shown ? "on screen" : "off screen");
    }
    void CheckMenuItem(MenuItem item, bool checked) override {
        if (item == MenuItem::pmiCloseToTray) {
            closeToTrayChecked = checked;
        }
        checks[item] = checked;
    }
    std::map<MenuItem, bool> checks;
    // The capture thread's wake-ups, run by the test on its own (main) thread.
    void PostToMainThread(std::function<void()> call) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back(std::move(call));
    }
    // Like a window's message queue, the calls posted for a shell die with it.
    void DropPosted() {
        const std::lock_guard<std::mutex> lock(mutex_);
        posted_.clear();
    }
    void RunPosted() {
        std::deque<std::function<void()>> calls;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            calls.swap(posted_);
        }
        for (const auto& call : calls) {
            call();
        }
    }

    WindowPlacement placement{0, kShowCmdNormal, -1, -1, -1, -1, 0, 0, 433, 87};
    HistoryPage history;
    // How the window was told to stay visible, in order.
    std::vector<std::string> stays;

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};

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

const std::string kChooseStatus = "右クリック → Config... でアダプタを選んでください";
const std::string kChooseLog =
    "アダプタが未設定です。右クリック → Config... でキャプチャするアダプタを選んでください";

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        iniPath_ = folder_.Path("kestro.ini");
        VuIniMng::SetIniFileNameOverride(iniPath_);
    }
    void TearDown() override { VuIniMng::SetIniFileNameOverride(""); }

    void WriteIni(const std::string& text) { std::ofstream(iniPath_) << text; }
    // The shell, with every step of show and close written down among the view's calls.
    KestroShell& Create(std::unique_ptr<ReplaySource> replay = {}) {
        shell_ = std::make_unique<KestroShell>(view_, std::make_unique<NullSoundPlayer>(), &clock_,
                                               std::move(replay));
        shell_->SetStepWatcher([this](std::string_view step) { view_.events.emplace_back(step); });
        return *shell_;
    }
    // This machine's adapters as one without an all-interfaces device has them.
    // A machine with no device to start on by itself: the all-interfaces
    // device and the default route's adapter are not listed (the latter kept
    // with `keepDefaultRoute`).
    static void DropAllInterfacesDevice(KestroShell& shell, bool keepDefaultRoute = false) {
        const std::string route = keepDefaultRoute ? "" : KernelDefaultRoute();
        shell.Snoop().SetAdapterReader([route](std::string& error) {
            std::vector<AdapterInfo> adapters = ReadAdapterInfo(false, error);
            // Windows' driver describes an adapter by the Linux name under Wine.
            std::erase_if(adapters, [&](const AdapterInfo& a) {
                return a.allInterfaces ||
                       (!route.empty() && (a.name == route || a.description == route));
            });
            return adapters;
        });
    }
    // The interface of the kernel's default route, from its own table (on
    // Wine, whose Z: drive is the Linux root, the same file); empty when none.
    static std::string KernelDefaultRoute() {
#ifdef _WIN32
        std::ifstream routes("Z:/proc/net/route");
#else
        std::ifstream routes("/proc/net/route");
#endif
        std::string line, iface, destination, gateway, flags, refs, use, metric, mask;
        std::getline(routes, line);
        std::string best;
        long bestMetric = -1;
        while (routes >> iface >> destination >> gateway >> flags >> refs >> use >> metric >>
                   mask &&
               std::getline(routes, line)) {
            if (destination == "00000000" && mask == "00000000" &&
                (bestMetric < 0 || std::stol(metric) < bestMetric)) {
                best = iface;
                bestMetric = std::stol(metric);
            }
        }
        return best;
    }
    // Serves the capture thread's hand-overs until the capture has ended.
    void ServeUntilInactive() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (shell_->Snoop().Active() && std::chrono::steady_clock::now() < deadline) {
            view_.RunPosted();
        }
    }

    test::TempFolder folder_;
    std::string iniPath_;
    SettableClock clock_{EncodeDateTime(2009, 3, 27, 21, 0, 0, 0)};
    RecordingView view_;
    std::unique_ptr<KestroShell> shell_;
};

TEST_F(ShellTest, LifecycleStepsAndMenuActionsInOrder) {
    WriteIni(
        "[Config]\nDebug=1\nRealtimeUpdate=1\n"
        "[TfrmZKmain]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n");
    KestroShell& shell = Create();
    DropAllInterfacesDevice(shell);
    shell.FormCreate();
    shell.FormShow();
    for (const MenuItem item : {MenuItem::pmiAbout, MenuItem::pmiConfig, MenuItem::pmiLog,
                                MenuItem::pmiHistory, MenuItem::pmiReminders, MenuItem::pmiExit}) {
        shell.PopupMenuClick(item);
    }
    shell.FormClose();
    shell.FormDestroy();
    const std::string hint = KestroShell::kRemindersHintLine;
    const std::vector<std::string> expected = {
        // create: the stored placement, the show state left for the show
        "place 40,30",
        // show: no adapter configured and none that captures on all interfaces,
        // so no capture, but where to choose one, and the clock runs
        "timer 1000", "load", "caption Kestro (#20090327-01) [DEBUG]", "reset", "clear log",
        // the first start points to the reminders, ahead of the capture's news
        "status " + hint, "log " + hint, "status " + kChooseStatus, "log " + kChooseLog, "panel 0",
        // the menu; confirming the same adapter does not restart anything, and
        // the confirmed settings are saved at once
        "about", "config", "save", "log window", "history", "reminders", "save", "close",
        // close, then destroy
        "timer off", "save"};
    EXPECT_EQ(view_.events, expected);
    EXPECT_FALSE(shell.TimerEnabled());
    std::ifstream in(iniPath_);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(written.find("OpenCount=2"), std::string::npos) << written;

    // The next start is no first: the reminders are not pointed out again.
    view_.events.clear();
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "status " + hint), 0);
    shell_->FormClose();
    EXPECT_NE(written.find("PlaceNormalPos.Left=40"), std::string::npos) << written;
}

// Settings that are only read (the demo) are said in the title.
TEST_F(ShellTest, ATitleSaysWhenTheSettingsAreNotKept) {
    VuIniMng::SetIniFileReadOnly(iniPath_);
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    shell_->FormClose();
    VuIniMng::SetIniFileReadOnly("");
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "caption Kestro (#20090327-01) [設定は保存されません]"),
              1);
    EXPECT_FALSE(std::filesystem::exists(iniPath_));
}

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

// The reminders window's OK is saved at once, each lead brought into 1 to 600 s
// and the no-ticket switch kept to the start; Cancel saves nothing; a refused
// save is told as the settings dialog's is.
TEST_F(ShellTest, RemindersWindowSavesItsOkAtOnce) {
    struct Case {
        const char* why;
        bool ok;
        int lead;
        const char* expectedLead;  // "" for no [Reminders] written
        const char* expectedAcceptNoTicket;
    };
    const Case cases[] = {
        {"OK", true, 150, "150", ""},
        {"OK with no lead", true, 0, "1", ""},
        {"OK with an hour", true, 3600, "600", ""},
        {"Cancel", false, 150, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::filesystem::remove(iniPath_);
        KestroShell& shell = Create();
        DropAllInterfacesDevice(shell);
        shell.FormShow();
        view_.reminders.user = [&c](RemindersDialogValues& controls) {
            ReminderSetting& start = controls.rows[ReminderIndex(kDoubles, ReminderMoment::Start)];
            start.Enabled = true;
            start.LeadSeconds = c.lead;
            controls.rows[ReminderIndex(kSingles, ReminderMoment::AcceptStart)].NoTicketOnly = true;
            return c.ok;
        };
        shell.PopupMenuClick(MenuItem::pmiReminders);
        // Before any close: the file holds it already.
        const IniFile ini = IniFile::Load(iniPath_);
        EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartLead", ""), c.expectedLead);
        EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartEnabled", ""), c.ok ? "1" : "");
        EXPECT_EQ(ini.ReadString("Reminders", "SinglesAcceptStartNoTicketOnly", ""), "");
        EXPECT_EQ(shell.Core().GetSettings().Reminder(kDoubles, ReminderMoment::Start).Enabled,
                  c.ok);
        shell.FormClose();
        view_.reminders.user = nullptr;
    }
    std::filesystem::remove(iniPath_);
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    view_.events.clear();
    KestroShell& shell = Create();
    shell.FormShow();
    shell.PopupMenuClick(MenuItem::pmiReminders);
    // Told without a box while races are followed; the close's refusal has one.
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "error " + iniPath_ + " に書き込めません"),
              0);
    shell.FormClose();
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "error " + iniPath_ + " に書き込めません"),
              1);
}

// While races are followed a refusal is told once (the dialog's placement and
// OK); at the close each reason reaches the log and the box appears once per
// file, however many saves that file refuses (the close, the destroy).
TEST_F(ShellTest, RefusedSaveIsShownOnceAndEveryReasonIsLogged) {
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    KestroShell& shell = Create();
    shell.FormShow();
    shell.PopupMenuClick(MenuItem::pmiConfig);
    shell.FormClose();
    shell.FormDestroy();
    const std::string message = iniPath_ + " に書き込めません";
    std::vector<std::string> errors;
    int reasonsLogged = 0;
    for (const std::string& event : view_.events) {
        if (event.rfind("error ", 0) == 0) {
            errors.push_back(event);
        }
        // The system's own words follow the message: "Is a directory" here.
        if (event.rfind("log " + message + ": ", 0) == 0 && event.size() > message.size() + 6) {
            ++reasonsLogged;
        }
    }
    EXPECT_EQ(errors, std::vector<std::string>{"error " + message});
    EXPECT_EQ(reasonsLogged, 3);
}

// The tooltip names each race's next moment with the panel's countdown; a race
// with none ahead (running, just gone by, unknown) gives its status.
TEST(TrayTooltipTest, EachRaceShowsItsNextMomentOrItsStatus) {
    namespace rs = race_status;
    namespace cs = clock_status;
    const Instant now = InstantOfUtc(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
    struct Race {
        RaceStatus status;
        ClockStatus clock;
        double baseAfterNow;  // seconds
    };
    const struct {
        Race singles, doubles;
        const char* tip;
    } cases[] = {
        {{rs::SStartWaiting, cs::SStartTime, 134},
         {rs::DWaitAccepting, cs::DAcceptStart, 766},
         "単勝 発走 あと 2:14 / 複勝 受付開始 あと 7:40"},
        {{rs::SConfirmed, cs::SExchangeDeadline, 395.9},
         {rs::DRacing, cs::DRaceTime, -20},
         "単勝 交換締切 あと 1:05 / 複勝 レース中"},
        // The start gone by, the race not heard to run yet; and one second left.
        {{rs::SStartWaiting, cs::SStartTime, 0},
         {rs::DAccepting, cs::DStartTime, 1},
         "単勝 発走待ち / 複勝 発走 あと 0:01"},
        {{rs::Unknown, cs::Unknown, 0},
         {rs::Unknown, cs::Unknown, 0},
         "単勝 状態不明 / 複勝 状態不明"},
    };
    const auto after = [now](double seconds) { return now + Micros(std::llround(seconds * 1e6)); };
    for (const auto& c : cases) {
        RaceState state;
        state.SinglesStatus = c.singles.status;
        state.SinglesClockStatus = c.singles.clock;
        state.SinglesBaseTime = after(c.singles.baseAfterNow);
        state.DoublesStatus = c.doubles.status;
        state.DoublesClockStatus = c.doubles.clock;
        state.DoublesBaseTime = after(c.doubles.baseAfterNow);
        EXPECT_EQ(TrayTooltip(state, now), c.tip);
    }
}

// Closing keeps running in the tray only when the user chose it and a tray
// shows the icon; Exit and the session's end always close. While hidden the
// clock runs, the tip follows the panel, and the saves keep the placement it
// had on the screen.
TEST_F(ShellTest, CloseToTrayOnlyWhenChosenAndATrayShowsTheIcon) {
    for (const bool available : {false, true}) {
        SCOPED_TRACE(available);
        WriteIni("[TfrmZKmain]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n");
        view_.trayAvailable = available;
        KestroShell& shell = Create();
        shell.FormCreate();
        shell.FormShow();
        EXPECT_EQ(view_.trayIcon, available);
        EXPECT_EQ(view_.tip, "単勝 状態不明 / 複勝 状態不明");
        EXPECT_FALSE(view_.closeToTrayChecked);
        EXPECT_TRUE(shell.FormCloseQuery()) << "not chosen";
        shell.PopupMenuClick(MenuItem::pmiCloseToTray);
        EXPECT_TRUE(view_.closeToTrayChecked);
        EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "CloseToTray", ""), "1");
        view_.events.clear();
        EXPECT_EQ(shell.FormCloseQuery(), !available);
        if (!available) {
            EXPECT_TRUE(view_.events.empty());
            shell.FormClose();
            continue;
        }
        EXPECT_EQ(view_.events, std::vector<std::string>{"off screen"});
        // Hidden, a window system may report another place; the one on the screen is kept.
        view_.placement.left = -32000;
        shell.Core().HandleAnnouncement(
            Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。"));
        EXPECT_EQ(view_.tip, "単勝 発走 あと 3:00 / 複勝 状態不明");
        shell.FormShow();  // a face's show on the way back is not a new show
        shell.TrayIconClick();
        EXPECT_EQ(view_.events.back(), "on screen");
        EXPECT_EQ(view_.events.end()[-2], "place 40,30");
        shell.TrayIconClick();
        EXPECT_EQ(view_.events.back(), "off screen");
        view_.placement.left = -32000;
        // Kestro started again: the running window comes back as a click brings it.
        shell.BringForward();
        EXPECT_EQ(view_.events.back(), "on screen");
        EXPECT_EQ(view_.events.end()[-2], "place 40,30");
        shell.TrayIconClick();
        view_.placement.left = -32000;
        view_.events.clear();
        shell.PopupMenuClick(MenuItem::pmiExit);
        EXPECT_TRUE(shell.FormCloseQuery()) << "Exit ends";
        shell.FormClose();
        shell.BringForward();  // too late: nothing is shown again
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "on screen"), 0);
        shell.FormDestroy();
        EXPECT_FALSE(view_.trayIcon);
        EXPECT_EQ(IniFile::Load(iniPath_).ReadString("TfrmZKmain", "PlaceNormalPos.Left", ""),
                  "40");
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "reset"), 0);
        // The next run, asked to end by the session while on the screen.
        view_.onScreen = true;
        KestroShell& next = Create();
        next.FormShow();
        EXPECT_TRUE(view_.closeToTrayChecked);
        next.EndSession();
        EXPECT_TRUE(next.FormCloseQuery());
        next.FormClose();
    }
}

// The window's stay settings come from the file at the creation, before the
// show; each change is drawn and saved at once, an unchanged one neither; a
// refused save is reported like any other.
TEST_F(ShellTest, StayOnTopAndOpacityAreTakenAtCreationAndSavedAtOnce) {
    WriteIni("[Window]\nStayOnTop=1\nOpacity=15\n");
    KestroShell& shell = Create();
    shell.FormCreate();
    EXPECT_EQ(view_.stays, std::vector<std::string>{"on top 40%"});
    shell.FormShow();
    const auto saved = [&] {
        const IniFile ini = IniFile::Load(iniPath_);
        return std::pair(ini.ReadInteger("Window", "StayOnTop", -1),
                         ini.ReadInteger("Window", "Opacity", -1));
    };
    shell.PopupMenuClick(MenuItem::pmiStayOnTop);
    EXPECT_EQ(saved(), std::pair(0, 40));
    shell.SetOpacity(60);
    const auto saves = std::count(view_.events.begin(), view_.events.end(), "save");
    shell.SetOpacity(60);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "save"), saves);
    EXPECT_EQ(saved(), std::pair(0, 60));

    std::filesystem::remove(iniPath_);
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    shell.PopupMenuClick(MenuItem::pmiStayOnTop);
    shell.SetOpacity(250);
    const std::vector<std::string> stays = {"on top 40%", "behind 40%", "behind 60%", "on top 60%",
                                            "on top 100%"};
    EXPECT_EQ(view_.stays, stays);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "error " + iniPath_ + " に書き込めません"),
              0);
    shell.FormClose();
}

// A Singles race won with a ticket on 4, as the game's lines tell it.
void WinSinglesOn4(KestroShell& shell) {
    shell.Core().HandleTicketPurchase(0, '4', 0);
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"));
    shell.Core().HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
}

// The window opened before the result is brought up to date when it is counted.
TEST_F(ShellTest, HistoryWindowShowsTheFileAndTonight) {
    const std::string historyPath = folder_.Path("kestro-history.csv");
    std::ofstream(historyPath) << "date,time,race,winner,second,ticket1,ticket2,verdict\n"
                                  "2009-03-26,21:06:31,単勝,2,,4,,miss\n";
    KestroShell& shell = Create();
    shell.FormShow();
    shell.PopupMenuClick(MenuItem::pmiHistory);
    EXPECT_EQ(view_.history.races[0].figures[0].tonight, "0");
    view_.events.clear();
    WinSinglesOn4(shell);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), "history refresh"), 1);
    const HistoryRacePage& singles = view_.history.races[0];
    ASSERT_EQ(singles.figures.size(), 6u);
    EXPECT_EQ(singles.figures[0].tonight, "1");  // races
    EXPECT_EQ(singles.figures[0].allTime, "2");
    EXPECT_EQ(singles.figures[3].allTime, "50.0%");  // hit rate
    ASSERT_EQ(view_.history.latest.size(), 2u);
    EXPECT_EQ(view_.history.latest[0], "2009-03-27 21:00:00  単勝  ④  券 ④  的中");
    EXPECT_EQ(view_.history.fileLine, "履歴ファイル: " + historyPath);
    EXPECT_TRUE(view_.history.keep);
    EXPECT_NE(test::ReadFileBytes(historyPath).find("2009-03-27,21:00:00,単勝,4,,4,,hit"),
              std::string::npos);
    shell.FormClose();
}

TEST_F(ShellTest, HistoryFileRefusedOnceAndKeepingTurnedOffIsSaved) {
    const std::string historyPath = folder_.Path("kestro-history.csv");
    ASSERT_TRUE(std::filesystem::create_directory(historyPath));
    KestroShell& shell = Create();
    shell.FormShow();
    for (int race = 0; race < 3; ++race) {
        if (race == 2) {
            shell.SetKeepHistory(false);
        }
        clock_.AdvanceSeconds(700);
        WinSinglesOn4(shell);
    }
    std::vector<std::string> errors;
    int refusalsLogged = 0;
    for (const std::string& event : view_.events) {
        if (event.rfind("error ", 0) == 0) {
            errors.push_back(event);
        }
        if (event.find(historyPath) != std::string::npos && event.rfind("log ", 0) == 0) {
            ++refusalsLogged;
        }
    }
    // Read at the show (a folder is no file), then two results refused and
    // told once, without a box; the third is not kept.
    EXPECT_EQ(errors.size(), 0u);
    EXPECT_EQ(refusalsLogged, 2);
    EXPECT_NE(test::ReadFileBytes(iniPath_).find(test::InSavedLineEnds("[History]\nKeepHistory=0")),
              std::string::npos);
    shell.PopupMenuClick(MenuItem::pmiHistory);
    EXPECT_FALSE(view_.history.keep);
    EXPECT_EQ(view_.history.races[0].figures[0].tonight, "3");
    shell.FormClose();
}

// Each row a file that refuses a write while races are followed. Nothing
// waits on the player: the status line and the log say it, and a desktop
// notification, once for that file until it takes a write again; then once
// more if it refuses again. A history result waits and is written at the
// next tick, once. At the close a refusal keeps its box.
TEST_F(ShellTest, ARefusedWriteWhileRacesAreFollowedIsToldWithoutABox) {
    const std::string historyPath = folder_.Path("kestro-history.csv");
    struct Case {
        const char* name;
        std::string path;
        std::function<void(KestroShell&)> act;
    };
    const Case cases[] = {
        {"a result for the history", historyPath,
         [&](KestroShell& shell) {
             clock_.AdvanceSeconds(700);
             WinSinglesOn4(shell);
             shell.RealTimeTimer();
         }},
        {"a switch of the menu", iniPath_,
         [](KestroShell& shell) { shell.PopupMenuClick(MenuItem::pmiCloseToTray); }},
        {"the settings dialog's OK", iniPath_,
         [](KestroShell& shell) { shell.PopupMenuClick(MenuItem::pmiConfig); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(historyPath);
        std::filesystem::remove_all(iniPath_);
        view_.events.clear();
        view_.notices.sent.clear();
        KestroShell& shell = Create();
        shell.FormShow();
        const std::string message = c.path + " に書き込めません";
        const auto told = [&] {
            return std::count_if(view_.events.begin(), view_.events.end(), [&](const auto& e) {
                return e.rfind("status " + message + ": ", 0) == 0;
            });
        };
        const auto boxes = [&] {
            return std::count(view_.events.begin(), view_.events.end(), "error " + message);
        };

        std::filesystem::remove(c.path);
        ASSERT_TRUE(std::filesystem::create_directory(c.path));
        c.act(shell);
        c.act(shell);
        EXPECT_EQ(told(), 1);
        EXPECT_EQ(boxes(), 0);
        ASSERT_EQ(view_.notices.sent.size(), 1u);
        EXPECT_EQ(view_.notices.sent[0].rfind("0 Kestro: " + message + ": ", 0), 0u)
            << view_.notices.sent[0];

        std::filesystem::remove(c.path);  // the file takes writes again
        if (c.path == historyPath) {
            // The two results refused are written at the next tick, each once.
            shell.RealTimeTimer();
            RaceHistory file;
            EXPECT_EQ(file.Open(c.path, false).records.size(), 2u);
            EXPECT_NE(std::find(view_.events.begin(), view_.events.end(),
                                "status " + HistoryWrittenAgainMessage(c.path)),
                      view_.events.end());
        } else {
            c.act(shell);
        }
        std::filesystem::remove(c.path);
        ASSERT_TRUE(std::filesystem::create_directory(c.path));
        c.act(shell);
        EXPECT_EQ(told(), 2);
        EXPECT_EQ(boxes(), 0);
        shell.FormClose();
        EXPECT_EQ(boxes(), 1);
    }
}

// An evening interrupted by a restart: Doubles announced at 21:00:00 (start
// 21:03:00), Singles won at 21:06:00 (next start 21:16:37), then the close.
void EveningUntilTheClose(KestroShell& shell, SettableClock& clock) {
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    clock.AdvanceSeconds(360);
    shell.Core().HandleTicketPurchase(1, '5', '2');
    WinSinglesOn4(shell);
    shell.FormClose();
}

std::string LastStatus(const std::vector<std::string>& events) {
    for (auto event = events.rbegin(); event != events.rend(); ++event) {
        if (event->rfind("status ", 0) == 0) {
            return event->substr(7);
        }
    }
    return {};
}

struct RestartCase {
    const char* what;
    bool onAtClose;  // the switch in the settings file at the close
    bool onAtStart;  // and at the next start
    int gapSeconds;  // from the close to the next start
    bool singles;    // taken up
    bool doubles;
    const char* mark;  // before the status line's text
};

// The timetable across a restart, in a real settings file: taken up only with
// the switch on, within the reset time of the save and of each race's base.
TEST_F(ShellTest, TheTimetableIsTakenUpAfterARestartOnlyWhenAskedAndStillTrue) {
    const RestartCase cases[] = {
        {"on, soon", true, true, 100, true, true, "[予想未確認: 単勝・複勝] "},
        {"on, Doubles given up by its timer", true, true, 899, true, false, "[予想未確認: 単勝] "},
        {"on, the reset time after the close", true, true, 900, false, false, ""},
        {"on, long after", true, true, 4000, false, false, ""},
        {"off, soon", false, false, 100, false, false, ""},
        {"kept at the close, off at the start", true, false, 100, false, false, ""},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(iniPath_);
        WriteIni(std::string("[History]\nRestoreTimetable=") + (c.onAtClose ? "1" : "0") + "\n");
        clock_.Set(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
        DropAllInterfacesDevice(Create());
        shell_->FormShow();
        EveningUntilTheClose(*shell_, clock_);
        const RaceState before = shell_->Core().Race();
        const PlayerRecord record = shell_->Core().Engine().Record();
        EXPECT_EQ(test::ReadFileBytes(iniPath_).find("[Timetable]") != std::string::npos,
                  c.onAtClose);

        shell_.reset();
        IniFile ini = IniFile::Load(iniPath_);
        ini.WriteBool("History", "RestoreTimetable", c.onAtStart);
        ASSERT_TRUE(ini.Save(iniPath_));
        clock_.AdvanceSeconds(c.gapSeconds);
        RecordingView fresh;
        const RaceState reset = KestroShell(fresh, {}, &clock_).Core().Race();
        view_.events.clear();
        DropAllInterfacesDevice(Create());
        shell_->FormShow();
        const RaceState& after = shell_->Core().Race();
        const RaceState& singles = c.singles ? before : reset;
        const RaceState& doubles = c.doubles ? before : reset;
        EXPECT_EQ(after.SinglesStatus, singles.SinglesStatus);
        EXPECT_EQ(after.SinglesClockStatus, singles.SinglesClockStatus);
        EXPECT_EQ(after.SinglesBaseTime, singles.SinglesBaseTime);
        EXPECT_EQ(after.DoublesStatus, doubles.DoublesStatus);
        EXPECT_EQ(after.DoublesClockStatus, doubles.DoublesClockStatus);
        EXPECT_EQ(after.DoublesBaseTime, doubles.DoublesBaseTime);
        // The tickets come back with their races: ④ won and awaits its
        // exchange, ②-⑤ is held for the Doubles race to come.
        const PlayerRecord& kept = shell_->Core().Engine().Record();
        const PlayerRecord none;
        EXPECT_EQ(kept.RaceOf(kSingles), (c.singles ? record : none).RaceOf(kSingles));
        EXPECT_EQ(kept.WonTicket(kSingles), (c.singles ? record : none).WonTicket(kSingles));
        EXPECT_EQ(kept.RaceOf(kDoubles), (c.doubles ? record : none).RaceOf(kDoubles));
        EXPECT_EQ(after.TicketSingle, c.singles ? '4' : '0');
        EXPECT_EQ(after.TicketDouble1, c.doubles ? '2' : '0');
        EXPECT_EQ(after.TicketDouble2, c.doubles ? '5' : '0');
        const bool told = std::count(view_.events.begin(), view_.events.end(),
                                     "log 前回終了時の予想を復元しました") == 1;
        EXPECT_EQ(told, c.singles || c.doubles);
        EXPECT_EQ(LastStatus(view_.events), c.mark + kChooseStatus);
        if (c.doubles) {
            // The Doubles race it was bought for runs after the restart and is
            // written as the ticket's.
            shell_->RealTimeTimer();
            shell_->Core().HandleAnnouncement(Utf8ToCp932("5番のモンスターがゴールしました。"));
            shell_->Core().HandleAnnouncement(
                Utf8ToCp932("続いて、2番のモンスターがゴールしました。"));
            ASSERT_FALSE(shell_->Core().History().Tonight().empty());
            EXPECT_EQ(shell_->Core().History().Tonight().back().verdict, Verdict::Hit);
        }
        shell_->FormClose();
    }
}

// A race taken up stays marked until a line of the announcer speaks of it, or
// until its timer gives it up; the other race keeps its mark meanwhile.
TEST_F(ShellTest, TheUnconfirmedMarkGoesWithALineAboutTheRaceOrItsTimer) {
    WriteIni("[History]\nRestoreTimetable=1\n");
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    EveningUntilTheClose(*shell_, clock_);
    shell_.reset();
    clock_.AdvanceSeconds(60);  // 21:07:00
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    ASSERT_EQ(LastStatus(view_.events), "[予想未確認: 単勝・複勝] " + kChooseStatus);

    // Doubles was to start at 21:03:00: its timer has it racing, so the start
    // line moves nothing, and still confirms it.
    shell_->RealTimeTimer();
    ASSERT_EQ(shell_->Core().Race().DoublesStatus, race_status::DRacing);
    const RaceState racing = shell_->Core().Race();
    const std::string start = "モンスターレースダブルスがスタートします。皆様の幸運を祈ります。";
    shell_->Core().HandleAnnouncement(Utf8ToCp932(start));
    EXPECT_EQ(shell_->Core().Race().DoublesBaseTime, racing.DoublesBaseTime);
    EXPECT_EQ(LastStatus(view_.events), "[予想未確認: 単勝] 天の声: " + start);
    // A line about neither race confirms nothing.
    shell_->Core().HandleAnnouncement(Utf8ToCp932("ゲームの終了時間です。"));
    EXPECT_EQ(LastStatus(view_.events), "[予想未確認: 単勝] 天の声: ゲームの終了時間です。");
    // Singles was predicted to start at 21:16:37: given up after 21:31:37.
    clock_.Set(EncodeDateTime(2009, 3, 27, 21, 31, 38, 0));
    shell_->RealTimeTimer();
    EXPECT_EQ(shell_->Core().Race().SinglesStatus, race_status::Unknown);
    EXPECT_EQ(LastStatus(view_.events), "天の声: ゲームの終了時間です。");
    shell_->FormClose();
}

// Singles announced at 21:00:00 (start 21:03:00), its start reminded a minute
// ahead; Doubles announced at 21:02:00 (start 21:05:00), reminded at once; at
// 21:03:00 Singles won on 4, its result's sound played twice in a row.
void EveningWithReminders(KestroShell& shell, SettableClock& clock) {
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。"));
    clock.AdvanceSeconds(120);
    shell.RealTimeTimer();
    shell.Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    shell.RealTimeTimer();
    clock.AdvanceSeconds(60);
    WinSinglesOn4(shell);
}

constexpr char kEveningReminders[] =
    "[Reminders]\nSinglesStartEnabled=1\nSinglesStartNoTicketOnly=0\n"
    "DoublesStartEnabled=1\nDoublesStartLead=600\n";

// What is told on the desktop follows the reminders window's switches; each
// notification takes the place of its own race's last one.
TEST_F(ShellTest, TheDesktopIsToldOfRemindersAndTickedEventsOneNotificationPerRace) {
    struct Case {
        const char* what;
        const char* notifications;  // the [Notifications] section
        std::vector<std::string> sent;
        bool thenARaceUnbet = false;  // the next Singles race, won by 2, no ticket bought
        // The winning ticket's exchange reminded at the next tick, then the next
        // Singles race's acceptance heard.
        bool exchange = false;
    };
    const std::string singles = "単勝 発走まで 1:00 (21:03:00): リマインダー(単勝): 発走 21:03:00";
    const std::string doubles = "複勝 発走まで 3:00 (21:05:00): リマインダー(複勝): 発走 21:05:00";
    const std::string accepting = "単勝 受付中 (21:00:00): 受付中(単勝): 発走予測 21:03:00";
    const std::string won = "単勝 当選 (21:03:00): 当選(単勝)";
    const Case cases[] = {
        {"the defaults: the reminders only", "", {"0 " + singles, "0 " + doubles}},
        {"the reminders off, two events on",
         "Reminders=0\nRaceAcceptingS=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + won}},
        {"all of them",
         "RaceAcceptingS=1\nRaceAcceptingD=1\nRaceStart=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + singles,
          "0 複勝 受付中 (21:02:00): 受付中(複勝): 発走予測 21:05:00", "3 " + doubles,
          "2 単勝 発走 (21:03:00): 発走(単勝)", "5 " + won}},
        {"the exchange reminder beside the race's routine notifications",
         "RaceAcceptingS=1\nResultWin=1\n",
         {"0 " + accepting, "1 " + singles, "0 " + doubles, "2 " + won,
          "0 !単勝 交換締切まで 5:06 (21:08:07): リマインダー(単勝): 当たり券 ④ の交換締切 "
          "21:08:07",
          "4 単勝 受付中 (21:03:01): 受付中(単勝): 発走予測 21:07:01"},
         false,
         true},
        // The sound compares the last ticket bought (4) and says 外れ; the words
        // say the player held no ticket of this race.
        {"a result told as the record judged it",
         "Reminders=0\nResultWin=1\nResultDefeat=1\nResultNeedCheck=1\n",
         {"0 " + won, "1 単勝 確認要求 (21:14:40): 確認要求(単勝)"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteIni(std::string(kEveningReminders) +
                 "SinglesExchangeDeadlineEnabled=1\nSinglesExchangeDeadlineLead=600\n" +
                 "[Notifications]\n" + c.notifications);
        clock_.Set(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
        view_.notices = {};
        DropAllInterfacesDevice(Create());
        shell_->FormShow();
        EveningWithReminders(*shell_, clock_);
        if (c.thenARaceUnbet) {
            clock_.AdvanceSeconds(700);
            shell_->Core().HandleAnnouncement(
                Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"));
            shell_->Core().HandleAnnouncement(Utf8ToCp932("優勝モンスターは2番のモンスターです！"));
            EXPECT_EQ(shell_->Core().Engine().EvaluateTickets(kSingles), TicketVerdict::Defeat);
        }
        if (c.exchange) {
            clock_.AdvanceSeconds(1);
            shell_->RealTimeTimer();
            shell_->Core().HandleAnnouncement(Utf8ToCp932(
                "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
        }
        EXPECT_EQ(view_.notices.sent, c.sent);
        shell_->FormClose();
    }
}

// A notification whose race's last one has no id yet waits for it; a desktop
// without the service is said once in the log, and the next are still offered.
TEST_F(ShellTest, TheNextNotificationOfARaceWaitsForTheIdAndNoServiceIsSaidOnce) {
    WriteIni("[Notifications]\nRaceAcceptingS=1\nRaceStart=1\n");
    DropAllInterfacesDevice(Create());
    shell_->FormShow();
    view_.notices.hold = true;
    const auto announce = [this](const char* line) {
        shell_->Core().HandleAnnouncement(Utf8ToCp932(line));
    };
    announce("約3分後にモンスターレースシングルスがスタートします。");
    announce("まもなくモンスターレースシングルスがスタートします。");
    const std::string first = "単勝 受付中 (21:00:00): 受付中(単勝): 発走予測 21:03:00";
    EXPECT_EQ(view_.notices.sent, std::vector<std::string>{"0 " + first});
    view_.notices.AnswerOldest(7, "");
    view_.notices.AnswerOldest(std::nullopt, "org.freedesktop.DBus.Error.ServiceUnknown");
    announce("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。");
    view_.notices.AnswerOldest(std::nullopt, "org.freedesktop.DBus.Error.ServiceUnknown");
    const std::vector<std::string> sent = {
        "0 " + first, "7 単勝 受付中 (21:00:00): 受付中(単勝): 発走予測 21:01:00",
        "7 単勝 発走 (21:00:00): 発走(単勝)"};
    EXPECT_EQ(view_.notices.sent, sent);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "log " + std::string(DesktopNotifier::kNoServiceLine) +
                             ": org.freedesktop.DBus.Error.ServiceUnknown"),
              1);
    shell_->FormClose();
}

struct DamagedTimetableCase {
    const char* key;
    const char* value;
    std::optional<int64_t> secondsFromNow = std::nullopt;  // the value: now and this many seconds
};

// A section someone edited by hand, or a file from elsewhere: each value that
// cannot be read, names no status of the race or lies beyond what a run could
// have saved, leaves the race reset, and is compared without overflowing.
TEST(TimetableTest, AValueThatCannotHoldTakesUpNothingOfItsRace) {
    const Instant now = InstantOfUtc(EncodeDateTime(2009, 3, 27, 21, 0, 0, 0));
    RaceState saved;
    saved.SinglesStatus = race_status::SConfirmed;
    saved.SinglesClockStatus = clock_status::SRaceTime;
    saved.SinglesBaseTime = now + std::chrono::seconds(637);
    PlayerRecord record;
    record.TicketBought(kSingles, '4', '0', now - std::chrono::seconds(100));
    record.RaceStarted(kSingles, now - std::chrono::seconds(70));
    record.ResultHeard(kSingles, '4', '0', now - std::chrono::seconds(10));
    const int64_t tenYears = int64_t{10} * 365 * 86400;
    const DamagedTimetableCase cases[] = {
        {nullptr, nullptr},  // undamaged: taken up
        {"SavedAt", ""},
        {"SavedAt", "+x"},  // "+": after the value as written
        {"SinglesBaseTime", "+x"},
        {"SavedAt", "99999999999999999999999"},
        {"SavedAt", "-9223372036854775808"},
        {"SavedAt", nullptr, 1},  // the clock set back since the close
        {"SavedAt", nullptr, -900},
        {"SinglesStatus", "9"},  // a Doubles status
        {"SinglesStatus", "0"},
        {"SinglesClockStatus", "5"},
        {"SinglesBaseTime", "soon"},
        {"SinglesBaseTime", nullptr, tenYears},
        {"SinglesBaseTime", nullptr, 891},  // more than the reset time after the save
        {"SinglesBaseTime", "9223372036854775807"},
        {"SinglesBaseTime", "-9223372036854775808"},
        {"SinglesTicket", "7"},
        {"SinglesTicket", "44"},
        {"SinglesTicket", ""},  // its instant without a ticket
        {"SinglesTicketAt", ""},
        {"SinglesTicketAt", nullptr, -5},  // after the save
        {"SinglesTicketAt", nullptr, -3700},
        {"SinglesTicketAt", "-9223372036854775808"},
        {"SinglesStartedAt", "9223372036854775807"},
        {"SinglesResult", "?"},
        {"SinglesWon", "0"},
    };
    for (const DamagedTimetableCase& c : cases) {
        SCOPED_TRACE(c.key ? std::string(c.key) + "=" + (c.value ? c.value : "now") +
                                 (c.secondsFromNow ? std::to_string(*c.secondsFromNow) : "")
                           : "undamaged");
        IniFile ini;
        WriteTimetable(ini, saved, record, now - std::chrono::seconds(10));
        if (c.key != nullptr) {
            const std::string value =
                c.secondsFromNow ? std::to_string((now + std::chrono::seconds(*c.secondsFromNow))
                                                      .time_since_epoch()
                                                      .count())
                                 : c.value;
            ini.WriteString(kTimetableSection, c.key,
                            value.starts_with("+")
                                ? *ini.ReadString(kTimetableSection, c.key) + value.substr(1)
                                : value);
        }
        RaceState state;
        PlayerRecord restored;
        const RaceFlags taken = RestoreTimetable(ini, state, restored, now);
        EXPECT_EQ(taken[0], c.key == nullptr);
        EXPECT_FALSE(taken[1]);
        EXPECT_EQ(state.SinglesStatus,
                  c.key == nullptr ? saved.SinglesStatus : race_status::Unknown);
        EXPECT_EQ(restored.RaceOf(kSingles),
                  c.key == nullptr ? record.RaceOf(kSingles) : PlayerRecord::Race{});
        EXPECT_EQ(restored.WonTicket(kSingles),
                  c.key == nullptr ? std::optional<std::string>("④") : std::nullopt);
        EXPECT_EQ(state.TicketSingle, c.key == nullptr ? '4' : '0');
    }
}

// A signal or the session's end closes a shown window through its close, once;
// before the show there is nothing to save, and nothing is closed.
TEST_F(ShellTest, EndOfSessionClosesAShownWindowOnce) {
    KestroShell& shell = Create();
    shell.EndSession();
    EXPECT_TRUE(view_.events.empty()) << "nothing to close or save before the show";
    shell.FormShow();
    shell.EndSession();
    EXPECT_EQ(view_.events.back(), "close");
    shell.FormClose();  // what the view's close does
    const std::size_t afterClose = view_.events.size();
    shell.EndSession();
    EXPECT_EQ(view_.events.size(), afterClose) << "closed already";
}

// With the display gone the close's save still runs, once, and a refusal can
// only be logged: a box would need the display.
TEST_F(ShellTest, LostDisplaySavesOnceAndLogsARefusal) {
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    KestroShell& shell = Create();
    shell.FormShow();
    view_.events.clear();
    shell.EndWithoutDisplay();
    shell.EndWithoutDisplay();
    const std::string logged = "log " + iniPath_ + " に書き込めません: ";
    const auto starts = [](const std::string& prefix) {
        return [prefix](const std::string& event) { return event.rfind(prefix, 0) == 0; };
    };
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(), starts(logged)), 1);
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(), starts("error ")), 0);
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(), starts("close")), 0);
}

// Where the window system reports no place, the main window's stored place
// outlives a session and the log says why, once.
TEST_F(ShellTest, WherePlacesAreNotReportedTheStoredOneStaysAndTheLogSaysSoOnce) {
    const std::string line = std::string("log ") + kPlacesNotReportedLine;
    for (const bool reported : {true, false}) {
        SCOPED_TRACE(reported);
        WriteIni("[TfrmZKmain]\nPlaceNormalPos.Left=500\nPlaceNormalPos.Top=300\n");
        SetWindowPlacesReported(reported);
        view_.events.clear();
        KestroShell& shell = Create();
        shell.FormCreate();
        shell.FormShow();
        view_.placement = WindowPlacement{0, kShowCmdNormal, -1, -1, -1, -1, 0, 0, 433, 87};
        shell.FormClose();
        shell.FormDestroy();
        SetWindowPlacesReported(true);
        EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(), line), reported ? 0 : 1);
        EXPECT_EQ(IniFile::Load(iniPath_).ReadString("TfrmZKmain", "PlaceNormalPos.Left", ""),
                  reported ? "0" : "500");
    }
}

// The default sounds are written relative to the sound folder, never expanded.
TEST_F(ShellTest, DefaultSoundPathsAreSavedWithThePlaceholder) {
    KestroShell& shell = Create();
    shell.FormShow();
    shell.FormClose();
    const std::string written = test::ReadFileBytes(iniPath_);
    EXPECT_NE(
        written.find(test::InSavedLineEnds("ServerMessageSound=%SystemRoot%\\Media\\notify.wav\n")),
        std::string::npos)
        << written;
    EXPECT_EQ(written.find("/Media"), std::string::npos) << written;
}

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

// Off unless asked. Switched on, the file follows the panel, the status line
// says where it is and the switch is kept; a file that keeps refusing is told
// once, never in a box, and taken up again when it can be written; the close
// empties it, so a stream shows no countdown that has stopped.
TEST_F(ShellTest, TextFeedFollowsThePanelWhileOnAndIsEmptiedAtTheClose) {
    const std::string feed = folder_.Path("kestro-feed.txt");
    const auto exists = [&] { return std::filesystem::exists(test::Utf8Path(feed)); };
    const auto tick = [&](int seconds) {
        for (int i = 0; i < seconds; ++i) {
            clock_.AdvanceSeconds(1);
            shell_->RealTimeTimer();
        }
    };
    KestroShell& shell = Create();
    shell.FormShow();
    tick(2);
    EXPECT_FALSE(exists()) << "off by default";
    EXPECT_EQ(shell.TextFeedPath(), feed);

    view_.events.clear();
    shell.PopupMenuClick(MenuItem::pmiTextFeed);
    EXPECT_TRUE(view_.checks[MenuItem::pmiTextFeed]);
    EXPECT_EQ(test::ReadFileBytes(feed), "単勝 状態不明\n複勝 状態不明\n");
    EXPECT_NE(std::find(view_.events.begin(), view_.events.end(), "status テキスト出力: " + feed),
              view_.events.end())
        << ::testing::PrintToString(view_.events);
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "TextFeed", ""), "1");
    shell.Core().HandleAnnouncement(Utf8ToCp932(
        "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
    tick(1);
    EXPECT_EQ(test::ReadFileBytes(feed), "単勝 発走 3:59\n複勝 状態不明\n");

    // A folder where the file should be refuses every write.
    std::filesystem::remove(test::Utf8Path(feed));
    std::filesystem::create_directory(test::Utf8Path(feed));
    view_.events.clear();
    tick(6);
    const auto told = std::count(view_.events.begin(), view_.events.end(),
                                 "status " + feed + " に書き込めません");
    EXPECT_EQ(told, 1) << ::testing::PrintToString(view_.events);
    EXPECT_EQ(std::count_if(view_.events.begin(), view_.events.end(),
                            [](const std::string& e) { return e.rfind("error ", 0) == 0; }),
              0);
    std::filesystem::remove(test::Utf8Path(feed));
    tick(1);
    EXPECT_EQ(test::ReadFileBytes(feed), "単勝 発走 3:52\n複勝 状態不明\n");

    shell.FormClose();
    EXPECT_EQ(test::ReadFileBytes(feed), "");
    tick(1);
    EXPECT_EQ(test::ReadFileBytes(feed), "") << "nothing written after the close";
}

// The compact form takes the main window's place, at the main window's
// position the first time and at its own after that; the tray's click hides and
// brings it back; clicks pass only while a tray can bring it back; it stays as
// the main window stays; off, the main window comes back where it was.
TEST_F(ShellTest, CompactFormStandsInForTheMainWindowAndKeepsItsOwnPlace) {
    WriteIni(
        "[TfrmZKmain]\nPlaceNormalPos.Left=40\nPlaceNormalPos.Top=30\n"
        "[Window]\nStayOnTop=1\nOpacity=80\n");
    view_.trayAvailable = true;
    KestroShell& shell = Create();
    shell.FormCreate();
    shell.FormShow();
    EXPECT_FALSE(view_.compact.shown) << "off by default";
    EXPECT_EQ(view_.compact.stays, "on top 80%");

    view_.events.clear();
    shell.PopupMenuClick(MenuItem::pmiCompactForm);
    EXPECT_TRUE(view_.checks[MenuItem::pmiCompactForm]);
    EXPECT_TRUE(view_.compact.shown);
    EXPECT_FALSE(view_.onScreen);
    EXPECT_EQ(view_.compact.lines, (std::array<std::string, 2>{"単勝 状態不明", "複勝 状態不明"}));
    EXPECT_EQ(view_.compact.placement.left, 40);
    EXPECT_EQ(view_.compact.placement.top, 30);
    EXPECT_EQ(view_.compact.placement.right - view_.compact.placement.left, 150);
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "CompactForm", ""), "1");
    shell.SetOpacity(60);
    EXPECT_EQ(view_.compact.stays, "on top 60%");
    shell.Core().HandleAnnouncement(Utf8ToCp932(
        "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。"));
    clock_.AdvanceSeconds(1);
    shell.RealTimeTimer();
    EXPECT_EQ(view_.compact.lines[0], "単勝 発走 3:59");

    // Clicks pass while a tray shows the icon, and only then.
    shell.PopupMenuClick(MenuItem::pmiClickThrough);
    EXPECT_TRUE(view_.checks[MenuItem::pmiClickThrough]);
    EXPECT_TRUE(view_.compact.clickThrough);
    shell.TrayIconClick();
    EXPECT_FALSE(view_.compact.shown);
    shell.TrayIconClick();
    EXPECT_TRUE(view_.compact.shown);
    EXPECT_FALSE(view_.onScreen) << "the tray's click is the compact form's";
    view_.trayIcon = false;  // the desktop's panel has gone
    view_.events.clear();
    for (int i = 0; i < 3; ++i) {
        clock_.AdvanceSeconds(1);
        shell.RealTimeTimer();
    }
    EXPECT_FALSE(view_.compact.clickThrough);
    EXPECT_EQ(std::count(view_.events.begin(), view_.events.end(),
                         "status トレイがないため、クリック透過を止めています"),
              1);
    view_.trayIcon = true;
    shell.RealTimeTimer();
    EXPECT_TRUE(view_.compact.clickThrough);

    // Moved by the player, then switched off: its place is kept.
    view_.compact.placement = {0, kShowCmdNormal, -1, -1, -1, -1, 500, 20, 650, 60};
    view_.placement = {0, kShowCmdHide, -1, -1, -1, -1, 0, 0, 433, 87};  // hidden
    shell.PopupMenuClick(MenuItem::pmiCompactForm);
    EXPECT_FALSE(view_.compact.shown);
    EXPECT_FALSE(view_.compact.clickThrough);
    EXPECT_TRUE(view_.onScreen);
    EXPECT_EQ(view_.placement.left, 40) << "the main window where it was";
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("TfrmZKcompact", "PlaceNormalPos.Left", ""),
              "500");
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "CompactForm", ""), "0");
    EXPECT_EQ(IniFile::Load(iniPath_).ReadString("Window", "ClickThrough", ""), "1");
    shell.PopupMenuClick(MenuItem::pmiCompactForm);
    shell.FormClose();
    shell_.reset();

    // The next run starts in the compact form, where the player left it.
    view_.compact = {};
    view_.onScreen = true;
    KestroShell& next = Create();
    next.FormCreate();
    next.FormShow();
    EXPECT_TRUE(view_.compact.shown);
    EXPECT_FALSE(view_.onScreen);
    EXPECT_EQ(view_.compact.placement.left, 500);
    EXPECT_EQ(view_.compact.placement.top, 20);
    EXPECT_TRUE(view_.compact.clickThrough);
    next.FormClose();
}

}  // namespace
}  // namespace kestro
