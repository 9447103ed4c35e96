// The nearest-entry scan over a palette held one channel per array, in a
// portable form and an AVX2 form with the same signature and the same
// results bit for bit (the same float operations in the same order, no
// fused multiply-add). PaletteSearch picks one at first use.
#pragma once

#include "r3az8/tex/pixel_codec.h"

struct PlanarPalette {
    float red[256];
    float green[256];
    float blue[256];
    float alpha[256];
};

using NearestEntryKernel = BYTE (*)(const PlanarPalette& palette, const FloatColor& color);

struct PaletteKernels {
    NearestEntryKernel colorAndAlpha; // D3DFMT_P8: R, G, B and A compared
    NearestEntryKernel colorOnly;     // D3DFMT_A8P8: R, G and B compared
};

PaletteKernels PortablePaletteKernels();
PaletteKernels Avx2PaletteKernels();
