// The Win32 windows, real and shown: the main window's design rectangles and
// faces, its popup menu, the settings dialog driven by the keyboard, the
// placement kept in the settings file, the about box and the log window.
#include <winsock2.h>
#include <ws2tcpip.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/wpcap_loader.h"
#include "common/cp932.h"
#include "notify/sound_player.h"
#include "settings/ini_file.h"
#include "settings/vu_ini_mng.h"
#include "shell/config_layout.h"
#include "shell/panel_layout.h"
#include "support/portable.h"
#include "support/temp_folder.h"
#include "win32/about_box.h"
#include "win32/config_dialog.h"
#include "win32/history_window.h"
#include "win32/log_window.h"
#include "win32/main_window.h"
#include "win32/reminders_dialog.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32 {
namespace {

using namespace main_layout;

bool RectIs(const RECT& rect, int left, int top, int width, int height) {
    return rect.left == left && rect.top == top && rect.right == left + width &&
           rect.bottom == top + height;
}

std::string Describe(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " +
           std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
}

// Runs this thread's messages until `done` holds; false after five seconds.
bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    }
    return true;
}

// What to do with the next modal dialog of this thread once it shows; the
// modal loop runs the timer that finds it.
std::function<void(HWND)> g_onDialog;

void CALLBACK FindDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (dialog != nullptr && g_onDialog) {
        KillTimer(nullptr, timer);
        const auto act = std::move(g_onDialog);
        g_onDialog = nullptr;
        act(dialog);
    }
}

// Sends a menu command that opens a modal dialog, and acts on the dialog;
// `act` must end it.
void WithModalDialog(HWND main, UINT command, std::function<void(HWND)> act) {
    g_onDialog = std::move(act);
    SetTimer(nullptr, 0, 20, &FindDialog);
    SendMessageW(main, WM_COMMAND, command, 0);
    ASSERT_FALSE(g_onDialog) << "no dialog showed";
}

// Whether a right click of the mouse at `at` (screen) opens this thread's
// popup menu within `wait`; the menu's modal loop runs the timer that finds
// and ends it.
bool g_menuSeen = false;
void CALLBACK FindMenu(HWND, UINT, UINT_PTR, DWORD) {
    const HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu != nullptr && IsWindowVisible(menu)) {
        g_menuSeen = true;
        EndMenu();
    }
}
bool RightClickOpensMenu(POINT at, std::chrono::milliseconds wait) {
    g_menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &FindMenu);
    SetCursorPos(at.x, at.y);
    INPUT buttons[2] = {};
    buttons[0].type = buttons[1].type = INPUT_MOUSE;
    buttons[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    buttons[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    const bool sent = SendInput(2, buttons, sizeof(INPUT)) == 2;
    const auto until = std::chrono::steady_clock::now() + wait;
    PumpUntil([&] { return g_menuSeen || std::chrono::steady_clock::now() > until; });
    KillTimer(nullptr, timer);
    return sent && g_menuSeen;
}

void PressKey(HWND control, WPARAM key) {
    SetFocus(control);
    PostMessageW(control, WM_KEYDOWN, key, 0);
    PostMessageW(control, WM_KEYUP, key, 0);
}

RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

constexpr const char* kHomePage = "https://kestro.example/";

class Win32FaceTest : public ::testing::Test {
protected:
    struct Forms {
        Forms(TfrmZKmain::ErrorBox box, TfrmZKabout::Opener opener)
            : main(box, std::make_unique<NullSoundPlayer>()),
              config(),
              about(std::move(opener), kHomePage) {
            main.SetForms(&config, &log, &about);
        }
        TfrmZKmain main;
        TfrmZKconfig config;
        TfrmZKlog log;
        TfrmZKabout about;
    };

    void SetUp() override {
        char display[256] = {};
        if (test::RunningUnderWine() &&
            GetEnvironmentVariableA("DISPLAY", display, sizeof display) == 0) {
            GTEST_SKIP() << "no X display for Wine's windows (scripts/test-windows starts Xvfb)";
        }
        ASSERT_TRUE(folder_.Ok());
        iniPath_ = folder_.Path("kestro.ini");
        VuIniMng::SetIniFileNameOverride(iniPath_);
    }
    void TearDown() override {
        forms_.reset();
        VuIniMng::SetIniFileNameOverride("");
    }

    void WriteIni(const std::string& text) {
        std::ofstream(test::Utf8Path(iniPath_), std::ios::binary) << text;
    }
    IniFile ReadIni() const { return IniFile::Load(iniPath_); }

    TfrmZKmain& Show() {
        Create();
        forms_->main.Show();
        return forms_->main;
    }
    void Create() {
        forms_ = std::make_unique<Forms>(
            [this](const std::string& text) { errors_.push_back(text); },
            [this](const std::string& verb, const std::string& file, const std::string& folder) {
                opened_.push_back(verb + "|" + file + "|" + folder);
            });
    }
    void CloseMain() {
        SendMessageW(forms_->main.Handle(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(forms_->main.Alive());
    }

    // A name outside the ANSI code page (Wine's is 1252): the settings and the
    // history are read and saved there all the same.
    test::TempFolder folder_{"kestro-win32-テスト-"};
    std::string iniPath_;
    std::vector<std::string> errors_;
    std::vector<std::string> opened_;
    std::unique_ptr<Forms> forms_;
};

TEST_F(Win32FaceTest, MainWindowHasItsDesignedClientAreaControlsFacesAndStatusBar) {
    TfrmZKmain& main = Show();
    EXPECT_TRUE(RectIs(ClientRect(main.Handle()), 0, 0, kClientWidth, kClientHeight))
        << Describe(ClientRect(main.Handle()));
    EXPECT_TRUE(RectIs(ChildRect(main.InfoPanel()), 0, 0, kClientWidth, kPanelHeight));
    EXPECT_TRUE(RectIs(ChildRect(main.StatusBar()), 0, kClientHeight - kStatusBarHeight,
                       kClientWidth, kStatusBarHeight))
        << Describe(ChildRect(main.StatusBar()));

    for (const DisplayControl& design : kDisplayControls) {
        const HWND control = main.Field(design.field);
        const std::string name(PanelFieldName(design.field));
        EXPECT_TRUE(
            RectIs(ChildRect(control), design.left, design.top, design.width, design.height))
            << name << " at " << Describe(ChildRect(control));
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        const bool styleA = design.style == TextStyle::A;
        EXPECT_EQ(std::wstring(font.lfFaceName), styleA ? L"ＭＳ ゴシック" : L"ＭＳ Ｐゴシック")
            << name;
        EXPECT_EQ(font.lfHeight, styleA ? -kStyleAFontPixels : -kStyleBFontPixels) << name;
    }
    // Panel 1 keeps 80 pixels at the right; panel 0 takes the rest.
    int rightEdges[2] = {};
    ASSERT_EQ(SendMessageW(main.StatusBar(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges)),
              2);
    EXPECT_EQ(rightEdges[0], kClientWidth - kStatusPanel1Width);
    EXPECT_EQ(rightEdges[1], -1);
    EXPECT_EQ(GetWindowLongPtrW(main.Handle(), GWL_STYLE) & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(WindowText(main.Handle()), L"Kestro (#20090327-01)");

    // The capture thread's hand-over runs on the window's thread, from its queue.
    DWORD ranOn = 0;
    std::thread([&] { main.PostToMainThread([&] { ranOn = GetCurrentThreadId(); }); }).join();
    EXPECT_TRUE(PumpUntil([&] { return ranOn != 0; }));
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Win32FaceTest, PopupMenuDrawsTheTableAndExitClosesAndSaves) {
    WriteIni("[Window]\nStayOnTop=1\nOpacity=60\n");
    TfrmZKmain& main = Show();
    const HMENU menu = main.PopupMenu();
    // The table's rows in its order, each command its item's; the opacity's
    // submenu has no command of its own.
    ASSERT_EQ(GetMenuItemCount(menu), 14);  // twelve rows, two separators
    UINT at = 0;
    for (const MenuRow& row : kPopupMenu) {
        SCOPED_TRACE(std::string(row.caption));
        if (row.separatorBefore) {
            EXPECT_EQ(GetMenuState(menu, at++, MF_BYPOSITION) & MF_SEPARATOR,
                      static_cast<UINT>(MF_SEPARATOR));
        }
        wchar_t text[32] = {};
        GetMenuStringW(menu, at, text, 32, MF_BYPOSITION);
        EXPECT_EQ(ToUtf8(text), row.caption);
        EXPECT_EQ(GetMenuItemID(menu, static_cast<int>(at)),
                  row.opacitySteps ? static_cast<UINT>(-1) : TfrmZKmain::MenuCommand(row.item));
        if (row.opacitySteps) {
            EXPECT_EQ(GetSubMenu(menu, static_cast<int>(at)), main.OpacityMenu());
        }
        ++at;
    }

    // As the file says from the show on: above every window, drawn at 60 %;
    // opaque again, the window is no longer layered.
    const auto exStyle = [&] { return GetWindowLongW(main.Handle(), GWL_EXSTYLE); };
    const auto checked = [](HMENU in, UINT position) {
        return (GetMenuState(in, position, MF_BYPOSITION) & MF_CHECKED) != 0;
    };
    const auto switchedOn = [&](MenuItem item) {
        return (GetMenuState(menu, TfrmZKmain::MenuCommand(item), MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    EXPECT_TRUE(exStyle() & WS_EX_TOPMOST);
    EXPECT_TRUE(switchedOn(MenuItem::pmiStayOnTop));
    BYTE alpha = 0;
    ASSERT_TRUE(exStyle() & WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(main.Handle(), nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 153);
    EXPECT_TRUE(checked(main.OpacityMenu(), 4));
    SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::MenuCommand(MenuItem::pmiStayOnTop), 0);
    EXPECT_FALSE(exStyle() & WS_EX_TOPMOST);
    EXPECT_FALSE(switchedOn(MenuItem::pmiStayOnTop));
    SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::kOpacityCommandBase, 0);
    EXPECT_FALSE(exStyle() & WS_EX_LAYERED);
    EXPECT_TRUE(checked(main.OpacityMenu(), 0) && !checked(main.OpacityMenu(), 4));

    SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::MenuCommand(MenuItem::pmiLog), 0);
    EXPECT_TRUE(IsWindowVisible(forms_->log.Handle()));

    // The icon is in the shell's tray with the races' tip; once chosen, the
    // close box hides the window there, a click on the icon brings it back,
    // and Exit from a hidden window still saves it as shown.
    ASSERT_TRUE(main.Tray().Shown());
    EXPECT_TRUE(main.Tray().ShowBalloon("Kestro", "リマインダー(単勝): 発走まで 1:00"));
    EXPECT_EQ(main.Tray().Tip(), L"単勝 状態不明 / 複勝 状態不明");
    main.Shell().Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    // The panel's countdown, taken a moment after the prediction was made.
    EXPECT_TRUE(main.Tray().Tip() == L"単勝 状態不明 / 複勝 発走 あと 2:59" ||
                main.Tray().Tip() == L"単勝 状態不明 / 複勝 発走 あと 3:00");
    SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::MenuCommand(MenuItem::pmiCloseToTray), 0);
    EXPECT_TRUE(switchedOn(MenuItem::pmiCloseToTray));
    SendMessageW(main.Handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(main.Alive());
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
    SendMessageW(main.Handle(), TrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(main.Handle()));
    SendMessageW(main.Handle(), TrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(main.Handle()));

    SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::MenuCommand(MenuItem::pmiExit), 0);
    ASSERT_TRUE(PumpUntil([&] { return !main.Alive(); }));
    EXPECT_EQ(ReadIni().ReadInteger("TfrmZKmain", "PlaceShowCmd", -1), SW_SHOWNORMAL);
    EXPECT_TRUE(ReadIni().ReadString("Snoop", "AdapterIndex").has_value());
    EXPECT_EQ(ReadIni().ReadString("Window", "CloseToTray"), "1");
    EXPECT_FALSE(main.Tray().ShowBalloon("Kestro", "no icon")) << "the icon left with the window";
    // A tip too long for the tray is cut, never between the halves of a pair.
    const std::wstring pairAt126 = std::wstring(126, L'x') + L"\U0002000B";
    EXPECT_EQ(CutToFit(pairAt126, TrayIcon::kTipMax), std::wstring(126, L'x'));
    EXPECT_EQ(CutToFit(pairAt126 + L"y", 128), pairAt126);
}

// The strip over the game: Ctrl+M puts the compact form in the main window's
// place, drawing the lines the text feed holds, sized to them; clicks pass
// through it (layered and transparent) only while the tray icon is there to
// bring it back; the tray's click hides and shows it; the switches are kept.
TEST_F(Win32FaceTest, TheStripShowsTheFeedsLinesAndLetsClicksThroughWithTheTray) {
    TfrmZKmain& main = Show();
    ASSERT_TRUE(main.Tray().Shown());
    TfrmZKcompact& strip = main.CompactForm();
    const auto command = [&](MenuItem item) {
        SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::MenuCommand(item), 0);
    };
    command(MenuItem::pmiTextFeed);
    SetForegroundWindow(main.Handle());
    INPUT keys[4] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
    }
    keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = keys[2].ki.wVk = 'M';
    keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(strip.Handle()); }))
        << "Ctrl+M did not bring the compact form";
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
    RECT place{};
    GetWindowRect(strip.Handle(), &place);
    const POINT inside{place.left + 4, place.top + 4};
    EXPECT_TRUE(RightClickOpensMenu(inside, std::chrono::seconds(3)))
        << "no popup menu on a right click";

    main.Shell().Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    const std::array<std::wstring, 2> lines = strip.Lines();
    EXPECT_EQ(lines[0], L"単勝 状態不明");
    EXPECT_TRUE(lines[1] == L"複勝 発走 2:59" || lines[1] == L"複勝 発走 3:00") << ToUtf8(lines[1]);
    EXPECT_EQ(test::ReadFileBytes(folder_.Path("kestro-feed.txt")),
              ToUtf8(lines[0]) + "\n" + ToUtf8(lines[1]) + "\n");
    // Sized to the longer line in the panel's large face, with its margins.
    const HFONT font = CreateProportionalFont(compact_layout::kFontPixels);
    const HDC dc = GetDC(strip.Handle());
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE first{}, second{};
    GetTextExtentPoint32W(dc, lines[0].c_str(), static_cast<int>(lines[0].size()), &first);
    GetTextExtentPoint32W(dc, lines[1].c_str(), static_cast<int>(lines[1].size()), &second);
    SelectObject(dc, previous);
    ReleaseDC(strip.Handle(), dc);
    DeleteObject(font);
    RECT client{};
    GetClientRect(strip.Handle(), &client);
    EXPECT_EQ(client.right, std::max(first.cx, second.cx) + 2 * compact_layout::kMargin);
    EXPECT_GE(client.bottom, first.cy + second.cy);

    const auto exStyle = [&] { return GetWindowLongW(strip.Handle(), GWL_EXSTYLE); };
    const LONG passes = WS_EX_LAYERED | WS_EX_TRANSPARENT;
    EXPECT_EQ(exStyle() & passes, 0) << "it takes clicks until asked";
    command(MenuItem::pmiClickThrough);
    EXPECT_EQ(exStyle() & passes, passes);
    EXPECT_FALSE(RightClickOpensMenu(inside, std::chrono::milliseconds(500)))
        << "the right click did not pass through";
    // No icon, no way back: the form takes clicks again until the icon returns.
    main.Tray().Remove();
    main.Shell().RealTimeTimer();
    EXPECT_EQ(exStyle() & WS_EX_TRANSPARENT, 0);
    EXPECT_EQ(main.StatusText(0), L"トレイがないため、クリック透過を止めています");
    main.Tray().Add();
    main.Shell().RealTimeTimer();
    EXPECT_EQ(exStyle() & passes, passes);

    SendMessageW(main.Handle(), TrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(strip.Handle()));
    SendMessageW(main.Handle(), TrayIcon::kCallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(strip.Handle()));
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
    EXPECT_EQ(ReadIni().ReadString("Window", "CompactForm"), "1");
    EXPECT_EQ(ReadIni().ReadString("Window", "ClickThrough"), "1");
    EXPECT_EQ(ReadIni().ReadString("Window", "TextFeed"), "1");

    command(MenuItem::pmiCompactForm);
    EXPECT_FALSE(IsWindowVisible(strip.Handle()));
    EXPECT_TRUE(IsWindowVisible(main.Handle()));
    EXPECT_TRUE(ReadIni().ReadString("TfrmZKcompact", "PlaceNormalPos.Left").has_value());
    command(MenuItem::pmiExit);
    ASSERT_TRUE(PumpUntil([&] { return !main.Alive(); }));
    EXPECT_EQ(test::ReadFileBytes(folder_.Path("kestro-feed.txt")), "") << "emptied at the close";

    // A run that starts in the compact form shows it alone.
    forms_.reset();
    WriteIni("[Window]\r\nCompactForm=1\r\n");
    TfrmZKmain& again = Show();
    EXPECT_TRUE(IsWindowVisible(again.CompactForm().Handle()));
    EXPECT_FALSE(IsWindowVisible(again.Handle()));
}

// A ticked race event is a balloon of the tray icon: the system shows it, so
// the log says nothing; with the icon gone it says once that none can be shown.
TEST_F(Win32FaceTest, ATickedRaceEventIsABalloonOfTheTrayIcon) {
    WriteIni("[Notifications]\r\nRaceAcceptingD=1\r\n");
    TfrmZKmain& main = Show();
    ASSERT_TRUE(main.Tray().Shown());
    const std::wstring noService = FromUtf8(DesktopNotifier::kNoServiceLine);
    main.Shell().Core().HandleAnnouncement(
        Utf8ToCp932("約3分後にモンスターレースダブルスがスタートします。"));
    EXPECT_EQ(forms_->log.Text().find(noService), std::wstring::npos) << ToUtf8(forms_->log.Text());
    main.Tray().Remove();
    main.Shell().Core().HandleAnnouncement(
        Utf8ToCp932("まもなくモンスターレースダブルスがスタートします。"));
    EXPECT_NE(forms_->log.Text().find(noService), std::wstring::npos);
    CloseMain();
}

// The history window over a real file beside the settings: where the file
// is, the newest result first, a size that fits a 1024x768 screen with every
// part inside it, and the switch saved at once.
TEST_F(Win32FaceTest, HistoryWindowShowsTheFileAndItsSwitchIsSaved) {
    std::ofstream(folder_.Path() / "kestro-history.csv", std::ios::binary)
        << "date,time,race,winner,second,ticket1,ticket2,verdict\r\n"
           "2009-03-26,21:06:31,単勝,2,,4,,miss\r\n"
           "2009-03-26,21:14:23,複勝,6,1,1,6,hit\r\n";
    TfrmZKmain& main = Show();
    SendMessageW(main.Handle(), WM_COMMAND, TfrmZKmain::MenuCommand(MenuItem::pmiHistory), 0);
    ASSERT_NE(main.HistoryWindow(), nullptr);
    TfrmZKhistory& history = *main.HistoryWindow();
    const HWND window = history.Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(WindowText(window), L"履歴");
    EXPECT_NE(WindowText(history.FileLine()).find(L"kestro-history.csv"), std::wstring::npos);
    ASSERT_EQ(SendMessageW(history.Latest(), LB_GETCOUNT, 0, 0), 2);
    wchar_t newest[128] = {};
    SendMessageW(history.Latest(), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(newest));
    EXPECT_EQ(std::wstring(newest), L"2009-03-26 21:14:23  複勝  ⑥-①  券 ①-⑥  的中");

    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_LE(frame.right - frame.left, 560) << Describe(frame);
    EXPECT_LE(frame.bottom - frame.top, 640) << Describe(frame);
    const RECT client = ClientRect(window);
    for (const HWND part : {history.FileLine(), history.Figures(), history.Latest(),
                            history.KeepSwitch(), history.RestoreSwitch()}) {
        const RECT rect = ChildRect(part);
        EXPECT_TRUE(IsWindowVisible(part));
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom && rect.bottom - rect.top > 0)
            << Describe(rect) << " in " << Describe(client);
    }

    // A result counted while it is open shows at once; once closed, it stays closed.
    KestroCore& core = main.Shell().Core();
    core.HandleTicketPurchase(0, '4', 0);
    core.HandleAnnouncement(
        Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"));
    core.HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
    ASSERT_EQ(SendMessageW(history.Latest(), LB_GETCOUNT, 0, 0), 3);
    SendMessageW(history.Latest(), LB_GETTEXT, 0, reinterpret_cast<LPARAM>(newest));
    EXPECT_TRUE(std::wstring(newest).ends_with(L"単勝  ④  券 ④  的中")) << ToUtf8(newest);

    const HWND keep = history.KeepSwitch();
    ASSERT_EQ(SendMessageW(keep, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(keep, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(keep, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ReadIni().ReadInteger("History", "KeepHistory", -1), 0);
    const HWND restore = history.RestoreSwitch();
    ASSERT_EQ(SendMessageW(restore, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(restore, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadIni().ReadInteger("History", "RestoreTimetable", -1), 1);
    SendMessageW(window, WM_CLOSE, 0, 0);
    core.HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
    EXPECT_FALSE(IsWindowVisible(window));
    CloseMain();
}

// Logging off ends the process without a WM_CLOSE; a cancelled log-off saves nothing.
TEST_F(Win32FaceTest, SessionEndSavesWithoutClosing) {
    TfrmZKmain& main = Show();
    SendMessageW(main.Handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(std::filesystem::exists(test::Utf8Path(iniPath_)));
    SendMessageW(main.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadIni().ReadInteger("TfrmZKmain", "PlaceShowCmd", -1), SW_SHOWNORMAL);
    EXPECT_TRUE(main.Alive());
}

TEST_F(Win32FaceTest, SettingsDialogEnterKeepsTheEditsAndEscDropsThem) {
    const SoundEventInfo& win = SoundEventInfoOf(SoundEvent::ResultWin);
    const int winRow = 7;
    ASSERT_EQ(kConfigDialogRows[winRow].event, SoundEvent::ResultWin);
    // Paths are UTF-8 in the file; one written by an older program in the ANSI
    // code page (1252 here) is shown as the same name and kept byte for byte.
    const SoundEventInfo& first = SoundEventInfoOf(kConfigDialogRows[0].event);
    const std::string legacy = "C:\\Cr\xE8me\\legacy.wav";
    struct Case {
        WPARAM key;
        bool kept;
    };
    for (const Case& c : {Case{VK_RETURN, true}, Case{VK_ESCAPE, false}}) {
        SCOPED_TRACE(c.key == VK_RETURN ? "Enter" : "Esc");
        WriteIni(std::string("[Sound]\r\nSoundEnabled=0\r\n") + std::string(win.soundKey) +
                 "=C:\\Crème\\old.wav\r\n" + std::string(first.soundKey) + "=" + legacy + "\r\n");
        TfrmZKmain& main = Show();
        RECT client{};
        std::wstring caption;
        int widestAdapter = 0;
        int droppedWidth = 0;
        std::wstring shownWin, shownLegacy;
        WithModalDialog(
            main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiConfig), [&](HWND dialog) {
                caption = WindowText(dialog);
                client = ClientRect(dialog);
                widestAdapter = 0;
                const HWND adapters = GetDlgItem(dialog, TfrmZKconfig::cboAdapter);
                const HDC dc = GetDC(adapters);
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(adapters, WM_GETFONT, 0, 0)));
                for (LRESULT i = 0; i < SendMessageW(adapters, CB_GETCOUNT, 0, 0); ++i) {
                    std::wstring label(SendMessageW(adapters, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
                    SendMessageW(adapters, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(label.data()));
                    SIZE extent{};
                    GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size() - 1),
                                          &extent);
                    widestAdapter = std::max<int>(widestAdapter, extent.cx);
                }
                ReleaseDC(adapters, dc);
                droppedWidth = static_cast<int>(SendMessageW(adapters, CB_GETDROPPEDWIDTH, 0, 0));
                SendDlgItemMessageW(dialog, TfrmZKconfig::chkSoundEnabled, BM_CLICK, 0, 0);
                SendDlgItemMessageW(dialog, TfrmZKconfig::cboAdapter, CB_SETCURSEL, 0, 0);
                const HWND edit = GetDlgItem(dialog, TfrmZKconfig::kRowEditBase + winRow);
                shownWin = WindowText(edit);
                shownLegacy = WindowText(GetDlgItem(dialog, TfrmZKconfig::kRowEditBase));
                SetWindowTextW(edit, L"C:\\テスト\\한글.wav");
                PressKey(edit, c.key);
            });
        EXPECT_EQ(caption, L"設定 - Kestro");
        EXPECT_EQ(shownWin, L"C:\\Crème\\old.wav");
        EXPECT_EQ(shownLegacy, L"C:\\Crème\\legacy.wav");
        // Adapters are named by GUID: the open list shows each entry whole.
        EXPECT_GT(droppedWidth, widestAdapter);
        EXPECT_TRUE(RectIs(client, 0, 0, config_layout::kClientWidth, config_layout::kClientHeight))
            << Describe(client);
        // The adapter is kept by name too: Windows may list it elsewhere next time.
        const std::vector<std::string> names = main.Shell().Snoop().AdapterNames();
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(ReadIni().ReadString("Snoop", "AdapterName", ""), c.kept ? names[0] : "");
        // OK saves at once, so a crash or a signal later loses nothing; Esc writes nothing.
        EXPECT_EQ(ReadIni().ReadString("Sound", win.soundKey, ""),
                  c.kept ? "C:\\テスト\\한글.wav" : "C:\\Crème\\old.wav");
        EXPECT_EQ(ReadIni().ReadString("Sound", first.soundKey, ""), legacy);
        CloseMain();
        const IniFile ini = ReadIni();
        EXPECT_EQ(ini.ReadBool("Sound", "SoundEnabled", !c.kept), c.kept);
        EXPECT_EQ(ini.ReadString("Sound", win.soundKey, ""),
                  c.kept ? "C:\\テスト\\한글.wav" : "C:\\Crème\\old.wav");
        // The dialog's own placement section, saved at every close.
        EXPECT_EQ(ini.ReadInteger("TfrmZKconfig", "PlaceNormalPos.Left", -1), config_layout::kLeft);
    }
    EXPECT_TRUE(errors_.empty());
}

// The reminders window drawn in Win32: its size, the settings shown, an
// untouched path given back as it was, and Enter's values in the file at once.
TEST_F(Win32FaceTest, RemindersWindowShowsTheSettingsAndSavesItsOk) {
    WriteIni(
        "[Reminders]\r\nSinglesExchangeDeadlineEnabled=1\r\n"
        "SinglesExchangeDeadlineSound=C:\\x\\won.wav\r\n"
        "[Notifications]\r\nResultWin=1\r\n");
    TfrmZKmain& main = Show();
    std::wstring caption, won, wonSound, notifyWin;
    bool notifyWinChecked = false;
    RECT client{};
    bool wonChecked = false;
    HWND noTicketOfAcceptance = nullptr;
    WithModalDialog(
        main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiReminders), [&](HWND dialog) {
            caption = WindowText(dialog);
            client = ClientRect(dialog);
            won = WindowText(GetDlgItem(dialog, TfrmZKreminders::kCheckBase + 2));
            wonChecked = IsDlgButtonChecked(dialog, TfrmZKreminders::kCheckBase + 2) == BST_CHECKED;
            wonSound = WindowText(GetDlgItem(dialog, TfrmZKreminders::kSoundBase + 2));
            noTicketOfAcceptance = GetDlgItem(dialog, TfrmZKreminders::kNoTicketBase + 0);
            SendDlgItemMessageW(dialog, TfrmZKreminders::kCheckBase + 4, BM_CLICK, 0, 0);
            SendDlgItemMessageW(dialog, TfrmZKreminders::kNoTicketBase + 4, BM_CLICK, 0, 0);
            // The desktop's switches: ResultWin is the sixth of them, RaceStart the fifth.
            notifyWin = WindowText(GetDlgItem(dialog, TfrmZKreminders::kNotifyEventBase + 5));
            notifyWinChecked =
                IsDlgButtonChecked(dialog, TfrmZKreminders::kNotifyEventBase + 5) == BST_CHECKED;
            SendDlgItemMessageW(dialog, TfrmZKreminders::kNotifyReminders, BM_CLICK, 0, 0);
            SendDlgItemMessageW(dialog, TfrmZKreminders::kNotifyEventBase + 4, BM_CLICK, 0, 0);
            const HWND lead = GetDlgItem(dialog, TfrmZKreminders::kLeadBase + 4);
            SetWindowTextW(lead, L"150");
            PressKey(lead, VK_RETURN);
        });
    EXPECT_EQ(caption, L"リマインダー");
    EXPECT_TRUE(
        RectIs(client, 0, 0, reminders_layout::kClientWidth, reminders_layout::kClientHeight))
        << Describe(client);
    EXPECT_EQ(won, L"単勝 交換締切");
    EXPECT_TRUE(wonChecked);
    EXPECT_EQ(wonSound, L"C:\\x\\won.wav");
    EXPECT_EQ(noTicketOfAcceptance, nullptr);  // the start's rows only
    const IniFile ini = ReadIni();
    EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartEnabled", ""), "1");
    EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartLead", ""), "150");
    EXPECT_EQ(ini.ReadString("Reminders", "DoublesStartNoTicketOnly", ""), "0");
    EXPECT_EQ(ini.ReadString("Reminders", "SinglesExchangeDeadlineSound", ""), "C:\\x\\won.wav");
    EXPECT_EQ(notifyWin, L"当選");
    EXPECT_TRUE(notifyWinChecked);
    EXPECT_EQ(ini.ReadString("Notifications", "Reminders", ""), "0");
    EXPECT_EQ(ini.ReadString("Notifications", "RaceStart", ""), "1");
    EXPECT_EQ(ini.ReadString("Notifications", "ResultWin", ""), "1");
    CloseMain();
    EXPECT_TRUE(errors_.empty());
}

// A refused write is reported by the shell, as in every face: while races are
// followed no box and the reason logged once (the dialog's two closes); at the
// close the box once per file and the reason at each refusal (close, destroy).
TEST_F(Win32FaceTest, ARefusedWriteShowsOneBoxAndLogsEveryReason) {
    ASSERT_TRUE(std::filesystem::create_directory(test::Utf8Path(iniPath_)));
    TfrmZKmain& main = Show();
    for (int i = 0; i < 2; ++i) {
        WithModalDialog(main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiConfig),
                        [&](HWND dialog) { PressKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE); });
    }
    CloseMain();
    const std::string message = iniPath_ + " に書き込めません";
    EXPECT_EQ(errors_, std::vector<std::string>{message});
    const std::wstring log = forms_->log.Text();
    const std::wstring logged = FromUtf8(message + ": ");
    int reasons = 0;
    for (std::size_t at = log.find(logged); at != std::wstring::npos;
         at = log.find(logged, at + 1)) {
        ++reasons;
    }
    EXPECT_EQ(reasons, 3) << ToUtf8(log);
}

TEST_F(Win32FaceTest, PlacementIsRestoredInTheNormalStateAndSavedBack) {
    WriteIni(
        "[TfrmZKmain]\r\nPlaceShowCmd=2\r\nPlaceNormalPos.Left=100\r\nPlaceNormalPos.Top=50\r\n"
        "PlaceNormalPos.Right=545\r\nPlaceNormalPos.Bottom=165\r\n");
    TfrmZKmain& main = Show();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(main.Handle(), &placement));
    // Where it was, at its design size: the window cannot be resized.
    const RECT& normal = placement.rcNormalPosition;
    EXPECT_EQ(normal.left, 100);
    EXPECT_EQ(normal.top, 50);
    EXPECT_TRUE(RectIs(ClientRect(main.Handle()), 0, 0, kClientWidth, kClientHeight))
        << Describe(ClientRect(main.Handle()));
    EXPECT_FALSE(IsIconic(main.Handle()));
    EXPECT_TRUE(IsWindowVisible(main.Handle()));

    CloseMain();
    const IniFile ini = ReadIni();
    const int32_t expected[] = {100, 50, normal.right, normal.bottom};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ini.ReadInteger("TfrmZKmain", VuIniMng::kPlacementKeys[6 + i], -1), expected[i])
            << VuIniMng::kPlacementKeys[6 + i];
    }
    EXPECT_EQ(ini.ReadInteger("TfrmZKmain", "PlaceShowCmd", -1), SW_SHOWNORMAL);
}

// Per-monitor awareness: a move to a 144-DPI screen scales the whole layout by
// 1.5, and the way back restores the designed pixels. A placement saved at a
// lower DPI (smaller than the layout) keeps its position but cannot clip it.
TEST_F(Win32FaceTest, LayoutFollowsTheWindowDpiAndASmallSavedPlacementCannotClipIt) {
    WriteIni(
        "[TfrmZKmain]\r\nPlaceShowCmd=1\r\nPlaceNormalPos.Left=100\r\nPlaceNormalPos.Top=50\r\n"
        "PlaceNormalPos.Right=300\r\nPlaceNormalPos.Bottom=100\r\n"
        "[TfrmZKconfig]\r\nPlaceShowCmd=1\r\nPlaceNormalPos.Left=10\r\nPlaceNormalPos.Top=20\r\n"
        "PlaceNormalPos.Right=110\r\nPlaceNormalPos.Bottom=120\r\n");
    TfrmZKmain& main = Show();
    RECT outer{};
    GetWindowRect(main.Handle(), &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 50);
    EXPECT_TRUE(RectIs(ClientRect(main.Handle()), 0, 0, kClientWidth, kClientHeight))
        << Describe(ClientRect(main.Handle()));
    RECT client{};
    WithModalDialog(main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiConfig), [&](HWND dialog) {
        client = ClientRect(dialog);
        PressKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
    });
    EXPECT_TRUE(RectIs(client, 0, 0, config_layout::kClientWidth, config_layout::kClientHeight))
        << Describe(client);

    for (const UINT dpi : {144u, 96u}) {
        SCOPED_TRACE(dpi);
        const auto px = [dpi](int pixels) { return Scaled(pixels, dpi); };
        RECT suggested{};
        GetWindowRect(main.Handle(), &suggested);
        SendMessageW(main.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_TRUE(RectIs(ClientRect(main.Handle()), 0, 0, px(kClientWidth), px(kClientHeight)))
            << Describe(ClientRect(main.Handle()));
        EXPECT_TRUE(RectIs(ChildRect(main.StatusBar()), 0, px(kClientHeight - kStatusBarHeight),
                           px(kClientWidth), px(kStatusBarHeight)))
            << Describe(ChildRect(main.StatusBar()));
        for (const DisplayControl& design : kDisplayControls) {
            const HWND control = main.Field(design.field);
            EXPECT_TRUE(RectIs(ChildRect(control), px(design.left), px(design.top),
                               px(design.width), px(design.height)))
                << PanelFieldName(design.field) << " at " << Describe(ChildRect(control));
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                       sizeof font, &font);
            EXPECT_EQ(font.lfHeight,
                      -px(design.style == TextStyle::A ? kStyleAFontPixels : kStyleBFontPixels))
                << PanelFieldName(design.field);
        }
    }
    EXPECT_TRUE(errors_.empty());
}

// A window of fixed size saved at another display scale (the other of 96 and
// 144 dots per inch) opens at this scale's design size where it was, and the
// settings dialog stays inside the work area with its OK and Cancel row. The
// Windows leg runs this at 96 dots per inch and again, in a prefix of its own,
// at 144 on a 1280x800 screen (tests/win32/own-prefix).
TEST_F(Win32FaceTest, DisplayScaleGivesDesignSizesInsideTheWorkArea) {
    const UINT dpi = WindowDpi(nullptr);
    const UINT other = dpi == 96 ? 144 : 96;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::cout << "display scale: " << dpi << " dpi, work area " << Describe(work) << "\n";
    const auto outerAt = [](DWORD style, int width, int height) {
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, style, FALSE, 0);
        return SIZE{frame.right - frame.left, frame.bottom - frame.top};
    };
    const DWORD mainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const SIZE mainThere =
        outerAt(mainStyle, Scaled(kClientWidth, other), Scaled(kClientHeight, other));
    const SIZE dialogThere = outerAt(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                     Scaled(config_layout::kClientWidth, other),
                                     Scaled(config_layout::kClientHeight, other));
    // The dialog saved near the bottom right corner of the screen.
    const LONG dialogLeft = work.right - 100;
    const LONG dialogTop = work.bottom - 100;
    WriteIni(
        "[TfrmZKmain]\r\nPlaceShowCmd=1\r\nPlaceNormalPos.Left=100\r\nPlaceNormalPos.Top=50\r\n"
        "PlaceNormalPos.Right=" +
        std::to_string(100 + mainThere.cx) +
        "\r\nPlaceNormalPos.Bottom=" + std::to_string(50 + mainThere.cy) +
        "\r\n[TfrmZKconfig]\r\nPlaceShowCmd=1\r\nPlaceNormalPos.Left=" +
        std::to_string(dialogLeft) + "\r\nPlaceNormalPos.Top=" + std::to_string(dialogTop) +
        "\r\nPlaceNormalPos.Right=" + std::to_string(dialogLeft + dialogThere.cx) +
        "\r\nPlaceNormalPos.Bottom=" + std::to_string(dialogTop + dialogThere.cy) + "\r\n");
    TfrmZKmain& main = Show();
    ASSERT_EQ(main.Dpi(), static_cast<int>(dpi));
    RECT outer{};
    GetWindowRect(main.Handle(), &outer);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 50);
    EXPECT_TRUE(RectIs(ClientRect(main.Handle()), 0, 0, Scaled(kClientWidth, dpi),
                       Scaled(kClientHeight, dpi)))
        << Describe(ClientRect(main.Handle())) << " at " << dpi;

    RECT dialogRect{}, okRect{}, cancelRect{}, client{};
    WithModalDialog(main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiConfig), [&](HWND dialog) {
        GetWindowRect(dialog, &dialogRect);
        GetWindowRect(GetDlgItem(dialog, IDOK), &okRect);
        GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancelRect);
        client = ClientRect(dialog);
        PressKey(GetDlgItem(dialog, IDCANCEL), VK_ESCAPE);
    });
    const auto inside = [&](const RECT& r) {
        return r.left >= work.left && r.top >= work.top && r.right <= work.right &&
               r.bottom <= work.bottom;
    };
    EXPECT_TRUE(inside(dialogRect)) << Describe(dialogRect) << " in " << Describe(work);
    EXPECT_TRUE(inside(okRect) && inside(cancelRect)) << Describe(okRect) << Describe(cancelRect);
    // Never below the design size; at most this scale's.
    EXPECT_GE(client.right, config_layout::kClientWidth);
    EXPECT_GE(client.bottom, config_layout::kClientHeight);
    EXPECT_LE(client.bottom, Scaled(config_layout::kClientHeight, dpi)) << Describe(client);
    CloseMain();
    EXPECT_EQ(ReadIni().ReadInteger("TfrmZKmain", "PlaceNormalPos.Right", -1), outer.right);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Win32FaceTest, AboutBoxShowsTheDecodedPictureAndOpensTheLink) {
    TfrmZKmain& main = Show();
    RECT client{}, pictureRect{};
    BITMAP picture{};
    std::wstring link;
    WithModalDialog(main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiAbout), [&](HWND dialog) {
        client = ClientRect(dialog);
        const HWND image = GetDlgItem(dialog, TfrmZKabout::imgDorvik);
        pictureRect = ChildRect(image);
        const auto bitmap =
            reinterpret_cast<HBITMAP>(SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0));
        if (bitmap != nullptr) {
            GetObjectW(bitmap, sizeof picture, &picture);
        }
        const HWND url = GetDlgItem(dialog, TfrmZKabout::labURL);
        link = WindowText(url);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(TfrmZKabout::labURL, STN_CLICKED),
                     reinterpret_cast<LPARAM>(url));
        PressKey(GetDlgItem(dialog, IDOK), VK_RETURN);
    });
    EXPECT_TRUE(RectIs(client, 0, 0, 378, 159)) << Describe(client);
    EXPECT_EQ(picture.bmWidth, 107);
    EXPECT_EQ(picture.bmHeight, 150);
    EXPECT_TRUE(RectIs(pictureRect, 4, 4, 107, 150)) << Describe(pictureRect);
    EXPECT_EQ(link, FromUtf8(kHomePage));
    const std::string folder = test::Utf8String(test::RunningExecutable().parent_path());
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], std::string("open|") + kHomePage + "|" + folder);
}

TEST_F(Win32FaceTest, LogWindowWrapsLongLinesWithBothScrollBarsAndOnlyHidesOnClose) {
    TfrmZKlog log;
    const LONG_PTR style = GetWindowLongPtrW(log.Memo(), GWL_STYLE);
    EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), WS_HSCROLL | WS_VSCROLL);
    EXPECT_EQ(WindowText(log.Handle()), L"ログ表示");
    RECT outer{};
    GetWindowRect(log.Handle(), &outer);
    EXPECT_TRUE(RectIs(outer, 347, 107, 392, 252)) << Describe(outer);

    const std::wstring longLine(300, L'あ');
    log.AppendLine(L"12:00:00.000 - first");
    log.AppendLine(longLine);
    // Two lines of text, the second wrapped onto several lines of the window.
    EXPECT_GT(SendMessageW(log.Memo(), EM_GETLINECOUNT, 0, 0), 3);
    // The first wrap falls inside the text area, not under the vertical scroll
    // bar: the end of the long line's first row is left of the client's edge.
    const auto rowEnd = [&] {
        const LRESULT next = SendMessageW(log.Memo(), EM_LINEINDEX, 2, 0);
        POINTL last{}, before{};
        SendMessageW(log.Memo(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), next - 1);
        SendMessageW(log.Memo(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&before), next - 2);
        return last.x + (last.x - before.x);
    };
    EXPECT_LE(rowEnd(), ClientRect(log.Memo()).right);
    // Line ends as the control reports them: "\r", or "\r\n" through WM_GETTEXT.
    std::wstring text = log.Text();
    std::erase(text, L'\n');
    EXPECT_EQ(text, L"12:00:00.000 - first\r" + longLine);

    // On a monitor of another scale: the system's suggested frame, the face scaled.
    const auto faceHeight = [&] {
        CHARFORMATW format{};
        format.cbSize = sizeof format;
        SendMessageW(log.Memo(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        return format.yHeight;
    };
    const LONG height96 = faceHeight();
    RECT suggested{347, 107, 347 + Scaled(392, 144), 107 + Scaled(252, 144)};
    SendMessageW(log.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(log.Handle(), &outer);
    EXPECT_TRUE(RectIs(outer, 347, 107, Scaled(392, 144), Scaled(252, 144))) << Describe(outer);
    EXPECT_TRUE(RectIs(ChildRect(log.Memo()), 0, 0, ClientRect(log.Handle()).right,
                       ClientRect(log.Handle()).bottom));
    EXPECT_EQ(faceHeight() * 2, height96 * 3);

    log.Show();
    SendMessageW(log.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(log.Handle()));
    EXPECT_FALSE(IsWindowVisible(log.Handle()));
    log.Clear();
    EXPECT_EQ(log.Text(), L"");
}

TEST_F(Win32FaceTest, WithoutCaptureDriverTheWindowStartsAndSaysWhatIsMissing) {
    wpcap::ReloadForTesting("kestro-no-such-wpcap.dll");
    TfrmZKmain& main = Show();
    wpcap::ReloadForTesting("wpcap.dll");
    // In the window's Japanese, with what to install.
    ASSERT_EQ(errors_.size(), 1u);  // the failed enumeration, in the error box
    EXPECT_EQ(errors_[0],
              "キャプチャドライバ (wpcap.dll) を読み込めません。Npcap (https://npcap.com/) "
              "をインストールしてください (WinPcap 互換モードでなくても使えます)");
    EXPECT_TRUE(IsWindowVisible(main.Handle()));
    EXPECT_EQ(main.StatusText(0),
              L"キャプチャドライバがありません → Npcap をインストールしてください");
    EXPECT_NE(forms_->log.Text().find(FromUtf8(errors_[0])), std::wstring::npos);
}

// Both ends of a real TCP connection on 127.0.0.1:5121, with Windows sockets.
class LoopbackGame {
public:
    ~LoopbackGame() {
        for (SOCKET s : {client_, server_, listener_}) {
            if (s != INVALID_SOCKET) {
                closesocket(s);
            }
        }
        WSACleanup();
    }
    std::string Open() {
        WSADATA data{};
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
            return "WSAStartup";
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(5121);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 1) != 0) {
            return "bind 127.0.0.1:5121: " + std::to_string(WSAGetLastError());
        }
        client_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (connect(client_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            return "connect: " + std::to_string(WSAGetLastError());
        }
        server_ = accept(listener_, nullptr, nullptr);
        const BOOL on = TRUE;
        for (SOCKET s : {client_, server_}) {  // one send, one segment
            setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        }
        return server_ == INVALID_SOCKET ? "accept" : "";
    }
    // From the game server to the client, read at the far end.
    bool FromServer(const std::string& payload) {
        std::string sink(payload.size(), '\0');
        return send(server_, payload.data(), static_cast<int>(payload.size()), 0) ==
                   static_cast<int>(payload.size()) &&
               recv(client_, sink.data(), static_cast<int>(sink.size()), MSG_WAITALL) ==
                   static_cast<int>(sink.size());
    }

private:
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    SOCKET server_ = INVALID_SOCKET;
};

std::string Le16(uint16_t value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string MapPacket(const std::string& map) {
    std::string name = map;
    name.resize(16, '\0');
    return Le16(0x0091) + name + Le16(150) + Le16(97);
}

std::string AnnouncerPacket(const char* utf8) {
    // id, length, colour, weight, size, alignment, position, text with its NUL
    std::string packet = Le16(0x01C3) + Le16(0) + std::string("\xFF\xFF\0\0", 4) + Le16(0x0190) +
                         Le16(12) + Le16(0) + Le16(0) + Utf8ToCp932(utf8) + std::string(1, '\0');
    packet.replace(2, 2, Le16(static_cast<uint16_t>(packet.size())));
    return packet;
}

TEST_F(Win32FaceTest, LiveGameTrafficOnLoopbackMovesARaceOnThePanel) {
    Create();
    const std::vector<std::string>& descriptions =
        forms_->main.Shell().Snoop().AdapterDescriptions();
    const auto lo = std::find(descriptions.begin(), descriptions.end(), "lo");
    if (lo == descriptions.end()) {
        GTEST_SKIP() << "no loopback adapter described as \"lo\" (Wine's wpcap.dll lists it so)";
    }
    WriteIni("[Snoop]\r\nAdapterIndex=" + std::to_string(lo - descriptions.begin()) + "\r\n");
    TfrmZKmain& main = forms_->main;
    main.Show();
    if (!main.Shell().Snoop().Active()) {
        GTEST_SKIP() << "capture on lo did not open (it needs root): "
                     << main.Shell().Snoop().LastError();
    }
    EXPECT_TRUE(main.Shell().TimerEnabled());
    LoopbackGame game;
    ASSERT_EQ(game.Open(), "");

    ASSERT_TRUE(game.FromServer(MapPacket("p_track01.gat")));
    EXPECT_TRUE(PumpUntil([&] { return main.StatusText(0) == L"マップ移動: p_track01.gat"; }))
        << ToUtf8(main.StatusText(0));
    ASSERT_TRUE(game.FromServer(
        AnnouncerPacket("モンスターレースダブルスがスタートします。皆様の幸運を祈ります。")));
    EXPECT_TRUE(PumpUntil([&] {
        return WindowText(main.Field(PanelField::txtStatusDouble)) == L"レース中";
    })) << ToUtf8(WindowText(main.Field(PanelField::txtStatusDouble)));
    EXPECT_EQ(WindowText(main.Field(PanelField::txtClockStatusDouble)), L"タイム");
    // The log window took both lines, time-stamped.
    const std::wstring log = forms_->log.Text();
    EXPECT_NE(log.find(L" - マップ移動: p_track01.gat"), std::wstring::npos);
    EXPECT_NE(log.find(L" - 天の声: モンスターレースダブルスがスタートします。"),
              std::wstring::npos);
    CloseMain();
    EXPECT_FALSE(forms_->main.Shell().Snoop().Active());
    EXPECT_TRUE(errors_.empty());
}

}  // namespace
}  // namespace kestro::win32
