// Where the picture cache goes: a writable "image" folder beside the program (a portable copy)
// wins; otherwise the user's cache folder, from $XDG_CACHE_HOME when it is absolute or ~/.cache.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "deals/picture_cache_folder.h"

namespace fs = std::filesystem;

namespace {

enum class Beside { Nothing, Folder, File };

struct Case {
    const char* what;
    Beside beside;
    std::optional<std::string> xdgCacheHome;  // nullopt: unset
    std::string home;
    std::string expected;  // "<program>" and "<root>" stand for the test's folders
};

std::string Expand(std::string text, const std::string& program, const std::string& root) {
    for (const auto& [name, value] :
         {std::pair{std::string("<program>"), program}, std::pair{std::string("<root>"), root}}) {
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    }
    return text;
}

TEST(PictureCacheFolder, ChoiceByWhatStandsBesideTheProgramAndTheEnvironment) {
    const Case cases[] = {
        {"portable copy: its own folder wins over the environment", Beside::Folder, "<root>/xdg",
         "<root>/home", "<program>/image"},
        {"per-user: $XDG_CACHE_HOME", Beside::Nothing, "<root>/xdg", "<root>/home",
         "<root>/xdg/zorvia/image"},
        {"per-user: a trailing slash is not doubled", Beside::Nothing, "<root>/xdg/", "<root>/home",
         "<root>/xdg/zorvia/image"},
        {"per-user: ~/.cache when $XDG_CACHE_HOME is unset", Beside::Nothing, std::nullopt,
         "<root>/home", "<root>/home/.cache/zorvia/image"},
        {"per-user: an empty $XDG_CACHE_HOME is ignored", Beside::Nothing, "", "<root>/home",
         "<root>/home/.cache/zorvia/image"},
        {"per-user: a relative $XDG_CACHE_HOME is ignored", Beside::Nothing, "cache", "<root>/home",
         "<root>/home/.cache/zorvia/image"},
        {"a file named image beside the program is no cache folder", Beside::File, "<root>/xdg",
         "<root>/home", "<root>/xdg/zorvia/image"},
        {"no usable home at all: beside the program, as a last resort", Beside::Nothing,
         std::nullopt, "", "<program>/image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir temporary;
        ASSERT_TRUE(temporary.isValid());
        const std::string root = temporary.path().toStdString();
        const std::string program = root + "/lib/zorvia";
        fs::create_directories(program);
        if (c.beside == Beside::Folder)
            fs::create_directory(program + "/image");
        if (c.beside == Beside::File)
            std::ofstream(program + "/image") << "not a folder";
        const std::optional<std::string> xdg =
            c.xdgCacheHome ? std::optional(Expand(*c.xdgCacheHome, program, root)) : std::nullopt;

        EXPECT_EQ(Expand(c.expected, program, root),
                  ChooseImageCacheDir(program, xdg ? xdg->c_str() : nullptr,
                                      Expand(c.home, program, root)));
        // The choice only reads: nothing is created anywhere.
        EXPECT_EQ(c.beside == Beside::Nothing, !fs::exists(program + "/image"));
        EXPECT_FALSE(fs::exists(root + "/xdg"));
    }
}

TEST(PictureCacheFolder, ReadOnlyFolderBesideTheProgramIsNotUsed) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    QTemporaryDir temporary;
    ASSERT_TRUE(temporary.isValid());
    const std::string program = temporary.path().toStdString() + "/lib/zorvia";
    fs::create_directories(program + "/image");
    ::chmod((program + "/image").c_str(), 0555);
    EXPECT_EQ(temporary.path().toStdString() + "/xdg/zorvia/image",
              ChooseImageCacheDir(program, (temporary.path().toStdString() + "/xdg").c_str(),
                                  "/home/nobody"));
    ::chmod((program + "/image").c_str(), 0755);
}

}  // namespace
