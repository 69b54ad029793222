// The main window on the offscreen platform, with its settings file in a
// temporary folder and real capture on the loopback adapter.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/compact_form.h"
#include "app/history_window.h"
#include "app/reminders_dialog.h"
#include "app/session_end.h"
#include "common/cp932.h"
#include "race/race_state.h"
#include "settings/vu_ini_mng.h"
#include "support/forms.h"

namespace kestro {
namespace {

const QString kCannotStart = QStringLiteral("アダプタ 999 を開けません: ");
const QString kCannotStartLog = QStringLiteral("アダプタ 999 でキャプチャを開始できません: ");

// Records the steps of show and close that touch settings and race state,
// with what the capture component and the timer were doing at each.
class RecordingMain : public TfrmZKmain {
public:
    template <typename... Args>
    explicit RecordingMain(Args&&... args) : TfrmZKmain(std::forward<Args>(args)...) {
        Shell().SetStepWatcher([this](std::string_view step) {
            steps.push_back(
                std::string(step) + State() +
                (step == "reset"
                     ? " adapter=" + std::to_string(Shell().Core().GetSettings().AdapterIndex)
                     : ""));
        });
    }
    std::vector<std::string> steps;

private:
    std::string State() {
        return std::string(Shell().Snoop().Active() ? " capturing" : " idle") +
               (RealTime().isActive() ? " timer" : "");
    }
};

class MainWindowTest : public test::FormsTest<RecordingMain> {
protected:
    RecordingMain& Create() { return CreateForms(); }

    void WriteIni(const std::string& text) {
        QFile file(QString::fromStdString(iniPath_));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    QString ReadIni() const {
        QFile file(QString::fromStdString(iniPath_));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static int LoopbackIndex(const TSnoopTCPData& snoop) {
        const auto& names = snoop.AdapterNames();
        const auto it = std::find(names.begin(), names.end(), "lo");
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
    QStringList LogLines() const {
        const QString text = LogText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    static QString FieldText(const TfrmZKmain& main, PanelField field) {
        return main.Field(field)->text();
    }
};

// The design captions read like a live race: the reset state shows at once,
// and the all-interfaces device captures without any choice.
TEST_F(MainWindowTest, FirstStartShowsTheResetPanelAndCapturesOnAllInterfaces) {
    RecordingMain& main = Create();
    main.show();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Kestro (#20090327-01)"));
    EXPECT_EQ(main.size(), QSize(433, 87));
    if (ProcessCanCapture() && main.Shell().Snoop().AllInterfacesAdapterIndex() >= 0) {
        ASSERT_TRUE(main.Shell().Snoop().Active()) << main.Shell().Snoop().LastError();
        EXPECT_EQ(main.Shell().Snoop().AdapterName(), "any");
        EXPECT_TRUE(main.RealTime().isActive());
        EXPECT_EQ(main.StatusText(0), QStringLiteral("全インターフェース (any) でキャプチャ中"));
    }

    const std::pair<PanelField, const char*> designed[] = {
        {PanelField::txtClockNow, "23:59:59"},
        {PanelField::txtStatusSingle, "受付中"},
        {PanelField::txtStatusDouble, "受付待ち"},
        {PanelField::txtClockStatusSingle, "発走時間"},
        {PanelField::txtClockStatusDouble, "出走まで"},
        {PanelField::txtClockRemainDouble, "9:59"},
        {PanelField::txtTicketSingle, "①"},
        {PanelField::txtResult2Double2, "①"},
    };
    for (const auto& [field, caption] : designed) {
        EXPECT_NE(FieldText(main, field), QString::fromUtf8(caption)) << PanelFieldName(field);
    }
    EXPECT_EQ(FieldText(main, PanelField::txtStatusSingle), QStringLiteral("状態不明"));
    EXPECT_EQ(FieldText(main, PanelField::txtClockDouble), QStringLiteral("--:--:--"));
    EXPECT_EQ(FieldText(main, PanelField::txtClockRemainSingle), QStringLiteral("-:--"));
    EXPECT_EQ(FieldText(main, PanelField::txtResult2Double2), QStringLiteral("×"));
    EXPECT_EQ(main.StatusText(1), QStringLiteral("0"));
}

TEST_F(MainWindowTest, RealtimeUpdateRefreshesAtShow) {
    WriteIni("[Config]\nRealtimeUpdate=1\n");
    RecordingMain& main = Create();
    main.show();
    EXPECT_EQ(FieldText(main, PanelField::txtStatusDouble), QStringLiteral("状態不明"));
    EXPECT_EQ(FieldText(main, PanelField::txtTicketSingle), QStringLiteral("×"));
}

TEST_F(MainWindowTest, DebugSwitchMarksTheCaption) {
    WriteIni("[Config]\nDebug=1\n");
    RecordingMain& main = Create();
    main.show();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Kestro (#20090327-01) [DEBUG]"));
}

TEST_F(MainWindowTest, ShowLoadsThenResetsThenOpensLoopbackCapture) {
    RecordingMain& main = Create();
    const int lo = LoopbackIndex(main.Shell().Snoop());
    if (lo < 0) {
        GTEST_SKIP() << "no loopback adapter \"lo\" in the capture adapter list";
    }
    WriteIni("[Snoop]\nAdapterIndex=" + std::to_string(lo) + "\n");
    // A map seen before the show must be forgotten by the reset.
    const uint8_t mapChange[] = {0x91, 0x00, 'h', 'u', 'g', 'e', 'l', '.', 'g', 'a', 't', 0};
    main.Shell().Core().SnoopTCPDataCaptureTCPData(mapChange, sizeof mapChange);
    ASSERT_EQ(main.Shell().Core().Race().CurrentMap, "hugel.gat");

    main.show();
    const std::vector<std::string> expected = {"load idle timer",
                                               "reset idle timer adapter=" + std::to_string(lo)};
    EXPECT_EQ(main.steps, expected);
    EXPECT_TRUE(main.Shell().Core().Race().CurrentMap.empty());
    ASSERT_TRUE(main.Shell().Snoop().Active()) << main.Shell().Snoop().LastError();
    EXPECT_TRUE(main.RealTime().isActive());
    EXPECT_EQ(main.RealTime().interval(), 1000);
    // List index = adapter index, read when the dialog opens; an adapter
    // without a description ("lo" on Linux) is listed by its name rather than
    // as a blank line.
    QTimer::singleShot(0, &forms_->config, [this] { forms_->config.reject(); });
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiConfig));
    EXPECT_TRUE(main.Shell().Snoop().Active());
    const QComboBox* box = forms_->config.AdapterBox();
    ASSERT_EQ(box->count(), static_cast<int>(main.Shell().Snoop().AdapterNames().size()));
    EXPECT_TRUE(box->itemText(lo).startsWith(QStringLiteral("lo")))
        << box->itemText(lo).toStdString();
    EXPECT_EQ(box->currentIndex(), lo);
    for (int i = 0; i < box->count(); ++i) {
        EXPECT_FALSE(box->itemText(i).isEmpty()) << "adapter " << i;
    }
}

// The capture's news at the start, as the shell words it (its tests), reach
// the status bar and the log window: an adapter that does not open (LogLevel 0
// must not hide it), and none configured on a machine without an
// all-interfaces device or the default route's adapter (the component's list
// narrowed to the loopback device).
TEST_F(MainWindowTest, TheStatusBarAndTheLogShowTheCapturesNewsAtTheStart) {
    for (const bool configured : {true, false}) {
        SCOPED_TRACE(configured);
        if (configured) {
            WriteIni("[Snoop]\nAdapterIndex=999\n[Config]\nLogLevel=0\n");
        }
        RecordingMain& main = Create();
        if (!configured) {
            main.Shell().Snoop().SetAdapterReader([](std::vector<AdapterInfo>& adapters) {
                const Result read = ReadAdapterInfo(false, adapters);
                std::erase_if(adapters, [](const AdapterInfo& a) { return !a.loopback; });
                return read;
            });
        }
        main.show();
        EXPECT_FALSE(main.Shell().Snoop().Active());
        EXPECT_TRUE(main.RealTime().isActive());
        const QString error = QString::fromStdString(main.Shell().Snoop().LastError());
        EXPECT_EQ(main.StatusText(0),
                  configured ? kCannotStart + error
                             : QStringLiteral("右クリック → Config... でアダプタを選んでください"));
        const QStringList lines = LogLines();
        // A first start: the pointer to the reminders, then the capture's news.
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[0].endsWith(QString::fromUtf8(KestroShell::kRemindersHintLine)));
        EXPECT_TRUE(lines[1].endsWith(
            configured ? QStringLiteral(" - ") + kCannotStartLog + error
                       : QStringLiteral(" - アダプタが未設定です。右クリック → Config... "
                                        "でキャプチャするアダプタを選んでください")))
            << lines[1].toStdString();
        main.close();
        forms_.reset();
        errors_.clear();
        QFile::remove(QString::fromStdString(iniPath_));
    }
}

TEST_F(MainWindowTest, CloseStopsCaptureBeforeWritingTheSettings) {
    RecordingMain& main = Create();
    const int lo = LoopbackIndex(main.Shell().Snoop());
    if (lo < 0) {
        GTEST_SKIP() << "no loopback adapter \"lo\" in the capture adapter list";
    }
    WriteIni("[Snoop]\nAdapterIndex=" + std::to_string(lo) + "\n");
    main.show();
    ASSERT_TRUE(main.Shell().Snoop().Active()) << main.Shell().Snoop().LastError();
    main.steps.clear();

    EXPECT_TRUE(main.close());
    EXPECT_EQ(main.steps, std::vector<std::string>{"save idle"});
    EXPECT_FALSE(main.Shell().Snoop().Active());
    EXPECT_FALSE(main.RealTime().isActive());
    const QString ini = ReadIni();
    EXPECT_TRUE(ini.contains(QStringLiteral("OpenCount=2"))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("AdapterIndex=%1").arg(lo))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("[TfrmZKmain]"))) << ini.toStdString();
    EXPECT_TRUE(errors_.empty());

    // The next start reads back what this one wrote.
    forms_.reset();
    RecordingMain& second = Create();
    second.show();
    EXPECT_EQ(second.Shell().Core().GetSettings().OpenCount, 2);
    EXPECT_TRUE(second.Shell().Snoop().Active()) << second.Shell().Snoop().LastError();
    second.close();
    EXPECT_TRUE(ReadIni().contains(QStringLiteral("OpenCount=3")));
}

TEST_F(MainWindowTest, RefusedSettingsWriteIsShownAndTheWindowStillCloses) {
    ASSERT_TRUE(std::filesystem::create_directory(iniPath_));
    RecordingMain& main = Create();
    main.show();
    EXPECT_TRUE(main.close());
    EXPECT_FALSE(main.isVisible());
    ASSERT_FALSE(errors_.empty());
    EXPECT_EQ(errors_[0].first, QStringLiteral("Kestro"));
    EXPECT_EQ(errors_[0].second,
              QString::fromStdString(iniPath_) + QStringLiteral(" に書き込めません"));
    // Destroying the window fails on the same file: the user was told already.
    forms_.reset();
    EXPECT_EQ(errors_.size(), 1u);
}

// The settings dialog's OK saves at once; a signal afterwards closes the window
// through its close, which saves again, completely.
TEST_F(MainWindowTest, OkSavesAtOnceAndASignalClosesTheWindowThroughItsClose) {
    RecordingMain& main = Create();
    main.show();
    QTimer::singleShot(0, &forms_->config, [this] {
        forms_->config.findChild<QCheckBox*>(QStringLiteral("chkSoundEnabled"))->setChecked(true);
        forms_->config.accept();
    });
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiConfig));
    EXPECT_TRUE(ReadIni().contains(QStringLiteral("SoundEnabled=1"))) << "saved by OK";

    ASSERT_TRUE(QFile::remove(QString::fromStdString(iniPath_)));
    QuitSignals quitSignals([&main](int) { main.EndSession(); });
    ASSERT_TRUE(quitSignals.Installed());
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([&main] { return !main.isVisible(); }, 5000));
    const QString written = ReadIni();
    for (const char* line :
         {"OpenCount=2", "SoundEnabled=1", "[TfrmZKmain]", "PlaceNormalPos.Bottom="}) {
        EXPECT_TRUE(written.contains(QString::fromUtf8(line))) << line;
    }
    EXPECT_TRUE(errors_.empty());
}

TEST_F(MainWindowTest, StatusBarKeepsThePacketCountPanelWidth) {
    RecordingMain& main = Create();
    main.show();  // a hidden widget gets its resize events only when shown
    for (const int width : {600, 433, 120}) {
        main.StatusBar()->resize(width, 19);
        EXPECT_EQ(main.StatusBar()->Panel(1)->width(), 80) << width;
        EXPECT_EQ(main.StatusBar()->Panel(0)->width(), width - 80) << width;
        EXPECT_EQ(main.StatusBar()->Panel(1)->x(), width - 80) << width;
    }
}

TEST_F(MainWindowTest, LogLevelZeroLogsOnlyResultsAndStampsOnlyTheLog) {
    // An adapter that opens quietly: its start is logged, and no status shown
    // (past the first start, which points to the reminders).
    WriteIni("[Function]\nOpenCount=3\n[Snoop]\nAdapterName=lo\n[Config]\nLogLevel=0\n");
    RecordingMain& main = Create();
    main.show();
    const QStringList atStart = LogLines();
    const uint8_t mapChange[] = {0x91, 0x00, 'h', 'u', 'g', 'e', 'l', '.', 'g', 'a', 't', 0};
    main.Shell().Core().SnoopTCPDataCaptureTCPData(mapChange, sizeof mapChange);
    EXPECT_EQ(LogLines(), atStart);
    EXPECT_TRUE(main.StatusText(0).isEmpty()) << main.StatusText(0).toStdString();

    main.Shell().Core().GetLog().ShowStatusMessage(Utf8ToCp932("順位確定(複勝): 2-5"));
    EXPECT_EQ(main.StatusText(0), QStringLiteral("順位確定(複勝): 2-5"));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), atStart.size() + 1);
    static const QRegularExpression stamped(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d - 順位確定\\(複勝\\): 2-5$"));
    EXPECT_TRUE(stamped.match(lines.back()).hasMatch()) << lines.back().toStdString();
}

TEST_F(MainWindowTest, PopupMenuDrawsTheTableAndItsSwitchesShowsTheLogAndExits) {
    test::WriteFileBytes(iniPath_, "[Window]\nStayOnTop=1\nOpacity=60\n");
    RecordingMain& main = Create();
    // The table's rows in its order, each separator where its row asks for one.
    const QList<QAction*> actions = main.PopupMenu()->actions();
    ASSERT_EQ(actions.size(), 14);  // twelve rows, two separators
    int at = 0;
    for (const MenuRow& row : kPopupMenu) {
        SCOPED_TRACE(std::string(row.caption));
        if (row.separatorBefore) {
            EXPECT_TRUE(actions[at++]->isSeparator());
        }
        QAction* const action = actions[at++];
        EXPECT_EQ(action, main.MenuAction(row.item));
        EXPECT_EQ(action->text(), QString::fromUtf8(row.caption.data(), row.caption.size()));
        EXPECT_EQ(action->isCheckable(), row.checkable);
        EXPECT_EQ(action->menu() != nullptr, row.opacitySteps);
    }
    ASSERT_EQ(main.OpacityMenu()->actions().size(), static_cast<int>(kOpacitySteps.size()));
    EXPECT_EQ(main.OpacityMenu()->actions()[4]->text(), QStringLiteral("60%"));
    EXPECT_EQ(main.InfoPanel()->contextMenuPolicy(), Qt::CustomContextMenu);
    // The window's switches as the file says, marked so; how a window manager
    // takes them is tested on a real X server (stay_on_top.sh).
    main.show();
    QAction* const opaque = main.OpacityMenu()->actions()[0];
    QAction* const at60 = main.OpacityMenu()->actions()[4];
    EXPECT_TRUE(main.MenuAction(MenuItem::pmiStayOnTop)->isChecked());
    EXPECT_TRUE(at60->isChecked());
    EXPECT_DOUBLE_EQ(main.windowOpacity(), 0.6);
    opaque->trigger();
    EXPECT_TRUE(opaque->isChecked() && !at60->isChecked());
    EXPECT_DOUBLE_EQ(main.windowOpacity(), 1.0);
    // The flag's change hides the window and shows it again, which is no form's show.
    main.MenuAction(MenuItem::pmiStayOnTop)->trigger();
    EXPECT_FALSE(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(main.isVisible());

    main.PopupMenuClick(main.MenuAction(MenuItem::pmiLog));
    EXPECT_TRUE(forms_->log.isVisible());
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiExit));
    EXPECT_FALSE(main.isVisible());
    EXPECT_TRUE(ReadIni().contains(QStringLiteral("OpenCount=2")));
    // The re-show after the flag's change was no form's show: counted once.
    EXPECT_EQ(std::count_if(main.steps.begin(), main.steps.end(),
                            [](const std::string& step) { return step.starts_with("load"); }),
              1);
}

// The reminders window drawn in Qt: it shows the settings, an untouched path
// comes back as given, and what OK confirms is in the file at once.
TEST_F(MainWindowTest, RemindersWindowShowsTheSettingsAndSavesItsOk) {
    test::WriteFileBytes(iniPath_,
                         "[Reminders]\nSinglesExchangeDeadlineEnabled=1\n"
                         "SinglesExchangeDeadlineSound=C:\\x\\won.wav\n"
                         "[Notifications]\nResultWin=1\n");
    RecordingMain& main = Create();
    main.show();
    bool seen = false;
    QTimer::singleShot(0, &main, [&] {
        TfrmZKreminders* window = main.RemindersWindow();
        ASSERT_NE(window, nullptr);
        seen = window->isVisible();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("リマインダー"));
        auto* won = window->findChild<QCheckBox*>(QStringLiteral("chkReminder2"));
        ASSERT_NE(won, nullptr);
        EXPECT_TRUE(won->isChecked());
        EXPECT_EQ(window->findChild<QCheckBox*>(QStringLiteral("chkReminder2"))->text(),
                  QStringLiteral("単勝 交換締切"));
        auto* wonSound = window->findChild<QLineEdit*>(QStringLiteral("edtSound2"));
        EXPECT_EQ(wonSound->text(), QStringLiteral("C:/x/won.wav"));
        // A long path shows the file's name; Tab goes on from the box to its row's test button.
        EXPECT_EQ(wonSound->cursorPosition(), wonSound->text().size());
        QWidget* next = wonSound->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus)) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, window->findChild<QToolButton*>(QStringLiteral("btnTest2")));
        // Opened beside the main window, not over it, and inside the screen.
        EXPECT_FALSE(window->frameGeometry().intersects(main.frameGeometry()))
            << window->geometry().x() << "," << window->geometry().y() << " main "
            << main.geometry().x() << "," << main.geometry().y();
        EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
        // Only the start's rows have the no-ticket switch.
        EXPECT_EQ(
            window->findChildren<QCheckBox*>(QRegularExpression(QStringLiteral("^chkNoTicket")))
                .size(),
            2);
        window->findChild<QCheckBox*>(QStringLiteral("chkReminder4"))->setChecked(true);
        window->findChild<QSpinBox*>(QStringLiteral("edtLead4"))->setValue(150);
        window->findChild<QCheckBox*>(QStringLiteral("chkNoTicket4"))->setChecked(false);
        // The desktop's switches: as the file has them, under the settings dialog's captions.
        auto* notifyReminders = window->findChild<QCheckBox*>(QStringLiteral("chkNotifyReminders"));
        auto* notifyWin = window->findChild<QCheckBox*>(QStringLiteral("chkNotifyResultWin"));
        auto* notifyStart = window->findChild<QCheckBox*>(QStringLiteral("chkNotifyRaceStart"));
        ASSERT_TRUE(notifyReminders != nullptr && notifyWin != nullptr && notifyStart != nullptr);
        EXPECT_TRUE(notifyReminders->isChecked());
        EXPECT_TRUE(notifyWin->isChecked());
        EXPECT_EQ(notifyWin->text(), QStringLiteral("当選"));
        notifyReminders->setChecked(false);
        notifyStart->setChecked(true);
        window->accept();
    });
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiReminders));
    EXPECT_TRUE(seen);
    const QString ini = ReadIni();
    EXPECT_TRUE(ini.contains(QStringLiteral("DoublesStartEnabled=1"))) << ini.toStdString();
    EXPECT_TRUE(ini.contains(QStringLiteral("DoublesStartLead=150")));
    EXPECT_TRUE(ini.contains(QStringLiteral("DoublesStartNoTicketOnly=0")));
    EXPECT_TRUE(ini.contains(QStringLiteral("SinglesExchangeDeadlineSound=C:\\x\\won.wav")));
    for (const char* key : {"\nReminders=0\n", "\nRaceStart=1\n", "\nResultWin=1\n"}) {
        EXPECT_TRUE(ini.contains(QString::fromUtf8(key))) << key;
    }
}

// The history window over a real file beside the settings: the page's numbers
// in their places, bars as long as the counts, the newest result first, a
// result counted while it is open, and both switches handed to the shell (which
// saves them, its tests).
TEST_F(MainWindowTest, HistoryWindowShowsTheFileAndTonightAndForwardsBothSwitches) {
    test::WriteFileBytes(dir_.Path("kestro-history.csv"),
                         "date,time,race,winner,second,ticket1,ticket2,verdict\r\n"
                         "2009-03-26,21:06:31,単勝,2,,4,,miss\r\n"
                         "2009-03-26,21:14:23,複勝,6,1,1,6,hit\r\n");
    RecordingMain& main = Create();
    main.show();
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiHistory));
    TfrmZKhistory* history = main.HistoryWindow();
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    EXPECT_FALSE(history->frameGeometry().intersects(main.frameGeometry()))
        << history->geometry().x() << "," << history->geometry().y();
    EXPECT_TRUE(history->screen()->availableGeometry().contains(history->frameGeometry()));
    EXPECT_EQ(history->windowTitle(), QStringLiteral("履歴"));
    EXPECT_EQ(history->Figure(0, 0, 0)->text(), QStringLiteral("レース数"));
    EXPECT_EQ(history->Figure(0, 0, 1)->text(), QStringLiteral("0"));  // tonight
    EXPECT_EQ(history->Figure(0, 0, 2)->text(), QStringLiteral("1"));  // all time
    EXPECT_EQ(history->Figure(1, 3, 2)->text(), QStringLiteral("100.0%"));
    ASSERT_EQ(history->Latest()->count(), 2);
    EXPECT_EQ(history->Latest()->item(0)->text(),
              QStringLiteral("2009-03-26 21:14:23  複勝  ⑥-①  券 ①-⑥  的中"));
    ASSERT_EQ(history->Winners(1)->Bars().size(), 6u);
    EXPECT_EQ(history->Winners(1)->Bars()[5].length, 1.0);
    EXPECT_EQ(history->Winners(1)->Bars()[0].length, 0.0);
    EXPECT_EQ(history->Pairs()->Bars()[static_cast<std::size_t>(PairIndex('1', '6'))].length, 1.0);
    // It fits a 1024x768 screen below its title bar, above a task bar, with
    // every element inside it and none squeezed to nothing.
    EXPECT_LE(history->width(), 560);
    EXPECT_LE(history->height(), 620);
    for (const QWidget* child : history->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(child->isVisible()) << child->metaObject()->className();
        EXPECT_GE(child->height(), child->minimumSizeHint().height())
            << child->metaObject()->className();
        EXPECT_TRUE(history->rect().contains(child->geometry()))
            << child->metaObject()->className();
    }

    // A result counted while it is open shows at once; once closed, it stays closed.
    KestroCore& core = main.Shell().Core();
    core.HandleTicketPurchase(0, '4', 0);
    core.HandleAnnouncement(
        Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。"));
    core.HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
    ASSERT_EQ(history->Latest()->count(), 3);
    EXPECT_TRUE(history->Latest()->item(0)->text().endsWith(QStringLiteral("単勝  ④  券 ④  的中")));
    EXPECT_EQ(history->Figure(0, 0, 1)->text(), QStringLiteral("1"));
    history->close();
    core.HandleAnnouncement(Utf8ToCp932("優勝モンスターは4番のモンスターです！"));
    EXPECT_FALSE(history->isVisible());

    ASSERT_TRUE(history->KeepSwitch()->isChecked());
    history->KeepSwitch()->click();
    EXPECT_FALSE(history->KeepSwitch()->isChecked());
    EXPECT_FALSE(main.Shell().Core().GetSettings().KeepHistory);
    ASSERT_FALSE(history->RestoreSwitch()->isChecked());
    history->RestoreSwitch()->click();
    EXPECT_TRUE(main.Shell().Core().GetSettings().RestoreTimetable);
}

TEST_F(MainWindowTest, PlacementSurvivesARestart) {
    RecordingMain& main = Create();
    main.show();
    main.move(100, 50);
    QTest::qWait(10);
    const QRect closedAt = main.geometry();
    main.close();

    forms_.reset();
    RecordingMain& second = Create();
    EXPECT_EQ(second.geometry(), closedAt);
    second.show();
    EXPECT_EQ(second.geometry(), closedAt);
}

// A start in the strip shows the strip alone: the main window is never put on
// the screen, not even for the moment before the strip takes its place.
TEST_F(MainWindowTest, AStartInTheStripNeverShowsTheMainWindow) {
    WriteIni("[Window]\nCompactForm=1\n");
    RecordingMain& main = Create();
    struct NativeShows : QObject {
        const QWidget* widget = nullptr;
        int count = 0;
        bool eventFilter(QObject* watched, QEvent* event) override {
            count += event->type() == QEvent::Show && watched == widget->windowHandle();
            return false;
        }
    } shows;
    shows.widget = &main;
    qApp->installEventFilter(&shows);
    main.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main.CompactForm()->isVisible() && !main.isVisible(); }, 5000));
    QTest::qWait(50);
    qApp->removeEventFilter(&shows);
    EXPECT_EQ(shows.count, 0);
    EXPECT_FALSE(main.isVisible());
}

}  // namespace
}  // namespace kestro
