#pragma once
// The machine's audio output, for "vxtts say" without an output file: PCM played as it comes
// through ALSA, whose default device reaches PulseAudio or PipeWire where a desktop runs one.
// POSIX only (on Windows SAPI plays).

#include "platform/WaveFormat.h"

#include <cstddef>
#include <memory>
#include <string>

namespace vx::platform {

class AudioDevice {
public:
    // The device called name ("default" when empty), opened for format; null when it cannot be,
    // with the reason in error.
    static std::unique_ptr<AudioDevice> open(const std::string& name, const WAVEFORMATEX& format, std::string& error);

    virtual ~AudioDevice() = default;
    // Plays whole frames, waiting while the device's buffer is full. False when the device fails
    // or an interruption (see Interrupts.h) arrives while it waits; error() says which.
    virtual bool play(const void* data, std::size_t bytes) = 0;
    // Waits until everything played has been heard.
    virtual bool drain() = 0;
    // Drops what has not been heard yet: silence at once.
    virtual void stop() = 0;
    const std::string& error() const { return error_; }

protected:
    std::string error_;
};

} // namespace vx::platform
