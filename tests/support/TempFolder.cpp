#include "tests/support/TempFolder.h"

#include "platform/Log.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace vx::test {

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    // Read once: tests point TMPDIR into their own folders, which are gone after them.
    static const std::filesystem::path base = std::filesystem::temp_directory_path();
    path_ = base / ("vxtts-test-" + std::to_string(std::random_device()()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::u16string TempFolder::writeBytes(std::string_view name, std::string_view bytes) const {
    const auto target = path_ / name;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return target.u16string();
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string utf16le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

namespace {

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

std::filesystem::path logPath() { return processTemporaryFolder() / "vxtts.log"; }

} // namespace

const std::filesystem::path& processTemporaryFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path = TempFolder().path(); // only for a unique name beside the test folders
        path += "-process";
        std::filesystem::create_directories(path);
        setenv("TMPDIR", path.c_str(), 1);
        unsetenv("XDG_RUNTIME_DIR"); // which would hold the log instead
        return path;
    }();
    return folder;
}

LogTail::LogTail() : start_((Log::Open(u"vxtts.log"), readBytes(logPath()).size())) {}

std::u16string LogTail::text() const {
    const std::string bytes = readBytes(logPath());
    std::u16string text;
    for (std::size_t i = start_; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

} // namespace vx::test
