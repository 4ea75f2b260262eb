#include "modules/TempoPitchFilter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace vx {
namespace {

std::vector<unsigned char> voiced(std::size_t samples) {
    std::vector<unsigned char> out(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        out[i] = static_cast<unsigned char>(128 + 60 * std::sin(2 * std::numbers::pi * static_cast<double>(i) / 214.0));
    }
    return out;
}

// The whole input through the filter in 4096-sample chunks, flushed with the last.
std::vector<unsigned char> filtered(std::int32_t rate, const std::vector<unsigned char>& in) {
    auto filter = TempoPitchFilter::create(22050, 1);
    filter->SetSpeedFromRate(rate);
    std::vector<unsigned char> out;
    for (std::size_t offset = 0; offset < in.size(); offset += 4096) {
        const std::size_t count = std::min<std::size_t>(4096, in.size() - offset);
        filter->Process(in.data() + offset, static_cast<std::uint32_t>(count), out, offset + count == in.size());
    }
    return out;
}

TEST(TempoPitchFilter, RateMovesTheSpeed) {
    const std::vector<unsigned char> in = voiced(22050 * 2 + 100);
    EXPECT_NEAR(static_cast<double>(filtered(100, in).size()), in.size() / 1.4, in.size() * 0.02);
    EXPECT_NEAR(static_cast<double>(filtered(0, in).size()), in.size() / 0.6, in.size() * 0.02);
}

// The built-in voice skips the filter at rate 50 because of this.
TEST(TempoPitchFilter, NormalRateGivesTheSamplesBack) {
    const std::vector<unsigned char> in = voiced(22050 + 77);
    EXPECT_EQ(filtered(50, in), in);
}

TEST(TempoPitchFilter, TempoGainRange) {
    auto filter = TempoPitchFilter::create(22050, 1);
    ASSERT_TRUE(filter);
    filter->SetTempoGain(0.8F);
    filter->SetTempoGain(3.0F);
    EXPECT_FLOAT_EQ(filter->tempoGain(), 0.8F);
    filter->SetTempoGain(2.5F);
    EXPECT_FLOAT_EQ(filter->tempoGain(), 2.5F);
    filter->SetTempoGain(1.0F);
    EXPECT_FLOAT_EQ(filter->tempoGain(), 1.0F);
}

TEST(TempoPitchFilter, NothingInNothingOutAndDrainEmpties) {
    auto filter = TempoPitchFilter::create(22050, 1);
    filter->SetSpeedFromRate(100);
    std::vector<unsigned char> out;
    EXPECT_EQ(filter->Process(nullptr, 0, out, false), 0u);
    const std::vector<unsigned char> in = voiced(300);
    filter->Process(in.data(), 300, out, false);
    filter->Drain();
    out.clear();
    EXPECT_EQ(filter->Process(nullptr, 0, out, true), 0u);
}

} // namespace
} // namespace vx
