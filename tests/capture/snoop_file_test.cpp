// The capture component over capture files written by the tests themselves:
// the same thread, header tests and hand-over as a live capture, but
// deterministic and without capture rights.
#include "capture/snoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/pcap_file.h"
#include "support/portable.h"
#include "support/temp_folder.h"

namespace kestro {
namespace {

using namespace std::chrono_literals;
using test::BuildFrame;
using test::Bytes;
using test::FrameLayout;
using test::PcapRecord;
using test::Text;
using test::WritePcap;

// Each at the next sequence number, as a connection sends them: bytes at a
// number handed on before are not new.
FrameLayout Segment(const std::string& payload, uint16_t destinationPort = 5121) {
    static uint32_t nextSequence = 1;
    FrameLayout layout;
    layout.payload = Text(payload);
    layout.destinationPort = destinationPort;
    layout.sequenceNumber = nextSequence;
    nextSequence += static_cast<uint32_t>(payload.size());
    return layout;
}

// What the handler saw.
struct Delivery {
    std::string payload;
    std::thread::id thread;
    std::ptrdiff_t ipHeaderLength = 0;   // tcp - ip
    std::ptrdiff_t tcpHeaderLength = 0;  // data - tcp
};

class SnoopFileTest : public testing::Test {
protected:
    void SetUp() override {
        if (test::RunningUnderWine()) {
            GTEST_SKIP() << "Wine's wpcap.dll cannot read capture files (its file functions are "
                            "stubs that end the process); a real capture driver can";
        }
        ASSERT_TRUE(dir_.Ok());
        snoop_.SetFilter("tcp port 5121");
        snoop_.SetOnCaptureTCPData([this](TSnoopTCPData* sender, const pcap_pkthdr* header,
                                          const uint8_t* ethernet, const uint8_t* ip,
                                          const uint8_t* tcp, const uint8_t* data, int32_t length) {
            EXPECT_EQ(sender, &snoop_);
            EXPECT_EQ(ip - ethernet, linkHeaderLength_) << "the IP header follows the link header";
            EXPECT_LE(static_cast<uint32_t>(data - ethernet + length), header->caplen);
            EXPECT_GE(data - tcp, 20);
            deliveries_.push_back(
                {std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length)),
                 std::this_thread::get_id(), tcp - ip, data - tcp});
            if (throwOnDelivery_) {
                throw std::runtime_error("handler failed");
            }
        });
        snoop_.SetMainThreadWake([this] { ++wakes_; });
        snoop_.SetOnCaptureEnded([this](TCustomSnoop* sender, const TSnoopEnd& end) {
            EXPECT_EQ(sender, &snoop_);
            EXPECT_FALSE(snoop_.Active()) << "the end is reported once the capture is closed";
            ends_.push_back(end.cause);
            endReasons_.push_back(end.reason);
        });
    }

    std::string File(const std::vector<PcapRecord>& records, uint32_t linkType = 1,
                     size_t truncateLast = 0) {
        const std::string path = dir_.Path("c" + std::to_string(files_++) + ".pcap");
        WritePcap(path, records, linkType, truncateLast);
        return path;
    }

    std::vector<std::string> Payloads() const {
        std::vector<std::string> payloads;
        for (const Delivery& d : deliveries_) {
            payloads.push_back(d.payload);
        }
        return payloads;
    }

    // Waits for the capture thread to ask for a hand-over, without serving it.
    bool WaitForWake(int count) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (wakes_.load() < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    test::TempFolder dir_{"kestro-capture-"};
    int files_ = 0;
    std::vector<std::string> messages_;
    TSnoopTCPData snoop_{[this](const std::string& text) { messages_.push_back(text); }};
    std::vector<Delivery> deliveries_;
    std::atomic<int> wakes_{0};
    bool throwOnDelivery_ = false;
    ptrdiff_t linkHeaderLength_ = 14;
    std::vector<TSnoopEnd::Cause> ends_;
    std::vector<std::string> endReasons_;
};

using Cause = TSnoopEnd::Cause;

std::vector<PcapRecord> MixedTraffic() {
    const FrameLayout first = Segment("first");
    FrameLayout ipv6 = Segment("v6");
    ipv6.etherType = 0x86DD;
    const FrameLayout otherPort = Segment("other port", 80);
    FrameLayout options = Segment("with options");
    options.dataOffset = 8;
    return {
        {BuildFrame(first)},
        {BuildFrame(Segment(""))},  // a pure acknowledgement
        {BuildFrame(ipv6)},
        {BuildFrame(otherPort)},
        {BuildFrame(options)},
        {BuildFrame(Segment("cut short")), 14 + 20 + 20 + 3},
        {BuildFrame(Segment("last"))},
    };
}

TEST_F(SnoopFileTest, ReadsAFileToItsEndAndDeliversEachPayloadOnTheMainThread) {
    std::atomic<int> framesSeen{0};
    snoop_.SetFrameHook([&framesSeen](const pcap_pkthdr&) {
        ++framesSeen;
        return true;
    });
    const Result opened = snoop_.OpenFile(File(MixedTraffic()));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    EXPECT_EQ(snoop_.DataLink(), DLT_EN10MB);

    snoop_.ServeUntilThreadEnds();

    EXPECT_EQ(Payloads(), (std::vector<std::string>{"first", "with options", "cut", "last"}));
    for (const Delivery& d : deliveries_) {
        EXPECT_EQ(d.thread, std::this_thread::get_id());
    }
    // The filter keeps the port-80 frame and the non-IPv4 one from the capture
    // thread; the hook sees the rest, the pure acknowledgement among them.
    EXPECT_EQ(framesSeen.load(), 5);
    // One hand-over per delivered payload and one for the end handler: frames
    // that raise no event never leave the capture thread.
    EXPECT_EQ(wakes_.load(), 5);
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.HasCaptureThread());
    EXPECT_EQ(snoop_.DataLink(), -1) << "the end handler closes the handle";
    EXPECT_EQ(snoop_.LastError(), "") << "the end of a file is no failure";
    EXPECT_EQ(ends_, std::vector<Cause>{Cause::EndOfFile});
}

TEST_F(SnoopFileTest, WithoutThreadSafeTheHandlerRunsOnTheCaptureThreadButTheEndHandlerDoesNot) {
    snoop_.SetThreadSafe(false);
    const Result opened = snoop_.OpenFile(File(MixedTraffic()));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    ASSERT_TRUE(WaitForWake(1));
    // The capture thread now waits for the main thread to run its end handler.
    EXPECT_TRUE(snoop_.Active());
    snoop_.ServeUntilThreadEnds();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(wakes_.load(), 1);
    ASSERT_EQ(deliveries_.size(), 4u);
    for (const Delivery& d : deliveries_) {
        EXPECT_NE(d.thread, std::this_thread::get_id());
    }
}

// The headers are found once, on the capture thread, and raised later, on
// either thread: each event must carry its own frame's places, also when frames
// without payload were tested in between.
// Each connection's bytes are handed on once: a resend merging two segments
// brings nothing new, a SYN (without data) starts a connection on the same
// ports afresh, even at numbers behind the old one's.
TEST_F(SnoopFileTest, BytesAreHandedOnOncePerConnectionAndAfreshAfterASyn) {
    auto at = [](uint32_t sequence, const std::string& payload) {
        FrameLayout layout;
        layout.payload = Text(payload);
        layout.sequenceNumber = sequence;
        return layout;
    };
    Bytes syn = BuildFrame(at(49, ""));
    syn[14 + 20 + 13] = 0x02;
    const Result opened = snoop_.OpenFile(File({{BuildFrame(at(100, "one"))},
                                                {BuildFrame(at(103, "two"))},
                                                {BuildFrame(at(100, "onetwo"))},
                                                {syn},
                                                {BuildFrame(at(50, "three"))}}));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    snoop_.ServeUntilThreadEnds();
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(SnoopFileTest, EachEventCarriesItsOwnFramesHeaderPlacesInBothThreadModes) {
    auto segment = [](const std::string& payload, uint8_t ihl, uint8_t dataOffset) {
        FrameLayout frame = Segment(payload);
        frame.ihl = ihl;
        frame.dataOffset = dataOffset;
        return PcapRecord{BuildFrame(frame)};
    };
    const std::vector<PcapRecord> records = {
        segment("plain", 5, 5),        segment("", 7, 9),
        segment("ip options", 7, 5),   segment("", 5, 5),
        segment("tcp options", 5, 10), segment("both", 6, 8),
        segment("", 15, 15),           segment("end", 5, 5),
    };
    for (const bool threadSafe : {true, false}) {
        SCOPED_TRACE(threadSafe ? "ThreadSafe" : "capture thread");
        deliveries_.clear();
        snoop_.SetThreadSafe(threadSafe);
        const Result opened = snoop_.OpenFile(File(records));
        ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
        snoop_.ServeUntilThreadEnds();

        ASSERT_EQ(Payloads(),
                  (std::vector<std::string>{"plain", "ip options", "tcp options", "both", "end"}));
        const std::ptrdiff_t ipLengths[] = {20, 28, 20, 24, 20};
        const std::ptrdiff_t tcpLengths[] = {20, 20, 40, 32, 20};
        for (size_t i = 0; i < deliveries_.size(); ++i) {
            EXPECT_EQ(deliveries_[i].ipHeaderLength, ipLengths[i]) << deliveries_[i].payload;
            EXPECT_EQ(deliveries_[i].tcpHeaderLength, tcpLengths[i]) << deliveries_[i].payload;
        }
    }
}

TEST_F(SnoopFileTest, CloseDeliversTheFramePendingInAHandOverExactlyOnce) {
    const Result opened = snoop_.OpenFile(File({{BuildFrame(Segment("one"))},
                                                {BuildFrame(Segment("two"))},
                                                {BuildFrame(Segment("three"))}}));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    // Nobody serves: the capture thread is stuck in the hand-over of "one".
    ASSERT_TRUE(WaitForWake(1));
    EXPECT_TRUE(deliveries_.empty());

    const auto start = std::chrono::steady_clock::now();
    snoop_.Close();
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(Payloads(), std::vector<std::string>{"one"});
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.HasCaptureThread());
    EXPECT_EQ(snoop_.DataLink(), -1);
    EXPECT_LT(elapsed, 2s) << "Close must not wait for a hand-over nobody serves";
    // The wake-ups the window would have queued arrive late and find nothing.
    EXPECT_FALSE(snoop_.RunPendingHandOver());
    EXPECT_FALSE(snoop_.RunPendingHandOver());
    EXPECT_EQ(deliveries_.size(), 1u);
    EXPECT_TRUE(ends_.empty()) << "a Close is no end of its own";
}

// The file ends and the thread waits to hand its end over; a Close that comes
// first is what the user did, so no end is reported on top of it.
TEST_F(SnoopFileTest, AnEndThatMeetsACloseIsNotReported) {
    const Result opened = snoop_.OpenFile(File({}));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    ASSERT_TRUE(WaitForWake(1));
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_TRUE(ends_.empty());
    EXPECT_FALSE(snoop_.LastEnd().has_value());
}

TEST_F(SnoopFileTest, CloseStopsARunningThreadEvenWhenCaptureWasSwitchedOff) {
    const Result opened =
        snoop_.OpenFile(File({{BuildFrame(Segment("one"))}, {BuildFrame(Segment("two"))}}));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    ASSERT_TRUE(WaitForWake(1));
    snoop_.SetCaptureEnabled(false);
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_FALSE(snoop_.HasCaptureThread());
    EXPECT_EQ(snoop_.DataLink(), -1);
    EXPECT_EQ(Payloads(), std::vector<std::string>{"one"});
}

TEST_F(SnoopFileTest, AHookThatSaysStopEndsTheCaptureAndDropsItsFrame) {
    // A paced replay's hook gives up waiting when its window closes; the frame it
    // held must not be delivered after that.
    int seen = 0;
    snoop_.SetFrameHook([&seen](const pcap_pkthdr&) { return ++seen < 2; });
    const Result opened = snoop_.OpenFile(File({{BuildFrame(Segment("one"))},
                                                {BuildFrame(Segment("two"))},
                                                {BuildFrame(Segment("three"))}}));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    snoop_.ServeUntilThreadEnds();

    EXPECT_EQ(Payloads(), std::vector<std::string>{"one"});
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.LastError(), "") << "a stop is no failure";
    EXPECT_EQ(ends_, std::vector<Cause>{Cause::HookStopped});
}

TEST_F(SnoopFileTest, AHandlerThatThrowsEndsTheCaptureAndLeavesLastErrorAlone) {
    for (const bool threadSafe : {true, false}) {
        SCOPED_TRACE(threadSafe ? "ThreadSafe" : "on the capture thread");
        deliveries_.clear();
        ends_.clear();
        throwOnDelivery_ = true;
        snoop_.SetThreadSafe(threadSafe);
        // No adapter: leaves a failure text behind.
        ASSERT_EQ(snoop_.Open().Reason(), "Snoop Error: Invalid AdapterName");
        ASSERT_EQ(snoop_.LastError(), "Snoop Error: Invalid AdapterName");

        const Result opened =
            snoop_.OpenFile(File({{BuildFrame(Segment("one"))}, {BuildFrame(Segment("two"))}}));
        ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
        snoop_.ServeUntilThreadEnds();

        EXPECT_EQ(Payloads(), std::vector<std::string>{"one"});
        EXPECT_FALSE(snoop_.Active());
        EXPECT_EQ(snoop_.DataLink(), -1);
        EXPECT_EQ(snoop_.LastError(), "Snoop Error: Invalid AdapterName");
        EXPECT_EQ(ends_, std::vector<Cause>{Cause::HandlerFailed});
    }
}

TEST_F(SnoopFileTest, AReadErrorEndsTheCaptureWithItsOwnText) {
    const Result opened = snoop_.OpenFile(
        File({{BuildFrame(Segment("whole"))}, {BuildFrame(Segment("broken"))}}, DLT_EN10MB, 5));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    snoop_.ServeUntilThreadEnds();
    EXPECT_EQ(Payloads(), std::vector<std::string>{"whole"});
    EXPECT_FALSE(snoop_.Active());
    // libpcap's reason is kept: the user learns the file was cut short, and where.
    const std::string expected =
        "Snoop Error: pcap_next_ex return -1: truncated dump file; tried to read 60 captured "
        "bytes, only got 55";
    EXPECT_EQ(snoop_.LastError(), expected);
    snoop_.Close();  // already closed: nothing to do, no new text
    EXPECT_EQ(snoop_.LastError(), expected);
    EXPECT_EQ(ends_, std::vector<Cause>{Cause::ReadError});
    ASSERT_EQ(endReasons_.size(), 1u);
    EXPECT_NE(endReasons_[0].find("truncated"), std::string::npos) << "libpcap's own words";
    ASSERT_TRUE(snoop_.LastEnd().has_value());
    EXPECT_EQ(snoop_.LastEnd()->reason, endReasons_[0]);
}

// The same frames behind each link header the component reads; any other link
// is refused at open, by name.
TEST_F(SnoopFileTest, EveryReadableLinkDeliversWhatEthernetDoesAndOthersAreRefusedByName) {
    struct LinkCase {
        int linkType;
        Bytes header;
    };
    Bytes sll(16, 0), sll2(20, 0);
    sll[14] = sll2[0] = 0x08;
    const LinkCase links[] = {
        {DLT_EN10MB, Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x08, 0x00}},
        {DLT_LINUX_SLL, sll},
        {DLT_LINUX_SLL2, sll2},
        {DLT_RAW, {}},
        {test::kRawLinkTypeInFiles, {}},
        {DLT_IPV4, {}},
        {DLT_NULL, Bytes{2, 0, 0, 0}},
        {DLT_LOOP, Bytes{0, 0, 0, 2}},
    };
    const auto behind = [](const Bytes& header, const std::string& payload) {
        Bytes packet = BuildFrame(Segment(payload));
        packet.erase(packet.begin(), packet.begin() + 14);
        packet.insert(packet.begin(), header.begin(), header.end());
        return packet;
    };
    for (const LinkCase& c : links) {
        SCOPED_TRACE(c.linkType);
        deliveries_.clear();
        linkHeaderLength_ = static_cast<ptrdiff_t>(c.header.size());
        const Result opened = snoop_.OpenFile(
            File({{behind(c.header, "one")}, {behind(c.header, "")}, {behind(c.header, "two")}},
                 static_cast<uint32_t>(c.linkType)));
        ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
        EXPECT_EQ(snoop_.RefusedLinkType(), -1);
        snoop_.ServeUntilThreadEnds();
        EXPECT_EQ(Payloads(), (std::vector<std::string>{"one", "two"}));
    }

    EXPECT_EQ(snoop_.OpenFile(File({{Bytes(60, 0)}}, DLT_IEEE802_11)).Reason(),
              "Snoop Error: Kestro cannot read link type IEEE802_11");
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: Kestro cannot read link type IEEE802_11");
    EXPECT_EQ(snoop_.RefusedLinkType(), DLT_IEEE802_11);
    EXPECT_EQ(snoop_.DataLink(), -1);
    EXPECT_FALSE(snoop_.HasCaptureThread());
}

TEST_F(SnoopFileTest, AThreadThatEndedByItselfIsReleasedAtTheNextOpen) {
    const std::string path = File({{BuildFrame(Segment("again"))}});
    const Result opened = snoop_.OpenFile(path);
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    // Serve the way a window's event loop would, one wake-up at a time.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (snoop_.Active() && std::chrono::steady_clock::now() < deadline) {
        snoop_.RunPendingHandOver();
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_FALSE(snoop_.Active());
    EXPECT_TRUE(snoop_.HasCaptureThread()) << "held until the next Open, Close or destruction";

    const Result again = snoop_.OpenFile(path);
    ASSERT_TRUE(again && snoop_.Active()) << again.Reason();
    snoop_.ServeUntilThreadEnds();
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"again", "again"}));
}

TEST_F(SnoopFileTest, OpenWhileActiveChangesNothingButLastError) {
    const Result opened =
        snoop_.OpenFile(File({{BuildFrame(Segment("one"))}, {BuildFrame(Segment("two"))}}));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    EXPECT_EQ(snoop_.OpenFile(File({{BuildFrame(Segment("other"))}})).Reason(),
              "Snoop Error: Already open");
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: Already open");
    EXPECT_EQ(snoop_.Open().Reason(), "Snoop Error: Already open");
    EXPECT_TRUE(snoop_.Active());
    snoop_.ServeUntilThreadEnds();
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(SnoopFileTest, WithCaptureDisabledTheHandleIsOpenButNothingIsRead) {
    snoop_.SetCaptureEnabled(false);
    const Result opened = snoop_.OpenFile(File({{BuildFrame(Segment("never"))}}));
    EXPECT_TRUE(opened && snoop_.Active()) << opened.Reason();
    EXPECT_FALSE(snoop_.HasCaptureThread());
    EXPECT_EQ(snoop_.DataLink(), DLT_EN10MB);
    snoop_.ServeFor(100ms);

    // Switched on afterwards, there is no thread that Close could stop.
    snoop_.SetCaptureEnabled(true);
    snoop_.Close();
    EXPECT_EQ(snoop_.LastError(), "Snoop Error: No thread to stop");
    EXPECT_EQ(messages_, std::vector<std::string>{"Snoop Error: No thread to stop"});
    EXPECT_TRUE(snoop_.Active());
    EXPECT_EQ(snoop_.DataLink(), DLT_EN10MB);

    snoop_.SetCaptureEnabled(false);
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.DataLink(), -1);
    snoop_.Close();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_TRUE(deliveries_.empty());
    EXPECT_EQ(wakes_.load(), 0);
}

TEST_F(SnoopFileTest, ABadFilterLeavesLibpcapsTextAndNoCapture) {
    snoop_.SetFilter("tcp port");
    const Result failed = snoop_.OpenFile(File({{BuildFrame(Segment("x"))}}));
    EXPECT_FALSE(failed || snoop_.Active());
    EXPECT_NE(failed.Reason().find("syntax error"), std::string::npos) << failed.Reason();
    EXPECT_EQ(snoop_.LastError(), failed.Reason());
    EXPECT_EQ(snoop_.DataLink(), -1) << "the handle without its filter is closed at once";
    EXPECT_FALSE(snoop_.HasCaptureThread());
}

TEST_F(SnoopFileTest, AFailedOpenKeepsItsTextThroughALaterSuccess) {
    const std::string failure = snoop_.OpenFile(dir_.Path("missing.pcap")).Reason();
    EXPECT_FALSE(snoop_.Active());
    EXPECT_EQ(snoop_.LastError(), failure);
    EXPECT_NE(failure.find("missing.pcap"), std::string::npos) << failure;

    const Result opened = snoop_.OpenFile(File({{BuildFrame(Segment("x"))}}));
    EXPECT_TRUE(opened && snoop_.Active()) << opened.Reason();
    EXPECT_EQ(snoop_.LastError(), failure);
    snoop_.ServeUntilThreadEnds();
    EXPECT_EQ(snoop_.LastError(), failure);
}

TEST_F(SnoopFileTest, ReportsTheLinkTypeSoCallersCanRefuseNonEthernetFiles) {
    snoop_.SetFilter("");
    snoop_.SetCaptureEnabled(false);
    const Result opened = snoop_.OpenFile(File({{Bytes(40, 0x45)}}, DLT_RAW));
    ASSERT_TRUE(opened && snoop_.Active()) << opened.Reason();
    EXPECT_EQ(snoop_.DataLink(), DLT_RAW);
    snoop_.Close();
}

TEST_F(SnoopFileTest, DestructionStopsACaptureBlockedInAHandOver) {
    std::vector<std::string> seen;
    {
        TSnoopTCPData snoop([](const std::string&) {});
        std::atomic<bool> woken{false};
        snoop.SetMainThreadWake([&woken] { woken = true; });
        snoop.SetOnCaptureTCPData([&seen](TSnoopTCPData*, const pcap_pkthdr*, const uint8_t*,
                                          const uint8_t*, const uint8_t*, const uint8_t* data,
                                          int32_t length) {
            seen.emplace_back(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
        });
        const Result opened =
            snoop.OpenFile(File({{BuildFrame(Segment("one"))}, {BuildFrame(Segment("two"))}}));
        ASSERT_TRUE(opened && snoop.Active()) << opened.Reason();
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!woken && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_TRUE(woken);
    }
    EXPECT_EQ(seen, std::vector<std::string>{"one"});
}

TEST_F(SnoopFileTest, DestructionClosesAHandleThatCloseWouldRefuse) {
    std::vector<std::string> messages;
    {
        TSnoopTCPData snoop([&messages](const std::string& text) { messages.push_back(text); });
        snoop.SetCaptureEnabled(false);
        const Result opened = snoop.OpenFile(File({{BuildFrame(Segment("x"))}}));
        ASSERT_TRUE(opened && snoop.Active()) << opened.Reason();
        snoop.SetCaptureEnabled(true);
    }
    // LeakSanitizer reports the handle if it was left open.
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace kestro
