// Stand-ins for the screen and the speaker that write down, in order, what
// the race code and the window's core asked of them; texts are kept in UTF-8
// for readable tests.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "common/cp932.h"
#include "common/datetime.h"
#include "notify/log.h"
#include "notify/sound_player.h"
#include "settings/settings.h"
#include "shell/core.h"

namespace kestro::test {

struct Recorder {
    std::vector<std::string> events;  // "refresh", "status: ...", "log: ...", "play: ..."
    std::vector<std::string> logLines;
    std::vector<std::string> plays;  // "" for the silence call
    int refreshes = 0;

    void Refresh() {
        ++refreshes;
        events.push_back("refresh");
    }
    void Clear() { *this = Recorder{}; }
};

class RecordingLogView : public LogView {
public:
    explicit RecordingLogView(Recorder& r) : r_(r) {}
    void SetStatusText(std::string_view cp932) override {
        r_.events.push_back("status: " + Cp932ToUtf8(cp932));
    }
    void AppendLogLine(std::string_view cp932Line) override {
        r_.logLines.push_back(Cp932ToUtf8(cp932Line));
        r_.events.push_back("log: " + r_.logLines.back());
    }

private:
    Recorder& r_;
};

class RecordingPlayer : public SoundPlayer {
public:
    explicit RecordingPlayer(Recorder& r) : r_(r) {}
    void Play(const std::string& path) override {
        r_.plays.push_back(path);
        r_.events.push_back("play: " + path);
    }

private:
    Recorder& r_;
};

class RecordingCoreView final : public CoreView {
public:
    explicit RecordingCoreView(Recorder& r) : r_(r), log_(r) {}
    void SetStatusText(std::string_view cp932) override { log_.SetStatusText(cp932); }
    void AppendLogLine(std::string_view line) override { log_.AppendLogLine(line); }
    void RefreshPanel() override { r_.Refresh(); }
    void ReportRefusedWrite(const Result& refused) override {
        r_.events.push_back("refused: " + refused.Message() + ": " + refused.Reason());
    }
    void ReminderFired(const Reminder& reminder) override {
        r_.events.push_back("reminder: " + Cp932ToUtf8(reminder.text));
    }

private:
    Recorder& r_;
    RecordingLogView log_;
};

// A moment at a time of day on a fixed date, as a settable clock (UTC) shows it.
inline Instant At(int h, int m, int s, int ms = 0) {
    return InstantOfUtc(EncodeDateTime(2009, 3, 27, h, m, s, ms));
}

inline Instant SecondsAfter(Instant t, double seconds) {
    return t + Micros(std::llround(seconds * 1e6));
}

inline std::string Sjis(std::string_view utf8) {
    return Utf8ToCp932(utf8);
}

// The path each event plays in tests: its name.
inline std::string SoundPathOf(SoundEvent e) {
    static const char* const names[kSoundEventCount] = {
        "ServerMessage.wav",
        "ServerMessageGodEquip.wav",
        "ServerMessageRace.wav",
        "RaceStartWaitAcceptingS.wav",
        "RaceAcceptingS.wav",
        "RaceStartWaitingS.wav",
        "RaceStartWaitAcceptingD.wav",
        "RaceAcceptingD.wav",
        "RaceStartWaitingD.wav",
        "RaceStart.wav",
        "ResultWin.wav",
        "ResultDefeat.wav",
        "ResultNeedCheck.wav",
    };
    return names[static_cast<int>(e)];
}

// Sounds on, every event switched on with its own file.
inline void EnableAllSounds(Settings& settings) {
    settings.SoundEnabled = true;
    for (int i = 0; i < kSoundEventCount; ++i) {
        const auto e = static_cast<SoundEvent>(i);
        settings.Sound(e).Enabled = true;
        settings.Sound(e).Sound = SoundPathOf(e);
    }
}

}  // namespace kestro::test
