#pragma once
// A line-command channel over a Unix socket in the runtime dir: the simulated unit listens, scripts
// and tests send one command per connection and read the answer until the unit hangs up.

#include <string>

namespace vostrel::platform {

class LocalServer {
public:
    LocalServer() = default;
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    // Binds and listens at path. A socket file left by a process that is gone is replaced; one that
    // still answers is not. On failure answers false with the reason in *error.
    bool Listen(const std::string& path, std::string* error);
    // Stops listening and removes the socket file.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int handle() const { return fd_; }
    // A waiting connection's handle (non-blocking), or -1.
    int Accept();

private:
    int fd_ = -1;
    std::string path_;
};

// Reads what a connection has ready and appends it to *buffer. Answers false once the peer has
// hung up or failed (whatever arrived before that is still appended).
bool ReceiveAvailable(int connection, std::string* buffer);
// Sends all of text; answers false when the peer is gone or stalls.
bool SendAll(int connection, const std::string& text);
void CloseConnection(int connection);

// Client side: sends line plus a newline and collects the answer until the server hangs up or
// timeoutMs pass. Answers false with the reason in *error when nothing could be exchanged.
bool SendLocalRequest(const std::string& path, const std::string& line, int timeoutMs, std::string* reply,
                      std::string* error);

}  // namespace vostrel::platform
