#include "r3az8/tex/convert/float_repair.h"

#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/texture/format_table.h"

#include <cmath>
#include <cstring>
#include <type_traits>

namespace r3az8tex {

size_t FloatChannelBytes(D3DFORMAT format)
{
    struct Row {
        D3DFORMAT format;
        size_t bytes;
    };
    static constexpr Row kRows[] = {
        {FMT_R16F, 2}, {FMT_G16R16F, 2}, {FMT_A16B16G16R16F, 2}, {FMT_R32F, 4},
        {FMT_G32R32F, 4}, {FMT_A32B32G32R32F, 4}, {FMT_B32G32R32F, 4},
    };
    for (const Row& row : kRows)
        if (row.format == format)
            return row.bytes;
    return 0;
}

namespace {

// Half and 32-bit float channels, seen through the same three questions
// and the same three replacements.
struct HalfChannel {
    using Bits = uint16_t;
    static bool NotANumber(Bits h) { return (h & 0x7C00) == 0x7C00 && (h & 0x03FF) != 0; }
    static bool Infinite(Bits h) { return (h & 0x7FFF) == 0x7C00; }
    static bool Negative(Bits h) { return (h & 0x8000) != 0 && (h & 0x7FFF) != 0; }
    static bool AboveOne(Bits h) { return h > 0x3C00 && h < 0x7C00; }
    static constexpr Bits kZero = 0x0000, kLargest = 0x7BFF, kLowest = 0xFBFF;
};

struct FloatChannel {
    using Bits = uint32_t;
    static float Value(Bits b)
    {
        float f;
        std::memcpy(&f, &b, sizeof f);
        return f;
    }
    static bool NotANumber(Bits b) { return std::isnan(Value(b)); }
    static bool Infinite(Bits b) { return std::isinf(Value(b)); }
    static bool Negative(Bits b) { return Value(b) < 0.0f; }
    static bool AboveOne(Bits b) { return Value(b) > 1.0f; }
    static constexpr Bits kZero = 0x00000000, kLargest = 0x477FE000, kLowest = 0xC77FE000; // +-65504
};

// Counts the values to replace in a const surface, and replaces them too in
// one that is not.
template <typename Channel, typename Surface>
void Walk(Surface& surface, bool negativesStored, bool aboveOneStored, FloatRepairs& repairs)
{
    using Bits = typename Channel::Bits;
    for (size_t at = 0; at + sizeof(Bits) <= surface.size(); at += sizeof(Bits)) {
        Bits bits;
        std::memcpy(&bits, surface.data() + at, sizeof bits);
        Bits replacement = bits;
        if (Channel::NotANumber(bits)) {
            ++repairs.notANumber;
            replacement = Channel::kZero;
        } else if (Channel::Infinite(bits)) {
            ++repairs.infinite;
            replacement = !Channel::Negative(bits) ? Channel::kLargest
                          : negativesStored        ? Channel::kLowest
                                                   : Channel::kZero;
        } else if (!negativesStored && Channel::Negative(bits)) {
            ++repairs.negative;
            replacement = Channel::kZero;
        } else {
            if (!aboveOneStored && Channel::AboveOne(bits))
                ++repairs.clipped;
            continue;
        }
        if constexpr (!std::is_const_v<Surface>)
            std::memcpy(surface.data() + at, &replacement, sizeof replacement);
    }
}

template <typename Surface>
void WalkSurface(Surface& surface, D3DFORMAT format, D3DFORMAT output, FloatRepairs& repairs)
{
    const size_t bytes = FloatChannelBytes(format);
    if (bytes == 2)
        Walk<HalfChannel>(surface, StoresNegatives(output), StoresAboveOne(output), repairs);
    else if (bytes == 4)
        Walk<FloatChannel>(surface, StoresNegatives(output), StoresAboveOne(output), repairs);
}

template <typename Texture>
FloatRepairs Visit(Texture& texture, D3DFORMAT output)
{
    FloatRepairs repairs;
    for (auto& surface : texture.surfaces)
        WalkSurface(surface, texture.format, output, repairs);
    return repairs;
}

} // namespace

std::string FloatRepairs::Text() const
{
    if (Total() == 0)
        return "";
    std::string parts;
    auto add = [&parts](uint64_t count, const char* what) {
        if (count > 0)
            parts += (parts.empty() ? "" : ", ") + std::to_string(count) + what;
    };
    add(notANumber, " NaN by 0");
    add(infinite, " infinite by +-65504 (0 for -infinity where negatives are not stored)");
    add(negative, " negative by 0 (the output stores no negative values)");
    return std::to_string(Total()) + (Total() == 1 ? " float value" : " float values") +
           " replaced before filtering: " + parts;
}

std::string FloatRepairs::ClippingText(D3DFORMAT output) const
{
    if (clipped == 0)
        return "";
    const FormatInfo* info = FindFormat(output);
    return std::to_string(clipped) + (clipped == 1 ? " float value" : " float values") + " above 1 clipped to 1: " +
           (info != nullptr ? info->name : "the output") + " stores 0..1 (a float format or bc6h keeps them)";
}

bool HasFloatChannels(D3DFORMAT format) { return FloatChannelBytes(format) != 0; }

bool StoresAboveOne(D3DFORMAT output)
{
    const FormatInfo* info = FindFormat(output);
    return info == nullptr || info->content == Content::Float;
}

bool StoresNegatives(D3DFORMAT output)
{
    // ASTC's HDR endpoints are unsigned, whatever Vulkan's SFLOAT name says.
    return output != FMT_BC6H_UF16 && output != FMT_R11G11B10F && output != FMT_R9G9B9E5 && !IsAstcFloatFormat(output);
}

FloatRepairs FindFloatRepairs(const TextureImage& texture, D3DFORMAT output)
{
    return Visit(texture, output);
}

FloatRepairs RepairFloats(TextureImage& texture, D3DFORMAT output) { return Visit(texture, output); }

FloatRepairs FindFloatRepairs(const TextureImage& texture, D3DFORMAT output, uint32_t level)
{
    FloatRepairs repairs;
    for (uint32_t face = 0; face < texture.Faces(); ++face)
        WalkSurface(texture.Surface(face, level), texture.format, output, repairs);
    return repairs;
}

} // namespace r3az8tex
