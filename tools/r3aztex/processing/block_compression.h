// The final step of a conversion into a block format at the Normal or High
// quality: the texture library's quality encoder, level by level, with the
// pixels beyond a partial block's edges carrying no weight.
#pragma once

#include "r3az8/tex/dxt/quality.h"
#include "tools/r3aztex/processing/library_operations.h"
#include "tools/r3aztex/util/work_pool.h"

namespace r3aztex {

// The first `levels` levels of every face of the source in `format` (DXT1 to
// DXT5, BC4 or BC5). The source is read through the library first (with
// `options`: colour key and filter), into 16 bits per channel.
TextureImage CompressBlocks(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                            const QualityOptions& quality, WorkPool& pool);

} // namespace r3aztex
