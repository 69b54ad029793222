#include "capture/snoop_thread.h"

#include <chrono>
#include <functional>
#include <string>

#include "capture/capture_source.h"
#include "capture/custom_snoop.h"

namespace kestro {

// What the loop needs of the component is read here, on the main thread, once:
// later changes of ThreadSafe or the hook do not reach a running thread.
TSnoopThread::TSnoopThread(TCustomSnoop* component, MainThreadInvoker& invoker)
    : component_(component), invoker_(invoker) {
    if (component_ != nullptr) {
        handle_ = component_->captureHandle_;
        threadSafe_ = component_->threadSafe_;
        frameHook_ = component_->frameHook_;
    }
}

TSnoopThread::~TSnoopThread() {
    if (thread_.joinable()) {
        StopAndWait();
    }
}

void TSnoopThread::Resume() {
    invoker_.Reset();
    thread_ = std::thread([this] { Run(); });
}

// Stop protocol (main thread side):
//   1. Set the terminate request and break the read in progress. The capture
//      thread looks at the request after every read. The read time-out alone
//      does not bound the wait: libpcap may keep polling past it when no frame
//      arrives, so pcap_breakloop wakes the read, which then returns at once.
//      A thread that is handing a frame over notices as soon as that frame has
//      been handled.
//   2. Until the capture thread reports its end, wait on the hand-over slot and
//      run whatever it offers. The capture thread may be blocked in a hand-over
//      right now (a frame read before the request): running it here lets it go
//      on, so that frame is still delivered, exactly once. The thread's last
//      act is the synchronous hand-over of its end handler, which therefore
//      also runs here, on the main thread.
//   3. Join. A wake-up that the window had queued for a call already run in
//      step 2 later finds the slot empty and does nothing.
void TSnoopThread::StopAndWait() {
    Terminate();
    if (!thread_.joinable()) {
        return;
    }
    // The handle stays open until the end handler has run, later in this wait.
    if (component_ != nullptr) {
        component_->InterruptRead(false);
    }
    // A helper that does not end on request is killed, which ends its stream.
    const auto patience = MainThreadInvoker::Clock::now() + CaptureHelperProcess::kStopPatience;
    if (!invoker_.ServeUntil(patience) && component_ != nullptr) {
        component_->InterruptRead(true);
    }
    invoker_.ServeUntil(MainThreadInvoker::Clock::time_point::max());
    thread_.join();
}

void TSnoopThread::WaitFor() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TSnoopThread::Run() {
    if (component_ != nullptr && handle_ != nullptr) {
        Execute();
        // The end handler runs on the main thread, whatever ended the loop.
        try {
            invoker_.Invoke([this] { component_->ThreadTerminated(); });
        } catch (...) {
            // ThreadTerminated only closes the handle; nothing to carry further.
        }
    }
    invoker_.MarkFinished();
}

void TSnoopThread::Execute() {
    TCustomSnoop& component = *component_;
    const std::function<void()> processPacket = [&component] { component.ProcessPacket(); };

    // libpcap's counters cost a system call: read about once a second, and
    // never again on a handle that has none (a file, the helper's stream).
    auto nextCount = std::chrono::steady_clock::now();
    bool counts = true;
    while (!Terminated()) {
        if (counts && std::chrono::steady_clock::now() >= nextCount) {
            nextCount += std::chrono::seconds(1);
            pcap_stat stats{};
            counts = pcap_stats(handle_, &stats) == 0;
            if (counts) {
                component.kernelDrops_ = stats.ps_drop;
                component.adapterDrops_ = stats.ps_ifdrop;
            }
        }
        pcap_pkthdr* header = nullptr;
        const u_char* frame = nullptr;
        const int result = pcap_next_ex(handle_, &header, &frame);
        if (Terminated()) {
            break;
        }
        if (result == 0) {
            continue;
        }
        if (result == PCAP_ERROR_BREAK) {
            component.threadEnd_ = {TSnoopEnd::Cause::EndOfFile, {}};
            break;  // end of a capture file (a broken read was a stop, seen above)
        }
        if (result < 0) {
            // libpcap's own reason tells the user what is wrong with the file
            // ("truncated dump file; tried to read N captured bytes, only got M").
            component.threadError_ = "Snoop Error: pcap_next_ex return " + std::to_string(result);
            const std::string reason = pcap_geterr(handle_);
            if (!reason.empty()) {
                component.threadError_ += ": " + reason;
            }
            component.threadEnd_ = {TSnoopEnd::Cause::ReadError,
                                    reason.empty() ? pcap_statustostr(result) : reason};
            break;
        }
        // A handler (or hook) that throws ends the capture like a read error,
        // but it is not a capture failure, so LastError stays as it was.
        try {
            if (frameHook_ && (!frameHook_(*header) || Terminated())) {
                component.threadEnd_ = {TSnoopEnd::Cause::HookStopped, {}};
                break;
            }
            component.currentHeader_ = header;
            component.currentFrame_ = frame;
            if (!component.AcceptFrame()) {
                continue;
            }
            if (threadSafe_) {
                invoker_.Invoke(processPacket);
            } else {
                component.ProcessPacket();
            }
        } catch (...) {
            component.threadEnd_ = {TSnoopEnd::Cause::HandlerFailed, {}};
            break;
        }
    }
    component.currentHeader_ = nullptr;
    component.currentFrame_ = nullptr;
}

}  // namespace kestro
