#include "common/cp932.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kestro {
namespace {

// The literals that the program compares against game texts must come out
// as exactly the bytes the game sends.
TEST(Cp932, ConvertsLiteralsToTheGamesBytes) {
    EXPECT_EQ(Utf8ToCp932("番の"), "\x94\xD4\x82\xCC");
    EXPECT_EQ(Utf8ToCp932("天の声: "), "\x93\x56\x82\xCC\x90\xBA: ");
    EXPECT_EQ(Utf8ToCp932("①⑥"), "\x87\x40\x87\x45");
    EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");
    EXPECT_EQ(Utf8ToCp932("優勝モンスターは").size(), 16u);
    EXPECT_EQ(Utf8ToCp932("p_track01.gat"), "p_track01.gat");
}

TEST(Cp932, RoundTripsJapaneseText) {
    const std::string text = "約3分後にモンスターレースシングルスがスタートします。";
    EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932(text)), text);
}

TEST(Cp932, RefusesTextWithoutCp932Form) {
    EXPECT_THROW(Utf8ToCp932("\xF0\x9F\x98\x80"), std::runtime_error);  // an emoji
}

// Texts from outside (system messages, paths) keep everything CP932 can show.
TEST(Cp932, LossyConversionMarksWhatCp932CannotShow) {
    const struct {
        const char* utf8;
        const char* cp932;
    } cases[] = {
        {"lo: 番の", "lo: \x94\xD4\x82\xCC"},
        {"/tmp/\xF0\x9F\x98\x80.pcap: 番", "/tmp/?.pcap: \x94\xD4"},  // an emoji
        {"a\xE3\x81"
         "b",
         "a?b"},                 // a cut sequence
        {"\xFF\xC3\xA9", "??"},  // not UTF-8; "é", which CP932 lacks
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToCp932Lossy(c.utf8), c.cp932) << c.utf8;
    }
}

TEST(Cp932, DisplaysBrokenBytesAsReplacementCharacters) {
    // A lone lead byte at the end, as a runner byte may be.
    EXPECT_EQ(Cp932ToUtf8("3\x82"), "3\xEF\xBF\xBD");
    // An unassigned double-byte code in the middle keeps the text around it.
    EXPECT_EQ(Cp932ToUtf8("a\x85\x40"
                          "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Cp932, PrefixCountsDoubleByteCharactersOnce) {
    const std::string text = Utf8ToCp932("続いて、2番");
    EXPECT_EQ(Cp932PrefixBytes(text, 4), 8u);
    EXPECT_EQ(Cp932PrefixBytes(text, 5), 9u);
    EXPECT_EQ(Cp932PrefixBytes(text, 7), std::string_view::npos);
    // A lead byte cut off at the end does not make a whole character.
    EXPECT_EQ(Cp932PrefixBytes("ab\x82", 3), std::string_view::npos);
    EXPECT_EQ(Cp932PrefixBytes("", 0), 0u);
}

}  // namespace
}  // namespace kestro
