#include "game/decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/cp932.h"
#include "common/race_types.h"
#include "notify/log.h"
#include "support/frames.h"

namespace kestro {
namespace {

using test::Bytes;
using test::Text;

// Each event as one readable line, so that a case states what reaches the handlers.
class RecordingSink final : public GameEventSink {
public:
    void HandleMapChange(const std::string& mapName) override {
        events.push_back("map " + mapName);
    }
    void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) override {
        events.push_back("ticket " + std::to_string(kind) + " " + std::to_string(runner) + " " +
                         std::to_string(second));
    }
    void HandleAnnouncement(const std::string& text) override {
        events.push_back("announce " + text);
    }
    void HandleServerChange(const std::string& server) override {
        events.push_back("server " + server);
    }
    std::vector<std::string> events;
};

class RecordingLogView final : public LogView {
public:
    void SetStatusText(std::string_view cp932) override { status.emplace_back(cp932); }
    void AppendLogLine(std::string_view cp932Line) override { lines.emplace_back(cp932Line); }
    std::vector<std::string> status;
    std::vector<std::string> lines;
};

struct DecoderFixture {
    SettableClock clock{EncodeDateTime(2009, 3, 27, 12, 34, 56, 789)};
    RecordingLogView view;
    Log log{clock, view};
    RecordingSink sink;
    uint8_t logLevel = 7;
    Decoder decoder{sink, log, logLevel};

    void Feed(const Bytes& payload) {
        decoder.SnoopTCPDataCaptureTCPData(payload.data(), static_cast<int32_t>(payload.size()));
    }
};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

Bytes Zeros(size_t n) {
    return Bytes(n, 0);
}
Bytes Filled(size_t n, uint8_t b) {
    return Bytes(n, b);
}
const Bytes kSkip = {0xB1, 0x00, 1, 2, 3, 4, 5, 6};

// A packet of `size` bytes (filled with 'x') with `id` at 0 and `bytes` put at `position`.
Bytes PacketWith(uint16_t id, size_t size, std::initializer_list<std::pair<size_t, Bytes>> puts) {
    Bytes p(size, 'x');
    p[0] = uint8_t(id & 0xFF);
    p[1] = uint8_t(id >> 8);
    for (const auto& [position, bytes] : puts) {
        std::copy(bytes.begin(), bytes.end(), p.begin() + long(position));
    }
    return p;
}

const Bytes kBanNo = {0x94, 0xD4, 0x82, 0xCC};  // "番の"

struct Case {
    const char* name;
    Bytes payload;
    std::vector<std::string> events;
};

std::string Ticket(int kind, char runner, char second) {
    return "ticket " + std::to_string(kind) + " " + std::to_string(uint8_t(runner)) + " " +
           std::to_string(uint8_t(second));
}

std::vector<Case> DecodingCases() {
    const std::string announcer =
        Utf8ToCp932("約3分後にモンスターレースシングルスがスタートします。");
    const std::string longLine(1100, 'A');
    return {
        {"one byte", {0x91}, {}},
        {"id byte pair cut by the payload end", Concat({kSkip, {0x91}}), {}},
        {"only 00B1 packets", Concat({kSkip, kSkip}), {}},
        {"00B1 skip lands past the end", Concat({kSkip, {0xB1, 0x00, 1}}), {}},
        {"unknown id", Concat({{0x34, 0x12}, Text("p_track01.gat"), {0}}), {}},
        {"map 0091 behind one 00B1",
         Concat({kSkip, {0x91, 0x00}, Text("p_track02.gat"), {0}, Zeros(4)}),
         {"map p_track02.gat"}},
        {"map 0092 at 2", Concat({{0x92, 0x00}, Text("hugel.gat"), {0, 'z'}}), {"map hugel.gat"}},
        {"map 0071 at 6",
         Concat({{0x71, 0x00, 'a', 'b', 'c', 'd'}, Text("p_track01.gat"), {0}}),
         {"map p_track01.gat"}},
        {"map 0071 shorter than its field", {0x71, 0x00, 1, 2, 3}, {"map "}},
        {"map name ends at the payload end", Concat({{0x91, 0x00}, Text("hugel")}), {"map hugel"}},
        {"announcer 01C3 at 16",
         Concat({{0xC3, 0x01, 0, 0}, Filled(12, 0xFF), Text(announcer), {0}, Text("junk")}),
         {"announce " + announcer}},
        {"announcer 01F3 at 26",
         Concat({{0xF3, 0x01}, Filled(24, 0x11), Text("hello"), {0}}),
         {"announce hello"}},
        {"two announcer packets: only the first",
         Concat({{0xC3, 0x01},
                 Zeros(14),
                 Text("first"),
                 {0},
                 {0xC3, 0x01},
                 Zeros(14),
                 Text("second"),
                 {0}}),
         {"announce first"}},
        {"announcer text cut at the window end",
         Concat({{0xC3, 0x01}, Zeros(14), Text(longLine)}),
         {"announce " + std::string(1024 - 16, 'A')}},
        {"announcer text cut at the window end behind 00B1",
         Concat({kSkip, {0xC3, 0x01}, Zeros(14), Text(longLine)}),
         {"announce " + std::string(1024 - 16, 'A')}},
        {"announcer text ending just inside the window",
         Concat({{0xC3, 0x01}, Zeros(14), Filled(1024 - 17, 'B'), {0}, Text("C")}),
         {"announce " + std::string(1024 - 17, 'B')}},
        {"announcer shorter than its text position", {0xC3, 0x01, 5, 5, 5}, {"announce "}},
        {"ticket pattern 1",
         PacketWith(0x835B, 40, {{23, {0, 0, '3'}}, {26, kBanNo}}),
         {Ticket(0, '3', '0')}},
        {"ticket pattern 2",
         PacketWith(0x835B, 80, {{68, Text("FF0000")}, {74, {'4'}}}),
         {Ticket(0, '4', '0')}},
        {"ticket pattern 3",
         PacketWith(0x835B, 80, {{26, Text("0000FF")}, {32, {'5'}}, {72, {'2'}}}),
         {Ticket(1, '5', '2')}},
        {"ticket pattern 4",
         PacketWith(0x835B, 110, {{61, Text("0000FF")}, {67, {'1'}}, {107, {'6'}}}),
         {Ticket(1, '1', '6')}},
        {"ticket patterns 1 and 2 both match: pattern 1 decides",
         PacketWith(0x835B, 80,
                    {{23, {0, 0, '2'}}, {26, kBanNo}, {68, Text("FF0000")}, {74, {'6'}}}),
         {Ticket(0, '2', '0')}},
        {"ticket patterns 3 and 4 both match: pattern 3 decides",
         PacketWith(0x835B, 110,
                    {{26, Text("0000FF")},
                     {32, {'3'}},
                     {61, Text("0000FF")},
                     {72, {'4'}},
                     {67, {'1'}},
                     {107, {'6'}}}),
         {Ticket(1, '3', '4')}},
        {"ticket pattern 1 needs both zero bytes",
         PacketWith(0x835B, 40, {{23, {0, 1, '3'}}, {26, kBanNo}}),
         {}},
        {"ticket second runner beyond a short payload reads 0",
         PacketWith(0x835B, 33, {{26, Text("0000FF")}, {32, {'5'}}}),
         {Ticket(1, '5', 0)}},
        {"ticket pattern cut by the payload end", PacketWith(0x835B, 72, {{68, Text("FF00")}}), {}},
        {"ticket without pattern", PacketWith(0x835B, 120, {}), {}},
        {"ticket pattern 1 zeros read past a short payload", PacketWith(0x835B, 23, {}), {}},
        {"payload starting mid-packet with 91 00",
         Concat({{0x91, 0x00}, Text("x.gat"), {0}}),
         {"map x.gat"}},
    };
}

TEST(DecoderTest, DecodesTheFirstGamePacketOfEachPayload) {
    for (const Case& c : DecodingCases()) {
        SCOPED_TRACE(c.name);
        DecoderFixture f;
        f.Feed(c.payload);
        EXPECT_EQ(f.sink.events, c.events);
        EXPECT_EQ(f.decoder.PacketCount(), 1);
        EXPECT_TRUE(f.view.lines.empty()) << "LogLevel 7 writes no packet trace";
        EXPECT_TRUE(f.view.status.empty());
    }
}

TEST(DecoderTest, TextFromTheWindowIsNotReadPastAnExactlySizedPayload) {
    // A heap block of exactly the payload's size: ASan reports any read beyond it.
    for (size_t size = 1; size <= 40; ++size) {
        for (uint16_t id : {0x0071, 0x0091, 0x01C3, 0x01F3, 0x835B}) {
            DecoderFixture f;
            f.logLevel = 0xFF;
            auto* payload = new uint8_t[size];
            std::fill(payload, payload + size, uint8_t('7'));
            payload[0] = uint8_t(id);
            if (size > 1) {
                payload[1] = uint8_t(id >> 8);
            }
            f.decoder.SnoopTCPDataCaptureTCPData(payload, int32_t(size));
            delete[] payload;
            EXPECT_EQ(f.sink.events.size(), size > 1 && id != 0x835B ? 1u : 0u)
                << "id " << id << " size " << size;
        }
    }
}

struct TraceCase {
    const char* name;
    Bytes payload;
    const char* idHex;
};

TEST(DecoderTest, PacketTraceShowsTheDecodedIdAndTheWholePayloadLength) {
    const std::vector<TraceCase> cases = {
        {"one byte", {0x01}, "0000"},
        {"only 00B1", Concat({kSkip, kSkip}), "0000"},
        {"announcer", Concat({{0xC3, 0x01}, Zeros(94)}), "01C3"},
        {"announcer behind 00B1", Concat({kSkip, {0xF3, 0x01}, Zeros(30)}), "01F3"},
        {"ticket, upper-case hex", PacketWith(0x835B, 10, {}), "835B"},
        {"unknown id", {0x0A, 0xBC, 0}, "BC0A"},
    };
    for (const TraceCase& c : cases) {
        SCOPED_TRACE(c.name);
        DecoderFixture f;
        f.logLevel = log_bits::PacketTrace;
        f.Feed(c.payload);
        const std::string expected = "12:34:56.789 - " + Utf8ToCp932("パケット番号: ") + c.idHex +
                                     Utf8ToCp932(" パケット長: ") +
                                     std::to_string(c.payload.size());
        ASSERT_EQ(f.view.lines.size(), 1u);
        EXPECT_EQ(f.view.lines[0], expected);
        EXPECT_TRUE(f.view.status.empty()) << "the trace goes to the log only";
    }
}

TEST(DecoderTest, LogLevelIsReadAtEveryPayload) {
    DecoderFixture f;
    f.logLevel = 0xFF & ~log_bits::PacketTrace;
    f.Feed({0xC3, 0x01});
    EXPECT_TRUE(f.view.lines.empty());
    f.logLevel = log_bits::PacketTrace;
    f.Feed({0xC3, 0x01});
    EXPECT_EQ(f.view.lines.size(), 1u);
}

TEST(DecoderTest, CountsEveryPayloadWhateverItHolds) {
    DecoderFixture f;
    f.Feed({0x01});
    f.Feed(Concat({kSkip, kSkip}));
    f.Feed(Concat({{0x91, 0x00}, Text("hugel.gat"), {0}}));
    f.Feed(PacketWith(0x835B, 120, {}));
    EXPECT_EQ(f.decoder.PacketCount(), 4);
    EXPECT_EQ(f.sink.events.size(), 1u);
}

}  // namespace
}  // namespace kestro
