#pragma once
// Where the audio of "vxtts say" goes without an output file: the audio device, played as it
// comes. An interruption (see platform/Interrupts.h) silences it at once and fails the output,
// which stops the engine.

#include "cli/WavOutput.h"
#include "platform/AudioDevice.h"

#include <memory>
#include <string>

namespace vx::cli {

class DeviceOutput final : public AudioOutput {
public:
    // device: the ALSA device's name; empty for the default one.
    explicit DeviceOutput(std::string device);

    bool begin(const WAVEFORMATEX& format) override;
    bool write(const void* data, std::size_t bytes) override;
    // Waits until the audio has been heard.
    bool finish() override;

private:
    bool failed();

    std::string name_;
    std::unique_ptr<platform::AudioDevice> device_;
};

} // namespace vx::cli
