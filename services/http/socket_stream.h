#pragma once
// TCP transport of the HTTP client: name resolution, the connect with its time limit, and a
// ByteStream over the connected socket. Waits block outright unless AntiFreeze is in force, in
// which case they are sliced and pending Qt events are dispatched between the slices.

#include <chrono>
#include <string>

#include "services/http/byte_stream.h"

// "Socket Error # <n>", a line break, then the system's description of the error.
std::string SocketErrorMessage(int err);

// "LOCALHOST" in any letter case and dotted IPv4 addresses are taken as they are; other names go
// to the system resolver, whose first IPv4 address is used. Throws ZorviaError.
unsigned long ResolveIPv4(const std::string& host);  // network byte order

// Waits on the socket give up with these messages.
inline constexpr const char* kConnectTimedOut = "Connect timed out.";
inline constexpr const char* kReadTimedOut = "Read timed out.";
inline constexpr const char* kProgramClosing = "The program is closing.";

class SocketStream : public ByteStream {
public:
    using Clock = std::chrono::steady_clock;

    // Connects to host:port. `connectTimeLimitMs` applies only while AntiFreeze is in force;
    // `deadline` always. Either ends the connect with "Connect timed out."; without them the
    // system's own connect behaviour holds.
    SocketStream(const std::string& host, int port, int connectTimeLimitMs,
                 Clock::time_point deadline = Clock::time_point::max());
    ~SocketStream() override;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    // Besides its own `waitLimitMs` ("Read Timeout"), every wait ends with "Read timed out."
    // once idleLimitMs pass without a byte or the deadline is reached (see SetLimits), and with
    // "The program is closing." once AntiFreeze says so.
    std::size_t Read(char* buf, std::size_t len, int waitLimitMs) override;
    void Write(const char* data, std::size_t len) override;

    // The time limits of the request about to run on this connection; negative: none.
    void SetLimits(int idleLimitMs, Clock::time_point deadline);

    // Ends both directions without giving up the descriptor: a read waiting on it fails at once
    // ("Connection Closed Gracefully."), as does every later read, so a body being read when
    // the connection is ended is never taken for a whole one; and the descriptor cannot be
    // reused by another open while the reader still holds it.
    void Shutdown();

    const std::string& host() const { return m_host; }
    int port() const { return m_port; }

private:
    void WaitFor(short events, int waitLimitMs);

    int m_fd = -1;
    bool m_shutDown = false;
    std::string m_host;
    int m_port = 0;
    int m_idleLimitMs = -1;
    Clock::time_point m_deadline = Clock::time_point::max();
};
