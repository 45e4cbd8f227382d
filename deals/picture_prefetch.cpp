#include "deals/picture_prefetch.h"

#include <QCoreApplication>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "deals/picture_cache.h"
#include "services/file_utils.h"
#include "services/http/anti_freeze.h"
#include "services/http/cookie_jar.h"
#include "services/http/http_client.h"
#include "services/http/request_url.h"

namespace {

using Clock = std::chrono::steady_clock;

// Between two looks at the downloads the waiting thread dispatches events this often at least.
constexpr std::chrono::milliseconds kEventSlice{20};
// Worker threads never exceed this, whatever the number of hosts.
constexpr int kMostWorkers = 16;

struct Download {
    std::string url;
    std::string path;
    std::string host;  // host:port the request goes to, as the limit per host counts it
};

// Shared by the waiting thread and the workers; a worker left running after the deadline keeps
// it alive through its own reference.
struct Downloads {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Download> queued;
    std::map<std::string, int> activePerHost;
    int perHost = kPictureConnectionsPerHost;
    int workersLeft = 0;
    bool stop = false;
    Clock::time_point deadline;  // the start's picture budget
};

std::string HostOf(const std::string& url) {
    try {
        const RequestUrl target = ReadRequestUrl(url);
        return target.host + ":" + std::to_string(target.port);
    } catch (...) {
        return {};  // the download fails at once anyway
    }
}

// Takes the first queued download whose host has a free connection.
bool TakeNext(Downloads& downloads, Download& next) {
    for (auto it = downloads.queued.begin(); it != downloads.queued.end(); ++it) {
        if (downloads.activePerHost[it->host] >= downloads.perHost)
            continue;
        next = std::move(*it);
        downloads.queued.erase(it);
        ++downloads.activePerHost[next.host];
        return true;
    }
    return false;
}

// A worker never dispatches events and never touches a widget: it only downloads.
void RunWorker(const std::shared_ptr<Downloads>& downloads) {
    // One client for the worker's downloads, so that a server that keeps the connection open
    // serves the next picture without a new connection, as a browser's would.
    HttpClient client;
    ApplySystemProxy(client);
    for (;;) {
        Download next;
        {
            std::unique_lock<std::mutex> hold(downloads->lock);
            downloads->changed.wait(hold, [&] {
                return downloads->stop || AntiFreeze::Quitting() || downloads->queued.empty() ||
                       TakeNext(*downloads, next);
            });
            if (next.path.empty())
                break;  // stopped, or nothing left to start
        }
        // The same request and file as a tile's own download. Each request goes out as the
        // only request of a fresh client would: no cookies from the replies before it.
        client.cookies().Clear();
        FetchPictureInto(next.url, kTilePictureSuffix, next.path, downloads->deadline, &client);
        {
            const std::lock_guard<std::mutex> hold(downloads->lock);
            --downloads->activePerHost[next.host];
        }
        downloads->changed.notify_all();
    }
    {
        const std::lock_guard<std::mutex> hold(downloads->lock);
        --downloads->workersLeft;
    }
    downloads->changed.notify_all();
}

}  // namespace

int PictureConnectionsPerHost() {
    const char* text = std::getenv("ZORVIA_PICTURE_CONNECTIONS");
    if (text == nullptr || text[0] < '0' || text[0] > '0' + kPictureConnectionsPerHost ||
        text[1] != '\0')
        return kPictureConnectionsPerHost;
    return text[0] - '0';
}

TilePicturePrefetch::~TilePicturePrefetch() = default;

TilePicturePrefetch::TilePicturePrefetch(const std::vector<std::string>& imageUrls,
                                         Clock::time_point deadline) {
    auto downloads = std::make_shared<Downloads>();
    downloads->perHost = PictureConnectionsPerHost();
    downloads->deadline = deadline;
    if (downloads->perHost == 0 || AntiFreeze::Quitting() || Clock::now() >= deadline)
        return;  // the tiles download their own pictures, one after another, or none at all

    // Worked out here, on the calling thread: which files are missing, each one once.
    std::set<std::string> seen;
    std::set<std::string> hosts;
    std::vector<std::string> attempted;
    const std::string folder = ImageCacheDir() + "/";
    for (const std::string& url : imageUrls) {
        std::string path = folder + CacheFileName(url, kTilePictureSuffix);
        if (!seen.insert(path).second || PictureDownloadInFlight(path) || IsFile(path))
            continue;
        attempted.push_back(path);
        Download download{url, std::move(path), HostOf(url + std::string(kTilePictureSuffix))};
        hosts.insert(download.host);
        downloads->queued.push_back(std::move(download));
    }
    if (downloads->queued.empty())
        return;

    const int workers =
        std::min({static_cast<int>(downloads->queued.size()),
                  downloads->perHost * static_cast<int>(hosts.size()), kMostWorkers});
    downloads->workersLeft = workers;
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(workers));
    for (int i = 0; i < workers; ++i) {
        try {
            threads.emplace_back(RunWorker, downloads);
        } catch (const std::system_error&) {
            break;  // the system gives no more threads: those started share the queue
        }
    }
    if (threads.size() < static_cast<size_t>(workers)) {
        const std::lock_guard<std::mutex> hold(downloads->lock);
        downloads->workersLeft -= workers - static_cast<int>(threads.size());
    }
    if (threads.empty())
        return;  // the tiles download their own pictures, one after another

    bool finished = false;
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(downloads->lock);
            const Clock::time_point now = Clock::now();
            finished = downloads->workersLeft == 0;
            if (finished || now >= deadline)
                break;
            downloads->changed.wait_for(hold,
                                        std::min<Clock::duration>(kEventSlice, deadline - now));
            finished = downloads->workersLeft == 0;
            if (finished)
                break;
        }
        if (AntiFreeze::InForce())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        // Closing: the start gives up on its pictures at once, as a tile's own download would.
        if (AntiFreeze::Quitting())
            break;
    }

    if (finished) {
        for (std::thread& thread : threads)
            thread.join();
    } else {
        // Out of time or closing: nothing new starts, and the downloads under way end on their
        // own (by the deadline, or at their next wait once the program is closing). Detached,
        // they never hold up the process's exit.
        {
            const std::lock_guard<std::mutex> hold(downloads->lock);
            downloads->stop = true;
        }
        downloads->changed.notify_all();
        for (std::thread& thread : threads)
            thread.detach();
    }
    // The pictures that did not come (failed, or never started in time) are held as under way
    // while this object exists; one still downloading is held by its own download.
    for (const std::string& path : attempted) {
        if (IsFile(path))
            continue;
        auto hold = std::make_unique<PictureDownloadClaim>(path);
        if (hold->claimed())
            m_failed.push_back(std::move(hold));
    }
}
