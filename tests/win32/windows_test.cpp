// The Win32 main window, real and shown: its design rectangles and faces, its
// popup menu, the strip, the tray's balloon, the placement kept in the settings
// file at any display scale, and live game traffic on the panel.
#include "face_fixture.h"

namespace kestro::win32 {
namespace {

using namespace test_face;

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
// bring it back; the tray's click hides and shows it. Which switches are kept
// and the feed emptied at the close are the shell's (its tests).
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

    command(MenuItem::pmiCompactForm);
    EXPECT_FALSE(IsWindowVisible(strip.Handle()));
    EXPECT_TRUE(IsWindowVisible(main.Handle()));
    command(MenuItem::pmiExit);
    ASSERT_TRUE(PumpUntil([&] { return !main.Alive(); }));

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

// Logging off ends the process without a WM_CLOSE; a cancelled log-off saves nothing.
TEST_F(Win32FaceTest, SessionEndSavesWithoutClosing) {
    TfrmZKmain& main = Show();
    SendMessageW(main.Handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(std::filesystem::exists(test::Utf8Path(iniPath_)));
    SendMessageW(main.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadIni().ReadInteger("TfrmZKmain", "PlaceShowCmd", -1), SW_SHOWNORMAL);
    EXPECT_TRUE(main.Alive());
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
