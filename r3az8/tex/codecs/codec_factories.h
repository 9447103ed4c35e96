// The per-family codec makers behind CreatePixelCodec. Each returns a new
// codec (owned by the caller), or null when the format is not of its family
// or memory runs out. None of them snaps the colour key: the factory does.
#pragma once

#include "r3az8/tex/pixel_codec.h"

// The packed formats of the layout table.
PixelCodec* CreatePackedCodec(const ImageDesc& desc);
// D3DFMT_P8 and D3DFMT_A8P8.
PixelCodec* CreatePaletteCodec(const ImageDesc& desc);

// The floating-point formats of floats::kLayouts (half, single, R11G11B10,
// R9G9B9E5).
PixelCodec* CreateFloatCodec(const ImageDesc& desc);
