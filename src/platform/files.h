// Whole-file reads and atomic replacement, for the settings file, and locked
// appends, for the history: the one place that knows how each system names,
// links, locks, flushes and renames files.
#pragma once

#include <cstdint>
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

// A file that more than one process appends rows to: opened afresh for each
// use, so that whatever another program made of it meanwhile (removed, emptied,
// saved again, replaced) is what is read and appended to. Reading is under a
// shared lock, appending under an exclusive one (flock; LockFileEx on
// Windows), so that no process reads half a row of another or appends a row
// another appended a moment before. Other programs may keep the file open for
// reading and writing (a viewer, an editor). Only regular files are opened,
// and the open never waits: a FIFO or a device in its place is refused at once.
class LockedFile {
public:
    enum class Mode { Read, Append };
    // How long a lock held by another process is waited for before the open
    // gives up: holders keep it for one read and one write.
    static constexpr int kLockWaitMs = 200;

    LockedFile() = default;
    ~LockedFile() { Close(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens the file at `path` and locks it. Read: an absent file succeeds with
    // nothing open (IsOpen false). Append: an absent file is created; a file
    // nobody may write (read-only, immutable) is refused to root as well.
    Result Open(const std::string& path, Mode mode);
    bool IsOpen() const;
    // The next bytes from the start on; `got` is 0 at the end.
    Result Read(char* buffer, std::size_t size, std::size_t& got);
    // `bytes` at the end of the file in one write, flushed to disk before it
    // returns. A write cut short may leave part of `bytes` behind.
    Result Append(std::string_view bytes);
    // Unlocks and closes; the destructor does it too.
    void Close();

private:
    std::string path_;
    std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE; -1 when nothing is open
};

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
