#include "platform/Files.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vx::platform {
namespace {

using test::TempFolder;

TEST(Paths, JoinAndParent) {
    EXPECT_EQ(joinPath(u"/a/b", u"c.conf"), u"/a/b/c.conf");
    EXPECT_EQ(joinPath(u"/a/b/", u"c.conf"), u"/a/b/c.conf");
    EXPECT_EQ(joinPath(u"", u"c.conf"), u"c.conf");
    EXPECT_EQ(parentFolder(u"/a/b/langs.conf"), u"/a/b");
    EXPECT_EQ(parentFolder(u"langs.conf"), u"");
    EXPECT_EQ(parentFolder(u"/langs.conf"), u"");
}

TEST(ReadFileBytes, ReadsRegularFilesOnly) {
    TempFolder folder;
    const std::u16string path = folder.writeBytes("Ж.conf", std::string("a\0b", 3));
    EXPECT_EQ(readFileBytes(path), (std::vector<unsigned char>{'a', 0, 'b'}));
    EXPECT_FALSE(readFileBytes(folder.file("missing")));
    EXPECT_FALSE(readFileBytes(folder.path().u16string()));
    const auto fifo = folder.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readFileBytes(fifo.u16string())); // and does not wait for a writer
}

TEST(Folders, CreateAndCheck) {
    TempFolder folder;
    const std::u16string made = folder.file("VxTts");
    EXPECT_FALSE(folderExists(made));
    EXPECT_TRUE(createFolder(made));
    EXPECT_TRUE(folderExists(made));
    EXPECT_TRUE(createFolder(made));
    EXPECT_FALSE(createFolder(folder.file("no/such/parent")));
}

struct EnvironmentCase {
    const char* tmpdir;
    const char* runtimeDir;
    std::u16string expected;
};

class TemporaryFolder : public testing::TestWithParam<EnvironmentCase> {};

TEST_P(TemporaryFolder, FollowsTheEnvironment) {
    auto put = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
    put("TMPDIR", GetParam().tmpdir);
    put("XDG_RUNTIME_DIR", GetParam().runtimeDir);
    EXPECT_EQ(temporaryFolder(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, TemporaryFolder, testing::Values(
    EnvironmentCase{"/var/tmp/me/", "/run/user/1", u"/var/tmp/me"},
    EnvironmentCase{nullptr, "/run/user/1", u"/run/user/1"},
    EnvironmentCase{"", "", u"/tmp"},
    EnvironmentCase{nullptr, nullptr, u"/tmp"}));

TEST(PerUserFolder, UnderTheConfigurationHome) {
    setenv("XDG_CONFIG_HOME", "/home/u/cfg", 1);
    EXPECT_EQ(perUserFolder(), u"/home/u/cfg/VxTts");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/юзер", 1);
    EXPECT_EQ(perUserFolder(), u"/home/юзер/.config/VxTts");
}

} // namespace
} // namespace vx::platform
