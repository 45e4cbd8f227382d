#pragma once
// The on-disk cache of deal pictures: "image" beside the executable, files named by the MD5 of
// the picture URL plus the size suffix.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class HttpClient;

inline constexpr std::string_view kTilePictureSuffix = "_250x250.jpg";
inline constexpr std::string_view kDetailsPictureSuffix = "_310x310.jpg";

// <folder of the executable>/image. Tests may point it elsewhere.
std::string ImageCacheDir();
void SetImageCacheDirForTesting(const std::string& folder);  // "" restores the default

// MD5Print(MD5String(url)) + suffix.
std::string CacheFileName(const std::string& url, std::string_view suffix);
// ImageCacheDir() + "/" + CacheFileName(url, suffix).
std::string CacheFilePath(const std::string& url, std::string_view suffix);

// Makes sure the picture is in the cache: an existing file is trusted, otherwise url + suffix is
// downloaded into it. Returns the path when a file is there afterwards; nullopt when the download
// failed, the file could not be created, or a download of the same file is already under way.
std::optional<std::string> FetchCachedPicture(const std::string& url, std::string_view suffix);
// The same into a path computed beforehand (CacheFilePath(url, suffix)), so that worker threads
// need not work out the cache folder, and on the given client when there is one (a client of
// its own otherwise). Safe to call from any thread; of two calls for one path at the same time
// only one downloads, the other gets nullopt.
std::optional<std::string> FetchPictureInto(const std::string& url, std::string_view suffix,
                                            const std::string& path, HttpClient* client = nullptr);
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
