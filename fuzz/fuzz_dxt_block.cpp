// The block codecs on arbitrary blocks and arbitrary pixels, every format
// of the block format table.
//
// Decoders get any 8 or 16 bytes; encoders get pixels with NaNs,
// infinities, signed zeros, denormals and values far outside 0..1. Besides
// running clean under the sanitizers, every call must keep the codec's
// promises: decoded channels lie in 0..1 (BC6H: in the half-float range),
// channels a format does not store read as 0 and alpha as 1, the encoders
// leave their input alone and give the same bytes every time, the
// multi-block encoder gives exactly the one-block encoder's bytes, and the
// building blocks stay in their ranges. The quality encoder, on the same
// kinds of pixels with any pixels uncovered, gives the bytes of each block
// encoded alone (for the DXT lane kernel: the one-lane build's), which
// decode inside their channels.
#include "fuzz/fuzz_support.h"
#include "r3az8/tex/codecs/block_formats.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

using fuzzing::Fail;

// Rows of the block format table, picked by a fuzzed index among those
// `wanted` keeps.
template <class Wanted>
const BlockFormat& PickFormat(FuzzedDataProvider& data, Wanted wanted)
{
    std::size_t rows[kBlockFormatCount];
    std::size_t count = 0;
    for (std::size_t index = 0; index < kBlockFormatCount; ++index)
        if (wanted(kBlockFormats[index]))
            rows[count++] = index;
    return kBlockFormats[rows[data.ConsumeIntegralInRange<std::size_t>(0, count - 1)]];
}

bool InUnitRange(float value) { return value >= 0.0f && value <= 1.0f; }

// BC6H decodes to half floats, never NaN: the unsigned form 0..65504, the
// signed one up to 65504 and down to -infinity (a 16-bit endpoint of
// -32768 scales to the half bits of -infinity). The others decode to 0..1.
bool InDecodedRange(D3DFORMAT format, float value)
{
    if (format == FMT_BC6H_UF16)
        return value >= 0.0f && value <= 65504.0f;
    if (format == FMT_BC6H_SF16)
        return value <= 65504.0f && !std::isnan(value);
    return InUnitRange(value);
}

// Decodes a block into a block of exactly 16 pixels and checks every channel.
FUZZ_UNSTEERED
void DecodeChecked(const BlockFormat& format, const BYTE* block, FloatColor* pixels, const char* what)
{
    if (format.decode(pixels, block) != S_OK)
        Fail("decoder of format 0x%08X failed on %s", unsigned(format.format), what);
    for (UINT i = 0; i < kBlockPixels; ++i) {
        const FloatColor& p = pixels[i];
        if (!InDecodedRange(format.format, p.r) || !InDecodedRange(format.format, p.g) ||
            !InDecodedRange(format.format, p.b) || !InUnitRange(p.a))
            Fail("decoder of format 0x%08X gave (%g, %g, %g, %g) at pixel %u of %s", unsigned(format.format), p.r, p.g,
                 p.b, p.a, i, what);
        // Channels the format does not store read as 0, alpha as 1.
        for (int c = format.channels; c < 4; ++c)
            if ((&p.r)[c] != (c == 3 ? 1.0f : 0.0f))
                Fail("decoder of format 0x%08X gave channel %d = %g at pixel %u of %s", unsigned(format.format), c,
                     (&p.r)[c], i, what);
    }
}

// Pixels for one block: independent channels, or a few colours repeated
// (which is where the endpoint searches take their special paths).
void PickPixels(FuzzedDataProvider& data, FloatColor* pixels)
{
    if (data.ConsumeBool()) {
        for (UINT i = 0; i < kBlockPixels; ++i)
            pixels[i] = {fuzzing::PickFloat(data), fuzzing::PickFloat(data), fuzzing::PickFloat(data),
                         fuzzing::PickFloat(data)};
        return;
    }
    FloatColor palette[3];
    for (FloatColor& colour : palette)
        colour = {fuzzing::PickFloat(data), fuzzing::PickFloat(data), fuzzing::PickFloat(data),
                  fuzzing::PickFloat(data)};
    UINT used = data.ConsumeIntegralInRange(1u, 3u);
    for (UINT i = 0; i < kBlockPixels; ++i)
        pixels[i] = palette[data.ConsumeIntegralInRange(0u, used - 1)];
}

void CheckDecoding(FuzzedDataProvider& data)
{
    const BlockFormat& format = PickFormat(data, [](const BlockFormat&) { return true; });
    const UINT bytes = BlockBytesOf(format.format);
    std::unique_ptr<BYTE[]> block(new BYTE[bytes]);
    fuzzing::FillBytes(data, block.get(), bytes);
    std::unique_ptr<FloatColor[]> first(new FloatColor[kBlockPixels]);
    std::unique_ptr<FloatColor[]> second(new FloatColor[kBlockPixels]);
    DecodeChecked(format, block.get(), first.get(), "a fuzzed block");
    DecodeChecked(format, block.get(), second.get(), "the same block again");
    if (std::memcmp(first.get(), second.get(), kBlockPixels * sizeof(FloatColor)) != 0)
        Fail("decoding the same block twice gave different pixels");
}

// One format per input, chosen by the fuzzer: the formats of the fixed
// encoder share their colour half and differ in the alpha half, so all of
// them on every input would only repeat the shared work.
void CheckEncoding(FuzzedDataProvider& data)
{
    const BlockFormat& format =
        PickFormat(data, [](const BlockFormat& row) { return row.fixedEncoder == EncodeBlocks; });
    const UINT bytes = BlockBytesOf(format.format);
    // Up to four blocks, for the multi-block encoder.
    const UINT count = data.ConsumeIntegralInRange(1u, 4u);
    std::unique_ptr<FloatColor[]> pixels(new FloatColor[count * kBlockPixels]);
    for (UINT k = 0; k < count; ++k)
        PickPixels(data, pixels.get() + k * kBlockPixels);
    std::unique_ptr<FloatColor[]> untouched(new FloatColor[count * kBlockPixels]);
    std::memcpy(untouched.get(), pixels.get(), count * kBlockPixels * sizeof(FloatColor));

    std::unique_ptr<BYTE[]> single(new BYTE[count * bytes]);
    std::unique_ptr<BYTE[]> again(new BYTE[bytes]);
    std::unique_ptr<BYTE[]> together(new BYTE[count * bytes]);
    for (UINT k = 0; k < count; ++k) {
        const FloatColor* block = pixels.get() + k * kBlockPixels;
        if (block_one::EncodeBlocks(format.format, single.get() + k * bytes, block, 1) != S_OK)
            Fail("encoder of format 0x%08X failed", unsigned(format.format));
        block_one::EncodeBlocks(format.format, again.get(), block, 1);
        if (std::memcmp(again.get(), single.get() + k * bytes, bytes) != 0)
            Fail("encoder of format 0x%08X gave different bytes for the same pixels", unsigned(format.format));
    }
    if (std::memcmp(pixels.get(), untouched.get(), count * kBlockPixels * sizeof(FloatColor)) != 0)
        Fail("encoder of format 0x%08X changed its input", unsigned(format.format));
    if (EncodeBlocks(format.format, together.get(), pixels.get(), count) != S_OK)
        Fail("EncodeBlocks refused format 0x%08X", unsigned(format.format));
    if (std::memcmp(together.get(), single.get(), count * bytes) != 0)
        Fail("EncodeBlocks and the one-block encoder disagree on format 0x%08X", unsigned(format.format));

    std::unique_ptr<FloatColor[]> decoded(new FloatColor[kBlockPixels]);
    for (UINT k = 0; k < count; ++k)
        DecodeChecked(format, single.get() + k * bytes, decoded.get(), "an encoded block");

    // Blocks whose outcome is fixed whatever the colours are.
    const FloatColor* first = pixels.get();
    bool allTransparent = true;
    bool allOpaque = true;
    for (UINT i = 0; i < kBlockPixels; ++i) {
        allTransparent = allTransparent && first[i].a < 0.5f;
        allOpaque = allOpaque && first[i].a == 1.0f;
    }
    if (allTransparent && format.format == D3DFMT_DXT1) {
        static const BYTE transparent[8] = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        if (std::memcmp(single.get(), transparent, 8) != 0)
            Fail("DXT1 block of 16 transparent pixels is not 00 00 FF FF FF FF FF FF");
    }
    if (allOpaque && format.format == D3DFMT_DXT5) {
        static const BYTE opaque[8] = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
        if (std::memcmp(single.get(), opaque, 8) != 0)
            Fail("DXT5 alpha half of an opaque block is not FF FF and six zeros");
    }
}

void CheckQualityEncoding(FuzzedDataProvider& data)
{
    const BlockFormat& row = PickFormat(data, [](const BlockFormat& entry) { return entry.qualityEncoder != nullptr; });
    const D3DFORMAT format = row.format;
    const bool uniform = data.ConsumeBool();
    // Up to five blocks: a full group of the baseline lanes and one more.
    // High, many times slower, takes one block, which the chosen flavour
    // still encodes among spare lanes.
    const UINT count = data.ConsumeIntegralInRange(1u, 5u);
    const bool high = count == 1 && data.ConsumeBool();
    std::unique_ptr<FloatColor[]> pixels(new FloatColor[count * kBlockPixels]);
    std::unique_ptr<BYTE[]> covered(new BYTE[count * kBlockPixels]);
    for (UINT k = 0; k < count; ++k)
        PickPixels(data, pixels.get() + k * kBlockPixels);
    for (UINT i = 0; i < count * kBlockPixels; ++i)
        covered[i] = data.ConsumeBool();

    const UINT bytes = QualityBlockBytes(format);
    std::unique_ptr<BYTE[]> together(new BYTE[count * bytes]);
    QualityOptions options;
    options.quality = high ? BlockQuality::High : BlockQuality::Normal;
    options.weighting = uniform ? ColorWeighting::Uniform : ColorWeighting::Perceptual;
    if (EncodeQualityBlocks(format, together.get(), pixels.get(), covered.get(), count, options) != S_OK)
        Fail("EncodeQualityBlocks refused format 0x%08X", unsigned(format));
    const float weights[3] = {uniform ? 1.0f : 0.299f, uniform ? 1.0f : 0.587f, uniform ? 1.0f : 0.114f};
    const float scales[3] = {std::sqrt(weights[0]), std::sqrt(weights[1]), std::sqrt(weights[2])};
    std::unique_ptr<BYTE[]> alone(new BYTE[bytes]);
    std::unique_ptr<FloatColor[]> decoded(new FloatColor[kBlockPixels]);
    // Only the DXT lane kernel has a one-lane build; other encoders work a
    // block at a time and must give the same block alone.
    const bool lanes = row.qualityEncoder == EncodeQualityLanes;
    for (UINT k = 0; k < count; ++k) {
        const FloatColor* blockPixels = pixels.get() + k * kBlockPixels;
        const BYTE* blockCovered = covered.get() + k * kBlockPixels;
        if (lanes)
            block_one::EncodeQualityBlocks(format, alone.get(), blockPixels, blockCovered, 1, options.quality,
                                           weights, scales);
        else if (EncodeQualityBlocks(format, alone.get(), blockPixels, blockCovered, 1, options) != S_OK)
            Fail("EncodeQualityBlocks refused one block of format 0x%08X", unsigned(format));
        if (std::memcmp(alone.get(), together.get() + k * bytes, bytes) != 0)
            Fail("quality encoder of format 0x%08X: block %u differs from the block encoded %s", unsigned(format), k,
                 lanes ? "by the one-lane build" : "alone");
        DecodeChecked(row, alone.get(), decoded.get(), "a block of the quality encoder");
        // What an encoder writes never decodes to infinity, which a signed
        // BC6H endpoint of -32768 would.
        for (UINT i = 0; i < kBlockPixels; ++i)
            if (!std::isfinite(decoded[i].r) || !std::isfinite(decoded[i].g) || !std::isfinite(decoded[i].b))
                Fail("quality encoder of format 0x%08X wrote a block that decodes to infinity at pixel %u",
                     unsigned(format), i);
    }
}

void CheckBuildingBlocks(FuzzedDataProvider& data)
{
    // 5:6:5 quantisation: the stored colour is the clamped input within half
    // a step (NaN counts as 0).
    FloatColor colour = {fuzzing::PickFloat(data), fuzzing::PickFloat(data), fuzzing::PickFloat(data),
                         fuzzing::PickFloat(data)};
    FloatColor stored = Expand565(Quantize565(colour));
    auto clamped = [](float v) { return std::isnan(v) ? 0.0f : v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; };
    const float tolerance = 0.5f / 31.0f + 1e-6f;
    if (std::fabs(stored.r - clamped(colour.r)) > tolerance || std::fabs(stored.g - clamped(colour.g)) > tolerance ||
        std::fabs(stored.b - clamped(colour.b)) > tolerance || stored.a != 1.0f)
        Fail("Quantize565 of (%g, %g, %g) reads back as (%g, %g, %g, %g)", colour.r, colour.g, colour.b, stored.r,
             stored.g, stored.b, stored.a);

    // Alpha ramp ends stay in 0..1, and in order unless the search had
    // nothing to go on (no alpha strictly inside 0..1 with six steps, or
    // only NaNs).
    std::unique_ptr<float[]> alphas(new float[kBlockPixels]);
    bool anyNaN = false;
    for (UINT i = 0; i < kBlockPixels; ++i) {
        alphas[i] = fuzzing::PickFloat(data);
        anyNaN = anyNaN || std::isnan(alphas[i]);
    }
    const UINT steps = data.ConsumeBool() ? 6 : 8;
    float low = -1.0f;
    float high = -1.0f;
    FitAlphaEndpoints(alphas.get(), steps, &low, &high);
    const bool nothingToGoOn = (steps == 6 || anyNaN) && low == 1.0f && high == 0.0f;
    if (!InUnitRange(low) || !InUnitRange(high) || (low > high && !nothingToGoOn))
        Fail("FitAlphaEndpoints with %u steps gave lo %g, hi %g", steps, low, high);

    // Colour endpoints of any weighted colours: the search must finish.
    std::unique_ptr<WeightedColor[]> weighted(new WeightedColor[kBlockPixels]);
    for (UINT i = 0; i < kBlockPixels; ++i)
        weighted[i] = {fuzzing::PickFloat(data), fuzzing::PickFloat(data), fuzzing::PickFloat(data)};
    WeightedColor ends[2];
    FitColorEndpoints(weighted.get(), data.ConsumeBool() ? 3 : 4, &ends[0], &ends[1]);

    // Unpremultiply of in-range pixels stays in range, in place or not.
    std::unique_ptr<FloatColor[]> in(new FloatColor[kBlockPixels]);
    std::unique_ptr<FloatColor[]> out(new FloatColor[kBlockPixels]);
    for (UINT i = 0; i < kBlockPixels; ++i)
        in[i] = {data.ConsumeProbability<float>(), data.ConsumeProbability<float>(), data.ConsumeProbability<float>(),
                 data.ConsumeProbability<float>()};
    Unpremultiply(out.get(), in.get());
    Unpremultiply(in.get(), in.get());
    if (std::memcmp(out.get(), in.get(), kBlockPixels * sizeof(FloatColor)) != 0)
        Fail("Unpremultiply in place differs from Unpremultiply into a copy");
    for (UINT i = 0; i < kBlockPixels; ++i)
        if (!InUnitRange(out[i].r) || !InUnitRange(out[i].g) || !InUnitRange(out[i].b) || !InUnitRange(out[i].a))
            Fail("Unpremultiply left 0..1 at pixel %u", i);
    Premultiply(out.get(), out.get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
        CheckDecoding(data);
        break;
    case 1:
        CheckEncoding(data);
        break;
    case 2:
        CheckQualityEncoding(data);
        break;
    default:
        CheckBuildingBlocks(data);
        break;
    }
    return 0;
}
