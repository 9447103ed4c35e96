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
// declared in the public block_encoder.h.
#pragma once

#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/dxt/dxt_block.h"

// Decoders of BC4 and BC5 blocks: red (BC5: red and green) from the block,
// the other channels 0 and alpha 1.
HRESULT DecodeBlockBC4(FloatColor* pColors, const BYTE* pBlock);
HRESULT DecodeBlockBC5(FloatColor* pColors, const BYTE* pBlock);
