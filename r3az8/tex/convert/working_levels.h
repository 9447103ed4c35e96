// Working copies in the format resizing and mips work in, held by the conversion
// rather than the software device and made band by band, so that a request
// within the limits never fails for the size of its working copy: 16384 x
// 16384 pixels take 2 GiB at 8 bytes a pixel and 4 GiB at 16, beyond the
// 1 GiB a texture may hold and beyond what one device surface holds.
#pragma once

#include "r3az8/tex/convert/library_operations.h"
#include "r3az8/tex/convert/work_pool.h"

namespace r3az8tex {

// Working copies up to this size are made whole on the device, whose
// whole-image loads are as quick for them; larger ones go band by band,
// which gives the same bytes in the same time with far less memory held
// (a 4000x3000 image to a DXT1 chain: 2.1 s either way, 430 MB whole,
// 180 MB in bands).
inline constexpr uint64_t kWholeWorkingBytes = 64ull << 20;

// About the bytes of a band of a library band load: each load works out
// the filter's weights over the whole source, so a band is larger than the
// banded chain's.
inline constexpr size_t kResampleBandBytes = 2 * 1024 * 1024;

// Rows of one band, a multiple of 4 (the dither pattern and the block rows
// line up), at least 4, for rows of `rowBytes`.
uint32_t BandRows(size_t rowBytes, size_t bandBytes);

// A one-level flat or cube texture, zeroed, bound by the side limit only.
TextureImage MakeWorkingImage(D3DFORMAT format, TextureKind kind, uint32_t width, uint32_t height);

// Rows [first, first + to.height) of a destination `height` rows high that
// loading the whole of `from` into it with `options` gives
// (LoadRowsFromMemory). `to` holds a format of whole pixels.
void LoadBand(LibrarySession& session, const PixelRows& to, uint32_t first, uint32_t height, const SourceRows& from,
              const LoadOptions& options);

// ResampleTop for a flat or cube texture in `format` (whole pixels), made
// band by band: the same bytes.
TextureImage ResampleInBands(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                             const LoadOptions& options, WorkPool& pool, size_t bandBytes = kResampleBandBytes);

// A flat or cube working copy resampled: ResampleTop up to
// kWholeWorkingBytes, ResampleInBands beyond.
TextureImage ResampleWorkingTop(const TextureImage& source, D3DFORMAT format, uint32_t width, uint32_t height,
                                const LoadOptions& options, WorkPool& pool);

} // namespace r3az8tex
