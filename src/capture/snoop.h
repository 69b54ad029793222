// The capture component: lists the capture adapters, opens one (or a capture
// file) with a filter, and runs one capture thread that reads frames and hands
// each accepted one over to the main thread.
//
// Threads: everything here is called on the main thread, except what the
// capture thread runs itself (TSnoopThread::Execute, AcceptFrame, the frame
// hook, and ProcessPacket when ThreadSafe is false). With ThreadSafe the
// capture thread hands each frame over and blocks until it has been handled;
// the main thread runs hand-overs when its wake function schedules
// RunPendingHandOver(), while Close() waits, or in ServeFor()/ServeUntilThreadEnds().
// Close() must not be called from inside the OnCaptureTCPData handler.
//
// Links: Open refuses an adapter whose link type the header tests cannot read
// (IsReadableLinkType), naming it in LastError, rather than capture nothing.
// A capture that ends by itself (the device vanished, a read error, the end of
// a file) is reported through OnCaptureEnded with libpcap's reason; a Close is
// not. The adapter list with each device's facts (Adapters) is read again by
// RefreshAdapters, which keeps the selected adapter by name.
#pragma once

#include <pcap/pcap.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/adapters.h"
#include "capture/capture_source.h"
#include "capture/main_thread_invoker.h"

namespace kestro {

class TCustomSnoop;
class TSnoopTCPData;

// Shows a capture failure to the user (one OK button).
using TSnoopMessageBox = std::function<void(const std::string& text)>;

// EthernetHeader is the frame's first byte, whatever its link header; IPHeader
// follows that header.
using TOnCaptureTCPDataEvent =
    std::function<void(TSnoopTCPData* Sender, const pcap_pkthdr* PacketHeader,
                       const uint8_t* EthernetHeader, const uint8_t* IPHeader,
                       const uint8_t* TCPHeader, const uint8_t* TCPData, int32_t TCPDataLength)>;

// Called on the capture thread for each frame read, before it is processed.
// Returning false ends the capture there: the frame is dropped, as a frame read
// after a stop request is. A hook that waits (a paced replay) must return false
// when it gave up waiting, or the frame would still be handed over.
using TSnoopFrameHook = std::function<bool(const pcap_pkthdr& header)>;

// Why a capture thread ended by itself, without a Close.
struct TSnoopEnd {
    enum class Cause {
        EndOfFile,      // a capture file was read to its end
        ReadError,      // libpcap failed to read (the device went away, ...)
        HandlerFailed,  // the frame hook or OnCaptureTCPData threw
        HookStopped,    // the frame hook returned false
    };
    Cause cause = Cause::EndOfFile;
    // libpcap's own text for a read error; empty otherwise.
    std::string reason;
};

// Raised on the main thread, from the capture thread's end handler, when a
// capture ends by itself; never for a Close. Active is already false and the
// handle closed. The handler must not call Open or Close itself (the capture
// thread is still waiting for it to return): a retry is scheduled, not run here.
using TSnoopEndedEvent = std::function<void(TCustomSnoop* Sender, const TSnoopEnd& End)>;

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

class TCustomSnoop {
public:
    // Enumerates the adapters; a failure is shown through `showMessage`
    // (stderr when none is given) and leaves the lists empty.
    explicit TCustomSnoop(TSnoopMessageBox showMessage = nullptr);
    virtual ~TCustomSnoop();
    TCustomSnoop(const TCustomSnoop&) = delete;
    TCustomSnoop& operator=(const TCustomSnoop&) = delete;

    // Selection: each setter only selects; the choice takes effect at the next Open.
    int32_t AdapterIndex() const { return adapterIndex_; }
    void SetAdapterIndex(int32_t value);
    const std::string& AdapterName() const { return adapterName_; }
    void SetAdapterName(const std::string& value);
    const std::string& AdapterDescription() const { return adapterDescription_; }
    void SetAdapterDescription(const std::string& value);

    bool CaptureEnabled() const { return captureEnabled_; }
    void SetCaptureEnabled(bool value) { captureEnabled_ = value; }
    bool ThreadSafe() const { return threadSafe_; }
    void SetThreadSafe(bool value) { threadSafe_ = value; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    int32_t SnapLen() const { return snapLen_; }
    void SetSnapLen(int32_t value) { snapLen_ = value; }
    int32_t Flags() const { return flags_; }
    void SetFlags(int32_t value) { flags_ = value; }
    int32_t ReadTimeOut() const { return readTimeOut_; }
    void SetReadTimeOut(int32_t value) { readTimeOut_ = value; }

    bool Active() const { return active_; }
    const std::string& LastError() const { return lastError_; }
    const std::vector<std::string>& AdapterNames() const { return adapterNames_; }
    const std::vector<std::string>& AdapterDescriptions() const { return adapterDescriptions_; }

    // Each enumerates the devices afresh and appends to its list.
    void ReadAdapterNames();
    void ReadAdapterDescriptions();

    // Facts about each adapter, entry i describing AdapterNames()[i] once
    // RefreshAdapters has run; empty before.
    const std::vector<AdapterInfo>& Adapters() const { return adapters_; }
    // Main thread: reads the adapter list afresh, replacing AdapterNames,
    // AdapterDescriptions and Adapters (link types included, as far as this
    // process may open the devices). The selected adapter is followed by name:
    // AdapterIndex becomes its new position, or -1 when it is gone, and then
    // AdapterName stays, so that Open finds the device again once it returns.
    // On a failed enumeration the lists stay and LastError has the reason.
    void RefreshAdapters();
    // Index of the device that captures on every interface ("any" on Linux)
    // in AdapterNames, -1 when the platform has none.
    int32_t AllInterfacesAdapterIndex() const;
    // Where RefreshAdapters reads the devices from; empty: ReadAdapterInfo(true, ...).
    // Tests narrow the real list with it (a machine without an all-interfaces device).
    using AdapterReader = std::function<std::vector<AdapterInfo>(std::string& error)>;
    void SetAdapterReader(AdapterReader reader) { adapterReader_ = std::move(reader); }

    // Opens the adapter named AdapterName. Failures only set LastError; the
    // caller looks at Active.
    void Open();
    // Opens a capture file (pcap or pcapng) instead of an adapter; the capture
    // thread ends by itself at the end of the file.
    void OpenFile(const std::string& path);
    void Close();

    // Link type of the open handle (DLT_EN10MB for Ethernet), -1 when closed.
    int DataLink() const;
    // The link type that made the last Open (or OpenFile) fail, -1 when the
    // last one did not fail for its link type. LastError names it too.
    int RefusedLinkType() const { return refusedLinkType_; }

    // How a capture that ends by itself is reported (see TSnoopEndedEvent).
    void SetOnCaptureEnded(TSnoopEndedEvent handler) { onCaptureEnded_ = std::move(handler); }
    // The last such end; cleared when an Open reaches a device or file again.
    const std::optional<TSnoopEnd>& LastEnd() const { return lastEnd_; }

    // How Open reaches the adapter (capture/capture_source.h). Through the
    // helper, the frames are those of its fixed filter, snapshot length and
    // read time-out (the window's own values); Filter still applies on top.
    CaptureSource Source() const { return source_; }
    void SetSource(CaptureSource value) { source_ = value; }
    // The helper program to run; empty: DefaultCaptureHelperPath().
    void SetCaptureHelperPath(std::string path) { captureHelperPath_ = std::move(path); }
    // Whether the open capture reads the helper's stream, and its process id (-1: none).
    bool ThroughHelper() const { return captureHelper_.Running(); }
    pid_t CaptureHelperProcessId() const { return captureHelper_.ProcessId(); }
    bool HasCaptureThread() const { return captureThread_ != nullptr; }

    // Main thread, before Open: how the capture thread asks the main thread to
    // call RunPendingHandOver() (the window posts a queued call). None: the
    // main thread serves hand-overs only in Close, ServeFor and ServeUntilThreadEnds.
    void SetMainThreadWake(MainThreadInvoker::Wake wake) { invoker_.SetWake(std::move(wake)); }
    // Main thread: runs the pending hand-over, if any. Harmless when late.
    bool RunPendingHandOver() { return invoker_.RunPending(); }
    // Main thread without an event loop: serve hand-overs for `duration` or until
    // the capture thread has ended (then it is released). Returns whether the
    // capture thread has ended.
    bool ServeFor(std::chrono::milliseconds duration);
    void ServeUntilThreadEnds();

    // Capture thread hook; taken by the next capture thread that starts.
    void SetFrameHook(TSnoopFrameHook hook) { frameHook_ = std::move(hook); }

    // End handler of the capture thread, run on the main thread.
    void ThreadTerminated();
    // Starts the capture thread on the open handle (Open does this).
    void StartThread();

protected:
    // Capture thread: whether the current frame is worth a hand-over at all.
    // What it works out may be kept for the ProcessPacket of the same frame.
    virtual bool AcceptFrame() { return true; }
    // Works on CurrentHeader/CurrentFrame, on the main thread with ThreadSafe.
    virtual void ProcessPacket() = 0;

    // Closes whatever is open, quietly. Every derived destructor calls it
    // first: a frame still pending in a hand-over must reach the derived
    // ProcessPacket, which is gone once the base destructor runs.
    void Shutdown();

    const pcap_pkthdr* CurrentHeader() const { return currentHeader_; }
    // Link type of the frames being read, for AcceptFrame.
    int CurrentLinkType() const { return linkType_; }
    const uint8_t* CurrentFrame() const { return currentFrame_; }

private:
    friend class TSnoopThread;

    bool Serve(MainThreadInvoker::Clock::time_point deadline);
    void SelectAdapter(size_t index);
    void SelectAdapterBy(const std::vector<std::string>& list, const std::string& value);
    void ReleaseFinishedThread();
    void OpenAdapter(const std::string& name, const pcap_if_t* device);
    void OpenThroughHelper(const std::string& name, const pcap_if_t* device);
    void ApplyFilter(bpf_u_int32 netmask);
    bool AcceptLinkType();
    // Main thread: makes a read that waits on the handle return.
    void InterruptRead(bool force);
    // Returns how a helper behind the handle ended (its error line), else empty.
    std::string CloseHandle();

    TSnoopMessageBox showMessage_;
    int32_t adapterIndex_ = -1;
    std::string adapterName_;
    std::string adapterDescription_;
    bool captureEnabled_ = true;
    bool threadSafe_ = true;
    std::string filter_;
    int32_t snapLen_ = 1600;
    int32_t flags_ = 1;
    int32_t readTimeOut_ = 100;

    bool active_ = false;
    std::string lastError_;
    std::vector<std::string> adapterNames_;
    std::vector<std::string> adapterDescriptions_;

    pcap_t* captureHandle_ = nullptr;
    CaptureSource source_ = CaptureSource::Automatic;
    std::string captureHelperPath_;
    CaptureHelperProcess captureHelper_;
    std::unique_ptr<TSnoopThread> captureThread_;
    MainThreadInvoker invoker_;
    TSnoopFrameHook frameHook_;
    // Written by the capture thread before its end handler, read by that handler.
    std::string threadError_;
    TSnoopEnd threadEnd_;

    std::vector<AdapterInfo> adapters_;
    // Read by the capture thread, written before it starts.
    int linkType_ = -1;
    int refusedLinkType_ = -1;
    TSnoopEndedEvent onCaptureEnded_;
    AdapterReader adapterReader_;
    std::optional<TSnoopEnd> lastEnd_;

    const pcap_pkthdr* currentHeader_ = nullptr;
    const uint8_t* currentFrame_ = nullptr;
};

class TSnoopTCPData : public TCustomSnoop {
public:
    explicit TSnoopTCPData(TSnoopMessageBox showMessage = nullptr);
    ~TSnoopTCPData() override;

    const TOnCaptureTCPDataEvent& OnCaptureTCPData() const { return onCaptureTCPData_; }
    void SetOnCaptureTCPData(TOnCaptureTCPDataEvent handler);

protected:
    bool AcceptFrame() override;
    void ProcessPacket() override;

private:
    TOnCaptureTCPDataEvent onCaptureTCPData_;
    // Read by the capture thread, which must not touch the handler itself.
    std::atomic<bool> hasHandler_{false};

    // The current frame's headers and payload, found by AcceptFrame and raised
    // by ProcessPacket. Without ThreadSafe both run on the capture thread. With
    // it, AcceptFrame writes them on the capture thread before the hand-over,
    // and that thread stays blocked until ProcessPacket has returned on the main
    // thread; the hand-over's lock orders the writes before the reads and the
    // reads before the next frame's writes, so they need no lock of their own.
    const uint8_t* ipHeader_ = nullptr;
    const uint8_t* tcpHeader_ = nullptr;
    const uint8_t* tcpData_ = nullptr;
    int32_t tcpDataLength_ = 0;
};

}  // namespace kestro
