// The settings file as a store of sections and keys that reads and writes the way
// the Windows private-profile functions do, and saves itself atomically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace kestro {

// The longest value a read returns: the reader's buffer held 2048 characters with
// the terminating NUL.
constexpr std::size_t kIniMaxValueLength = 2047;

// Integer encoding of the settings file: decimal with an optional sign, or hex after
// "$", "0x" or "0X" (after the optional sign); leading blanks skipped. Anything else,
// trailing characters or a value outside 32 bits gives `defaultValue`. Hex takes up
// to 0xFFFFFFFF and yields its 32-bit two's-complement value (0xFFFFFFFF is -1).
int32_t ParseIniInteger(std::string_view text, int32_t defaultValue);

class IniFile {
public:
    IniFile() = default;

    // Builds the store from the file's bytes. Never fails: lines that are neither
    // a section header nor a key are kept as they are.
    static IniFile Parse(std::string_view text);

    // Reads the file at `path`. A missing or unreadable file gives an empty store,
    // as the platform's reader does.
    static IniFile Load(const std::string& path);

    // Like Load, but tells an absent file (empty store, success) from one that exists
    // and cannot be read (a failure with the reason): saving over the latter would
    // lose it.
    static Result LoadForUpdate(const std::string& path, IniFile& out);

    // The key's value; nullopt when the section or key is missing or the key has no
    // "=". At most kIniMaxValueLength bytes, cut at an embedded NUL, and with one
    // pair of enclosing quotes removed.
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Sets the key, creating the key at the end of its section and the section at the
    // end of the file when missing. A value is one line: it is cut at the first CR,
    // LF or NUL. Returns false (and changes nothing) for a section or key name that
    // cannot be written as a line of the file (empty, line breaks, "]" or "=").
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    // The file's bytes, every line ending as it was read or written.
    std::string Text() const;
    // The same lines, each ended by `lineEnd`; a last line without an end keeps none.
    std::string Text(std::string_view lineEnd) const;

    // Replaces the file at `path` with Text() in the system's line ends (so a file an
    // older version wrote with LF gets CR LF on Windows, and is still read either way),
    // atomically: a temporary file in the same folder is written, flushed to disk and
    // renamed over the target (over the final target when `path` is a symbolic link),
    // keeping the old file's permission bits. On failure the old file is left whole,
    // no temporary file remains, and the reason says what the system refused.
    Result Save(const std::string& path) const;

private:
    enum class LineKind { kOther, kSection, kKey };
    struct Line {
        std::string text;  // the line without its terminator
        std::string eol;   // "\n", "\r\n", or empty on a last line without one
        LineKind kind = LineKind::kOther;
        std::string name;  // section or key name, trimmed
        bool hasValue = false;
        std::string value;  // trimmed text after the first "="
    };

    static Line ParseLine(std::string text, std::string eol);
    // Index of the header of the first section named `section`, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the first key named `key` in the section whose header is at
    // `sectionLine`, or npos.
    std::size_t FindKey(std::size_t sectionLine, std::string_view key) const;
    const std::string& NewLineText() const;
    void AppendLine(std::size_t position, Line line);

    std::vector<Line> lines_;
    std::string newLine_ = "\n";
};

namespace ini_testing {
// Replaces the rename that commits a save (nullptr restores the system's), so a
// test can make the last step fail after the temporary file has been written.
using RenameFunction = int (*)(const char* from, const char* to);
void SetRenameForTesting(RenameFunction rename);
}  // namespace ini_testing

}  // namespace kestro
