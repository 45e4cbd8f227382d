#include "pictures/pictures_decoded_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <unordered_map>

#include "deals/picture_cache.h"
#include "pictures/cached_picture.h"
#include "pictures/jpeg_image.h"
#include "services/file_utils.h"

namespace {

// More decoders than this only hold more pictures at once; the tiles come no faster.
constexpr int kMostWorkers = 4;

PicturesDecodedAhead* g_current = nullptr;

}  // namespace

struct PicturesDecodedAhead::Shared {
    enum class State { Queued, Decoding, Done };
    struct Entry {
        std::string path;
        State state = State::Queued;
        Answer answer;
        bool deleted = false;  // the file did not decode and is gone
        bool taken = false;
    };

    std::string suffix;
    QSize shown;
    std::mutex lock;
    std::condition_variable done;
    std::vector<Entry> entries;  // in the listed order, each URL once
    std::unordered_map<std::string, size_t> indexOfUrl;
    size_t next = 0;  // the first entry that may still be queued
    bool stop = false;

    // The cache file as LoadCachedPicture would treat it, except that a missing one is not
    // downloaded. Runs without the lock.
    static void Decode(Entry& entry, QSize shown) {
        if (PictureDownloadInFlight(entry.path) || !IsFile(entry.path))
            return;  // NotHere: the tile's own lookup decides
        try {
            entry.answer = {Outcome::Picture, DecodeCacheFile(entry.path, shown)};
        } catch (const JpegError&) {
            entry.answer.outcome = Outcome::Placeholder;
            entry.deleted = true;
        } catch (const ZorviaError&) {
            entry.answer.outcome = Outcome::Placeholder;
        } catch (...) {
            // Out of memory or the like: the tile's own lookup meets it on its own thread.
            entry.answer = Answer{};
        }
    }

    // Claims the first queued entry, or returns false when none is left.
    bool claimNext(size_t& index) {
        while (next < entries.size() && entries[next].state != State::Queued)
            ++next;
        if (stop || next == entries.size())
            return false;
        index = next++;
        entries[index].state = State::Decoding;
        return true;
    }

    void finish(size_t index) {
        {
            const std::lock_guard<std::mutex> hold(lock);
            entries[index].state = State::Done;
        }
        done.notify_all();
    }

    void run() {
        for (;;) {
            size_t index = 0;
            {
                const std::lock_guard<std::mutex> hold(lock);
                if (!claimNext(index))
                    return;
            }
            Decode(entries[index], shown);
            finish(index);
        }
    }
};

int PicturesDecodedAhead::WorkerCount() {
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors - 1, 0, kMostWorkers);
}

PicturesDecodedAhead::PicturesDecodedAhead(const std::vector<std::string>& urls,
                                           std::string_view suffix, QSize shown)
    : m_shared(std::make_unique<Shared>()), m_previous(g_current) {
    Shared& shared = *m_shared;
    shared.suffix = std::string(suffix);
    shared.shown = shown;
    shared.entries.reserve(urls.size());
    const std::string folder = ImageCacheDir() + "/";
    for (const std::string& url : urls) {
        if (!shared.indexOfUrl.emplace(url, shared.entries.size()).second)
            continue;
        Shared::Entry entry;
        entry.path = folder + CacheFileName(url, suffix);
        shared.entries.push_back(std::move(entry));
    }
    g_current = this;
    const int workers = std::min(WorkerCount(), static_cast<int>(shared.entries.size()));
    for (int i = 0; i < workers; ++i) {
        try {
            m_workers.emplace_back([&shared] { shared.run(); });
        } catch (const std::system_error&) {
            break;  // no thread to be had: the pictures are decoded as the tiles ask
        }
    }
}

PicturesDecodedAhead::~PicturesDecodedAhead() {
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->stop = true;
    }
    for (std::thread& worker : m_workers)
        worker.join();
    g_current = m_previous;
}

PicturesDecodedAhead* PicturesDecodedAhead::Current() {
    return g_current;
}

PicturesDecodedAhead::Answer PicturesDecodedAhead::take(const std::string& url,
                                                        std::string_view suffix, QSize shown) {
    Shared& shared = *m_shared;
    if (suffix != shared.suffix || shown != shared.shown)
        return {};
    const auto found = shared.indexOfUrl.find(url);
    if (found == shared.indexOfUrl.end())
        return {};
    Shared::Entry& entry = shared.entries[found->second];

    std::unique_lock<std::mutex> hold(shared.lock);
    if (entry.state == Shared::State::Queued) {
        // Its turn has not come: decoding it here is sooner than waiting for a worker.
        entry.state = Shared::State::Decoding;
        hold.unlock();
        Shared::Decode(entry, shared.shown);
        hold.lock();
        entry.state = Shared::State::Done;
    }
    shared.done.wait(hold, [&] { return entry.state == Shared::State::Done; });
    const bool askedBefore = entry.taken;
    entry.taken = true;
    if (askedBefore && entry.deleted)
        return {};  // the file is gone: downloaded again as without this set
    return entry.answer;
}
