// How the software device stores each pixel format.
//
// Every format is described as a grid of storage blocks: packed formats have
// 1x1 blocks of their pixel size, YUY2 and UYVY 2x1 blocks (a pixel pair of
// 4 bytes), the DXT formats 4x4 blocks of 8 (DXT1) or 16 (DXT2 to DXT5)
// bytes. Row pitch, sizes, lock addresses and copy rectangles are all worked
// out in blocks, so no code path treats the block formats specially.
#pragma once

#include "d3d8.h"

#include <cstdint>

namespace softd3d8 {

struct FormatLayout {
    D3DFORMAT format;
    UINT blockWidth;  // pixels
    UINT blockHeight; // pixels
    UINT blockBytes;

    UINT BlocksAcross(UINT width) const { return (width + blockWidth - 1) / blockWidth; }
    UINT BlocksDown(UINT height) const { return (height + blockHeight - 1) / blockHeight; }
    // Whether a coordinate may start or end a rectangle: on a block edge, or
    // at the image's own edge (a partial last block).
    bool OnColumnEdge(uint64_t x, UINT width) const { return x % blockWidth == 0 || x == width; }
    bool OnRowEdge(uint64_t y, UINT height) const { return y % blockHeight == 0 || y == height; }
};

// The layout of a format the device can store, or null when it cannot.
const FormatLayout* FindFormatLayout(D3DFORMAT format);

} // namespace softd3d8
