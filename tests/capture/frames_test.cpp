#include "capture/frames.h"

#include <gtest/gtest.h>
#include <pcap/dlt.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/frames.h"

namespace kestro {
namespace {

using test::BuildFrame;
using test::Bytes;
using test::FrameLayout;
using test::Text;

enum class Stops { kNowhere, kAtIP, kAtTCP, kAtData };

struct FrameCase {
    std::string name;
    Bytes frame;
    // Captured bytes; the whole frame when absent.
    std::optional<uint32_t> caplen;
    Stops stops;
    // Where the payload starts in the frame and how long it is, when delivered.
    uint32_t dataOffset = 0;
    int32_t dataLength = 0;
};

FrameLayout WithPayload(std::string payload) {
    FrameLayout layout;
    layout.payload = Text(payload);
    return layout;
}

Bytes Frame(FrameLayout layout) {
    return BuildFrame(layout);
}

Bytes Padded(Bytes frame, size_t extra) {
    frame.insert(frame.end(), extra, 0);
    return frame;
}

std::vector<FrameCase> Cases() {
    FrameLayout ipv6 = WithPayload("abc");
    ipv6.etherType = 0x86DD;
    FrameLayout vlan = WithPayload("abc");
    vlan.etherType = 0x8100;
    FrameLayout udp = WithPayload("abc");
    udp.protocol = 17;
    FrameLayout offset8 = WithPayload("0123456789");
    offset8.dataOffset = 8;
    FrameLayout ihl6 = WithPayload("xyz");
    ihl6.ihl = 6;
    FrameLayout ihl15 = WithPayload("xyz");
    ihl15.ihl = 15;
    FrameLayout ihl4 = WithPayload("xyz");
    ihl4.ihl = 4;
    FrameLayout ihl0 = WithPayload("xyz");
    ihl0.ihl = 0;
    FrameLayout offset4 = WithPayload("xyz");
    offset4.dataOffset = 4;
    FrameLayout offset15 = WithPayload("xyz");
    offset15.dataOffset = 15;
    FrameLayout overclaim = WithPayload("abc");
    overclaim.totalLength = 40 + 100;
    FrameLayout underclaim = WithPayload("abc");
    underclaim.totalLength = 30;
    FrameLayout claimsHeadersOnly = WithPayload("abc");
    claimsHeadersOnly.totalLength = 40;
    FrameLayout claimsZero = WithPayload("abc");
    claimsZero.totalLength = 0;
    FrameLayout claimsMax = WithPayload("abc");
    claimsMax.totalLength = 0xFFFF;
    FrameLayout ihl15offset15 = WithPayload("z");
    ihl15offset15.ihl = 15;
    ihl15offset15.dataOffset = 15;

    const uint32_t plain = 14 + 20 + 20;  // payload start of an option-less frame
    return {
        {"PlainSegment", Frame(WithPayload("abc")), {}, Stops::kNowhere, plain, 3},
        {"OneBytePayload", Frame(WithPayload("A")), {}, Stops::kNowhere, plain, 1},
        {"PureAck", Frame(WithPayload("")), {}, Stops::kAtData},
        {"IPv6EtherType", Frame(ipv6), {}, Stops::kAtIP},
        {"VlanTag", Frame(vlan), {}, Stops::kAtIP},
        {"NotTCP", Frame(udp), {}, Stops::kAtTCP},
        {"DataOffset8", Frame(offset8), {}, Stops::kNowhere, 14 + 20 + 32, 10},
        {"IPOptionsIHL6", Frame(ihl6), {}, Stops::kNowhere, 14 + 24 + 20, 3},
        {"IPOptionsIHL15", Frame(ihl15), {}, Stops::kNowhere, 14 + 60 + 20, 3},
        {"BothHeadersLongest", Frame(ihl15offset15), {}, Stops::kNowhere, 14 + 60 + 60, 1},
        {"IHL4", Frame(ihl4), {}, Stops::kAtTCP},
        {"IHL0", Frame(ihl0), {}, Stops::kAtTCP},
        {"DataOffset4", Frame(offset4), {}, Stops::kAtData},
        // Cut at every header edge.
        {"EmptyCapture", Frame(WithPayload("abc")), 0, Stops::kAtIP},
        {"EthernetOnly", Frame(WithPayload("abc")), 14, Stops::kAtIP},
        {"IPHeaderOneShort", Frame(WithPayload("abc")), 14 + 19, Stops::kAtIP},
        {"IPHeaderExactly", Frame(WithPayload("abc")), 14 + 20, Stops::kAtTCP},
        {"IPOptionsExactly", Frame(ihl15), 14 + 60, Stops::kAtTCP},
        {"IPOptionsOneShort", Frame(ihl15), 14 + 59, Stops::kAtTCP},
        {"OneTCPByte", Frame(WithPayload("abc")), 14 + 21, Stops::kAtData},
        {"DataOffsetByteMissing", Frame(WithPayload("abc")), 14 + 20 + 12, Stops::kAtData},
        {"DataOffsetByteOnly", Frame(WithPayload("abc")), 14 + 20 + 13, Stops::kAtData},
        {"TCPHeaderOneShort", Frame(WithPayload("abc")), plain - 1, Stops::kAtData},
        {"TCPHeaderExactly", Frame(WithPayload("abc")), plain, Stops::kAtData},
        {"TCPOptionsOneShort", Frame(offset8), 14 + 20 + 31, Stops::kAtData},
        {"TCPOptionsExactly", Frame(offset8), 14 + 20 + 32, Stops::kAtData},
        {"LongestHeadersExactly", Frame(ihl15offset15), 14 + 60 + 60, Stops::kAtData},
        // A payload cut by the snapshot length is clipped to what was captured.
        {"PayloadOneByteCaptured", Frame(WithPayload("abc")), plain + 1, Stops::kNowhere, plain, 1},
        {"PayloadOneShort", Frame(WithPayload("abc")), plain + 2, Stops::kNowhere, plain, 2},
        {"TotalLengthClaimsMore", Frame(overclaim), {}, Stops::kNowhere, plain, 3},
        {"TotalLengthMaximum", Frame(claimsMax), {}, Stops::kNowhere, plain, 3},
        // Trailing bytes beyond the total length (Ethernet padding) are not payload.
        {"EthernetPadding", Padded(Frame(WithPayload("ab")), 12), {}, Stops::kNowhere, plain, 2},
        {"TotalLengthBelowHeaders", Frame(underclaim), {}, Stops::kAtData},
        {"TotalLengthHeadersOnly", Frame(claimsHeadersOnly), {}, Stops::kAtData},
        {"TotalLengthZero", Frame(claimsZero), {}, Stops::kAtData},
    };
}

class FrameTest : public testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, StopsAtTheRightTestAndDeliversOnlyCapturedPayload) {
    const FrameCase& c = GetParam();
    const uint32_t caplen = c.caplen.value_or(static_cast<uint32_t>(c.frame.size()));
    ASSERT_LE(caplen, c.frame.size());
    // Exactly the captured bytes on the heap, so that a read beyond them is an
    // ASan error rather than a quiet look at the rest of the frame.
    const std::vector<uint8_t> captured(c.frame.begin(), c.frame.begin() + caplen);
    const uint8_t* frame = captured.empty() ? nullptr : captured.data();

    const uint8_t* ipHeader = nullptr;
    uint32_t ipCaptured = 0;
    const bool ipOk = GetIPHeader(frame, caplen, &ipHeader, &ipCaptured);
    EXPECT_EQ(ipOk, c.stops != Stops::kAtIP);
    if (!ipOk) {
        return;
    }
    EXPECT_EQ(ipHeader, frame + 14);
    EXPECT_EQ(ipCaptured, caplen - 14);

    const uint8_t* tcpHeader = nullptr;
    const bool tcpOk = GetTCPHeader(ipHeader, ipCaptured, &tcpHeader);
    EXPECT_EQ(tcpOk, c.stops != Stops::kAtTCP);
    if (!tcpOk) {
        return;
    }
    EXPECT_EQ(tcpHeader, ipHeader + 4 * (ipHeader[0] & 0x0F));

    const uint8_t* tcpData = nullptr;
    int32_t tcpDataLength = -7;
    const bool dataOk = GetTCPData(ipHeader, ipCaptured, tcpHeader, &tcpData, &tcpDataLength);
    EXPECT_EQ(dataOk, c.stops != Stops::kAtData);
    if (!dataOk) {
        EXPECT_EQ(tcpData, nullptr) << "a failed test writes nothing";
        EXPECT_EQ(tcpDataLength, -7);
        return;
    }
    EXPECT_EQ(tcpData - frame, static_cast<ptrdiff_t>(c.dataOffset));
    EXPECT_EQ(tcpDataLength, c.dataLength);
    EXPECT_LE(c.dataOffset + static_cast<uint32_t>(tcpDataLength), caplen);
    EXPECT_TRUE(std::equal(tcpData, tcpData + tcpDataLength, c.frame.begin() + c.dataOffset));
}

TEST_P(FrameTest, AbsentOutputPlacesGiveTheSameVerdicts) {
    const FrameCase& c = GetParam();
    const uint32_t caplen = c.caplen.value_or(static_cast<uint32_t>(c.frame.size()));
    const std::vector<uint8_t> captured(c.frame.begin(), c.frame.begin() + caplen);
    const uint8_t* frame = captured.empty() ? nullptr : captured.data();
    const uint8_t* ipHeader = nullptr;
    uint32_t ipCaptured = 0;
    const uint8_t* tcpHeader = nullptr;
    EXPECT_EQ(GetIPHeader(frame, caplen), c.stops != Stops::kAtIP);
    if (!GetIPHeader(frame, caplen, &ipHeader, &ipCaptured)) {
        return;
    }
    EXPECT_EQ(GetTCPHeader(ipHeader, ipCaptured), c.stops != Stops::kAtTCP);
    if (!GetTCPHeader(ipHeader, ipCaptured, &tcpHeader)) {
        return;
    }
    EXPECT_EQ(GetTCPData(ipHeader, ipCaptured, tcpHeader), c.stops != Stops::kAtData);
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<FrameCase>& info) {
                             return info.param.name;
                         });

TEST(FrameTest, PayloadFollowsTheTCPHeaderWhereTheIPHeaderLengthPuts) {
    FrameLayout layout = WithPayload("abcdefgh");
    layout.ihl = 6;
    const Bytes frame = BuildFrame(layout);
    const uint8_t* ipHeader = frame.data() + 14;
    const auto ipCaptured = static_cast<uint32_t>(frame.size() - 14);
    // 20 bytes in, where a header that ignores IHL would look.
    EXPECT_FALSE(GetTCPData(ipHeader, ipCaptured, ipHeader + 20));
    EXPECT_TRUE(GetTCPData(ipHeader, ipCaptured, ipHeader + 24));
}

TEST(FrameTest, NullPointersFailEveryTest) {
    const Bytes frame = BuildFrame(WithPayload("abc"));
    EXPECT_FALSE(GetIPHeader(nullptr, 100));
    EXPECT_FALSE(GetTCPHeader(nullptr, 100));
    EXPECT_FALSE(GetTCPData(nullptr, static_cast<uint32_t>(frame.size() - 14), frame.data() + 34));
    EXPECT_FALSE(GetTCPData(frame.data() + 14, static_cast<uint32_t>(frame.size() - 14), nullptr));
}

// The same IPv4 packet behind each link header: where the link layer puts the
// IP header, and which headers it refuses.
struct LinkCase {
    std::string name;
    int linkType;
    Bytes header;
    bool isIPv4;
    uint8_t ipVersion = 4;
};

Bytes Prefixed(const Bytes& header, const Bytes& packet) {
    Bytes frame = header;
    frame.insert(frame.end(), packet.begin(), packet.end());
    return frame;
}

Bytes Sll(uint16_t protocol) {
    Bytes h(16, 0);
    h[14] = static_cast<uint8_t>(protocol >> 8);
    h[15] = static_cast<uint8_t>(protocol);
    return h;
}

Bytes Sll2(uint16_t protocol) {
    Bytes h(20, 0);
    h[0] = static_cast<uint8_t>(protocol >> 8);
    h[1] = static_cast<uint8_t>(protocol);
    return h;
}

std::vector<LinkCase> LinkCases() {
    return {
        {"Ethernet", DLT_EN10MB, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x08, 0x00}, true},
        {"EthernetIPv6", DLT_EN10MB, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x86, 0xDD},
         false},
        {"CookedV1", DLT_LINUX_SLL, Sll(0x0800), true},
        {"CookedV1IPv6", DLT_LINUX_SLL, Sll(0x86DD), false},
        {"CookedV2", DLT_LINUX_SLL2, Sll2(0x0800), true},
        {"CookedV2Arp", DLT_LINUX_SLL2, Sll2(0x0806), false},
        {"Raw", DLT_RAW, {}, true},
        {"RawIPv6", DLT_RAW, {}, false, 6},
        {"RawFileNumber", kLinkTypeRaw, {}, true},
        {"IPv4", DLT_IPV4, {}, true},
        {"IPv4WrongVersion", DLT_IPV4, {}, false, 6},
        {"NullLittleEndian", DLT_NULL, Bytes{2, 0, 0, 0}, true},
        {"NullBigEndian", DLT_NULL, Bytes{0, 0, 0, 2}, true},
        {"NullIPv6", DLT_NULL, Bytes{30, 0, 0, 0}, false},
        {"LoopNetworkOrder", DLT_LOOP, Bytes{0, 0, 0, 2}, true},
        {"LoopHostOrderIsNot", DLT_LOOP, Bytes{2, 0, 0, 0}, false},
        {"Ieee80211Unreadable", DLT_IEEE802_11, Bytes(24, 0), false},
        {"UsbUnreadable", DLT_USB_LINUX, Bytes(48, 0), false},
    };
}

class LinkTest : public testing::TestWithParam<LinkCase> {};

TEST_P(LinkTest, FindsTheIPv4HeaderBehindTheLinkHeaderAndTheSamePayload) {
    const LinkCase& c = GetParam();
    Bytes packet = BuildFrame(WithPayload("abc"));
    packet.erase(packet.begin(), packet.begin() + 14);
    packet[0] = static_cast<uint8_t>((c.ipVersion << 4) | (packet[0] & 0x0F));
    const Bytes frame = Prefixed(c.header, packet);
    const auto header = static_cast<uint32_t>(c.header.size());
    // Exactly the captured bytes on the heap, as above, for every cut below.
    for (const uint32_t caplen : {header + 19, header + 20, static_cast<uint32_t>(frame.size())}) {
        SCOPED_TRACE(caplen);
        const std::vector<uint8_t> captured(frame.begin(), frame.begin() + caplen);
        const uint8_t* ipHeader = nullptr;
        uint32_t ipCaptured = 0;
        const bool ok =
            GetLinkIPHeader(c.linkType, captured.data(), caplen, &ipHeader, &ipCaptured);
        EXPECT_EQ(ok, c.isIPv4 && caplen >= header + 20);
        if (!ok) {
            EXPECT_EQ(ipHeader, nullptr);
            continue;
        }
        EXPECT_EQ(ipHeader, captured.data() + header);
        EXPECT_EQ(ipCaptured, caplen - header);
        const uint8_t* tcpHeader = nullptr;
        const uint8_t* data = nullptr;
        int32_t length = 0;
        const bool delivered = GetTCPHeader(ipHeader, ipCaptured, &tcpHeader) &&
                               GetTCPData(ipHeader, ipCaptured, tcpHeader, &data, &length);
        EXPECT_EQ(delivered, caplen == frame.size());
        if (delivered) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), length), "abc");
        }
    }
    EXPECT_EQ(IsReadableLinkType(c.linkType),
              c.linkType != DLT_IEEE802_11 && c.linkType != DLT_USB_LINUX);
}

INSTANTIATE_TEST_SUITE_P(Links, LinkTest, testing::ValuesIn(LinkCases()),
                         [](const testing::TestParamInfo<LinkCase>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace kestro
