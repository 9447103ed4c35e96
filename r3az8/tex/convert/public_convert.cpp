// The public conversion calls: options in a program's terms mapped onto the
// pipeline's settings the way r3aztex maps its command line for DDS
// output, so that the same request gives the same bytes.
#include "r3az8/tex/convert.h"

#include "r3az8/tex/convert/convert_pipeline.h"
#include "r3az8/tex/convert/convert_textures.h"
#include "r3az8/tex/files/file_bytes.h"

namespace r3az8tex {
namespace {

[[noreturn]] void Refuse(const std::string& message) { throw TextureError(ErrorKind::Request, message); }

bool IsFilterType(DWORD type) { return type >= IMAGE_FILTER_NONE && type <= IMAGE_FILTER_BOX; }

ConvertSettings MakeSettings(const ConvertOptions& options)
{
    ConvertSettings settings;
    if (options.format != kAutomaticFormat) {
        settings.format = FindFormat(options.format);
        if (settings.format == nullptr)
            Refuse("the format " + FormatName(options.format) + " is not one the library has");
    }
    // What r3aztex does for DDS output: the automatic format, and a full
    // chain for a texture of one level.
    settings.defaultFormat = DefaultFormat::Auto;
    settings.defaultMips = DefaultMips::FullChain;
    if (options.format == D3DFMT_DXT1) {
        if (options.dxt1AlphaThreshold && *options.dxt1AlphaThreshold > 255)
            Refuse("the DXT1 alpha threshold is " + std::to_string(*options.dxt1AlphaThreshold) +
                   ", beyond the alpha range 0..255");
        settings.dxt1AlphaThreshold = options.dxt1AlphaThreshold;
    }
    if (options.size) {
        if (options.size->width == 0 || options.size->height == 0)
            Refuse("a new size needs a width and a height of at least 1, not " +
                   SizeText(options.size->width, options.size->height, 1));
        settings.size = TargetSize{options.size->width, options.size->height, options.size->depth};
    }
    const DWORD edges = IMAGE_FILTER_MIRROR_U | IMAGE_FILTER_MIRROR_V | IMAGE_FILTER_MIRROR_W;
    if (!IsFilterType(FilterType(options.filter)) || (options.filter & ~(0xFFu | edges | IMAGE_FILTER_DITHER)) != 0)
        Refuse("the resize filter word " + std::to_string(options.filter) +
               " is not a filter type (IMAGE_FILTER_NONE .. BOX) with mirror and dither flags");
    settings.resizeFilter = FilterType(options.filter);
    settings.edgeFlags = options.filter & edges;
    settings.ditherFlag = options.filter & IMAGE_FILTER_DITHER;
    if (options.mipFilter != IMAGE_FILTER_DEFAULT) {
        if (!IsFilterType(options.mipFilter))
            Refuse("the mip filter " + std::to_string(options.mipFilter) +
                   " is not a filter type (IMAGE_FILTER_NONE .. BOX) or IMAGE_FILTER_DEFAULT");
        settings.mipFilter = options.mipFilter;
    }
    settings.colorKey = options.colorKey;
    settings.mips = options.mips;
    settings.mipSpace = options.linearLightMips ? MipSpace::LinearLight : MipSpace::Stored;
    settings.alpha = options.premultipliedAlpha ? OutputAlpha::Premultiplied : OutputAlpha::Straight;
    settings.data = options.normalMap ? VectorData::NormalMap : VectorData::Colour;
    settings.colourSpace = options.srgb ? ColourSpace::Srgb : ColourSpace::Unspecified;
    settings.quality = options.quality;
    settings.weights = !options.weights                                   ? ErrorWeights::Automatic
                       : *options.weights == ColorWeighting::Perceptual ? ErrorWeights::Perceptual
                                                                          : ErrorWeights::Uniform;
    return settings;
}

unsigned PoolThreads(const ConvertOptions& options)
{
    return options.threads == 0 ? ProcessorCount() : options.threads;
}

} // namespace

TextureImage ConvertTexture(const TextureImage& source, const ConvertOptions& options)
{
    const ConvertSettings settings = MakeSettings(options);
    WorkPool pool(PoolThreads(options));
    return ConvertTexture(source, settings, pool);
}

std::vector<TextureImage> ConvertTextures(const std::vector<TextureImage>& layers, const ConvertOptions& options)
{
    const ConvertSettings settings = MakeSettings(options);
    WorkPool pool(PoolThreads(options));
    const ConvertSettings layerSettings = SettingsForLayers(layers, settings);
    std::vector<TextureImage> results;
    results.reserve(layers.size());
    for (const TextureImage& layer : layers)
        results.push_back(ConvertTexture(layer, layerSettings, pool));
    return results;
}

std::vector<TextureImage> ConvertTextureFile(const std::string& path, const ConvertOptions& options)
{
    const ConvertSettings settings = MakeSettings(options);
    std::vector<BYTE> bytes = ReadFileBytes(path);
    WorkPool pool(PoolThreads(options));
    // The file's bytes go once decoded: a large image's conversion does not
    // carry them too.
    return ConvertFileBytes(bytes, DisplayName(path), settings, pool,
                            [&bytes] { std::vector<BYTE>().swap(bytes); });
}

} // namespace r3az8tex
