#include "scenario.h"

#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/frames.h"
#include "common/clock.h"
#include "common/cp932.h"
#include "common/datetime.h"
#include "game/decoder.h"
#include "notify/log.h"
#include "pcap_writer.h"
#include "support/portable.h"
#include "support/temp_folder.h"

namespace kestro::scenario {
namespace {

namespace fs = std::filesystem;

class RecordingSink final : public GameEventSink {
public:
    void HandleMapChange(const std::string& mapName) override {
        events.push_back("map " + mapName);
    }
    void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) override {
        events.push_back("ticket " + std::to_string(kind) + " " + char(runner) + " " +
                         char(second));
    }
    void HandleAnnouncement(const std::string& text) override {
        events.push_back("announce " + text);
    }
    void HandleServerChange(const std::string& server) override {
        events.push_back("server " + server);
    }
    std::vector<std::string> events;
};

class NullLogView final : public LogView {
public:
    void SetStatusText(std::string_view) override {}
    void AppendLogLine(std::string_view) override {}
};

struct Replayed {
    std::vector<std::string> events;
    std::vector<std::string> payloadTimes;  // wall clock of each delivered payload
    int frames = 0;
};

// Reads a capture file the way the capture component does: header tests, then the decoder.
Replayed Replay(const std::string& path) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* pcap = pcap_open_offline(path.c_str(), error);
    EXPECT_NE(pcap, nullptr) << error;
    Replayed out;
    if (pcap == nullptr) {
        return out;
    }
    EXPECT_EQ(pcap_datalink(pcap), DLT_EN10MB);
    SettableClock clock;
    NullLogView view;
    Log log(clock, view);
    RecordingSink sink;
    const uint8_t logLevel = 0;
    Decoder decoder(sink, log, logLevel);
    pcap_pkthdr* header = nullptr;
    const u_char* frame = nullptr;
    while (pcap_next_ex(pcap, &header, &frame) == 1) {
        ++out.frames;
        const uint8_t* ip = nullptr;
        uint32_t ipCaptured = 0;
        const uint8_t* tcp = nullptr;
        const uint8_t* data = nullptr;
        int32_t length = 0;
        if (GetIPHeader(frame, header->caplen, &ip, &ipCaptured) &&
            GetTCPHeader(ip, ipCaptured, &tcp) && GetTCPData(ip, ipCaptured, tcp, &data, &length)) {
            out.payloadTimes.push_back(
                FormatHhMmSsZzz(FromUnixTime(header->ts.tv_sec, header->ts.tv_usec)));
            decoder.SnoopTCPDataCaptureTCPData(data, length);
        }
    }
    pcap_close(pcap);
    out.events = sink.events;
    return out;
}

std::string WriteFrames(const fs::path& path, const std::vector<Frame>& frames) {
    PcapWriter writer;
    std::string error;
    EXPECT_TRUE(writer.Open(path, error)) << error;
    for (const Frame& f : frames) {
        writer.Write(f.seconds, f.microseconds, f.bytes);
    }
    EXPECT_TRUE(writer.Commit(error)) << error;
    return path;
}

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.Ok()); }
    const test::ScopedEnv tz_{"TZ", "Asia/Tokyo"};
    test::TempFolder folder_{"kestro-scenario-"};
    const fs::path& dir_ = folder_.Path();
};

TEST_F(ScenarioTest, RoundTripGivesBackTheEventsTextsAndWallClock) {
    const std::string scenario = R"(# a Singles race seen from the track
date 2009-03-28
12:00:00.5 server announce "約3分後にモンスターレースシングルスがスタートします。"
12:00:00.600 server announce2 "\x35番のモンスターがゴールしました。"
12:00:03 server map p_track01.gat
12:00:03.250 server map71 hugel.gat
12:00:03.500 server map92 p_track02.gat
12:00:04.000 client ticket single 3
12:00:04.000 client ticket double \x82 5
12:00:05.000 client raw b1 00 01 02 03 04 05 06 91 00 41 2e 67 61 74 00
12:00:05.100 client ack
  # an indented comment, and a text with a quote and a backslash
23:59:58.123456 server announce "say \"hi\" \\ bye"
)";
    const fs::path path = dir_ / "race.pcap";
    WriteFrames(path, BuildScenario(scenario));
    const Replayed r = Replay(path);

    const std::vector<std::string> events = {
        "announce " + Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。"),
        "announce " + Utf8ToCp932("5番のモンスターがゴールしました。"),
        "map p_track01.gat",
        "map hugel.gat",
        "map p_track02.gat",
        "ticket 0 3 0",
        "ticket 1 \x82 5",
        "map A.gat",
        "announce say \"hi\" \\ bye",
    };
    EXPECT_EQ(r.events, events);
    // 6 server segments each with the client's ACK, 3 client segments, 1 explicit ACK.
    EXPECT_EQ(r.frames, 16);
    const std::vector<std::string> times = {"12:00:00.500", "12:00:00.600", "12:00:03.000",
                                            "12:00:03.250", "12:00:03.500", "12:00:04.000",
                                            "12:00:04.000", "12:00:05.000", "23:59:58.123"};
    EXPECT_EQ(r.payloadTimes, times);
}

TEST_F(ScenarioTest, FramesCarryValidChecksumsAndAdvancingSequenceNumbers) {
    const std::vector<Frame> frames = BuildScenario(
        "12:00:00 server announce \"abc\"\n"
        "12:00:01 client raw 01 02 03\n"
        "12:00:02 server map hugel.gat\n");
    ASSERT_EQ(frames.size(), 5u);
    uint32_t clientSeq = 0;
    uint32_t serverSeq = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const Bytes& f = frames[i].bytes;
        ASSERT_GE(f.size(), 54u);
        const std::span<const uint8_t> ip(f.data() + 14, 20);
        EXPECT_EQ(InternetChecksum(ip), 0) << "IPv4 header checksum";
        const size_t tcpLength = f.size() - 34;
        const uint32_t pseudo = (uint32_t(ip[12] << 8 | ip[13]) + uint32_t(ip[14] << 8 | ip[15]) +
                                 uint32_t(ip[16] << 8 | ip[17]) + uint32_t(ip[18] << 8 | ip[19]) +
                                 6 + uint32_t(tcpLength));
        EXPECT_EQ(InternetChecksum(std::span(f).subspan(34), pseudo), 0) << "TCP checksum";
        EXPECT_EQ(size_t(ip[2] << 8 | ip[3]), f.size() - 14) << "IP total length";

        const bool fromServer = (f[34] << 8 | f[35]) == 5121;
        const uint32_t seq = uint32_t(f[38] << 24 | f[39] << 16 | f[40] << 8 | f[41]);
        const uint32_t ack = uint32_t(f[42] << 24 | f[43] << 16 | f[44] << 8 | f[45]);
        const size_t payload = f.size() - 54;
        EXPECT_EQ(f[47], payload > 0 ? 0x18 : 0x10) << "PSH|ACK on data, ACK alone otherwise";
        if (i > 0) {
            EXPECT_EQ(seq, fromServer ? serverSeq : clientSeq);
            EXPECT_EQ(ack, fromServer ? clientSeq : serverSeq);
        }
        (fromServer ? serverSeq : clientSeq) = seq + uint32_t(payload);
        (fromServer ? clientSeq : serverSeq) = ack;
    }
}

TEST(ScenarioPacketTest, AnnouncerLengthFieldsEqualThePacketLength) {
    for (const Bytes& p : {AnnouncerPacket("abc"), Announcer2Packet("hello world")}) {
        EXPECT_EQ(size_t(p[2] | p[3] << 8), p.size());
        EXPECT_EQ(p.back(), 0);
    }
}

struct BadLine {
    const char* text;
    int line;
    const char* says;
};

TEST(ScenarioParseTest, BadLinesNameTheirLine) {
    const std::vector<BadLine> cases = {
        {"12:00:00 server bogus", 1, "unknown event"},
        {"# ok\n\n12:00 server ack", 3, "expected a time"},
        {"12:00:00 server announce \"open", 1, "closing quote"},
        {"12:00:00 server announce \"a\\qb\"", 1, "bad escape"},
        {"12:00:00 sideways ack", 1, "server|client"},
        {"12:00:01 client ack\n12:00:00 client ack", 2, "backwards"},
        {"date 2009-13-01", 1, "bad date"},
        {"12:00:00 client ticket single 12", 1, "runner"},
        {"12:00:00 client ticket triple 1 2", 1, "ticket single"},
        {"12:00:00 client raw b1 0", 1, "hex"},
        {"12:00:00 client raw zz", 1, "hex"},
        {"12:00:00 client raw", 1, "at least one byte"},
        {"12:00:00 server map a_map_name_too_long.gat", 1, "15 bytes"},
        {"24:00:00 client ack", 1, "expected a time"},
        {"12:00:00.1234567 client ack", 1, "expected a time"},
        {"12:00:00 server announce \"\xF0\x9F\x90\x8E\"", 1, "Shift-JIS"},
        {"12:00:00 client ack extra", 1, "expected"},
    };
    for (const BadLine& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            BuildScenario(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const ScenarioError& e) {
            EXPECT_EQ(e.line(), c.line);
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    const std::string longText(1500, 'a');
    EXPECT_THROW(BuildScenario("12:00:00 server announce \"" + longText + "\""), ScenarioError);
}

int RunTool(const std::string& args) {
    const std::string tool = std::string(KESTRO_BINARY_DIR) + "/tools/scenario/kestro-scenario";
    const int status = std::system((tool + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ScenarioTest, ToolRejectsABadScenarioWithoutLeavingAFile) {
    const fs::path in = dir_ / "bad.txt";
    const fs::path out = dir_ / "bad.pcap";
    std::ofstream(in) << "12:00:00 server map hugel.gat\n12:00:01 server sing \"la\"\n";
    EXPECT_EQ(RunTool(in.string() + " " + out.string()), 2);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "only the scenario itself, no partial capture";

    std::ofstream(in) << "12:00:00 server map hugel.gat\n";
    EXPECT_EQ(RunTool(in.string() + " " + out.string()), 0);
    EXPECT_EQ(Replay(out).events, std::vector<std::string>{"map hugel.gat"});
    EXPECT_EQ(RunTool(in.string() + " " + (dir_ / "no-such-dir" / "x.pcap").string()), 1);
}

TEST_F(ScenarioTest, BulkCaptureIsTheSameEveryTimeAndMostlyGameTraffic) {
    const fs::path a = dir_ / "a.pcap";
    const fs::path b = dir_ / "b.pcap";
    ASSERT_EQ(RunTool("--bulk 3000 " + a.string()), 0);
    ASSERT_EQ(RunTool("--bulk 3000 " + b.string()), 0);
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    const std::string bytesA((std::istreambuf_iterator<char>(fa)), {});
    const std::string bytesB((std::istreambuf_iterator<char>(fb)), {});
    EXPECT_EQ(bytesA, bytesB);

    const Replayed r = Replay(a);
    EXPECT_EQ(r.frames, 3000);
    int announcements = 0, maps = 0, tickets = 0;
    for (const std::string& e : r.events) {
        announcements += e.starts_with("announce ");
        maps += e.starts_with("map ");
        tickets += e.starts_with("ticket ");
    }
    // Roughly 7 %, 6 % and 3 % of the frames; wide bounds, the sequence is fixed anyway.
    EXPECT_GT(announcements, 100);
    EXPECT_GT(maps, 80);
    EXPECT_GT(tickets, 40);
    EXPECT_GT(r.payloadTimes.size(), 2000u);
    EXPECT_LT(r.payloadTimes.size(), 2700u) << "pure ACKs and other traffic deliver nothing";
}

TEST_F(ScenarioTest, SessionBulkMixIsFixedAndRarelyRaisesAnEvent) {
    const fs::path a = dir_ / "a.pcap";
    const fs::path b = dir_ / "b.pcap";
    const fs::path stress = dir_ / "stress.pcap";
    ASSERT_EQ(RunTool("--bulk 20000 --mix session " + a.string()), 0);
    ASSERT_EQ(RunTool("--bulk 20000 --mix session " + b.string()), 0);
    ASSERT_EQ(RunTool("--bulk 20000 --mix stress " + stress.string()), 0);
    auto bytesOf = [](const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), {});
    };
    EXPECT_EQ(bytesOf(a), bytesOf(b));
    EXPECT_NE(bytesOf(a), bytesOf(stress));

    // The stress mix stays what it was without the option, so older captures still compare.
    const fs::path plain = dir_ / "plain.pcap";
    ASSERT_EQ(RunTool("--bulk 20000 " + plain.string()), 0);
    EXPECT_EQ(bytesOf(plain), bytesOf(stress));

    const Replayed r = Replay(a);
    EXPECT_EQ(r.frames, 20000);
    int announcements = 0, maps = 0, tickets = 0;
    for (const std::string& e : r.events) {
        announcements += e.starts_with("announce ");
        maps += e.starts_with("map ");
        tickets += e.starts_with("ticket ");
    }
    // About 100, 100 and 20 expected; the bounds tell the mixes apart, not the exact draw.
    EXPECT_GT(announcements, 50);
    EXPECT_LT(announcements, 200);
    EXPECT_GT(maps, 50);
    EXPECT_LT(maps, 200);
    EXPECT_GT(tickets, 5);
    EXPECT_LT(tickets, 60);
    EXPECT_GT(r.payloadTimes.size(), 14000u);
}

TEST_F(ScenarioTest, BulkRefusesAnUnknownMix) {
    const fs::path out = dir_ / "x.pcap";
    EXPECT_EQ(RunTool("--bulk 10 --mix quiet " + out.string()), 2);
    EXPECT_EQ(RunTool("--bulk 10 --blend session " + out.string()), 2);
    EXPECT_FALSE(fs::exists(out));
}

// Every link gives the same payloads as Ethernet, read through the capture
// component's own link layer; an unknown link is refused and writes nothing.
TEST_F(ScenarioTest, EachLinkCarriesTheSamePayloadsAsEthernet) {
    const auto payloads = [](const fs::path& path, int& linkType) {
        char errbuf[PCAP_ERRBUF_SIZE] = {};
        pcap_t* handle = pcap_open_offline(path.c_str(), errbuf);
        EXPECT_NE(handle, nullptr) << errbuf;
        std::vector<std::string> seen;
        if (handle == nullptr) {
            return seen;
        }
        linkType = pcap_datalink(handle);
        pcap_pkthdr* header = nullptr;
        const u_char* frame = nullptr;
        while (pcap_next_ex(handle, &header, &frame) == 1) {
            const uint8_t* ip = nullptr;
            uint32_t ipCaptured = 0;
            const uint8_t* tcp = nullptr;
            const uint8_t* data = nullptr;
            int32_t length = 0;
            if (GetLinkIPHeader(linkType, frame, header->caplen, &ip, &ipCaptured) &&
                GetTCPHeader(ip, ipCaptured, &tcp) &&
                GetTCPData(ip, ipCaptured, tcp, &data, &length)) {
                seen.emplace_back(reinterpret_cast<const char*>(data), size_t(length));
            }
        }
        pcap_close(handle);
        return seen;
    };
    int ethernetType = -1;
    ASSERT_EQ(RunTool("--bulk 500 " + (dir_ / "ethernet.pcap").string()), 0);
    const std::vector<std::string> expected = payloads(dir_ / "ethernet.pcap", ethernetType);
    EXPECT_EQ(ethernetType, DLT_EN10MB);
    ASSERT_GT(expected.size(), 300u);
    const std::pair<const char*, int> links[] = {
        {"linux_sll", DLT_LINUX_SLL},
        {"linux_sll2", DLT_LINUX_SLL2},
        {"raw", DLT_RAW},
        {"ipv4", DLT_IPV4},
        {"null", DLT_NULL},
        {"loop", DLT_LOOP},
    };
    for (const auto& [name, dlt] : links) {
        SCOPED_TRACE(name);
        const fs::path out = dir_ / (std::string(name) + ".pcap");
        ASSERT_EQ(RunTool(std::string("--link ") + name + " --bulk 500 " + out.string()), 0);
        int linkType = -1;
        EXPECT_EQ(payloads(out, linkType), expected);
        EXPECT_EQ(linkType, dlt);
    }
    const fs::path refused = dir_ / "wifi.pcap";
    EXPECT_EQ(RunTool("--link ieee802_11 --bulk 10 " + refused.string()), 2);
    EXPECT_FALSE(fs::exists(refused));
}

}  // namespace
}  // namespace kestro::scenario
