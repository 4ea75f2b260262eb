#include "cli/WavOutput.h"

#include "platform/Interrupts.h"

#include <algorithm>
#include <random>
#include <system_error>

namespace vx::cli {
namespace {

constexpr std::uint32_t kFormatChunkBytes = 16;
constexpr std::size_t kFileBufferBytes = 256 * 1024;

void putTag(char* at, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) {
        at[i] = tag[i];
    }
}

// RIFF numbers are little-endian whatever the machine.
template <class Number> void putNumber(char* at, Number value) {
    for (std::size_t i = 0; i < sizeof(Number); ++i) {
        at[i] = static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF);
    }
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// The fmt chunk and the data chunk's header, which both forms end with.
void putFormatAndData(char* at, const WAVEFORMATEX& format, std::uint32_t dataSize) {
    putTag(at, "fmt ");
    putNumber(at + 4, kFormatChunkBytes);
    putNumber(at + 8, format.wFormatTag);
    putNumber(at + 10, format.nChannels);
    putNumber(at + 12, format.nSamplesPerSec);
    putNumber(at + 16, format.nAvgBytesPerSec);
    putNumber(at + 20, format.nBlockAlign);
    putNumber(at + 22, format.wBitsPerSample);
    putTag(at + 24, "data");
    putNumber(at + 28, dataSize);
}

// A chunk of odd length is followed by a pad byte, which the RIFF size counts.
std::uint64_t riffBytes(std::size_t headerBytes, std::uint64_t dataBytes) {
    return headerBytes - 8 + dataBytes + (dataBytes & 1);
}

} // namespace

std::array<char, kWavHeaderBytes> wavHeader(const WAVEFORMATEX& format, std::uint64_t dataBytes) {
    const std::uint64_t riff = riffBytes(kWavHeaderBytes, dataBytes);
    const bool known = riff <= kUnknownSize;
    std::array<char, kWavHeaderBytes> header{};
    putTag(header.data(), "RIFF");
    putNumber(header.data() + 4, known ? static_cast<std::uint32_t>(riff) : kUnknownSize);
    putTag(header.data() + 8, "WAVE");
    putFormatAndData(header.data() + 12, format, known ? static_cast<std::uint32_t>(dataBytes) : kUnknownSize);
    return header;
}

std::array<char, kRf64HeaderBytes> rf64Header(const WAVEFORMATEX& format, std::uint64_t dataBytes) {
    constexpr std::uint32_t kDs64Bytes = 28; // three sizes and an empty table's length
    std::array<char, kRf64HeaderBytes> header{};
    char* at = header.data();
    putTag(at, "RF64");
    putNumber(at + 4, kUnknownSize);
    putTag(at + 8, "WAVE");
    putTag(at + 12, "ds64");
    putNumber(at + 16, kDs64Bytes);
    putNumber(at + 20, riffBytes(kRf64HeaderBytes, dataBytes));
    putNumber(at + 28, dataBytes);
    putNumber(at + 36, format.nBlockAlign ? dataBytes / format.nBlockAlign : 0);
    putNumber(at + 44, std::uint32_t{0});
    putFormatAndData(at + 48, format, kUnknownSize);
    return header;
}

WavFile::WavFile(std::filesystem::path target, std::uint64_t largestRiffData)
    : target_(std::move(target)), largestRiffData_(largestRiffData) {}

WavFile::~WavFile() {
    discard();
}

bool WavFile::begin(const WAVEFORMATEX& format) {
    std::error_code error;
    if (std::filesystem::is_directory(target_, error)) {
        return fail("cannot write " + quoted(target_) + ": it is a folder");
    }
    // A device or a pipe would be replaced by the rename, not written to.
    if (std::filesystem::exists(target_, error) &&
        !std::filesystem::is_regular_file(target_, error)) {
        return fail("cannot write " + quoted(target_) +
                    ": not a regular file (--stdout writes a stream)");
    }
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (!std::filesystem::is_directory(folder, error)) {
        return fail("cannot write " + quoted(target_) + ": there is no folder " + quoted(folder));
    }
    // Hidden and unique, in the target's folder so that the final rename never copies.
    std::random_device random;
    do {
        temporary_ =
            folder / ("." + target_.filename().string() + "." + std::to_string(random()) + ".part");
    } while (std::filesystem::exists(temporary_, error));
    // Read too: an RF64 file's audio is moved within it when it is finished.
    file_.open(temporary_, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!file_) {
        temporary_.clear();
        return fail("cannot write " + quoted(target_) + ": cannot create a file in " +
                    quoted(folder));
    }
    format_ = format;
    pending_.reserve(kFileBufferBytes);
    const auto header = wavHeader(format_, 0);
    file_.write(header.data(), header.size());
    return file_ ? true : fail("cannot write " + quoted(target_));
}

bool WavFile::write(const void* data, std::size_t bytes) {
    if (!file_.is_open()) {
        return false;
    }
    if (pending_.size() + bytes > kFileBufferBytes && !writePending()) {
        return false;
    }
    const auto* begin = static_cast<const char*>(data);
    pending_.insert(pending_.end(), begin, begin + bytes);
    dataBytes_ += bytes;
    return true;
}

bool WavFile::writePending() {
    file_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
    return file_ ? true : fail("cannot write " + quoted(target_) + " (is the disk full?)");
}

bool WavFile::finish() {
    if (!file_.is_open()) {
        return false;
    }
    if (dataBytes_ & 1) {
        pending_.push_back(0);
    }
    if (!writePending()) {
        return false;
    }
    const auto writeHeader = [&](const auto& header) {
        file_.seekp(0);
        file_.write(header.data(), static_cast<std::streamsize>(header.size()));
        return static_cast<bool>(file_);
    };
    const bool written = dataBytes_ <= largestRiffData_
                             ? writeHeader(wavHeader(format_, dataBytes_))
                             : moveDataBy(kRf64HeaderBytes - kWavHeaderBytes) && writeHeader(rf64Header(format_, dataBytes_));
    file_.close();
    if (!written || !file_) {
        return fail("cannot write " + quoted(target_) + " (is the disk full?)");
    }
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) {
        return fail("cannot write " + quoted(target_) + ": " + error.message());
    }
    temporary_.clear();
    return true;
}

// From the end backward, so that each block is read before the move writes over it. Moving
// gigabytes takes a while: a signal ends it, and the file is not finished.
bool WavFile::moveDataBy(std::uint64_t distance) {
    pending_.resize(kFileBufferBytes);
    const std::uint64_t begin = kWavHeaderBytes;
    std::uint64_t end = begin + dataBytes_ + (dataBytes_ & 1);
    while (end > begin && file_ && platform::interruption() == 0) {
        const auto bytes = static_cast<std::streamsize>(std::min<std::uint64_t>(pending_.size(), end - begin));
        end -= static_cast<std::uint64_t>(bytes);
        file_.seekg(static_cast<std::streamoff>(end));
        file_.read(pending_.data(), bytes);
        file_.seekp(static_cast<std::streamoff>(end + distance));
        file_.write(pending_.data(), bytes);
    }
    pending_.clear();
    return file_ && end == begin;
}

bool WavFile::fail(const std::string& what) {
    error_ = what;
    discard();
    return false;
}

void WavFile::discard() {
    if (file_.is_open()) {
        file_.close();
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

WavStream::WavStream(std::ostream& out, std::string name)
    : out_(out)
    , name_(std::move(name)) {}

bool WavStream::begin(const WAVEFORMATEX& format) {
    const auto header = wavHeader(format, kUnknownSize);
    return put(header.data(), header.size());
}

bool WavStream::write(const void* data, std::size_t bytes) {
    return put(static_cast<const char*>(data), bytes);
}

bool WavStream::finish() {
    return put(nullptr, 0);
}

bool WavStream::put(const char* data, std::size_t bytes) {
    if (!error_.empty()) {
        return false;
    }
    out_.write(data, static_cast<std::streamsize>(bytes));
    out_.flush();
    if (!out_) {
        error_ = "cannot write to " + name_;
        return false;
    }
    return true;
}

} // namespace vx::cli
