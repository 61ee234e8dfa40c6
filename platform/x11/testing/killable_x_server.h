// A private X server that a test can end while its clients run: Xvfb on a display
// number of its own choosing, told once it listens.
#pragma once
#include <memory>
#include <string>

namespace zovi::platform {
class ChildProcess;
}

namespace zovi::test {

class CKillableXServer {
public:
    CKillableXServer();
    ~CKillableXServer();  // kills the server if it still runs
    CKillableXServer(const CKillableXServer&) = delete;
    CKillableXServer& operator=(const CKillableXServer&) = delete;

    // The display name (":N"); empty when the server did not start.
    std::string Name() const;
    // Ends the server with `signal` and waits for it; a killed one leaves its lock and
    // socket behind, which are removed.
    void End(int signal);

private:
    std::unique_ptr<platform::ChildProcess> server_;
    std::string number_;
};

}  // namespace zovi::test
