// A real folder under the system's temporary folder, removed with its contents.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace kestro::test {

class TempFolder {
public:
    // mkdtemp is POSIX only: names are drawn at random until one is new.
    explicit TempFolder(const std::string& prefix = "kestro-test-") {
        std::random_device random;
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        for (int attempt = 0; attempt < 100 && !ec && path_.empty(); ++attempt) {
            const std::filesystem::path path = base / (prefix + std::to_string(random()));
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
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace kestro::test
