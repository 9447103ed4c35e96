#include "r3az8/tex/astc/astc_conversion.h"

#include "r3az8/tex/astc/astc_codec.h"
#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/convert/row_arrival.h"

namespace r3az8tex {
namespace {

// Whether the request keeps the source's size, levels and pixels, so that
// blocks already in the output format are kept as they are.
bool KeepsSize(const TextureImage& source, const ConvertSettings& settings)
{
    if (!settings.size)
        return true;
    const uint32_t depth = settings.size->depth == 0 ? source.depth : settings.size->depth;
    return settings.size->width == source.width && settings.size->height == source.height && depth == source.depth;
}

bool KeepsPixels(const TextureImage& source, const ConvertSettings& settings)
{
    return KeepsSize(source, settings) && settings.data == VectorData::Colour && settings.colorKey == 0;
}

bool KeepsLevels(const TextureImage& source, const ConvertSettings& settings)
{
    const bool madeChain = settings.defaultMips == DefaultMips::FullChain && source.levels == 1 &&
                           FullChainLength(source.width, source.height, source.depth) > 1;
    return !settings.mips && !madeChain;
}

// What libastcenc is asked for: the quality level, the profile of the
// result's colour space, and perceptual channel weights only when the user
// asks for them (its default counts channels alike, as its command line
// does, which also suits normal maps and data).
AstcEncoding EncodingOf(const ConvertSettings& settings, ColourSpace resultSpace)
{
    AstcEncoding encoding;
    encoding.quality = settings.quality;
    encoding.colourSpace = resultSpace;
    encoding.perceptual = settings.weights == ErrorWeights::Perceptual;
    return encoding;
}

} // namespace

bool InvolvesAstc(const TextureImage& source, const ConvertSettings& settings)
{
    return IsAstcFormat(source.format) || (settings.format != nullptr && IsAstcFormat(settings.format->format));
}

TextureImage ConvertWithAstc(const TextureImage& source, const ConvertSettings& settings, WorkPool& pool,
                             const RowArrival* arrival)
{
    const bool astcSource = IsAstcFormat(source.format);
    if (astcSource && arrival != nullptr)
        arrival->WaitForAll();
    // Refusals of the request come before any work.
    const D3DFORMAT output = ResolveOutputFormat(source, settings);
    const bool keepTop = astcSource && output == source.format && KeepsPixels(source, settings);
    if (keepTop && KeepsLevels(source, settings)) {
        TextureImage copy = source;
        copy.colourSpace = settings.colourSpace == ColourSpace::Srgb ? ColourSpace::Srgb : source.colourSpace;
        return copy;
    }

    const TextureImage decoded = astcSource ? DecodeAstc(source, source.levels) : TextureImage{};
    const TextureImage& pixels = astcSource ? decoded : source;
    const RowArrival* pixelsArrival = astcSource ? nullptr : arrival;
    ConvertSettings steps = settings;
    if (!IsAstcFormat(output)) {
        steps.format = FindFormat(output);
        return ConvertTexture(pixels, steps, pool, pixelsArrival);
    }
    // Everything up to the blocks (resizing, mips, colour key) in 8-bit
    // pixels, which is what libastcenc's LDR profiles take, or in 32-bit
    // floats for its HDR profile.
    steps.format = FindFormat(IsAstcFloatFormat(output) ? FMT_A32B32G32R32F : D3DFMT_A8R8G8B8);
    steps.signFromSource = false;
    steps.sourceName.clear(); // what float values lose was said of the ASTC output already
    const TextureImage working = ConvertTexture(pixels, steps, pool, pixelsArrival);
    TextureImage result = EncodeAstc(working, output, EncodingOf(settings, working.colourSpace), pool);
    if (keepTop)
        for (uint32_t face = 0; face < result.Faces(); ++face)
            result.Surface(face, 0) = source.Surface(face, 0);
    return result;
}

} // namespace r3az8tex
