// The final step of a conversion: the library's conversion into the output
// format, or for a block format at the Normal or High quality, the texture
// library's quality encoder, with the pixels beyond a partial block's edges
// carrying no weight.
#pragma once

#include "r3az8/tex/dxt/quality.h"
#include "tools/r3aztex/processing/library_operations.h"
#include "tools/r3aztex/util/work_pool.h"

#include <optional>

namespace r3aztex {

// Rows of `from` into `to`, a block format (DXT1 to DXT5, BC4 or BC5), with
// the quality encoder. The rows are read through the library first (with
// `options`: colour key and filter), into 16 bits per channel. `to` starts
// on a block row.
void CompressRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options,
                  const QualityOptions& quality);

// The final step for a band of rows: CompressRows with a quality, else
// LoadRows.
void EncodeRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options,
                const std::optional<QualityOptions>& quality);

// The first `levels` levels of every face of the source in `format`, with
// the quality encoder, slice by slice (the volume textures' way; flat and
// cube textures go band by band, ConvertInBands).
TextureImage CompressBlocks(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                            const QualityOptions& quality, WorkPool& pool);

} // namespace r3aztex
