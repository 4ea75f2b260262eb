#pragma once
// The vxtts program as a user runs it: its per-user and temporary folders in a fresh test folder,
// where the first run copies the data as into the user's home.

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace vx::test {

using Args = std::vector<std::string>;

inline Args operator+(Args first, const Args& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

inline std::string shellQuoted(const std::string& text) { return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'"; }

// The data folder that the build put beside the program.
inline std::filesystem::path shippedData() { return std::filesystem::path(VXTTS_PROGRAM).parent_path() / "data"; }

// The matches of pattern's first group in text, each followed by ";".
inline std::string matches(const std::string& text, const std::regex& pattern) {
    std::string names;
    for (std::sregex_iterator match(text.begin(), text.end(), pattern), end; match != end; ++match)
        names += (*match)[1].str() + ";";
    return names;
}

// A 32-bit field of a WAV header, little-endian as this machine.
inline std::uint32_t field(const std::string& wav, std::size_t at) {
    std::uint32_t value = 0;
    return wav.copy(reinterpret_cast<char*>(&value), 4, at), value;
}

class Vxtts : public testing::Test {
protected:
    // Runs the program in the test folder with the arguments, input on standard input and its
    // standard output into the shell command output, its errors into tmp/error; the exit code.
    // wrapper is a command line that the program's own is appended to (timeout 5, say).
    int run(const Args& arguments, const std::string& input = {}, const std::string& output = "cat >tmp/out",
            const std::string& wrapper = {}) {
        folder.writeBytes("tmp/in", input);
        std::string line = "cd " + shellQuoted(folder.path().string()) +
                           " && (XDG_CONFIG_HOME=\"$PWD/config\" TMPDIR=\"$PWD/tmp\" XDG_RUNTIME_DIR= " + wrapper + " " +
                           shellQuoted(program);
        for (const std::string& argument : arguments) line += " " + shellQuoted(argument);
        EXPECT_EQ(std::system((line + " <tmp/in 2>tmp/error; echo $? >tmp/exit) | " + output).c_str()), 0);
        return std::atoi(read("tmp/exit").c_str());
    }

    std::string read(const std::string& name) const { return readBytes(folder.path() / name); }

    // The files that vxtts made in the test folder (prog holds a program of the test's own).
    std::set<std::string> madeFiles() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.insert(entry.path().filename().string());
        return names.erase("tmp"), names.erase("config"), names.erase("prog"), names;
    }

    TempFolder folder;
    std::string program = VXTTS_PROGRAM;
};

} // namespace vx::test
