#include "bench/bc6h_levels/hdr_scores.h"

#include <algorithm>
#include <cmath>

namespace {

double Log2Floored(float v) { return std::log2(std::max(static_cast<double>(v), std::exp2(-14.0))); }

double ToneMapped(float v)
{
    const double x = std::max(static_cast<double>(v), 0.0);
    return std::pow(x / (1.0 + x), 1.0 / 2.2);
}

} // namespace

void HdrScores::Add(const FloatColor* wanted, const FloatColor* decoded, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const float a[3] = {wanted[i].r, wanted[i].g, wanted[i].b};
        const float b[3] = {decoded[i].r, decoded[i].g, decoded[i].b};
        for (unsigned c = 0; c < 3; ++c) {
            const double log = Log2Floored(a[c]) - Log2Floored(b[c]);
            const double tone = ToneMapped(a[c]) - ToneMapped(b[c]);
            logSquares_ += log * log;
            toneSquares_ += tone * tone;
        }
    }
    samples_ += 3 * count;
}

double HdrScores::Log2Rmse() const { return samples_ ? std::sqrt(logSquares_ / double(samples_)) : 0.0; }

double HdrScores::ToneMappedPsnr() const
{
    const double mse = samples_ ? toneSquares_ / double(samples_) : 0.0;
    return mse > 0.0 ? 10.0 * std::log10(1.0 / mse) : 99.0;
}
