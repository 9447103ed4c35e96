// A chain recipe with nothing but the chain in it, for the tests of the
// chain makers: the full chain of a `width` x `height` texture made anew in
// 16 bits per channel and stored with a point copy; a test sets what it
// adds (linear light, normal maps, the quality encoder ...).
#pragma once

#include "r3az8/tex/convert/chain_recipe.h"

namespace r3az8tex {

inline ChainRecipe PlainChainRecipe(uint32_t width, uint32_t height, D3DFORMAT output,
                                    DWORD mipFilter = IMAGE_FILTER_DEFAULT)
{
    ChainRecipe recipe{};
    recipe.width = width;
    recipe.height = height;
    recipe.depth = 1;
    recipe.levels = FullChainLength(width, height, 1);
    recipe.regenerate = true;
    recipe.working = FMT_A16R16G16B16;
    recipe.output = output;
    recipe.finalStep.filter = IMAGE_FILTER_POINT;
    recipe.mipFilter = mipFilter;
    recipe.missingZ = MissingZ::Keep;
    return recipe;
}

} // namespace r3az8tex
