// Pixel formats the library codes beyond Direct3D 8's D3DFORMAT values
// (d3d8.h), and the pixel its block encoders take.
//
// Every FMT_* value goes wherever a D3DFORMAT does: the source format of
// LoadSurfaceFromMemory, LoadVolumeFromMemory and LoadRowsFromMemory, and
// the format of a texture on the software device. FloatColor is the pixel
// of EncodeQualityBlocks and EncodeQualityImage (block_encoder.h).
#pragma once

#include "d3d8.h"

// One pixel in flight: red, green, blue, alpha. Unsigned channels lie in
// 0..1, signed ones in -1..1; the floating-point formats read whatever
// they hold, beyond those ranges too.
struct FloatColor {
    float r;
    float g;
    float b;
    float a;
};
static_assert(sizeof(FloatColor) == 16, "FloatColor is four packed floats");

// The library's own formats: MAKEFOURCC of the characters, first in the low byte.
constexpr D3DFORMAT FMT_L16 = (D3DFORMAT)MAKEFOURCC(' ', 'L', '1', '6');
constexpr D3DFORMAT FMT_A16L16 = (D3DFORMAT)MAKEFOURCC('A', 'L', '1', '6');
constexpr D3DFORMAT FMT_R16G16B16 = (D3DFORMAT)MAKEFOURCC(' ', 'R', '1', '6');
constexpr D3DFORMAT FMT_A16R16G16B16 = (D3DFORMAT)MAKEFOURCC('A', 'R', '1', '6');
static_assert(FMT_L16 == 0x36314C20u);
static_assert(FMT_A16R16G16B16 == 0x36315241u);

// Floating-point formats: half ("16F") and single ("32F") precision per
// channel, named like the 16-bit ones from the top channel down, and the
// packed R11G11B10 and shared-exponent R9G9B9E5 floats.
constexpr D3DFORMAT FMT_R16F = (D3DFORMAT)MAKEFOURCC('R', '1', '6', 'F');
constexpr D3DFORMAT FMT_G16R16F = (D3DFORMAT)MAKEFOURCC('G', '1', '6', 'F');
constexpr D3DFORMAT FMT_A16B16G16R16F = (D3DFORMAT)MAKEFOURCC('A', '1', '6', 'F');
constexpr D3DFORMAT FMT_R32F = (D3DFORMAT)MAKEFOURCC('R', '3', '2', 'F');
constexpr D3DFORMAT FMT_G32R32F = (D3DFORMAT)MAKEFOURCC('G', '3', '2', 'F');
constexpr D3DFORMAT FMT_B32G32R32F = (D3DFORMAT)MAKEFOURCC('B', '3', '2', 'F');
constexpr D3DFORMAT FMT_A32B32G32R32F = (D3DFORMAT)MAKEFOURCC('A', '3', '2', 'F');
constexpr D3DFORMAT FMT_R11G11B10F = (D3DFORMAT)MAKEFOURCC('R', '1', '1', 'F');
constexpr D3DFORMAT FMT_R9G9B9E5 = (D3DFORMAT)MAKEFOURCC('R', '9', 'E', '5');

// Integer formats beyond Direct3D 8's: two unsigned 8-bit channels, one
// signed 8- or 16-bit channel, four signed 16-bit channels.
constexpr D3DFORMAT FMT_G8R8 = (D3DFORMAT)MAKEFOURCC('G', '8', 'R', '8');
constexpr D3DFORMAT FMT_R8_SNORM = (D3DFORMAT)MAKEFOURCC(' ', 'R', '8', 'S');
constexpr D3DFORMAT FMT_R16_SNORM = (D3DFORMAT)MAKEFOURCC('R', '1', '6', 'S');
constexpr D3DFORMAT FMT_Q16W16V16U16 = (D3DFORMAT)MAKEFOURCC('Q', '1', '6', 'S');

// Pixel pairs sharing red and blue, each pixel with its own green (the
// colour twins of UYVY and YUY2), under their usual FOURCC codes.
constexpr D3DFORMAT FMT_R8G8_B8G8 = (D3DFORMAT)MAKEFOURCC('R', 'G', 'B', 'G');
constexpr D3DFORMAT FMT_G8R8_G8B8 = (D3DFORMAT)MAKEFOURCC('G', 'R', 'G', 'B');

// 4x4 blocks of 16 bytes: BC7, BC6H unsigned and signed, and "RXGB", a
// DXT5 block whose alpha holds red.
constexpr D3DFORMAT FMT_BC7 = (D3DFORMAT)MAKEFOURCC('B', 'C', '7', 'U');
constexpr D3DFORMAT FMT_BC6H_UF16 = (D3DFORMAT)MAKEFOURCC('B', 'C', '6', 'H');
constexpr D3DFORMAT FMT_BC6H_SF16 = (D3DFORMAT)MAKEFOURCC('B', 'C', '6', 'S');
constexpr D3DFORMAT FMT_RXGB = (D3DFORMAT)MAKEFOURCC('R', 'X', 'G', 'B');

// ASTC blocks of 16 bytes over footprints of 4x4 to 12x12 pixels ("AS" and
// the footprint's width and height, 10 as 'A' and 12 as 'C'). Unlike the
// formats above they live only in textures in memory and in files: the
// loads and the device refuse them, and the conversions code them through
// libastcenc (r3az8/tex/astc/).
constexpr D3DFORMAT FMT_ASTC_4X4 = (D3DFORMAT)MAKEFOURCC('A', 'S', '4', '4');
constexpr D3DFORMAT FMT_ASTC_5X4 = (D3DFORMAT)MAKEFOURCC('A', 'S', '5', '4');
constexpr D3DFORMAT FMT_ASTC_5X5 = (D3DFORMAT)MAKEFOURCC('A', 'S', '5', '5');
constexpr D3DFORMAT FMT_ASTC_6X5 = (D3DFORMAT)MAKEFOURCC('A', 'S', '6', '5');
constexpr D3DFORMAT FMT_ASTC_6X6 = (D3DFORMAT)MAKEFOURCC('A', 'S', '6', '6');
constexpr D3DFORMAT FMT_ASTC_8X5 = (D3DFORMAT)MAKEFOURCC('A', 'S', '8', '5');
constexpr D3DFORMAT FMT_ASTC_8X6 = (D3DFORMAT)MAKEFOURCC('A', 'S', '8', '6');
constexpr D3DFORMAT FMT_ASTC_8X8 = (D3DFORMAT)MAKEFOURCC('A', 'S', '8', '8');
constexpr D3DFORMAT FMT_ASTC_10X5 = (D3DFORMAT)MAKEFOURCC('A', 'S', 'A', '5');
constexpr D3DFORMAT FMT_ASTC_10X6 = (D3DFORMAT)MAKEFOURCC('A', 'S', 'A', '6');
constexpr D3DFORMAT FMT_ASTC_10X8 = (D3DFORMAT)MAKEFOURCC('A', 'S', 'A', '8');
constexpr D3DFORMAT FMT_ASTC_10X10 = (D3DFORMAT)MAKEFOURCC('A', 'S', 'A', 'A');
constexpr D3DFORMAT FMT_ASTC_12X10 = (D3DFORMAT)MAKEFOURCC('A', 'S', 'C', 'A');
constexpr D3DFORMAT FMT_ASTC_12X12 = (D3DFORMAT)MAKEFOURCC('A', 'S', 'C', 'C');
// The same footprints coded with ASTC's HDR profile, whose blocks decode to
// half floats ("AF" and the footprint).
constexpr D3DFORMAT FMT_ASTC_4X4_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '4', '4');
constexpr D3DFORMAT FMT_ASTC_5X4_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '5', '4');
constexpr D3DFORMAT FMT_ASTC_5X5_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '5', '5');
constexpr D3DFORMAT FMT_ASTC_6X5_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '6', '5');
constexpr D3DFORMAT FMT_ASTC_6X6_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '6', '6');
constexpr D3DFORMAT FMT_ASTC_8X5_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '8', '5');
constexpr D3DFORMAT FMT_ASTC_8X6_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '8', '6');
constexpr D3DFORMAT FMT_ASTC_8X8_F = (D3DFORMAT)MAKEFOURCC('A', 'F', '8', '8');
constexpr D3DFORMAT FMT_ASTC_10X5_F = (D3DFORMAT)MAKEFOURCC('A', 'F', 'A', '5');
constexpr D3DFORMAT FMT_ASTC_10X6_F = (D3DFORMAT)MAKEFOURCC('A', 'F', 'A', '6');
constexpr D3DFORMAT FMT_ASTC_10X8_F = (D3DFORMAT)MAKEFOURCC('A', 'F', 'A', '8');
constexpr D3DFORMAT FMT_ASTC_10X10_F = (D3DFORMAT)MAKEFOURCC('A', 'F', 'A', 'A');
constexpr D3DFORMAT FMT_ASTC_12X10_F = (D3DFORMAT)MAKEFOURCC('A', 'F', 'C', 'A');
constexpr D3DFORMAT FMT_ASTC_12X12_F = (D3DFORMAT)MAKEFOURCC('A', 'F', 'C', 'C');
