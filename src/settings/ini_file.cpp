#include "settings/ini_file.h"

#include <utility>

#include "platform/files.h"

namespace kestro {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The profile reader's notion of white space: the C locale's, plus the old
// end-of-file mark Ctrl-Z that editors of the time left behind.
bool IsIniSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsIniSpace(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsIniSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != npos;
}

bool IsWritableSectionName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && name.find(']') == npos;
}

// A key must read back as the same key: no "=", and no first character that would
// turn its line into a comment or a section header.
bool IsWritableKeyName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && name.find('=') == npos &&
           name.front() != ';' && name.front() != '[';
}

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (hex && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

void ini_testing::SetRenameForTesting(RenameFunction rename) {
    platform::files_testing::SetCommitForTesting(rename);
}

int32_t ParseIniInteger(std::string_view text, int32_t defaultValue) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) {
        return defaultValue;
    }
    const uint64_t base = hex ? 16 : 10;
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], hex);
        if (digit < 0) {
            return defaultValue;
        }
        value = value * base + static_cast<uint64_t>(digit);
        if (value > limit) {
            return defaultValue;
        }
    }
    if (hex) {
        uint32_t bits = static_cast<uint32_t>(value);
        if (negative) {
            bits = 0u - bits;
        }
        return static_cast<int32_t>(bits);
    }
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(value)
                                         : static_cast<int64_t>(value));
}

IniFile::Line IniFile::ParseLine(std::string text, std::string eol) {
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    std::string_view s = Trim(line.text);
    if (s.empty() || s.front() == ';') {
        return line;
    }
    if (s.front() == '[') {
        const std::size_t close = s.rfind(']');
        if (close != npos) {
            line.kind = LineKind::kSection;
            line.name = std::string(Trim(s.substr(1, close - 1)));
            return line;
        }
    }
    line.kind = LineKind::kKey;
    const std::size_t equals = s.find('=');
    if (equals == npos) {
        line.name = std::string(s);
        return line;
    }
    line.name = std::string(TrimRight(s.substr(0, equals)));
    line.value = std::string(TrimLeft(s.substr(equals + 1)));
    line.hasValue = true;
    return line;
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    bool newLineChosen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        std::string_view body;
        std::string eol;
        if (lf == npos) {
            body = text.substr(pos);
            pos = text.size();
        } else {
            body = text.substr(pos, lf - pos);
            pos = lf + 1;
            eol = "\n";
            if (!body.empty() && body.back() == '\r') {
                body.remove_suffix(1);
                eol = "\r\n";
            }
        }
        if (!newLineChosen && !eol.empty()) {
            ini.newLine_ = eol;  // new lines follow the file's own convention
            newLineChosen = true;
        }
        Line line = ParseLine(std::string(body), std::move(eol));
        if (ini.lines_.empty() && body.starts_with(kUtf8Bom)) {
            // An editor's byte order mark must not hide the first section; the
            // mark itself stays in the text.
            Line bare = ParseLine(std::string(body.substr(kUtf8Bom.size())), "");
            line.kind = bare.kind;
            line.name = std::move(bare.name);
            line.hasValue = bare.hasValue;
            line.value = std::move(bare.value);
        }
        ini.lines_.push_back(std::move(line));
    }
    return ini;
}

Result IniFile::LoadForUpdate(const std::string& path, IniFile& out) {
    out = IniFile();
    std::string bytes;
    if (Result read = platform::ReadWholeFile(path, bytes); !read) {
        return read;
    }
    out = Parse(bytes);  // an absent file reads as empty: every key is missing
    return Result();
}

IniFile IniFile::Load(const std::string& path) {
    IniFile ini;
    if (!LoadForUpdate(path, ini)) {
        return IniFile();
    }
    return ini;
}

std::size_t IniFile::FindSection(std::string_view section) const {
    section = Trim(section);
    if (section.empty()) {
        return npos;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::kSection &&
            EqualsIgnoreAsciiCase(lines_[i].name, section)) {
            return i;
        }
    }
    return npos;
}

std::size_t IniFile::FindKey(std::size_t sectionLine, std::string_view key) const {
    key = Trim(key);
    for (std::size_t i = sectionLine + 1; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::kSection) {
            break;
        }
        if (lines_[i].kind == LineKind::kKey && EqualsIgnoreAsciiCase(lines_[i].name, key)) {
            return i;
        }
    }
    return npos;
}

std::optional<std::string> IniFile::ReadString(std::string_view section,
                                               std::string_view key) const {
    const std::size_t sectionLine = FindSection(section);
    if (sectionLine == npos) {
        return std::nullopt;
    }
    const std::size_t keyLine = FindKey(sectionLine, key);
    if (keyLine == npos || !lines_[keyLine].hasValue) {
        return std::nullopt;
    }
    std::string_view value = lines_[keyLine].value;
    // The platform hands values over as C strings.
    value = value.substr(0, value.find('\0'));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kIniMaxValueLength));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    std::optional<std::string> value = ReadString(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t defaultValue) const {
    const std::optional<std::string> value = ReadString(section, key);
    return value ? ParseIniInteger(*value, defaultValue) : defaultValue;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

const std::string& IniFile::NewLineText() const {
    return newLine_;
}

void IniFile::AppendLine(std::size_t position, Line line) {
    if (position > 0 && lines_[position - 1].eol.empty()) {
        lines_[position - 1].eol = NewLineText();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(position), std::move(line));
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (!IsWritableSectionName(section) || !IsWritableKeyName(key)) {
        return false;
    }
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));

    const std::size_t sectionLine = FindSection(section);
    if (sectionLine == npos) {
        AppendLine(lines_.size(), ParseLine("[" + std::string(section) + "]", NewLineText()));
        AppendLine(lines_.size(),
                   ParseLine(std::string(key) + "=" + std::string(value), NewLineText()));
        return true;
    }
    const std::size_t keyLine = FindKey(sectionLine, key);
    if (keyLine != npos) {
        Line& line = lines_[keyLine];
        // The key keeps the spelling it has in the file.
        line = ParseLine(line.name + "=" + std::string(value), std::move(line.eol));
        return true;
    }
    // New keys go after the section's last non-blank line, ahead of the blank lines
    // that separate it from the next section.
    std::size_t last = sectionLine;
    for (std::size_t i = sectionLine + 1; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::kSection) {
            break;
        }
        if (!Trim(lines_[i].text).empty()) {
            last = i;
        }
    }
    AppendLine(last + 1, ParseLine(std::string(key) + "=" + std::string(value), NewLineText()));
    return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.eol;
    }
    return text;
}

std::string IniFile::Text(std::string_view lineEnd) const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        if (!line.eol.empty()) {
            text += lineEnd;
        }
    }
    return text;
}

Result IniFile::Save(const std::string& path) const {
    if (path.empty()) {
        return Result::Failure("no settings file name");
    }
    return platform::ReplaceFile(path, Text(platform::TextFileLineEnd()));
}

}  // namespace kestro
