#pragma once
// The seam between the HTTP protocol code and the transport: the reply reader and the request
// writer only see a ByteStream, so they run the same over a socket and over bytes in memory.

#include <cstddef>
#include <string>

class ByteStream {
public:
    virtual ~ByteStream() = default;

    // Reads at most `len` bytes into `buf`; returns 0 at the end of the stream. `waitLimitMs`
    // bounds each wait for data (negative: no bound); when it expires the read throws
    // ZorviaError("Read Timeout"). Transport failures throw ZorviaError as well.
    virtual std::size_t Read(char* buf, std::size_t len, int waitLimitMs) = 0;

    // Writes all of the bytes or throws.
    virtual void Write(const char* data, std::size_t len) = 0;
};

// Replays fixed bytes and records what is written. `pieceSize` splits the reads, so that tests
// and the fuzzer see replies arrive in small pieces as they would from a network.
class MemoryStream : public ByteStream {
public:
    explicit MemoryStream(std::string input, std::size_t pieceSize = 0)
        : m_input(std::move(input)), m_pieceSize(pieceSize) {}

    std::size_t Read(char* buf, std::size_t len, int waitLimitMs) override;
    void Write(const char* data, std::size_t len) override;

    const std::string& written() const { return m_written; }
    std::size_t consumed() const { return m_pos; }

private:
    std::string m_input;
    std::size_t m_pieceSize;
    std::size_t m_pos = 0;
    std::string m_written;
};
