#include "capture/snoop_tcp_data.h"

#include <utility>

#include "capture/frames.h"

namespace kestro {

TSnoopTCPData::TSnoopTCPData(TSnoopMessageBox showMessage) : TCustomSnoop(std::move(showMessage)) {
    SetFilter("tcp");
}

TSnoopTCPData::~TSnoopTCPData() {
    Shutdown();
}

void TSnoopTCPData::SetOnCaptureTCPData(TOnCaptureTCPDataEvent handler) {
    onCaptureTCPData_ = std::move(handler);
    hasHandler_.store(static_cast<bool>(onCaptureTCPData_));
}

// The header tests run here, once per frame, so that frames without payload
// (pure acknowledgements) and segments seen before cost no hand-over;
// ProcessPacket raises the event from what they found.
bool TSnoopTCPData::AcceptFrame() {
    if (!hasHandler_.load()) {
        return false;
    }
    uint32_t ipCaptured = 0;
    TCPSegmentPlace place;
    return GetLinkIPHeader(CurrentLinkType(), CurrentFrame(), CurrentHeader()->caplen, &ipHeader_,
                           &ipCaptured) &&
           GetTCPHeader(ipHeader_, ipCaptured, &tcpHeader_) &&
           GetTCPData(ipHeader_, ipCaptured, tcpHeader_, &tcpData_, &tcpDataLength_) &&
           GetTCPSegmentPlace(ipHeader_, ipCaptured, tcpHeader_, &place) &&
           !recentSegments_.SeenBefore(place, tcpData_, tcpDataLength_);
}

void TSnoopTCPData::CaptureStarting() {
    recentSegments_ = RecentSegments();
}

// Runs only for a frame its AcceptFrame passed (see the members).
void TSnoopTCPData::ProcessPacket() {
    if (!onCaptureTCPData_) {
        return;
    }
    onCaptureTCPData_(this, CurrentHeader(), CurrentFrame(), ipHeader_, tcpHeader_, tcpData_,
                      tcpDataLength_);
}

}  // namespace kestro
