#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace kestro::platform {
namespace {

constexpr std::size_t npos = std::string::npos;

std::string ErrnoText(int error) {
    return std::strerror(error);
}

Result Failed(const std::string& what, int error) {
    return Result::Failure(what + ": " + ErrnoText(error));
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
Result ResolveSaveTarget(const std::string& path, std::string& target) {
    constexpr int kMaxLinks = 40;
    target = path;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                return Result();  // a new file
            }
            return Failed(target, errno);
        }
        if (!S_ISLNK(st.st_mode)) {
            return Result();
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            return Failed(target, errno);
        }
        if (static_cast<std::size_t>(n) >= link.size()) {
            return Result::Failure(target + ": symbolic link changed while being read");
        }
        link.resize(static_cast<std::size_t>(n));
        if (link.empty()) {
            return Result::Failure(target + ": empty symbolic link");
        }
        target = link.front() == '/' ? link : ParentFolder(target) + "/" + link;
    }
    return Failed(path, ELOOP);
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

std::atomic<files_testing::CommitFunction> g_commit{nullptr};

int CommitRename(const char* from, const char* to) {
    const files_testing::CommitFunction hook = g_commit.load();
    return hook != nullptr ? hook(from, to) : std::rename(from, to);
}

// The old file, when there is one, must be a regular file that may be written.
Result CheckReplaceable(const std::string& target, bool& exists, struct stat& old) {
    exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return Failed(target, errno);
    }
    if (!exists) {
        return Result();
    }
    if (!S_ISREG(old.st_mode)) {
        return Result::Failure(target + ": not a regular file");
    }
    // The rename would replace a read-only or immutable file without asking; the
    // platform we mirror refuses to write such a file. A file with no write
    // permission for anyone counts as read-only for root as well.
    if (access(target.c_str(), W_OK) != 0) {
        return Failed(target, errno);
    }
    if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return Failed(target, EACCES);
    }
    return Result();
}

}  // namespace

void files_testing::SetCommitForTesting(CommitFunction commit) {
    g_commit.store(commit);
}

Result ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return Result();  // absent
        }
        return Failed(path, errno);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Result::Failure(path + ": not a regular file");
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            close(fd);
            bytes.clear();
            return Failed(path, error);
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return Result();
}

Result ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string target;
    if (Result resolved = ResolveSaveTarget(path, target); !resolved) {
        return resolved;
    }
    struct stat old {};
    bool exists = false;
    if (Result replaceable = CheckReplaceable(target, exists, old); !replaceable) {
        return replaceable;
    }

    const std::string folder = ParentFolder(target);
    const std::string base = BaseName(target);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryName(folder, base);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) {
            return Failed(temporary, errno);
        }
    }
    if (fd < 0) {
        return Result::Failure(folder + ": no free temporary file name");
    }

    auto fail = [&](const std::string& what, int error) {
        if (fd >= 0) {
            close(fd);
        }
        unlink(temporary.c_str());
        return Failed(what, error);
    };

    if (!WriteAll(fd, bytes)) {
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
    return Result();
}

namespace {

// Waits for the lock a little, never for good: another holder keeps it for
// one read and one write; one that keeps it longer is refused like a full disk.
bool LockWithin(int fd, int operation, int waitMs) {
    constexpr int kStepMs = 5;
    for (int waited = 0;; waited += kStepMs) {
        if (flock(fd, operation | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (waited >= waitMs) {
            errno = EWOULDBLOCK;
            return false;
        }
        usleep(kStepMs * 1000);
    }
}

}  // namespace

Result LockedFile::Open(const std::string& path, Mode mode) {
    Close();
    path_ = path;
    const bool append = mode == Mode::Append;
    // O_NONBLOCK: the open of a FIFO would otherwise wait for its other end.
    const int flags =
        (append ? O_RDWR | O_APPEND | O_CREAT : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int fd = open(path.c_str(), flags, 0644);
    if (fd < 0) {
        if (!append && (errno == ENOENT || errno == ENOTDIR)) {
            return Result();  // absent: nothing to read
        }
        return Failed(path, errno);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Result::Failure(path + ": not a regular file");
    }
    // As a replacement is, a file nobody may write is refused to root as well.
    if (append && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        close(fd);
        return Failed(path, EACCES);
    }
    if (!LockWithin(fd, append ? LOCK_EX : LOCK_SH, kLockWaitMs)) {
        const int error = errno;
        close(fd);
        return Failed(path, error);
    }
    // Reads go through the descriptor's own position, writes to the end (O_APPEND).
    const int flagsNow = fcntl(fd, F_GETFL);
    if (flagsNow >= 0) {
        fcntl(fd, F_SETFL, flagsNow & ~O_NONBLOCK);
    }
    handle_ = fd;
    return Result();
}

bool LockedFile::IsOpen() const {
    return handle_ >= 0;
}

Result LockedFile::Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t n = read(static_cast<int>(handle_), buffer, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return Result();
        }
        if (errno != EINTR) {
            return Failed(path_, errno);
        }
    }
}

Result LockedFile::Append(std::string_view bytes) {
    const int fd = static_cast<int>(handle_);
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        return Failed(path_, errno);
    }
    return Result();
}

void LockedFile::Close() {
    if (handle_ >= 0) {
        close(static_cast<int>(handle_));  // releases the lock
        handle_ = -1;
    }
}

bool FolderTakesNewFiles(const std::string& folder) {
    return access(folder.c_str(), W_OK) == 0;
}

std::string_view TextFileLineEnd() {
    return "\n";
}

}  // namespace kestro::platform
