#include "platform/AudioDevice.h"

#include "platform/Interrupts.h"
#include "platform/PcmLayout.h"

#include <alsa/asoundlib.h>

#include <cerrno>

namespace vx::platform {
namespace {

// What the device buffers: little enough that a stop is heard at once, enough to ride over a
// busy moment of the machine.
constexpr unsigned kLatencyMicroseconds = 100000;
// How long play waits for room in the buffer before it looks for an interruption again.
constexpr int kWaitMilliseconds = 20;

class AlsaDevice final : public AudioDevice {
public:
    AlsaDevice(snd_pcm_t* pcm, std::size_t frameBytes)
        : pcm_(pcm)
        , frameBytes_(frameBytes)
        , frames_(frameBytes) {}
    ~AlsaDevice() override { snd_pcm_close(pcm_); }
    AlsaDevice(const AlsaDevice&) = delete;
    AlsaDevice& operator=(const AlsaDevice&) = delete;

    bool play(const void* data, std::size_t bytes) override {
        const std::span<const unsigned char> whole = frames_.take(static_cast<const unsigned char*>(data), bytes);
        const unsigned char* at = whole.data();
        snd_pcm_uframes_t frames = whole.size() / frameBytes_;
        while (frames > 0) {
            if (interruption() != 0) {
                return interrupted();
            }
            const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, at, frames);
            if (written == -EAGAIN) {
                snd_pcm_wait(pcm_, kWaitMilliseconds);
                continue;
            }
            if (written < 0) {
                // An underrun (the engine was slower than the device for a moment) or a suspend:
                // the device is set going again; anything else is a failure.
                if (const int recovered = snd_pcm_recover(pcm_, static_cast<int>(written), 1); recovered < 0) {
                    error_ = std::string("the audio device failed: ") + snd_strerror(recovered);
                    return false;
                }
                continue;
            }
            at += static_cast<std::size_t>(written) * frameBytes_;
            frames -= static_cast<snd_pcm_uframes_t>(written);
        }
        return true;
    }

    bool drain() override {
        if (interruption() != 0) {
            return interrupted();
        }
        // The last of the audio, at most the buffer's length, is waited for in one go.
        snd_pcm_nonblock(pcm_, 0);
        const int drained = snd_pcm_drain(pcm_);
        if (interruption() != 0) {
            return interrupted();
        }
        if (drained < 0) {
            error_ = std::string("the audio device failed: ") + snd_strerror(drained);
            return false;
        }
        return true;
    }

    void stop() override { snd_pcm_drop(pcm_); }

private:
    bool interrupted() {
        stop();
        error_ = "interrupted";
        return false;
    }

    snd_pcm_t* pcm_;
    std::size_t frameBytes_;
    pcm::WholeFrames frames_;
};

// ALSA's library prints its own complaints on standard error; the reason it returns is said once,
// in the program's own words.
void quietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::open(const std::string& name, const WAVEFORMATEX& format, std::string& error) {
    const std::string device = name.empty() ? "default" : name;
    if (format.wFormatTag != WAVE_FORMAT_PCM || (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) ||
        format.nChannels == 0 || format.nBlockAlign == 0) {
        error = "the audio device cannot play this format";
        return nullptr;
    }
    snd_lib_error_set_handler(quietAlsaErrors);
    snd_pcm_t* pcm = nullptr;
    // Non-blocking: ALSA's own wait for room in the buffer goes on through signals, so play waits
    // itself, a little at a time, and sees an interruption at once.
    if (const int opened = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK); opened < 0) {
        error = "cannot open the audio device '" + device + "': " + snd_strerror(opened);
        return nullptr;
    }
    const snd_pcm_format_t sampleFormat = format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (const int set = snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.nChannels,
                                           format.nSamplesPerSec, 1, kLatencyMicroseconds);
        set < 0) {
        snd_pcm_close(pcm);
        error = "the audio device '" + device + "' cannot play " + std::to_string(format.nSamplesPerSec) + " Hz, " +
                std::to_string(format.wBitsPerSample) + "-bit audio: " + snd_strerror(set);
        return nullptr;
    }
    return std::make_unique<AlsaDevice>(pcm, format.nBlockAlign);
}

} // namespace vx::platform
