// An image in caller memory, as the library's callers hand it over: a byte
// buffer with its row and slice pitches, described by an ImageDesc. Header
// only, so that benchmarks and fuzz targets can use it without linking
// GoogleTest.
//
// Pixels are stored in units: one pixel for packed formats, a pixel pair
// for YUY2 and its kin, a 4x4 block for the block formats (the catalogue
// says which). The gaps after each row and each slice are filled like the
// rest of the buffer, so that a write past a row shows as a changed marker.
#pragma once

#include "r3az8/tex/codecs/format_catalogue.h"
#include "r3az8/tex/image_desc.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

// Bytes after each row and each slice, and the byte every one starts as.
struct ImageGaps {
    UINT row = 3; // odd, so that no row starts aligned by accident
    UINT slice = 5;
    BYTE fill = 0xCD;
};

struct MemoryImage {
    using Gaps = ImageGaps;
    // Rows and slices side by side, zero-filled.
    static constexpr Gaps kTight{0, 0, 0};

    // `unitBytes` as given: a format the library has no codec for has any
    // size the test says.
    MemoryImage(D3DFORMAT imageFormat, UINT bytesPerUnit, UINT columns, UINT rows = 1, UINT slices = 1,
                Gaps gaps = {})
        : format(imageFormat),
          unitBytes(bytesPerUnit),
          unitWidth(UnitWidthOf(imageFormat)),
          unitHeight(UnitHeightOf(imageFormat)),
          width(columns),
          height(rows),
          depth(slices),
          rowPitch((columns + unitWidth - 1) / unitWidth * bytesPerUnit + gaps.row),
          slicePitch(rowPitch * ((rows + unitHeight - 1) / unitHeight) + gaps.slice),
          bytes(std::size_t{slicePitch} * slices, gaps.fill)
    {
    }

    // The unit's size from the library's format catalogue.
    static MemoryImage Of(D3DFORMAT imageFormat, UINT columns, UINT rows = 1, UINT slices = 1, Gaps gaps = {})
    {
        const CodecFormat* entry = FindCodecFormat(imageFormat);
        if (entry == nullptr)
            throw std::invalid_argument("no codec format");
        return MemoryImage(imageFormat, entry->unitBytes, columns, rows, slices, gaps);
    }

    // Rows and slices side by side, zero-filled, units from the catalogue.
    static MemoryImage Tight(D3DFORMAT imageFormat, UINT columns, UINT rows = 1, UINT slices = 1)
    {
        return Of(imageFormat, columns, rows, slices, kTight);
    }

    ImageDesc Describe(const D3DBOX& region) const
    {
        ImageDesc desc{};
        desc.pData = const_cast<BYTE*>(bytes.data());
        desc.Format = format;
        desc.RowPitch = rowPitch;
        desc.SlicePitch = slicePitch;
        desc.Extent = {0, 0, width, height, 0, depth};
        desc.Region = region;
        desc.Dither = dither;
        desc.ColorKey = colorKey;
        desc.pPalette = palette;
        return desc;
    }
    ImageDesc Describe() const { return Describe({0, 0, width, height, 0, depth}); }

    // The unit at column x, row y of units, slice z.
    BYTE* At(UINT x, UINT y = 0, UINT z = 0)
    {
        return bytes.data() + std::size_t{z} * slicePitch + std::size_t{y} * rowPitch + std::size_t{x} * unitBytes;
    }
    const BYTE* At(UINT x, UINT y = 0, UINT z = 0) const { return const_cast<MemoryImage*>(this)->At(x, y, z); }

    // A pixel as an integer of its own width.
    template <typename Word>
    void Set(UINT x, UINT y, UINT z, Word value)
    {
        std::memcpy(At(0, y, z) + std::size_t{x} * sizeof(Word), &value, sizeof value);
    }
    template <typename Word>
    Word Get(UINT x, UINT y = 0, UINT z = 0) const
    {
        Word value;
        std::memcpy(&value, At(0, y, z) + std::size_t{x} * sizeof(Word), sizeof value);
        return value;
    }
    // A8R8G8B8 (or any 4-byte) pixels of slice 0.
    uint32_t Pixel(UINT x, UINT y) const { return Get<uint32_t>(x, y); }
    void SetPixel(UINT x, UINT y, uint32_t argb) { Set<uint32_t>(x, y, 0, argb); }

    // Random bytes in every unit; the gaps keep their marker.
    void FillRandom(std::mt19937& random)
    {
        const UINT rowBytes = (width + unitWidth - 1) / unitWidth * unitBytes;
        for (UINT z = 0; z < depth; ++z)
            for (UINT y = 0; y < (height + unitHeight - 1) / unitHeight; ++y)
                for (UINT i = 0; i < rowBytes; ++i)
                    At(0, y, z)[i] = BYTE(random());
    }

    static UINT UnitWidthOf(D3DFORMAT imageFormat)
    {
        const CodecFormat* entry = FindCodecFormat(imageFormat);
        if (entry == nullptr)
            return 1;
        return entry->storage == PixelStorage::Block4x4 ? 4 : entry->storage == PixelStorage::PixelPair ? 2 : 1;
    }
    static UINT UnitHeightOf(D3DFORMAT imageFormat)
    {
        const CodecFormat* entry = FindCodecFormat(imageFormat);
        return entry != nullptr && entry->storage == PixelStorage::Block4x4 ? 4 : 1;
    }

    D3DFORMAT format;
    UINT unitBytes;
    UINT unitWidth;
    UINT unitHeight;
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
