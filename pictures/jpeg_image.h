#pragma once
// JPEG decoding through libjpeg (API 62), from memory. All JPEG pictures of the program (the
// packaged backgrounds, the splash, every cached deal picture) are decoded here, never through
// Qt's own JPEG plugin.

#include <QByteArray>
#include <QImage>

#include "services/errors.h"

// A file libjpeg refuses: the message is "JPEG error #<code>" with the library's message code.
class JpegError : public ZorviaError {
public:
    explicit JpegError(int code);
    int code() const { return m_code; }

private:
    int m_code;
};

class TJPEGImage {
public:
    // Decodes the whole file; throws JpegError. The decompressor is released on every path.
    static QImage Decode(const QByteArray& bytes);
    static QImage DecodeFile(const QString& path);  // an unreadable file throws ZorviaError
};
