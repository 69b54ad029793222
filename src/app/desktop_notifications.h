// Desktop notifications in the Qt face: the desktop's notification service
// (org.freedesktop.Notifications) on the session bus. A call never waits for
// the service: its answer, the id to replace next, comes back through the
// event loop.
#pragma once

#include <QObject>

#include "shell/notifications.h"

namespace kestro {

class DbusNotificationSink final : public QObject, public NotificationSink {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";

    explicit DbusNotificationSink(QObject* parent = nullptr) : QObject(parent) {}

    // NotificationSink. Answers that are due when the sink goes are dropped.
    void Send(const DesktopNotification& note, uint32_t replaces, Answer answer) override;
    // The service replaces by id and keeps an urgent one up beside the others.
    bool OnePlace() const override { return false; }
};

}  // namespace kestro
