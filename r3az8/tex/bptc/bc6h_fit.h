// The pieces of a BC6H block fit: where a region's endpoints lie (along its
// principal axis, or by least squares for given indices), how they are
// quantised to a mode, and which indices then decode closest. Errors are
// squared distances of places among the halves (bc6h_space.h), summed over
// the three channels and the pixels that count.
#pragma once

#include "r3az8/tex/bptc/bc6h_block.h"

#include <array>

namespace bptc::bc6h {

// A block's 16 pixels as places, pixel i at row i / 4, column i % 4.
struct Bc6hPixels {
    float value[16][4] = {}; // red, green, blue; the fourth place unused (it keeps FloatColor's layout)
    float weight[16] = {}; // 1, or 0 for a pixel outside the image
    bool isSigned = false;
};

// Unquantised endpoints as places: [region][end][channel].
struct Bc6hEnds {
    float place[2][2][3] = {};
};

struct Bc6hCandidate {
    Bc6hBlock block;
    float error = 3.0e38f;
};

// Whether the differences of a transformed mode must fit as they fall, or
// are cut to the nearest that fit (a worse block, but one of higher
// precision than the next mode down).
enum class Differences { MustFit, Cut };

// Bit r of RegionMask(partition) is set when pixel r is in region 1 of the
// two-region partition (0..31).
unsigned RegionMask(unsigned partition);
// The region mask of a block: none for one-region modes.
inline unsigned RegionMaskOf(unsigned regions, unsigned partition) { return regions == 2 ? RegionMask(partition) : 0u; }

// The principal axis of a spread (the upper triangle xx, xy, xz, yy, yz,
// zz) by power iteration from its widest channel; zero for no spread.
std::array<float, 3> PrincipalAxis(const float* cov);

// Each region's ends at the extremes of its pixels along their principal
// axis, the end nearer the region's anchor pixel first.
Bc6hEnds PrincipalEnds(const Bc6hPixels& pixels, unsigned regions, unsigned partition);

// The ends that fit the block's indices best by least squares, each region
// kept from `before` where its indices do not say (all one index).
Bc6hEnds LeastSquaresEnds(const Bc6hPixels& pixels, const Bc6hBlock& block, const Bc6hEnds& before);

// Sets block.endpoint from `ends` at the precision of mode `mode` (and the
// block's mode); false when the differences do not fit and must.
bool QuantiseEnds(const Bc6hEnds& ends, unsigned mode, bool isSigned, Differences differences, Bc6hBlock& block);

// How indices are chosen: the entry nearest each pixel's projection onto
// its region's line; that entry and the two beside it, the nearest of them
// (the palette lies on the line but for the rounding to halves); or the
// nearest entry of the whole palette.
enum class IndexSearch { Projected, AlongLine, Every };

// Chooses every index for the block's endpoints and returns the error of
// the block so written.
float ChooseIndices(const Bc6hPixels& pixels, Bc6hBlock& block, IndexSearch search);

// The places each pixel of the block decodes to.
void DecodePlaces(const Bc6hBlock& block, bool isSigned, float (*decoded)[3]);

} // namespace bptc::bc6h
