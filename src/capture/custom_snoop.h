// The capture component's base: the adapter lists and the selection, opening an
// adapter (directly or through the capture helper) or a file, the capture
// thread it owns, and the generic delivery of each frame through ProcessPacket.
#pragma once

#include <pcap/pcap.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/adapters.h"
#include "capture/capture_settings.h"
#include "capture/capture_source.h"
#include "capture/drop_counts.h"
#include "capture/main_thread_invoker.h"
#include "capture/snoop_events.h"
#include "capture/snoop_thread.h"
#include "common/result.h"

namespace kestro {

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
    using AdapterReader = std::function<Result(std::vector<AdapterInfo>& adapters)>;
    void SetAdapterReader(AdapterReader reader) { adapterReader_ = std::move(reader); }

    // Opens the adapter named AdapterName. A failure says why in its reason,
    // the text LastError keeps too; Active stays false.
    Result Open();
    // Opens a capture file (pcap or pcapng) instead of an adapter; the capture
    // thread ends by itself at the end of the file. Fails as Open does.
    Result OpenFile(const std::string& path);
    void Close();

    // Link type of the open handle (DLT_EN10MB for Ethernet), -1 when closed.
    int DataLink() const;
    // Main thread: frames the open capture lost before they were read, as
    // libpcap counts them since the open (the helper's own counts through it);
    // zero for a capture file. Direct counts are taken about once a second
    // while frames come.
    DropCounts Drops();
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
    // The helper program the next helper capture runs.
    std::string CaptureHelperPath() const {
        return captureHelperPath_.empty() ? DefaultCaptureHelperPath() : captureHelperPath_;
    }
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
    // Main thread, before a capture thread starts: each capture (a file read
    // again, a device reopened) begins with nothing carried over from the last.
    virtual void CaptureStarting() {}

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
    // Each failure of an open: kept in LastError, and returned.
    Result Fail(std::string reason);
    Result OpenAdapter(const std::string& name, const pcap_if_t* device);
    Result OpenThroughHelper(const std::string& name, const pcap_if_t* device);
    Result ApplyFilter(bpf_u_int32 netmask);
    Result AcceptLinkType();
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
    int32_t snapLen_ = kCaptureSnapLen;
    int32_t flags_ = kCaptureFlags;
    int32_t readTimeOut_ = kCaptureReadTimeOutMs;

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
    // Written by the capture thread (a direct capture's libpcap counters).
    std::atomic<uint64_t> kernelDrops_{0};
    std::atomic<uint64_t> adapterDrops_{0};
    TSnoopEndedEvent onCaptureEnded_;
    AdapterReader adapterReader_;
    std::optional<TSnoopEnd> lastEnd_;

    const pcap_pkthdr* currentHeader_ = nullptr;
    const uint8_t* currentFrame_ = nullptr;
};

}  // namespace kestro
