#include "r3az8/tex/files/dds_pixel_format.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace r3az8tex::dds {
namespace {

// Exchanges two equally wide fields inside every pixel of Pixel bytes.
template <typename Pixel, unsigned FieldBits, unsigned LowShift, unsigned HighShift>
void SwapFields(std::span<BYTE> pixels)
{
    constexpr Pixel mask = (Pixel(1) << FieldBits) - 1;
    for (size_t offset = 0; offset + sizeof(Pixel) <= pixels.size(); offset += sizeof(Pixel)) {
        Pixel value;
        std::memcpy(&value, pixels.data() + offset, sizeof value);
        const Pixel low = (value >> LowShift) & mask;
        const Pixel high = (value >> HighShift) & mask;
        value &= ~((mask << LowShift) | (mask << HighShift));
        value |= (low << HighShift) | (high << LowShift);
        std::memcpy(pixels.data() + offset, &value, sizeof value);
    }
}

void UnsignChannelBlocks(std::span<BYTE> blocks)
{
    for (size_t offset = 0; offset + 8 <= blocks.size(); offset += 8)
        for (size_t k = 0; k < 2; ++k) {
            int end = static_cast<signed char>(blocks[offset + k]);
            end = end < -127 ? -127 : end;
            // Strictly increasing, so the ends keep their order and the
            // block its ramp mode.
            blocks[offset + k] = static_cast<BYTE>(((end + 127) * 255 + 127) / 254);
        }
}

static_assert(std::endian::native == std::endian::little, "pixel words are read in host order");

} // namespace

void ApplySwizzle(Swizzle swizzle, std::span<BYTE> pixels)
{
    switch (swizzle) {
    case Swizzle::None:
        return;
    case Swizzle::SwapRedBlue8:
        return SwapFields<uint32_t, 8, 0, 16>(pixels);
    case Swizzle::SwapRedBlue10:
        return SwapFields<uint32_t, 10, 0, 20>(pixels);
    case Swizzle::SwapRedBlue16:
        return SwapFields<uint64_t, 16, 0, 32>(pixels);
    case Swizzle::SwapRedBlue24:
        for (size_t offset = 0; offset + 3 <= pixels.size(); offset += 3)
            std::swap(pixels[offset], pixels[offset + 2]);
        return;
    case Swizzle::SignedChannelBlocks:
        return UnsignChannelBlocks(pixels);
    }
}

} // namespace r3az8tex::dds
