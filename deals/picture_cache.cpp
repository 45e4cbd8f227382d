#include "deals/picture_cache.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <unordered_set>

#include "deals/picture_budget.h"
#include "deals/picture_cache_folder.h"
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

std::string ImageCacheDir() {
    if (!CacheDirOverride().empty())
        return CacheDirOverride();
    return ChooseImageCacheDir(ExecutableFolder(), std::getenv("XDG_CACHE_HOME"), UserHomeFolder());
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
    std::optional<PictureBudget::Clock::time_point> deadline;
    if (const PictureBudget* budget = PictureBudget::Current())
        deadline = budget->deadline();
    return FetchPictureInto(url, suffix, CacheFilePath(url, suffix), deadline);
}

std::optional<std::string> FetchPictureInto(
    const std::string& url, std::string_view suffix, const std::string& path,
    std::optional<std::chrono::steady_clock::time_point> deadline, HttpClient* client) {
    // While its download is under way a picture has no file under its name yet, and a second
    // download would write into the same partial file.
    if (InFlight(path))
        return std::nullopt;
    if (IsFile(path))
        return path;

    // Every picture download keeps the same bounds, on whichever thread and client it runs.
    HttpLimits limits;
    limits.MaxFileBytes = kMaxPictureFileBytes;
    if (deadline) {
        if (std::chrono::steady_clock::now() >= *deadline)
            return std::nullopt;  // none begins once the budget is spent
        limits.Deadline = *deadline;
    }

    const PictureDownloadClaim mark(path);
    if (!mark.claimed())  // another thread started the same download just now
        return std::nullopt;
    bool fetched = false;
    try {
        const std::string source = url + std::string(suffix);
        if (client != nullptr) {
            client->Limits = limits;
            fetched = FetchToFile(*client, source, path);
        } else {
            fetched = FetchToFile(source, path, limits);
        }
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
        // Only the program's own picture files go: the listing also names links and hidden
        // folders whose names end in ".jpg", and those are none of its business.
        std::error_code ignored;  // a file that cannot be deleted stays until the next start
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ignored)))
            continue;
        std::filesystem::remove(file, ignored);
    }
}
