// Codecs for the formats that do not store a whole number of bytes per
// pixel: the YUV pair formats (UYVY, YUY2) and the DXT block formats. They
// buffer a pixel pair or a row of 4x4 blocks between calls, so they are made
// through these functions rather than the packed-format table.
//
// CreatePixelCodec calls these for their formats and snaps the colour key
// itself afterwards (SnapColorKey), so they only construct.
#pragma once

#include "r3az8/tex/pixel_codec.h"

// A codec for D3DFMT_UYVY, D3DFMT_YUY2 or their colour twins FMT_R8G8_B8G8
// and FMT_G8R8_G8B8 (owned by the caller), or null when the format is not
// one of them or memory runs out.
PixelCodec* CreateYuvCodec(const ImageDesc& desc);

// A codec for D3DFMT_DXT1 to D3DFMT_DXT5, FMT_BC6H_UF16, FMT_BC6H_SF16,
// FMT_BC7 or FMT_RXGB (owned by the caller), or null when the format is not
// one of them or memory runs out. The last four are read only.
PixelCodec* CreateDxtCodec(const ImageDesc& desc);
