#include "pictures/cached_picture.h"

#include <QFile>

#include <filesystem>
#include <system_error>

#include "deals/picture_cache.h"
#include "pictures/jpeg_image.h"

std::optional<QImage> LoadCachedPicture(const std::string& url, std::string_view suffix,
                                        BadCachedPicture onBadPicture, QSize shown) {
    const std::optional<std::string> path = FetchCachedPicture(url, suffix);
    if (!path)
        return std::nullopt;

    try {
        // Only what the box shows is decoded: a picture claiming a huge size costs no more.
        return TJPEGImage::DecodeFile(QFile::decodeName(QByteArray::fromStdString(*path)), shown);
    } catch (const JpegError&) {
        // An existing file is trusted, so a bad one (an error page served with status 200, a
        // download cut short) would fail at every start; without it the next request downloads
        // the picture again.
        std::error_code ignored;
        std::filesystem::remove(*path, ignored);
        if (onBadPicture == BadCachedPicture::Report)
            throw;
        return std::nullopt;
    } catch (const ZorviaError&) {
        // Unreadable rather than bad: the file is left alone.
        if (onBadPicture == BadCachedPicture::Report)
            throw;
        return std::nullopt;
    }
}
