#include "capture/custom_snoop.h"

#include <cstdio>
#include <utility>

#include "capture/frames.h"

namespace kestro {

namespace {

constexpr const char* kErrorAlreadyOpen = "Snoop Error: Already open";
constexpr const char* kErrorInvalidAdapterName = "Snoop Error: Invalid AdapterName";
constexpr const char* kErrorNoThreadToStop = "Snoop Error: No thread to stop";

// libpcap's error buffers hold at most this many characters.
constexpr size_t kErrorBufferSize = 256;

std::string BufferText(const char* buffer) {
    size_t length = 0;
    while (length < kErrorBufferSize && buffer[length] != '\0') {
        ++length;
    }
    return std::string(buffer, length);
}

void PrintToStderr(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace

TCustomSnoop::TCustomSnoop(TSnoopMessageBox showMessage)
    : showMessage_(showMessage ? std::move(showMessage) : TSnoopMessageBox(PrintToStderr)) {
    ReadAdapterNames();
    ReadAdapterDescriptions();
    if (!lastError_.empty()) {
        showMessage_(lastError_);
    }
    lastError_.clear();
}

TCustomSnoop::~TCustomSnoop() {
    Shutdown();
}

void TCustomSnoop::Shutdown() {
    ReleaseFinishedThread();
    if (active_ && captureThread_ == nullptr && captureEnabled_) {
        // Close would refuse ("No thread to stop") and keep the handle open;
        // on the way out the handle is closed anyway, without a message box
        // that could reach an owner already being destroyed.
        active_ = false;
        CloseHandle();
        return;
    }
    Close();
}

void TCustomSnoop::ReadAdapterNames() {
    char errorBuffer[kErrorBufferSize + 1] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errorBuffer) != 0) {
        lastError_ = BufferText(errorBuffer);
        return;
    }
    for (const pcap_if_t* device = devices; device != nullptr; device = device->next) {
        adapterNames_.emplace_back(device->name != nullptr ? device->name : "");
    }
    lastError_.clear();
    pcap_freealldevs(devices);
}

void TCustomSnoop::ReadAdapterDescriptions() {
    char errorBuffer[kErrorBufferSize + 1] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errorBuffer) != 0) {
        lastError_ = BufferText(errorBuffer);
        return;
    }
    for (const pcap_if_t* device = devices; device != nullptr; device = device->next) {
        adapterDescriptions_.emplace_back(device->description != nullptr ? device->description
                                                                         : "");
    }
    lastError_.clear();
    pcap_freealldevs(devices);
}

void TCustomSnoop::RefreshAdapters() {
    std::vector<AdapterInfo> adapters;
    if (const Result read =
            adapterReader_ ? adapterReader_(adapters) : ReadAdapterInfo(true, adapters);
        !read) {
        lastError_ = read.Reason();
        return;
    }
    adapters_ = std::move(adapters);
    adapterNames_.clear();
    adapterDescriptions_.clear();
    for (const AdapterInfo& adapter : adapters_) {
        adapterNames_.push_back(adapter.name);
        adapterDescriptions_.push_back(adapter.description);
    }
    adapterIndex_ = -1;
    for (size_t i = 0; i < adapterNames_.size(); ++i) {
        if (!adapterName_.empty() && adapterNames_[i] == adapterName_) {
            adapterIndex_ = static_cast<int32_t>(i);
            break;
        }
    }
}

int32_t TCustomSnoop::AllInterfacesAdapterIndex() const {
    for (size_t i = 0; i < adapterNames_.size(); ++i) {
        if (IsAllInterfacesDevice(adapterNames_[i])) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void TCustomSnoop::SelectAdapter(size_t index) {
    adapterIndex_ = static_cast<int32_t>(index);
    adapterName_ = index < adapterNames_.size() ? adapterNames_[index] : std::string();
    adapterDescription_ =
        index < adapterDescriptions_.size() ? adapterDescriptions_[index] : std::string();
}

void TCustomSnoop::SetAdapterIndex(int32_t value) {
    if (value == adapterIndex_) {
        return;
    }
    if (value >= 0 && static_cast<size_t>(value) < adapterNames_.size()) {
        SelectAdapter(static_cast<size_t>(value));
        return;
    }
    // Out of range: no adapter, while the description keeps its value.
    adapterIndex_ = -1;
    adapterName_.clear();
}

// Selects the first entry of `list` equal to `value`; none found selects nothing.
void TCustomSnoop::SelectAdapterBy(const std::vector<std::string>& list, const std::string& value) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == value) {
            SelectAdapter(i);
            return;
        }
    }
    adapterIndex_ = -1;
    adapterName_.clear();
    adapterDescription_.clear();
}

void TCustomSnoop::SetAdapterName(const std::string& value) {
    if (value != adapterName_) {
        SelectAdapterBy(adapterNames_, value);
    }
}

void TCustomSnoop::SetAdapterDescription(const std::string& value) {
    if (value != adapterDescription_) {
        SelectAdapterBy(adapterDescriptions_, value);
    }
}

Result TCustomSnoop::Fail(std::string reason) {
    lastError_ = reason;
    return Result::Failure(std::move(reason));
}

Result TCustomSnoop::Open() {
    ReleaseFinishedThread();
    if (active_) {
        return Fail(kErrorAlreadyOpen);
    }
    char errorBuffer[kErrorBufferSize + 1] = {};
    pcap_if_t* devices = nullptr;
    if (pcap_findalldevs(&devices, errorBuffer) != 0) {
        return Fail(BufferText(errorBuffer));
    }
    const pcap_if_t* found =
        adapterName_.empty() ? nullptr : FindCaptureDevice(devices, adapterName_);
    const Result opened =
        found == nullptr ? Fail(kErrorInvalidAdapterName) : OpenAdapter(adapterName_, found);
    if (active_ && captureEnabled_) {
        StartThread();
    }
    pcap_freealldevs(devices);
    return opened;
}

Result TCustomSnoop::OpenAdapter(const std::string& name, const pcap_if_t* device) {
    if (source_ == CaptureSource::Helper ||
        (source_ == CaptureSource::Automatic && !ProcessCanCapture())) {
        return OpenThroughHelper(name, device);
    }
    char errorBuffer[PCAP_ERRBUF_SIZE + 1] = {};
    pcap_t* handle = pcap_create(name.c_str(), errorBuffer);
    if (handle == nullptr) {
        return Fail(BufferText(errorBuffer));
    }
    pcap_set_snaplen(handle, snapLen_);
    pcap_set_promisc(handle, flags_ & kCaptureFlagPromiscuous);
    pcap_set_timeout(handle, readTimeOut_);
    // Frames go to the handler as they arrive, not when a kernel block fills.
    pcap_set_immediate_mode(handle, 1);
    const int status = pcap_activate(handle);
    if (status < 0) {
        std::string text = pcap_geterr(handle);
        pcap_close(handle);
        return Fail(text.empty() ? std::string(pcap_statustostr(status)) : text);
    }
    // A warning (status > 0, e.g. no promiscuous mode) still gives a working capture.
    captureHandle_ = handle;
    return ApplyFilter(CaptureDeviceNetmask(device));
}

// The helper opens the adapter and sets the game's filter; its stream reads
// like a capture file that grows, so the rest is as for a direct capture.
Result TCustomSnoop::OpenThroughHelper(const std::string& name, const pcap_if_t* device) {
    pcap_t* handle = nullptr;
    const Result started = captureHelper_.Start(CaptureHelperPath(), name, handle);
    if (!started) {
        return Fail(started.Reason());
    }
    captureHandle_ = handle;
    return ApplyFilter(CaptureDeviceNetmask(device));
}

Result TCustomSnoop::OpenFile(const std::string& path) {
    ReleaseFinishedThread();
    if (active_) {
        return Fail(kErrorAlreadyOpen);
    }
    char errorBuffer[PCAP_ERRBUF_SIZE + 1] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), errorBuffer);
    if (handle == nullptr) {
        return Fail(BufferText(errorBuffer));
    }
    captureHandle_ = handle;
    const Result opened = ApplyFilter(PCAP_NETMASK_UNKNOWN);
    if (active_ && captureEnabled_) {
        StartThread();
    }
    return opened;
}

// A capture that runs but never recognises a frame would look like a quiet
// game; one whose frames cannot be read is refused instead.
Result TCustomSnoop::AcceptLinkType() {
    linkType_ = pcap_datalink(captureHandle_);
    refusedLinkType_ = -1;
    lastEnd_.reset();
    if (IsReadableLinkType(linkType_)) {
        return {};
    }
    refusedLinkType_ = linkType_;
    CloseHandle();
    return Fail("Snoop Error: " + UnreadableLinkTypeText(refusedLinkType_));
}

Result TCustomSnoop::ApplyFilter(bpf_u_int32 netmask) {
    if (const Result accepted = AcceptLinkType(); !accepted) {
        return accepted;
    }
    bpf_program program{};
    if (pcap_compile(captureHandle_, &program, filter_.c_str(), 1, netmask) != 0) {
        const Result failed = Fail(pcap_geterr(captureHandle_));
        // The handle is of no further use without its filter.
        CloseHandle();
        return failed;
    }
    const int set = pcap_setfilter(captureHandle_, &program);
    pcap_freecode(&program);
    if (set != 0) {
        const Result failed = Fail(pcap_geterr(captureHandle_));
        CloseHandle();
        return failed;
    }
    active_ = true;
    return {};
}

void TCustomSnoop::StartThread() {
    ReleaseFinishedThread();
    if (captureHandle_ == nullptr || captureThread_ != nullptr) {
        return;  // nothing to read, or a thread reads already
    }
    kernelDrops_ = 0;
    adapterDrops_ = 0;
    CaptureStarting();
    captureThread_ = std::make_unique<TSnoopThread>(this, invoker_);
    captureThread_->Resume();
}

void TCustomSnoop::Close() {
    ReleaseFinishedThread();
    if (!active_) {
        return;
    }
    // A running thread is stopped whatever CaptureEnabled says now: closing the
    // handle under it would pull the buffer from under its read.
    if (captureThread_ == nullptr && captureEnabled_) {
        lastError_ = kErrorNoThreadToStop;
        showMessage_(lastError_);
        return;
    }
    active_ = false;
    if (captureThread_ != nullptr) {
        captureThread_->StopAndWait();  // the end handler closes the handle meanwhile
        captureThread_.reset();
    } else {
        CloseHandle();
    }
}

void TCustomSnoop::ThreadTerminated() {
    if (!threadError_.empty()) {
        lastError_ = std::exchange(threadError_, std::string());
    }
    active_ = false;
    // A Close has set the terminate request before it waits for this handler;
    // only an end nobody asked for is news.
    const bool stopped = captureThread_ == nullptr || captureThread_->Terminated();
    const std::string helperEnd = CloseHandle();
    if (stopped) {
        return;
    }
    lastEnd_ = std::exchange(threadEnd_, TSnoopEnd{});
    // The helper's stream reads like a capture file, so a helper that died or
    // lost its adapter looks like a file read to its end. For the user it is a
    // capture that failed, and the helper's own line says why better than the
    // read did.
    const bool streamEnded = lastEnd_->cause == TSnoopEnd::Cause::EndOfFile ||
                             lastEnd_->cause == TSnoopEnd::Cause::ReadError;
    if (!helperEnd.empty() && streamEnded) {
        lastError_ = helperEnd;
        *lastEnd_ = {TSnoopEnd::Cause::ReadError, helperEnd};
    }
    if (onCaptureEnded_) {
        onCaptureEnded_(this, *lastEnd_);
    }
}

bool TCustomSnoop::ServeFor(std::chrono::milliseconds duration) {
    return Serve(MainThreadInvoker::Clock::now() + duration);
}

void TCustomSnoop::ServeUntilThreadEnds() {
    Serve(MainThreadInvoker::Clock::time_point::max());
}

bool TCustomSnoop::Serve(MainThreadInvoker::Clock::time_point deadline) {
    if (captureThread_ == nullptr) {
        return true;
    }
    if (!invoker_.ServeUntil(deadline)) {
        return false;
    }
    ReleaseFinishedThread();
    return true;
}

// A thread that ended by itself (end of file, read error, a throwing handler)
// has run its end handler, so Active is false while the object is still held;
// joining it here waits at most for its last return.
void TCustomSnoop::ReleaseFinishedThread() {
    if (captureThread_ != nullptr && !active_) {
        captureThread_->WaitFor();
        captureThread_.reset();
    }
}

DropCounts TCustomSnoop::Drops() {
    if (captureHelper_.Running()) {
        return captureHelper_.Drops();
    }
    return {kernelDrops_.load(), adapterDrops_.load()};
}

int TCustomSnoop::DataLink() const {
    return captureHandle_ != nullptr ? pcap_datalink(captureHandle_) : -1;
}

void TCustomSnoop::InterruptRead(bool force) {
    if (captureHandle_ != nullptr) {
        pcap_breakloop(captureHandle_);
    }
    if (force) {
        captureHelper_.Kill();
    } else {
        captureHelper_.Stop();
    }
}

std::string TCustomSnoop::CloseHandle() {
    if (captureHandle_ != nullptr) {
        // For the helper's stream this closes the pipe first: a helper blocked
        // in writing to it ends at once.
        pcap_close(captureHandle_);
        captureHandle_ = nullptr;
    }
    return captureHelper_.Finish();
}

}  // namespace kestro
