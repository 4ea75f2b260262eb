#include "modules/TempoPitchFilter.h"

#include "platform/Log.h"

#include <algorithm>
#include <cmath>
#include <sonic.h>

namespace vx {
namespace {

constexpr int kDrainBlock = 512;

void appendRead(sonicStream stream, std::vector<unsigned char>& output, int count) {
    const std::size_t start = output.size();
    output.resize(start + static_cast<std::size_t>(count));
    const int read = sonicReadUnsignedCharFromStream(stream, output.data() + start, count);
    output.resize(start + static_cast<std::size_t>(read > 0 ? read : 0));
}

} // namespace

std::unique_ptr<TempoPitchFilter> TempoPitchFilter::create(std::int32_t samplesPerSecond, std::int32_t channels) {
    sonicStream stream = sonicCreateStream(samplesPerSecond, channels);
    return stream ? std::unique_ptr<TempoPitchFilter>(new TempoPitchFilter(stream)) : nullptr;
}

TempoPitchFilter::~TempoPitchFilter() { sonicDestroyStream(stream_); }

void TempoPitchFilter::SetTempoGain(float gain) {
    if (gain >= 1.0F && gain <= 2.5F) {
        tempoGain_ = gain;
    }
}

void TempoPitchFilter::SetSpeedFromRate(std::int32_t rate) {
    const double speed = (rate - 50) * static_cast<double>(tempoGain_) / 100.0 + 1.0;
    const double usable = std::clamp(speed, kMinSpeed, kMaxSpeed);
    if (usable != speed && (rate != clampedRate_ || tempoGain_ != clampedGain_)) {
        clampedRate_ = rate;
        clampedGain_ = tempoGain_;
        Log::Write(u"* Rate %d with sonic.tempo_gain %d gives speed %d%% (see speed_limit); %d%% is used", rate,
                   static_cast<int>(std::lround(tempoGain_ * 100.0F)), static_cast<int>(std::lround(speed * 100)),
                   static_cast<int>(std::lround(usable * 100)));
    }
    sonicSetSpeed(stream_, static_cast<float>(usable));
}

void TempoPitchFilter::SetQuality(std::int32_t quality) { sonicSetQuality(stream_, quality); }

std::uint32_t TempoPitchFilter::Process(const unsigned char* samples, std::uint32_t count,
                                       std::vector<unsigned char>& output, bool flush) {
    const bool hasInput = samples && count != 0;
    if (!hasInput && !flush) {
        return 0;
    }
    if (hasInput) {
        // sonic takes a non-const pointer but does not write through it.
        sonicWriteUnsignedCharToStream(stream_, const_cast<unsigned char*>(samples), static_cast<int>(count));
        const int available = sonicSamplesAvailable(stream_);
        if (available <= 0) {
            return 0;
        }
        appendRead(stream_, output, available);
    }
    if (flush) {
        sonicFlushStream(stream_);
        for (std::size_t before = output.size();; before = output.size()) {
            appendRead(stream_, output, kDrainBlock);
            if (output.size() == before) {
                break;
            }
        }
    }
    return static_cast<std::uint32_t>(output.size());
}

void TempoPitchFilter::Drain() {
    std::vector<unsigned char> scratch;
    Process(nullptr, 0, scratch, true);
}

} // namespace vx
