#include "capture/recent_segments.h"

#include <cstring>

namespace kestro {

namespace {

uint64_t Mix(uint64_t value) {
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
    value *= 0xC4CEB9FE1A85EC53ull;
    value ^= value >> 33;
    return value;
}

// Eight bytes at a time: this runs for every payload on the capture thread.
uint64_t Digest(const uint8_t* payload, int32_t length) {
    const std::size_t size = static_cast<std::size_t>(length);
    uint64_t digest = 0x9E3779B97F4A7C15ull ^ size;
    std::size_t at = 0;
    for (; size - at >= 8; at += 8) {
        uint64_t word = 0;
        std::memcpy(&word, payload + at, 8);
        digest = Mix(digest ^ word);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, payload + at, size - at);
    return Mix(digest ^ tail ^ (uint64_t{size - at} << 56));
}

}  // namespace

bool RecentSegments::SeenBefore(const TCPSegmentPlace& place, const uint8_t* payload,
                                int32_t length) {
    if (payload == nullptr || length <= 0) {
        return false;
    }
    const uint64_t digest = Digest(payload, length);
    for (std::size_t i = 0; i < used_; ++i) {
        const Entry& entry = entries_[i];
        if (entry.place.sequenceNumber == place.sequenceNumber && entry.length == length &&
            entry.digest == digest && entry.place == place) {
            return true;
        }
    }
    entries_[next_] = {place, length, digest};
    next_ = (next_ + 1) % kCapacity;
    if (used_ < kCapacity) {
        ++used_;
    }
    return false;
}

}  // namespace kestro
