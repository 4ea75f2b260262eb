// Runs a fuzz target without libFuzzer over the files given (ctest gives it the seed corpus), so
// that the seeds and the reproducers kept beside them are tests in the ordinary and sanitizer
// builds. No input fails, since a missing corpus would otherwise pass unnoticed.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) return std::fprintf(stderr, "cannot read %s\n", argv[i]), 1;
        // A buffer of exactly the input's size, so that AddressSanitizer sees a read past its end.
        const auto size = static_cast<std::size_t>(std::filesystem::file_size(argv[i]));
        const auto data = std::make_unique<std::uint8_t[]>(size);
        in.read(reinterpret_cast<char*>(data.get()), static_cast<std::streamsize>(size));
        LLVMFuzzerTestOneInput(data.get(), size);
    }
    std::printf("%d inputs run\n", argc - 1);
    return argc > 1 ? 0 : 1;
}
