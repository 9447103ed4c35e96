// Which input goes in which slot of a cube map or a volume, and what the
// combined texture is called: faces by the names people give them, slices
// in the order people count them.
#pragma once

#include "tools/r3aztex/tool_error.h"
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace r3aztex {

// The faces of a cube map in their order, as people write them.
inline constexpr std::array<const char*, 6> kCubeFaceSigns = {"+x", "-x", "+y", "-y", "+z", "-z"};

// The face a file name stands for, 0 to 5 for +x, -x, +y, -y, +z, -z:
// posx/negx, px/nx, +x/-x or right/left/top/bottom/front/back, in any letter
// case, as a word of the name's stem ("sky_posx.png", "Right.png",
// "sky-px.tga"); none when it names no face or more than one.
std::optional<size_t> FaceNamedBy(const std::string& path);

struct CubeOrder {
    std::array<size_t, 6> inputOfFace; // index of the input for each face
    bool byName;                       // false: by position, as no name named a face
};

// Faces from the names when every input names a different face, by
// position when none names any. Throws ToolError (CommandLine) when only
// some do, or two name the same face.
CubeOrder OrderCubeFaces(const std::vector<std::string>& inputs);

// Numbers inside names compared by value: "s2" before "s10".
bool NaturalLess(std::string_view first, std::string_view second);

// The stem the inputs' names share, without trailing separators and
// digits ("sky" for sky_posx.png ... sky_negz.png, "slice" for
// slice1.png ... slice12.png); `fallback` when they share none.
std::string CommonStem(const std::vector<std::string>& inputs, const std::string& fallback);

// The stem of a path: its file name without the last ending.
std::string StemOf(const std::string& path);

} // namespace r3aztex
