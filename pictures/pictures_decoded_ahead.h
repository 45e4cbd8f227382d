#pragma once
// The cached pictures of a grid decoded on worker threads while its tiles are being built.
// Building a tile and decoding its picture take about as long each; side by side on two
// processors, a grid of cached deals is built in about the time of its tiles alone. Every
// picture is exactly the one LoadCachedPicture would give the tile: the same file decoded for
// the same box, a file that does not decode deleted the same way, a missing file left to the
// tile's own download.

#include <QImage>
#include <QSize>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class PicturesDecodedAhead {
public:
    // Starts decoding the cached files of the URLs (with the size suffix) for a box of the
    // given size, in the listed order, each URL once. Becomes the set in force until destroyed
    // (sets do not nest): meanwhile LoadCachedPicture takes its tile pictures from here. Only
    // the constructing thread may ask for pictures.
    PicturesDecodedAhead(const std::vector<std::string>& urls, std::string_view suffix,
                         QSize shown);
    // Waits for the pictures being decoded; the ones not begun are never decoded.
    ~PicturesDecodedAhead();
    PicturesDecodedAhead(const PicturesDecodedAhead&) = delete;
    PicturesDecodedAhead& operator=(const PicturesDecodedAhead&) = delete;

    // The set in force, or nullptr.
    static PicturesDecodedAhead* Current();

    enum class Outcome {
        NotHere,      // not one of this set's pictures, or not in the cache when its turn came
        Picture,      // decoded
        Placeholder,  // the file does not decode (deleted) or cannot be read (left alone)
    };
    struct Answer {
        Outcome outcome = Outcome::NotHere;
        QImage picture;
    };
    // What LoadCachedPicture(url, suffix, BadCachedPicture::KeepPlaceholder, shown) gives, when
    // this set can say: a picture being decoded is waited for, one whose turn has not come is
    // decoded on the calling thread. A URL asked for again gets the same picture; after a
    // deleted file it gets NotHere, so that it is downloaded again as it would be without this
    // set.
    Answer take(const std::string& url, std::string_view suffix, QSize shown);

    // Decoders beside the calling thread: one fewer than the processors (none on a single
    // processor, where the calling thread decodes each picture when asked, as without this set).
    static int WorkerCount();

private:
    struct Shared;
    std::unique_ptr<Shared> m_shared;  // the workers' too, until they are joined
    std::vector<std::thread> m_workers;
    PicturesDecodedAhead* m_previous;
};
