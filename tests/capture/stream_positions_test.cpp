#include "capture/stream_positions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "capture/frames.h"
#include "support/frames.h"

namespace kestro {
namespace {

using test::Bytes;
using Pieces = std::vector<std::pair<int32_t, int32_t>>;  // offset, length

constexpr int64_t kSecond = 1'000'000;

TCPSegmentPlace Place(uint32_t sequence, uint16_t sourcePort = 40000,
                      uint32_t source = 0xC000020A) {
    TCPSegmentPlace place;
    place.sourceAddress = source;
    place.destinationAddress = 0xC6336414;
    place.sourcePort = sourcePort;
    place.destinationPort = 5121;
    place.sequenceNumber = sequence;
    return place;
}

TCPSegmentPlace Synchronize(TCPSegmentPlace place) {
    place.synchronize = true;
    return place;
}

Pieces Deliver(StreamPositions& streams, const TCPSegmentPlace& place, int32_t length,
               int64_t micros) {
    const StreamPositions::NewBytes bytes = streams.Deliver(place, length, micros);
    Pieces pieces;
    for (std::size_t i = 0; i < bytes.count; ++i) {
        pieces.emplace_back(bytes.pieces[i].offset, bytes.pieces[i].length);
    }
    return pieces;
}

// One connection's life, step by step: each row's new bytes given what the
// rows before it handed on.
TEST(StreamPositionsTest, OnlyBytesNotHandedOnBeforeAreNew) {
    struct Step {
        const char* what;
        TCPSegmentPlace place;
        int32_t length;
        int64_t micros;
        Pieces fresh;
    };
    const std::vector<Step> steps = {
        {"first sight, mid-stream", Place(1000), 15, 0, {{0, 15}}},
        {"the same segment again (bridge, retransmission)", Place(1000), 15, 1, {}},
        {"the same bytes under the next sequence number: a new message",
         Place(1015),
         15,
         2,
         {{0, 15}}},
        {"both resent merged under the first one's number", Place(1000), 30, 3, {}},
        {"a retransmission overlapping into new bytes: only those", Place(1020), 20, 4, {{10, 10}}},
        {"older bytes than any seen: handed on before the capture began", Place(900), 50, 5, {}},
        {"ahead of a gap: handed on, the gap waits", Place(1100), 10, 6, {{0, 10}}},
        {"a second island", Place(1200), 10, 7, {{0, 10}}},
        {"merged over the first gap, the island and part of the next gap",
         Place(1040),
         90,
         8,
         {{0, 60}, {70, 20}}},
        {"the rest, resent merged with everything: only the second gap",
         Place(1000),
         210,
         9,
         {{130, 70}}},
        {"all of it once more", Place(1000), 210, 10, {}},
        {"another client port, the same numbers, just after: a NAT twin",
         Place(1000, 40001),
         15,
         11,
         {}},
        {"... whose new bytes count for both", Place(1210, 40001), 5, 12, {{0, 5}}},
        {"... and are not new on the original", Place(1210), 5, 13, {}},
        {"another client address, the same numbers, just after: a NAT twin",
         Place(1200, 40000, 0x0A000302),
         15,
         14,
         {}},
        {"another client with its own numbers", Place(77777, 40002), 15, 15, {{0, 15}}},
        {"the same numbers as a stream seen seconds ago: a stream of its own",
         Place(1000, 40003),
         15,
         3 * kSecond,
         {{0, 15}}},
        {"a jump no sender makes: a new connection on the same ports",
         Place(0x80000000),
         8,
         3 * kSecond,
         {{0, 8}}},
        {"a SYN with data starts the stream again, its first byte one on",
         Synchronize(Place(5000)),
         4,
         3 * kSecond,
         {{0, 4}}},
        {"... so the bytes before it are old now", Place(4995), 14, 3 * kSecond, {{10, 4}}},
        {"across the wrap of the sequence numbers",
         Place(0xFFFFFFF8, 40004),
         16,
         6 * kSecond,
         {{0, 16}}},
        {"merged across the wrap", Place(0xFFFFFFF8, 40004), 24, 6 * kSecond, {{16, 8}}},
        {"behind the wrap", Place(0, 40004), 16, 6 * kSecond, {}},
        {"silent for longer than the idle time: forgotten, new again",
         Place(0, 40004),
         16,
         6 * kSecond + StreamPositions::kIdleMicros + 1,
         {{0, 16}}},
    };
    StreamPositions streams;
    for (const Step& step : steps) {
        EXPECT_EQ(Deliver(streams, step.place, step.length, step.micros), step.fresh) << step.what;
    }
}

TEST(StreamPositionsTest, AStreamRestartedBySynIsNewFromItsFirstByte) {
    StreamPositions streams;
    ASSERT_EQ(Deliver(streams, Place(1000), 10, 0), (Pieces{{0, 10}}));
    streams.Restart(Synchronize(Place(500)));
    EXPECT_EQ(Deliver(streams, Place(501), 10, 1), (Pieces{{0, 10}}))
        << "a port used again for a new connection whose numbers lie behind the old one's";
}

TEST(StreamPositionsTest, TheMemoryIsBoundedAndForgetsTheLeastRecentlyUsed) {
    StreamPositions streams;
    ASSERT_EQ(Deliver(streams, Place(0, 1), 4, 0).size(), 1u);
    for (uint16_t port = 2; port <= StreamPositions::kCapacity; ++port) {
        ASSERT_EQ(Deliver(streams, Place(port * 100000u, port), 4, kSecond * port).size(), 1u);
    }
    EXPECT_TRUE(Deliver(streams, Place(0, 1), 4, kSecond * 100).empty())
        << "the oldest of kCapacity is still known";
    // One more new stream pushes out the least recently used (port 2 now); a
    // repeat of it passes again: decoded twice, never lost.
    ASSERT_EQ(Deliver(streams, Place(999999, 999), 4, kSecond * 101).size(), 1u);
    EXPECT_EQ(Deliver(streams, Place(200000, 2), 4, kSecond * 102).size(), 1u);
    EXPECT_TRUE(Deliver(streams, Place(0, 1), 4, kSecond * 103).empty());
    EXPECT_TRUE(streams.Deliver(Place(5), 0, 0).count == 0);
}

// A connection cut into segments that arrive out of order, again and merged
// with their neighbours, across the wrap: every byte is handed on exactly once.
TEST(StreamPositionsTest, EveryByteOnceWhateverTheOrderAndTheRepeats) {
    std::mt19937 numbers(31);
    for (int round = 0; round < 200; ++round) {
        const uint32_t base = 0xFFFFF000u + numbers() % 0x2000;
        constexpr int32_t kBytes = 3000;
        std::vector<std::pair<int32_t, int32_t>> cuts;  // start, length
        for (int32_t at = 0; at < kBytes;) {
            const int32_t length = std::min<int32_t>(1 + numbers() % 40, kBytes - at);
            cuts.emplace_back(at, length);
            at += length;
        }
        // Each segment late by up to three places; some sent again, merged with
        // the next two, a few places later still.
        std::vector<std::pair<double, std::pair<int32_t, int32_t>>> arrivals;
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            const double when = i == 0 ? -1 : double(i) + numbers() % 4;
            arrivals.push_back({when, cuts[i]});
            if (numbers() % 4 == 0 && i + 2 < cuts.size()) {
                const int32_t merged = cuts[i].second + cuts[i + 1].second + cuts[i + 2].second;
                arrivals.push_back({double(i) + 5 + numbers() % 3, {cuts[i].first, merged}});
            }
        }
        std::stable_sort(arrivals.begin(), arrivals.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        StreamPositions streams;
        std::vector<int> handedOn(kBytes, 0);
        for (const auto& [when, segment] : arrivals) {
            for (const auto& [offset, length] :
                 Deliver(streams, Place(base + static_cast<uint32_t>(segment.first)),
                         segment.second, static_cast<int64_t>(when * 1000))) {
                ASSERT_GE(offset, 0);
                ASSERT_LE(offset + length, segment.second);
                for (int32_t i = 0; i < length; ++i) {
                    ++handedOn[static_cast<std::size_t>(segment.first + offset + i)];
                }
            }
        }
        for (int32_t i = 0; i < kBytes; ++i) {
            ASSERT_EQ(handedOn[static_cast<std::size_t>(i)], 1)
                << "round " << round << ", byte " << i;
        }
    }
}

TEST(StreamPositionsTest, ThePlaceIsReadFromTheHeadersWithinWhatWasCaptured) {
    test::FrameLayout layout;
    layout.sourcePort = 50000;
    layout.destinationPort = 5121;
    layout.sequenceNumber = 0x89ABCDEF;
    layout.ihl = 6;
    layout.payload = test::Text("xyz");
    Bytes frame = test::BuildFrame(layout);
    const uint8_t* ipHeader = frame.data() + 14;
    const uint8_t* tcpHeader = ipHeader + 24;
    TCPSegmentPlace place;
    ASSERT_TRUE(
        GetTCPSegmentPlace(ipHeader, static_cast<uint32_t>(frame.size() - 14), tcpHeader, &place));
    EXPECT_EQ(place.sourceAddress, 0x7F000001u);
    EXPECT_EQ(place.destinationAddress, 0x7F000001u);
    EXPECT_EQ(place.sourcePort, 50000);
    EXPECT_EQ(place.destinationPort, 5121);
    EXPECT_EQ(place.sequenceNumber, 0x89ABCDEFu);
    EXPECT_FALSE(place.synchronize);
    frame[14 + 24 + 13] |= 0x02;
    ASSERT_TRUE(
        GetTCPSegmentPlace(ipHeader, static_cast<uint32_t>(frame.size() - 14), tcpHeader, &place));
    EXPECT_TRUE(place.synchronize);
    // The flags are the 14th byte: without it there is no SYN to tell.
    ASSERT_TRUE(GetTCPSegmentPlace(ipHeader, 24 + 13, tcpHeader, &place));
    EXPECT_FALSE(place.synchronize);
    // The sequence number's last byte is the 8th of the TCP header: one byte
    // short of it is not enough; a TCP header where IHL does not put it is refused.
    EXPECT_TRUE(GetTCPSegmentPlace(ipHeader, 24 + 8, tcpHeader));
    EXPECT_FALSE(GetTCPSegmentPlace(ipHeader, 24 + 7, tcpHeader));
    EXPECT_FALSE(GetTCPSegmentPlace(ipHeader, 19, tcpHeader));
    EXPECT_FALSE(
        GetTCPSegmentPlace(ipHeader, static_cast<uint32_t>(frame.size() - 14), ipHeader + 20));
    EXPECT_FALSE(GetTCPSegmentPlace(nullptr, 100, tcpHeader));
}

}  // namespace
}  // namespace kestro
