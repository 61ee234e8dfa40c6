#include "platform/http/tests/test_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/process/process.h"

namespace zovi::testing {

std::vector<std::pair<std::string, std::string>> ParseHeaderLines(const std::string& head) {
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream text(head);
    std::string line;
    std::getline(text, line);  // the request line
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        lines.emplace_back(line.substr(0, colon), value);
    }
    return lines;
}

int ListenOnLoopback(int backlog, int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string RecordedRequest::Header(const std::string& name) const {
    auto it = headers.find(name);
    return it != headers.end() ? it->second : std::string();
}

CTestHttpServer::CTestHttpServer(bool tls) : tls_(tls) {}

CTestHttpServer::~CTestHttpServer() {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

void CTestHttpServer::Handle(const std::string& pattern, Handler handler) {
    handlers_.emplace_back(pattern, std::move(handler));
}

bool CTestHttpServer::MakeCertificate() {
    char folder[] = "/tmp/zovi-http-test-XXXXXX";
    if (mkdtemp(folder) == nullptr) return false;
    folder_ = folder;
    certFile_ = folder_ + "/cert.pem";
    keyFile_ = folder_ + "/key.pem";
    auto child = platform::ChildProcess::Start(
        {"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", keyFile_, "-out",
         certFile_, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
         "subjectAltName=IP:127.0.0.1,DNS:localhost"},
        {});
    return child && child->Wait(60000) && child->ExitCode() == 0;
}

bool CTestHttpServer::Start() {
    if (tls_) {
        if (!MakeCertificate()) return false;
        server_ = std::make_unique<httplib::SSLServer>(certFile_.c_str(), keyFile_.c_str());
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    if (!server_->is_valid()) return false;
    auto route = [this](const std::string& pattern, Handler handler) {
        auto recorded = [this, handler](const httplib::Request& request, httplib::Response& response) {
            Record(request);
            handler(request, response);
        };
        server_->Get(pattern, recorded);
        server_->Post(pattern, recorded);
        server_->Put(pattern, recorded);
        server_->Delete(pattern, recorded);
        server_->Patch(pattern, recorded);
        server_->Options(pattern, recorded);
    };
    for (const auto& [pattern, handler] : handlers_) route(pattern, handler);
    route(".*", [](const httplib::Request&, httplib::Response& response) { response.status = 404; });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return false;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // Stopping works only once the accept loop runs.
    for (int i = 0; i < 1000 && !server_->is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return server_->is_running();
}

std::string CTestHttpServer::BaseUrl() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void CTestHttpServer::Record(const httplib::Request& request) {
    RecordedRequest recorded;
    recorded.method = request.method;
    recorded.target = request.target;
    recorded.headers = request.headers;
    recorded.body = request.body;
    std::lock_guard guard(lock_);
    requests_.push_back(std::move(recorded));
}

std::vector<RecordedRequest> CTestHttpServer::Requests() {
    std::lock_guard guard(lock_);
    return requests_;
}

CRawRecordingServer::~CRawRecordingServer() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (listenFd_ >= 0) close(listenFd_);
}

bool CRawRecordingServer::Start() {
    listenFd_ = ListenOnLoopback(16, port_);
    if (listenFd_ < 0) return false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void CRawRecordingServer::Serve() {
    while (!stopping_) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        HandleConnection(fd);
        close(fd);
    }
}

void CRawRecordingServer::HandleConnection(int fd) {
    std::string data;
    char chunk[65536];
    size_t headerEnd = std::string::npos;
    size_t contentLength = 0;
    for (;;) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, 10000) <= 0) return;
        ssize_t n = recv(fd, chunk, sizeof(chunk), 0);
        if (n <= 0) break;
        data.append(chunk, size_t(n));
        if (headerEnd == std::string::npos) {
            headerEnd = data.find("\r\n\r\n");
            if (headerEnd == std::string::npos) continue;
            const std::string head = data.substr(0, headerEnd);
            RecordedRequest request;
            std::istringstream first(head.substr(0, head.find("\r\n")));
            first >> request.method >> request.target;
            for (auto& [name, value] : ParseHeaderLines(head)) {
                if (strcasecmp(name.c_str(), "Content-Length") == 0) contentLength = std::stoul(value);
                request.headers.emplace(std::move(name), std::move(value));
            }
            std::lock_guard guard(lock_);
            requests_.push_back(std::move(request));
        }
        if (data.size() - (headerEnd + 4) >= contentLength) break;
    }
    if (headerEnd == std::string::npos) return;
    {
        std::lock_guard guard(lock_);
        requests_.back().body = data.substr(headerEnd + 4, contentLength);
    }
    const std::string reply = "HTTP/1.1 " + std::to_string(status_) +
                              " Status\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
    send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
}

std::vector<RecordedRequest> CRawRecordingServer::Requests() {
    std::lock_guard guard(lock_);
    return requests_;
}

}  // namespace zovi::testing
