// The Win32 secondary windows, real and shown: the history window, the
// settings dialog driven by the keyboard, the reminders window, the about box
// and the log window.
#include "face_fixture.h"
#include "win32/placement.h"

namespace kestro::win32 {
namespace {

using namespace test_face;

bool HasProgramIcon(HWND window) {
    return SendMessageW(window, WM_GETICON, ICON_BIG, 0) != 0 &&
           SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0;
}

// Opened beside the main window, not over it, and wholly inside its work area.
void ExpectBesideInsideTheWorkArea(HWND window, HWND main) {
    RECT frame{}, mainFrame{}, overlap{};
    GetWindowRect(window, &frame);
    GetWindowRect(main, &mainFrame);
    EXPECT_FALSE(IntersectRect(&overlap, &frame, &mainFrame))
        << Describe(frame) << " over the main window at " << Describe(mainFrame);
    const ScreenArea work = WorkAreaNear(main);
    EXPECT_TRUE(frame.left >= work.left && frame.top >= work.top && frame.right <= work.right &&
                frame.bottom <= work.bottom)
        << Describe(frame);
}

// The history window over a real file beside the settings: where the file
// is, the newest result first, a size that fits a 1024x768 screen with every
// part inside it, a result counted while it is open, and both switches handed
// to the shell (which saves them, its tests).
TEST_F(Win32FaceTest, HistoryWindowShowsTheFileAndTonightAndForwardsBothSwitches) {
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
    EXPECT_TRUE(HasProgramIcon(window));
    ExpectBesideInsideTheWorkArea(window, main.Handle());
    // Tab, as the program's message loop hands it on, moves from the list to the switches.
    SetFocus(history.Latest());
    MSG tab{history.Latest(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(TranslateDialogKeys(tab));
    EXPECT_EQ(GetFocus(), history.KeepSwitch());
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
    EXPECT_FALSE(main.Shell().Core().GetSettings().KeepHistory);
    const HWND restore = history.RestoreSwitch();
    ASSERT_EQ(SendMessageW(restore, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(restore, BM_CLICK, 0, 0);
    EXPECT_TRUE(main.Shell().Core().GetSettings().RestoreTimetable);
    SendMessageW(window, WM_CLOSE, 0, 0);
    core.HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
    EXPECT_FALSE(IsWindowVisible(window));
    CloseMain();
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
        "SinglesStartSound=C:\\Users\\player\\Documents\\Kestro sounds\\evening\\race.wav\r\n"
        "[Notifications]\r\nResultWin=1\r\n");
    TfrmZKmain& main = Show();
    // What Tab from a row's path box reaches, and how much of a long path shows.
    HWND tabFromSound = nullptr, testButton = nullptr;
    bool icon = false;
    LRESULT firstShown = 0;
    POINTL nameEnd{};
    RECT startBox{};
    std::wstring caption, won, wonSound, notifyWin;
    bool notifyWinChecked = false;
    RECT client{};
    bool wonChecked = false;
    HWND noTicketOfAcceptance = nullptr;
    WithModalDialog(
        main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiReminders), [&](HWND dialog) {
            caption = WindowText(dialog);
            client = ClientRect(dialog);
            icon = HasProgramIcon(dialog);
            ExpectBesideInsideTheWorkArea(dialog, main.Handle());
            tabFromSound = GetNextDlgTabItem(
                dialog, GetDlgItem(dialog, TfrmZKreminders::kSoundBase + 2), FALSE);
            testButton = GetDlgItem(dialog, TfrmZKreminders::kTestBase + 2);
            const HWND start = GetDlgItem(dialog, TfrmZKreminders::kSoundBase + 1);
            firstShown = LOWORD(SendMessageW(start, EM_CHARFROMPOS, 0, MAKELPARAM(2, 2)));
            const auto length = static_cast<WPARAM>(GetWindowTextLengthW(start));
            const LRESULT last = SendMessageW(start, EM_POSFROMCHAR, length - 1, 0);
            nameEnd = {static_cast<short>(LOWORD(last)), static_cast<short>(HIWORD(last))};
            startBox = ClientRect(start);
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
    EXPECT_TRUE(icon);
    EXPECT_EQ(tabFromSound, testButton);
    // "...\\race.wav": the start of the long path scrolled out, its end in the box.
    EXPECT_GT(firstShown, 0);
    EXPECT_GE(nameEnd.x, 0);
    EXPECT_LT(nameEnd.x, startBox.right);
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

TEST_F(Win32FaceTest, AboutBoxShowsTheDecodedPictureAndOpensTheLink) {
    TfrmZKmain& main = Show();
    RECT client{}, pictureRect{};
    BITMAP picture{};
    std::wstring link;
    bool icon = false;
    WithModalDialog(main.Handle(), TfrmZKmain::MenuCommand(MenuItem::pmiAbout), [&](HWND dialog) {
        client = ClientRect(dialog);
        icon = HasProgramIcon(dialog);
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
    EXPECT_TRUE(icon);
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
    EXPECT_TRUE(HasProgramIcon(log.Handle()));
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
}  // namespace
}  // namespace kestro::win32
