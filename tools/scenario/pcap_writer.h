// Ethernet II / IPv4 / TCP frames with valid checksums, and a classic pcap file writer, for the
// captures that tests and benchmarks replay.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::scenario {

using Bytes = std::vector<uint8_t>;

struct Endpoint {
    std::array<uint8_t, 6> mac;
    uint32_t ip;  // host byte order
    uint16_t port;
};

namespace tcp_flags {
constexpr uint8_t Ack = 0x10;
constexpr uint8_t PshAck = 0x18;
}  // namespace tcp_flags

// One Ethernet frame carrying an IPv4 header (20 bytes, DF set) and a TCP header (20 bytes).
Bytes BuildTcpFrame(const Endpoint& from, const Endpoint& to, uint32_t seq, uint32_t ack,
                    uint8_t flags, uint16_t ipId, std::span<const uint8_t> payload);

// A UDP datagram and an ARP request: traffic that is no TCP at all.
Bytes BuildUdpFrame(const Endpoint& from, const Endpoint& to, uint16_t ipId,
                    std::span<const uint8_t> payload);
Bytes BuildArpRequest(const Endpoint& from, uint32_t targetIp);

// The RFC 1071 ones' complement sum, folded and inverted.
uint16_t InternetChecksum(std::span<const uint8_t> bytes, uint32_t initial = 0);

// A TCP connection as seen on the wire: each side's sequence number advances by what it sends,
// and every segment acknowledges all the other side has sent.
class TcpConnection {
public:
    TcpConnection(const Endpoint& client, const Endpoint& server, uint32_t clientIsn,
                  uint32_t serverIsn);

    // Payload segments carry PSH|ACK; an empty payload makes a pure ACK.
    Bytes Segment(bool fromClient, std::span<const uint8_t> payload);
    // A segment at `seq` that does not move the side on (a retransmission),
    // under a new IP id.
    Bytes SegmentAt(bool fromClient, uint32_t seq, std::span<const uint8_t> payload);
    uint32_t NextSeq(bool fromClient) const { return (fromClient ? client_ : server_).nextSeq; }
    // Moves a side on as if it had sent `bytes` more.
    void Skip(bool fromClient, uint32_t bytes) {
        (fromClient ? client_ : server_).nextSeq += bytes;
    }

private:
    struct Side {
        Endpoint endpoint;
        uint32_t nextSeq;
        uint16_t ipId;
    };
    Side client_;
    Side server_;
};

// The link layers a capture can be written with. Frames are built as Ethernet and take the
// chosen link's header when they are written.
enum class LinkLayer { Ethernet, LinuxSll, LinuxSll2, Raw, IPv4, Null, Loop };

// By libpcap's name in lower case ("ethernet" for EN10MB): ethernet, linux_sll, linux_sll2,
// raw, ipv4, null, loop. False for any other name.
bool ParseLinkLayer(std::string_view name, LinkLayer& link);
// The link type number a capture file stores.
uint32_t LinkTypeNumber(LinkLayer link);
// The Ethernet frame as `link` carries it; empty for a frame the link cannot carry (no IPv4
// on a link that knows nothing else).
Bytes Relink(LinkLayer link, std::span<const uint8_t> ethernetFrame);

// Writes a classic pcap file (microsecond time stamps) under a temporary name and moves it
// into place only on Commit, so a failed run leaves no file behind.
class PcapWriter {
public:
    PcapWriter() = default;
    ~PcapWriter();
    PcapWriter(const PcapWriter&) = delete;
    PcapWriter& operator=(const PcapWriter&) = delete;

    bool Open(const std::string& path, std::string& error, LinkLayer link = LinkLayer::Ethernet);
    void Write(int64_t seconds, int32_t microseconds, std::span<const uint8_t> frame);
    bool Commit(std::string& error);

private:
    void Discard();

    std::FILE* file_ = nullptr;
    LinkLayer link_ = LinkLayer::Ethernet;
    std::string path_;
    std::string partialPath_;
};

}  // namespace kestro::scenario
