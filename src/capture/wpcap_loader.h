// Windows: the libpcap functions of the capture component, taken from
// wpcap.dll at run time rather than through an import library, so that Kestro
// starts on a machine without a capture driver and says what is missing.
//
// wpcap_loader.cpp defines the pcap.h functions the program calls; each loads
// the DLL on first use. While it cannot be loaded, calls that take an error
// buffer fail with MissingCaptureDriverText(), calls that open nothing return
// their "none" value, and pcap_set_immediate_mode is skipped (returns 0) when
// the DLL lacks it, as older ones do.
#pragma once

namespace kestro::wpcap {

// The error every capture call reports while wpcap.dll cannot be loaded.
const char* MissingCaptureDriverText();

// Whether wpcap.dll was loaded (loads it on the first call).
bool Loaded();

// Some wpcap.dll builds export functions that only raise an exception when
// called: Wine's, for one, captures live but its capture-file functions are
// such stubs, and the exception ends the process with a crash report. From
// this call on, such a call runs `handler` with the function's name instead;
// it must end the process. Only for programs that can say in a line why they
// stop (a window cannot, so kestro.exe keeps the crash report).
void OnUnimplementedFunction(void (*handler)(const char* function));

// Tests: drops the loaded DLL and loads `dllName` in its place (a name that
// does not exist stands for a machine without a capture driver). Not safe while
// any capture call is running.
void ReloadForTesting(const char* dllName);

}  // namespace kestro::wpcap
