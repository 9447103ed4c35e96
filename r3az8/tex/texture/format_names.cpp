// The names users give formats: the table's own, the short names other
// tools use, and the DXGI names, which come from the DX10 mapping so that
// a format the reader knows by a DXGI name can be asked for by it too.
#include "r3az8/tex/texture/format_table.h"

#include "r3az8/tex/astc/astc_formats.h"
#include "r3az8/tex/files/dds_pixel_format.h"

#include <algorithm>
#include <cctype>

namespace r3az8tex {
namespace {

// What an alias says beyond its format.
enum class Extra : BYTE { None, OneBitAlpha, SignFromInput };

struct ShortName {
    const char* name;
    D3DFORMAT format;
    Extra extra = Extra::None;
};

// bc2 and bc3 hold straight alpha, so they are dxt3 and dxt5 (dxt2 and
// dxt4 are their premultiplied forms). rgba8 and bgra8 name the same
// pixels in the two byte orders; the writer picks the order. bc6h alone
// leaves the form to the input: light is never negative and wants the
// unsigned form, which keeps a bit more precision, but an input that does
// hold negative values would lose them.
constexpr ShortName kShortNames[] = {
    {"bc1", D3DFMT_DXT1},
    {"bc2", D3DFMT_DXT3},
    {"bc3", D3DFMT_DXT5},
    {"rgba8", D3DFMT_A8R8G8B8},
    {"bgra8", D3DFMT_A8R8G8B8},
    {"ati1", D3DFMT_BC4},
    {"ati2", D3DFMT_BC5},
    {"bc6h", FMT_BC6H_UF16, Extra::SignFromInput},
    {"bc1a", D3DFMT_DXT1, Extra::OneBitAlpha},
    {"dxt1a", D3DFMT_DXT1, Extra::OneBitAlpha},
};

constexpr std::string_view kPrefix = "d3dfmt_";
constexpr std::string_view kSrgbSuffix = "_srgb";
constexpr std::string_view kUnormSuffix = "_unorm";

struct KnownName {
    std::string name; // lower case
    const FormatInfo* format;
    Extra extra;
};

// The DXGI formats' sRGB twins, and ASTC's, which every footprint has.
bool HasSrgbForm(D3DFORMAT format)
{
    return dds::HasSrgbForm(format) || (IsAstcFormat(format) && !IsAstcFloatFormat(format));
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return Lower(c); });
    return lower;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerSuffix)
{
    return text.size() > lowerSuffix.size() && Lower(text.substr(text.size() - lowerSuffix.size())) == lowerSuffix;
}

// The table's names first, so that no other name can take one of them.
std::vector<KnownName> MakeKnownNames()
{
    std::vector<KnownName> names;
    auto add = [&names](std::string name, D3DFORMAT format, Extra extra) {
        const bool taken = std::any_of(names.begin(), names.end(), [&](const KnownName& k) { return k.name == name; });
        if (!taken)
            names.push_back({std::move(name), FindFormat(format), extra});
    };
    // An ASTC footprint's plain name leaves LDR or HDR to the input, as
    // bc6h leaves its sign.
    for (const FormatInfo& info : AllFormats())
        add(info.name, info.format,
            IsAstcFormat(info.format) && !IsAstcFloatFormat(info.format) ? Extra::SignFromInput : Extra::None);
    for (const ShortName& alias : kShortNames)
        add(alias.name, alias.format, alias.extra);
    // The _SRGB forms are the plain names with the suffix every name takes.
    for (const dds::DxgiNaming& naming : dds::DxgiNamings()) {
        if (naming.colourSpace == ColourSpace::Srgb)
            continue;
        const std::string name = Lower(naming.name);
        add(name, naming.format, Extra::None);
        if (name.ends_with(kUnormSuffix))
            add(name.substr(0, name.size() - kUnormSuffix.size()), naming.format, Extra::None);
    }
    // ASTC by its Vulkan-style name, with or without "_unorm", and its HDR
    // form as Vulkan names it ("_sfloat").
    for (const AstcFormat& astc : kAstcFormats) {
        add(astc.vulkanName, astc.format, Extra::SignFromInput);
        add(astc.vulkanName + std::string(kUnormSuffix), astc.format, Extra::None);
        add(astc.vulkanName + std::string("_sfloat"), astc.floatFormat, Extra::None);
    }
    return names;
}

const std::vector<KnownName>& KnownNames()
{
    static const std::vector<KnownName> names = MakeKnownNames();
    return names;
}

const KnownName* FindKnownName(std::string_view name)
{
    const std::string lower = Lower(name);
    for (const KnownName& known : KnownNames())
        if (known.name == lower)
            return &known;
    return nullptr;
}

std::string_view WithoutPrefix(std::string_view name)
{
    if (name.size() > kPrefix.size() && Lower(name.substr(0, kPrefix.size())) == kPrefix)
        name.remove_prefix(kPrefix.size());
    return name;
}

// "dxt1, dxt2, ... or x8r8g8b8": the rows that have an sRGB form.
std::string FormatsWithSrgbForm()
{
    std::vector<std::string> names;
    for (const FormatInfo& info : AllFormats())
        if (HasSrgbForm(info.format))
            names.push_back(info.name);
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

} // namespace

std::optional<FormatRequest> ParseFormatName(std::string_view name)
{
    name = WithoutPrefix(name);
    ColourSpace colourSpace = ColourSpace::Unspecified;
    if (EndsWithIgnoringCase(name, kSrgbSuffix)) {
        name.remove_suffix(kSrgbSuffix.size());
        colourSpace = ColourSpace::Srgb;
    }
    const KnownName* known = FindKnownName(name);
    if (known == nullptr || (colourSpace == ColourSpace::Srgb && !HasSrgbForm(known->format->format)))
        return std::nullopt;
    // An sRGB name asks for colour, never the HDR form.
    return FormatRequest{known->format, colourSpace, known->extra == Extra::OneBitAlpha,
                         known->extra == Extra::SignFromInput && colourSpace != ColourSpace::Srgb};
}

const FormatInfo* FindFormatByName(std::string_view name)
{
    const std::optional<FormatRequest> request = ParseFormatName(name);
    return request ? request->format : nullptr;
}

std::string FormatNameRefusal(std::string_view name)
{
    std::string_view plain = WithoutPrefix(name);
    if (!EndsWithIgnoringCase(plain, kSrgbSuffix))
        return "";
    plain.remove_suffix(kSrgbSuffix.size());
    const KnownName* known = FindKnownName(plain);
    if (known == nullptr || HasSrgbForm(known->format->format))
        return "";
    return std::string(known->format->name) + " has no sRGB form; " + FormatsWithSrgbForm() + " have one";
}

std::string FormatNameFamilies()
{
    return "also the DXGI names of these (bc1_unorm, bc7_unorm, r8g8b8a8_unorm, b5g6r5_unorm, r16_float ...; "
           "_unorm may be left out), NAME_srgb for sRGB where the format has an sRGB form (bc1_unorm_srgb, "
           "bc3_srgb, r8g8b8a8_unorm_srgb), bc1, bc2, bc3 for dxt1, dxt3, dxt5, rgba8 and bgra8 for a8r8g8b8, "
           "ati1 and ati2 for bc4 and bc5, bc1a and dxt1a for dxt1 keeping one-bit alpha, bc6h for bc6h_sf16 when "
           "the input holds negative values and bc6h_uf16 otherwise, astc_4x4 ... astc_12x12 "
           "(with _unorm or _srgb) for astc4x4 ... astc12x12, of which astc4x4 and astc_4x4 are the HDR form "
           "astc4x4_float (astc_4x4_sfloat) for a float input";
}

std::vector<std::string> FormatNamesAndAliases()
{
    std::vector<std::string> names;
    for (const KnownName& known : KnownNames())
        names.push_back(known.name);
    for (const KnownName& known : KnownNames())
        if (HasSrgbForm(known.format->format))
            names.push_back(known.name + std::string(kSrgbSuffix));
    return names;
}

} // namespace r3az8tex
