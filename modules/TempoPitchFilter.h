#pragma once
// Tempo change of unsigned 8-bit mono speech with the sonic library.

#include <cstdint>
#include <memory>
#include <vector>

struct sonicStreamStruct;

namespace vx {

class TempoPitchFilter {
public:
    // A filter for the given rate and channels, or null when sonic cannot make a stream.
    static std::unique_ptr<TempoPitchFilter> create(std::int32_t samplesPerSecond, std::int32_t channels);

    TempoPitchFilter(const TempoPitchFilter&) = delete;
    TempoPitchFilter& operator=(const TempoPitchFilter&) = delete;
    ~TempoPitchFilter();

    // How far the rate moves the speed; taken only from 1.0 to 2.5.
    void SetTempoGain(float gain);
    float tempoGain() const { return tempoGain_; }
    // Speed (rate - 50) * gain / 100 + 1: rate 50 keeps the speed, 0 and 100 slow and speed up.
    // A speed outside kMinSpeed..kMaxSpeed (a large gain at a low rate, or a negative speed
    // limit, gives 0 or less, which sonic cannot take) is clamped, with a log line naming the
    // keys, once for each rate and gain that needs it.
    void SetSpeedFromRate(std::int32_t rate);
    static constexpr double kMinSpeed = 0.1;
    static constexpr double kMaxSpeed = 4.0;
    void SetQuality(std::int32_t quality);

    // Feeds count samples (none when samples is null or count is 0) and appends what the stream
    // gives back to output; with flush, also everything the stream still holds. Returns the size
    // of output. Feeding samples that yield nothing returns 0 at once, even when flush was asked.
    std::uint32_t Process(const unsigned char* samples, std::uint32_t count, std::vector<unsigned char>& output,
                          bool flush);
    // Flushes and discards what the stream holds, so that the next text starts clean.
    void Drain();

private:
    explicit TempoPitchFilter(sonicStreamStruct* stream) : stream_(stream) {}

    sonicStreamStruct* stream_;
    float tempoGain_ = 0.8F;
    // The rate and gain last logged for a clamped speed.
    std::int32_t clampedRate_ = -1;
    float clampedGain_ = 0.0F;
};

} // namespace vx
