#include "r3az8/tex/files/ktx2_dfd.h"

#include "r3az8/tex/texture/format_table.h"
#include "r3az8/tex/texture/texture_error.h"

#include <algorithm>
#include <bit>
#include <tuple>

namespace r3az8tex::ktx2 {
namespace {

constexpr uint32_t kBlockHeaderBytes = 24;
constexpr uint32_t kSampleBytes = 16;
constexpr uint16_t kVersion = 2; // data format descriptor version 1.3
// The qualifiers that change what a sample's bits mean; "linear" only
// marks alpha beside sRGB colour, and is not compared.
constexpr BYTE kMeaningQualifiers = kQualifierExponent | kQualifierSigned | kQualifierFloat;

void Put32(std::vector<BYTE>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(BYTE(value >> (8 * i)));
}

uint32_t Get32(std::span<const BYTE> bytes, size_t at)
{
    return bytes[at] | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 | uint32_t(bytes[at + 3]) << 24;
}

BYTE QualifiersOf(const FormatRow& row, const Sample& sample, ColourSpace colourSpace)
{
    BYTE qualifiers = sample.qualifiers;
    if (row.numbers == Numbers::Snorm || row.numbers == Numbers::Sfloat)
        qualifiers |= kQualifierSigned;
    if (row.numbers == Numbers::Ufloat || row.numbers == Numbers::Sfloat)
        qualifiers |= kQualifierFloat;
    // Alpha stays linear beside sRGB colour.
    if (colourSpace == ColourSpace::Srgb && sample.channel == kChannelAlpha)
        qualifiers |= kQualifierLinear;
    return qualifiers;
}

// The sample's lower and upper values: the range of a normalised integer
// that maps to 0..1 (-1..1 signed), or the floats -1 (0 unsigned) and 1.
std::pair<uint32_t, uint32_t> LimitsOf(const FormatRow& row, const Sample& sample)
{
    const unsigned bits = std::min<unsigned>(sample.bits, 32);
    if (sample.qualifiers & kQualifierExponent)
        return {0, (1u << sample.bits) - 1};
    switch (row.numbers) {
    case Numbers::Unorm:
        return {0, bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1};
    case Numbers::Snorm: {
        const uint32_t upper = bits == 32 ? 0x7FFFFFFFu : (1u << (bits - 1)) - 1;
        return {uint32_t(-int64_t(upper)), upper};
    }
    case Numbers::Ufloat:
        return {0, std::bit_cast<uint32_t>(1.0f)};
    case Numbers::Sfloat:
        return {std::bit_cast<uint32_t>(-1.0f), std::bit_cast<uint32_t>(1.0f)};
    }
    return {0, 0};
}

UINT UnitBytes(const FormatRow& row) { return FindFormat(row.format)->unitBytes; }

[[noreturn]] void Broken(const std::string& reason)
{
    throw TextureError(ErrorKind::Malformed, "data format descriptor " + reason);
}

using SampleKey = std::tuple<uint16_t, BYTE, BYTE, BYTE>; // offset, channel, bits, qualifiers

const char* ModelName(BYTE model)
{
    switch (model) {
    case kModelRgbsda:
        return "rgbsda";
    case kModelBc1a:
        return "bc1a";
    case kModelBc2:
        return "bc2";
    case kModelBc3:
        return "bc3";
    case kModelBc4:
        return "bc4";
    case kModelBc5:
        return "bc5";
    case kModelBc6h:
        return "bc6h";
    case kModelBc7:
        return "bc7";
    case kModelAstc:
        return "astc";
    }
    return nullptr;
}

} // namespace

std::vector<BYTE> MakeDescriptor(const FormatRow& row, ColourSpace colourSpace, bool premultiplied,
                                 bool supercompressed)
{
    const uint32_t blockBytes = kBlockHeaderBytes + kSampleBytes * row.sampleCount;
    std::vector<BYTE> out;
    Put32(out, 4 + blockBytes);
    Put32(out, 0); // vendor Khronos, descriptor type basic
    Put32(out, kVersion | blockBytes << 16);
    const BYTE transfer = colourSpace == ColourSpace::Srgb ? kTransferSrgb : kTransferLinear;
    Put32(out, row.model | kPrimariesBt709 << 8 | uint32_t(transfer) << 16 |
                   uint32_t(premultiplied ? kFlagPremultiplied : 0) << 24);
    Put32(out, uint32_t(row.blockWidth - 1) | uint32_t(row.blockHeight - 1) << 8);
    Put32(out, supercompressed ? 0 : UnitBytes(row));
    Put32(out, 0);
    for (size_t i = 0; i < row.sampleCount; ++i) {
        const Sample& sample = row.samples[i];
        Put32(out, sample.bitOffset | uint32_t(sample.bits - 1) << 16 |
                       uint32_t(sample.channel | QualifiersOf(row, sample, colourSpace)) << 24);
        Put32(out, 0); // sample position: the block's origin
        const auto [lower, upper] = LimitsOf(row, sample);
        Put32(out, lower);
        Put32(out, upper);
    }
    return out;
}

DescriptorFacts CheckDescriptor(std::span<const BYTE> descriptor, const FormatRow& row, ColourSpace colourSpace,
                                bool supercompressed)
{
    if (descriptor.size() < 4 + kBlockHeaderBytes)
        Broken("of " + std::to_string(descriptor.size()) + " bytes is shorter than one basic block");
    if (Get32(descriptor, 0) != descriptor.size())
        Broken("says it is " + std::to_string(Get32(descriptor, 0)) + " bytes, but the index gives " +
               std::to_string(descriptor.size()));
    // Every block must fit; only the first, the basic one, is read.
    for (size_t at = 4; at < descriptor.size();) {
        if (descriptor.size() - at < 8)
            Broken("ends inside a block header");
        const uint32_t size = Get32(descriptor, at + 4) >> 16;
        if (size < 8 || size > descriptor.size() - at)
            Broken("has a block of " + std::to_string(size) + " bytes that does not fit");
        at += size;
    }
    const uint32_t kind = Get32(descriptor, 4);
    const uint32_t version = Get32(descriptor, 8) & 0xFFFF;
    const uint32_t blockBytes = Get32(descriptor, 8) >> 16;
    if (kind != 0 || version != kVersion)
        Broken("does not start with a basic block of version 2 (vendor and type " + std::to_string(kind) +
               ", version " + std::to_string(version) + ")");
    if (blockBytes < kBlockHeaderBytes || (blockBytes - kBlockHeaderBytes) % kSampleBytes != 0)
        Broken("basic block of " + std::to_string(blockBytes) + " bytes holds no whole number of samples");
    DescriptorFacts facts{descriptor[12], descriptor[13], descriptor[14], descriptor[15], Get32(descriptor, 20)};
    const std::string vkName = (colourSpace == ColourSpace::Srgb ? row.vkSrgb : row.vk).name;
    if (facts.model != row.model) {
        const char* name = ModelName(facts.model);
        Broken("gives the colour model " + (name ? std::string(name) : std::to_string(facts.model)) + ", not the " +
               ModelName(row.model) + " of " + vkName);
    }
    const BYTE transfer = colourSpace == ColourSpace::Srgb ? kTransferSrgb : kTransferLinear;
    if (facts.transfer != transfer && !(colourSpace != ColourSpace::Srgb && facts.transfer == 0))
        Broken(std::string("gives transfer function ") + std::to_string(facts.transfer) + " for " + vkName +
               (transfer == kTransferSrgb ? ", which is sRGB" : ", which is not sRGB"));
    if (descriptor[16] != row.blockWidth - 1 || descriptor[17] != row.blockHeight - 1 || descriptor[18] != 0 ||
        descriptor[19] != 0)
        Broken("gives a texel block of " + std::to_string(descriptor[16] + 1) + "x" +
               std::to_string(descriptor[17] + 1) + ", not the " + std::to_string(row.blockWidth) + "x" +
               std::to_string(row.blockHeight) + " of " + vkName);
    const uint32_t unit = UnitBytes(row);
    if (facts.bytesPlane0 != unit && !(supercompressed && facts.bytesPlane0 == 0))
        Broken("gives " + std::to_string(facts.bytesPlane0) + " bytes a block, not the " + std::to_string(unit) +
               " of " + vkName);
    const size_t count = (blockBytes - kBlockHeaderBytes) / kSampleBytes;
    std::vector<SampleKey> found, wanted;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = 4 + kBlockHeaderBytes + i * kSampleBytes;
        const BYTE type = descriptor[at + 3];
        found.emplace_back(uint16_t(descriptor[at] | descriptor[at + 1] << 8), BYTE(type & 0x0F),
                           BYTE(descriptor[at + 2] + 1), BYTE(type & kMeaningQualifiers));
    }
    for (size_t i = 0; i < row.sampleCount; ++i) {
        const Sample& sample = row.samples[i];
        wanted.emplace_back(sample.bitOffset, sample.channel, sample.bits,
                            BYTE(QualifiersOf(row, sample, colourSpace) & kMeaningQualifiers));
    }
    // Writers list samples in different orders (the exponents of a shared
    // exponent apart or together): what counts is the set.
    std::ranges::sort(found);
    std::ranges::sort(wanted);
    if (found != wanted)
        Broken("describes " + std::to_string(count) + " samples that do not match the " +
               std::to_string(row.sampleCount) + " channels of " + vkName);
    return facts;
}

std::string DescriptorText(const DescriptorFacts& facts)
{
    const char* model = ModelName(facts.model);
    return (model ? std::string(model) : "model " + std::to_string(facts.model)) + ", " +
           (facts.transfer == kTransferSrgb    ? std::string("sRGB")
            : facts.transfer == kTransferLinear ? std::string("linear")
                                                : "function " + std::to_string(facts.transfer)) +
           " transfer, " +
           (facts.primaries == kPrimariesBt709 ? std::string("BT.709")
                                               : "primaries " + std::to_string(facts.primaries)) +
           " primaries, " + (facts.Premultiplied() ? "premultiplied" : "straight") + " alpha";
}

} // namespace r3az8tex::ktx2
