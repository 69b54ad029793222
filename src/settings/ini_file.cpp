#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

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

std::string ErrnoText(int error) {
    return std::strerror(error);
}

void SetDetail(std::string* detail, std::string text) {
    if (detail != nullptr) {
        *detail = std::move(text);
    }
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the file that a save must replace, so that a linked
// settings file stays linked instead of being replaced by a plain file.
bool ResolveSaveTarget(const std::string& path, std::string& target, std::string* detail) {
    constexpr int kMaxLinks = 40;
    target = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                return true;  // a new file
            }
            SetDetail(detail, target + ": " + ErrnoText(errno));
            return false;
        }
        if (!S_ISLNK(st.st_mode)) {
            return true;
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            SetDetail(detail, target + ": " + ErrnoText(errno));
            return false;
        }
        if (static_cast<std::size_t>(n) >= link.size()) {
            SetDetail(detail, target + ": symbolic link changed while being read");
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        if (link.empty()) {
            SetDetail(detail, target + ": empty symbolic link");
            return false;
        }
        target = link.front() == '/' ? link : ParentFolder(target) + "/" + link;
    }
    SetDetail(detail, path + ": " + ErrnoText(ELOOP));
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A name no other writer picks: process id, a clock reading and a counter.
std::string TemporaryName(const std::string& folder, const std::string& base) {
    static std::atomic<unsigned> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%ld-%llx-%u", static_cast<long>(getpid()),
                  static_cast<unsigned long long>(ticks), counter.fetch_add(1));
    return folder + "/." + base + suffix;
}

std::atomic<ini_testing::RenameFunction> g_rename{nullptr};

int CommitRename(const char* from, const char* to) {
    const ini_testing::RenameFunction hook = g_rename.load();
    return hook != nullptr ? hook(from, to) : std::rename(from, to);
}

}  // namespace

void ini_testing::SetRenameForTesting(RenameFunction rename) {
    g_rename.store(rename);
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

bool IniFile::LoadForUpdate(const std::string& path, IniFile& out, std::string* detail) {
    out = IniFile();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return true;  // absent: every key reads as missing
        }
        SetDetail(detail, path + ": " + ErrnoText(errno));
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetDetail(detail, path + ": not a regular file");
        close(fd);
        return false;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            SetDetail(detail, path + ": " + ErrnoText(errno));
            close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    out = Parse(bytes);
    return true;
}

IniFile IniFile::Load(const std::string& path) {
    IniFile ini;
    if (!LoadForUpdate(path, ini, nullptr)) {
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

bool IniFile::Save(const std::string& path, std::string* detail) const {
    if (path.empty()) {
        SetDetail(detail, "no settings file name");
        return false;
    }
    std::string target;
    if (!ResolveSaveTarget(path, target, detail)) {
        return false;
    }
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        SetDetail(detail, target + ": " + ErrnoText(errno));
        return false;
    }
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            SetDetail(detail, target + ": not a regular file");
            return false;
        }
        // The rename below would replace a read-only or immutable file without
        // asking; the platform we mirror refuses to write such a file. A file with
        // no write permission for anyone counts as read-only for root as well.
        if (access(target.c_str(), W_OK) != 0) {
            SetDetail(detail, target + ": " + ErrnoText(errno));
            return false;
        }
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            SetDetail(detail, target + ": " + ErrnoText(EACCES));
            return false;
        }
    }

    const std::string folder = ParentFolder(target);
    const std::string base = BaseName(target);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(folder, base);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) {
            SetDetail(detail, temporary + ": " + ErrnoText(errno));
            return false;
        }
    }
    if (fd < 0) {
        SetDetail(detail, folder + ": no free temporary file name");
        return false;
    }

    auto fail = [&](const std::string& what, int error) {
        if (fd >= 0) {
            close(fd);
        }
        unlink(temporary.c_str());
        SetDetail(detail, what + ": " + ErrnoText(error));
        return false;
    };

    if (!WriteAll(fd, Text())) {
        return fail(temporary, errno);
    }
    if (exists) {
        // Owner first: changing it may clear set-id bits that the mode then restores.
        // Only a privileged process may give the file away; anyone else keeps it.
        if (fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) {
            return fail(temporary, errno);
        }
        if (fchmod(fd, old.st_mode & 07777) != 0) {
            return fail(temporary, errno);
        }
    }
    if (fsync(fd) != 0) {
        return fail(temporary, errno);
    }
    const int closeResult = close(fd);
    fd = -1;
    if (closeResult != 0) {
        return fail(temporary, errno);
    }
    if (CommitRename(temporary.c_str(), target.c_str()) != 0) {
        return fail(target, errno);
    }
    // Make the rename itself durable; the new file is complete either way.
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

}  // namespace kestro
