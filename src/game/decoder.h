// Finds the one game packet a TCP payload carries and hands it to its handler.
#pragma once

#include <cstdint>
#include <string>

#include "game/capture_filter.h"
#include "game/game_servers.h"
#include "notify/log.h"

namespace kestro {

// Receivers of the decoded game events. Texts are CP932 bytes as read.
class GameEventSink {
public:
    virtual ~GameEventSink() = default;
    virtual void HandleMapChange(const std::string& mapName) = 0;
    virtual void HandleTicketPurchase(uint8_t kind, uint8_t runner, uint8_t second) = 0;
    virtual void HandleAnnouncement(const std::string& text) = 0;
    // A client of another server acted: from now on that server's races are
    // followed, from scratch; `server` names it ("203.0.113.20:5121").
    virtual void HandleServerChange(const std::string& server) = 0;
};

class Decoder {
public:
    // logLevel is read at every payload, so a changed setting applies at once.
    Decoder(GameEventSink& sink, Log& log, const uint8_t& logLevel)
        : sink_(sink), log_(log), logLevel_(logLevel) {}

    // The handler of the capture component's event: one TCP payload, len > 0.
    void SnoopTCPDataCaptureTCPData(const uint8_t* tcpData, int32_t tcpDataLength) {
        SnoopTCPDataCaptureTCPData(PayloadOrigin{}, tcpData, tcpDataLength);
    }
    // The same, with the connection it came on: several clients and servers.
    void SnoopTCPDataCaptureTCPData(const PayloadOrigin& from, const uint8_t* tcpData,
                                    int32_t tcpDataLength);

    int32_t PacketCount() const { return packetCount_; }

private:
    GameEventSink& sink_;
    Log& log_;
    const uint8_t& logLevel_;
    int32_t packetCount_ = 0;
    GameServers servers_;
};

}  // namespace kestro
