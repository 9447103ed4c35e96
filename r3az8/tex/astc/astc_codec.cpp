#include "r3az8/tex/astc/astc_codec.h"

#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/texture/texture_error.h"

#include <astcenc.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace r3az8tex {
namespace {

// A8R8G8B8 holds blue, green, red, alpha in its bytes; libastcenc reads
// and writes 8-bit pixels as red, green, blue, alpha. Decoded pixels take
// the exchange through its swizzle (red given to the third byte).
constexpr astcenc_swizzle kToBgra = {ASTCENC_SWZ_B, ASTCENC_SWZ_G, ASTCENC_SWZ_R, ASTCENC_SWZ_A};
constexpr astcenc_swizzle kAsStored = {ASTCENC_SWZ_R, ASTCENC_SWZ_G, ASTCENC_SWZ_B, ASTCENC_SWZ_A};

// The pixels to encode are reordered once instead: libastcenc reads an
// image through a swizzle by another path than a plain one, and its blocks
// then differ now and then from those its own command line makes.
std::vector<BYTE> InRgbaOrder(const std::vector<BYTE>& bgra)
{
    std::vector<BYTE> rgba(bgra);
    for (size_t i = 0; i + 3 < rgba.size(); i += 4)
        std::swap(rgba[i], rgba[i + 2]);
    return rgba;
}

struct ContextFree {
    void operator()(astcenc_context* context) const { astcenc_context_free(context); }
};
using Context = std::unique_ptr<astcenc_context, ContextFree>;

void Check(astcenc_error status, const char* what)
{
    if (status != ASTCENC_SUCCESS)
        throw TextureError(ErrorKind::Internal,
                           std::string("libastcenc ") + what + ": " + astcenc_get_error_string(status));
}

const AstcFormat& AstcRowOf(D3DFORMAT format)
{
    const AstcFormat* row = FindAstcFormat(format);
    if (row == nullptr)
        throw TextureError(ErrorKind::Internal, FormatName(format) + " is not an ASTC format");
    return *row;
}

float PresetOf(BlockQuality quality)
{
    switch (quality) {
    case BlockQuality::Fast:
        return ASTCENC_PRE_FAST;
    case BlockQuality::High:
        return ASTCENC_PRE_THOROUGH;
    case BlockQuality::Normal:
        break;
    }
    return ASTCENC_PRE_MEDIUM;
}

// The HDR forms take libastcenc's HDR profile (colour and alpha both HDR),
// the LDR ones its sRGB or linear profile.
astcenc_profile ProfileOf(D3DFORMAT format, ColourSpace colourSpace)
{
    if (IsAstcFloatFormat(format))
        return ASTCENC_PRF_HDR;
    return colourSpace == ColourSpace::Srgb ? ASTCENC_PRF_LDR_SRGB : ASTCENC_PRF_LDR;
}

// The pixels an ASTC format is coded from and decoded to: 32-bit floats in
// red, green, blue, alpha order for the HDR forms, 8-bit BGRA otherwise.
D3DFORMAT PixelsOf(D3DFORMAT format) { return IsAstcFloatFormat(format) ? FMT_A32B32G32R32F : D3DFMT_A8R8G8B8; }

// The channel weights of the library's other encoders when they weigh
// colour perceptually (luma weights for red, green and blue, alpha whole).
constexpr float kPerceptualWeights[4] = {0.299f, 0.587f, 0.114f, 1.0f};

Context MakeContext(const AstcFormat& row, astcenc_profile profile, float preset, unsigned flags, unsigned threads,
                    bool perceptual = false)
{
    astcenc_config config{};
    Check(astcenc_config_init(profile, row.blockWidth, row.blockHeight, 1, preset, flags, &config), "configuration");
    if (perceptual) {
        config.cw_r_weight = kPerceptualWeights[0];
        config.cw_g_weight = kPerceptualWeights[1];
        config.cw_b_weight = kPerceptualWeights[2];
        config.cw_a_weight = kPerceptualWeights[3];
    }
    astcenc_context* context = nullptr;
    Check(astcenc_context_alloc(&config, threads, &context), "context");
    return Context(context);
}

// One slice of pixels as libastcenc takes and gives images. A
// volume goes slice by slice: libastcenc's 2D footprints read and write
// the first slice of a deeper image alone.
struct SliceImage {
    void* slice;
    astcenc_image image;

    SliceImage(const LevelLayout& layout, BYTE* pixels, bool floats)
        : slice(pixels), image{layout.width, layout.height, 1, floats ? ASTCENC_TYPE_F32 : ASTCENC_TYPE_U8, &slice}
    {
    }
    // The image points at the member beside it.
    SliceImage(const SliceImage&) = delete;
    SliceImage& operator=(const SliceImage&) = delete;
};

void CheckSurfaceBytes(const std::vector<BYTE>& surface, const LevelLayout& layout, const char* what)
{
    if (surface.size() != layout.bytes)
        throw TextureError(ErrorKind::Internal, std::string(what) + " surface of " + std::to_string(surface.size()) +
                                                    " bytes where its level holds " + std::to_string(layout.bytes));
}

} // namespace

TextureImage EncodeAstc(const TextureImage& pixels, D3DFORMAT format, const AstcEncoding& encoding, WorkPool& pool)
{
    const AstcFormat& row = AstcRowOf(format);
    const D3DFORMAT expected = PixelsOf(format);
    if (pixels.format != expected)
        throw TextureError(ErrorKind::Internal, FormatName(format) + " is encoded from " + FormatName(expected) +
                                                    ", not " + FormatName(pixels.format));
    const bool floats = IsAstcFloatFormat(format);
    const unsigned threads = pool.Threads();
    const Context context = MakeContext(row, ProfileOf(format, encoding.colourSpace), PresetOf(encoding.quality), 0,
                                        threads, encoding.perceptual);

    TextureImage blocks = TextureShape(format, pixels.kind, pixels.width, pixels.height, pixels.depth, pixels.levels);
    blocks.colourSpace = pixels.colourSpace;
    std::vector<astcenc_error> outcomes(threads);
    for (uint32_t face = 0; face < pixels.Faces(); ++face)
        for (uint32_t level = 0; level < pixels.levels; ++level) {
            const LevelLayout from = pixels.Level(level);
            CheckSurfaceBytes(pixels.Surface(face, level), from, "pixel");
            // Float pixels are in libastcenc's order already.
            std::vector<BYTE> rgba = floats ? pixels.Surface(face, level) : InRgbaOrder(pixels.Surface(face, level));
            std::vector<BYTE>& out = blocks.Surface(face, level);
            const LevelLayout to = blocks.Level(level);
            out.assign(to.bytes, 0);
            for (uint32_t slice = 0; slice < from.depth; ++slice) {
                SliceImage image(from, rgba.data() + slice * from.slicePitch, floats);
                BYTE* sliceBlocks = out.data() + slice * to.slicePitch;
                // Every thread joins the one compression; libastcenc hands
                // out the blocks, and a thread that arrives after the last
                // block merely finds none left.
                pool.ForEach(threads, [&](size_t index) {
                    outcomes[index] = astcenc_compress_image(context.get(), &image.image, &kAsStored, sliceBlocks,
                                                             to.slicePitch, static_cast<unsigned>(index));
                });
                for (astcenc_error outcome : outcomes)
                    Check(outcome, "compression");
                Check(astcenc_compress_reset(context.get()), "reset");
            }
        }
    return blocks;
}

TextureImage DecodeAstc(const TextureImage& blocks, uint32_t levels)
{
    const AstcFormat& row = AstcRowOf(blocks.format);
    if (levels == 0 || levels > blocks.levels)
        throw TextureError(ErrorKind::Internal,
                           "decoding " + std::to_string(levels) + " levels of " + std::to_string(blocks.levels));
    const bool floats = IsAstcFloatFormat(blocks.format);
    const Context context = MakeContext(row, ProfileOf(blocks.format, blocks.colourSpace), ASTCENC_PRE_FASTEST,
                                        ASTCENC_FLG_DECOMPRESS_ONLY, 1);
    TextureImage pixels = MakeTexture(PixelsOf(blocks.format), blocks.kind, blocks.width, blocks.height, blocks.depth, levels);
    pixels.colourSpace = blocks.colourSpace;
    for (uint32_t face = 0; face < blocks.Faces(); ++face)
        for (uint32_t level = 0; level < levels; ++level) {
            const std::vector<BYTE>& in = blocks.Surface(face, level);
            const LevelLayout from = blocks.Level(level);
            const LevelLayout to = pixels.Level(level);
            CheckSurfaceBytes(in, from, blocks.Format().name);
            for (uint32_t slice = 0; slice < to.depth; ++slice) {
                SliceImage image(to, pixels.Surface(face, level).data() + slice * to.slicePitch, floats);
                Check(astcenc_decompress_image(context.get(), in.data() + slice * from.slicePitch, from.slicePitch,
                                               &image.image, floats ? &kAsStored : &kToBgra, 0),
                      "decompression");
                Check(astcenc_decompress_reset(context.get()), "reset");
            }
        }
    return pixels;
}

} // namespace r3az8tex
