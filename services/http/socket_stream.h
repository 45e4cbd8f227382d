#pragma once
// TCP transport of the HTTP client: name resolution, the connect with its time limit, and a
// ByteStream over the connected socket. Waits block outright unless AntiFreeze is in force, in
// which case they are sliced and pending Qt events are dispatched between the slices.

#include <string>

#include "services/http/byte_stream.h"

// "Socket Error # <n>", a line break, then the system's description of the error.
std::string SocketErrorMessage(int err);

// "LOCALHOST" in any letter case and dotted IPv4 addresses are taken as they are; other names go
// to the system resolver, whose first IPv4 address is used. Throws ZorviaError.
unsigned long ResolveIPv4(const std::string& host);  // network byte order

class SocketStream : public ByteStream {
public:
    // Connects to host:port. `connectTimeLimitMs` applies only while AntiFreeze is in force
    // ("Connect timed out."); otherwise the system's own connect behaviour holds.
    SocketStream(const std::string& host, int port, int connectTimeLimitMs);
    ~SocketStream() override;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    std::size_t Read(char* buf, std::size_t len, int waitLimitMs) override;
    void Write(const char* data, std::size_t len) override;

    // Ends both directions without giving up the descriptor: a read waiting on it returns at
    // once, and the descriptor cannot be reused by another open while the reader still holds it.
    void Shutdown();

    const std::string& host() const { return m_host; }
    int port() const { return m_port; }

private:
    void WaitFor(short events, int waitLimitMs);

    int m_fd = -1;
    std::string m_host;
    int m_port = 0;
};
