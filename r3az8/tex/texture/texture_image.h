// A texture held in memory (r3az8/tex/texture.h), with what the library's
// own readers and writers need beside it: layouts from a format's row, and
// shapes checked before anything is allocated.
#pragma once

#include "r3az8/tex/texture.h"
#include "r3az8/tex/texture/format_table.h"

#include <cstdint>

namespace r3az8tex {

// Layout of a w x h x d image of the format, tightly packed. Sides must be
// at least 1 and at most kMaxSide (so nothing overflows).
LevelLayout DescribeLevel(const FormatInfo& format, uint32_t width, uint32_t height, uint32_t depth);

// The total of a texture described by its header, computed without
// overflow; returns false when a side is 0 or above kMaxSide, or the level
// count is beyond the chain.
bool ChainBytes(const FormatInfo& format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                uint32_t levels, uint64_t& total);

// A texture of the given shape whose faces x levels surfaces are still
// empty, for a caller that fills each with its bytes. Checks nothing.
TextureImage TextureShape(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height, uint32_t depth,
                          uint32_t levels);

} // namespace r3az8tex
