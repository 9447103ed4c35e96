// The final step of a conversion: the library's conversion into the output
// format, or for a block format at the Normal or High quality, the texture
// library's quality encoder, with the pixels beyond a partial block's edges
// carrying no weight; for DXT1, the one-bit alpha the user asked for.
#pragma once

#include "r3az8/tex/convert/buffer_shelf.h"
#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/convert/work_pool.h"
#include "r3az8/tex/dxt/quality.h"

#include <optional>

namespace r3az8tex {

// How pixels are stored into a block format beyond the load options.
struct BlockEncoding {
    // The quality encoder; none: the library's own conversion (Fast).
    std::optional<QualityOptions> quality;
    // DXT1's one-bit alpha decided by the conversion: alpha (on the 0..255 scale)
    // below this becomes 0, the rest 255, so 0 makes every pixel opaque.
    // None: the encoders' own rule (transparent below one half).
    std::optional<uint32_t> alphaCut;

    bool ChangesPixels() const { return quality || alphaCut; }
};

// Alpha of rows of A16R16G16B16 pixels cut to 0 or full at `threshold`.
void CutAlpha(std::span<BYTE> wide, uint32_t threshold);

// The final step for a band of rows of `from` into `to`: the rows are read
// through the library with `options` (colour key, filter), and, when the
// encoding changes pixels, by way of 16 bits per channel (the quality
// encoder reads them a row of blocks at a time; the one-bit alpha alone
// takes a 16-bit copy of the band, from `shelf`). `to` starts on a block
// row.
void EncodeRows(LibrarySession& session, const PixelRows& to, const SourceRows& from, const LoadOptions& options,
                const BlockEncoding& encoding, BufferShelf& shelf);

// The first `levels` levels of every face of the source in `format`, slice
// by slice (the volume textures' way; flat and cube textures go band by
// band, ConvertInBands).
TextureImage EncodeSlices(const TextureImage& source, D3DFORMAT format, uint32_t levels, const LoadOptions& options,
                          const BlockEncoding& encoding, WorkPool& pool);

} // namespace r3az8tex
