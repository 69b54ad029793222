#include "notify/event_sounds.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace kestro {
namespace {

using E = SoundEvent;
using V = TicketVerdict;

constexpr V kAllVerdicts[] = {V::NoTicket, V::Defeat, V::NeedCheck, V::Win};

// The event for one race's status; the other race is given a status that
// would sound if the choice looked at the wrong race.
std::optional<E> Choose(RaceKind kind, RaceStatus status, std::string_view map, V verdict) {
    if (kind == kSingles) {
        return ChooseEventSound(kind, status, race_status::DRacing, map, verdict);
    }
    return ChooseEventSound(kind, race_status::SRacing, status, map, verdict);
}

TEST(ChooseEventSound, StatusesThatIgnoreTheVerdict) {
    const struct {
        RaceKind kind;
        int status;
        std::optional<E> event;
    } cases[] = {
        {kSingles, 0, std::nullopt},
        {kSingles, 1, E::RaceStartWaitAcceptingS},
        {kSingles, 2, E::RaceAcceptingS},
        {kSingles, 3, E::RaceStartWaitingS},
        {kSingles, 4, E::RaceStart},
        {kSingles, 6, std::nullopt},
        {kSingles, 8, std::nullopt},
        {kSingles, 9, std::nullopt},  // a Doubles code in the Singles race
        {kSingles, 13, std::nullopt},
        {kSingles, 255, std::nullopt},
        {kDoubles, 0, std::nullopt},
        {kDoubles, 1, std::nullopt},  // a Singles code in the Doubles race
        {kDoubles, 4, std::nullopt},
        {kDoubles, 9, E::RaceStartWaitAcceptingD},
        {kDoubles, 10, E::RaceAcceptingD},
        {kDoubles, 11, E::RaceStartWaitingD},
        {kDoubles, 12, E::RaceStart},
        {kDoubles, 15, std::nullopt},
        {kDoubles, 17, std::nullopt},
        {kDoubles, 255, std::nullopt},
    };
    for (const auto& c : cases) {
        for (V verdict : kAllVerdicts) {
            EXPECT_EQ(Choose(c.kind, static_cast<RaceStatus>(c.status), "hugel.gat", verdict),
                      c.event)
                << "kind " << c.kind << " status " << c.status << " verdict "
                << static_cast<int>(verdict);
        }
    }
}

TEST(ChooseEventSound, ResultStatusesByVerdict) {
    const std::optional<E> none;
    const struct {
        RaceKind kind;
        int status;
        std::optional<E> noTicket, defeat, needCheck, win;
    } cases[] = {
        {kSingles, 5, E::ResultNeedCheck, E::ResultDefeat, none, E::ResultWin},
        {kSingles, 7, E::ResultNeedCheck, none, none, E::ResultWin},
        {kDoubles, 13, none, E::ResultDefeat, none, none},
        {kDoubles, 14, E::ResultNeedCheck, E::ResultDefeat, none, E::ResultWin},
        {kDoubles, 16, E::ResultNeedCheck, none, E::ResultNeedCheck, E::ResultWin},
    };
    for (const auto& c : cases) {
        for (const char* map : {"hugel.gat", "p_track01.gat", "p_track02.gat", ""}) {
            const auto status = static_cast<RaceStatus>(c.status);
            SCOPED_TRACE(std::to_string(c.status) + " on " + map);
            EXPECT_EQ(Choose(c.kind, status, map, V::NoTicket), c.noTicket);
            EXPECT_EQ(Choose(c.kind, status, map, V::Defeat), c.defeat);
            EXPECT_EQ(Choose(c.kind, status, map, V::NeedCheck), c.needCheck);
            EXPECT_EQ(Choose(c.kind, status, map, V::Win), c.win);
        }
    }
}

TEST(ChooseEventSound, AcceptanceIsSilentOnlyOnTheRacesOwnTrack) {
    const struct {
        RaceKind kind;
        RaceStatus status;
        const char* map;
        std::optional<E> event;
    } cases[] = {
        {kSingles, 2, "p_track01.gat", std::nullopt},
        {kSingles, 2, "p_track02.gat", E::RaceAcceptingS},
        {kSingles, 2, "hugel.gat", E::RaceAcceptingS},
        {kSingles, 2, "", E::RaceAcceptingS},
        {kSingles, 2, "P_TRACK01.GAT", E::RaceAcceptingS},
        {kSingles, 2, "p_track01.gat ", E::RaceAcceptingS},
        {kDoubles, 10, "p_track02.gat", std::nullopt},
        {kDoubles, 10, "p_track01.gat", E::RaceAcceptingD},
        {kDoubles, 10, "hugel.gat", E::RaceAcceptingD},
        // Other statuses do not care where the player stands.
        {kSingles, 1, "p_track01.gat", E::RaceStartWaitAcceptingS},
        {kDoubles, 11, "p_track02.gat", E::RaceStartWaitingD},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Choose(c.kind, c.status, c.map, V::NoTicket), c.event)
            << c.kind << " " << static_cast<int>(c.status) << " '" << c.map << "'";
    }
}

TEST(ChooseEventSound, OtherRaceKindsChooseNothing) {
    for (RaceKind kind : {2, -1, 100}) {
        EXPECT_EQ(ChooseEventSound(kind, 4, 12, "hugel.gat", V::Win), std::nullopt);
    }
}

class PlayEventSoundTest : public test::LogFixture {
protected:
    EventSounds sounds{settings, log, player};
};

TEST_F(PlayEventSoundTest, SoundsOffMeansNoCallAndNoLine) {
    test::EnableAllSounds(settings);
    settings.SoundEnabled = false;
    settings.LogLevel = 31;
    for (int s = 0; s <= 16; ++s) {
        for (V verdict : kAllVerdicts) {
            sounds.PlayEventSound(kSingles, static_cast<RaceStatus>(s), 0, "hugel.gat", verdict);
            sounds.PlayEventSound(kDoubles, 0, static_cast<RaceStatus>(s), "hugel.gat", verdict);
        }
    }
    EXPECT_TRUE(rec.events.empty());
}

TEST_F(PlayEventSoundTest, DiagnosticLineThenTheFile) {
    test::EnableAllSounds(settings);
    settings.LogLevel = log_bits::Diagnostics;
    sounds.PlayEventSound(kDoubles, 0, race_status::DWaitAccepting, "hugel.gat", V::NoTicket);
    const std::vector<std::string> expected = {
        "log: 12:00:00.000 - InfoSound: CurrentMap(hugel.gat), RaceType(1), "
        "SinglesRaceStatus(0), DoublesRaceStatus(9)",
        "play: RaceStartWaitAcceptingD.wav",
    };
    EXPECT_EQ(rec.events, expected);
}

TEST_F(PlayEventSoundTest, DefaultLogLevelWritesNoDiagnostics) {
    test::EnableAllSounds(settings);
    ASSERT_EQ(settings.LogLevel, 7);
    sounds.PlayEventSound(kSingles, race_status::SRacing, 0, "", V::NoTicket);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"play: RaceStart.wav"}));
}

TEST_F(PlayEventSoundTest, SilenceCallWhenNothingIsDueOrTheEventCannotPlay) {
    settings.SoundEnabled = true;
    settings.Sound(E::RaceStart) = {false, "chimes.wav"};      // switched off
    settings.Sound(E::ResultWin) = {true, ""};                 // no path
    settings.Sound(E::RaceAcceptingS) = {true, "notify.wav"};  // on, but on its track
    settings.Sound(E::ResultDefeat) = {true, "ringout.wav"};
    sounds.PlayEventSound(kSingles, race_status::SRacing, 0, "hugel.gat", V::NoTicket);
    sounds.PlayEventSound(kSingles, race_status::SConfirmed, 0, "hugel.gat", V::Win);
    sounds.PlayEventSound(kSingles, race_status::SAccepting, 0, "p_track01.gat", V::NoTicket);
    sounds.PlayEventSound(kDoubles, 0, race_status::DPayingOut, "hugel.gat", V::Defeat);
    sounds.PlayEventSound(7, 0, 0, "hugel.gat", V::Defeat);
    EXPECT_EQ(rec.plays, (std::vector<std::string>(5, "")));

    rec.Clear();
    sounds.PlayEventSound(kSingles, race_status::SAccepting, 0, "hugel.gat", V::NoTicket);
    sounds.PlayEventSound(kDoubles, 0, race_status::DFirstPlaceDecided, "", V::Defeat);
    EXPECT_EQ(rec.plays, (std::vector<std::string>{"notify.wav", "ringout.wav"}));
}

TEST_F(PlayEventSoundTest, PathIsPlayedAsHeld) {
    settings.SoundEnabled = true;
    settings.Sound(E::ResultNeedCheck) = {true, "%SystemRoot%\\Media\\ding.wav"};
    sounds.PlayEventSound(kSingles, race_status::SClosingNotice, 0, "", V::NoTicket);
    EXPECT_EQ(rec.plays, (std::vector<std::string>{"%SystemRoot%\\Media\\ding.wav"}));
}

}  // namespace
}  // namespace kestro
