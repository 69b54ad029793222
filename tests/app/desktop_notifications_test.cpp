// The Qt face's desktop notifications reaching a real notification service on
// a session bus of the test's own (run under dbus-run-session): the recorder of
// notification_recorder.cpp owns the name and writes down each call.
#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>
#include <vector>

#include "common/cp932.h"
#include "shell/notifications.h"
#include "support/forms.h"

namespace kestro {
namespace {

// No capture (no such adapter); two of the race events ticked.
constexpr char kIni[] =
    "[Snoop]\nAdapterIndex=999\n[Notifications]\nRaceAcceptingS=1\nRaceStart=1\n";
constexpr char kSinglesIn3[] = "約3分後にモンスターレースシングルスがスタートします。";
constexpr char kSinglesIn1[] = "まもなくモンスターレースシングルスがスタートします。";
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
            calls.push_back(QString::fromUtf8(recorder_.readLine()).chopped(1).split('\t'));
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

QStringList Call(const char* replaces, const char* body, const char* id) {
    return {"Kestro", replaces, "kestro", "Kestro", QString::fromUtf8(body), "", "0", "-1", id};
}

// Singles' start comes before the answer to its acceptance: it waits for
// that id, and takes that notification's place; Doubles' stands beside it.
TEST_F(DesktopNotificationsTest, EachRacesNotificationTakesThePlaceOfItsLastAtTheService) {
    test::WriteFileBytes(iniPath_, std::string(kIni) + "RaceAcceptingD=1\n");
    StartService();
    TfrmZKmain& main = Shown();
    Announce(main, kSinglesIn3);
    Announce(main, "約3分後にモンスターレースダブルスがスタートします。");
    Announce(main, kSinglesStart);
    const std::vector<QStringList> expected = {Call("0", "受付中(単勝)", "1"),
                                               Call("0", "受付中(複勝)", "2"),
                                               Call("1", "発走(単勝)", "3")};
    EXPECT_EQ(Received(3), expected);
}

// The name unowned: said once in the log; a service that comes later still
// hears the next. A race's notification goes only once the one before it was
// answered, so when the last arrives every failure before it has been counted.
TEST_F(DesktopNotificationsTest, WithoutAServiceTheLogSaysSoOnceAndTheNextStillGo) {
    TfrmZKmain& main = Shown();
    const QString noService = QString::fromUtf8(DesktopNotifier::kNoServiceLine);
    Announce(main, kSinglesIn3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return LogText().contains(noService); }, 10000));
    Announce(main, kSinglesIn1);
    StartService();
    Announce(main, kSinglesStart);
    std::vector<QStringList> call = Received(1);
    while (!call.empty() && call[0].value(4) != QStringLiteral("発走(単勝)")) {
        call = Received(1);
    }
    ASSERT_FALSE(call.empty());
    EXPECT_EQ(LogText().count(noService), 1) << LogText().toStdString();
    EXPECT_TRUE(LogText().contains(QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")));
}

}  // namespace
}  // namespace kestro
