#include "capture/recent_segments.h"

#include <cstring>

namespace kestro {

namespace {

constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

uint64_t Mix(uint64_t value) {
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
    value *= 0xC4CEB9FE1A85EC53ull;
    value ^= value >> 33;
    return value;
}

uint64_t Step(uint64_t digest, uint64_t word) {
    digest ^= word;
    digest = (digest << 29) | (digest >> 35);
    return digest * kMultiplier;
}

uint64_t Word(const uint8_t* bytes) {
    uint64_t word = 0;
    std::memcpy(&word, bytes, 8);
    return word;
}

// Four independent lanes of eight bytes, so that the multiplications overlap,
// then eight bytes at a time; never a byte beyond the payload.
uint64_t Digest(const uint8_t* payload, std::size_t size) {
    uint64_t lanes[4] = {size, ~size, size << 32, kMultiplier};
    std::size_t at = 0;
    for (; size - at >= 32; at += 32) {
        for (std::size_t lane = 0; lane < 4; ++lane) {
            lanes[lane] = Step(lanes[lane], Word(payload + at + 8 * lane));
        }
    }
    uint64_t digest = Step(Step(Step(lanes[0], lanes[1]), lanes[2]), lanes[3]);
    for (; size - at >= 8; at += 8) {
        digest = Step(digest, Word(payload + at));
    }
    uint64_t tail = 0;
    std::memcpy(&tail, payload + at, size - at);
    return Mix(Step(digest, tail));
}

uint64_t Key(const TCPSegmentPlace& place, int32_t length, uint64_t digest) {
    uint64_t key = Step(digest, uint64_t{place.sourceAddress} << 32 | place.destinationAddress);
    key = Step(key, uint64_t{place.sourcePort} << 48 | uint64_t{place.destinationPort} << 32 |
                        place.sequenceNumber);
    return Mix(Step(key, static_cast<uint32_t>(length)));
}

}  // namespace

bool RecentSegments::SeenBefore(const TCPSegmentPlace& place, const uint8_t* payload,
                                int32_t length) {
    if (payload == nullptr || length <= 0) {
        return false;
    }
    const uint64_t digest = Digest(payload, static_cast<std::size_t>(length));
    const uint64_t key = Key(place, length, digest) | 1;  // never the empty key
    if (filter_[key % kFilterSlots] != 0) {
        for (std::size_t i = 0; i < kCapacity; ++i) {
            const Entry& entry = entries_[i];
            if (keys_[i] == key && entry.digest == digest && entry.length == length &&
                entry.place == place) {
                return true;
            }
        }
    }
    if (keys_[next_] != 0) {
        --filter_[keys_[next_] % kFilterSlots];
    }
    ++filter_[key % kFilterSlots];
    keys_[next_] = key;
    entries_[next_] = {place, length, digest};
    next_ = (next_ + 1) % kCapacity;
    return false;
}

}  // namespace kestro
