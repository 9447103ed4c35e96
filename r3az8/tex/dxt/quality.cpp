// EncodeQualityBlocks and EncodeQualityImage: the level's encoder for the
// instruction set the processor has (chosen at the first call), and whole
// images cut into blocks with their partial edges marked.
#include "r3az8/tex/dxt/no_fused_multiply_add.h"
#include "r3az8/tex/dxt/quality.h"

#include "r3az8/tex/cpu.h"
#include "r3az8/tex/codecs/block_formats.h"
#include "r3az8/tex/dxt/block_lanes.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

using QualityKernel = HRESULT (*)(D3DFORMAT, BYTE*, const FloatColor*, const BYTE*, UINT, BlockQuality, const float*,
                                  const float*);

QualityKernel ChooseQualityKernel()
{
    return KernelsMayUse(InstructionSet::Avx2) ? block_lanes_avx2::EncodeQualityBlocks
                                               : block_lanes_portable::EncodeQualityBlocks;
}

// Shares of brightness (ITU-R BT.601 luma) as weights of squared errors.
constexpr float kPerceptualWeights[3] = {0.299f, 0.587f, 0.114f};
constexpr float kUniformWeights[3] = {1.0f, 1.0f, 1.0f};

// The row of a format the quality encoder writes, or null.
const BlockFormat* FindQualityFormat(D3DFORMAT format)
{
    const BlockFormat* row = FindBlockFormat(format);
    return row != nullptr && row->qualityEncoder != nullptr ? row : nullptr;
}

// Squared error of the covered pixels of a block as decoded, over the
// channels the format holds.
double CoveredError(const BlockFormat& row, const BYTE* block, const FloatColor* pixels, const BYTE* covered)
{
    FloatColor decoded[kBlockPixels];
    row.decode(decoded, block);
    double sum = 0.0;
    for (UINT i = 0; i < kBlockPixels; ++i)
        if (covered[i])
            for (int c = 0; c < row.channels; ++c) {
                const float wanted = (&pixels[i].r)[c];
                const double d = (&decoded[i].r)[c] - (wanted > 0.0f ? (wanted < 1.0f ? wanted : 1.0f) : 0.0f);
                sum += d * d;
            }
    return sum;
}

} // namespace

HRESULT EncodeQualityLanes(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered, UINT count,
                           const QualityOptions& options)
{
    static const QualityKernel kernel = ChooseQualityKernel();
    const float* weights = options.weighting == ColorWeighting::Uniform ? kUniformWeights : kPerceptualWeights;
    const float scales[3] = {std::sqrt(weights[0]), std::sqrt(weights[1]), std::sqrt(weights[2])};
    return kernel(format, pBlocks, pColors, pCovered, count, options.quality, weights, scales);
}

bool IsQualityBlockFormat(D3DFORMAT format) { return FindQualityFormat(format) != nullptr; }

UINT QualityBlockBytes(D3DFORMAT format) { return IsQualityBlockFormat(format) ? BlockBytesOf(format) : 0; }

bool RunsQualityEncoder(D3DFORMAT format, BlockQuality quality)
{
    const BlockFormat* row = FindQualityFormat(format);
    return row != nullptr && (quality != BlockQuality::Fast || row->fast != FastLevel::FixedEncoder);
}

HRESULT EncodeQualityBlocks(D3DFORMAT format, BYTE* pBlocks, const FloatColor* pColors, const BYTE* pCovered,
                            UINT count, const QualityOptions& options)
{
    const BlockFormat* row = FindQualityFormat(format);
    if (row == nullptr)
        return E_FAIL;
    // The fixed encoder has no notion of coverage: it sees the pixels as
    // given, which EncodeQualityImage fills by edge replication.
    if (!RunsQualityEncoder(format, options.quality))
        return row->fixedEncoder(format, pBlocks, pColors, count);
    return row->qualityEncoder(format, pBlocks, pColors, pCovered, count, options);
}

HRESULT EncodeQualityImage(D3DFORMAT format, BYTE* pBlocks, UINT blockPitch, const FloatColor* pPixels,
                           UINT pixelPitch, UINT width, UINT height, const QualityOptions& options)
{
    const BlockFormat* formatRow = FindQualityFormat(format);
    if (formatRow == nullptr)
        return E_FAIL;
    const UINT columns = (width + 3) / 4;
    const UINT blockBytes = BlockBytesOf(format);
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
        // The fixed encoder's blocks stay as they came: Fast is its bytes.
        // Where Fast runs as Normal (BC4, BC5), it is Normal here too.
        if (!partial || !RunsQualityEncoder(format, options.quality))
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
            if (CoveredError(*formatRow, replicated, row.data() + at, covered.data() + at) <
                CoveredError(*formatRow, block, row.data() + at, covered.data() + at))
                std::memcpy(block, replicated, blockBytes);
        }
    }
    return S_OK;
}
