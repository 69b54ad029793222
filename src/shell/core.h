// The Qt-free heart of the main window: settings, race state, decoder, race
// engine, log and sounds, wired together. The window (or the replay tool)
// owns one, feeds it payloads and timer ticks, and shows what it reports.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/result.h"
#include "game/decoder.h"
#include "history/race_history.h"
#include "notify/log.h"
#include "notify/sound_player.h"
#include "race/panel.h"
#include "race/player_record.h"
#include "race/reminders.h"
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
    // A result could not be written to the history file: what the user is
    // told and what the system said. Each time it happens (each try), so the
    // view decides how often to tell it; it must not wait on the user.
    virtual void ReportRefusedWrite(const Result& refused) = 0;
    // The file a refusal named (`message`, as ReportRefusedWrite had it) took
    // the results that waited; the log and the status line say so already.
    virtual void RefusedWriteTaken(const std::string& /*message*/) {}
    // A confirmed result was counted (and kept, where it is kept): whatever
    // shows the history shows it now. A view without one does nothing.
    virtual void ResultCounted() {}
    // A reminder fired: its line is in the log and the status line already,
    // its sound plays after this returns.
    virtual void ReminderFired(const Reminder& /*reminder*/) {}
    // A race event's sound is due (whether or not it plays); it plays after
    // this returns.
    virtual void RaceEventDue(RaceKind /*kind*/, SoundEvent /*event*/) {}
    // A race taken up from an earlier run was confirmed by a line of the
    // announcer, or given up by its timer: the status line's mark changes.
    virtual void UnconfirmedChanged() {}
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
    const Clock& GetClock() const { return clock_; }
    RaceEngine& Engine() { return *engine_; }
    Log& GetLog() { return log_; }
    // The status line alone, without a log line, as whatever shows it marks it.
    void ShowStatusText(std::string_view cp932) { view_.SetStatusText(cp932); }
    int32_t PacketCount() const { return decoder_.PacketCount(); }
    // The kept results; OpenHistory reads the file (see RaceHistory::Open).
    RaceHistory& History() { return history_; }
    const RaceHistory& History() const { return history_; }
    HistoryLoad OpenHistory(const std::string& path, bool writable) {
        return history_.Open(path, writable);
    }

    // Handler of the capture component's event: one TCP payload.
    void SnoopTCPDataCaptureTCPData(const uint8_t* tcpData, int32_t tcpDataLength) {
        decoder_.SnoopTCPDataCaptureTCPData(tcpData, tcpDataLength);
    }
    // The same, with the connection it came on (several clients, servers).
    void SnoopTCPDataCaptureTCPData(const PayloadOrigin& from, const uint8_t* tcpData,
                                    int32_t tcpDataLength) {
        decoder_.SnoopTCPDataCaptureTCPData(from, tcpData, tcpDataLength);
    }
    // One tick of the one-second timer, then the reminders it made due, then
    // another try of the results the history file refused.
    void RealTimeTimer();
    // Offers the history file the results it refused, if any wait.
    void RetryHistory();
    // Whether a race is followed: without one a tick only moves the clocks on.
    bool FollowsRace() const;
    // The reset of the race state when the main window is shown.
    void ResetRaceState();
    // The panel as it should look now.
    PanelTexts Panel(std::string_view thousandsSeparator) const;
    // Races whose timetable was taken up from an earlier run (Singles,
    // Doubles) and not yet confirmed by a line of the announcer about them.
    void MarkUnconfirmed(const std::array<bool, 2>& races) { unconfirmed_ = races; }
    const std::array<bool, 2>& Unconfirmed() const { return unconfirmed_; }

    // GameEventSink
    void HandleMapChange(const std::string& mapName) override;
    void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) override;
    void HandleAnnouncement(const std::string& text) override;
    void HandleServerChange(const std::string& server) override;

private:
    void RecordResult(const RaceOutcome& outcome);
    // What the history file answered to an append or a retry.
    void TellHistoryWrite(const Result& written);
    void DropUnconfirmed(const std::array<bool, 2>& races);

    const Clock& clock_;
    CoreView& view_;
    Settings settings_;
    RaceHistory history_;
    // The history file refused the last try: results wait for the next one.
    bool historyRefused_ = false;
    std::array<bool, 2> unconfirmed_{};
    Log log_;
    std::unique_ptr<RaceEngine> engine_;
    Reminders reminders_;
    Decoder decoder_;
};

}  // namespace kestro
