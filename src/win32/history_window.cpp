#include "win32/history_window.h"

#include <algorithm>
#include <vector>

#include "win32/placement.h"
#include "win32/text.h"
#include "win32/ui.h"

namespace kestro::win32 {

namespace {

constexpr wchar_t kHistoryClass[] = L"KestroHistory";
constexpr wchar_t kFiguresClass[] = L"KestroHistoryFigures";

// Design lengths at 96 dots per inch, as the Qt face lays them out.
constexpr int kFontPixels = 12;
constexpr int kRow = 16;
constexpr int kMargin = 8;
constexpr int kGap = 4;
constexpr int kColumnGap = 12;
constexpr int kRaceGap = 18;
constexpr int kFigureColumn = 52;  // "今夜" and "通算", right-aligned
constexpr int kMinBarWidth = 40;
constexpr int kPairColumns = 3;
constexpr int kFigureRows = 6;
constexpr int kClientWidth = 480;
// Enough of the latest results to read the evening's run; the rest scroll.
constexpr int kLatestRowsShown = 6;
constexpr int kSwitchHeight = 20;

// Rows of the painted part, top to bottom: a race's heading and figures, its
// winners' title and bars, the pairs' title and bars, the note.
constexpr int kWinnersTop = (1 + kFigureRows) * kRow + kGap;
constexpr int kPairsTop = kWinnersTop + (1 + 6) * kRow + 2 * kGap;
constexpr int kPairRows = (15 + kPairColumns - 1) / kPairColumns;
constexpr int kNoteTop = kPairsTop + (1 + kPairRows) * kRow + kGap;
constexpr int kFiguresHeight = kNoteTop + kRow;

const COLORREF kBarBack = RGB(0xE4, 0xE4, 0xE4);
const COLORREF kBarFill = RGB(0x2F, 0x6F, 0xB0);

int Widest(HDC dc, const std::vector<HistoryBar>& bars, std::string HistoryBar::*text) {
    int widest = 0;
    for (const HistoryBar& bar : bars) {
        const std::wstring wide = FromUtf8(bar.*text);
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    return widest;
}

void Text(HDC dc, const std::string& utf8, RECT rect, UINT align) {
    const std::wstring wide = FromUtf8(utf8);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect,
              align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void Fill(HDC dc, RECT rect, COLORREF colour) {
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// Design lengths of the bars' rows and gaps, already scaled.
struct BarMetrics {
    int row;
    int gap;
    int columnGap;
    int minBar;
};

// Bars in `columns` columns filled top to bottom; the labels and counts as
// wide as the widest of the group, so that its bars start and end together.
void DrawBars(HDC dc, const std::vector<HistoryBar>& bars, RECT area, int columns,
              const BarMetrics& m) {
    if (bars.empty()) {
        return;
    }
    const int labelWidth = Widest(dc, bars, &HistoryBar::label) + m.gap;
    const int countWidth = Widest(dc, bars, &HistoryBar::count) + m.gap;
    const int rows = (static_cast<int>(bars.size()) + columns - 1) / columns;
    const int columnWidth =
        (static_cast<int>(area.right - area.left) - (columns - 1) * m.columnGap) / columns;
    const int barWidth = std::max(m.minBar, columnWidth - labelWidth - m.gap - countWidth);
    const int inset = m.row / 4;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const int x = area.left + static_cast<int>(i) / rows * (columnWidth + m.columnGap);
        const int y = area.top + static_cast<int>(i) % rows * m.row;
        Text(dc, bars[i].label, RECT{x, y, x + labelWidth - m.gap, y + m.row}, DT_RIGHT);
        const int left = x + labelWidth;
        const int length = static_cast<int>(bars[i].length * barWidth + 0.5);
        Fill(dc, RECT{left, y + inset, left + barWidth, y + m.row - inset}, kBarBack);
        Fill(dc, RECT{left, y + inset, left + length, y + m.row - inset}, kBarFill);
        Text(dc, bars[i].count,
             RECT{left + barWidth + m.gap, y, left + barWidth + m.gap + countWidth, y + m.row},
             DT_LEFT);
    }
}

void RegisterClasses(HINSTANCE instance, WNDPROC window, WNDPROC figures) {
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    WNDCLASSEXW history{};
    history.cbSize = sizeof history;
    history.lpfnWndProc = window;
    history.hInstance = instance;
    history.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    history.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    history.lpszClassName = kHistoryClass;
    RegisterClassExW(&history);
    WNDCLASSEXW panel = history;
    panel.lpfnWndProc = figures;
    panel.hbrBackground = nullptr;  // painted whole, off screen first
    panel.lpszClassName = kFiguresClass;
    RegisterClassExW(&panel);
}

}  // namespace

TfrmZKhistory::TfrmZKhistory(std::function<void(bool)> keepChanged,
                             std::function<void(bool)> restoreChanged)
    : keepChanged_(std::move(keepChanged)), restoreChanged_(std::move(restoreChanged)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterClasses(instance, &Procedure, &FiguresProcedure);
    hwnd_ = CreateWindowExW(0, kHistoryClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, 480, 560, nullptr, nullptr, instance,
                            static_cast<HidingWindow*>(this));
    dpi_ = WindowDpi(hwnd_);
    const auto child = [&](const wchar_t* className, DWORD style, DWORD exStyle = 0) {
        return CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                               hwnd_, nullptr, instance, this);
    };
    // A long path loses its middle, never the file's name.
    labFile_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS);
    panFigures_ = child(kFiguresClass, 0);
    SetWindowLongPtrW(panFigures_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    labLatest_ = child(L"STATIC", SS_LEFT | SS_NOPREFIX);
    lstLatest_ = child(L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL | WS_TABSTOP,
                       WS_EX_CLIENTEDGE);
    chkKeep_ = child(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP);
    chkRestore_ = child(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP);
    SetProgramIcon(hwnd_);
    TakeDialogKeys(hwnd_);
    font_ = CreateProportionalFont(Px(kFontPixels));
    bold_ = CreateProportionalFont(Px(kFontPixels), true);
    fixed_ = CreateFixedPitchFont(Px(kFontPixels));
    SetFontOfAll(hwnd_, font_);
    SendMessageW(lstLatest_, WM_SETFONT, reinterpret_cast<WPARAM>(fixed_), FALSE);
    const int listHeight = kLatestRowsShown * kRow + 4;
    SetClientSize(hwnd_, Px(kClientWidth),
                  Px(kRow + kGap + kFiguresHeight + kGap + kRow + listHeight + kGap +
                     2 * kSwitchHeight + 2 * kMargin));
    RECT client{};
    GetClientRect(hwnd_, &client);
    LayOut(client.right, client.bottom);
}

TfrmZKhistory::~TfrmZKhistory() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
    for (const HFONT font : {font_, bold_, fixed_}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
}

int TfrmZKhistory::Px(int designPixels) const {
    return Scaled(designPixels, dpi_);
}

// The painted part keeps its height; the list takes what the window gives.
void TfrmZKhistory::LayOut(int width, int height) {
    const int inner = std::max(0, width - 2 * Px(kMargin));
    int y = Px(kMargin) - Px(2);
    MoveWindow(labFile_, Px(kMargin), y, inner, Px(kRow), TRUE);
    y += Px(kRow + kGap);
    MoveWindow(panFigures_, Px(kMargin), y, inner, Px(kFiguresHeight), TRUE);
    y += Px(kFiguresHeight + kGap);
    MoveWindow(labLatest_, Px(kMargin), y, inner, Px(kRow), TRUE);
    y += Px(kRow);
    const int switchTop = height - Px(kMargin + 2 * kSwitchHeight);
    MoveWindow(lstLatest_, Px(kMargin), y, inner, std::max(0, switchTop - Px(kGap) - y), TRUE);
    MoveWindow(chkKeep_, Px(kMargin), switchTop, inner, Px(kSwitchHeight), TRUE);
    MoveWindow(chkRestore_, Px(kMargin), switchTop + Px(kSwitchHeight), inner, Px(kSwitchHeight),
               TRUE);
}

void TfrmZKhistory::ShowPage(const HistoryPage& page) {
    page_ = page;
    SetWindowTextW(hwnd_, FromUtf8(page.caption).c_str());
    SetWindowTextW(labFile_, FromUtf8(page.fileLine).c_str());
    SetWindowTextW(labLatest_, FromUtf8(page.latestTitle).c_str());
    SendMessageW(lstLatest_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(lstLatest_, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : page.latest) {
        SendMessageW(lstLatest_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromUtf8(line).c_str()));
    }
    SendMessageW(lstLatest_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lstLatest_, nullptr, TRUE);
    SetWindowTextW(chkKeep_, FromUtf8(page.keepLabel).c_str());
    SendMessageW(chkKeep_, BM_SETCHECK, page.keep ? BST_CHECKED : BST_UNCHECKED, 0);
    SetWindowTextW(chkRestore_, FromUtf8(page.restoreLabel).c_str());
    SendMessageW(chkRestore_, BM_SETCHECK, page.restore ? BST_CHECKED : BST_UNCHECKED, 0);
    InvalidateRect(panFigures_, nullptr, FALSE);
}

void TfrmZKhistory::Present(HWND mainWindow) {
    if (!placed_) {
        placed_ = true;
        PlacedHwnd window(hwnd_);
        PlaceFormBeside(window, PlacedHwnd(mainWindow), false);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void TfrmZKhistory::PaintFigures(HDC dc, int width) {
    const int row = Px(kRow);
    const int raceWidth = (width - Px(kRaceGap)) / 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const BarMetrics metrics{row, Px(kGap), Px(kColumnGap), Px(kMinBarWidth)};
    for (std::size_t kind = 0; kind < page_.races.size(); ++kind) {
        const HistoryRacePage& race = page_.races[kind];
        const int left = static_cast<int>(kind) * (raceWidth + Px(kRaceGap));
        const int right = left + raceWidth;
        const int tonightRight = right - Px(kFigureColumn);
        SelectObject(dc, bold_);
        Text(dc, race.title, RECT{left, 0, tonightRight, row}, DT_LEFT);
        SelectObject(dc, font_);
        Text(dc, page_.tonightHeading, RECT{left, 0, tonightRight, row}, DT_RIGHT);
        Text(dc, page_.allTimeHeading, RECT{tonightRight, 0, right, row}, DT_RIGHT);
        for (std::size_t i = 0; i < race.figures.size(); ++i) {
            const int y = static_cast<int>(i + 1) * row;
            Text(dc, race.figures[i].label, RECT{left, y, tonightRight, y + row}, DT_LEFT);
            Text(dc, race.figures[i].tonight, RECT{left, y, tonightRight, y + row}, DT_RIGHT);
            Text(dc, race.figures[i].allTime, RECT{tonightRight, y, right, y + row}, DT_RIGHT);
        }
        const int winnersTop = Px(kWinnersTop);
        Text(dc, race.winnersTitle, RECT{left, winnersTop, right, winnersTop + row}, DT_LEFT);
        DrawBars(dc, race.winners, RECT{left, winnersTop + row, right, winnersTop + 7 * row}, 1,
                 metrics);
    }
    const HistoryRacePage& doubles = page_.races[1];
    const int pairsTop = Px(kPairsTop);
    Text(dc, doubles.pairsTitle, RECT{0, pairsTop, width, pairsTop + row}, DT_LEFT);
    DrawBars(dc, doubles.pairs, RECT{0, pairsTop + row, width, pairsTop + (1 + kPairRows) * row},
             kPairColumns, metrics);
    const int noteTop = Px(kNoteTop);
    Text(dc, page_.barsNote, RECT{0, noteTop, width, noteTop + row}, DT_LEFT);
}

LRESULT CALLBACK TfrmZKhistory::FiguresProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    auto* self = reinterpret_cast<TfrmZKhistory*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_ERASEBKGND) {
        return 1;  // the paint covers it all
    }
    if (message == WM_PAINT && self != nullptr) {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        // Drawn off screen and copied at once, so that a refresh does not flicker.
        const HDC memory = CreateCompatibleDC(dc);
        const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        const HGDIOBJ oldFont = SelectObject(memory, self->font_);
        FillRect(memory, &client, GetSysColorBrush(COLOR_BTNFACE));
        self->PaintFigures(memory, client.right);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldFont);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT TfrmZKhistory::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (chkRestore_ != nullptr) {
                LayOut(LOWORD(lParam), HIWORD(lParam));
            }
            return 0;
        case WM_GETMINMAXINFO:
            // Never so small that the painted part or a switch is cut off.
            if (chkRestore_ != nullptr) {
                RECT least{0, 0, Px(kClientWidth),
                           Px(kRow + kGap + kFiguresHeight + kGap + kRow + 2 * kRow + kGap +
                              2 * kSwitchHeight + 2 * kMargin)};
                AdjustWindowRectEx(&least, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                                   FALSE, 0);
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize = POINT{least.right - least.left, least.bottom - least.top};
            }
            return 0;
        case WM_ACTIVATE:
            // As a dialog does: the control the user was in has the keys again.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                focus_ = focus != nullptr && IsChild(hwnd_, focus) ? focus : nullptr;
            }
            break;
        case WM_SETFOCUS:
            SetFocus(focus_ != nullptr ? focus_ : lstLatest_);
            return 0;
        case WM_COMMAND:
            // Only the user's click is a choice; BM_SETCHECK sends no BN_CLICKED.
            if (HIWORD(wParam) == BN_CLICKED) {
                const auto control = reinterpret_cast<HWND>(lParam);
                const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
                if (control == chkKeep_ && keepChanged_) {
                    keepChanged_(checked);
                } else if (control == chkRestore_ && restoreChanged_) {
                    restoreChanged_(checked);
                }
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace kestro::win32
