// The capture helper as the system runs it: who may capture without it, and
// one run of the helper program with its standard output as a stream and its
// standard error as its reports (lines that begin with "#") and its one error
// line. What the stream and the reports hold is the capture component's
// business (capture/capture_source.h).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/result.h"

namespace kestro::platform {

// Whether this process may open a capture device itself: on Linux root, or
// CAP_NET_RAW in the effective set; on Windows the capture driver decides, so
// always.
bool ProcessCanCapture();

// Whether the program at `path` carries a file capability (Linux); false where
// the platform has none.
bool HasCaptureCapability(const std::string& path);

// Who may run the helper, as the system sees it now: the group that owns its
// file where only that group may run it (else the group "kestro"), and where
// this user stands with it. A user added to a group is in its file at once
// but in a login's groups only from the next login.
struct HelperGroup {
    std::string name;
    bool exists = false;       // the system knows the group
    bool listed = false;       // its file names this user (or it is the user's own group)
    bool inThisLogin = false;  // this process carries it
};
HelperGroup HelperGroupOf(const std::string& helperPath);

// One run of a helper program. Main thread only.
class HelperProcess {
public:
    // How long Finish waits after SIGTERM before it sends SIGKILL.
    static constexpr std::chrono::milliseconds kStopPatience{1000};

    HelperProcess() = default;
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // Runs `path` as `name` with the one argument `argument`, nothing else
    // inherited (no environment, no descriptor beyond the three), and waits at
    // most `patience` until its output has something to read. Sets `output` to
    // that output, which the caller then owns (fclose); a failure, with the
    // reason, when it could not run or wrote nothing in time.
    Result Start(const std::string& path, const std::string& name, const std::string& argument,
                 std::chrono::milliseconds patience, std::FILE*& output);

    bool Running() const { return pid_ > 0; }
    pid_t ProcessId() const { return pid_; }

    // Asks the helper to end (SIGTERM), or ends it (SIGKILL).
    void Stop();
    void Kill();

    // The reports the helper wrote on its standard error (lines that begin
    // with "#") since the last call, oldest first; at most the last 64. They
    // are never taken for its error line.
    std::vector<std::string> TakeReports();

    // Ends the helper (SIGTERM unless `ask` is false, SIGKILL after
    // kStopPatience), reaps it and returns its error line, or how it ended when
    // it left none. Empty when no helper runs.
    std::string Finish(bool ask = true);

private:
    int Reap(std::chrono::milliseconds patience);
    std::string ErrorLine();
    bool ReadErrorPipe();
    void TakeLine(const std::string& line);
    void CloseErrorPipe();

    std::string name_;
    pid_t pid_ = -1;
    int errorFd_ = -1;
    std::string pendingLine_;
    bool lineTooLong_ = false;
    std::string errorLine_;
    std::vector<std::string> reports_;
};

}  // namespace kestro::platform
