// Fuzz target: a whole Ethernet frame through the three header tests and the decoder, and the
// same bytes handed to the decoder as a payload of their own.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "capture/frames.h"
#include "common/clock.h"
#include "game/decoder.h"
#include "notify/log.h"

namespace {

// Reads every byte handed on, so that a text built from bytes past the payload shows up.
class TouchingSink final : public kestro::GameEventSink {
public:
    void HandleMapChange(const std::string& mapName) override { Touch(mapName); }
    void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) override {
        sum_ = sum_ + kind + runner + second;
    }
    void HandleAnnouncement(const std::string& text) override { Touch(text); }
    void HandleServerChange(const std::string& server) override { Touch(server); }

private:
    void Touch(const std::string& s) {
        for (unsigned char c : s) {
            sum_ = sum_ + c;
        }
    }
    volatile unsigned sum_ = 0;
};

class TouchingLogView final : public kestro::LogView {
public:
    void SetStatusText(std::string_view text) override { size_ = size_ + text.size(); }
    void AppendLogLine(std::string_view line) override { size_ = size_ + line.size(); }

private:
    volatile size_t size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kestro::SettableClock clock;
    static TouchingLogView view;
    static kestro::Log log(clock, view);
    static TouchingSink sink;
    static const uint8_t logLevel = 0xFF;  // every trace line too
    static kestro::Decoder decoder(sink, log, logLevel);

    const uint32_t caplen = size > std::numeric_limits<uint32_t>::max()
                                ? std::numeric_limits<uint32_t>::max()
                                : static_cast<uint32_t>(size);
    const uint8_t* ipHeader = nullptr;
    uint32_t ipCaptured = 0;
    const uint8_t* tcpHeader = nullptr;
    const uint8_t* tcpData = nullptr;
    int32_t tcpDataLength = 0;
    if (kestro::GetIPHeader(data, caplen, &ipHeader, &ipCaptured) &&
        kestro::GetTCPHeader(ipHeader, ipCaptured, &tcpHeader) &&
        kestro::GetTCPData(ipHeader, ipCaptured, tcpHeader, &tcpData, &tcpDataLength)) {
        decoder.SnoopTCPDataCaptureTCPData(tcpData, tcpDataLength);
    }
    if (size > 0) {
        const int32_t length = size > size_t(std::numeric_limits<int32_t>::max())
                                   ? std::numeric_limits<int32_t>::max()
                                   : static_cast<int32_t>(size);
        decoder.SnoopTCPDataCaptureTCPData(data, length);
    }
    return 0;
}
