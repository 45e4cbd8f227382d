#include "deals/picture_cache.h"

#include <QCoreApplication>
#include <QFile>

#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <unordered_set>

#include "services/file_utils.h"
#include "services/http/http_client.h"
#include "services/md5.h"

namespace {

std::string& CacheDirOverride() {
    static std::string folder;
    return folder;
}

std::string ExecutableFolder() {
    if (QCoreApplication::instance())
        return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return ".";
    return exe.parent_path().string();
}

// Cache files whose download is under way. The user interface keeps running while a download
// waits, so a click can ask for the same picture again, and the start fetches several pictures
// at once on worker threads; a second download into the same file would truncate the first
// one's output under it. Never destroyed: a worker still downloading when the process ends must
// not find the set gone.
struct InFlightSet {
    std::mutex lock;
    std::set<std::string> paths;
};

InFlightSet& DownloadsInFlight() {
    static auto* downloads = new InFlightSet;
    return *downloads;
}

bool InFlight(const std::string& path) {
    InFlightSet& downloads = DownloadsInFlight();
    const std::lock_guard<std::mutex> hold(downloads.lock);
    return downloads.paths.count(path) != 0;
}

}  // namespace

PictureDownloadClaim::PictureDownloadClaim(std::string path) : m_path(std::move(path)) {
    InFlightSet& downloads = DownloadsInFlight();
    const std::lock_guard<std::mutex> hold(downloads.lock);
    m_claimed = downloads.paths.insert(m_path).second;
}

PictureDownloadClaim::~PictureDownloadClaim() {
    if (!m_claimed)
        return;
    InFlightSet& downloads = DownloadsInFlight();
    const std::lock_guard<std::mutex> hold(downloads.lock);
    downloads.paths.erase(m_path);
}

namespace {

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::string ImageCacheDir() {
    if (!CacheDirOverride().empty())
        return CacheDirOverride();
    return ExecutableFolder() + "/image";
}

void SetImageCacheDirForTesting(const std::string& folder) {
    CacheDirOverride() = folder;
}

std::string CacheFileName(const std::string& url, std::string_view suffix) {
    std::string name = MD5Print(MD5String(url));
    name += suffix;
    return name;
}

std::string CacheFilePath(const std::string& url, std::string_view suffix) {
    return ImageCacheDir() + "/" + CacheFileName(url, suffix);
}

std::optional<std::string> FetchCachedPicture(const std::string& url, std::string_view suffix) {
    return FetchPictureInto(url, suffix, CacheFilePath(url, suffix));
}

std::optional<std::string> FetchPictureInto(const std::string& url, std::string_view suffix,
                                            const std::string& path, HttpClient* client) {
    // Asked before the file test: the file of a download under way exists, half written.
    if (InFlight(path))
        return std::nullopt;
    if (IsFile(path))
        return path;

    const PictureDownloadClaim mark(path);
    if (!mark.claimed())  // another thread started the same download just now
        return std::nullopt;
    bool fetched = false;
    try {
        const std::string source = url + std::string(suffix);
        fetched = client ? FetchToFile(*client, source, path) : FetchToFile(source, path);
    } catch (const std::exception&) {
        // The file could not be created (a folder that cannot be made, no permission): the
        // picture stays missing like after a failed download, and is tried again next time.
        return std::nullopt;
    }
    if (fetched && IsFile(path))
        return path;
    return std::nullopt;
}

bool PictureDownloadInFlight(const std::string& path) {
    return InFlight(path);
}

void PruneCache(const std::vector<std::string>& imageUrls) {
    // Each URL's two names once, instead of two digests per URL for every file listed.
    std::unordered_set<std::string> kept;
    kept.reserve(imageUrls.size() * 2);
    for (const std::string& url : imageUrls) {
        const std::string digest = MD5Print(MD5String(url));
        kept.insert(digest + std::string(kTilePictureSuffix));
        kept.insert(digest + std::string(kDetailsPictureSuffix));
    }

    for (const std::string& file : ListFilesByExt(ImageCacheDir(), "jpg")) {
        const size_t slash = file.rfind('/');
        const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
        if (kept.count(name))
            continue;
        std::error_code ignored;  // a file that cannot be deleted stays until the next start
        std::filesystem::remove(file, ignored);
    }
}
