// The picture cache against a real HTTP server on loopback: downloads, reuse, failed and bad
// downloads, bad cached files, a cache folder that cannot be made, overlapping requests, and tile
// pictures decoded ahead on worker threads.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>

#include "deals/picture_cache.h"
#include "jpeg_fixtures.h"
#include "loopback_server.h"
#include "pictures/cached_picture.h"
#include "pictures/jpeg_image.h"
#include "pictures/pictures_decoded_ahead.h"
#include "services/http/anti_freeze.h"
#include "views/picture_box.h"

namespace fs = std::filesystem;

namespace {

// What a tile or the details window does with a loaded picture: show it, or keep what it shows.
void ShowCachedPicture(const std::string& url, std::string_view suffix, TImage& box,
                       BadCachedPicture onBadPicture) {
    if (const auto picture = LoadCachedPicture(url, suffix, onBadPicture, box.size()))
        box.setPicture(*picture);
}

const QRgb kRed = qRgb(230, 20, 20);
const QRgb kBlue = qRgb(20, 20, 230);

std::string FlatJpeg(QRgb colour, int size = 250) {
    QImage picture(size, size, QImage::Format_RGB32);
    picture.fill(colour);
    const QByteArray bytes = EncodeJpeg(picture, JpegKind::Baseline);
    return bytes.toStdString();
}

bool LooksLike(const QImage& picture, QRgb colour) {
    if (picture.size() != QSize(250, 250))
        return false;
    const QRgb got = picture.pixel(125, 125);
    return std::abs(qRed(got) - qRed(colour)) < 10 && std::abs(qGreen(got) - qGreen(colour)) < 10 &&
           std::abs(qBlue(got) - qBlue(colour)) < 10;
}

QImage Placeholder() {
    QImage placeholder(8, 8, QImage::Format_ARGB32);
    placeholder.fill(qRgb(255, 0, 255));
    return placeholder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; ++it)
        if (it->is_regular_file())
            files.push_back(it->path().filename().string());
    return files;
}

int ClosedPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

class CacheTest : public testing::Test {
protected:
    void SetUp() override {
        // An image server answers a missing picture with an HTML page.
        m_server.setFallback({.status = 404,
                              .body = "<html><body>not here</body></html>",
                              .headers = {"Content-Type: image/jpeg"}});
        ASSERT_TRUE(m_folder.isValid());
        m_cacheDir = m_folder.path().toStdString() + "/image";
        SetImageCacheDirForTesting(m_cacheDir);
    }
    void TearDown() override { SetImageCacheDirForTesting(""); }

    // Picture URLs as the feed gives them; the server answers url + suffix.
    std::string Url(const std::string& name) const {
        return m_server.baseUrl() + "/bao/" + name + ".jpg";
    }
    static std::string Target(const std::string& name, std::string_view suffix) {
        return "/bao/" + name + ".jpg" + std::string(suffix);
    }
    void Serve(const std::string& name, std::string_view suffix, CannedReply reply) {
        reply.headers.push_back("Content-Type: image/jpeg");
        m_server.setReply(Target(name, suffix), std::move(reply));
    }

    QTemporaryDir m_folder;
    std::string m_cacheDir;
    LoopbackServer m_server;
};

TEST_F(CacheTest, DownloadsOncePerSizeAndTrustsTheCachedFileAfterwards) {
    Serve("shared", kTilePictureSuffix, {200, FlatJpeg(kRed)});
    Serve("shared", kDetailsPictureSuffix, {200, FlatJpeg(kBlue)});

    // Two deals listing the same picture URL: one download, one file, both tiles show it.
    TImage firstTile, secondTile;
    ShowCachedPicture(Url("shared"), kTilePictureSuffix, firstTile,
                      BadCachedPicture::KeepPlaceholder);
    EXPECT_TRUE(LooksLike(firstTile.picture(), kRed));
    EXPECT_EQ(m_server.hits(Target("shared", kTilePictureSuffix)), 1);
    EXPECT_TRUE(fs::is_regular_file(CacheFilePath(Url("shared"), kTilePictureSuffix)));

    // The server's picture changes; the cached file is still the one shown.
    Serve("shared", kTilePictureSuffix, {200, FlatJpeg(kBlue)});
    ShowCachedPicture(Url("shared"), kTilePictureSuffix, secondTile,
                      BadCachedPicture::KeepPlaceholder);
    EXPECT_TRUE(LooksLike(secondTile.picture(), kRed));
    EXPECT_EQ(m_server.hits(Target("shared", kTilePictureSuffix)), 1);

    // The details size is a file of its own.
    TImage details;
    ShowCachedPicture(Url("shared"), kDetailsPictureSuffix, details, BadCachedPicture::Report);
    EXPECT_TRUE(LooksLike(details.picture(), kBlue));
    EXPECT_EQ(m_server.hits(Target("shared", kDetailsPictureSuffix)), 1);

    const std::vector<std::string> files = FilesBelow(m_cacheDir);
    const std::vector<std::string> expected = {CacheFileName(Url("shared"), kTilePictureSuffix),
                                               CacheFileName(Url("shared"), kDetailsPictureSuffix)};
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()),
              std::set<std::string>(expected.begin(), expected.end()));
    EXPECT_EQ(files.size(), 2u);
}

struct FailedDownload {
    const char* name;
    CannedReply reply;
    bool refused;  // nobody listens on the port
};

void PrintTo(const FailedDownload& c, std::ostream* out) {
    *out << c.name;
}

class FailedDownloads : public CacheTest, public testing::WithParamInterface<FailedDownload> {};

TEST_P(FailedDownloads, LeaveNoFileAndTheBoxAsItWasAndAreTriedAgain) {
    const FailedDownload& c = GetParam();
    const std::string url =
        c.refused ? "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/bao/gone.jpg"
                  : Url("gone");
    if (!c.refused)
        Serve("gone", kTilePictureSuffix, c.reply);

    TImage newTile;
    TImage shownBefore;
    shownBefore.setPicture(Placeholder());
    for (BadCachedPicture mode : {BadCachedPicture::KeepPlaceholder, BadCachedPicture::Report}) {
        EXPECT_NO_THROW(ShowCachedPicture(url, kTilePictureSuffix, newTile, mode));
        EXPECT_NO_THROW(ShowCachedPicture(url, kTilePictureSuffix, shownBefore, mode));
    }
    EXPECT_FALSE(newTile.hasPicture());
    EXPECT_EQ(shownBefore.picture(), Placeholder());
    EXPECT_FALSE(fs::exists(CacheFilePath(url, kTilePictureSuffix)));
    EXPECT_TRUE(FilesBelow(m_cacheDir).empty());
    if (!c.refused) {
        EXPECT_EQ(m_server.hits(Target("gone", kTilePictureSuffix)), 4);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FailedDownloads,
    testing::Values(FailedDownload{"not_found", {.status = 404, .body = "<html>404</html>"}, false},
                    FailedDownload{"server_error", {.status = 500, .body = "oops"}, false},
                    FailedDownload{"redirect", {.status = 302}, false},
                    FailedDownload{"hang_up_without_reply", {.hangUp = true}, false},
                    // Half a picture is a failed download, fetched again next time.
                    FailedDownload{"short_of_its_length", LyingLengthReply(1000, 600), false},
                    FailedDownload{"beyond_16_MiB",
                                   {.body = std::string(kMaxPictureFileBytes + 1, 'j')},
                                   false},
                    FailedDownload{"connection_refused", {}, true}),
    [](const testing::TestParamInfo<FailedDownload>& info) {
        return std::string(info.param.name);
    });

struct BadPicture {
    const char* name;
    std::string bytes;
};

void PrintTo(const BadPicture& c, std::ostream* out) {
    *out << c.name;
}

class BadPictures : public CacheTest, public testing::WithParamInterface<BadPicture> {};

TEST_P(BadPictures, AreDeletedAndTheBoxKeepsItsPlaceholder) {
    const std::string url = Url("bad");
    const std::string path = CacheFilePath(url, kTilePictureSuffix);
    Serve("bad", kTilePictureSuffix, {200, FlatJpeg(kRed)});

    // A bad file already in the cache: trusted, so no download; it fails and is removed.
    WriteFile(path, GetParam().bytes);
    TImage tile;
    tile.setPicture(Placeholder());
    EXPECT_NO_THROW(
        ShowCachedPicture(url, kTilePictureSuffix, tile, BadCachedPicture::KeepPlaceholder));
    EXPECT_EQ(tile.picture(), Placeholder());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(m_server.hits(Target("bad", kTilePictureSuffix)), 0);

    // The details window reports it, and the file is removed all the same.
    WriteFile(path, GetParam().bytes);
    TImage details;
    details.setPicture(Placeholder());
    EXPECT_THROW(ShowCachedPicture(url, kTilePictureSuffix, details, BadCachedPicture::Report),
                 JpegError);
    EXPECT_EQ(details.picture(), Placeholder());
    EXPECT_FALSE(fs::exists(path));

    // Served bad with status 200: downloaded, fails, removed.
    Serve("bad", kTilePictureSuffix, {200, GetParam().bytes});
    EXPECT_NO_THROW(
        ShowCachedPicture(url, kTilePictureSuffix, tile, BadCachedPicture::KeepPlaceholder));
    EXPECT_EQ(tile.picture(), Placeholder());
    EXPECT_FALSE(fs::exists(path));

    // Since nothing bad was left behind, the next request fetches the good picture.
    Serve("bad", kTilePictureSuffix, {200, FlatJpeg(kRed)});
    ShowCachedPicture(url, kTilePictureSuffix, tile, BadCachedPicture::KeepPlaceholder);
    EXPECT_TRUE(LooksLike(tile.picture(), kRed));
    EXPECT_EQ(m_server.hits(Target("bad", kTilePictureSuffix)), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BadPictures,
    testing::Values(BadPicture{"html_error_page",
                               "<html><head><title>Error</title></head><body>Picture not "
                               "found</body></html>"},
                    BadPicture{"empty", ""}),
    [](const testing::TestParamInfo<BadPicture>& info) { return std::string(info.param.name); });

struct Uncreatable {
    const char* name;
    // Makes the cache folder (or the file in it) impossible to create; gets the test's
    // temporary folder and the picture URL, returns the cache folder to use.
    std::function<std::string(const std::string& root, const std::string& url)> prepare;
};

void PrintTo(const Uncreatable& c, std::ostream* out) {
    *out << c.name;
}

class UncreatableFiles : public CacheTest, public testing::WithParamInterface<Uncreatable> {};

TEST_P(UncreatableFiles, LeaveThePlaceholderWithoutRaising) {
    const std::string url = Url("nowhere");
    Serve("nowhere", kTilePictureSuffix, {200, FlatJpeg(kRed)});
    SetImageCacheDirForTesting(GetParam().prepare(m_folder.path().toStdString(), url));

    for (BadCachedPicture mode : {BadCachedPicture::KeepPlaceholder, BadCachedPicture::Report}) {
        TImage box;
        box.setPicture(Placeholder());
        EXPECT_EQ(FetchCachedPicture(url, kTilePictureSuffix), std::nullopt);
        EXPECT_NO_THROW(ShowCachedPicture(url, kTilePictureSuffix, box, mode));
        EXPECT_EQ(box.picture(), Placeholder());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UncreatableFiles,
    testing::Values(Uncreatable{"folder_below_a_file",
                                [](const std::string& root, const std::string&) {
                                    WriteFile(root + "/plain-file", "not a folder");
                                    return root + "/plain-file/image";
                                }},
                    Uncreatable{"folder_where_the_file_goes",
                                [](const std::string& root, const std::string& url) {
                                    SetImageCacheDirForTesting(root + "/image");
                                    fs::create_directories(CacheFilePath(url, kTilePictureSuffix));
                                    return root + "/image";
                                }}),
    [](const testing::TestParamInfo<Uncreatable>& info) { return std::string(info.param.name); });

TEST_F(CacheTest, ASecondRequestDuringADownloadOfTheSameFileIsSkipped) {
    // The user interface runs while a download waits; a click in that time may ask for the
    // same picture. The half-written file must be neither read nor written a second time.
    Serve("slow", kDetailsPictureSuffix, {.body = FlatJpeg(kRed), .pauseMidBodyMs = 600});
    Serve("other", kDetailsPictureSuffix, {200, FlatJpeg(kBlue)});
    const std::string path = CacheFilePath(Url("slow"), kDetailsPictureSuffix);

    AntiFreeze pumping;
    bool nestedRan = false;
    std::optional<std::string> nestedSame, nestedOther;
    TImage nestedBox;
    nestedBox.setPicture(Placeholder());
    QTimer::singleShot(150, [&] {
        nestedRan = true;
        nestedSame = FetchCachedPicture(Url("slow"), kDetailsPictureSuffix);
        ShowCachedPicture(Url("slow"), kDetailsPictureSuffix, nestedBox, BadCachedPicture::Report);
        nestedOther = FetchCachedPicture(Url("other"), kDetailsPictureSuffix);
    });

    TImage box;
    ShowCachedPicture(Url("slow"), kDetailsPictureSuffix, box, BadCachedPicture::Report);

    ASSERT_TRUE(nestedRan) << "no events were dispatched while the download waited";
    EXPECT_EQ(nestedSame, std::nullopt);
    EXPECT_EQ(nestedBox.picture(), Placeholder());
    EXPECT_EQ(nestedOther, CacheFilePath(Url("other"), kDetailsPictureSuffix));  // per file
    EXPECT_TRUE(LooksLike(box.picture(), kRed));
    EXPECT_EQ(m_server.hits(Target("slow", kDetailsPictureSuffix)), 1);
    EXPECT_TRUE(LooksLike(TJPEGImage::DecodeFile(QString::fromStdString(path)), kRed));
    // Once the download is over the file is served from the cache again.
    EXPECT_EQ(FetchCachedPicture(Url("slow"), kDetailsPictureSuffix), path);
}

struct NameCase {
    std::string url;
    const char* digest;
};

TEST(CacheNames, AreTheUrlDigestInLowerCaseHexPlusTheSizeSuffix) {
    const NameCase cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"http://img.example.com/bao/uploaded/i1/T1abc_0123.jpg",
         "499790d22f97a5638445a34e27df5106"},
        // GBK bytes in the URL are digested exactly as received.
        {"http://img.example.com/\xc9\xcc\xc6\xb7.jpg", "d0239d38eb98b4962f5e71f32111e390"},
    };
    // By default the cache is the user's: $XDG_CACHE_HOME/zorvia/image (a writable image
    // folder beside the test program, left by an older build, would be taken instead).
    SetImageCacheDirForTesting("");
    QTemporaryDir userCache;
    ASSERT_TRUE(userCache.isValid());
    const QByteArray savedCacheHome = qgetenv("XDG_CACHE_HOME");
    const bool hadCacheHome = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(userCache.path()));
    const std::string beside =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/image";
    const std::string folder = fs::is_directory(beside) && ::access(beside.c_str(), W_OK) == 0
                                   ? beside
                                   : userCache.path().toStdString() + "/zorvia/image";
    EXPECT_EQ(ImageCacheDir(), folder);
    for (const NameCase& c : cases) {
        EXPECT_EQ(CacheFileName(c.url, kTilePictureSuffix), std::string(c.digest) + "_250x250.jpg");
        EXPECT_EQ(CacheFileName(c.url, kDetailsPictureSuffix),
                  std::string(c.digest) + "_310x310.jpg");
        EXPECT_EQ(CacheFilePath(c.url, kTilePictureSuffix),
                  folder + "/" + c.digest + "_250x250.jpg");
    }
    if (hadCacheHome)
        qputenv("XDG_CACHE_HOME", savedCacheHome);
    else
        qunsetenv("XDG_CACHE_HOME");
    SetImageCacheDirForTesting("/tmp/elsewhere");
    EXPECT_EQ(CacheFilePath("", kDetailsPictureSuffix),
              "/tmp/elsewhere/d41d8cd98f00b204e9800998ecf8427e_310x310.jpg");
    SetImageCacheDirForTesting("");
}

// Tile pictures decoded ahead on worker threads must be exactly the pictures, files and requests
// of the tiles loading their own, whichever comes first: the worker or the tile asking.
enum class AheadMode { None, AskedAtOnce, AskedAfterDecoding };

struct GridOutcome {
    std::vector<QImage> shown;                 // per tile, in order
    std::map<std::string, std::string> files;  // name -> size and a hash of the bytes
    std::map<std::string, int> hits;
};

class DecodedAheadTest : public CacheTest {
protected:
    static constexpr QSize kBox{250, 167};

    void SetUp() override {
        CacheTest::SetUp();
        m_cached = {{"red", FlatJpeg(kRed)},
                    {"blue", FlatJpeg(kBlue)},
                    {"quadrants",
                     EncodeJpeg(QuadrantPicture(300, 200), JpegKind::Progressive).toStdString()},
                    {"bad", "<html><body>Picture not found</body></html>"},
                    {"empty", ""},
                    {"stranger", FlatJpeg(kBlue)}};
        for (int i = 0; i < 40; ++i) {
            const std::string name = "n" + std::to_string(i);
            m_cached.emplace_back(name, FlatJpeg(qRgb(i * 6, 255 - i * 6, 90)));
            m_asked.push_back(name);
        }
        // Shared URLs, bad files, pictures to download, a failing one, and one not listed.
        for (const char* name : {"red", "blue", "bad", "missing", "blue", "quadrants", "bad",
                                 "gone", "empty", "stranger", "missing", "red"})
            m_asked.insert(m_asked.begin() + static_cast<long>(m_asked.size() / 2), name);
        Serve("bad", kTilePictureSuffix, {200, FlatJpeg(qRgb(20, 200, 20))});
        Serve("missing", kTilePictureSuffix, {200, FlatJpeg(kRed)});
    }

    GridOutcome LoadGrid(AheadMode mode) {
        fs::remove_all(m_cacheDir);
        m_server.clearRequests();
        for (const auto& [name, bytes] : m_cached)
            WriteFile(CacheFilePath(Url(name), kTilePictureSuffix), bytes);
        std::vector<std::string> listed;
        for (const std::string& name : m_asked) {
            if (name != "stranger")
                listed.push_back(Url(name));
        }

        GridOutcome outcome;
        {
            std::optional<PicturesDecodedAhead> ahead;
            if (mode != AheadMode::None)
                ahead.emplace(listed, kTilePictureSuffix, kBox);
            if (mode == AheadMode::AskedAfterDecoding)
                QTest::qWait(300);
            for (const std::string& name : m_asked) {
                TImage tile;
                tile.resize(kBox);
                tile.setPicture(Placeholder());
                ShowCachedPicture(Url(name), kTilePictureSuffix, tile,
                                  BadCachedPicture::KeepPlaceholder);
                outcome.shown.push_back(tile.picture());
            }
        }
        for (const std::string& file : FilesBelow(m_cacheDir)) {
            std::ifstream in(m_cacheDir + "/" + file, std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            outcome.files[file] = std::to_string(bytes.size()) + " bytes, hash " +
                                  std::to_string(std::hash<std::string>{}(bytes));
        }
        for (const std::string& name : m_asked)
            outcome.hits[name] = m_server.hits(Target(name, kTilePictureSuffix));
        return outcome;
    }

    size_t FirstAsked(const std::string& name) const {
        return static_cast<size_t>(std::find(m_asked.begin(), m_asked.end(), name) -
                                   m_asked.begin());
    }

    std::vector<std::pair<std::string, std::string>> m_cached;
    std::vector<std::string> m_asked;
};

TEST_F(DecodedAheadTest, GiveEveryTileThePictureFilesAndRequestsOfItsOwnLoad) {
    const GridOutcome own = LoadGrid(AheadMode::None);
    // The scene holds what it should: a bad file kept the placeholder and was deleted, so the
    // deal's second tile downloaded the picture; missing pictures were downloaded once.
    EXPECT_EQ(own.shown[FirstAsked("bad")], Placeholder());
    EXPECT_EQ(own.shown[FirstAsked("gone")], Placeholder());
    EXPECT_EQ(own.shown[FirstAsked("empty")], Placeholder());
    EXPECT_EQ(own.shown[FirstAsked("red")].size(), kBox);
    EXPECT_EQ(own.hits.at("bad"), 1);
    EXPECT_EQ(own.hits.at("missing"), 1);
    EXPECT_EQ(own.hits.at("red"), 0);
    EXPECT_EQ(own.files.count(CacheFileName(Url("empty"), kTilePictureSuffix)), 0u);

    for (const AheadMode mode : {AheadMode::AskedAtOnce, AheadMode::AskedAfterDecoding}) {
        SCOPED_TRACE(mode == AheadMode::AskedAtOnce ? "asked at once" : "asked after decoding");
        const GridOutcome ahead = LoadGrid(mode);
        ASSERT_EQ(ahead.shown.size(), own.shown.size());
        for (size_t i = 0; i < own.shown.size(); ++i)
            EXPECT_EQ(ahead.shown[i], own.shown[i]) << "tile " << i << ": " << m_asked[i];
        EXPECT_EQ(ahead.files, own.files);
        EXPECT_EQ(ahead.hits, own.hits);
    }
}

TEST_F(DecodedAheadTest, AnswerOnlyForTilePicturesOfTheirBoxWhileInForce) {
    WriteFile(CacheFilePath(Url("red"), kTilePictureSuffix), FlatJpeg(kRed));
    WriteFile(CacheFilePath(Url("red"), kDetailsPictureSuffix), "not a picture");
    WriteFile(CacheFilePath(Url("blue"), kTilePictureSuffix), FlatJpeg(kBlue));
    EXPECT_EQ(PicturesDecodedAhead::Current(), nullptr);
    {
        const PicturesDecodedAhead outer({Url("red")}, kTilePictureSuffix, kBox);
        EXPECT_EQ(PicturesDecodedAhead::Current(), &outer);
        {
            // Destroyed with nothing asked for: it ends, and leaves the files as they were.
            const PicturesDecodedAhead inner({Url("blue")}, kTilePictureSuffix, kBox);
            EXPECT_EQ(PicturesDecodedAhead::Current(), &inner);
        }
        EXPECT_EQ(PicturesDecodedAhead::Current(), &outer);
        EXPECT_TRUE(fs::is_regular_file(CacheFilePath(Url("blue"), kTilePictureSuffix)));

        // The details window's picture is another file, and its bad file is still reported.
        TImage details;
        EXPECT_THROW(
            ShowCachedPicture(Url("red"), kDetailsPictureSuffix, details, BadCachedPicture::Report),
            JpegError);
        // Another box gets a picture decoded for that box.
        TImage larger;
        larger.resize(250, 250);
        ShowCachedPicture(Url("red"), kTilePictureSuffix, larger,
                          BadCachedPicture::KeepPlaceholder);
        EXPECT_TRUE(LooksLike(larger.picture(), kRed));
    }
    EXPECT_EQ(PicturesDecodedAhead::Current(), nullptr);
}

}  // namespace
