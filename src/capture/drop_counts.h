// Frames that libpcap counted as lost before anyone read them: by the kernel
// (its buffer was full) and by the adapter or its driver. Both count from the
// moment the capture opened. The capture helper passes its counts to the
// window as lines on its standard error, "#drops KERNEL ADAPTER", whenever
// they change; a header of its own, with nothing else in it, so that both
// sides share the format and the helper takes in none of the window's code.
// The window reads those lines from a process it does not trust: the parser
// takes exactly that shape with two counts that fit libpcap's 32-bit counters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kestro {

struct DropCounts {
    uint64_t kernel = 0;
    uint64_t adapter = 0;

    uint64_t Total() const { return kernel + adapter; }
    bool operator==(const DropCounts&) const = default;
};

inline constexpr std::string_view kDropLinePrefix = "#drops ";

inline std::string DropLine(const DropCounts& counts) {
    char line[64];
    std::snprintf(line, sizeof line, "#drops %llu %llu\n",
                  static_cast<unsigned long long>(counts.kernel),
                  static_cast<unsigned long long>(counts.adapter));
    return line;
}

namespace drop_line_detail {
// One decimal count of at most 10 digits, up to UINT32_MAX; moves past it.
inline std::optional<uint64_t> TakeCount(std::string_view& text) {
    std::size_t digits = 0;
    uint64_t value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        if (++digits > 10) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(text[digits - 1] - '0');
    }
    if (digits == 0 || value > UINT32_MAX) {
        return std::nullopt;
    }
    text.remove_prefix(digits);
    return value;
}
}  // namespace drop_line_detail

// A line without its newline; nullopt unless it is exactly "#drops K A".
inline std::optional<DropCounts> ParseDropLine(std::string_view line) {
    if (!line.starts_with(kDropLinePrefix)) {
        return std::nullopt;
    }
    line.remove_prefix(kDropLinePrefix.size());
    const std::optional<uint64_t> kernel = drop_line_detail::TakeCount(line);
    if (!kernel || !line.starts_with(' ')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const std::optional<uint64_t> adapter = drop_line_detail::TakeCount(line);
    if (!adapter || !line.empty()) {
        return std::nullopt;
    }
    return DropCounts{*kernel, *adapter};
}

}  // namespace kestro
