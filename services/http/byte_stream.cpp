#include "services/http/byte_stream.h"

#include <algorithm>
#include <cstring>

std::size_t MemoryStream::Read(char* buf, std::size_t len, int /*waitLimitMs*/) {
    std::size_t n = std::min(len, m_input.size() - m_pos);
    if (m_pieceSize > 0)
        n = std::min(n, m_pieceSize);
    if (n > 0)
        std::memcpy(buf, m_input.data() + m_pos, n);
    m_pos += n;
    return n;
}

void MemoryStream::Write(const char* data, std::size_t len) {
    m_written.append(data, len);
}
