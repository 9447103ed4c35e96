#include "r3az8/tex/convert/pixel_steps.h"

#include <algorithm>
#include <vector>

namespace r3az8tex {
namespace {

// Pieces of about this many bytes, a whole number of 8-byte pixels.
constexpr size_t kPieceBytes = 256 * 1024;

} // namespace

void ApplyStep(PixelStep step, MissingZ missingZ, std::span<BYTE> pixels)
{
    switch (step) {
    case PixelStep::ToLinear:
        SrgbToLinear(pixels);
        break;
    case PixelStep::ToSrgb:
        LinearToSrgb(pixels);
        break;
    case PixelStep::Renormalise:
        RenormaliseNormals(pixels, missingZ);
        break;
    }
}

void ApplyStepInPieces(PixelStep step, MissingZ missingZ, std::span<const std::span<BYTE>> runs, WorkPool& pool)
{
    std::vector<std::span<BYTE>> pieces;
    for (std::span<BYTE> run : runs)
        for (size_t offset = 0; offset < run.size(); offset += kPieceBytes)
            pieces.push_back(run.subspan(offset, std::min(kPieceBytes, run.size() - offset)));
    pool.ForEach(pieces.size(), [&](size_t i) { ApplyStep(step, missingZ, pieces[i]); });
}

} // namespace r3az8tex
