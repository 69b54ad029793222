// The race code, the race engine and the window's core set up as their tests
// need them: a settable clock at noon on a fixed date, and every view and the
// sound player writing into one Recorder. Test fixtures derive from these.
#pragma once

#include <gtest/gtest.h>

#include "common/clock.h"
#include "notify/log.h"
#include "race/race_engine.h"
#include "race/race_state.h"
#include "settings/settings.h"
#include "shell/core.h"
#include "support/recorders.h"

namespace kestro::test {

// Settings and the log, for what the race engine drives: the event sounds.
class LogFixture : public ::testing::Test {
protected:
    SettableClock clock{At(12, 0, 0)};
    Settings settings;
    Recorder rec;
    RecordingLogView view{rec};
    Log log{clock, view};
    RecordingPlayer player{rec};
};

// The race engine; each refresh it asks for is written down.
class EngineFixture : public LogFixture {
protected:
    RaceEngine engine{clock, settings, log, player, [this] { rec.Refresh(); }};
    RaceState& state = engine.State();
};

// The window's core, its race state reset as the window's show resets it.
class CoreFixture : public ::testing::Test {
protected:
    CoreFixture() { core.ResetRaceState(); }

    SettableClock clock{At(12, 0, 0)};
    Recorder rec;
    RecordingCoreView view{rec};
    RecordingPlayer player{rec};
    KestroCore core{clock, view, player};
    RaceState& state = core.Engine().State();
};

}  // namespace kestro::test
