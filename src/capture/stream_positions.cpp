#include "capture/stream_positions.h"

#include <algorithm>

namespace kestro {

namespace {

// How far `to` lies ahead of `from` (negative: behind), across the wrap.
int64_t Distance(uint32_t from, uint32_t to) {
    return static_cast<int32_t>(to - from);
}

uint32_t Ahead(uint32_t from, int64_t distance) {
    return from + static_cast<uint32_t>(distance);
}

}  // namespace

std::size_t StreamPositions::Search(const TCPSegmentPlace& place) const {
    for (std::size_t i = 0; i < kCapacity; ++i) {
        if (Same(streams_[i], place)) {
            return i;
        }
    }
    return kCapacity;
}

std::size_t StreamPositions::Make(const TCPSegmentPlace& place, int64_t micros) {
    std::size_t index = 0;
    for (std::size_t i = 0; i < kCapacity; ++i) {
        if (!streams_[i].used) {
            index = i;
            break;
        }
        if (streams_[i].lastMicros < streams_[index].lastMicros) {
            index = i;
        }
    }
    Forget(index);
    Stream& stream = streams_[index];
    stream = Stream{};
    stream.sourceAddress = place.sourceAddress;
    stream.destinationAddress = place.destinationAddress;
    stream.sourcePort = place.sourcePort;
    stream.destinationPort = place.destinationPort;
    stream.used = true;
    stream.lastMicros = micros;
    return index;
}

// A twin without the stream it copies has no position of its own: it goes too.
void StreamPositions::Forget(std::size_t index) {
    if (!streams_[index].used) {
        return;
    }
    streams_[index].used = false;
    for (std::size_t i = 0; i < kCapacity; ++i) {
        if (streams_[i].used && streams_[i].twinOf == static_cast<int16_t>(index)) {
            Forget(i);
        }
    }
}

void StreamPositions::Restart(const TCPSegmentPlace& place) {
    if (const std::size_t index = Find(place); index != kCapacity) {
        Forget(index);
    }
}

// The stream whose handed-on bytes this segment repeats under one other
// endpoint: the same packet seen on both sides of a NAT.
int16_t StreamPositions::TwinFor(std::size_t index, const TCPSegmentPlace& place, int32_t length,
                                 int64_t micros) const {
    for (std::size_t i = 0; i < kCapacity; ++i) {
        const Stream& other = streams_[i];
        if (i == index || !other.used || other.twinOf >= 0 ||
            micros - other.lastMicros > kTwinMicros) {
            continue;
        }
        const bool sameSource =
            other.sourceAddress == place.sourceAddress && other.sourcePort == place.sourcePort;
        const bool sameDestination = other.destinationAddress == place.destinationAddress &&
                                     other.destinationPort == place.destinationPort;
        if (sameSource == sameDestination) {
            continue;
        }
        const int64_t start = Distance(other.floor, place.sequenceNumber);
        if (start >= -kTwinReach && start + length <= 0) {
            return static_cast<int16_t>(i);
        }
    }
    return -1;
}

const StreamPositions::NewBytes& StreamPositions::Deliver(const TCPSegmentPlace& place,
                                                          int32_t length, int64_t micros) {
    fresh_.count = 0;
    if (length <= 0) {
        return fresh_;
    }
    TCPSegmentPlace at = place;
    if (place.synchronize) {
        Restart(place);
        ++at.sequenceNumber;  // the SYN itself takes one
    }
    std::size_t index = Find(at);
    bool fresh = index == kCapacity;
    if (!fresh && micros - streams_[index].lastMicros > kIdleMicros) {
        Forget(index);
        fresh = true;
    }
    if (fresh) {
        index = Make(at, micros);
        streams_[index].floor = at.sequenceNumber;
    }
    last_ = index;
    Stream& own = streams_[index];
    own.lastMicros = micros;
    if (own.twinOf < 0 && own.segments < kTwinChecks) {
        ++own.segments;
        if (const int16_t twin = TwinFor(index, at, length, micros); twin >= 0) {
            // Whatever copied this stream now copies the one it copies.
            for (Stream& stream : streams_) {
                if (stream.used && stream.twinOf == static_cast<int16_t>(index)) {
                    stream.twinOf = twin;
                }
            }
            own.twinOf = twin;
        }
    }
    Stream& stream = own.twinOf >= 0 ? streams_[static_cast<std::size_t>(own.twinOf)] : own;
    stream.lastMicros = micros;
    Advance(stream, at.sequenceNumber, length, fresh_);
    return fresh_;
}

void StreamPositions::Advance(Stream& stream, uint32_t sequence, int32_t length, NewBytes& bytes) {
    int64_t start = Distance(stream.floor, sequence);
    if (start < -kReachBehind || start > kReachAhead) {
        stream.floor = sequence;
        stream.islandCount = 0;
        start = 0;
    }
    const int64_t end = start + length;
    const int64_t from = std::max<int64_t>(start, 0);
    if (end <= from) {
        return;
    }
    // In order, nothing waiting: the whole of it, as nearly every segment.
    if (stream.islandCount == 0 && from == 0) {
        stream.floor = Ahead(stream.floor, end);
        bytes.pieces[0] = {static_cast<int32_t>(-start), static_cast<int32_t>(end)};
        bytes.count = 1;
        return;
    }
    auto add = [&bytes, start](int64_t first, int64_t last) {
        bytes.pieces[bytes.count++] = {static_cast<int32_t>(first - start),
                                       static_cast<int32_t>(last - first)};
    };
    int64_t cursor = from;
    for (std::size_t i = 0; i < stream.islandCount; ++i) {
        const int64_t islandStart = Distance(stream.floor, stream.islands[2 * i]);
        const int64_t islandEnd = Distance(stream.floor, stream.islands[2 * i + 1]);
        if (islandEnd <= cursor) {
            continue;
        }
        if (islandStart >= end) {
            break;
        }
        if (islandStart > cursor) {
            add(cursor, islandStart);
        }
        cursor = std::max(cursor, islandEnd);
    }
    if (cursor < end) {
        add(cursor, end);
    }
    if (bytes.count == 0) {
        return;
    }

    // The islands with [from, end) joined in, adjacent ones merged.
    std::array<Range, kIslands + 1> ranges{};
    std::size_t count = 0;
    Range joined{from, end};
    bool placed = false;
    for (std::size_t i = 0; i < stream.islandCount; ++i) {
        const Range island{Distance(stream.floor, stream.islands[2 * i]),
                           Distance(stream.floor, stream.islands[2 * i + 1])};
        if (island.end < joined.start) {
            ranges[count++] = island;
        } else if (island.start > joined.end) {
            if (!placed) {
                ranges[count++] = joined;
                placed = true;
            }
            ranges[count++] = island;
        } else {
            joined.start = std::min(joined.start, island.start);
            joined.end = std::max(joined.end, island.end);
        }
    }
    if (!placed) {
        ranges[count++] = joined;
    }
    // An island at the floor raises it; one island too many gives its gap up.
    std::size_t first = 0;
    int64_t raised = 0;
    while (first < count && (ranges[first].start <= raised || count - first > kIslands)) {
        raised = ranges[first].end;
        ++first;
    }
    const uint32_t oldFloor = stream.floor;
    stream.floor = Ahead(oldFloor, raised);
    stream.islandCount = count - first;
    for (std::size_t i = first; i < count; ++i) {
        stream.islands[2 * (i - first)] = Ahead(oldFloor, ranges[i].start);
        stream.islands[2 * (i - first) + 1] = Ahead(oldFloor, ranges[i].end);
    }
}

}  // namespace kestro
