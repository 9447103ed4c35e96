#include "bench/bc7_peers/bc7_dds.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr size_t kHeaderBytes = 4 + 124 + 20; // magic, header, DX10 header
constexpr uint32_t kDxgiBc7Typeless = 97;
constexpr uint32_t kDxgiBc7Unorm = 98;
constexpr uint32_t kDxgiBc7Srgb = 99;

uint32_t Word(const std::vector<uint8_t>& file, size_t at)
{
    uint32_t value;
    std::memcpy(&value, file.data() + at, 4);
    return value;
}

void PutWord(std::vector<uint8_t>& file, size_t at, uint32_t value) { std::memcpy(file.data() + at, &value, 4); }

size_t BlockBytes(uint32_t width, uint32_t height) { return size_t((width + 3) / 4) * ((height + 3) / 4) * 16; }

} // namespace

std::optional<Bc7Blocks> ReadBc7Dds(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (file.size() < kHeaderBytes || std::memcmp(file.data(), "DDS ", 4) != 0 ||
        std::memcmp(file.data() + 84, "DX10", 4) != 0)
        return std::nullopt;
    const uint32_t dxgi = Word(file, 128);
    if (dxgi != kDxgiBc7Typeless && dxgi != kDxgiBc7Unorm && dxgi != kDxgiBc7Srgb)
        return std::nullopt;
    Bc7Blocks blocks;
    blocks.height = Word(file, 12);
    blocks.width = Word(file, 16);
    const size_t bytes = BlockBytes(blocks.width, blocks.height);
    if (blocks.width == 0 || blocks.height == 0 || file.size() - kHeaderBytes < bytes)
        return std::nullopt;
    blocks.bytes.assign(file.begin() + kHeaderBytes, file.begin() + static_cast<std::ptrdiff_t>(kHeaderBytes + bytes));
    return blocks;
}

bool WriteBc7Dds(const std::string& path, const Bc7Blocks& blocks)
{
    std::vector<uint8_t> file(kHeaderBytes);
    std::memcpy(file.data(), "DDS ", 4);
    PutWord(file, 4, 124);
    PutWord(file, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000); // caps, height, width, pixel format, linear size
    PutWord(file, 12, blocks.height);
    PutWord(file, 16, blocks.width);
    PutWord(file, 20, static_cast<uint32_t>(blocks.bytes.size()));
    PutWord(file, 76, 32);  // pixel format size
    PutWord(file, 80, 0x4); // four-character code
    std::memcpy(file.data() + 84, "DX10", 4);
    PutWord(file, 108, 0x1000); // a texture
    PutWord(file, 128, kDxgiBc7Unorm);
    PutWord(file, 132, 3); // 2D
    PutWord(file, 140, 1); // array size
    file.insert(file.end(), blocks.bytes.begin(), blocks.bytes.end());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}
