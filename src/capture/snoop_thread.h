// The capture thread: reads frames from the component's handle until it is
// asked to stop or the capture ends, and hands each accepted frame over to the
// main thread (see capture/snoop.h for the threads and the stop protocol).
#pragma once

#include <pcap/pcap.h>

#include <atomic>
#include <thread>

#include "capture/main_thread_invoker.h"
#include "capture/snoop_events.h"

namespace kestro {

class TSnoopThread {
public:
    // Created suspended: nothing runs before Resume().
    TSnoopThread(TCustomSnoop* component, MainThreadInvoker& invoker);
    ~TSnoopThread();
    TSnoopThread(const TSnoopThread&) = delete;
    TSnoopThread& operator=(const TSnoopThread&) = delete;

    void Resume();
    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    // Main thread: requests the end and serves hand-overs until the thread has
    // ended, then joins it.
    void StopAndWait();
    // Main thread: joins a thread whose end handler has already run.
    void WaitFor();

    TCustomSnoop* Component() const { return component_; }

private:
    void Execute();
    void Run();

    TCustomSnoop* component_;
    MainThreadInvoker& invoker_;
    pcap_t* handle_ = nullptr;
    bool threadSafe_ = true;
    TSnoopFrameHook frameHook_;
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

}  // namespace kestro
