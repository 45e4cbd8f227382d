// The version decision and the updater's program path.
#include <gtest/gtest.h>

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

TEST(UpdaterProgramPath, IsTheFolderThenTheUpdater) {
    const struct {
        const char* folder;
        const char* program;
    } cases[] = {
        {"/opt/zorvia", "/opt/zorvia/liveUpdate.exe"},
        {"/opt/zorvia/", "/opt/zorvia/liveUpdate.exe"},
        {"/home/li lei/My Programs", "/home/li lei/My Programs/liveUpdate.exe"},
        {"/", "/liveUpdate.exe"},
    };
    for (const auto& c : cases) {
        // The program is started from this path with "Tembrak" as its only argument, so the
        // spaces of the folder never split it.
        EXPECT_EQ(UpdaterProgramPath(c.folder), c.program) << c.folder;
    }
    EXPECT_STREQ(kUpdaterArgument, "Tembrak");
}

}  // namespace
