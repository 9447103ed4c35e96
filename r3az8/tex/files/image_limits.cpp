#include "r3az8/tex/files/image_decoder.h"

#include "r3az8/tex/texture/texture_error.h"

#include <atomic>

namespace r3az8tex {
namespace {

std::atomic<uint64_t> mostPixels{0};

} // namespace

void LimitImagePixels(uint64_t pixels) { mostPixels.store(pixels, std::memory_order_relaxed); }

void CheckImageLimits(const std::string& name, uint64_t width, uint64_t height, uint32_t bytesPerPixel)
{
    // Sides are checked first, so the product cannot overflow.
    if (width > kMaxSide || height > kMaxSide || width * height * bytesPerPixel > kMaxTextureBytes)
        throw FileError(ErrorKind::Unsupported, name,
                        "image of " + std::to_string(width) + "x" + std::to_string(height) +
                            " pixels is beyond the limits (" + std::to_string(kMaxSide) +
                            " pixels per side, 1 GiB of pixels)");
    const uint64_t most = mostPixels.load(std::memory_order_relaxed);
    if (most != 0 && width * height > most)
        throw FileError(ErrorKind::Unsupported, name,
                        "image of " + std::to_string(width) + "x" + std::to_string(height) +
                            " pixels is beyond this process's limit of " + std::to_string(most) + " pixels");
}

} // namespace r3az8tex
