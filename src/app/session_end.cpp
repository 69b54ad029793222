#include "app/session_end.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>
#include <utility>

#include "app/main_window.h"

namespace kestro {

namespace {

constexpr std::array<int, 3> kQuitSignals = {SIGINT, SIGTERM, SIGHUP};

// Read by the handler: a plain int in a lock-free atomic is safe to read there.
std::atomic<int> g_signalWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnQuitSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // Non-blocking: a full socket already holds a wake-up, so a lost byte loses nothing.
    [[maybe_unused]] const ssize_t written = write(g_signalWriteFd.load(), &number, 1);
    errno = savedErrno;
}

// The main window while it lives, for an exit() that never returns to main.
TfrmZKmain* g_mainForExit = nullptr;
std::thread::id g_mainThread;

// An exit() from another thread finds the window busy on the main thread;
// touching it from here would race, so only the main thread's exit saves.
void SaveAtExit() {
    TfrmZKmain* main = std::exchange(g_mainForExit, nullptr);
    if (main != nullptr && std::this_thread::get_id() == g_mainThread) {
        main->EndWithoutDisplay();
    }
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int signal)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    g_signalWriteFd.store(fds_[1]);
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a read or write interrupted by the signal simply goes on.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kQuitSignals) {
        sigaction(signal, &action, nullptr);
    }
}

QuitSignals::~QuitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kQuitSignals) {
        sigaction(signal, &action, nullptr);
    }
    if (fds_[0] >= 0) {
        g_signalWriteFd.store(-1);
        close(fds_[0]);
        close(fds_[1]);
    }
}

void QuitSignals::Drain() {
    unsigned char number = 0;
    while (read(fds_[0], &number, 1) == 1) {
        if (onSignal_) {
            onSignal_(number);
        }
    }
}

void CloseOnSessionEnd(QApplication& app, TfrmZKmain& main) {
    new QuitSignals(
        [&main](int) {
            main.EndSession();
            QCoreApplication::quit();
        },
        &app);
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &main,
        [&main](QSessionManager&) { main.EndSession(); }, Qt::DirectConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &main, [&main] { main.EndSession(); });

    static const bool hooked = std::atexit(SaveAtExit) == 0;
    if (hooked) {
        g_mainThread = std::this_thread::get_id();
        g_mainForExit = &main;
        QObject::connect(&main, &QObject::destroyed, [] { g_mainForExit = nullptr; });
    }
}

}  // namespace kestro
