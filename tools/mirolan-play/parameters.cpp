#include "tools/mirolan-play/parameters.h"

#include "effects/effMirolan/particle.h"
#include "kwoUtils/kwoStringParams.h"
#include "platform/pwMemLeak/pwMemLeak_control.h"
#include "tools/common/nearest_names.h"

#include <cctype>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The effect's defaults and the ranges the host stands behind: beyond them
// the effect may still run, but pictures, memory or time get out of hand
// (or, for a negative speed, particles merely start the other way).
constexpr ParameterInfo kParameters[] = {
    {"width", ValueKind::WholeOrHex, "128", 1, 16384, "pixels; decimal or 0x hexadecimal"},
    {"height", ValueKind::WholeOrHex, "128", 1, 16384, "pixels; decimal or 0x hexadecimal"},
    {"numparticles", ValueKind::Whole, "10", 0, 1000000, "particles; 0 or less: none"},
    {"speed", ValueKind::Decimal, "50.0", 0, 10000, "pixels per second (per unit of --dt); each particle 0.5 to 1.5 times"},
    {"lifetime", ValueKind::Decimal, "3.0", 0, 100000, "seconds until a particle is reborn; each 0.5 to 1.5 times"},
    {"mipmaps", ValueKind::Whole, "0", 0, 1, "1: a mip chain, box-filtered after every frame"},
};

enum class Base { Decimal, Hexadecimal };

// Whether the text is one or more digits and nothing else.
bool IsDigits(const char* text, Base base)
{
    if (*text == '\0')
        return false;
    for (; *text != '\0'; ++text) {
        const int c = static_cast<unsigned char>(*text);
        if (!(base == Base::Hexadecimal ? std::isxdigit(c) : std::isdigit(c)))
            return false;
    }
    return true;
}

// The value as a number when it is written the way the kind wants, in
// full; otherwise false.
bool ParseStrictly(const char* value, ValueKind kind, double& number)
{
    if (kind == ValueKind::WholeOrHex && value[0] == '0' && value[1] == 'x') {
        if (!IsDigits(value + 2, Base::Hexadecimal))
            return false;
        number = double(std::strtoull(value + 2, nullptr, 16));
        return true;
    }
    const char* digits = value + (value[0] == '+' || value[0] == '-');
    if (kind != ValueKind::Decimal) {
        if (!IsDigits(digits, Base::Decimal))
            return false;
        number = std::strtod(value, nullptr);
        return true;
    }
    // Decimal only, as the effect reads it: no "inf", "nan" or hexadecimal.
    if (!std::isdigit(static_cast<unsigned char>(digits[0])) && digits[0] != '.')
        return false;
    char* end = nullptr;
    number = std::strtod(value, &end);
    return end != value && *end == '\0' && std::isfinite(number) && std::strchr(value, 'x') == nullptr &&
           std::strchr(value, 'X') == nullptr;
}

const ParameterInfo* FindParameter(const char* key)
{
    for (const ParameterInfo& info : kParameters) {
        size_t i = 0;
        while (info.key[i] != '\0' && std::tolower(static_cast<unsigned char>(key[i])) == info.key[i])
            ++i;
        if (info.key[i] == '\0' && key[i] == '\0')
            return &info;
    }
    return nullptr;
}

std::string RangeText(const ParameterInfo& info)
{
    char text[64];
    if (info.minimum == 0 && info.maximum == 1)
        return "0 or 1";
    std::snprintf(text, sizeof text, "%.10g..%.10g", info.minimum, info.maximum);
    return text;
}

std::string Number(double value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

std::span<const ParameterInfo> EffectParameters() { return kParameters; }

std::vector<std::string> CheckParameters(const std::vector<ParameterLine>& lines)
{
    std::vector<std::string> known;
    for (const ParameterInfo& info : kParameters)
        known.push_back(info.key);
    std::vector<std::string> warnings;
    bool seen[std::size(kParameters)] = {};
    for (const ParameterLine& line : lines) {
        char key[kParamKeyBufferSize];
        char value[kParamValueBufferSize];
        SplitKeyValue(line.text.c_str(), key, value);
        if (key[0] == '\0' || key[0] == ';')
            continue; // blank or a comment
        const ParameterInfo* info = FindParameter(key);
        if (info == nullptr) {
            const std::vector<std::string> nearest = tools::NearestNames(key, known);
            warnings.push_back(line.origin + ": unknown parameter '" + key + "'" +
                               (nearest.empty() ? "" : "; did you mean " + tools::OneOf(nearest) + "?") +
                               " The effect ignores it.");
            continue;
        }
        // The effect reads the first line of a key; later ones never count.
        bool& first = seen[info - kParameters];
        if (first)
            continue;
        first = true;
        double number = 0;
        const std::string said = line.origin + ": " + info->key + " = '" + value + "'";
        if (!ParseStrictly(value, info->kind, number)) {
            warnings.push_back(said + " is not " +
                               (info->kind == ValueKind::Decimal      ? "a decimal number"
                                : info->kind == ValueKind::WholeOrHex ? "a whole number (or 0x hexadecimal)"
                                                                      : "a whole number") +
                               "; the effect reads what it can of it");
        } else if (number < info->minimum || number > info->maximum) {
            warnings.push_back(said + " is outside " + RangeText(*info) + " (" + info->unit + ")");
        }
    }
    return warnings;
}

EffectValues ReadEffectValues(const char* text)
{
    EffectValues values{128, 128, 10, 50.0f, 3.0f, 0, {}};
    // The effect's own list, so that the values are the effect's reading.
    // It reports its memory to the allocation tracker like the effect's;
    // the tracker is cleared after it, so that what the tracker reports
    // at exit is the effect's alone.
    kwoStringParams* list = new (CallSite{"tools/mirolan-play/parameters", __LINE__}) kwoStringParams(text);
    if (list != nullptr) {
        values.given[0] = list->GetIntHex("width", values.width);
        values.given[1] = list->GetIntHex("height", values.height);
        values.given[2] = list->GetInt("numparticles", values.numParticles);
        values.given[3] = list->GetFloat("speed", values.speed);
        values.given[4] = list->GetFloat("lifetime", values.lifetime);
        values.given[5] = list->GetInt("mipmaps", values.mipmaps);
        delete list;
    }
    kwoMemLeakHost_Reset();
    return values;
}

std::string DescribeValues(const EffectValues& values)
{
    const std::string shown[6] = {std::to_string(values.width),        std::to_string(values.height),
                                  std::to_string(values.numParticles), Number(values.speed),
                                  Number(values.lifetime),             std::to_string(values.mipmaps)};
    std::string text;
    for (size_t i = 0; i < std::size(kParameters); ++i)
        text += std::string(kParameters[i].key) + " = " + shown[i] + (values.given[i] ? "" : " (default)") + "\n";
    return text;
}

std::string ExplainCreateFailure(const EffectValues& values)
{
    std::vector<std::string> reasons;
    if (values.width < 1)
        reasons.push_back("width = " + std::to_string(values.width) + " is below 1");
    if (values.height < 1)
        reasons.push_back("height = " + std::to_string(values.height) + " is below 1");
    const std::string size = "width x height = " + std::to_string(values.width) + " x " + std::to_string(values.height);
    if (reasons.empty()) {
        const uint64_t pixelBytes = uint64_t(values.width) * uint64_t(values.height) * 4;
        if (pixelBytes > UINT32_MAX)
            reasons.push_back(size + " needs more than 4 GiB for the picture, the effect's limit");
        else if (uint64_t(values.width) * 4 > INT_MAX || pixelBytes > INT_MAX)
            reasons.push_back(size + " makes a texture level of more than 2 GiB, the device's limit");
    }
    if (values.numParticles > 0 && uint64_t(values.numParticles) * sizeof(PARTICLE) > UINT32_MAX)
        reasons.push_back("numparticles = " + std::to_string(values.numParticles) +
                          " needs more than 4 GiB for the particles, the effect's limit");
    if (reasons.empty())
        return "no parameter explains it: the texture or the buffers for " + size + " and numparticles = " +
               std::to_string(values.numParticles) + " could not be had (out of memory?)";
    std::string joined;
    for (const std::string& reason : reasons)
        joined += (joined.empty() ? "" : "; ") + reason;
    return joined;
}

std::string ParameterTable()
{
    std::string table = "  key           default  range        unit\n";
    for (const ParameterInfo& info : kParameters) {
        char line[200];
        std::snprintf(line, sizeof line, "  %-13s %-8s %-12s %s\n", info.key, info.defaultText, RangeText(info).c_str(),
                      info.unit);
        table += line;
    }
    return table;
}
