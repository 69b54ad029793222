// The shell on a view that writes down what it was asked, without any toolkit,
// and the fixture the shell's tests share: real settings files in a temporary
// folder, a settable clock.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "common/cp932.h"
#include "shell/shell.h"
#include "support/recording_dialog.h"
#include "support/temp_folder.h"

namespace kestro::test {

// Every window of a face in one: the main window, its stay settings, its tray
// and its other windows.
class RecordingView final : public ShellView,
                            public StayVisibleView,
                            public TrayView,
                            public WindowsView {
public:
    // What a face hands its shell; without `hasTray`, a face with no tray.
    ShellFaces Faces() { return {*this, *this, *this, hasTray ? this : nullptr, &notices}; }
    bool hasTray = true;

    std::vector<std::string> events;
    // The current time as the panel last showed it.
    std::string clockNow;
    // The settings dialog; with `chooseAdapter` set, OK chooses that adapter,
    // else confirms the dialog unchanged.
    RecordingDialogFace dialog{events};
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
    SettingsDialogView& SettingsDialogFace() override {
        dialog.user = [this](SettingsDialog& shown, ConfigDialogValues& controls) {
            for (std::size_t i = 0; i < shown.Adapters().size(); ++i) {
                if (!chooseAdapter.empty() && shown.Adapters()[i].name == chooseAdapter) {
                    controls.adapterIndex = static_cast<int32_t>(i);
                }
            }
            return true;
        };
        return dialog;
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
    RemindersDialogView& RemindersDialogFace() override { return reminders; }
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
    CompactFormView& CompactFormFace() override { return compact; }
    // The desktop's notifications: each one written down as "<replaces>
    // <title>: <body>" ("<replaces> !<title>: <body>" when urgent), answered at
    // once with the next id, or held for the test; a desktop with one place
    // where asked.
    class Notices final : public NotificationSink {
    public:
        std::vector<std::string> sent;
        bool hold = false;
        bool onePlace = false;
        bool OnePlace() const override { return onePlace; }
        uint32_t nextId = 1;
        std::deque<Answer> held;
        void Send(const DesktopNotification& note, uint32_t replaces, Answer answer) override {
            sent.push_back(std::to_string(replaces) + (note.urgent ? " !" : " ") + note.title +
                           ": " + note.body);
            if (hold) {
                held.push_back(std::move(answer));
            } else {
                answer(Result(), nextId++);
            }
        }
        void AnswerOldest(std::optional<uint32_t> id, const std::string& reason) {
            Answer answer = std::move(held.front());
            held.pop_front();
            answer(id ? Result() : Result::Failure(reason), id.value_or(0));
        }
    };
    Notices notices;
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

inline const std::string kChooseStatus = "右クリック → Config... でアダプタを選んでください";
inline const std::string kChooseLog =
    "アダプタが未設定です。右クリック → Config... でキャプチャするアダプタを選んでください";

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void WriteIni(const std::string& text);
    // The shell, with every step of show and close written down among the view's calls.
    KestroShell& Create(std::unique_ptr<ReplaySource> replay = {});
    // This machine's adapters as one without an all-interfaces device has them.
    // A machine with no device to start on by itself: the all-interfaces
    // device and the default route's adapter are not listed (the latter kept
    // with `keepDefaultRoute`).
    static void DropAllInterfacesDevice(KestroShell& shell, bool keepDefaultRoute = false);
    // The interface of the kernel's default route, from its own table (on
    // Wine, whose Z: drive is the Linux root, the same file); empty when none.
    static std::string KernelDefaultRoute();
    // Serves the capture thread's hand-overs until the capture has ended.
    void ServeUntilInactive();

    TempFolder folder_;
    std::string iniPath_;
    SettableClock clock_{EncodeDateTime(2009, 3, 27, 21, 0, 0, 0)};
    RecordingView view_;
    std::unique_ptr<KestroShell> shell_;
};

// A Singles race won with a ticket on 4, as the game's lines tell it.
void WinSinglesOn4(KestroShell& shell);

}  // namespace kestro::test
