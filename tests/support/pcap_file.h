// Writes small capture files, whole or cut short, for the capture tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "support/frames.h"

namespace kestro::test {

// Raw IP as capture files store it; libpcap reports it as DLT_RAW.
constexpr uint32_t kRawLinkTypeInFiles = 101;

struct PcapRecord {
    PcapRecord(Bytes bytes, std::optional<uint32_t> kept = std::nullopt)
        : frame(std::move(bytes)), caplen(kept) {}
    Bytes frame;
    // Bytes kept of the frame; the whole frame when absent.
    std::optional<uint32_t> caplen;
};

// A classic little-endian pcap file (microsecond time stamps). `truncateLast`
// cuts the last record's data short, as a capture that was interrupted would.
inline void WritePcap(const std::filesystem::path& path, const std::vector<PcapRecord>& records,
                      uint32_t linkType = 1, size_t truncateLast = 0) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto put32 = [&out](uint32_t v) {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
        out.write(b, 4);
    };
    const auto put16 = [&out](uint16_t v) {
        const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        out.write(b, 2);
    };
    put32(0xA1B2C3D4);
    put16(2);
    put16(4);
    put32(0);
    put32(0);
    put32(65535);
    put32(linkType);
    uint32_t second = 1700000000;
    for (size_t i = 0; i < records.size(); ++i) {
        const PcapRecord& record = records[i];
        const uint32_t caplen = record.caplen.value_or(static_cast<uint32_t>(record.frame.size()));
        put32(second++);
        put32(0);
        put32(caplen);
        put32(static_cast<uint32_t>(record.frame.size()));
        size_t written = caplen;
        if (i + 1 == records.size() && truncateLast > 0) {
            written = truncateLast < written ? written - truncateLast : 0;
        }
        out.write(reinterpret_cast<const char*>(record.frame.data()),
                  static_cast<std::streamsize>(written));
    }
}

}  // namespace kestro::test
