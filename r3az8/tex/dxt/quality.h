// The quality block encoder: DXT1 to DXT5, BC4 and BC5 blocks fitted for
// the least error, at a chosen effort, with pixels outside the image left
// out of the fit.
//
// This is a separate entry point beside the fixed encoder (EncodeBlocks):
// Blit, FilterTexture and every load operation keep the fixed encoder's
// bytes; tools call this one for their final compression step. Like the
// fixed encoder it is deterministic, single precision in a fixed order, and
// gives the same bytes on every build and in every lane width. It holds no
// mutable state: any number of threads may call it at once. Its calls are
// declared in the public block_encoder.h; the decoders it checks its fits
// with are in dxt_block.h.
#pragma once

#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/dxt/dxt_block.h"

// Whether EncodeQualityBlocks runs the quality encoder for the format at
// this level, rather than handing the blocks to the fixed encoder (Fast,
// where the format has one: the block format table's FastLevel). False for
// a format it does not write.
bool RunsQualityEncoder(D3DFORMAT format, BlockQuality quality);
