#include "capture/recent_segments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "capture/frames.h"
#include "support/frames.h"

namespace kestro {
namespace {

using test::Bytes;

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

bool Seen(RecentSegments& recent, const TCPSegmentPlace& place, const std::string& payload) {
    return recent.SeenBefore(place, reinterpret_cast<const uint8_t*>(payload.data()),
                             static_cast<int32_t>(payload.size()));
}

TEST(RecentSegmentsTest, OnlyTheSameSegmentOfTheSameConnectionIsSeenBefore) {
    const std::string line = "続いて、1番";
    struct Case {
        const char* what;
        TCPSegmentPlace place;
        std::string payload;
        bool seenBefore;
    };
    const std::vector<Case> cases = {
        {"first sight", Place(1000), line, false},
        {"the same segment again (bridge, retransmission)", Place(1000), line, true},
        {"the same bytes under the next sequence number: a new message", Place(1000 + 15), line,
         false},
        {"another payload at a place seen", Place(1000), "続いて、6番", false},
        {"one byte longer at a place seen", Place(1000), line + "!", false},
        {"another port", Place(1000, 40001), line, false},
        {"another address", Place(1000, 40000, 0xC000020B), line, false},
        {"eight-byte words and a tail", Place(2000), std::string(37, 'x'), false},
        {"... seen again", Place(2000), std::string(37, 'x'), true},
        {"... last byte changed", Place(2000), std::string(36, 'x') + "y", false},
    };
    RecentSegments recent;
    for (const Case& c : cases) {
        EXPECT_EQ(Seen(recent, c.place, c.payload), c.seenBefore) << c.what;
    }
}

TEST(RecentSegmentsTest, TheMemoryIsBoundedAndForgetsTheOldest) {
    RecentSegments recent;
    ASSERT_FALSE(Seen(recent, Place(0), "a"));
    for (uint32_t i = 1; i < RecentSegments::kCapacity; ++i) {
        ASSERT_FALSE(Seen(recent, Place(i * 100), "b"));
    }
    EXPECT_TRUE(Seen(recent, Place(0), "a")) << "the oldest of kCapacity is still known";
    // One more new segment pushes the oldest out; a repeat of it now passes
    // again (decoded twice, never lost).
    ASSERT_FALSE(Seen(recent, Place(999999), "c"));
    EXPECT_FALSE(Seen(recent, Place(0), "a"));
    EXPECT_FALSE(recent.SeenBefore(Place(5), nullptr, 0));
}

// Segments that come back after any distance, many colliding in the index:
// the memory answers as a plain list of the last kCapacity segments would.
TEST(RecentSegmentsTest, AgreesWithAPlainListOfTheLastSegments) {
    RecentSegments recent;
    std::deque<std::pair<uint32_t, std::string>> last;
    std::mt19937 numbers(7);
    int seen = 0;
    for (int i = 0; i < 50000; ++i) {
        const uint32_t sequence = numbers() % 400;
        const std::string payload(1 + numbers() % 3, static_cast<char>('a' + numbers() % 2));
        const bool inList =
            std::find(last.begin(), last.end(), std::pair(sequence, payload)) != last.end();
        ASSERT_EQ(Seen(recent, Place(sequence), payload), inList) << "segment " << i;
        if (!inList) {
            last.emplace_back(sequence, payload);
            if (last.size() > RecentSegments::kCapacity) {
                last.pop_front();
            }
        }
        seen += inList;
    }
    EXPECT_GT(seen, 1000) << "too few repeats to test anything";
}

TEST(RecentSegmentsTest, ThePlaceIsReadFromTheHeadersWithinWhatWasCaptured) {
    test::FrameLayout layout;
    layout.sourcePort = 50000;
    layout.destinationPort = 5121;
    layout.sequenceNumber = 0x89ABCDEF;
    layout.ihl = 6;
    layout.payload = test::Text("xyz");
    const Bytes frame = test::BuildFrame(layout);
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
