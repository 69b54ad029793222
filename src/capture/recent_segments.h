// A short memory of the TCP segments delivered last, so that a segment seen
// again is decoded and counted once. On "any" a bridge or a VLAN shows every
// frame twice (on the port and on the bridge or VLAN device); a lossy link
// retransmits a segment whose first copy was captured. Either would decode the
// same announcer line twice and take its runner as the next finisher.
//
// A segment repeats an earlier one when the connection (both addresses and
// ports), the sequence number and the payload are the same. The same bytes
// under a new sequence number are a new message and always pass.
//
// The payload is compared by its length and a 64-bit digest: TCP never puts
// different bytes at one sequence number of one connection, so two payloads
// that meet here are either equal or differ by far more than a digest misses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "capture/frames.h"

namespace kestro {

class RecentSegments {
public:
    // Duplicates from a bridge arrive back to back; a retransmission after a
    // time-out of a fraction of a second to a few seconds, with the game's few
    // segments per second between. 128 covers that in about 9 KiB.
    static constexpr std::size_t kCapacity = 128;

    // True when the same segment is among the last kCapacity remembered;
    // otherwise remembers this one (forgetting the oldest) and returns false.
    bool SeenBefore(const TCPSegmentPlace& place, const uint8_t* payload, int32_t length);

private:
    struct Entry {
        TCPSegmentPlace place;
        int32_t length = 0;
        uint64_t digest = 0;
    };
    // How many remembered keys fall on each filter slot: a slot at 0 tells in
    // one read that a segment is new, which nearly every segment is. Only
    // otherwise (about one in 32) are the keys scanned. This runs for every
    // payload on the capture thread.
    static constexpr std::size_t kFilterSlots = 4096;
    std::array<uint8_t, kFilterSlots> filter_{};
    std::array<uint64_t, kCapacity> keys_{};  // of place, length and digest; 0: none
    std::array<Entry, kCapacity> entries_{};  // round the ring, oldest at next_
    std::size_t next_ = 0;
};

}  // namespace kestro
