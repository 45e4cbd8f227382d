#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "services/file_utils.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/foundation-files-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
    }

    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }
    void MakeFolder(const std::string& relative) const { fs::create_directories(Path(relative)); }
    void MakeFile(const std::string& relative) const { std::ofstream(Path(relative)) << "x"; }
    bool IsFolder(const std::string& relative) const {
        return fs::is_directory(fs::symlink_status(Path(relative)));
    }
    bool Exists(const std::string& relative) const {
        return fs::exists(fs::symlink_status(Path(relative)));
    }

    std::string m_root;
};

// ---------------------------------------------------------------------------------------------

using CreateFolderChainTest = TempFolder;

TEST_F(CreateFolderChainTest, CreatesMissingFolderButNeverTheFile) {
    MakeFolder("app");
    EXPECT_TRUE(CreateFolderChain(Path("app/image/abc_250x250.jpg")));
    EXPECT_TRUE(IsFolder("app/image"));
    EXPECT_FALSE(Exists("app/image/abc_250x250.jpg"));
}

TEST_F(CreateFolderChainTest, CreatesEveryMissingLevel) {
    EXPECT_TRUE(CreateFolderChain(Path("one/two/three/file.jpg")));
    EXPECT_TRUE(IsFolder("one/two/three"));
    EXPECT_FALSE(Exists("one/two/three/file.jpg"));
}

TEST_F(CreateFolderChainTest, BackslashesAndMixedSeparators) {
    EXPECT_TRUE(CreateFolderChain(m_root + "\\back\\slash/mixed\\file.jpg"));
    EXPECT_TRUE(IsFolder("back/slash/mixed"));
    EXPECT_FALSE(Exists("back/slash/mixed/file.jpg"));
}

TEST_F(CreateFolderChainTest, TrailingSeparatorTakesLastFolderForTheFileName) {
    MakeFolder("app");
    EXPECT_TRUE(CreateFolderChain(Path("app/image/")));
    EXPECT_FALSE(Exists("app/image"));
    EXPECT_TRUE(CreateFolderChain(Path("made/image\\")));
    EXPECT_TRUE(IsFolder("made"));
    EXPECT_FALSE(Exists("made/image"));
}

TEST_F(CreateFolderChainTest, DoubledSeparatorTestsTheFolderAgain) {
    EXPECT_TRUE(CreateFolderChain(Path("dbl//inner/file.jpg")));
    EXPECT_TRUE(IsFolder("dbl/inner"));
}

TEST_F(CreateFolderChainTest, FileInTheWayFailsThatLevelAndTheDeeperOnes) {
    MakeFolder("app");
    MakeFile("app/blocker");
    EXPECT_FALSE(CreateFolderChain(Path("app/blocker/deeper/file.jpg")));
    EXPECT_FALSE(IsFolder("app/blocker"));
    EXPECT_FALSE(Exists("app/blocker/deeper"));
}

TEST_F(CreateFolderChainTest, LinkToFolderCountsAsExistingFolder) {
    MakeFolder("real");
    fs::create_directory_symlink(Path("real"), Path("link"));
    EXPECT_TRUE(CreateFolderChain(Path("link/inside/file.jpg")));
    EXPECT_TRUE(IsFolder("real/inside"));
}

// Paths without a folder part, relative paths and the root, run inside the temporary folder so
// that anything created by mistake is seen and cleaned up.
TEST_F(CreateFolderChainTest, RelativeBareAndRootPaths) {
    const fs::path previous = fs::current_path();
    ASSERT_EQ(::chdir(m_root.c_str()), 0);
    struct Case {
        const char* path;
        bool result;
    };
    const Case cases[] = {
        {"abc_250x250.jpg", false},  // no separator: nothing to do
        {"", false},
        {"/", false},                // one empty piece only
        {"/abc_250x250.jpg", true},  // the root exists
        {"rel/sub/file.jpg", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CreateFolderChain(c.path), c.result) << c.path;
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(m_root))
        entries.push_back(entry.path().filename().string());
    fs::current_path(previous);
    EXPECT_EQ(entries, std::vector<std::string>{"rel"});
    EXPECT_TRUE(IsFolder("rel/sub"));
    EXPECT_FALSE(Exists("rel/sub/file.jpg"));
}

// ---------------------------------------------------------------------------------------------

// image/ holds files with look-alike extensions, a real subfolder, a hidden folder, a hidden
// folder whose name ends in ".jpg", a link back to the parent folder, a link to a file and a
// dangling link.
class ListFilesByExtTest : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        MakeFolder("image/sub");
        MakeFolder("image/.hidden");
        MakeFolder("image/.cfg.jpg");
        MakeFolder("image/folder.jpg");
        for (const char* name :
             {"a.jpg", "b.JPG", "c.jpeg", "d.jpg.bak", "e", "sub/f.jpg", "sub/g.png",
              ".hidden/h.jpg", ".cfg.jpg/i.jpg", "folder.jpg/j.jpg"})
            MakeFile(std::string("image/") + name);
        fs::create_directory_symlink(Path("image"), Path("image/sub/up"));
        fs::create_symlink(Path("image/a.jpg"), Path("image/linkfile.jpg"));
        fs::create_symlink(Path("image/missing"), Path("image/broken.jpg"));
    }

    std::vector<std::string> Expected(const std::string& prefix,
                                      std::vector<std::string> names) const {
        for (auto& name : names)
            name = prefix + name;
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<std::string> Sorted(std::vector<std::string> list) {
        std::sort(list.begin(), list.end());
        return list;
    }
};

TEST_F(ListFilesByExtTest, FiltersByExactExtensionAndDescendsOnlyRealFolders) {
    struct Case {
        const char* ext;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"jpg",
         {"a.jpg", "sub/f.jpg", "folder.jpg/j.jpg", ".cfg.jpg", "linkfile.jpg", "broken.jpg"}},
        {"JPG", {"b.JPG"}},
        {"jpeg", {"c.jpeg"}},
        {"bak", {"d.jpg.bak"}},
        {"png", {"sub/g.png"}},
        {"gif", {}},
        {"*",
         {"a.jpg", "b.JPG", "c.jpeg", "d.jpg.bak", "e", "sub/f.jpg", "sub/g.png", "sub/up",
          "folder.jpg/j.jpg", ".hidden", ".cfg.jpg", "linkfile.jpg", "broken.jpg"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sorted(ListFilesByExt(Path("image"), c.ext)), Expected(Path("image/"), c.names))
            << "ext " << c.ext;
    }
}

TEST_F(ListFilesByExtTest, SubfolderEntriesStandWhereTheSubfolderWasMet) {
    const std::vector<std::string> list = ListFilesByExt(Path("image"), "*");
    const std::string sub = Path("image/sub/");
    auto inSub = [&](const std::string& p) { return p.rfind(sub, 0) == 0; };
    const auto first = std::find_if(list.begin(), list.end(), inSub);
    ASSERT_NE(first, list.end());
    const auto afterBlock = std::find_if_not(first, list.end(), inSub);
    EXPECT_EQ(std::count_if(list.begin(), list.end(), inSub), afterBlock - first)
        << "the entries of sub/ are not one block";
}

// The folder text is given a separator and every "//" is collapsed once, left to right.
TEST_F(ListFilesByExtTest, FolderTextNormalisation) {
    struct Case {
        std::string folder;
        std::string prefix;  // of the top folder's entries
    };
    const Case cases[] = {
        {Path("image"), Path("image/")},        {Path("image/"), Path("image/")},
        {Path("image//"), Path("image//")},      // with the added one, three in a row
        {"/" + Path("image"), Path("image/")},   // a leading pair, like any other
        {Path("/image"), Path("image/")},        // doubled inside
        {Path("//image"), m_root + "//image/"},  // three in a row become two
    };
    for (const Case& c : cases) {
        // Top-level entries carry the normalised text; a subfolder's entries are normalised
        // again on the way down.
        std::vector<std::string> top;
        for (const auto& path : ListFilesByExt(c.folder, "jpg")) {
            if (path.find("/sub/") == std::string::npos &&
                path.find("/folder.jpg/") == std::string::npos)
                top.push_back(path);
        }
        EXPECT_EQ(Sorted(top),
                  Expected(c.prefix, {"a.jpg", ".cfg.jpg", "linkfile.jpg", "broken.jpg"}))
            << c.folder;
        const auto all = ListFilesByExt(c.folder, "jpg");
        EXPECT_NE(std::find(all.begin(), all.end(), Path("image/sub/f.jpg")), all.end())
            << c.folder;
    }
}

TEST_F(ListFilesByExtTest, UnlistableFolderGivesEmptyList) {
    EXPECT_TRUE(ListFilesByExt(Path("missing"), "*").empty());
    EXPECT_TRUE(ListFilesByExt(Path("image/a.jpg"), "*").empty());  // a file, not a folder
    MakeFolder("empty");
    EXPECT_TRUE(ListFilesByExt(Path("empty"), "*").empty());
}

TEST_F(ListFilesByExtTest, GivenLinkToFolderIsListedThrough) {
    // Only links met during the walk are left alone; a folder named by the caller is opened.
    fs::create_directory_symlink(Path("image/sub"), Path("sublink"));
    EXPECT_EQ(Sorted(ListFilesByExt(Path("sublink"), "*")),
              Expected(Path("sublink/"), {"f.jpg", "g.png", "up"}));
}

using IsFileTest = TempFolder;

// The cache asks this of every picture: only a regular file, or a link to one, is a picture there.
TEST_F(IsFileTest, OnlyRegularFilesAndLinksToThem) {
    MakeFile("picture.jpg");
    MakeFolder("folder.jpg");
    fs::create_symlink(Path("picture.jpg"), Path("link.jpg"));
    fs::create_symlink(Path("gone.jpg"), Path("dangling.jpg"));
    const struct {
        const char* name;
        bool file;
    } cases[] = {{"picture.jpg", true},  {"link.jpg", true},      {"folder.jpg", false},
                 {"missing.jpg", false}, {"dangling.jpg", false}, {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsFile(c.name[0] ? Path(c.name) : ""), c.file) << c.name;
}

}  // namespace
