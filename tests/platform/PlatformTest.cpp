#include "platform/CharClass.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Http.h"
#include "platform/Log.h"
#include "platform/LogFile.h"
#include "platform/Utf.h"
#include "tests/support/HttpRecording.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace vx {
namespace {

using namespace platform;
using test::readBytes;
using test::TempFolder;

// The classes of c, as the initials of digit, letter, space, punct and space-like.
std::string classes(char16_t c) {
    return std::string(isDigit(c) ? "d" : "") + (isLetter(c) ? "l" : "") + (isSpace(c) ? "s" : "") +
           (isPunct(c) ? "p" : "") + (isSpaceLike(c) ? "S" : "");
}

TEST(CharClass, ClassifiesAlikeOnEveryPlatform) {
    const std::pair<char16_t, const char*> rows[] = {
        {u'7', "d"}, {u'٣', "p"}, // Arabic-Indic three is no digit here
        {u'a', "l"}, {u'Ж', "l"}, {u'ё', "l"}, {u'ї', "l"}, {u'é', "l"}, {u'ß', "l"}, {u'漢', "l"}, {u'ª', "l"},
        {u' ', "sS"}, {u'\t', "sS"}, {u'\v', "sS"}, {u'\u2003', "sS"}, {u'\u3000', "sS"}, {u'\0', "S"},
        {u'\u00A0', "pS"}, {u'\u202F', "p"}, // no-break spaces are not white space
        {u'\x7F', ""}, {u'\x9C', ""}, {char16_t{0xD800}, ""},
        {u'.', "p"}, {u'№', "p"}, {u'«', "p"}, {u'€', "p"}, {u'\u0301', "p"}, // a combining stress mark
    };
    for (const auto& [c, expected] : rows) EXPECT_EQ(classes(c), expected) << std::hex << unsigned{c};
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const auto unit = static_cast<char16_t>(c);
        ASSERT_LE(isDigit(unit) + isLetter(unit) + isSpace(unit) + isPunct(unit), 1) << std::hex << c;
    }
}

TEST(Utf, ConvertsBothWaysAndReplacesMalformedText) {
    const struct {
        std::string utf8;
        std::u16string utf16;
        bool valid = true;
    } rows[] = {
        {"", u""}, {"key=value", u"key=value"}, {"Съешь ещё", u"Съешь ещё"}, {"€ №", u"€ №"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"}, {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"\xFF", u"\uFFFD", false}, {"a\xD0", u"a\uFFFD", false}, {"\xD0z", u"\uFFFDz", false},
        {"\xC0\xAF", u"\uFFFD\uFFFD", false},     // overlong "/"
        {"\xED\xA0\x80", u"\uFFFD", false},       // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD", false},   // past U+10FFFF
        {"\xCF\x80\x80", u"\u03C0\uFFFD", false}, // a stray continuation byte
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fromUtf8(row.utf8), row.utf16) << testing::PrintToString(row.utf8);
        EXPECT_EQ(isValidUtf8(row.utf8), row.valid) << testing::PrintToString(row.utf8);
        EXPECT_TRUE(!row.valid || toUtf8(row.utf16) == row.utf8) << testing::PrintToString(row.utf8);
    }
    EXPECT_EQ(toUtf8(std::u16string{u'a', char16_t{0xD83D}}), "a\xEF\xBF\xBD"); // lone surrogates
    EXPECT_EQ(toUtf8(std::u16string{char16_t{0xDE00}, u'b'}), "\xEF\xBF\xBD" "b");
}

// Engine libraries get their text in a code page: 0 is the legacy Cyrillic one here.
TEST(CodePage, TextInTheBytesOfACodePage) {
    const std::tuple<std::u16string, unsigned, std::string> rows[] = {
        {u"Съешь ёж", 1251, "\xD1\xFA\xE5\xF8\xFC \xB8\xE6"}, {u"Їжак і № 5", 0, "\xAF\xE6\xE0\xEA \xB3 \xB9 5"},
        {u"€ é ÿ", 1252, "\x80 \xE9 \xFF"}, {u"Да", 866, "\x84\xA0"}, {u"Да", 20866, "\xE4\xC1"}, {u"Да", 28595, "\xB4\xD0"},
        {u"Да", 1, "\x84\xA0"}, // the OEM code page of Cyrillic Windows
        {u"a漢\U0001F600b", 1251, "a???b"}, // what the code page lacks, unit by unit
        {std::u16string{u'a', char16_t{0xD83D}, u'b', char16_t{0xDE00}}, 1251, "a?b?"},
        {std::u16string(u"до\0после", 9), 1251, "\xE4\xEE"}, // a C string ends at its NUL
        {u"Да", 65001, "\xD0\x94\xD0\xB0"}, {std::u16string{char16_t{0xD83D}}, 65001, "\xEF\xBF\xBD"}, {u"", 1251, ""},
        {u"Да", 12345, ""}, // no such code page
    };
    for (const auto& [text, codePage, bytes] : rows)
        EXPECT_EQ(ToMultiByte(text, codePage), bytes) << toUtf8(text) << " in " << codePage;
    EXPECT_EQ(ToUtf8(u"ёж"), "\xD1\x91\xD0\xB6");
}

TEST(Files, PathsAndFolders) {
    for (const auto& [in, joined] : {std::pair{u"/a/b", u"/a/b/c.conf"}, {u"/a/b/", u"/a/b/c.conf"}, {u"", u"c.conf"}})
        EXPECT_EQ(joinPath(in, u"c.conf"), joined);
    for (const auto& [file, parent] : {std::pair{u"/a/b/langs.conf", u"/a/b"}, {u"langs.conf", u""}, {u"/langs.conf", u""}})
        EXPECT_EQ(parentFolder(file), parent);
    TempFolder folder;
    const std::u16string made = folder.file("VxTts");
    EXPECT_TRUE(!folderExists(made) && createFolder(made) && folderExists(made) && createFolder(made));
    EXPECT_FALSE(createFolder(folder.file("no/such/parent")));
    // Only regular files are read: a pipe would wait for a writer.
    const std::vector<unsigned char> bytes{'a', 0, 'b'};
    EXPECT_EQ(readFileBytes(folder.writeBytes("Ж.conf", std::string("a\0b", 3))), bytes);
    EXPECT_FALSE(readFileBytes(folder.file("missing")));
    EXPECT_FALSE(readFileBytes(made));
    ASSERT_EQ(mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(readFileBytes(folder.file("pipe")));
}

TEST(Files, FoldersFollowTheEnvironment) {
    auto put = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
    // TMPDIR, XDG_RUNTIME_DIR, the temporary folder, the log's folder
    const std::tuple<const char*, const char*, std::u16string, std::u16string> rows[] = {
        {"/var/tmp/me/", "/run/user/1/", u"/var/tmp/me", u"/run/user/1"},
        {nullptr, "/run/user/1", u"/run/user/1", u"/run/user/1"},
        {"/var/tmp/me", "", u"/var/tmp/me", u"/var/tmp/me"},
        {nullptr, nullptr, u"/tmp", u"/tmp"}};
    for (const auto& [tmpdir, runtimeDir, temporary, log] : rows) {
        put("TMPDIR", tmpdir);
        put("XDG_RUNTIME_DIR", runtimeDir);
        EXPECT_EQ(temporaryFolder(), temporary);
        EXPECT_EQ(logFolder(), log);
    }
    put("XDG_CONFIG_HOME", "/home/u/cfg");
    EXPECT_EQ(perUserFolder(), u"/home/u/cfg/VxTts");
    put("XDG_CONFIG_HOME", nullptr);
    put("HOME", "/home/юзер");
    EXPECT_EQ(perUserFolder(), u"/home/юзер/.config/VxTts");
}

TEST(Log, FormatsWhatTheRuntimePrintfWrites) {
    const void* pointer = reinterpret_cast<const void*>(std::uintptr_t{0xABC});
    const std::u16string padded = sizeof(void*) == 8 ? u"0000000000000ABC" : u"00000ABC";
    EXPECT_EQ(formatLogMessage(u"* can't load voice: %s", {u"tembra"}), u"* can't load voice: tembra");
    EXPECT_EQ(formatLogMessage(u"* NF: %p: late", {pointer}), u"* NF: " + padded + u": late");
    EXPECT_EQ(formatLogMessage(u"%d %d %u", {-42, 0, 7u}), u"-42 0 7");
    EXPECT_EQ(formatLogMessage(u"%u", {-1}), u"4294967295");
    EXPECT_EQ(formatLogMessage(u"%d", {std::int64_t{-9000000000}}), u"-9000000000");
    EXPECT_EQ(formatLogMessage(u"%s", {static_cast<const char16_t*>(nullptr)}), u"(null)");
    EXPECT_EQ(formatLogMessage(u"100%% %s", {u"done"}), u"100% done");
    EXPECT_EQ(formatLogMessage(u"%s and %s", {u"one"}), u"one and %s");
    EXPECT_EQ(formatLogMessage(u"%x %s", {u"text"}), u"%x text");
    EXPECT_EQ(formatLogMessage(u"trailing %", {}), u"trailing %");
}

TEST(Log, TheFileIsEmptiedWhenFullAndNeverALinkOrAFolder) {
    for (const auto& [existing, kept] : {std::pair{0, 0}, {1'023'999, 1'023'999}, {1'024'000, 0}, {2'000'000, 0}}) {
        TempFolder folder;
        LogFile file;
        ASSERT_TRUE(file.open(folder.writeBytes("vxtts.log", std::string(existing, 'x'))));
        ASSERT_TRUE(file.append("ab", 2));
        EXPECT_EQ(std::filesystem::file_size(folder.path() / "vxtts.log"), kept + 2u) << existing;
    }
    TempFolder folder;
    // A second name of a file is log_test.sh's (vxtts says it does not write the log).
    std::filesystem::create_symlink(folder.writeBytes("victim", "keep"), folder.path() / "link.log");
    std::filesystem::create_directory(folder.path() / "folder.log");
    LogFile file;
    EXPECT_FALSE(file.open(folder.file("link.log")));
    EXPECT_FALSE(file.append("x", 1));
    EXPECT_EQ(readBytes(folder.path() / "victim"), "keep");
    EXPECT_FALSE(file.open(folder.file("folder.log")));
}

// The log opens once per process, so this runs in a child process of its own, where it is
// still closed.
TEST(Log, OpensOncePerProcess) {
    TempFolder folder;
    setenv("TMPDIR", folder.path().c_str(), 1);
    const auto log = folder.path() / "vxtts.log";
    EXPECT_EXIT(
        {
            EXPECT_FALSE(Log::Write(u"* early"));
            EXPECT_FALSE(std::filesystem::exists(log));
            EXPECT_FALSE(Log::Open(u""));
            std::filesystem::create_directory(log);
            EXPECT_FALSE(Log::Open(u"vxtts.log"));
            std::filesystem::remove(log);
            EXPECT_TRUE(Log::Open(u"vxtts.log")); // a failed open can be retried
            EXPECT_TRUE(Log::Write(u"* can't load voice: %s", u"голос"));
            EXPECT_TRUE(Log::Open(u"other.log")); // and the first file is kept
            EXPECT_TRUE(Log::Write(u"* Sentence boundary error"));
            EXPECT_FALSE(Log::Write(u""));
            EXPECT_FALSE(std::filesystem::exists(folder.path() / "other.log"));
            EXPECT_EQ(readBytes(log), test::utf16le(u"* can't load voice: голос\n* Sentence boundary error\n"));
            std::exit(testing::Test::HasFailure() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(Http, GetsTheBodyAsItArrives) {
    test::LoopbackHttpServer server;
    ASSERT_NE(server.port(), 0);
    std::string file;
    for (int i = 0; i < 20000; ++i) file += static_cast<char>(i * 7 % 251);
    server.folder().writeBytes("a.bin", file);
    const std::string octets = "application/octet-stream";
    const auto zeros = [](std::size_t n) { return std::string(n, '\0'); };
    const struct {
        std::string path;
        HttpResult result;
        std::string type;
        std::optional<std::string> body; // unchecked when the receiver stops after a piece
        int stopAfter = -1;
        HttpTimeouts timeouts{};
    } rows[] = {
        {"/zeros/1000000", HttpResult::Stopped, octets, std::nullopt, 1},
        {"/file/a.bin?type=audio%2Fmpeg", HttpResult::Completed, "audio/mpeg", file}, // the session serves on after a stop
        {"/file/a.bin", HttpResult::Stopped, octets, "", 0},
        {"/zeros/0", HttpResult::Completed, octets, ""},
        {"/zeros/5?q=" + std::string(20000, 'a'), HttpResult::Completed, octets, zeros(5)}, // any length
        {"/moved?to=/prefix/a.bin/5", HttpResult::Completed, octets, file + zeros(5)}, // the redirect's own type unseen
        {"/file/a.bin?chunk=5000&pause=400", HttpResult::Completed, octets, file, -1, {5000, 1000}}, // 1.2 s in all
        {"http://127.0.0.1:1/", HttpResult::CannotOpen, "(not called)", ""},
        {"http://vxtts.invalid/", HttpResult::CannotOpen, "(not called)", ""}, // a name that never resolves
        {"/zeros/5?status=500&type=text%2Fhtml", HttpResult::Completed, "text/html", zeros(5)}, // the service's page
        {"/zeros/10?delay=3000", HttpResult::TimedOut, "(not called)", "", -1, {500, 5000}},
    };
    const auto session = HttpSession::open("vxtts-test/1.0");
    ASSERT_TRUE(session);
    std::vector<std::string> sent;
    for (const auto& row : rows) {
        const bool local = row.path.front() == '/';
        test::HttpRecording recording;
        recording.stopAfter = row.stopAfter;
        const std::uint32_t start = tickCount();
        EXPECT_EQ(session->get(local ? server.url(row.path) : row.path, "Content-Type: text/plain; charset=UTF-8",
                               row.timeouts, recording), row.result) << row.path;
        const std::uint32_t waited = tickCount() - start;
        EXPECT_EQ(recording.type, row.type) << row.path;
        EXPECT_TRUE(!row.body || recording.body == *row.body) << row.path << ": " << recording.body.size() << " bytes";
        EXPECT_TRUE(row.stopAfter < 0 || recording.pieces == row.stopAfter) << row.path;
        EXPECT_EQ(recording.faults, 0) << row.path;
        const auto limit = std::min(row.timeouts.connectMilliseconds, row.timeouts.readMilliseconds);
        EXPECT_TRUE(row.result != HttpResult::TimedOut || waited >= limit) << row.path << ": " << waited << " ms";
        if (local) sent.push_back(row.path + "\ttext/plain; charset=UTF-8");
        if (const auto to = row.path.find("?to="); to != std::string::npos) {
            sent.push_back(row.path.substr(to + 4) + "\ttext/plain; charset=UTF-8"); // followed
        }
    }
    EXPECT_EQ(server.requests(), sent);
}

} // namespace
} // namespace vx
