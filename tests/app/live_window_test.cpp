// The whole live path at once: the real main window, shown offscreen with
// capture on the loopback adapter, watches a TCP connection on 127.0.0.1:5121
// carry a day at the races, and its panel, status line and log follow.
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/cp932.h"
#include "race/race_state.h"
#include "scenario.h"
#include "settings/vu_ini_mng.h"
#include "support/forms.h"
#include "support/game_connection.h"

namespace kestro {
namespace {

using test::GameConnection;

constexpr int kPatienceMs = 5000;

std::vector<uint8_t> Announcer(const char* utf8) {
    return scenario::AnnouncerPacket(Utf8ToCp932(utf8));
}

class LiveWindowTest : public test::FormsTest<TfrmZKmain> {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        CreateForms();
        // Run without capture rights, the window reads the helper's stream: the
        // build tree's, or the one a test has set up elsewhere for a user.
        const char* helper = std::getenv("KESTRO_TEST_CAPTURE_HELPER");
        Main().Shell().Snoop().SetCaptureHelperPath(
            helper != nullptr ? helper : KESTRO_BINARY_DIR "/src/app/kestro-capture");
    }
    TfrmZKmain& Main() { return forms_->main; }

    // Writes the settings file with the loopback adapter configured and shows
    // the window; skips where this process may not capture.
    void ShowCapturingOnLoopback() {
        const auto& names = Main().Shell().Snoop().AdapterNames();
        const auto lo = std::find(names.begin(), names.end(), "lo");
        if (lo == names.end()) {
            GTEST_SKIP() << "no loopback adapter \"lo\" in the capture adapter list";
        }
        QFile ini(QString::fromStdString(iniPath_));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Snoop]\nAdapterIndex=%1\n").arg(lo - names.begin()).toUtf8());
        ini.close();

        Main().show();
        if (!Main().Shell().Snoop().Active()) {
            const std::string& error = Main().Shell().Snoop().LastError();
            const bool refused = error.find("ermission") != std::string::npos ||
                                 error.find("not permitted") != std::string::npos;
            if (refused && geteuid() != 0) {
                GTEST_SKIP() << "capture on lo not permitted: " << error;
            }
            FAIL() << "capture on lo did not open: " << error;
        }
        ASSERT_TRUE(Main().RealTime().isActive());
        std::printf("capturing on lo %s\n",
                    Main().Shell().Snoop().ThroughHelper() ? "through kestro-capture" : "directly");
    }

    // Runs the window's event loop until `done` holds; false after the patience ran out.
    static bool ProcessEventsUntil(const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > kPatienceMs) {
                return false;
            }
            QTest::qWait(5);
        }
        return true;
    }

    QString Field(PanelField field) { return Main().Field(field)->text(); }

    // Log lines without their "hh:mm:ss.zzz - " time stamps.
    QStringList LogTexts() const {
        QStringList texts;
        const QString all = LogText();
        for (const QString& line : all.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            texts.push_back(line.mid(15));
        }
        return texts;
    }
};

TEST_F(LiveWindowTest, CapturedGameTrafficMovesBothRacesOnThePanel) {
    ShowCapturingOnLoopback();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    GameConnection game;
    ASSERT_EQ(game.Open(), "");

    // The player walks onto the Singles track and buys runner 3.
    ASSERT_TRUE(game.FromServer(scenario::MapPacket(0x0091, "p_track01.gat")));
    ASSERT_TRUE(ProcessEventsUntil([&] {
        return Main().Shell().Core().Race().CurrentMap == "p_track01.gat";
    })) << Main().StatusText(0).toStdString();
    EXPECT_EQ(Main().StatusText(0), QStringLiteral("マップ移動: p_track01.gat"));

    ASSERT_TRUE(game.FromClient(scenario::SinglesTicketPacket('3')));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Field(PanelField::txtTicketSingle) == "③"; }))
        << Field(PanelField::txtTicketSingle).toStdString();
    EXPECT_EQ(Main().StatusText(0), QStringLiteral("チケット購入(シングルス): 3"));

    // The Doubles race starts in the meantime.
    ASSERT_TRUE(game.FromServer(
        Announcer("モンスターレースダブルスがスタートします。皆様の幸運を祈ります。")));
    ASSERT_TRUE(ProcessEventsUntil([&] {
        return Field(PanelField::txtStatusDouble) == "レース中";
    })) << Field(PanelField::txtStatusDouble).toStdString();
    EXPECT_EQ(Field(PanelField::txtClockStatusDouble), QStringLiteral("タイム"));

    // Runner 3 wins the Singles race: the ticket has won.
    ASSERT_TRUE(game.FromServer(Announcer("優勝モンスターは3番のモンスターです！")));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Field(PanelField::txtStatusSingle) == "確定"; }))
        << Field(PanelField::txtStatusSingle).toStdString();
    EXPECT_EQ(Field(PanelField::txtResultSingle), QStringLiteral("③"));
    EXPECT_EQ(Field(PanelField::txtTicketSingle), QStringLiteral("③"));
    EXPECT_EQ(Field(PanelField::txtClockStatusSingle), QStringLiteral("タイム"));
    EXPECT_EQ(Main().StatusText(0), QStringLiteral("順位確定(単勝): 3"));

    // The Doubles finishers, the second one lower than the first.
    ASSERT_TRUE(game.FromServer(Announcer("5番のモンスターがゴールしました。")));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Field(PanelField::txtResultDouble1) == "⑤"; }));
    ASSERT_TRUE(game.FromServer(Announcer("続いて、2番のモンスターがゴールしました。")));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Field(PanelField::txtStatusDouble) == "確定"; }))
        << Field(PanelField::txtStatusDouble).toStdString();
    EXPECT_EQ(Field(PanelField::txtResultDouble1), QStringLiteral("②"));
    EXPECT_EQ(Field(PanelField::txtResultDouble2), QStringLiteral("⑤"));
    EXPECT_EQ(Field(PanelField::txtResultSingle), QStringLiteral("③"));
    EXPECT_EQ(Main().StatusText(0), QStringLiteral("順位確定(複勝): 2-5"));
    EXPECT_EQ(Main().StatusText(1), QStringLiteral("6"));

    const QStringList expectedLog = {
        // A first start: the window points to the reminders once.
        QStringLiteral("リマインダー(受付開始・発走・交換締切の前に知らせる)は右クリック → "
                       "リマインダー... で設定できます"),
        QStringLiteral("lo でキャプチャを開始しました"),
        QStringLiteral("マップ移動: p_track01.gat"),
        QStringLiteral("チケット購入(シングルス): 3"),
        QStringLiteral("天の声: モンスターレースダブルスがスタートします。皆様の幸運を祈ります。"),
        QStringLiteral("天の声: 優勝モンスターは3番のモンスターです！"),
        QStringLiteral("順位確定(単勝): 3"),
        QStringLiteral("天の声: 5番のモンスターがゴールしました。"),
        QStringLiteral("天の声: 続いて、2番のモンスターがゴールしました。"),
        QStringLiteral("順位確定(複勝): 2-5"),
    };
    EXPECT_EQ(LogTexts(), expectedLog);

    // Closing stops capture and the timer: what the server sends now is not seen.
    EXPECT_TRUE(Main().close());
    EXPECT_FALSE(Main().Shell().Snoop().Active());
    EXPECT_FALSE(Main().Shell().Snoop().HasCaptureThread());
    EXPECT_FALSE(Main().RealTime().isActive());
    ASSERT_TRUE(
        game.FromServer(Announcer("約3分後にモンスターレースシングルスがスタートします。")));
    QTest::qWait(300);
    EXPECT_EQ(Main().Shell().Core().PacketCount(), 6);
    EXPECT_EQ(Field(PanelField::txtStatusSingle), QStringLiteral("確定"));
    EXPECT_TRUE(errors_.empty()) << errors_.front().second.toStdString();
}

}  // namespace
}  // namespace kestro
