// One Kestro per player's session. The first start takes a lock and listens
// on a local socket, both in the user's runtime folder (this session's, not
// another user's) and named after the settings file: two copies with settings
// of their own stay two programs. A later start finds the lock taken, asks
// the running one through the socket to come forward, and ends; it never
// captures, counts a result or saves the settings.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace kestro {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const std::string& settingsPath);
    ~SingleInstance() override;

    // True when this process is the one Kestro of the session: it holds the
    // lock and listens from now on.
    bool BecomeTheOne();
    // Asks the running one to come forward; true once it answered. Waits a
    // few seconds for one still starting.
    bool AskTheOneForward();

signals:
    // A later start asked for the window.
    void Asked();

private:
    void Answer(class QLocalSocket* socket);

    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

}  // namespace kestro
