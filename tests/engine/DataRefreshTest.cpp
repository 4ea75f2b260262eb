// The user's copy of the data after an upgrade: what follows the program's, what stays the
// user's, and the manifest the build writes.

#include "engine/DataRefresh.h"

#include "platform/Files.h"
#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifndef VX_DATA_DIR
#error "VX_DATA_DIR must name the program's data folder (tests/CMakeLists.txt)"
#endif

namespace vx {
namespace {

std::string hashOf(const std::string& bytes) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(contentHash(
                      {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()})));
    return digits;
}

// A manifest of files given as name and content.
std::string manifestOf(const std::vector<std::pair<std::string, std::string>>& files) {
    std::string text;
    for (const auto& [name, content] : files) text += hashOf(content) + "  " + name + "\n";
    return text;
}

// Version 1 shipped a.conf = "one"; version 2 ships "two" and a new file b.conf.
TEST(DataRefresh, UnchangedFilesFollowTheProgramAndChangedOnesStay) {
    const std::string shipped = manifestOf({{"a.conf", "two"}, {"b.conf", "bee"}}), old = manifestOf({{"a.conf", "one"}});
    const struct {
        const char* what;
        std::string userManifest, userContent; // of a.conf in the user's copy; "" for none
        std::string expected;                  // of a.conf afterwards
        bool logged;                           // a log line names a.conf
    } upgrades[] = {
        {"unchanged since copied: refreshed", old, "one", "two", false},
        {"changed by the user: kept", old, "mine", "mine", true},
        {"deleted by the user: added again", old, "", "two", false},
        {"already the program's", old, "two", "two", false},
        {"no manifest (a copy from before manifests): differs, so kept", "", "one", "one", true},
        {"manifests equal: nothing is read or written", shipped, "one", "one", false},
    };
    for (const auto& upgrade : upgrades) {
        SCOPED_TRACE(upgrade.what);
        const test::TempFolder folder;
        using File = std::pair<std::string, std::string>;
        for (const auto& [name, bytes] : {File{"program/a.conf", "two"}, {"program/b.conf", "bee"},
                                          {"program/manifest.txt", shipped}, {"user/other.conf", "the user's own file"},
                                          {"user/a.conf", upgrade.userContent}, {"user/manifest.txt", upgrade.userManifest}})
            if (!bytes.empty()) folder.writeBytes(name, bytes);
        const test::LogTail log;
        refreshUserData(folder.file("program"), folder.file("user"));
        EXPECT_EQ(test::readBytes(folder.path() / "user/a.conf"), upgrade.expected);
        EXPECT_EQ(log.text().find(u"a.conf") != std::u16string::npos, upgrade.logged) << toUtf8(log.text());
        EXPECT_EQ(test::readBytes(folder.path() / "user/other.conf"), "the user's own file");
        EXPECT_EQ(test::readBytes(folder.path() / "user/b.conf"), upgrade.userManifest == shipped ? "" : "bee");
        EXPECT_EQ(test::readBytes(folder.path() / "user/manifest.txt"), shipped);
    }
}

// A file that cannot be written keeps the user's manifest as it was, so that the next engine
// object tries again; without a program manifest nothing happens at all.
TEST(DataRefresh, TriesAgainAfterAFailureAndNeedsAProgramManifest) {
    const test::TempFolder folder;
    folder.writeBytes("program/manifest.txt", manifestOf({{"a.conf", "two"}}));
    folder.writeBytes("user/manifest.txt", manifestOf({{"a.conf", "one"}}));
    folder.writeBytes("user/a.conf/inside", "a folder where the file should be");
    refreshUserData(folder.file("program"), folder.file("user")); // the program's a.conf is missing too
    EXPECT_EQ(test::readBytes(folder.path() / "user/manifest.txt"), manifestOf({{"a.conf", "one"}}));

    // A name with a folder part in the manifest is passed over: the copy never leaves its folder.
    const test::TempFolder escape;
    escape.writeBytes("program/manifest.txt", manifestOf({{"../outside.conf", "x"}}));
    escape.writeBytes("outside.conf", "x");
    escape.writeBytes("user/data/manifest.txt", "an older one");
    refreshUserData(escape.file("program"), escape.file("user/data"));
    EXPECT_FALSE(platform::pathExists(escape.file("user/outside.conf")));

    const test::TempFolder bare;
    bare.writeBytes("program/a.conf", "two");
    bare.writeBytes("user/a.conf", "one");
    refreshUserData(bare.file("program"), bare.file("user"));
    EXPECT_EQ(test::readBytes(bare.path() / "user/a.conf"), "one");
    EXPECT_FALSE(platform::pathExists(bare.file("user/manifest.txt")));
}

// The build's manifest lists every shipped file, each with the hash the engine computes of it.
TEST(DataRefresh, TheShippedManifestMatchesTheShippedFiles) {
    const std::filesystem::path folder = VX_DATA_DIR;
    std::istringstream manifest(test::readBytes(folder / "manifest.txt"));
    std::set<std::string> listed;
    for (std::string line; std::getline(manifest, line);) {
        ASSERT_GT(line.size(), 18U) << line;
        listed.insert(line.substr(18));
        EXPECT_EQ(line.substr(0, 16), hashOf(test::readBytes(folder / line.substr(18)))) << line;
    }
    std::set<std::string> shipped;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename() != "manifest.txt") shipped.insert(entry.path().filename().string());
    EXPECT_EQ(listed, shipped);
}

} // namespace
} // namespace vx
