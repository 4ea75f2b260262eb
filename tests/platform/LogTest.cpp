#include "platform/Log.h"
#include "platform/LogFile.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace vx {
namespace {

using test::readBytes;
using test::TempFolder;
using test::utf16le;

TEST(LogFormat, WritesWhatTheRuntimePrintfWrites) {
    const std::u16string name = u"tembra";
    const void* pointer = reinterpret_cast<const void*>(std::uintptr_t{0xABC});
    const std::u16string paddedPointer = sizeof(void*) == 8 ? u"0000000000000ABC" : u"00000ABC";

    EXPECT_EQ(formatLogMessage(u"* can't load voice: %s", {name}), u"* can't load voice: tembra");
    EXPECT_EQ(formatLogMessage(u"* NF: %p: The waiting time is exceeded.", {pointer}),
              u"* NF: " + paddedPointer + u": The waiting time is exceeded.");
    EXPECT_EQ(formatLogMessage(u"%d %d %u", {-42, 0, 7u}), u"-42 0 7");
    EXPECT_EQ(formatLogMessage(u"%u", {-1}), u"4294967295");
    EXPECT_EQ(formatLogMessage(u"%d", {std::int64_t{-9000000000}}), u"-9000000000");
    EXPECT_EQ(formatLogMessage(u"%s", {static_cast<const char16_t*>(nullptr)}), u"(null)");
    EXPECT_EQ(formatLogMessage(u"100%% %s", {u"done"}), u"100% done");
    EXPECT_EQ(formatLogMessage(u"%s and %s", {u"one"}), u"one and %s");
    EXPECT_EQ(formatLogMessage(u"%x %s", {u"text"}), u"%x text");
    EXPECT_EQ(formatLogMessage(u"trailing %", {}), u"trailing %");
}

struct SizeCase {
    std::size_t existing;
    bool emptied;
};

class LogFileSize : public testing::TestWithParam<SizeCase> {};

TEST_P(LogFileSize, EmptiesAFullLogWhenOpened) {
    TempFolder folder;
    const std::u16string path = folder.writeBytes("vxtts.log", std::string(GetParam().existing, 'x'));
    platform::LogFile file;
    ASSERT_TRUE(file.open(path));
    ASSERT_TRUE(file.append("ab", 2));
    EXPECT_EQ(std::filesystem::file_size(folder.path() / "vxtts.log"),
              (GetParam().emptied ? 0 : GetParam().existing) + 2);
}

INSTANTIATE_TEST_SUITE_P(Table, LogFileSize, testing::Values(
    SizeCase{0, false}, SizeCase{1'023'999, false}, SizeCase{1'024'000, true}, SizeCase{2'000'000, true}));

TEST(LogFile, RefusesToWriteThroughALink) {
    TempFolder folder;
    const std::u16string target = folder.writeBytes("victim", "keep");
    std::filesystem::create_symlink(folder.path() / "victim", folder.path() / "vxtts.log");
    platform::LogFile file;
    EXPECT_FALSE(file.open(folder.file("vxtts.log")));
    EXPECT_FALSE(file.append("x", 1));
    EXPECT_EQ(readBytes(folder.path() / "victim"), "keep");
}

TEST(LogFile, RefusesAFolder) {
    TempFolder folder;
    std::filesystem::create_directory(folder.path() / "vxtts.log");
    platform::LogFile file;
    EXPECT_FALSE(file.open(folder.file("vxtts.log")));
}

// The log is opened once per process: each of these runs in a child process of its own, with
// the log still closed.
class ProcessLog : public testing::Test {
protected:
    void SetUp() override { setenv("TMPDIR", folder.path().c_str(), 1); }

    template <class Body>
    void inFreshProcess(Body body) {
        EXPECT_EXIT(
            {
                body();
                std::exit(testing::Test::HasFailure() ? 1 : 0);
            },
            testing::ExitedWithCode(0), "");
    }

    TempFolder folder;
};

TEST_F(ProcessLog, WriteBeforeOpenDoesNothing) {
    inFreshProcess([&] {
        EXPECT_FALSE(Log::Write(u"* early"));
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "vxtts.log"));
        EXPECT_FALSE(Log::Open(u""));
    });
}

TEST_F(ProcessLog, LinesAreUtf16WithALineFeed) {
    inFreshProcess([&] {
        ASSERT_TRUE(Log::Open(u"vxtts.log"));
        EXPECT_TRUE(Log::Write(u"* can't load voice: %s", u"голос"));
        EXPECT_TRUE(Log::Write(u"* Sentence boundary error"));
        EXPECT_FALSE(Log::Write(u""));
        EXPECT_EQ(readBytes(folder.path() / "vxtts.log"),
                  utf16le(u"* can't load voice: голос\n* Sentence boundary error\n"));
    });
}

TEST_F(ProcessLog, ASecondOpenKeepsTheFirstFile) {
    inFreshProcess([&] {
        ASSERT_TRUE(Log::Open(u"vxtts.log"));
        EXPECT_TRUE(Log::Open(u"other.log"));
        EXPECT_TRUE(Log::Write(u"* line"));
        EXPECT_FALSE(std::filesystem::exists(folder.path() / "other.log"));
        EXPECT_EQ(readBytes(folder.path() / "vxtts.log"), utf16le(u"* line\n"));
    });
}

TEST_F(ProcessLog, AFailedOpenCanBeRetried) {
    inFreshProcess([&] {
        std::filesystem::create_directory(folder.path() / "vxtts.log");
        EXPECT_FALSE(Log::Open(u"vxtts.log"));
        std::filesystem::remove(folder.path() / "vxtts.log");
        EXPECT_TRUE(Log::Open(u"vxtts.log"));
    });
}

} // namespace
} // namespace vx
