// What the capture component tells its owner, and the hook a capture thread
// runs for each frame: the types its three classes share.
#pragma once

#include <pcap/pcap.h>

#include <cstdint>
#include <functional>
#include <string>

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

}  // namespace kestro
