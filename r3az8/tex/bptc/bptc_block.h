// BC6H and BC7 blocks: the block-partitioned compression formats of
// Direct3D 11 (also OpenGL's BPTC), one 16-byte block per 4x4 pixels.
//
// Decoding only, into 16 FloatColor, pixel i at row i / 4, column i % 4.
// BC7 gives 8-bit colours with alpha (each channel code / 255, the way the
// 8-bit formats read). BC6H gives half-float RGB with alpha 1: the unsigned
// form values 0 up to 65504, the signed one -65504 up to 65504 (and
// -infinity where a 16-bit endpoint of -32768 is reached), neither clamped
// to 0..1. Blocks the formats call reserved or invalid (BC7 with a
// zero first byte, BC6H's four unused mode numbers) decode to black: BC7 to
// transparent black, BC6H to opaque black.
//
// Every function returns S_OK; any 16 bytes are a block they can decode.
#pragma once

#include "r3az8/tex/pixel_codec.h"

HRESULT DecodeBlockBC7(FloatColor* pColors, const BYTE* pBlock);
HRESULT DecodeBlockBC6HUnsigned(FloatColor* pColors, const BYTE* pBlock);
HRESULT DecodeBlockBC6HSigned(FloatColor* pColors, const BYTE* pBlock);
