#pragma once
// The process-wide log of a test program. The log is opened once per process, at the first
// engine object, so every test program points the temporary folder at one folder of its own
// for its whole run: whichever test opens the log, the others find it there, alone, in any
// order.

#include <cstdint>
#include <filesystem>
#include <string>

namespace vx::test {

// The temporary folder of this test program, where the log is.
const std::filesystem::path& processTemporaryFolder();

// What the process log gained since this was made, which opens it if need be.
class LogTail {
public:
    LogTail();
    std::u16string text() const;

private:
    std::uintmax_t start_;
};

} // namespace vx::test
