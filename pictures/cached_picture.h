#pragma once
// Loading a deal's picture through the picture cache.

#include <QImage>
#include <optional>
#include <string>
#include <string_view>

// What to do with a cached file that does not decode. Either way the file is deleted so that
// the next request downloads it again.
enum class BadCachedPicture {
    KeepPlaceholder,  // tiles: say nothing, the feed load goes on
    Report,           // the details window: rethrow the decoder's error
};

// The cache file at path decoded for a box of the given size (see TJPEGImage::Decode). A file
// that does not decode is deleted, then the decoder's JpegError is rethrown; one that cannot be
// read is left alone (ZorviaError).
QImage DecodeCacheFile(const std::string& path, QSize shown);

// The picture of url (with the size suffix), downloaded first when it is not cached. Nothing
// when the download fails or (KeepPlaceholder) the file does not decode; the caller then keeps
// what it showed. With a valid `shown` size (the box it goes into) only what that box shows is
// decoded (see TJPEGImage::Decode). While a PicturesDecodedAhead set is in force, a tile's
// picture (KeepPlaceholder) comes from there when the set has it.
std::optional<QImage> LoadCachedPicture(const std::string& url, std::string_view suffix,
                                        BadCachedPicture onBadPicture, QSize shown = QSize());
