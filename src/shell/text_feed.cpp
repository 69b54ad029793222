#include "shell/text_feed.h"

#include "common/sibling_file.h"
#include "platform/files.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

std::string TextFeedFileFor(const std::string& iniPath) {
    return FileBesideSettings(iniPath, "-feed.txt");
}

std::string TextFeedFileBeside(const std::string& file) {
    const std::size_t slash = file.find_last_of("/\\");
    return (slash == std::string::npos ? std::string() : file.substr(0, slash + 1)) +
           "kestro-feed.txt";
}

std::string TextFeedText(const std::array<std::string, 2>& lines) {
    return lines[0] + "\n" + lines[1] + "\n";
}

Result TextFeed::Write(const std::array<std::string, 2>& lines) {
    const std::string text = TextFeedText(lines);
    if (written_ && text == last_) {
        return Result();
    }
    return Put(text);
}

Result TextFeed::Clear() {
    if (!written_ || last_.empty()) {
        return Result();
    }
    return Put(std::string());
}

Result TextFeed::Put(const std::string& text) {
    const Result replaced = platform::ReplaceFile(path_, text);
    if (!replaced) {
        return replaced.Telling(CannotWriteMessage(path_));
    }
    written_ = true;
    last_ = text;
    return replaced;
}

}  // namespace kestro
