#include "r3az8/tex/convert/convert_pipeline.h"

#include "r3az8/tex/astc/astc_conversion.h"
#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/convert/banded_chain.h"
#include "r3az8/tex/convert/chain_from_top.h"
#include "r3az8/tex/convert/float_repair.h"
#include "r3az8/tex/convert/colour_space.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/convert/whole_chain.h"
#include "r3az8/tex/files/warnings.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>

namespace r3az8tex {
namespace {

// Resampling, mips and renormalisation work in 16 bits per channel, so that
// no level is made from an already quantised or compressed one; textures
// with floats on either side work in 32-bit floats, which keep values
// beyond 0..1 (normal maps excepted: their vectors lie in range).
D3DFORMAT WorkingFormat(D3DFORMAT source, D3DFORMAT output, VectorData data)
{
    const bool floats = FindFormat(source)->content == Content::Float || FindFormat(output)->content == Content::Float;
    return floats && data == VectorData::Colour ? FMT_A32B32G32R32F : FMT_A16R16G16B16;
}

// Sizes and level count of the result.
struct Plan {
    uint32_t width, height, depth, levels;
    bool resized;
    bool regenerate; // lower levels are made anew from level 0
};

Plan MakePlan(const TextureImage& source, const ConvertSettings& settings)
{
    Plan plan{source.width, source.height, source.depth, source.levels, false, false};
    if (settings.size) {
        plan.width = settings.size->width;
        plan.height = settings.size->height;
        if (settings.size->depth != 0) {
            if (source.kind != TextureKind::Volume && settings.size->depth != 1)
                throw TextureError(ErrorKind::Request, "--resize gives a depth, but the texture is not a volume");
            plan.depth = settings.size->depth;
        }
        if (source.kind == TextureKind::Cube && plan.width != plan.height)
            throw TextureError(ErrorKind::Request, "cube map faces must stay square, not " +
                                                       SizeText(plan.width, plan.height, 1));
        if (plan.width == 0 || plan.height == 0 || plan.depth == 0 || plan.width > kMaxSide ||
            plan.height > kMaxSide || plan.depth > kMaxSide)
            throw TextureError(ErrorKind::Request, "--resize " + SizeText(plan.width, plan.height, plan.depth) +
                                                       " is outside 1.." + std::to_string(kMaxSide) + " per side");
        plan.resized = plan.width != source.width || plan.height != source.height || plan.depth != source.depth;
    }
    const uint32_t chain = FullChainLength(plan.width, plan.height, plan.depth);
    if (settings.mips) {
        plan.levels = *settings.mips == 0 ? chain : *settings.mips;
        if (plan.levels > chain)
            throw TextureError(ErrorKind::Request, "--mips " + std::to_string(plan.levels) + " exceeds the " +
                                                       std::to_string(chain) + " levels of a " +
                                                       SizeText(plan.width, plan.height, plan.depth) + " texture");
        plan.regenerate = true;
    } else if (settings.defaultMips == DefaultMips::FullChain && source.levels == 1) {
        plan.levels = chain;
        plan.regenerate = chain > 1;
    } else if (plan.resized) {
        // A resized texture keeps as many levels as its new size allows.
        plan.levels = std::min(source.levels, chain);
        plan.regenerate = plan.levels > 1;
    }
    return plan;
}

bool AnyAlphaBelowFull(const TextureImage& argb)
{
    for (const std::vector<BYTE>& surface : argb.surfaces)
        for (size_t alpha = 3; alpha < surface.size(); alpha += 4)
            if (surface[alpha] != 0xFF)
                return true;
    return false;
}

// Whether any pixel of any level, after the colour key, has an alpha below
// 255, judged at the precision of A8R8G8B8: the usual A8R8G8B8 input is
// read as it is, anything else decoded to it first.
bool HasTransparency(const TextureImage& source, D3DCOLOR colorKey)
{
    if (!source.Format().HasAlpha() && colorKey == 0)
        return false;
    if (source.format == D3DFMT_A8R8G8B8 && colorKey == 0)
        return AnyAlphaBelowFull(source);
    LoadOptions keyed;
    keyed.colorKey = colorKey;
    return AnyAlphaBelowFull(ConvertLevels(source, D3DFMT_A8R8G8B8, source.levels, keyed));
}

D3DFORMAT DefaultFormatOf(const TextureImage& source, const ConvertSettings& settings)
{
    // A format the library reads but cannot encode is not kept: floats go
    // to half floats, data to 8:8:8:8, colour to what any colour source
    // gets.
    const FormatInfo& format = source.Format();
    const bool writable = LibraryEncodes(source.format);
    if (!writable && format.content == Content::Float)
        return FMT_A16B16G16R16F;
    if (!writable && (format.content != Content::Colour || settings.defaultFormat == DefaultFormat::Source))
        return D3DFMT_A8R8G8B8;
    if (writable && (settings.defaultFormat == DefaultFormat::Source || format.IsBlockCompressed() ||
                     !HoldsColour(source.format)))
        return source.format;
    // Premultiplied alpha is stored as DXT4, made from DXT5.
    if (settings.alpha == OutputAlpha::Premultiplied || HasTransparency(source, settings.colorKey))
        return D3DFMT_DXT5;
    return D3DFMT_DXT1;
}

// Whether the last step goes through the quality encoder rather than the
// library's conversion.
bool UsesQualityEncoder(D3DFORMAT output, const ConvertSettings& settings)
{
    return RunsQualityEncoder(output, settings.quality);
}

QualityOptions MakeQualityOptions(D3DFORMAT output, const ConvertSettings& settings)
{
    QualityOptions options;
    options.quality = settings.quality;
    const bool data = settings.data == VectorData::NormalMap || FindFormat(output)->content != Content::Colour;
    const bool uniform = settings.weights == ErrorWeights::Automatic ? data : settings.weights == ErrorWeights::Uniform;
    options.weighting = uniform ? ColorWeighting::Uniform : ColorWeighting::Perceptual;
    return options;
}

} // namespace

bool LibraryEncodes(D3DFORMAT format)
{
    // The format table marks a block format written exactly when its block
    // row has an encoder (the format table's test holds the two together).
    return FindFormat(format)->IsWritable();
}

MissingZ MissingZOf(D3DFORMAT format)
{
    return (FindFormat(format)->channels & kBlue) ? MissingZ::Keep : MissingZ::Rebuild;
}

bool HoldsColour(D3DFORMAT format)
{
    const Content content = FindFormat(format)->content;
    return content == Content::Colour || content == Content::Luminance || content == Content::Paletted;
}

D3DFORMAT ResolveOutputFormat(const TextureImage& source, const ConvertSettings& settings)
{
    D3DFORMAT format = settings.format != nullptr ? settings.format->format : DefaultFormatOf(source, settings);
    // The repair's count of negatives an unsigned result would lose is the
    // same scan the conversion makes anyway.
    if (settings.signFromSource && format == FMT_BC6H_UF16 && FindFloatRepairs(source, format).negative > 0)
        format = FMT_BC6H_SF16;
    // A float input keeps its light in ASTC's HDR form rather than clipped to 0..1.
    if (settings.signFromSource && IsAstcFormat(format) && FindFormat(source.format) != nullptr &&
        FindFormat(source.format)->content == Content::Float)
        format = AstcFloatForm(format);
    if (settings.alpha == OutputAlpha::Premultiplied) {
        // The DXT2 and DXT4 encoders multiply colour by alpha themselves.
        if (format == D3DFMT_DXT3)
            format = D3DFMT_DXT2;
        else if (format == D3DFMT_DXT5)
            format = D3DFMT_DXT4;
        else if (format != D3DFMT_DXT2 && format != D3DFMT_DXT4)
            throw TextureError(ErrorKind::Request, "--premultiply needs dxt3 or dxt5 output (stored as dxt2 or "
                                                   "dxt4), not " + FormatName(format));
    }
    if (FindFormat(format)->content == Content::Paletted && !source.palette)
        throw TextureError(ErrorKind::Unsupported, "converting to " + FormatName(format) +
                                                   " needs the source's palette; palettes are not made");
    return format;
}

namespace {

// What the result's values mean: a colour result keeps the source's tag,
// or takes the one asked for; vectors, data and floats have none.
ColourSpace ResultColourSpace(const TextureImage& source, D3DFORMAT output, const ConvertSettings& settings)
{
    if (settings.data == VectorData::NormalMap || !HoldsColour(output))
        return ColourSpace::Unspecified;
    return settings.colourSpace == ColourSpace::Srgb ? ColourSpace::Srgb : source.colourSpace;
}

// Everything the levels are made with, decided once.
struct Steps {
    D3DFORMAT output;
    Plan plan;
    D3DFORMAT working;
    LoadOptions finalStep;
    BlockEncoding encoding;
    bool keepTop; // level 0 is the source's, copied after the levels are made
};

// The source's levels in the output format: converted, resampled or made
// anew, by band where the work allows it.
TextureImage MakeLevels(const TextureImage& source, const ConvertSettings& settings, const Steps& steps,
                        WorkPool& pool, const RowArrival* arrival)
{
    auto waitForAll = [arrival] {
        if (arrival != nullptr)
            arrival->WaitForAll();
    };
    const Plan& plan = steps.plan;
    const bool normalMap = settings.data == VectorData::NormalMap;
    LoadOptions finalStep = steps.finalStep;

    // Plain conversion: every level to the new format, nothing resampled.
    if (!plan.resized && !plan.regenerate && !normalMap) {
        finalStep.colorKey = settings.colorKey;
        return ConvertInBands(source, steps.output, plan.levels, finalStep, steps.encoding, pool, arrival);
    }
    LoadOptions resample;
    resample.filter = settings.resizeFilter | settings.edgeFlags;
    resample.colorKey = settings.colorKey;
    if (plan.resized)
        waitForAll();
    if (plan.resized && plan.levels == 1 && !normalMap) {
        resample.filter |= settings.ditherFlag;
        resample.destinationPalette = finalStep.destinationPalette;
        if (steps.encoding.ChangesPixels())
            return ConvertInBands(source.kind == TextureKind::Volume
                                      ? ResampleTop(source, steps.working, plan.width, plan.height, plan.depth, resample)
                                      : ResampleWorkingTop(source, steps.working, plan.width, plan.height, resample, pool),
                                  steps.output, 1, finalStep, steps.encoding, pool);
        return ResampleTop(source, steps.output, plan.width, plan.height, plan.depth, resample);
    }

    ChainRecipe recipe{};
    recipe.width = plan.width;
    recipe.height = plan.height;
    recipe.depth = plan.depth;
    recipe.levels = plan.levels;
    recipe.resized = plan.resized;
    recipe.regenerate = plan.regenerate;
    recipe.working = steps.working;
    recipe.output = steps.output;
    recipe.resample = resample;
    recipe.finalStep = finalStep;
    recipe.encoding = steps.encoding;
    recipe.mipFilter = settings.mipFilter ? *settings.mipFilter | settings.edgeFlags : IMAGE_FILTER_DEFAULT;
    // Level 0 keeps its exact stored values; only the new levels pass back
    // through the curve.
    recipe.linearLight = plan.regenerate && settings.mipSpace == MipSpace::LinearLight && !normalMap &&
                         steps.working == FMT_A16R16G16B16 && HoldsColour(source.format) &&
                         HoldsColour(steps.output) && plan.levels > 1;
    recipe.normalMap = normalMap;
    recipe.missingZ = MissingZOf(source.format);
    recipe.keepTop = steps.keepTop;
    if (ChainHalvesWithBox(recipe, source.kind))
        return MakeChainInBands(source, recipe, pool, arrival);
    if (ChainNeedsBands(recipe, source.kind))
        return MakeChainFromTop(source, recipe, pool, arrival);
    waitForAll();
    if (!steps.encoding.ChangesPixels())
        return MakeChainWhole(source, recipe, pool);
    // The chain's final values in the working format, then the encoder.
    recipe.output = steps.working;
    recipe.workingCopy = true;
    recipe.encoding = {};
    recipe.finalStep = LoadOptions{};
    recipe.finalStep.filter = IMAGE_FILTER_POINT;
    return ConvertInBands(MakeChainWhole(source, recipe, pool), steps.output, plan.levels, finalStep, steps.encoding,
                          pool);
}

// Whether a DXT1 source's level 0 already has the one-bit alpha the cut
// would give it: its alpha is 0 or 255, which any threshold above 0 keeps.
bool CutKeepsAlpha(const TextureImage& source, uint32_t threshold)
{
    return source.format == D3DFMT_DXT1 && (threshold > 0 || !HasTransparency(source, 0));
}

TextureImage ConvertPixels(const TextureImage& source, const ConvertSettings& settings, WorkPool& pool,
                           const RowArrival* arrival)
{
    // Work that is not done in bands reads the whole source; so does the
    // automatic format, which looks at every alpha.
    if (settings.format == nullptr && arrival != nullptr)
        arrival->WaitForAll();
    Steps steps{};
    steps.output = ResolveOutputFormat(source, settings);
    steps.plan = MakePlan(source, settings);
    const Plan& plan = steps.plan;
    const bool normalMap = settings.data == VectorData::NormalMap;
    const bool plainCopy = !plan.resized && !plan.regenerate && !normalMap && settings.colorKey == 0;
    if (!LibraryEncodes(steps.output) && !(plainCopy && steps.output == source.format))
        throw TextureError(ErrorKind::Unsupported, FormatName(steps.output) +
                                                   " can be read but not encoded; choose another --format");
    steps.working = WorkingFormat(source.format, steps.output, settings.data);
    steps.finalStep.filter = IMAGE_FILTER_POINT | settings.ditherFlag;
    if (FindFormat(steps.output)->content == Content::Paletted)
        steps.finalStep.destinationPalette = source.palette;
    if (UsesQualityEncoder(steps.output, settings))
        steps.encoding.quality = MakeQualityOptions(steps.output, settings);
    // A DXT1 result's one-bit alpha is the user's choice, not the encoders'
    // (which would punch holes wherever alpha falls below one half).
    if (steps.output == D3DFMT_DXT1 && settings.dxt1AlphaThreshold &&
        (source.Format().HasAlpha() || settings.colorKey != 0))
        steps.encoding.alphaCut = settings.dxt1AlphaThreshold;

    // Blocks (or pixels) already in the output format whose level 0 the
    // request leaves as it is pass through unchanged: decoding and
    // encoding them again would only lose more. Made levels below still
    // come from the decoded top level.
    steps.keepTop = steps.output == source.format && !plan.resized && !normalMap && settings.colorKey == 0 &&
                         (!steps.encoding.alphaCut || CutKeepsAlpha(source, *steps.encoding.alphaCut));
    if (steps.keepTop && plainCopy) {
        if (arrival != nullptr)
            arrival->WaitForAll();
        TextureImage copy = TextureShape(source.format, source.kind, source.width, source.height, source.depth,
                                         plan.levels);
        copy.palette = source.palette;
        for (uint32_t face = 0; face < copy.Faces(); ++face)
            for (uint32_t level = 0; level < plan.levels; ++level)
                copy.Surface(face, level) = source.Surface(face, level);
        return copy;
    }
    TextureImage result = MakeLevels(source, settings, steps, pool, arrival);
    if (steps.keepTop)
        for (uint32_t face = 0; face < result.Faces(); ++face)
            result.Surface(face, 0) = source.Surface(face, 0);
    return result;
}

// The conversion of a source whose float values, if any, are fit to filter.
TextureImage ConvertRepaired(const TextureImage& source, const ConvertSettings& settings, WorkPool& pool,
                             const RowArrival* arrival)
{
    // The library's loads do not hold ASTC: those conversions decode or
    // encode around the steps below.
    if (InvolvesAstc(source, settings))
        return ConvertWithAstc(source, settings, pool, arrival);
    TextureImage result = ConvertPixels(source, settings, pool, arrival);
    result.colourSpace = ResultColourSpace(source, result.format, settings);
    return result;
}

} // namespace

TextureImage ConvertTexture(const TextureImage& source, const ConvertSettings& settings, WorkPool& pool,
                            const RowArrival* arrival)
{
    if (HasFloatChannels(source.format)) {
        if (arrival != nullptr)
            arrival->WaitForAll();
        const D3DFORMAT output = ResolveOutputFormat(source, settings);
        const FloatRepairs found = FindFloatRepairs(source, output);
        if (found.clipped > 0 && !settings.sourceName.empty())
            Warn(settings.sourceName, found.ClippingText(output));
        if (found.Total() > 0) {
            TextureImage repaired = source;
            RepairFloats(repaired, output);
            if (!settings.sourceName.empty())
                Warn(settings.sourceName, found.Text());
            return ConvertRepaired(repaired, settings, pool, nullptr);
        }
    }
    return ConvertRepaired(source, settings, pool, arrival);
}

} // namespace r3az8tex
