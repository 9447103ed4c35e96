// Small images in memory for codec and blit tests: a byte buffer with its
// pitches, described to the library by an ImageDesc.
#pragma once

#include "r3az8/tex/pixel_codec.h"

#include <cstring>
#include <memory>
#include <vector>

struct TestImage {
    TestImage(D3DFORMAT imageFormat, UINT bytesPerPixel, UINT columns, UINT rows = 1, UINT slices = 1,
              UINT rowPadding = 3)
        : format(imageFormat),
          width(columns),
          height(rows),
          depth(slices),
          rowPitch(columns * bytesPerPixel + rowPadding),
          slicePitch(rowPitch * rows + 5),
          bytes(std::size_t{slicePitch} * slices, 0xCD)
    {
    }

    ImageDesc Describe() const
    {
        ImageDesc desc{};
        desc.pData = const_cast<BYTE*>(bytes.data());
        desc.Format = format;
        desc.RowPitch = rowPitch;
        desc.SlicePitch = slicePitch;
        desc.Extent = {0, 0, width, height, 0, depth};
        desc.Region = desc.Extent;
        desc.Dither = dither;
        desc.ColorKey = colorKey;
        desc.pPalette = palette;
        return desc;
    }

    template <typename Word>
    void Set(UINT x, UINT y, UINT z, Word value)
    {
        std::memcpy(bytes.data() + std::size_t{z} * slicePitch + std::size_t{y} * rowPitch + x * sizeof(Word), &value,
                    sizeof value);
    }
    template <typename Word>
    Word Get(UINT x, UINT y = 0, UINT z = 0) const
    {
        Word value;
        std::memcpy(&value, bytes.data() + std::size_t{z} * slicePitch + std::size_t{y} * rowPitch + x * sizeof(Word),
                    sizeof value);
        return value;
    }

    D3DFORMAT format;
    UINT width;
    UINT height;
    UINT depth;
    UINT rowPitch;
    UINT slicePitch;
    std::vector<BYTE> bytes;
    DWORD dither = 0;
    D3DCOLOR colorKey = 0;
    const PALETTEENTRY* palette = nullptr;
};

using CodecPointer = std::unique_ptr<PixelCodec>;

inline CodecPointer MakeCodec(const ImageDesc& desc) { return CodecPointer(CreatePixelCodec(desc)); }

// Decodes one pixel given as an integer of the format's width.
template <typename Word>
FloatColor DecodeOne(D3DFORMAT format, Word value, D3DCOLOR colorKey = 0)
{
    TestImage image(format, sizeof(Word), 1);
    image.colorKey = colorKey;
    image.Set<Word>(0, 0, 0, value);
    CodecPointer codec = MakeCodec(image.Describe());
    FloatColor color{-9.0f, -9.0f, -9.0f, -9.0f};
    codec->ReadRow(0, 0, &color);
    return color;
}

// Encodes one pixel without dithering and returns it as an integer.
template <typename Word>
Word EncodeOne(D3DFORMAT format, FloatColor color)
{
    TestImage image(format, sizeof(Word), 1);
    CodecPointer codec = MakeCodec(image.Describe());
    codec->WriteRow(0, 0, &color);
    return image.Get<Word>(0);
}
