// The capture component the main window owns: parses each frame down to its
// TCP payload and raises OnCaptureTCPData for a segment that carries one.
#pragma once

#include <atomic>
#include <cstdint>

#include "capture/custom_snoop.h"
#include "capture/frames.h"
#include "capture/snoop_events.h"
#include "capture/stream_positions.h"

namespace kestro {

class TSnoopTCPData : public TCustomSnoop {
public:
    explicit TSnoopTCPData(TSnoopMessageBox showMessage = nullptr);
    ~TSnoopTCPData() override;

    const TOnCaptureTCPDataEvent& OnCaptureTCPData() const { return onCaptureTCPData_; }
    void SetOnCaptureTCPData(TOnCaptureTCPDataEvent handler);
    // The segment whose payload OnCaptureTCPData carries: its connection and
    // sequence number. Valid during the event only.
    const TCPSegmentPlace& CurrentSegment() const { return place_; }

protected:
    bool AcceptFrame() override;
    void ProcessPacket() override;
    void CaptureStarting() override;

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
    TCPSegmentPlace place_;
    // The bytes of the payload not handed on before on its connection, as
    // streamPositions_ answered.
    const StreamPositions::NewBytes* newBytes_ = nullptr;
    // Capture thread only, but for CaptureStarting, which runs before it starts.
    StreamPositions streamPositions_;
};

}  // namespace kestro
