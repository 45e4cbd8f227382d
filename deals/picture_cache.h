#pragma once
// The on-disk cache of deal pictures: $XDG_CACHE_HOME/zorvia/image (or a writable "image"
// folder beside the program, see picture_cache_folder.h), files named by the MD5 of the picture
// URL plus the size suffix.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class HttpClient;

inline constexpr std::string_view kTilePictureSuffix = "_250x250.jpg";
inline constexpr std::string_view kDetailsPictureSuffix = "_310x310.jpg";

// ChooseImageCacheDir for the running program and user. Tests may point it elsewhere.
std::string ImageCacheDir();
void SetImageCacheDirForTesting(const std::string& folder);  // "" restores the default

// MD5Print(MD5String(url)) + suffix.
std::string CacheFileName(const std::string& url, std::string_view suffix);
// ImageCacheDir() + "/" + CacheFileName(url, suffix).
std::string CacheFilePath(const std::string& url, std::string_view suffix);

// The largest picture file a download may write; a larger reply fails like any failed download.
inline constexpr std::size_t kMaxPictureFileBytes = 16 * 1024 * 1024;

// Makes sure the picture is in the cache: an existing file is trusted, otherwise url + suffix is
// downloaded into it (within the PictureBudget in force, if any). Returns the path when a file
// is there afterwards; nullopt when the download failed, the file could not be created, the
// budget was spent, or a download of the same file is already under way. A download killed
// half-way leaves only a partial file (see PartialFileName), which the next pruning removes.
std::optional<std::string> FetchCachedPicture(const std::string& url, std::string_view suffix);
// The same into a path computed beforehand (CacheFilePath(url, suffix)), within the given
// deadline instead of the PictureBudget in force (none begins at or after it), and on the given
// client when there is one (a client of its own otherwise; the client's Limits are set to the
// picture limits), so that worker threads need neither the cache folder nor the budget object.
// Safe to call from any thread; of two calls for one path at the same time only one downloads,
// the other gets nullopt.
std::optional<std::string> FetchPictureInto(
    const std::string& url, std::string_view suffix, const std::string& path,
    std::optional<std::chrono::steady_clock::time_point> deadline, HttpClient* client = nullptr);
// True while a download into the cache file at path is under way.
bool PictureDownloadInFlight(const std::string& path);

// Marks the cache file at path as being downloaded for as long as it exists, unless another
// download holds it already (claimed() false): lookups of that file meanwhile get nothing and
// start no download of their own. Every download holds one; the start holds one for each
// picture it could not fetch, so that the tile does not ask for it a second time.
class PictureDownloadClaim {
public:
    explicit PictureDownloadClaim(std::string path);
    ~PictureDownloadClaim();
    PictureDownloadClaim(const PictureDownloadClaim&) = delete;
    PictureDownloadClaim& operator=(const PictureDownloadClaim&) = delete;

    bool claimed() const { return m_claimed; }

private:
    std::string m_path;
    bool m_claimed = false;
};

// Deletes every ".jpg" below ImageCacheDir() whose name is neither the 250 nor the 310 name of
// a listed URL. Other extensions and folders are left alone.
void PruneCache(const std::vector<std::string>& imageUrls);
