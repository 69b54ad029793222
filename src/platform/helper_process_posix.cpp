#include "platform/helper_process.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kestro::platform {

namespace {

// The cure depends on how Kestro was installed: the shell names it.
std::string SpawnErrorText(const std::string& path, int error) {
    return "Snoop Error: cannot run " + path + ": " + std::strerror(error);
}

constexpr const char* kDefaultHelperGroup = "kestro";

class Pipe {
public:
    Pipe() {
        if (pipe2(fds_, O_CLOEXEC) != 0) {
            fds_[0] = fds_[1] = -1;
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Ok() const { return fds_[0] >= 0; }
    int Read() const { return fds_[0]; }
    int Write() const { return fds_[1]; }
    int ReleaseRead() { return std::exchange(fds_[0], -1); }
    void CloseRead() { CloseFd(fds_[0]); }
    void CloseWrite() { CloseFd(fds_[1]); }

private:
    static void CloseFd(int& fd) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
    int fds_[2];
};

// Starts the helper with its output and error on the pipes, nothing else
// inherited: no descriptor beyond the three, no environment, default signals.
int Spawn(const std::string& path, const std::string& name, const std::string& argument,
          const Pipe& output, const Pipe& errors, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output.Write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors.Write(), STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string programName = name;
    std::string programArgument = argument;
    char* const argv[] = {programName.data(), programArgument.data(), nullptr};
    char* const envp[] = {nullptr};
    const int result = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

std::string EndText(const std::string& name, int status) {
    if (WIFSIGNALED(status)) {
        return "Snoop Error: " + name + " ended by signal " + std::to_string(WTERMSIG(status));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        return "Snoop Error: " + name + " ended with status " + std::to_string(WEXITSTATUS(status));
    }
    return "Snoop Error: " + name + " ended";
}

}  // namespace

bool ProcessCanCapture() {
    if (geteuid() == 0) {
        return true;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    return (data[CAP_TO_INDEX(CAP_NET_RAW)].effective & CAP_TO_MASK(CAP_NET_RAW)) != 0;
}

bool HasCaptureCapability(const std::string& path) {
    return getxattr(path.c_str(), "security.capability", nullptr, 0) > 0;
}

HelperGroup HelperGroupOf(const std::string& helperPath) {
    HelperGroup result{kDefaultHelperGroup};
    std::vector<char> buffer(1 << 16);
    group entry{};
    group* found = nullptr;
    struct stat status {};
    const bool groupOnly = stat(helperPath.c_str(), &status) == 0 &&
                           (status.st_mode & S_IXGRP) != 0 && (status.st_mode & S_IXOTH) == 0;
    if (groupOnly) {
        getgrgid_r(status.st_gid, &entry, buffer.data(), buffer.size(), &found);
    } else {
        getgrnam_r(kDefaultHelperGroup, &entry, buffer.data(), buffer.size(), &found);
    }
    if (found == nullptr) {
        return result;
    }
    result.name = found->gr_name;
    result.exists = true;
    std::vector<char> userBuffer(1 << 16);
    passwd user{};
    passwd* me = nullptr;
    if (getpwuid_r(getuid(), &user, userBuffer.data(), userBuffer.size(), &me) == 0 &&
        me != nullptr) {
        result.listed = me->pw_gid == found->gr_gid;
        for (char** member = found->gr_mem; member != nullptr && *member != nullptr; ++member) {
            result.listed = result.listed || std::strcmp(*member, me->pw_name) == 0;
        }
    }
    result.inThisLogin = getegid() == found->gr_gid;
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(count > 0 ? count : 0));
    if (count > 0 && getgroups(count, groups.data()) == count) {
        for (gid_t gid : groups) {
            result.inThisLogin = result.inThisLogin || gid == found->gr_gid;
        }
    }
    return result;
}

HelperProcess::~HelperProcess() {
    Finish();
}

Result HelperProcess::Start(const std::string& path, const std::string& name,
                            const std::string& argument, std::chrono::milliseconds patience,
                            std::FILE*& output) {
    output = nullptr;
    Finish();
    name_ = name;
    Pipe stream, errors;
    if (!stream.Ok() || !errors.Ok()) {
        return Result::Failure(std::string("Snoop Error: pipe: ") + std::strerror(errno));
    }
    const int spawned = Spawn(path, name, argument, stream, errors, pid_);
    if (spawned != 0) {
        pid_ = -1;
        return Result::Failure(SpawnErrorText(path, spawned));
    }
    // Only the helper holds the write ends now: its end is the stream's end.
    stream.CloseWrite();
    errors.CloseWrite();
    errorFd_ = errors.ReleaseRead();
    pendingLine_.clear();
    lineTooLong_ = false;
    errorLine_.clear();
    reports_.clear();
    fcntl(errorFd_, F_SETFL, O_NONBLOCK);

    // A helper that fails writes its line and ends, which ends the output as well.
    pollfd ready{stream.Read(), POLLIN, 0};
    int polled;
    do {
        polled = poll(&ready, 1, static_cast<int>(patience.count()));
    } while (polled < 0 && errno == EINTR);
    if (polled == 0) {
        Finish();
        return Result::Failure("Snoop Error: " + name + " did not start its capture");
    }
    output = fdopen(stream.Read(), "rb");
    if (output == nullptr) {
        const Result failed =
            Result::Failure(std::string("Snoop Error: fdopen: ") + std::strerror(errno));
        Finish();
        return failed;
    }
    stream.ReleaseRead();  // `output` owns it
    return {};
}

void HelperProcess::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
    }
}

void HelperProcess::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
    }
}

std::string HelperProcess::Finish(bool ask) {
    if (pid_ <= 0) {
        CloseErrorPipe();
        return {};
    }
    if (ask) {
        Stop();
    }
    const int status = Reap(kStopPatience);
    pid_ = -1;
    std::string line = ErrorLine();
    CloseErrorPipe();
    return !line.empty() ? line : EndText(name_, status);
}

// Waits for the helper's end, at most `patience` before SIGKILL. Returns its
// wait status (0 when it had been reaped elsewhere).
int HelperProcess::Reap(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    int status = 0;
    for (;;) {
        const pid_t reaped = waitpid(pid_, &status, WNOHANG);
        if (reaped == pid_ || (reaped < 0 && errno != EINTR)) {
            return reaped == pid_ ? status : 0;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Kill();
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The error pipe holds the helper's reports and, when it fails, one line saying
// why. Neither is trusted: a line longer than any the helper writes is dropped
// whole, and only the first line that is not a report is kept. Bounded per
// call, so that a helper that floods its pipe cannot hold the window; returns
// whether all that was there has been read.
bool HelperProcess::ReadErrorPipe() {
    constexpr std::size_t kLongestLine = 512;
    char buffer[4096];
    for (int reads = 0; errorFd_ >= 0 && reads < 16; ++reads) {
        const ssize_t got = read(errorFd_, buffer, sizeof buffer);
        if (got <= 0) {
            return true;  // all read (or the pipe failed)
        }
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(got))) {
            if (c != '\n') {
                if (pendingLine_.size() < kLongestLine) {
                    pendingLine_ += c;
                } else {
                    lineTooLong_ = true;
                }
                continue;
            }
            if (!lineTooLong_) {
                TakeLine(pendingLine_);
            }
            pendingLine_.clear();
            lineTooLong_ = false;
        }
    }
    return errorFd_ < 0;
}

void HelperProcess::TakeLine(const std::string& line) {
    if (line.starts_with('#')) {
        // Reports are totals: when nobody asks for a while, the oldest may go.
        constexpr std::size_t kKeptReports = 64;
        if (reports_.size() == kKeptReports) {
            reports_.erase(reports_.begin());
        }
        reports_.push_back(line);
    } else if (errorLine_.empty()) {
        errorLine_ = line;
    }
}

std::vector<std::string> HelperProcess::TakeReports() {
    ReadErrorPipe();
    return std::exchange(reports_, {});
}

// The helper has ended, so what it wrote is all there; its last line may lack
// the newline.
std::string HelperProcess::ErrorLine() {
    while (!ReadErrorPipe()) {
    }
    if (!pendingLine_.empty() && !lineTooLong_) {
        TakeLine(pendingLine_);
    }
    pendingLine_.clear();
    return errorLine_;
}

void HelperProcess::CloseErrorPipe() {
    if (errorFd_ >= 0) {
        close(errorFd_);
        errorFd_ = -1;
    }
}

}  // namespace kestro::platform
