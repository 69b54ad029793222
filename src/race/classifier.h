// Recognises the announcer's race lines and moves the races on.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/race_types.h"

namespace kestro {

class RaceEngine;

// One line of the rule table. Rules are tried in table order; the first whose
// test holds is applied and ends the handling.
struct AnnouncementRule {
    enum class Test {
        Equals,         // the whole text equals the line
        BeginsWith,     // the text begins with the line; the runner byte follows it
        OneByteBefore,  // exactly one byte, the runner, followed by the line
    };

    int number;
    Test test;
    std::string_view utf8;  // the line as written here
    std::string cp932;      // the same line as the game sends it
    // Only while CurrentMap is this map (empty: on any map).
    std::string_view onlyOnMap;
    // Town-side lines place the player in town before the transition.
    bool inTown;
    void (*apply)(RaceEngine& engine, TicketChar runner);
};

// The rule table, its lines converted to CP932 once, at first use.
std::span<const AnnouncementRule> AnnouncementRules();

// Handles one announcer message (CP932 bytes as received).
void HandleAnnouncement(RaceEngine& engine, const std::string& text);

}  // namespace kestro
