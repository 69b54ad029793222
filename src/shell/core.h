// The Qt-free heart of the main window: settings, race state, decoder, race
// engine, log and sounds, wired together. The window (or the replay tool)
// owns one, feeds it payloads and timer ticks, and shows what it reports.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "game/decoder.h"
#include "notify/log.h"
#include "notify/sound_player.h"
#include "race/panel.h"
#include "settings/settings.h"

namespace kestro {

struct RaceState;
class RaceEngine;

// What the core asks of whoever shows it.
class CoreView : public LogView {
public:
    // The race state or the packet count changed in a way the panel must show.
    // A window re-reads KestroCore::Panel(); a headless view may do nothing.
    virtual void RefreshPanel() = 0;
};

class KestroCore final : public GameEventSink {
public:
    KestroCore(const Clock& clock, CoreView& view, SoundPlayer& player);
    ~KestroCore() override;
    KestroCore(const KestroCore&) = delete;
    KestroCore& operator=(const KestroCore&) = delete;

    Settings& GetSettings() { return settings_; }
    const Settings& GetSettings() const { return settings_; }
    const RaceState& Race() const;
    RaceEngine& Engine() { return *engine_; }
    Log& GetLog() { return log_; }
    int32_t PacketCount() const { return decoder_.PacketCount(); }

    // Handler of the capture component's event: one TCP payload.
    void SnoopTCPDataCaptureTCPData(const uint8_t* tcpData, int32_t tcpDataLength) {
        decoder_.SnoopTCPDataCaptureTCPData(tcpData, tcpDataLength);
    }
    // One tick of the one-second timer.
    void RealTimeTimer();
    // Whether a race is followed: without one a tick only moves the clocks on.
    bool FollowsRace() const;
    // The reset of the race state when the main window is shown.
    void ResetRaceState();
    // The panel as it should look now.
    PanelTexts Panel(std::string_view thousandsSeparator) const;

    // GameEventSink
    void HandleMapChange(const std::string& mapName) override;
    void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) override;
    void HandleAnnouncement(const std::string& text) override;

private:
    const Clock& clock_;
    Settings settings_;
    Log log_;
    std::unique_ptr<RaceEngine> engine_;
    Decoder decoder_;
};

}  // namespace kestro
