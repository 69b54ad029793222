#include "replay/recorded_capture.h"

#include <pcap/pcap.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

namespace kestro {

namespace {

// The longest the capture thread sleeps before looking again whether the
// replay is ending: a close must not wait for a frame due in an hour.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

}  // namespace

int64_t SystemMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// --- ReplayClock -------------------------------------------------------------

ReplayClock::ReplayClock(int64_t startMicros, double factor)
    : factor_(factor > 0 ? factor : 1.0),
      startMicros_(std::clamp(startMicros, kEarliestFrameMicros, kLatestFrameMicros)) {}

void ReplayClock::Start() {
    {
        const std::lock_guard lock(anchorMutex_);
        steadyStart_ = Steady::now().time_since_epoch().count();
    }
    started_.store(true);
}

void ReplayClock::FirstFrame(int64_t frameMicros) {
    if (!awaitingFirstFrame_.exchange(false)) {
        return;
    }
    const std::lock_guard lock(anchorMutex_);
    startMicros_ = std::clamp(frameMicros, kEarliestFrameMicros, kLatestFrameMicros);
    steadyStart_ = Steady::now().time_since_epoch().count();
}

int64_t ReplayClock::NowMicros() const {
    if (live_.load()) {
        return SystemMicros();
    }
    const std::lock_guard lock(anchorMutex_);
    if (!started_.load()) {
        return startMicros_;
    }
    const Steady::duration elapsed =
        Steady::now() - Steady::time_point(Steady::duration(steadyStart_));
    // In double, and saturated: a large factor times hours must not overflow.
    const double virtualMicros =
        static_cast<double>(startMicros_) +
        std::chrono::duration<double, std::micro>(elapsed).count() * factor_;
    if (!(virtualMicros < static_cast<double>(kLatestFrameMicros))) {
        return kLatestFrameMicros;
    }
    return static_cast<int64_t>(virtualMicros);
}

Instant ReplayClock::Now() const {
    if (live_.load()) {
        return system_.Now();
    }
    return Instant(Micros(NowMicros()));
}

TDateTime ReplayClock::LocalTime(Instant at) const {
    return converter_.Convert(at.time_since_epoch().count());
}

// --- RecordedCapture ----------------------------------------------------------

RecordedCapture::RecordedCapture(ReplayClock& clock, std::string capturePath)
    : clock_(clock), capturePath_(std::move(capturePath)) {}

void RecordedCapture::Attach(TSnoopTCPData& snoop) {
    // The hook is taken by the capture thread when it starts: set it once, here.
    // A frame whose wait was cut short by the closing window is dropped: handed
    // over, it would still be delivered while the capture stops.
    snoop.SetFrameHook([this](const pcap_pkthdr& header) {
        const int64_t frameMicros = FrameMicros(header.ts.tv_sec, header.ts.tv_usec);
        clock_.FirstFrame(frameMicros);
        return WaitForFrameTime(frameMicros);
    });
}

Result RecordedCapture::Open(TSnoopTCPData& snoop) {
    snoop.SetThreadSafe(true);
    ending_.store(false);
    clock_.Start();
    return snoop.OpenFile(capturePath_).Telling("再生できません: " + capturePath_);
}

int RecordedCapture::TickInterval() const {
    return ReplayTickInterval(clock_.Factor());
}

bool RecordedCapture::WaitForFrameTime(int64_t frameMicros) const {
    const double factor = clock_.Factor();
    while (!ending_.load()) {
        const int64_t ahead = frameMicros - clock_.NowMicros();
        if (ahead <= 0) {
            return true;
        }
        const auto realAhead = std::chrono::duration<double, std::micro>(ahead / factor);
        std::this_thread::sleep_for(std::min<std::chrono::duration<double, std::micro>>(
            realAhead, std::chrono::duration<double, std::micro>(kWaitSlice)));
    }
    return false;
}

int ReplayTickInterval(double factor) {
    // Rounded down, so that no virtual second passes without its tick.
    const double interval = std::floor(1000.0 / factor);
    return static_cast<int>(std::clamp(interval, 1.0, 1000.0 * 1000.0));
}

std::optional<int64_t> FirstFrameMicros(const std::string& capturePath, const std::string& filter) {
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(capturePath.c_str(), errorBuffer);
    if (handle == nullptr) {
        return std::nullopt;
    }
    std::optional<int64_t> first;
    bpf_program program{};
    if (pcap_compile(handle, &program, filter.c_str(), 1, PCAP_NETMASK_UNKNOWN) == 0) {
        if (pcap_setfilter(handle, &program) == 0) {
            pcap_pkthdr* header = nullptr;
            const u_char* frame = nullptr;
            if (pcap_next_ex(handle, &header, &frame) == 1) {
                first = FrameMicros(header->ts.tv_sec, header->ts.tv_usec);
            }
        }
        pcap_freecode(&program);
    }
    pcap_close(handle);
    return first;
}

}  // namespace kestro
