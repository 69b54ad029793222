#include "pcap_writer.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace kestro::scenario {
namespace {

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeArp = 0x0806;
constexpr uint8_t kProtocolTcp = 6;
constexpr uint8_t kProtocolUdp = 17;

void Put16(Bytes& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void Put32(Bytes& out, uint32_t v) {
    Put16(out, uint16_t(v >> 16));
    Put16(out, uint16_t(v));
}

void Set16(Bytes& out, size_t at, uint16_t v) {
    out[at] = uint8_t(v >> 8);
    out[at + 1] = uint8_t(v);
}

void PutEthernet(Bytes& out, const std::array<uint8_t, 6>& to, const std::array<uint8_t, 6>& from,
                 uint16_t type) {
    out.insert(out.end(), to.begin(), to.end());
    out.insert(out.end(), from.begin(), from.end());
    Put16(out, type);
}

// Appends a 20-byte IPv4 header with its checksum; returns its offset.
size_t PutIpv4(Bytes& out, uint32_t from, uint32_t to, uint8_t protocol, uint16_t ipId,
               size_t innerLength) {
    const size_t at = out.size();
    out.push_back(0x45);  // version 4, IHL 5
    out.push_back(0x00);
    Put16(out, uint16_t(20 + innerLength));
    Put16(out, ipId);
    Put16(out, 0x4000);  // don't fragment
    out.push_back(64);   // TTL
    out.push_back(protocol);
    Put16(out, 0);
    Put32(out, from);
    Put32(out, to);
    Set16(out, at + 10, InternetChecksum(std::span(out).subspan(at, 20)));
    return at;
}

uint32_t PseudoHeaderSum(uint32_t from, uint32_t to, uint8_t protocol, size_t length) {
    return (from >> 16) + (from & 0xFFFF) + (to >> 16) + (to & 0xFFFF) + protocol +
           uint32_t(length);
}

// A link header for each layer, by libpcap's name and file number.
struct LinkInfo {
    LinkLayer link;
    std::string_view name;
    uint32_t number;
};
constexpr LinkInfo kLinks[] = {
    {LinkLayer::Ethernet, "ethernet", 1},
    {LinkLayer::LinuxSll, "linux_sll", 113},
    {LinkLayer::LinuxSll2, "linux_sll2", 276},
    {LinkLayer::Raw, "raw", 101},
    {LinkLayer::IPv4, "ipv4", 228},
    {LinkLayer::Null, "null", 0},
    {LinkLayer::Loop, "loop", 108},
};

constexpr size_t kEthernetLength = 14;
constexpr uint16_t kArphrdEther = 1;
constexpr uint32_t kFamilyInet = 2;

// Linux cooked header, version 1 or 2, for a frame received from `source`.
void PutCooked(Bytes& out, bool version2, std::span<const uint8_t> source, uint16_t type) {
    if (version2) {
        Put16(out, type);
        Put16(out, 0);  // reserved
        Put32(out, 1);  // interface index
        Put16(out, kArphrdEther);
        out.push_back(0);  // packet to this host
        out.push_back(6);
    } else {
        Put16(out, 0);  // packet to this host
        Put16(out, kArphrdEther);
        Put16(out, 6);
    }
    out.insert(out.end(), source.begin(), source.end());
    out.insert(out.end(), 2, 0);
    if (!version2) {
        Put16(out, type);
    }
}

}  // namespace

bool ParseLinkLayer(std::string_view name, LinkLayer& link) {
    for (const LinkInfo& info : kLinks) {
        if (info.name == name) {
            link = info.link;
            return true;
        }
    }
    return false;
}

uint32_t LinkTypeNumber(LinkLayer link) {
    for (const LinkInfo& info : kLinks) {
        if (info.link == link) {
            return info.number;
        }
    }
    return 1;
}

Bytes Relink(LinkLayer link, std::span<const uint8_t> frame) {
    if (link == LinkLayer::Ethernet) {
        return Bytes(frame.begin(), frame.end());
    }
    if (frame.size() < kEthernetLength) {
        return {};
    }
    const uint16_t type = uint16_t(frame[12] << 8 | frame[13]);
    const std::span<const uint8_t> packet = frame.subspan(kEthernetLength);
    Bytes out;
    switch (link) {
        case LinkLayer::LinuxSll:
        case LinkLayer::LinuxSll2:
            PutCooked(out, link == LinkLayer::LinuxSll2, frame.subspan(6, 6), type);
            break;
        case LinkLayer::Raw:
        case LinkLayer::IPv4:
            if (type != kEtherTypeIpv4) {
                return {};
            }
            break;
        case LinkLayer::Null: {
            if (type != kEtherTypeIpv4) {
                return {};
            }
            // The capturing machine's byte order; this writer's, like the file header.
            const uint32_t family = kFamilyInet;
            const auto* bytes = reinterpret_cast<const uint8_t*>(&family);
            out.insert(out.end(), bytes, bytes + 4);
            break;
        }
        case LinkLayer::Loop:
            if (type != kEtherTypeIpv4) {
                return {};
            }
            Put32(out, kFamilyInet);
            break;
        case LinkLayer::Ethernet:
            break;
    }
    out.insert(out.end(), packet.begin(), packet.end());
    return out;
}

uint16_t InternetChecksum(std::span<const uint8_t> bytes, uint32_t initial) {
    uint64_t sum = initial;
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        sum += uint32_t(bytes[i] << 8 | bytes[i + 1]);
    }
    if (i < bytes.size()) {
        sum += uint32_t(bytes[i] << 8);
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return uint16_t(~sum);
}

Bytes BuildTcpFrame(const Endpoint& from, const Endpoint& to, uint32_t seq, uint32_t ack,
                    uint8_t flags, uint16_t ipId, std::span<const uint8_t> payload) {
    Bytes out;
    out.reserve(54 + payload.size());
    PutEthernet(out, to.mac, from.mac, kEtherTypeIpv4);
    PutIpv4(out, from.ip, to.ip, kProtocolTcp, ipId, 20 + payload.size());
    const size_t tcp = out.size();
    Put16(out, from.port);
    Put16(out, to.port);
    Put32(out, seq);
    Put32(out, ack);
    out.push_back(5 << 4);  // data offset 5, no options
    out.push_back(flags);
    Put16(out, 64240);  // window
    Put16(out, 0);      // checksum, below
    Put16(out, 0);      // urgent pointer
    out.insert(out.end(), payload.begin(), payload.end());
    const size_t tcpLength = out.size() - tcp;
    Set16(out, tcp + 16,
          InternetChecksum(std::span(out).subspan(tcp),
                           PseudoHeaderSum(from.ip, to.ip, kProtocolTcp, tcpLength)));
    return out;
}

Bytes BuildUdpFrame(const Endpoint& from, const Endpoint& to, uint16_t ipId,
                    std::span<const uint8_t> payload) {
    Bytes out;
    PutEthernet(out, to.mac, from.mac, kEtherTypeIpv4);
    PutIpv4(out, from.ip, to.ip, kProtocolUdp, ipId, 8 + payload.size());
    const size_t udp = out.size();
    Put16(out, from.port);
    Put16(out, to.port);
    Put16(out, uint16_t(8 + payload.size()));
    Put16(out, 0);
    out.insert(out.end(), payload.begin(), payload.end());
    uint16_t sum =
        InternetChecksum(std::span(out).subspan(udp),
                         PseudoHeaderSum(from.ip, to.ip, kProtocolUdp, out.size() - udp));
    Set16(out, udp + 6, sum == 0 ? 0xFFFF : sum);
    return out;
}

Bytes BuildArpRequest(const Endpoint& from, uint32_t targetIp) {
    Bytes out;
    PutEthernet(out, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, from.mac, kEtherTypeArp);
    Put16(out, 1);       // Ethernet
    Put16(out, 0x0800);  // IPv4
    out.push_back(6);
    out.push_back(4);
    Put16(out, 1);  // request
    out.insert(out.end(), from.mac.begin(), from.mac.end());
    Put32(out, from.ip);
    out.insert(out.end(), 6, 0);
    Put32(out, targetIp);
    out.resize(60, 0);  // Ethernet minimum without FCS
    return out;
}

TcpConnection::TcpConnection(const Endpoint& client, const Endpoint& server, uint32_t clientIsn,
                             uint32_t serverIsn)
    : client_{client, clientIsn, 0x1200}, server_{server, serverIsn, 0x5400} {}

Bytes TcpConnection::Segment(bool fromClient, std::span<const uint8_t> payload) {
    Side& self = fromClient ? client_ : server_;
    const Side& other = fromClient ? server_ : client_;
    Bytes frame =
        BuildTcpFrame(self.endpoint, other.endpoint, self.nextSeq, other.nextSeq,
                      payload.empty() ? tcp_flags::Ack : tcp_flags::PshAck, self.ipId++, payload);
    self.nextSeq += uint32_t(payload.size());
    return frame;
}

Bytes TcpConnection::SegmentAt(bool fromClient, uint32_t seq, std::span<const uint8_t> payload) {
    Side& self = fromClient ? client_ : server_;
    const Side& other = fromClient ? server_ : client_;
    return BuildTcpFrame(self.endpoint, other.endpoint, seq, other.nextSeq,
                         payload.empty() ? tcp_flags::Ack : tcp_flags::PshAck, self.ipId++,
                         payload);
}

PcapWriter::~PcapWriter() {
    Discard();
}

bool PcapWriter::Open(const std::string& path, std::string& error, LinkLayer link) {
    Discard();
    link_ = link;
    path_ = path;
    partialPath_ = path + ".partial";
    file_ = std::fopen(partialPath_.c_str(), "wb");
    if (file_ == nullptr) {
        error = "cannot write " + partialPath_ + ": " + std::strerror(errno);
        return false;
    }
    struct {
        uint32_t magic = 0xA1B2C3D4;  // microsecond time stamps, in the writer's byte order
        uint16_t major = 2;
        uint16_t minor = 4;
        int32_t thisZone = 0;
        uint32_t sigFigs = 0;
        uint32_t snapLen = 65535;
        uint32_t linkType = 1;
    } header;
    header.linkType = LinkTypeNumber(link);
    std::fwrite(&header, sizeof header, 1, file_);
    return true;
}

void PcapWriter::Write(int64_t seconds, int32_t microseconds, std::span<const uint8_t> ethernet) {
    const Bytes relinked = link_ == LinkLayer::Ethernet ? Bytes() : Relink(link_, ethernet);
    const std::span<const uint8_t> frame = link_ == LinkLayer::Ethernet ? ethernet : relinked;
    if (frame.empty()) {
        return;  // a frame this link cannot carry is not written
    }
    const uint32_t record[4] = {uint32_t(seconds), uint32_t(microseconds), uint32_t(frame.size()),
                                uint32_t(frame.size())};
    std::fwrite(record, sizeof record, 1, file_);
    std::fwrite(frame.data(), 1, frame.size(), file_);
}

bool PcapWriter::Commit(std::string& error) {
    if (file_ == nullptr) {
        error = "no capture file open";
        return false;
    }
    const bool written = std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) {
        error = "cannot write " + partialPath_;
        std::remove(partialPath_.c_str());
        return false;
    }
    if (std::rename(partialPath_.c_str(), path_.c_str()) != 0) {
        error = "cannot move " + partialPath_ + " to " + path_ + ": " + std::strerror(errno);
        std::remove(partialPath_.c_str());
        return false;
    }
    partialPath_.clear();
    return true;
}

void PcapWriter::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
        std::remove(partialPath_.c_str());
    }
}

}  // namespace kestro::scenario
