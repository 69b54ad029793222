// Whole-file reads and atomic replacement, for the settings file: the one place
// that knows how each system names, links, flushes and renames files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"

namespace kestro::platform {

// A std::filesystem::path from a path of the program (UTF-8), and back. The
// narrow constructor and string() of the Windows C++ library read and write
// neither UTF-8 nor the ANSI code page, so a path crosses only through these.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// Reads the whole file at `path` into `bytes`. An absent file succeeds with no
// bytes; a file that exists and cannot be read, or is not a regular file, fails
// with "<path>: <why>".
Result ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file at `path` with `bytes`, atomically: a temporary file in the
// same folder is written, flushed to disk and renamed over the target (over the
// final target when `path` is a symbolic link), keeping the old file's owner and
// permission bits. A read-only file is refused, not replaced. On failure the old
// file is left whole, no temporary file remains, and the reason names the file.
Result ReplaceFile(const std::string& path, std::string_view bytes);

// Appends `bytes` to the file at `path` in one write, creating the file when it
// is absent, and flushes it to disk before returning: a process killed meanwhile
// leaves at most this one write incomplete, never an earlier one. A path that
// is not a regular file, or a read-only file, is refused.
Result AppendToFile(const std::string& path, std::string_view bytes);

// True when this process may create files in `folder` (a save replaces a file
// through a new one beside it, so the folder decides, not the file).
bool FolderTakesNewFiles(const std::string& folder);

// How a line of a text file that a player may open in an editor ends here: CR LF
// on Windows, where every other text file of the package has them and editors
// expect them; LF elsewhere.
std::string_view TextFileLineEnd();

namespace files_testing {
// Replaces the rename that commits a replacement (nullptr restores the system's),
// so a test can make the last step fail after the temporary file has been
// written. Like rename(), it returns 0 or sets errno.
using CommitFunction = int (*)(const char* from, const char* to);
void SetCommitForTesting(CommitFunction commit);
}  // namespace files_testing

}  // namespace kestro::platform
