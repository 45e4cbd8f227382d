// The single-instance lock: one holder per lock file, across processes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "services/single_instance.h"

namespace {

constexpr char kLockName[] = "TfrmZORMain";

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
bool AnotherProcessTakes(const std::string& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        ReleaseSingleInstanceLock();
        ::_exit(TakeSingleInstanceLock(folder, kLockName) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SingleInstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    ASSERT_TRUE(TakeSingleInstanceLock(m_folder, kLockName));
    EXPECT_TRUE(std::filesystem::exists(m_folder + "/TfrmZORMain.lock"));
    EXPECT_FALSE(AnotherProcessTakes(m_folder));
    EXPECT_FALSE(AnotherProcessTakes(m_folder)) << "a refused attempt must not disturb the lock";
    ReleaseSingleInstanceLock();
    EXPECT_TRUE(AnotherProcessTakes(m_folder));
}

TEST_F(SingleInstanceLockTest, MissingFolderIsCreatedForTheOwnerOnly) {
    const std::string folder = m_folder + "/zorvia-runtime";
    ASSERT_TRUE(TakeSingleInstanceLock(folder, kLockName));
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_FALSE(AnotherProcessTakes(folder));
}

TEST_F(SingleInstanceLockTest, UnusableFolderDoesNotStopTheProgram) {
    // A plain file where the folder should be, and a folder below a missing parent: no lock
    // can be made, and the program runs rather than refusing the user.
    const std::string file = m_folder + "/not-a-folder";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(TakeSingleInstanceLock(file, kLockName));
    ReleaseSingleInstanceLock();
    EXPECT_TRUE(TakeSingleInstanceLock(m_folder + "/missing/parent", kLockName));
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
