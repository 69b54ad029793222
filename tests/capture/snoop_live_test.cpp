// The capture component on the loopback adapter with a real TCP connection on
// port 5121, each case once opening the adapter itself and once reading the
// stream of the capture helper. Needs capture rights (root); skips with the
// reason otherwise.
#include "capture/snoop.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/portable.h"

namespace kestro {
namespace {

using namespace std::chrono_literals;

constexpr uint16_t kGamePort = 5121;

class Socket {
public:
    explicit Socket(int fd = -1) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Loopback(uint16_t port, uint32_t host) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host);
    return address;
}

uint16_t LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

uint16_t BE16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

struct Segment {
    bool fromClient;
    std::string payload;
    bool operator==(const Segment&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Segment& s) {
    return out << (s.fromClient ? "client:" : "server:") << s.payload;
}

const char* const kHelperPath = KESTRO_BINARY_DIR "/src/app/kestro-capture";

class SnoopLiveTest : public testing::TestWithParam<CaptureSource> {
protected:
    void SetUp() override {
        snoop_.SetSource(GetParam());
        snoop_.SetCaptureHelperPath(kHelperPath);
        snoop_.SetAdapterName("lo");
        ASSERT_EQ(snoop_.AdapterName(), "lo") << "no loopback adapter listed";
        snoop_.SetFilter("tcp port 5121");
        snoop_.SetOnCaptureTCPData([this](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                          const uint8_t*, const uint8_t* tcp, const uint8_t* data,
                                          int32_t length) {
            // Other tests may talk on the game port at the same time; keep to ours.
            const uint16_t source = BE16(tcp);
            const uint16_t destination = BE16(tcp + 2);
            if (clientPort_ == 0 || (source != clientPort_ && destination != clientPort_)) {
                return;
            }
            threads_.push_back(std::this_thread::get_id());
            segments_.push_back(
                {source == clientPort_,
                 std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length))});
        });
    }

    // Skips the test where this process may not capture.
    void OpenOrSkip() {
        const Result opened = snoop_.Open();
        if (opened && snoop_.Active()) {
            EXPECT_EQ(snoop_.ThroughHelper(), GetParam() == CaptureSource::Helper);
        } else {
            const std::string& error = opened.Reason();
            if (error.find("ermission") != std::string::npos ||
                error.find("not permitted") != std::string::npos) {
                GTEST_SKIP() << "capture on lo not permitted: " << error;
            }
            FAIL() << "Open failed: " << error;
        }
    }

    void Connect() {
        Socket* listener = new Socket(socket(AF_INET, SOCK_STREAM, 0));
        listener_.reset(listener);
        const int on = 1;
        setsockopt(listener->Fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
        // Another program may hold 127.0.0.1:5121; any address of 127/8 is on lo
        // and matches the filter just as well.
        sockaddr_in address{};
        bool bound = false;
        for (uint32_t host = INADDR_LOOPBACK; host < INADDR_LOOPBACK + 16 && !bound; ++host) {
            address = Loopback(kGamePort, host);
            bound = bind(listener->Fd(), reinterpret_cast<const sockaddr*>(&address),
                         sizeof(address)) == 0;
            ASSERT_TRUE(bound || errno == EADDRINUSE) << std::strerror(errno);
        }
        ASSERT_TRUE(bound) << "port 5121 is busy on every loopback address tried";
        ASSERT_EQ(listen(listener->Fd(), 1), 0) << std::strerror(errno);
        client_ = std::make_unique<Socket>(socket(AF_INET, SOCK_STREAM, 0));
        ASSERT_EQ(
            connect(client_->Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0)
            << std::strerror(errno);
        server_ = std::make_unique<Socket>(accept(listener->Fd(), nullptr, nullptr));
        ASSERT_GE(server_->Fd(), 0) << std::strerror(errno);
        clientPort_ = LocalPort(client_->Fd());
    }

    // Sends one segment and serves hand-overs until the handler has seen it.
    void Exchange(bool fromClient, const std::string& payload) {
        const size_t before = segments_.size();
        const int fd = fromClient ? client_->Fd() : server_->Fd();
        ASSERT_EQ(send(fd, payload.data(), payload.size(), 0),
                  static_cast<ssize_t>(payload.size()));
        char buffer[2048];
        const int peer = fromClient ? server_->Fd() : client_->Fd();
        ASSERT_EQ(recv(peer, buffer, payload.size(), MSG_WAITALL),
                  static_cast<ssize_t>(payload.size()));
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (segments_.size() == before && std::chrono::steady_clock::now() < deadline) {
            snoop_.ServeFor(20ms);
        }
        // Give a stray extra delivery (an acknowledgement, say) the chance to show.
        snoop_.ServeFor(50ms);
    }

    TSnoopTCPData snoop_{[](const std::string&) {}};
    std::unique_ptr<Socket> listener_, client_, server_;
    uint16_t clientPort_ = 0;
    std::vector<Segment> segments_;
    std::vector<std::thread::id> threads_;
};

TEST_P(SnoopLiveTest, DeliversEveryPayloadOfBothDirectionsInOrderOnTheMainThread) {
    OpenOrSkip();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    Connect();
    if (HasFatalFailure()) {
        return;
    }
    Exchange(true, "hello");
    Exchange(false, "welcome back");
    Exchange(true, "x");
    Exchange(false, std::string(1000, 'z'));

    EXPECT_EQ(segments_, (std::vector<Segment>{{true, "hello"},
                                               {false, "welcome back"},
                                               {true, "x"},
                                               {false, std::string(1000, 'z')}}));
    for (const std::thread::id& thread : threads_) {
        EXPECT_EQ(thread, std::this_thread::get_id());
    }

    client_.reset();  // FIN and ACKs carry no payload
    snoop_.ServeFor(100ms);
    EXPECT_EQ(segments_.size(), 4u);

    const auto start = std::chrono::steady_clock::now();
    snoop_.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.HasCaptureThread());
}

TEST_P(SnoopLiveTest, CloseWhileTheThreadWaitsInAHandOverDeliversThatSegmentOnce) {
    std::atomic<int> wakes{0};
    snoop_.SetMainThreadWake([&wakes] { ++wakes; });
    const size_t descriptors = test::OpenDescriptors();
    OpenOrSkip();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    Connect();
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(send(client_->Fd(), "pending", 7, 0), 7);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (wakes.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(wakes.load(), 1);
    EXPECT_TRUE(segments_.empty());

    const pid_t helper = snoop_.CaptureHelperProcessId();
    const auto start = std::chrono::steady_clock::now();
    snoop_.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(segments_, (std::vector<Segment>{{true, "pending"}}));
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.RunPendingHandOver());
    EXPECT_EQ(segments_.size(), 1u);
    // Reaped, not a zombie: a zombie still answers a signal test.
    if (GetParam() == CaptureSource::Helper) {
        ASSERT_GT(helper, 0);
        EXPECT_EQ(kill(helper, 0), -1);
        EXPECT_EQ(errno, ESRCH);
    }
    EXPECT_EQ(snoop_.CaptureHelperProcessId(), -1);
    client_.reset();
    server_.reset();
    listener_.reset();
    EXPECT_EQ(test::OpenDescriptors(), descriptors);
}

// The all-interfaces device gives Linux cooked frames; each segment over lo
// arrives once, as on lo itself.
TEST_P(SnoopLiveTest, TheAllInterfacesDeviceDeliversLoopbackTrafficOnce) {
    const int32_t any = snoop_.AllInterfacesAdapterIndex();
    ASSERT_GE(any, 0) << "no all-interfaces device listed";
    snoop_.SetAdapterIndex(any);
    ASSERT_EQ(snoop_.AdapterName(), "any");
    OpenOrSkip();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    EXPECT_TRUE(snoop_.DataLink() == DLT_LINUX_SLL || snoop_.DataLink() == DLT_LINUX_SLL2)
        << snoop_.DataLink();
    Connect();
    if (HasFatalFailure()) {
        return;
    }
    Exchange(true, "via any");
    Exchange(false, "and back");
    EXPECT_EQ(segments_, (std::vector<Segment>{{true, "via any"}, {false, "and back"}}));
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
}

TEST_P(SnoopLiveTest, OpenTwiceIsRefusedAndTheCaptureGoesOn) {
    OpenOrSkip();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(snoop_.Open().Reason(), "Snoop Error: Already open");
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: Already open");
    EXPECT_TRUE(snoop_.Active());
    EXPECT_EQ(snoop_.DataLink(), DLT_EN10MB);
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: Already open");
}

TEST_P(SnoopLiveTest, ABadFilterLeavesTheCompilersTextAndNoCapture) {
    snoop_.SetFilter("tcp port");
    const std::string reason = snoop_.Open().Reason();
    if (reason.find("ermission") != std::string::npos ||
        reason.find("not permitted") != std::string::npos) {
        GTEST_SKIP() << "capture on lo not permitted: " << reason;
    }
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.HasCaptureThread());
    EXPECT_NE(reason.find("syntax error"), std::string::npos) << reason;
    EXPECT_EQ(snoop_.LastError(), reason);
}

TEST_P(SnoopLiveTest, CaptureDisabledOpensTheAdapterButDeliversNothing) {
    snoop_.SetCaptureEnabled(false);
    OpenOrSkip();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    EXPECT_FALSE(snoop_.HasCaptureThread());
    Connect();
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(send(client_->Fd(), "unseen", 6, 0), 6);
    snoop_.ServeFor(200ms);
    EXPECT_TRUE(segments_.empty());
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.DataLink(), -1);
}

INSTANTIATE_TEST_SUITE_P(BothSources, SnoopLiveTest,
                         testing::Values(CaptureSource::Direct, CaptureSource::Helper),
                         [](const testing::TestParamInfo<CaptureSource>& info) {
                             return info.param == CaptureSource::Direct ? "Direct" : "Helper";
                         });

}  // namespace
}  // namespace kestro
