#include "tools/r3aztex/image_io/image_decoder.h"

#include "tools/r3aztex/tool_error.h"

namespace r3aztex {

void CheckImageLimits(const std::string& name, uint64_t width, uint64_t height, uint32_t bytesPerPixel)
{
    // Sides are checked first, so the product cannot overflow.
    if (width > kMaxSide || height > kMaxSide || width * height * bytesPerPixel > kMaxTextureBytes)
        throw FileError(ExitCode::Unsupported, name,
                        "image of " + std::to_string(width) + "x" + std::to_string(height) +
                            " pixels is beyond the limits (" + std::to_string(kMaxSide) +
                            " pixels per side, 1 GiB of pixels)");
}

} // namespace r3aztex
