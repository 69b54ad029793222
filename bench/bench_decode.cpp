// Payloads per second from a bulk capture: pcap_next_ex, the three header tests and the decoder,
// beside a minimal plain-C loop that does the same work by hand (minimal_loop.c).
//
// The capture (1,000,000 frames) is written to /tmp at the first run and reused; set
// KESTRO_BENCH_CAPTURE to use another file.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "capture/frames.h"
#include "capture/stream_positions.h"
#include "common/clock.h"
#include "game/decoder.h"
#include "minimal_loop.h"
#include "notify/log.h"
#include "pcap_writer.h"
#include "scenario.h"

namespace {

constexpr uint64_t kFrames = 1'000'000;

const std::string& CapturePath() {
    static const std::string path = [] {
        if (const char* env = std::getenv("KESTRO_BENCH_CAPTURE")) {
            return std::string(env);
        }
        const std::string p = "/tmp/kestro-bench-bulk-" + std::to_string(kFrames) + ".pcap";
        if (!std::filesystem::exists(p)) {
            kestro::scenario::PcapWriter writer;
            std::string error;
            if (!writer.Open(p, error)) {
                throw std::runtime_error(error);
            }
            kestro::scenario::GenerateBulk(kFrames, [&](const kestro::scenario::Frame& f) {
                writer.Write(f.seconds, f.microseconds, f.bytes);
            });
            if (!writer.Commit(error)) {
                throw std::runtime_error(error);
            }
        }
        return p;
    }();
    return path;
}

pcap_t* OpenCapture(benchmark::State& state) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* pcap = pcap_open_offline(CapturePath().c_str(), error);
    if (pcap == nullptr) {
        state.SkipWithError(error);
    }
    return pcap;
}

// Keeps what it is handed, as the race engine would hold on to it.
class KeepingSink final : public kestro::GameEventSink {
public:
    void HandleMapChange(const std::string& mapName) override { map_ = mapName; }
    void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) override {
        ticket_ = uint32_t(kind << 16 | runner << 8 | second);
    }
    void HandleAnnouncement(const std::string& text) override { text_ = text; }
    void HandleServerChange(const std::string& server) override { map_ = server; }

private:
    std::string map_;
    std::string text_;
    uint32_t ticket_ = 0;
};

class DiscardingLogView final : public kestro::LogView {
public:
    void SetStatusText(std::string_view) override {}
    void AppendLogLine(std::string_view) override {}
};

// With `streams`, also what the capture component does so that bytes shown
// twice (a bridge on "any", a retransmission, a NAT twin) are decoded once:
// the segment's place and its connection's stream position.
void RunDecoder(benchmark::State& state, bool streams) {
    kestro::SettableClock clock;
    DiscardingLogView view;
    kestro::Log log(clock, view);
    KeepingSink sink;
    const uint8_t logLevel = 7;
    kestro::Decoder decoder(sink, log, logLevel);
    for (auto _ : state) {
        kestro::StreamPositions positions;  // each pass reads the capture anew
        pcap_t* pcap = OpenCapture(state);
        if (pcap == nullptr) {
            return;
        }
        pcap_pkthdr* header = nullptr;
        const u_char* frame = nullptr;
        while (pcap_next_ex(pcap, &header, &frame) == 1) {
            const uint8_t* ip = nullptr;
            uint32_t ipCaptured = 0;
            const uint8_t* tcp = nullptr;
            const uint8_t* data = nullptr;
            int32_t length = 0;
            kestro::TCPSegmentPlace place;
            if (!kestro::GetIPHeader(frame, header->caplen, &ip, &ipCaptured) ||
                !kestro::GetTCPHeader(ip, ipCaptured, &tcp) ||
                !kestro::GetTCPData(ip, ipCaptured, tcp, &data, &length)) {
                continue;
            }
            if (!streams) {
                decoder.SnoopTCPDataCaptureTCPData(data, length);
            } else if (kestro::GetTCPSegmentPlace(ip, ipCaptured, tcp, &place)) {
                const int64_t micros = int64_t{header->ts.tv_sec} * 1000000 + header->ts.tv_usec;
                const kestro::StreamPositions::NewBytes fresh =
                    positions.Deliver(place, length, micros);
                for (std::size_t i = 0; i < fresh.count; ++i) {
                    decoder.SnoopTCPDataCaptureTCPData(data + fresh.pieces[i].offset,
                                                       fresh.pieces[i].length);
                }
            }
        }
        pcap_close(pcap);
    }
    const int64_t payloads = decoder.PacketCount();
    state.SetItemsProcessed(payloads);
    state.counters["payloads_per_pass"] = double(payloads) / double(state.iterations());
}

void BM_Decoder(benchmark::State& state) {
    RunDecoder(state, false);
}

void BM_DecoderStreamPositions(benchmark::State& state) {
    RunDecoder(state, true);
}

void BM_MinimalLoop(benchmark::State& state) {
    int64_t payloads = 0;
    unsigned long checksum = 0;
    for (auto _ : state) {
        pcap_t* pcap = OpenCapture(state);
        if (pcap == nullptr) {
            return;
        }
        payloads += MinimalLoopRun(pcap, &checksum);
        pcap_close(pcap);
    }
    benchmark::DoNotOptimize(checksum);
    state.SetItemsProcessed(payloads);
    state.counters["payloads_per_pass"] = double(payloads) / double(state.iterations());
}

BENCHMARK(BM_Decoder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecoderStreamPositions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MinimalLoop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    CapturePath();  // written before any timing starts
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
