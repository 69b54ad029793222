// Latency of the live path: from a frame's arrival at the capture thread to the
// end of the panel refresh it causes, in the real main window (offscreen) with
// capture on "lo" and a real connection on 127.0.0.1:5121.
//
//   bench_live_latency [--frames N] [--pace-ms MS] [--source direct|helper]
//                                        (defaults 2000, 5 and direct)
//
// --source helper reads the frames through kestro-capture's pipe, as a window
// without capture rights does; "send() -> ..." then includes that hop.
//
// The game server alternates two Singles lines (the three-minute countdown and
// the start), so that every frame changes the race status and the clock status,
// each change refreshing the panel. Needs capture rights (root).
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/cp932.h"
#include "scenario.h"
#include "support/game_connection.h"
#include "window_bench.h"

namespace kestro::bench {
namespace {

using SteadyClock = std::chrono::steady_clock;
using SteadyTime = SteadyClock::time_point;

// The timing of one game frame, filled in by the capture thread (arrival) and
// the main thread (the rest). The hand-over orders the two.
struct FrameTimes {
    SteadyTime sent{}, arrival{}, handled{}, firstRefresh{}, lastRefresh{}, painted{};
    std::chrono::system_clock::time_point kernel{};
    int refreshes = 0;
};

std::vector<FrameTimes> gFrames;

class StampingMain : public TfrmZKmain {
public:
    using TfrmZKmain::TfrmZKmain;

    // The frame whose hand-over is running now, or -1.
    int handling = -1;
    // The frame whose panel change has not been painted yet, or -1.
    int awaitingPaint = -1;

    void ShowPanel(const PanelTexts& texts) override {
        TfrmZKmain::ShowPanel(texts);
        if (handling >= 0) {
            FrameTimes& t = gFrames[handling];
            t.lastRefresh = SteadyClock::now();
            if (t.refreshes++ == 0) {
                t.firstRefresh = t.lastRefresh;
            }
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && awaitingPaint >= 0) {
            gFrames[awaitingPaint].painted = SteadyClock::now();
            awaitingPaint = -1;
        }
        return TfrmZKmain::eventFilter(watched, event);
    }
};

int Run(int frames, int paceMs, CaptureSource source) {
    gFrames.assign(static_cast<size_t>(frames), FrameTimes{});
    BenchSettings settings;
    BenchForms<StampingMain> forms;
    StampingMain& main = forms.main;
    main.Shell().Snoop().SetSource(source);
    main.Shell().Snoop().SetCaptureHelperPath(KESTRO_CAPTURE_HELPER);

    const int lo = AdapterIndexOf(main.Shell().Snoop(), "lo");
    if (lo < 0) {
        std::fprintf(stderr, "no capture adapter \"lo\"\n");
        return 2;
    }
    settings.Write(QStringLiteral("[Snoop]\nAdapterIndex=%1\n").arg(lo));

    // The capture thread hands each accepted frame over right after the hook has
    // seen it and blocks until it is handled, so the handler reads its own frame's stamps.
    std::atomic<SteadyClock::rep> lastArrival{0};
    std::atomic<int64_t> lastKernelMicros{0};
    main.Shell().Snoop().SetFrameHook([&](const pcap_pkthdr& header) {
        lastArrival.store(SteadyClock::now().time_since_epoch().count());
        lastKernelMicros.store(int64_t{header.ts.tv_sec} * 1000000 + header.ts.tv_usec);
        return true;
    });
    // Set while capture is closed, as the component requires. Segments of other
    // connections on the game port (another program's) are left out of the
    // window and of the figures.
    uint16_t clientPort = 0;
    int ours = 0;
    const TOnCaptureTCPDataEvent handler = main.Shell().Snoop().OnCaptureTCPData();
    main.Shell().Snoop().SetOnCaptureTCPData(
        [&](TSnoopTCPData* sender, const pcap_pkthdr* header, const uint8_t* ethernet,
            const uint8_t* ip, const uint8_t* tcp, const uint8_t* data, int32_t length) {
            const uint16_t destination = static_cast<uint16_t>(tcp[2] << 8 | tcp[3]);
            if (clientPort == 0 || destination != clientPort || ours >= frames) {
                return;
            }
            const int index = ours++;
            gFrames[index].handled = SteadyClock::now();
            gFrames[index].arrival = SteadyTime(SteadyClock::duration(lastArrival.load()));
            gFrames[index].kernel = std::chrono::system_clock::time_point(
                std::chrono::microseconds(lastKernelMicros.load()));
            main.handling = index;
            handler(sender, header, ethernet, ip, tcp, data, length);
            main.handling = -1;
            main.awaitingPaint = index;
        });
    main.Field(PanelField::txtStatusSingle)->installEventFilter(&main);

    main.show();
    if (!main.Shell().Snoop().Active()) {
        std::fprintf(stderr, "capture on lo did not open: %s\n",
                     main.Shell().Snoop().LastError().c_str());
        return 2;
    }

    test::GameConnection game;
    const std::string failure = game.Open();
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return 2;
    }
    clientPort = game.ClientPort();
    const std::vector<uint8_t> lines[2] = {
        scenario::AnnouncerPacket(
            Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。")),
        scenario::AnnouncerPacket(
            Utf8ToCp932("モンスターレースシングルスがスタートします。皆様の幸運を祈ります。")),
    };

    std::atomic<bool> sendFailed{false};
    std::thread server([&] {
        for (int i = 0; i < frames; ++i) {
            gFrames[i].sent = SteadyClock::now();
            if (!game.FromServer(lines[i % 2])) {
                sendFailed = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(paceMs));
        }
    });

    // The window's own event loop runs, idle between frames as it would be live.
    QEventLoop loop;
    QElapsedTimer waited;
    waited.start();
    const qint64 patience = 10000 + static_cast<qint64>(frames) * (paceMs + 5);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        const bool done = ours >= frames && main.awaitingPaint < 0;
        if (done || sendFailed || waited.elapsed() > patience) {
            loop.quit();
        }
    });
    check.start(50);
    loop.exec();
    check.stop();
    server.join();
    main.close();

    if (sendFailed || ours != frames) {
        std::fprintf(stderr, "sent %d frames, %d were handled\n", frames, ours);
        return 1;
    }

    std::vector<double> toHandler, toFirst, toLast, toPaint, kernelToArrival, sentToLast;
    int missingRefresh = 0;
    for (const FrameTimes& t : gFrames) {
        if (t.refreshes == 0) {
            ++missingRefresh;
            continue;
        }
        toHandler.push_back(Micros(t.handled - t.arrival));
        toFirst.push_back(Micros(t.firstRefresh - t.arrival));
        toLast.push_back(Micros(t.lastRefresh - t.arrival));
        sentToLast.push_back(Micros(t.lastRefresh - t.sent));
        if (t.painted != SteadyTime{}) {
            toPaint.push_back(Micros(t.painted - t.arrival));
        }
        // The kernel stamps with the wall clock; the arrival is carried over to it.
        const auto arrivalWall = std::chrono::system_clock::now() -
                                 std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                     SteadyClock::now() - t.arrival);
        kernelToArrival.push_back(
            std::chrono::duration<double, std::micro>(arrivalWall - t.kernel).count());
    }

    PrintMachineLoad();
    std::printf("frames %d, paced %d ms apart, refreshes per frame %d, frames without one %d, %s\n",
                frames, paceMs, gFrames[frames - 1].refreshes, missingRefresh,
                source == CaptureSource::Helper ? "through kestro-capture" : "direct capture");
    PrintSummary("capture thread -> main thread runs the hand-over", Summarise(toHandler));
    PrintSummary("capture thread -> end of first panel refresh", Summarise(toFirst));
    PrintSummary("capture thread -> end of last panel refresh", Summarise(toLast));
    PrintSummary("capture thread -> status label painted", Summarise(toPaint));
    PrintSummary("kernel time stamp -> capture thread", Summarise(kernelToArrival));
    PrintSummary("send() -> end of last panel refresh", Summarise(sentToLast));
    return missingRefresh == 0 ? 0 : 1;
}

}  // namespace
}  // namespace kestro::bench

int main(int argc, char** argv) {
    int frames = 2000;
    int paceMs = 5;
    kestro::CaptureSource source = kestro::CaptureSource::Direct;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--source") == 0) {
            source = std::strcmp(argv[i + 1], "helper") == 0 ? kestro::CaptureSource::Helper
                                                             : kestro::CaptureSource::Direct;
        }
        if (std::strcmp(argv[i], "--frames") == 0) {
            frames = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--pace-ms") == 0) {
            paceMs = std::atoi(argv[i + 1]);
        }
    }
    if (frames < 1 || paceMs < 0 || argc % 2 == 0) {
        std::fprintf(
            stderr,
            "usage: bench_live_latency [--frames N] [--pace-ms MS] [--source direct|helper]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return kestro::bench::Run(frames, paceMs, source);
}
