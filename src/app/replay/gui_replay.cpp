#include "app/replay/gui_replay.h"

#include <pcap/pcap.h>

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <thread>
#include <utility>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/config_dialog.h"
#include "app/log_window.h"
#include "common/cp932.h"
#include "replay/replay_options.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

namespace {

// The longest the capture thread sleeps before looking again whether the
// replay is ending: a close must not wait for a frame due in an hour.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

int64_t SystemMicros() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace

// --- ReplayClock -------------------------------------------------------------

ReplayClock::ReplayClock(int64_t startMicros, double factor)
    : factor_(factor > 0 ? factor : 1.0),
      startMicros_(std::clamp(startMicros, kEarliestFrameMicros, kLatestFrameMicros)) {}

void ReplayClock::Start() {
    {
        const std::lock_guard lock(anchorMutex_);
        steadyStart_ = Steady::now().time_since_epoch().count();
    }
    started_.store(true);
}

void ReplayClock::FirstFrame(int64_t frameMicros) {
    if (!awaitingFirstFrame_.exchange(false)) {
        return;
    }
    const std::lock_guard lock(anchorMutex_);
    startMicros_ = std::clamp(frameMicros, kEarliestFrameMicros, kLatestFrameMicros);
    steadyStart_ = Steady::now().time_since_epoch().count();
}

int64_t ReplayClock::NowMicros() const {
    if (live_.load()) {
        return SystemMicros();
    }
    const std::lock_guard lock(anchorMutex_);
    if (!started_.load()) {
        return startMicros_;
    }
    const Steady::duration elapsed =
        Steady::now() - Steady::time_point(Steady::duration(steadyStart_));
    // In double, and saturated: a large factor times hours must not overflow.
    const double virtualMicros =
        static_cast<double>(startMicros_) +
        std::chrono::duration<double, std::micro>(elapsed).count() * factor_;
    if (!(virtualMicros < static_cast<double>(kLatestFrameMicros))) {
        return kLatestFrameMicros;
    }
    return static_cast<int64_t>(virtualMicros);
}

Instant ReplayClock::Now() const {
    if (live_.load()) {
        return system_.Now();
    }
    return Instant(Micros(NowMicros()));
}

TDateTime ReplayClock::LocalTime(Instant at) const {
    return converter_.Convert(at.time_since_epoch().count());
}

// --- RecordedCapture ----------------------------------------------------------

RecordedCapture::RecordedCapture(ReplayClock& clock, std::string capturePath)
    : clock_(clock), capturePath_(std::move(capturePath)) {}

void RecordedCapture::Attach(TSnoopTCPData& snoop) {
    // The hook is taken by the capture thread when it starts: set it once, here.
    // A frame whose wait was cut short by the closing window is dropped: handed
    // over, it would still be delivered while the capture stops.
    snoop.SetFrameHook([this](const pcap_pkthdr& header) {
        const int64_t frameMicros = FrameMicros(header.ts.tv_sec, header.ts.tv_usec);
        clock_.FirstFrame(frameMicros);
        return WaitForFrameTime(frameMicros);
    });
}

void RecordedCapture::Open(TSnoopTCPData& snoop) {
    snoop.SetThreadSafe(true);
    ending_.store(false);
    clock_.Start();
    snoop.OpenFile(capturePath_);
}

int RecordedCapture::TickInterval() const {
    return ReplayWindow::TickInterval(clock_.Factor());
}

std::string RecordedCapture::OpenFailure(const std::string& lastError) const {
    // A path CP932 cannot show keeps the rest of the message.
    return Utf8ToCp932("再生できません: ") + Utf8ToCp932Lossy(capturePath_ + ": " + lastError);
}

bool RecordedCapture::WaitForFrameTime(int64_t frameMicros) const {
    const double factor = clock_.Factor();
    while (!ending_.load()) {
        const int64_t ahead = frameMicros - clock_.NowMicros();
        if (ahead <= 0) {
            return true;
        }
        const auto realAhead = std::chrono::duration<double, std::micro>(ahead / factor);
        std::this_thread::sleep_for(std::min<std::chrono::duration<double, std::micro>>(
            realAhead, std::chrono::duration<double, std::micro>(kWaitSlice)));
    }
    return false;
}

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

int ReplayWindow::TickInterval(double factor) {
    // Rounded down, so that no virtual second passes without its tick.
    const double interval = std::floor(1000.0 / factor);
    return static_cast<int>(std::clamp(interval, 1.0, 1000.0 * 1000.0));
}

// --- the program -------------------------------------------------------------

std::optional<int64_t> FirstFrameMicros(const std::string& capturePath, const std::string& filter) {
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(capturePath.c_str(), errorBuffer);
    if (handle == nullptr) {
        return std::nullopt;
    }
    std::optional<int64_t> first;
    bpf_program program{};
    if (pcap_compile(handle, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) == 0) {
        if (pcap_setfilter(handle, &program) == 0) {
            pcap_pkthdr* header = nullptr;
            const u_char* frame = nullptr;
            if (pcap_next_ex(handle, &header, &frame) == 1) {
                first = FrameMicros(header->ts.tv_sec, header->ts.tv_usec);
            }
        }
        pcap_freecode(&program);
    }
    pcap_close(handle);
    return first;
}

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
    TfrmZKconfig frmZKconfig;
    TfrmZKlog frmZKlog;
    TfrmZKabout frmZKabout;
    frmZKmain.SetForms(&frmZKconfig, &frmZKlog, &frmZKabout);

    // What the replay does is told by the log as much as by the panel: open it
    // below the main window.
    ShowBelowOncePlaced(frmZKmain, frmZKlog);
    frmZKmain.show();
    return app.exec();
}

}  // namespace kestro
