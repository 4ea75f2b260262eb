#include "cli/DeviceOutput.h"

namespace vx::cli {

DeviceOutput::DeviceOutput(std::string device)
    : name_(std::move(device)) {}

bool DeviceOutput::begin(const WAVEFORMATEX& format) {
    device_ = platform::AudioDevice::open(name_, format, error_);
    return device_ != nullptr;
}

bool DeviceOutput::write(const void* data, std::size_t bytes) {
    return device_->play(data, bytes) || failed();
}

bool DeviceOutput::finish() {
    return device_->drain() || failed();
}

bool DeviceOutput::failed() {
    error_ = device_->error();
    return false;
}

} // namespace vx::cli
