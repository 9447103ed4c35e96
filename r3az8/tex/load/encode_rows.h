// Block compression straight from an image in memory: rows of any format the
// pixel codecs read are decoded four at a time (one row of blocks) into a
// small buffer and handed to the quality encoder, with no surface for the
// whole band and no copy of it in floats.
//
// The pixels the encoder sees are those it would see after loading the
// rows into an A16R16G16B16 surface with the same filter word and colour
// key (a point copy, dithered when the word says so): every value passes
// through 16 bits per channel, so the blocks do not depend on the path.
// BC6H, whose encoder takes values beyond 0..1, sees the rows through an
// A32B32G32R32F surface instead (block_formats.h EncoderInputFormat).
#pragma once

#include "r3az8/tex/block_encoder.h"
#include "r3az8/tex/image_desc.h"

// What is done to the pixels between decoding and encoding.
struct RowEncoding {
    QualityOptions quality;
    // DXT1's one-bit alpha chosen by the caller: when set, alpha below
    // AlphaThreshold (on the 0..255 scale) becomes 0, the rest full.
    bool CutAlpha = false;
    UINT AlphaThreshold = 0;
};

// Encodes the Width x Height pixels at pSrcMemory (SrcPitch bytes from row
// to row, in SrcFormat, with pSrcPalette for paletted formats; a block
// format's rows are rows of blocks) into rows of BlockFormat blocks
// BlockPitch bytes apart. Height is the height of the band; the rows are
// read with Filter (its dither flag counts; the sizes are equal, so nothing
// is resampled) and ColorKey. The band's rows are dithered as the first
// rows of an image: a band of a larger image starts on a multiple of 4.
// S_OK; D3DERR_INVALIDCALL for a missing pointer, an empty size or an
// invalid filter; E_FAIL for a format without a codec or one the quality
// encoder does not write; E_OUTOFMEMORY when buffers cannot be had.
HRESULT EncodeRowsFromMemory(BYTE* pBlocks, D3DFORMAT BlockFormat, UINT BlockPitch, const void* pSrcMemory,
                             D3DFORMAT SrcFormat, UINT SrcPitch, const PALETTEENTRY* pSrcPalette, UINT Width,
                             UINT Height, DWORD Filter, D3DCOLOR ColorKey, const RowEncoding& Encoding);
