// Scenario lines, one event each, become the frames of a single game connection:
//
//   # comment
//   date 2009-03-27                                  date of the times that follow
//   12:00:00.500 server announce "天の声のテキスト"   0x01C3, text at 16
//   12:00:00.600 server announce2 "..."              0x01F3, text at 26
//   12:00:03.000 server map p_track01.gat            0x0091 (map71: 0x0071, map92: 0x0092)
//   12:00:04.000 client ticket single 3              0x835B, Singles layout
//   12:00:04.000 client ticket double 2 5            0x835B, Doubles layout
//   12:00:05.000 client raw b1 00 01 02              any payload, in hex
//   12:00:05.100 client ack                          a pure ACK
//
// Texts are UTF-8 and are written as CP932; "\xNN" puts in one raw byte, "\"" and "\\" a quote
// and a backslash. Times are local wall-clock times under TZ and must not go backwards.
#include "scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>
#include <optional>
#include <random>
#include <utility>

#include "common/cp932.h"

namespace kestro::scenario {
namespace {

constexpr size_t kMaxSegmentPayload = 1460;  // one Ethernet MSS
constexpr size_t kMapNameField = 16;

const Endpoint kClient{{0x02, 0x00, 0x00, 0x00, 0x00, 0x0A}, 0xC000020A, 50000};   // 192.0.2.10
const Endpoint kServer{{0x02, 0x00, 0x00, 0x00, 0x00, 0x14}, 0xC6336414, 5121};    // 198.51.100.20
const Endpoint kWebServer{{0x02, 0x00, 0x00, 0x00, 0x00, 0x1E}, 0xCB007105, 443};  // 203.0.113.5
const Endpoint kResolver{{0x02, 0x00, 0x00, 0x00, 0x00, 0x01}, 0xC0000201, 53};    // 192.0.2.1
// The server of another world, and the connection the machine holds to it.
const Endpoint kOtherServer{
    {0x02, 0x00, 0x00, 0x00, 0x00, 0x28}, 0xCB007114, 5121};  // 203.0.113.20
constexpr uint16_t kOtherWorldClientPort = 50100;
// The same client before NAT: a container's address and port.
const std::array<uint8_t, 6> kContainerMac{0x02, 0x42, 0x0A, 0x00, 0x03, 0x02};
constexpr uint32_t kContainerAddress = 0x0A000302;  // 10.0.3.2
constexpr uint16_t kContainerPortOffset = 10000;
// Further clients hear the server's payloads this much later, each after the last.
constexpr int64_t kClientLagMicros = 30000;
// An overlapping resend repeats this much of the segment before it.
constexpr size_t kOverlapBytes = 8;

void PutLe16(Bytes& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void PutText(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

void PutLength(Bytes& packet) {
    packet[2] = uint8_t(packet.size()), packet[3] = uint8_t(packet.size() >> 8);
}

}  // namespace

Bytes AnnouncerPacket(std::string_view text) {
    Bytes p;
    PutLe16(p, 0x01C3);
    PutLe16(p, 0);                                // length, below
    p.insert(p.end(), {0xFF, 0xFF, 0x00, 0x00});  // colour (yellow, as RGBA)
    PutLe16(p, 0x0190);                           // font weight
    PutLe16(p, 12);                               // font size
    PutLe16(p, 0);                                // alignment
    PutLe16(p, 0);                                // vertical position
    PutText(p, text);
    PutLength(p);
    return p;
}

Bytes Announcer2Packet(std::string_view text) {
    Bytes p;
    PutLe16(p, 0x01F3);
    PutLe16(p, 0);                                // length, below
    p.insert(p.end(), {0x35, 0x12, 0x00, 0x00});  // speaker id
    p.insert(p.end(), {0x00, 0xFF, 0xFF, 0x00});  // colour
    PutLe16(p, 0x0190);                           // font weight
    PutLe16(p, 12);                               // font size
    PutLe16(p, 0);                                // alignment
    PutLe16(p, 0);                                // vertical position
    p.insert(p.end(), 6, 0);                      // reserved
    PutText(p, text);
    PutLength(p);
    return p;
}

Bytes MapPacket(uint16_t id, std::string_view mapName) {
    Bytes p;
    PutLe16(p, id);
    if (id == 0x0071) {
        p.insert(p.end(), {0x81, 0x96, 0x0F, 0x00});  // character id
    }
    Bytes name(kMapNameField, 0);
    std::copy_n(mapName.begin(), std::min(mapName.size(), kMapNameField - 1), name.begin());
    p.insert(p.end(), name.begin(), name.end());
    if (id != 0x0071) {
        PutLe16(p, 150);  // x
        PutLe16(p, 97);   // y
    }
    if (id != 0x0091) {
        p.insert(p.end(), {198, 51, 100, 20});  // next map server
        PutLe16(p, 5121);
    }
    return p;
}

Bytes SinglesTicketPacket(uint8_t runner) {
    static const std::string kText = Utf8ToCp932("番のモンスターチケットを購入しました。");
    Bytes p(25, 0);
    p[0] = 0x5B;
    p[1] = 0x83;
    p.push_back(runner);  // at 25, "番の" follows at 26
    PutText(p, kText);
    return p;
}

Bytes DoublesTicketPacket(uint8_t runner, uint8_t second) {
    Bytes p(74, ' ');
    p[0] = 0x5B;
    p[1] = 0x83;
    const std::string_view colour = "0000FF";
    std::copy(colour.begin(), colour.end(), p.begin() + 26);
    p[32] = runner;
    p[72] = second;
    p[73] = 0;
    return p;
}

namespace {

struct Token {
    std::string text;  // CP932 bytes, escapes applied
    bool quoted;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class LineParser {
public:
    LineParser(std::string_view line, int lineNumber) : line_(line), number_(lineNumber) {}

    [[noreturn]] void Fail(const std::string& what) const { throw ScenarioError(number_, what); }

    std::vector<Token> Tokenize() {
        std::vector<Token> tokens;
        size_t i = 0;
        while (true) {
            while (i < line_.size() && (line_[i] == ' ' || line_[i] == '\t' || line_[i] == '\r')) {
                ++i;
            }
            if (i == line_.size()) {
                return tokens;
            }
            const bool quoted = line_[i] == '"';
            if (quoted) {
                ++i;
            }
            std::string text;
            std::string plain;  // UTF-8 not yet converted
            bool closed = !quoted;
            while (i < line_.size()) {
                const char c = line_[i];
                if (quoted && c == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
                    break;
                }
                if (c != '\\') {
                    plain += c;
                    ++i;
                    continue;
                }
                text += Convert(plain);
                plain.clear();
                if (i + 1 < line_.size() && (line_[i + 1] == '"' || line_[i + 1] == '\\')) {
                    text += line_[i + 1];
                    i += 2;
                } else if (i + 3 < line_.size() && line_[i + 1] == 'x' &&
                           HexDigit(line_[i + 2]) >= 0 && HexDigit(line_[i + 3]) >= 0) {
                    text += char(HexDigit(line_[i + 2]) * 16 + HexDigit(line_[i + 3]));
                    i += 4;
                } else {
                    Fail("bad escape; use \\xNN, \\\" or \\\\");
                }
            }
            if (!closed) {
                Fail("text without its closing quote");
            }
            text += Convert(plain);
            tokens.push_back({std::move(text), quoted});
        }
    }

private:
    std::string Convert(const std::string& utf8) const {
        try {
            return Utf8ToCp932(utf8);
        } catch (const std::exception&) {
            Fail("text that has no Shift-JIS (CP932) form: " + utf8);
        }
    }

    std::string_view line_;
    int number_;
};

bool ParseNumber(std::string_view s, int& value) {
    if (s.empty()) {
        return false;
    }
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

struct Date {
    int year = 2009;
    int month = 3;
    int day = 27;
};

bool ParseDate(std::string_view s, Date& date) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') {
        return false;
    }
    return ParseNumber(s.substr(0, 4), date.year) && ParseNumber(s.substr(5, 2), date.month) &&
           ParseNumber(s.substr(8, 2), date.day) && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= 31 && date.year >= 1970;
}

// "hh:mm:ss" with an optional fraction of up to six digits, as local time on `date`.
bool ParseTime(std::string_view s, const Date& date, int64_t& seconds, int32_t& microseconds) {
    int h = 0, m = 0, sec = 0;
    if (s.size() < 8 || s[2] != ':' || s[5] != ':' || !ParseNumber(s.substr(0, 2), h) ||
        !ParseNumber(s.substr(3, 2), m) || !ParseNumber(s.substr(6, 2), sec) || h > 23 || m > 59 ||
        sec > 59) {
        return false;
    }
    microseconds = 0;
    if (s.size() > 8) {
        const std::string_view fraction = s.substr(9);
        if (s[8] != '.' || fraction.empty() || fraction.size() > 6) {
            return false;
        }
        for (size_t i = 0; i < 6; ++i) {
            const char c = i < fraction.size() ? fraction[i] : '0';
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return false;
            }
            microseconds = microseconds * 10 + (c - '0');
        }
    }
    std::tm tm{};
    tm.tm_year = date.year - 1900;
    tm.tm_mon = date.month - 1;
    tm.tm_mday = date.day;
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = sec;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == std::time_t(-1)) {
        return false;
    }
    seconds = int64_t(t);
    return true;
}

uint8_t RunnerByte(const LineParser& parser, const Token& token) {
    if (token.text.size() != 1) {
        parser.Fail("a runner is one character or one \\xNN byte, not \"" + token.text + "\"");
    }
    return uint8_t(token.text[0]);
}

Bytes ParseHex(const LineParser& parser, const std::vector<Token>& tokens, size_t from) {
    Bytes out;
    for (size_t t = from; t < tokens.size(); ++t) {
        const std::string& s = tokens[t].text;
        if (tokens[t].quoted || s.size() % 2 != 0) {
            parser.Fail("raw takes hex bytes such as b1 00, not \"" + s + "\"");
        }
        for (size_t i = 0; i < s.size(); i += 2) {
            const int hi = HexDigit(s[i]);
            const int lo = HexDigit(s[i + 1]);
            if (hi < 0 || lo < 0) {
                parser.Fail("raw takes hex bytes such as b1 00, not \"" + s + "\"");
            }
            out.push_back(uint8_t(hi * 16 + lo));
        }
    }
    return out;
}

}  // namespace

namespace {

int64_t MicrosOf(int64_t seconds, int32_t micros) {
    return seconds * 1000000 + micros;
}

Frame FrameAt(int64_t micros, Bytes bytes) {
    return {micros / 1000000, int32_t(micros % 1000000), std::move(bytes)};
}

// One connection as the capture shows it: its segments, with the resends the
// variations ask for, and with NAT twins its copy before NAT beside each frame.
class Wire {
public:
    Wire(const Endpoint& client, const Endpoint& server, uint32_t clientIsn, uint32_t serverIsn,
         const Variations& variations)
        : variations_(variations), connection_(client, server, clientIsn, serverIsn) {
        if (variations.natTwins) {
            Endpoint inside = client;
            inside.mac = kContainerMac;
            inside.ip = kContainerAddress;
            inside.port = uint16_t(client.port + kContainerPortOffset);
            beforeNat_.emplace(inside, server, clientIsn, serverIsn);
        }
    }

    void Send(int64_t micros, bool fromClient, const Bytes& payload, std::vector<Frame>& out) {
        // Before NAT a client's frame is seen first, a server's after it.
        if (beforeNat_ && fromClient) {
            Segment(*beforeNat_, beforeNatSides_, micros, fromClient, payload, out);
        }
        Segment(connection_, sides_, micros, fromClient, payload, out);
        if (beforeNat_ && !fromClient) {
            Segment(*beforeNat_, beforeNatSides_, micros, fromClient, payload, out);
        }
    }

private:
    struct Side {
        uint32_t count = 0;  // data segments sent
        uint32_t lastSeq = 0;
        Bytes last;
    };

    void Segment(TcpConnection& connection, std::array<Side, 2>& sides, int64_t micros,
                 bool fromClient, const Bytes& payload, std::vector<Frame>& out) {
        if (payload.empty()) {
            out.push_back(FrameAt(micros, connection.Segment(fromClient, payload)));
            return;
        }
        Side& side = sides[fromClient ? 1 : 0];
        const uint32_t seq = connection.NextSeq(fromClient);
        const bool second = ++side.count % 2 == 0;
        if (second && variations_.overlapping) {
            // Only the resend is captured: the tail of the segment before, then this one.
            const size_t repeated = std::min(kOverlapBytes, side.last.size());
            Bytes both(side.last.end() - std::ptrdiff_t(repeated), side.last.end());
            both.insert(both.end(), payload.begin(), payload.end());
            out.push_back(
                FrameAt(micros, connection.SegmentAt(fromClient, seq - uint32_t(repeated), both)));
            connection.Skip(fromClient, uint32_t(payload.size()));
        } else {
            out.push_back(FrameAt(micros, connection.Segment(fromClient, payload)));
        }
        if (second && variations_.mergedMicros >= 0) {
            Bytes both = side.last;
            both.insert(both.end(), payload.begin(), payload.end());
            out.push_back(FrameAt(micros + variations_.mergedMicros,
                                  connection.SegmentAt(fromClient, side.lastSeq, both)));
        }
        side.lastSeq = seq;
        side.last = payload;
    }

    const Variations& variations_;
    TcpConnection connection_;
    std::array<Side, 2> sides_;
    std::optional<TcpConnection> beforeNat_;
    std::array<Side, 2> beforeNatSides_;
};

}  // namespace

std::vector<Frame> BuildScenario(std::string_view text, const Variations& variations) {
    std::vector<Frame> frames;
    const uint32_t clientIsn = variations.nearWrap ? 0xFFFFFFA0 : 0x1A2B3C4D;
    const uint32_t serverIsn = variations.nearWrap ? 0xFFFFFF00 : 0x6E5F0001;
    // The scenario's own connection first, then the further clients of its server.
    std::vector<Wire> wires;
    wires.reserve(size_t(std::max(variations.clients, 1)));
    for (int k = 0; k < std::max(variations.clients, 1); ++k) {
        Endpoint client = kClient;
        client.port = uint16_t(kClient.port + k);
        wires.emplace_back(client, kServer, clientIsn + uint32_t(k) * 0x01010101u,
                           serverIsn + uint32_t(k) * 0x10203040u, variations);
    }
    Endpoint otherClient = kClient;
    otherClient.port = kOtherWorldClientPort;
    Wire otherWorld(otherClient, kOtherServer, clientIsn ^ 0x31415926u, serverIsn ^ 0x27182818u,
                    variations);
    Date date;
    int64_t lastSeconds = INT64_MIN;
    int32_t lastMicros = 0;
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        LineParser parser(line, lineNumber);
        const std::vector<Token> tokens = parser.Tokenize();
        if (tokens.empty() || (!tokens[0].quoted && tokens[0].text.starts_with('#'))) {
            continue;
        }
        auto expectArgs = [&](size_t count, const char* usage) {
            if (tokens.size() != count) {
                parser.Fail(std::string("expected: ") + usage);
            }
        };
        if (tokens[0].text == "date") {
            expectArgs(2, "date YYYY-MM-DD");
            if (!ParseDate(tokens[1].text, date)) {
                parser.Fail("bad date \"" + tokens[1].text + "\", expected YYYY-MM-DD");
            }
            continue;
        }

        int64_t seconds = 0;
        int32_t micros = 0;
        if (!ParseTime(tokens[0].text, date, seconds, micros)) {
            parser.Fail("expected a time hh:mm:ss[.ffffff] or \"date\", found \"" + tokens[0].text +
                        "\"");
        }
        if (seconds < lastSeconds || (seconds == lastSeconds && micros < lastMicros)) {
            parser.Fail("time goes backwards");
        }
        lastSeconds = seconds;
        lastMicros = micros;
        const std::string& direction = tokens.size() >= 3 ? tokens[1].text : std::string();
        if (direction != "server" && direction != "client" && direction != "server2" &&
            direction != "client2") {
            parser.Fail("expected: TIME server|client|server2|client2 EVENT ...");
        }
        const bool fromClient = direction.starts_with("client");
        const bool secondWorld = direction.ends_with('2');
        const std::string& kind = tokens[2].text;

        Bytes payload;
        bool pureAck = false;
        if (kind == "announce" || kind == "announce2") {
            expectArgs(4, "TIME DIRECTION announce \"text\"");
            payload = kind == "announce" ? AnnouncerPacket(tokens[3].text)
                                         : Announcer2Packet(tokens[3].text);
        } else if (kind == "map" || kind == "map71" || kind == "map92") {
            expectArgs(4, "TIME DIRECTION map NAME");
            if (tokens[3].text.size() >= kMapNameField) {
                parser.Fail("map name longer than 15 bytes");
            }
            const uint16_t id = kind == "map" ? 0x0091 : kind == "map71" ? 0x0071 : 0x0092;
            payload = MapPacket(id, tokens[3].text);
        } else if (kind == "ticket") {
            if (tokens.size() == 5 && tokens[3].text == "single") {
                payload = SinglesTicketPacket(RunnerByte(parser, tokens[4]));
            } else if (tokens.size() == 6 && tokens[3].text == "double") {
                payload = DoublesTicketPacket(RunnerByte(parser, tokens[4]),
                                              RunnerByte(parser, tokens[5]));
            } else {
                parser.Fail("expected: ticket single R | ticket double R1 R2");
            }
        } else if (kind == "raw") {
            payload = ParseHex(parser, tokens, 3);
            if (payload.empty()) {
                parser.Fail("raw needs at least one byte");
            }
        } else if (kind == "ack") {
            expectArgs(3, "TIME DIRECTION ack");
            pureAck = true;
        } else {
            parser.Fail("unknown event \"" + kind +
                        "\"; known: announce, announce2, map, map71, map92, ticket, raw, ack");
        }
        if (payload.size() > kMaxSegmentPayload) {
            parser.Fail("payload of " + std::to_string(payload.size()) +
                        " bytes does not fit one segment (at most 1460)");
        }
        const int64_t at = MicrosOf(seconds, micros);
        // The client acknowledges every server segment, as a real one does.
        auto send = [&](Wire& wire, int64_t when) {
            wire.Send(when, fromClient, payload, frames);
            if (!pureAck && !fromClient) {
                wire.Send(when, true, {}, frames);
            }
        };
        if (secondWorld) {
            send(otherWorld, at);
            continue;
        }
        send(wires[0], at);
        if (!fromClient && !pureAck) {
            for (size_t k = 1; k < wires.size(); ++k) {
                send(wires[k], at + int64_t(k) * kClientLagMicros);
            }
            if (variations.otherWorldMicros >= 0 && kind.starts_with("announce")) {
                send(otherWorld, at + variations.otherWorldMicros);
            }
        }
    }
    std::stable_sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) {
        return MicrosOf(a.seconds, a.microseconds) < MicrosOf(b.seconds, b.microseconds);
    });
    return frames;
}

namespace {

// Per-mille thresholds of the frame kinds of a bulk capture, cumulative.
struct BulkShares {
    uint32_t scale;                                                     // the draw is below(scale)
    uint32_t led, other, ack, announce, map, ticket, b1Only, web, udp;  // the rest: ARP
};

// Stress: 30 % led by 0x00B1, 25 % other ids, 15 % ACKs, 7 % announcer, 6 % maps,
// 3 % tickets, 9 % 0x00B1 only, 3 % web, 1 % UDP, 1 % ARP.
constexpr BulkShares kStressShares{100, 30, 55, 70, 77, 83, 86, 95, 98, 99};
// Session: 40 % led by 0x00B1, 30 % other ids, 20 % ACKs, 0.5 % announcer, 0.5 % maps,
// 0.1 % tickets, 7.9 % 0x00B1 only, 0.6 % web, 0.2 % UDP, 0.2 % ARP.
constexpr BulkShares kSessionShares{1000, 400, 700, 900, 905, 910, 911, 990, 996, 998};

}  // namespace

std::vector<Frame> Twice(const std::vector<Frame>& frames) {
    std::vector<Frame> out;
    out.reserve(frames.size() * 2);
    for (const Frame& frame : frames) {
        out.push_back(frame);
        out.push_back(frame);
    }
    return out;
}

namespace {

constexpr size_t kIpAt = 14;  // the frames built here are Ethernet with 20-byte IP headers

bool CarriesTcpPayload(const Bytes& frame) {
    if (frame.size() < kIpAt + 40 || frame[12] != 0x08 || frame[13] != 0x00 ||
        frame[kIpAt + 9] != 6) {
        return false;
    }
    const size_t total = size_t(frame[kIpAt + 2]) << 8 | frame[kIpAt + 3];
    const size_t tcpHeader = 4u * (frame[kIpAt + 20 + 12] >> 4);
    return total > 20 + tcpHeader;
}

int64_t Micros(const Frame& frame) {
    return frame.seconds * 1000000 + frame.microseconds;
}

}  // namespace

std::vector<Frame> Retransmitted(const std::vector<Frame>& frames, int64_t afterMicros) {
    std::vector<Frame> out = frames;
    for (const Frame& frame : frames) {
        if (!CarriesTcpPayload(frame.bytes)) {
            continue;
        }
        Frame again = frame;
        const int64_t at = Micros(frame) + afterMicros;
        again.seconds = at / 1000000;
        again.microseconds = int32_t(at % 1000000);
        // A new IP id (and so a new header checksum): the network layer sends
        // a new packet; only the TCP segment inside it is the same.
        Bytes& bytes = again.bytes;
        bytes[kIpAt + 4] ^= 0x80;
        bytes[kIpAt + 10] = bytes[kIpAt + 11] = 0;
        const uint16_t checksum = InternetChecksum(std::span(bytes).subspan(kIpAt, 20));
        bytes[kIpAt + 10] = uint8_t(checksum >> 8);
        bytes[kIpAt + 11] = uint8_t(checksum);
        out.push_back(std::move(again));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Frame& a, const Frame& b) { return Micros(a) < Micros(b); });
    return out;
}

void GenerateBulk(uint64_t count, const std::function<void(const Frame&)>& emit, BulkMix mix) {
    const BulkShares& shares = mix == BulkMix::Session ? kSessionShares : kStressShares;
    static const char* const kLines[] = {
        "約3分後にモンスターレースシングルスがスタートします。",
        "モンスターレースシングルスがスタートします。皆様の幸運を祈ります。",
        "優勝モンスターは3番のモンスターです。",
        "まもなくモンスターレースダブルスがスタートします。",
        "モンスターレースダブルスの受付中です。レースに参加する方は入場してください。",
        "モンスターレースの次のレースに関する案内をさせていただきます。",
        "ようこそ、ここはモンスターレース場です。",
    };
    static const char* const kMaps[] = {"p_track01.gat", "p_track02.gat", "hugel.gat",
                                        "prontera.gat"};
    std::vector<std::string> lines;
    for (const char* line : kLines) {
        lines.push_back(Utf8ToCp932(line));
    }

    std::mt19937 random(20090327u);  // fixed, so every run writes the same capture
    auto below = [&](uint32_t n) { return uint32_t(random() % n); };
    TcpConnection game(kClient, kServer, 0x1A2B3C4D, 0x6E5F0001);
    Endpoint webClient = kClient;
    webClient.port = 50001;
    TcpConnection web(webClient, kWebServer, 0x0BADF00D, 0x5EED0000);
    uint16_t udpId = 0x7000;
    const int64_t startSeconds = 1238155200;  // 2009-03-27 12:00:00 UTC

    auto randomBytes = [&](Bytes& out, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            out.push_back(uint8_t(random()));
        }
    };
    auto otherPacket = [&](Bytes& out, size_t bodyLength) {
        uint16_t id;
        do {
            id = uint16_t(random());
        } while (id == 0x00B1 || id == 0x0071 || id == 0x0091 || id == 0x0092 || id == 0x01C3 ||
                 id == 0x01F3 || id == 0x835B);
        PutLe16(out, id);
        randomBytes(out, bodyLength);
    };

    for (uint64_t n = 0; n < count; ++n) {
        Frame frame{startSeconds + int64_t(n / 1000), int32_t(n % 1000) * 1000, {}};
        const uint32_t pick = below(shares.scale);
        Bytes payload;
        if (pick < shares.led) {  // movement and status packets behind 0x00B1 ones
            const uint32_t skipped = 1 + below(3);
            for (uint32_t i = 0; i < skipped; ++i) {
                PutLe16(payload, 0x00B1);
                randomBytes(payload, 6);
            }
            otherPacket(payload, 4 + below(100));
            frame.bytes = game.Segment(false, payload);
        } else if (pick < shares.other) {
            otherPacket(payload, below(300));
            frame.bytes = game.Segment(below(3) == 0, payload);
        } else if (pick < shares.ack) {
            frame.bytes = game.Segment(below(2) == 0, {});
        } else if (pick < shares.announce) {
            const std::string& line = lines[below(uint32_t(lines.size()))];
            payload = below(4) == 0 ? Announcer2Packet(line) : AnnouncerPacket(line);
            frame.bytes = game.Segment(false, payload);
        } else if (pick < shares.map) {
            static const uint16_t kMapIds[] = {0x0091, 0x0091, 0x0092, 0x0071};
            payload = MapPacket(kMapIds[below(4)], kMaps[below(4)]);
            frame.bytes = game.Segment(false, payload);
        } else if (pick < shares.ticket) {
            payload = below(2) == 0
                          ? SinglesTicketPacket(uint8_t('1' + below(6)))
                          : DoublesTicketPacket(uint8_t('1' + below(6)), uint8_t('1' + below(6)));
            frame.bytes = game.Segment(true, payload);
        } else if (pick < shares.b1Only) {
            for (uint32_t i = 0, k = 1 + below(4); i < k; ++i) {
                PutLe16(payload, 0x00B1);
                randomBytes(payload, 6);
            }
            frame.bytes = game.Segment(false, payload);
        } else if (pick < shares.web) {  // a few frames that are not game traffic
            randomBytes(payload, 20 + below(600));
            frame.bytes = web.Segment(below(2) == 0, payload);
        } else if (pick < shares.udp) {
            randomBytes(payload, 30 + below(40));
            frame.bytes = BuildUdpFrame(kClient, kResolver, udpId++, payload);
        } else {
            frame.bytes = BuildArpRequest(kClient, kResolver.ip);
        }
        emit(frame);
    }
}

}  // namespace kestro::scenario
