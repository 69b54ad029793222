// The running program: where its own file is (the settings file, the default
// sounds and the window replay are all found beside it), and handing its place
// over to another program.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kestro::platform {

// The absolute path of this process's executable; empty when the system will not say.
std::string ExecutablePath();

// The characters that separate folders in a path: Windows takes either slash;
// on Linux a backslash is part of a name.
std::string_view PathSeparators();

// True where a program whose folder takes new files keeps its settings beside
// itself even before there is a file: the Windows program is unzipped into a
// folder of the user's own, where its players look for them, unless the
// installer marked it as installed (kestro-installed.txt beside it). Elsewhere
// an installed program keeps them in the user's own folder.
bool SettingsBesideWritableProgram();

// The user's own folder for Kestro's settings: $XDG_CONFIG_HOME/kestro
// ($HOME/.config/kestro when XDG_CONFIG_HOME is unset or not absolute) on
// Linux, %APPDATA%\Kestro on Windows; empty when the environment names none.
std::string UserSettingsFolder();

// The folder that "%SystemRoot%" names on this system ("windir" on Windows);
// empty where there is none, and Kestro's own sound folder stands in for it.
std::string SystemRootFolder();

// Runs the program at `path` with `argv` in place of this one. Returns only when
// that failed, with the system's reason.
std::string RunInstead(const std::string& path, char** argv);

// Whether `stream` is a terminal; whether it is a regular file (not a pipe, a
// FIFO, a terminal or a socket, whose bytes may still be in the making).
bool IsTerminal(std::FILE* stream);
bool IsRegularFile(std::FILE* stream);

// From now on SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break, the
// console closed) first flush `stream` on a thread of their own, holding it so
// that nothing more is written, then end the process as the signal does. Call
// before any other thread starts: threads take the blocked signals along.
void FlushBeforeQuitSignals(std::FILE* stream);

}  // namespace kestro::platform
