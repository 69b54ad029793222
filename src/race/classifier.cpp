#include "race/classifier.h"

#include <vector>

#include "common/cp932.h"
#include "race/race_engine.h"

namespace kestro {
namespace {

using Test = AnnouncementRule::Test;

// The runner byte is taken as it stands, unchecked. A text that ends right at
// the prefix names no runner: it is not known, '0' as for a finisher never
// heard, and no NUL byte ends up in the result message.
TicketChar ByteAt(const std::string& text, std::size_t offset) {
    return offset < text.size() ? static_cast<TicketChar>(text[offset]) : TicketChar{'0'};
}

std::size_t CountCp932Chars(std::string_view cp932) {
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < cp932.size(); ++chars) {
        pos += IsCp932LeadByte(static_cast<unsigned char>(cp932[pos])) ? 2 : 1;
    }
    return chars;
}

// The next-race guidance is the same line for both races: the track the player
// stands on tells which race it is about.
void GuidanceForTrack(RaceEngine& engine, TicketChar) {
    const std::string& map = engine.State().CurrentMap;
    if (map == kSinglesTrackMap) {
        engine.EnterClosingNotice(kSingles);
    } else if (map == kDoublesTrackMap) {
        engine.EnterClosingNotice(kDoubles);
    }
}

struct RuleSource {
    int number;
    Test test;
    std::string_view utf8;
    std::string_view onlyOnMap;
    bool inTown;
    void (*apply)(RaceEngine&, TicketChar);
};

// clang-format off
const RuleSource kRuleSources[] = {
    // Track side: the player's map stays as it is.
    {1, Test::Equals, "約3分後にモンスターレースシングルスがスタートします。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kSingles, 3); }},
    {2, Test::Equals, "まもなくモンスターレースシングルスがスタートします。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kSingles, 1); }},
    {3, Test::Equals, "モンスターレースシングルスがスタートします。皆様の幸運を祈ります。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceStart(kSingles); }},
    {4, Test::BeginsWith, "優勝モンスターは", {}, false,
     [](RaceEngine& e, TicketChar runner) { e.SetFirstFinisher(kSingles, runner); }},
    {5, Test::Equals, "優勝したモンスターを見事当てた方は、交換員の元へ来てください。", {}, false,
     [](RaceEngine& e, TicketChar) { e.EnterPayingOut(kSingles); }},
    {6, Test::Equals, "約3分後にモンスターレースダブルスがスタートします。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kDoubles, 3); }},
    {7, Test::Equals, "まもなくモンスターレースダブルスがスタートします。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kDoubles, 1); }},
    {8, Test::Equals, "モンスターレースダブルスがスタートします。皆様の幸運を祈ります。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceStart(kDoubles); }},
    {9, Test::OneByteBefore, "番のモンスターがゴールしました。", {}, false,
     [](RaceEngine& e, TicketChar runner) { e.SetFirstFinisher(kDoubles, runner); }},
    {10, Test::BeginsWith, "続いて、", {}, false,
     [](RaceEngine& e, TicketChar runner) { e.SetSecondFinisher(kDoubles, runner); }},
    // Heard elsewhere too; only on the Doubles track is it about Doubles.
    {11, Test::Equals, "優勝モンスターを当てた方は、モンスターチケットを交換所でメダルと交換してください。",
     kDoublesTrackMap, false,
     [](RaceEngine& e, TicketChar) { e.EnterPayingOut(kDoubles); }},
    {12, Test::Equals, "モンスターレースの次のレースに関する案内をさせていただきます。", {}, false,
     GuidanceForTrack},
    // Town side. AnnounceWaitAccepting places the player in town by itself.
    {13, Test::Equals, "まもなく、モンスターレースシングルスの受付を開始します。皆様奮ってご参加ください。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceWaitAccepting(kSingles); }},
    {14, Test::Equals, "モンスターレースシングルスの受付を開始しました。皆様奮ってご参加ください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kSingles, 5); }},
    {15, Test::Equals, "モンスターレースシングルスの受付中です。レースに参加する方は入場してください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kSingles, 4); }},
    {16, Test::Equals, "まもなく、モンスターレースシングルスが開始されます。レースに参加する方は入場してください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kSingles, 2); }},
    {17, Test::Equals, "まもなく、モンスターレースシングルスが開始されます。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kSingles, 1); }},
    {18, Test::Equals, "モンスターレースシングルスがスタートしました。参加できなかった方は次回をお楽しみください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceStart(kSingles); }},
    {19, Test::Equals, "まもなく、モンスターレースダブルスの受付を開始します。皆様奮ってご参加ください。", {}, false,
     [](RaceEngine& e, TicketChar) { e.AnnounceWaitAccepting(kDoubles); }},
    {20, Test::Equals, "モンスターレースダブルスの受付を開始しました。皆様奮ってご参加ください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kDoubles, 5); }},
    {21, Test::Equals, "モンスターレースダブルスの受付中です。レースに参加する方は入場してください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kDoubles, 4); }},
    {22, Test::Equals, "まもなく、モンスターレースダブルスが開始されます。レースに参加する方は入場してください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceAccepting(kDoubles, 2); }},
    {23, Test::Equals, "モンスターレースダブルスがスタートしました。参加できなかった方は次回をお楽しみください。", {}, true,
     [](RaceEngine& e, TicketChar) { e.AnnounceStart(kDoubles); }},
};
// clang-format on

std::vector<AnnouncementRule> CompileRules() {
    std::vector<AnnouncementRule> rules;
    rules.reserve(std::size(kRuleSources));
    for (const RuleSource& s : kRuleSources) {
        rules.push_back(
            {s.number, s.test, s.utf8, Utf8ToCp932(s.utf8), s.onlyOnMap, s.inTown, s.apply});
    }
    return rules;
}

// Whether the rule's test holds; if so, runner receives the runner byte of the
// rules that carry one.
bool Matches(const AnnouncementRule& rule, const std::string& text, const std::string& currentMap,
             TicketChar& runner) {
    if (!rule.onlyOnMap.empty() && currentMap != rule.onlyOnMap) {
        return false;
    }
    const std::string_view line = rule.cp932;
    switch (rule.test) {
        case Test::Equals:
            return text == line;
        case Test::BeginsWith: {
            // The prefix is counted in characters of the text, so a text shorter
            // than the prefix never matches.
            const std::size_t bytes = Cp932PrefixBytes(text, CountCp932Chars(line));
            if (bytes == std::string_view::npos ||
                std::string_view(text).substr(0, bytes) != line) {
                return false;
            }
            runner = ByteAt(text, bytes);
            return true;
        }
        case Test::OneByteBefore:
            if (text.size() != line.size() + 1 || std::string_view(text).substr(1) != line) {
                return false;
            }
            runner = ByteAt(text, 0);
            return true;
    }
    return false;
}

}  // namespace

std::span<const AnnouncementRule> AnnouncementRules() {
    static const std::vector<AnnouncementRule> rules = CompileRules();
    return rules;
}

void HandleAnnouncement(RaceEngine& engine, const std::string& text) {
    if (engine.GetSettings().LogLevel & log_bits::Announcer) {
        static const std::string voice = Utf8ToCp932("天の声: ");
        engine.GetLog().ShowStatusMessage(voice + text);
    }
    for (const AnnouncementRule& rule : AnnouncementRules()) {
        TicketChar runner = 0;
        if (!Matches(rule, text, engine.State().CurrentMap, runner)) {
            continue;
        }
        if (rule.inTown) {
            engine.State().CurrentMap = kTownMap;
        }
        rule.apply(engine, runner);
        return;
    }
}

}  // namespace kestro
