// Chains made band by band whatever their mip filter: level 0 is held
// whole in the working format and every band of a lower level is loaded
// from the level the library's FilterTexture would make it from (level 0
// for the triangle and linear filters, the level above for point and box),
// with the whole level's geometry (LoadRowsFromMemory). Flat and cube
// textures only.
#pragma once

#include "r3az8/tex/convert/chain_recipe.h"
#include "r3az8/tex/convert/row_arrival.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/convert/working_levels.h"

namespace r3az8tex {

// Whether the chain is made from level 0 in bands rather than whole: a
// flat or cube texture whose whole working chain would be larger than
// `limit` bytes (a 16384 x 16384 chain in floats takes 5.3 GiB, beyond
// what a texture or a device surface may hold).
bool ChainNeedsBands(const ChainRecipe& recipe, TextureKind kind, uint64_t limit = kWholeWorkingBytes);

// The same bytes as MakeChainWhole (and the encoder after it). Only level
// 0 in the working format, the level above when the filter halves from it,
// and the output are held whole. With `arrival`, a band of level 0 waits
// for its rows of the source (unless the recipe resizes, which reads it
// all). `bandBytes` is about the size of a band in the working format.
TextureImage MakeChainFromTop(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool,
                              const RowArrival* arrival = nullptr, size_t bandBytes = kResampleBandBytes);

} // namespace r3az8tex
