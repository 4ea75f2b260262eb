// Runs a fuzz target over its corpus without libFuzzer, so that the seeds and every reproducer
// kept beside them are regression tests in the ordinary and sanitizer builds. A failed check
// aborts, which fails the test; so does running no input at all, since a missing or empty corpus
// would otherwise pass unnoticed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool runFile(const fs::path& file) {
    std::error_code error;
    const auto size = static_cast<std::size_t>(fs::file_size(file, error));
    std::ifstream in(file, std::ios::binary);
    if (error || !in) {
        return false;
    }
    // A buffer of exactly the input's size, so that AddressSanitizer sees a read past its end.
    const auto data = std::make_unique<std::uint8_t[]>(size);
    if (!in.read(reinterpret_cast<char*>(data.get()), static_cast<std::streamsize>(size))) {
        return false;
    }
    LLVMFuzzerTestOneInput(data.get(), size);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> files;
        if (fs::is_directory(argv[i])) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i])) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end()); // the same order on every run
        } else {
            files.emplace_back(argv[i]);
        }
        for (const fs::path& file : files) {
            if (!runFile(file)) {
                std::fprintf(stderr, "cannot read %s\n", file.c_str());
                return 1;
            }
            ++count;
        }
    }
    std::printf("%zu inputs run\n", count);
    return count == 0 ? 1 : 0;
}
