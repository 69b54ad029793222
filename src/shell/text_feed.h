// The races at a glance for streaming software's text sources: a small UTF-8
// file beside the settings file, holding the compact form's lines and kept
// current while the player has it switched on. It is only ever written here;
// nothing is sent anywhere.
#pragma once

#include <array>
#include <string>

#include "common/result.h"

namespace kestro {

// "<settings file's stem>-feed.txt" beside it; empty for an empty path.
std::string TextFeedFileFor(const std::string& iniPath);
// "kestro-feed.txt" in the folder of `file`: a replay's, beside its history file.
std::string TextFeedFileBeside(const std::string& file);

// The file's content: each line ended by "\n", no byte-order mark, so that a
// text source shows exactly the lines.
std::string TextFeedText(const std::array<std::string, 2>& lines);

// Writes the lines when they differ from what the file was last given; each
// write replaces the file in one step, so a reader never sees half of it.
class TextFeed {
public:
    explicit TextFeed(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }
    // A refusal comes back each time, the file left as it was; the next call
    // tries again, since the folder or the file may have come back.
    Result Write(const std::array<std::string, 2>& lines);
    // Empties the file, so that a stream no longer shows a countdown that has
    // stopped; a file never written is left alone.
    Result Clear();

private:
    Result Put(const std::string& text);

    std::string path_;
    bool written_ = false;
    std::string last_;
};

}  // namespace kestro
