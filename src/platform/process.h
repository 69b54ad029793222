// The running program: where its own file is (the settings file, the default
// sounds and the window replay are all found beside it), and handing its place
// over to another program.
#pragma once

#include <string>

namespace kestro::platform {

// The absolute path of this process's executable; empty when the system will not say.
std::string ExecutablePath();

// Runs the program at `path` with `argv` in place of this one. Returns only when
// that failed, with the system's reason.
std::string RunInstead(const std::string& path, char** argv);

}  // namespace kestro::platform
