// The ways a session ends without the user closing the window: SIGINT (Ctrl+C
// in a terminal), SIGTERM (kill, a service stop), SIGHUP (the terminal went
// away) and the desktop session's end. Each closes the main window through its
// normal close, so the settings are saved and a refusal is reported as always.
#pragma once

#include <QObject>
#include <functional>

class QApplication;
class QSocketNotifier;

namespace kestro {

class TfrmZKmain;

// Turns SIGINT, SIGTERM and SIGHUP into a call on the main thread. A signal
// handler may do almost nothing safely, so it only writes the signal's number
// into a socket pair; a QSocketNotifier reads it from the event loop and calls
// `onSignal` there. Each handler is one-shot: a second Ctrl+C while the window
// is still closing (an error box waiting, a sound playing) ends the process.
class QuitSignals final : public QObject {
public:
    explicit QuitSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the socket pair could not be made; the signals then keep
    // their default action.
    bool Installed() const { return notifier_ != nullptr; }

private:
    void Drain();

    std::function<void(int)> onSignal_;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

// Wires the three signals and the session's end (commitDataRequest, and
// aboutToQuit for any other way out of the event loop) to `main`'s close,
// then ends the event loop. The wiring lives as long as `app`. An exit() on
// the main thread while `main` lives (the toolkit's own way out when the X
// server goes away) still saves the settings, with no window drawn.
void CloseOnSessionEnd(QApplication& app, TfrmZKmain& main);

}  // namespace kestro
