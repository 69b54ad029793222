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
// (pure acknowledgements) and bytes handed on before cost no hand-over;
// ProcessPacket raises the event from what they found.
bool TSnoopTCPData::AcceptFrame() {
    if (!hasHandler_.load()) {
        return false;
    }
    uint32_t ipCaptured = 0;
    if (!GetLinkIPHeader(CurrentLinkType(), CurrentFrame(), CurrentHeader()->caplen, &ipHeader_,
                         &ipCaptured) ||
        !GetTCPHeader(ipHeader_, ipCaptured, &tcpHeader_)) {
        return false;
    }
    if (!GetTCPData(ipHeader_, ipCaptured, tcpHeader_, &tcpData_, &tcpDataLength_, &place_)) {
        // A SYN without data still starts its stream afresh. Its flags are
        // read here first: most frames without data are acknowledgements.
        const auto tcpCaptured = ipCaptured - static_cast<uint32_t>(tcpHeader_ - ipHeader_);
        if (tcpCaptured > kTCPFlagsByte && (tcpHeader_[kTCPFlagsByte] & kTCPSynchronizeFlag) != 0 &&
            GetTCPSegmentPlace(ipHeader_, ipCaptured, tcpHeader_, &place_)) {
            streamPositions_.Restart(place_);
        }
        return false;
    }
    const timeval& stamp = CurrentHeader()->ts;
    const int64_t micros = int64_t{stamp.tv_sec} * 1'000'000 + stamp.tv_usec;
    newBytes_ = &streamPositions_.Deliver(place_, tcpDataLength_, micros);
    return newBytes_->count > 0;
}

void TSnoopTCPData::CaptureStarting() {
    streamPositions_ = StreamPositions();
}

// Runs only for a frame its AcceptFrame passed (see the members): one event per
// run of new bytes, nearly always the whole payload.
void TSnoopTCPData::ProcessPacket() {
    if (!onCaptureTCPData_) {
        return;
    }
    if (newBytes_->count == 1) {
        const StreamPositions::Piece& piece = newBytes_->pieces[0];
        onCaptureTCPData_(this, CurrentHeader(), CurrentFrame(), ipHeader_, tcpHeader_,
                          tcpData_ + piece.offset, piece.length);
        return;
    }
    for (std::size_t i = 0; i < newBytes_->count; ++i) {
        const StreamPositions::Piece& piece = newBytes_->pieces[i];
        onCaptureTCPData_(this, CurrentHeader(), CurrentFrame(), ipHeader_, tcpHeader_,
                          tcpData_ + piece.offset, piece.length);
    }
}

}  // namespace kestro
