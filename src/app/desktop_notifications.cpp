#include "app/desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <utility>

namespace kestro {

namespace {

// As long as the desktop's own rule for a notification of this kind.
constexpr int kDesktopsTimeout = -1;
// A service that has not answered by then is taken to have none to give; the
// race's next notification waits for this answer.
constexpr int kAnswerWithinMs = 5000;
// The service reads urgency as a byte.
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;

std::string Reason(const QDBusError& error) {
    return (error.message().isEmpty() ? error.name() : error.name() + ": " + error.message())
        .toStdString();
}

}  // namespace

void DbusNotificationSink::Send(const DesktopNotification& note, uint32_t replaces, Answer answer) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Answered from the event loop like any other answer, never from inside Send.
        QMetaObject::invokeMethod(
            this,
            [answer = std::move(answer), reason = Reason(bus.lastError())] {
                answer(Result::Failure(reason.empty() ? "no session bus" : reason), 0);
            },
            Qt::QueuedConnection);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    // The desktop file names the program in the desktop's list of notifying
    // programs; an urgent notification stays until the player has seen it.
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("kestro")},
        {QStringLiteral("urgency"), QVariant::fromValue(note.urgent ? kCritical : kNormal)}};
    call << QStringLiteral("Kestro") << static_cast<uint>(replaces) << QStringLiteral("kestro")
         << QString::fromStdString(note.title) << QString::fromStdString(note.body) << QStringList()
         << hints << kDesktopsTimeout;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerWithinMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [answer = std::move(answer)](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    answer(Result::Failure(Reason(reply.error())), 0);
                } else {
                    answer(Result(), reply.value());
                }
                finished->deleteLater();
            });
}

}  // namespace kestro
