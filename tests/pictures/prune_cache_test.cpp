// Pruning the picture cache: only ".jpg" files (exact case, subfolders included) whose bare
// name is no listed URL's 250 or 310 name are deleted.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "deals/picture_cache.h"
#include "services/md5.h"

namespace fs = std::filesystem;

namespace {

std::string UrlOf(char deal) {
    return std::string("http://img.example.com/bao/uploaded/i1/") + deal + "_deal.jpg";
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// "{A}" stands for the digest of deal A's URL, "{A^}" for the same in upper case.
std::string Expand(std::string pattern) {
    for (size_t open; (open = pattern.find('{')) != std::string::npos;) {
        const size_t close = pattern.find('}', open);
        const std::string key = pattern.substr(open + 1, close - open - 1);
        std::string digest = MD5Print(MD5String(UrlOf(key[0])));
        if (key.size() > 1 && key[1] == '^')
            digest = Upper(digest);
        pattern.replace(open, close - open + 1, digest);
    }
    return pattern;
}

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << "\xFF\xD8 picture bytes";
}

struct CacheFile {
    const char* pattern;  // relative to the cache folder, see Expand
    bool survives;
};

struct PruneCase {
    const char* name;
    const char* listed;  // deal letters, in list order
    std::vector<CacheFile> files;
    std::vector<const char*> emptyFolders;
};

void PrintTo(const PruneCase& c, std::ostream* out) {
    *out << c.name;
}

class Pruning : public testing::TestWithParam<PruneCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        m_cacheDir = m_folder.path().toStdString() + "/image";
        fs::create_directories(m_cacheDir);
        SetImageCacheDirForTesting(m_cacheDir);
    }
    void TearDown() override { SetImageCacheDirForTesting(""); }

    QTemporaryDir m_folder;
    std::string m_cacheDir;
};

TEST_P(Pruning, DeletesExactlyTheUnlistedJpgFiles) {
    const PruneCase& c = GetParam();
    for (const CacheFile& file : c.files)
        Touch(m_cacheDir + "/" + Expand(file.pattern));
    for (const char* folder : c.emptyFolders)
        fs::create_directories(m_cacheDir + "/" + folder);
    std::vector<std::string> urls;
    for (const char* deal = c.listed; *deal; ++deal)
        urls.push_back(UrlOf(*deal));

    PruneCache(urls);

    for (const CacheFile& file : c.files)
        EXPECT_EQ(fs::exists(m_cacheDir + "/" + Expand(file.pattern)), file.survives)
            << file.pattern;
    for (const char* folder : c.emptyFolders)
        EXPECT_TRUE(fs::is_directory(m_cacheDir + "/" + folder)) << folder;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pruning,
    testing::Values(
        PruneCase{"listed_deals_keep_both_sizes",
                  "ABC",
                  {{"{A}_250x250.jpg", true},
                   {"{A}_310x310.jpg", true},
                   {"{B}_250x250.jpg", true},
                   {"{B}_310x310.jpg", true},
                   {"{C}_250x250.jpg", true},
                   {"{C}_310x310.jpg", true},
                   {"{D}_250x250.jpg", false},  // a deal no longer listed
                   {"{D}_250x250.JPG", true},   // never listed: the extension is case-sensitive
                   {"{D}_310x310.png", true},
                   {"notes.txt", true}},
                  {"empty"}},
        PruneCase{"empty_list_removes_every_jpg_below_the_folder",
                  "",
                  {{"{A}_250x250.jpg", false},
                   {"sub/{B}_310x310.jpg", false},
                   {"sub/deeper/stray.jpg", false},
                   {"keep.png", true},
                   {"upper.JPG", true},
                   {"long.jpeg", true},
                   {"no_extension", true},
                   {"sub/upper.JPG", true}},
                  {"sub/deeper", "empty"}},
        PruneCase{"names_compare_exactly_and_without_folders",
                  "A",
                  {{"{A}_250x250.jpg", true},
                   {"old/{A}_310x310.jpg", true},  // the bare name is what counts
                   {"{A^}_250x250.jpg", false},
                   {"{A}_250X250.jpg", false},
                   {"{A}_100x100.jpg", false},
                   {"{A}.jpg", false},
                   {"x{A}_250x250.jpg", false},
                   {"{B}_250x250.jpg", false}},
                  {}},
        PruneCase{
            "a_url_listed_twice_changes_nothing",
            "ABA",
            {{"{A}_250x250.jpg", true}, {"{B}_310x310.jpg", true}, {"{C}_250x250.jpg", false}},
            {}}),
    [](const testing::TestParamInfo<PruneCase>& info) { return std::string(info.param.name); });

// Only regular files are deleted: a folder or a link whose name ends in ".jpg" stays, and so
// does whatever a link points to.
TEST(PruningOnlyRegularFiles, LeavesLinksAndFoldersNamedJpgAlone) {
    QTemporaryDir folder;
    const fs::path root = folder.path().toStdString();
    const fs::path cacheDir = root / "image";
    SetImageCacheDirForTesting(cacheDir.string());
    Touch(root / "outside.jpg");
    Touch(cacheDir / "stray.jpg");
    fs::create_directories(root / "elsewhere");
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;
        bool survives;
    } entries[] = {
        {"plain stray file", [](const fs::path& p) { Touch(p); }, false},
        {"link to a file outside",
         [&](const fs::path& p) { fs::create_symlink(root / "outside.jpg", p); }, true},
        {"link to a stray file inside",
         [&](const fs::path& p) { fs::create_symlink(cacheDir / "stray.jpg", p); }, true},
        {"link to a folder",
         [&](const fs::path& p) { fs::create_directory_symlink(root / "elsewhere", p); }, true},
        {"dangling link", [&](const fs::path& p) { fs::create_symlink(root / "gone.jpg", p); },
         true},
        {"hidden empty folder", [](const fs::path& p) { fs::create_directories(p); }, true},
    };
    const char* const names[] = {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", ".f.jpg"};
    for (size_t i = 0; i < std::size(entries); ++i)
        entries[i].make(cacheDir / names[i]);

    PruneCache({});

    for (size_t i = 0; i < std::size(entries); ++i) {
        const fs::path path = cacheDir / names[i];
        EXPECT_EQ(fs::symlink_status(path).type() != fs::file_type::not_found, entries[i].survives)
            << entries[i].name;
    }
    EXPECT_TRUE(fs::exists(root / "outside.jpg")) << "a link's target is never touched";
    EXPECT_TRUE(fs::is_directory(root / "elsewhere"));
    EXPECT_FALSE(fs::exists(cacheDir / "stray.jpg")) << "the stray file itself still goes";
    SetImageCacheDirForTesting("");
}

TEST(PruningWithoutAFolder, DoesNothingAndCreatesNothing) {
    QTemporaryDir folder;
    const std::string missing = folder.path().toStdString() + "/image";
    SetImageCacheDirForTesting(missing);
    EXPECT_NO_THROW(PruneCache({UrlOf('A')}));
    EXPECT_NO_THROW(PruneCache({}));
    EXPECT_FALSE(fs::exists(missing));
    SetImageCacheDirForTesting("");
}

// The rule as first stated: per file, per listed URL in order, compare with the 250 name then
// the 310 name. The pruning computes the names once; the outcome must be the same.
bool KeptByTheStatedRule(const std::string& name, const std::vector<std::string>& urls) {
    for (const std::string& url : urls) {
        if (name == MD5Print(MD5String(url)) + "_250x250.jpg")
            return true;
        if (name == MD5Print(MD5String(url)) + "_310x310.jpg")
            return true;
    }
    return false;
}

TEST(PruningAgainstTheStatedRule, GivesTheSameOutcomeOnAMixedCache) {
    QTemporaryDir folder;
    const std::string cacheDir = folder.path().toStdString() + "/image";
    SetImageCacheDirForTesting(cacheDir);

    std::vector<std::string> listed;
    std::vector<std::string> files;
    const char* sizes[] = {"_250x250.jpg", "_310x310.jpg", "_160x160.jpg", "_250x250.JPG"};
    for (int deal = 0; deal < 60; ++deal) {
        const std::string url = "http://img.example.com/i" + std::to_string(deal % 4) + "/" +
                                std::to_string(deal * 7919) + ".jpg";
        if (deal % 3 != 0)
            listed.push_back(url);
        const std::string digest = MD5Print(MD5String(url));
        for (const char* size : sizes) {
            files.push_back((deal % 5 == 0 ? "sub/" : "") + digest + size);
        }
        if (deal % 7 == 0)
            files.push_back(Upper(digest) + "_310x310.jpg");
    }
    for (const std::string& file : files)
        Touch(cacheDir + "/" + file);

    PruneCache(listed);

    for (const std::string& file : files) {
        const std::string name = fs::path(file).filename().string();
        const bool listedByExtension = name.size() > 4 && name.substr(name.size() - 4) == ".jpg";
        const bool expected = !listedByExtension || KeptByTheStatedRule(name, listed);
        EXPECT_EQ(fs::exists(cacheDir + "/" + file), expected) << file;
    }
    SetImageCacheDirForTesting("");
}

}  // namespace
