#pragma once
// Where the audio of "vxtts say" goes: a WAV file that appears under its name only when it is
// complete, or a WAV stream on standard output that a player can start on at once.

#include "platform/WaveFormat.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace vx::cli {

inline constexpr std::size_t kWavHeaderBytes = 44;
// An RF64 file's header: WAV's 64-bit form, whose ds64 chunk holds the sizes past 4 GB.
inline constexpr std::size_t kRf64HeaderBytes = 80;
// The data size of a stream whose length is not known when its header is written.
inline constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;
// The most audio a RIFF header's sizes can count (with the header and a pad byte).
inline constexpr std::uint64_t kLargestRiffData = kUnknownSize - (kWavHeaderBytes - 8) - 1;

// The RIFF header of a PCM WAV file holding dataBytes of audio in format. With kUnknownSize
// (or a size too large for RIFF) both size fields are kUnknownSize.
std::array<char, kWavHeaderBytes> wavHeader(const WAVEFORMATEX& format, std::uint64_t dataBytes);
// The RF64 header of a file holding dataBytes of audio in format: the RIFF and data sizes are
// kUnknownSize, the ds64 chunk has them whole, and the sample count.
std::array<char, kRf64HeaderBytes> rf64Header(const WAVEFORMATEX& format, std::uint64_t dataBytes);

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts the output with the header for format. False on failure, with error() set.
    virtual bool begin(const WAVEFORMATEX& format) = 0;
    // Appends audio; false on failure, with error() set.
    virtual bool write(const void* data, std::size_t bytes) = 0;
    // Completes the output; false on failure, with error() set.
    virtual bool finish() = 0;
    // What failed, as one line for the user; empty while nothing has.
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

// A WAV file written under a temporary name in the target's folder and renamed to the target by
// finish, so that no half-written file ever carries the target's name. An output that is not
// finished removes its temporary file. Audio of more than largestRiffData bytes makes an RF64
// file: finish moves the audio behind the longer header.
class WavFile final : public AudioOutput {
public:
    explicit WavFile(std::filesystem::path target, std::uint64_t largestRiffData = kLargestRiffData);
    ~WavFile() override;
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    bool begin(const WAVEFORMATEX& format) override;
    bool write(const void* data, std::size_t bytes) override;
    bool finish() override;

private:
    bool fail(const std::string& what);
    bool writePending();
    bool moveDataBy(std::uint64_t distance);
    void discard();

    std::filesystem::path target_;
    std::uint64_t largestRiffData_;
    std::filesystem::path temporary_;
    // Audio not yet handed to the file. The audio comes in blocks of a few kilobytes, and the
    // file stream passes blocks that large straight to the system: a call for each would cost
    // more than making the audio does.
    std::vector<char> pending_;
    std::fstream file_;
    WAVEFORMATEX format_{};
    std::uint64_t dataBytes_ = 0;
};

// A WAV stream: a header with unknown sizes, then the audio, flushed as it comes so that a
// reader hears it at once.
class WavStream final : public AudioOutput {
public:
    // name: how the stream is called in messages ("standard output").
    WavStream(std::ostream& out, std::string name);

    bool begin(const WAVEFORMATEX& format) override;
    bool write(const void* data, std::size_t bytes) override;
    bool finish() override;

private:
    bool put(const char* data, std::size_t bytes);

    std::ostream& out_;
    std::string name_;
};

} // namespace vx::cli
