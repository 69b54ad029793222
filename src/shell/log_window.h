// The log window's rule, the same in every face.
#pragma once

namespace kestro {

// The log window keeps this many lines; older ones are dropped so that an hour
// of packet trace neither exhausts memory nor slows every append.
inline constexpr int kLogWindowMaxLines = 100000;

}  // namespace kestro
