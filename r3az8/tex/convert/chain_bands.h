// What the two chain makers that work band by band (banded_chain.h,
// chain_from_top.h) share: the inputs they hold for the length of one
// conversion and the result they fill, band by band, from the pool's
// threads (each band writes rows of its own).
#pragma once

#include "r3az8/tex/convert/buffer_shelf.h"
#include "r3az8/tex/convert/chain_recipe.h"
#include "r3az8/tex/convert/row_arrival.h"

namespace r3az8tex {

inline bool IsPowerOfTwo(uint32_t side) { return (side & (side - 1)) == 0; }

class ChainBands {
protected:
    ChainBands(const TextureImage& source, const ChainRecipe& recipe, const RowArrival* arrival, size_t bandBytes)
        : source_(source), recipe_(recipe), arrival_(arrival), bandBytes_(bandBytes)
    {
    }

    const TextureImage& source_;
    const ChainRecipe& recipe_;
    const RowArrival* arrival_; // null: the source is whole already
    size_t bandBytes_;
    TextureImage result_;
    TextureImage next_; // the level the bands of the one above write, when it is kept
    BufferShelf shelf_; // the bands' own rows
};

} // namespace r3az8tex
