// Where each connection's byte stream stands: which of its bytes were handed
// on already. A segment yields only the bytes beyond them, so that whatever
// shows a segment again is decoded and counted once:
//   - a bridge or a VLAN device captured on "any" (the same frame twice);
//   - a retransmission, also Linux's that merges small unacknowledged
//     segments into one (the first one's sequence number, all their bytes) or
//     overlaps what was sent (only its new bytes are new);
//   - a frame seen before and after NAT on "any" (a client in a container or a
//     virtual machine): other addresses or ports on one side, the same
//     sequence numbers. Such a twin shares the position of the stream it
//     copies.
// The same bytes under a new sequence number are a new message and pass.
//
// Each direction of a connection is a stream of its own. Everything behind a
// stream's floor was handed on (or given up); above it a few islands of bytes
// that came ahead of a gap (reordering, a segment the capture lost) wait for
// the gap to fill. Sequence numbers wrap: every position is a distance from
// the floor in the 32-bit space.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "capture/frames.h"

namespace kestro {

class StreamPositions {
public:
    // A game client holds one connection; a few clients, a few more. The
    // least recently used stream makes room for a new one.
    static constexpr std::size_t kCapacity = 64;
    // Gaps waited for per stream; one more folds the oldest gap in, given up.
    static constexpr std::size_t kIslands = 4;
    // A stream silent this long is forgotten; its next segment starts afresh.
    // A player may stand still for many minutes, and a resend after that must
    // still find its stream.
    static constexpr int64_t kIdleMicros = 1800'000'000;
    // A sender resends only what is unacknowledged, a window at most, and
    // never jumps ahead further than a window can reach (1 GiB): a segment
    // beyond either is a new connection on the same ports, whose SYN the
    // capture missed.
    static constexpr int64_t kReachBehind = int64_t{1} << 24;
    static constexpr int64_t kReachAhead = int64_t{1} << 30;
    // A NAT twin shows a segment the stream it copies just handed on: at most
    // this far behind that stream's floor, and this soon after its last
    // segment. Two clients' own streams start at random sequence numbers: a
    // new one's segment falls inside this distance of another's once in 2^18,
    // so one new connection in about 2^15 (kTwinChecks of them) is taken for a twin.
    static constexpr int64_t kTwinReach = 16 * 1024;
    static constexpr int64_t kTwinMicros = 2'000'000;
    // A new stream looks for the stream it may copy during its first segments
    // only: after that it is a connection of its own.
    static constexpr uint8_t kTwinChecks = 8;

    struct Piece {
        int32_t offset;  // into the segment's payload
        int32_t length;
    };
    // The new bytes of one segment, in stream order: the first `count` pieces.
    // Left unwritten beyond them, since this is made for every payload.
    struct NewBytes {
        std::array<Piece, kIslands + 1> pieces;
        std::size_t count = 0;
    };

    // The bytes of this segment (`length` > 0, captured at `micros`) that its
    // stream had not handed on; they count as handed on from now. The answer
    // holds until the next call.
    const NewBytes& Deliver(const TCPSegmentPlace& place, int32_t length, int64_t micros);
    // A SYN: the connection starts again (a port used anew), from scratch.
    void Restart(const TCPSegmentPlace& place);

private:
    struct Range {
        int64_t start = 0;  // distance from the floor, above 0
        int64_t end = 0;
    };
    struct Stream {
        uint32_t sourceAddress = 0;
        uint32_t destinationAddress = 0;
        uint16_t sourcePort = 0;
        uint16_t destinationPort = 0;
        bool used = false;
        uint8_t segments = 0;  // counted up to kTwinChecks
        int16_t twinOf = -1;   // whose position this stream shares
        uint32_t floor = 0;
        std::size_t islandCount = 0;
        std::array<uint32_t, 2 * kIslands> islands{};  // start and end, in order
        int64_t lastMicros = 0;
    };

    static bool Same(const Stream& stream, const TCPSegmentPlace& place) {
        return stream.used && stream.sourcePort == place.sourcePort &&
               stream.destinationPort == place.destinationPort &&
               stream.sourceAddress == place.sourceAddress &&
               stream.destinationAddress == place.destinationAddress;
    }
    // Segments come in runs of one connection: the last stream is tried first,
    // here, before the search.
    std::size_t Find(const TCPSegmentPlace& place) const {
        return Same(streams_[last_], place) ? last_ : Search(place);
    }
    std::size_t Search(const TCPSegmentPlace& place) const;  // kCapacity: none
    std::size_t Make(const TCPSegmentPlace& place, int64_t micros);
    void Forget(std::size_t index);
    int16_t TwinFor(std::size_t index, const TCPSegmentPlace& place, int32_t length,
                    int64_t micros) const;
    static void Advance(Stream& stream, uint32_t sequence, int32_t length, NewBytes& bytes);

    std::array<Stream, kCapacity> streams_{};
    std::size_t last_ = 0;  // where the last segment's stream was found
    NewBytes fresh_;
};

}  // namespace kestro
