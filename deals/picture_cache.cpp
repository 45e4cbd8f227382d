#include "deals/picture_cache.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdlib>
#include <filesystem>
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
// waits, so a click can ask for the same picture again; a second download into the same file
// would truncate the first one's output under it.
std::set<std::string>& DownloadsInFlight() {
    static std::set<std::string> paths;
    return paths;
}

class InFlightMark {
public:
    explicit InFlightMark(std::string path) : m_path(std::move(path)) {
        DownloadsInFlight().insert(m_path);
    }
    ~InFlightMark() { DownloadsInFlight().erase(m_path); }
    InFlightMark(const InFlightMark&) = delete;
    InFlightMark& operator=(const InFlightMark&) = delete;

private:
    std::string m_path;
};

bool IsFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

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
    std::string path = CacheFilePath(url, suffix);
    // While its download is under way a picture has no file under its name yet, and a second
    // download would write into the same partial file.
    if (DownloadsInFlight().count(path))
        return std::nullopt;
    if (IsFile(path))
        return path;

    HttpLimits limits;
    limits.MaxFileBytes = kMaxPictureFileBytes;
    if (const PictureBudget* budget = PictureBudget::Current()) {
        if (budget->Spent())
            return std::nullopt;
        limits.Deadline = budget->deadline();
    }

    const InFlightMark mark(path);
    bool fetched = false;
    try {
        fetched = FetchToFile(url + std::string(suffix), path, limits);
    } catch (const std::exception&) {
        // The file could not be created (a folder that cannot be made, no permission): the
        // picture stays missing like after a failed download, and is tried again next time.
        return std::nullopt;
    }
    if (fetched && IsFile(path))
        return path;
    return std::nullopt;
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
