#include "platform/files.h"

#include <windows.h>
#undef ReplaceFile  // windows.h maps it to ReplaceFileA; ours is platform::ReplaceFile

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/wide_text_win32.h"

namespace kestro::platform {
namespace {

constexpr std::size_t npos = std::string::npos;

// In UTF-8, as the paths it follows: the ANSI form would garble a message in
// another language than the code page's.
std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message =
        n > 0 && text != nullptr ? Utf8FromWide(std::wstring_view(text, n)) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty()) {
        message = "error " + std::to_string(error);
    }
    return message;
}

Result Failed(const std::string& what, DWORD error) {
    return Result::Failure(what + ": " + SystemMessage(error));
}

// Windows takes both separators.
std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of("\\/");
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = LastSeparator(path);
    return slash == npos ? std::string(".") : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = LastSeparator(path);
    return slash == npos ? path : path.substr(slash + 1);
}

bool IsAbsent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A name no other writer picks: process id, a clock reading and a counter.
std::string TemporaryName(const std::string& folder, const std::string& base) {
    static std::atomic<unsigned> counter{0};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lu-%llx-%u",
                  static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long long>(GetTickCount64()), counter.fetch_add(1));
    const std::string separator =
        folder.empty() || folder.back() == '\\' || folder.back() == '/' ? "" : "\\";
    return folder + separator + "." + base + suffix;
}

std::atomic<files_testing::CommitFunction> g_commit{nullptr};

// std::rename does not replace an existing file here; MoveFileExW does, and
// waits until the move is on disk.
Result Commit(const std::string& from, const std::string& to) {
    if (const files_testing::CommitFunction hook = g_commit.load(); hook != nullptr) {
        if (hook(from.c_str(), to.c_str()) != 0) {
            return Result::Failure(to + ": " + std::strerror(errno));
        }
        return Result();
    }
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Failed(to, GetLastError());
    }
    return Result();
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk =
            static_cast<DWORD>(bytes.size() > 0x40000000 ? 0x40000000 : bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

void files_testing::SetCommitForTesting(CommitFunction commit) {
    g_commit.store(commit);
}

Result ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return IsAbsent(error) ? Result() : Failed(path, error);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Result::Failure(path + ": not a regular file");
    }
    // Binary: the file's own line ends are kept, never translated.
    std::FILE* file = _wfopen(WidePath(path).c_str(), L"rb");
    if (file == nullptr) {
        return Result::Failure(path + ": " + std::strerror(errno));
    }
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        bytes.clear();
        return Result::Failure(path + ": cannot be read");
    }
    return Result();
}

Result ReplaceFile(const std::string& path, std::string_view bytes) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (const DWORD error = GetLastError(); !IsAbsent(error)) {
            return Failed(path, error);
        }
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Result::Failure(path + ": not a regular file");
    } else if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        // The replacement would succeed over it; the read-only mark says no.
        return Failed(path, ERROR_ACCESS_DENIED);
    }

    const std::string folder = ParentFolder(path);
    const std::string base = BaseName(path);
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryName(folder, base);
        file = CreateFileW(WidePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return Failed(temporary, GetLastError());
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return Result::Failure(folder + ": no free temporary file name");
    }

    auto fail = [&](const std::string& what, DWORD error) {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
        DeleteFileW(WidePath(temporary).c_str());
        return Failed(what, error);
    };
    if (!WriteAll(file, bytes)) {
        return fail(temporary, GetLastError());
    }
    if (!FlushFileBuffers(file)) {
        return fail(temporary, GetLastError());
    }
    const BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed) {
        return fail(temporary, GetLastError());
    }
    if (Result committed = Commit(temporary, path); !committed) {
        DeleteFileW(WidePath(temporary).c_str());
        return committed;
    }
    return Result();
}

namespace {

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The whole file, however long it grows while locked.
constexpr DWORD kWholeFile = MAXDWORD;

// Waits for the lock a little, never for good, as on the other systems.
bool LockWithin(HANDLE file, bool exclusive, int waitMs) {
    constexpr int kStepMs = 5;
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    for (int waited = 0;; waited += kStepMs) {
        OVERLAPPED from{};
        if (LockFileEx(file, flags, 0, kWholeFile, kWholeFile, &from)) {
            return true;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION || waited >= waitMs) {
            return false;
        }
        Sleep(kStepMs);
    }
}

}  // namespace

Result LockedFile::Open(const std::string& path, Mode mode) {
    Close();
    path_ = path;
    const bool append = mode == Mode::Append;
    // As for a replacement, the read-only mark says no, whatever the handle would allow.
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return Result::Failure(path + ": not a regular file");
        }
        if (append && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            return Failed(path, ERROR_ACCESS_DENIED);
        }
    }
    // Shared for reading, writing and deleting: a viewer or an editor that has
    // the file open keeps it open. A program that holds it without sharing
    // (a spreadsheet) makes the open fail; the caller tries again later.
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end.
    const DWORD access = GENERIC_READ | (append ? FILE_APPEND_DATA : 0);
    const HANDLE file = CreateFileW(
        WidePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, append ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (!append && IsAbsent(error)) {
            return Result();  // absent: nothing to read
        }
        return Failed(path, error);
    }
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return Result::Failure(path + ": not a regular file");
    }
    if (!LockWithin(file, append, kLockWaitMs)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        return Failed(path, error);
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return Result();
}

bool LockedFile::IsOpen() const {
    return handle_ != -1;
}

Result LockedFile::Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(Handle(handle_), buffer, ask, &n, nullptr)) {
        return Failed(path_, GetLastError());
    }
    got = n;
    return Result();
}

Result LockedFile::Append(std::string_view bytes) {
    const HANDLE file = Handle(handle_);
    LARGE_INTEGER none{};
    if (!SetFilePointerEx(file, none, nullptr, FILE_END) || !WriteAll(file, bytes) ||
        !FlushFileBuffers(file)) {
        return Failed(path_, GetLastError());
    }
    return Result();
}

void LockedFile::Close() {
    if (handle_ != -1) {
        const HANDLE file = Handle(handle_);
        OVERLAPPED from{};
        UnlockFileEx(file, 0, kWholeFile, kWholeFile, &from);
        CloseHandle(file);
        handle_ = -1;
    }
}

bool FolderTakesNewFiles(const std::string& folder) {
    // The folder's attributes do not tell (Program Files is not marked read-only),
    // so try: create a file that is gone again when closed.
    const std::string probe =
        TemporaryName(folder.empty() ? std::string(".") : folder, "kestro-probe");
    const HANDLE file = CreateFileW(WidePath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

std::string_view TextFileLineEnd() {
    return "\r\n";
}

}  // namespace kestro::platform
