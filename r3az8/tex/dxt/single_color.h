// Exact endpoints for blocks of one colour: per channel, the pair of
// 5- or 6-bit codes whose decoded value (our decoder's arithmetic) lies
// nearest each 8-bit value, for every palette position and word order.
#pragma once

#include "r3az8/tex/dxt/dxt_block.h"

struct FlatColorBlock {
    WORD word0;
    WORD word1;
    BYTE code; // of every pixel
};

// Which palettes the block may use: four colours (every format), three
// (DXT1 blocks with transparent pixels), or either (opaque DXT1).
enum class FlatModes { FourOnly, ThreeOnly, Either };

// The best block for the colour (8-bit channels) under the channel weights
// of the error.
FlatColorBlock EncodeFlatColor(const int* rgb, const float* channelWeights, FlatModes modes);
