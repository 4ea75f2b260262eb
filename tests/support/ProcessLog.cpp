#include "tests/support/ProcessLog.h"

#include "platform/Log.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vx::test {
namespace {

std::filesystem::path logPath() { return processTemporaryFolder() / "vxtts.log"; }

std::uintmax_t sizeOf(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Made before the first test runs, removed after the last.
class ProcessFolder final : public testing::Environment {
public:
    void SetUp() override { processTemporaryFolder(); }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(processTemporaryFolder(), ignored);
    }
};

const bool kRegistered = (testing::AddGlobalTestEnvironment(new ProcessFolder), true);

} // namespace

const std::filesystem::path& processTemporaryFolder() {
    static const std::filesystem::path folder = [] {
        const TempFolder base; // only for a unique name beside the test folders
        std::filesystem::path path = base.path();
        path += "-process";
        std::filesystem::create_directories(path);
        setenv("TMPDIR", path.c_str(), 1);
        return path;
    }();
    return folder;
}

LogTail::LogTail() : start_((Log::Open(u"vxtts.log"), sizeOf(logPath()))) {}

std::u16string LogTail::text() const {
    const std::string bytes = readBytes(logPath());
    std::u16string text;
    for (std::size_t i = start_; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

} // namespace vx::test
