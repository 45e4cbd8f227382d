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
    // Decodes the file; throws JpegError. The decompressor is released on every path. With a
    // valid `shown` size only what a box of that size shows at its top-left corner is decoded
    // (the width rounded up to the file's block boundary), and the decoder's own memory is
    // bounded too, so a picture costs about as much as its box however large it claims to be;
    // one too large for that bound is undecodable. A file that ends early is no error: what
    // it holds is shown.
    static QImage Decode(const QByteArray& bytes, QSize shown = QSize());
    // An unreadable file throws ZorviaError.
    static QImage DecodeFile(const QString& path, QSize shown = QSize());
};
