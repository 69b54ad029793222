// The capture filter that lets the game's traffic through and nothing else. A
// header of its own, with nothing else in it, so that the capture helper uses
// the very same filter without taking in any of the game's code.
#pragma once

namespace kestro {

inline constexpr const char* kGameCaptureFilter = "tcp port 5121";

}  // namespace kestro
