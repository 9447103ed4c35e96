// The two palette formats: P8 stores an index, A8P8 an index and its own
// alpha. Reading looks the index up in the codec's palette; writing finds
// the nearest palette entry.
#include "r3az8/tex/codecs/codec_factories.h"
#include "r3az8/tex/codecs/packed_layout.h"
#include "r3az8/tex/codecs/palette_search.h"
#include "r3az8/tex/codecs/row_codec.h"

namespace {

template <class Concrete>
class PaletteCodecBase : public RowCodec<Concrete> {
protected:
    PaletteCodecBase(const ImageDesc& desc, UINT bitsPerPixel, PaletteChannels channels)
        : RowCodec<Concrete>(desc, bitsPerPixel, RANGE_UNSIGNED), search(this->Palette, channels)
    {
    }

    PaletteSearch search;
};

class CodecP8 final : public PaletteCodecBase<CodecP8> {
public:
    explicit CodecP8(const ImageDesc& desc) : PaletteCodecBase(desc, 8, PaletteChannels::ColorAndAlpha) {}

    void DecodeRow(const BYTE* source, FloatColor* pColors) const
    {
        for (UINT x = 0; x < Width; ++x)
            pColors[x] = Palette[source[x]];
    }

    // The index is the nearest entry by all four channels; no dithering.
    void EncodeRow(BYTE* target, const FloatColor* pColors, const float*)
    {
        for (UINT x = 0; x < Width; ++x)
            target[x] = search.Nearest(pColors[x]);
    }
};

class CodecA8P8 final : public PaletteCodecBase<CodecA8P8> {
public:
    explicit CodecA8P8(const ImageDesc& desc) : PaletteCodecBase(desc, 16, PaletteChannels::ColorOnly) {}

    void DecodeRow(const BYTE* source, FloatColor* pColors) const
    {
        constexpr float kAlphaFactor = packed::DecodeFactor(packed::Sign::Unsigned, 8);
        for (UINT x = 0; x < Width; ++x) {
            FloatColor color = Palette[source[2 * x]];
            color.a = static_cast<float>(source[2 * x + 1]) * kAlphaFactor;
            pColors[x] = color;
        }
    }

    // The index is the nearest entry by colour; the alpha is quantised on
    // its own, with the row's dither thresholds.
    void EncodeRow(BYTE* target, const FloatColor* pColors, const float* thresholds)
    {
        for (UINT x = 0; x < Width; ++x) {
            target[2 * x] = search.Nearest(pColors[x]);
            target[2 * x + 1] =
                static_cast<BYTE>(packed::QuantiseField<packed::Sign::Unsigned, 8>(pColors[x].a, thresholds[x % 4]));
        }
    }
};

} // namespace

PixelCodec* CreatePaletteCodec(const ImageDesc& desc)
{
    switch (desc.Format) {
    case D3DFMT_P8:
        return new (std::nothrow) CodecP8(desc);
    case D3DFMT_A8P8:
        return new (std::nothrow) CodecA8P8(desc);
    default:
        return nullptr;
    }
}
