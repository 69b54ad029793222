// The Qt face's desktop notifications reaching a real notification service on
// a session bus of the test's own (run under dbus-run-session): the recorder of
// notification_recorder.cpp owns the name and writes down each call.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop_notifications.h"
#include "common/cp932.h"
#include "shell/notifications.h"
#include "support/forms.h"

namespace kestro {
namespace {

// No capture (no such adapter); two of the race events ticked.
constexpr char kIni[] =
    "[Snoop]\nAdapterIndex=999\n[Notifications]\nRaceAcceptingS=1\nRaceStart=1\n";
constexpr char kSinglesIn3[] = "約3分後にモンスターレースシングルスがスタートします。";
constexpr char kSinglesStart[] =
    "モンスターレースシングルスがスタートします。皆様の幸運を祈ります。";

class DesktopNotificationsTest : public test::FormsTest<TfrmZKmain> {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        test::WriteFileBytes(iniPath_, kIni);
    }
    void TearDown() override {
        recorder_.kill();
        recorder_.waitForFinished();
        FormsTest::TearDown();
    }
    void StartService() {
        recorder_.start(QStringLiteral(KESTRO_NOTIFICATION_RECORDER), {});
        ASSERT_TRUE(recorder_.waitForReadyRead(10000)) << recorder_.readAllStandardError().data();
        ASSERT_EQ(recorder_.readLine().trimmed(), "ready");
    }
    // The service's calls until `count` have come, each as its fields.
    std::vector<QStringList> Received(std::size_t count) {
        std::vector<QStringList> calls;
        while (calls.size() < count &&
               QTest::qWaitFor([this] { return recorder_.canReadLine(); }, 10000)) {
            // The clock times are the shell's to get right (its tests): here only
            // that they are forwarded.
            QString line = QString::fromUtf8(recorder_.readLine()).chopped(1);
            line.replace(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d")),
                         QStringLiteral("hh:nn:ss"));
            calls.push_back(line.split('\t'));
        }
        return calls;
    }
    TfrmZKmain& Shown() {
        TfrmZKmain& main = CreateForms();
        main.show();
        return main;
    }
    static void Announce(TfrmZKmain& main, const char* line) {
        main.Shell().Core().HandleAnnouncement(Utf8ToCp932(line));
    }

    QProcess recorder_;
};

QStringList Call(const char* replaces, const char* title, const char* body, const char* id,
                 const char* urgency = "1") {
    return {"Kestro",
            replaces,
            "kestro",
            QString::fromUtf8(title),
            QString::fromUtf8(body),
            "",
            QStringLiteral("desktop-entry=kestro,urgency=byte ") + urgency,
            "-1",
            id};
}

// The service hears each notification with the id the service gave its race's
// last one, and a failure's reason reaches the log. When to wait for an id and
// how often a missing service is said are the shell's (its tests): here the
// name is unowned for Doubles' acceptance, then Singles' start comes before
// the answer to its acceptance.
TEST_F(DesktopNotificationsTest, TheServiceHearsTheRacesLastIdAndAFailureReachesTheLog) {
    test::WriteFileBytes(iniPath_, std::string(kIni) + "RaceAcceptingD=1\n");
    TfrmZKmain& main = Shown();
    Announce(main, "約3分後にモンスターレースダブルスがスタートします。");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return LogText().contains(
                QString::fromUtf8(DesktopNotifier::kNoServiceLine) +
                QStringLiteral(": org.freedesktop.DBus.Error.ServiceUnknown"));
        },
        10000))
        << LogText().toStdString();
    StartService();
    Announce(main, kSinglesIn3);
    Announce(main, kSinglesStart);
    const std::vector<QStringList> expected = {
        Call("0", "単勝 受付中 (hh:nn:ss)", "受付中(単勝): 発走予測 hh:nn:ss", "1"),
        Call("1", "単勝 発走 (hh:nn:ss)", "発走(単勝)", "2")};
    EXPECT_EQ(Received(2), expected);
}

// What the shell marks urgent reaches the service as urgent.
TEST_F(DesktopNotificationsTest, AnUrgentNotificationIsSentAsCritical) {
    StartService();
    DbusNotificationSink sink;
    std::optional<uint32_t> given;
    sink.Send({kSingles, "単勝 交換締切まで 2:00 (21:08:07)", "当たり券 ④", true}, 0,
              [&given](const Result& shown, uint32_t id) {
                  if (shown) {
                      given = id;
                  }
              });
    EXPECT_EQ(Received(1), std::vector<QStringList>{Call("0", "単勝 交換締切まで 2:00 (hh:nn:ss)",
                                                         "当たり券 ④", "1", "2")});
    EXPECT_TRUE(QTest::qWaitFor([&given] { return given.has_value(); }, 10000));
}

}  // namespace
}  // namespace kestro
