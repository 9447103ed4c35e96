// The one-block encoders and the endpoint searches: the lane kernel at a
// width of one lane, so a block's bytes come from the same arithmetic
// whether it is encoded alone or beside others.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/block_lanes.h"

#define BLOCK_LANES_NAMESPACE block_one
#define BLOCK_LANES_WIDTH 1
#include "r3az8/tex/dxt/block_lanes_kernel.h"
#include "r3az8/tex/dxt/quality_kernel.h"

HRESULT EncodeBlockDXT1(BYTE* pBlock, const FloatColor* pColors)
{
    return block_one::EncodeBlocks(D3DFMT_DXT1, pBlock, pColors, 1);
}

HRESULT EncodeBlockDXT2(BYTE* pBlock, const FloatColor* pColors)
{
    return block_one::EncodeBlocks(D3DFMT_DXT2, pBlock, pColors, 1);
}

HRESULT EncodeBlockDXT3(BYTE* pBlock, const FloatColor* pColors)
{
    return block_one::EncodeBlocks(D3DFMT_DXT3, pBlock, pColors, 1);
}

HRESULT EncodeBlockDXT4(BYTE* pBlock, const FloatColor* pColors)
{
    return block_one::EncodeBlocks(D3DFMT_DXT4, pBlock, pColors, 1);
}

HRESULT EncodeBlockDXT5(BYTE* pBlock, const FloatColor* pColors)
{
    return block_one::EncodeBlocks(D3DFMT_DXT5, pBlock, pColors, 1);
}

void FitColorEndpoints(const WeightedColor* pColors, UINT steps, WeightedColor* pFirst, WeightedColor* pSecond)
{
    using namespace block_one;
    Floats r[kBlockPixels], g[kBlockPixels], b[kBlockPixels];
    for (UINT i = 0; i < kBlockPixels; ++i) {
        r[i] = Splat(pColors[i].r);
        g[i] = Splat(pColors[i].g);
        b[i] = Splat(pColors[i].b);
    }
    const bool three = steps == 3;
    Rgb first, second;
    block_one::FitColorEndpoints(r, g, b, SplatInt(three ? -1 : 0), Splat(three ? 2.0f : 3.0f), first, second);
    *pFirst = {first.r[0], first.g[0], first.b[0]};
    *pSecond = {second.r[0], second.g[0], second.b[0]};
}

void FitAlphaEndpoints(const float* pAlphas, UINT steps, float* pLow, float* pHigh)
{
    using namespace block_one;
    Floats alphas[kBlockPixels];
    for (UINT i = 0; i < kBlockPixels; ++i)
        alphas[i] = Splat(pAlphas[i]);
    Floats low, high;
    block_one::FitAlphaEndpoints(alphas, SplatInt(steps == 6 ? -1 : 0), low, high);
    *pLow = low[0];
    *pHigh = high[0];
}
