// What a player reads agrees with what the programs offer: every item of the
// popup menu is named in each document that describes the window, and every
// option a program's own usage lists is named in each document of that program.
#include "shell/popup_menu.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kestro {
namespace {

std::string ReadSourceFile(const std::string& relative) {
    std::ifstream in(std::string(KESTRO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The documents that tell a player about the main window and its menu.
constexpr std::array kWindowDocuments = {
    "README.md",
    "packaging/man/kestro.1",
    "scripts/README-windows.txt",
};

std::string WithoutAccessKey(std::string_view caption) {
    std::string plain;
    for (const char c : caption) {
        if (c != '&') {
            plain += c;
        }
    }
    return plain;
}

TEST(DocumentsTest, EveryMenuItemIsNamedWhereTheWindowIsDescribed) {
    for (const char* document : kWindowDocuments) {
        const std::string text = ReadSourceFile(document);
        ASSERT_FALSE(text.empty()) << document;
        for (const MenuRow& row : kPopupMenu) {
            EXPECT_NE(text.find(WithoutAccessKey(row.caption)), std::string::npos)
                << document << " does not name the menu item " << row.caption;
        }
    }
}

// Runs `program --help` and returns what it printed.
std::string UsageOf(const std::string& program) {
    std::string out;
    if (FILE* pipe = popen(("'" + program + "' --help").c_str(), "r")) {
        std::array<char, 4096> buffer{};
        while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
            out.append(buffer.data(), n);
        }
        pclose(pipe);
    }
    return out;
}

std::set<std::string> OptionsIn(const std::string& usage) {
    static const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> options;
    for (std::sregex_iterator it(usage.begin(), usage.end(), option), end; it != end; ++it) {
        options.insert(it->str());
    }
    return options;
}

TEST(DocumentsTest, EveryOptionOfEveryProgramIsNamedInItsDocuments) {
    const struct {
        std::string program;
        std::vector<std::string> documents;
    } rows[] = {
        {KESTRO_PROGRAM, {"packaging/man/kestro.1"}},
        {KESTRO_REPLAY_PROGRAM, {"packaging/man/kestro-replay.1", "README.md"}},
        // kestro-replay-gui(1) is a link to kestro-replay(1).
        {KESTRO_REPLAY_GUI_PROGRAM, {"packaging/man/kestro-replay.1"}},
        {KESTRO_CAPTURE_PROGRAM, {"packaging/man/kestro-capture.8"}},
    };
    for (const auto& row : rows) {
        const std::set<std::string> options = OptionsIn(UsageOf(row.program));
        ASSERT_TRUE(options.contains("--version")) << row.program << " printed no usage";
        for (const std::string& document : row.documents) {
            std::string text = ReadSourceFile(document);
            // A man page writes a hyphen as "\-".
            text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
            for (const std::string& name : options) {
                EXPECT_NE(text.find(name), std::string::npos)
                    << document << " does not name " << name << " of " << row.program;
            }
        }
    }
}

}  // namespace
}  // namespace kestro
