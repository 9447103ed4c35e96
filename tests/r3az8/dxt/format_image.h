// Images in memory in the formats the buffered codecs serve (DXT blocks,
// YUV pixel pairs) and in A8R8G8B8, rows without padding.
#pragma once

#include "r3az8/tex/image_desc.h"

#include <cstddef>
#include <cstdint>
#include <vector>

inline bool IsBlockFormat(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5 || format == D3DFMT_BC4 || format == D3DFMT_BC5;
}

// Bytes of a width x height image and its row pitch.
struct Image {
    D3DFORMAT format;
    UINT width;
    UINT height;
    UINT pitch;
    std::vector<BYTE> bytes;

    Image(D3DFORMAT f, UINT w, UINT h) : format(f), width(w), height(h)
    {
        if (f == D3DFMT_A8R8G8B8)
            pitch = 4 * w;
        else if (IsBlockFormat(f))
            pitch = (w + 3) / 4 * (f == D3DFMT_DXT1 || f == D3DFMT_BC4 ? 8 : 16);
        else
            pitch = 2 * w;
        const UINT rows = IsBlockFormat(f) ? (h + 3) / 4 : h;
        bytes.assign(static_cast<size_t>(pitch) * rows, 0);
    }
    ImageDesc Describe(D3DBOX region)
    {
        return {bytes.data(), format, pitch, 0, {0, 0, width, height, 0, 1}, region, 0, 0, nullptr};
    }
    ImageDesc Describe() { return Describe({0, 0, width, height, 0, 1}); }
    uint32_t Pixel(UINT x, UINT y) const
    {
        const BYTE* p = bytes.data() + y * pitch + 4 * x;
        return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    }
    void SetPixel(UINT x, UINT y, uint32_t argb)
    {
        BYTE* p = bytes.data() + y * pitch + 4 * x;
        for (int k = 0; k < 4; ++k)
            p[k] = static_cast<BYTE>(argb >> (8 * k));
    }
};
