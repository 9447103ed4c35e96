// How a conversion that makes or keeps a chain of levels goes, decided once
// from the source and the settings: the sizes, the working format the
// levels are filtered in, the conversion's per-pixel steps around the filtering
// and the library's filter words for each step.
#pragma once

#include "r3az8/tex/convert/block_compression.h"
#include "r3az8/tex/convert/colour_space.h"
#include "r3az8/tex/convert/library_operations.h"

#include <optional>

namespace r3az8tex {

struct ChainRecipe {
    uint32_t width, height, depth, levels;
    bool resized;    // level 0 is the source's level 0 resampled to the size above
    bool regenerate; // the levels below 0 are made anew from level 0, else converted from the source's own
    D3DFORMAT working;
    D3DFORMAT output;
    LoadOptions resample;  // source into the working format
    LoadOptions finalStep; // working format into the output
    BlockEncoding encoding; // the quality encoder and DXT1's alpha after the final step (block formats)
    DWORD mipFilter;       // FilterTexture's filter word; IMAGE_FILTER_DEFAULT lets the library choose
    bool linearLight;      // the lower levels are filtered in linear light and stored back on the sRGB curve
    bool normalMap;        // vectors: level 0 renormalised before filtering, the lower levels after
    MissingZ missingZ;
    // The result is the chain's final values in the working format, for an
    // encoder to take on: a working copy, bound by the side limit only.
    bool workingCopy = false;
    // Level 0 of the result will be the source's own bytes, copied by the
    // caller: it is not encoded here (its lower levels are still made).
    bool keepTop = false;
};

// The chain's result (flat or cube), every level allocated and zeroed, with
// the palette its levels are encoded against.
inline TextureImage MakeChainResult(const ChainRecipe& recipe, TextureKind kind)
{
    TextureImage result = MakeTexture(recipe.output, kind, recipe.width, recipe.height, 1, recipe.levels);
    result.palette = recipe.finalStep.destinationPalette;
    return result;
}

} // namespace r3az8tex
