#include "pictures/cached_picture.h"

#include <QFile>

#include <filesystem>
#include <system_error>

#include "deals/picture_cache.h"
#include "pictures/jpeg_image.h"
#include "pictures/pictures_decoded_ahead.h"

QImage DecodeCacheFile(const std::string& path, QSize shown) {
    // A file that cannot be read (ZorviaError) rather than one that does not decode is left
    // alone.
    try {
        // Only what the box shows is decoded: a picture claiming a huge size costs no more.
        return TJPEGImage::DecodeFile(QFile::decodeName(QByteArray::fromStdString(path)), shown);
    } catch (const JpegError&) {
        // An existing file is trusted, so a bad one (an error page served with status 200, a
        // download cut short) would fail at every start; without it the next request downloads
        // the picture again.
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        throw;
    }
}

std::optional<QImage> LoadCachedPicture(const std::string& url, std::string_view suffix,
                                        BadCachedPicture onBadPicture, QSize shown) {
    if (onBadPicture == BadCachedPicture::KeepPlaceholder) {
        if (PicturesDecodedAhead* ahead = PicturesDecodedAhead::Current()) {
            PicturesDecodedAhead::Answer answer = ahead->take(url, suffix, shown);
            if (answer.outcome == PicturesDecodedAhead::Outcome::Picture)
                return std::move(answer.picture);
            if (answer.outcome == PicturesDecodedAhead::Outcome::Placeholder)
                return std::nullopt;
        }
    }
    const std::optional<std::string> path = FetchCachedPicture(url, suffix);
    if (!path)
        return std::nullopt;
    try {
        return DecodeCacheFile(*path, shown);
    } catch (const ZorviaError&) {
        if (onBadPicture == BadCachedPicture::Report)
            throw;
        return std::nullopt;
    }
}
