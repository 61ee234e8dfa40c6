#include "online/tests/header_order_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zovi::testing {

namespace {

constexpr int kPollMs = 50;

int ConnectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
    return ntohs(address.sin_port);
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

CHeaderOrderRelay::~CHeaderOrderRelay() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    for (std::thread& connection : connections_) connection.join();
    if (listenFd_ >= 0) close(listenFd_);
}

bool CHeaderOrderRelay::Start() {
    listenFd_ = ListenOnLoopback(64, port_);
    if (listenFd_ < 0) return false;
    acceptor_ = std::thread([this] { Accept(); });
    return true;
}

std::optional<HeaderLines> CHeaderOrderRelay::TakeHeaders(int relayPort) {
    std::lock_guard guard(lock_);
    auto it = heads_.find(relayPort);
    if (it == heads_.end()) return std::nullopt;
    HeaderLines lines = std::move(it->second);
    heads_.erase(it);
    return lines;
}

void CHeaderOrderRelay::Accept() {
    while (!stopping_) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (poll(&waiting, 1, kPollMs) <= 0) continue;
        const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        std::lock_guard guard(lock_);
        connections_.emplace_back([this, client] { Relay(client); });
    }
}

// Copies bytes both ways until either side closes; the first head is filed before it is
// passed on, so it is known by the time the server handles the request.
void CHeaderOrderRelay::Relay(int client) {
    const int server = ConnectTo(serverPort_);
    if (server < 0) {
        close(client);
        return;
    }
    const int relayPort = LocalPort(server);
    std::string pending;  // client bytes held until the head is complete
    bool headSeen = false;
    char buffer[65536];
    while (!stopping_) {
        pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (poll(fds, 2, kPollMs) <= 0) continue;
        if (fds[0].revents != 0) {
            const ssize_t n = recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            if (headSeen) {
                if (!SendAll(server, buffer, size_t(n))) break;
            } else {
                pending.append(buffer, size_t(n));
                const size_t end = pending.find("\r\n\r\n");
                if (end != std::string::npos) {
                    headSeen = true;
                    {
                        std::lock_guard guard(lock_);
                        heads_[relayPort] = ParseHeaderLines(pending.substr(0, end));
                    }
                    if (!SendAll(server, pending.data(), pending.size())) break;
                    pending.clear();
                }
            }
        }
        if (fds[1].revents != 0) {
            const ssize_t n = recv(server, buffer, sizeof(buffer), 0);
            if (n <= 0 || !SendAll(client, buffer, size_t(n))) break;
        }
    }
    close(server);
    close(client);
}

}  // namespace zovi::testing
