// A TCP relay on 127.0.0.1 in front of a local HTTP server that keeps each connection's
// first request head as sent, so a test can see the order of the request's header lines
// (the server's parser keeps them by name only). The head is filed under the port the
// relay's connection to the server comes from, which the server sees as the request's
// remote port. Fit for servers that close every connection after one request.
#pragma once
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/http/tests/test_http_server.h"

namespace zovi::testing {

using HeaderLines = std::vector<std::pair<std::string, std::string>>;

class CHeaderOrderRelay {
public:
    explicit CHeaderOrderRelay(int serverPort) : serverPort_(serverPort) {}
    // Closes every relayed connection.
    ~CHeaderOrderRelay();
    CHeaderOrderRelay(const CHeaderOrderRelay&) = delete;
    CHeaderOrderRelay& operator=(const CHeaderOrderRelay&) = delete;

    bool Start();
    int Port() const { return port_; }
    // The header lines of the request that came through the connection from `relayPort`.
    std::optional<HeaderLines> TakeHeaders(int relayPort);

private:
    void Accept();
    void Relay(int client);

    int serverPort_;
    int listenFd_ = -1;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::mutex lock_;
    std::vector<std::thread> connections_;
    std::map<int, HeaderLines> heads_;
};

}  // namespace zovi::testing
