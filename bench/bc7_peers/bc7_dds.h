// The one DDS shape the BC7 benchmark exchanges with outside programs: a
// single 2D BC7 level behind a DX10 header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Bc7Blocks {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bytes; // rows of (width + 3) / 4 blocks, 16 bytes each
};

// The blocks of a BC7 DDS file (DXGI 97, 98 or 99, first level only), or
// nothing when the file is missing or anything else.
std::optional<Bc7Blocks> ReadBc7Dds(const std::string& path);

// Writes the blocks as a DX10 DDS file of one level; false on a write error.
bool WriteBc7Dds(const std::string& path, const Bc7Blocks& blocks);
