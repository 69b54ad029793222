// kestro-replay: runs a recorded capture through the same decoder, handlers,
// classifier, transitions and timer as the live program, in the capture's own
// time, and prints the log as the log window would receive it.
//
//   kestro-replay [--settings FILE] [--tail SECONDS] [--panel]
//                 [--sounds off|print|play] [--reminders settings|off|print]
//                 [--speed FACTOR] [--gui] CAPTURE
//
// With --gui it becomes kestro-replay-gui, found beside it, with the same
// arguments: only that program loads Qt Widgets, whose start-up would cost the
// replay without a window more than a small capture takes. Kestro for Windows
// has no Qt, so there it replays without a window only.
#include <pcap/pcap.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "capture/snoop.h"
#include "common/clock.h"
#include "common/cp932.h"
#include "common/race_names.h"
#include "notify/platform_sound_player.h"
#include "notify/sound_root.h"
#include "platform/locale.h"
#include "platform/process.h"
#include "race/panel.h"
#include "replay/replay_options.h"
#include "replay/replay_platform.h"
#include "replay/virtual_ticker.h"
#include "settings/settings_file.h"
#include "shell/capture_session.h"
#include "shell/core.h"
#include "shell/history_page.h"

namespace kestro {
namespace {

// Cp932ToUtf8 with a memory of the texts it has converted. A session repeats
// the same few dozen game texts for hours, and the conversion (iconv) costs
// more than decoding the frame that carried the text.
class Utf8Memo {
public:
    const std::string& Convert(std::string_view cp932) {
        if (const auto found = known_.find(cp932); found != known_.end()) {
            return found->second;
        }
        // Texts that never repeat (a long chat, say) must not grow it without bound.
        if (known_.size() >= kLimit) {
            known_.clear();
        }
        return known_.emplace(std::string(cp932), Cp932ToUtf8(cp932)).first->second;
    }

private:
    static constexpr std::size_t kLimit = 1024;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> known_;
};

// Exit statuses, one meaning each (kestro-replay(1)); 2, nothing replayed, is FailReplay's.
constexpr int kReplayed = 0;
constexpr int kBrokeOff = 1;
constexpr int kOutputFailed = 3;

// Where the lines go: in large blocks to a file, each line as it is made when
// someone watches them come (a terminal, a capture still being recorded).
class Output {
public:
    Output(FILE* out, bool lineByLine) : out_(out), lineByLine_(lineByLine) {}
    void Write(std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), out_);
        if (lineByLine_) {
            std::fflush(out_);
        }
    }
    FILE* Stream() const { return out_; }

private:
    FILE* out_;
    bool lineByLine_;
};

// Prints the log lines in UTF-8, one per line, and keeps the status line.
class PrintingView final : public CoreView {
public:
    PrintingView(Output& out, const Clock& clock, bool printReminders)
        : out_(out), clock_(clock), printReminders_(printReminders) {}
    void SetStatusText(std::string_view cp932) override { status_.assign(cp932); }
    void AppendLogLine(std::string_view cp932Line) override {
        // The time stamp in front changes with every line and is ASCII, which
        // reads the same in both encodings. CP932 lead and single bytes are
        // all 0x80 or above, so the first such byte starts a character.
        std::size_t ascii = 0;
        while (ascii < cp932Line.size() && static_cast<unsigned char>(cp932Line[ascii]) < 0x80) {
            ++ascii;
        }
        line_.assign(cp932Line.substr(0, ascii));
        if (ascii < cp932Line.size()) {
            line_ += memo_.Convert(cp932Line.substr(ascii));
        }
        line_ += '\n';
        out_.Write(line_);
    }
    void RefreshPanel() override {}
    // On standard error, once per message: a file refuses every result alike.
    void ReportRefusedWrite(const Result& refused) override {
        refused_ = true;
        if (told_.insert(refused.Message()).second) {
            std::fprintf(stderr, "%s: %s%s%s\n", kReplayProgram, refused.Message().c_str(),
                         refused.Reason().empty() ? "" : ": ", refused.Reason().c_str());
        }
    }
    bool Refused() const { return refused_; }
    // Its log line is out already; its sound follows.
    void ReminderFired(const Reminder& reminder) override {
        if (!printReminders_) {
            return;
        }
        out_.Write("reminder: " + std::string(RaceName(reminder.kind)) + " " +
                   std::string(ReminderMomentCaption(reminder.moment)) + " " +
                   FormatHhNnSs(clock_.LocalTime(reminder.at)) + " あと " +
                   FormatNSs(std::chrono::duration_cast<Micros>(reminder.remaining)) + "\n");
    }

private:
    Output& out_;
    const Clock& clock_;
    bool printReminders_;
    bool refused_ = false;
    std::set<std::string> told_;
    std::string status_;
    Utf8Memo memo_;
    std::string line_;  // reused, so that a line costs no allocation
};

// Writes each platform sound call in order with the log lines.
class PrintingSoundPlayer final : public SoundPlayer {
public:
    explicit PrintingSoundPlayer(Output& out) : out_(out) {}
    void Play(const std::string& path) override {
        out_.Write("sound: " + (path.empty() ? std::string("-") : path) + "\n");
    }

private:
    Output& out_;
};

// Opens the --history file for appending; a file that is not a history, or
// cannot be read, ends the replay before anything is written.
void OpenHistoryFile(KestroCore& core, const std::string& path) {
    const HistoryLoad load = core.OpenHistory(path, true);
    if (!load.usable) {
        FailReplay(load.usable.Line());
    }
    for (const std::string& note : load.notes) {
        std::fprintf(stderr, "%s: %s\n", kReplayProgram, note.c_str());
    }
    // Asked for on the command line: a settings file that turns keeping off does not count.
    core.GetSettings().KeepHistory = true;
}

void PrintSummary(const KestroCore& core, Output& output) {
    const RaceHistory& history = core.History();
    const std::string text = HistoryPageText(BuildHistoryPage(
        history.Summary(kHistoryLatestCount), true, history.Path(), history.Usable()));
    output.Write(text);
}

// A capture that may still be in the making: a pipe or a FIFO, not a file.
bool ComesThroughAPipe(const std::string& capture) {
    if (capture == kStandardInput) {
        return !platform::IsRegularFile(stdin);
    }
    std::error_code error;
    return !std::filesystem::is_regular_file(capture, error);
}

// The capture as the user named it.
std::string CaptureName(const std::string& capture) {
    return capture == kStandardInput ? "standard input" : capture;
}

int RunHeadless(const ReplayOptions& options) {
    if (!options.capture.empty()) {
        CheckCaptureFile(options.capture);
    }

    std::string settingsPath;
    if (options.settingsFile) {
        CheckSettingsFile(*options.settingsFile);
        settingsPath = *options.settingsFile;
    }

    const bool lineByLine = ComesThroughAPipe(options.capture) || platform::IsTerminal(stdout);
    if (!lineByLine) {
        static char buffer[1 << 16];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    }
    // Before the capture thread starts, which takes the blocked signals along.
    platform::FlushBeforeQuitSignals(stdout);
    Output output(stdout, lineByLine);

    VirtualClock clock;
    PrintingView view(output, clock, options.reminders == ReplayOptions::Reminders::Print);
    NullSoundPlayer silent;
    PrintingSoundPlayer printing(output);
    PlatformSoundPlayer platform;
    SoundPlayer* player = &silent;
    if (options.sounds == ReplayOptions::Sounds::Print) {
        player = &printing;
    } else if (options.sounds == ReplayOptions::Sounds::Play) {
        player = &platform;
    }

    KestroCore core(clock, view, *player);
    // Nothing is ever written back, and the adapter does not matter here.
    LoadSettings(settingsPath, KestroSoundRoot(), core.GetSettings(), KestroOwnSoundRoot());
    if (options.reminders == ReplayOptions::Reminders::Off) {
        for (ReminderSetting& reminder : core.GetSettings().Reminders) {
            reminder.Enabled = false;
        }
    }
    if (options.historyFile) {
        OpenHistoryFile(core, *options.historyFile);
    }
    if (options.capture.empty()) {
        PrintSummary(core, output);
        return std::fflush(stdout) == 0 ? kReplayed : kOutputFailed;
    }

    VirtualTicker ticker(
        clock, [&core] { core.RealTimeTimer(); }, [&core] { return !core.FollowsRace(); });

    TSnoopTCPData snoop([](const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", kReplayProgram, text.c_str());
    });
    snoop.SetFilter(kGameCaptureFilter);
    // Nothing else touches the race state during a replay, so the payloads are
    // decoded on the reading thread: a hand-over per frame would cost more
    // than the decoding itself.
    snoop.SetThreadSafe(false);
    bool saidOutside = false;
    snoop.SetFrameHook([&ticker, &saidOutside, &options](const pcap_pkthdr& header) {
        bool outside = false;
        ticker.BeforeFrame(FrameMicros(header.ts.tv_sec, header.ts.tv_usec, &outside));
        if (outside && !saidOutside) {
            saidOutside = true;
            std::fprintf(stderr, "%s: %s: %s\n", kReplayProgram, options.capture.c_str(),
                         kOutsideYearsText);
        }
        return true;
    });
    snoop.SetOnCaptureTCPData(
        [&core](TSnoopTCPData* sender, const pcap_pkthdr* header, const uint8_t*, const uint8_t*,
                const uint8_t*, const uint8_t* data,
                int32_t length) { HandOverSegment(core, *sender, *header, data, length); });
    if (const Result opened = snoop.OpenFile(options.capture); !opened) {
        FailReplay(options.capture + ": " + opened.Reason());
    }
    snoop.ServeUntilThreadEnds();
    const std::optional<TSnoopEnd> end = snoop.LastEnd();
    const bool brokeOff = end && end->cause == TSnoopEnd::Cause::ReadError;

    ticker.Finish(options.tailSeconds);

    if (options.panel) {
        const PanelTexts texts = core.Panel(platform::ThousandsSeparator());
        for (int i = 0; i < kPanelFieldCount; ++i) {
            const auto field = static_cast<PanelField>(i);
            output.Write(std::string(PanelFieldName(field)) + "=" + texts[field] + "\n");
        }
        output.Write("PacketCount=" + texts.packetCount + "\n");
    }
    if (options.summary) {
        PrintSummary(core, output);
    }

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write the output: %s\n", kReplayProgram,
                     std::strerror(errno));
        return kOutputFailed;
    }
    if (brokeOff) {
        // A capture cut short while it was written, a stream that ended inside a
        // frame: what was read has been replayed, but the user must know it was not all.
        std::fprintf(stderr,
                     "%s: %s: the capture breaks off here; what came before was replayed (%s)\n",
                     kReplayProgram, CaptureName(options.capture).c_str(), end->reason.c_str());
        return kBrokeOff;
    }
    // A refused --history write was told on standard error as it happened: not all was kept.
    return view.Refused() ? kOutputFailed : kReplayed;
}

}  // namespace
}  // namespace kestro

int main(int argc, char** argv) {
    using namespace kestro;
    const ReplayOptions options = ParseReplayOptions(argc, argv);
    PrepareReplay(options, argv);
    return RunHeadless(options);
}
