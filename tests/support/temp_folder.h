// A real folder under the system's temporary folder, removed with its contents.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace kestro::test {

// Paths in tests are UTF-8, as in the program; the narrow forms of the Windows
// C++ library would garble a folder named テスト.
inline std::filesystem::path Utf8Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8String(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

class TempFolder {
public:
    // mkdtemp is POSIX only: names are drawn at random until one is new. The
    // prefix is UTF-8 and may name a folder outside the ANSI code page.
    explicit TempFolder(const std::string& prefix = "kestro-test-") {
        std::random_device random;
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        for (int attempt = 0; attempt < 100 && !ec && path_.empty(); ++attempt) {
            const std::filesystem::path path = base / Utf8Path(prefix + std::to_string(random()));
            if (std::filesystem::create_directory(path, ec)) {
                path_ = path;
            }
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // False when no folder could be made; Path() is then empty.
    bool Ok() const { return !path_.empty(); }
    const std::filesystem::path& Path() const { return path_; }
    std::string Path(const std::string& name) const { return Utf8String(path_ / Utf8Path(name)); }

private:
    std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(Utf8Path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `text` with each LF as a saved settings file ends its lines on this system: CR LF
// on Windows. Written out here, not asked of the program, so a save that ends its
// lines the other way fails the comparison.
inline std::string InSavedLineEnds(std::string_view text) {
#ifdef _WIN32
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? std::string_view("\r\n") : std::string_view(&c, 1);
    }
    return out;
#else
    return std::string(text);
#endif
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace kestro::test
