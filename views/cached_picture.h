#pragma once
// Filling a picture box from the picture cache.

#include <string>
#include <string_view>

class TImage;

// What to do with a cached file that does not decode. Either way the file is deleted so that
// the next request downloads it again; the box keeps what it showed.
enum class BadCachedPicture {
    KeepPlaceholder,  // tiles: say nothing, the feed load goes on
    Report,           // the details window: rethrow the decoder's error
};

// Shows the picture of url (with the size suffix) in box, downloading it first when it is not
// cached. A failed download leaves the box as it was.
void LoadCachedPicture(const std::string& url, std::string_view suffix, TImage& box,
                       BadCachedPicture onBadPicture);
