#pragma once
// Fetching the tile pictures a start needs before the tiles are built, several at a time, the
// way a browser fetches the pictures of a page. Each download goes through the picture cache
// exactly as a tile's own would (same request, same file, same in-flight guard); only their
// timing overlaps. The tiles then find the files in the cache.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "deals/picture_cache.h"

// Downloads at the same time to one host, as browsers allow.
inline constexpr int kPictureConnectionsPerHost = 6;

// The per-host limit in force: kPictureConnectionsPerHost, or the environment variable
// ZORVIA_PICTURE_CONNECTIONS (0 to 6) when set, which the latency benchmark uses to measure the
// start beside one that fetches one picture at a time (1) or none ahead at all, each tile its
// own on a new connection (0).
int PictureConnectionsPerHost();

// Makes sure the 250 x 250 pictures of the listed URLs are in the cache. URLs whose file is
// there already (or being downloaded) are skipped, a URL listed twice is fetched once. The
// downloads run on worker threads with the limits of a tile's own download, the deadline being
// the start's picture budget: none begins at or after it, and each ends by it. The constructing
// thread waits for them and, while AntiFreeze is in force, dispatches pending events between
// short waits. The constructor returns when every download has ended, at the deadline, or as
// soon as the program is closing (AntiFreeze::Quitting); a download still under way then goes on
// in the background until its own limits or the closing end it, and its tile keeps the
// placeholder (the in-flight guard keeps the tile away from it). A download only ever writes
// its partial file, renamed into place when whole, so a process that ends meanwhile leaves no
// half picture under a cache name; nor does it wait for the workers. Failed downloads leave no
// file, so the picture is tried again at the next start; until then this object holds them as under
// way, so that their tiles, built while it exists, do not ask for them a second time.
class TilePicturePrefetch {
public:
    TilePicturePrefetch(const std::vector<std::string>& imageUrls,
                        std::chrono::steady_clock::time_point deadline);
    ~TilePicturePrefetch();
    TilePicturePrefetch(const TilePicturePrefetch&) = delete;
    TilePicturePrefetch& operator=(const TilePicturePrefetch&) = delete;

private:
    std::vector<std::unique_ptr<PictureDownloadClaim>> m_failed;
};
