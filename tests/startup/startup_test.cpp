// The version decision, the update command and the single-instance lock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/startup.h"

namespace {

struct VersionCase {
    const char* reply;
    bool update;
};

class NeedsUpdateTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(NeedsUpdateTest, ComparesTheTextByteByByte) {
    EXPECT_EQ(NeedsUpdate(GetParam().reply), GetParam().update)
        << "reply '" << GetParam().reply << "'";
}

// Textual, not numeric: "10.0" sorts before "3", a prefix sorts before the longer text, and a
// byte of 0x80 or more is greater than any digit (compared unsigned).
INSTANTIATE_TEST_SUITE_P(
    Replies, NeedsUpdateTest,
    ::testing::Values(VersionCase{"3.0.0.0", false}, VersionCase{"3.0.0.1", true},
                      VersionCase{"3.1", true}, VersionCase{"4", true},
                      VersionCase{"2.9.9.9", false}, VersionCase{"10.0", false},
                      VersionCase{"10.0.0.0", false}, VersionCase{"", false},
                      VersionCase{"3.0.0", false}, VersionCase{"3.0.0.0 ", true},
                      VersionCase{"3.0.0.0\r\n", true}, VersionCase{"\xE7\x89\x88", true},
                      VersionCase{"3", false}));

TEST(UpdateCommand, IsTheFolderThenTheFixedCommandUnquoted) {
    const struct {
        const char* folder;
        const char* command;
        const char* program;
    } cases[] = {
        {"/opt/zorvia", "/opt/zorvia/liveUpdate.exe Tembrak", "/opt/zorvia/liveUpdate.exe"},
        {"/opt/zorvia/", "/opt/zorvia/liveUpdate.exe Tembrak", "/opt/zorvia/liveUpdate.exe"},
        {"/home/li lei/My Programs", "/home/li lei/My Programs/liveUpdate.exe Tembrak",
         "/home/li lei/My Programs/liveUpdate.exe"},
        {"/", "/liveUpdate.exe Tembrak", "/liveUpdate.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildUpdateCommand(c.folder), c.command) << c.folder;
        // The program is started from this path with "Tembrak" as its only argument, so the
        // spaces of the folder never split it.
        EXPECT_EQ(UpdaterProgramPath(c.folder), c.program) << c.folder;
    }
    EXPECT_STREQ(kUpdaterArgument, "Tembrak");
}

class SingleInstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zorvia-lock-test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
    }
    void TearDown() override {
        ReleaseSingleInstanceLock();
        std::filesystem::remove_all(m_folder);
    }
    std::string m_folder;
};

// Whether another process could take the lock now: a child drops its inherited copy of ours
// and tries on a lock file of its own opening.
bool anotherProcessTakes(const std::string& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        ReleaseSingleInstanceLock();
        ::_exit(TakeSingleInstanceLock(folder) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SingleInstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    ASSERT_TRUE(TakeSingleInstanceLock(m_folder));
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/TfrmZORMain.lock"));
    EXPECT_FALSE(anotherProcessTakes(m_folder));
    EXPECT_FALSE(anotherProcessTakes(m_folder)) << "a refused attempt must not disturb the lock";
    ReleaseSingleInstanceLock();
    EXPECT_TRUE(anotherProcessTakes(m_folder));
}

TEST_F(SingleInstanceLockTest, MissingFolderIsCreatedForTheOwnerOnly) {
    const std::string folder = m_folder + "/zorvia-runtime";
    ASSERT_TRUE(TakeSingleInstanceLock(folder));
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_FALSE(anotherProcessTakes(folder));
}

TEST_F(SingleInstanceLockTest, UnusableFolderDoesNotStopTheProgram) {
    // A plain file where the folder should be, and a folder below a missing parent: no lock
    // can be made, and the program runs rather than refusing the user.
    const std::string file = m_folder + "/not-a-folder";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(TakeSingleInstanceLock(file));
    ReleaseSingleInstanceLock();
    EXPECT_TRUE(TakeSingleInstanceLock(m_folder + "/missing/parent"));
}

TEST(SingleInstanceLockFolder, IsTheRuntimeFolderOrAPrivateOneInTmp) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved ? saved : "";
    const std::string fallback = "/tmp/zorvia-" + std::to_string(::getuid());

    ::setenv("XDG_RUNTIME_DIR", "/tmp", 1);
    EXPECT_EQ(SingleInstanceLockFolder(), "/tmp");
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent/runtime", 1);
    EXPECT_EQ(SingleInstanceLockFolder(), fallback);
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(SingleInstanceLockFolder(), fallback);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstanceLockFolder(), fallback);

    if (saved)
        ::setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
}

}  // namespace
