// What a conversion does to one texture: format conversion, resizing, colour
// key, mip generation (gamma-correct for colour images), normal-map
// renormalisation and premultiplied-alpha routing.
#pragma once

#include "r3az8/tex/convert/colour_space.h"
#include "r3az8/tex/convert/row_arrival.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/dxt/quality.h"
#include "r3az8/tex/image_desc.h"
#include "r3az8/tex/texture/texture_image.h"

#include <optional>
#include <string>

namespace r3az8tex {

struct TargetSize {
    uint32_t width;
    uint32_t height;
    uint32_t depth; // 0: keep the source's
};

// The output format when none is named: the source's own, or for block
// compression (DXT1 when every alpha is opaque, DXT5 otherwise) for sources
// that hold colour and are not block-compressed already. Vectors, data and
// alpha masks keep their format: block compression would wreck them.
enum class DefaultFormat { Source, Auto };
// Levels when no count is named: the source's own, or a full chain for a
// one-level source (one that has a chain keeps it).
enum class DefaultMips { Source, FullChain };
enum class MipSpace { LinearLight, Stored };
// How the output stores colour: as given, or multiplied by alpha (the DDS
// header's field for it is dds::AlphaMode).
enum class OutputAlpha { Straight, Premultiplied };
enum class VectorData { Colour, NormalMap };
// How colour errors of block compression count: Automatic is perceptual
// for colour, uniform for normal maps and for formats that hold data.
enum class ErrorWeights { Automatic, Perceptual, Uniform };

struct ConvertSettings {
    const FormatInfo* format = nullptr; // null: by defaultFormat
    // With format bc6h_uf16 (the name bc6h): bc6h_sf16 instead when the
    // source's float values include negative ones (NaN and infinities
    // aside), so that they are kept rather than made 0.
    bool signFromSource = false;
    DefaultFormat defaultFormat = DefaultFormat::Source;
    std::optional<TargetSize> size;
    DWORD resizeFilter = IMAGE_FILTER_TRIANGLE; // filter type only
    DWORD edgeFlags = 0;                        // IMAGE_FILTER_MIRROR_U/V/W
    DWORD ditherFlag = 0;                       // 0 or IMAGE_FILTER_DITHER
    D3DCOLOR colorKey = 0;
    std::optional<uint32_t> mips;      // 0: the full chain; none: by defaultMips
    DefaultMips defaultMips = DefaultMips::Source;
    std::optional<DWORD> mipFilter;    // filter type; none: the library's default rule
    MipSpace mipSpace = MipSpace::LinearLight;
    OutputAlpha alpha = OutputAlpha::Straight;
    VectorData data = VectorData::Colour;
    // Srgb: tag the result as sRGB-encoded (--srgb); otherwise a colour
    // result keeps the source's tag.
    ColourSpace colourSpace = ColourSpace::Unspecified;
    // Block formats: Fast is the library's own encoder (what Blit writes);
    // Normal and High fit each block for the least weighted error.
    BlockQuality quality = BlockQuality::Normal;
    ErrorWeights weights = ErrorWeights::Automatic;
    // DXT1 results: pixels with alpha (0..255) below this become
    // transparent, the others opaque; 0 makes every pixel opaque. None
    // leaves the choice to the encoders (transparent below one half).
    std::optional<uint32_t> dxt1AlphaThreshold;
    // Names the source in the warning about float values replaced before
    // filtering (float_repair.h); empty: no warning.
    std::string sourceName;
};

// Whether the library encodes the format, as the format table says; the
// others are only read.
bool LibraryEncodes(D3DFORMAT format);

// The format the result is stored in: the requested one (or the default),
// with DXT3 and DXT5 routed to DXT2 and DXT4 for premultiplied alpha, and
// BC6H's form chosen by the source when signFromSource is set.
// Throws TextureError: Request for requests that contradict each other,
// Unsupported for conversions the library cannot make.
D3DFORMAT ResolveOutputFormat(const TextureImage& source, const ConvertSettings& settings);

// The converted texture. Every pixel operation runs in the texture library;
// the sRGB curve and renormalisation run on the pool's threads. Resizing
// and mips work in 16 bits per channel, or in 32-bit floats when the
// source or the result holds floats (so values beyond 1 survive). Throws
// Unsupported when the result would have to be encoded into a format the
// library only reads (a block format whose row has no encoder: BC6H,
// RXGB); a plain copy into the source's own format needs no encoding and
// is done. NaN, infinite and unstorable negative float values are replaced
// first (float_repair.h), with one warning line when `sourceName` is set.
//
// `arrival`, when given, says how many rows of the source's level 0 a
// reader has filled so far: the conversion starts at once and waits for
// rows as it needs them (band by band where it works in bands).
TextureImage ConvertTexture(const TextureImage& source, const ConvertSettings& settings, WorkPool& pool,
                            const RowArrival* arrival = nullptr);

// Whether a normal map stored in the format keeps z (Keep) or only x and y
// (Rebuild).
MissingZ MissingZOf(D3DFORMAT format);

// Whether a format holds colour whose mips are best filtered in linear
// light (colour, luminance and palette formats, not vectors, data or
// floats, which hold linear values already).
bool HoldsColour(D3DFORMAT format);

} // namespace r3az8tex
