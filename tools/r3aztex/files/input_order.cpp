#include "tools/r3aztex/files/input_order.h"

#include "tools/r3aztex/tool_error.h"

#include <algorithm>
#include <cctype>

namespace r3aztex {
namespace {

// The words that name each face, in the face order.
constexpr std::array<std::array<std::string_view, 4>, 6> kFaceWords = {{
    {"posx", "px", "+x", "right"},
    {"negx", "nx", "-x", "left"},
    {"posy", "py", "+y", "top"},
    {"negy", "ny", "-y", "bottom"},
    {"posz", "pz", "+z", "front"},
    {"negz", "nz", "-z", "back"},
}};

bool IsSeparator(char c) { return c == '_' || c == '-' || c == '.' || c == ' ' || c == '+'; }

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether `word` stands in `stem` as a word of its own: separators (or the
// ends) on both sides. A signed word brings its own separator, and posx and
// its kin are distinct enough to end a run of letters ("skyposx").
bool StandsAlone(std::string_view stem, std::string_view word)
{
    const bool signedWord = word[0] == '+' || word[0] == '-';
    const bool distinct = word.size() == 4 && (word.starts_with("pos") || word.starts_with("neg"));
    for (size_t at = stem.find(word); at != std::string_view::npos; at = stem.find(word, at + 1)) {
        const bool left = at == 0 || IsSeparator(stem[at - 1]) || signedWord || distinct;
        const size_t end = at + word.size();
        const bool right = end == stem.size() || IsSeparator(stem[end]);
        if (left && right)
            return true;
    }
    return false;
}

} // namespace

std::string StemOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::optional<size_t> FaceNamedBy(const std::string& path)
{
    const std::string stem = Lower(StemOf(path));
    std::optional<size_t> found;
    for (size_t face = 0; face < kFaceWords.size(); ++face)
        for (std::string_view word : kFaceWords[face])
            if (StandsAlone(stem, word)) {
                if (found && *found != face)
                    return std::nullopt;
                found = face;
            }
    return found;
}

CubeOrder OrderCubeFaces(const std::vector<std::string>& inputs)
{
    CubeOrder order{{0, 1, 2, 3, 4, 5}, false};
    if (inputs.size() != 6)
        throw ToolError(ExitCode::CommandLine, "--cube takes six inputs (+x, -x, +y, -y, +z, -z), not " +
                                                   std::to_string(inputs.size()));
    std::array<std::optional<size_t>, 6> named;
    size_t namedCount = 0;
    for (size_t i = 0; i < 6; ++i) {
        named[i] = FaceNamedBy(inputs[i]);
        namedCount += named[i].has_value();
    }
    if (namedCount == 0)
        return order;
    std::array<std::optional<size_t>, 6> inputOfFace;
    for (size_t i = 0; i < 6; ++i) {
        if (!named[i])
            throw ToolError(ExitCode::CommandLine,
                            "cannot tell the cube faces apart: " + inputs[i] +
                                " names no face (posx/negx, px/nx, +x/-x or right/left/top/bottom/front/back) "
                                "while other inputs do");
        std::optional<size_t>& slot = inputOfFace[*named[i]];
        if (slot)
            throw ToolError(ExitCode::CommandLine, "cannot tell the cube faces apart: both " + inputs[*slot] +
                                                       " and " + inputs[i] + " name face " +
                                                       kCubeFaceSigns[*named[i]]);
        slot = i;
    }
    for (size_t face = 0; face < 6; ++face)
        order.inputOfFace[face] = *inputOfFace[face];
    order.byName = true;
    return order;
}

bool NaturalLess(std::string_view first, std::string_view second)
{
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < first.size() && j < second.size()) {
        if (isDigit(first[i]) && isDigit(second[j])) {
            size_t endI = i, endJ = j;
            while (endI < first.size() && isDigit(first[endI]))
                ++endI;
            while (endJ < second.size() && isDigit(second[endJ]))
                ++endJ;
            // Compare by value: skip leading zeros, then the longer run is
            // larger, then digit by digit.
            size_t startI = i, startJ = j;
            while (startI + 1 < endI && first[startI] == '0')
                ++startI;
            while (startJ + 1 < endJ && second[startJ] == '0')
                ++startJ;
            const std::string_view a = first.substr(startI, endI - startI);
            const std::string_view b = second.substr(startJ, endJ - startJ);
            if (a.size() != b.size())
                return a.size() < b.size();
            if (a != b)
                return a < b;
            i = endI;
            j = endJ;
            continue;
        }
        if (first[i] != second[j])
            return first[i] < second[j];
        ++i;
        ++j;
    }
    if ((first.size() - i) != (second.size() - j))
        return first.size() - i < second.size() - j;
    return first < second; // equal by value ("s01" and "s1"): any fixed order
}

std::string CommonStem(const std::vector<std::string>& inputs, const std::string& fallback)
{
    if (inputs.empty())
        return fallback;
    std::string common = StemOf(inputs[0]);
    for (const std::string& input : inputs) {
        const std::string stem = StemOf(input);
        size_t length = 0;
        while (length < common.size() && length < stem.size() && common[length] == stem[length])
            ++length;
        // Names share bytes, not always characters: "ä" and "ö" share the
        // first byte of their UTF-8 form. Cut where a character starts.
        while (length > 0 && length < common.size() && (static_cast<unsigned char>(common[length]) & 0xC0) == 0x80)
            --length;
        common.resize(length);
    }
    while (!common.empty() && (IsSeparator(common.back()) || std::isdigit(static_cast<unsigned char>(common.back()))))
        common.pop_back();
    return common.empty() ? fallback : common;
}

} // namespace r3aztex
