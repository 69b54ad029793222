// What kestro-replay needs of Windows before it reads a capture.
#pragma once

#include <string>

namespace kestro {

// Exits with status 2 and the reason when no capture driver is installed. From
// then on, a call of a capture function that the installed wpcap.dll does not
// implement (Wine's reads no capture files) ends the replay with status 2 and
// the reason instead of a crash. And since the output is UTF-8, a console that
// standard output writes to shows UTF-8 until the program ends.
void PrepareWindowsReplay(const std::string& capture);

}  // namespace kestro
