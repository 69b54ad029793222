#include "game/game_servers.h"

#include <algorithm>

namespace kestro {

namespace {

uint64_t Endpoint(uint32_t address, uint16_t port) {
    return uint64_t{address} << 16 | port;
}

uint64_t ServerOf(const PayloadOrigin& from) {
    return Endpoint(from.serverAddress, from.serverPort);
}

uint64_t ClientOf(const PayloadOrigin& from) {
    return Endpoint(from.clientAddress, from.clientPort);
}

}  // namespace

PayloadOrigin OriginOf(uint32_t sourceAddress, uint16_t sourcePort, uint32_t destinationAddress,
                       uint16_t destinationPort, int64_t micros) {
    const bool fromServer = sourcePort == kGameServerPort && destinationPort != kGameServerPort;
    PayloadOrigin origin;
    origin.serverAddress = fromServer ? sourceAddress : destinationAddress;
    origin.serverPort = fromServer ? sourcePort : destinationPort;
    origin.clientAddress = fromServer ? destinationAddress : sourceAddress;
    origin.clientPort = fromServer ? destinationPort : sourcePort;
    origin.micros = micros;
    return origin;
}

std::string ServerName(const PayloadOrigin& origin) {
    const uint32_t a = origin.serverAddress;
    return std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 0xFF) + "." +
           std::to_string(a >> 8 & 0xFF) + "." + std::to_string(a & 0xFF) + ":" +
           std::to_string(origin.serverPort);
}

bool GameServers::Follows(const PayloadOrigin& from) {
    if (!following_) {
        following_ = true;
        followed_ = ServerOf(from);
    }
    return followed_ == ServerOf(from);
}

bool GameServers::PlayerActed(const PayloadOrigin& from) {
    if (Follows(from)) {
        return false;
    }
    followed_ = ServerOf(from);
    return true;
}

bool GameServers::TakeLine(const PayloadOrigin& from, std::string_view text) {
    if (!Follows(from)) {
        return false;
    }
    const uint64_t server = ServerOf(from);
    const uint64_t client = ClientOf(from);
    Line* line = nullptr;
    for (Line& heard : lines_) {
        if (heard.clientCount > 0 && heard.server == server && heard.text == text &&
            from.micros >= heard.micros && from.micros - heard.micros <= kSameLineMicros) {
            line = &heard;
            break;
        }
    }
    if (line != nullptr) {
        const auto end = line->clients.begin() + std::ptrdiff_t(line->clientCount);
        const bool again = std::find(line->clients.begin(), end, client) != end;
        if (!again && line->clientCount < kClients) {
            line->clients[line->clientCount++] = client;
            return false;
        }
        // The same client hears it again: the server said it again, and the
        // other clients' copies of this one are still to come.
    } else {
        line = &lines_[nextLine_];
        nextLine_ = (nextLine_ + 1) % kLines;
        line->server = server;
        line->text.assign(text);
    }
    line->micros = from.micros;
    line->clients[0] = client;
    line->clientCount = 1;
    return true;
}

}  // namespace kestro
