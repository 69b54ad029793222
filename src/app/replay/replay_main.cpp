// kestro-replay: runs a recorded capture through the same decoder, handlers,
// classifier, transitions and timer as the live program, in the capture's own
// time, and prints the log as the log window would receive it.
//
//   kestro-replay [--settings FILE] [--tail SECONDS] [--panel]
//                 [--sounds off|print|play] [--speed FACTOR] [--gui] CAPTURE
#include <pcap/pcap.h>
#include <unistd.h>

#include <QLocale>
#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/replay/gui_replay.h"
#include "app/replay/virtual_ticker.h"
#include "capture/snoop.h"
#include "common/clock.h"
#include "common/cp932.h"
#include "game/core.h"
#include "notify/platform_sound_player.h"
#include "notify/sound_root.h"
#include "race/panel.h"
#include "settings/settings_file.h"

namespace kestro {
namespace {

constexpr const char* kProgram = "kestro-replay";

struct Options {
    std::optional<std::string> settingsFile;
    double tailSeconds = 0.0;
    bool panel = false;
    enum class Sounds { Off, Print, Play } sounds = Sounds::Off;
    std::optional<double> speed;
    bool gui = false;
    std::string capture;
};

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: %s [--settings FILE] [--tail SECONDS] [--panel] "
                 "[--sounds off|print|play] [--speed FACTOR] [--gui] CAPTURE\n",
                 kProgram);
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    std::exit(2);
}

std::optional<double> ParseNumber(const char* text) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                Fail(std::string(name) + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--settings") {
            options.settingsFile = value("--settings");
        } else if (arg == "--tail") {
            const auto tail = ParseNumber(value("--tail"));
            if (!tail || *tail < 0) {
                Fail("--tail needs a number of seconds, 0 or more");
            }
            options.tailSeconds = *tail;
        } else if (arg == "--panel") {
            options.panel = true;
        } else if (arg == "--sounds") {
            const std::string_view mode = value("--sounds");
            if (mode == "off") {
                options.sounds = Options::Sounds::Off;
            } else if (mode == "print") {
                options.sounds = Options::Sounds::Print;
            } else if (mode == "play") {
                options.sounds = Options::Sounds::Play;
            } else {
                Fail("--sounds takes off, print or play");
            }
        } else if (arg == "--speed") {
            const auto speed = ParseNumber(value("--speed"));
            if (!speed || *speed <= 0) {
                Fail("--speed needs a factor above 0");
            }
            options.speed = *speed;
        } else if (arg == "--gui") {
            options.gui = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            std::exit(0);
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            Usage(stderr);
            Fail("unknown option " + std::string(arg));
        } else if (options.capture.empty()) {
            options.capture = arg;
        } else {
            Usage(stderr);
            Fail("only one capture file can be replayed at a time");
        }
    }
    if (options.capture.empty()) {
        Usage(stderr);
        std::exit(2);
    }
    return options;
}

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

// Prints the log lines in UTF-8, one per line, and keeps the status line.
class PrintingView final : public CoreView {
public:
    explicit PrintingView(FILE* out) : out_(out) {}
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
        std::fwrite(line_.data(), 1, line_.size(), out_);
    }
    void RefreshPanel() override {}

private:
    FILE* out_;
    std::string status_;
    Utf8Memo memo_;
    std::string line_;  // reused, so that a line costs no allocation
};

// Writes each platform sound call in order with the log lines.
class PrintingSoundPlayer final : public SoundPlayer {
public:
    explicit PrintingSoundPlayer(FILE* out) : out_(out) {}
    void Play(const std::string& path) override {
        std::fprintf(out_, "sound: %s\n", path.empty() ? "-" : path.c_str());
    }

private:
    FILE* out_;
};

// The reasons a capture file cannot be replayed, in the user's terms.
void CheckCaptureFile(const std::string& path) {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        Fail(path + ": " + std::strerror(errno));
    }
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), errbuf);
    if (handle == nullptr) {
        Fail(path + ": not a capture file (" + errbuf + ")");
    }
    const int linkType = pcap_datalink(handle);
    pcap_close(handle);
    if (linkType != DLT_EN10MB) {
        const char* name = pcap_datalink_val_to_name(linkType);
        Fail(path + ": link type " + (name ? name : std::to_string(linkType)) + " is not Ethernet");
    }
}

int RunHeadless(const Options& options) {
    CheckCaptureFile(options.capture);

    std::string settingsPath;
    if (options.settingsFile) {
        std::ifstream probe(*options.settingsFile);
        if (!probe) {
            Fail(*options.settingsFile + ": " + std::strerror(errno));
        }
        settingsPath = *options.settingsFile;
    }

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    SettableClock clock;
    PrintingView view(stdout);
    NullSoundPlayer silent;
    PrintingSoundPlayer printing(stdout);
    PlatformSoundPlayer platform;
    SoundPlayer* player = &silent;
    if (options.sounds == Options::Sounds::Print) {
        player = &printing;
    } else if (options.sounds == Options::Sounds::Play) {
        player = &platform;
    }

    KestroCore core(clock, view, *player);
    // Nothing is ever written back, and the adapter does not matter here.
    LoadSettings(settingsPath, KestroSoundRoot(), core.settings());

    VirtualTicker ticker(clock, [&core] { core.RealTimeTimer(); });

    TSnoopTCPData snoop(
        [](const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str()); });
    snoop.SetFilter("tcp port 5121");
    // Nothing else touches the race state during a replay, so the payloads are
    // decoded on the reading thread: a hand-over per frame would cost more
    // than the decoding itself.
    snoop.SetThreadSafe(false);
    snoop.SetFrameHook([&ticker](const pcap_pkthdr& header) {
        ticker.BeforeFrame(static_cast<int64_t>(header.ts.tv_sec) * 1000000 +
                           static_cast<int64_t>(header.ts.tv_usec));
    });
    snoop.SetOnCaptureTCPData(
        [&core](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*, const uint8_t*, const uint8_t*,
                const uint8_t* data,
                int32_t length) { core.SnoopTCPDataCaptureTCPData(data, length); });
    snoop.OpenFile(options.capture);
    if (!snoop.Active()) {
        Fail(options.capture + ": " + snoop.LastError());
    }
    snoop.ServeUntilThreadEnds();
    const std::string readError = snoop.LastError();

    ticker.Finish(options.tailSeconds);

    if (options.panel) {
        const QString group = QLocale::system().groupSeparator();
        const PanelTexts texts = core.Panel(group.toStdString());
        for (int i = 0; i < kPanelFieldCount; ++i) {
            const auto field = static_cast<PanelField>(i);
            std::fprintf(stdout, "%.*s=%s\n", static_cast<int>(PanelFieldName(field).size()),
                         PanelFieldName(field).data(), texts[field].c_str());
        }
        std::fprintf(stdout, "PacketCount=%s\n", texts.packetCount.c_str());
    }

    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write the output: %s\n", kProgram, std::strerror(errno));
        return 1;
    }
    if (!readError.empty()) {
        // The file broke off part-way (a capture cut short while it was written):
        // what was read has been replayed, but the user must know it was not all.
        std::fprintf(stderr, "%s: %s: reading stopped early: %s\n", kProgram,
                     options.capture.c_str(), readError.c_str());
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace kestro

int main(int argc, char** argv) {
    using namespace kestro;
    const Options options = ParseOptions(argc, argv);
    if (options.gui) {
        if (options.panel || options.tailSeconds > 0) {
            Fail("--panel and --tail belong to the replay without --gui");
        }
        CheckCaptureFile(options.capture);
        return RunGuiReplay(argc, argv,
                            {options.capture, options.settingsFile, options.speed.value_or(1.0)});
    }
    if (options.speed) {
        Fail("--speed needs --gui: without a window the replay runs as fast as it can");
    }
    return RunHeadless(options);
}
