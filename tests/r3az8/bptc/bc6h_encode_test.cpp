// The BC6H encoder against our decoder: every mode, forced, writes the mode
// asked for and a block that decodes to what the encoder predicted, with
// the error it reported; one colour is exact; no input, however wild,
// gives a block that decodes to infinity or NaN.
#include "r3az8/tex/bptc/bc6h_encode.h"
#include "r3az8/tex/bptc/bc6h_modes.h"
#include "r3az8/tex/bptc/bc6h_space.h"
#include "r3az8/tex/bptc/bptc_block.h"
#include "r3az8/tex/numbers/small_floats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace bptc;
using Block = std::vector<FloatColor>;

const BlockQuality kLevels[] = {BlockQuality::Fast, BlockQuality::Normal, BlockQuality::High};

void Decode(bool isSigned, FloatColor* out, const BYTE* block)
{
    if (isSigned)
        DecodeBlockBC6HSigned(out, block);
    else
        DecodeBlockBC6HUnsigned(out, block);
}

// The mode field: two bits, five when the first two are 2 or 3.
unsigned ModeCodeOf(const BYTE* block) { return (block[0] & 3u) < 2 ? block[0] & 3u : block[0] & 31u; }

// Squared error among the halves, as the encoder counts it.
double PlaceError(const Block& wanted, const FloatColor* decoded, bool isSigned)
{
    double sum = 0.0;
    for (unsigned p = 0; p < 16; ++p)
        for (unsigned c = 0; c < 3; ++c) {
            const double d = bc6h::HalfPlace((&decoded[p].r)[c], isSigned) - bc6h::HalfPlace((&wanted[p].r)[c], isSigned);
            sum += d * d;
        }
    return sum;
}

// HDR blocks: a smooth ramp over a few stops, two lights side by side,
// noise over eight stops, and a ramp over a tenth of a stop; the signed
// form also gets values below 0, but in the last.
Block MakeBlock(unsigned kind, bool isSigned, std::mt19937& random)
{
    Block b(16);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float base = std::exp2(unit(random) * 12.0f - 6.0f);
    for (unsigned p = 0; p < 16; ++p) {
        const float t = static_cast<float>(p) / 15.0f;
        switch (kind) {
        case 0:
            b[p] = {base * std::exp2(3.0f * t), base * std::exp2(2.0f * t), base, 1.0f};
            break;
        case 3:
            b[p] = {base * std::exp2(0.1f * t), base * std::exp2(0.05f * t), base, 1.0f};
            continue;
        case 1:
            b[p] = p % 4 < 2 ? FloatColor{base, base * 0.5f, base * 0.25f, 1.0f}
                             : FloatColor{base * 20.0f, base * 30.0f, base * 8.0f, 1.0f};
            break;
        default:
            b[p] = {base * std::exp2(8.0f * unit(random)), base * std::exp2(8.0f * unit(random)),
                    base * std::exp2(8.0f * unit(random)), 1.0f};
        }
        if (isSigned && p % 3 == 0)
            b[p].g = -b[p].g;
    }
    return b;
}

TEST(Bc6hEncoder, EveryModeDecodesToWhatItPredictsWithTheErrorItReports)
{
    std::mt19937 random(23);
    for (bool isSigned : {false, true})
        for (unsigned mode = 0; mode < std::size(bc6h::kModes); ++mode)
            for (unsigned kind = 0; kind < 4; ++kind) {
                const Block pixels = MakeBlock(kind, isSigned, random);
                Bc6hRequest request;
                request.isSigned = isSigned;
                request.onlyMode = static_cast<int>(mode);
                BYTE block[16];
                FloatColor predicted[16], decoded[16];
                const float error = EncodeBlockBC6H(block, pixels.data(), nullptr, request, predicted);
                Decode(isSigned, decoded, block);
                const std::string label = std::string(isSigned ? "signed" : "unsigned") + " mode " +
                                          std::to_string(mode) + " kind " + std::to_string(kind);
                EXPECT_EQ(ModeCodeOf(block), bc6h::kModes[mode].code) << label;
                for (unsigned p = 0; p < 16; ++p)
                    for (unsigned c = 0; c < 3; ++c)
                        ASSERT_EQ((&decoded[p].r)[c], (&predicted[p].r)[c]) << label << " pixel " << p;
                const double measured = PlaceError(pixels, decoded, isSigned);
                EXPECT_NEAR(error, measured, 1e-5 * measured + 1e-3) << label;
                // The differences of every mode but the one of 16-bit
                // endpoints reach over a tenth of a stop (102 places): the
                // ramp is then met to within half a step of the mode's
                // endpoints and a few places.
                const unsigned magnitudeBits = bc6h::kModes[mode].precision - (isSigned ? 1 : 0);
                const double step = 31744.0 / std::exp2(magnitudeBits);
                if (kind == 3 && mode != 13) {
                    EXPECT_LT(std::sqrt(measured / 48.0), step / 2 + 8.0) << label;
                }
            }
}

TEST(Bc6hEncoder, EachLevelDoesAtLeastAsWellAsTheOneBelow)
{
    for (bool isSigned : {false, true})
        for (unsigned kind = 0; kind < 4; ++kind) {
            double previous = 1e300;
            for (BlockQuality level : kLevels) {
                std::mt19937 random(7); // the same blocks at every level
                double sum = 0.0;
                for (unsigned trial = 0; trial < 20; ++trial) {
                    const Block pixels = MakeBlock(kind, isSigned, random);
                    Bc6hRequest request;
                    request.isSigned = isSigned;
                    request.quality = level;
                    BYTE block[16];
                    sum += EncodeBlockBC6H(block, pixels.data(), nullptr, request, nullptr);
                }
                EXPECT_LE(sum, previous) << (isSigned ? "signed" : "unsigned") << " kind " << kind;
                previous = sum;
            }
        }
}

TEST(Bc6hEncoder, OneColourIsExactToTheHalf)
{
    const float kValues[] = {0.0f, 3.0e-6f, 6.1e-5f, 0.25f, 1.0f, 3.14159f, 1000.5f, 65504.0f, -2.5f, -65504.0f};
    for (bool isSigned : {false, true})
        for (BlockQuality level : kLevels)
            for (float value : kValues) {
                if (!isSigned && value < 0.0f)
                    continue;
                const Block pixels(16, FloatColor{value, value * 0.5f, -value * (isSigned ? 0.125f : -0.125f), 1.0f});
                Bc6hRequest request;
                request.isSigned = isSigned;
                request.quality = level;
                BYTE block[16];
                FloatColor decoded[16];
                EncodeBlockBC6H(block, pixels.data(), nullptr, request, nullptr);
                Decode(isSigned, decoded, block);
                for (unsigned p = 0; p < 16; ++p)
                    for (unsigned c = 0; c < 3; ++c)
                        ASSERT_EQ((&decoded[p].r)[c], HalfToFloat(FloatToHalf((&pixels[p].r)[c])))
                            << value << (isSigned ? " signed" : " unsigned") << " channel " << c;
            }
}

TEST(Bc6hEncoder, WildInputsNeverDecodeToInfinityOrNaN)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float kWild[] = {nan, inf, -inf, 1.0e30f, -1.0e30f, 65504.0f, -65504.0f, 65520.0f, -65520.0f, -1.0f, 0.0f, 1.0e-30f};
    std::mt19937 random(5);
    for (bool isSigned : {false, true})
        for (BlockQuality level : kLevels)
            for (unsigned trial = 0; trial < 60; ++trial) {
                Block pixels(16);
                for (FloatColor& c : pixels)
                    c = {kWild[random() % std::size(kWild)], kWild[random() % std::size(kWild)],
                         kWild[random() % std::size(kWild)], 1.0f};
                // Blocks of the most negative value alone reach the ends of
                // every mode's range, where -32768 would be -infinity.
                if (trial < 2)
                    for (FloatColor& c : pixels)
                        c = {trial ? -inf : -65504.0f, -65504.0f, trial ? 65504.0f : -65504.0f, 1.0f};
                Bc6hRequest request;
                request.isSigned = isSigned;
                request.quality = level;
                for (int mode = trial < 2 ? 0 : -1; mode < (trial < 2 ? 14 : 0); ++mode) {
                    request.onlyMode = mode;
                    BYTE block[16];
                    FloatColor decoded[16];
                    EncodeBlockBC6H(block, pixels.data(), nullptr, request, nullptr);
                    Decode(isSigned, decoded, block);
                    for (const FloatColor& c : decoded)
                        for (float v : {c.r, c.g, c.b}) {
                            ASSERT_TRUE(std::isfinite(v)) << "trial " << trial << " mode " << mode;
                            ASSERT_TRUE(isSigned || v >= 0.0f) << "trial " << trial;
                        }
                }
            }
}

} // namespace
