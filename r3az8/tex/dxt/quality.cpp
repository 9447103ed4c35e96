// EncodeQualityBlocks and EncodeQualityImage: the level's encoder for the
// instruction set the processor has (chosen at the first call), and whole
// images cut into blocks with their partial edges marked.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/quality.h"

#include "r3az8/tex/cpu.h"
#include "r3az8/tex/dxt/block_lanes.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using QualityEncoder = HRESULT (*)(D3DFORMAT, BYTE*, const FloatColor*, const BYTE*, UINT, bool, const float*,
                                   const float*);

QualityEncoder ChooseQualityEncoder()
{
    return KernelsMayUse(InstructionSet::Avx2) ? block_lanes_avx2::EncodeQualityBlocks
                                               : block_lanes_portable::EncodeQualityBlocks;
}

// The formats the quality encoder writes, and their block sizes.
constexpr std::pair<D3DFORMAT, UINT> BlockSizes[] = {{D3DFMT_DXT1, 8},  {D3DFMT_DXT2, 16}, {D3DFMT_DXT3, 16},
                                                     {D3DFMT_DXT4, 16}, {D3DFMT_DXT5, 16}, {D3DFMT_BC4, 8},
                                                     {D3DFMT_BC5, 16}};

// Shares of brightness (ITU-R BT.601 luma) as weights of squared errors.
constexpr float PerceptualWeights[3] = {0.299f, 0.587f, 0.114f};
constexpr float UniformWeights[3] = {1.0f, 1.0f, 1.0f};

// Squared error of the covered pixels of a block as decoded, over the
// channels the format holds.
double CoveredError(D3DFORMAT format, const BYTE* block, const FloatColor* pixels, const BYTE* covered)
{
    FloatColor decoded[BlockPixels];
    int channels = 4;
    switch (format) {
    case D3DFMT_DXT1: DecodeBlockDXT1(decoded, block); break;
    case D3DFMT_DXT2: DecodeBlockDXT2(decoded, block); break;
    case D3DFMT_DXT3: DecodeBlockDXT3(decoded, block); break;
    case D3DFMT_DXT4: DecodeBlockDXT4(decoded, block); break;
    case D3DFMT_DXT5: DecodeBlockDXT5(decoded, block); break;
    case D3DFMT_BC4: DecodeBlockBC4(decoded, block); channels = 1; break;
    default: DecodeBlockBC5(decoded, block); channels = 2; break;
    }
    double sum = 0.0;
    for (UINT i = 0; i < BlockPixels; ++i)
        if (covered[i])
            for (int c = 0; c < channels; ++c) {
                const float wanted = (&pixels[i].r)[c];
                const double d = (&decoded[i].r)[c] - (wanted > 0.0f ? (wanted < 1.0f ? wanted : 1.0f) : 0.0f);
                sum += d * d;
            }
    return sum;
}

} // namespace

bool IsQualityBlockFormat(D3DFORMAT format) { return QualityBlockBytes(format) != 0; }

UINT QualityBlockBytes(D3DFORMAT format)
{
    for (const auto& [code, bytes] : BlockSizes)
        if (code == format)
            return bytes;
    return 0;
}

HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                            UINT count, const QualityOptions& options)
{
    if (!IsQualityBlockFormat(format))
        return E_FAIL;
    // The fixed encoder has no notion of coverage: it sees the pixels as
    // given, which EncodeQualityImage fills by edge replication.
    if (options.quality == BlockQuality::Fast && format != D3DFMT_BC4 && format != D3DFMT_BC5)
        return EncodeBlocks(format, pBlocks, pColors, count);
    static const QualityEncoder encoder = ChooseQualityEncoder();
    const float* weights = options.weighting == ColorWeighting::Uniform ? UniformWeights : PerceptualWeights;
    const float scales[3] = {std::sqrt(weights[0]), std::sqrt(weights[1]), std::sqrt(weights[2])};
    return encoder(format, pBlocks, pColors, pCovered, count, options.quality == BlockQuality::High, weights, scales);
}

HRESULT EncodeQualityImage(D3DFORMAT format, BYTE* pBlocks, UINT blockPitch, const FloatColor* pPixels,
                           UINT pixelPitch, UINT width, UINT height, const QualityOptions& options)
{
    if (!IsQualityBlockFormat(format))
        return E_FAIL;
    const UINT columns = (width + 3) / 4;
    const UINT blockBytes = QualityBlockBytes(format);
    std::vector<FloatColor> row(std::size_t{columns} * 16);
    std::vector<BYTE> covered(std::size_t{columns} * 16);
    for (UINT top = 0; top < height; top += 4) {
        bool partial = false;
        for (UINT column = 0; column < columns; ++column)
            for (UINT i = 0; i < 16; ++i) {
                const UINT x = column * 4 + i % 4;
                const UINT y = top + i / 4;
                const bool inside = x < width && y < height;
                const std::size_t at = std::size_t{column} * 16 + i;
                row[at] = pPixels[std::size_t{y < height ? y : height - 1} * pixelPitch + (x < width ? x : width - 1)];
                covered[at] = inside ? 1 : 0;
                partial = partial || !inside;
            }
        BYTE* blocks = pBlocks + std::size_t{top / 4} * blockPitch;
        HRESULT hr = EncodeQualityBlocks(format, blocks, row.data(), partial ? covered.data() : nullptr, columns,
                                         options);
        if (FAILED(hr))
            return hr;
        if (!partial || options.quality == BlockQuality::Fast)
            continue;
        // A cut block also tries the fit to the edge-replicated block,
        // whose copies weigh the edge pixels more, and keeps whichever
        // decodes the image's own pixels closer: never worse than
        // replication.
        for (UINT column = top + 4 > height ? 0 : columns - 1; column < columns; ++column) {
            const std::size_t at = std::size_t{column} * 16;
            BYTE replicated[16];
            hr = EncodeQualityBlocks(format, replicated, row.data() + at, nullptr, 1, options);
            if (FAILED(hr))
                return hr;
            BYTE* block = blocks + std::size_t{column} * blockBytes;
            if (CoveredError(format, replicated, row.data() + at, covered.data() + at) <
                CoveredError(format, block, row.data() + at, covered.data() + at))
                std::memcpy(block, replicated, blockBytes);
        }
    }
    return S_OK;
}
