#include "platform/process.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

namespace kestro::platform {

std::string ExecutablePath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string RunInstead(const std::string& path, char** argv) {
    execv(path.c_str(), argv);
    return std::strerror(errno);
}

std::string_view PathSeparators() {
    return "/";
}

bool SettingsBesideWritableProgram() {
    return false;
}

std::string UserSettingsFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/kestro";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.config/kestro";
    }
    return {};
}

std::string SystemRootFolder() {
    return {};
}

bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) == 1;
}

bool IsRegularFile(std::FILE* stream) {
    struct stat status {};
    return fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
}

void FlushBeforeQuitSignals(std::FILE* stream) {
    sigset_t quit;
    sigemptyset(&quit);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // One that the caller ignores (a job started with &, nohup) stays ignored.
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&quit, signal);
        }
    }
    // Blocked everywhere and taken by sigwait, the signal is handled on an
    // ordinary thread, where flushing a stream is allowed.
    pthread_sigmask(SIG_BLOCK, &quit, nullptr);
    std::thread([quit, stream] {
        int signal = 0;
        if (sigwait(&quit, &signal) != 0) {
            return;
        }
        flockfile(stream);
        std::fflush(stream);
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signal, &fallback, nullptr);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, signal);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        raise(signal);
        _exit(128 + signal);
    }).detach();
}

}  // namespace kestro::platform
