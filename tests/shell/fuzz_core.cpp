// Fuzz target: the whole core as a replay drives it, with the input choosing
// both the payloads and the virtual time between them: decoder, handlers,
// classifier, transitions, the one-second timer, the panel texts and the log.
//
//   input   = log level(1) | sounds on(1) | first second, int64 LE(8) | record...
//   record  = step(1) | length(1) | payload(length; 255 = the rest of the input)
//   step    bit 7: backwards; bit 6: minutes squared, else quarter seconds; bits 0-5: count
//
// Every panel text and every log line (as the log window shows it) must be UTF-8.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/cp932.h"
#include "race/race_timing.h"
#include "replay/virtual_ticker.h"
#include "shell/core.h"
#include "support/portable.h"

namespace {

bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || (length == 2 && lead < 0xC2) || i + length > text.size()) {
            return false;
        }
        uint32_t code = lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

void Expect(bool holds) {
    if (!holds) {
        std::abort();
    }
}

class CheckingView final : public kestro::CoreView {
public:
    void SetStatusText(std::string_view cp932) override {
        Expect(IsUtf8(kestro::Cp932ToUtf8(cp932)));
    }
    void AppendLogLine(std::string_view cp932Line) override {
        Expect(IsUtf8(kestro::Cp932ToUtf8(cp932Line)));
    }
    void RefreshPanel() override { stale = true; }
    void ReportRefusedWrite(const kestro::Result&) override {}
    bool stale = false;
};

class CheckingPlayer final : public kestro::SoundPlayer {
public:
    void Play(const std::string& path) override { Expect(path.find('\0') == std::string::npos); }
};

void CheckPanel(kestro::KestroCore& core, CheckingView& view) {
    if (!view.stale) {
        return;
    }
    view.stale = false;
    const kestro::PanelTexts texts = core.Panel("\xE2\x80\xAF");  // a narrow no-break space
    for (const std::string& text : texts.fields) {
        Expect(IsUtf8(text));
    }
    Expect(IsUtf8(texts.packetCount));
}

int64_t StepMicros(uint8_t step) {
    const int64_t count = step & 0x3F;
    const int64_t micros = (step & 0x40) != 0 ? count * count * 60 * 1000000 : count * 250000;
    return (step & 0x80) != 0 ? -micros : micros;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    [[maybe_unused]] static const bool zoneSet = (kestro::test::SetEnv("TZ", "JST-9"), true);
    constexpr size_t kHeader = 10;
    if (size < kHeader) {
        return 0;
    }
    int64_t firstSecond = 0;
    std::memcpy(&firstSecond, data + 2, sizeof firstSecond);

    kestro::VirtualClock clock;
    CheckingView view;
    CheckingPlayer player;
    kestro::KestroCore core(clock, view, player);
    core.GetSettings().LogLevel = data[0];
    core.GetSettings().SoundEnabled = (data[1] & 1) != 0;
    kestro::VirtualTicker ticker(
        clock, [&core] { core.RealTimeTimer(); }, [&core] { return !core.FollowsRace(); });

    int64_t now = kestro::FrameMicros(firstSecond, 0);
    size_t at = kHeader;
    while (at + 2 <= size) {
        now = kestro::FrameMicros(0, now + StepMicros(data[at]));
        const size_t wanted = data[at + 1] == 255 ? size : data[at + 1];
        at += 2;
        const size_t length = std::min(wanted, size - at);
        ticker.BeforeFrame(now);
        if (length > 0) {
            core.SnoopTCPDataCaptureTCPData(data + at, static_cast<int32_t>(length));
        }
        at += length;
        CheckPanel(core, view);
    }
    // Past every rule's time, so that each race is carried to its end or given up.
    ticker.Finish(kestro::race_timing::kGiveUpAfterBase + 60.0);
    CheckPanel(core, view);
    return 0;
}
