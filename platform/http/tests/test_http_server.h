// A real HTTP or HTTPS server on 127.0.0.1 for tests (cpp-httplib on its own thread). It
// records every request it receives, and handlers can reply in parts, chunked, late,
// cut short or with a redirect. The HTTPS server's certificate (for 127.0.0.1 and
// localhost) is made with openssl when the server starts; CaFile() verifies it.
#pragma once
#include <httplib.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zovi::testing {

// The header lines of a request head (the request line, then "Name: value" lines), in the
// order sent.
std::vector<std::pair<std::string, std::string>> ParseHeaderLines(const std::string& head);
// A listening TCP socket on 127.0.0.1 at a free port: its descriptor (-1 on failure), and
// the port in `port`.
int ListenOnLoopback(int backlog, int& port);

struct RecordedRequest {
    std::string method;
    std::string target;  // path and query as sent
    httplib::Headers headers;
    std::string body;

    std::string Header(const std::string& name) const;
};

class CTestHttpServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    explicit CTestHttpServer(bool tls = false);
    ~CTestHttpServer();

    // Answers requests of any method for the path pattern (a regular expression). Add
    // handlers before Start; unknown paths get 404 and are recorded too.
    void Handle(const std::string& pattern, Handler handler);
    // False when the server could not start (certificate, port).
    bool Start();

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>".
    std::string BaseUrl() const;
    const std::string& CaFile() const { return certFile_; }
    std::vector<RecordedRequest> Requests();

private:
    void Record(const httplib::Request& request);
    bool MakeCertificate();

    bool tls_;
    std::string folder_;
    std::string certFile_;
    std::string keyFile_;
    std::unique_ptr<httplib::Server> server_;
    std::vector<std::pair<std::string, Handler>> handlers_;
    std::thread thread_;
    int port_ = -1;
    std::mutex lock_;
    std::vector<RecordedRequest> requests_;
};

// A plain HTTP/1.1 server that keeps each request's raw bytes, for bodies the server
// above would parse (multipart forms). Every request gets `status` with the reply body
// "ok", and the connection is closed.
class CRawRecordingServer {
public:
    explicit CRawRecordingServer(int status = 200) : status_(status) {}
    ~CRawRecordingServer();
    bool Start();
    int Port() const { return port_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<RecordedRequest> Requests();

private:
    void Serve();
    void HandleConnection(int fd);

    int status_;
    int listenFd_ = -1;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    std::mutex lock_;
    std::vector<RecordedRequest> requests_;
};

}  // namespace zovi::testing
