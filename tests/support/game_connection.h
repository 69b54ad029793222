// A real TCP connection on 127.0.0.1:5121 inside one process: the listening
// side plays the game server, the connecting side the player's client. Used
// where the main window must capture game traffic on the loopback adapter.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace kestro::test {

class GameConnection {
public:
    static constexpr uint16_t kGamePort = 5121;

    GameConnection() = default;
    ~GameConnection() { Close(); }
    GameConnection(const GameConnection&) = delete;
    GameConnection& operator=(const GameConnection&) = delete;

    // Returns an empty text on success, else what failed. Another program or
    // test may hold the port for a moment; binding is retried for `patience`.
    std::string Open(std::chrono::milliseconds patience = std::chrono::seconds(10)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        if (listener_ < 0) {
            return Failure("socket");
        }
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in address = Loopback();
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            if (errno != EADDRINUSE || std::chrono::steady_clock::now() >= deadline) {
                return Failure("bind 127.0.0.1:5121");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (listen(listener_, 1) != 0) {
            return Failure("listen");
        }
        client_ = socket(AF_INET, SOCK_STREAM, 0);
        if (client_ < 0) {
            return Failure("socket");
        }
        if (connect(client_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            return Failure("connect");
        }
        server_ = accept(listener_, nullptr, nullptr);
        if (server_ < 0) {
            return Failure("accept");
        }
        // One send, one segment: Nagle would hold a payload back while the last is unacknowledged.
        for (const int fd : {client_, server_}) {
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
        return {};
    }

    // Sends one payload from the game server to the client (or the other way)
    // and reads it at the far end, so that no buffer fills however many are sent.
    bool FromServer(const std::vector<uint8_t>& payload) { return Pass(server_, client_, payload); }
    bool FromClient(const std::vector<uint8_t>& payload) { return Pass(client_, server_, payload); }

    // The client's side of the connection, to tell its segments from other traffic.
    uint16_t ClientPort() const {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (client_ < 0 ||
            getsockname(client_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return 0;
        }
        return ntohs(address.sin_port);
    }

    void Close() {
        for (int* fd : {&client_, &server_, &listener_}) {
            if (*fd >= 0) {
                close(*fd);
                *fd = -1;
            }
        }
    }

private:
    static sockaddr_in Loopback() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(kGamePort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    static std::string Failure(const char* what) {
        return std::string(what) + ": " + std::strerror(errno);
    }

    static bool Pass(int from, int to, const std::vector<uint8_t>& payload) {
        if (from < 0 || to < 0 || payload.empty()) {
            return false;
        }
        const ssize_t sent = send(from, payload.data(), payload.size(), MSG_NOSIGNAL);
        if (sent != static_cast<ssize_t>(payload.size())) {
            return false;
        }
        std::vector<uint8_t> sink(payload.size());
        return recv(to, sink.data(), sink.size(), MSG_WAITALL) == sent;
    }

    int listener_ = -1;
    int client_ = -1;
    int server_ = -1;
};

}  // namespace kestro::test
