// Where a live capture's frames come from. A process that may capture (root,
// or CAP_NET_RAW in its effective set) opens the adapter itself. Any other
// reads the pcap stream of kestro-capture, a small helper that alone holds
// cap_net_raw: the window loads plugins named by its environment and must
// never carry a privilege. Both give the capture thread a pcap handle, so the
// thread, the header tests and the hand-over are the same for either.
//
// The helper is looked for beside the running program (the build tree, an
// installed bin folder), in the folder where scripts/setup-capture puts a copy
// of a helper that a user could change (/usr/local/libexec/kestro), and in the
// bin folder of the install prefix the program was built for.
#pragma once

#include <pcap/pcap.h>

#include <chrono>
#include <string>
#include <vector>

#include "capture/drop_counts.h"
#include "common/result.h"
#include "platform/helper_process.h"

namespace kestro {

enum class CaptureSource {
    Automatic,  // Direct where this process may capture, else Helper
    Direct,
    Helper,
};

// Whether this process may open a capture device itself (platform/helper_process.h).
bool ProcessCanCapture();

// What the user is told when the system's capture library cannot be loaded
// (Windows without its capture driver, wpcap_loader.cpp); empty where it is
// there, as libpcap always is on Linux (capture_driver_posix.cpp).
std::string MissingCaptureDriver();

// Where kestro-capture is expected: the first of the places above whose helper
// carries a file capability, else the first that holds one.
std::string DefaultCaptureHelperPath();
// The same choice among `places`, in order; the first when none holds one.
std::string PickCaptureHelper(const std::vector<std::string>& places);

// One run of the helper, and the read end of its stream. Main thread only.
class CaptureHelperProcess {
public:
    // How long Start waits for the helper's stream to begin, and how long
    // Finish waits after SIGTERM before it sends SIGKILL.
    static constexpr std::chrono::milliseconds kStartPatience{5000};
    static constexpr std::chrono::milliseconds kStopPatience =
        platform::HelperProcess::kStopPatience;

    // Runs `path --adapter=adapter` and waits until its stream has begun, and
    // sets `handle` to read that stream (closing it closes the pipe). A failure
    // when the helper could not start or failed, its reason the helper's own
    // error line where it wrote one.
    Result Start(const std::string& path, const std::string& adapter, pcap_t*& handle);

    bool Running() const { return process_.Running(); }
    pid_t ProcessId() const { return process_.ProcessId(); }

    // Asks the helper to end. Its stream then ends, which ends a read that
    // waits on it.
    void Stop() { process_.Stop(); }
    void Kill() { process_.Kill(); }

    // Ends the helper (SIGTERM unless `ask` is false, SIGKILL after
    // kStopPatience), reaps it and returns its error line, or how it ended when
    // it left none. Empty when no helper runs.
    std::string Finish(bool ask = true) { return process_.Finish(ask); }

    // The helper's counts of lost frames so far, from its last well-formed
    // report (zero until it sends one). Main thread.
    DropCounts Drops();

private:
    platform::HelperProcess process_;
    DropCounts drops_;
};

}  // namespace kestro
