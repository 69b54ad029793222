// A network namespace of the test's own, for the calling thread: traffic and
// devices made inside it never reach the host. Threads started meanwhile (a
// capture thread) and programs run meanwhile stay in it. Linux only; needs root.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kestro::test {

class OwnNetworkNamespace {
public:
    OwnNetworkNamespace() {
        original_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (original_ < 0) {
            error_ = std::string("cannot open the current namespace: ") + std::strerror(errno);
        } else if (unshare(CLONE_NEWNET) != 0) {
            error_ = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
        }
    }
    // Back to the namespace we came from; the namespace and its devices go
    // with the last thread in it.
    ~OwnNetworkNamespace() {
        if (original_ >= 0) {
            if (error_.empty()) {
                setns(original_, CLONE_NEWNET);
            }
            close(original_);
        }
    }
    OwnNetworkNamespace(const OwnNetworkNamespace&) = delete;
    OwnNetworkNamespace& operator=(const OwnNetworkNamespace&) = delete;

    const std::string& Error() const { return error_; }

    // Runs an `ip` command in the namespace (a child inherits the calling
    // thread's); true when it succeeded.
    static bool Ip(const std::string& arguments) {
        return std::system(("ip " + arguments + " >/dev/null 2>&1").c_str()) == 0;
    }

private:
    int original_ = -1;
    std::string error_;
};

}  // namespace kestro::test
