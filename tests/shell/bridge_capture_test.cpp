// The demo's game payloads sent over a real TCP connection between two network
// namespaces of the test's own, captured live on "any" and decoded by the
// window's core: over a bridge (where "any" sees every frame on the port and
// again on the bridge) the count, the log and the race result are those of a
// plain link, and those of the payloads decoded one by one. Needs root; skips
// with the reason otherwise. The namespaces die with the test's sockets.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/frames.h"
#include "capture/snoop.h"
#include "common/clock.h"
#include "notify/sound_player.h"
#include "scenario.h"
#include "shell/core.h"
#include "support/recorders.h"

namespace kestro {
namespace {

using namespace std::chrono_literals;

constexpr char kPlayerAddress[] = "10.77.1.1";
constexpr char kServerAddress[] = "10.77.1.2";
constexpr uint16_t kGamePort = 5121;

struct GamePayload {
    bool fromServer;
    std::vector<uint8_t> bytes;
};

// The payloads of data/demo.scenario in order, each with its direction.
std::vector<GamePayload> DemoPayloads() {
    std::ifstream file(std::string(KESTRO_SOURCE_DIR) + "/data/demo.scenario");
    std::stringstream text;
    text << file.rdbuf();
    std::vector<GamePayload> payloads;
    for (const scenario::Frame& frame : scenario::BuildScenario(text.str())) {
        const uint8_t* ip = nullptr;
        uint32_t ipCaptured = 0;
        const uint8_t* tcp = nullptr;
        const uint8_t* data = nullptr;
        int32_t length = 0;
        TCPSegmentPlace place;
        const auto size = static_cast<uint32_t>(frame.bytes.size());
        if (GetIPHeader(frame.bytes.data(), size, &ip, &ipCaptured) &&
            GetTCPHeader(ip, ipCaptured, &tcp) && GetTCPData(ip, ipCaptured, tcp, &data, &length) &&
            GetTCPSegmentPlace(ip, ipCaptured, tcp, &place)) {
            payloads.push_back({place.sourcePort == kGamePort, {data, data + length}});
        }
    }
    return payloads;
}

// What the window's core made of the payloads: its log and panel.
struct Outcome {
    int32_t packetCount = 0;
    std::vector<std::string> log;
    PanelTexts panel;
};

class DecodingCore {
public:
    DecodingCore() : view_(recorder_), core_(clock_, view_, silence_) {
        clock_.Set(test::At(21, 0, 0));
        core_.ResetRaceState();
    }
    void Decode(const uint8_t* data, int32_t length) {
        core_.SnoopTCPDataCaptureTCPData(data, length);
    }
    Outcome Result() const { return {core_.PacketCount(), recorder_.logLines, core_.Panel(",")}; }

private:
    SettableClock clock_;
    test::Recorder recorder_;
    test::RecordingCoreView view_;
    NullSoundPlayer silence_;
    KestroCore core_;
};

bool Run(const std::string& command, std::string& error) {
    const std::string quiet = command + " 2>&1";
    if (std::system(quiet.c_str()) != 0) {
        error = "failed: " + command;
        return false;
    }
    return true;
}

int OpenCurrentNamespace() {
    return open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
}

sockaddr_in Address(const char* ip, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    inet_pton(AF_INET, ip, &address.sin_addr);
    return address;
}

// Two namespaces joined by a veth pair: the game server's (10.77.1.2) and the
// player's (10.77.1.1), on the veth itself or on a bridge holding it. The
// calling thread stays in the player's until the object goes, and threads it
// starts meanwhile (the capture thread) live there too.
class TwoNamespaces {
public:
    explicit TwoNamespaces(bool bridge) {
        original_ = OpenCurrentNamespace();
        if (original_ < 0 || unshare(CLONE_NEWNET) != 0) {
            error_ = std::string("no network namespace of our own: ") + std::strerror(errno);
            return;
        }
        entered_ = true;
        // The server's side: the listening socket keeps its namespace alive.
        if (!Run("ip link set lo up && ip link add vg0 type veth peer name vp0 && "
                 "ip addr add " +
                     std::string(kServerAddress) + "/24 dev vg0 && ip link set vg0 up",
                 error_) ||
            !Listen()) {
            return;
        }
        const int server = OpenCurrentNamespace();
        if (unshare(CLONE_NEWNET) != 0) {
            error_ = std::string("unshare: ") + std::strerror(errno);
            close(server);
            return;
        }
        player_ = OpenCurrentNamespace();
        // The veth's other end moves from the server's namespace into the player's.
        const bool moved = setns(server, CLONE_NEWNET) == 0 &&
                           Run("ip link set vp0 netns /proc/" + std::to_string(getpid()) + "/fd/" +
                                   std::to_string(player_),
                               error_) &&
                           setns(player_, CLONE_NEWNET) == 0;
        close(server);
        if (!moved) {
            error_ = error_.empty() ? std::string("setns: ") + std::strerror(errno) : error_;
            return;
        }
        const std::string player = kPlayerAddress;
        const std::string link =
            bridge ? "ip link add br0 type bridge && ip link set vp0 master br0 && "
                     "ip link set vp0 up && ip addr add " +
                         player +
                         "/24 dev br0 && "
                         "ip link set br0 up"
                   : "ip link set vp0 up && ip addr add " + player + "/24 dev vp0";
        Run("ip link set lo up && " + link, error_);
    }
    ~TwoNamespaces() {
        for (int fd : {client_, server_, listener_, player_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        if (original_ >= 0) {
            if (entered_) {
                setns(original_, CLONE_NEWNET);
            }
            close(original_);
        }
    }
    TwoNamespaces(const TwoNamespaces&) = delete;
    TwoNamespaces& operator=(const TwoNamespaces&) = delete;

    const std::string& Error() const { return error_; }

    // The player's client connects to the server, with retries while the
    // bridge's port comes up.
    bool Connect() {
        const sockaddr_in server = Address(kServerAddress, kGamePort);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            client_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (connect(client_, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0) {
                server_ = accept(listener_, nullptr, nullptr);
                // One send, one segment.
                const int on = 1;
                for (const int fd : {client_, server_}) {
                    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                }
                return server_ >= 0;
            }
            close(client_);
            client_ = -1;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    // Sends one payload and reads it whole at the far end before returning.
    bool Pass(const GamePayload& payload) {
        const int from = payload.fromServer ? server_ : client_;
        const int to = payload.fromServer ? client_ : server_;
        const auto size = static_cast<ssize_t>(payload.bytes.size());
        if (send(from, payload.bytes.data(), payload.bytes.size(), MSG_NOSIGNAL) != size) {
            return false;
        }
        std::vector<uint8_t> sink(payload.bytes.size());
        return recv(to, sink.data(), sink.size(), MSG_WAITALL) == size;
    }

private:
    bool Listen() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = Address(kServerAddress, kGamePort);
        if (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 1) != 0) {
            error_ = std::string("listen on the server's side: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

    int original_ = -1;
    int player_ = -1;
    bool entered_ = false;
    int listener_ = -1;
    int client_ = -1;
    int server_ = -1;
    std::string error_;
};

class BridgeCaptureTest : public testing::TestWithParam<bool> {};

TEST_P(BridgeCaptureTest, CapturedOnAnyTheDemoDecodesAsItsPayloadsDoOneByOne) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to make network namespaces, a veth pair and a bridge";
    }
    const std::vector<GamePayload> payloads = DemoPayloads();
    ASSERT_GT(payloads.size(), 20u);

    DecodingCore reference;
    for (const GamePayload& payload : payloads) {
        reference.Decode(payload.bytes.data(), static_cast<int32_t>(payload.bytes.size()));
    }
    const Outcome expected = reference.Result();
    ASSERT_EQ(expected.packetCount, static_cast<int32_t>(payloads.size()));
    ASSERT_NE(
        std::find(expected.log.begin(), expected.log.end(), "21:00:00.000 - 順位確定(複勝): 1-6"),
        expected.log.end());

    TwoNamespaces network(GetParam());
    if (!network.Error().empty()) {
        GTEST_SKIP() << network.Error();
    }
    DecodingCore live;
    TSnoopTCPData snoop([](const std::string&) {});
    snoop.SetFilter("tcp port 5121");
    snoop.SetOnCaptureTCPData([&live](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                      const uint8_t*, const uint8_t*, const uint8_t* data,
                                      int32_t length) { live.Decode(data, length); });
    snoop.SetAdapterName("any");
    const Result opened = snoop.Open();
    ASSERT_TRUE(opened && snoop.Active()) << opened.Reason();
    ASSERT_TRUE(network.Connect()) << "no connection across the link";

    // The main thread serves the hand-overs while another sends.
    std::atomic<bool> sent{false};
    std::atomic<bool> allPassed{true};
    std::thread sender([&] {
        for (const GamePayload& payload : payloads) {
            if (!network.Pass(payload)) {
                allPassed = false;
                break;
            }
        }
        sent = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!sent || (live.Result().packetCount < expected.packetCount &&
                     std::chrono::steady_clock::now() < deadline)) {
        snoop.ServeFor(20ms);
    }
    sender.join();
    // Copies that come late (the bridge's) have their moment to be counted.
    snoop.ServeFor(300ms);
    snoop.Close();
    ASSERT_TRUE(allPassed);

    const Outcome got = live.Result();
    EXPECT_EQ(got.packetCount, expected.packetCount);
    EXPECT_EQ(got.log, expected.log);
    EXPECT_EQ(got.panel.fields, expected.panel.fields);
    EXPECT_EQ(got.panel.packetCount, expected.panel.packetCount);
}

INSTANTIATE_TEST_SUITE_P(Links, BridgeCaptureTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Bridge" : "PlainLink");
                         });

}  // namespace
}  // namespace kestro
