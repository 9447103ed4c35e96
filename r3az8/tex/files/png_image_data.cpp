#include "r3az8/tex/files/png_image_data.h"

#include <zlib.h>

#include <array>
#include <cstring>
#include <vector>

namespace r3az8tex {
namespace {

uint32_t BigEndian(const BYTE* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Adam7's passes: first column and row, and the steps between them.
struct Pass {
    uint32_t x, y, stepX, stepY;
};
constexpr std::array<Pass, 7> kAdam7 = {{
    {0, 0, 8, 8},
    {4, 0, 8, 8},
    {0, 4, 4, 8},
    {2, 0, 4, 4},
    {0, 2, 2, 4},
    {1, 0, 2, 2},
    {0, 1, 1, 2},
}};

uint64_t RowsBytes(uint64_t width, uint64_t height, uint32_t bitsPerPixel)
{
    if (width == 0 || height == 0)
        return 0;
    return height * (1 + (width * bitsPerPixel + 7) / 8);
}

// Owns zlib's inflate state.
class Inflater {
public:
    Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater()
    {
        if (ok_)
            inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool Ok() const { return ok_; }
    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

std::string Shortfall(uint64_t inflated, uint64_t needed)
{
    return "image data ends after " + std::to_string(inflated) + " of the " + std::to_string(needed) +
           " bytes its header promises";
}

} // namespace

uint64_t FilteredImageBytes(const PngRowShape& shape)
{
    if (!shape.interlaced)
        return RowsBytes(shape.width, shape.height, shape.bitsPerPixel);
    uint64_t total = 0;
    for (const Pass& pass : kAdam7) {
        const uint64_t width = shape.width > pass.x ? (shape.width - pass.x + pass.stepX - 1) / pass.stepX : 0;
        const uint64_t height = shape.height > pass.y ? (shape.height - pass.y + pass.stepY - 1) / pass.stepY : 0;
        total += RowsBytes(width, height, shape.bitsPerPixel);
    }
    return total;
}

std::string ImageDataShortfall(std::span<const BYTE> file, uint64_t needed)
{
    Inflater inflater;
    if (!inflater.Ok())
        return "cannot set up inflating the image data";
    z_stream& stream = inflater.Stream();
    // Where the inflated bytes go to be counted and forgotten.
    std::vector<BYTE> scratch(size_t(1) << 16);
    uint64_t inflated = 0;
    constexpr size_t kSignatureBytes = 8;
    for (size_t at = kSignatureBytes; at <= file.size() && file.size() - at >= 12;) {
        const uint32_t length = BigEndian(file.data() + at);
        const BYTE* type = file.data() + at + 4;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            stream.next_in = const_cast<BYTE*>(file.data() + at + 8);
            stream.avail_in = length;
            while (stream.avail_in > 0) {
                stream.next_out = scratch.data();
                stream.avail_out = scratch.size();
                const int result = inflate(&stream, Z_NO_FLUSH);
                inflated += scratch.size() - stream.avail_out;
                if (inflated >= needed)
                    return "";
                if (result == Z_STREAM_END)
                    return Shortfall(inflated, needed);
                if (result == Z_BUF_ERROR) // wants the next chunk
                    break;
                if (result != Z_OK)
                    return std::string("image data cannot be inflated: ") +
                           (stream.msg != nullptr ? stream.msg : "zlib error " + std::to_string(result));
            }
        }
        at += 12 + size_t(length);
    }
    return Shortfall(inflated, needed);
}

} // namespace r3az8tex
