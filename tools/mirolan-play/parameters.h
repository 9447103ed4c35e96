// The effect's parameters as the host sees them: what each key means, its
// default, range and unit; warnings about a parameter text (unknown keys,
// values that do not parse or lie outside the range); the values the
// effect will read; and why Create fails for given values. The effect
// still receives the text unchanged, as an engine would pass it: all of
// this is the host's own checking, beside the effect.
#pragma once

#include <span>
#include <string>
#include <vector>

// How the effect reads a value.
enum class ValueKind {
    Whole,         // decimal
    WholeOrHex,    // decimal, or hexadecimal after "0x" (lower-case x)
    Decimal,       // decimal floating point
};

struct ParameterInfo {
    const char* key;
    ValueKind kind;
    const char* defaultText;
    double minimum;
    double maximum;
    const char* unit;
};

// The six keys, in the order the effect looks them up.
std::span<const ParameterInfo> EffectParameters();

// One line of the parameter text and where it came from, for messages
// ("--param numparticle=400", "effect.txt:3").
struct ParameterLine {
    std::string text;
    std::string origin;
};

// A warning for each line whose key the effect does not know (naming the
// nearest it does), and for each first line of a known key whose value
// does not parse as the effect reads it or lies outside its range.
std::vector<std::string> CheckParameters(const std::vector<ParameterLine>& lines);

// The values the effect reads from a text (null: no text, the defaults),
// found with the effect's own parameter list.
struct EffectValues {
    int width;
    int height;
    int numParticles;
    float speed;
    float lifetime;
    int mipmaps;
    bool given[6]; // per key of EffectParameters(): found in the text
};
EffectValues ReadEffectValues(const char* text);

// "width = 128 (default)" and so on, one line per key.
std::string DescribeValues(const EffectValues& values);

// The parameters whose values make Create fail and why ("width = 0 is
// below 1"); when none explains it, what was asked for, as out of memory
// is then the likely cause.
std::string ExplainCreateFailure(const EffectValues& values);

// The table of parameters for --help: key, default, range, unit.
std::string ParameterTable();
