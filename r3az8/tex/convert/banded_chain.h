// Conversions worked band by band: a few rows of one level at a time, so a
// large image never needs more than its source, the output and one lower
// level held whole, and the bands of a level run on the pool's threads at
// once. Flat and cube textures only.
#pragma once

#include "r3az8/tex/convert/chain_recipe.h"
#include "r3az8/tex/convert/row_arrival.h"
#include "r3az8/tex/convert/work_pool.h"

namespace r3az8tex {

// About the bytes of one band: small enough to stay in the processor's
// cache through the steps of a band, large enough that a band's fixed cost
// (the codecs and buffers each library call sets up) does not count.
inline constexpr size_t kDefaultBandBytes = 512 * 1024;

// Whether MakeChainInBands can make the recipe's chain: a flat or cube
// texture whose lower levels are made anew, each by halving the level above
// it with the box filter (named, or the library's choice for power-of-two
// sizes).
bool ChainHalvesWithBox(const ChainRecipe& recipe, TextureKind kind);

// The same bytes as MakeChainWhole. Each band of level 0 is converted from
// the source into the working format, encoded into the output and halved
// into level 1, which is held whole; each band of a lower level is encoded
// and halved into the next. The conversion's per-pixel steps run on the bands.
// With `arrival`, a band of level 0 waits for its rows of the source.
// `bandBytes` is about the size of a band in the working format.
TextureImage MakeChainInBands(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool,
                              const RowArrival* arrival = nullptr, size_t bandBytes = kDefaultBandBytes);

// Every level of every face of the source converted into `format`, band by
// band with the options and, when given, the quality encoder after them;
// the same bytes as EncodeSlices (which volume textures
// go through). With `arrival`, a band waits for its rows of level 0.
TextureImage ConvertInBands(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                            const BlockEncoding& encoding, WorkPool& pool,
                            const RowArrival* arrival = nullptr, size_t bandBytes = kDefaultBandBytes);

} // namespace r3az8tex
