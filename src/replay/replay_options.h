// The command line of kestro-replay, shared by the headless replay and the
// window replay (kestro-replay-gui), which it starts for --gui with the same
// arguments; both refuse a bad line in the same words.
//
//   kestro-replay [--settings FILE] [--tail SECONDS] [--panel]
//                 [--sounds off|print|play] [--reminders settings|off|print]
//                 [--history FILE [--summary]]
//                 [--speed FACTOR] [--gui] CAPTURE|-
//   kestro-replay --history FILE --summary
#pragma once

#include <optional>
#include <string>

namespace kestro {

// The name every message of either program starts with: users type kestro-replay.
inline constexpr const char* kReplayProgram = "kestro-replay";

struct ReplayOptions {
    std::optional<std::string> settingsFile;
    double tailSeconds = 0.0;
    bool panel = false;
    enum class Sounds { Off, Print, Play } sounds = Sounds::Off;
    // Settings: as the settings file says; Off: none fire; Print: as the
    // settings say, each also printed as a "reminder: " line.
    enum class Reminders { Settings, Off, Print } reminders = Reminders::Settings;
    std::optional<double> speed;
    bool gui = false;
    // Confirmed results are appended to this file; --summary prints its numbers.
    std::optional<std::string> historyFile;
    bool summary = false;
    std::string capture;  // empty only with --summary
};

// Prints "kestro-replay: MESSAGE" on standard error and exits with status 2.
[[noreturn]] void FailReplay(const std::string& message);

// Exits (status 0 for --help, 2 with a message for a bad line) unless the
// arguments make sense together. The window program replays in the window
// whether or not --gui is among them.
ReplayOptions ParseReplayOptions(int argc, char** argv, bool windowProgram = false);

// The capture named "-" is a pcap stream on standard input (tcpdump -w -).
inline constexpr const char* kStandardInput = "-";

// Told once per replay when a frame's time stamp had to be saturated.
inline constexpr const char* kOutsideYearsText =
    "time stamps outside the years 1 to 9999 are read as the nearest time within them";

// Exits with status 2 and the reason, in the user's terms, unless `path` is a
// readable capture file of a link type the capture component reads. Standard
// input cannot be looked at twice, so "-" is taken as it comes; the capture
// component refuses at open a link it cannot read.
void CheckCaptureFile(const std::string& path);

// Exits with status 2 and the reason unless `path` is a readable file (a folder is not).
void CheckSettingsFile(const std::string& path);

}  // namespace kestro
