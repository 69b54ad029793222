// The log window under load: a million packet-trace lines reach the shown log
// window through the real path (decoder, Log::AddLogLine, the main window's
// AppendLogLine, the memo), and then the window must still respond.
//
//   bench_log_load [--lines N] [--chunk K]     (defaults 1000000 and 1000)
//
// Between chunks of K payloads the event loop runs, so that the log window
// paints while it grows, as it does live between hand-overs.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "window_bench.h"

namespace kestro::bench {
namespace {

using SteadyClock = std::chrono::steady_clock;

double MillisSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

long ResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

// From posting a zero-time timer until it has run, with whatever the loop still had pending.
double PostedEventDelayMs() {
    bool ran = false;
    const auto start = SteadyClock::now();
    double delay = 0;
    QTimer::singleShot(0, [&] {
        ran = true;
        delay = MillisSince(start);
    });
    while (!ran) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return delay;
}

// A synchronous repaint of the memo's visible part.
double RepaintMs(QPlainTextEdit& memo) {
    const auto start = SteadyClock::now();
    memo.viewport()->repaint();
    return MillisSince(start);
}

int Run(int lines, int chunk) {
    BenchSettings settings;
    settings.Write(QStringLiteral("[Config]\nLogLevel=8\n"));  // packet trace only
    BenchForms<TfrmZKmain> forms;
    TfrmZKmain& main = forms.main;
    main.show();
    main.PopupMenuClick(main.MenuAction(MenuItem::pmiLog));
    QPlainTextEdit& memo = *forms.log.Memo();
    if (!forms.log.isVisible()) {
        std::fprintf(stderr, "the log window did not show\n");
        return 1;
    }
    QCoreApplication::processEvents();

    // An unknown packet id: the decoder's trace line, and nothing else happens.
    const std::vector<uint8_t> payload = {0x7D, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const long rssBefore = ResidentKiB();
    double worstChunkMs = 0;
    const auto start = SteadyClock::now();
    for (int done = 0; done < lines;) {
        const auto chunkStart = SteadyClock::now();
        const int end = std::min(lines, done + chunk);
        for (; done < end; ++done) {
            main.Shell().Core().SnoopTCPDataCaptureTCPData(payload.data(),
                                                           static_cast<int32_t>(payload.size()));
        }
        QCoreApplication::processEvents();
        worstChunkMs = std::max(worstChunkMs, MillisSince(chunkStart));
    }
    const double loadMs = MillisSince(start);
    const long rssAfter = ResidentKiB();
    PrintMachineLoad();

    if (main.Shell().Core().PacketCount() != lines) {
        std::fprintf(stderr, "%d payloads handled of %d\n", main.Shell().Core().PacketCount(),
                     lines);
        return 1;
    }
    const QString last = memo.document()->lastBlock().text();
    std::printf(
        "lines appended %d in chunks of %d: %.0f ms, %.2f us per line, "
        "worst chunk with its event loop pass %.1f ms\n",
        lines, chunk, loadMs, loadMs * 1000.0 / lines, worstChunkMs);
    std::printf("memo holds %d lines (limit %d); last: %s\n", memo.document()->blockCount(),
                TfrmZKlog::kMaxLines, qUtf8Printable(last));
    std::printf("resident memory %.1f MB before the load, %.1f MB after\n", rssBefore / 1024.0,
                rssAfter / 1024.0);

    // The responses, each measured a few times; the worst is reported beside the first.
    std::vector<double> posted, repaint, scrollTop, scrollBottom, resize;
    for (int round = 0; round < 5; ++round) {
        posted.push_back(PostedEventDelayMs());
        repaint.push_back(RepaintMs(memo));

        auto t = SteadyClock::now();
        memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->minimum());
        memo.viewport()->repaint();
        scrollTop.push_back(MillisSince(t));

        t = SteadyClock::now();
        memo.verticalScrollBar()->setValue(memo.verticalScrollBar()->maximum());
        memo.viewport()->repaint();
        scrollBottom.push_back(MillisSince(t));
    }
    // Live traffic after the load: one line per event loop pass, as one hand-over each.
    std::vector<double> trickle;
    for (int i = 0; i < 500; ++i) {
        const auto t = SteadyClock::now();
        main.Shell().Core().SnoopTCPDataCaptureTCPData(payload.data(),
                                                       static_cast<int32_t>(payload.size()));
        QCoreApplication::processEvents();
        trickle.push_back(MillisSince(t));
    }
    for (int round = 0; round < 5; ++round) {
        const auto t = SteadyClock::now();
        forms.log.resize(round % 2 == 0 ? 520 : 392, 252);
        QCoreApplication::processEvents();
        memo.viewport()->repaint();
        resize.push_back(MillisSince(t));
    }
    const auto report = [](const char* what, const std::vector<double>& ms) {
        std::printf("%-44s first %8.2f ms  worst of %zu %8.2f ms\n", what, ms.front(), ms.size(),
                    *std::max_element(ms.begin(), ms.end()));
    };
    report("posted event runs after", posted);
    report("log window repaint", repaint);
    report("scroll to the first line and repaint", scrollTop);
    report("scroll to the last line and repaint", scrollBottom);
    report("resize (rewrap) and repaint", resize);
    const Summary perLine = Summarise(trickle);
    std::printf("%-44s median %7.2f ms  p99 %7.2f ms  worst %7.2f ms\n",
                "one more line and an event loop pass", perLine.median, perLine.p99, perLine.max);

    double worst = perLine.max;
    for (const auto* series : {&posted, &repaint, &scrollTop, &scrollBottom, &resize}) {
        worst = std::max(worst, *std::max_element(series->begin(), series->end()));
    }
    std::printf("worst response %.2f ms (target 100 ms): %s\n", worst,
                worst < 100.0 ? "met" : "NOT met");
    main.close();
    return worst < 100.0 ? 0 : 1;
}

}  // namespace
}  // namespace kestro::bench

int main(int argc, char** argv) {
    int lines = 1000000;
    int chunk = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--lines") == 0) {
            lines = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--chunk") == 0) {
            chunk = std::atoi(argv[i + 1]);
        }
    }
    if (lines < 1 || chunk < 1 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: bench_log_load [--lines N] [--chunk K]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return kestro::bench::Run(lines, chunk);
}
