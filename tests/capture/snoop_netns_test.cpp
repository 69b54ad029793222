// The capture component on a raw-IP device (a tun) inside a network namespace
// the test makes for itself: link type RAW, the adapter's facts, and the
// device vanishing under a running capture. The namespace is the test's own
// and dies with it; frames are written into the tun and never leave it.
// Needs root; skips with the reason otherwise.
#include <fcntl.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "capture/snoop.h"
#include "common/clock.h"
#include "game/decoder.h"
#include "support/frames.h"
#include "support/netns.h"

namespace kestro {
namespace {

using namespace std::chrono_literals;

constexpr char kTun[] = "kestrotun0";
constexpr char kTunAddress[] = "10.77.0.1";

bool Ioctl(int fd, unsigned long request, ifreq& request_data, std::string& error,
           const char* what) {
    if (ioctl(fd, request, &request_data) != 0) {
        error = std::string(what) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// A tun device, up with an address; it disappears when the object does.
class Tun {
public:
    Tun() {
        fd_ = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = std::string("/dev/net/tun: ") + std::strerror(errno);
            return;
        }
        ifreq request{};
        std::strncpy(request.ifr_name, kTun, IFNAMSIZ - 1);
        request.ifr_flags = IFF_TUN | IFF_NO_PI;
        if (!Ioctl(fd_, TUNSETIFF, request, error_, "TUNSETIFF")) {
            return;
        }
        const int control = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        auto* address = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
        address->sin_family = AF_INET;
        inet_pton(AF_INET, kTunAddress, &address->sin_addr);
        bool ok = Ioctl(control, SIOCSIFADDR, request, error_, "SIOCSIFADDR");
        request.ifr_flags = IFF_UP | IFF_RUNNING;
        ok = ok && Ioctl(control, SIOCSIFFLAGS, request, error_, "SIOCSIFFLAGS");
        close(control);
    }
    ~Tun() { Remove(); }
    Tun(const Tun&) = delete;
    Tun& operator=(const Tun&) = delete;

    // Closing the only descriptor of a tun that is not persistent removes it.
    void Remove() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    const std::string& Error() const { return error_; }
    // The packet arrives on the tun as if from the network.
    // Each at the next sequence number, as a connection sends them: the same
    // segment twice would be a repeat, which the capture component counts once.
    bool Inject(const std::string& payload) {
        test::FrameLayout layout;
        layout.payload = test::Text(payload);
        layout.sequenceNumber = nextSequence_;
        nextSequence_ += static_cast<uint32_t>(payload.size());
        return Inject(layout);
    }
    // The game server's bytes at `sequence` of its connection to a client port.
    bool InjectToClient(uint16_t clientPort, uint32_t sequence, const test::Bytes& payload) {
        test::FrameLayout layout;
        layout.sourcePort = 5121;
        layout.destinationPort = clientPort;
        layout.sequenceNumber = sequence;
        layout.payload = payload;
        return Inject(layout);
    }

private:
    bool Inject(const test::FrameLayout& layout) {
        test::Bytes packet = test::BuildFrame(layout);
        packet.erase(packet.begin(), packet.begin() + 14);
        return write(fd_, packet.data(), packet.size()) == static_cast<ssize_t>(packet.size());
    }

    int fd_ = -1;
    uint32_t nextSequence_ = 1;
    std::string error_;
};

class SnoopNetnsTest : public testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root to make a network namespace and a tun device";
        }
        if (!namespace_.Error().empty()) {
            GTEST_SKIP() << "no network namespace of our own: " << namespace_.Error();
        }
        tun_.emplace();
        if (!tun_->Error().empty()) {
            GTEST_SKIP() << "no tun device: " << tun_->Error();
        }
        snoop_.SetFilter("tcp port 5121");
        snoop_.SetOnCaptureTCPData([this](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                          const uint8_t*, const uint8_t*, const uint8_t* data,
                                          int32_t length) {
            payloads_.emplace_back(reinterpret_cast<const char*>(data),
                                   static_cast<size_t>(length));
        });
        snoop_.SetOnCaptureEnded(
            [this](TCustomSnoop*, const TSnoopEnd& end) { ends_.push_back(end); });
    }

    // Writes one packet into the tun and serves hand-overs until it is seen.
    bool Delivered(const std::string& payload) {
        const size_t before = payloads_.size();
        if (!tun_->Inject(payload)) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (payloads_.size() == before && std::chrono::steady_clock::now() < deadline) {
            snoop_.ServeFor(20ms);
        }
        return payloads_.size() == before + 1 && payloads_.back() == payload;
    }

    // Before the tun, so that it is built in the namespace and removed before we leave.
    test::OwnNetworkNamespace namespace_;
    std::optional<Tun> tun_;
    TSnoopTCPData snoop_{[](const std::string&) {}};
    std::vector<std::string> payloads_;
    std::vector<TSnoopEnd> ends_;
};

TEST_F(SnoopNetnsTest, ARawIPDeviceIsListedUsableAndDeliversThePayload) {
    snoop_.RefreshAdapters();
    const std::vector<AdapterInfo>& adapters = snoop_.Adapters();
    ASSERT_EQ(adapters.size(), snoop_.AdapterNames().size());
    const AdapterInfo* tun = nullptr;
    for (const AdapterInfo& adapter : adapters) {
        tun = adapter.name == kTun ? &adapter : tun;
    }
    ASSERT_NE(tun, nullptr) << "the tun is not listed";
    EXPECT_TRUE(tun->up);
    EXPECT_TRUE(tun->networkInterface);
    EXPECT_FALSE(tun->loopback);
    EXPECT_EQ(tun->linkType, DLT_RAW);
    EXPECT_EQ(tun->ipv4Address, kTunAddress);
    EXPECT_TRUE(IsUsableAdapter(*tun));

    snoop_.SetAdapterName(kTun);
    const Result opened = snoop_.Open();
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    EXPECT_EQ(snoop_.DataLink(), DLT_RAW);
    EXPECT_TRUE(Delivered("over the tunnel"));
    snoop_.Close();
    EXPECT_TRUE(ends_.empty()) << "a Close is not an end of its own";
    EXPECT_FALSE(snoop_.LastEnd().has_value());
}

TEST_F(SnoopNetnsTest, ADeviceThatVanishesEndsTheCaptureWithLibpcapsReasonAndCanBeReopened) {
    snoop_.RefreshAdapters();
    snoop_.SetAdapterName(kTun);
    const Result opened = snoop_.Open();
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    ASSERT_TRUE(Delivered("before"));

    tun_->Remove();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (ends_.empty() && std::chrono::steady_clock::now() < deadline) {
        snoop_.ServeFor(20ms);
    }
    ASSERT_EQ(ends_.size(), 1u) << "no end reported";
    EXPECT_EQ(ends_[0].cause, TSnoopEnd::Cause::ReadError);
    EXPECT_FALSE(ends_[0].reason.empty());
    RecordProperty("reason", ends_[0].reason);
    EXPECT_FALSE(snoop_.Active());
    EXPECT_TRUE(snoop_.LastEnd().has_value());
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: pcap_next_ex return -1: " + ends_[0].reason);

    // Gone from the list, the adapter keeps its name, so it can be reopened when it is back.
    snoop_.RefreshAdapters();
    EXPECT_EQ(snoop_.AdapterIndex(), -1);
    EXPECT_EQ(snoop_.AdapterName(), kTun);
    EXPECT_EQ(snoop_.Open().Reason(), "Snoop Error: Invalid AdapterName");
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: Invalid AdapterName");

    tun_.emplace();
    ASSERT_EQ(tun_->Error(), "");
    const Result reopened = snoop_.Open();
    ASSERT_TRUE(reopened && snoop_.Active()) << reopened.Reason();
    EXPECT_FALSE(snoop_.LastEnd().has_value());
    EXPECT_TRUE(Delivered("after"));
    snoop_.Close();
    EXPECT_EQ(ends_.size(), 1u);
}

class HeardLines final : public GameEventSink {
public:
    void HandleMapChange(const std::string&) override {}
    void HandleTicketPurchase(uint8_t, uint8_t, uint8_t) override {}
    void HandleAnnouncement(const std::string& text) override { lines.push_back(text); }
    void HandleServerChange(const std::string& server) override { lines.push_back(server); }
    std::vector<std::string> lines;
};

class QuietLogView final : public LogView {
public:
    void SetStatusText(std::string_view) override {}
    void AppendLogLine(std::string_view) override {}
};

// Two clients of one server on this machine, as the device shows them: the
// server's line on each connection, then a resend that merges it with the
// next. The capture hands on each connection's new bytes once; the decoder
// hears the line once and the next one once.
TEST_F(SnoopNetnsTest, TwoClientsOfOneServerHearEachLineOnce) {
    SettableClock clock;
    QuietLogView view;
    Log log(clock, view);
    HeardLines heard;
    const uint8_t logLevel = 0;
    Decoder decoder(heard, log, logLevel);
    int delivered = 0;
    snoop_.SetOnCaptureTCPData([&](TSnoopTCPData* sender, const pcap_pkthdr* header, const uint8_t*,
                                   const uint8_t*, const uint8_t*, const uint8_t* data,
                                   int32_t length) {
        const TCPSegmentPlace& place = sender->CurrentSegment();
        ++delivered;
        decoder.SnoopTCPDataCaptureTCPData(
            OriginOf(place.sourceAddress, place.sourcePort, place.destinationAddress,
                     place.destinationPort,
                     int64_t{header->ts.tv_sec} * 1'000'000 + header->ts.tv_usec),
            data, length);
    });
    snoop_.RefreshAdapters();
    snoop_.SetAdapterName(kTun);
    const Result opened = snoop_.Open();
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();

    auto announcer = [](const std::string& text) {
        test::Bytes packet = {0xC3, 0x01, 0, 0};
        packet.resize(16, 0);
        packet.insert(packet.end(), text.begin(), text.end());
        packet.push_back(0);
        packet[2] = static_cast<uint8_t>(packet.size());
        return packet;
    };
    const test::Bytes first = announcer("line one");
    const test::Bytes second = announcer("line two");
    test::Bytes merged = first;
    merged.insert(merged.end(), second.begin(), second.end());
    const uint32_t one = 0x10000000, two = 0x70000000;  // each connection its own numbers
    const auto size = static_cast<uint32_t>(first.size());
    ASSERT_TRUE(tun_->InjectToClient(50000, one, first));
    ASSERT_TRUE(tun_->InjectToClient(50001, two, first));
    ASSERT_TRUE(tun_->InjectToClient(50000, one, merged));
    ASSERT_TRUE(tun_->InjectToClient(50001, two + size, second));
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (delivered < 4 && std::chrono::steady_clock::now() < deadline) {
        snoop_.ServeFor(20ms);
    }
    snoop_.ServeFor(100ms);  // nothing more may come
    snoop_.Close();
    EXPECT_EQ(delivered, 4) << "each connection's line, the resend's new line, the second copy";
    EXPECT_EQ(heard.lines, (std::vector<std::string>{"line one", "line two"}));
}

// A burst faster than the window takes frames overflows the kernel's buffer.
// What was lost is counted, by the window's own capture and by the helper, and
// with what arrived it makes up the whole burst.
TEST_F(SnoopNetnsTest, FramesLostInABurstAreCountedDirectlyAndThroughTheHelper) {
    constexpr std::size_t kBurst = 20000;
    const std::string payload(1000, 'x');
    for (const CaptureSource source : {CaptureSource::Direct, CaptureSource::Helper}) {
        const char* name = source == CaptureSource::Direct ? "direct" : "helper";
        SCOPED_TRACE(name);
        payloads_.clear();
        snoop_.SetSource(source);
        snoop_.SetCaptureHelperPath(KESTRO_BINARY_DIR "/src/app/kestro-capture");
        snoop_.RefreshAdapters();
        snoop_.SetAdapterName(kTun);
        const Result opened = snoop_.Open();
        ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
        ASSERT_EQ(snoop_.ThroughHelper(), source == CaptureSource::Helper);
        EXPECT_EQ(snoop_.Drops(), DropCounts{});
        for (std::size_t i = 0; i < kBurst; ++i) {
            ASSERT_TRUE(tun_->Inject(payload));
        }
        // The counts are read about once a second while frames come, as the
        // game's keep coming: a frame now and then stands in for them.
        // Bounded by time, not by the counts.
        DropCounts drops;
        std::size_t sent = kBurst;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            snoop_.ServeFor(200ms);
            drops = snoop_.Drops();
            if (payloads_.size() + drops.Total() >= sent) {
                break;
            }
            ASSERT_TRUE(tun_->Inject(payload));
            ++sent;
        }
        const std::string seen = std::to_string(payloads_.size()) + " delivered, " +
                                 std::to_string(drops.kernel) + " lost by the kernel, " +
                                 std::to_string(drops.adapter) + " by the adapter";
        RecordProperty(name, seen);
        std::cout << name << ": " << seen << " of " << sent << "\n";
        EXPECT_GT(drops.Total(), 0u);
        EXPECT_EQ(payloads_.size() + drops.Total(), sent);
        snoop_.Close();
    }
}

}  // namespace
}  // namespace kestro
