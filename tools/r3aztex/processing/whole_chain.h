// A chain made level by level on whole images: any texture kind, any mip
// filter, each level made by the library's own FilterTexture.
#pragma once

#include "tools/r3aztex/processing/chain_recipe.h"
#include "tools/r3aztex/util/work_pool.h"

namespace r3aztex {

// The working texture lives on the software device: level 0 (or every
// level, when the source's own chain is kept) is loaded into it straight
// from the source's memory, the tool's per-pixel steps run on its locked
// levels, and each level is encoded into the output texture once final.
TextureImage MakeChainWhole(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool);

} // namespace r3aztex
