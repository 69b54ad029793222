#include "capture/wpcap_loader.h"

#include "capture/capture_source.h"

#include <pcap/pcap.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

namespace kestro::wpcap {

namespace {

constexpr const char* kMissingDriver =
    "The capture driver is missing: wpcap.dll could not be loaded. "
    "Install Npcap in its WinPcap-compatible mode.";

struct Functions {
    HMODULE module = nullptr;
    decltype(&::pcap_findalldevs) findalldevs = nullptr;
    decltype(&::pcap_freealldevs) freealldevs = nullptr;
    decltype(&::pcap_create) create = nullptr;
    decltype(&::pcap_set_snaplen) set_snaplen = nullptr;
    decltype(&::pcap_set_promisc) set_promisc = nullptr;
    decltype(&::pcap_set_timeout) set_timeout = nullptr;
    decltype(&::pcap_set_immediate_mode) set_immediate_mode = nullptr;
    decltype(&::pcap_activate) activate = nullptr;
    decltype(&::pcap_open_offline) open_offline = nullptr;
    decltype(&::pcap_hopen_offline) hopen_offline = nullptr;
    decltype(&::pcap_close) close = nullptr;
    decltype(&::pcap_compile) compile = nullptr;
    decltype(&::pcap_setfilter) setfilter = nullptr;
    decltype(&::pcap_freecode) freecode = nullptr;
    decltype(&::pcap_next_ex) next_ex = nullptr;
    decltype(&::pcap_breakloop) breakloop = nullptr;
    decltype(&::pcap_stats) stats = nullptr;
    decltype(&::pcap_datalink) datalink = nullptr;
    decltype(&::pcap_datalink_val_to_name) datalink_val_to_name = nullptr;
    decltype(&::pcap_geterr) geterr = nullptr;
    decltype(&::pcap_statustostr) statustostr = nullptr;
};

template <typename Fn>
void Find(HMODULE module, const char* name, Fn& fn) {
    // void (*)() is the generic function pointer type: no cast-function-type warning.
    fn = module != nullptr
             ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
             : nullptr;
}

// The system folder first, never the current one; then Npcap's own folder, which
// holds the DLL when it was installed without the WinPcap-compatible mode.
HMODULE LoadDll(const char* dllName) {
    HMODULE module = LoadLibraryExA(dllName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || std::strchr(dllName, '\\') != nullptr) {
        return module;
    }
    char system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(system, length) + "\\Npcap\\" + dllName;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

Functions Load(const char* dllName) {
    Functions f;
    f.module = LoadDll(dllName);
    Find(f.module, "pcap_findalldevs", f.findalldevs);
    Find(f.module, "pcap_freealldevs", f.freealldevs);
    Find(f.module, "pcap_create", f.create);
    Find(f.module, "pcap_set_snaplen", f.set_snaplen);
    Find(f.module, "pcap_set_promisc", f.set_promisc);
    Find(f.module, "pcap_set_timeout", f.set_timeout);
    Find(f.module, "pcap_set_immediate_mode", f.set_immediate_mode);
    Find(f.module, "pcap_activate", f.activate);
    Find(f.module, "pcap_open_offline", f.open_offline);
    Find(f.module, "pcap_hopen_offline", f.hopen_offline);
    Find(f.module, "pcap_close", f.close);
    Find(f.module, "pcap_compile", f.compile);
    Find(f.module, "pcap_setfilter", f.setfilter);
    Find(f.module, "pcap_freecode", f.freecode);
    Find(f.module, "pcap_next_ex", f.next_ex);
    Find(f.module, "pcap_breakloop", f.breakloop);
    Find(f.module, "pcap_stats", f.stats);
    Find(f.module, "pcap_datalink", f.datalink);
    Find(f.module, "pcap_datalink_val_to_name", f.datalink_val_to_name);
    Find(f.module, "pcap_geterr", f.geterr);
    Find(f.module, "pcap_statustostr", f.statustostr);
    return f;
}

Functions& Table() {
    static Functions functions = Load("wpcap.dll");
    return functions;
}

int Missing(char* errorBuffer) {
    if (errorBuffer != nullptr) {
        std::strncpy(errorBuffer, kMissingDriver, PCAP_ERRBUF_SIZE - 1);
        errorBuffer[PCAP_ERRBUF_SIZE - 1] = '\0';
    }
    return PCAP_ERROR;
}

// Wine's code for a call of a function that a DLL exports but does not
// implement; its two parameters are the DLL's and the function's names.
constexpr DWORD kWineStubException = 0x80000100;

std::atomic<void (*)(const char*)> unimplementedHandler{nullptr};

LONG CALLBACK CatchUnimplemented(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    const auto handler = unimplementedHandler.load();
    if (handler == nullptr || record.ExceptionCode != kWineStubException ||
        record.NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const auto* dll = reinterpret_cast<const char*>(record.ExceptionInformation[0]);
    if (dll == nullptr || lstrcmpiA(dll, "wpcap.dll") != 0) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    // A function exported by ordinal alone comes as its number, below 0x10000.
    const ULONG_PTR function = record.ExceptionInformation[1];
    handler(function >> 16 != 0 ? reinterpret_cast<const char*>(function) : "a wpcap function");
    return EXCEPTION_CONTINUE_SEARCH;  // not reached: the handler ends the process
}

}  // namespace

void OnUnimplementedFunction(void (*handler)(const char* function)) {
    unimplementedHandler.store(handler);
    // First in line, so that no other handler sees the call first.
    static const PVOID added = AddVectoredExceptionHandler(1, CatchUnimplemented);
    (void)added;
}

const char* MissingCaptureDriverText() {
    return kMissingDriver;
}

bool Loaded() {
    return Table().module != nullptr;
}

void ReloadForTesting(const char* dllName) {
    Functions& table = Table();
    if (table.module != nullptr) {
        FreeLibrary(table.module);
    }
    table = Load(dllName);
}

}  // namespace kestro::wpcap

namespace kestro {

// The capture source's question (capture/capture_source.h), answered where the DLL is loaded.
std::string MissingCaptureDriver() {
    return wpcap::Loaded() ? std::string() : wpcap::MissingCaptureDriverText();
}

}  // namespace kestro

// The pcap.h functions themselves, in place of an import library. A handle or
// device list only exists when the DLL was loaded, so the calls that take one
// need no check beyond the function itself being there.
using kestro::wpcap::Table;

extern "C" {

int pcap_findalldevs(pcap_if_t** devices, char* errorBuffer) {
    const auto fn = Table().findalldevs;
    return fn != nullptr ? fn(devices, errorBuffer) : kestro::wpcap::Missing(errorBuffer);
}

void pcap_freealldevs(pcap_if_t* devices) {
    if (const auto fn = Table().freealldevs; fn != nullptr) {
        fn(devices);
    }
}

pcap_t* pcap_create(const char* source, char* errorBuffer) {
    const auto fn = Table().create;
    if (fn == nullptr) {
        kestro::wpcap::Missing(errorBuffer);
        return nullptr;
    }
    return fn(source, errorBuffer);
}

pcap_t* pcap_open_offline(const char* path, char* errorBuffer) {
    const auto fn = Table().open_offline;
    if (fn == nullptr) {
        kestro::wpcap::Missing(errorBuffer);
        return nullptr;
    }
    return fn(path, errorBuffer);
}

// What pcap_fopen_offline becomes on Windows (a capture stream from a file handle).
pcap_t* pcap_hopen_offline(intptr_t osHandle, char* errorBuffer) {
    const auto fn = Table().hopen_offline;
    if (fn == nullptr) {
        kestro::wpcap::Missing(errorBuffer);
        return nullptr;
    }
    return fn(osHandle, errorBuffer);
}

int pcap_set_snaplen(pcap_t* handle, int length) {
    const auto fn = Table().set_snaplen;
    return fn != nullptr ? fn(handle, length) : PCAP_ERROR;
}

int pcap_set_promisc(pcap_t* handle, int on) {
    const auto fn = Table().set_promisc;
    return fn != nullptr ? fn(handle, on) : PCAP_ERROR;
}

int pcap_set_timeout(pcap_t* handle, int milliseconds) {
    const auto fn = Table().set_timeout;
    return fn != nullptr ? fn(handle, milliseconds) : PCAP_ERROR;
}

// Frames then come at the read time-out instead of at once: late, never lost.
int pcap_set_immediate_mode(pcap_t* handle, int on) {
    const auto fn = Table().set_immediate_mode;
    return fn != nullptr ? fn(handle, on) : 0;
}

int pcap_activate(pcap_t* handle) {
    const auto fn = Table().activate;
    return fn != nullptr ? fn(handle) : PCAP_ERROR;
}

void pcap_close(pcap_t* handle) {
    if (const auto fn = Table().close; fn != nullptr) {
        fn(handle);
    }
}

int pcap_compile(pcap_t* handle, bpf_program* program, const char* text, int optimize,
                 bpf_u_int32 netmask) {
    const auto fn = Table().compile;
    return fn != nullptr ? fn(handle, program, text, optimize, netmask) : PCAP_ERROR;
}

int pcap_setfilter(pcap_t* handle, bpf_program* program) {
    const auto fn = Table().setfilter;
    return fn != nullptr ? fn(handle, program) : PCAP_ERROR;
}

void pcap_freecode(bpf_program* program) {
    if (const auto fn = Table().freecode; fn != nullptr) {
        fn(program);
    }
}

int pcap_next_ex(pcap_t* handle, pcap_pkthdr** header, const u_char** data) {
    const auto fn = Table().next_ex;
    return fn != nullptr ? fn(handle, header, data) : PCAP_ERROR;
}

void pcap_breakloop(pcap_t* handle) {
    if (const auto fn = Table().breakloop; fn != nullptr) {
        fn(handle);
    }
}

int pcap_stats(pcap_t* handle, pcap_stat* stats) {
    const auto fn = Table().stats;
    return fn != nullptr ? fn(handle, stats) : PCAP_ERROR;
}

int pcap_datalink(pcap_t* handle) {
    const auto fn = Table().datalink;
    return fn != nullptr ? fn(handle) : PCAP_ERROR;
}

const char* pcap_datalink_val_to_name(int linkType) {
    const auto fn = Table().datalink_val_to_name;
    return fn != nullptr ? fn(linkType) : nullptr;
}

char* pcap_geterr(pcap_t* handle) {
    const auto fn = Table().geterr;
    return fn != nullptr ? fn(handle)
                         : const_cast<char*>(kestro::wpcap::MissingCaptureDriverText());
}

const char* pcap_statustostr(int status) {
    const auto fn = Table().statustostr;
    return fn != nullptr ? fn(status) : kestro::wpcap::MissingCaptureDriverText();
}

}  // extern "C"
