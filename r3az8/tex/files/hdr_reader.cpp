// Radiance picture input (.hdr, .pic): RGBE pixels, a byte of mantissa per
// channel and a shared exponent, as Greg Ward describes them in "Real
// Pixels" (Graphics Gems II) and the Radiance file-format notes:
//
//   #?RADIANCE                 (or #?RGBE: any "#?" program name)
//   FORMAT=32-bit_rle_rgbe     (other NAME=value lines are skipped)
//                              (an empty line ends the header)
//   -Y 480 +X 640              (rows top down, pixels left to right)
//   scanlines
//
// A scanline is flat (4 bytes a pixel, where 1,1,1,n repeats the pixel
// before it: old-style run length), or new-style run length: 2,2 and the
// width in two bytes, then each of R, G, B, E alone as runs (a count above
// 128 repeats the next byte count-128 times) and literals.
//
// A channel is mantissa x 2^(exponent-136), without Radiance's half-step
// offset, so that 1.0 written by any writer reads as 1.0; exponent 0 is
// black. EXPOSURE lines are not applied: the values are read as stored,
// as other viewers show them. Rows running bottom up (+Y) or pixels right
// to left (-X) are turned to the usual order; pictures stored column by
// column (X before Y) are refused. The pixels come out as A32B32G32R32F
// with alpha 1.
#include "r3az8/tex/files/image_decoder.h"
#include "r3az8/tex/texture/texture_error.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace r3az8tex {
namespace {

// Headers are a few lines; anything longer is not a picture's.
constexpr size_t kMostHeaderBytes = 64 * 1024;

class HdrDecoder final : public ImageDecoder {
public:
    HdrDecoder(std::span<const BYTE> bytes, const std::string& name) : bytes_(bytes), name_(name)
    {
        if (NextLine().substr(0, 2) != "#?")
            throw FileError(ErrorKind::Malformed, name_, "not a Radiance picture (it does not start with #?)");
        for (;;) {
            const std::string line = NextLine();
            if (line.empty())
                break;
            if (line.starts_with("FORMAT=") && line != "FORMAT=32-bit_rle_rgbe")
                throw FileError(ErrorKind::Unsupported, name_,
                                "Radiance pixels of " + line.substr(7) + " are not read, only 32-bit_rle_rgbe");
        }
        ReadResolution(NextLine());
    }

    void Fill(TextureImage& canvas, const RowsDecoded& rowsDecoded) override
    {
        const uint32_t width = header_.width;
        std::vector<BYTE> rgbe(size_t(width) * 4);
        BYTE* out = canvas.Surface(0, 0).data();
        for (uint32_t row = 0; row < header_.height; ++row) {
            ReadScanline(rgbe);
            const uint32_t y = bottomUp_ ? header_.height - 1 - row : row;
            for (uint32_t i = 0; i < width; ++i) {
                const uint32_t x = rightToLeft_ ? width - 1 - i : i;
                const BYTE* pixel = &rgbe[size_t(i) * 4];
                const float scale = pixel[3] == 0 ? 0.0f : std::ldexp(1.0f, int(pixel[3]) - 136);
                const float values[4] = {pixel[0] * scale, pixel[1] * scale, pixel[2] * scale, 1.0f};
                std::memcpy(out + (size_t(y) * width + x) * sizeof values, values, sizeof values);
            }
        }
        if (rowsDecoded)
            rowsDecoded(header_.height);
    }

private:
    [[noreturn]] void Damaged(const std::string& what) const
    {
        throw FileError(ErrorKind::Malformed, name_, "Radiance picture is damaged: " + what);
    }

    std::string NextLine()
    {
        const size_t end = std::min(bytes_.size(), kMostHeaderBytes);
        const BYTE* start = bytes_.data() + position_;
        const void* newline = position_ < end ? std::memchr(start, '\n', end - position_) : nullptr;
        if (newline == nullptr)
            Damaged("its header does not end");
        const size_t length = size_t(static_cast<const BYTE*>(newline) - start);
        position_ += length + 1;
        return std::string(reinterpret_cast<const char*>(start), length);
    }

    void ReadResolution(const std::string& line)
    {
        char ySign = 0, yAxis = 0, xSign = 0, xAxis = 0;
        unsigned long height = 0, width = 0;
        int used = 0;
        if (std::sscanf(line.c_str(), "%c%c %lu %c%c %lu%n", &ySign, &yAxis, &height, &xSign, &xAxis, &width,
                        &used) != 6 ||
            size_t(used) != line.size() || (ySign != '-' && ySign != '+') || (xSign != '-' && xSign != '+') ||
            !((yAxis == 'Y' && xAxis == 'X') || (yAxis == 'X' && xAxis == 'Y')))
            Damaged("its resolution line '" + line.substr(0, 40) + "' is not of the form -Y HEIGHT +X WIDTH");
        if (yAxis == 'X')
            throw FileError(ErrorKind::Unsupported, name_,
                            "Radiance pictures stored column by column (" + line + ") are not read");
        if (width == 0 || height == 0)
            Damaged("its resolution line gives no pixels");
        CheckImageLimits(name_, width, height, 16);
        header_ = {uint32_t(width), uint32_t(height), FMT_A32B32G32R32F};
        bottomUp_ = ySign == '+';
        rightToLeft_ = xSign == '-';
    }

    BYTE NextByte()
    {
        if (position_ >= bytes_.size())
            Damaged("its pixels end early");
        return bytes_[position_++];
    }

    void ReadScanline(std::vector<BYTE>& rgbe)
    {
        const uint32_t width = header_.width;
        const bool newStyle = width >= 8 && width < 0x8000 && bytes_.size() - position_ >= 4 &&
                              bytes_[position_] == 2 && bytes_[position_ + 1] == 2 &&
                              (bytes_[position_ + 2] & 0x80) == 0;
        if (newStyle)
            ReadRunsByChannel(rgbe);
        else
            ReadFlat(rgbe);
    }

    void ReadRunsByChannel(std::vector<BYTE>& rgbe)
    {
        const uint32_t width = header_.width;
        position_ += 2;
        const uint32_t stated = uint32_t(NextByte()) << 8 | NextByte();
        if (stated != width)
            Damaged("a scanline gives a width of " + std::to_string(stated) + ", not " + std::to_string(width));
        for (size_t channel = 0; channel < 4; ++channel)
            for (uint32_t x = 0; x < width;) {
                uint32_t count = NextByte();
                const bool run = count > 128;
                if (run)
                    count -= 128;
                if (count == 0 || count > width - x)
                    Damaged("a run of a scanline overflows it");
                if (run) {
                    const BYTE value = NextByte();
                    for (; count > 0; --count)
                        rgbe[size_t(x++) * 4 + channel] = value;
                } else {
                    for (; count > 0; --count)
                        rgbe[size_t(x++) * 4 + channel] = NextByte();
                }
            }
    }

    // Flat pixels; 1,1,1,n repeats the pixel before n times, the counts of
    // consecutive repeats shifting up by 8 bits each.
    void ReadFlat(std::vector<BYTE>& rgbe)
    {
        const uint32_t width = header_.width;
        int shift = 0;
        for (uint32_t x = 0; x < width;) {
            BYTE pixel[4];
            for (BYTE& byte : pixel)
                byte = NextByte();
            if (pixel[0] == 1 && pixel[1] == 1 && pixel[2] == 1) {
                if (x == 0 || shift > 16)
                    Damaged("a repeat has no pixel before it");
                const uint64_t count = uint64_t(pixel[3]) << shift;
                if (count > width - x)
                    Damaged("a repeat overflows its scanline");
                for (uint64_t i = 0; i < count; ++i, ++x)
                    std::memcpy(&rgbe[size_t(x) * 4], &rgbe[size_t(x - 1) * 4], 4);
                shift += 8;
                continue;
            }
            std::memcpy(&rgbe[size_t(x++) * 4], pixel, 4);
            shift = 0;
        }
    }

    std::span<const BYTE> bytes_;
    std::string name_;
    size_t position_ = 0;
    bool bottomUp_ = false;
    bool rightToLeft_ = false;
};

} // namespace

std::unique_ptr<ImageDecoder> OpenHdr(std::span<const BYTE> bytes, const std::string& name)
{
    return std::make_unique<HdrDecoder>(bytes, name);
}

} // namespace r3az8tex
