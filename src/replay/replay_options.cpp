#include "replay/replay_options.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "capture/adapters.h"
#include "capture/frames.h"
#include "common/build_info.h"
#include "replay/replay_platform.h"

namespace kestro {

namespace {

// The window program answers --help and --version under its own name.
constexpr const char* kWindowProgram = "kestro-replay-gui";

void Usage(FILE* to, const char* program = kReplayProgram) {
    std::fprintf(to,
                 "usage: %s [--settings FILE] [--tail SECONDS] [--panel] "
                 "[--sounds off|print|play] [--reminders settings|off|print] "
                 "[--history FILE [--summary]] %sCAPTURE\n"
                 "       %s --history FILE --summary\n"
                 "       %s -h | --help | --version\n",
                 program, HasWindowReplay() ? "[--speed FACTOR] [--gui] " : "", program, program);
}

void Help(const char* program) {
    Usage(stdout, program);
    if (HasWindowReplay()) {
        std::fputs(
            "\n"
            "Replays CAPTURE (pcap or pcapng) in the time of its own time stamps and prints\n"
            "the log; with --gui, in the main window. CAPTURE - reads a pcap stream from\n"
            "standard input, e.g.  tcpdump -U -w - 'tcp port 5121' | kestro-replay --gui -\n",
            stdout);
    } else {
        std::fputs(
            "\n"
            "Replays CAPTURE (pcap or pcapng) in the time of its own time stamps and prints\n"
            "the log. CAPTURE - reads a pcap stream from standard input.\n",
            stdout);
    }
    std::fputs(
        "\n"
        "Time never goes back: a frame stamped before an earlier one is still decoded,\n"
        "at the latest time seen, and the one-second timer does not tick again.\n"
        "Time stamps outside the years 1 to 9999 are read as the nearest time within them.\n"
        "\n"
        "--history FILE appends each confirmed result to FILE (CSV, as Kestro keeps its\n"
        "history); a result FILE holds already is not written twice. --summary prints\n"
        "the numbers of FILE (and of the replay) as the history window shows them.\n"
        "\n"
        "Reminders fire as the settings file says (section Reminders); --reminders off\n"
        "silences them, --reminders print also prints each one that fires as a line\n"
        "\"reminder: RACE MOMENT hh:nn:ss あと n:ss\" (the moment and the time left).\n",
        stdout);
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

ReplayOptions ParseOptionsOnly(int argc, char** argv, bool windowProgram) {
    const char* const program = windowProgram ? kWindowProgram : kReplayProgram;
    ReplayOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        // "--name=value" is "--name value".
        const char* joined = nullptr;
        if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            joined = argv[i] + equals + 1;
            arg = arg.substr(0, equals);
        }
        auto value = [&](const char* name) -> const char* {
            if (joined != nullptr) {
                return joined;
            }
            if (i + 1 >= argc) {
                FailReplay(std::string(name) + " needs a value");
            }
            return argv[++i];
        };
        const bool flag = arg == "--panel" || arg == "--gui" || arg == "--help" ||
                          arg == "--version" || arg == "--summary";
        if (flag && joined != nullptr) {
            FailReplay(std::string(arg) + " takes no value");
        }
        if (arg == "--settings") {
            options.settingsFile = value("--settings");
        } else if (arg == "--tail") {
            const auto tail = ParseNumber(value("--tail"));
            if (!tail || *tail < 0) {
                FailReplay("--tail needs a number of seconds, 0 or more");
            }
            options.tailSeconds = *tail;
        } else if (arg == "--panel") {
            options.panel = true;
        } else if (arg == "--sounds") {
            const std::string_view mode = value("--sounds");
            if (mode == "off") {
                options.sounds = ReplayOptions::Sounds::Off;
            } else if (mode == "print") {
                options.sounds = ReplayOptions::Sounds::Print;
            } else if (mode == "play") {
                options.sounds = ReplayOptions::Sounds::Play;
            } else {
                FailReplay("--sounds takes off, print or play");
            }
        } else if (arg == "--reminders") {
            const std::string_view mode = value("--reminders");
            if (mode == "settings") {
                options.reminders = ReplayOptions::Reminders::Settings;
            } else if (mode == "off") {
                options.reminders = ReplayOptions::Reminders::Off;
            } else if (mode == "print") {
                options.reminders = ReplayOptions::Reminders::Print;
            } else {
                FailReplay("--reminders takes settings, off or print");
            }
        } else if (arg == "--speed") {
            const auto speed = ParseNumber(value("--speed"));
            if (!speed || *speed <= 0) {
                FailReplay("--speed needs a factor above 0");
            }
            options.speed = *speed;
        } else if (arg == "--gui") {
            options.gui = true;
        } else if (arg == "--history") {
            options.historyFile = value("--history");
        } else if (arg == "--summary") {
            options.summary = true;
        } else if (arg == "-h" || arg == "--help") {
            Help(program);
            std::exit(0);
        } else if (arg == "--version") {
            std::printf("%s %s\n", program, kVersion);
            std::exit(0);
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            Usage(stderr);
            FailReplay("unknown option " + std::string(arg));
        } else if (options.capture.empty()) {
            options.capture = arg;
        } else {
            Usage(stderr);
            FailReplay("only one capture file can be replayed at a time");
        }
    }
    if (options.summary && !options.historyFile) {
        FailReplay("--summary needs --history FILE");
    }
    if (options.capture.empty() && !options.summary) {
        Usage(stderr);
        std::exit(2);
    }
    return options;
}

}  // namespace

void FailReplay(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kReplayProgram, message.c_str());
    std::exit(2);
}

ReplayOptions ParseReplayOptions(int argc, char** argv, bool windowProgram) {
    ReplayOptions options = ParseOptionsOnly(argc, argv, windowProgram);
    if (!HasWindowReplay() && (options.gui || options.speed)) {
        FailReplay(
            "--gui and --speed belong to the replay in a window, which Kestro for Windows "
            "does not have");
    }
    options.gui = options.gui || windowProgram;
    if (options.gui && (options.panel || options.tailSeconds > 0)) {
        FailReplay("--panel and --tail belong to the replay without --gui");
    }
    // The window replays with the settings it shows, reminders and all.
    if (options.gui && options.reminders != ReplayOptions::Reminders::Settings) {
        FailReplay("--reminders off and print belong to the replay without --gui");
    }
    if (options.gui && (options.summary || options.capture.empty())) {
        FailReplay("--summary belongs to the replay without --gui");
    }
    if (!options.gui && options.speed) {
        FailReplay("--speed needs --gui: without a window the replay runs as fast as it can");
    }
    return options;
}

void CheckCaptureFile(const std::string& path) {
    // A pipe or a FIFO cannot be looked at twice either.
    std::error_code error;
    if (path == kStandardInput || std::filesystem::is_fifo(path, error)) {
        return;
    }
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        FailReplay(path + ": " + std::strerror(errno));
    }
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), errbuf);
    if (handle == nullptr) {
        FailReplay(path + ": not a capture file (" + errbuf + ")");
    }
    const int linkType = pcap_datalink(handle);
    pcap_close(handle);
    // The same links as a live capture, so that live and replay never disagree.
    if (!IsReadableLinkType(linkType)) {
        FailReplay(path + ": " + UnreadableLinkTypeText(linkType));
    }
}

void CheckSettingsFile(const std::string& path) {
    // A folder opens for reading on Linux and then reads as an empty file, which
    // would replay with the defaults while the user believes otherwise.
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        FailReplay(path + ": " + std::strerror(EISDIR));
    }
    std::ifstream probe(path);
    if (!probe) {
        FailReplay(path + ": " + std::strerror(errno));
    }
}

}  // namespace kestro
