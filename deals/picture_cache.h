#pragma once
// The on-disk cache of deal pictures: $XDG_CACHE_HOME/zorvia/image (or a writable "image"
// folder beside the program, see picture_cache_folder.h), files named by the MD5 of the picture
// URL plus the size suffix.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Deletes every ".jpg" below ImageCacheDir() whose name is neither the 250 nor the 310 name of
// a listed URL. Other extensions and folders are left alone.
void PruneCache(const std::vector<std::string>& imageUrls);
