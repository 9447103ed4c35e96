// A chain made level by level on whole images: any texture kind, any mip
// filter, each level made by the library's own FilterTexture.
#pragma once

#include "r3az8/tex/convert/chain_recipe.h"
#include "r3az8/tex/convert/work_pool.h"

namespace r3az8tex {

// The working texture lives on the software device: level 0 (or every
// level, when the source's own chain is kept) is loaded into it straight
// from the source's memory, the conversion's per-pixel steps run on its locked
// levels, and each level is encoded into the output texture once final.
TextureImage MakeChainWhole(const TextureImage& source, const ChainRecipe& recipe, WorkPool& pool);

} // namespace r3az8tex
