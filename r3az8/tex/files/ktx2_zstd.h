// Zstandard supercompression of KTX2 levels (scheme 2: each level one
// Zstandard frame, as the KTX 2.0 format describes), through libzstd.
#pragma once

#include "d3d8.h"

#include <span>
#include <vector>

namespace r3az8tex::ktx2 {

inline constexpr int kMinZstdLevel = 1;
inline constexpr int kMaxZstdLevel = 22;

// The level's bytes as one frame that records its size.
std::vector<BYTE> Deflate(std::span<const BYTE> level, int compressionLevel);

// The frame inflated into `out`, whose size is what the level must give.
// Throws TextureError (Malformed) with the reason alone when the data are
// not a frame, or give more or fewer bytes than that.
void Inflate(std::span<const BYTE> frame, std::span<BYTE> out);

} // namespace r3az8tex::ktx2
