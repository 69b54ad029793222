#include "app/replay/gui_replay.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "app/app_icon.h"
#include "app/log_window.h"
#include "common/cp932.h"
#include "replay/replay_options.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

// --- ReplayWindow ------------------------------------------------------------

ReplayWindow::ReplayWindow(ReplayClock& clock, std::string capturePath, ErrorBox errorBox,
                           std::unique_ptr<SoundPlayer> player)
    : TfrmZKmain(std::move(errorBox), std::move(player), &clock,
                 std::make_unique<RecordedCapture>(clock, std::move(capturePath))) {}

ReplayWindow::~ReplayWindow() {
    // The capture thread posts its hand-overs through this window; it must end
    // before the base destructor begins, which makes the window a plain main window.
    Shell().StopCapture();
}

// --- the program -------------------------------------------------------------

namespace {

class BelowOncePlaced final : public QObject {
public:
    BelowOncePlaced(QWidget& main, QWidget& follower)
        : QObject(&follower), main_(&main), follower_(&follower) {
        // Exposure is an event of the window system's window, which the widget
        // makes here if it has none yet.
        main.winId();
        window_ = main.windowHandle();
        window_->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Expose && window_->isExposed()) {
            window_->removeEventFilter(this);
            // After the exposure has been handled, so that the frame margins the
            // window manager reported with it are taken into account.
            QTimer::singleShot(0, this, [this] { Place(); });
        }
        return false;
    }

private:
    void Place() {
        if (main_ && follower_) {
            const QRect frame = main_->frameGeometry();
            follower_->move(frame.left(), frame.bottom() + 1);
            follower_->show();
            main_->raise();
            main_->activateWindow();
        }
        deleteLater();
    }

    QPointer<QWidget> main_;
    QPointer<QWidget> follower_;
    QPointer<QWindow> window_;
};

}  // namespace

void ShowBelowOncePlaced(QWidget& main, QWidget& follower) {
    new BelowOncePlaced(main, follower);
}

int RunGuiReplay(int argc, char** argv, const GuiReplayOptions& options) {
    if (options.settingsFile) {
        CheckSettingsFile(*options.settingsFile);
    }
    // Read as the program reads its own, written never: neither the given file
    // nor one beside this program.
    VuIniMng::SetIniFileReadOnly(options.settingsFile.value_or(std::string()));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestro"));
    InstallApplicationIcon();

    // A capture without a single game frame still shows a running clock. A
    // stream can be read only once: its first frame sets the clock when it comes.
    const bool stream = options.capture == kStandardInput;
    ReplayClock clock(
        stream ? SystemMicros()
               : FirstFrameMicros(options.capture, kGameCaptureFilter).value_or(SystemMicros()),
        options.speed);
    if (stream) {
        clock.StartAtFirstFrame();
    }

    ReplayWindow frmZKmain(clock, options.capture);
    if (options.historyFile) {
        frmZKmain.Shell().SetHistoryFile(*options.historyFile);
    }

    // What the replay does is told by the log as much as by the panel: open it
    // below the main window.
    ShowBelowOncePlaced(frmZKmain, frmZKmain.Windows().Log());
    // As the program: it lives as long as its main window, which may be in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&frmZKmain, &TfrmZKmain::Closed, &app, &QApplication::quit);
    frmZKmain.show();
    return app.exec();
}

}  // namespace kestro
