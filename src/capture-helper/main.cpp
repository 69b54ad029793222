// kestro-capture: the only part of Kestro that may carry a capability
// (cap_net_raw). It opens one adapter with the game's filter, gives up every
// capability, and streams the frames to its standard output as a pcap stream;
// the window reads that stream and never holds a privilege itself.
//
// What a caller controls is deliberately small: the adapter's name. The filter,
// the snapshot length and the output are fixed, no environment variable and no
// file is read, and errors are one line on standard error with exit status 2.
// Besides, standard error carries the counts of lost frames (capture/drop_counts.h).
//
//   kestro-capture --list | --adapter NAME | --version | --help
#include <fcntl.h>
#include <linux/capability.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/auxv.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "capture/capture_settings.h"
#include "capture/drop_counts.h"
#include "common/build_info.h"
#include "game/capture_filter.h"

namespace {

constexpr const char* kProgram = "kestro-capture";
constexpr int kExitFailure = 2;

constexpr const char* kUsage =
    "usage: kestro-capture --list\n"
    "       kestro-capture --adapter NAME\n"
    "       kestro-capture --version | -h | --help\n"
    "\n"
    "Lists the capture adapters, or captures the game's traffic (\"tcp port 5121\")\n"
    "on adapter NAME and writes it to standard output as a pcap stream.\n";

volatile sig_atomic_t gStopSignal = 0;

void OnStopSignal(int signal) {
    gStopSignal = signal;
}

[[noreturn]] void Fail(const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
    std::exit(kExitFailure);
}

// Raw system calls: libcap would be one more library in a privileged program
// for two calls.
bool SetNoCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capset, &header, data) != 0) {
        return false;
    }
    prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    // Nothing this process runs from now on can gain a privilege again.
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    __user_cap_data_struct check[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, check) != 0) {
        return false;
    }
    for (const auto& word : check) {
        if (word.effective != 0 || word.permitted != 0 || word.inheritable != 0) {
            return false;
        }
    }
    return true;
}

std::string FlagsText(bpf_u_int32 flags) {
    struct Word {
        bpf_u_int32 mask, value;
        const char* text;
    };
    static constexpr Word kWords[] = {
        {PCAP_IF_LOOPBACK, PCAP_IF_LOOPBACK, "loopback"},
        {PCAP_IF_UP, PCAP_IF_UP, "up"},
        {PCAP_IF_RUNNING, PCAP_IF_RUNNING, "running"},
        {PCAP_IF_WIRELESS, PCAP_IF_WIRELESS, "wireless"},
        {PCAP_IF_CONNECTION_STATUS, PCAP_IF_CONNECTION_STATUS_CONNECTED, "connected"},
        {PCAP_IF_CONNECTION_STATUS, PCAP_IF_CONNECTION_STATUS_DISCONNECTED, "disconnected"},
    };
    std::string text;
    for (const Word& word : kWords) {
        if ((flags & word.mask) == word.value) {
            text += text.empty() ? "" : ",";
            text += word.text;
        }
    }
    return text.empty() ? "-" : text;
}

// The link type needs the device opened, so it is "-" where that is refused.
std::string LinkTypeText(const char* name) {
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(name, errorBuffer);
    if (handle == nullptr) {
        return "-";
    }
    std::string text = "-";
    if (pcap_activate(handle) >= 0) {
        const char* linkName = pcap_datalink_val_to_name(pcap_datalink(handle));
        text = linkName != nullptr ? linkName : std::to_string(pcap_datalink(handle));
    }
    pcap_close(handle);
    return text;
}

// One line per adapter: name, description, flags, link type, separated by tabs.
int List() {
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errorBuffer) != 0) {
        Fail(errorBuffer);
    }
    for (const pcap_if_t* device = devices; device != nullptr; device = device->next) {
        std::printf("%s\t%s\t%s\t%s\n", device->name,
                    device->description != nullptr ? device->description : "",
                    FlagsText(device->flags).c_str(), LinkTypeText(device->name).c_str());
    }
    pcap_freealldevs(devices);
    SetNoCapabilities();
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}

bpf_u_int32 AdapterNetmask(const std::string& name) {
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errorBuffer) != 0) {
        Fail(errorBuffer);
    }
    const pcap_if_t* device = kestro::FindCaptureDevice(devices, name);
    const std::optional<bpf_u_int32> netmask =
        device != nullptr ? std::optional(kestro::CaptureDeviceNetmask(device)) : std::nullopt;
    pcap_freealldevs(devices);
    if (!netmask) {
        Fail("no such adapter: " + name);
    }
    return *netmask;
}

pcap_t* OpenAdapter(const std::string& name) {
    const bpf_u_int32 netmask = AdapterNetmask(name);
    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(name.c_str(), errorBuffer);
    if (handle == nullptr) {
        Fail(errorBuffer);
    }
    pcap_set_snaplen(handle, kestro::kCaptureSnapLen);
    pcap_set_promisc(handle, kestro::kCaptureFlags & kestro::kCaptureFlagPromiscuous);
    pcap_set_timeout(handle, kestro::kCaptureReadTimeOutMs);
    pcap_set_immediate_mode(handle, 1);
    const int status = pcap_activate(handle);
    if (status < 0) {
        std::string text = pcap_geterr(handle);
        if (text.empty()) {
            text = pcap_statustostr(status);
        }
        if (status == PCAP_ERROR_PERM_DENIED) {
            text += " (this program needs cap_net_raw: see kestro-capture(8))";
        }
        Fail(name + ": " + text);
    }
    // The socket is open: nothing below needs a privilege.
    if (!SetNoCapabilities()) {
        Fail(std::string("cannot give up capabilities: ") + std::strerror(errno));
    }
    bpf_program program{};
    if (pcap_compile(handle, &program, kestro::kGameCaptureFilter, 1, netmask) != 0 ||
        pcap_setfilter(handle, &program) != 0) {
        Fail(name + ": " + pcap_geterr(handle));
    }
    pcap_freecode(&program);
    if (pcap_setnonblock(handle, 1, errorBuffer) != 0) {
        Fail(name + ": " + errorBuffer);
    }
    return handle;
}

struct Output {
    pcap_dumper_t* dumper;
    pcap_t* handle;
    bool closed = false;
};

void WriteFrame(u_char* user, const pcap_pkthdr* header, const u_char* frame) {
    auto* output = reinterpret_cast<Output*>(user);
    pcap_dump(reinterpret_cast<u_char*>(output->dumper), header, frame);
    // One flush per frame: the window sees each frame as it arrives.
    if (pcap_dump_flush(output->dumper) != 0) {
        output->closed = true;
        pcap_breakloop(output->handle);
    }
}

// Tells the window how many frames were lost before this program read them,
// whenever the counts change, at most once a second. A full error pipe skips a
// line rather than stall the capture: the next line carries the totals.
class DropReporter {
public:
    void Check(pcap_t* handle, bool now = false) {
        const auto time = std::chrono::steady_clock::now();
        if (!now && time < next_) {
            return;
        }
        next_ = time + std::chrono::seconds(1);
        pcap_stat stats{};
        if (pcap_stats(handle, &stats) != 0) {
            return;
        }
        const kestro::DropCounts counts{stats.ps_drop, stats.ps_ifdrop};
        if (counts == last_) {
            return;
        }
        last_ = counts;
        const std::string line = kestro::DropLine(counts);
        const int flags = fcntl(STDERR_FILENO, F_GETFL);
        if (flags < 0 || fcntl(STDERR_FILENO, F_SETFL, flags | O_NONBLOCK) != 0) {
            return;
        }
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
        fcntl(STDERR_FILENO, F_SETFL, flags);
    }

private:
    std::chrono::steady_clock::time_point next_{};
    kestro::DropCounts last_;
};

// Ends cleanly (status 0) when the reader closes the pipe, on SIGTERM, SIGINT
// or SIGHUP, and when the parent dies (it sends SIGTERM). The stop signals are
// blocked except inside ppoll, so one cannot slip between a test and the wait.
int Capture(const std::string& adapter) {
    pcap_t* handle = OpenAdapter(adapter);
    Output output{pcap_dump_fopen(handle, stdout), handle};
    if (output.dumper == nullptr) {
        Fail(std::string("standard output: ") + pcap_geterr(handle));
    }
    if (pcap_dump_flush(output.dumper) != 0) {
        return 0;  // nobody reads
    }
    const int captureFd = pcap_get_selectable_fd(handle);
    if (captureFd < 0) {
        Fail(adapter + ": no selectable descriptor");
    }
    sigset_t unblocked;
    sigemptyset(&unblocked);
    const timespec interval{0, kestro::kCaptureReadTimeOutMs * 1000000L};
    DropReporter drops;
    while (gStopSignal == 0 && !output.closed) {
        drops.Check(handle);
        // POLLERR on the write end of a pipe: the reader has gone.
        pollfd fds[2] = {{captureFd, POLLIN, 0}, {STDOUT_FILENO, 0, 0}};
        const int ready = ppoll(fds, 2, &interval, &unblocked);
        if (ready < 0 && errno != EINTR) {
            Fail(std::string("poll: ") + std::strerror(errno));
        }
        if (ready > 0 && (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            break;
        }
        // A read time-out may end a block of frames without a POLLIN: read anyway.
        if (gStopSignal == 0 &&
            pcap_dispatch(handle, -1, WriteFrame, reinterpret_cast<u_char*>(&output)) == -1) {
            Fail(adapter + ": " + pcap_geterr(handle));
        }
    }
    drops.Check(handle, true);
    // The pipe may be gone: the last flush's failure is not an error.
    pcap_dump_close(output.dumper);
    pcap_close(handle);
    return 0;
}

void SetUpSignals() {
    // A closed output is seen as a write error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigset_t stops;
    sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
        sigaddset(&stops, signal);
    }
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    // A program with file capabilities loses a death signal set before exec.
    prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0);
}

std::string_view OptionName(std::string_view argument) {
    return argument.substr(0, argument.find('='));
}

// Nothing below, libpcap included, gets to read the caller's environment. Its
// strings are wiped as well, so that /proc/PID/environ shows none of them:
// clearenv only drops the pointers. The kernel puts them in one block, after
// the arguments' strings and before the program's file name (AT_EXECFN); the
// loader may already have taken entries out of environ (LD_PRELOAD, where the
// program carries a capability), so the whole block goes.
void ForgetEnvironment(int argc, char** argv) {
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        explicit_bzero(*entry, std::strlen(*entry));
    }
    auto* const end = reinterpret_cast<char*>(getauxval(AT_EXECFN));
    if (argc > 0 && argv[argc - 1] != nullptr && end != nullptr) {
        char* const begin = argv[argc - 1] + std::strlen(argv[argc - 1]) + 1;
        constexpr std::ptrdiff_t kMaxBlock = 1 << 24;
        if (begin < end && end - begin < kMaxBlock) {
            explicit_bzero(begin, static_cast<std::size_t>(end - begin));
        }
    }
    clearenv();
}

}  // namespace

int main(int argc, char** argv) {
    ForgetEnvironment(argc, argv);
    SetUpSignals();

    std::optional<std::string> adapter;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const std::string_view name = OptionName(argument);
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("%s %s\n", kProgram, kestro::kVersion);
            return 0;
        }
        if (argument == "--list") {
            list = true;
        } else if (name == "--adapter" && !adapter) {
            if (argument.size() > name.size()) {
                adapter = std::string(argument.substr(name.size() + 1));
            } else if (i + 1 < argc) {
                adapter = argv[++i];
            } else {
                Fail("--adapter needs a name (try --help)");
            }
        } else {
            Fail("unknown or repeated option '" + std::string(argument) + "' (try --help)");
        }
    }
    if (list == adapter.has_value()) {
        Fail("give either --list or --adapter NAME (try --help)");
    }
    if (adapter && adapter->empty()) {
        Fail("--adapter needs a name (try --help)");
    }
    return list ? List() : Capture(*adapter);
}
