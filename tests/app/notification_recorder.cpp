// A notification service for tests: owns org.freedesktop.Notifications on the
// session bus, writes each Notify call to its standard output as one line
// (app, replaces_id, icon, summary, body, actions, hints as key=value, timeout,
// then the
// id given), and gives ids 1, 2, 3, ... It says "ready" once it owns the name.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QObject>
#include <QStringList>
#include <QTextStream>
#include <QVariant>
#include <QVariantMap>
#include <cstdio>

class NotificationRecorder final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    using QObject::QObject;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        // Each hint as key=value, a byte (the type the service reads urgency in)
        // marked as one, so that a hint sent as another type shows.
        QStringList written;
        for (auto hint = hints.begin(); hint != hints.end(); ++hint) {
            const QVariant& value = hint.value();
            written << hint.key() + '=' +
                           (value.typeId() == QMetaType::UChar
                                ? QStringLiteral("byte ") + QString::number(value.toUInt())
                                : value.toString());
        }
        out_ << app << '\t' << replaces << '\t' << icon << '\t' << summary << '\t' << body << '\t'
             << actions.join(',') << '\t' << written.join(',') << '\t' << timeout << '\t' << ++last_
             << Qt::endl;
        return last_;
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }

private:
    QTextStream out_{stdout};
    uint last_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NotificationRecorder recorder;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "cannot own the name: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "notification_recorder.moc"
