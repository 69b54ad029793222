// The replay in the main window on the offscreen platform: scenario captures
// fed to the real windows at high speed, with settings files in a temporary
// folder that the replay may read and must never write.
#include "app/replay/gui_replay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/compact_form.h"
#include "app/history_window.h"
#include "common/cp932.h"
#include "scenario.h"
#include "settings/vu_ini_mng.h"
#include "support/forms.h"
#include "support/portable.h"

namespace kestro {
namespace {

// A Singles race run from the track: ticket on 3, start, winner 3.
constexpr const char* kShortSingles = R"(date 2009-03-27
12:00:00.000 server map p_track01.gat
12:00:01.000 client ticket single 3
12:00:02.500 server announce "モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"
12:00:20.500 server announce "優勝モンスターは3番のモンスターです！"
)";
constexpr double kShortSinglesSeconds = 20.5;

// A map change, then nothing for an hour.
constexpr const char* kLongPause = R"(date 2009-03-27
12:00:00.000 server map hugel.gat
13:00:00.000 server map p_track01.gat
)";

class GuiReplayTest : public test::FormsTest<ReplayWindow> {
protected:
    void TearDown() override {
        FormsTest::TearDown();
        clock_.reset();
    }

    std::string Path(const char* name) const { return dir_.Path(name); }

    std::string WriteCapture(const char* name, const char* scenarioText) {
        const std::string path = Path(name);
        scenario::PcapWriter writer;
        std::string error;
        EXPECT_TRUE(writer.Open(path, error)) << error;
        for (const scenario::Frame& frame : scenario::BuildScenario(scenarioText)) {
            writer.Write(frame.seconds, frame.microseconds, frame.bytes);
        }
        EXPECT_TRUE(writer.Commit(error)) << error;
        return path;
    }

    void WriteFile(const std::string& path, const std::string& text) {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    static QByteArray ReadFile(const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The four windows in the program's order, replaying `capture` at `speed`;
    // the settings are read from `settingsFile` ("" for none) and never written.
    ReplayWindow& Create(const std::string& capture, double speed,
                         const std::string& settingsFile = "") {
        VuIniMng::SetIniFileReadOnly(settingsFile);
        clock_ = std::make_unique<ReplayClock>(
            FirstFrameMicros(capture, "tcp port 5121").value_or(0), speed);
        return CreateForms(*clock_, capture);
    }

    QString Field(PanelField field) const { return forms_->main.Field(field)->text(); }

    // The scenario's times are read as local times; the panel shows local times.
    const test::ScopedEnv tz_{"TZ", "UTC"};
    std::unique_ptr<ReplayClock> clock_;
};

TEST_F(GuiReplayTest, ARaceAtSixtyTimesSpeedReachesItsResultInTheRecordingsTime) {
    const std::string capture = WriteCapture("singles.pcap", kShortSingles);
    ReplayWindow& main = Create(capture, 60);
    QElapsedTimer real;
    real.start();
    main.show();
    ASSERT_TRUE(main.Shell().Snoop().Active()) << main.Shell().Snoop().LastError();
    EXPECT_TRUE(main.Replaying());
    EXPECT_EQ(main.RealTime().interval(), 16);
    EXPECT_TRUE(main.RealTime().isActive());

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Field(PanelField::txtStatusSingle) == QStringLiteral("確定"); }, 10000))
        << Field(PanelField::txtStatusSingle).toStdString();
    // The winner was held back until its time had come, not handed over at once.
    EXPECT_GE(real.elapsed(), static_cast<qint64>(kShortSinglesSeconds / 60 * 1000) - 20);
    EXPECT_EQ(Field(PanelField::txtTicketSingle), QStringLiteral("③"));
    EXPECT_EQ(Field(PanelField::txtResultSingle), QStringLiteral("③"));
    EXPECT_TRUE(Field(PanelField::txtClockNow).startsWith(QStringLiteral("12:00:2")))
        << Field(PanelField::txtClockNow).toStdString();

    const QString log = LogText();
    for (const char* line : {
             " - マップ移動: p_track01.gat",
             " - チケット購入(シングルス): 3",
             " - 天の声: モンスターレースシングルスがスタートします。皆様の幸運を祈ります。",
             " - 天の声: 優勝モンスターは3番のモンスターです！",
             " - 順位確定(単勝): 3",
         }) {
        EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line;
    }
    // Each line is stamped with the recording's time, never before the frame's own.
    const qsizetype winner = log.indexOf(QStringLiteral(" - 天の声: 優勝モンスター"));
    ASSERT_GE(winner, 12);
    const QString stamp = log.mid(winner - 12, 12);
    EXPECT_GE(stamp, QStringLiteral("12:00:20.500")) << stamp.toStdString();
    EXPECT_LT(stamp, QStringLiteral("12:00:30.000")) << stamp.toStdString();
    EXPECT_EQ(main.Shell().Core().PacketCount(), 4);
}

// A real click of the pointer, through the X server and the tray host.
void ClickAt(const QPoint& at) {
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(at.x()),
                           QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")}),
        0);
}

// On a desktop with a tray (tests/app/with_tray.sh): the icon's tip follows the
// race panel, a click on the icon hides and brings back the window, its menu
// is the window's, and the close box keeps the replay running in the tray
// only once that is chosen; Exit ends.
TEST_F(GuiReplayTest, TheTrayIconTellsTheNextMomentsAndKeepsTheWindowWhenChosen) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ASSERT_FALSE(qEnvironmentVariableIsSet("KESTRO_TRAY_HOST")) << "the tray is not seen";
        GTEST_SKIP() << "no system tray on this display; tests/app/with_tray.sh gives one";
    }
    const std::string capture = WriteCapture("singles.pcap", kShortSingles);
    ReplayWindow& main = Create(capture, 60);
    main.show();
    QSystemTrayIcon* tray = main.TrayIcon();
    ASSERT_NE(tray, nullptr);
    EXPECT_TRUE(tray->isVisible());
    EXPECT_EQ(tray->contextMenu(), main.PopupMenu());
    // Run, the race's clock counts up: its status instead.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Field(PanelField::txtStatusSingle) == QStringLiteral("確定"); }, 10000));
    if (Field(PanelField::txtClockStatusSingle) == QStringLiteral("タイム")) {
        EXPECT_EQ(tray->toolTip(), QStringLiteral("単勝 確定 / 複勝 状態不明"));
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Field(PanelField::txtClockStatusSingle) == QStringLiteral("交換締切"); },
        10000));
    EXPECT_EQ(tray->toolTip(), QStringLiteral("単勝 交換締切 あと ") +
                                   Field(PanelField::txtClockRemainSingle) +
                                   QStringLiteral(" / 複勝 状態不明"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return tray->geometry().isValid(); }, 5000));
    ClickAt(tray->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.isVisible(); }, 5000));
    EXPECT_TRUE(main.RealTime().isActive());
    QTest::qWait(QApplication::doubleClickInterval() + 100);  // a second click, not a double
    ClickAt(tray->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible(); }, 5000));

    main.PopupMenuClick(main.MenuAction(MenuItem::pmiCloseToTray));
    EXPECT_TRUE(main.MenuAction(MenuItem::pmiCloseToTray)->isChecked());
    main.close();
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(main.TrayIcon(), tray);
    // Hidden, the replay goes on: the countdown in the tip moves.
    const QString hidden = tray->toolTip();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tray->toolTip() != hidden; }, 5000));

    main.PopupMenuClick(main.MenuAction(MenuItem::pmiExit));
    EXPECT_EQ(main.TrayIcon(), nullptr);
    EXPECT_FALSE(main.RealTime().isActive());
}

// On a desktop with a tray: the strip over the game. The compact form comes
// with the shortcut in the main window's place, shows the lines the text feed
// holds, sized to them; a click on it reaches the window beneath only once
// clicks pass through it; the tray brings it back and the shortcut leaves it.
TEST_F(GuiReplayTest, TheStripShowsTheFeedsLinesAndLetsClicksThrough) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ASSERT_FALSE(qEnvironmentVariableIsSet("KESTRO_TRAY_HOST")) << "the tray is not seen";
        GTEST_SKIP() << "no system tray on this display; tests/app/with_tray.sh gives one";
    }
    const std::string capture = WriteCapture("singles.pcap", kShortSingles);
    ReplayWindow& main = Create(capture, 60);
    VuIniMng::SetIniFileNameOverride(iniPath_);  // this one keeps its switches
    main.show();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return main.TrayIcon() && main.TrayIcon()->isVisible(); }, 5000));
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiTextFeed));
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isActiveWindow(); }, 5000));
    QTest::keyClick(&main, Qt::Key_M, Qt::ControlModifier);
    TfrmZKcompact& strip = *main.CompactForm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip.isVisible() && !main.isVisible(); }, 5000));
    EXPECT_TRUE(main.MenuAction(MenuItem::pmiCompactForm)->isChecked());

    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Field(PanelField::txtClockStatusSingle) == QStringLiteral("交換締切"); },
        10000));
    const QString shown = strip.Lines()->text();
    const QByteArray fed = ReadFile(dir_.Path("kestro-feed.txt"));
    EXPECT_EQ(shown, QStringLiteral("単勝 交換締切 ") + Field(PanelField::txtClockRemainSingle) +
                         QStringLiteral("\n複勝 状態不明"));
    EXPECT_EQ(QString::fromUtf8(fed), shown + QStringLiteral("\n"));
    EXPECT_EQ(strip.size(), strip.sizeHint()) << "sized to its text";
    EXPECT_GE(strip.width(),
              strip.Lines()->fontMetrics().horizontalAdvance(QStringLiteral("単勝 交換締切 0:00")));

    // A window beneath the strip, counting the clicks that reach it.
    struct Beneath : QWidget {
        int clicks = 0;
        void mousePressEvent(QMouseEvent*) override { ++clicks; }
    } beneath;
    beneath.setGeometry(QRect(strip.geometry().topLeft() - QPoint(20, 20), QSize(400, 200)));
    beneath.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&beneath));
    strip.raise();
    QTest::qWait(200);
    const QPoint centre = strip.geometry().center();
    ClickAt(centre);
    QTest::qWait(300);
    EXPECT_EQ(beneath.clicks, 0) << "the strip takes its clicks until asked";

    main.PopupMenuClick(main.MenuAction(MenuItem::pmiClickThrough));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return strip.isVisible() && strip.windowFlags().testFlag(Qt::WindowTransparentForInput);
        },
        5000));
    strip.raise();
    QTest::qWait(200);
    ClickAt(centre);
    ASSERT_TRUE(QTest::qWaitFor([&] { return beneath.clicks == 1; }, 5000))
        << "the click did not pass through the strip";
    beneath.hide();

    // The tray's click is the way back to a strip that takes no clicks.
    QSystemTrayIcon* tray = main.TrayIcon();
    ClickAt(tray->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !strip.isVisible(); }, 5000));
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    ClickAt(tray->geometry().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip.isVisible(); }, 5000));
    EXPECT_FALSE(main.isVisible());

    // Which switches are kept and the feed emptied at the close are the shell's (its tests).
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiCompactForm));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.isVisible() && !strip.isVisible(); }, 5000));
}

TEST_F(GuiReplayTest, TheClockAndTimerRunOnAfterTheLastFrame) {
    const std::string capture = WriteCapture("singles.pcap", kShortSingles);
    ReplayWindow& main = Create(capture, 60);
    main.show();
    // The end of the file ends the capture thread, not the replay.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.Shell().Snoop().Active(); }, 10000));
    EXPECT_TRUE(main.Shell().Snoop().LastError().empty()) << main.Shell().Snoop().LastError();
    EXPECT_TRUE(main.RealTime().isActive());
    EXPECT_TRUE(main.Replaying());

    // Two virtual minutes later the clock shows them, as the timer repaints.
    const QString atEnd = Field(PanelField::txtClockNow);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Field(PanelField::txtClockNow) >= QStringLiteral("12:02:20"); }, 10000))
        << atEnd.toStdString() << " then " << Field(PanelField::txtClockNow).toStdString();
    // and the timer's rules have carried the race on from its result.
    EXPECT_NE(Field(PanelField::txtStatusSingle), QStringLiteral("確定"));
}

TEST_F(GuiReplayTest, ClosingWhileTheNextFrameIsAnHourAwayReturnsPromptly) {
    const std::string capture = WriteCapture("pause.pcap", kLongPause);
    ReplayWindow& main = Create(capture, 1);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return LogText().contains(QStringLiteral("マップ移動: hugel.gat")); }, 10000));
    ASSERT_TRUE(main.Shell().Snoop().Active());

    QElapsedTimer closing;
    closing.start();
    EXPECT_TRUE(main.close());
    // The capture thread sleeps in slices and looks at the close between them.
    EXPECT_LT(closing.elapsed(), 2000);
    EXPECT_FALSE(main.Shell().Snoop().Active());
    EXPECT_FALSE(main.RealTime().isActive());
    EXPECT_FALSE(LogText().contains(QStringLiteral("p_track01.gat")));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(GuiReplayTest, DestroyingTheWindowMidReplayEndsTheWaitingCaptureThread) {
    const std::string capture = WriteCapture("pause.pcap", kLongPause);
    ReplayWindow& main = Create(capture, 1);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return LogText().contains(QStringLiteral("マップ移動: hugel.gat")); }, 10000));
    QElapsedTimer destroying;
    destroying.start();
    forms_.reset();
    EXPECT_LT(destroying.elapsed(), 2000);
}

TEST_F(GuiReplayTest, TheSettingsFileIsReadAndNeverWritten) {
    const std::string capture = WriteCapture("singles.pcap", kShortSingles);
    const std::string ini = Path("user.ini");
    const std::string text =
        "[Snoop]\nAdapterIndex=0\n[Config]\nDebug=1\nLogLevel=3\n"
        "[Function]\nSaveFormSize=1\nOpenCount=41\n";
    WriteFile(ini, text);
    ReplayWindow& main = Create(capture, 60, ini);
    main.show();
    EXPECT_TRUE(main.windowTitle().endsWith(QStringLiteral(" [DEBUG]") +
                                            QString::fromUtf8(KestroShell::kReadOnlyMark)));
    EXPECT_EQ(main.Shell().Core().GetSettings().LogLevel, 3);
    EXPECT_EQ(main.Shell().Core().GetSettings().OpenCount, 41);
    // The recording is the capture, whatever adapter the file names.
    EXPECT_EQ(main.Shell().Core().GetSettings().AdapterIndex, -1);
    EXPECT_TRUE(main.Replaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main.Shell().Snoop().Active(); }, 10000));
    // Map changes (LogLevel bit 4) are off in this file.
    EXPECT_FALSE(LogText().contains(QStringLiteral("マップ移動")));

    // The settings dialog restores and saves its placement: not here.
    NullSoundPlayer silent;
    SettingsDialog dialog(forms_->config, silent,
                          [](const Result& refused) { ADD_FAILURE() << refused.Message(); });
    dialog.FormShow();
    dialog.FormClose();
    EXPECT_TRUE(main.close());
    forms_.reset();
    EXPECT_EQ(ReadFile(ini), QByteArray::fromStdString(text));
    EXPECT_EQ(
        QDir(QString::fromStdString(dir_.Path().string())).entryList(QDir::Files | QDir::Hidden),
        QStringList({QStringLiteral("singles.pcap"), QStringLiteral("user.ini")}));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(GuiReplayTest, WithoutASettingsFileEverySettingHasItsDefaultAndNothingIsWritten) {
    const std::string capture = WriteCapture("singles.pcap", kShortSingles);
    const QString beside =
        QFileInfo(QCoreApplication::applicationFilePath()).path() + QStringLiteral("/") +
        QFileInfo(QCoreApplication::applicationFilePath()).baseName() + QStringLiteral(".ini");
    ASSERT_FALSE(QFileInfo::exists(beside)) << "left over from an earlier run";
    ReplayWindow& main = Create(capture, 60);
    main.show();
    EXPECT_EQ(main.Shell().Core().GetSettings().LogLevel, 7);
    EXPECT_EQ(main.Shell().Core().GetSettings().OpenCount, 1);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Kestro (#20090327-01)") +
                                      QString::fromUtf8(KestroShell::kReadOnlyMark));
    EXPECT_TRUE(main.close());
    forms_.reset();
    EXPECT_FALSE(QFileInfo::exists(beside));
    EXPECT_TRUE(errors_.empty());
}

// The demo as scripts/run shows it, with a history file of its own: the
// history window, open from the start, shows its two results and the
// player's two tickets as they are confirmed, and the file keeps them.
TEST_F(GuiReplayTest, TheDemoKeepsItsResultsInTheHistoryFileItIsGiven) {
    const std::string history = Path("kestro-history.csv");
    ReplayWindow& main = Create(KESTRO_DEMO_PCAP, 600);
    main.Shell().SetHistoryFile(history);
    main.show();
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiHistory));
    const TfrmZKhistory* window = main.HistoryWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->FileLine()->text().toStdString(), "履歴ファイル: " + history);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Latest()->count() == 2; }, 15000))
        << window->Latest()->count();
    // At this speed a line is handled some virtual seconds after its frame's
    // time: the seconds of each result vary from run to run.
    const auto matches = [](const QString& text, const char* pattern) {
        return QRegularExpression(QString::fromUtf8(pattern)).match(text).hasMatch();
    };
    EXPECT_PRED2(matches, window->Latest()->item(0)->text(),
                 "^2009-03-27 21:1[45]:\\d\\d  複勝  ⑥-①  券 ①-③  外れ$");
    EXPECT_PRED2(matches, window->Latest()->item(1)->text(),
                 "^2009-03-27 21:0[67]:\\d\\d  単勝  ④  券 ④  的中$");
    EXPECT_TRUE(main.close());
    forms_.reset();
    EXPECT_PRED2(matches, QString::fromUtf8(ReadFile(history)),
                 "^\\x{FEFF}?date,time,race,winner,second,ticket1,ticket2,verdict\r\n"
                 "2009-03-27,21:0[67]:\\d\\d,単勝,4,,4,,hit\r\n"
                 "2009-03-27,21:1[45]:\\d\\d,複勝,6,1,1,3,miss\r\n$");
    EXPECT_TRUE(errors_.empty());
}

// The dialog's adapter is applied when it is confirmed (RunSettingsDialog calls
// ApplyAdapter after storing the choice); the steps are driven directly here.
TEST_F(GuiReplayTest, ChoosingAnAdapterEndsTheReplayForLiveCaptureInRealTime) {
    const std::string capture = WriteCapture("pause.pcap", kLongPause);
    ReplayWindow& main = Create(capture, 1);
    main.show();
    ASSERT_TRUE(main.Replaying());

    // Confirming the dialog without an adapter keeps the replay.
    main.ApplyAdapter();
    EXPECT_TRUE(main.Replaying());
    EXPECT_TRUE(main.Shell().Snoop().Active());

    const auto& names = main.Shell().Snoop().AdapterNames();
    const auto lo = std::find(names.begin(), names.end(), "lo");
    if (lo == names.end()) {
        GTEST_SKIP() << "no loopback adapter \"lo\" in the capture adapter list";
    }
    main.Shell().Core().GetSettings().AdapterIndex = static_cast<int32_t>(lo - names.begin());
    QElapsedTimer switching;
    switching.start();
    main.ApplyAdapter();
    EXPECT_LT(switching.elapsed(), 2000);
    EXPECT_FALSE(main.Replaying());
    ASSERT_TRUE(main.Shell().Snoop().Active()) << main.Shell().Snoop().LastError();
    EXPECT_EQ(main.Shell().Snoop().AdapterName(), "lo");
    EXPECT_EQ(main.RealTime().interval(), 1000);
    EXPECT_TRUE(main.RealTime().isActive());
    // "Now" is today again, not 2009.
    EXPECT_TRUE(clock_->Live());
    EXPECT_GT(clock_->LocalNow(), EncodeDateTime(2020, 1, 1, 0, 0, 0));
}

// The log window waits for the main window's first exposure, when the window
// system has placed it, and then opens just below its frame.
TEST(GuiReplayWindowsTest, TheLogWindowOpensBelowThePlacedMainWindow) {
    test::TestApp();
    QWidget main;
    QWidget log;
    main.resize(433, 87);
    ShowBelowOncePlaced(main, log);
    QCoreApplication::processEvents();
    EXPECT_FALSE(log.isVisible()) << "nothing to follow before the main window shows";
    main.show();
    main.move(250, 140);  // as a window manager would, after the show
    ASSERT_TRUE(QTest::qWaitFor([&log] { return log.isVisible(); }, 5000));
    const QRect frame = main.frameGeometry();
    EXPECT_EQ(log.pos(), QPoint(frame.left(), frame.bottom() + 1));
    EXPECT_EQ(frame.topLeft(), QPoint(250, 140));
}

}  // namespace
}  // namespace kestro
